// The lazy-evaluation window: material balances outside it are taken as
// the static score without a full evaluation. The bounds are from the
// engine's point of view; the searches negate and swap them for the other
// side. The root driver sets them around the root score at every
// iteration and after every aspiration step.
#pragma once

#include "board/types.h"

extern i32 LazyEvalLow;
extern i32 LazyEvalHigh;
// The engine's material less the opponent's at the root.
extern i32 RootMaterialBalance;

// Sets the window for an iteration from RootScore[0] and the root material
// balance, widening it by ten per iteration and shifting it a fifth of the
// root score (at most 150) toward that score.
void SetLazyEvalWindow(i32 iteration);
