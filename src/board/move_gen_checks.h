// Quiet check generator: the non-capturing, non-promoting moves of the side
// to move that give check, for the quiescence search and the futile stages
// of the search.
#pragma once

#include "board/types.h"

// Appends at MoveStackTop, each scored with its HistoryScore entry of the
// given half: direct checks by queens, rooks, bishops, knights and single
// and double pawn pushes; discovered checks by rooks, bishops, knights,
// pawns and the king; castling whose rook checks. Piece and pawn moves are
// kept only when the exchange test finds the moved man safe on its square.
// Order: queens, rooks, bishops, knights, pawns, king, king-side castling,
// queen-side castling. The side to move must not be in check.
void GenerateQuietChecks(i32 historyHalf);
