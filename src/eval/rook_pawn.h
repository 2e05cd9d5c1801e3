// Small exact tests that the low-material evaluation asks before it scores
// an ending: can one pawn of a king-and-pawns side hold against a lone rook
// (one move of look-ahead, then the rook-against-pawn bitbase), and is a king
// whose side has nothing else to move stalemated or mated on the edge with
// the enemy king two squares in front of it.
#pragma once

#include "board/types.h"

// Answers of the pawn race checks.
constexpr i32 RaceNothingFound = 0;  // no holding move was found
constexpr i32 RacePawnHolds = 1;     // the pawn side holds
constexpr i32 RaceRookStops = 2;     // the rook stops the pawn

// A White pawn on pawn against the black rook on rook (the rook side has
// king and rook only, the pawn side king and pawns only).
i32 WhitePawnRaceCheck(Square pawn, Square rook);
// The same for a Black pawn against a white rook.
i32 BlackPawnRaceCheck(Square pawn, Square rook);

// Which side the edge test looks at first.
constexpr i32 WhiteImmobile = 2;
constexpr i32 BlackImmobile = 1;
// Answers of the edge test.
constexpr i32 EdgeNothingFound = 0;
constexpr i32 EdgeStalemate = 1;    // the side to move is stalemated
constexpr i32 EdgeWhiteMated = 2;   // White, to move, is checkmated
constexpr i32 EdgeBlackMated = 3;   // Black, to move, is checkmated

// which = WhiteImmobile when White can move nothing but its king,
// BlackImmobile when Black can move nothing but its king. Looks for the
// immobile side's king on an edge with the enemy king two squares straight
// in front of it, and, when that side is to move, for a king without a safe
// square. With which = WhiteImmobile it goes on to Black's king when Black
// is immobile too. Clears eval_info.symmetric when the kings stand so.
// Flight squares are tested with the king still on its square, so a square
// behind it on a slider's line counts as safe: a mate or stalemate may be
// missed, never invented.
i32 PawnEndgameDrawCheck(i32 which);

// 1 when the side can move something other than its king: a piece, a pawn
// push, a pawn capture, or (on move) an en-passant capture. Pseudo-legal:
// a pinned pawn still counts as mobile.
i32 HasMobileMaterial(Side side);
