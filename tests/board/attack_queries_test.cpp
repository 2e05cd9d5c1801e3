#include "board/attack_queries.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

#include "board/board.h"
#include "support/naive_moves.h"
#include "support/position_walk.h"

namespace {

class AttackQueries : public PositionTest {};

u64 Set(std::initializer_list<Square> squares) {
    u64 set = 0;
    for (Square sq : squares) set |= SquareBit(sq);
    return set;
}

// First-principles geometry: square by square along file and rank steps.
constexpr i32 LineSteps[8] = {-9, -8, -7, -1, 1, 7, 8, 9};

void StepDeltas(i32 step, i32& df, i32& dr) {
    df = step == -9 || step == -1 || step == 7 ? -1 : step == -8 || step == 8 ? 0 : 1;
    dr = step < -1 ? -1 : step > 1 ? 1 : 0;
}

bool OnBoard(i32 file, i32 rank) { return file >= 0 && file < 8 && rank >= 0 && rank < 8; }

u64 NaiveRay(Square sq, i32 step) {
    i32 df, dr;
    StepDeltas(step, df, dr);
    u64 ray = 0;
    for (i32 f = FileOf(sq) + df, r = RankOf(sq) + dr; OnBoard(f, r); f += df, r += dr) {
        ray |= SquareBit(MakeSquare(f, r));
        if (board.Squares[MakeSquare(f, r)] != EMPTY) break;
    }
    return ray;
}

u64 NaiveLeaps(Square sq, std::initializer_list<std::pair<i32, i32>> deltas) {
    u64 set = 0;
    for (const auto& [df, dr] : deltas)
        if (OnBoard(FileOf(sq) + df, RankOf(sq) + dr))
            set |= SquareBit(MakeSquare(FileOf(sq) + df, RankOf(sq) + dr));
    return set;
}

u64 NaiveAttacksFrom(Square sq, Side side, PieceType type) {
    switch (type) {
    case KING:
        return NaiveLeaps(sq,
                          {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}});
    case KNIGHT:
        return NaiveLeaps(sq,
                          {{1, 2}, {2, 1}, {2, -1}, {1, -2}, {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}});
    case PAWN: return NaiveLeaps(sq, {{-1, side == WHITE ? 1 : -1}, {1, side == WHITE ? 1 : -1}});
    default: break;
    }
    u64 set = 0;
    for (i32 step : LineSteps) {
        const bool straight = step == 1 || step == -1 || step == 8 || step == -8;
        if (IsSlider(type) && (straight ? (type & 1) : (type & 2))) set |= NaiveRay(sq, step);
    }
    return set;
}

// What the man on each square attacks; empty squares attack nothing.
void NaiveAttackMap(u64 (&attacks)[64]) {
    for (Square sq = 0; sq < 64; sq++) {
        const Side owner = board.Bitboards[0][BLACK] & SquareBit(sq) ? BLACK : WHITE;
        attacks[sq] =
            board.Squares[sq] == EMPTY ? 0 : NaiveAttacksFrom(sq, owner, board.Squares[sq]);
    }
}

u64 NaiveAttackersOf(const u64 (&attacks)[64], Side side, Square target) {
    u64 attackers = 0;
    for (Square sq = 0; sq < 64; sq++)
        if ((board.Bitboards[0][side] & SquareBit(sq)) && (attacks[sq] & SquareBit(target)))
            attackers |= SquareBit(sq);
    return attackers;
}

// The first man along the step, when it is a slider of that line's kind.
u64 NaiveFirstSlider(Square sq, i32 step) {
    const u64 ray = NaiveRay(sq, step);
    if (ray == 0) return 0;
    const Square last = step > 0 ? HighestSquare(ray) : LowestSquare(ray);
    const PieceType type = board.Squares[last];
    const bool straight = step == 1 || step == -1 || step == 8 || step == -8;
    return IsSlider(type) && (straight ? (type & 1) : (type & 2)) ? SquareBit(last) : 0;
}

TEST_F(AttackQueries, RaysFollowOccupancyAndIgnoreOtherSteps) {
    struct Case {
        const char* fen;
        Square from;
        i32 step;
        u64 expected;
    };
    const char* const emptyBoard = "k7/8/8/8/8/8/8/7K w - -";
    const Case cases[] = {
        {emptyBoard, E4, 0, 0},
        {emptyBoard, E4, 2, 0},
        {emptyBoard, E4, -6, 0},
        {emptyBoard, E4, 16, 0},
        {emptyBoard, A1, -1, 0},
        {emptyBoard, A1, -8, 0},
        {emptyBoard, A1, -9, 0},
        {emptyBoard, A1, -7, 0},
        {emptyBoard, A1, 9, Set({B2, C3, D4, E5, F6, G7, H8})},
        {emptyBoard, H1, 7, Set({G2, F3, E4, D5, C6, B7, A8})},  // ends on the king on a8
        // The first occupied square is included whatever its colour.
        {"k7/8/8/8/4p3/8/8/4R2K w - -", E1, 8, Set({E2, E3, E4})},
        {"k7/8/8/8/4P3/8/8/4R2K w - -", E1, 8, Set({E2, E3, E4})},
        {"k7/8/8/8/4P3/8/8/4R2K w - -", E1, 1, Set({F1, G1, H1})},
        {"k7/8/8/8/4P3/8/8/4R2K w - -", E1, -1, Set({D1, C1, B1, A1})},
        {"k7/8/8/8/4P3/8/8/4R2K w - -", E4, -8, Set({E3, E2, E1})},
        {"k7/8/8/8/4P3/8/8/4R2K w - -", E4, -7, Set({F3, G2, H1})},
        {"k7/8/8/8/4P3/8/8/4R2K w - -", E4, -9, Set({D3, C2, B1})},
        {"k7/8/8/8/4P3/8/8/4R2K w - -", E4, 7, Set({D5, C6, B7, A8})},
    };
    for (const Case& c : cases) {
        Load(c.fen);
        EXPECT_EQ(RayAttacksInDirection(c.from, c.step), c.expected)
            << c.fen << " from " << c.from << " step " << c.step;
    }
}

TEST_F(AttackQueries, FirstSliderKeepsOnlySlidersOfTheLine) {
    struct Case {
        const char* fen;
        i32 step;
        Square from;
        u64 expected;
    };
    const Case cases[] = {
        {"4q2k/8/8/8/4R3/8/8/K7 w - -", 8, E1, Set({E4})},
        {"4q2k/8/8/8/4N3/8/8/K7 w - -", 8, E1, 0},  // the knight hides the queen
        {"7k/8/8/8/5R2/8/8/K7 w - -", 9, C1, 0},    // a rook does not move diagonally
        {"7k/8/8/8/5B2/8/8/K7 w - -", 9, C1, Set({F4})},
        {"7k/8/8/8/5q2/8/8/K7 w - -", 9, C1, Set({F4})},  // colour does not matter
        {"4q2k/8/8/8/4R3/8/8/K7 w - -", 0, E4, 0},
        // The man on the square itself plays no part.
        {"4q2k/8/8/8/4R3/8/8/K7 w - -", 8, E4, Set({E8})},
    };
    for (const Case& c : cases) {
        Load(c.fen);
        EXPECT_EQ(XraySliderByDirection[c.step + DirectionTableOffset](c.from), c.expected)
            << c.fen << " from " << c.from << " step " << c.step;
    }
    EXPECT_EQ(XraySliderByDirection[8 + DirectionTableOffset], &FirstSliderNorth);
    EXPECT_EQ(XraySliderByDirection[9 + DirectionTableOffset], &FirstSliderNorthEast);
    EXPECT_EQ(XraySliderByDirection[0 + DirectionTableOffset], &FirstSliderNone);
}

TEST_F(AttackQueries, SquareAttackedByPawnsAndRegardlessOfOccupant) {
    struct Case {
        const char* fen;
        Side bySide;
        Square target;
        i32 expected;
    };
    const Case cases[] = {
        {"7k/8/8/8/3P4/8/8/K7 w - -", WHITE, E5, 1},
        {"7k/8/8/8/5P2/8/8/K7 w - -", WHITE, E5, 1},
        {"7k/8/3P4/8/8/8/8/K7 w - -", WHITE, E5, 0},
        {"7k/8/3p4/8/8/8/8/K7 w - -", BLACK, E5, 1},
        {"7k/8/5p2/8/8/8/8/K7 w - -", BLACK, E5, 1},
        {"7k/8/8/8/3p4/8/8/K7 w - -", BLACK, E5, 0},
        // A man of the attacking side on the square does not hide it.
        {"7k/8/8/4N3/8/8/8/K3R3 w - -", WHITE, E5, 1},
        {"7k/8/8/4N3/8/8/8/K3R3 w - -", BLACK, E5, 0},
        // A slider behind a blocker attacks nothing beyond it.
        {"7k/8/8/8/4p3/8/8/K3R3 w - -", WHITE, E5, 0},
    };
    for (const Case& c : cases) {
        Load(c.fen);
        EXPECT_EQ(IsSquareAttacked(c.bySide, c.target), c.expected)
            << c.fen << " square " << c.target;
    }
}

TEST_F(AttackQueries, AttacksFromSquareByType) {
    Load("7k/8/8/8/4p3/8/8/K7 w - -");
    EXPECT_EQ(AttacksFromSquare(E4, BLACK, PAWN), Set({D3, F3}));
    EXPECT_EQ(AttacksFromSquare(E4, WHITE, PAWN), Set({D5, F5}));
    for (PieceType type : {EMPTY, PieceType(4), PieceType(8), PieceType(-1)})
        EXPECT_EQ(AttacksFromSquare(E4, WHITE, type), 0u) << "type " << type;
    // The square's own occupant, here a black pawn, is not looked at.
    EXPECT_EQ(AttacksFromSquare(E4, WHITE, ROOK),
              Set({A4, B4, C4, D4, F4, G4, H4, E1, E2, E3, E5, E6, E7, E8}));
    EXPECT_EQ(AttacksFromSquare(E1, WHITE, ROOK), Set({A1, B1, C1, D1, F1, G1, H1, E2, E3, E4}));
}

TEST_F(AttackQueries, AttackersStopAtTheFirstManOnALine) {
    Load("4q2k/8/8/8/4R3/8/8/K7 w - -");
    EXPECT_EQ(AttackersOfSquare(WHITE, E1), Set({E4}));
    EXPECT_EQ(AttackersOfSquare(WHITE, B1), Set({A1}));
    Load("7k/8/8/4q3/4r3/8/8/K7 w - -");
    EXPECT_EQ(AttackersOfSquare(BLACK, E1), Set({E4}));  // the queen stands behind the rook
}

// Every query against its square-by-square counterpart over a few thousand
// positions reached from the perft positions.
TEST_F(AttackQueries, AgreeWithNaiveGeometryOverPerftWalk) {
    i64 positions = 0;
    auto check = [&positions] {
        positions++;
        u64 attacks[64];
        NaiveAttackMap(attacks);
        for (Square sq = 0; sq < 64; sq++) {
            for (Side side : {WHITE, BLACK}) {
                ASSERT_EQ(IsSquareAttacked(side, sq), i32(NaiveAttacked(sq, side)))
                    << "square " << sq;
                ASSERT_EQ(AttackersOfSquare(side, sq), NaiveAttackersOf(attacks, side, sq))
                    << "square " << sq;
            }
            for (i32 step : LineSteps) {
                ASSERT_EQ(RayAttacksInDirection(sq, step), NaiveRay(sq, step)) << "square " << sq;
                ASSERT_EQ(XraySliderByDirection[step + DirectionTableOffset](sq),
                          NaiveFirstSlider(sq, step))
                    << "square " << sq << " step " << step;
            }
            for (PieceType type = KING; type <= QUEEN; type++)
                ASSERT_EQ(AttacksFromSquare(sq, board.SideToMove, type),
                          NaiveAttacksFrom(sq, board.SideToMove, type))
                    << "square " << sq << " type " << type;
        }
    };
    WalkPerftPositions(check);
    EXPECT_GT(positions, 5000);
}

}  // namespace
