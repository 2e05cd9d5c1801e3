// Quiet move generator: every move of the side to move that neither captures
// nor promotes, castling included.
#pragma once

#include "board/types.h"

// Appends the quiet moves at MoveStackTop, each scored with its HistoryScore
// entry of the given half. Order: king-side castling, queen-side castling,
// knights, bishops, pawn pushes (white from a2 up, black from h7 down; single
// before double), rooks, queens, king. Pushes onto the last rank are left to
// the promotion generators.
void GenerateQuietMoves(i32 historyHalf);
