#include "board/move_gen_promotions.h"

#include <gtest/gtest.h>

#include <string>

#include "board/board.h"
#include "board/move_text.h"
#include "search/history.h"
#include "search/trans_table.h"
#include "support/generator_output.h"

namespace {

class PromotionGenerators : public CaptureScoringTest {};

std::string Generate(void (*generator)()) {
    const i32 start = 11;
    MoveStackTop = start;
    generator();
    return StackText(start);
}

struct GenerationCase {
    const char* fen;
    void (*generator)();
    const char* expected;
};

TEST_F(PromotionGenerators, OrderPiecesAndScores) {
    // White pawns on b7, e7 (blocked) and g7; the rook on a8 would take a
    // queen on b8, nothing guards g8; a knight on g8 checks the king on f6.
    const char* const whiteToMove = "r3n3/1P2P1P1/5k2/8/8/8/8/7K w - -";
    // Black pawns on c2 and f2, both promotion squares unguarded.
    const char* const blackToMove = "8/8/8/8/8/8/2p2p2/K6k b - -";
    const GenerationCase cases[] = {
        {whiteToMove, GenerateAllQuietPromotions,
         "g7g8q:107900 g7g8r:-128100 g7g8n:-128100 g7g8b:-128100 "
         "b7b8q:-128100 b7b8r:-128100 b7b8n:-128100 b7b8b:-128100"},
        {whiteToMove, GenerateQuietPromotions, "g7g8q:107900 g7g8n:-128100 b7b8q:-128100"},
        {whiteToMove, GenerateSafeQuietPromotions, "g7g8q:107900"},
        {blackToMove, GenerateAllQuietPromotions,
         "f2f1q:107900 f2f1r:-128100 f2f1n:-128100 f2f1b:-128100 "
         "c2c1q:107900 c2c1r:-128100 c2c1n:-128100 c2c1b:-128100"},
        {blackToMove, GenerateQuietPromotions, "f2f1q:107900 c2c1q:107900"},
        {blackToMove, GenerateSafeQuietPromotions, "f2f1q:107900 c2c1q:107900"},
        // Knight checks for Black: the king on d3 is a knight's move from c1.
        {"8/8/8/8/8/3K4/2p2p2/7k b - -", GenerateQuietPromotions,
         "f2f1q:107900 c2c1q:107900 c2c1n:-128100"},
        // Pawns elsewhere, or blocked by a man of either side, yield nothing.
        {"4k3/8/P7/8/8/8/1p6/7K w - -", GenerateAllQuietPromotions, ""},
        {"1n2k1N1/1P4P1/8/8/8/8/8/4K3 w - -", GenerateAllQuietPromotions, ""},
    };
    for (const GenerationCase& c : cases) {
        Load(c.fen);
        EXPECT_EQ(Generate(c.generator), c.expected) << c.fen;
    }
}

TEST_F(PromotionGenerators, KnightPromotionOnlyWhenItChecks) {
    // e7e8 promotes; the knight on e8 attacks c7, d6, f6 and g7.
    struct KingCase {
        const char* fen;
        bool knight;
    };
    const KingCase cases[] = {
        {"8/4P3/3k4/8/8/8/8/K7 w - -", true},  {"8/4P3/5k2/8/8/8/8/K7 w - -", true},
        {"8/2k1P3/8/8/8/8/8/K7 w - -", true},  {"8/4P1k1/8/8/8/8/8/K7 w - -", true},
        {"8/4P3/4k3/8/8/8/8/K7 w - -", false}, {"8/4P3/8/8/8/4k3/8/K7 w - -", false},
    };
    for (const KingCase& c : cases) {
        Load(c.fen);
        MoveStackTop = 0;
        GenerateQuietPromotions();
        ASSERT_GE(MoveStackTop, 1) << c.fen;
        EXPECT_EQ(MoveStack[0].move, MakeMoveWord(E7, E8, PAWN, EMPTY, QUEEN)) << c.fen;
        EXPECT_EQ(MoveStackTop, c.knight ? 2 : 1) << c.fen;
        if (c.knight) {
            EXPECT_EQ(MoveStack[1].move, MakeMoveWord(E7, E8, PAWN, EMPTY, KNIGHT));
        }
    }
}

TEST_F(PromotionGenerators, RefusedQueenPromotionRankedByStatisticsUnderPromotionsNever) {
    Load("r3n3/1P2P1P1/5k2/8/8/8/8/7K w - -");
    // The promotion's statistics slot holds no promotion piece: queen and
    // knight promotions share it. Every try paid off.
    const i32 slot = (WHITE << 18) | (B7 << 12) | (B8 << 6) | PAWN;
    CaptureTries[slot] = 20;
    CaptureSuccess[slot] = 20;
    CaptureStatStamp[slot] = i16(TransAge);
    EXPECT_EQ(Generate(GenerateAllQuietPromotions),
              "g7g8q:107900 g7g8r:-128100 g7g8n:-128100 g7g8b:-128100 "
              "b7b8q:49900 b7b8r:-128100 b7b8n:-128100 b7b8b:-128100");
}

}  // namespace
