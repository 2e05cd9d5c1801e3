// Time allocation: turns the clock into a budget and a hard limit for one
// move, and makes a draw worth something to an engine short of time against
// an opponent who has plenty. The clock globals live with the other search
// limits.
#pragma once

#include "board/types.h"
#include "platform/platform.h"
#include "search/search_limits.h"

// The clock the engine keeps time by, in centiseconds.
inline i64 ClockCs() { return NowMs() / 10; }
// Centiseconds since the running search began.
inline i64 ElapsedCs() { return ClockCs() - SearchStartTime; }
// The time the search has taken, as reported: up to now while it runs, up
// to its end once it waits for the ponder phase or "stop".
inline i64 SearchTimeCs() {
    return SearchEndTime >= 0 ? SearchEndTime - SearchStartTime : ElapsedCs();
}
// A finished search begins to wait: its time stops here.
inline void MarkSearchEnd() {
    if (SearchEndTime < 0) SearchEndTime = ClockCs();
}

// Worth of a draw by the engine's remaining time, in tenths of the
// reference time Q: the less time left, the more a draw is worth.
constexpr i32 DrawScoreByTimeSize = 20;
constexpr i32 DrawScoreByTime[DrawScoreByTimeSize] = {50, 40, 32, 26, 22, 20, 18, 17, 16, 15,
                                                      14, 13, 12, 11, 10, 9,  8,  7,  6,  5};

// Sets TimeBudgetCs and TimeHardLimitCs for the coming search from the
// clock, the increment, the moves to go and the game ply, and may raise
// DrawScore (which the caller has set to 0). A fixed time per move
// (MoveTimeCs) overrides everything else. The move overhead is taken off
// the clock first, and the hard limit never plans to let the clock fall
// below a reserve of MoveOverheadReserve overheads. Both limits stay within
// -1..TimeUnlimitedCs whatever the clock says.
void AllocateTime();

// Overheads kept on the clock below the hard limit, on top of the one taken
// off for the move itself: what a stall longer than the overhead may eat.
constexpr i32 MoveOverheadReserve = 3;

// Sets MoveOverheadMs, clamped to MinMoveOverheadMs..MaxMoveOverheadMs;
// returns the value set.
i32 SetMoveOverhead(i32 ms);
