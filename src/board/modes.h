// Protocol mode flags and console switches set by the command loop and read
// across the engine.
#pragma once

#include "board/types.h"

extern i32 UciMode;    // 1 after "uci", 0 after "xboard"
extern i32 FritzMode;  // set once by "fritz", stays set
extern i32 DebugMode;
extern i32 ForceMode;  // 1: moves are entered but the engine does not reply
extern i32 PostFlag;   // thinking output on
extern i32 PonderEnabled;     // ponder after the engine's own move
extern i32 PonderingAllowed;  // the Pondering setting
