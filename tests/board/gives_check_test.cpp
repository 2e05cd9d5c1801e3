#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "board/attack_queries.h"
#include "board/board.h"
#include "board/check_test.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "support/naive_moves.h"

namespace {

class GivesCheckTest : public ::testing::Test {
protected:
    void SetUp() override { InitEngineTables(); }
    static void Load(const char* fen) { ASSERT_EQ(ParseFen(fen), 1) << fen; }
};

const char* const WalkRoots[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - -",
    "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f5",
    "8/8/8/8/k2Pp2Q/8/8/3K4 b - d4",
    // Men between a slider and the enemy king: discovered checks by a
    // knight, a pawn and a king, for both sides.
    "4k3/8/8/4N3/8/8/8/4R1K1 w - -",
    "4r1k1/8/8/8/4n3/8/8/4K3 b - -",
    "7k/8/8/8/3P4/8/1B6/K7 w - -",
    "8/8/8/8/8/8/8/R2K3k w - -",
    // Castling that checks through the king's square, and promotions.
    "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -",
    "r3k3/1P6/8/8/8/8/2p5/4K2R w Kq -",
};

template <typename Visit>
void Walk(i32 depth, const Visit& visit) {
    visit();
    if (depth == 0 || ::testing::Test::HasFatalFailure()) return;
    for (Move move : NaiveLegalMoves()) {
        MakeMove(move, 1);
        Walk(depth - 1, visit);
        UnmakeMove();
        if (::testing::Test::HasFatalFailure()) return;
    }
}

// The truth: play the move and ask whether the enemy king is attacked.
i32 CheckAfterMaking(Move move) {
    const Side mover = board.SideToMove;
    MakeMove(move, 1);
    const i32 check = NaiveAttacked(board.KingSquare[ChangeSide(mover)], mover);
    UnmakeMove();
    return check;
}

bool SameBoard(const Board& a, const Board& b) { return std::memcmp(&a, &b, sizeof(Board)) == 0; }

TEST_F(GivesCheckTest, DirectCastlingPromotionAndDiscoveredChecks) {
    struct Case {
        const char* fen;
        const char* move;
        i32 check;
    };
    const Case cases[] = {
        // The castling rook checks from its new square, or through the king's old one.
        {"5k2/8/8/8/8/8/8/4K2R w K -", "e1g1", 1},
        {"8/8/8/8/8/8/8/k3K2R w K -", "e1g1", 1},
        {"8/8/8/8/8/8/8/kN2K2R w K -", "e1g1", 0},
        {"8/8/8/8/8/8/8/R3K2k w Q -", "e1c1", 1},
        {"8/8/8/8/8/8/8/R3K1nk w Q -", "e1c1", 0},
        {"6k1/8/8/8/8/8/8/4K2R w K -", "e1g1", 0},
        {"r3k3/8/8/8/8/8/8/3K4 b q -", "e8c8", 1},
        {"r3k3/8/8/8/8/8/8/7K b q -", "e8c8", 0},
        // Promotions: on the new square, along the line through the old one.
        {"8/4P3/8/8/8/4k3/8/K7 w - -", "e7e8q", 1},
        {"8/4P3/8/8/8/4k3/8/K7 w - -", "e7e8r", 1},
        {"8/4P3/8/8/8/4k3/8/K7 w - -", "e7e8n", 0},
        {"8/4P3/8/8/8/4k3/8/K7 w - -", "e7e8b", 0},
        {"8/4P3/3k4/8/8/8/8/K7 w - -", "e7e8n", 1},
        {"4r3/3P4/8/8/k7/8/8/K7 w - -", "d7e8q", 1},
        {"4r3/3P4/8/8/k7/8/8/K7 w - -", "d7e8b", 1},
        {"4r3/3P4/8/8/k7/8/8/K7 w - -", "d7e8r", 0},
        // En passant that takes both pawns off the fifth rank.
        {"8/8/8/R2pP2k/8/8/8/K7 w - d6", "e5d6", 1},
        {"8/8/8/R2pP1pk/8/8/8/K7 w - d6", "e5d6", 0},
        // Discovered checks, and a slider that stays on its line.
        {"8/6k1/8/8/3N4/8/1B6/K7 w - -", "d4b3", 1},
        {"8/6k1/8/8/3N4/8/1B6/K7 w - -", "d4f5", 1},
        {"8/6k1/8/8/3N4/8/1B6/K7 w - -", "d4c6", 1},
        {"8/6k1/5p2/8/3B4/8/1Q6/K7 w - -", "d4c3", 0},
        {"8/6k1/5p2/8/3B4/8/1Q6/K7 w - -", "d4e5", 0},
        {"8/8/8/8/8/8/8/R2K3k w - -", "d1e2", 1},  // the king itself uncovers the rook
    };
    for (const Case& c : cases) {
        Load(c.fen);
        const Move move = ParseMoveText(c.move);
        ASSERT_NE(move, NoMove) << c.move;
        EXPECT_EQ(GivesCheck(move), c.check) << c.fen << " " << c.move;
        EXPECT_EQ(CheckAfterMaking(move), c.check)
            << "case disagrees with the board: " << c.fen << " " << c.move;
    }
}

TEST_F(GivesCheckTest, LeavesTheBoardAsItWas) {
    Load("8/8/8/R2pP2k/8/8/8/K7 w - d6");
    const Board before = board;
    const i32 ply = GamePly;
    const Side side = board.SideToMove;
    for (Move move : NaiveLegalMoves()) {
        GivesCheck(move);
        ASSERT_TRUE(SameBoard(board, before)) << MoveToText(move);
        ASSERT_EQ(GamePly, ply);
        ASSERT_EQ(board.SideToMove, side);
    }
}

// Every legal move of a few thousand positions: the answer from the
// unchanged board equals the attack test after making the move.
TEST_F(GivesCheckTest, AgreesWithMakeAndAttackTestOverPerftWalk) {
    i64 checks = 0;
    auto check = [&checks] {
        for (Move move : NaiveLegalMoves()) {
            const i32 expected = CheckAfterMaking(move);
            ASSERT_EQ(GivesCheck(move), expected) << MoveToText(move);
            checks += expected;
        }
    };
    for (const char* fen : WalkRoots) {
        Load(fen);
        Walk(2, check);
        ASSERT_FALSE(HasFatalFailure()) << "in the walk from " << fen;
    }
    EXPECT_GT(checks, 1000);
}

}  // namespace
