// The state through which the program steers the running search: the
// ponder and silent-search flags, the move typed during a search and the
// countdown to the next "info nps" line. The search reads and clears them;
// the command handlers and the game driver set them.
#pragma once

#include "board/types.h"

// Search-control flags (board.SearchAbort, the "stop now" flag, lives in the
// board record).
extern i32 PonderingNow;       // the running search is a ponder search on the expected reply
extern i32 PonderInterrupted;  // input ended a ponder search
extern Move PendingMove;       // move typed during the search, 0 for a command
extern i32 PonderSearch;       // UCI "go ponder": no move is made at its end
// A short search run only to find a move to ponder on; it ends itself
// after one second.
extern i32 SilentSearch;

// Clock checks of the search left before the next "info nps" line.
extern i32 NpsLineCountdown;
// An nps line follows about every this many nodes.
constexpr i32 NpsLineNodes = 100000;
