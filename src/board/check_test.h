// Whether a move of the side to move, not yet made, checks the enemy king.
#pragma once

#include "board/types.h"

// 1 when the pseudo-legal move puts the enemy king in check: directly by the
// moved or promoted man, by the castling rook, along the line a promoting
// pawn or castling king leaves, or by uncovering a slider. Answers from the
// unchanged board; only en passant is made and taken back.
i32 GivesCheck(Move move);
