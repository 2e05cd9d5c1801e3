// The one global position record and the routines that build a position
// from nothing: empty the board, add a piece, set up the initial array.
#pragma once

#include "board/pawn_entry.h"
#include "board/types.h"

struct Board {
    i32 CannotWin[2];     // 1 = this side's material cannot win
    i32 MajorUnits[2];    // rooks count 1, queens 2
    i32 MinorCount[2];    // knights + bishops
    i32 PieceTotal;       // all men of both sides, kings and pawns included
    i32 white_phase;
    i32 black_phase;
    i32 current_phase;    // 0..256 blend between opening and endgame sums
    i32 CastlingFlags;    // 1 white O-O, 2 white O-O-O, 4 black O-O, 8 black O-O-O
    i16 PstOpeningSum;    // black minus white, wraps in 16 bits
    i16 PstEndgameSum;
    i32 MaterialIndex;    // mixed-radix material signature or MaterialIndexNone
    i32 FiftyMoveCounter;
    i32 SearchAbort;      // 1 = stop the running search now
    i32 SideToMove;
    u64 Bitboards[8][2];  // [type][side]; row 0 = all men of the side
    u32 RankOccupancy[8];
    u32 FileOccupancy[8];
    u32 AntiDiagonalOccupancy[16];  // line file + rank, bit = rank
    u32 DiagonalOccupancy[16];      // line file - rank + 7, bit = rank
    i32 KingSquare[2];
    u64 StraightSliders;  // rooks and queens of both sides
    u64 DiagonalSliders;  // bishops and queens of both sides
    i32 PieceCount[8][2];
    i32 Squares[64];      // PieceType on each square
    u64 AllPawns;
    PawnEntry LastPawnEntry;
    u64 HashKey;          // pieces only
    u64 PawnHashKey;      // pawns only
    i32 Material[2];      // piece values without the king
    i32 NonPawnUnits[2];  // knight 3, bishop 3, rook 5, queen 9
};

extern Board board;

// Move stack shared by all plies; generators append at MoveStackTop.
struct MoveStackEntry {
    Move move;
    i32 score;
};
constexpr i32 MoveStackSize = 16384;
extern MoveStackEntry MoveStack[MoveStackSize];
extern i32 MoveStackTop;

constexpr const char PieceLetters[] = ".KNP?RBQ";
constexpr i32 PieceValue[8] = {0, 10000, 300, 100, 0, 500, 300, 900};
// Units toward NonPawnUnits by piece type.
constexpr i32 PieceUnits[8] = {0, 0, 3, 0, 0, 5, 3, 9};

// Material signature: queens, rooks, bishops, knights of each side in base 3,
// pawns in base 9. Any count of 3 or more (or more than 8 pawns) falls outside.
constexpr i32 MaterialIndexNone = 531441;
constexpr i32 MaterialDigit[8][2] = {
    {0, 0}, {0, 0}, {729, 2187}, {6561, 59049}, {0, 0}, {9, 27}, {81, 243}, {1, 3},
};

void ClearBoard();
void AddPiece(Square square, Side side, PieceType type);
void SetupStartPosition();
// Men in a set; inline, so that it compiles to the one counting instruction.
inline i32 PopCount(u64 set) { return __builtin_popcountll(set); }
void ComputeMaterialIndex();

// Sets and clears one square's bit in the four rotated line occupancies.
inline void SetOccupancy(Square square) {
    const i32 file = FileOf(square), rank = RankOf(square);
    board.RankOccupancy[rank] |= 1u << file;
    board.FileOccupancy[file] |= 1u << rank;
    board.AntiDiagonalOccupancy[file + rank] |= 1u << rank;
    board.DiagonalOccupancy[file - rank + 7] |= 1u << rank;
}
inline void ClearOccupancy(Square square) {
    const i32 file = FileOf(square), rank = RankOf(square);
    board.RankOccupancy[rank] &= ~(1u << file);
    board.FileOccupancy[file] &= ~(1u << rank);
    board.AntiDiagonalOccupancy[file + rank] &= ~(1u << rank);
    board.DiagonalOccupancy[file - rank + 7] &= ~(1u << rank);
}

// Takes whatever man stands on the square off the board, keeping every
// derived field in step (the inverse of AddPiece); an empty square is left
// alone.
void RemovePiece(Square square);
