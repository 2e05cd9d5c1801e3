// The frame tables, king-pair numbering and enumeration tables against the
// check values of the Nalimov indexing.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>

#include "support/sanitizer_build.h"
#include "tablebase/index/index_tables.h"
#include "tablebase/index/indexers.h"
#include "tablebase/index_lists.h"

namespace {

class IndexTables : public ::testing::Test {
protected:
    static void SetUpTestSuite() { BuildTablebaseIndexTables(); }
};

TEST_F(IndexTables, KingPairNumbers) {
    struct Case {
        bool pawns;
        const char* first;
        const char* second;
        i32 pair;
    };
    const Case cases[] = {
        {false, "a1", "c1", 0},    {false, "a1", "h8", 32},  {false, "b1", "d1", 33},
        {false, "d4", "a1", 432},  {false, "d4", "h8", 461}, {true, "a1", "c1", 0},
        {true, "d1", "a1", 176},   {true, "d8", "a1", 1748}, {true, "d8", "h8", 1805},
        {false, "a1", "b2", NoKingPair}, {false, "b2", "a1", NoKingPair}, {false, "e1", "a8", NoKingPair},
        {true, "e1", "a8", NoKingPair},  {true, "c3", "c3", NoKingPair},
    };
    for (const Case& c : cases) {
        const auto& table = c.pawns ? KingPairIndexPawns : KingPairIndexPawnless;
        EXPECT_EQ(table[SquareOf(c.first)][SquareOf(c.second)], c.pair) << c.first << c.second;
    }
    // Every pair number is taken once.
    for (bool pawns : {false, true}) {
        const auto& table = pawns ? KingPairIndexPawns : KingPairIndexPawnless;
        std::vector<i32> seen(pawns ? PawnKingPairs : PawnlessKingPairs, 0);
        for (const auto& row : table)
            for (i16 pair : row)
                if (pair != NoKingPair) seen[pair]++;
        for (i32 count : seen) EXPECT_EQ(count, 1);
    }
}

TEST_F(IndexTables, FrameTables) {
    EXPECT_EQ(SquareFlipMask[SquareOf("d4")], 0u);
    EXPECT_EQ(SquareFlipMask[SquareOf("e4")], 7u);
    EXPECT_EQ(SquareFlipMask[SquareOf("d5")], 56u);
    EXPECT_EQ(SquareFlipMask[SquareOf("h8")], 63u);
    EXPECT_EQ(DiagonalFlip[SquareOf("b1")], SquareOf("a2"));
    EXPECT_EQ(FileMirrorMask[SquareOf("e8")], 7u);
    i32 triangle = 0, diagonal = 0, lowerHalf = 0;
    for (i32 sq = 0; sq < 64; sq++) {
        triangle += CanonicalTriangle[sq];
        diagonal += 1 - OffMainDiagonal[sq];
        lowerHalf += DiagonalLowerHalf[sq];
    }
    EXPECT_EQ(triangle, 10);
    EXPECT_EQ(diagonal, 8);
    EXPECT_EQ(lowerHalf, 36);
}

TEST_F(IndexTables, AllowedSquares) {
    struct Case {
        i32 type;
        const char* king;
        const char* square;
        i32 count;     // allowed squares for that king
        i32 ordinal;   // of the square, NotAllowed when excluded
    };
    const Case cases[] = {
        {EnumQ, "h8", "a1", 60, 0},  {EnumQ, "h8", "f8", 60, 59}, {EnumQ, "h8", "g7", 60, NotAllowed},
        {EnumN, "a1", "b3", 61, NotAllowed}, {EnumN, "a1", "a2", 61, 7},
        {EnumP, "d4", "h7", 45, 44}, {EnumP, "d4", "c3", 45, NotAllowed},
        {EnumP_Other, "d4", "c3", 47, 10}, {EnumP, "a1", "a2", 48, 0}, {EnumP_Other, "a1", "h7", 48, 47},
        {EnumP_Other, "d4", "d1", 47, NotAllowed}, {EnumB, "e4", "d5", 59, NotAllowed},
        {EnumR, "e4", "d5", 59, 31},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EnumSquareCount[c.type][SquareOf(c.king)], c.count) << c.type << c.king;
        EXPECT_EQ(EnumSquareMap[c.type][SquareOf(c.king)][SquareOf(c.square)], c.ordinal)
            << c.type << c.king << c.square;
    }
}

TEST_F(IndexTables, EnumerationTotals) {
    const u32 onePawns[] = {84012, 81664, 102748, 106500, 105684, 100212};
    for (i32 t = 0; t < EnumTypeCount; t++) EXPECT_EQ(EnumTotal1Pawns[t], onePawns[t]) << t;
    const u32 onePawnless[] = {26282, 27243, 27036, 25635};
    for (i32 t = EnumN; t < EnumTypeCount; t++) EXPECT_EQ(EnumTotal1Pawnless[t], onePawnless[t - 2]);
    EXPECT_EQ(EnumTotal2Pawns[0][0], 1912372u);
    EXPECT_EQ(EnumTotal2Pawns[1][1], 1806671u);
    EXPECT_EQ(EnumTotal2Pawns[2][1], 4648581u);
    EXPECT_EQ(EnumTotal2Pawns[5][5], 2732826u);
    EXPECT_EQ(EnumTotal2Pawnless[2][2], 735304u);
    EXPECT_EQ(EnumTotal2Pawnless[3][2], 1550621u);
    EXPECT_EQ(EnumTotal2Pawnless[5][4], 1500642u);
    EXPECT_EQ(EnumTotal2Pawnless[5][5], 699072u);
    EXPECT_EQ(EnumTotal3Pawnless[2][2][2], 13486227u);
    EXPECT_EQ(EnumTotal3Pawnless[5][4][3], 88558020u);
    EXPECT_EQ(EnumTotal3Pawnless[5][5][5], 12489057u);
    EXPECT_EQ(EnumTotal3Pawns[0][0][0], 28388716u);
    EXPECT_EQ(EnumTotal3Pawns[1][1][1], 26061704u);
    // The whole set: the 6 maps and the base arrays of 22 pawn and 14
    // pawnless one- and two-man groups and 36 + 20 three-man groups.
    u64 bytes = sizeof(EnumSquareMap);
    i32 pawnTables = 0, pawnlessTables = 0;
    for (i32 a = 0; a < EnumTypeCount; a++) {
        pawnTables += !EnumBase1Pawns[a].empty();
        pawnlessTables += !EnumBase1Pawnless[a].empty();
        for (i32 b = 0; b < EnumTypeCount; b++) {
            pawnTables += !EnumBase2Pawns[a][b].empty();
            pawnlessTables += !EnumBase2Pawnless[a][b].empty();
            for (i32 c = 0; c < EnumTypeCount; c++) {
                pawnTables += !EnumBase3Pawns[a][b][c].empty();
                pawnlessTables += !EnumBase3Pawnless[a][b][c].empty();
            }
        }
    }
    EXPECT_EQ(pawnTables, 6 + 16 + 36);
    EXPECT_EQ(pawnlessTables, 4 + 10 + 20);
    bytes += u64(pawnTables) * PawnKingPairs * 4 + u64(pawnlessTables) * PawnlessKingPairs * 4;
    EXPECT_EQ(bytes, 506400u);
}

TEST_F(IndexTables, SecondBuildChangesNothing) {
    const u32* before = EnumBase3Pawns[5][5][5].data();
    const u32 total = EnumTotal3Pawns[5][5][5];
    BuildTablebaseIndexTables();
    EXPECT_EQ(EnumBase3Pawns[5][5][5].data(), before);
    EXPECT_EQ(EnumTotal3Pawns[5][5][5], total);
}

TEST(TablebaseAlloc, FailureSaysSoAndEndsWithCodeOne) {
    if (SanitizerBuild()) GTEST_SKIP() << "the sanitizer's allocator aborts instead";
    // The message goes to standard output; send it where the death test looks.
    EXPECT_EXIT(
        {
            dup2(2, 1);
            TablebaseAlloc(u64(1) << 62);
        },
        ::testing::ExitedWithCode(1), "\\*\\*\\* Cannot allocate 4611686018427387904 bytes of memory");
}

}  // namespace
