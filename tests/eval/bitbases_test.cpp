#include "eval/bitbases.h"

#include <gtest/gtest.h>

#include "board/init_tables.h"

namespace {

// "e4" -> square number; positions below are written in board terms.
constexpr Square Sq(const char* name) { return (name[1] - '1') * 8 + (name[0] - 'a'); }

constexpr i32 PawnSideToMove = 0;
constexpr i32 LoneKingToMove = 1;

class BitbasesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitEngineTables(); }
};

// King and pawn against king, White pawn; what theory says for each side to
// move.
struct PawnCase {
    const char* name;
    const char* pawn;
    const char* strongKing;
    const char* weakKing;
    i32 winPawnSideToMove;
    i32 winLoneKingToMove;
};

TEST_F(BitbasesTest, PawnWinTableAgreesWithEndgameTheory) {
    const PawnCase cases[] = {
        // King on the sixth rank in front of its pawn wins whoever moves.
        {"king in front on the sixth", "e5", "e6", "e8", 1, 1},
        // Direct opposition: the side to move gives way.
        {"opposition, pawn on e4", "e4", "e5", "e7", 0, 1},
        {"opposition, pawn on d4", "d4", "d5", "d7", 0, 1},
        // Pawn side to move walks round; lone king to move is stalemated.
        {"stalemate trap on e7", "e7", "e6", "e8", 1, 0},
        // The pawn side to move guards d8 with Kc7; the lone king to move
        // blocks on d8, where Kd6 would stalemate it.
        {"d7 with king on c6", "d7", "c6", "e7", 1, 0},
        // A king on a key square wins even with the pawn far behind.
        {"key square d6 for e4", "e4", "d6", "e8", 1, 1},
        {"key square e4 for e2", "e2", "e4", "e6", 1, 1},
        // Rook pawns: a lone king in or next to the corner draws.
        {"rook pawn, king in the corner", "a4", "b5", "a8", 0, 0},
        {"rook pawn, king on b8", "a5", "b6", "b8", 0, 0},
        {"rook pawn, king on h8", "h4", "g5", "h8", 0, 0},
        // A distant runner the lone king cannot catch.
        {"unstoppable rook pawn", "a2", "h1", "h8", 1, 1},
        // The lone king wins the pawn or sits in front of it.
        {"lone king in front", "e4", "a1", "e6", 0, 0},
        {"unguarded pawn falls", "e4", "a1", "e5", 0, 0},
    };
    for (const PawnCase& c : cases) {
        i32 symmetric = 1;
        EXPECT_EQ(ProbePawnBitbaseA(PawnSideToMove, Sq(c.pawn), Sq(c.strongKing), Sq(c.weakKing),
                                    &symmetric),
                  c.winPawnSideToMove)
            << c.name << ", pawn side to move";
        EXPECT_EQ(ProbePawnBitbaseA(LoneKingToMove, Sq(c.pawn), Sq(c.strongKing), Sq(c.weakKing),
                                    &symmetric),
                  c.winLoneKingToMove)
            << c.name << ", lone king to move";
    }
}

// Probes for one side to move, with the symmetric flag it leaves behind.
struct ProbeCase {
    const char* name;
    i32 (*probe)(i32, Square, Square, Square, i32*);
    i32 side;
    const char* pawn;
    const char* strongKing;
    const char* weakKing;
    i32 flagBefore;
    i32 expected;
    i32 flagAfter;
};

TEST_F(BitbasesTest, ProbesAnswerAndReportSideDependence) {
    const auto Win = ProbePawnBitbaseA;
    const auto Run = ProbePawnBitbaseB;
    const auto RunOrSquare = ProbePawnBitbaseBWithFileRule;
    const ProbeCase cases[] = {
        // The win needs king moves: the lone king catches the runner.
        {"a2 win", Win, PawnSideToMove, "a2", "b2", "d3", 1, 1, 0},
        {"a2 no run", Run, PawnSideToMove, "a2", "b2", "d3", 1, 0, 1},
        // d8=Q is taken at once, so only the king walk (Kc7) wins.
        {"d7 win", Win, PawnSideToMove, "d7", "b7", "e7", 1, 1, 0},
        {"d7 no run", Run, PawnSideToMove, "d7", "b7", "e7", 1, 0, 1},
        // Opposition: the answers differ by side, the flag is cleared and
        // the asked side's bit is returned.
        {"opposition, pawn side", Win, PawnSideToMove, "d4", "d5", "d7", 1, 0, 0},
        {"opposition, lone king", Win, LoneKingToMove, "d4", "d5", "d7", 1, 1, 0},
        // Agreeing answers leave the flag as it was.
        {"agreeing, flag set", Win, PawnSideToMove, "e5", "e6", "e8", 1, 1, 1},
        {"agreeing, flag clear", Win, LoneKingToMove, "e5", "e6", "e8", 0, 1, 0},
        {"run both sides", Run, LoneKingToMove, "a2", "h1", "h8", 1, 1, 1},
        // A stalemated lone king is no win.
        {"stalemate", Win, LoneKingToMove, "e7", "e6", "e8", 1, 0, 0},
        // The square rule replaces the table with the own king in front.
        {"file rule, a1, pawn side", RunOrSquare, PawnSideToMove, "e2", "e3", "a1", 1, 1, 1},
        {"file rule, a1, lone king", RunOrSquare, LoneKingToMove, "e2", "e3", "a1", 1, 1, 1},
        {"file rule, a8, pawn side", RunOrSquare, PawnSideToMove, "e2", "e3", "a8", 1, 0, 1},
        {"file rule, a8, lone king", RunOrSquare, LoneKingToMove, "e2", "e3", "a8", 1, 0, 1},
        // Distance 5 to e8 against the pawn's 4 (e4): outside only when the
        // pawn side moves, so the flag is cleared.
        {"wide square, pawn side", RunOrSquare, PawnSideToMove, "e4", "e6", "a3", 1, 1, 0},
        {"wide square, lone king", RunOrSquare, LoneKingToMove, "e4", "e6", "a3", 1, 0, 0},
        // Own king beside the path: the table answers as ProbePawnBitbaseB.
        {"no file rule off the file", RunOrSquare, PawnSideToMove, "a2", "b2", "d3", 1, 0, 1},
        {"no file rule behind the pawn", RunOrSquare, PawnSideToMove, "e4", "e3", "a8", 1, 0, 1},
    };
    for (const ProbeCase& c : cases) {
        i32 symmetric = c.flagBefore;
        EXPECT_EQ(c.probe(c.side, Sq(c.pawn), Sq(c.strongKing), Sq(c.weakKing), &symmetric),
                  c.expected)
            << c.name;
        EXPECT_EQ(symmetric, c.flagAfter) << c.name;
    }
}

TEST_F(BitbasesTest, PawnDoesNotRunThroughItsOwnKing) {
    // With the stronger king on e3 the pawn on e2 cannot run, wherever the
    // lone king stands (the file-rule probe answers these by the square).
    const Square pawn = Sq("e2"), strongKing = Sq("e3");
    for (Square weakKing = 0; weakKing < 64; ++weakKing)
        for (i32 side : {PawnSideToMove, LoneKingToMove}) {
            i32 symmetric = 1;
            EXPECT_EQ(ProbePawnBitbaseB(side, pawn, strongKing, weakKing, &symmetric), 0)
                << weakKing;
        }
}

TEST_F(BitbasesTest, RunTableIsASubsetOfTheWinTable) {
    for (i32 byte = 0; byte < PawnBitbaseBytes; ++byte)
        ASSERT_EQ(PawnRunBitbase[byte] & ~PawnWinBitbase[byte], 0) << byte;
}

TEST_F(BitbasesTest, IllegalPawnPositionsClaimNothing) {
    struct Illegal {
        const char* name;
        i32 side;
        const char* pawn;
        const char* strongKing;
        const char* weakKing;
    };
    const Illegal cases[] = {
        {"lone king in check, pawn side to move", PawnSideToMove, "e4", "a1", "d5"},
        {"lone king in check on e8", PawnSideToMove, "d7", "d6", "e8"},
        {"kings adjacent", LoneKingToMove, "a2", "e4", "e5"},
        {"two men on one square", PawnSideToMove, "e4", "e4", "h8"},
        {"pawn on the first rank", LoneKingToMove, "e1", "a3", "h8"},
    };
    for (const Illegal& c : cases) {
        i32 symmetric = 1;
        EXPECT_EQ(
            ProbePawnBitbaseA(c.side, Sq(c.pawn), Sq(c.strongKing), Sq(c.weakKing), &symmetric), 0)
            << c.name;
        EXPECT_EQ(
            ProbePawnBitbaseB(c.side, Sq(c.pawn), Sq(c.strongKing), Sq(c.weakKing), &symmetric), 0)
            << c.name;
    }
}

// King and rook against king and White pawn, rook side to move.
struct RookPawnCase {
    const char* name;
    const char* rook;
    const char* rookKing;
    const char* pawn;
    const char* pawnKing;
    u32 pawnSideHolds;
};

TEST_F(BitbasesTest, RookPawnTableAgreesWithKnownResults) {
    const RookPawnCase cases[] = {
        {"pawn on e7 with its king, rook king far", "a1", "h1", "e7", "d7", 1},
        {"rook king stops the pawn", "a1", "d5", "e4", "h8", 0},
        {"c-pawn read through the mirror", "b1", "c3", "c5", "h8", 0},
        // Saavedra after 1.c7: the pawn side wins with 6.c8=R.
        {"Saavedra", "d5", "a1", "c7", "b6", 1},
        // Re8 mates.
        {"back-rank mate", "e6", "c7", "a7", "a8", 0},
        // The rook takes the unguarded pawn.
        {"loose pawn", "e1", "h2", "e7", "a7", 0},
        // Illegal: the pawn side's king stands in check with the rook to move.
        {"pawn king in check", "d1", "h1", "e7", "d7", 0},
    };
    EXPECT_EQ(RookPawnBitbase, BuiltInRookPawnBitbase);
    for (const RookPawnCase& c : cases)
        EXPECT_EQ(ProbeRookPawnBitbase(Sq(c.rook), Sq(c.rookKing), Sq(c.pawn), Sq(c.pawnKing)),
                  c.pawnSideHolds)
            << c.name;
}

TEST_F(BitbasesTest, RookPawnSlotsCoverFilesEToHOnRanksFourToSeven) {
    EXPECT_EQ(RookPawnSlot[Sq("e4")], 0);
    EXPECT_EQ(RookPawnSlot[Sq("h4")], 3);
    EXPECT_EQ(RookPawnSlot[Sq("e5")], 4);
    EXPECT_EQ(RookPawnSlot[Sq("g6")], 10);
    EXPECT_EQ(RookPawnSlot[Sq("h7")], 15);
    for (const char* other : {"a1", "d5", "e3", "e8", "h2"})
        EXPECT_EQ(RookPawnSlot[Sq(other)], 0) << other;
}

TEST_F(BitbasesTest, RookPawnProbeMirrorsQueensideFiles) {
    auto mirror = [](Square sq) { return MakeSquare(7 - FileOf(sq), RankOf(sq)); };
    for (Square pawn : {Sq("a4"), Sq("b5"), Sq("c6"), Sq("d7")})
        for (Square rook = 0; rook < 64; ++rook)
            for (Square rookKing = 0; rookKing < 64; ++rookKing)
                for (Square pawnKing = 0; pawnKing < 64; ++pawnKing)
                    ASSERT_EQ(ProbeRookPawnBitbase(rook, rookKing, pawn, pawnKing),
                              ProbeRookPawnBitbase(mirror(rook), mirror(rookKing), mirror(pawn),
                                                   mirror(pawnKing)))
                        << rook << " " << rookKing << " " << pawn << " " << pawnKing;
}

}  // namespace
