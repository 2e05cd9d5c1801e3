#include "eval/passed_pawns.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/board.h"
#include "eval/bitbases.h"
#include "eval/eval_info.h"
#include "eval/eval_params.h"
#include "support/eval_positions.h"

namespace {

// Everything the passed-pawn term writes.
struct PasserTerms {
    i32 total;
    i32 sideOpening[2];
    i32 sideEndgame[2];
    i32 optimism[2];
    i32 symmetric;
};

using PassedPawns = EvalTest;

// Sets up the position as the evaluation has it when it scores the passers
// (pawn structure done, a fresh record) and runs the term from total 0.
bool Evaluate(const std::string& fen, PasserTerms& terms) {
    if (!SetUpWithPawnStructure(fen)) return false;
    terms.total = EvaluatePassedPawns(0, eval_info.side_opening, eval_info.side_endgame);
    for (Side side : {WHITE, BLACK}) {
        terms.sideOpening[side] = eval_info.side_opening[side];
        terms.sideEndgame[side] = eval_info.side_endgame[side];
        terms.optimism[side] = eval_info.optimism[side];
    }
    terms.symmetric = eval_info.symmetric;
    return true;
}

PasserTerms EvaluateOrFail(const std::string& fen) {
    PasserTerms terms{};
    EXPECT_TRUE(Evaluate(fen, terms)) << fen;
    return terms;
}

TEST_F(PassedPawns, TablesHoldTheirShape) {
    EXPECT_EQ(KpkPasserBonus[B2], 600);
    EXPECT_EQ(KpkPasserBonus[D4], 150);
    EXPECT_EQ(KpkPasserBonus[H7], 6);
    EXPECT_EQ(KpkPasserBonus[E1], 0);
    EXPECT_EQ(KpkPasserBonus[E8], 0);
    EXPECT_EQ(KingRaceBonus[A2], 30);
    EXPECT_EQ(KingRaceBonus[B2], 45);
    EXPECT_EQ(KingRaceBonus[H5], 5);
    EXPECT_EQ(KingRaceBonus[G7], 3);
    EXPECT_EQ(KingRaceBonus[D8], 0);
    for (Square sq = 0; sq < 64; sq++)
        EXPECT_EQ(RookPawnCornerSquares[sq], sq == A2 || sq == H2 || sq == A3 || sq == H3) << sq;
    // The loaded parameters the term reads by square.
    EXPECT_EQ(RookBehindPasser[C2], 21);
    EXPECT_EQ(RookBehindPasser[F7], 13);
    EXPECT_EQ(EnemyRookBehindPasser[G5], 13);
    EXPECT_EQ(KingSupportBonus[E3], 30);
    EXPECT_EQ(SupportedRunnerBonus[4], 80);
    EXPECT_EQ(SupportedRunnersBonus[7], 80);
}

// The race and passer terms of total, with the built-in parameters.
TEST_F(PassedPawns, TotalsOfKnownPositions) {
    struct Case {
        const char* fen;
        i32 total;
        const char* why;
    };
    const Case cases[] = {
        // d = 0 from the runner count, 1 after the side-to-move
        // adjustment: 1 * 8 - 40 - 550.
        {"8/4P3/8/7K/8/8/8/k7 w - -", -582, "e7 runs against the king on a1"},
        // Black to move: d = 1 from the runner count and no adjustment.
        {"8/4P3/8/7K/8/8/8/k7 b - -", -582, "e7 runs, Black to move"},
        // The rook pawn on a7 with the black king in its corner.
        {"k7/P7/8/8/8/8/8/7K w - -", 40, "a7 against the king on a8"},
        {"k7/P7/8/8/8/8/8/7K b - -", 40, "a7 against the king on a8, Black to move"},
        // The king on e8 stands in the path: no runner. The king-and-pawn
        // ending is won and the h-pawns are locked: 150 for the passer on
        // its fifth rank, and the king's escort from above: 6.
        {"4k3/8/3K3p/4P2P/8/8/8/8 w - -", -156, "passer blocked by the king, h-pawns locked"},
        // Knights only: the knight on f6 covers e8, so e7 is no runner.
        {"8/4P3/5n2/8/8/7K/8/k7 w - -", 0, "knight covers the promotion square"},
        // The knight on b3 neither covers e8 nor forks king and queen.
        {"8/4P3/8/8/8/1n5K/8/k7 w - -", -582, "knight too far away"},
        // Own men on e4-e7 in front of e3 (White to move): the wide square
        // of the square three ranks behind e3 lies off the board, so the
        // king on a1 is not inside it; d = 4 + 4 = 8, then 9: 9 * 8 - 40 -
        // 550.
        {"8/4R3/4R3/4N3/4N3/4P3/8/k6K w - -", -518, "e3 with four own men ahead"},
        {"8/8/4R3/4R3/4N3/4N3/4P3/k6K w - -", -518, "e2 with four own men ahead"},
        // e4 with own knights on e5 and e6: the king on b3 is inside the
        // wide square of e3 and stops it; from a1 it is not.
        {"8/8/4N3/4N3/4P3/1k6/8/7K w - -", 0, "e4 with two men ahead, king in the square"},
        {"8/8/4N3/4N3/4P3/8/8/k6K w - -", -542, "e4 with two men ahead, king outside"},
        // Both queen on the same move: White first, and the new queen on h8
        // sees the black king along the eighth rank: 2 * 8 - 40 - 500.
        {"k7/8/7P/8/8/p7/8/7K w - -", -524, "queen race won by a check"},
        // Black to move queens first on a1 and sees the white king on h1:
        // 500 + (5 - 1 - 1) * 8, Black's own move counted as in the race
        // terms, so that the colour-flipped position gives -524 as above.
        {"k7/8/7P/8/8/p7/8/7K b - -", 524, "queen race won by Black"},
        // Same race, but the new queen on h8 neither attacks the king nor
        // covers e1: the lone king on its runner's file is checked from e8.
        {"8/8/4k2P/8/8/4p3/8/K7 w - -", -524, "queen race won by a check along the file"},
        // The king on a8 is boxed in by the king on a6 and the pawn on a7,
        // which the run table does not see: b4 runs (d = 3, less 1 for the
        // king in front, then 3: 3 * 8 - 40 - 550 = -566). Besides: 40 for
        // the a7 pawn in the corner, the king's escort (12 for a7, 1 for
        // b4) and 80 for two passers.
        {"k7/P7/K7/8/1P6/8/8/8 w - -", -619, "boxed-in king"},
        // Two passers four files apart against a king between them: the
        // king takes one, the other runs (d = 3, then 4: 4 * 8 - 40 - 550);
        // two passers against a bare king: 80.
        {"8/8/8/3k4/P6P/8/8/K7 w - -", -638, "two distant passers"},
    };
    for (const Case& c : cases) {
        const PasserTerms terms = EvaluateOrFail(c.fen);
        EXPECT_EQ(terms.total, c.total) << c.why << ": " << c.fen;
    }
}

// The bitbase answers the table above relies on.
TEST_F(PassedPawns, BitbaseFactsBehindTheTable) {
    i32 symmetric = 1;
    EXPECT_EQ(ProbePawnBitbaseB(0, E7, H5, A1, &symmetric), 1);
    EXPECT_EQ(ProbePawnBitbaseA(0, E5, D6, E8, &symmetric), 1);
    EXPECT_EQ(ProbePawnBitbaseB(0, E5, D6, E8, &symmetric), 0);
    EXPECT_EQ(ProbePawnBitbaseB(0, E7, H3, A1, &symmetric), 1);
    EXPECT_EQ(ProbePawnBitbaseB(0, H6, H1, A8, &symmetric), 1);
    EXPECT_EQ(ProbePawnBitbaseB(0, A4, A1, D5, &symmetric), 0);
    EXPECT_EQ(ProbePawnBitbaseB(0, H4, A1, D5, &symmetric), 0);
    EXPECT_EQ(ProbePawnBitbaseBWithFileRule(0, A4, A1, H4, &symmetric), 1);
    EXPECT_EQ(ProbePawnBitbaseB(0, H6, A1, E6, &symmetric), 1);
    EXPECT_EQ(ProbePawnBitbaseB(1, D6, H8, D3, &symmetric), 1);  // e3 turned round
    EXPECT_EQ(ProbePawnBitbaseB(0, B4, A6, A8, &symmetric), 0);
    EXPECT_EQ(ProbePawnBitbaseBWithFileRule(0, A7, A6, A8, &symmetric), 0);
    EXPECT_EQ(ProbePawnBitbaseBWithFileRule(0, B4, A6, A8, &symmetric), 0);
}

// The same positions with the colours exchanged give the negated totals,
// among them the black mirrors of the off-board cases (a black pawn on e6
// or e7 with own men below it, the white king on a8, Black to move).
TEST_F(PassedPawns, ColourFlippedTotals) {
    const char* const fens[] = {
        "8/4P3/8/7K/8/8/8/k7 w - -",         "k7/P7/8/8/8/8/8/7K w - -",
        "4k3/8/3K3p/4P2P/8/8/8/8 w - -",     "8/4P3/5n2/8/8/7K/8/k7 w - -",
        "8/4P3/8/8/8/1n5K/8/k7 w - -",       "8/4R3/4R3/4N3/4N3/4P3/8/k6K w - -",
        "8/8/4R3/4R3/4N3/4N3/4P3/k6K w - -", "k7/8/7P/8/8/p7/8/7K w - -",
        "k7/8/7P/8/8/p7/8/7K b - -",         "8/8/8/3k4/P6P/8/8/K7 w - -",
        "8/8/4k2P/8/8/4p3/8/K7 w - -",       "k7/P7/K7/8/1P6/8/8/8 w - -",
    };
    for (const char* fen : fens) {
        const PasserTerms original = EvaluateOrFail(fen);
        const PasserTerms flipped = EvaluateOrFail(ColourFlippedFen(fen));
        EXPECT_EQ(flipped.total, -original.total) << fen;
    }
    EXPECT_EQ(EvaluateOrFail("K6k/8/4p3/4n3/4n3/4r3/4r3/8 b - -").total, 518);
    EXPECT_EQ(EvaluateOrFail("K6k/4p3/4n3/4n3/4r3/4r3/8/8 b - -").total, 518);
}

// Only the most advanced passer of a file is scored: a doubled passer adds
// nothing to any term.
TEST_F(PassedPawns, OnlyTheFrontPasserOfAFileCounts) {
    const PasserTerms single = EvaluateOrFail("7k/8/8/4P3/8/8/8/K7 w - -");
    const PasserTerms doubled = EvaluateOrFail("7k/8/8/4P3/8/4P3/8/K7 w - -");
    EXPECT_EQ(single.optimism[WHITE], PassedOptimismByRank[4]);
    EXPECT_EQ(doubled.optimism[WHITE], PassedOptimismByRank[4]);
    EXPECT_EQ(doubled.total, single.total);
    EXPECT_EQ(doubled.sideOpening[BLACK], single.sideOpening[BLACK]);
    EXPECT_EQ(doubled.sideEndgame[BLACK], single.sideEndgame[BLACK]);
}

// A white passer's value lands in Black's entries (blended by Black's
// phase) with a minus sign, and never in White's.
TEST_F(PassedPawns, ValueGoesToTheOpponentsEntries) {
    // d5 on its fifth rank: opening low 11, high 75; endgame base 21, far
    // 147; kings on a1 and h8. The race term goes to total alone.
    const PasserTerms terms = EvaluateOrFail("7k/8/8/3P4/8/8/8/K7 b - -");
    EXPECT_EQ(terms.sideOpening[WHITE], 0);
    EXPECT_EQ(terms.sideEndgame[WHITE], 0);
    EXPECT_EQ(terms.sideOpening[BLACK], -(11 + (77 * (75 - 11) + 128) / 256));
    // v = 147 - 21 - distance(a1, d6) * 5 + distance(h8, d6) * 20
    //   = 126 - 25 + 80 = 181, weighed by the rank: (77 * 181 + 128) / 256.
    EXPECT_EQ(terms.sideEndgame[BLACK], -(21 + (77 * 181 + 128) / 256));
    EXPECT_EQ(terms.optimism[WHITE], 50);
    EXPECT_EQ(terms.optimism[BLACK], 0);
}

// Rooks behind a passer: ours pushes it (halved when an enemy man blocks
// it), theirs holds it back.
TEST_F(PassedPawns, RooksBehindThePasser) {
    struct Case {
        const char* fen;
        i32 total;
    };
    // The passer on d4 (a black pawn's d5: rook behind 17, enemy rook 13),
    // kings out of play; the enemy has a rook, so no race is run.
    const Case cases[] = {
        {"k5r1/8/8/8/3P4/8/8/3R3K w - -", -17},
        {"k7/8/8/3r4/3P4/8/8/3R3K w - -", -8},
        {"k7/8/8/8/3P4/8/7K/3r4 w - -", 13},
        {"k5r1/8/8/8/3P4/8/3N4/3R3K w - -", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(EvaluateOrFail(c.fen).total, c.total) << c.fen;
}

// Colour symmetry of every output of the term.
::testing::AssertionResult MirrorsWithColours(const std::string& fen) {
    PasserTerms a{}, b{};
    const std::string flipped = ColourFlippedFen(fen);
    if (!Evaluate(fen, a)) return ::testing::AssertionFailure() << "refused " << fen;
    if (!Evaluate(flipped, b)) return ::testing::AssertionFailure() << "refused " << flipped;
    const bool same = b.total == -a.total && b.symmetric == a.symmetric &&
                      b.sideOpening[WHITE] == a.sideOpening[BLACK] &&
                      b.sideOpening[BLACK] == a.sideOpening[WHITE] &&
                      b.sideEndgame[WHITE] == a.sideEndgame[BLACK] &&
                      b.sideEndgame[BLACK] == a.sideEndgame[WHITE] &&
                      b.optimism[WHITE] == a.optimism[BLACK] &&
                      b.optimism[BLACK] == a.optimism[WHITE];
    if (same) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << fen << ": total " << a.total << " opening " << a.sideOpening[WHITE] << "/"
           << a.sideOpening[BLACK] << " endgame " << a.sideEndgame[WHITE] << "/"
           << a.sideEndgame[BLACK] << " optimism " << a.optimism[WHITE] << "/" << a.optimism[BLACK]
           << " symmetric " << a.symmetric << "; " << flipped << ": total " << b.total
           << " opening " << b.sideOpening[WHITE] << "/" << b.sideOpening[BLACK] << " endgame "
           << b.sideEndgame[WHITE] << "/" << b.sideEndgame[BLACK] << " optimism "
           << b.optimism[WHITE] << "/" << b.optimism[BLACK] << " symmetric " << b.symmetric;
}

TEST_F(PassedPawns, ColourSymmetryOverRandomEndings) {
    const std::vector<std::string> fens = RandomEndingFens(800, 4242);
    i32 races = 0;
    for (const std::string& fen : fens) {
        ASSERT_TRUE(MirrorsWithColours(fen));
        PasserTerms terms{};
        Evaluate(fen, terms);
        if (terms.total <= -RaceWinBase || terms.total >= RaceWinBase) races++;
    }
    // Enough decided races for the comparison to cover the race code.
    EXPECT_GT(races, 20);
}

TEST_F(PassedPawns, ColourSymmetryOverPerftWalk) {
    const std::vector<std::string> fens = PerftWalkSample(23);
    ASSERT_GT(fens.size(), 250u);
    for (const std::string& fen : fens) ASSERT_TRUE(MirrorsWithColours(fen));
}

}  // namespace
