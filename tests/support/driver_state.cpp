#include "support/driver_state.h"

#include "board/board.h"
#include "board/modes.h"
#include "driver/score_history.h"
#include "search/root_moves.h"
#include "search/search_control.h"
#include "search/search_limits.h"

void ResetGameDriverState() {
    UciMode = 0;
    PostFlag = 0;
    ForceMode = 0;
    MultiPv = 1;
    MateLimit = 0;
    DepthLimit = 998;
    MoveTimeCs = 0;
    EngineTimeCs = -1;
    OpponentTimeCs = 0;
    NodeLimit = 0;
    SearchMovesCount = 0;
    PonderingNow = 0;
    PonderSearch = 0;
    // The in-process tests look at one search: no pondering after it.
    PonderEnabled = 0;
    ResignValue = 800;
    ResignTimes = 3;
    LastSearchScore = 0;
    LastSearchSide = WHITE;
    board.SearchAbort = 0;
}
