// Resetting the game state around a new position.
#pragma once

// Forgets the killer moves of every ply.
void ClearKillers();
