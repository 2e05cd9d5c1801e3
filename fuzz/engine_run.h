// Whole engine runs inside the fuzzing process: start-up, the command loop
// over a given standard input, and the way out, as the executable does them,
// in a scratch directory of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Runs the engine's own entry point with `input` as standard input, until
// the end of input or a "quit": start-up reads the files put into the
// scratch directory by WriteScratchFile, and the way out releases
// everything as the program does. All files of the scratch directory are
// removed afterwards.
void RunEngine(const std::string& input);

// The same for command lines, faster: the engine starts up on the first
// call and again when `restart` is set; otherwise it keeps its tables and
// starts the input from a new game with the settings start-up left (the
// limits, modes, tuning values and personality a previous input changed are
// put back). Callers set `restart` after an input that changed what this
// does not put back (evaluation parameters, hash sizes).
void RunCommands(const std::string& input, bool restart);

// The scratch directory of the runs, made under TMPDIR (or /tmp) at the
// first use and removed when the fuzzer ends normally (a crash leaves it,
// with the files of the crashing input, for study).
const std::string& ScratchDirPath();

// Removes every file of the scratch directory: for targets that call the
// engine's file readers themselves, between inputs.
void ClearScratchFiles();

// Writes a file (relative path) into the scratch directory for the next run.
void WriteScratchFile(const std::string& name, const uint8_t* data, size_t size);
inline void WriteScratchFile(const std::string& name, const std::string& text) {
    WriteScratchFile(name, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// The text of the values.txt the engine ships with; every run has it in its
// scratch directory unless it has put a values.txt of its own there.
const std::string& ShippedValues();

// Settings for small hash tables, which every run uses unless it has put a
// Korvalent.ini of its own into the scratch directory.
extern const char* const SmallHashSettings;

// The fixed command script the file targets run after their file: a few
// positions, each evaluated and searched a little, then a short game.
extern const char* const ExerciseScript;
