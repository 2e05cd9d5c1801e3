#include "driver/search_output.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "board/board.h"
#include "board/legal_moves.h"
#include "board/make_move.h"
#include "board/modes.h"
#include "board/move_text.h"
#include "search/root_moves.h"
#include "search/search_limits.h"
#include "search/time_control.h"
#include "search/trans_table.h"

u64 LastInfoNodes = 0;
Move PonderMove = NoMove;

namespace {

// Mate scores are told in moves from 32701: (32701 - score) / 2 moves to mate.
constexpr i32 MateNotationBase = MateScore + 1;
// xboard shows a mate in n plies as 32767 - n.
constexpr i32 XboardMateShift = 67;

// Throttles: nodes a search must reach before a line of each kind is worth
// printing, and the nodes between two unforced single UCI lines.
constexpr u64 XboardQuietNodes = 100000;
constexpr u64 UciInfoSpacing = 30000;
constexpr u64 MultiPvQuietNodes = 50000;
constexpr u64 NpsQuietNodes = 200000;

// A MultiPV block whose lines carry no bound mark.
constexpr i32 NoBoundLine = -1;

bool WithinQuietStart(u64 limit) { return NodeCount >= 1 && NodeCount <= limit; }

void ReloadNpsLineCountdown() { NpsLineCountdown = NpsLineNodes / std::max(TimeCheckInterval, 1); }

// The moves of the walk are made on the global board, so each must be a
// legal move of the position reached: a key collision can hand over the
// move of another position. The legality test builds its list high up in
// MoveStack, which must be free.
bool CanWalkMove(Move m) {
    return MoveStackTop <= LegalTestListIndex && GamePly + 1 < GameHistorySize &&
           IsLegalMove(m) == 1;
}

// "cp 25 ", "mate 3 " or "mate -2 ".
void PrintUciScore(i32 score) {
    if (score > MateBound)
        std::printf("mate %d ", (MateNotationBase - score) >> 1);
    else if (score < -MateBound)
        std::printf("mate -%d ", (score + MateNotationBase) >> 1);
    else
        std::printf("cp %d ", score);
}

void PrintBoundMark(i32 bound) {
    if (bound == i32(UpperBound)) std::printf("upperbound ");
    if (bound == i32(LowerBound)) std::printf("lowerbound ");
}

i64 NodesPerSecondOver(i64 elapsedCs) {
    return elapsedCs >= 1 ? i64(NodeCount * 100 / u64(elapsedCs)) : 0;
}

// "nodes N time MS hashfull H nps S tbhits T": one look at the clock, so
// time and nps agree.
void PrintSearchCounters() {
    const i64 elapsed = SearchTimeCs();
    std::printf("nodes %" PRIu64 " time %" PRId64 " hashfull %" PRId64 " nps %" PRId64
                " tbhits %d",
                NodeCount, elapsed * 10, HashFullPerMille(), NodesPerSecondOver(elapsed),
                TablebaseHits);
}

// Moves above the search root that a walk takes back and replays: the
// printers are called at the root or with one root move made.
constexpr i32 MaxMovesAboveRoot = 64;

// The line from the root: the root move, then the table's moves after it.
// The best line's reply is the move to ponder on.
void WalkLineFromRoot(Move rootMove, bool bestLine) {
    if (!CanWalkMove(rootMove)) return;
    MakeMove(rootMove, 1);
    i32 made = 1;
    while (made < MaxPvMoves) {
        Move m = NoMove;
        if (!ProbeHashMove(&m) || !CanWalkMove(m)) break;
        if (bestLine && GamePly == RootGamePly + 1) PonderMove = m;
        MakeMove(m, 1);
        made++;
        std::printf(" %s", MoveToText(m));
    }
    while (made-- > 0) UnmakeMove();
}

// One line per reported root move; line boundLine carries the bound mark.
// The move being searched is named on every line; once the list is done,
// the last root move stands for it.
void PrintMultiPvBlock(i32 boundLine, i32 bound) {
    const i32 lines = std::min({RootMoveCount, MultiPv, MaxRootMoves});
    const i32 current = std::max(0, std::min(RootBestIndex, RootMoveCount - 1));
    for (i32 line = 0; line < lines; line++) {
        std::printf("info multipv %d depth %d seldepth %d score ", line + 1, IterationDepth + 1,
                    SelDepth);
        PrintUciScore(RootScore[line]);
        if (line == boundLine) PrintBoundMark(bound);
        PrintSearchCounters();
        std::printf(" currmove %s currmovenumber %d pv", MoveToText(MoveStack[current].move),
                    current + 1);
        PrintPvFromHash(line);
        std::printf("\n");
    }
    ReloadNpsLineCountdown();
    std::fflush(stdout);
}

}  // namespace

i32 XboardScore(i32 score) {
    if (score > MateBound) return score + XboardMateShift;
    if (score < -MateBound) return score - XboardMateShift;
    return score;
}

i64 HashFullPerMille() {
    if (TransEntries == 0) return 0;
    return i64(TransFillCount) * 1000 / i64(TransEntries);
}

i64 NodesPerSecond() { return NodesPerSecondOver(SearchTimeCs()); }

void PrintPvFromHash(i32 rootIndex) {
    const Move rootMove = MoveStack[rootIndex].move;
    std::printf(" %s", MoveToText(rootMove));
    // A root move may still stand on the board (a re-search reports before
    // it is taken back), and it need not be this line's: the walk starts
    // from the root, and the moves above it are made again afterwards.
    const i32 above = GamePly - RootGamePly;
    if (above < 0 || above > MaxMovesAboveRoot) return;
    Move replay[MaxMovesAboveRoot];
    for (i32 i = 0; i < above; i++) {
        replay[i] = GameHistory[RootGamePly + i].Move;
        // A null move of the search cannot be taken back as a move.
        if (replay[i] == NoMove) return;
    }
    for (i32 i = 0; i < above; i++) UnmakeMove();
    WalkLineFromRoot(rootMove, rootIndex == 0);
    for (i32 i = 0; i < above; i++) MakeMove(replay[i], 1);
}

void PrintXboardThinkingLine() {
    std::printf("%d %d %" PRId64 " %" PRIu64, IterationDepth + 1, XboardScore(RootScore[0]),
                SearchTimeCs(), NodeCount);
    PrintPvFromHash(0);
    std::printf("\n");
    std::fflush(stdout);
}

void PrintXboardThinking(i32 force) {
    if (PostFlag == 0) return;
    if (force == 0 && WithinQuietStart(XboardQuietNodes)) return;
    PrintXboardThinkingLine();
}

void PrintUciInfo(i32 force, i32 bound, i32 withPv) {
    // Unsigned difference: after a longer earlier search the count is below
    // LastInfoNodes and the line is due.
    if (NodeCount != 0 && NodeCount - LastInfoNodes <= UciInfoSpacing && force == 0) return;

    i32 score = RootScore[0];
    // A "go mate N" search shows only the mate it was asked for.
    if (MateLimit != 0 && ((MateNotationBase - score) >> 1) != MateLimit) score = 0;
    LastInfoNodes = NodeCount;

    std::printf("info depth %d seldepth %d score ", IterationDepth + 1, SelDepth);
    PrintUciScore(score);
    PrintBoundMark(bound);
    PrintSearchCounters();
    if (withPv) {
        std::printf(" pv");
        PrintPvFromHash(0);
    } else {
        std::printf(" currmove %s currmovenumber %d", MoveToText(MoveStack[RootBestIndex].move),
                    RootBestIndex + 1);
    }
    std::printf("\n");
    ReloadNpsLineCountdown();
    std::fflush(stdout);
}

void PrintUciMultiPvInfo(i32 boundLine, i32 bound) {
    if (WithinQuietStart(MultiPvQuietNodes)) return;
    PrintMultiPvBlock(boundLine, bound);
}

void PrintFinalUciMultiPvInfo() { PrintMultiPvBlock(NoBoundLine, i32(ExactBound)); }

void PrintUciInfoNps() {
    if (!WithinQuietStart(NpsQuietNodes)) {
        std::printf("info nps %" PRId64 " nodes %" PRIu64 " tbhits %d hashfull %" PRId64 "\n",
                    NodesPerSecond(), NodeCount, TablebaseHits, HashFullPerMille());
        std::fflush(stdout);
    }
    ReloadNpsLineCountdown();
}
