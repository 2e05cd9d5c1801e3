#include "board/fen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "board/board.h"
#include "board/init_tables.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "support/board_check.h"

namespace {

class FenText_ : public ::testing::Test {
protected:
    void SetUp() override { InitEngineTables(); }
};

std::string WrittenFen() {
    WriteFen(NoMove);
    return FenText;
}

TEST_F(FenText_, StartPositionWritesTheEnginesDialect) {
    SetupStartPosition();
    EXPECT_EQ(WrittenFen(), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - ");
    EXPECT_EQ(FenLength, i32(std::strlen(FenText)) + 1);
    WriteFen(MakeMoveWord(G1, F3, KNIGHT));
    EXPECT_STREQ(FenText, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - g1f3");
}

TEST_F(FenText_, RoundTrips) {
    const char* const texts[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - ",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - ",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - ",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - ",
        "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - ",
        "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f5 ",
        "8/8/8/8/k2Pp2Q/8/8/3K4 b - d4 ",
        "4k3/8/8/8/8/8/8/4K2R b K - ",
    };
    for (const char* text : texts) {
        ASSERT_EQ(ParseFen(text), 1) << text;
        EXPECT_EQ(BoardInconsistency(), "") << text;
        const std::string written = WrittenFen();
        EXPECT_EQ(written, text);
        const u64 key = board.HashKey;
        ASSERT_EQ(ParseFen(written.c_str()), 1);
        EXPECT_EQ(WrittenFen(), written);
        EXPECT_EQ(board.HashKey, key);
    }
}

// Both the engine's en-passant form and the standard one grant the right,
// and only when the pawn stands there with the squares it passed empty.
TEST_F(FenText_, EnPassantFieldInBothForms) {
    struct Case { const char* fen; i32 gamePly; const char* move; };
    const Case cases[] = {
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e4", 1, "e2e4"},
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1", 1, "e2e4"},
        {"rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3", 1, "f7f5"},
        {"rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f5", 1, "f7f5"},
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq d3", 0, nullptr},
        {"rnbqkbnr/pppppppp/8/8/4P3/4N3/PPPP1PPP/RNBQKB1R b KQkq e3", 0, nullptr},
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e4", 0, nullptr},
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq z9", 0, nullptr},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(ParseFen(c.fen), 1) << c.fen;
        EXPECT_EQ(GamePly, c.gamePly) << c.fen;
        // The double step is part of the set-up, not of the game.
        EXPECT_EQ(GameBasePly, c.gamePly) << c.fen;
        if (c.move) {
            EXPECT_STREQ(MoveToText(GameHistory[0].Move), c.move) << c.fen;
        }
        EXPECT_EQ(BoardInconsistency(), "") << c.fen;
    }
}

// The seeded entry is complete: taking the double step back gives exactly
// the position with the pawn at home.
TEST_F(FenText_, SeededEnPassantEntryTakesBackCleanly) {
    ASSERT_EQ(ParseFen("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1"), 1);
    UnmakeMove();
    const Board taken = board;
    SetupStartPosition();
    EXPECT_EQ(std::memcmp(&taken, &board, sizeof(Board)), 0);
}

// "undo" and "remove" stop at the set-up position: taking the double step
// back would reach a position nobody gave, here one with the king in check
// and the other side to move.
TEST_F(FenText_, TakeBacksStopAtTheSetUpPosition) {
    ASSERT_EQ(ParseFen("k7/8/8/8/4P3/8/8/4K2B b - e3 0 1"), 1);
    const Board setUp = board;
    EXPECT_FALSE(TakeBackGameMove());
    EXPECT_EQ(GamePly, 1);
    EXPECT_EQ(std::memcmp(&setUp, &board, sizeof(Board)), 0);
    MakeMove(MakeMoveWord(A8, B8, KING), 1);
    EXPECT_TRUE(TakeBackGameMove());
    EXPECT_FALSE(TakeBackGameMove());
    EXPECT_EQ(std::memcmp(&setUp, &board, sizeof(Board)), 0);

    // The start position and a FEN without the right start at ply 0.
    SetupStartPosition();
    EXPECT_EQ(GameBasePly, 0);
    ASSERT_EQ(ParseFen("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq -"), 1);
    EXPECT_EQ(GameBasePly, 0);
    EXPECT_FALSE(TakeBackGameMove());
    MakeMove(MakeMoveWord(E7, E5, PAWN), 1);
    EXPECT_TRUE(TakeBackGameMove());
    EXPECT_EQ(GamePly, 0);
}

TEST_F(FenText_, HalfMoveClockAndWhatFollows) {
    struct Case { const char* fen; i32 clock; };
    const Case cases[] = {
        {"4k3/8/8/8/8/8/8/4K3 w - - 37 80", 37},
        {"4k3/8/8/8/8/8/8/4K3 w - - 5000 80", 999},
        {"4k3/8/8/8/8/8/8/4K3 w - -", 0},
        {"4k3/8/8/8/8/8/8/4K3 w - - moves e1e2", 0},
        {"4k3/8/8/8/8/8/8/4K3 w - - bm Kf2;", 0},
        {"4k3/8/8/8/8/8/8/4K3 w", 0},
        {"4k3/8/8/8/4P3/8/8/4K3 b - e3 12", 12},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(ParseFen(c.fen), 1) << c.fen;
        EXPECT_EQ(board.FiftyMoveCounter, c.clock) << c.fen;
    }
}

TEST_F(FenText_, CastlingRightsNeedKingAndRookAtHome) {
    ASSERT_EQ(ParseFen("r3k2r/8/8/8/8/8/8/4K2R w KQkq -"), 1);
    EXPECT_EQ(board.CastlingFlags, 13);
    ASSERT_EQ(ParseFen("r3k2r/8/8/8/8/8/8/R2K3R w KQkq -"), 1);
    EXPECT_EQ(board.CastlingFlags, 12);
    ASSERT_EQ(ParseFen("r3k2r/8/8/8/8/8/8/R3K2R w Kq -"), 1);
    EXPECT_EQ(board.CastlingFlags, 9);
}

TEST_F(FenText_, RefusedTextsLeaveThePositionAlone) {
    const char* const refused[] = {
        "",
        "   ",
        "4k3/8/8/8/8/8/8/4K1N2 w - -",
        "rnbqkbnr/ppppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/8 w KQkq -",
        "rnbq1bnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQ -",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKKNR w kq -",
        "4k3/8/8/8/8/8/8/P3K3 w - -",
        "p3k3/8/8/8/8/8/8/4K3 w - -",
        "4k3/8/8/8/8/PPPPPPPP/P7/4K3 w - -",
        "4k3/8/8/8/8/NNNNNNNN/NNNNNNNN/4K3 w - -",
        "4k3/8/8/8/8/8/8/4K3 x - -",
        "4k3/8/8/8/8/8/8/4K3 white - -",
        "4k3/8/8/8/8/8/8/4K3",
        "4k3/8/8/8/8/8/4r3/4K3 b - -",
        // Placements that are no FEN: a short rank, too few ranks, a stray
        // character, a digit beyond eight.
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN w KQkq -",
        "rnbqkbnr/pppppppp/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
        "rnbqkbnr/pppppppp/8/8/4x3/8/PPPPPPPP/RNBQKBNR w KQkq -",
        "rnbqkbnr/pppppppp/9/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
    };
    for (const char* text : refused) {
        SetupStartPosition();
        MakeMove(MakeMoveWord(E2, E4, PAWN), 1);
        const Board before = board;
        testing::internal::CaptureStdout();
        EXPECT_EQ(ParseFen(text), 0) << text;
        const std::string output = testing::internal::GetCapturedStdout();
        EXPECT_EQ(output.rfind("Illegal position", 0), 0u) << text << ": " << output;
        EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
        EXPECT_EQ(std::memcmp(&before, &board, sizeof(Board)), 0) << text;
        EXPECT_EQ(GamePly, 1);
    }
}

TEST_F(FenText_, EnPassantIsWrittenOnlyWithAPawnBeside) {
    ASSERT_EQ(ParseFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -"), 1);
    MakeMove(MakeMoveWord(E2, E4, PAWN), 1);
    EXPECT_EQ(WrittenFen(), "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - ");
    ASSERT_EQ(ParseFen("rnbqkbnr/ppp1pppp/8/8/3p4/8/PPPPPPPP/RNBQKBNR w KQkq -"), 1);
    MakeMove(MakeMoveWord(E2, E4, PAWN), 1);
    EXPECT_EQ(WrittenFen(), "rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b KQkq e4 ");
}

TEST_F(FenText_, AppendNeverPassesTheBuffer) {
    FenLength = 0;
    const std::string chunk(100, 'x');
    for (i32 i = 0; i < 10; i++) AppendFenText(chunk.c_str());
    EXPECT_EQ(FenLength, FenTextSize - 1);
    EXPECT_EQ(std::strlen(FenText), size_t(FenTextSize - 1));
    const i32 length = FenLength;
    AppendFenText("");
    EXPECT_EQ(FenLength, length);
}

}  // namespace
