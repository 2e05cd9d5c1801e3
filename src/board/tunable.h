// Values the engine's author picks by self-play rather than by reasoning:
// the futility unit tables (search/search_loop.h), the ordering bonus of a
// capture that has always paid off (board/move_gen_captures.h) and the
// tuned correction rows of the material tables (eval/eval_params.h).
//
// The shipped engine compiles them as constants. A tuning build (CMake
// option KORVALENT_TUNING) makes them variables that a tuning file sets
// (driver/tune_file.h), so that a tuner can play parameter sets against
// each other without rebuilding.
#pragma once

#ifdef KORVALENT_TUNING
#define KORVALENT_TUNABLE
#else
#define KORVALENT_TUNABLE const
#endif
