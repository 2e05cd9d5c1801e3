#include "board/make_move.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "board/board.h"
#include "board/move_text.h"
#include "support/board_check.h"
#include "support/naive_moves.h"
#include "support/position_walk.h"

namespace {

class MakeUnmake : public PositionTest {
protected:
    static Move Find(const char* text) {
        for (Move move : NaiveLegalMoves())
            if (std::strcmp(MoveToText(move), text) == 0) return move;
        ADD_FAILURE() << "no legal move " << text;
        return NoMove;
    }
};

void CheckBoard() { ASSERT_EQ(BoardInconsistency(), ""); }

// Positions that hold every class of move between them: quiet moves,
// captures, both castlings of both sides, en passant, every promotion with
// and without capture.
const char* const Positions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b KQkq -",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -",
    "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f5",
    "r3k2r/1P4P1/8/8/8/8/1p4p1/R3K2R b KQkq -",
};

TEST_F(MakeUnmake, EveryMoveRestoresTheWholeRecord) {
    for (const char* fen : Positions) {
        Load(fen);
        const Board before = board;
        const i32 ply = GamePly;
        std::vector<GameHistoryEntry> history(GameHistory, GameHistory + ply);
        for (Move move : NaiveLegalMoves()) {
            MakeMove(move, 1);
            ASSERT_EQ(BoardInconsistency(), "") << fen << " after " << MoveToText(move);
            ASSERT_EQ(GamePly, ply + 1);
            ASSERT_EQ(GameHistory[ply].Move, move);
            UnmakeMove();
            ASSERT_TRUE(SameBoard(board, before)) << fen << " after taking back " << MoveToText(move);
            ASSERT_EQ(GamePly, ply);
            ASSERT_EQ(GameHistory[ply].Move, move) << "the undone move stays in its entry";
            if (ply > 0) {
                ASSERT_EQ(std::memcmp(history.data(), GameHistory, sizeof(GameHistoryEntry) * ply), 0);
            }
        }
    }
}

TEST_F(MakeUnmake, SiblingWithoutSavingReusesTheEntry) {
    for (const char* fen : Positions) {
        Load(fen);
        const Board before = board;
        const std::vector<Move> moves = NaiveLegalMoves();
        MakeMove(moves.front(), 1);
        UnmakeMove();
        for (size_t i = 1; i < moves.size(); i++) {
            MakeMove(moves[i], 0);
            ASSERT_EQ(BoardInconsistency(), "") << fen << " " << MoveToText(moves[i]);
            UnmakeMove();
            ASSERT_TRUE(SameBoard(board, before)) << fen << " " << MoveToText(moves[i]);
        }
    }
}

// Make and take-back through whole trees: the leaf counts are the published
// perft numbers, and the board stays consistent at every node.
TEST_F(MakeUnmake, TreesReachThePublishedLeafCounts) {
    struct Case { const char* fen; i32 depth; u64 leaves; };
    const Case cases[] = {
        {Positions[0], 3, 8902},
        {Positions[1], 2, 2039},
        {Positions[3], 4, 43238},
        {Positions[4], 3, 9467},
        {Positions[5], 2, 1486},
        {"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - -", 2, 2079},
        {Positions[6], 3, 21637},
        {"8/8/8/8/k2Pp2Q/8/8/3K4 b - d4", 4, 20471},
    };
    for (const Case& c : cases) {
        Load(c.fen);
        EXPECT_EQ(NaivePerft(c.depth, CheckBoard), c.leaves) << c.fen;
    }
}

TEST_F(MakeUnmake, CastlingMovesTheRookAndDropsRights) {
    Load("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 7");
    MakeMove(Find("e1g1"), 1);
    EXPECT_EQ(board.Squares[F1], ROOK);
    EXPECT_EQ(board.Squares[H1], EMPTY);
    EXPECT_EQ(board.Squares[G1], KING);
    EXPECT_EQ(board.CastlingFlags, 12);
    EXPECT_EQ(board.FiftyMoveCounter, 8);
    MakeMove(Find("e8c8"), 1);
    EXPECT_EQ(board.Squares[D8], ROOK);
    EXPECT_EQ(board.Squares[A8], EMPTY);
    EXPECT_EQ(board.CastlingFlags, 0);
}

TEST_F(MakeUnmake, CapturingTheRookDropsItsRight) {
    Load("r3k2r/8/8/8/8/8/8/R3K2R w KQkq -");
    MakeMove(Find("h1h8"), 1);
    EXPECT_EQ(board.CastlingFlags, 15 & 251 & 254);
    EXPECT_EQ(board.FiftyMoveCounter, 0);
}

TEST_F(MakeUnmake, EnPassantRemovesThePawnBeside) {
    Load("4k3/8/8/3pP3/8/8/8/4K3 w - d6");
    MakeMove(Find("e5d6"), 1);
    EXPECT_EQ(board.Squares[D6], PAWN);
    EXPECT_EQ(board.Squares[D5], EMPTY);
    EXPECT_EQ(board.PieceCount[PAWN][BLACK], 0);
    EXPECT_EQ(board.Material[BLACK], 0);
    EXPECT_EQ(BoardInconsistency(), "");
}

TEST_F(MakeUnmake, ThirdQueenLeavesTheTableAndCaptureBringsItBack) {
    Load("1r2k3/P7/8/8/8/8/7q/QQ2K3 w - -");
    MakeMove(Find("a7b8q"), 1);
    EXPECT_EQ(board.PieceCount[QUEEN][WHITE], 3);
    EXPECT_EQ(board.MaterialIndex, MaterialIndexNone);
    MakeMove(Find("h2b8"), 1);
    EXPECT_EQ(board.PieceCount[QUEEN][WHITE], 2);
    EXPECT_NE(board.MaterialIndex, MaterialIndexNone);
    EXPECT_EQ(BoardInconsistency(), "");
}

TEST_F(MakeUnmake, GameHistoryRoom) {
    GamePly = MaxGamePly - 1;
    EXPECT_TRUE(GameHistoryHasRoom());
    GamePly = MaxGamePly;
    EXPECT_FALSE(GameHistoryHasRoom());
    GamePly = 0;
}

}  // namespace
