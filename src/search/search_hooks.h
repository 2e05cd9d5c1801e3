// The search's lines to whoever runs it: the thinking and information lines
// it reports and the poll for commands that arrive while it runs. The
// program installs the printers and the input handlers at start-up; a hook
// left empty makes its call do nothing, so a search run on its own prints
// nothing and reads no input.
#pragma once

#include "board/types.h"

struct SearchHooks {
    // Thinking and information lines. force, bound (1 upper, 2 lower,
    // 3 exact), withPv and boundLine mean what the printers make of them.
    void (*xboardThinking)(i32 force);
    void (*uciInfo)(i32 force, i32 bound, i32 withPv);
    void (*uciMultiPvInfo)(i32 boundLine, i32 bound);
    void (*uciInfoNps)();
    // Handles every line waiting on standard input without blocking.
    void (*pollInput)();
    // Blocks until input comes, then handles it as pollInput does.
    void (*waitForInput)();
};

// The hooks in force; all empty until the program installs its own.
extern SearchHooks InstalledSearchHooks;

// Each calls its hook when one is installed and does nothing otherwise.
void ReportXboardThinking(i32 force);
void ReportUciInfo(i32 force, i32 bound, i32 withPv);
void ReportUciMultiPvInfo(i32 boundLine, i32 bound);
void ReportUciInfoNps();
void PollSearchInput();

// Waits for input through the hook; false, at once, when there is none to
// wait on, for then nothing could end the wait.
bool WaitForSearchInput();
