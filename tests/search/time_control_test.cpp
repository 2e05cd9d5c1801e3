#include "search/time_control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "board/fen.h"
#include "board/init_tables.h"
#include "board/make_move.h"
#include "board/modes.h"
#include "search/search_limits.h"

namespace {

// One clock situation and the limits it must give.
struct ClockCase {
    const char* what;
    i32 moveTime, engineTime, opponentTime, increment, movesToGo, levelTime, gamePly;
    i32 uci, searchesOutOfBook;
    i32 budget, hardLimit, drawScore;
};

class TimeAllocation : public ::testing::Test {
protected:
    void SetUp() override {
        InitEngineTables();
        // The allocation as it is with nothing lost outside the engine.
        MoveOverheadMs = 0;
        ASSERT_EQ(ParseFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -"), 1);
    }
    void TearDown() override {
        MoveTimeCs = 0;
        EngineTimeCs = -1;
        OpponentTimeCs = 0;
        EngineIncrementCs = 0;
        MovesToGo = 0;
        LevelTimeCs = 1000;
        GamePly = 0;
        UciMode = 0;
        SearchesOutOfBook = 0;
        DrawScore = 0;
        TimeBudgetCs = TimeHardLimitCs = TimeUnlimitedCs;
        MoveOverheadMs = DefaultMoveOverheadMs;
    }
    static void Allocate(const ClockCase& c) {
        MoveTimeCs = c.moveTime;
        EngineTimeCs = c.engineTime;
        OpponentTimeCs = c.opponentTime;
        EngineIncrementCs = c.increment;
        MovesToGo = c.movesToGo;
        LevelTimeCs = c.levelTime;
        // Only the move number counts here, never the moves themselves.
        GamePly = c.gamePly;
        UciMode = c.uci;
        SearchesOutOfBook = c.searchesOutOfBook;
        DrawScore = 0;
        AllocateTime();
        GamePly = 0;
    }
};

TEST_F(TimeAllocation, BudgetHardLimitAndDrawScore) {
    const ClockCase cases[] = {
        // what, movetime, clock, opponent, inc, togo, level, ply, uci, out of book,
        // budget, hard limit, draw score
        {"st 5 ignores the clock and the draw score", 500, 200, 6000, 0, 0, 1000, 0, 0, 5,
         500, 500, 0},
        {"movetime 5000 in UCI", 500, 60000, 0, 0, 0, 1000, 0, 1, 5, 500, 500, 0},
        // U = 56999, share U / 30 = 1899, hard 7 x share below U / 2.
        {"sudden death, no increment", 0, 60000, 0, 0, 0, 1000, 20, 0, 5, 1424, 13293, 0},
        // Just out of the book the share grows by a fifth (2278), the hard
        // limit stays at 7 x the share before.
        {"sudden death, first search after the book", 0, 60000, 0, 0, 0, 1000, 20, 0, 0,
         1708, 13293, 0},
        // Move 40 of 40/5: the whole of U, hard limit U / 2, budget 3/4 U.
        {"last move before the control", 0, 30000, 0, 0, 40, 30000, 79, 0, 5, 21374, 14249, 0},
        // Move 41: the next control is at move 80, 40 moves away, planned as 30.
        {"first move after the control, increment", 0, 30000, 0, 500, 40, 30000, 80, 0, 5,
         1074, 10031, 0},
        {"UCI movestogo 50 plans for 30", 0, 60000, 0, 0, 50, 1000, 0, 1, 5, 1424, 13293, 0},
        // UCI counts the moves itself: 10 to go whatever the game ply.
        {"UCI movestogo 10", 0, 60000, 0, 0, 10, 1000, 60, 1, 5, 4274, 28499, 0},
        {"level with no moves means the whole game", 0, 60000, 0, 0, -1, 30000, 20, 0, 5,
         1424, 13293, 0},
        // U = 189, Q = 250: 10 x 189 / 250 = 7.
        {"short of time against a full clock", 0, 200, 6000, 0, 0, 1000, 40, 0, 5, 4, 42, 17},
        {"no opponent clock, no draw score", 0, 200, 0, 0, 0, 1000, 40, 0, 5, 4, 42, 0},
        // Move 21 is the last of a control of three: all of U = 189.
        {"a control of three moves, no draw score", 0, 200, 6000, 0, 3, 1000, 40, 0, 5, 141,
         94, 0},
        // Q = min(30000 / 20, 3 x 300) = 900; U = 759 < Q; 10 x 759 / 900 = 8.
        {"with an increment the reference is three increments", 0, 800, 5000, 300, 0, 30000,
         40, 0, 5, 236, 379, 16},
        // U = 94 below the opponent's 120 (within 1.5 U) and below Q / 2.
        {"opponent a little ahead, engine nearly flagged", 0, 100, 120, 0, 0, 1000, 40, 0, 5,
         3, 21, 26},
        // U = 189 is not below Q / 2 = 125: no draw score.
        {"opponent a little ahead, engine not short enough", 0, 200, 200, 0, 0, 1000, 40, 0,
         5, 4, 42, 0},
        // Two centiseconds: U = 0, share raised to 5, hard limit U / 2 = 0.
        {"two centiseconds left", 0, 2, 0, 0, 0, 1000, 40, 0, 5, 3, 0, 0},
        {"one centisecond left", 0, 1, 0, 0, 0, 1000, 40, 0, 5, 3, -1, 0},
        // A negative clock gives a negative U: stop at once, the most a draw
        // can be worth.
        {"negative clock", 0, -500, 6000, 0, 0, 1000, 40, 1, 5, 3, -1, 50},
        // "go infinite" with movestogo 1: nothing overflows into a negative
        // limit; both are capped at "unlimited".
        {"infinite clock, one move to go", 0, 999999999, 0, 0, 1, 999999999, 0, 1, 5,
         TimeUnlimitedCs, TimeUnlimitedCs, 0},
        {"huge fixed time per move", 2000000000, 60000, 0, 0, 0, 1000, 0, 0, 5,
         TimeUnlimitedCs, TimeUnlimitedCs, 0},
    };
    for (const ClockCase& c : cases) {
        Allocate(c);
        EXPECT_EQ(TimeBudgetCs, c.budget) << c.what;
        EXPECT_EQ(TimeHardLimitCs, c.hardLimit) << c.what;
        EXPECT_EQ(DrawScore, c.drawScore) << c.what;
    }
}

// One overhead, clock, increment and number of moves to go, and the limits
// they must give.
struct OverheadCase {
    i32 overheadMs, clock, increment, movesToGo;
    i32 budget, hardLimit;
};

TEST_F(TimeAllocation, OverheadComesOffTheClockAndTheReserveStays) {
    // 30 ms is 3 cs off the clock, and a reserve of three more overheads
    // stays below the hard limit; a clock too short for both stops the
    // search at its first look at the clock (-1).
    const OverheadCase cases[] = {
        // 5 s: U = 497 x 95 / 100 - 1 = 471, share (29 x inc + U) / 30, hard
        // 7 x share; without an increment each of the 29 moves after this
        // one costs an overhead: (U - 29 x 3) / 30.
        {30, 500, 0, 0, 9, 84},
        {30, 500, 1, 0, 12, 112},
        {30, 500, 5, 0, 15, 140},
        {30, 500, 10, 0, 18, 175},
        // One move to go: the whole of U, the hard limit half of it.
        {30, 500, 0, 1, 353, 235},
        // 1 s: U = 91; with an increment the hard limit reaches U / 2;
        // without, 29 overheads leave nothing to plan with.
        {30, 100, 0, 0, 3, 0},
        {30, 100, 1, 0, 3, 28},
        {30, 100, 5, 0, 5, 45},
        {30, 100, 10, 0, 9, 45},
        {30, 100, 0, 1, 68, 45},
        // 200 ms: U = 15, half of it 7, and 20 - 3 - 9 = 8 left above the reserve.
        {30, 20, 0, 0, 3, -1},
        {30, 20, 10, 0, 7, 7},
        {30, 20, 0, 1, 11, 7},
        // 50 ms and nothing: below overhead and reserve, no time to plan with.
        {30, 5, 0, 0, 3, -1},
        {30, 5, 10, 0, 6, -1},
        {30, 5, 0, 1, 3, -1},
        {30, 0, 0, 0, 3, -1},
        {30, 0, 10, 0, 6, -1},
        // 50 ms: at 300 ms the reserve, not half of U, bounds the hard
        // limit (30 - 5 - 15 = 10); at 200 ms nothing is left above it.
        {50, 30, 10, 0, 7, 10},
        {50, 30, 0, 1, 16, 10},
        {50, 20, 10, 0, 7, 0},
        {50, 20, 0, 1, 9, 0},
        // 100 ms with an increment of a second: the share is mostly
        // increment, the hard limit what the overhead and the 300 ms
        // reserve leave of 600 ms.
        {100, 60, 100, 0, 73, 20},
    };
    for (const OverheadCase& c : cases) {
        MoveOverheadMs = c.overheadMs;
        Allocate({"", 0, c.clock, 0, c.increment, c.movesToGo, c.clock, 40, 1, 5, 0, 0, 0});
        const std::string what = std::to_string(c.overheadMs) + " ms, " +
                                 std::to_string(c.clock) + " cs + " +
                                 std::to_string(c.increment) + ", to go " +
                                 std::to_string(c.movesToGo);
        EXPECT_EQ(TimeBudgetCs, c.budget) << what;
        EXPECT_EQ(TimeHardLimitCs, c.hardLimit) << what;
    }
}

TEST_F(TimeAllocation, HardLimitLeavesOverheadAndReserveOnTheClock) {
    // Whatever the clock, the increment, the moves to go and the overhead: a
    // search that runs to its hard limit and then loses one overhead leaves
    // the reserve on the clock; where the clock has no time above them the
    // search stops at its first look at the clock.
    for (i32 overheadMs : {1, 10, 30, 100, 1000, 5000})
        for (i32 clock = 0; clock <= 3000; clock += clock < 200 ? 1 : 37)
            for (i32 increment : {0, 1, 5, 10, 100, 1000})
                for (i32 moves : {0, 1, 2, 40})
                    for (i32 outOfBook : {0, 5}) {
                        MoveOverheadMs = overheadMs;
                        Allocate({"", 0, clock, 0, increment, moves, clock, 40, 1, outOfBook,
                                  0, 0, 0});
                        const i32 overheadCs = (overheadMs + 9) / 10;
                        const i32 reserve = MoveOverheadReserve * overheadCs;
                        // -1: no time to plan with, stop at the first look.
                        EXPECT_LE(TimeHardLimitCs, std::max(clock - overheadCs - reserve, -1))
                            << overheadMs << " ms, " << clock << " cs + " << increment
                            << ", to go " << moves;
                    }
}

TEST_F(TimeAllocation, GenerousClockKeepsItsBudgetsWithinTheOverhead) {
    // 60 s + 0 and 60 s + 1 s: the default overhead changes the budget by no
    // more than itself; the hard limit, seven shares, may fall by seven.
    for (i32 increment : {0, 100})
        for (i32 moves : {0, 40})
            for (i32 outOfBook : {0, 5}) {
                const ClockCase clockCase{"", 0, 6000, 6000, increment, moves, 6000, 20, 1,
                                          outOfBook, 0, 0, 0};
                MoveOverheadMs = 0;
                Allocate(clockCase);
                const i32 budget = TimeBudgetCs, hardLimit = TimeHardLimitCs;
                MoveOverheadMs = DefaultMoveOverheadMs;
                Allocate(clockCase);
                const i32 overheadCs = (DefaultMoveOverheadMs + 9) / 10;
                EXPECT_LE(TimeBudgetCs, budget) << increment << " " << moves;
                EXPECT_GE(TimeBudgetCs, budget - overheadCs) << increment << " " << moves;
                EXPECT_LE(TimeHardLimitCs, hardLimit) << increment << " " << moves;
                EXPECT_GE(TimeHardLimitCs, hardLimit - 7 * overheadCs) << increment << " " << moves;
            }
}

TEST_F(TimeAllocation, FixedTimePerMoveIgnoresTheOverhead) {
    // "st" and "movetime" are exact: the interface asked for that time.
    MoveOverheadMs = 5000;
    Allocate({"", 500, 100, 0, 0, 0, 1000, 0, 1, 5, 0, 0, 0});
    EXPECT_EQ(TimeBudgetCs, 500);
    EXPECT_EQ(TimeHardLimitCs, 500);
}

TEST_F(TimeAllocation, OverheadIsClampedToItsRange) {
    const i32 cases[][2] = {{-2147483647 - 1, 0}, {-1, 0}, {0, 0},       {30, 30},
                            {5000, 5000},          {5001, 5000}, {2147483647, 5000}};
    for (const auto& c : cases) {
        EXPECT_EQ(SetMoveOverhead(c[0]), c[1]) << c[0];
        EXPECT_EQ(MoveOverheadMs, c[1]) << c[0];
    }
}

TEST_F(TimeAllocation, DrawScoreFallsAsTheClockGrows) {
    // Against a much fuller clock the worth of a draw falls step by step
    // with the engine's own time, and is gone at twice the reference time.
    i32 previous = DrawScoreByTime[0] + 1;
    for (i32 clock = 1; clock <= 600; clock += 7) {
        Allocate({"", 0, clock, 100000, 0, 0, 1000, 40, 0, 5, 0, 0, 0});
        EXPECT_LE(DrawScore, previous) << clock;
        previous = DrawScore;
        const i32 usable = clock * 95 / 100 - 1;
        if (usable >= 500) {
            EXPECT_EQ(DrawScore, 0) << clock;
        } else {
            EXPECT_GE(DrawScore, DrawScoreByTime[DrawScoreByTimeSize - 1]) << clock;
        }
    }
}

TEST_F(TimeAllocation, EveryLevelAndClockGivesUsableLimits) {
    // However odd the numbers, the limits stay inside their range and the
    // allocation comes back.
    const i32 clocks[] = {-2147483647 - 1, -1, 0, 1, 99, 6000, 2147483647};
    const i32 togo[] = {-2147483647 - 1, -1, 0, 1, 3, 40, 2147483647};
    const i32 increments[] = {-100, 0, 500, 2147483647};
    for (i32 clock : clocks)
        for (i32 moves : togo)
            for (i32 increment : increments)
                for (i32 uci : {0, 1}) {
                    Allocate({"", 0, clock, 6000, increment, moves, 2147483647, 4000, uci, 0,
                              0, 0, 0});
                    EXPECT_GE(TimeBudgetCs, -1);
                    EXPECT_LE(TimeBudgetCs, TimeUnlimitedCs);
                    EXPECT_GE(TimeHardLimitCs, -1);
                    EXPECT_LE(TimeHardLimitCs, TimeUnlimitedCs);
                    EXPECT_GE(DrawScore, 0);
                    EXPECT_LE(DrawScore, DrawScoreByTime[0]);
                }
}

}  // namespace
