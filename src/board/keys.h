// Zobrist keys of the position and the book-key tables of the opening-book
// file format.
#pragma once

#include "board/types.h"

extern u64 ZobristPiece[2][8][64];
extern u64 ZobristCastle[16];
extern u64 ZobristEnPassant[8];

// Book keys: rows 0..7 are white piece codes, rows 8..15 black ones, 64
// squares each. Part of the book file format.
extern u32 BookKeyTable1[1024];
extern u32 BookKeyTable2[1024];

// Draws every Zobrist key from the shared generator (which must be in its
// unseeded state) and builds the book-key tables from a generator of their
// own.
void InitZobristKeys();
u64 Random64();
