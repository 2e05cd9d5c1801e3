// Endgame tablebases as the rest of the engine sees them: the settings that
// choose and size them, the scan of the tablebase path, the block cache and
// the probe the search calls.
//
// Stored values: a one-byte table holds 127 - n for a win in n moves, n - 126
// for a loss in n moves (0 for mated now), 0 for a draw and 127 for no value;
// -128 and -127 stand for a win and a loss in 127 and 126 moves. A two-byte
// table holds the raw value itself.
#pragma once

#include "board/types.h"

// Room for the tablebase path list, directories separated by "," or ";".
constexpr i32 EgtbPathSize = 1024;
constexpr u32 DefaultEgtbCacheBytes = 1048576;

extern i32 UseEgtb;                  // the UseEGTB setting: scan and probe at all
extern char EgtbPath[EgtbPathSize];  // the tablebase path list
// 0: no probing; else the most men of any table family found.
extern i32 EgtbMaxPieces;
// Memory the scan took for table indices and decoding, in bytes: the size
// of every descriptor and of the decode state, added as each is allocated.
extern u64 EgtbIndexBytes;
// Size of the block cache in bytes.
extern u32 EgtbCacheBytes;
// The cache's one block of memory, null when none is held.
extern u8* TableCacheMemory;

// Scans the directories of pathList for table files, forgetting an earlier
// scan first, and sets EgtbIndexBytes. Returns the most men of the table
// families found (6, 5, 4, 3), 0 when none.
i32 InitTablebases(const char* pathList);

// Takes EgtbCacheBytes bytes for the block cache. When that fails it prints
// "An error occured while memory allocation!" and switches probing off
// (EgtbMaxPieces := 0); the program goes on.
void AllocTableCache();

// Frees the cache, sets EgtbCacheBytes to megabytes x 2^20 (modulo 2^32) and
// allocates it again; 2^31 bytes or more is an allocation failure.
void SetTableCacheSize(u32 megabytes);

// Releases the cache memory (at exit) and closes the table files.
void FreeTableCache();

// sideJustMoved = the side not to move. 1 with *score set to the exact value
// of the position for the side to move (0 draw, 32446..32698 win,
// -32700..-32446 loss for one-byte tables) when a table answers; 0 when none
// does.
i32 ProbeTablebase(i32 sideJustMoved, i32* score);

// ProbeTableValue's answer when there is no value.
constexpr i32 NoTableValue = 32767;

// The raw value of an index of a table side (0 white, 1 black to move): 0 a
// draw, 32641..32766 (one-byte wins), -32641..-32766 (losses), NoTableValue.
i32 ProbeTableValue(i32 tableId, i32 side, u64 index);

// The score of a raw value for the side to move: 2v - 32834 for a win,
// 2v + 32832 for a loss, 0 for a draw.
i32 TablebaseScore(i32 rawValue);
