// Piece-square tables, opening and endgame, one copy per side, from the
// owner's point of view. The board keeps their black-minus-white sums.
#pragma once

#include "board/types.h"

extern i16 PstOpening[8][2][64];
extern i16 PstEndgame[8][2][64];

// The same entries signed as the board sums them: black's added, white's
// subtracted. Make and take-back add these without a branch on the side.
extern i16 PstOpeningSigned[8][2][64];
extern i16 PstEndgameSigned[8][2][64];

void InitPieceSquareTables();
