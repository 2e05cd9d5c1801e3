#include "board/move_text.h"

#include <gtest/gtest.h>

#include <string>

#include "board/board.h"
#include "board/fen.h"
#include "board/init_tables.h"

namespace {

class MoveText : public ::testing::Test {
protected:
    void SetUp() override { InitEngineTables(); }
};

TEST_F(MoveText, MoveWordsToText) {
    struct Case { Move move; const char* text; const char* shortText; const char* withPiece; };
    const Case cases[] = {
        {NoMove, "0000", "a1a1", "-"},
        {MakeMoveWord(E2, E4, PAWN), "e2e4", "e2e4", "Pe2e4"},
        {MakeMoveWord(G1, F3, KNIGHT), "g1f3", "g1f3", "Ng1f3"},
        {MakeMoveWord(E7, E8, PAWN, EMPTY, KNIGHT), "e7e8n", "e7e8", "Pe7e8"},
        {MakeMoveWord(B7, A8, PAWN, ROOK, QUEEN), "b7a8q", "b7a8", "Pb7a8"},
        {MakeMoveWord(A2, A1, PAWN, EMPTY, ROOK), "a2a1r", "a2a1", "Pa2a1"},
        {MakeMoveWord(H2, H1, PAWN, EMPTY, BISHOP), "h2h1b", "h2h1", "Ph2h1"},
        {MakeMoveWord(E1, G1, KING), "e1g1", "e1g1", "Ke1g1"},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(MoveToText(c.move), c.text);
        EXPECT_STREQ(MoveToShortText(c.move), c.shortText);
        EXPECT_STREQ(MoveToTextWithPiece(c.move), c.withPiece);
    }
}

TEST_F(MoveText, RecognisesCoordinateMoves) {
    struct Case { const char* text; i32 expected; };
    const Case cases[] = {{"e2e4", 1}, {"E2E4", 1}, {"e2e4x", 1}, {"a1h8q", 1}, {"e9e4", 0},
                          {"i2e4", 0}, {"e2e", 0}, {"", 0}, {"\xC4" "2e4", 0}, {"e2e0", 0}};
    for (const Case& c : cases) EXPECT_EQ(IsCoordinateMove(c.text), c.expected) << c.text;
}

TEST_F(MoveText, ParsesAgainstTheCurrentBoard) {
    ASSERT_EQ(ParseFen("r3k3/1P6/8/3pP3/8/8/8/4K3 w - d5"), 1);
    struct Case { const char* text; Move expected; };
    const Case cases[] = {
        {"e1e2", MakeMoveWord(E1, E2, KING)},
        {"E1E2", MakeMoveWord(E1, E2, KING)},
        {"b7a8q", MakeMoveWord(B7, A8, PAWN, ROOK, QUEEN)},
        {"b7b8n", MakeMoveWord(B7, B8, PAWN, EMPTY, KNIGHT)},
        {"b7b8Q", MakeMoveWord(B7, B8, PAWN)},
        {"e5d6", MakeMoveWord(E5, D6, PAWN)},
        {"e9e4", NoMove},
        {"i1e4", NoMove},
        {"e1", NoMove},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseMoveText(c.text), c.expected) << c.text;
}

TEST_F(MoveText, PrintsTheBoardAndBits) {
    SetupStartPosition();
    testing::internal::CaptureStdout();
    PrintBoard();
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed.substr(0, 17), "*R*N*B*Q*K*B*N*R\n");
    EXPECT_EQ(printed.substr(17 * 2, 17), " . . . . . . . .\n");
    EXPECT_EQ(printed.substr(17 * 7), " R N B Q K B N R\n");
    testing::internal::CaptureStdout();
    PrintBits8(5);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "10100000");
}

}  // namespace
