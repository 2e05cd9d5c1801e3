// The transposition table.
#pragma once

#include "board/types.h"

// Search generation: +1 per search, +3 after a board edit; wraps at 2^16.
// Also the stamp of the capture statistics.
extern u16 TransAge;
