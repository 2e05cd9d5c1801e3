// The form of every table index function, shared by the registry that holds
// one per table and side to move, the index computation and the probe that
// fills the lists.
//
// An index function receives the squares of both sides' men in 16-slot
// lists (pawns 0-2, knights 3-5, bishops 6-8, rooks 9-11, queens 12-14,
// king 15), in the colour order of the table.
#pragma once

#include "board/types.h"

// The form of every table index function: the two lists in the table's
// colour order, the en-passant target (NoEnPassant when none) and flip = 1
// when the lists came from the board with the colours exchanged.
using TableIndexer = u64 (*)(const u32* white, const u32* black, u32 enPassantSquare, i32 flip);

constexpr u32 NoEnPassant = 127;
// Returned for a position no table slot can hold (kings adjacent, a pawn on
// the first or last rank, a man where its type may not stand): larger than
// every stored size, so a probe finds no value for it.
constexpr u64 NoIndex = ~u64(0);

constexpr i32 KingSlot = 15;
constexpr i32 SlotsPerKind = 3;
