// The resign rule's memory: the engine's own last ten searches, oldest
// first, with the settings that decide when it gives up.
#pragma once

#include "board/types.h"

constexpr i32 ScoreHistorySize = 10;
constexpr i32 NewestScoreEntry = ScoreHistorySize - 1;

// Parallel fields of each entry: the root score of the search (engine's
// view), 1 when its move came from the book, and the position key after the
// engine's move.
extern i32 ScoreHistory[ScoreHistorySize];
extern i32 BookMoveHistory[ScoreHistorySize];
extern u64 KeyHistory[ScoreHistorySize];

// The engine resigns after ResignTimes searches in a row of this game scored
// below -ResignValue.
extern i32 ResignValue;
extern i32 ResignTimes;

// Start state: every older entry a book move scored 100, the newest one
// empty; their key 0 matches no real position, so the resign rule never
// counts them.
void InitScoreHistory();
