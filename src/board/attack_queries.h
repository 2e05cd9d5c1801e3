// Questions about the current position that every other part of the engine
// asks: is a square attacked, who attacks it, what a piece would attack from a
// square, what a slider sees along one direction and which slider stands
// first behind a square. They only read the board and the attack tables.
#pragma once

#include "board/attacks.h"
#include "board/board.h"
#include "board/types.h"

// The squares a slider on sq attacks along one direction step (-9, -8, -7,
// -1, +1, +7, +8, +9) with the current occupancy, up to and including the
// first occupied square. Any other step, 0 included, gives the empty set.
inline u64 RayAttacksInDirection(Square sq, i32 step) {
    switch (step) {
    case -1: return RankAttacksFrom(sq) & RayWest[sq];
    case +1: return RankAttacksFrom(sq) & RayEast[sq];
    case -8: return FileAttacksFrom(sq) & RaySouth[sq];
    case +8: return FileAttacksFrom(sq) & RayNorth[sq];
    case -9: return DiagonalAttacksFrom(sq) & RaySouthWest[sq];
    case +9: return DiagonalAttacksFrom(sq) & RayNorthEast[sq];
    case -7: return AntiDiagonalAttacksFrom(sq) & RaySouthEast[sq];
    case +7: return AntiDiagonalAttacksFrom(sq) & RayNorthWest[sq];
    default: return 0;
    }
}

// The first piece met from sq along one direction, kept only when it is a
// slider (of either colour) that moves along that line; the piece on sq
// itself plays no part. Used by the exchange test to refill attackers that
// stand behind a used one.
u64 FirstSliderSouthWest(Square sq);
u64 FirstSliderSouth(Square sq);
u64 FirstSliderSouthEast(Square sq);
u64 FirstSliderWest(Square sq);
u64 FirstSliderNone(Square sq);  // always empty
u64 FirstSliderEast(Square sq);
u64 FirstSliderNorthWest(Square sq);
u64 FirstSliderNorth(Square sq);
u64 FirstSliderNorthEast(Square sq);

// The first-slider functions indexed by direction step + 9. Only the entries
// of the eight line steps and of step 0 are filled; callers index with a
// value of DirectionBetween, never with +-2..+-6.
using FirstSliderFunction = u64 (*)(Square sq);
constexpr i32 DirectionTableSize = 19;
constexpr i32 DirectionTableOffset = 9;
extern FirstSliderFunction XraySliderByDirection[DirectionTableSize];

// Fills XraySliderByDirection; called once at start-up.
void InitXraySliderTable();

// 1 when a man of bySide attacks sq, whatever stands on sq. Tests pawns,
// knights, king, then straight and diagonal sliders; the empty-board rays
// skip the line lookups when no slider of the side shares a line with sq.
inline i32 IsSquareAttacked(Side bySide, Square sq) {
    if (PawnAttacks[ChangeSide(bySide)][sq] & board.Bitboards[PAWN][bySide]) return 1;
    if (KnightAttacks[sq] & board.Bitboards[KNIGHT][bySide]) return 1;
    if (KingAttacks[sq] & board.Bitboards[KING][bySide]) return 1;
    const u64 straight = board.Bitboards[0][bySide] & board.StraightSliders;
    if ((RookRays[sq] & straight) && (RookAttacksFrom(sq) & straight)) return 1;
    const u64 diagonal = board.Bitboards[0][bySide] & board.DiagonalSliders;
    if ((BishopRays[sq] & diagonal) && (BishopAttacksFrom(sq) & diagonal)) return 1;
    return 0;
}

// Every man of side that attacks sq with the current occupancy; a slider
// hidden behind another attacker on the same line is not in the set.
inline u64 AttackersOfSquare(Side side, Square sq) {
    const u64 queens = board.Bitboards[QUEEN][side];
    return (BishopAttacksFrom(sq) & (board.Bitboards[BISHOP][side] | queens)) |
           (RookAttacksFrom(sq) & (board.Bitboards[ROOK][side] | queens)) |
           (KingAttacks[sq] & board.Bitboards[KING][side]) |
           (KnightAttacks[sq] & board.Bitboards[KNIGHT][side]) |
           (PawnAttacks[ChangeSide(side)][sq] & board.Bitboards[PAWN][side]);
}

// What a man of the given type and side would attack standing on sq, with
// the current occupancy; sq is treated as the man's own square whatever
// stands there. Types 0, 4 and anything outside 1..7 attack nothing.
inline u64 AttacksFromSquare(Square sq, Side side, PieceType type) {
    switch (type) {
    case KING: return KingAttacks[sq];
    case KNIGHT: return KnightAttacks[sq];
    case PAWN: return PawnAttacks[side][sq];
    case ROOK: return RookAttacksFrom(sq);
    case BISHOP: return BishopAttacksFrom(sq);
    case QUEEN: return QueenAttacksFrom(sq);
    default: return 0;
    }
}
