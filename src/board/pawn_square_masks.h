// Knight-stop masks: for a pawn running to the first rank, the knight squares
// from which a knight reaches the pawn's path in time.
#pragma once

#include "board/types.h"

// [pawn square][context square]: bit k is set when a knight on k reaches
// the path of a pawn on the pawn square, moving toward rank 1, in time; the
// context square (the pawn side's king, as callers use it) lends the knight
// one extra route. Rows exist for pawn squares 8..55; the rows of ranks 1
// and 8 stay empty. A white pawn is looked up with every square mirrored
// (63 - square).
extern u64 KnightStopMask[64][64];

// Builds KnightStopMask; needs KnightAttacks and KnightDistance.
void InitPawnSquareMasks();
