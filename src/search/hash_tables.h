// The engine's three hash tables as heap blocks: the transposition table,
// the pawn hash and the evaluation cache. Allocated at start-up with the
// sizes of the settings, wiped on request, the first two re-allocated when
// their size option changes, all freed at exit.
#pragma once

#include "board/types.h"
#include "eval/pawn_entry.h"

// Entry counts before any setting changes them.
constexpr u32 DefaultTransEntries = 0x80000;  // 10 MB
constexpr u32 DefaultPawnEntries = 0x40000;   // 6 MB
// Size options are megabytes in this range.
constexpr i64 MaxHashMegabytes = 1024;

// The pawn hash: PawnEntries + PawnSpareEntries records, index = low 32
// bits of the pawn key modulo PawnEntries, one entry per index, always
// replaced. 0 entries switch it off.
constexpr u32 PawnSpareEntries = 2;
extern PawnEntry* PawnTable;
extern u32 PawnEntries;

// Entry counts for a size in megabytes, clamped to 0..MaxHashMegabytes and
// computed in 64 bits.
u32 TransEntriesForMegabytes(i64 megabytes);
u32 PawnEntriesForMegabytes(i64 megabytes);

// Start-up: allocates the three tables at the sizes now set and wipes them.
// A failed allocation prints "An error occured while memory allocation!"
// and ends the program with code 1.
void AllocateHashTables();
void AllocTransTable();
void AllocPawnHash();
void AllocEvalCache();

// Wipes: every record's key becomes WipedKey. The transposition wipe also
// empties every entry, sets TransAge to 0 and forgets the last probe's
// flags; the pawn-hash wipe also invalidates the board's copy of the last
// pawn entry.
void ClearTransTable();
void ClearPawnHash();
void ClearEvalCache();

// A size option changed: the table is replaced by an empty one of the new
// size. When the new size cannot be had, the message above is printed and
// the table comes back at its old size (wiped); only when that fails too
// does the program end with code 1.
void ResizeMainHash(i64 megabytes);
void ResizePawnHash(i64 megabytes);

// Exit: frees all three tables (their counts become 0).
void FreeHashTables();

// Test hook: the next count table allocations fail as if memory were short.
void FailNextHashAllocations(i32 count);
