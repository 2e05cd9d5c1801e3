// Protocol mode flags set by the command loop and read across the engine.
#pragma once

#include "board/types.h"

extern i32 UciMode;    // 1 after "uci", 0 after "xboard"
extern i32 FritzMode;  // set once by "fritz", stays set
extern i32 DebugMode;
