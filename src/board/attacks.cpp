// Construction of the attack tables, line geometry and byte tables.
#include "board/attacks.h"

#include <cstdlib>

u8 OccupancyPattern[256][8];
u64 RankAttacks[70][8];
u64 FileAttacks[70][8];
u64 DiagonalAttacks[70][16];
u64 AntiDiagonalAttacks[70][16];

u64 KnightAttacks[64];
u64 KingAttacks[64];
u64 PawnAttacks[2][64];
u64 RookRays[64];
u64 BishopRays[64];
u64 RayEast[65], RayWest[65], RayNorth[65], RaySouth[65];
u64 RayNorthEast[65], RayNorthWest[65], RaySouthEast[65], RaySouthWest[65];
i8 DirectionBetween[64][64];
u64 BetweenSquares[64][64];
u64 SpanBelow[64];
u64 SpanAbove[64];
u32 KnightDistance[64][64];

u8 FoldTable[256];
u64 FileMask[8];
u64 NotFileMask[8];
u64 AdjacentFiles[64];
u8 PopCount16[65536];
u8 PopCount8[256];
u8 LowBit8[256];
u8 HighBit8[256];
u64 DarkSquares;
u64 LightSquares;
u64 FileBelow[64];
u64 FileAbove[64];
u64 ThreeBelow[64];
u64 ThreeAbove[64];
u64 KingInSquareWhite[64];
u64 KingInSquareWhiteWide[64];
u64 KingInSquareBlack[64];
u64 KingInSquareBlackWide[64];
u64 CornerMaskWhite[3];
u64 CornerMaskBlack[3];
u64 EdgeTwoStepSquares[64];

namespace {

bool OnBoard(i32 file, i32 rank) { return file >= 0 && file < 8 && rank >= 0 && rank < 8; }

// Square at a given position of a numbered line; -1 when the line has no
// square at that position.
enum class Line { Rank, File, Diagonal, AntiDiagonal };
Square LineSquare(Line line, i32 number, i32 position) {
    i32 file = 0, rank = 0;
    switch (line) {
    case Line::Rank: file = position, rank = number; break;
    case Line::File: file = number, rank = position; break;
    case Line::Diagonal: file = number - 7 + position, rank = position; break;
    case Line::AntiDiagonal: file = number - position, rank = position; break;
    }
    return OnBoard(file, rank) ? MakeSquare(file, rank) : -1;
}

// The squares a slider at `position` attacks along one line with occupancy o.
u64 LineAttacks(Line line, i32 number, u32 occupancy, i32 position) {
    u64 attacks = 0;
    for (i32 step : {-1, 1}) {
        for (i32 p = position + step; p >= 0 && p < 8; p += step) {
            const Square sq = LineSquare(line, number, p);
            if (sq >= 0) attacks |= SquareBit(sq);
            if (occupancy & (1u << p)) break;
        }
    }
    return attacks;
}

void BuildOccupancyPatterns() {
    // Number each (position, nearest blocker below, nearest blocker above)
    // triple in order of first appearance.
    i32 patternOf[8][8][8];
    for (auto& a : patternOf)
        for (auto& b : a)
            for (i32& c : b) c = -1;
    i32 next = 0;
    for (u32 o = 0; o < 256; o++) {
        for (i32 p = 0; p < 8; p++) {
            i32 below = 0, above = 7;
            for (i32 q = p - 1; q >= 0; q--)
                if (o & (1u << q)) { below = q; break; }
            for (i32 q = p + 1; q < 8; q++)
                if (o & (1u << q)) { above = q; break; }
            i32& number = patternOf[p][below][above];
            if (number < 0) number = next++;
            OccupancyPattern[o][p] = u8(number);
        }
    }
}

void BuildSliderTables() {
    for (u32 o = 0; o < 256; o++) {
        for (i32 p = 0; p < 8; p++) {
            const i32 n = OccupancyPattern[o][p];
            for (i32 line = 0; line < 8; line++) {
                RankAttacks[n][line] = LineAttacks(Line::Rank, line, o, p);
                FileAttacks[n][line] = LineAttacks(Line::File, line, o, p);
            }
            for (i32 line = 0; line < 16; line++) {
                DiagonalAttacks[n][line] = line < 15 ? LineAttacks(Line::Diagonal, line, o, p) : 0;
                AntiDiagonalAttacks[n][line] =
                    line < 15 ? LineAttacks(Line::AntiDiagonal, line, o, p) : 0;
            }
        }
    }
}

u64 LeaperTargets(Square sq, const i32 (*steps)[2], i32 count) {
    u64 targets = 0;
    for (i32 i = 0; i < count; i++) {
        const i32 file = FileOf(sq) + steps[i][0], rank = RankOf(sq) + steps[i][1];
        if (OnBoard(file, rank)) targets |= SquareBit(MakeSquare(file, rank));
    }
    return targets;
}

struct RayDirection {
    u64* ray;
    i32 fileStep, rankStep;
};

}  // namespace

void InitAttackTables() {
    BuildOccupancyPatterns();
    BuildSliderTables();

    static const i32 knightSteps[8][2] = {{1, 2}, {2, 1}, {2, -1}, {1, -2},
                                          {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};
    static const i32 kingSteps[8][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1},
                                        {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
    static const i32 whitePawnSteps[2][2] = {{-1, 1}, {1, 1}};
    static const i32 blackPawnSteps[2][2] = {{-1, -1}, {1, -1}};
    const RayDirection rays[8] = {
        {RayEast, 1, 0},       {RayWest, -1, 0},      {RayNorth, 0, 1},
        {RaySouth, 0, -1},     {RayNorthEast, 1, 1},  {RayNorthWest, -1, 1},
        {RaySouthEast, 1, -1}, {RaySouthWest, -1, -1},
    };

    for (auto& row : DirectionBetween)
        for (i8& d : row) d = 0;
    for (auto& row : BetweenSquares)
        for (u64& set : row) set = 0;

    for (Square sq = 0; sq < 64; sq++) {
        KnightAttacks[sq] = LeaperTargets(sq, knightSteps, 8);
        KingAttacks[sq] = LeaperTargets(sq, kingSteps, 8);
        PawnAttacks[WHITE][sq] = LeaperTargets(sq, whitePawnSteps, 2);
        PawnAttacks[BLACK][sq] = LeaperTargets(sq, blackPawnSteps, 2);

        for (const RayDirection& dir : rays) {
            const i8 step = i8(dir.fileStep + 8 * dir.rankStep);
            u64 ray = 0, passed = 0;
            i32 file = FileOf(sq) + dir.fileStep, rank = RankOf(sq) + dir.rankStep;
            passed = SquareBit(sq);
            for (; OnBoard(file, rank); file += dir.fileStep, rank += dir.rankStep) {
                const Square to = MakeSquare(file, rank);
                DirectionBetween[sq][to] = step;
                BetweenSquares[sq][to] = passed;
                passed |= SquareBit(to);
                ray |= SquareBit(to);
            }
            dir.ray[sq] = ray;
        }
        RookRays[sq] = RayEast[sq] | RayWest[sq] | RayNorth[sq] | RaySouth[sq];
        BishopRays[sq] = RayNorthEast[sq] | RayNorthWest[sq] | RaySouthEast[sq] | RaySouthWest[sq];

        SpanBelow[sq] = SpanAbove[sq] = 0;
        for (Square other = 0; other < 64; other++) {
            if (std::abs(FileOf(other) - FileOf(sq)) > 1) continue;
            if (RankOf(other) < RankOf(sq)) SpanBelow[sq] |= SquareBit(other);
            if (RankOf(other) > RankOf(sq)) SpanAbove[sq] |= SquareBit(other);
        }
    }
    for (const RayDirection& dir : rays) dir.ray[64] = 0;
}

u32 IsInsideSquareRule(Square from, Square king, Square promotion, i32 exact) {
    const i32 pawnDistance =
        std::abs(RankOf(from) - RankOf(promotion)) + (exact == 0 ? 1 : 0);
    const i32 rankDistance = std::abs(RankOf(king) - RankOf(promotion));
    const i32 fileDistance = std::abs(FileOf(king) - FileOf(promotion));
    const i32 kingDistance = rankDistance > fileDistance ? rankDistance : fileDistance;
    return pawnDistance >= kingDistance ? 1u : 0u;
}

void InitFoldTableAndMasks() {
    for (i32 c = 0; c < 256; c++) FoldTable[c] = u8(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);

    for (i32 file = 0; file < 8; file++) {
        FileMask[file] = u64(0x0101010101010101) << file;
        NotFileMask[file] = ~FileMask[file];
    }
    for (u32 value = 0; value < 65536; value++) PopCount16[value] = u8(__builtin_popcount(value));
    for (u32 value = 0; value < 256; value++) {
        PopCount8[value] = u8(__builtin_popcount(value));
        LowBit8[value] = value ? u8(__builtin_ctz(value)) : 8;
        HighBit8[value] = value ? u8(31 - __builtin_clz(value)) : 8;
    }

    DarkSquares = LightSquares = 0;
    for (Square sq = 0; sq < 64; sq++) {
        const i32 file = FileOf(sq), rank = RankOf(sq);
        ((file + rank) % 2 == 0 ? DarkSquares : LightSquares) |= SquareBit(sq);

        AdjacentFiles[sq] = (file > 0 ? FileMask[file - 1] : 0) | (file < 7 ? FileMask[file + 1] : 0);
        FileBelow[sq] = FileAbove[sq] = ThreeBelow[sq] = ThreeAbove[sq] = 0;
        for (i32 r = 0; r < 8; r++) {
            if (r < rank) FileBelow[sq] |= SquareBit(MakeSquare(file, r));
            if (r > rank) FileAbove[sq] |= SquareBit(MakeSquare(file, r));
        }
        for (i32 f = file - 1; f <= file + 1; f++) {
            if (OnBoard(f, rank - 1)) ThreeBelow[sq] |= SquareBit(MakeSquare(f, rank - 1));
            if (OnBoard(f, rank + 1)) ThreeAbove[sq] |= SquareBit(MakeSquare(f, rank + 1));
        }

        // Kings that catch a pawn by the rule of the square; a pawn on its
        // home rank counts from the square of its double step.
        KingInSquareWhite[sq] = KingInSquareWhiteWide[sq] = 0;
        KingInSquareBlack[sq] = KingInSquareBlackWide[sq] = 0;
        if (rank >= 1 && rank <= 6) {
            const Square whiteFrom = rank == 1 ? sq + 8 : sq;
            const Square blackFrom = rank == 6 ? sq - 8 : sq;
            const Square whitePromotion = MakeSquare(file, 7);
            const Square blackPromotion = MakeSquare(file, 0);
            for (Square king = 0; king < 64; king++) {
                const u64 bit = SquareBit(king);
                if (IsInsideSquareRule(whiteFrom, king, whitePromotion, 1)) KingInSquareWhite[sq] |= bit;
                if (IsInsideSquareRule(whiteFrom, king, whitePromotion, 0)) KingInSquareWhiteWide[sq] |= bit;
                if (IsInsideSquareRule(blackFrom, king, blackPromotion, 1)) KingInSquareBlack[sq] |= bit;
                if (IsInsideSquareRule(blackFrom, king, blackPromotion, 0)) KingInSquareBlackWide[sq] |= bit;
            }
        }
    }

    CornerMaskWhite[0] = SquareBit(A2);
    CornerMaskWhite[1] = SquareBit(A1) | SquareBit(A2);
    CornerMaskWhite[2] = SquareBit(A1) | SquareBit(B1) | SquareBit(A2);
    CornerMaskBlack[0] = SquareBit(A7);
    CornerMaskBlack[1] = SquareBit(A7) | SquareBit(A8);
    CornerMaskBlack[2] = SquareBit(A7) | SquareBit(A8) | SquareBit(B8);

    // Edge squares map to the square two steps inward; corners to the two
    // such squares and their neighbours toward the middle.
    for (Square sq = 0; sq < 64; sq++) {
        const i32 file = FileOf(sq), rank = RankOf(sq);
        const bool fileEdge = file == 0 || file == 7, rankEdge = rank == 0 || rank == 7;
        const i32 fileIn = file == 0 ? 1 : -1, rankIn = rank == 0 ? 1 : -1;
        u64 set = 0;
        if (fileEdge && rankEdge) {
            set = SquareBit(MakeSquare(file, rank + 2 * rankIn)) |
                  SquareBit(MakeSquare(file + fileIn, rank + 2 * rankIn)) |
                  SquareBit(MakeSquare(file + 2 * fileIn, rank)) |
                  SquareBit(MakeSquare(file + 2 * fileIn, rank + rankIn));
        } else if (rankEdge) {
            set = SquareBit(MakeSquare(file, rank + 2 * rankIn));
        } else if (fileEdge) {
            set = SquareBit(MakeSquare(file + 2 * fileIn, rank));
        }
        EdgeTwoStepSquares[sq] = set;
    }
}

void InitKnightDistance() {
    for (Square start = 0; start < 64; start++) {
        for (Square sq = 0; sq < 64; sq++) KnightDistance[start][sq] = 0;
        u64 reached = SquareBit(start), frontier = SquareBit(start);
        for (u32 distance = 1; frontier; distance++) {
            u64 next = 0;
            for (u64 set = frontier; set;) next |= KnightAttacks[PopLowest(set)];
            next &= ~reached;
            for (u64 set = next; set;) KnightDistance[start][PopLowest(set)] = distance;
            reached |= next;
            frontier = next;
        }
    }
}
