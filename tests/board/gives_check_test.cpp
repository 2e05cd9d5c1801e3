#include <gtest/gtest.h>

#include <vector>

#include "board/attack_queries.h"
#include "board/board.h"
#include "board/check_test.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "support/naive_moves.h"
#include "support/position_walk.h"

namespace {

class GivesCheckTest : public PositionTest {};

// The truth: play the move and ask whether the enemy king is attacked.
i32 CheckAfterMaking(Move move) {
    const Side mover = board.SideToMove;
    MakeMove(move, 1);
    const i32 check = NaiveAttacked(board.KingSquare[ChangeSide(mover)], mover);
    UnmakeMove();
    return check;
}

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
    std::vector<const char*> roots = PerftRootsAnd(DiscoveredCheckSetUps);
    // Castling that checks through the king's square, and promotions.
    roots.insert(roots.end(),
                 {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "r3k3/1P6/8/8/8/8/2p5/4K2R w Kq -"});
    WalkFromRoots(roots, PerftWalkDepth, check);
    EXPECT_GT(checks, 1000);
}

}  // namespace
