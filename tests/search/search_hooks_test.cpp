#include "search/search_hooks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "board/modes.h"
#include "driver/search_hooks_setup.h"
#include "platform/input_reader.h"
#include "search/root_search.h"
#include "search/search_control.h"
#include "search/search_fixture.h"
#include "search/time_control.h"
#include "support/piped_stdin.h"

namespace {

using namespace search_test;

// A middlegame with play for both sides: enough nodes at depth 8 for every
// kind of thinking line, the xboard ones included (they wait for 100000).
constexpr const char* Middlegame =
    "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R2QKB1R w KQ - 0 1";

// A search without the program's hooks prints nothing and reads nothing,
// and searches exactly as with them.
class SearchHooksTest : public SearchFixture {
protected:
    PipedStdin input;

    void SetUp() override {
        SearchFixture::SetUp();
        ResetInputReader();
        SetEngineState();
    }
    void TearDown() override {
        InstallSearchHooks();
        ResetInputReader();
        SetEngineState();
        UciMode = 0;
        PostFlag = 0;
        MultiPv = 1;
        SearchFixture::TearDown();
    }
    static void SetEngineState() {
        MateLimit = 0;
        DepthLimit = 998;
        NodeLimit = 0;
        SearchMovesCount = 0;
        PonderingNow = PonderSearch = SilentSearch = 0;
        EngineTimeCs = -1;
        TimeBudgetCs = TimeUnlimitedCs;
        TimeHardLimitCs = TimeUnlimitedCs;
        TimeCheckInterval = 50000;
        SearchesOutOfBook = 0;
        SearchStartTime = ClockCs();
        board.SearchAbort = 0;
    }

    struct Outcome {
        std::string printed;
        Move best;
        u64 nodes;
    };
    // Searches the middlegame from cleared tables, 8 iterations deep.
    static Outcome SearchMiddlegame() {
        ClearSearchMemory();
        SetEngineState();
        EXPECT_EQ(ParseFen(Middlegame), 1);
        testing::internal::CaptureStdout();
        EXPECT_EQ(SearchRoot(9, 0), 0);
        return {testing::internal::GetCapturedStdout(), MoveStack[0].move, NodeCount};
    }
};

TEST_F(SearchHooksTest, WithoutHooksNothingIsPrintedAndTheSearchIsTheSame) {
    struct Case {
        const char* name;
        i32 uci, post, multiPv;
        const char* expected;  // a line the hooks print
    };
    const Case cases[] = {
        {"xboard", 0, 1, 1, "\n8 "},
        {"uci", 1, 0, 1, "info depth 8 "},
        {"uci multipv", 1, 0, 3, "info multipv 3 depth 8 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UciMode = c.uci;
        PostFlag = c.post;
        MultiPv = c.multiPv;
        InstallSearchHooks();
        const Outcome hooked = SearchMiddlegame();
        EXPECT_NE(("\n" + hooked.printed).find(c.expected), std::string::npos) << hooked.printed;

        InstalledSearchHooks = {};
        const Outcome bare = SearchMiddlegame();
        EXPECT_EQ(bare.printed, "");
        EXPECT_EQ(bare.best, hooked.best);
        EXPECT_EQ(bare.nodes, hooked.nodes);
    }
}

TEST_F(SearchHooksTest, WithoutAnInputHookWaitingInputIsLeftAndNoPonderWaitHangs) {
    const char stop[] = "stop\n";
    ASSERT_EQ(write(input.writeEnd, stop, std::strlen(stop)), ssize_t(std::strlen(stop)));
    UciMode = 0;
    PostFlag = 0;
    ASSERT_EQ(ParseFen(Middlegame), 1);
    InstalledSearchHooks = {};
    // Every node looks at the input.
    TimeCheckInterval = 1;
    EXPECT_EQ(SearchRoot(5, 0), 0);
    EXPECT_EQ(board.SearchAbort, 0);
    EXPECT_TRUE(InputAvailable());

    // A finished ponder search has nobody to wait for.
    PonderingNow = 1;
    PonderWait();
    PonderingNow = 0;
    PonderSearch = 1;
    PonderWait();
    PonderSearch = 0;

    // With the program's poll the waiting "stop" ends the search.
    InstallSearchHooks();
    SetEngineState();
    ASSERT_EQ(ParseFen(Middlegame), 1);
    TimeCheckInterval = 1;
    EXPECT_EQ(SearchRoot(5, 0), 0);
    EXPECT_EQ(board.SearchAbort, 1);
    EXPECT_FALSE(InputAvailable());
}

}  // namespace
