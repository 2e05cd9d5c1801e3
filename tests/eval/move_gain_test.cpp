#include "eval/move_gain.h"

#include <gtest/gtest.h>

#include "board/board.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "board/pst.h"
#include "eval/eval_info.h"
#include "eval/eval_params.h"
#include "eval/material_table.h"

namespace {

class MoveGain : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        InitEngineTables();
        SetBuiltInEvalParams();
        DeriveEvalTables();
    }
};

// The piece-square change of a move for the mover, blended by the phase.
i32 PieceSquareChange(Move move, PieceType captured) {
    const Side side = board.SideToMove;
    const Square from = MoveFrom(move), to = MoveTo(move);
    const PieceType mover = MovePromotion(move) ? MovePromotion(move) : MovePiece(move);
    const i32 opening = PstOpening[captured][side][to] - PstOpening[mover][side][from] +
                        PstOpening[mover][side][to];
    const i32 endgame = PstEndgame[captured][side][to] - PstEndgame[mover][side][from] +
                        PstEndgame[mover][side][to];
    const i32 phase = board.current_phase;
    return (opening * (256 - phase) + endgame * phase) >> 8;
}

TEST_F(MoveGain, EdgeCases) {
    struct Case {
        const char* name;
        const char* fen;
        Move move;
        PieceType capturedOnBoard;  // what the move removes (a pawn for en passant)
        i32 gainBeforePieceSquares;
    };
    const Case cases[] = {
        // A rook moving along a file changes no piece-square value.
        {"quiet rook move", "4k1nr/8/8/8/8/8/8/R3K3 w - -", MakeMoveWord(A1, A5, ROOK), EMPTY, 0},
        {"quiet rook move, enemy below six units", "4k2r/8/8/8/8/8/8/R3K3 w - -",
         MakeMoveWord(A1, A5, ROOK), EMPTY, 25},
        // Rook against rook and two knights is piece up for black before and
        // after: the table sees nothing beyond the knight.
        {"rook takes one of two knights", "4k1nr/8/8/n7/8/8/8/R3K3 w - -",
         MakeMoveWord(A1, A5, ROOK, KNIGHT), KNIGHT, 300},
        // The last knight: black's piece-up bonus goes (120) and black drops
        // to five units (25).
        {"rook takes the last knight", "4k2r/8/8/n7/8/8/8/R3K3 w - -",
         MakeMoveWord(A1, A5, ROOK, KNIGHT), KNIGHT, 300 + 120 + 25},
        {"black rook takes the last knight", "r3k3/8/8/8/8/8/8/N3K2R b - -",
         MakeMoveWord(A8, A1, ROOK, KNIGHT), KNIGHT, 300 + 120 + 25},
        // En passant: a pawn's value, the push bonus of the sixth rank; the
        // capturing pawn itself stands in the taken pawn's front span.
        {"en passant", "4k1nr/8/8/3pP3/8/8/8/R3K3 w - -", MakeMoveWord(E5, D6, PAWN), PAWN,
         100 + 200},
        {"quiet promotion", "4k1nr/P7/8/8/8/8/8/4K3 w - -",
         MakeMoveWord(A7, A8, PAWN, EMPTY, QUEEN), EMPTY, 900 + 160},
        {"quiet queen move", "4k1nr/8/8/8/8/8/8/3QK3 w - -", MakeMoveWord(D1, D4, QUEEN), EMPTY,
         160},
        {"quiet queen move, enemy below six units", "4k2r/8/8/8/8/8/8/3QK3 w - -",
         MakeMoveWord(D1, D4, QUEEN), EMPTY, 160 + 25},
        // A passed black pawn taken: bonus of its second rank (2); queen
        // takes pawn (100).
        {"queen takes a passed pawn", "4k1nr/3p4/8/8/8/8/8/3QK3 w - -",
         MakeMoveWord(D1, D7, QUEEN, PAWN), PAWN, 100 + 2 + 100},
        // Queen off the board: the table turns to piece up for black (-120);
        // black's only queen (25).
        {"rook takes the only queen", "4k1nr/8/8/8/8/8/q7/R3K3 w - -",
         MakeMoveWord(A1, A2, ROOK, QUEEN), QUEEN, 900 - 120 + 25},
        // Three queens have no table entry: piece up instead.
        {"capture without a table entry", "4k1nr/8/8/n7/8/8/8/QQQ1K3 w - -",
         MakeMoveWord(A1, A5, QUEEN, KNIGHT), KNIGHT, 300 + 120 + 160},
        {"black passed pawn push", "4k1nr/8/8/4p3/8/8/8/RN2K3 b - -", MakeMoveWord(E5, E4, PAWN),
         EMPTY, 50},
        {"black pawn push, white below six units", "4k3/8/8/4p3/8/8/8/R3K3 b - -",
         MakeMoveWord(E5, E4, PAWN), EMPTY, 50 + 25},
        // A black pawn on the next file ahead: not passed.
        {"pawn push that is not passed", "4k1nr/3p4/8/4P3/8/8/8/R3K3 w - -",
         MakeMoveWord(E5, E6, PAWN), EMPTY, 0},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(ParseFen(c.fen), 1) << c.name;
        board.current_phase = -999;  // the estimate must load the phase itself
        const i32 gain = EstimateMoveGain(c.move);
        EXPECT_EQ(gain, c.gainBeforePieceSquares + PieceSquareChange(c.move, c.capturedOnBoard))
            << c.name;
    }
}

TEST_F(MoveGain, LoadsPhasesAndEndingFlagsForTheCurrentMaterial) {
    struct Case {
        const char* fen;
        Move move;
        i32 current;
        i32 whiteEnding, blackEnding;
    };
    const Case cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", MakeMoveWord(E2, E4, PAWN), 0, 0,
         0},
        {"4k2r/8/8/n7/8/8/8/R3K3 w - -", MakeMoveWord(A1, A5, ROOK, KNIGHT), 203, EndingFlag,
         EndingFlag},
        // No table entry: the phase from the counts, flags 1 or 0.
        {"4k1nr/8/8/n7/8/8/8/QQQ1K3 w - -", MakeMoveWord(A1, A5, QUEEN, KNIGHT), 85, 1, 0},
        {"4k2r/8/8/8/8/8/8/QQQ1K3 w - -", MakeMoveWord(A1, A5, QUEEN), 107, 1, 0},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(ParseFen(c.fen), 1) << c.fen;
        eval_info = EvalInfo{};
        eval_info.ENDING[WHITE] = eval_info.ENDING[BLACK] = 7;
        EstimateMoveGain(c.move);
        EXPECT_EQ(board.current_phase, c.current) << c.fen;
        EXPECT_EQ(eval_info.ENDING[WHITE], c.whiteEnding) << c.fen;
        EXPECT_EQ(eval_info.ENDING[BLACK], c.blackEnding) << c.fen;
    }
}

}  // namespace
