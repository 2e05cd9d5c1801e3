// The transposition table: buckets of four 20-byte entries holding, for
// positions met in the search, the best move, a bounded score, the depth, a
// mate-threat mark and memo bits of the move generators. The table memory is
// allocated and wiped by hash_tables; this unit reads and writes entries.
#pragma once

#include "board/search_state.h"
#include "board/types.h"
#include "board/u64_halves.h"

struct TransEntry {
    U64Halves key;  // search key; WipedKey after a wipe
    i16 depth;      // in 1/60 ply
    i16 score;      // side to move's view; exact mates counted from this node
    u32 packed;     // move | bound << 21 | side << 23 | mate threat << 30; 0 = empty
    u16 age;        // TransAge of the last store or hit
    u16 flags;      // generator memo bits, only ever ORed for one position
};
static_assert(sizeof(TransEntry) == 20, "transposition entries are 20 bytes");
static_assert(alignof(TransEntry) == 4, "no u64 alignment inside the table");

// Bounds of a stored score.
constexpr u32 UpperBound = 1;
constexpr u32 LowerBound = 2;
constexpr u32 ExactBound = 3;

// Fields of the packed word.
constexpr u32 TransMoveMask = (1u << 21) - 1;
constexpr i32 TransBoundShift = 21;
constexpr i32 TransSideShift = 23;
constexpr u32 TransMateThreat = 1u << 30;

// Memo bits of the flags word.
constexpr u16 NoQuiescenceChecks = 1;    // quiescence: no quiet check here
constexpr u16 NoQuiescenceCaptures = 2;  // quiescence: no capture or safe promotion here
constexpr u16 NoSearchCaptures = 16;     // search: no capture or promotion here

// Entries in a bucket, and the spare records past the last index so that a
// bucket starting there needs no wrap-around.
constexpr i32 TransBucketSize = 4;
constexpr u32 TransSpareEntries = 10;

constexpr u32 DefaultTransEntries = 0x80000;  // 10 MB before any setting
extern TransEntry* TransTable;  // TransEntries + TransSpareEntries records
extern u32 TransEntries;        // index positions; 0 = table off

// Entries claimed by stores in the current search ("hashfull").
extern i32 TransFillCount;
// Score found by the last successful ProbeHashBound.
extern i32 ProbedBoundScore;
// Flags word of the entry found by the last probe; 0 after a miss.
extern u16 ProbedHashFlags;

inline Move TransMove(const TransEntry& entry) { return entry.packed & TransMoveMask; }
inline u32 TransBound(const TransEntry& entry) { return (entry.packed >> TransBoundShift) & 3; }
inline Side TransSide(const TransEntry& entry) {
    return Side((entry.packed >> TransSideShift) & 1);
}
inline u32 TransHasMateThreat(const TransEntry& entry) { return (entry.packed >> 30) & 1; }

// The table key of the current position: the piece key, the castling key
// and, only when the last move was a double pawn step with a pawn of the
// side to move beside its arrival square, the en-passant file key.
u64 ComputeSearchKey();

// First entry of the bucket of a key for a side to move; the table must be on.
inline TransEntry* TransBucket(u64 key, Side side) {
    return TransTable + ((u32(side) * 4) ^ u32(key)) % TransEntries;
}
inline bool TransEntryMatches(const TransEntry& entry, u64 key, Side side) {
    return entry.key.Get() == key && TransSide(entry) == side;
}

// The entry of the position with this key and side to move, or nullptr when
// there is none or the table is off. Touches nothing.
TransEntry* FindTransEntry(u64 key, Side side);

// The node-entry probe of the searches: ProbedHashFlags reset, then on a hit
// the entry's age refreshed and its flags remembered in ProbedHashFlags.
// Returns the entry or nullptr.
TransEntry* ProbeNodeEntry(u64 key, Side side);

// Stored score of a result at SearchPly: mate bounds clipped to +-MateBound,
// exact mates counted from this node instead of from the root.
i32 ScoreToTrans(i32 score, u32 bound);
// The stored score seen from the root again (exact mates re-based by SearchPly).
i32 ScoreFromTrans(i32 score, u32 bound);

// Stores a search result for the current position under the bucket's
// replacement rule. depth in 1/60 ply, bound 1..3, mateThreat 0 or 1.
void StoreHash(i32 depth, u32 move, i32 score, u32 bound, u32 mateThreat, u16 flags);

// 1 when the position's entry is at least depth deep, an upper bound or
// exact, with a (re-based) score <= limit, left in ProbedBoundScore.
// The age is not refreshed.
i32 ProbeHashBound(i32 depth, i32 limit);

// Root probe: on a hit refreshes the age, writes the stored move and the
// entry's flags (ProbedHashFlags) and returns 1; usable = 1 with alpha = the
// score when the score decides the window (exact, an upper bound <= alpha or
// a lower bound >= beta) and moveOnly is 0, else usable = 0 and alpha stays.
// 0 on a miss or with the table off (ProbedHashFlags = 0).
i32 ProbeHash(i32* alpha, i32* beta, u32* move, i32* usable, i32 moveOnly);

// The stored move of the position: 1 when there is an entry with a move;
// move is written on every hit. The age is not refreshed.
i32 ProbeHashMove(u32* move);

// The stored move of the position, 0 on a miss. The age is not refreshed.
u32 GetHashMove();
