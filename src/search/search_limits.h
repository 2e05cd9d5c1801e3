// Search limits, the clock and the game-level search state that position
// set-up resets.
#pragma once

#include "board/types.h"

extern i32 DepthLimit;    // plies; 998 = none
extern i32 MoveTimeCs;    // fixed time per move, 0 = none
extern i32 MateLimit;     // "mate in N" limit, 0 = none
extern i32 EngineTimeCs;  // engine's clock in centiseconds, -1 = not known
extern i32 EngineSide;    // side to move when the search started
extern i32 DrawScore;     // value of a draw for EngineSide
extern i32 LastSearchScore;  // root score of the engine's last search
extern i32 LastSearchSide;   // the EngineSide that score was found for
extern i32 SearchesOutOfBook;

// Distance of the current node from the root of the search, in plies.
extern i32 SearchPly;
// Largest SearchPly reached in the running search.
extern i32 SelDepth;
// Nodes visited in the running search (both searches count).
extern u64 NodeCount;
// Nodes left until the search next looks at the clock and the input; the
// look happens when it falls below zero.
extern i32 TimeCheckCountdown;
// The iteration of the root driver now running (1 = one ply).
extern i32 IterationDepth;

// Scores of the root moves, parallel to the root list at the bottom of
// MoveStack; entry 0 is the best move's score from the engine's view.
constexpr i32 MaxRootMoves = 256;
extern i32 RootScore[MaxRootMoves];

// Value of a draw by rule for the given side: DrawScore is the draw's worth
// to the engine, so the opponent sees it negated.
inline i32 DrawValueFor(Side side) { return side == EngineSide ? DrawScore : -DrawScore; }
