#include "search/multipv.h"

#include <algorithm>

#include "board/board.h"
#include "board/make_move.h"
#include "platform/platform.h"
#include "search/history.h"
#include "search/lazy_eval.h"
#include "search/root_common.h"
#include "search/root_moves.h"
#include "search/search_hooks.h"
#include "search/search_limits.h"
#include "search/trans_table.h"

namespace {

// Entries from `first` on are ordered by the nodes they took, most first;
// the reported lines above them keep their places.
void SortTailByNodes(i32 first, i32 n) {
    for (i32 i = first; i < n; i++)
        for (i32 j = i + 1; j < n; j++)
            if (RootNodes[j] > RootNodes[i]) SwapRootEntries(i, j);
}

// The entry just searched rises past every entry with a lower score; equal
// scores keep their order.
void InsertByScore(i32 index) {
    for (i32 j = index; j > 0 && RootScore[j - 1] < RootScore[j]; j--) SwapRootEntries(j - 1, j);
}

// Searches root move i (made on the board) for this iteration and returns
// false when the search was aborted, before anything is stored. *worst is
// the lowest score among the reported lines of the iteration.
bool SearchRootLine(i32 i, i32 depth, i32* worst) {
    i32 v;
    if (i < MultiPv) {
        // A reported line: a window around its own last score, and one
        // re-search to the full bound on the side that failed.
        const i32 previous = RootScore[i];
        v = SearchRootChild(previous - MultiPvWindow, previous + MultiPvWindow, depth);
        if (board.SearchAbort) return false;
        if (v >= previous + MultiPvWindow) {
            ReportUciMultiPvInfo(i, i32(LowerBound));
            v = SearchRootChild(v, FullWindowLimit, depth);
        } else if (v <= previous - MultiPvWindow) {
            ReportUciMultiPvInfo(i, i32(UpperBound));
            v = SearchRootChild(-FullWindowLimit, v, depth);
        }
        if (board.SearchAbort) return false;
        RootScore[i] = v;
        *worst = std::min(*worst, v);
        return true;
    }
    // Any other move only has to show whether it beats the worst line.
    v = SearchRootChild(*worst, *worst + 1, depth);
    if (board.SearchAbort) return false;
    if (v > *worst) {
        ReportUciMultiPvInfo(i, i32(LowerBound));
        v = SearchRootChild(v, FullWindowLimit, depth);
        if (board.SearchAbort) return false;
    }
    RootScore[i] = v;
    return true;
}

}  // namespace

i32 SearchRootMultiPv(i32 depthLimit) {
    // The history is aged, never cleared, however short the search.
    AgeHistory(true);
    ShiftKillersTwoPlies();
    StartSearchGeneration(depthLimit);
    LastBestMove = NoMove;
    PlyStack[0].ExtFlags = 0;

    if (PrepareRootMoves()) return 1;
    const i32 n = MoveStackTop;
    RootMoveCount = n;

    SearchPly = 1;
    // A single legal move (unless it was asked for alone) is played at once:
    // a short search finds its score.
    const bool forced = IsForcedMove(n);
    const i32 iterationLimit = forced ? std::min(IterationLimit(depthLimit), ForcedMoveDepthLimit)
                                      : IterationLimit(depthLimit);
    const i64 stopAtMs = forced ? NowMs() + ForcedMoveSearchMs : 0;

    for (i32 d = FirstIteration(iterationLimit);; d++) {
        IterationDepth = d;
        SelDepth = d + 1;
        if (d == IterationCap) {
            PonderWait();
            return 0;
        }
        if (d >= FirstCheckedIteration) TimeCheckCountdown = -1;
        NodeCount += 1;
        if (d >= 2 && MultiPv < n - 1) SortTailByNodes(MultiPv, n);
        SetLazyEvalWindow(d);
        RootBestIndex = 0;
        i32 worst = FullWindowLimit;

        for (i32 i = 0; i < n; i++) {
            const u64 nodesBefore = NodeCount;
            LaterRootMove = 0;
            MakeMove(MoveStack[i].move, 1);
            PlyStack[1].InCheck = u32(RootFlags[i] != 0);
            PlyStack[0].ExtFlags = RootFlags[i] ? 1 : 0;
            const i32 depth = RootChildDepth(d, RootFlags[i]);
            const bool completed = SearchRootLine(i, depth, &worst);
            UnmakeMove();
            // An aborted search's score means nothing: the lines of the
            // last completed step stand as they are.
            if (!completed) return 0;
            RootNodes[i] = NodeCount - nodesBefore;
            InsertByScore(i);
            ReportUciMultiPvInfo(i, i32(ExactBound));
            RootBestIndex = i + 1;
        }
        if (d + 1 >= iterationLimit || (stopAtMs != 0 && NowMs() >= stopAtMs)) {
            if (forced) HoldForcedMoveWhilePondering();
            return 0;
        }
    }
}
