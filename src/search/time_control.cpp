#include "search/time_control.h"

#include <algorithm>

#include "board/make_move.h"
#include "board/modes.h"

namespace {

// Moves a control can ask for at most: with more to go the engine still
// plans as if 30 were left.
constexpr i64 MaxPlannedMoves = 30;
// A clock-derived limit no lower than "stop at the first look" and no
// higher than "unlimited", so nothing downstream can overflow.
i32 ClampLimit(i64 cs) { return i32(std::clamp<i64>(cs, -1, TimeUnlimitedCs)); }

// The move overhead in the clock's centiseconds, rounded up: a part of a
// centisecond lost is still lost.
i64 MoveOverheadCs() { return (i64(MoveOverheadMs) + 9) / 10; }

// The draw is worth more the less time the engine has against an opponent
// with much more; usable is the engine's usable time U.
void RaiseDrawScoreByTime(i64 usable) {
    if (OpponentTimeCs == 0) return;
    // Short controls of one to three moves leave no room for this.
    if (MovesToGo >= 1 && MovesToGo <= 3) return;
    const i64 increment = EngineIncrementCs;
    i64 reference = std::min<i64>(LevelTimeCs / 20, 3 * increment);
    if (reference <= 250) reference = 250;

    const i64 opponent = OpponentTimeCs;
    const i64 usableAndHalf = usable + (usable >> 1);
    const bool opponentHasMore =
        opponent > usableAndHalf ||
        (usable < opponent && opponent <= usableAndHalf && usable < (reference >> 1));
    const bool engineIsShort = increment != 0 ? usable < reference : usable < 2 * reference;
    if (!opponentHasMore || !engineIsShort) return;

    // A negative clock gives a negative U: the most valuable entry.
    const i64 index = std::clamp<i64>(10 * usable / reference, 0, DrawScoreByTimeSize - 1);
    DrawScore = DrawScoreByTime[index];
}

}  // namespace

void AllocateTime() {
    // A fixed time per move is both the budget and the hard limit.
    if (MoveTimeCs != 0) {
        TimeBudgetCs = TimeHardLimitCs = ClampLimit(MoveTimeCs);
        return;
    }

    // What this move costs outside the search is gone before it starts.
    const i64 overhead = MoveOverheadCs();
    const i64 clock = i64(EngineTimeCs) - overhead;
    // Keep 5 % of the clock in reserve against the interface's lag.
    const i64 usable = clock * 95 / 100 - 1;
    const i64 halfUsable = usable >> 1;
    const i64 moveNumber = GamePly / 2 + 1;
    const i64 increment = EngineIncrementCs;
    // Each move still to come before the control loses the overhead too;
    // without an increment nothing gives it back, so the plan pays for it
    // now: the clock must last as many moves, each of them dearer.
    const i64 perMove = increment != 0 ? increment : -overhead;

    i64 share, hard;
    if (MovesToGo > 0) {
        const i64 perControl = MovesToGo;
        i64 moves;
        if (UciMode) {
            // UCI sends the moves left to the next control itself.
            moves = std::min(perControl, MaxPlannedMoves);
        } else {
            // xboard gives moves per control: the next control falls at the
            // first multiple of it not before this move.
            i64 nextControl = perControl;
            if (nextControl < moveNumber)
                nextControl = (moveNumber + perControl - 1) / perControl * perControl;
            moves = std::min(nextControl - moveNumber + 1, MaxPlannedMoves);
        }
        share = ((moves - 1) * perMove + usable) / moves;
        hard = 7 * share;
    } else {
        // The whole game on this clock: plan for 30 more moves.
        share = ((MaxPlannedMoves - 1) * perMove + usable) / MaxPlannedMoves;
        hard = 7 * share;
        if (hard >= halfUsable) hard = halfUsable;
    }

    // Just out of the book the position is new to the engine: think longer.
    if (SearchesOutOfBook < 2) share += share / 5;
    share = std::max<i64>(share, 5);

    hard = std::min(hard, 7 * share);
    hard = std::min(hard, halfUsable);
    // Never plan to let the clock fall below the reserve: a stall of a few
    // overheads, at a fast control the clock's last defence, still finds
    // time there. At a low clock this leaves the first look at the clock.
    hard = std::min(hard, clock - MoveOverheadReserve * overhead);
    TimeHardLimitCs = ClampLimit(hard);

    const i64 budget = 3 * share / 4;
    TimeBudgetCs = ClampLimit(budget < 2 ? 1 : budget);

    RaiseDrawScoreByTime(usable);
}

i32 SetMoveOverhead(i32 ms) {
    MoveOverheadMs = std::clamp(ms, MinMoveOverheadMs, MaxMoveOverheadMs);
    return MoveOverheadMs;
}
