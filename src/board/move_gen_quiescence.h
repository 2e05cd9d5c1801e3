// Capture generator of the quiescence search: the captures of the full
// capture generator, in the same order, but only those the static exchange
// test accepts. Losing captures never reach the quiescence search.
#pragma once

#include "board/types.h"

// Appends at MoveStackTop every capture of the side to move onto targets
// (callers pass the opponent's men), every capture-promotion and every
// en-passant capture that SeeNotLosing accepts, scored as ScoreCapture
// scores an accepted capture. Order: pawn captures (white pawns from a1 up,
// black from h8 down; promotions offered Q, N, R, B, of which only the queen
// can pass), en passant (left pawn first), knights, bishops, rooks, queens,
// king. Refused moves cost no stack entry and touch no capture statistics.
void GenerateQuiescenceCaptures(u64 targets);
