#include "eval/scaling.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/board.h"
#include "eval/bitbases.h"
#include "eval/eval_info.h"
#include "eval/eval_params.h"
#include "support/eval_positions.h"

namespace {

// What the scaling step leaves behind.
struct Scaled {
    i32 total;
    i32 scoreSum;
    i32 scale;
    i32 symmetric;
};

class Scaling : public EvalTest {
protected:
    // The state the evaluation has reached when it scales: the pawn entry
    // of the position, a fresh record with the given scores, and cannot-win
    // flags as given.
    static void Prepare(const std::string& fen, i32 total, i32 scoreSum, i32 material,
                        i32 whiteCannotWin = 0, i32 blackCannotWin = 0) {
        ASSERT_TRUE(SetUpWithPawnStructure(fen)) << fen;
        eval_info.material = material;
        eval_info.total = total;
        eval_info.score_sum = scoreSum;
        board.CannotWin[WHITE] = whiteCannotWin;
        board.CannotWin[BLACK] = blackCannotWin;
    }

    static Scaled Run(const std::string& fen, i32 total, i32 scoreSum, i32 material,
                      i32 whiteCannotWin = 0, i32 blackCannotWin = 0) {
        Prepare(fen, total, scoreSum, material, whiteCannotWin, blackCannotWin);
        ApplyEndingScaling();
        return {eval_info.total, eval_info.score_sum, eval_info.scale, eval_info.symmetric};
    }
};

// Every scale factor, so that a test can give each its own value and see
// which rules fired.
// clang-format off
i32* const AllScaleFactors[] = {
    &FrontOfKingPawnsScale, &RookPawnInFrontScale, &KnightPawnInFrontScale, &CentrePawnInFrontScale,
    &RookEndingKingAwayScale, &PawnEndingBlockedScale, &BlockedPasserScale, &BlockedNoPasserScale,
    &OppositeBishopsScale, &OppositeBishopsUnevenScale, &OppositeBishopsPiecesScale,
    &OppositeBishopsRookMaterialScale, &PawnlessEqualScale, &PawnlessQueenMinorScale,
    &PawnlessRookScale, &PawnlessMinorsVsRookScale, &RookBishopCutOffScale, &RookBishopScale,
    &RookKnightCutOffScale, &RookKnightScale, &RookVsBishopScale, &RookVsKnightScale,
    &MinorsVsBishopScale, &MinorsVsKnightScale, &KnightsVsKnightScale, &MinorVsMinorScale,
    &TwoMinorsEachScale, &RookMinorVsMinorsScale, &DrawishEndingScale1, &DrawishEndingScale2,
    &DrawishEndingScale3, &DrawishEndingScale4, &DrawishEndingScale5, &DrawishEndingScale6,
    &DrawishEndingScale7, &OnePawnScale1, &OnePawnScale2, &OnePawnScale3, &OnePawnScale4,
    &OnePawnScale5, &OnePawnScale6,
};
// clang-format on

// Gives the factors the distinct values 100, 103, 106, ...
void MakeScaleFactorsDistinct() {
    i32 value = 100;
    for (i32* factor : AllScaleFactors) {
        *factor = value;
        value += 3;
    }
}

// How one factor is applied: through ScaleScorePair together with
// score_sum, or by the shift of the pawn-count routines on the score alone.
enum class By { Pair, Shift };
struct Step {
    By by;
    const i32* factor;
};

Scaled Expected(i32 total, i32 scoreSum, const std::vector<Step>& steps) {
    Scaled result{total, scoreSum, UnscaledScale, 1};
    for (const Step& step : steps) {
        const i32 f = *step.factor;
        if (step.by == By::Shift) {
            result.total = (result.total * f) >> 8;
        } else {
            result.scale = result.scale * f / 256;
            result.total = result.total * f / 256;
            result.scoreSum = result.scoreSum * f / 256;
        }
    }
    return result;
}

TEST_F(Scaling, ScoreScalePairTruncatesTowardZero) {
    eval_info = EvalInfo{};
    eval_info.scale = UnscaledScale;
    EXPECT_EQ(ScaleScorePair(-3, 128), -1);
    EXPECT_EQ(eval_info.scale, 3150);
    EXPECT_EQ(ScaleScorePair(3, 128), 1);
    EXPECT_EQ(eval_info.scale, 1575);
    EXPECT_EQ(ScaleScorePair(-1000, 64), -250);
    EXPECT_EQ(eval_info.scale, 393);
}

TEST_F(Scaling, InterpolateByRankFollowsTheRankWeights) {
    struct Case {
        i32 a, b, rank, expected;
    };
    const Case cases[] = {
        {13, 90, 0, 13},   {13, 90, 2, 13}, {13, 90, 3, 21},   {13, 90, 4, 36},
        {13, 90, 5, 59},   {13, 90, 6, 90}, {13, 90, 7, 13},   {0, -100, 4, -29},
        {0, -100, 6, -99}, {0, 30, 5, 18},  {-50, 50, 3, -40},
    };
    for (const Case& c : cases)
        EXPECT_EQ(InterpolateByRank(c.a, c.b, c.rank), c.expected)
            << c.a << " " << c.b << " rank " << c.rank;
}

TEST_F(Scaling, ZeroScoreIsLeftAlone) {
    const Scaled s = Run("k7/8/8/8/8/8/r7/1R5K w - -", 0, 17, 0);
    EXPECT_EQ(s.total, 0);
    EXPECT_EQ(s.scoreSum, 17);
    EXPECT_EQ(s.scale, UnscaledScale);
    EXPECT_EQ(s.symmetric, 1);
}

// Rook and a-pawn against rook with the defending king in the corner in
// front of it: four halvings, three of them recorded in the scale.
TEST_F(Scaling, RookPawnChainWithBuiltInFactors) {
    const Scaled s = Run("k6r/8/8/P7/8/8/8/1R5K w - -", -1000, 40, -100);
    EXPECT_EQ(s.scale, 787);  // 6300 -> 3150 -> 1575 -> 787
    EXPECT_EQ(s.total, -62);  // -1000 >> 1, then -250, -125, -62 toward zero
    EXPECT_EQ(s.scoreSum, 5);
    EXPECT_EQ(s.symmetric, 0);
}

// Which rules fire, seen through distinct factor values.
TEST_F(Scaling, RulesFireInOrder) {
    struct Case {
        const char* fen;
        i32 total, scoreSum;
        std::vector<Step> steps;
        const char* why;
    };
    // clang-format off
    const Case cases[] = {
        {"k6r/8/8/P7/8/8/8/1R5K w - -", -1000, 40, {{By::Shift, &OnePawnScale5},
         {By::Pair, &FrontOfKingPawnsScale}, {By::Pair, &RookPawnInFrontScale},
         {By::Pair, &RookEndingKingAwayScale}}, "rook pawn in front of the king, own king away"},
        {"6r1/8/8/2k5/2P5/8/8/2R1K3 w - -", -1000, 40, {{By::Shift, &OnePawnScale5},
         {By::Pair, &FrontOfKingPawnsScale}, {By::Pair, &CentrePawnInFrontScale},
         {By::Pair, &RookEndingKingAwayScale}}, "centre pawn, own king behind"},
        {"6r1/1k6/8/8/KP6/8/8/2R5 b - -", -1000, 40, {{By::Shift, &OnePawnScale5},
         {By::Pair, &FrontOfKingPawnsScale}, {By::Pair, &KnightPawnInFrontScale}},
         "knight pawn, own king beside it"},
        // Without pawns the side ahead always has "all its pawns" in front
        // of the enemy king.
        {"k7/8/8/8/8/8/r7/1R5K w - -", -300, 20, {{By::Pair, &FrontOfKingPawnsScale},
         {By::Pair, &PawnlessEqualScale}, {By::Pair, &PawnlessRookScale}},
         "pawnless rook ending, White ahead"},
        {"k7/8/8/8/8/8/r7/1R5K w - -", 300, 20, {{By::Pair, &FrontOfKingPawnsScale},
         {By::Pair, &PawnlessEqualScale}, {By::Pair, &PawnlessRookScale}},
         "pawnless rook ending, Black ahead"},
        {"k7/8/8/8/8/8/q7/1QN4K w - -", -400, 0, {{By::Pair, &PawnlessQueenMinorScale}},
         "queen and minor against queen"},
        {"k7/8/8/8/8/8/r7/1RB4K w - -", -300, 0, {{By::Pair, &RookBishopCutOffScale}},
         "rook and bishop, king cut off on the a-file"},
        {"8/8/8/3k4/8/8/r7/1RB4K w - -", -300, 0, {{By::Pair, &RookBishopScale}},
         "rook and bishop, king free"},
        {"7k/8/8/8/8/8/r7/N5RK w - -", -300, 0, {{By::Pair, &RookKnightCutOffScale}},
         "rook and knight, king cut off on the h-file"},
        {"8/8/8/3k4/8/8/r7/1RN4K w - -", -300, 0, {{By::Pair, &RookKnightScale}},
         "rook and knight, king free"},
        {"1r6/8/8/8/8/4K3/R7/2B1k3 b - -", -300, 0, {{By::Pair, &RookBishopCutOffScale}},
         "rook and bishop, king cut off on the first rank"},
        {"k7/8/8/8/8/8/b7/1R5K w - -", -200, 0, {{By::Pair, &RookVsBishopScale}},
         "rook against bishop"},
        {"k7/8/8/8/8/8/n7/1R5K w - -", -200, 0, {{By::Pair, &RookVsKnightScale}},
         "rook against knight"},
        {"k7/8/8/8/8/8/n7/1BN4K w - -", -200, 0, {{By::Pair, &KnightsVsKnightScale}},
         "bishop and knight against knight"},
        {"1bn4k/N7/8/8/8/8/8/K7 b - -", 200, 30, {{By::Pair, &KnightsVsKnightScale}},
         "bishop and knight against knight, Black ahead"},
        {"k7/8/8/8/8/8/n7/1BB4K w - -", -200, 0, {{By::Pair, &MinorsVsKnightScale}},
         "two bishops against knight"},
        {"k7/8/8/8/8/8/b7/1NN4K w - -", -200, 0, {{By::Pair, &MinorsVsBishopScale}},
         "two knights against bishop"},
        {"k7/8/8/8/8/8/b7/1N5K w - -", -100, 0, {{By::Pair, &FrontOfKingPawnsScale},
         {By::Pair, &PawnlessEqualScale}, {By::Pair, &MinorVsMinorScale}}, "knight against bishop"},
        {"k7/8/8/8/8/8/bn6/1NB4K w - -", -100, 0, {{By::Pair, &FrontOfKingPawnsScale},
         {By::Pair, &PawnlessEqualScale}, {By::Pair, &TwoMinorsEachScale}}, "two minors each"},
        {"k7/8/8/8/8/8/bn6/1RN4K w - -", -200, 0, {{By::Pair, &RookMinorVsMinorsScale}},
         "rook and knight against two minors"},
        {"k7/8/8/8/8/8/r7/1NB4K w - -", -200, 0, {{By::Pair, &PawnlessMinorsVsRookScale}},
         "two minors against rook"},
        {"k7/8/8/8/8/8/rp6/1NB4K w - -", -200, 0, {{By::Pair, &PawnlessMinorsVsRookScale}},
         "the side ahead has no pawn, the other has one"},
        {"k7/8/8/4p3/8/2P5/b7/2B4K w - -", -200, 10, {{By::Pair, &OppositeBishopsScale}},
         "opposite bishops"},
        {"k7/8/8/8/8/2PPP3/b7/2B4K w - -", -200, 10, {{By::Pair, &OppositeBishopsUnevenScale}},
         "opposite bishops, three pawns up"},
        {"k7/8/8/4p3/8/2P5/b7/1B5K w - -", -200, 10, {}, "bishops of one colour"},
        {"8/1k6/8/P1p5/1P6/8/8/7K w - -", -200, 10, {{By::Pair, &FrontOfKingPawnsScale},
         {By::Pair, &PawnEndingBlockedScale}},
         "pawn ending on the a- and b-files, both pawns held"},
        {"r5k1/6p1/8/8/8/8/5PP1/R5K1 w - -", -200, 10, {{By::Shift, &DrawishEndingScale7},
         {By::Pair, &FrontOfKingPawnsScale}, {By::Pair, &BlockedNoPasserScale}},
         "rook ending, king in front of both pawns"},
        {"rb4k1/6p1/8/8/8/8/5PP1/RB4K1 w - -", -200, 10, {{By::Shift, &DrawishEndingScale2},
         {By::Pair, &FrontOfKingPawnsScale}},
         "rook and bishop each, defender's pawn beside its king"},
        {"1bn1k3/8/4K3/8/4P3/8/8/1BN5 w - -", -200, 10, {{By::Shift, &OnePawnScale1},
         {By::Pair, &FrontOfKingPawnsScale}}, "two minors each, the king-and-pawn ending is won"},
        {"4b3/1k6/8/P1p5/2P5/8/8/3B3K w - -", -200, 10, {{By::Pair, &FrontOfKingPawnsScale},
         {By::Pair, &BlockedPasserScale}},
         "bishops of one colour, both pawns held, one of them passed"},
        {"1nn3k1/6p1/8/8/8/8/5PP1/1NN3K1 w - -", -200, 10, {{By::Shift, &DrawishEndingScale4},
         {By::Pair, &FrontOfKingPawnsScale}},
         "two knights each, the king-and-pawn ending of the front pawn is won"},
        {"1nn1k3/8/4K3/8/4P3/8/8/1NN5 w - -", -200, 10, {{By::Shift, &OnePawnScale3},
         {By::Pair, &FrontOfKingPawnsScale}}, "two knights each, one pawn, won"},
        {"4k3/8/8/8/8/8/4P3/4K3 w - -", -200, 10, {{By::Pair, &FrontOfKingPawnsScale}},
         "king and pawn against king: only the pawns in front of the king"},
        {"4k3/4p3/8/8/8/8/8/4K3 w - -", 200, 10, {{By::Pair, &FrontOfKingPawnsScale}},
         "a black pawn in front of the white king"},
        {"4k3/p7/8/8/8/8/8/4K3 w - -", 200, 10, {}, "a black pawn away from the white king"},
        {"4k3/8/8/8/8/8/8/4K3 w - -", 200, 10, {{By::Pair, &FrontOfKingPawnsScale},
         {By::Pair, &PawnlessEqualScale}}, "bare kings"},
    };
    // clang-format on

    for (const Case& c : cases) {
        MakeScaleFactorsDistinct();
        const Scaled expected = Expected(c.total, c.scoreSum, c.steps);
        const Scaled s = Run(c.fen, c.total, c.scoreSum, 0);
        EXPECT_EQ(s.total, expected.total) << c.why << ": " << c.fen;
        EXPECT_EQ(s.scale, expected.scale) << c.why << ": " << c.fen;
        EXPECT_EQ(s.scoreSum, expected.scoreSum) << c.why << ": " << c.fen;
    }
}

// The king-and-pawn verdicts the table above relies on.
TEST_F(Scaling, BitbaseFactsBehindTheRuleTable) {
    i32 symmetric = 1;
    // a5 and b4 against the king on b7, White to move: both held.
    EXPECT_EQ(ProbePawnBitbaseA(0, A5, H1, B7, &symmetric), 0);
    EXPECT_EQ(ProbePawnBitbaseA(0, B4, H1, B7, &symmetric), 0);
    // c4 against the king on b7: held.
    EXPECT_EQ(ProbePawnBitbaseA(0, C4, H1, B7, &symmetric), 0);
    // g2 with the king on g1 against the king on g8, White to move: won.
    EXPECT_EQ(ProbePawnBitbaseA(0, G2, G1, G8, &symmetric), 1);
    // e4 with the king on e6 against the king on e8: won.
    EXPECT_EQ(ProbePawnBitbaseA(0, E4, E6, E8, &symmetric), 1);
}

// With bishops of opposite colours and other pieces only the part beyond
// the material shrinks; with a rook each the material shrinks too.
TEST_F(Scaling, OppositeBishopsWithPieces) {
    MakeScaleFactorsDistinct();
    const i32 pieces = OppositeBishopsPiecesScale;
    const i32 rookMaterial = OppositeBishopsRookMaterialScale;

    const Scaled rooks = Run("kr6/8/8/8/8/2PPP3/b7/1RB4K w - -", -600, 30, -300);
    EXPECT_EQ(rooks.total, (-300 * pieces) / 256 + (-300 * rookMaterial) / 256);
    EXPECT_EQ(rooks.scale, UnscaledScale * rookMaterial / 256);
    EXPECT_EQ(rooks.scoreSum, 30 * pieces / 256);

    const Scaled knights = Run("kn6/8/8/8/8/2PPP3/b7/1NB4K w - -", -600, 30, -300);
    EXPECT_EQ(knights.total, -300 + (-300 * pieces) / 256);
    EXPECT_EQ(knights.scale, UnscaledScale);
    EXPECT_EQ(knights.scoreSum, 30 * pieces / 256);

    // Two pawns up or fewer: nothing.
    const Scaled close = Run("kn6/8/8/8/8/2PP4/b7/1NB4K w - -", -600, 30, -200);
    EXPECT_EQ(close.total, -600);
    EXPECT_EQ(close.scale, UnscaledScale);
}

TEST_F(Scaling, CannotWinRule) {
    struct Case {
        i32 total, whiteCannotWin, blackCannotWin;
        bool zeroed;
    };
    const Case cases[] = {
        {300, 0, 1, true},    // Black ahead but cannot win
        {1, 0, 1, true},      //
        {-300, 1, 0, true},   // White ahead but cannot win
        {-300, 0, 1, false},  // the side that cannot win is behind
        {300, 1, 0, false},
    };
    // No pawn stands in front of the enemy king and no rule below applies,
    // so only the cannot-win rule can change anything.
    for (const Case& c : cases) {
        const Scaled s =
            Run("k7/p7/8/8/8/8/r6P/1R5K w - -", c.total, 25, 0, c.whiteCannotWin, c.blackCannotWin);
        EXPECT_EQ(s.total, c.zeroed ? 0 : c.total) << c.total;
        EXPECT_EQ(s.scoreSum, c.zeroed ? 0 : 25) << c.total;
        EXPECT_EQ(s.scale, UnscaledScale) << c.total;
    }
}

// The two pawn-count routines shift right by 8, which rounds toward minus
// infinity: the same ending with the colours exchanged may differ by one.
TEST_F(Scaling, PawnCountRoutinesShiftTowardMinusInfinity) {
    Prepare("k6r/8/8/P7/8/8/8/1R5K w - -", 0, 0, 0);
    EXPECT_EQ(ScaleEndgameScore(-3), -2);
    EXPECT_EQ(ScaleEndgameScore(-1000), -500);
    Prepare(ColourFlippedFen("k6r/8/8/P7/8/8/8/1R5K w - -"), 0, 0, 0);
    EXPECT_EQ(ScaleEndgameScore(3), 1);

    Prepare("r5k1/6p1/8/8/8/8/5PP1/R5K1 w - -", 0, 0, 0);
    EXPECT_EQ(ScaleDrawishEnding(-5), -3);
    EXPECT_EQ(ScaleDrawishEnding(5), 2);
    // A passed pawn: nothing to scale.
    Prepare("r5k1/8/8/8/p7/8/5PP1/R5K1 w - -", 0, 0, 0);
    EXPECT_EQ(ScaleDrawishEnding(-5), -5);
    // Unequal pieces: nothing either.
    Prepare("r5k1/6p1/8/8/8/8/5PP1/RB4K1 w - -", 0, 0, 0);
    EXPECT_EQ(ScaleDrawishEnding(-200), -200);
    EXPECT_EQ(ScaleEndgameScore(-200), -200);
}

// The same ending with the colours exchanged scales to the negated score
// (up to one where the shift of the pawn-count routines rounds down).
::testing::AssertionResult ScalesSymmetrically(const std::string& fen, i32 total, i32 scoreSum) {
    const auto run = [](const std::string& position, i32 t, i32 sum) {
        if (!SetUpWithPawnStructure(position)) return Scaled{0, 0, -1, -1};
        eval_info.material = board.Material[BLACK] - board.Material[WHITE];
        eval_info.total = t;
        eval_info.score_sum = sum;
        board.CannotWin[WHITE] = board.CannotWin[BLACK] = 0;
        ApplyEndingScaling();
        return Scaled{eval_info.total, eval_info.score_sum, eval_info.scale, eval_info.symmetric};
    };
    const Scaled a = run(fen, total, scoreSum);
    const std::string flipped = ColourFlippedFen(fen);
    const Scaled b = run(flipped, -total, -scoreSum);
    const i32 pawns = board.PieceCount[PAWN][WHITE] + board.PieceCount[PAWN][BLACK];
    const i32 tolerance = pawns == 1 || pawns == 3 ? 1 : 0;
    const i32 gap = a.total + b.total;
    if (a.scale < 0 || b.scale < 0 || gap > tolerance || gap < -tolerance ||
        a.scoreSum != -b.scoreSum || a.scale != b.scale || a.symmetric != b.symmetric)
        return ::testing::AssertionFailure()
               << fen << " gives " << a.total << "/" << a.scoreSum << "/" << a.scale << "/"
               << a.symmetric << ", " << flipped << " gives " << b.total << "/" << b.scoreSum << "/"
               << b.scale << "/" << b.symmetric;
    return ::testing::AssertionSuccess();
}

TEST_F(Scaling, ColourSymmetryOverRandomEndings) {
    const std::vector<std::string> fens = RandomEndingFens(600, 12345);
    i32 scaled = 0;
    for (const std::string& fen : fens) {
        for (i32 total : {-437, 251}) {
            ASSERT_TRUE(ScalesSymmetrically(fen, total, 33));
            if (eval_info.scale != UnscaledScale || eval_info.total != -total) scaled++;
        }
    }
    // Most rules need to have had their say for the comparison to mean much.
    EXPECT_GT(scaled, 150);
}

TEST_F(Scaling, ColourSymmetryOverPerftWalk) {
    const std::vector<std::string> fens = PerftWalkSample(23);
    ASSERT_GT(fens.size(), 250u);
    for (const std::string& fen : fens) ASSERT_TRUE(ScalesSymmetrically(fen, -311, 21));
}

}  // namespace
