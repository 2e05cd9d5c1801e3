// The settings file "Korvalent.ini": key = value lines read once at start-up,
// after the built-in defaults and before anything they size or choose is
// set up. The file is never written.
#pragma once

#include "board/types.h"

constexpr const char* SettingsFileName = "Korvalent.ini";
// One read takes at most this many characters; a longer line is read in
// pieces, and each piece counts as a line of its own.
constexpr i32 SettingsReadChars = 249;

// Reads the settings file of the working directory, when there is one, and
// applies every key it knows; bad values are reported as
// "Korvalent.ini(<line>) WARNING: ..." and replaced by a default or clamped.
// A key it does not know ("Key unknown"), a value that is no word it knows
// or no 32-bit integer ("Token unknown") is reported and changes nothing;
// comments and blank lines are silent. The keys are one table in the
// source, a line each.
void ReadIniFile();

// Copies a tablebase path list into EgtbPath. Any list a command or a
// settings line holds fits; a longer one is cut to fit, with a line that
// says so, and false is returned.
bool SetTablebasePath(const char* text);
