#include "search/root_search.h"

#include <algorithm>
#include <cstdlib>

#include "board/board.h"
#include "board/legal_moves.h"
#include "board/make_move.h"
#include "board/modes.h"
#include "book/book.h"
#include "platform/input_reader.h"
#include "platform/platform.h"
#include "search/history.h"
#include "search/lazy_eval.h"
#include "search/multipv.h"
#include "search/root_moves.h"
#include "search/search_control.h"
#include "search/search_hooks.h"
#include "search/search_limits.h"
#include "search/trans_table.h"

i32 UseOwnBook = 1;

namespace {

// Window limit of the aspiration searches: the mate bound.
constexpr i32 RootWindowLimit = MateScore;
// Aspiration steps: the first window around the last score, the widened
// one after a first failure at the best move, and the step for a later
// move that beats the best.
constexpr i32 AspirationWindow = 20;
constexpr i32 AspirationWidening = 120;
// A search given this little time starts with a clean history; a longer
// one keeps an aged copy.
constexpr i32 HistoryKeepBudgetCs = 70;
// UCI "currmove" lines only once the search is this big.
constexpr u64 CurrentMoveLineNodes = 200000;

// The lower, upper or exact progress report of the best root move.
void ReportBest(u32 bound) {
    if (UciMode)
        ReportUciInfo(0, i32(bound), 1);
    else
        ReportXboardThinking(0);
}

// The book's move for the position, checked against the legal moves: a
// move that does not fit the position counts as no book move.
Move LegalBookMove() {
    const Move bookMove = ChooseBookMove();
    if (bookMove == NoMove) return NoMove;
    const Move m = BookMoveToPlay(bookMove);
    return IsLegalMove(m) ? m : NoMove;
}

// Result of one root search step: false when the search was aborted, and
// the caller must end the iteration at once.
bool Searched(i32* result, i32 alpha, i32 beta, i32 depth) {
    *result = SearchRootChild(alpha, beta, depth);
    return board.SearchAbort == 0;
}

// The best move of the last iteration, searched again around its score.
// Returns false when the search was aborted.
bool SearchFirstRootMove(i32 iteration, i32 depth) {
    const i32 previous = RootScore[0];
    const i32 low = std::max(previous - AspirationWindow, -RootWindowLimit);
    const i32 high = std::min(previous + AspirationWindow, RootWindowLimit);
    i32 v;
    if (!Searched(&v, low, high, depth)) return false;
    RootScore[0] = v;
    bool exactReport = true;

    if (v >= previous + AspirationWindow) {
        // Fail high: a lower bound, then a window of a pawn and more above it.
        SetLazyEvalWindow(iteration);
        ReportBest(LowerBound);
        if (v + AspirationWidening >= RootWindowLimit) {
            SetLazyEvalWindow(iteration);
            if (!Searched(&v, v, RootWindowLimit, depth)) return false;
        } else {
            i32 r;
            if (!Searched(&r, v, v + AspirationWidening, depth)) return false;
            if (r >= v + AspirationWidening) {
                RootScore[0] = r;
                SetLazyEvalWindow(iteration);
                ReportBest(LowerBound);
                if (!Searched(&r, r, RootWindowLimit, depth)) return false;
            }
            v = r;
        }
        RootScore[0] = v;
    } else if (v <= previous - AspirationWindow) {
        // Fail low: an upper bound, then a wider window below it.
        SetLazyEvalWindow(iteration);
        ReportBest(UpperBound);
        if (v - AspirationWidening <= -RootWindowLimit) {
            if (!Searched(&v, -RootWindowLimit, v, depth)) return false;
            RootScore[0] = v;
        } else {
            i32 r;
            if (!Searched(&r, v - AspirationWidening, v, depth)) return false;
            if (r <= v - AspirationWidening) {
                if (!Searched(&r, -FullWindowLimit, r, depth)) return false;
                RootScore[0] = r;
                SetLazyEvalWindow(iteration);
                ReportBest(UpperBound);
                exactReport = false;
            } else {
                RootScore[0] = r;
            }
        }
    }
    if (exactReport) {
        SetLazyEvalWindow(iteration);
        ReportBest(ExactBound);
    }
    return true;
}

// A later root move, tested against the best score with a null window; one
// that beats it becomes the best and is searched for its exact score.
// Returns false when the search was aborted; *improved tells whether the
// move became the best.
bool SearchLaterRootMove(i32 index, i32 iteration, i32 depth, i32 alpha, bool* improved) {
    *improved = false;
    i32 v;
    if (!Searched(&v, alpha, alpha + 1, depth)) return false;
    RootScore[index] = v;
    if (v <= alpha) return true;

    *improved = true;
    RootBestIndex = index;
    PromoteRootMoveToFront();
    if (v + AspirationWindow >= RootWindowLimit) {
        RootScore[0] = v;
        SetLazyEvalWindow(iteration);
        if (!Searched(&v, v, RootWindowLimit, depth)) return false;
    } else {
        i32 r;
        if (!Searched(&r, v, v + AspirationWindow, depth)) return false;
        if (r >= v + AspirationWindow) {
            RootScore[0] = r;
            SetLazyEvalWindow(iteration);
            ReportBest(LowerBound);
            if (!Searched(&r, r, RootWindowLimit, depth)) return false;
        }
        v = r;
    }
    RootScore[0] = v;
    SetLazyEvalWindow(iteration);
    ReportBest(ExactBound);
    return true;
}

// The iterations over the root list of n moves; returns when the search
// is over, with SearchesOutOfBook counted. With stopAtMs not 0 no iteration
// starts once the clock has passed it.
void DeepenIteratively(i32 n, i32 iterationLimit, i64 stopAtMs) {
    for (i32 d = FirstIteration(iterationLimit);; d++) {
        IterationDepth = d;
        SelDepth = d + 1;
        if (d == IterationCap) break;
        if (d >= FirstCheckedIteration) TimeCheckCountdown = -1;
        NodeCount += 1;
        SetLazyEvalWindow(d);
        RootBestIndex = 0;
        i32 alpha = RootScore[0];

        for (i32 i = 0; i < n; i++) {
            const u64 nodesBefore = NodeCount;
            LaterRootMove = i > 0;
            if (i == 0 && UciMode && NodeCount > CurrentMoveLineNodes) ReportUciInfo(0, ExactBound, 0);
            MakeMove(MoveStack[i].move, 1);
            PlyStack[1].InCheck = u32(RootFlags[i] != 0);
            PlyStack[0].ExtFlags = RootFlags[i] ? 1 : 0;
            const i32 depth = RootChildDepth(d, RootFlags[i]);

            bool improved = false;
            const bool completed = i == 0 ? SearchFirstRootMove(d, depth)
                                          : SearchLaterRootMove(i, d, depth, alpha, &improved);
            if (completed && (i == 0 || improved)) {
                alpha = RootScore[0];
                RootNodes[0] = NodeCount - nodesBefore;
            } else if (completed && i == n - 1) {
                if (UciMode) ReportUciInfoNps();
                RootNodes[i] = NodeCount - nodesBefore;
            }
            UnmakeMove();
            if (!completed) break;
            if (i == 0) SortRootMovesByNodes();
            RootBestIndex = i + 1;
        }

        if (board.SearchAbort) {
            SearchesOutOfBook += 1;
            return;
        }
        // The finished iteration's root goes into the table as exact, as deep
        // as the child of a checking root move.
        SearchPly -= 1;
        StoreHash(RootChildDepth(d, 1), MoveStack[0].move, RootScore[0], ExactBound, 0, 0);
        SearchPly += 1;

        // A mate found within the plies searched cannot get any shorter.
        if (MateLimit == 0 && std::abs(RootScore[0]) > FullWindowLimit - d) {
            PonderWait();
            SearchesOutOfBook += 1;
            return;
        }
        if (d + 1 >= iterationLimit || (stopAtMs != 0 && NowMs() >= stopAtMs)) {
            SearchesOutOfBook += 1;
            return;
        }
    }
    PonderWait();
    SearchesOutOfBook += 1;
}

}  // namespace

void PromoteRootMoveToFront() {
    for (i32 i = RootBestIndex; i > 0; i--) SwapRootEntries(i, i - 1);
    ReportBest(LowerBound);
}

void SortRootMovesByNodes() {
    const i32 n = MoveStackTop;
    if (n < 3) return;
    for (i32 i = 1; i < n; i++)
        for (i32 j = i + 1; j < n; j++)
            if (RootNodes[j] > RootNodes[i]) SwapRootEntries(i, j);
}

i32 SearchRoot(i32 depthLimit, u32 allowBook) {
    if (MultiPv > 1) return SearchRootMultiPv(depthLimit);

    AgeHistory(TimeBudgetCs > HistoryKeepBudgetCs);
    ShiftKillersTwoPlies();
    LastBestMove = NoMove;
    StartSearchGeneration(depthLimit);

    // The book answers at once, unless the interface restricts the moves
    // or wants an endless analysis.
    if (BookLoaded && UseOwnBook && allowBook && SearchMovesCount == 0 &&
        EngineTimeCs != InfiniteClockCs) {
        const Move bookMove = LegalBookMove();
        if (bookMove != NoMove) {
            if (PonderingNow) {
                PonderInterrupted = 1;
                PendingMove = NoMove;
            }
            MoveStack[0].move = bookMove;
            MoveStackTop = 1;
            RootMoveCount = 1;
            RootScore[0] = 0;
            BookMovePlayed = 1;
            IterationDepth = 1;
            SearchesOutOfBook = 0;
            PonderWait();
            return 0;
        }
    }

    PlyStack[0].ExtFlags = 0;
    if (PrepareRootMoves()) return 1;

    const i32 n = MoveStackTop;
    RootMoveCount = n;
    SearchPly = 1;
    const i32 iterationLimit = IterationLimit(depthLimit);
    // A single legal move (unless it was asked for alone) is played at once:
    // a short search finds its score.
    if (IsForcedMove(n)) {
        DeepenIteratively(n, std::min(iterationLimit, ForcedMoveDepthLimit),
                          NowMs() + ForcedMoveSearchMs);
        HoldForcedMoveWhilePondering();
        return 0;
    }
    DeepenIteratively(n, iterationLimit, 0);
    return 0;
}
