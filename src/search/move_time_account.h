// The engine's own account of the time one move took, printed before its
// bestmove in UCI's debug mode so that an interface or a test can tell
// where a slow move's time went: the engine's clock from the "go" (or from
// the "ponderhit" that turned a ponder search into the real one) to the
// bestmove, what was left of the hard limit then, the nodes and those
// searched after a look that found the hard limit passed, the processor
// time, and the longest pause between two looks at the clock with all the
// long pauses added up. A look comes every few thousand nodes; a long
// pause with the process getting no processor is the machine holding the
// engine up, not the engine searching.
#pragma once

#include "board/types.h"

// Starts the account: at "go", and again at "ponderhit", from which the
// interface's clock runs.
void StartMoveAccount(bool atPonderHit);

// One look at the clock during the search.
void NoteClockLook();

// A look of a timed search found the hard limit passed: the nodes searched
// after it are counted (the search should stop at that very look).
void NoteHardLimitPassed();

// The account as an "info string" line on standard output (not flushed).
void PrintMoveAccount();
