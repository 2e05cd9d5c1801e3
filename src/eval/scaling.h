// Scaling of drawish endings: endings with little material are often far more
// drawish than the material balance says (opposite bishops, rook and rook
// pawn against rook, a pawnless rook ending, blocked pawns). The evaluation
// multiplies its score by factors in 256ths, one per rule that applies.
//
// Scores are black minus white. A factor f scales a value v to v * f / 256
// truncated toward zero, except inside ScaleDrawishEnding and
// ScaleEndgameScore, which shift right by 8 and so round toward minus
// infinity.
#pragma once

#include "board/types.h"

// eval_info.scale := eval_info.scale * f / 256; returns v * f / 256. The
// product in eval_info.scale records every factor applied this way.
i32 ScaleScorePair(i32 v, i32 f);

// a + (RankWeight[i] * (b - a) + 128) / 256: a blend from a (relative ranks
// 0..2) to b (relative rank 6) by the rank i seen from the pawn's side.
i32 InterpolateByRank(i32 a, i32 b, i32 i);

// Endings with three pawns in all, equal piece units and no passed pawn:
// the score scaled by one of the DrawishEndingScale factors, or unchanged.
// May clear eval_info.symmetric through the king-and-pawn bitbase probe.
i32 ScaleDrawishEnding(i32 total);

// Endings with one pawn and equal pieces: the score scaled by one of the
// OnePawnScale factors, or unchanged. May clear eval_info.symmetric.
i32 ScaleEndgameScore(i32 total);

// The ending scaling step of the evaluation, run after the phase blend and
// the side-to-move terms. Reads the board (after EvaluatePawnStructure, so
// that board.LastPawnEntry describes its pawns) and eval_info.material;
// rewrites eval_info.total, score_sum, scale and symmetric. It includes the
// cannot-win rule: a side whose CannotWin flag is set never gets a score in
// its favour.
//
// The caller runs it only while not both sides have more than
// EndingUnitsWithoutQueen non-pawn units; with eval_info.total 0 it does
// nothing.
void ApplyEndingScaling();
