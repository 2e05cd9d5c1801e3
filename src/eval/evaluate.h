// The static evaluation of the global position, and the evaluation cache
// as the searches use it.
//
// Evaluate() fixes the order of the terms, the early exits, the blend of
// opening and endgame weights by the game phases, the tempo and the final
// sign; the terms themselves live in their own units (material table, low
// material endings, pawn structure, passed pawns, king shelter, piece
// activity, ending scale factors). Inside, every running score is black
// minus white; only the last step turns it to the side to move.
#pragma once

#include "board/types.h"

// Scores the global position for the side to move and writes the score
// through score. A recognised ending may leave early through the low
// material path, which reads the value *score holds on entry (the searches
// preset EvalScoreMissing). Zeroes and fills eval_info, and sets the board's
// phase fields, CannotWin and AllPawns. eval_info is the one record of the
// last full evaluation: nothing else clears it.
void Evaluate(i32* score);
// The score Evaluate() gives, and each side's optimism, stay within
// +-EvalScoreLimit: clear of the mate scores whatever the parameters.
constexpr i32 EvalScoreLimit = MateBound - 1;

// The evaluation cache, keyed by the piece key and the castling rights.
//
// ProbeEvalCache: on a matching key loads material, scale, optimism,
// alert_squares and attacked_by from the entry into eval_info and returns
// its score for the side to move (EvalScoreMissing when that slot is
// empty); returns EvalScoreMissing on a miss. Sets eval_info.cacheable.
i32 ProbeEvalCache();
// StoreEvalCache: stores the result of the Evaluate() just made, when
// eval_info.cacheable is still set. A new key takes the evaluation fields
// and, while eval_info.symmetric is set, the score for the other side to
// move as well; a matching key only takes the side-to-move score.
void StoreEvalCache(i32 score);
// The full static score through the cache: probe, evaluate on a miss,
// store.
i32 CachedEvaluate();

// The king shelter weighs each king by whose side the engine plays. When
// the two personality weights differ, a cache filled for one EngineSide is
// wrong for the other: called by the root drivers at the start of a search,
// this clears the cache when EngineSide differs from the side it was last
// filled for.
void ClearEvalCacheIfSideChanged();
