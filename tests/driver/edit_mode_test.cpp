#include "driver/edit_mode.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "board/board.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "board/make_move.h"
#include "search/trans_table.h"
#include "support/board_check.h"

namespace {

class EditMode : public ::testing::Test {
protected:
    void SetUp() override { InitEngineTables(); }
    // Feeds the text to edit mode and returns what it printed.
    static std::string Edit(const std::string& text) {
        size_t next = 0;
        testing::internal::CaptureStdout();
        EditBoardMode([&]() -> i32 { return next < text.size() ? u8(text[next++]) : -1; });
        return testing::internal::GetCapturedStdout();
    }
    static std::string Fen() {
        WriteFen(NoMove);
        return FenText;
    }
};

TEST_F(EditMode, ClearAndPlaceKings) {
    SetupStartPosition();
    const u16 age = TransAge;
    EXPECT_EQ(Edit("#\nKe1\nc\nke8\n.\n"), "");
    EXPECT_EQ(Fen(), "4k3/8/8/8/8/8/8/4K3 w - - ");
    EXPECT_EQ(board.CastlingFlags, 0);
    EXPECT_EQ(GamePly, 0);
    EXPECT_EQ(TransAge, u16(age + 3));
    EXPECT_EQ(BoardInconsistency(), "");
}

TEST_F(EditMode, SideToMoveStaysAndCastlingComesFromHomeSquares) {
    ASSERT_EQ(ParseFen("4k3/8/8/8/8/8/8/4K3 b - -"), 1);
    Edit("Ra1Rh1 c ra8 .");
    EXPECT_EQ(board.SideToMove, BLACK);
    EXPECT_EQ(board.CastlingFlags, 1 | 2 | 8);
    EXPECT_EQ(BoardInconsistency(), "");
}

TEST_F(EditMode, PlacingOnAnOccupiedSquareReplacesTheMan) {
    SetupStartPosition();
    Edit("Nd1 c Qa7 xh8 .");
    EXPECT_EQ(board.Squares[D1], KNIGHT);
    EXPECT_EQ(board.PieceCount[QUEEN][WHITE], 0);
    EXPECT_EQ(board.PieceCount[KNIGHT][WHITE], 3);
    EXPECT_EQ(board.PieceCount[QUEEN][BLACK], 2);
    EXPECT_EQ(board.PieceCount[PAWN][BLACK], 7);
    EXPECT_EQ(board.Squares[H8], EMPTY);
    EXPECT_EQ(board.Material[WHITE], 3900 - 900 + 300);
    EXPECT_EQ(board.MaterialIndex, MaterialIndexNone);
    EXPECT_EQ(board.CastlingFlags, 1 | 2 | 8);
    EXPECT_EQ(BoardInconsistency(), "");
}

TEST_F(EditMode, ErrorsAreReportedAndReadingGoesOn) {
    struct Case { const char* input; const char* output; const char* fen; };
    const Case cases[] = {
        // A bad file letter is consumed; the next character is a new command.
        {"#Ke1 Pz2 cke8 .", "Error\nError\n", "4k3/8/8/8/8/8/8/4K3 w - - "},
        {"#Ke1 Pe9 cke8 .", "Error\n", "4k3/8/8/8/8/8/8/4K3 w - - "},
        {"#Ke1 ? cke8 Pe2 .", "Error\n", "4k3/8/8/8/8/8/4p3/4K3 w - - "},
    };
    for (const Case& c : cases) {
        SetupStartPosition();
        EXPECT_EQ(Edit(c.input), c.output) << c.input;
        EXPECT_EQ(Fen(), c.fen) << c.input;
        EXPECT_EQ(BoardInconsistency(), "") << c.input;
    }
}

TEST_F(EditMode, EndOfInputClosesTheEdit) {
    SetupStartPosition();
    EXPECT_EQ(Edit("#Ke1 cke8 Qd"), "");
    EXPECT_EQ(Fen(), "4k3/8/8/8/8/8/8/4K3 w - - ");
    EXPECT_EQ(BoardInconsistency(), "");
}

TEST_F(EditMode, UnplayableResultRestoresThePositionBefore) {
    const char* const inputs[] = {"#Ke1 .", "#Ke1 Kd1 cke8 .", "cPa8 .", "#Ke1 cke8 Qe2 .",
                                  "Pa3Pb3Pc3Pd3Pe3Pf3Pg3Ph3Pa4 ."};
    for (const char* input : inputs) {
        SetupStartPosition();
        MakeMove(MakeMoveWord(E2, E4, PAWN), 1);
        const Board before = board;
        const std::string printed = Edit(input);
        EXPECT_EQ(printed.rfind("Illegal position", 0), 0u) << input << ": " << printed;
        EXPECT_EQ(std::memcmp(&before, &board, sizeof(Board)), 0) << input;
        EXPECT_EQ(BoardInconsistency(), "") << input;
        EXPECT_EQ(GamePly, 1) << input;
        EXPECT_EQ(GameBasePly, 0) << input;
    }
    // A set-up double step stays the set-up ply of the position kept.
    ASSERT_EQ(ParseFen("4k3/8/8/8/4P3/8/8/4K3 b - e4"), 1);
    EXPECT_EQ(Edit("#Ke1 ."), "Illegal position: each side needs exactly one king\n");
    EXPECT_EQ(GamePly, 1);
    EXPECT_EQ(GameBasePly, 1);
    // An accepted edit starts the game record anew.
    Edit("Nb1 .");
    EXPECT_EQ(GamePly, 0);
    EXPECT_EQ(GameBasePly, 0);
}

// A king placed beside the one already there and taken off again, or
// replaced by another man, leaves the board as if it had never stood there:
// king squares, king sets and every other derived field follow the squares.
TEST_F(EditMode, ASecondKingLeavesNoTrace) {
    struct Case { const char* input; const char* fen; };
    const Case cases[] = {
        {"Ka4 xa4 .", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - "},
        {"Ka4 Na4 xb1 .", "rnbqkbnr/pppppppp/8/8/N7/8/PPPPPPPP/R1BQKBNR w KQkq - "},
        {"Ka4 xe1 Ke1 xa4 .", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - "},
        // The old king goes and the new one stays.
        {"Ka4 xe1 .", "rnbqkbnr/pppppppp/8/8/K7/8/PPPPPPPP/RNBQ1BNR w kq - "},
        {"c ka5 xe8 xa5 ke7 .", "rnbq1bnr/ppppkppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQ - "},
    };
    for (const Case& c : cases) {
        SetupStartPosition();
        EXPECT_EQ(Edit(c.input), "") << c.input;
        EXPECT_EQ(Fen(), c.fen) << c.input;
        EXPECT_EQ(BoardInconsistency(), "") << c.input;
        for (Side side : {WHITE, BLACK}) {
            EXPECT_EQ(board.Squares[board.KingSquare[side]], KING) << c.input;
            EXPECT_EQ(board.Bitboards[KING][side], SquareBit(board.KingSquare[side])) << c.input;
        }
    }
}

}  // namespace
