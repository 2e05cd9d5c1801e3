#include "search/root_moves.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "board/attack_queries.h"
#include "board/board.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "board/make_move.h"
#include "board/modes.h"
#include "board/move_text.h"
#include "book/book.h"
#include "driver/new_game.h"
#include "search/hash_tables.h"
#include "search/history.h"
#include "search/move_picker.h"
#include "search/search_limits.h"
#include "search/time_control.h"
#include "search/trans_table.h"
#include "support/naive_moves.h"

namespace {

constexpr const char* StartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";

class RootMoves : public ::testing::Test {
protected:
    void SetUp() override {
        InitEngineTables();
        TransEntries = 4096;
        AllocTransTable();
        ClearTransTable();
        std::memset(HistoryScore, 0, sizeof HistoryScore);
        std::memset(PlyStack, 0, sizeof PlyStack);
        ResetState();
        Load(StartFen);
    }
    void TearDown() override {
        ResetState();
        TransEntries = DefaultTransEntries;
        AllocTransTable();
        ClearTransTable();
        if (BookFileHandle) std::fclose(BookFileHandle);
        BookFileHandle = nullptr;
        BookLearnedThisGame = 1;
        MoveStackTop = 0;
    }
    static void ResetState() {
        UciMode = 0;
        PostFlag = 0;
        SearchStartTime = ClockCs();
        MultiPv = 1;
        SearchMovesCount = 0;
        LastSearchScore = 0;
        LastSearchSide = WHITE;
        EngineSide = WHITE;
        SearchPly = 0;
        NodeCount = 0;
        TransFillCount = 0;
    }
    static void Load(const char* fen, std::initializer_list<const char*> moves = {}) {
        ASSERT_EQ(ParseFen(fen), 1) << fen;
        RootGamePly = 0;
        for (const char* text : moves) {
            const Move m = ParseMoveText(text);
            ASSERT_NE(std::find(Legal().begin(), Legal().end(), m), Legal().end()) << text;
            MakeMove(m, 1);
        }
        RootGamePly = GamePly;
        EngineSide = board.SideToMove;
    }
    static std::vector<Move> Legal() { return NaiveLegalMoves(); }

    // What the picker lists at ply 0, in its order and with its scores,
    // less the moves that leave the king attacked: the list the root must
    // hold (before the table move goes first).
    static std::vector<MoveStackEntry> PickerOrder() {
        const std::vector<Move> legal = Legal();
        MoveStackTop = 0;
        SearchPly = 0;
        PlyStack[0].InCheck = IsSquareAttacked(ChangeSide(board.SideToMove),
                                               board.KingSquare[board.SideToMove]);
        for (i32 stage = StageNoneYet; stage != StageDone;) stage = PickNextMoveStage(stage);
        std::vector<MoveStackEntry> kept;
        for (i32 i = 0; i < MoveStackTop; i++)
            if (std::find(legal.begin(), legal.end(), MoveStack[i].move) != legal.end())
                kept.push_back(MoveStack[i]);
        MoveStackTop = 0;
        return kept;
    }
    static std::vector<MoveStackEntry> RootList() {
        return std::vector<MoveStackEntry>(MoveStack, MoveStack + MoveStackTop);
    }
    // PrepareRootMoves with what it printed.
    static i32 Prepare(std::string& printed) {
        testing::internal::CaptureStdout();
        const i32 result = PrepareRootMoves();
        printed = testing::internal::GetCapturedStdout();
        return result;
    }
};

bool SameEntries(const std::vector<MoveStackEntry>& a, const std::vector<MoveStackEntry>& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](auto& x, auto& y) {
               return x.move == y.move && x.score == y.score;
           });
}

std::string Texts(const std::vector<MoveStackEntry>& entries) {
    std::string text;
    for (const MoveStackEntry& e : entries) text += std::string(MoveToText(e.move)) + " ";
    return text;
}

TEST_F(RootMoves, ListIsTheLegalMovesInPickerOrderWithTheirScores) {
    const char* positions[] = {
        StartFen,
        // Captures, a promotion and a pinned knight that must not move.
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
        "4k3/4r3/8/8/8/8/4N3/4K3 w - -",
        "3r2k1/1P3ppp/8/8/2n5/8/5PPP/6K1 w - -",
        // In check: only the evasions.
        "4k3/8/8/8/7b/8/3P4/R3K2R w KQ -",
        "rnbqkbnr/ppp2ppp/8/1B1pp3/4P3/8/PPPP1PPP/RNBQK1NR b KQkq -",
    };
    for (const char* fen : positions) {
        Load(fen);
        // A killer (always a quiet move) comes before the other quiet moves.
        const std::vector<Move> legal = Legal();
        const auto quiet = std::find_if(legal.rbegin(), legal.rend(),
                                        [](Move m) { return !IsCaptureOrPromotion(m); });
        PlyStack[0].Killer[0][board.SideToMove] = quiet != legal.rend() ? *quiet : NoMove;
        const std::vector<MoveStackEntry> expected = PickerOrder();
        std::string printed;
        EXPECT_EQ(Prepare(printed), expected.empty() ? 1 : 0) << fen;
        EXPECT_TRUE(SameEntries(RootList(), expected))
            << fen << "\n got " << Texts(RootList()) << "\n want " << Texts(expected);
        EXPECT_EQ(RootList().size(), Legal().size()) << fen;
        EXPECT_EQ(RootMoveCount, MoveStackTop) << fen;
        for (i32 i = 0; i < MoveStackTop; i++) {
            EXPECT_EQ(RootNodes[i], u64(512 - i)) << fen;
            MakeMove(MoveStack[i].move, 1);
            const i32 givesCheck = NaiveAttacked(board.KingSquare[board.SideToMove],
                                                 ChangeSide(board.SideToMove));
            UnmakeMove();
            EXPECT_EQ(RootFlags[i], givesCheck) << fen << " " << MoveToText(MoveStack[i].move);
            if (i > 0) {
                EXPECT_EQ(RootScore[i], 0);
            }
        }
        EXPECT_EQ(printed, "") << fen;
        PlyStack[0].Killer[0][board.SideToMove] = 0;
    }
}

TEST_F(RootMoves, ExpectedScoreComesFromTheLastSearch) {
    struct Case {
        i32 lastScore;
        Side lastSide, engineSide;
        i32 expected;
    };
    const Case cases[] = {
        {37, WHITE, WHITE, 37}, {37, BLACK, WHITE, -37}, {-80, WHITE, BLACK, 80}, {0, BLACK, WHITE, 0}};
    for (const Case& c : cases) {
        LastSearchScore = c.lastScore;
        LastSearchSide = c.lastSide;
        EngineSide = c.engineSide;
        RootScore[0] = 12345;
        std::string printed;
        ASSERT_EQ(Prepare(printed), 0);
        EXPECT_EQ(RootScore[0], c.expected);
    }
}

TEST_F(RootMoves, TableMoveGoesFirstWithItsFlagAndScore) {
    // Black king on e8 so that Bb5 gives check and carries its flag along.
    Load("rnbqkbnr/ppp2ppp/8/3pp3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq -");
    const std::vector<MoveStackEntry> order = PickerOrder();
    const Move tableMove = ParseMoveText("f1b5");
    const auto at = std::find_if(order.begin(), order.end(),
                                 [&](const MoveStackEntry& e) { return e.move == tableMove; });
    ASSERT_NE(at, order.end());
    ASSERT_NE(at, order.begin());
    std::vector<MoveStackEntry> expected = order;
    std::rotate(expected.begin(), expected.begin() + (at - order.begin()),
                expected.begin() + (at - order.begin()) + 1);

    StoreHash(300, tableMove, 25, ExactBound, 0, 0);
    std::string printed;
    ASSERT_EQ(Prepare(printed), 0);
    EXPECT_TRUE(SameEntries(RootList(), expected)) << Texts(RootList());
    EXPECT_EQ(RootFlags[0], 1);
    for (i32 i = 1; i < MoveStackTop; i++) {
        EXPECT_EQ(RootFlags[i], MoveStack[i].move == ParseMoveText("f1b5") ? 1 : 0);
        EXPECT_EQ(RootNodes[i], u64(512 - i));
    }
    // An exact table score is the expected root score.
    EXPECT_EQ(RootScore[0], 25);
    EXPECT_EQ(IterationDepth, 0);
    EXPECT_EQ(RootBestIndex, 0);
    // Post is off: the line before the search stays unprinted.
    EXPECT_EQ(printed, "");
}

TEST_F(RootMoves, TableBoundOutsideTheWindowIsNotAScore) {
    LastSearchScore = -15;
    StoreHash(300, ParseMoveText("d2d4"), 50, LowerBound, 0, 0);
    std::string printed;
    ASSERT_EQ(Prepare(printed), 0);
    EXPECT_EQ(MoveStack[0].move, ParseMoveText("d2d4"));
    EXPECT_EQ(RootScore[0], -15);
}

TEST_F(RootMoves, TableMoveShowsItsLineBeforeTheSearch) {
    const Move knight = ParseMoveText("g1f3");
    StoreHash(300, knight, 25, ExactBound, 0, 0);
    MakeMove(knight, 1);
    StoreHash(240, ParseMoveText("g8f6"), -25, ExactBound, 0, 0);
    UnmakeMove();

    PostFlag = 1;
    std::string printed;
    ASSERT_EQ(Prepare(printed), 0);
    EXPECT_TRUE(std::regex_match(printed, std::regex("1 25 [0-9]+ 0 g1f3 g8f6\n"))) << printed;

    UciMode = 1;
    ASSERT_EQ(Prepare(printed), 0);
    EXPECT_EQ(printed.rfind("info depth 1 seldepth 0 score cp 25 nodes 0 time ", 0), 0u) << printed;
    EXPECT_NE(printed.find(" pv g1f3 g8f6\n"), std::string::npos) << printed;

    // MultiPV: the block is held back below 50001 nodes.
    MultiPv = 2;
    NodeCount = 10;
    ASSERT_EQ(Prepare(printed), 0);
    EXPECT_EQ(printed, "");
}

TEST_F(RootMoves, IllegalTableMoveIsNotPromotedButTheLineIsPrinted) {
    const std::vector<MoveStackEntry> expected = PickerOrder();
    // A move of another position that a key collision could leave here.
    StoreHash(300, MakeMoveWord(E2, E5, PAWN), 25, ExactBound, 0, 0);
    PostFlag = 1;
    std::string printed;
    ASSERT_EQ(Prepare(printed), 0);
    EXPECT_TRUE(SameEntries(RootList(), expected)) << Texts(RootList());
    EXPECT_EQ(printed.rfind("1 25 ", 0), 0u) << printed;
}

TEST_F(RootMoves, GameEndsByRuleAreAnnounced) {
    // An announced game end is the end of the game outside UCI (result 1),
    // the root list built all the same; in UCI only a position without a
    // legal move is.
    struct Case {
        const char* fen;
        std::initializer_list<const char*> moves;
        const char* printed;
        bool noMove;
    };
    const Case cases[] = {
        {StartFen, {"f2f3", "e7e5", "g2g4", "d8h4"}, "0-1 {Black mates}\n", true},
        {"6k1/5ppp/8/8/8/8/8/R5K1 w - -", {"a1a8"}, "1-0 {White mates}\n", true},
        {"7k/5Q2/6K1/8/8/8/8/8 b - -", {}, "1/2-1/2 {Stalemate}\n", true},
        {"8/8/8/4k3/8/8/8/2B1K3 w - -", {}, "1/2-1/2 {Draw by insufficient material}\n", false},
        {"8/8/8/4k3/8/2n5/8/4K3 w - -", {}, "1/2-1/2 {Draw by insufficient material}\n", false},
        // Two bare kings fail both material tests: one draw, told once.
        {"8/8/8/4k3/8/8/8/4K3 w - -", {}, "1/2-1/2 {Draw by insufficient material}\n", false},
        {"8/8/8/4k3/8/8/4P3/4K3 w - -", {}, "", false},
        {"8/8/8/4k3/8/8/8/1NB1K3 w - -", {}, "", false},
        {StartFen, {"g1f3", "g8f6", "f3g1", "f6g8", "g1f3", "g8f6", "f3g1", "f6g8"},
         "1/2-1/2 {Draw by repetition}\n", false},
        {StartFen, {"g1f3", "g8f6", "f3g1", "f6g8"}, "", false},
        // The counter as it stood before the last move decides.
        {"8/8/8/4k3/8/8/8/R3K3 w - - 100", {"e1d1"}, "1/2-1/2 {Draw by the 50-moves rule}\n", false},
        {"8/8/8/4k3/8/8/8/R3K3 w - - 99", {"e1d1"}, "", false},
        // A mate given after the fifty moves ran out stands.
        {"6k1/5ppp/8/8/8/8/8/R5K1 w - - 100", {"a1a8"}, "1-0 {White mates}\n", true},
    };
    for (const Case& c : cases) {
        Load(c.fen, c.moves);
        const u64 key = board.HashKey;
        const i32 ply = GamePly;
        const bool over = *c.printed != '\0';
        // Each game end teaches the book a draw, once.
        BookFileHandle = std::tmpfile();
        BookLearnedThisGame = 0;
        std::string printed;
        EXPECT_EQ(Prepare(printed), over ? 1 : 0) << c.fen;
        EXPECT_EQ(printed, c.printed) << c.fen;
        EXPECT_EQ(BookLearnedThisGame, over ? 1 : 0) << c.fen;
        EXPECT_EQ(MoveStackTop == 0, c.noMove) << c.fen;
        EXPECT_EQ(board.HashKey, key);
        EXPECT_EQ(GamePly, ply);
        std::fclose(BookFileHandle);
        BookFileHandle = nullptr;

        // UCI interfaces judge the game themselves.
        UciMode = 1;
        EXPECT_EQ(Prepare(printed), c.noMove ? 1 : 0) << c.fen;
        EXPECT_EQ(printed, "") << c.fen;
        EXPECT_EQ(MoveStackTop == 0, c.noMove) << c.fen;
        UciMode = 0;
    }
}

TEST_F(RootMoves, DrawLearningNeedsAnOpenBookAndLearningOn) {
    Load("7k/5Q2/6K1/8/8/8/8/8 b - -");
    std::string printed;
    BookLearnedThisGame = 0;
    ASSERT_EQ(Prepare(printed), 1);
    EXPECT_EQ(BookLearnedThisGame, 0) << "no book open";

    BookFileHandle = std::tmpfile();
    UseBookLearning = 0;
    ASSERT_EQ(Prepare(printed), 1);
    EXPECT_EQ(BookLearnedThisGame, 0) << "learning off";
    UseBookLearning = 1;
}

TEST_F(RootMoves, OnlyRecaptureIsTheEasyMove) {
    struct Case {
        const char* fen;
        std::initializer_list<const char*> moves;
        const char* easy;
    };
    const Case cases[] = {
        {"3qk3/8/8/3p4/4P3/8/8/4K3 w - -", {"e4d5"}, "d8d5"},
        // Queen and knight can both recapture: nothing is easy.
        {"3qk3/8/5n2/3p4/4P3/8/8/4K3 w - -", {"e4d5"}, nullptr},
        // The last move captured nothing.
        {"3qk3/8/8/3p4/8/8/4P3/4K3 w - -", {"e2e4"}, nullptr},
        {"3qk3/8/8/3p4/4P3/8/8/4K3 b - -", {}, nullptr},
    };
    for (const Case& c : cases) {
        Load(c.fen, c.moves);
        std::string printed;
        ASSERT_EQ(Prepare(printed), 0);
        EXPECT_EQ(EasyMove, c.easy ? ParseMoveText(c.easy) : NoMove) << c.fen;
    }
}

TEST_F(RootMoves, SearchMovesRestrictTheList) {
    const std::vector<MoveStackEntry> all = PickerOrder();
    SearchMoves[0] = ParseMoveText("e2e4");
    SearchMoves[1] = ParseMoveText("d2d4");
    SearchMovesCount = 2;
    std::vector<MoveStackEntry> expected;
    for (const MoveStackEntry& e : all)
        if (e.move == SearchMoves[0] || e.move == SearchMoves[1]) expected.push_back(e);
    std::string printed;
    ASSERT_EQ(Prepare(printed), 0);
    EXPECT_TRUE(SameEntries(RootList(), expected)) << Texts(RootList());
    EXPECT_EQ(RootNodes[1], 511u);

    // A list that keeps no legal move restricts nothing: the position is
    // neither drawn nor mated.
    SearchMoves[0] = MakeMoveWord(E2, E5, PAWN);
    SearchMovesCount = 1;
    ASSERT_EQ(Prepare(printed), 0);
    EXPECT_TRUE(SameEntries(RootList(), all)) << Texts(RootList());
    EXPECT_EQ(printed, "");
}

TEST_F(RootMoves, CrowdedSetUpListsEveryLegalMove) {
    // Fifteen queens: far more moves than any game position has, all kept.
    Load("K1QQ2Q1/Q6Q/5Q2/1Q5Q/4Q3/Q5Q1/2QQ2nn/Q4Qnk w - -");
    const std::vector<MoveStackEntry> expected = PickerOrder();
    ASSERT_EQ(expected.size(), 235u);
    std::string printed;
    ASSERT_EQ(Prepare(printed), 0);
    EXPECT_TRUE(SameEntries(RootList(), expected));
    EXPECT_EQ(RootNodes[234], 512u - 234);
}

TEST_F(RootMoves, MovesCommandListsEachMoveWithItsOrderingScore) {
    Load("4k3/8/8/3p4/4P3/8/8/4K2R w K -");
    const std::vector<MoveStackEntry> expected = PickerOrder();
    std::string want = "-------------- Legal moves: ----------------\n\n";
    for (const MoveStackEntry& e : expected)
        want += std::string(MoveToTextWithPiece(e.move)) + " (" + std::to_string(e.score) + "); ";
    want += "\n";
    MoveStackTop = 37;
    testing::internal::CaptureStdout();
    ListRootMoves();
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, want);
    EXPECT_EQ(MoveStackTop, 37);
    // The capture comes first with its own score, not a quiet move's.
    EXPECT_EQ(printed.find("Pe4d5 ("), want.find("Pe4d5 ("));
    EXPECT_NE(expected.front().score, expected.back().score);

    // A finished game: the result line comes inside the listing.
    Load("6k1/5ppp/8/8/8/8/8/R5K1 w - -", {"a1a8"});
    testing::internal::CaptureStdout();
    ListRootMoves();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "-------------- Legal moves: ----------------\n\n1-0 {White mates}\n\n");
}

}  // namespace
