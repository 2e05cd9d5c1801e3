// The move loop of a search node (SearchMoveLoop, declared in search_node.h):
// the second half of Search. It plays the node's moves stage by stage (table
// move, captures and promotions, the two killers, quiet moves; or the
// evasions in check), extends, prunes and reduces them, searches each child
// with a principal-variation scheme, keeps the move-ordering statistics and
// stores the node's result.
#pragma once

#include "board/types.h"
#include "search/search_node.h"

// Zero tables of the futility margins by the side's and the opponent's
// non-pawn units (indexed up to their size less one).
constexpr i32 FutilityUnitsSize = 128;
extern const i32 FutilityOwnUnits[FutilityUnitsSize];
extern const i32 FutilityOppUnits[FutilityUnitsSize];
