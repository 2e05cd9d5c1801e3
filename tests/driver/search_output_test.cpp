#include "driver/search_output.h"

#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>

#include "board/board.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "board/make_move.h"
#include "board/modes.h"
#include "board/move_text.h"
#include "search/hash_tables.h"
#include "search/root_moves.h"
#include "search/search_limits.h"
#include "search/time_control.h"
#include "search/trans_table.h"

namespace {

constexpr const char* StartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";

// The printers read the root list and the counters of a search; each test
// sets up a small search state of its own around the start position.
class SearchOutput : public ::testing::Test {
protected:
    void SetUp() override {
        InitEngineTables();
        TransEntries = 1000;
        AllocTransTable();
        ClearTransTable();
        ASSERT_EQ(ParseFen(StartFen), 1);
        startKey = board.HashKey;
        RootGamePly = GamePly;
        // Two root moves: e2e4 and d2d4.
        MoveStack[0] = {ParseMoveText("e2e4"), 0};
        MoveStack[1] = {ParseMoveText("d2d4"), 0};
        MoveStackTop = 2;
        RootMoveCount = 2;
        RootBestIndex = 0;
        RootScore[0] = 25;
        RootScore[1] = -10;
        IterationDepth = 4;
        SelDepth = 9;
        NodeCount = 123456;
        LastInfoNodes = 0;
        TablebaseHits = 3;
        TransFillCount = 500;
        TimeCheckInterval = 20000;
        NpsLineCountdown = 0;
        MateLimit = 0;
        MultiPv = 1;
        PostFlag = 1;
        PonderMove = NoMove;
        StartClockAgo(200);
    }
    void TearDown() override {
        TransEntries = DefaultTransEntries;
        AllocTransTable();
        ClearTransTable();
        MoveStackTop = 0;
        RootMoveCount = 0;
        NodeCount = 0;
        LastInfoNodes = 0;
        TablebaseHits = 0;
        TransFillCount = 0;
        TimeCheckInterval = 50000;
        MateLimit = 0;
        MultiPv = 1;
        PostFlag = 0;
        PonderMove = NoMove;
    }
    u64 startKey = 0;

    static void StartClockAgo(i64 cs) { SearchStartTime = ClockCs() - cs; }

    // Stores the table moves of a line from the current position, then
    // takes them back; the fill count the printers show stays as set.
    static void StoreLine(std::initializer_list<const char*> moves) {
        const i32 fill = TransFillCount;
        i32 made = 0;
        for (const char* text : moves) {
            const Move m = ParseMoveText(text);
            StoreHash(240, m, 0, ExactBound, 0, 0);
            MakeMove(m, 1);
            made++;
        }
        while (made-- > 0) UnmakeMove();
        TransFillCount = fill;
    }
    template <typename Print>
    static std::string Captured(Print print) {
        testing::internal::CaptureStdout();
        print();
        return testing::internal::GetCapturedStdout();
    }
};

bool Matches(const std::string& text, const std::string& pattern) {
    return std::regex_match(text, std::regex(pattern));
}

// Checks "time T ... nps N" against the node count: N = nodes x 100 / (T / 10).
void ExpectNpsAgreesWithTime(const std::string& line, u64 nodes) {
    std::smatch found;
    ASSERT_TRUE(std::regex_search(line, found, std::regex("time ([0-9]+) hashfull [0-9]+ nps ([0-9]+)")))
        << line;
    const u64 centiseconds = std::stoull(found[1]) / 10;
    ASSERT_GE(centiseconds, 200u);
    EXPECT_EQ(std::stoull(found[2]), nodes * 100 / centiseconds) << line;
}

TEST_F(SearchOutput, XboardScoreShowsMatesFrom32767) {
    const std::pair<i32, i32> cases[] = {{32695, 32762}, {-32696, -32763}, {32699, 32766},
                                         {31001, 31068}, {-31001, -31068}, {31000, 31000},
                                         {-31000, -31000}, {0, 0},          {-45, -45}};
    for (auto [score, shown] : cases) EXPECT_EQ(XboardScore(score), shown) << score;
}

TEST_F(SearchOutput, XboardThinkingLine) {
    StoreLine({"e2e4", "e7e5", "g1f3"});
    RootScore[0] = 32695;
    const std::string line = Captured([] { PrintXboardThinking(0); });
    EXPECT_TRUE(Matches(line, "5 32762 20[0-9] 123456 e2e4 e7e5 g1f3\n")) << line;
    EXPECT_EQ(PonderMove, ParseMoveText("e7e5"));
    EXPECT_EQ(board.HashKey, startKey);
    EXPECT_EQ(GamePly, RootGamePly);
}

TEST_F(SearchOutput, XboardThinkingThrottleAndPostSwitch) {
    struct Case {
        i32 post, force;
        u64 nodes;
        bool printed;
    };
    const Case cases[] = {
        {0, 1, 500000, false}, {1, 0, 1, false},      {1, 0, 100000, false},
        {1, 0, 100001, true},  {1, 0, 0, true},       {1, 1, 20000, true},
        // Counts beyond 32 bits print in full.
        {1, 0, 5000000000ull, true},
    };
    for (const Case& c : cases) {
        PostFlag = c.post;
        NodeCount = c.nodes;
        const std::string line = Captured([&] { PrintXboardThinking(c.force); });
        EXPECT_EQ(!line.empty(), c.printed) << c.nodes;
        if (c.printed) {
            EXPECT_NE(line.find(" " + std::to_string(c.nodes) + " e2e4\n"), std::string::npos)
                << line;
        }
    }
}

TEST_F(SearchOutput, UciInfoLineFormat) {
    StoreLine({"e2e4", "e7e5"});
    const std::string line = Captured([] { PrintUciInfo(1, 3, 1); });
    EXPECT_TRUE(Matches(line,
                        "info depth 5 seldepth 9 score cp 25 nodes 123456 time [0-9]+ hashfull 500 "
                        "nps [0-9]+ tbhits 3 pv e2e4 e7e5\n"))
        << line;
    ExpectNpsAgreesWithTime(line, 123456);
    EXPECT_EQ(LastInfoNodes, 123456u);
    EXPECT_EQ(NpsLineCountdown, 100000 / 20000);

    // The move being searched in place of the line.
    RootBestIndex = 1;
    const std::string current = Captured([] { PrintUciInfo(1, 3, 0); });
    EXPECT_TRUE(Matches(current, "info depth 5 seldepth 9 score cp 25 nodes 123456 time [0-9]+ "
                                 "hashfull 500 nps [0-9]+ tbhits 3 currmove d2d4 currmovenumber 2\n"))
        << current;
}

TEST_F(SearchOutput, UciScoreFormsAndBounds) {
    struct Case {
        i32 score, mateLimit, bound;
        const char* shown;
    };
    const Case cases[] = {
        {25, 0, 3, "score cp 25 nodes"},
        {-5, 0, 1, "score cp -5 upperbound nodes"},
        {40, 0, 2, "score cp 40 lowerbound nodes"},
        {32695, 0, 3, "score mate 3 nodes"},      // mate in 5 plies
        {-32696, 0, 3, "score mate -2 nodes"},    // mated in 4 plies
        {31001, 0, 3, "score mate 850 nodes"},
        {-31001, 0, 3, "score mate -850 nodes"},
        {31000, 0, 3, "score cp 31000 nodes"},
        // "go mate 2" shows only a mate in two.
        {32695, 2, 3, "score cp 0 nodes"},
        {32697, 2, 2, "score mate 2 lowerbound nodes"},
        {40, 2, 3, "score cp 0 nodes"},
    };
    for (const Case& c : cases) {
        RootScore[0] = c.score;
        MateLimit = c.mateLimit;
        const std::string line = Captured([&] { PrintUciInfo(1, c.bound, 1); });
        EXPECT_NE(line.find(c.shown), std::string::npos) << c.score << ": " << line;
    }
}

TEST_F(SearchOutput, UciInfoThrottle) {
    struct Case {
        u64 last, nodes;
        i32 force;
        bool printed;
    };
    const Case cases[] = {
        {100000, 130000, 0, false}, {100000, 130001, 0, true}, {100000, 130000, 1, true},
        // A new search after a longer one: the count is below the last line's.
        {900000, 50000, 0, true},   {900000, 0, 0, true},      {0, 30000, 0, false},
    };
    for (const Case& c : cases) {
        LastInfoNodes = c.last;
        NodeCount = c.nodes;
        const std::string line = Captured([&] { PrintUciInfo(c.force, 3, 1); });
        EXPECT_EQ(!line.empty(), c.printed) << c.last << " " << c.nodes;
        EXPECT_EQ(LastInfoNodes, c.printed ? c.nodes : c.last);
    }
}

TEST_F(SearchOutput, HashfullWithoutTable) {
    TransEntries = 0;
    const std::string line = Captured([] { PrintUciInfo(1, 3, 1); });
    EXPECT_NE(line.find(" hashfull 0 "), std::string::npos) << line;
    EXPECT_NE(line.find(" pv e2e4\n"), std::string::npos) << line;
    NodeCount = 300000;
    const std::string nps = Captured([] { PrintUciInfoNps(); });
    EXPECT_TRUE(Matches(nps, "info nps [0-9]+ nodes 300000 tbhits 3 hashfull 0\n")) << nps;
    EXPECT_EQ(HashFullPerMille(), 0);
}

TEST_F(SearchOutput, MultiPvBlock) {
    StoreLine({"e2e4", "e7e5"});
    StoreLine({"d2d4", "d7d5"});
    MultiPv = 3;  // more lines asked for than there are root moves
    RootScore[0] = 32695;
    RootBestIndex = 1;
    NodeCount = 60000;
    const std::string block = Captured([] { PrintUciMultiPvInfo(1, 1); });
    EXPECT_TRUE(Matches(block,
                        "info multipv 1 depth 5 seldepth 9 score mate 3 nodes 60000 time [0-9]+ "
                        "hashfull 500 nps [0-9]+ tbhits 3 currmove d2d4 currmovenumber 2 pv e2e4 e7e5\n"
                        "info multipv 2 depth 5 seldepth 9 score cp -10 upperbound nodes 60000 "
                        "time [0-9]+ hashfull 500 nps [0-9]+ tbhits 3 currmove d2d4 currmovenumber 2 "
                        "pv d2d4 d7d5\n"))
        << block;
    EXPECT_EQ(NpsLineCountdown, 5);

    // Held back below 50001 nodes; one line when only one is asked for.
    NodeCount = 50000;
    EXPECT_EQ(Captured([] { PrintUciMultiPvInfo(0, 3); }), "");
    NodeCount = 50001;
    MultiPv = 1;
    const std::string one = Captured([] { PrintUciMultiPvInfo(0, 2); });
    EXPECT_TRUE(Matches(one, "info multipv 1 [^\n]* score mate 3 lowerbound nodes 50001 [^\n]*\n"))
        << one;

    // The block that ends a search: every line at any node count, no bound
    // mark; with the list done, its last move stands as the current one.
    NodeCount = 20000;
    MultiPv = 3;
    RootBestIndex = 2;
    MoveStack[2] = {NoMove, 0};
    const std::string final = Captured([] { PrintFinalUciMultiPvInfo(); });
    EXPECT_TRUE(Matches(final,
                        "info multipv 1 depth 5 seldepth 9 score mate 3 nodes 20000 [^\n]* "
                        "currmove d2d4 currmovenumber 2 pv e2e4 e7e5\n"
                        "info multipv 2 depth 5 seldepth 9 score cp -10 nodes 20000 [^\n]* "
                        "currmove d2d4 currmovenumber 2 pv d2d4 d7d5\n"))
        << final;
}

TEST_F(SearchOutput, NpsLine) {
    struct Case {
        u64 nodes;
        bool printed;
    };
    const Case cases[] = {{1, false}, {150000, false}, {200000, false},
                          {200001, true}, {0, true}, {5000000000ull, true}};
    for (const Case& c : cases) {
        NodeCount = c.nodes;
        NpsLineCountdown = -1;
        const std::string line = Captured([] { PrintUciInfoNps(); });
        EXPECT_EQ(!line.empty(), c.printed) << c.nodes;
        EXPECT_EQ(NpsLineCountdown, 5);
        if (c.printed) {
            EXPECT_TRUE(Matches(line, "info nps [0-9]+ nodes " + std::to_string(c.nodes) +
                                          " tbhits 3 hashfull 500\n"))
                << line;
        }
    }
}

TEST_F(SearchOutput, PrincipalVariationWalk) {
    // A line stored round a cycle stops after 20 moves.
    StoreLine({"g1f3", "g8f6", "f3g1", "f6g8"});
    MoveStack[0] = {ParseMoveText("g1f3"), 0};
    const std::string cycle = Captured([] { PrintPvFromHash(0); });
    EXPECT_EQ(cycle, " g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 "
                     "f6g8 g1f3 g8f6 f3g1 f6g8");
    EXPECT_EQ(PonderMove, ParseMoveText("g8f6"));
    EXPECT_EQ(GamePly, RootGamePly);
    EXPECT_EQ(board.HashKey, startKey);

    // A table move that does not fit the position reached ends the walk
    // before it is made.
    ClearTransTable();
    MoveStack[0] = {ParseMoveText("e2e4"), 0};
    MakeMove(MoveStack[0].move, 1);
    StoreHash(240, MakeMoveWord(E2, E4, PAWN), 0, ExactBound, 0, 0);
    UnmakeMove();
    PonderMove = NoMove;
    EXPECT_EQ(Captured([] { PrintPvFromHash(0); }), " e2e4");
    EXPECT_EQ(PonderMove, NoMove);
    EXPECT_EQ(board.HashKey, startKey);

    // With a root move still made (a re-search reports between its steps),
    // every line is walked from the root: line 1 shows d2d4's own line, not
    // the table's line below e2e4; the board is left with e2e4 made.
    ClearTransTable();
    StoreLine({"d2d4", "d7d5", "c2c4"});
    MakeMove(ParseMoveText("e2e4"), 1);
    StoreLine({"e7e5", "g1f3"});
    const u64 afterE4 = board.HashKey;
    PonderMove = NoMove;
    EXPECT_EQ(Captured([] { PrintPvFromHash(1); }), " d2d4 d7d5 c2c4");
    EXPECT_EQ(PonderMove, NoMove);  // only the best line names the reply
    EXPECT_EQ(Captured([] { PrintPvFromHash(0); }), " e2e4 e7e5 g1f3");
    EXPECT_EQ(PonderMove, ParseMoveText("e7e5"));
    EXPECT_EQ(GamePly, RootGamePly + 1);
    EXPECT_EQ(board.HashKey, afterE4);
    UnmakeMove();
    EXPECT_EQ(board.HashKey, startKey);
}

}  // namespace
