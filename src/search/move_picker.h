// The staged move picker: fills MoveStack one stage at a time in the order
// the engine wants moves tried. The root move list is built by calling it
// from stage 8 until it returns 0.
#pragma once

#include "board/types.h"

// Move stages, shared with the search's own staged loop.
constexpr i32 StageNoneYet = 8;   // nothing generated yet
constexpr i32 StageEvasions = 6;  // check evasions
constexpr i32 StageCaptures = 5;  // captures and promotions, sorted
constexpr i32 StageKiller1 = 4;   // first killer
constexpr i32 StageKiller2 = 3;   // second killer
constexpr i32 StageQuiet = 2;     // quiet moves, sorted
constexpr i32 StageDone = 0;      // nothing left

// Appends at MoveStackTop the moves of the first stage below `stage` that
// has any and returns that stage's number; 0 when nothing is left. Works at
// SearchPly for the side to move; in check only the evasions, once.
i32 PickNextMoveStage(i32 stage);

// In check: the evasions when stage is 8 (returns 6, or 0 with none); any
// other stage returns 0.
i32 GenerateEvasionStage(i32 stage);

// Orders MoveStack[begin .. end-1] by descending score with an exchange
// sort: each position takes every later entry that scores strictly more.
void SortMovesByScore(i32 begin, i32 end);
