#include "search/lazy_eval.h"

#include <algorithm>

#include "board/board.h"
#include "search/search_limits.h"

i32 LazyEvalLow = 0;
i32 LazyEvalHigh = 0;
i32 RootMaterialBalance = 0;

void SetLazyEvalWindow(i32 iteration) {
    const i32 rootScore = RootScore[0];
    RootMaterialBalance = board.Material[EngineSide] - board.Material[ChangeSide(EngineSide)];
    const i32 shift = std::clamp(rootScore / 5, -150, 150);
    const i32 margin = 10 * iteration + 200;
    LazyEvalLow = std::min(rootScore, RootMaterialBalance) - margin + shift;
    LazyEvalHigh = std::max(rootScore, RootMaterialBalance) + margin + shift;
}
