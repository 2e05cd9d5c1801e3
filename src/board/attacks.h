// Attack tables over rotated occupancies, leaper and ray sets, line
// geometry between squares, and the byte tables for case folding and bit
// counting. Built once at start-up, read-only afterwards.
#pragma once

#include "board/board.h"
#include "board/types.h"

// Pattern number 0..69 of a line occupancy seen from one position on it:
// depends only on the position and its nearest blockers below and above.
extern u8 OccupancyPattern[256][8];

extern u64 RankAttacks[70][8];
extern u64 FileAttacks[70][8];
extern u64 DiagonalAttacks[70][16];
extern u64 AntiDiagonalAttacks[70][16];

extern u64 KnightAttacks[64];
extern u64 KingAttacks[64];
extern u64 PawnAttacks[2][64];
extern u64 RookRays[64];
extern u64 BishopRays[64];
extern u64 RayEast[65], RayWest[65], RayNorth[65], RaySouth[65];
extern u64 RayNorthEast[65], RayNorthWest[65], RaySouthEast[65], RaySouthWest[65];
extern i8 DirectionBetween[64][64];
extern u64 BetweenSquares[64][64];
extern u64 SpanBelow[64];
extern u64 SpanAbove[64];
extern u32 KnightDistance[64][64];

extern u8 FoldTable[256];
extern u64 FileMask[8];
extern u64 NotFileMask[8];
extern u64 AdjacentFiles[64];
extern u8 PopCount16[65536];
extern u8 PopCount8[256];
extern u8 LowBit8[256];
extern u8 HighBit8[256];
extern u64 DarkSquares;
extern u64 LightSquares;
extern u64 FileBelow[64];
extern u64 FileAbove[64];
extern u64 ThreeBelow[64];
extern u64 ThreeAbove[64];
extern u64 KingInSquareWhite[64];
extern u64 KingInSquareWhiteWide[64];
extern u64 KingInSquareBlack[64];
extern u64 KingInSquareBlackWide[64];
extern u64 CornerMaskWhite[3];
extern u64 CornerMaskBlack[3];
extern u64 EdgeTwoStepSquares[64];

void InitAttackTables();
void InitFoldTableAndMasks();
void InitKnightDistance();
u32 IsInsideSquareRule(Square from, Square king, Square promotion, i32 exact);
constexpr u64 HighBit() { return u64(1) << 63; }

// Folds an input byte to lower case; always index by unsigned char.
inline char FoldChar(char c) { return char(FoldTable[static_cast<unsigned char>(c)]); }

// Slider attacks of a square on the current board, read from the rotated
// occupancies.
inline u64 RankAttacksFrom(Square sq) {
    const i32 rank = RankOf(sq);
    return RankAttacks[OccupancyPattern[board.RankOccupancy[rank]][FileOf(sq)]][rank];
}
inline u64 FileAttacksFrom(Square sq) {
    const i32 file = FileOf(sq);
    return FileAttacks[OccupancyPattern[board.FileOccupancy[file]][RankOf(sq)]][file];
}
inline u64 DiagonalAttacksFrom(Square sq) {
    const i32 line = FileOf(sq) - RankOf(sq) + 7;
    return DiagonalAttacks[OccupancyPattern[board.DiagonalOccupancy[line]][RankOf(sq)]][line];
}
inline u64 AntiDiagonalAttacksFrom(Square sq) {
    const i32 line = FileOf(sq) + RankOf(sq);
    return AntiDiagonalAttacks[OccupancyPattern[board.AntiDiagonalOccupancy[line]][RankOf(sq)]]
                              [line];
}
inline u64 RookAttacksFrom(Square sq) { return RankAttacksFrom(sq) | FileAttacksFrom(sq); }
inline u64 BishopAttacksFrom(Square sq) {
    return DiagonalAttacksFrom(sq) | AntiDiagonalAttacksFrom(sq);
}
inline u64 QueenAttacksFrom(Square sq) { return RookAttacksFrom(sq) | BishopAttacksFrom(sq); }

// Bit scanning over sets.
inline Square LowestSquare(u64 set) { return Square(__builtin_ctzll(set)); }
inline Square HighestSquare(u64 set) { return Square(63 - __builtin_clzll(set)); }
inline Square PopLowest(u64& set) {
    const Square sq = LowestSquare(set);
    set &= set - 1;
    return sq;
}
