// The engine's three hash tables as heap blocks: the transposition table,
// the pawn hash and the evaluation cache. Allocated at start-up with the
// sizes of the settings, wiped on request, the first two re-allocated when
// their size option changes, all freed at exit.
#pragma once

#include "board/board.h"
#include "board/keys.h"
#include "board/types.h"
#include "eval/eval_cache.h"
#include "eval/pawn_hash.h"
#include "search/trans_table.h"

// Size options are megabytes in this range.
constexpr i64 MaxHashMegabytes = 1024;

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

// Wipes every entry: its key becomes WipedKey. Also sets TransAge to 0 and
// forgets the last probe's flags. (The pawn hash and the evaluation cache
// are wiped by ClearPawnHash and ClearEvalCache.)
void ClearTransTable();

// A size option changed: the table is replaced by an empty one of the new
// size. When the new size cannot be had, the message above is printed and
// the table comes back at its old size (wiped); only when that fails too
// does the program end with code 1.
void ResizeMainHash(i64 megabytes);
void ResizePawnHash(i64 megabytes);

// Starts loading the records that the node of the current position probes
// first: its transposition bucket, its evaluation-cache record and, when its
// pawns differ from those of the last pawn evaluation, its pawn-hash record.
// Called right after a move is made, so that the loads run alongside each
// other and the node's first steps instead of one after another at the
// probes. Reads nothing from the records and changes nothing. The
// transposition key leaves out the rare en-passant term: then the bucket
// loaded is not the one probed, which costs a load and nothing else.
// Forced inline: g++ 12 takes a separate routine that only prefetches for
// one without effect and drops the call.
[[gnu::always_inline]] inline void PrefetchNodeTables() {
    const u64 key = board.HashKey ^ ZobristCastle[board.CastlingFlags];
    if (TransEntries != 0) {
        const char* bucket = reinterpret_cast<const char*>(TransBucket(key, board.SideToMove));
        // A bucket of 80 bytes spans up to three cache lines.
        __builtin_prefetch(bucket);
        __builtin_prefetch(bucket + sizeof(TransEntry) * TransBucketSize / 2);
        __builtin_prefetch(bucket + sizeof(TransEntry) * TransBucketSize - 1);
    }
    if (EvalCache != nullptr) {
        const char* record = reinterpret_cast<const char*>(&EvalCacheSlot(key));
        __builtin_prefetch(record);
        __builtin_prefetch(record + sizeof(EvalCacheEntry) - 1);
    }
    if (PawnEntries != 0 && PawnTable != nullptr && board.PawnHashKey != board.LastPawnEntry.key)
    {
        const char* record = reinterpret_cast<const char*>(&PawnHashSlot(board.PawnHashKey));
        __builtin_prefetch(record);
        __builtin_prefetch(record + sizeof(PawnEntry) - 1);
    }
}

// Exit: frees all three tables (their counts become 0).
void FreeHashTables();

// The program's orderly exit, which the driver installs at start-up: a
// failed allocation that cannot be recovered from ends the program through
// it. Without one, the process flushes its output and ends with the code.
using FatalExitHook = void (*)(i32 code);
extern FatalExitHook HashAllocationExit;

// Test hook: the next count table allocations fail as if memory were short.
void FailNextHashAllocations(i32 count);
