// The test a move from the transposition table must pass before the search
// plays it. A 64-bit key collision can hand over a move of another
// position, which would corrupt the board when made; this test rebuilds
// the move's geometry and legality from the current board alone, without
// generating moves and without touching MoveStack or PlyStack.
#pragma once

#include "board/types.h"

// 1 when the move word is a legal move of the side to move in the current
// position, with the captured and promotion fields the generators would
// write; 0 otherwise (0 for no move and for a king capture). Works in and
// out of check; an en-passant capture is judged with the captured pawn
// taken off, so it is exact too.
i32 IsHashMoveUsable(Move m);
