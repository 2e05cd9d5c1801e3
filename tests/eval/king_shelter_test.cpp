#include "eval/king_shelter.h"

#include <gtest/gtest.h>

#include "board/board.h"
#include "board/fen.h"
#include "eval/eval_info.h"
#include "eval/eval_params.h"
#include "eval/pawn_structure.h"
#include "eval/personality.h"
#include "search/hash_tables.h"
#include "search/search_limits.h"
#include "support/eval_positions.h"

namespace {

class KingShelter : public EvalTest {
protected:
    // Sets up the position and runs the pawn structure first, as the
    // evaluation does, so the defect bytes are in place.
    static void SetUpPosition(const char* fen) { ASSERT_TRUE(SetUpWithPawnStructure(fen)) << fen; }
};

TEST_F(KingShelter, TablesHoldTheirShape) {
    EXPECT_EQ(Shelter[0], 0);
    EXPECT_EQ(Shelter[8], 81);
    EXPECT_EQ(Shelter[23], 175);
    EXPECT_EQ(Shelter[24], 180);
    EXPECT_EQ(Shelter[ShelterPenaltyMax], 180);
    for (i32 i = 1; i < 64; i++) EXPECT_LE(Shelter[i - 1], Shelter[i]) << i;

    EXPECT_EQ(KingSquareShelter[G1], 0);
    EXPECT_EQ(KingSquareShelter[E1], 3);
    EXPECT_EQ(KingSquareShelter[A1], 1);
    EXPECT_EQ(KingSquareShelter[B2], 1);
    EXPECT_EQ(KingSquareShelter[D2], 3);
    EXPECT_EQ(KingSquareShelter[H3], 3);
    EXPECT_EQ(KingSquareShelter[E4], 4);
    EXPECT_EQ(KingSquareShelter[A5], 5);
    EXPECT_EQ(KingSquareShelter[D6], 6);
    EXPECT_EQ(KingSquareShelter[H8], 6);
    // The rows are symmetric by file, so 63 - square is the rank mirror.
    for (Square sq = 0; sq < 64; sq++)
        EXPECT_EQ(KingSquareShelter[63 - sq], KingSquareShelter[sq ^ 56]) << sq;
}

// Defect bytes, shelter penalties and returned scores of both kings with the
// built-in parameters and the default personality.
struct ShelterCase {
    const char* fen;
    i32 whiteKingSide, whiteQueenSide, blackKingSide, blackQueenSide;
    i32 whitePenalty, whiteScore;
    i32 blackPenalty, blackScore;
};

// clang-format off
const ShelterCase ShelterCases[] = {
    // Unmoved pawns in front of castled kings: nothing to pay. The queen
    // wings are empty, three open files each.
    {"3q2k1/5ppp/8/8/8/8/5PPP/3Q2K1 w - -", 0, 16, 0, 16, 0, 0, 0, 0},
    // g3: two defects on the knight file, no relief without f3 or h3.
    {"3q2k1/5ppp/8/8/8/6P1/5P1P/3Q2K1 w - -", 2, 16, 0, 16, 2, -7, 0, 0},
    // f3, g3, h2: the f pawn adds one, the fianchetto relief takes one off.
    {"3q2k1/5ppp/8/8/8/5PP1/7P/3Q2K1 w - -", 2, 16, 0, 16, 2, -7, 0, 0},
    // The same for Black: f6, g6, h7.
    {"3q2k1/7p/5pp1/8/8/8/5PPP/3Q2K1 w - -", 0, 16, 2, 16, 0, 0, 2, -7},
    // A black bishop on f3 in front of the hole on g2.
    {"3q2k1/5ppp/8/8/8/5bP1/5P1P/3Q2K1 w - -", 2, 16, 0, 16, 5, -21, 0, 0},
    // Without the black queen the white penalty is halved: 2 becomes 1.
    {"6k1/5ppp/8/8/8/6P1/5P1P/3Q2K1 w - -", 2, 16, 0, 16, 1, -2, 0, 0},
    // No white g pawn: a defect and a half-open file for White, half of
    // that half-open weight for Black.
    {"3q2k1/5ppp/8/8/8/8/5P1P/3Q2K1 w - -", 4, 16, 1, 16, 4, -18, 1, -2},
    // Closed, sound edge and knight files: the open f file is not counted.
    {"3q2k1/6pp/8/8/8/8/6PP/3Q2K1 w - -", 0, 16, 0, 16, 0, 0, 0, 0},
    // Once the h file is half-open the open f file counts for both.
    {"3q2k1/6pp/8/8/8/8/6P1/3Q2K1 w - -", 12, 16, 9, 16, 12, -58, 9, -45},
    // Kings on the queen side, the black b pawn on b6.
    {"1k1q4/p1p5/1p6/8/8/8/PPP5/1K1Q4 w - -", 16, 0, 16, 2, 0, 0, 2, -7},
    // ... with a white bishop on c6 in front of the hole on b7.
    {"1k1q4/p1p5/1pB5/8/8/8/PPP5/1K1Q4 w - -", 16, 0, 16, 2, 0, 0, 5, -21},
    // The initial position: only the king square counts.
    {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", 0, 0, 0, 0, 3, -12, 3, -12},
    // Castling rights kept, queens gone from home and the centre open.
    {"rnb1kbnr/pppp1ppp/8/8/Q6q/8/PPP2PPP/RNB1KBNR w KQkq -", 0, 0, 0, 0, 8, -52, 7, -48},
    // Kings on d1 and e8 without rights; White has no queen, so Black's
    // penalty of 4 is halved.
    {"3qk3/pppppppp/8/8/8/8/PPPPPPPP/3K4 w - -", 0, 0, 0, 0, 4, -18, 2, -7},
    // Kings in the open with no pawns at all.
    {"3qk3/8/8/8/4K3/8/8/3Q4 w - -", 16, 16, 16, 16, 41, -90, 40, -90},
};
// clang-format on

TEST_F(KingShelter, DefectsPenaltiesAndScores) {
    for (const ShelterCase& c : ShelterCases) {
        SCOPED_TRACE(c.fen);
        ASSERT_NO_FATAL_FAILURE(SetUpPosition(c.fen));
        const PawnEntry& entry = board.LastPawnEntry;
        EXPECT_EQ(entry.white_defects_k, c.whiteKingSide);
        EXPECT_EQ(entry.white_defects_q, c.whiteQueenSide);
        EXPECT_EQ(entry.black_defects_k, c.blackKingSide);
        EXPECT_EQ(entry.black_defects_q, c.blackQueenSide);
        EXPECT_EQ(EvaluateBlackKingShelter(), c.blackScore);
        EXPECT_EQ(EvaluateWhiteKingShelter(), c.whiteScore);
        EXPECT_EQ(eval_info.shelter_penalty[WHITE], c.whitePenalty);
        EXPECT_EQ(eval_info.shelter_penalty[BLACK], c.blackPenalty);
    }
}

TEST_F(KingShelter, DefectsComeFromThePawnsAlone) {
    // The same pawns with other pieces and kings elsewhere give the same
    // bytes, computed directly.
    ASSERT_EQ(ParseFen("r3k3/5ppp/8/8/8/6P1/5P1P/R3K3 b Qq -"), 1);
    board.LastPawnEntry = PawnEntry{};
    ComputeShelterDefects();
    EXPECT_EQ(board.LastPawnEntry.white_defects_k, 2);
    EXPECT_EQ(board.LastPawnEntry.white_defects_q, 16);
    EXPECT_EQ(board.LastPawnEntry.black_defects_k, 0);
    EXPECT_EQ(board.LastPawnEntry.black_defects_q, 16);
}

TEST_F(KingShelter, PersonalityWeighsEachKingBySide) {
    const char* fen = "rnb1kbnr/pppp1ppp/8/8/Q6q/8/PPP2PPP/RNB1KBNR w KQkq -";
    // Penalties 8 (White) and 7 (Black): Shelter 81 and 72, both kings 12
    // down for their queens off home.
    struct Case {
        i32 engineSide, aggressivity, cowardice;
        i32 whiteScore, blackScore;
    };
    const Case cases[] = {
        {WHITE, 100, 100, -12 - 40, -12 - 36},   // half the table value each
        {WHITE, 300, 100, -12 - 40, -12 - 108},  // 1.5 times for the opponent's king
        {BLACK, 300, 100, -12 - 121, -12 - 36},
        {WHITE, 100, 0, -12, -12 - 36},  // a fearless engine ignores its own shelter
        {BLACK, 100, 0, -12 - 40, -12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "engine side " << c.engineSide << ", aggressivity "
                                        << c.aggressivity << ", cowardice " << c.cowardice);
        EngineSide = c.engineSide;
        SetPersonality(PersonalityTrait::Aggressivity, c.aggressivity);
        SetPersonality(PersonalityTrait::Cowardice, c.cowardice);
        ASSERT_NO_FATAL_FAILURE(SetUpPosition(fen));
        EXPECT_EQ(EvaluateWhiteKingShelter(), c.whiteScore);
        EXPECT_EQ(EvaluateBlackKingShelter(), c.blackScore);
    }
}

TEST_F(KingShelter, TunedValuesKeepThePenaltyWithinTheTables) {
    const char* fen = "rnb1kbnr/pppp1ppp/8/8/Q6q/8/PPP2PPP/RNB1KBNR w KQkq -";
    // Huge open-file weights push the penalty far past 63; negative ones
    // below 0. Either way it stays on the table.
    ShelterOpenFile = ShelterCentreOpenFile = 200;
    ASSERT_NO_FATAL_FAILURE(SetUpPosition(fen));
    EXPECT_EQ(EvaluateWhiteKingShelter(), -12 - 90);
    EXPECT_EQ(eval_info.shelter_penalty[WHITE], ShelterPenaltyMax);
    EXPECT_EQ(EvaluateBlackKingShelter(), -12 - 90);
    EXPECT_EQ(eval_info.shelter_penalty[BLACK], ShelterPenaltyMax);

    ShelterOpenFile = ShelterCentreOpenFile = -200;
    ASSERT_NO_FATAL_FAILURE(SetUpPosition(fen));
    EXPECT_EQ(EvaluateWhiteKingShelter(), -12);
    EXPECT_EQ(eval_info.shelter_penalty[WHITE], 0);
    EXPECT_EQ(EvaluateBlackKingShelter(), -12);
    EXPECT_EQ(eval_info.shelter_penalty[BLACK], 0);

    // A king-square weight beyond the table, no castling rights.
    ShelterOpenFile = ShelterCentreOpenFile = 300;
    ASSERT_NO_FATAL_FAILURE(SetUpPosition("3qk3/8/8/8/4K3/8/8/3Q4 w - -"));
    EXPECT_EQ(EvaluateWhiteKingShelter(), -90);
    EXPECT_EQ(eval_info.shelter_penalty[WHITE], ShelterPenaltyMax);
}

TEST_F(KingShelter, DefectBytesSaturate) {
    // No pawns: three open files on each wing.
    ShelterDefectWeight[0] = 10;
    ShelterOpenFileWeight[3] = 250;
    ASSERT_NO_FATAL_FAILURE(SetUpPosition("4k3/8/8/8/8/8/8/4K3 w - -"));
    EXPECT_EQ(board.LastPawnEntry.white_defects_k, 255);
    EXPECT_EQ(board.LastPawnEntry.black_defects_q, 255);

    ShelterOpenFileWeight[3] = -50;
    ClearPawnHash();
    ASSERT_NO_FATAL_FAILURE(SetUpPosition("4k3/8/8/8/8/8/8/4K3 w - -"));
    EXPECT_EQ(board.LastPawnEntry.white_defects_q, 0);
    EXPECT_EQ(board.LastPawnEntry.black_defects_k, 0);
}

TEST(Personality, UserValuesAreClampedAndWeightsDerived) {
    struct Case {
        PersonalityTrait trait;
        i32 given, set;
        const i32* value;
        const i32* weight;
        i32 expectedWeight;
    };
    const Case cases[] = {
        {PersonalityTrait::Aggressivity, 150, 150, &Aggressivity, &AggressivityWeight, 75},
        {PersonalityTrait::Aggressivity, 99, 99, &Aggressivity, &AggressivityWeight, 49},
        {PersonalityTrait::Aggressivity, 400, 300, &Aggressivity, &AggressivityWeight, 150},
        {PersonalityTrait::Cowardice, -5, 0, &Cowardice, &CowardiceWeight, 0},
        {PersonalityTrait::Cowardice, 300, 300, &Cowardice, &CowardiceWeight, 150},
        {PersonalityTrait::Tropism, 301, 300, &Tropism, &TropismWeight, 600},
        {PersonalityTrait::Tropism, 33, 33, &Tropism, &TropismWeight, 66},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        EXPECT_EQ(SetPersonality(c.trait, c.given), c.set);
        EXPECT_EQ(*c.value, c.set);
        EXPECT_EQ(*c.weight, c.expectedWeight);
    }
    SetDefaultPersonality();
    EXPECT_EQ(Aggressivity, 100);
    EXPECT_EQ(Cowardice, 100);
    EXPECT_EQ(Tropism, 100);
    EXPECT_EQ(AggressivityWeight, 50);
    EXPECT_EQ(CowardiceWeight, 50);
    EXPECT_EQ(TropismWeight, 200);
}

}  // namespace
