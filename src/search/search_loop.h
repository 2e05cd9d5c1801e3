// The move loop of a search node (SearchMoveLoop, declared in search_node.h):
// the second half of Search. It plays the node's moves stage by stage (table
// move, captures and promotions, the two killers, quiet moves; or the
// evasions in check), extends, prunes and reduces them, searches each child
// with a principal-variation scheme, keeps the move-ordering statistics and
// stores the node's result.
#pragma once

#include "board/tunable.h"
#include "board/types.h"
#include "search/search_node.h"

// Futility margin terms by the side's and the opponent's non-pawn units
// (NonPawnUnits, indexed up to the table size less one), weighted by depth
// in the futility block. Free to choose; all zero, so the margins do not
// depend on the material left. A tuning build can set them.
constexpr i32 FutilityUnitsSize = 128;
extern KORVALENT_TUNABLE i32 FutilityOwnUnits[FutilityUnitsSize];
extern KORVALENT_TUNABLE i32 FutilityOppUnits[FutilityUnitsSize];
