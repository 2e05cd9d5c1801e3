// Making and taking back moves on the global board, which keeps the game
// record up to date.
#pragma once

#include "board/game_record.h"
#include "board/types.h"

// Castling rights kept when a king or rook leaves, or a rook is taken on, a square.
extern const u8 CastleMask[64];

// Plays a pseudo-legal move for the side to move. saveUndo 0 reuses the saved
// state of a sibling move already made and taken back from this position.
void MakeMove(Move move, u32 saveUndo);
void UnmakeMove();

// The take-back of "undo" and "remove": the last game move, unless the game
// stands at its set-up ply. False when nothing was taken back.
bool TakeBackGameMove();
