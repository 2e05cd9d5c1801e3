// Nalimov indexing: the tables every table index function works from.
//
// An index function (its form in table_indexer.h) moves every square of its
// lists into a canonical frame chosen by the king of the side to move,
// numbers the king pair, enumerates the side to move's men together relative
// to the other king, and appends one mixed-radix digit per remaining man.
//
// This unit holds the constant frame tables, the king-pair numbering and the
// enumeration tables (allowed squares of each man type next to the second
// king and the running bases of every king pair), built once per run.
#pragma once

#include <array>
#include <vector>

#include "board/types.h"

constexpr i16 NoKingPair = 4000;
constexpr i32 PawnlessKingPairs = 462;
constexpr i32 PawnKingPairs = 1806;

// Enumeration piece types, in the order of "pPNBRQ": p is a pawn of the side
// not to move (moving towards rank 1 in the frame), P one of the side to move.
enum EnumPieceType : i32 { EnumP_Other = 0, EnumP = 1, EnumN = 2, EnumB = 3, EnumR = 4, EnumQ = 5 };
constexpr i32 EnumTypeCount = 6;
constexpr u8 NotAllowed = 255;

// Frame tables.
extern const std::array<u32, 64> SquareFlipMask;   // moves a king into a1-d4
extern const std::array<u32, 64> DiagonalFlip;     // reflection at a1-h8
extern const std::array<u32, 64> FileMirrorMask;   // 7 on files e-h
extern const std::array<u32, 2> FlipRankMask;      // {0, 56} by flip
extern const std::array<u8, 64> CanonicalTriangle; // a1 b1 c1 d1 b2 c2 d2 c3 d3 d4
extern const std::array<u8, 64> OffMainDiagonal;
extern const std::array<u8, 64> DiagonalLowerHalf; // the diagonal and its h1 side

// [first king][second king] -> pair number, NoKingPair where no pair exists.
extern const std::array<std::array<i16, 64>, 64> KingPairIndexPawnless;
extern const std::array<std::array<i16, 64>, 64> KingPairIndexPawns;

// Run-time enumeration tables, valid after BuildEnumerationTables.
// [type][second king][square] -> ordinal among the allowed squares, or NotAllowed.
extern u8 EnumSquareMap[EnumTypeCount][64][64];
extern u8 EnumSquareCount[EnumTypeCount][64];

// Bases of one, two and three enumerated men per king pair, with the types
// in descending order (t1 >= t2 >= t3). Unused combinations stay empty.
extern std::vector<u32> EnumBase1Pawns[EnumTypeCount];
extern std::vector<u32> EnumBase1Pawnless[EnumTypeCount];
extern std::vector<u32> EnumBase2Pawns[EnumTypeCount][EnumTypeCount];
extern std::vector<u32> EnumBase2Pawnless[EnumTypeCount][EnumTypeCount];
extern std::vector<u32> EnumBase3Pawns[EnumTypeCount][EnumTypeCount][EnumTypeCount];
extern std::vector<u32> EnumBase3Pawnless[EnumTypeCount][EnumTypeCount][EnumTypeCount];
extern u32 EnumTotal1Pawns[EnumTypeCount];
extern u32 EnumTotal1Pawnless[EnumTypeCount];
extern u32 EnumTotal2Pawns[EnumTypeCount][EnumTypeCount];
extern u32 EnumTotal2Pawnless[EnumTypeCount][EnumTypeCount];
extern u32 EnumTotal3Pawns[EnumTypeCount][EnumTypeCount][EnumTypeCount];
extern u32 EnumTotal3Pawnless[EnumTypeCount][EnumTypeCount][EnumTypeCount];

// Builds every enumeration table; BuildTablebaseIndexTables calls it once
// per run.
void BuildEnumerationTables();

// malloc for the tablebase set-up code. Never returns null: on failure it
// prints "*** Cannot allocate %llu bytes of memory" and ends the process with
// code 1.
void* TablebaseAlloc(u64 size);

// The base table of a group of count men with descending types, by pawn
// frame or not; null when that combination has none.
const std::vector<u32>* EnumBaseTable(bool pawns, i32 count, const i32* types);
// The total of that table (0 when none).
u32 EnumTotal(bool pawns, i32 count, const i32* types);

constexpr u64 Choose2(u64 n) { return n * (n - 1) / 2; }
constexpr u64 Choose3(u64 n) { return n * (n - 1) * (n - 2) / 6; }
