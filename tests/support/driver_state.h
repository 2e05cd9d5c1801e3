// The game driver's settings as a test that plays moves in-process wants
// them before and after it runs: console mode, no thinking output, no
// limits, no pondering, the default resign rule and no search running.
#pragma once

void ResetGameDriverState();
