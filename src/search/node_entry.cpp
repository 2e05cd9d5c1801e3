#include "search/node_entry.h"

#include <algorithm>

#include "board/board.h"
#include "board/modes.h"
#include "platform/input_reader.h"
#include "search/move_time_account.h"
#include "search/root_moves.h"
#include "search/search_control.h"
#include "search/search_hooks.h"
#include "search/search_limits.h"
#include "search/time_control.h"

namespace {

// Ends the search: the flag every level returns on.
i32 AbortSearch() {
    board.SearchAbort = 1;
    return 1;
}

// The poll every TimeCheckInterval nodes: input, the silent search's
// second, the UCI speed line and, in a timed search, the clock. Returns 1
// when the search must stop.
i32 CheckClockAndInput() {
    NoteClockLook();
    if (InputAvailable()) {
        TimeCheckCountdown = TimeCheckInterval;
        PollSearchInput();
        if (board.SearchAbort) return 1;
    }
    if (PonderingNow && SilentSearch == 1 && ElapsedCs() > 100) {
        SilentSearch = 0;
        return AbortSearch();
    }
    if (UciMode) {
        NpsLineCountdown -= 1;
        if (NpsLineCountdown < 0) ReportUciInfoNps();
    }
    TimeCheckCountdown = TimeCheckInterval;
    // Only a timed search that is not pondering watches the clock.
    if (SearchDepthLimit != TimedSearchDepth || PonderingNow || PonderSearch) return 0;

    // An easy recapture still at the head of the list needs a third of the time.
    const bool easy = MoveStack[0].move == EasyMove;
    if (!easy) EasyMove = NoMove;
    const i64 elapsed = ElapsedCs();
    if (elapsed > TimeHardLimitCs) NoteHardLimitPassed();
    // A later root move under test may finish within a little more time.
    if (LaterRootMove && !easy &&
        elapsed <= std::min(i64(TimeBudgetCs) * 5 / 3, i64(TimeHardLimitCs)))
        return 0;

    // A score falling against the last search buys more time; a score well
    // up in a balanced position buys some too.
    const i64 previous = LastSearchSide != EngineSide ? -i64(LastSearchScore) : LastSearchScore;
    const i64 current = RootScore[0];
    i64 limit = easy ? TimeBudgetCs / 3 : TimeBudgetCs;
    if (current - previous < 26) {
        if (previous - current > 20) {
            if (previous - current <= 60)
                limit = 2 * limit + limit / 2;
            else
                limit *= SearchesOutOfBook == 0 ? 4 : 7;
        }
    } else if (previous >= -9 && previous <= 119) {
        limit *= 2;
    }
    limit = std::min(limit, i64(TimeHardLimitCs));
    if (elapsed >= limit) return AbortSearch();
    return 0;
}

}  // namespace

bool NodeEntryPoll() {
    // The node that reaches the limit is the last one searched.
    if (NodeLimit != 0 && NodeCount >= NodeLimit) return AbortSearch() != 0;
    TimeCheckCountdown -= 1;
    return TimeCheckCountdown < 0 && CheckClockAndInput() != 0;
}
