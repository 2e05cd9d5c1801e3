#include "search/root_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "board/modes.h"
#include "driver/search_input.h"
#include "search/search_fixture.h"
#include "search/time_control.h"
#include "support/piped_stdin.h"

namespace {

using namespace search_test;

Move M(const char* text) { return ParseMoveText(text); }

class RootSearch : public SearchFixture {
protected:
    // The search looks at standard input; an open, silent pipe stands in for
    // an interface that sends nothing.
    PipedStdin input;

    void SetUp() override {
        SearchFixture::SetUp();
        SetDriverState();
    }
    void TearDown() override {
        SetDriverState();
        SearchFixture::TearDown();
    }
    static void SetDriverState() {
        UciMode = 0;
        PostFlag = 0;
        MultiPv = 1;
        MateLimit = 0;
        DepthLimit = 998;
        NodeLimit = 0;
        SearchMovesCount = 0;
        PonderingNow = 0;
        PonderSearch = 0;
        EngineTimeCs = -1;
        TimeBudgetCs = TimeUnlimitedCs;
        TimeHardLimitCs = TimeUnlimitedCs;
        TimeCheckInterval = 50000;
        LastSearchScore = 0;
        LastSearchSide = WHITE;
        SearchesOutOfBook = 0;
        SearchStartTime = ClockCs();
        board.SearchAbort = 0;
    }
    // Sets the position and searches it, depth-limited, without the book.
    static i32 Run(const char* fen, i32 depthLimit) {
        EXPECT_EQ(ParseFen(fen), 1) << fen;
        return SearchRoot(depthLimit, 0);
    }
    static std::vector<Move> RootMoves() {
        std::vector<Move> moves;
        for (i32 i = 0; i < RootMoveCount; i++) moves.push_back(MoveStack[i].move);
        return moves;
    }
    static std::vector<Move> SortedLegalMoves() {
        MoveStackTop = 0;
        GenerateLegalMoves(0);
        std::vector<Move> moves;
        for (i32 i = 0; i < MoveStackTop; i++) moves.push_back(MoveStack[i].move);
        MoveStackTop = 0;
        std::sort(moves.begin(), moves.end());
        return moves;
    }
};

TEST_F(RootSearch, PublishedMatesAreFoundAndStopTheDeepening) {
    struct Case {
        const char* name;
        const char* fen;
        const char* move;
        i32 score;
        i32 lastIteration;  // the first d with |score| > 32701 - d
    };
    const Case cases[] = {
        {"back-rank mate in one", "6k1/5ppp/8/8/8/8/8/R5K1 w - -", "a1a8", 32699, 3},
        {"the same for black", "r5k1/8/8/8/8/8/5PPP/6K1 b - -", "a8a1", 32699, 3},
        // Morphy: 1.Ra6! bxa6 2.b7#.
        {"mate in two", "kbK5/pp6/1P6/8/8/8/8/R7 w - -", "a1a6", 32697, 5},
        // Reti-Tartakower, Vienna 1910: 9.Qd8+! Kxd8 10.Bg5++ Kc7 11.Bd8#.
        {"mate in three", "rnb1kb1r/pp3ppp/2p5/4q3/4n3/3Q4/PPPB1PPP/2KR1BNR w kq -", "d3d8", 32695,
         7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearSearchMemory();
        ASSERT_EQ(ParseFen(c.fen), 1);
        const Board before = board;
        const i32 plyBefore = GamePly;
        EXPECT_EQ(SearchRoot(40, 0), 0);
        EXPECT_TRUE(SamePosition(before));
        EXPECT_EQ(GamePly, plyBefore);
        EXPECT_EQ(MoveStack[0].move, M(c.move)) << MoveToText(MoveStack[0].move);
        EXPECT_EQ(RootScore[0], c.score);
        EXPECT_EQ(IterationDepth, c.lastIteration);
        EXPECT_EQ(board.SearchAbort, 0);
    }
}

TEST_F(RootSearch, StalemateTrapAvoidedAndPerpetualCheckTakenWhenLosing) {
    // Qxa2 wins the rook but leaves the black king without a move.
    EXPECT_EQ(Run("7k/8/6K1/3Q4/8/8/r7/8 w - -", 10), 0);
    EXPECT_NE(MoveStack[0].move, M("d5a2"));
    EXPECT_GT(RootScore[0], MateBound);

    // Four rooks against a queen: black saves the game with checks on f2,
    // e1 and their neighbours, and the repetition scores as a draw.
    EXPECT_EQ(Run("6k1/RR3ppp/2RR4/8/3q4/6PP/7K/8 b - -", 10), 0);
    EXPECT_EQ(RootScore[0], 0);
    MakeMove(MoveStack[0].move, 1);
    EXPECT_TRUE(SideToMoveIsInCheck()) << "a checking move, not " << MoveToText(MoveStack[0].move);
    UnmakeMove();
}

TEST_F(RootSearch, RepetitionInTheGameRecordIsTakenWhenLosing) {
    // A knight against a queen. The knight went out and came back while the
    // queen did the same, so Nf6 now brings back a position of the game,
    // which the search scores as the draw it is.
    ASSERT_EQ(ParseFen("4k1n1/8/8/8/8/8/8/3QK3 b - -"), 1);
    for (const char* text : {"g8f6", "d1d2", "f6g8", "d2d1"}) {
        ASSERT_EQ(IsLegalMove(M(text)), 1) << text;
        MakeMove(M(text), 1);
    }
    EXPECT_EQ(SearchRoot(8, 0), 0);
    EXPECT_EQ(MoveStack[0].move, M("g8f6")) << MoveToText(MoveStack[0].move);
    EXPECT_EQ(RootScore[0], 0);

    // Without that game record the knight move is just a move of a lost side.
    EXPECT_EQ(Run("4k1n1/8/8/8/8/8/8/3QK3 b - -", 8), 0);
    EXPECT_LT(RootScore[0], -300);
}

TEST_F(RootSearch, DepthLimitOneSearchesOnePlyAndASingleMoveBriefly) {
    // depthLimit 1 (and below): one iteration of a single ply, reported as
    // depth 1. The queen hangs to the pawn: no ply-one search plays on
    // without taking it.
    for (i32 depthLimit : {1, 0}) {
        EXPECT_EQ(Run("4k3/8/8/8/8/2q5/3P4/R3K3 w - -", depthLimit), 0);
        EXPECT_GT(NodeCount, 0u);
        EXPECT_EQ(IterationDepth, 0);
        EXPECT_EQ(MoveStack[0].move, M("d2c3")) << MoveToText(MoveStack[0].move);
        EXPECT_GT(RootScore[0], 0);
    }

    // One legal move (h4h3), depth limits and all: played at once after a
    // short search that gives it its score, the lost game's.
    for (i32 depthLimit : {30, 1}) {
        const i32 searchesBefore = SearchesOutOfBook;
        EXPECT_EQ(Run("k7/8/1Q6/8/7p/8/8/7K b - -", depthLimit), 0);
        EXPECT_EQ(MoveStack[0].move, M("h4h3"));
        EXPECT_EQ(RootMoveCount, 1);
        EXPECT_GT(NodeCount, 0u);
        EXPECT_LE(IterationDepth, ForcedMoveDepthLimit - 1);
        EXPECT_LT(RootScore[0], -300);
        EXPECT_EQ(SearchesOutOfBook, searchesBefore + 1);
    }
}

TEST_F(RootSearch, SearchMovesRestrictTheRootUnlessNoneIsLegal) {
    const char* start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";
    // "searchmoves" with exactly one move: that move is searched normally.
    ASSERT_EQ(ParseFen(start), 1);
    SearchMoves[0] = M("e2e4");
    SearchMovesCount = 1;
    EXPECT_EQ(SearchRoot(5, 0), 0);
    EXPECT_EQ(RootMoveCount, 1);
    EXPECT_EQ(MoveStack[0].move, M("e2e4"));
    EXPECT_GT(NodeCount, 0u);

    // A list without a legal move restricts nothing.
    SearchMoves[0] = MakeMoveWord(E2, E5, PAWN);
    SearchMoves[1] = MakeMoveWord(G1, G3, KNIGHT);
    SearchMovesCount = 2;
    EXPECT_EQ(Run(start, 4), 0);
    EXPECT_EQ(RootMoveCount, 20);
    std::vector<Move> root = RootMoves();
    std::sort(root.begin(), root.end());
    EXPECT_EQ(root, SortedLegalMoves());
}

TEST_F(RootSearch, FinishedGameReturnsOneAndIsAnnouncedOutsideUci) {
    struct Case {
        const char* fen;
        i32 uci;
        const char* printed;
    };
    const Case cases[] = {
        {"R5k1/5ppp/8/8/8/8/8/6K1 b - -", 0, "1-0 {White mates}\n"},
        {"R5k1/5ppp/8/8/8/8/8/6K1 b - -", 1, ""},
        {"k7/2Q5/1K6/8/8/8/8/8 b - -", 0, "1/2-1/2 {Stalemate}\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fen);
        UciMode = c.uci;
        const i32 searchesBefore = SearchesOutOfBook;
        ASSERT_EQ(ParseFen(c.fen), 1);
        testing::internal::CaptureStdout();
        const i32 result = SearchRoot(10, 1);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed);
        EXPECT_EQ(result, 1);
        EXPECT_EQ(SearchesOutOfBook, searchesBefore);
    }
}

TEST_F(RootSearch, MateWindowClampsAndEmptyWindowsSearchNothing) {
    ASSERT_EQ(ParseFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -"), 1);
    EngineSide = WHITE;
    SetLazyEvalWindow(1);
    SearchPly = 1;
    NodeCount = 0;
    EXPECT_EQ(SearchWithMateBounds(40000, 50000, 120), 32701);
    EXPECT_EQ(SearchWithMateBounds(-50000, -40000, 120), -32701);
    // A mate in 2 search sees only the scores 4 - 32700 and 4 - 32699.
    MateLimit = 2;
    EXPECT_EQ(SearchWithMateBounds(0, 10, 120), -32695);
    EXPECT_EQ(SearchWithMateBounds(-32700, -32698, 120), -32696);
    EXPECT_EQ(NodeCount, 0u);
    MateLimit = 0;
    // A real window searches.
    EXPECT_GT(SearchWithMateBounds(-100, 100, 120), -100);
    EXPECT_GT(NodeCount, 0u);
    SearchPly = 0;
}

TEST_F(RootSearch, RootReorderingMovesEveryParallelValue) {
    // Six fake entries with distinct values in every array.
    const u64 nodes[6] = {50, 10, 30, 30, 70, 5};
    MoveStackTop = 6;
    for (i32 i = 0; i < 6; i++) {
        MoveStack[i] = {Move(100 + i), 1000 + i};
        RootScore[i] = -i;
        RootNodes[i] = nodes[i];
        RootFlags[i] = i % 2;
    }
    SortRootMovesByNodes();
    // Entry 0 stays; 1..5 by nodes, most first. The exchanges decide the
    // order of equal counts: the 30 at index 3 was taken into position 2
    // before the one that had been moved from index 2 to position 1.
    const i32 expectedOrigin[6] = {0, 4, 3, 2, 1, 5};
    for (i32 i = 0; i < 6; i++) {
        const i32 origin = expectedOrigin[i];
        EXPECT_EQ(MoveStack[i].move, Move(100 + origin)) << i;
        EXPECT_EQ(MoveStack[i].score, 1000 + origin);
        EXPECT_EQ(RootScore[i], -origin);
        EXPECT_EQ(RootNodes[i], nodes[origin]);
        EXPECT_EQ(RootFlags[i], origin % 2);
    }

    // Promoting entry 3 shifts 0..2 up by one.
    RootBestIndex = 3;
    PromoteRootMoveToFront();
    const i32 promotedOrigin[6] = {2, 0, 4, 3, 1, 5};
    for (i32 i = 0; i < 6; i++) {
        const i32 origin = promotedOrigin[i];
        EXPECT_EQ(MoveStack[i].move, Move(100 + origin)) << i;
        EXPECT_EQ(RootScore[i], -origin);
        EXPECT_EQ(RootNodes[i], nodes[origin]);
        EXPECT_EQ(RootFlags[i], origin % 2);
    }

    // Fewer than three entries are left alone.
    MoveStackTop = 2;
    RootNodes[1] = 1000000;
    SortRootMovesByNodes();
    EXPECT_EQ(MoveStack[0].move, Move(102));
    MoveStackTop = 0;
}

TEST_F(RootSearch, ShortSearchClearsTheHistoryLongerOneAgesIt) {
    const char* start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";
    for (i32 budget : {70, 71}) {
        SCOPED_TRACE(budget);
        HistoryScore[5] = -1;
        HistoryScore[6] = 1000;
        HistoryScore[7] = -1000;
        TimeBudgetCs = budget;
        Run(start, 1);
        EXPECT_EQ(HistoryScore[5], budget > 70 ? -1 : 0);
        EXPECT_EQ(HistoryScore[6], budget > 70 ? 3 : 0);
        EXPECT_EQ(HistoryScore[7], budget > 70 ? -4 : 0);
    }
}

TEST_F(RootSearch, TimedSearchAlsoStopsAtTheDepthLimit) {
    const char* fen = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -";
    DepthLimit = 4;
    EXPECT_EQ(Run(fen, TimedSearchDepth), 0);
    EXPECT_EQ(IterationDepth, 3);
    EXPECT_EQ(SearchDepthLimit, TimedSearchDepth);
    // Any other root limit is its own: the analysis bound ignores DepthLimit.
    EXPECT_EQ(Run(fen, 5), 0);
    EXPECT_EQ(IterationDepth, 4);
}

TEST_F(RootSearch, SameSearchFromClearedTablesSameResult) {
    const char* fen = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -";
    u64 firstNodes = 0;
    Move firstMove = NoMove;
    i32 firstScore = 0;
    for (i32 run = 0; run < 2; run++) {
        ClearSearchMemory();
        std::memset(HistoryScore, 0, sizeof HistoryScore);
        LastSearchScore = 0;
        Run(fen, 7);
        if (run == 0) {
            firstNodes = NodeCount;
            firstMove = MoveStack[0].move;
            firstScore = RootScore[0];
            EXPECT_GT(firstNodes, 10000u);
            continue;
        }
        EXPECT_EQ(NodeCount, firstNodes);
        EXPECT_EQ(MoveStack[0].move, firstMove);
        EXPECT_EQ(RootScore[0], firstScore);
    }
}

TEST_F(RootSearch, AbortedSearchLeavesTheLastCompletedBestMove) {
    const char* fen = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -";
    TimeCheckInterval = 1000;
    NodeLimit = 60000;
    EXPECT_EQ(Run(fen, 60), 0);
    EXPECT_EQ(board.SearchAbort, 1);
    EXPECT_LT(IterationDepth, 59);
    EXPECT_GE(NodeCount, 60000u);
    EXPECT_LE(NodeCount, 60000u + 2000u);
    // The root list is still the legal moves, best first.
    std::vector<Move> root = RootMoves();
    EXPECT_EQ(IsLegalMove(root[0]), 1);
    std::sort(root.begin(), root.end());
    EXPECT_EQ(root, SortedLegalMoves());
}

// The numbered lines of the last complete MultiPV block printed.
struct PvLine {
    i32 number;
    i32 score;
    std::string firstMove;
};
std::vector<PvLine> LastMultiPvBlock(const std::string& printed, i32 lines) {
    const std::regex pattern(
        R"(^info multipv (\d+) depth \d+ seldepth \d+ score cp (-?\d+) (?:lowerbound |upperbound )?nodes \d+ time \d+ hashfull \d+ nps \d+ tbhits \d+ currmove \S+ currmovenumber \d+ pv (\S+).*$)");
    std::vector<PvLine> all;
    std::istringstream in(printed);
    for (std::string line; std::getline(in, line);) {
        std::smatch match;
        if (std::regex_match(line, match, pattern))
            all.push_back({std::stoi(match[1]), std::stoi(match[2]), match[3]});
    }
    if (i32(all.size()) < lines) return {};
    return std::vector<PvLine>(all.end() - lines, all.end());
}

TEST_F(RootSearch, MultiPvLinesAreSortedByScoreOnePerMove) {
    const char* fen = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -";
    MultiPv = 3;
    UciMode = 1;
    ASSERT_EQ(ParseFen(fen), 1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(SearchRoot(7, 1), 0);
    const std::string printed = testing::internal::GetCapturedStdout();
    ASSERT_GT(NodeCount, 50000u) << "the block is printed only past 50000 nodes";
    EXPECT_EQ(BookMovePlayed, 0u);

    const std::vector<PvLine> block = LastMultiPvBlock(printed, 3);
    ASSERT_EQ(block.size(), 3u) << printed;
    for (i32 k = 0; k < 3; k++) {
        EXPECT_EQ(block[k].number, k + 1);
        EXPECT_EQ(block[k].score, RootScore[k]);
        EXPECT_EQ(block[k].firstMove, std::string(MoveToText(MoveStack[k].move)));
        if (k > 0) {
            EXPECT_GE(block[k - 1].score, block[k].score);
        }
    }
    EXPECT_NE(block[0].firstMove, block[1].firstMove);
    EXPECT_NE(block[1].firstMove, block[2].firstMove);
    EXPECT_NE(block[0].firstMove, block[2].firstMove);
    // No other move beats the worst reported line.
    for (i32 i = 3; i < RootMoveCount; i++) EXPECT_LE(RootScore[i], RootScore[2]) << i;
}

TEST_F(RootSearch, MultiPvWiderThanTheMoveListReportsEveryMove) {
    // Five legal moves: three king steps and the pawn's single and double step.
    MultiPv = 8;
    EXPECT_EQ(Run("k7/8/8/8/8/8/P7/7K w - -", 8), 0);
    ASSERT_EQ(RootMoveCount, 5);
    for (i32 i = 1; i < RootMoveCount; i++) EXPECT_GE(RootScore[i - 1], RootScore[i]) << i;
    std::vector<Move> root = RootMoves();
    std::sort(root.begin(), root.end());
    EXPECT_EQ(root, SortedLegalMoves());
    // A finished game is reported by the MultiPV driver as well.
    testing::internal::CaptureStdout();
    EXPECT_EQ(Run("R5k1/5ppp/8/8/8/8/8/6K1 b - -", 8), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "1-0 {White mates}\n");
    // depthLimit 1 searches one ply, each move.
    EXPECT_EQ(Run("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", 1), 0);
    EXPECT_EQ(IterationDepth, 0);
    EXPECT_GE(NodeCount, 20u);
    // A single legal move gets its short search here too.
    EXPECT_EQ(Run("k7/8/1Q6/8/7p/8/8/7K b - -", 30), 0);
    EXPECT_EQ(MoveStack[0].move, M("h4h3"));
    EXPECT_GT(NodeCount, 0u);
    EXPECT_LT(RootScore[0], -300);
}

}  // namespace
