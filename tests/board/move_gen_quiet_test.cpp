#include "board/move_gen_quiet.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "board/board.h"
#include "board/move_text.h"
#include "search/history.h"
#include "support/generator_output.h"

namespace {

class QuietGenerator : public PositionTest {
protected:
    void SetUp() override {
        PositionTest::SetUp();
        std::memset(HistoryScore, 0, sizeof HistoryScore);
    }
    void TearDown() override { std::memset(HistoryScore, 0, sizeof HistoryScore); }
};

// Every appended move in stack order, with ":score" when the score is not 0.
std::string Generate(i32 historyHalf, i32 start = 3) {
    MoveStackTop = start;
    GenerateQuietMoves(historyHalf);
    return StackText(start, ZeroScores::Hidden);
}

// The history entry of a quiet move: piece class (king and knight 0, pawn
// and bishop 1, rook 2, queen 3) plus 4 for the second half, then from, to
// and the side.
i32& HistoryOf(i32 pieceClass, i32 half, Square from, Square to, Side side) {
    return HistoryScore[((pieceClass + 4 * half) << 13) | ((from | to << 6) << 1) | side];
}

struct GenerationCase {
    const char* fen;
    const char* expected;
};

TEST_F(QuietGenerator, OrderOfEveryKindOfMove) {
    const GenerationCase cases[] = {
        // Castling first (king side, then queen side; b1 may be attacked),
        // knights, pawns from a2 up (single before double, a blocked double
        // step leaves the single one), rooks, king.
        {"4k3/8/8/8/4b3/2N5/P3P1P1/R3K2R w KQ -",
         "e1g1 e1c1 c3b1 c3d1 c3a4 c3b5 c3d5 a2a3 a2a4 e2e3 g2g3 g2g4 "
         "a1b1 a1c1 a1d1 h1f1 h1g1 h1h2 h1h3 h1h4 h1h5 h1h6 h1h7 h1h8 e1d1 e1f1 e1d2 e1f2"},
        // Black: king-side castling refused (f8 attacked), queen side allowed
        // though b8 is attacked; bishops; pawns from h7 down, a pawn on the
        // second rank left to the promotion generators; rooks; king.
        {"r3k2r/3p3p/1b6/3N4/8/p5B1/1p6/5R1K b kq -",
         "e8c8 b6g1 b6f2 b6e3 b6d4 b6a5 b6c5 b6a7 b6c7 b6d8 h7h6 h7h5 d7d6 a3a2 "
         "a8a4 a8a5 a8a6 a8a7 a8b8 a8c8 a8d8 h8f8 h8g8 e8e7 e8f7 e8d8 e8f8"},
        // Knight, pawns (one blocked, one on the seventh rank), queen; the
        // king is hemmed in.
        {"8/6P1/8/8/1p6/1P6/PQ6/KN1k4 w - -",
         "b1d2 b1a3 b1c3 a2a3 a2a4 b2c1 b2c2 b2d2 b2e2 b2f2 b2g2 b2h2 b2a3 b2c3 b2d4 b2e5 b2f6"},
        // No castling through an attacked square, or with a man in the way.
        {"4k3/8/8/8/8/8/3r4/R3K1NR w KQ -",
         "g1e2 g1f3 g1h3 a1b1 a1c1 a1d1 a1a2 a1a3 a1a4 a1a5 a1a6 a1a7 a1a8 "
         "h1h2 h1h3 h1h4 h1h5 h1h6 h1h7 h1h8 e1d1 e1f1 e1e2 e1f2"},
        {"r3k2r/8/8/8/8/8/8/2R1K2R b kq -",
         "e8g8 a8a1 a8a2 a8a3 a8a4 a8a5 a8a6 a8a7 a8b8 a8c8 a8d8 "
         "h8h2 h8h3 h8h4 h8h5 h8h6 h8h7 h8f8 h8g8 e8d7 e8e7 e8f7 e8d8 e8f8"},
    };
    for (const GenerationCase& c : cases) {
        Load(c.fen);
        EXPECT_EQ(Generate(1), c.expected) << c.fen;
    }
}

TEST_F(QuietGenerator, ScoresComeFromTheHistoryHalfOfTheSide) {
    Load("4k3/8/8/8/4b3/2N5/P3P1P1/R3K2R w KQ -");
    HistoryOf(0, 1, E1, G1, WHITE) = 700;   // castling scores as a king move
    HistoryOf(0, 1, C3, D5, WHITE) = 300;   // knight
    HistoryOf(1, 1, G2, G4, WHITE) = 250;   // pawn
    HistoryOf(2, 1, H1, H8, WHITE) = 90;    // rook
    HistoryOf(0, 0, C3, D5, WHITE) = 55;    // the other half
    HistoryOf(0, 1, C3, D5, BLACK) = 11;    // the other side
    HistoryOf(1, 1, E1, G1, WHITE) = 13;    // another piece class
    EXPECT_EQ(Generate(1),
              "e1g1:700 e1c1 c3b1 c3d1 c3a4 c3b5 c3d5:300 a2a3 a2a4 e2e3 g2g3 g2g4:250 "
              "a1b1 a1c1 a1d1 h1f1 h1g1 h1h2 h1h3 h1h4 h1h5 h1h6 h1h7 h1h8:90 e1d1 e1f1 e1d2 e1f2");
    EXPECT_EQ(Generate(0, 200),
              "e1g1 e1c1 c3b1 c3d1 c3a4 c3b5 c3d5:55 a2a3 a2a4 e2e3 g2g3 g2g4 "
              "a1b1 a1c1 a1d1 h1f1 h1g1 h1h2 h1h3 h1h4 h1h5 h1h6 h1h7 h1h8 e1d1 e1f1 e1d2 e1f2");

    Load("8/6P1/8/8/1p6/1P6/PQ6/KN1k4 b - -");
    HistoryOf(3, 0, B2, F6, WHITE) = 1;  // queens of the side not to move do not count
    HistoryOf(0, 0, D1, E2, BLACK) = 32700;
    HistoryOf(0, 1, D1, E2, BLACK) = 400;
    EXPECT_EQ(Generate(0), "d1c1 d1e1 d1c2 d1d2 d1e2:32700");
    EXPECT_EQ(Generate(1), "d1c1 d1e1 d1c2 d1d2 d1e2:400");
}

TEST_F(QuietGenerator, MoveWordsCarryOnlyFromToAndPiece) {
    Load("r3k2r/3p3p/1b6/3N4/8/p5B1/1p6/5R1K b kq -");
    MoveStackTop = 0;
    GenerateQuietMoves(1);
    for (i32 i = 0; i < MoveStackTop; i++) {
        const Move move = MoveStack[i].move;
        EXPECT_EQ(MoveCaptured(move), EMPTY) << MoveToText(move);
        EXPECT_EQ(MovePromotion(move), EMPTY) << MoveToText(move);
        EXPECT_EQ(MovePiece(move), board.Squares[MoveFrom(move)]) << MoveToText(move);
        EXPECT_EQ(board.Squares[MoveTo(move)], EMPTY) << MoveToText(move);
        EXPECT_EQ(move >> 21, 0u);
    }
}

}  // namespace
