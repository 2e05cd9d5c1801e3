// Set-up shared by the search benchmarks: the engine's tables built from the
// built-in parameters, thinking output off, no clock and no node limit, and
// standard input replaced by a pipe that never carries anything.
#pragma once

#include <unistd.h>

#include "board/init_tables.h"
#include "board/modes.h"
#include "driver/search_hooks_setup.h"
#include "driver/search_input.h"
#include "eval/eval_params.h"
#include "eval/material_table.h"
#include "search/hash_tables.h"
#include "search/root_search.h"
#include "search/search_limits.h"
#include "search/time_control.h"

// The search looks at standard input now and then: an open pipe that never
// carries anything stands for an interface that stays silent (a terminal or
// /dev/null would end or disturb the search). False when the pipe fails.
inline bool PrepareSilentSearch() {
    int silent[2];
    if (pipe(silent) != 0 || dup2(silent[0], 0) != 0) return false;

    // The program's hooks, as in the engine: with post off they print
    // nothing, and the input they poll is the empty pipe.
    InstallSearchHooks();
    InitEngineTables();
    SetBuiltInEvalParams();
    DeriveEvalTables();
    AllocateHashTables();
    PostFlag = 0;
    UciMode = 0;
    MultiPv = 1;
    EngineTimeCs = -1;
    TimeBudgetCs = TimeUnlimitedCs;
    TimeHardLimitCs = TimeUnlimitedCs;
    TimeCheckInterval = 50000;
    return true;
}
