// Shared vocabulary of the engine: sides, squares, piece codes, the packed
// move word, scores and depth units. Everything else includes this header.
#pragma once

#include <initializer_list>

#include "platform/int_types.h"

// Sides: every per-side array is indexed white first.
using Side = i32;
constexpr Side WHITE = 0;
constexpr Side BLACK = 1;
constexpr Side ChangeSide(Side side) { return side ^ 1; }

// Squares: a1 = 0, h1 = 7, a8 = 56, h8 = 63; white pawns move toward +8.
using Square = i32;
// clang-format off
enum SquareName : i32 {
    A1, B1, C1, D1, E1, F1, G1, H1,
    A2, B2, C2, D2, E2, F2, G2, H2,
    A3, B3, C3, D3, E3, F3, G3, H3,
    A4, B4, C4, D4, E4, F4, G4, H4,
    A5, B5, C5, D5, E5, F5, G5, H5,
    A6, B6, C6, D6, E6, F6, G6, H6,
    A7, B7, C7, D7, E7, F7, G7, H7,
    A8, B8, C8, D8, E8, F8, G8, H8,
};
// clang-format on
constexpr i32 FileOf(Square square) { return square & 7; }
constexpr i32 RankOf(Square square) { return square >> 3; }
constexpr Square MakeSquare(i32 file, i32 rank) { return rank * 8 + file; }
constexpr u64 SquareBit(Square square) { return u64(1) << square; }

// Colourless piece codes. A code above 3 is a slider: bit 0 moves along ranks
// and files, bit 1 along diagonals. Code 4 is never used.
using PieceType = i32;
constexpr PieceType EMPTY = 0;
constexpr PieceType KING = 1;
constexpr PieceType KNIGHT = 2;
constexpr PieceType PAWN = 3;
constexpr PieceType ROOK = 5;
constexpr PieceType BISHOP = 6;
constexpr PieceType QUEEN = 7;
constexpr bool IsSlider(PieceType type) { return type > 3; }

// The packed move word: from in bits 0-5, to in 6-11, moving piece in 12-14,
// captured piece in 15-17, promotion piece in 18-20. 0 is "no move".
// Castling is a king move of two files; en passant is a pawn move that
// changes file and captures nothing.
using Move = u32;
constexpr Move NoMove = 0;
constexpr Square MoveFrom(Move m) { return Square(m & 63); }
constexpr Square MoveTo(Move m) { return Square((m >> 6) & 63); }
constexpr PieceType MovePiece(Move m) { return PieceType((m >> 12) & 7); }
constexpr PieceType MoveCaptured(Move m) { return PieceType((m >> 15) & 7); }
constexpr PieceType MovePromotion(Move m) { return PieceType((m >> 18) & 7); }
constexpr Move MakeMoveWord(Square from, Square to, PieceType piece, PieceType captured = EMPTY,
                            PieceType promotion = EMPTY) {
    return Move(from) | Move(to) << 6 | Move(piece) << 12 | Move(captured) << 15 |
           Move(promotion) << 18;
}
// A move word of 32768 or more captures or promotes.
constexpr bool IsCaptureOrPromotion(Move m) { return m >= 32768; }
// En passant: a pawn move that changes file without taking a man off its
// to-square.
constexpr bool IsEnPassantMove(Move m) {
    return MovePiece(m) == PAWN && MoveCaptured(m) == EMPTY && MovePromotion(m) == EMPTY &&
           FileOf(MoveFrom(m)) != FileOf(MoveTo(m));
}

// Scores are centipawns from the side to move's view; mate in p plies from
// the root scores MateScore - p, anything beyond MateBound is a mate score.
using Score = i32;
constexpr Score MateScore = 32700;
constexpr Score MateBound = 31000;

// Search depth is counted in sixtieths of a ply.
constexpr i32 OnePly = 60;

// The key value a wiped hash-table entry holds.
constexpr u64 WipedKey = 1234567;
