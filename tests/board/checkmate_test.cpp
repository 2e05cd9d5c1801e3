#include "board/checkmate.h"

#include <gtest/gtest.h>

#include <cstring>

#include "board/board.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "support/naive_moves.h"

namespace {

class CheckmateTest : public ::testing::Test {
protected:
    void SetUp() override { InitEngineTables(); }
    static void Load(const char* fen) { ASSERT_EQ(ParseFen(fen), 1) << fen; }
};

bool SideToMoveInCheck() {
    const Side us = board.SideToMove;
    return NaiveAttacked(board.KingSquare[us], ChangeSide(us));
}

bool SameBoard(const Board& a, const Board& b) { return std::memcmp(&a, &b, sizeof(Board)) == 0; }

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
const char* const WalkRoots[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - -",
    "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f5",
    "8/8/8/8/k2Pp2Q/8/8/3K4 b - d4",
    "6k1/5ppp/8/8/8/8/5PPP/R5K1 w - -",
    "6rk/6pp/8/6N1/8/8/8/6K1 w - -",
    "1k5r/6p1/5p2/7P/7K/r7/4b3/8 b - -",
    "4k3/6p1/8/4N3/8/8/8/4R1K1 w - -",
    "7K/2P4P/4n3/8/8/k7/8/r7 b - -",
    // Set up: taking the checking pawn en passant would open a diagonal.
    "4k3/4b3/8/5Pp1/7K/r7/4b3/8 w - g5",
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
    for (const char* fen : WalkRoots) {
        Load(fen);
        Walk(3, check);
        ASSERT_FALSE(HasFatalFailure()) << "in the walk from " << fen;
    }
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
