// Tuning files: a parameter set for the values picked by self-play
// (board/tunable.h), read by the UCI option "TuneFile" of a tuning build
// (CMake option KORVALENT_TUNING). The shipped engine has neither.
//
// One value a line, blank lines and lines from '#' on ignored:
//   FutilityOwnUnits <units 0..127> <value>
//   FutilityOppUnits <units 0..127> <value>
//   CaptureRatioFullBonus 0 <value>
//   PawnSurplusWhiteAhead|PawnSurplusBlackAhead|MaterialImbalance <signature> <delta>
//   MaterialCorrection <index> <delta>
// The last two kinds are correction rows (eval/eval_params.h), added to the
// built-in ones and paired the same way. Every value the file does not name
// keeps the engine's built-in value: a file is a whole set, not a change to
// the previous one.
#pragma once

#ifdef KORVALENT_TUNING

// Reads the set in path and puts it in force, reloading the parameters
// ("values.txt") so that the correction rows apply; an empty path restores
// the built-in values. Returns null, or the problem ("line 3: ...") when the
// file cannot be read or breaks a rule, and then changes nothing.
const char* ReadTuneFile(const char* path);

#endif
