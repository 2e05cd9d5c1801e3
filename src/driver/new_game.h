// Resetting the game state around a new position.
#pragma once

#include "board/types.h"

// 1 after a position command whose FEN could not be set up: until a
// position is set, "go" answers at once without a move. Every set-up of a
// position clears it.
extern i32 PositionRefused;

// 1 once the engine has announced the end of the game with a result line
// (console and xboard): it sends no move, hint or thinking line and starts
// no ponder search until play is reopened ("new", a take-back, "edit", a
// new position, "go").
extern i32 GameOverAnnounced;

// Forgets the killer moves of every ply.
void ClearKillers();
// An unfinished game the book has not yet learnt from, with the engine's
// own move last, teaches the book as a draw. The position is kept: the
// engine's move is taken back for the book's walk and played again.
void LearnUnfinishedGameAsDraw();
// Forgets what the game before left behind: history scores, killers, the
// last search's score and the book-learning state of that game.
void ForgetGameBefore();
// The start position and a fresh game: limits, move-ordering memory and the
// book-learning state of the game before.
void NewGame();
// Forgets everything learnt by searching (the "clean" command); the board
// is not touched.
void ResetGameTables();
