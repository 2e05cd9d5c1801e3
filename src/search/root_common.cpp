#include "search/root_common.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "board/board.h"
#include "board/make_move.h"
#include "eval/evaluate.h"
#include "search/history.h"
#include "search/root_moves.h"
#include "search/search.h"
#include "search/search_control.h"
#include "search/search_hooks.h"
#include "search/search_limits.h"
#include "search/time_control.h"
#include "search/trans_table.h"

Move LastBestMove = NoMove;
u32 BookMovePlayed = 0;

void StartSearchGeneration(i32 depthLimit) {
    TransAge += 1;
    EngineSide = board.SideToMove;
    ClearEvalCacheIfSideChanged();
    RootGamePly = GamePly;
    SearchDepthLimit = depthLimit;
    TimeCheckInterval = std::max(TimeCheckInterval, 1);
    TimeCheckCountdown = TimeCheckInterval;
    SearchEndTime = -1;
    LaterRootMove = 0;
    TransFillCount = 0;
    TablebaseHits = 0;
    NodeCount = 0;
    NpsLineCountdown = NpsLineNodes / TimeCheckInterval;
    MoveStackTop = 0;
    BookMovePlayed = 0;
}

void AgeHistory(bool keep) {
    if (!keep) {
        std::memset(HistoryScore, 0, sizeof HistoryScore);
        return;
    }
    // An arithmetic shift: negative entries stay negative (-1 stays -1).
    for (i32& entry : HistoryScore) entry >>= 8;
}

i32 IterationLimit(i32 depthLimit) {
    return depthLimit == TimedSearchDepth ? std::min(depthLimit, DepthLimit) : depthLimit;
}

bool IsForcedMove(i32 rootMoves) { return rootMoves == 1 && SearchMovesCount != 1; }

void HoldForcedMoveWhilePondering() {
    if (board.SearchAbort || !(PonderingNow || PonderSearch)) return;
    PonderInterrupted = 1;
    PendingMove = NoMove;
    PonderWait();
}

i32 SearchWithMateBounds(i32 alpha, i32 beta, i32 depth) {
    i32 low = -FullWindowLimit, high = FullWindowLimit;
    if (MateLimit > 0) {
        // Only the score of a mate in exactly MateLimit moves.
        const i32 plies = 2 * std::min(MateLimit, MateScore);
        low = plies - MateScore;
        high = plies - MateScore + 1;
    }
    alpha = std::clamp(alpha, low, high);
    beta = std::clamp(beta, low, high);
    if (alpha >= beta) return alpha;
    return Search(alpha, beta, depth, 1, beta == alpha + 1 ? -1 : 0);
}

void SwapRootEntries(i32 a, i32 b) {
    std::swap(MoveStack[a], MoveStack[b]);
    std::swap(RootScore[a], RootScore[b]);
    std::swap(RootNodes[a], RootNodes[b]);
    std::swap(RootFlags[a], RootFlags[b]);
}

void PonderWait() {
    if ((PonderingNow || PonderSearch) && !board.SearchAbort) MarkSearchEnd();
    while ((PonderingNow || PonderSearch) && !board.SearchAbort)
        if (!WaitForSearchInput()) return;
}
