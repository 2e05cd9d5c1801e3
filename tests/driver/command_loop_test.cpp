#include "driver/command_loop.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "board/init_tables.h"
#include "board/modes.h"
#include "platform/input_reader.h"
#include "search/search_limits.h"

namespace {

// The settings the console words below change, at known values.
void ResetSettings() {
    DepthLimit = 998;
    MoveTimeCs = 0;
    EngineTimeCs = -1;
    OpponentTimeCs = 0;
    LevelTimeCs = 1000;
    MovesToGo = 0;
    EngineIncrementCs = 0;
    TuneC1 = 1, TuneC2 = 0, TuneC3 = 0;
    TuneM1 = 81, TuneM2 = 323, TuneM3 = 484;
    PostFlag = 0;
    ForceMode = 0;
}

void Execute(const char* line) {
    std::strncpy(InputLine, line, InputLineSize - 1);
    ExecuteCommand();
}

struct Settings {
    i32 depth, moveTime, engineTime, opponentTime, levelTime, movesToGo, increment;
    i32 c1, c2, c3, m1, m2, m3;
    i32 post, force;
};

Settings Current() {
    return {DepthLimit, MoveTimeCs, EngineTimeCs, OpponentTimeCs, LevelTimeCs, MovesToGo,
            EngineIncrementCs, TuneC1, TuneC2, TuneC3, TuneM1, TuneM2, TuneM3, PostFlag, ForceMode};
}

bool operator==(const Settings& a, const Settings& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(CommandLoop, SettingWordsReadTheirNumbersWithoutOverflow) {
    // The keyword test reads the case-fold table.
    InitEngineTables();
    ResetSettings();
    const Settings start = Current();
    struct Case {
        const char* line;
        void (*expect)(Settings&);
    };
    const Case cases[] = {
        {"sd 7", [](Settings& s) { s.depth = 7; }},
        // A trailing blank makes an empty argument, which reads as 0.
        {"sd ", [](Settings& s) { s.depth = 0; }},
        {"sd x", [](Settings& s) { s.depth = 0; }},
        {"sd", [](Settings&) {}},
        {"st 5", [](Settings& s) { s.moveTime = 500; }},
        // "stop" with no argument matches "st" and changes nothing; with one
        // it sets the time per move.
        {"stop", [](Settings&) {}},
        {"stop 5", [](Settings& s) { s.moveTime = 500; }},
        {"st 99999999999999999999", [](Settings& s) { s.moveTime = INT32_MAX; }},
        {"st -30000000", [](Settings& s) { s.moveTime = INT32_MIN; }},
        {"st 12abc", [](Settings& s) { s.moveTime = 1200; }},
        {"time 30000", [](Settings& s) { s.engineTime = 30000; }},
        {"time 4294967296", [](Settings& s) { s.engineTime = INT32_MAX; }},
        {"otim 12345", [](Settings& s) { s.opponentTime = 12345; }},
        {"level 40 5 0", [](Settings& s) { s.movesToGo = 40, s.levelTime = 30000, s.increment = 0; }},
        {"level 0 2:30 5", [](Settings& s) { s.movesToGo = 0, s.levelTime = 15000, s.increment = 500; }},
        {"level 0 1 12", [](Settings& s) { s.levelTime = 6000, s.increment = 1200; }},
        {"level 30", [](Settings& s) { s.movesToGo = 30; }},
        {"level 30 3", [](Settings& s) { s.movesToGo = 30, s.levelTime = 18000; }},
        {"level 1 99999999999 0", [](Settings& s) { s.movesToGo = 1, s.levelTime = INT32_MAX; }},
        {"level -1 5 0", [](Settings& s) { s.movesToGo = -1, s.levelTime = 30000; }},
        {"c1 5", [](Settings& s) { s.c1 = 5; }},
        {"c2 6", [](Settings& s) { s.c2 = 6; }},
        {"c3 7", [](Settings& s) { s.c3 = 7; }},
        {"m1 100", [](Settings& s) { s.m1 = 100; }},
        {"m2 200", [](Settings& s) { s.m2 = 200; }},
        {"m3 300", [](Settings& s) { s.m3 = 300; }},
        {"post", [](Settings& s) { s.post = 1; }},
        {"nopost", [](Settings&) {}},
        {"force", [](Settings& s) { s.force = 1; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ResetSettings();
        Execute(c.line);
        Settings expected = start;
        c.expect(expected);
        const Settings now = Current();
        EXPECT_TRUE(now == expected);
        EXPECT_EQ(now.depth, expected.depth);
        EXPECT_EQ(now.moveTime, expected.moveTime);
        EXPECT_EQ(now.engineTime, expected.engineTime);
        EXPECT_EQ(now.levelTime, expected.levelTime);
        EXPECT_EQ(now.movesToGo, expected.movesToGo);
        EXPECT_EQ(now.increment, expected.increment);
    }
    ResetSettings();
}

}  // namespace
