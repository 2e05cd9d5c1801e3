#include "driver/game_driver.h"

#include <cstdio>
#include <cstdlib>

#include "board/attack_queries.h"
#include "board/board.h"
#include "board/legal_moves.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "board/new_game.h"
#include "book/book.h"
#include "book/learning.h"
#include "driver/modes.h"
#include "driver/score_history.h"
#include "driver/search_input.h"
#include "driver/search_output.h"
#include "search/root_moves.h"
#include "search/root_search.h"
#include "search/search_limits.h"
#include "search/time_control.h"
#include "search/trans_table.h"

namespace {

// Nodes between two looks at the clock and input: the shorter the budget,
// the more often.
constexpr i32 CheckIntervalShort = 5000;
constexpr i32 CheckIntervalMedium = 20000;
constexpr i32 CheckIntervalLong = 50000;
constexpr i32 ShortBudgetCs = 100;
constexpr i32 MediumBudgetCs = 300;

// A clock the engine has not been told about.
constexpr i32 NoClock = -1;

// Kings of a side on the board, counted square by square: the king
// bitboard holds one square only.
i32 KingCount(Side side) {
    i32 count = 0;
    for (Square sq = 0; sq < 64; sq++)
        if (board.Squares[sq] == KING && (board.Bitboards[0][side] & SquareBit(sq))) count++;
    return count;
}

// The search may only start from a position every routine can work on:
// one king each, and the side that just moved not left in check.
bool PositionCanBeSearched() {
    if (KingCount(WHITE) != 1 || KingCount(BLACK) != 1) return false;
    const Side mover = board.SideToMove;
    return IsSquareAttacked(mover, board.KingSquare[ChangeSide(mover)]) == 0;
}

// No move can be played: UCI interfaces wait for a "bestmove" line.
void AnswerWithoutMove(const char* consoleLine) {
    if (UciMode)
        std::printf("bestmove 0000\n");
    else if (consoleLine)
        std::printf("%s\n", consoleLine);
    std::fflush(stdout);
}

// Sets the limits of one search and runs it: timed when a clock or a fixed
// time per move is known, else to the depth limit. Returns SearchRoot's
// result.
i32 RunSearch() {
    DrawScore = 0;
    board.SearchAbort = 0;
    PendingMove = NoMove;
    NewGameRequested = 0;
    SearchStartTime = ClockCs();
    if (EngineTimeCs != NoClock || MoveTimeCs != 0) {
        AllocateTime();
        TimeCheckInterval = TimeBudgetCs <= ShortBudgetCs    ? CheckIntervalShort
                            : TimeBudgetCs <= MediumBudgetCs ? CheckIntervalMedium
                                                             : CheckIntervalLong;
        return SearchRoot(TimedSearchDepth, 1);
    }
    TimeBudgetCs = TimeUnlimitedCs;
    TimeHardLimitCs = TimeUnlimitedCs;
    TimeCheckInterval = CheckIntervalLong;
    return SearchRoot(DepthLimit, 1);
}

// The last word on a search: its line with the principal variation (not
// for a book move), whatever the post switch says.
void ReportFinalLine() {
    if (BookMovePlayed) return;
    if (UciMode)
        PrintUciInfo(1, ExactBound, 1);
    else
        PrintXboardThinkingLine();
    std::fflush(stdout);
}

// A clear result of the engine's own search teaches the book, once per game.
void LearnBookFromScore() {
    if (BookFileHandle == nullptr || !UseBookLearning || BookMovePlayed || BookLearnedThisGame)
        return;
    if (std::abs(RootScore[0]) <= BookLearningBound) return;
    LearnBookFromGame(RootScore[0] < 0 ? 0 : 1);
}

// Plays the best move (not after a UCI ponder search) and prints it in the
// protocol in force.
void PlayBestMove() {
    const Move best = MoveStack[0].move;
    if (!PonderSearch) {
        MakeMove(best, 1);
        PushScoreHistory();
    }
    if (UciMode) {
        LastBestMove = best;
        if (!PonderSearch) {
            std::printf("bestmove %s", MoveToText(best));
            if (PonderMove != NoMove && IsLegalMove(PonderMove))
                std::printf(" ponder %s", MoveToText(PonderMove));
            std::printf("\n");
        }
    } else {
        if (ShouldResign()) std::printf("resign\n");
        std::printf("move %s\n", MoveToText(best));
    }
    if (UseLearning) MaybeLearnPosition();
    std::fflush(stdout);
}

}  // namespace

void ThinkAndMove() {
    PonderMove = NoMove;
    SilentSearch = 0;
    if (!PositionCanBeSearched()) {
        AnswerWithoutMove("Illegal position");
        return;
    }
    // The game record has no room for another move.
    if (!GameHistoryHasRoom()) {
        AnswerWithoutMove(nullptr);
        return;
    }

    for (;;) {
        if (RunSearch() == 1) {
            // The game is over; the root move list has announced it.
            PonderingNow = 0;
            return;
        }
        if (PonderingNow) {
            // A ponder search that ran out by itself keeps the expected reply
            // on the board; one that input ended takes it back and, when the
            // opponent's actual move came, thinks about that.
            if (!PonderInterrupted) break;
            PonderingNow = 0;
            UnmakeMove();
            if (PendingMove == NoMove || !GameHistoryHasRoom()) break;
            MakeMove(PendingMove, 1);
            if (ForceMode) break;
            continue;
        }

        LastSearchScore = RootScore[0];
        LastSearchSide = EngineSide;
        ReportFinalLine();
        if (NewGameRequested) break;
        LearnBookFromScore();
        PlayBestMove();
        break;
    }

    PonderingNow = 0;
    if (NewGameRequested) NewGame();
}

void PushScoreHistory() {
    for (i32 i = 0; i < NewestScoreEntry; i++) {
        ScoreHistory[i] = ScoreHistory[i + 1];
        BookMoveHistory[i] = BookMoveHistory[i + 1];
        KeyHistory[i] = KeyHistory[i + 1];
    }
    // A lone legal move is played unsearched: its score says nothing new.
    const bool unsearched = !BookMovePlayed && RootMoveCount == 1;
    if (!unsearched) ScoreHistory[NewestScoreEntry] = RootScore[0];
    BookMoveHistory[NewestScoreEntry] = i32(BookMovePlayed);
    KeyHistory[NewestScoreEntry] = board.HashKey;
}

i32 ShouldResign() {
    i32 count = 0;
    for (i32 k = 0; k < ScoreHistorySize; k++) {
        // Entry k from the newest belongs to the position 2k plies back.
        const i32 ply = GamePly - 2 * k;
        if (ply < 0) break;
        const u64 key = k == 0 ? board.HashKey : GameHistory[ply].HashKey;
        const i32 entry = NewestScoreEntry - k;
        if (KeyHistory[entry] != key || ScoreHistory[entry] >= -ResignValue) break;
        count++;
        if (count >= ResignTimes) return 1;
    }
    return count >= ResignTimes ? 1 : 0;
}
