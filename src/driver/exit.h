// The one orderly way out of the program.
#pragma once

#include "board/types.h"

// Releases what start-up took and ends the process with code: 0 quit,
// 1 failed hash-table allocation, 2 over-long move in a game file.
[[noreturn]] void ExitProgram(i32 code);
