#include "board/checkmate.h"

#include <gtest/gtest.h>

#include <vector>

#include "board/board.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "support/naive_moves.h"
#include "support/position_walk.h"

namespace {

class CheckmateTest : public PositionTest {};

TEST_F(CheckmateTest, KnownMatesAndEscapes) {
    struct Case {
        const char* fen;
        const char* played;  // a move to play first, or null
        i32 mated;
    };
    const Case cases[] = {
        // Back-rank mate; g8-h8 stays on the rook's line and is no escape.
        {"R5k1/5ppp/8/8/8/8/8/6K1 b - -", nullptr, 1},
        // A bishop that can block on the back rank saves it ...
        {"R5k1/5ppp/3b4/8/8/8/8/6K1 b - -", nullptr, 0},
        {"R5k1/5bpp/8/8/8/8/8/6K1 b - -", nullptr, 0},
        // ... unless it is pinned on another line.
        {"R5k1/5bpp/8/3B4/8/8/8/6K1 b - -", nullptr, 1},
        // Smothered mate, and the same with the knight open to capture.
        {"6rk/5Npp/8/8/8/8/8/6K1 b - -", nullptr, 1},
        {"6rk/5Npp/8/8/2b5/8/8/6K1 b - -", nullptr, 0},
        // The king takes an undefended checker next to it, not a defended one.
        {"6Rk/6pp/8/8/8/8/8/6K1 b - -", nullptr, 0},
        {"6Rk/4N1pp/8/8/8/8/8/6K1 b - -", nullptr, 1},
        // Double check with every king square covered: mate, though a pawn
        // could take the knight; with a free square it is not.
        {"3qkb2/2pp1p2/3N4/8/8/8/8/4R1K1 b - -", nullptr, 1},
        {"4k3/6p1/5N2/8/8/8/8/4R1K1 b - -", nullptr, 0},
        // Blocking pawn pushes: a double step into a rook's line, a push
        // onto the last rank.
        {"4k3/8/8/7r/K6r/7r/1P6/8 w - -", nullptr, 0},
        {"4k3/8/8/7r/K6r/7r/8/8 w - -", nullptr, 1},
        {"r6K/2P4P/4n3/8/8/k7/8/8 w - -", nullptr, 0},
        {"r6K/7P/4n3/8/8/k7/8/8 w - -", nullptr, 1},
        // A checking double step taken en passant is the only escape ...
        {"1k6/8/5p2/6pP/7K/r7/4b3/8 w - g5", nullptr, 0},
        {"1k6/6p1/5p2/7P/7K/r7/4b3/8 b - -", "g7g5", 0},
        // ... but not after a single step, nor with the capturing pawn
        // pinned, nor when taking both pawns away opens the bishop's
        // diagonal onto the king (a set-up position).
        {"1k6/8/5pp1/7P/7K/r7/4b3/8 b - -", "g6g5", 1},
        {"1k5r/6p1/5p2/7P/7K/r7/4b3/8 b - -", "g7g5", 1},
        {"4k3/4b3/8/5Pp1/7K/r7/4b3/8 w - g5", nullptr, 1},
    };
    for (const Case& c : cases) {
        Load(c.fen);
        if (c.played) {
            const Move move = ParseMoveText(c.played);
            ASSERT_NE(move, NoMove) << c.played;
            MakeMove(move, 1);
        }
        ASSERT_TRUE(SideToMoveInCheck()) << c.fen;
        const Board before = board;
        EXPECT_EQ(IsCheckmated(), c.mated) << c.fen;
        EXPECT_EQ(NaiveLegalMoves().empty(), c.mated == 1) << "case disagrees with the board: " << c.fen;
        EXPECT_TRUE(SameBoard(board, before)) << c.fen;
    }
}

// Roots of the walks: the published perft positions, and positions with
// mates in one of several kinds close at hand.
const std::vector<const char*> MateSetUps = {
    "6k1/5ppp/8/8/8/8/5PPP/R5K1 w - -",
    "6rk/6pp/8/6N1/8/8/8/6K1 w - -",
    "1k5r/6p1/5p2/7P/7K/r7/4b3/8 b - -",
    "4k3/6p1/8/4N3/8/8/8/4R1K1 w - -",
    "7K/2P4P/4n3/8/8/k7/8/r7 b - -",
    // Set up: taking the checking pawn en passant would open a diagonal.
    "4k3/4b3/8/5Pp1/7K/r7/4b3/8 w - g5",
};

// In every position in check of the walks the answer is 1 exactly when
// the side to move has no legal move, and the board is left as it was.
TEST_F(CheckmateTest, MatedExactlyWhenNoLegalMoveOverPerftWalks) {
    i32 positionsInCheck = 0, mates = 0;
    auto check = [&] {
        if (!SideToMoveInCheck()) return;
        positionsInCheck += 1;
        const Board before = board;
        const i32 ply = GamePly;
        const i32 mated = IsCheckmated();
        ASSERT_TRUE(SameBoard(board, before));
        ASSERT_EQ(GamePly, ply);
        ASSERT_EQ(mated, NaiveLegalMoves().empty() ? 1 : 0);
        mates += mated;
    };
    WalkFromRoots(PerftRootsAnd(MateSetUps), 3, check);
    EXPECT_GT(positionsInCheck, 2000);
    EXPECT_GT(mates, 20);
}

// The precondition is checked wherever assertions are on.
#ifndef NDEBUG
TEST_F(CheckmateTest, RefusesASideThatIsNotInCheck) {
    Load("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
    EXPECT_DEATH(IsCheckmated(), "not in check");
}
#endif

}  // namespace
