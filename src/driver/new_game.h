// Resetting the game state around a new position.
#pragma once

// Forgets the killer moves of every ply.
void ClearKillers();
// The start position and a fresh game: limits, move-ordering memory and the
// book-learning state of the game before.
void NewGame();
// Forgets everything learnt by searching (the "clean" command); the board
// is not touched.
void ResetGameTables();
