// Search limits, the clock and the game-level search state that position
// set-up resets.
#pragma once

#include "board/types.h"

extern i32 DepthLimit;    // plies; 998 = none
extern i32 MoveTimeCs;    // fixed time per move, 0 = none
extern i32 MateLimit;     // "mate in N" limit, 0 = none
extern i32 EngineSide;    // side to move when the search started
extern i32 DrawScore;     // value of a draw for EngineSide
extern i32 LastSearchScore;  // root score of the engine's last search
extern i32 LastSearchSide;   // the EngineSide that score was found for
extern i32 SearchesOutOfBook;

// Distance of the current node from the root of the search, in plies.
extern i32 SearchPly;
