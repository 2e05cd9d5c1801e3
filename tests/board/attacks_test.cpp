#include "board/attacks.h"

#include <gtest/gtest.h>

#include "board/init_tables.h"
#include "support/naive_moves.h"

namespace {

class AttackTables : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitEngineTables(); }
};

u64 Squares(std::initializer_list<Square> squares) {
    u64 set = 0;
    for (Square sq : squares) set |= SquareBit(sq);
    return set;
}

TEST_F(AttackTables, OccupancyPatternsAreNumberedByFirstAppearance) {
    struct Case { u32 occupancy; i32 position; i32 pattern; };
    const Case cases[] = {{0, 0, 0}, {0, 7, 7}, {2, 0, 8}, {2, 2, 9}, {2, 7, 14}, {4, 0, 15},
                          {4, 1, 16}, {10, 2, 29}, {255, 3, 39}, {0x50, 5, 69}};
    for (const Case& c : cases)
        EXPECT_EQ(OccupancyPattern[c.occupancy][c.position], c.pattern)
            << "occupancy " << c.occupancy << " position " << c.position;
    i32 highest = 0;
    for (auto& row : OccupancyPattern)
        for (u8 pattern : row) highest = std::max<i32>(highest, pattern);
    EXPECT_EQ(highest, 69);
}

TEST_F(AttackTables, RankAttacksStopAtTheFirstBlocker) {
    EXPECT_EQ(RankAttacks[OccupancyPattern[0x03][0]][0], Squares({B1}));
    EXPECT_EQ(RankAttacks[OccupancyPattern[0x01][0]][0], Squares({B1, C1, D1, E1, F1, G1, H1}));
}

// Every slider lookup through the rotated occupancies agrees with walking
// rays on the board, over many random occupancies.
TEST_F(AttackTables, SliderLookupsMatchRayWalking) {
    u64 state = 0x9E3779B97F4A7C15ull;
    for (i32 trial = 0; trial < 300; trial++) {
        state ^= state << 13, state ^= state >> 7, state ^= state << 17;
        const u64 occupied = state & (state >> 3);
        ClearBoard();
        for (u64 set = occupied; set;) SetOccupancy(PopLowest(set));
        for (Square sq = 0; sq < 64; sq++) {
            u64 rook = 0, bishop = 0;
            const i32 steps[8][3] = {{1, 0, 1}, {-1, 0, 1}, {0, 1, 1}, {0, -1, 1},
                                     {1, 1, 0}, {-1, 1, 0}, {1, -1, 0}, {-1, -1, 0}};
            for (const auto& step : steps) {
                for (i32 f = FileOf(sq) + step[0], r = RankOf(sq) + step[1]; f >= 0 && f < 8 && r >= 0 && r < 8;
                     f += step[0], r += step[1]) {
                    (step[2] ? rook : bishop) |= SquareBit(MakeSquare(f, r));
                    if (occupied & SquareBit(MakeSquare(f, r))) break;
                }
            }
            ASSERT_EQ(RookAttacksFrom(sq), rook) << "square " << sq;
            ASSERT_EQ(BishopAttacksFrom(sq), bishop) << "square " << sq;
        }
    }
    ClearBoard();
}

TEST_F(AttackTables, LineGeometryPointsFromFirstToSecond) {
    EXPECT_EQ(DirectionBetween[A1][H8], 9);
    EXPECT_EQ(DirectionBetween[H8][A1], -9);
    EXPECT_EQ(DirectionBetween[E1][A1], -1);
    EXPECT_EQ(DirectionBetween[A1][B3], 0);
    EXPECT_EQ(DirectionBetween[A1][A1], 0);
    EXPECT_EQ(DirectionBetween[H1][A8], 7);
    EXPECT_EQ(BetweenSquares[A1][D4], Squares({A1, B2, C3}));
    EXPECT_EQ(BetweenSquares[A1][B2], Squares({A1}));
    EXPECT_EQ(BetweenSquares[A1][A1], 0u);
    EXPECT_EQ(BetweenSquares[A1][B3], 0u);
    EXPECT_EQ(BetweenSquares[E8][E1], Squares({E8, E7, E6, E5, E4, E3, E2}));
    for (Square a = 0; a < 64; a++)
        for (Square b = 0; b < 64; b++) ASSERT_EQ(DirectionBetween[a][b], -DirectionBetween[b][a]);
}

TEST_F(AttackTables, LeapersAndRays) {
    EXPECT_EQ(KnightAttacks[A1], Squares({B3, C2}));
    EXPECT_EQ(KingAttacks[H8], Squares({G8, G7, H7}));
    EXPECT_EQ(PawnAttacks[WHITE][A2], Squares({B3}));
    EXPECT_EQ(PawnAttacks[WHITE][E4], Squares({D5, F5}));
    EXPECT_EQ(PawnAttacks[BLACK][H7], Squares({G6}));
    EXPECT_EQ(PawnAttacks[WHITE][E8], 0u);
    EXPECT_EQ(PawnAttacks[BLACK][E1], 0u);
    EXPECT_EQ(RayNorthEast[A1], Squares({B2, C3, D4, E5, F6, G7, H8}));
    EXPECT_EQ(RayWest[A4], 0u);
    EXPECT_EQ(RayEast[64], 0u);
    EXPECT_EQ(PopCount(RookRays[D4]), 14);
    EXPECT_EQ(PopCount(BishopRays[D4]), 13);
    EXPECT_EQ(SpanAbove[A7], Squares({A8, B8}));
    EXPECT_EQ(SpanBelow[B2], Squares({A1, B1, C1}));
}

TEST_F(AttackTables, KnightDistances) {
    EXPECT_EQ(KnightDistance[A1][H8], 6u);
    EXPECT_EQ(KnightDistance[A1][B3], 1u);
    EXPECT_EQ(KnightDistance[A1][B2], 4u);
    EXPECT_EQ(KnightDistance[E4][E4], 0u);
    for (Square a = 0; a < 64; a++)
        for (Square b = 0; b < 64; b++) {
            ASSERT_EQ(KnightDistance[a][b], KnightDistance[b][a]);
            ASSERT_LE(KnightDistance[a][b], 6u);
        }
}

TEST_F(AttackTables, MasksAndByteTables) {
    EXPECT_EQ(FoldTable[u8('Q')], 'q');
    EXPECT_EQ(FoldTable[u8('1')], '1');
    EXPECT_EQ(FoldTable[u8('q')], 'q');
    EXPECT_EQ(FoldTable[0xC4], 0xC4);
    EXPECT_EQ(LowBit8[0], 8);
    EXPECT_EQ(HighBit8[0], 8);
    EXPECT_EQ(LowBit8[0x28], 3);
    EXPECT_EQ(HighBit8[0x28], 5);
    EXPECT_EQ(PopCount8[0], 0);
    EXPECT_EQ(PopCount16[0xFFFF], 16);
    EXPECT_EQ(FileMask[0], 0x0101010101010101ull);
    EXPECT_EQ(NotFileMask[7], ~0x8080808080808080ull);
    EXPECT_EQ(AdjacentFiles[A5], FileMask[1]);
    EXPECT_EQ(AdjacentFiles[H2], FileMask[6]);
    EXPECT_EQ(AdjacentFiles[D3], FileMask[2] | FileMask[4]);
    EXPECT_TRUE(DarkSquares & SquareBit(A1));
    EXPECT_TRUE(LightSquares & SquareBit(H1));
    EXPECT_EQ(DarkSquares | LightSquares, ~0ull);
    EXPECT_EQ(FileBelow[C3], Squares({C1, C2}));
    EXPECT_EQ(FileAbove[C6], Squares({C7, C8}));
    EXPECT_EQ(ThreeBelow[A3], Squares({A2, B2}));
    EXPECT_EQ(ThreeAbove[E4], Squares({D5, E5, F5}));
    EXPECT_EQ(CornerMaskWhite[2], Squares({A1, B1, A2}));
    EXPECT_EQ(CornerMaskBlack[2], Squares({A7, A8, B8}));
    EXPECT_EQ(PopCount(0), 0);
    EXPECT_EQ(PopCount(~0ull), 64);
}

TEST_F(AttackTables, EdgeTwoStepSquares) {
    struct Case { Square square; u64 expected; };
    const Case cases[] = {
        {B1, Squares({B3})}, {A4, Squares({C4})}, {E8, Squares({E6})}, {H5, Squares({F5})},
        {A1, Squares({A3, B3, C1, C2})}, {H1, Squares({H3, G3, F1, F2})},
        {A8, Squares({A6, B6, C8, C7})}, {H8, Squares({H6, G6, F8, F7})}, {D4, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(EdgeTwoStepSquares[c.square], c.expected) << c.square;
}

TEST_F(AttackTables, RuleOfTheSquare) {
    // White pawn a5 queens on a8 in three moves: a king on d8 catches it, e8 does not.
    EXPECT_EQ(IsInsideSquareRule(A5, D8, A8, 1), 1u);
    EXPECT_EQ(IsInsideSquareRule(A5, E8, A8, 1), 0u);
    EXPECT_EQ(IsInsideSquareRule(A5, E8, A8, 0), 1u);
    // A pawn on its home rank counts from the square of its double step.
    EXPECT_EQ(KingInSquareWhite[A2], KingInSquareWhite[A3]);
    EXPECT_TRUE(KingInSquareWhite[A5] & SquareBit(D8));
    EXPECT_FALSE(KingInSquareWhite[A5] & SquareBit(E8));
    EXPECT_TRUE(KingInSquareBlack[H4] & SquareBit(E1));
    EXPECT_FALSE(KingInSquareBlack[H4] & SquareBit(D1));
    EXPECT_EQ(KingInSquareWhite[A1], 0u);
    EXPECT_EQ(KingInSquareWhite[A8], 0u);
    EXPECT_EQ(KingInSquareBlackWide[C8], 0u);
}

}  // namespace
