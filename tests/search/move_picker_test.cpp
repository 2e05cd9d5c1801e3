#include "search/move_picker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

#include "board/attack_queries.h"
#include "board/board.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "search/history.h"
#include "search/search_limits.h"
#include "support/naive_moves.h"

namespace {

constexpr i32 Ply = 2;
constexpr i32 Base = 50;

class MovePicker : public ::testing::Test {
protected:
    void SetUp() override {
        InitEngineTables();
        std::memset(PlyStack, 0, sizeof PlyStack);
        std::memset(HistoryScore, 0, sizeof HistoryScore);
        SearchPly = Ply;
    }
    void TearDown() override {
        SearchPly = 0;
        MoveStackTop = 0;
    }
};

struct Stage {
    i32 number;
    std::vector<MoveStackEntry> entries;
};

// Calls the picker from stage 8 until it returns 0, as the root list does.
std::vector<Stage> PickAll() {
    std::vector<Stage> stages;
    MoveStackTop = Base;
    i32 stage = StageNoneYet;
    for (i32 calls = 0; calls < 10; calls++) {
        const i32 begin = MoveStackTop;
        stage = PickNextMoveStage(stage);
        if (stage == StageDone) {
            EXPECT_EQ(MoveStackTop, begin);
            break;
        }
        stages.push_back(
            {stage, std::vector<MoveStackEntry>(MoveStack + begin, MoveStack + MoveStackTop)});
    }
    EXPECT_EQ(stage, StageDone);
    return stages;
}

bool IsEnPassant(Move m) {
    return MovePiece(m) == PAWN && MoveCaptured(m) == EMPTY &&
           FileOf(MoveFrom(m)) != FileOf(MoveTo(m));
}

bool IsLegalHere(Move m) {
    const Side side = board.SideToMove;
    MakeMove(m, 1);
    const bool legal = !NaiveAttacked(board.KingSquare[side], ChangeSide(side));
    UnmakeMove();
    return legal;
}

TEST_F(MovePicker, StagesComeInOrderAndCoverEveryMove) {
    struct Case {
        const char* fen;
        const char* killer1;
        const char* killer2;
    };
    const Case cases[] = {
        {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -", "e1g1", "a2a3"},
        {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", "b4c4", "e2e3"},
        {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -", "e1g1", "c4b3"},
        {"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 b - -", "f8e8", "a8b8"},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", "", ""},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(ParseFen(c.fen), 1) << c.fen;
        const Side side = board.SideToMove;
        const Move killer1 = ParseMoveText(c.killer1), killer2 = ParseMoveText(c.killer2);
        PlyStack[Ply].Killer[0][side] = killer1;
        PlyStack[Ply].Killer[1][side] = killer2;
        // Give the quiet moves some history to sort by.
        for (i32 i = 0; i < (1 << 16); i++) HistoryScore[i] = (i * 7919) % 1000;

        const std::vector<Stage> stages = PickAll();
        std::vector<i32> numbers;
        std::vector<Move> all;
        for (const Stage& s : stages) {
            numbers.push_back(s.number);
            for (const MoveStackEntry& e : s.entries) all.push_back(e.move);
            const bool sorted = s.number == StageCaptures || s.number == StageQuiet;
            for (size_t i = 1; sorted && i < s.entries.size(); i++)
                EXPECT_GE(s.entries[i - 1].score, s.entries[i].score) << c.fen;
            for (const MoveStackEntry& e : s.entries) {
                const bool tactical = IsCaptureOrPromotion(e.move) || IsEnPassant(e.move);
                if (s.number == StageCaptures) {
                    EXPECT_TRUE(tactical) << MoveToText(e.move);
                }
                if (s.number == StageQuiet) {
                    EXPECT_FALSE(tactical) << MoveToText(e.move);
                    EXPECT_NE(e.move, killer1);
                    EXPECT_NE(e.move, killer2);
                }
            }
        }
        const std::vector<i32> expected =
            killer1 ? std::vector<i32>{StageCaptures, StageKiller1, StageKiller2, StageQuiet}
                    : std::vector<i32>{StageQuiet};
        EXPECT_EQ(numbers, expected) << c.fen;
        if (killer1) {
            EXPECT_EQ(stages[1].entries.size(), 1u);
            EXPECT_EQ(stages[1].entries[0].move, killer1);
            EXPECT_EQ(stages[2].entries[0].move, killer2);
        }

        // No move twice, and the legal ones among them are exactly the
        // reference generator's legal moves.
        const std::set<Move> distinct(all.begin(), all.end());
        EXPECT_EQ(distinct.size(), all.size()) << c.fen;
        std::set<Move> legal;
        for (Move m : all)
            if (IsLegalHere(m)) legal.insert(m);
        const std::vector<Move> reference = NaiveLegalMoves();
        EXPECT_EQ(legal, std::set<Move>(reference.begin(), reference.end())) << c.fen;
    }
}

TEST_F(MovePicker, EvasionsOnceInCheck) {
    ASSERT_EQ(ParseFen("4k3/8/8/8/8/8/4r3/R3K3 w - -"), 1);
    PlyStack[Ply].InCheck = 1;
    PlyStack[Ply].Killer[0][WHITE] = ParseMoveText("a1a8");
    MoveStackTop = Base;
    EXPECT_EQ(PickNextMoveStage(StageNoneYet), StageEvasions);
    std::set<Move> evasions;
    for (i32 i = Base; i < MoveStackTop; i++) evasions.insert(MoveStack[i].move);
    const std::vector<Move> reference = NaiveLegalMoves();
    EXPECT_EQ(evasions, std::set<Move>(reference.begin(), reference.end()));
    const i32 top = MoveStackTop;
    EXPECT_EQ(PickNextMoveStage(StageEvasions), StageDone);
    EXPECT_EQ(MoveStackTop, top);
    EXPECT_EQ(GenerateEvasionStage(StageCaptures), StageDone);
}

TEST_F(MovePicker, KillersThatDoNotFitAreSkippedInTheSameCall) {
    // No captures or promotions: the first call goes straight to the killers.
    const char* const fen = "4k3/8/8/8/8/8/8/R3K3 w - -";
    struct Case {
        const char* name;
        Move killer1, killer2;
        i32 firstStage;
        Move firstMove;
    };
    const Move rookUp = MakeMoveWord(A1, A5, ROOK), rookAcross = MakeMoveWord(A1, D1, ROOK);
    const Move nowhere = MakeMoveWord(H1, H5, ROOK), blocked = MakeMoveWord(A1, G1, ROOK);
    const Case cases[] = {
        {"first killer fits", rookUp, rookAcross, StageKiller1, rookUp},
        {"first killer from an empty square", nowhere, rookAcross, StageKiller2, rookAcross},
        {"both killers blocked", blocked, nowhere, StageQuiet, NoMove},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(ParseFen(fen), 1);
        PlyStack[Ply].Killer[0][WHITE] = c.killer1;
        PlyStack[Ply].Killer[1][WHITE] = c.killer2;
        MoveStackTop = Base;
        EXPECT_EQ(PickNextMoveStage(StageNoneYet), c.firstStage) << c.name;
        if (c.firstMove != NoMove) {
            EXPECT_EQ(MoveStackTop, Base + 1) << c.name;
            EXPECT_EQ(MoveStack[Base].move, c.firstMove) << c.name;
        }
        // The quiet stage never repeats a killer, fitting or not.
        const std::vector<Stage> stages = PickAll();
        const Stage& quiet = stages.back();
        ASSERT_EQ(quiet.number, StageQuiet) << c.name;
        for (const MoveStackEntry& e : quiet.entries) {
            EXPECT_NE(e.move, c.killer1) << c.name;
            EXPECT_NE(e.move, c.killer2) << c.name;
        }
        i32 listed = 0;
        for (const Stage& s : stages) listed += i32(s.entries.size());
        // Rook: 7 up, 3 across; king: d1, d2, e2, f2, f1.
        EXPECT_EQ(listed, 15) << c.name;
    }
}

TEST_F(MovePicker, NothingToPick) {
    // White's men all stand on the last two ranks, blocked by each other.
    ASSERT_EQ(ParseFen("KRBQQBRR/PPPPPPPP/8/8/8/8/8/4k3 w - -"), 1);
    PlyStack[Ply].Killer[0][WHITE] = MakeMoveWord(B8, B1, ROOK);
    MoveStackTop = Base;
    EXPECT_EQ(PickNextMoveStage(StageNoneYet), StageDone);
    EXPECT_EQ(MoveStackTop, Base);
}

// Each position takes every later entry scoring strictly more, so entries
// of equal score can change their order.
TEST_F(MovePicker, ExchangeSortOrder) {
    const MoveStackEntry input[] = {{1, 1}, {2, 2}, {3, 1}, {4, 3}};
    std::copy(std::begin(input), std::end(input), MoveStack + Base);
    SortMovesByScore(Base, Base + 4);
    const Move expected[] = {4, 2, 3, 1};
    for (i32 i = 0; i < 4; i++) EXPECT_EQ(MoveStack[Base + i].move, expected[i]) << i;
}

}  // namespace
