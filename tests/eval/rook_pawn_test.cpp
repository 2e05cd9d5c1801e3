#include "eval/rook_pawn.h"

#include <gtest/gtest.h>

#include <string>

#include "board/board.h"
#include "board/fen.h"
#include "eval/bitbases.h"
#include "eval/eval_info.h"
#include "support/eval_positions.h"

namespace {

constexpr Square Sq(const char* name) { return (name[1] - '1') * 8 + (name[0] - 'a'); }
constexpr Square Flip(Square sq) { return sq ^ 56; }

class RookPawnTest : public EvalTest {
protected:
    void SetUp() override {
        EvalTest::SetUp();
        eval_info = EvalInfo{};
        eval_info.symmetric = 1;
    }
};

void SetPosition(const std::string& fen) { ASSERT_EQ(ParseFen(fen.c_str()), 1) << fen; }

// Race check of the pawn against the rook, for the pawn's colour.
i32 RaceCheck(Square pawn, Square rook) {
    return board.Bitboards[PAWN][WHITE] & SquareBit(pawn) ? WhitePawnRaceCheck(pawn, rook)
                                                          : BlackPawnRaceCheck(pawn, rook);
}

struct RaceCase {
    const char* name;
    const char* fen;  // a White pawn against a black rook
    const char* pawn;
    const char* rook;
    i32 expected;
};

// Every case is also run colour-flipped, as a Black pawn against a white
// rook, and must give the same answer.
TEST_F(RookPawnTest, RaceCheckAnswers) {
    const RaceCase cases[] = {
        // Rook side to move: a pawn on its first three ranks is caught.
        {"rook to move, pawn on rank 3", "8/8/8/8/8/4P3/4K3/r6k b - -", "e3", "a1", RaceRookStops},
        {"rook to move, pawn on rank 2", "7k/8/8/8/8/3K4/4P3/r7 b - -", "e2", "a1", RaceRookStops},
        // Rook side to move, known bitbase answers: the supported pawn on the
        // seventh holds; the pawn next to the rook side's king falls.
        {"rook to move, pawn e7 with Kd7", "8/3KP3/8/8/8/8/8/r6k b - -", "e7", "a1",
         RacePawnHolds},
        {"rook to move, pawn e4 next to Kd5", "7K/8/8/3k4/4P3/8/8/r7 b - -", "e4", "a1",
         RaceNothingFound},
        {"rook to move, pawn c5, Kc3", "7K/8/8/2P5/8/2k5/8/1r6 b - -", "c5", "b1",
         RaceNothingFound},
        // The pawn side wins the rook at once.
        {"king takes the unguarded rook", "7k/8/8/4P3/8/8/1K6/r7 w - -", "e5", "a1",
         RacePawnHolds},
        {"pawn attacks the rook", "7k/8/3r4/4P3/8/8/8/K7 w - -", "e5", "d6", RacePawnHolds},
        // A pawn on its second rank with the square two ahead occupied.
        {"double step blocked", "7r/8/8/8/4k3/8/4P3/K7 w - -", "e2", "h8", RaceRookStops},
        {"single step blocked", "7r/8/8/8/8/4k3/4P3/K7 w - -", "e2", "h8", RaceRookStops},
        {"third-rank pawn blocked", "7r/8/8/8/4k3/4P3/8/K7 w - -", "e3", "h8", RaceRookStops},
        // Rook, pawn and king on one rank: the pawn may not move.
        {"pinned on rank 2", "7k/8/8/8/8/8/K3P2r/8 w - -", "e2", "h2", RaceRookStops},
        {"pinned on rank 3", "7k/8/8/8/8/K3P2r/8/8 w - -", "e3", "h3", RaceRookStops},
        // The push reaches the held position of pawn e7 with Kd7.
        {"push to the seventh", "8/3K4/4P3/8/8/8/8/r6k w - -", "e6", "a1", RacePawnHolds},
        // Checked along the last rank: promotion blocks the check, the king
        // guards the new queen.
        {"promotion blocks the check", "r4K2/4P3/8/8/8/8/8/7k w - -", "e7", "a8", RacePawnHolds},
        // Neither the push nor any king move saves the pawn next to the
        // enemy king.
        {"pawn next to the rook's king", "7K/8/8/8/3kP3/8/8/r7 w - -", "e4", "a1",
         RaceNothingFound},
    };
    for (const RaceCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetPosition(c.fen);
        EXPECT_EQ(RaceCheck(Sq(c.pawn), Sq(c.rook)), c.expected) << c.fen;
        const std::string flipped = ColourFlippedFen(c.fen);
        SetPosition(flipped);
        EXPECT_EQ(RaceCheck(Flip(Sq(c.pawn)), Flip(Sq(c.rook))), c.expected) << flipped;
    }
}

// Where the answer is the bitbase's, it must be exactly the bit the rules
// name: the position as it stands with the rook to move, or after the push.
TEST_F(RookPawnTest, RaceCheckAsksTheBitbaseForTheRightPosition) {
    struct ProbeCase {
        const char* name;
        const char* fen;
        const char* pawn;
        const char* rook;
        const char* probedPawn;  // where the pawn stands in the probed position
        bool rookToMove;         // the answer is the bit itself (else 1 or 2)
    };
    const ProbeCase cases[] = {
        {"rook to move, pawn e5", "7k/8/8/4P3/4K3/8/8/r7 b - -", "e5", "a1", "e5", true},
        {"rook to move, pawn g6", "8/8/6P1/5K2/8/8/8/1r4k1 b - -", "g6", "b1", "g6", true},
        {"rook to move, pawn b4", "k7/8/8/8/1P6/2K5/8/7r b - -", "b4", "h1", "b4", true},
        {"third-rank push", "7r/8/8/8/8/4P3/8/K5k1 w - -", "e3", "h8", "e4", false},
        {"double step caught", "7r/8/8/8/8/3K4/4P3/6k1 w - -", "e2", "h8", "e4", false},
        {"double step holds", "r7/8/8/8/5K2/8/6P1/k7 w - -", "g2", "a8", "g4", false},
    };
    for (const ProbeCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetPosition(c.fen);
        const u32 bit = ProbeRookPawnBitbase(Sq(c.rook), board.KingSquare[BLACK], Sq(c.probedPawn),
                                             board.KingSquare[WHITE]);
        const i32 expected = c.rookToMove ? i32(bit) : bit ? RacePawnHolds : RaceRookStops;
        EXPECT_EQ(WhitePawnRaceCheck(Sq(c.pawn), Sq(c.rook)), expected);
        SetPosition(ColourFlippedFen(c.fen));
        EXPECT_EQ(BlackPawnRaceCheck(Flip(Sq(c.pawn)), Flip(Sq(c.rook))), expected);
    }
}

struct EdgeCase {
    const char* name;
    const char* fen;
    i32 which;
    i32 expected;
    i32 symmetricAfter;
};

TEST_F(RookPawnTest, KingBoxedOnTheEdge) {
    const EdgeCase cases[] = {
        // Kh1 against Kh3: g2 and h2 are the enemy king's, g1 the rook's.
        {"white stalemated", "6r1/8/8/8/8/7k/8/7K w - -", WhiteImmobile, EdgeStalemate, 0},
        {"white mated", "6r1/8/8/8/8/7k/8/r6K w - -", WhiteImmobile, EdgeWhiteMated, 0},
        {"black stalemated", "7k/8/7K/8/8/8/8/6R1 b - -", BlackImmobile, EdgeStalemate, 0},
        {"black mated", "R6k/8/7K/8/8/8/8/6R1 b - -", BlackImmobile, EdgeBlackMated, 0},
        // Corner: the enemy king on c2 takes b1 and b2; the rook takes a2.
        {"mated in the corner", "r7/8/8/8/8/8/2k5/K7 w - -", WhiteImmobile, EdgeWhiteMated, 0},
        {"corner with a flight", "8/8/8/8/8/8/2k5/K7 w - -", WhiteImmobile, EdgeNothingFound, 0},
        // The boxed-in king is not to move.
        {"black boxed, white to move", "7k/8/7K/8/8/8/8/6R1 w - -", BlackImmobile,
         EdgeNothingFound, 0},
        // g1 is free.
        {"flight square free", "8/8/8/8/8/7k/8/7K w - -", WhiteImmobile, EdgeNothingFound, 0},
        // The kings do not stand so: nothing, and the flag stays.
        {"enemy king elsewhere", "6r1/8/8/8/7k/8/8/7K w - -", WhiteImmobile, EdgeNothingFound, 1},
        // White has no mobile material but its king is not on the edge; Black
        // cannot move its pawn and is stalemated in the corner.
        {"goes on to black", "7k/7P/7K/4p3/4P3/8/8/8 b - -", WhiteImmobile, EdgeStalemate, 0},
        // Black's pawn can take on e4, so Black is not without moves.
        {"black can capture", "7k/7P/7K/3p4/4P3/8/8/8 b - -", WhiteImmobile, EdgeNothingFound, 1},
    };
    for (const EdgeCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetPosition(c.fen);
        eval_info.symmetric = 1;
        EXPECT_EQ(PawnEndgameDrawCheck(c.which), c.expected);
        EXPECT_EQ(eval_info.symmetric, c.symmetricAfter);
    }
}

TEST_F(RookPawnTest, MobileMaterial) {
    struct MobilityCase {
        const char* name;
        const char* fen;
        i32 white;
        i32 black;
    };
    const MobilityCase cases[] = {
        {"bare kings", "4k3/8/8/8/8/8/8/4K3 w - -", 0, 0},
        {"a knight moves", "4k3/8/8/8/8/8/8/1N2K3 w - -", 1, 0},
        {"rammed pawns", "4k3/8/8/4p3/4P3/8/8/4K3 w - -", 0, 0},
        {"pawn free to push", "4k3/8/8/4p3/8/4P3/8/4K3 w - -", 1, 1},
        // A blocked pawn that can capture is mobile.
        {"blocked pawn can capture", "4k3/8/8/3pp3/4P3/8/8/4K3 w - -", 1, 1},
        // The enemy king is never a pawn's prey.
        {"pawn eyes the king only", "8/8/8/3kp3/4P3/8/8/4K3 b - -", 0, 0},
        // Right after a7-a5 the pawn on b5 may take en passant; a move later
        // it may not.
        {"en passant", "4k3/8/1p6/pP6/P7/8/8/4K3 w - a5", 1, 0},
        {"en passant over", "4k3/8/1p6/pP6/P7/8/8/4K3 w - -", 0, 0},
        {"en passant, other side to move", "4k3/8/1p6/pP6/P7/8/8/4K3 b - -", 0, 0},
    };
    for (const MobilityCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetPosition(c.fen);
        EXPECT_EQ(HasMobileMaterial(WHITE), c.white);
        EXPECT_EQ(HasMobileMaterial(BLACK), c.black);
        SetPosition(ColourFlippedFen(c.fen));
        EXPECT_EQ(HasMobileMaterial(BLACK), c.white);
        EXPECT_EQ(HasMobileMaterial(WHITE), c.black);
    }
}

}  // namespace
