// A quick forecast of how much a move changes the static evaluation for the
// side that plays it, without making the move: the search compares it with
// its futility margins.
#pragma once

#include "board/types.h"

// Centipawns from the mover's point of view. As a side effect it loads the
// board's phase fields and eval_info's ENDING flags for the current material
// (as LoadMaterialTableEntry does), ready for the evaluation that follows.
i32 EstimateMoveGain(Move move);
