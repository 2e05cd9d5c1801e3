// The MultiPV root driver: keeps the best MultiPv root moves with exact
// scores, sorted by score, and reports them as numbered lines. Reached only
// from SearchRoot when more than one principal variation is asked for.
#pragma once

#include "board/types.h"

// Each reported line is searched around its last score with this window.
constexpr i32 MultiPvWindow = 40;

// Searches the global position (no book, no mate stop, no table store of
// the root) with iterations bounded as in SearchRoot. Returns 1 when the
// game is over at the root, else 0; root entries 0..MultiPv-1 then hold the
// best lines in descending score order.
i32 SearchRootMultiPv(i32 depthLimit);
