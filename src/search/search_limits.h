// Search limits, the clock, and the counters and tuning values of the
// running search.
#pragma once

#include "board/search_state.h"
#include "board/types.h"

extern i32 DepthLimit;    // plies; 998 = none
extern i32 MoveTimeCs;    // fixed time per move, 0 = none
extern i32 MateLimit;     // "mate in N" limit, 0 = none
extern i32 EngineTimeCs;  // engine's clock in centiseconds, -1 = not known
extern i32 SearchesOutOfBook;

// The rest of the clock, as the protocols deliver it (centiseconds).
extern i32 OpponentTimeCs;     // opponent's clock, 0 = none received
extern i32 EngineIncrementCs;  // the engine's increment per move
extern i32 MovesToGo;          // moves to the next control; 0 or less = the whole game
extern i32 LevelTimeCs;        // base time of the control
extern u64 NodeLimit;          // stop after this many nodes, 0 = none
extern i32 MultiPv;            // principal variations to report, 1 = best move only

// Time a move costs that the engine's own clock never sees (the interface,
// the pipes, the operating system), in milliseconds: the "Move Overhead"
// option and the MoveOverhead setting.
constexpr i32 MinMoveOverheadMs = 0;
constexpr i32 MaxMoveOverheadMs = 5000;
constexpr i32 DefaultMoveOverheadMs = 100;
extern i32 MoveOverheadMs;

// Limits of the running search, set before it starts. A budget of
// TimeUnlimitedCs means no limit.
constexpr i32 TimeUnlimitedCs = 9999999;
extern i32 TimeBudgetCs;       // normal time for this move
extern i32 TimeHardLimitCs;    // never search past this
extern i32 TimeCheckInterval;  // nodes between two looks at the clock and input
extern i64 SearchStartTime;    // clock in centiseconds when the search began
// Clock in centiseconds when the search ended and began to wait for the
// ponder phase or a UCI "stop" to end ("go ponder", "go infinite", xboard
// pondering); -1 while it runs. The wait is no part of its time.
extern i64 SearchEndTime;
// The depth limit the root was given: 999 marks a timed search, the only
// kind that looks at the clock.
extern i32 SearchDepthLimit;
constexpr i32 TimedSearchDepth = 999;

// Largest SearchPly reached in the running search.
extern i32 SelDepth;
// Nodes visited in the running search (both searches count).
extern u64 NodeCount;
// Successful tablebase probes of the running search.
extern i32 TablebaseHits;
// Nodes left until the search next looks at the clock and the input; the
// look happens when it falls below zero.
extern i32 TimeCheckCountdown;
// The iteration of the root driver now running (1 = one ply).
extern i32 IterationDepth;
// 0 while the first root move of an iteration is searched, 1 for the
// others: a later move may overrun the normal budget a little.
extern i32 LaterRootMove;

// Tuning values of the futility margins of the three shallowest depths
// (below 2, 3 and 4 plies): the margin is TuneM x 100 / 256 centipawns and
// the side's optimism counts TuneC / 8 times. Set by the console words
// c1..c3 and m1..m3, each clamped to TuneValueMin..TuneValueMax: with any
// evaluation the margin sums, widened to 64 bits, cannot overflow.
extern i32 TuneC1, TuneC2, TuneC3;
extern i32 TuneM1, TuneM2, TuneM3;
constexpr i32 TuneValueMin = -32768;
constexpr i32 TuneValueMax = 32767;

// Scores of the root moves, parallel to the root list at the bottom of
// MoveStack; entry 0 is the best move's score from the engine's view.
constexpr i32 MaxRootMoves = 256;
extern i32 RootScore[MaxRootMoves];
