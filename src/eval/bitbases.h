// Exact knowledge of three small endings as constant bit tables: king and
// pawn against king (does the pawn side win, and does it win by running the
// pawn alone) and king and rook against king and pawn (can the pawn side
// hold, rook side to move). The tables are solved at build time by
// gen/bitbases_gen.cpp.
//
// All tables see the pawn as White's, moving toward rank 8. A caller whose
// pawn is Black turns the board round first (every square s becomes 63 - s)
// and gives the side to move from the pawn side's point of view. Bits of
// illegal positions are 0.
#pragma once

#include <array>

#include "board/types.h"

// King and pawn against king. Bit number
//   side + 2 * (pawn + 64 * (strongKing + 64 * weakKing)),
// side 0 with the pawn side to move and 1 with the lone king to move, lives
// in byte (bit >> 3), bit (bit & 7). Set when the pawn side wins.
constexpr i32 PawnBitbaseBytes = 64 * 64 * 64 * 2 / 8;
extern const u8 PawnWinBitbase[PawnBitbaseBytes];

// Same numbering; set when the pawn wins by running alone, the stronger king
// never moving. A subset of PawnWinBitbase.
extern const u8 PawnRunBitbase[PawnBitbaseBytes];

// King and rook against king and pawn, rook side to move. Word
//   (rook * 64 + rookKing) * 16 + RookPawnSlot[pawn],
// bit pawnKing: set when the pawn side is not lost. Pawns stand on files e-h
// (the probe mirrors the others) and ranks 4-7.
constexpr i32 RookPawnBitbaseWords = 64 * 64 * 16;
extern const u64 BuiltInRookPawnBitbase[RookPawnBitbaseWords];
// The table the probe reads; it starts out as the built-in table.
extern const u64* RookPawnBitbase;

// Slot of a pawn square in the rook-against-pawn table: e4..h4 are 0..3,
// e5..h5 4..7, e6..h6 8..11, e7..h7 12..15; every other square is 0.
constexpr std::array<i32, 64> MakeRookPawnSlot() {
    std::array<i32, 64> slot{};
    for (Square sq = E4; sq <= H7; ++sq)
        if (FileOf(sq) >= 4) slot[sq] = (RankOf(sq) - 3) * 4 + FileOf(sq) - 4;
    return slot;
}
inline constexpr std::array<i32, 64> RookPawnSlot = MakeRookPawnSlot();

// Each king-and-pawn probe returns its table's bit for (side, pawn,
// strongKing, weakKing) and clears *symmetric when the answer for the other
// side to move differs; otherwise it leaves *symmetric alone.
i32 ProbePawnBitbaseA(i32 side, Square pawn, Square strongKing, Square weakKing, i32* symmetric);
i32 ProbePawnBitbaseB(i32 side, Square pawn, Square strongKing, Square weakKing, i32* symmetric);
// As ProbePawnBitbaseB, except that with the stronger king on the pawn's file
// in front of it the rule of the square decides.
i32 ProbePawnBitbaseBWithFileRule(i32 side, Square pawn, Square strongKing, Square weakKing,
                                  i32* symmetric);

// 1 when the pawn side holds king and rook against king and pawn with the
// rook side to move, else 0.
u32 ProbeRookPawnBitbase(Square rook, Square rookKing, Square pawn, Square pawnKing);
