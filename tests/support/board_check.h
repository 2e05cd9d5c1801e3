// Test support: recomputes every derived field of the board from the
// squares and the two side sets and reports the first disagreement.
#pragma once

#include <string>

// Empty when the board is consistent, else a description of the fault.
std::string BoardInconsistency();
