// The settings that choose and size the endgame tablebases, and what the
// last scan found: set by the driver, read by the scan, the block cache and
// the search.
#pragma once

#include "board/types.h"

// Room for the tablebase path list, directories separated by "," or ";":
// as much as a whole command line, so that no list a GUI sends is cut.
constexpr i32 EgtbPathSize = 65536;
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
