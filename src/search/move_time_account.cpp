#include "search/move_time_account.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "platform/platform.h"
#include "search/search_limits.h"
#include "search/time_control.h"

namespace {

i64 AccountStartMs = 0;
i64 AccountStartCpuMs = 0;
u64 AccountStartNodes = 0;
bool AccountFromPonderHit = false;
i64 LastLookMs = 0;
i64 LongestPauseMs = 0;
// A pause this long is no part of searching: a look comes every few
// thousand nodes, some milliseconds even on a busy machine.
constexpr i64 LongPauseMs = 50;
i64 LongPausesMs = 0;  // the long pauses added up
// NodeCount at the first look past the hard limit; NoNodeMark until then.
constexpr u64 NoNodeMark = ~u64(0);
u64 NodesAtHardLimit = NoNodeMark;

// The hard limit counts from the search's own start (the "go ponder" for a
// ponder search): what was left of it at a moment; -1 for a search
// without a time limit.
i64 HardLimitLeftMs(i64 nowMs) {
    if (SearchDepthLimit != TimedSearchDepth || TimeHardLimitCs >= TimeUnlimitedCs) return -1;
    return std::max<i64>(0, (SearchStartTime + TimeHardLimitCs) * 10 - nowMs);
}

}  // namespace

void StartMoveAccount(bool atPonderHit) {
    const i64 now = NowMs();
    AccountStartMs = LastLookMs = now;
    AccountStartCpuMs = ProcessCpuMs();
    // At "go" the search has not begun: its nodes and limits are set later.
    AccountStartNodes = atPonderHit ? NodeCount : 0;
    AccountFromPonderHit = atPonderHit;
    LongestPauseMs = 0;
    LongPausesMs = 0;
    NodesAtHardLimit = NoNodeMark;
}

void NoteClockLook() {
    const i64 now = NowMs();
    const i64 pause = now - LastLookMs;
    LongestPauseMs = std::max(LongestPauseMs, pause);
    if (pause >= LongPauseMs) LongPausesMs += pause;
    LastLookMs = now;
}

void NoteHardLimitPassed() {
    if (NodesAtHardLimit == NoNodeMark) NodesAtHardLimit = NodeCount;
}

void PrintMoveAccount() {
    NoteClockLook();
    const i64 limit = HardLimitLeftMs(AccountStartMs);
    std::printf("info string time %" PRId64 " ms since %s", LastLookMs - AccountStartMs,
                AccountFromPonderHit ? "ponderhit" : "go");
    if (limit >= 0)
        std::printf(", hard limit left %" PRId64 " ms", limit);
    else
        std::printf(", no time limit");
    const u64 pastLimit = NodesAtHardLimit == NoNodeMark ? 0 : NodeCount - NodesAtHardLimit;
    std::printf(", nodes %" PRIu64 ", nodes past the limit %" PRIu64 ", cpu %" PRId64
                " ms, longest pause between clock looks %" PRId64 " ms, pauses of %" PRId64
                " ms or more %" PRId64 " ms in all\n",
                NodeCount - AccountStartNodes, pastLimit, ProcessCpuMs() - AccountStartCpuMs,
                LongestPauseMs, LongPauseMs, LongPausesMs);
}
