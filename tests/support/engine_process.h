// Test support: runs the built engine the way a GUI does, with the input
// on a pipe, and collects what it prints and its exit code.
#pragma once

#include <string>

#include "support/scratch_dirs.h"

struct EngineRun {
    std::string output;
    int exitCode = -1;  // 124 when the time limit ended it
};

// Runs the engine in a fresh scratch directory (optionally holding the given
// files first), feeding it `input`, and waits at most `seconds`.
EngineRun RunEngine(const std::string& input, int seconds = 30, const std::string& workDir = "");
