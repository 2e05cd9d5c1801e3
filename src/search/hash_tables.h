// The engine's three hash tables as heap blocks: the transposition table,
// the pawn hash and the evaluation cache. Allocated at start-up with the
// sizes of the settings, wiped on request, the first two re-allocated when
// their size option changes, all freed at exit.
#pragma once

#include "board/board.h"
#include "board/keys.h"
#include "board/make_move.h"
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

// Starts loading the records that a node probes first: the transposition
// bucket of (key, side), the evaluation-cache record of key and, when
// pawnKey differs from the pawns of the last pawn evaluation, the pawn-hash
// record of pawnKey. The loads then run alongside each other and the work
// before the probes instead of one after another at the probes. Reads
// nothing from the records and changes nothing: a key that turns out not
// to be the node's costs a load and nothing else. Forced inline: g++ 12
// takes a separate routine that only prefetches for one without effect and
// drops the call. PrefetchTransBucket is the first of the three alone.
[[gnu::always_inline]] inline void PrefetchTransBucket(u64 key, Side side) {
    if (TransEntries == 0) return;
    const char* bucket = reinterpret_cast<const char*>(TransBucket(key, side));
    // A bucket of 80 bytes spans up to three cache lines.
    __builtin_prefetch(bucket);
    __builtin_prefetch(bucket + sizeof(TransEntry) * TransBucketSize / 2);
    __builtin_prefetch(bucket + sizeof(TransEntry) * TransBucketSize - 1);
}
[[gnu::always_inline]] inline void PrefetchTableRecords(u64 key, Side side, u64 pawnKey) {
    PrefetchTransBucket(key, side);
    if (EvalCache != nullptr) {
        const char* record = reinterpret_cast<const char*>(&EvalCacheSlot(key));
        __builtin_prefetch(record);
        __builtin_prefetch(record + sizeof(EvalCacheEntry) - 1);
    }
    if (PawnEntries != 0 && PawnTable != nullptr && pawnKey != board.LastPawnEntry.key) {
        const char* record = reinterpret_cast<const char*>(&PawnHashSlot(pawnKey));
        __builtin_prefetch(record);
        __builtin_prefetch(record + sizeof(PawnEntry) - 1);
    }
}

// The records of the current position, right after a move is made (or
// passed). The transposition key leaves out the rare en-passant term.
[[gnu::always_inline]] inline void PrefetchNodeTables() {
    PrefetchTableRecords(board.HashKey ^ ZobristCastle[board.CastlingFlags], board.SideToMove,
                         board.PawnHashKey);
}

// The records of the position after move m, before it is made, so that the
// loads start while the move is still being judged. The keys are those
// MakeMove will leave for quiet moves, captures and promotions; castling,
// en passant and a man leaving a corner without castling rights at stake
// may come out otherwise, which only wastes the prefetch.
struct ChildKeys {
    u64 key;      // transposition and evaluation-cache key
    u64 pawnKey;  // pawn-hash key
};
[[gnu::always_inline]] inline ChildKeys PredictChildKeys(Move m) {
    const Side side = board.SideToMove, enemy = ChangeSide(side);
    const Square from = MoveFrom(m), to = MoveTo(m);
    const PieceType piece = MovePiece(m), captured = MoveCaptured(m);
    const PieceType promotion = MovePromotion(m);
    const PieceType arriving = promotion != EMPTY ? promotion : piece;
    u64 key = board.HashKey ^ ZobristPiece[side][piece][from] ^ ZobristPiece[side][arriving][to];
    u64 pawnKey = board.PawnHashKey;
    if (captured != EMPTY) key ^= ZobristPiece[enemy][captured][to];
    if (captured == PAWN) pawnKey ^= ZobristPiece[enemy][PAWN][to];
    if (piece == PAWN) {
        pawnKey ^= ZobristPiece[side][PAWN][from];
        if (promotion == EMPTY) pawnKey ^= ZobristPiece[side][PAWN][to];
    }
    const i32 castling = board.CastlingFlags & CastleMask[from] & CastleMask[to];
    return {key ^ ZobristCastle[castling], pawnKey};
}
[[gnu::always_inline]] inline void PrefetchChildTables(Move m) {
    const ChildKeys keys = PredictChildKeys(m);
    PrefetchTableRecords(keys.key, ChangeSide(board.SideToMove), keys.pawnKey);
}

// Only the child's transposition bucket, for a walk that probes nothing
// else of the children (the cutoff probe).
[[gnu::always_inline]] inline void PrefetchChildBucket(Move m) {
    PrefetchTransBucket(PredictChildKeys(m).key, ChangeSide(board.SideToMove));
}

// Exit: frees all three tables (their counts become 0).
void FreeHashTables();

// The program's orderly exit, which the driver installs at start-up: a
// failed allocation that cannot be recovered from ends the program through
// it. Without one, the process flushes its output and ends with the code.
using FatalExitHook = void (*)(i32 code);
extern FatalExitHook HashAllocationExit;

// Test hooks: the next count table allocations fail as if memory were short,
// before any memory is taken; LastRefusedHashRecords is the number of
// records the last of them asked for.
void FailNextHashAllocations(i32 count);
u64 LastRefusedHashRecords();
