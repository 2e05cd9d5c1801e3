// The rules by which the search updates its move-ordering memory: history
// steps, killers, evasion killers and the capture statistics.
#pragma once

#include "board/move_ordering.h"
#include "board/types.h"

// History step by remaining plies (capped at 15), in 1/1024ths of the
// distance to the bound: the deeper the cutoff, the bigger the step.
constexpr i32 HistoryFactor[16] = {0,   57,  119, 155, 181, 200, 217, 230,
                                   242, 253, 262, 271, 278, 286, 292, 298};
// History entries climb toward this bound and never pass it.
constexpr i32 HistoryMax = 32700;

// The history step for a depth in 1/60 ply.
constexpr i32 HistoryStep(i32 depth) {
    const i32 plies = depth / OnePly;
    return HistoryFactor[plies < 0 ? 0 : plies > 15 ? 15 : plies];
}

// A refused capture whose statistics reach this many tries has both counts
// halved, so old results fade.
constexpr i32 CaptureStatWindow = 64;

// A quiet move m caused a cutoff at SearchPly for the side to move: raise
// its history entry toward HistoryMax and make it the first killer of the
// ply (the old first killer becomes the second, unless m already is first).
void UpdateHistoryAndKillers(i32 depth, Move m, i32 historyHalf);

// A quiet move tried before the cutoff move of its node: lower its history
// entry toward 0 by the step of the depth.
void PenalizeHistory(i32 depth, Move m, i32 historyHalf);

// A quiet move m refuted the check given by the last game move: remember it
// for the checked side by the checking move's destination and its king's
// square. Nothing happens without a last move.
void StoreEvasionKiller(Move m);

// Counts one more search of a refused capture m by side (success: the
// capture beat alpha); halves both counts once the tries exceed the window.
void UpdateCaptureStatistics(Move m, Side side, bool success);

// The game has moved on by two plies since the last search: every ply's
// killers move down two records; the last four records keep theirs.
void ShiftKillersTwoPlies();
