// Values of the running search and the engine's last one that the board and
// the evaluation read: the search and the game driver write them.
#pragma once

#include "board/types.h"

extern i32 EngineSide;       // side to move when the search started
extern i32 DrawScore;        // value of a draw for EngineSide
extern i32 LastSearchScore;  // root score of the engine's last search
extern i32 LastSearchSide;   // the EngineSide that score was found for

// Distance of the current node from the root of the search, in plies.
extern i32 SearchPly;

// Search generation: +1 per search, +3 after a board edit; wraps at 2^16.
// Also the stamp of the capture statistics.
extern u16 TransAge;

// Value of a draw by rule for the given side: DrawScore is the draw's worth
// to the engine, so the opponent sees it negated.
inline i32 DrawValueFor(Side side) { return side == EngineSide ? DrawScore : -DrawScore; }
