// Mate test of a position in check, answered from attack sets without
// generating moves: the child cutoff probe uses it to spot a mate in one.
#pragma once

#include "board/types.h"

// 1 when the side to move, which must be in check, has no legal move; 0
// when a king step, a capture of the checker or an interposition saves it.
i32 IsCheckmated();
