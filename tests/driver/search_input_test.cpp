#include "driver/search_input.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "board/board.h"
#include "board/init_tables.h"
#include "board/legal_moves.h"
#include "board/modes.h"
#include "board/move_text.h"
#include "driver/new_game.h"
#include "platform/input_reader.h"
#include "search/root_search.h"
#include "search/search_limits.h"
#include "support/piped_stdin.h"

namespace {

// Every flag and limit the poller reads or writes, back to an idle engine
// searching untimed to depth 8 (a search with a limit of its own).
void ResetSearchState() {
    ResetInputReader();
    board.SearchAbort = 0;
    PonderingNow = PonderInterrupted = 0;
    UciMode = 0;
    PendingMove = NoMove;
    NewGameRequested = UndoRequested = ExitRequested = 0;
    PonderSearch = SilentSearch = 0;
    AnalysisRunning = AwaitingStop = PonderStopped = 0;
    ExpectedReply = NoMove;
    PonderReplyEnd = PonderReplyStart;
    ForceMode = 0;
    PostFlag = 1;
    PonderEnabled = 0;
    PonderingAllowed = 1;
    EngineTimeCs = -1;
    OpponentTimeCs = 0;
    MoveTimeCs = 0;
    NodeLimit = 0;
    SearchDepthLimit = 8;
}

class SearchInput : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitEngineTables(); }
    void SetUp() override {
        NewGame();
        ResetSearchState();
        // The legal moves of the start position stand as the replies a typed
        // move is looked up in.
        MoveStackTop = 0;
        GenerateLegalMoves(PonderReplyStart);
        PonderReplyEnd = MoveStackTop;
        MoveStackTop = 0;
    }
    void TearDown() override { ResetSearchState(); }
};

void Send(PipedStdin& input, const char* text) {
    ASSERT_EQ(write(input.writeEnd, text, std::strlen(text)), ssize_t(std::strlen(text)));
}

// Sends the text and polls once, the expected reply being e2e4; returns
// what the poll printed.
std::string Poll(PipedStdin& input, const char* text) {
    ExpectedReply = ParseMoveText("e2e4");
    Send(input, text);
    testing::internal::CaptureStdout();
    PollInputDuringSearch();
    return testing::internal::GetCapturedStdout();
}

// What one poll leaves behind.
struct PollResult {
    i32 abort, ponderingNow, ponderInterrupted, ponderSearch, ponderStopped;
    std::string pendingMove;
    i32 newGame, undo, exit, force, post, ponderEnabled, engineTime, opponentTime;
};

struct PollCase {
    const char* input;
    i32 pondering;     // PonderingNow before the poll, expected reply e2e4
    i32 ponderSearch;  // PonderSearch before the poll
    PollResult expected;
    const char* printed;  // start of the output, "" for none
};

// The columns: abort, pondering, ponder interrupted, ponder search, ponder
// stopped, pending move, new, undo, exit, force, post, ponder enabled,
// engine clock, opponent clock.
const PollCase PollCases[] = {
    {"isready\n", 0, 0, {0, 0, 0, 0, 0, "0000", 0, 0, 0, 0, 1, 0, -1, 0}, "readyok\n"},
    {"isready\nisready\n", 0, 0, {0, 0, 0, 0, 0, "0000", 0, 0, 0, 0, 1, 0, -1, 0},
     "readyok\nreadyok\n"},
    {"stop\n", 0, 1, {1, 0, 0, 0, 1, "0000", 0, 0, 0, 0, 1, 0, -1, 0}, ""},
    {"stop\n", 0, 0, {1, 0, 0, 0, 0, "0000", 0, 0, 0, 0, 1, 0, -1, 0}, ""},
    {"?\n", 1, 0, {1, 1, 1, 0, 0, "0000", 0, 0, 0, 0, 1, 0, -1, 0}, ""},
    {"ponderhit\n", 0, 1, {0, 0, 0, 0, 0, "0000", 0, 0, 0, 0, 1, 0, -1, 0}, ""},
    {"ponderhit\nisready\n", 0, 1, {0, 0, 0, 0, 0, "0000", 0, 0, 0, 0, 1, 0, -1, 0}, "readyok\n"},
    // Outside analysis "undo" is the command loop's (see below).
    {"undo\n", 0, 0, {1, 0, 0, 0, 0, "0000", 0, 0, 0, 0, 1, 0, -1, 0}, ""},
    {"exit\n", 0, 0, {1, 0, 0, 0, 0, "0000", 0, 0, 1, 0, 1, 0, -1, 0}, ""},
    {"new\n", 1, 0, {1, 1, 1, 0, 0, "0000", 1, 0, 0, 0, 1, 0, -1, 0}, ""},
    {"result 1-0 {White mates}\n", 1, 0, {1, 1, 1, 0, 0, "0000", 0, 0, 0, 0, 1, 0, -1, 0}, ""},
    {"nopost\n", 0, 0, {1, 0, 0, 0, 0, "0000", 0, 0, 0, 0, 0, 0, -1, 0}, ""},
    {"post\n", 1, 0, {1, 1, 1, 0, 0, "0000", 0, 0, 0, 0, 1, 0, -1, 0}, ""},
    {"force\n", 0, 0, {1, 0, 0, 0, 0, "0000", 0, 0, 0, 1, 1, 0, -1, 0}, ""},
    {"hard\n", 0, 0, {1, 0, 0, 0, 0, "0000", 0, 0, 0, 0, 1, 1, -1, 0}, ""},
    {"easy\n", 1, 0, {1, 1, 1, 0, 0, "0000", 0, 0, 0, 0, 1, 0, -1, 0}, ""},
    // A new clock during the engine's own search makes it move; while
    // pondering it is only noted.
    {"time 3000\n", 0, 0, {1, 0, 0, 0, 0, "0000", 0, 0, 0, 0, 1, 0, 3000, 0}, ""},
    {"time 3000\notim 2500\n", 1, 0, {0, 1, 0, 0, 0, "0000", 0, 0, 0, 0, 1, 0, 3000, 2500}, ""},
    {"otim 2500\n", 0, 0, {0, 0, 0, 0, 0, "0000", 0, 0, 0, 0, 1, 0, -1, 2500}, ""},
    // Words without their number change nothing.
    {"time\notim \n", 0, 0, {0, 0, 0, 0, 0, "0000", 0, 0, 0, 0, 1, 0, -1, 0}, ""},
    // A move while searching for the engine's own move: it plays now.
    {"e2e4\n", 0, 0, {1, 0, 0, 0, 0, "e2e4", 0, 0, 0, 0, 1, 0, -1, 0}, ""},
    // The expected reply: a ponder hit, the search goes on as the real one.
    {"e2e4\n", 1, 0, {0, 0, 0, 0, 0, "e2e4", 0, 0, 0, 0, 1, 0, -1, 0}, ""},
    // Another reply ends the ponder search; the driver plays it.
    {"g1f3\n", 1, 0, {1, 1, 1, 0, 0, "g1f3", 0, 0, 0, 0, 1, 0, -1, 0}, ""},
    {"e2e5\n", 1, 0, {1, 1, 1, 0, 0, "0000", 0, 0, 0, 0, 1, 0, -1, 0}, "Illegal move: e2e5\n"},
    // Upper-case letters are a move too; other lines are held (see below).
    {"G1F3\n", 1, 0, {1, 1, 1, 0, 0, "g1f3", 0, 0, 0, 0, 1, 0, -1, 0}, ""},
    {"xyz\nposition startpos\ngo depth 3\n", 0, 0,
     {1, 0, 0, 0, 0, "0000", 0, 0, 0, 0, 1, 0, -1, 0}, ""},
    {".\n", 0, 0, {0, 0, 0, 0, 0, "0000", 0, 0, 0, 0, 1, 0, -1, 0}, "stat01: "},
};

TEST_F(SearchInput, EachLineSetsItsFlags) {
    for (const PollCase& test : PollCases) {
        SetUp();
        PonderingNow = test.pondering;
        PonderSearch = test.ponderSearch;
        PipedStdin input;
        const std::string printed = Poll(input, test.input);

        const PollResult& e = test.expected;
        const std::string line = test.input;
        EXPECT_EQ(board.SearchAbort, e.abort) << line;
        EXPECT_EQ(PonderingNow, e.ponderingNow) << line;
        EXPECT_EQ(PonderInterrupted, e.ponderInterrupted) << line;
        EXPECT_EQ(PonderSearch, e.ponderSearch) << line;
        EXPECT_EQ(PonderStopped, e.ponderStopped) << line;
        EXPECT_STREQ(MoveToText(PendingMove), e.pendingMove.c_str()) << line;
        EXPECT_EQ(NewGameRequested, e.newGame) << line;
        EXPECT_EQ(UndoRequested, e.undo) << line;
        EXPECT_EQ(ExitRequested, e.exit) << line;
        EXPECT_EQ(ForceMode, e.force) << line;
        EXPECT_EQ(PostFlag, e.post) << line;
        EXPECT_EQ(PonderEnabled, e.ponderEnabled) << line;
        EXPECT_EQ(EngineTimeCs, e.engineTime) << line;
        EXPECT_EQ(OpponentTimeCs, e.opponentTime) << line;
        EXPECT_EQ(printed.rfind(test.printed, 0), 0u) << line << " printed " << printed;
    }
}

// Lines the poller does not act on are held for the command loop, in
// order. Outside UCI the first of them ends the search (and pondering) and
// the rest stays unread behind it; in UCI the search goes on.
TEST_F(SearchInput, OtherLinesAreHeldForTheCommandLoop) {
    struct HoldCase {
        const char* input;
        i32 uci, analysis, pondering;
        const char* held;  // the held lines, each with its line feed
        i32 abort, ponderInterrupted, undo;
        const char* unread;  // the first line still waiting on the input
    };
    const HoldCase cases[] = {
        {"xyz\nposition startpos\nisready\ngo depth 3\n", 1, 0, 0,
         "xyz\nposition startpos\ngo depth 3\n", 0, 0, 0, ""},
        {"xyz\nposition startpos\nisready\ngo depth 3\n", 0, 0, 0, "xyz\n", 1, 0, 0,
         "position startpos"},
        {"remove\nforce\n", 0, 0, 1, "remove\n", 1, 1, 0, "force"},
        {"edit\n#\nKe1\n", 0, 0, 1, "edit\n", 1, 1, 0, "#"},
        {"undo\n", 0, 0, 1, "undo\n", 1, 1, 0, ""},
        {"undo\n", 1, 0, 0, "undo\n", 0, 0, 0, ""},
        // Analysis takes the move back itself.
        {"undo\nbrd\n", 0, 1, 0, "", 1, 0, 1, "brd"},
        {"brd\nundo\n", 0, 1, 0, "brd\n", 1, 0, 0, "undo"},
    };
    for (const HoldCase& test : cases) {
        SetUp();
        UciMode = test.uci;
        AnalysisRunning = test.analysis;
        PonderingNow = test.pondering;
        PipedStdin input;
        Poll(input, test.input);
        const std::string name = std::string(test.input) + (test.uci ? " (UCI)" : "");
        EXPECT_EQ(board.SearchAbort, test.abort) << name;
        EXPECT_EQ(PonderInterrupted, test.ponderInterrupted) << name;
        EXPECT_EQ(PendingMove, NoMove) << name;
        EXPECT_EQ(UndoRequested, test.undo) << name;
        std::string held;
        char line[InputLineSize];
        for (i32 count = HeldLineCount(); count > 0; count--) {
            ASSERT_EQ(ReadInputLine(0, line), 1);
            held += std::string(line) + "\n";
        }
        EXPECT_EQ(held, test.held) << name;
        EXPECT_EQ(PollInputLine(line), *test.unread ? 1 : 0) << name;
        EXPECT_STREQ(line, test.unread) << name;
        UciMode = 0;
    }
}

TEST_F(SearchInput, ALineWithoutRoomAmongTheHeldIsReported) {
    UciMode = 1;
    for (i32 i = 0; i < MaxHeldLines; i++) ASSERT_TRUE(HoldInputLine("debug off"));
    PipedStdin input;
    Send(input, "setoption name Hash value 8\nisready\n");
    testing::internal::CaptureStdout();
    PollInputDuringSearch();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Too many commands during the search, ignored: setoption name Hash value 8\n"
              "readyok\n");
    EXPECT_EQ(HeldLineCount(), MaxHeldLines);
    EXPECT_EQ(board.SearchAbort, 0);
    UciMode = 0;
}

TEST_F(SearchInput, AMoveGetsTheFullWordOfTheStoredReply) {
    PipedStdin input;
    Send(input, "b1c3\n");
    PollInputDuringSearch();
    EXPECT_EQ(PendingMove, MakeMoveWord(B1, C3, KNIGHT));
    EXPECT_EQ(FindPonderReply(), PendingMove);
    PonderReplyEnd = PonderReplyStart;
    EXPECT_EQ(FindPonderReply(), NoMove);
}

TEST_F(SearchInput, ALineThatEndsTheSearchLeavesTheRestWaiting) {
    PipedStdin input;
    Send(input, "stop\nisready\n");
    testing::internal::CaptureStdout();
    PollInputDuringSearch();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(InputAvailable());
    char line[InputLineSize];
    EXPECT_EQ(ReadInputLine(1, line), 1);
    EXPECT_STREQ(line, "isready");
}

// How the search runs when its input ends.
struct EndCase {
    const char* name;
    i32 depthLimit, engineTime, moveTime;
    u64 nodeLimit;
    i32 ponderingNow, ponderSearch, awaitingStop, analysis;
    i32 abort, exitRequested;
};

const EndCase EndCases[] = {
    // A limit of its own: the search finishes and prints its move.
    {"depth 6", 6, -1, 0, 0, 0, 0, 0, 0, 0, 0},
    {"depth 98", 98, -1, 0, 0, 0, 0, 0, 0, 0, 0},
    {"nodes", 998, -1, 0, 5000, 0, 0, 0, 0, 0, 0},
    {"clock", TimedSearchDepth, 6000, 0, 0, 0, 0, 0, 0, 0, 0},
    {"movetime", TimedSearchDepth, InfiniteClockCs, 100, 0, 0, 0, 0, 0, 0, 0},
    // Only input can end these: the end of input is "stop".
    {"untimed", 998, -1, 0, 0, 0, 0, 0, 0, 1, 0},
    {"depth 99", 99, -1, 0, 0, 0, 0, 0, 0, 1, 0},
    {"infinite", TimedSearchDepth, InfiniteClockCs, 0, 0, 0, 0, 0, 0, 1, 0},
    {"go ponder", TimedSearchDepth, 6000, 0, 0, 0, 1, 0, 0, 1, 0},
    {"xboard pondering", TimedSearchDepth, 6000, 0, 0, 1, 0, 0, 0, 1, 0},
    {"held", 6, -1, 0, 0, 0, 0, 1, 0, 1, 0},
    // In analysis it is "exit".
    {"analysis", 100, -1, 0, 0, 0, 0, 0, 1, 1, 1},
};

TEST_F(SearchInput, EndOfInputStopsOnlyASearchThatWaitsForInput) {
    for (const EndCase& test : EndCases) {
        SetUp();
        SearchDepthLimit = test.depthLimit;
        EngineTimeCs = test.engineTime;
        MoveTimeCs = test.moveTime;
        NodeLimit = test.nodeLimit;
        PonderingNow = test.ponderingNow;
        PonderSearch = test.ponderSearch;
        AwaitingStop = test.awaitingStop;
        AnalysisRunning = test.analysis;
        PipedStdin input;
        Send(input, "isready\n");
        input.CloseWriteEnd();
        testing::internal::CaptureStdout();
        PollInputDuringSearch();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "readyok\n") << test.name;
        EXPECT_TRUE(InputEnded()) << test.name;
        EXPECT_EQ(board.SearchAbort, test.abort) << test.name;
        EXPECT_EQ(ExitRequested, test.exitRequested) << test.name;
        if (test.abort) {
            EXPECT_EQ(PonderSearch, 0) << test.name;
            EXPECT_EQ(AwaitingStop, 0) << test.name;
            EXPECT_EQ(PonderInterrupted, test.ponderingNow) << test.name;
        }
    }
}

TEST_F(SearchInput, TheWaitBlocksUntilALineComesAndEndsAtTheEndOfInput) {
    PonderSearch = 1;
    {
        PipedStdin input;
        std::thread sender([&input] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            Send(input, "ponderhit\n");
        });
        while (PonderSearch) WaitForInputDuringSearch();
        sender.join();
        EXPECT_EQ(board.SearchAbort, 0);
    }
    ResetInputReader();
    PonderSearch = 1;
    PipedStdin input;
    input.CloseWriteEnd();
    for (i32 i = 0; i < 3 && !board.SearchAbort; i++) WaitForInputDuringSearch();
    EXPECT_EQ(board.SearchAbort, 1);
    EXPECT_EQ(PonderSearch, 0);
}

TEST_F(SearchInput, QuitEndsTheProgramAtOnce) {
    EXPECT_EXIT(
        {
            PipedStdin input;
            Send(input, "quit\n");
            PollInputDuringSearch();
            std::exit(3);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
