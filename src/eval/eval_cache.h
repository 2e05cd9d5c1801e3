// The evaluation cache: one record per index (no buckets) keeping the static
// score of a position for both sides to move, with the evaluation fields the
// search reads after a cached score. The search's table manager allocates it.
#pragma once

#include "board/board.h"
#include "board/keys.h"
#include "board/types.h"
#include "board/u64_halves.h"

struct EvalCacheEntry {
    U64Halves key;               // HashKey ^ ZobristCastle[CastlingFlags]; WipedKey when wiped
    i16 score[2];                // static score for White, Black to move; EvalScoreMissing = none
    i16 optimism[2];             // eval_info.optimism[WHITE], [BLACK]
    U64Halves alert_squares[2];  // eval_info.alert_squares[WHITE], [BLACK]
    U64Halves attacked_by[2];    // eval_info.attacked_by[WHITE], [BLACK]
    i16 material;                // eval_info.material
    i16 scale;                   // eval_info.scale
};
static_assert(sizeof(EvalCacheEntry) == 52, "evaluation-cache entries are 52 bytes");

// A score slot that holds no score.
constexpr i16 EvalScoreMissing = -32700;

// Addressed records (index = low 32 bits of the key modulo this), and the
// records allocated: two spare ones past the last index.
constexpr u32 EvalCacheEntries = 0x80000;
constexpr u32 EvalCacheRecords = EvalCacheEntries + 2;

extern EvalCacheEntry* EvalCache;

// The cache key of the current position, and the one record it may sit in.
inline u64 EvalCacheKeyOfBoard() { return board.HashKey ^ ZobristCastle[board.CastlingFlags & 15]; }
inline EvalCacheEntry& EvalCacheSlot(u64 key) { return EvalCache[u32(key) % EvalCacheEntries]; }

// Every record's key becomes WipedKey.
void ClearEvalCache();
