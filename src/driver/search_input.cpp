#include "driver/search_input.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "board/board.h"
#include "board/make_move.h"
#include "board/modes.h"
#include "board/move_text.h"
#include "driver/command_tokens.h"
#include "driver/exit.h"
#include "platform/input_reader.h"
#include "platform/platform.h"
#include "search/move_time_account.h"
#include "search/root_moves.h"
#include "search/root_search.h"
#include "search/search_limits.h"
#include "search/time_control.h"

i32 NewGameRequested = 0;
i32 UndoRequested = 0;
i32 ExitRequested = 0;
Move ExpectedReply = NoMove;
i32 PonderReplyEnd = PonderReplyStart;
i32 AnalysisRunning = 0;
i32 AwaitingStop = 0;
i32 PonderStopped = 0;
i32 MoveWithdrawn = 0;

namespace {

// Lines read during a search, kept apart from the command loop's line.
char PolledLine[InputLineSize];

// Where the number of a "time" or "otim" line starts: after the word and
// one blank.
constexpr size_t ClockValueOffset = 5;

// How much of a line that finds no room among the held lines is shown.
constexpr int IgnoredTextShown = 64;

// Input ended the ponder search on the expected reply: the game driver
// takes the reply back; no opponent move came with it.
void InterruptPondering() {
    if (!PonderingNow) return;
    PendingMove = NoMove;
    PonderInterrupted = 1;
}

// "stop" and "?": move now. A UCI ponder search or a held search gives up
// waiting; the best move found so far is played.
void StopNow() {
    InterruptPondering();
    if (PonderSearch) PonderStopped = 1;
    PonderSearch = 0;
    AwaitingStop = 0;
    board.SearchAbort = 1;
}

}  // namespace

void PrintSearchStatus() {
    // Inside a root move the game record names it; at the root itself (a
    // finished search held back) the best move stands first in the list.
    const Move current = GamePly > RootGamePly ? GameHistory[RootGamePly].Move
                         : RootMoveCount > 0   ? MoveStack[0].move
                                               : NoMove;
    std::printf("stat01: %" PRId64 " %" PRIu64 " %d %d %d %s\n", SearchTimeCs(), NodeCount,
                IterationDepth + 1, RootMoveCount - RootBestIndex, RootMoveCount + 1,
                MoveToText(current));
    std::fflush(stdout);
}

namespace {

// The clock value of a "time" or "otim" line; false when the line holds no
// number after the word.
bool ReadClockValue(const char* line, i32* value) {
    if (std::strlen(line) <= ClockValueOffset) return false;
    *value = ReadClampedNumber(line + ClockValueOffset);
    return true;
}

bool IsFileChar(char c) { return (c >= 'a' && c <= 'h') || (c >= 'A' && c <= 'H'); }
bool IsRankChar(char c) { return c >= '1' && c <= '8'; }

// A coordinate move typed during the search: four characters, and a fifth
// lower-case letter as the promotion piece.
bool LooksLikeMove(const char* line) {
    return IsFileChar(line[0]) && IsRankChar(line[1]) && IsFileChar(line[2]) &&
           IsRankChar(line[3]);
}

Move ParsePolledMove(const char* line) {
    const unsigned char fifth = static_cast<unsigned char>(line[4]);
    const char promotion = fifth >= 'a' && fifth <= 127 ? char(fifth) : '\0';
    return ParseCoordinateMove(line[0], line[1], line[2], line[3], promotion);
}

// A move typed during the search: looked up among the stored replies.
void HandleMove(const char* line) {
    PendingMove = ParsePolledMove(line);
    PendingMove = FindPonderReply();
    if (PendingMove == NoMove) {
        std::printf("Illegal move: %s\n", line);
        std::fflush(stdout);
        PonderInterrupted = 1;
        board.SearchAbort = 1;
        return;
    }
    if (!PonderingNow) {
        // Searching for its own move, the engine plays the best move found
        // so far; in analysis the loop plays the typed move.
        board.SearchAbort = 1;
        return;
    }
    if (PendingMove == ExpectedReply) {
        // Ponder hit: the search goes on as the real one, keeping the time
        // already spent.
        PonderingNow = 0;
        return;
    }
    PonderInterrupted = 1;
    board.SearchAbort = 1;
}

// Any other line is a command for the command loop: it is held and runs
// there once the search is over, in its place among the lines. Outside UCI
// it ends the search first, pondering included ("remove", "undo", "edit",
// "new" are meant for the position on the board); a UCI interface sends
// "stop" when it wants the search ended, so there the search goes on.
// Returns true when the search ends.
bool HoldLine(const char* line) {
    if (!HoldInputLine(line)) {
        std::printf("Too many commands during the search, ignored: %.*s\n", IgnoredTextShown,
                    line);
        std::fflush(stdout);
        return false;
    }
    if (UciMode) return false;
    InterruptPondering();
    board.SearchAbort = 1;
    return true;
}

// One polled line; returns true when it ends this poll.
bool HandleLine(const char* line) {
    if (line[0] == '?' || MatchKeyword("stop", line)) {
        StopNow();
        return true;
    }
    if (line[0] == '.') {
        PrintSearchStatus();
        return true;
    }
    if (MatchKeyword("isready", line)) {
        std::printf("readyok\n");
        std::fflush(stdout);
        return false;
    }
    if (MatchKeyword("ponderhit", line)) {
        // The UCI ponder search goes on as the real search; the
        // interface's clock runs from here.
        if (PonderSearch) StartMoveAccount(true);
        PonderSearch = 0;
        AwaitingStop = 0;
        return false;
    }
    // Analysis takes the move back itself; elsewhere the command loop does.
    if (AnalysisRunning && MatchKeyword("undo", line)) {
        UndoRequested = 1;
        board.SearchAbort = 1;
        return true;
    }
    if (MatchKeyword("exit", line)) {
        ExitRequested = 1;
        board.SearchAbort = 1;
        return true;
    }
    if (MatchKeyword("new", line)) {
        InterruptPondering();
        NewGameRequested = 1;
        board.SearchAbort = 1;
        return true;
    }
    if (MatchKeyword("result", line)) {
        InterruptPondering();
        if (!UciMode) MoveWithdrawn = 1;
        board.SearchAbort = 1;
        return true;
    }
    if (MatchKeyword("post", line) || MatchKeyword("nopost", line)) {
        PostFlag = MatchKeyword("post", line) ? 1 : 0;
        board.SearchAbort = 1;
        InterruptPondering();
        return true;
    }
    if (line[0] == 'q') ExitProgram(0);
    if (MatchKeyword("force", line)) {
        InterruptPondering();
        ForceMode = 1;
        if (!UciMode) MoveWithdrawn = 1;
        board.SearchAbort = 1;
        return true;
    }
    if (MatchKeyword("hard", line)) {
        board.SearchAbort = 1;
        InterruptPondering();
        if (PonderingAllowed) PonderEnabled = 1;
        return true;
    }
    if (MatchKeyword("easy", line)) {
        PonderEnabled = 0;
        InterruptPondering();
        board.SearchAbort = 1;
        return true;
    }
    if (MatchKeyword("time", line)) {
        i32 value;
        if (ReadClockValue(line, &value)) {
            EngineTimeCs = value;
            // A new clock during the engine's own search: move now.
            if (!PonderingNow) {
                board.SearchAbort = 1;
                return true;
            }
        }
        return false;
    }
    if (MatchKeyword("otim", line)) {
        i32 value;
        if (ReadClockValue(line, &value)) OpponentTimeCs = value;
        return false;
    }
    if (LooksLikeMove(line)) {
        HandleMove(line);
        return true;
    }
    return HoldLine(line);
}

// The end of input, as "stop" ends a search (as "exit" in analysis).
void StopAtEndOfInput() {
    if (AnalysisRunning) {
        ExitRequested = 1;
        board.SearchAbort = 1;
        AwaitingStop = 0;
        return;
    }
    StopNow();
}

}  // namespace

Move FindPonderReply() {
    if (PonderReplyEnd <= PonderReplyStart) return NoMove;
    // From, to and promotion decide; the piece fields of a typed move may
    // differ from the stored legal move's.
    constexpr Move Key = 63 | 63 << 6 | 7u << 18;
    for (i32 i = PonderReplyStart; i < PonderReplyEnd && i < MoveStackSize; i++)
        if ((MoveStack[i].move & Key) == (PendingMove & Key)) return MoveStack[i].move;
    return NoMove;
}

bool SearchEndsOnlyByInput(i32 depthLimit) {
    if (PonderingNow || PonderSearch || AwaitingStop || AnalysisRunning) return true;
    if (depthLimit == TimedSearchDepth) return EngineTimeCs == InfiniteClockCs && MoveTimeCs == 0;
    return NodeLimit == 0 && depthLimit >= IterationCap;
}

void StopSearchIfInputEnded(i32 depthLimit) {
    if (InputEnded() && SearchEndsOnlyByInput(depthLimit)) StopAtEndOfInput();
}

void PollInputDuringSearch() {
    while (PollInputLine(PolledLine) == 1)
        if (HandleLine(PolledLine)) return;
    // Nobody is left to send "stop": a search that waits for it ends now.
    StopSearchIfInputEnded(SearchDepthLimit);
}

void WaitForInputDuringSearch() {
    // A whole line read along with an earlier one already waits in the
    // buffer, where blocking on the descriptor would never see it.
    if (!InputAvailable() && !InputEnded()) StdinHasData(-1);
    PollInputDuringSearch();
}
