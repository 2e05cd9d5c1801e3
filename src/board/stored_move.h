// Validation of a move found in another position (a killer) against the
// current board, so it can be tried before any move is generated.
#pragma once

#include "board/types.h"

// Appends the move at MoveStackTop when it fits the current board: the
// right man of the side to move on its from-square, the expected occupant
// (or emptiness) on its to-square, every square it passes over and, along
// a line, its to-square empty; castling only with the full castling
// conditions; en passant only right after the enemy pawn's double step
// beside the from-square. The score word of the new entry is left as it
// was. Whether the move leaves the mover's king in check is the search's
// business. The side to move must not be in check.
void AddMoveIfPseudoLegal(Move move);
