// What every node of both searches does first: the mate-distance bounds
// of its score and the poll of the node limit, the clock and the input.
#pragma once

#include "board/types.h"

// Bound on every score at ply p: nothing beats a mate given at once.
constexpr i32 MateInOneScore = MateScore - 1;
// Lowest score of a quiet (not checked) node at ply p: p - NotMatedScore.
constexpr i32 NotMatedScore = MateScore - 2;

// The poll at the entry of every node of both searches, after the node is
// counted: a node limit reached ends the search, and every
// TimeCheckInterval nodes (when TimeCheckCountdown falls below zero) the
// input, the silent search's second and, in a timed search, the clock are
// looked at. Returns true when the search must stop: board.SearchAbort is
// then set, and the node returns at once.
bool NodeEntryPoll();
