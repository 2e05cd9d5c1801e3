#include "driver/game_driver.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/attack_queries.h"
#include "board/board.h"
#include "board/legal_moves.h"
#include "board/make_move.h"
#include "board/modes.h"
#include "board/move_text.h"
#include "book/book.h"
#include "book/learning.h"
#include "driver/new_game.h"
#include "driver/position_learning.h"
#include "driver/score_history.h"
#include "driver/search_input.h"
#include "driver/search_output.h"
#include "platform/input_reader.h"
#include "search/move_time_account.h"
#include "search/repetition.h"
#include "search/root_moves.h"
#include "search/root_search.h"
#include "search/search_limits.h"
#include "search/time_control.h"
#include "search/trans_table.h"

namespace {

// Nodes between two looks at the clock and input: the shorter the budget,
// the more often. At about 1.5 million nodes a second the longest is under
// 7 ms, and some 35 ms when a busy machine leaves the engine a fifth of
// that speed: a search ends close to its hard limit and answers input
// within 50 ms. A look costs about a microsecond.
constexpr i32 CheckIntervalShort = 2000;
constexpr i32 CheckIntervalMedium = 5000;
constexpr i32 CheckIntervalLong = 10000;
constexpr i32 ShortBudgetCs = 100;
constexpr i32 MediumBudgetCs = 300;

// A clock the engine has not been told about.
constexpr i32 NoClock = -1;

// Analysis deepens to this depth limit, without a clock.
constexpr i32 AnalysisDepth = 100;

// Material of a lone minor piece: a king with at most this cannot mate.
constexpr i32 LoneMinorMaterial = 300;

bool StartsWith(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

// Kings of a side on the board, counted square by square: the king
// bitboard holds one square only.
i32 KingCount(Side side) {
    i32 count = 0;
    for (Square sq = 0; sq < 64; sq++)
        if (board.Squares[sq] == KING && (board.Bitboards[0][side] & SquareBit(sq))) count++;
    return count;
}

// The search may only start from a position every routine can work on:
// one king each, and the side that just moved not left in check; and not
// from the one the interface last asked for when that was refused.
bool PositionCanBeSearched() {
    if (PositionRefused) return false;
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
        // Input that has already ended cannot stop a search that waits for it.
        StopSearchIfInputEnded(TimedSearchDepth);
        return SearchRoot(TimedSearchDepth, 1);
    }
    TimeBudgetCs = TimeUnlimitedCs;
    TimeHardLimitCs = TimeUnlimitedCs;
    TimeCheckInterval = CheckIntervalLong;
    StopSearchIfInputEnded(DepthLimit);
    return SearchRoot(DepthLimit, 1);
}

// A UCI "go infinite" or "go ponder" owes its bestmove only to "stop" or
// "ponderhit", also when the search has ended by itself: until one of them
// (or the end of input) comes, the result is held back.
void HoldForStop() {
    if (AwaitingStop) MarkSearchEnd();
    while (AwaitingStop) WaitForInputDuringSearch();
}

// The last word on a search: its line with the principal variation, every
// line of a MultiPV search (not for a book move), whatever the post switch
// says.
void ReportFinalLine() {
    if (BookMovePlayed) return;
    if (!UciMode)
        PrintXboardThinkingLine();
    else if (MultiPv > 1)
        PrintFinalUciMultiPvInfo();
    else
        PrintUciInfo(1, ExactBound, 1);
    std::fflush(stdout);
}

// A search held for "stop" or "ponderhit" that ended by itself (a mate
// found, its depth reached) shows its result at once: the wait may be long.
// Its time stops here.
void ReportHeldResult(i32 result) {
    if (result != 0 || !AwaitingStop || board.SearchAbort) return;
    MarkSearchEnd();
    ReportFinalLine();
}

// A clear result of the engine's own search teaches the book, once per game.
void LearnBookFromScore() {
    if (BookFileHandle == nullptr || !UseBookLearning || BookMovePlayed || BookLearnedThisGame)
        return;
    if (std::abs(RootScore[0]) <= BookLearningBound) return;
    LearnBookFromGame(RootScore[0] < 0 ? 0 : 1);
}

// Plays the best move (not after a UCI ponder search) and prints it in the
// protocol in force. A ponder search that "stop" ended was no search of the
// engine's own position: nothing is learnt from it. Outside UCI the engine
// may resign instead: that ends the game, the move is not sent and is taken
// back from the board (the interface's board never had it).
void PlayBestMove() {
    const Move best = MoveStack[0].move;
    if (!PonderSearch) {
        MakeMove(best, 1);
        PushScoreHistory();
    }
    if (UciMode) {
        LastBestMove = best;
        if (!PonderSearch) {
            // UCI's debug mode asks for more information: the account of
            // the move's time.
            if (DebugMode && !BookMovePlayed) PrintMoveAccount();
            std::printf("bestmove %s", MoveToText(best));
            if (PonderMove != NoMove && IsLegalMove(PonderMove))
                std::printf(" ponder %s", MoveToText(PonderMove));
            std::printf("\n");
        }
    }
    const bool resigned = !UciMode && !PonderSearch && ShouldResign();
    if (resigned)
        std::printf("resign\n");
    else if (!UciMode)
        std::printf("move %s\n", MoveToText(best));
    if (UseLearning && !PonderStopped) MaybeLearnPosition();
    if (resigned) {
        UnmakeMove();
        GameOverAnnounced = 1;
    }
    std::fflush(stdout);
}

// The position after the expected reply is a finished game: nothing to
// ponder on, and no result the opponent has not played may be announced.
bool GameEndsHere() {
    auto cannotMate = [](Side side) {
        const Side other = ChangeSide(side);
        return board.Material[other] == 0 && board.Material[side] <= LoneMinorMaterial &&
               board.Bitboards[PAWN][side] == 0;
    };
    if (cannotMate(WHITE) || cannotMate(BLACK) || IsRepetition()) return true;
    if (GamePly > 0 && GameHistory[GamePly - 1].FiftyMoveCounter >= FiftyMoveLimit) return true;
    const i32 savedTop = MoveStackTop;
    GenerateLegalMoves(0);
    const bool noMove = MoveStackTop == 0;
    MoveStackTop = savedTop;
    return noMove;
}

// What pondering leads to: a ponder search on the expected reply, a search
// of the opponent's move that came during the silent search, or nothing.
enum class AfterMove { Leave, PonderSearch, Think };

// After the engine's move: the opponent's legal replies are stored for the
// input polling, the expected reply is taken from the table or, when the
// table has none, from a silent search of at most a second; then it is
// announced and made on the board.
AfterMove StartPondering() {
    GenerateLegalMoves(PonderReplyStart);
    PonderReplyEnd = MoveStackTop;
    MoveStackTop = 0;
    Move expected = GetHashMove();
    PonderingNow = 1;
    ExpectedReply = expected;
    PonderInterrupted = 0;
    // Nobody is left to play a reply.
    if (InputEnded()) return AfterMove::Leave;

    if (expected == NoMove) {
        const i32 savedPost = PostFlag;
        SilentSearch = 1;
        PostFlag = 0;
        DrawScore = 0;
        board.SearchAbort = 0;
        PendingMove = NoMove;
        NewGameRequested = 0;
        SearchStartTime = ClockCs();
        const i32 result = SearchRoot(TimedSearchDepth, 1);
        PostFlag = savedPost;
        // The engine's own move ended the game: the root move list said so.
        if (result == 1) GameOverAnnounced = 1;
        if (result == 1 || NewGameRequested || HeldLineCount() > 0) return AfterMove::Leave;
        if (SilentSearch == 1) {
            // Input came, or the search ended before its second was up.
            SilentSearch = 0;
            if (!PonderInterrupted || PendingMove == NoMove || !GameHistoryHasRoom())
                return AfterMove::Leave;
            MakeMove(PendingMove, 1);
            if (ForceMode) return AfterMove::Leave;
            PonderingNow = 0;
            return AfterMove::Think;
        }
        expected = MoveStack[0].move;
        ExpectedReply = expected;
        if (expected == NoMove) return AfterMove::Leave;
    }

    // A table move may belong to another position with the same key.
    if (MoveStackTop > LegalTestListIndex || !IsLegalMove(expected) || !GameHistoryHasRoom())
        return AfterMove::Leave;
    MakeMove(expected, 1);
    if (GameEndsHere()) {
        UnmakeMove();
        return AfterMove::Leave;
    }
    std::printf("Hint: %s\n", MoveToShortText(expected));
    std::fflush(stdout);
    return AfterMove::PonderSearch;
}

// After an analysis search that ended by itself or after another command,
// the next line decides; false when analysis ends. "." reports the search
// just made, or zeros when the position had no search.
bool ReadLineAfterAnalysis(bool searched) {
    if (ReadInputLine(1, InputLine) < 0) return false;
    if (InputLine[0] == '.') {
        if (searched)
            PrintSearchStatus();
        else
            std::printf("stat01: 0 0 0 0 0\n");
    } else if (StartsWith(InputLine, "exit")) {
        std::fflush(stdout);
        return false;
    } else if (StartsWith(InputLine, "new")) {
        NewGame();
    } else if (StartsWith(InputLine, "undo")) {
        TakeBackGameMove();
    } else if (IsCoordinateMove(InputLine)) {
        const Move move = ParseMoveText(InputLine);
        if (IsLegalMove(move) && GameHistoryHasRoom()) {
            std::printf("move maked...\n");
            MakeMove(move, 1);
        } else {
            std::printf("Illegal move: %s\n", InputLine);
        }
    }
    std::fflush(stdout);
    return true;
}

}  // namespace

void (*RootScoreHook)() = nullptr;

void ThinkAndMove() {
    // After the announced end of the game only a command that reopens play
    // (which clears the flag) lets the engine move again.
    if (GameOverAnnounced && !UciMode) {
        SearchMovesCount = 0;
        PonderSearch = 0;
        return;
    }
    PonderMove = NoMove;
    SilentSearch = 0;
    PonderStopped = 0;
    MoveWithdrawn = 0;
    AwaitingStop = PonderSearch || EngineTimeCs == InfiniteClockCs ? 1 : 0;
    if (!PositionCanBeSearched()) {
        HoldForStop();
        SearchMovesCount = 0;
        AnswerWithoutMove("Illegal position");
        return;
    }
    // The game record has no room for another move.
    if (!GameHistoryHasRoom()) {
        HoldForStop();
        SearchMovesCount = 0;
        AnswerWithoutMove(nullptr);
        return;
    }

    for (;;) {
        const i32 result = RunSearch();
        ReportHeldResult(result);
        HoldForStop();
        // A UCI "searchmoves" list belongs to the one search it came with.
        SearchMovesCount = 0;
        if (result == 1) {
            // The game is over; the root move list has announced it (a UCI
            // interface still waits for its bestmove line).
            if (PonderingNow)
                UnmakeMove();
            else if (UciMode)
                AnswerWithoutMove(nullptr);
            else
                GameOverAnnounced = 1;
            break;
        }
        // "force" or "result" came: no move is wanted any more.
        if (MoveWithdrawn) {
            if (PonderingNow) UnmakeMove();
            break;
        }
        if (PonderingNow) {
            // A ponder search that input ended takes the expected reply back
            // and, when the opponent's actual move came, thinks about that;
            // one that ended by itself takes it back too and waits.
            PonderingNow = 0;
            UnmakeMove();
            if (!PonderInterrupted || PendingMove == NoMove || !GameHistoryHasRoom()) break;
            MakeMove(PendingMove, 1);
            if (ForceMode) break;
            continue;
        }

        if (RootScoreHook) RootScoreHook();
        LastSearchScore = RootScore[0];
        LastSearchSide = EngineSide;
        ReportFinalLine();
        if (NewGameRequested) {
            // The game is given up for a new one: no move is made. A UCI
            // "go" is still owed its bestmove line.
            if (UciMode) {
                std::printf("bestmove %s\n", MoveToText(MoveStack[0].move));
                std::fflush(stdout);
            }
            break;
        }
        if (!PonderStopped) LearnBookFromScore();
        PlayBestMove();

        // Lines held during the search run first: they are meant for the
        // position as it stands now. After a resignation there is nothing
        // to ponder on. A UCI interface asks for pondering with "go ponder"
        // ("hard" is xboard's word): a search of the engine's own would
        // hold back the interface's next "go" and never answer it.
        if (!PonderEnabled || UciMode || HeldLineCount() > 0 || GameOverAnnounced) break;
        const AfterMove next = StartPondering();
        if (next == AfterMove::Leave) break;
    }

    PonderingNow = 0;
    PonderSearch = 0;
    AwaitingStop = 0;
    if (NewGameRequested) NewGame();
}

void AnalyzeLoop() {
    PonderingNow = 0;
    PonderSearch = 0;
    for (;;) {
        board.SearchAbort = 0;
        NewGameRequested = 0;
        ExitRequested = 0;
        UndoRequested = 0;
        PendingMove = NoMove;
        TimeBudgetCs = TimeUnlimitedCs;
        TimeHardLimitCs = TimeUnlimitedCs;
        TimeCheckInterval = CheckIntervalLong;
        DrawScore = 0;
        // Nobody is left to send "exit".
        if (InputEnded()) return;
        // The search cannot work on a position without one king each or
        // with the side that moved in check: refused as for a move.
        if (!PositionCanBeSearched()) {
            std::printf("Illegal position\n");
            std::fflush(stdout);
            return;
        }

        // The legal moves, for the moves typed during the search.
        GenerateLegalMoves(PonderReplyStart);
        PonderReplyEnd = MoveStackTop;
        MoveStackTop = 0;

        SearchStartTime = ClockCs();
        AnalysisRunning = 1;
        const bool searched = SearchRoot(AnalysisDepth, 0) == 0;
        AnalysisRunning = 0;
        // The search's time stops here, for "." after it; one that ended by
        // itself (a mate found) shows its line now.
        MarkSearchEnd();
        if (searched && !board.SearchAbort) PrintXboardThinking(1);

        if (PendingMove != NoMove) {
            if (IsLegalMove(PendingMove) && GameHistoryHasRoom()) {
                MakeMove(PendingMove, 1);
            } else {
                std::printf("Illegal move: %s\n", MoveToText(PendingMove));
                std::fflush(stdout);
            }
        } else if (NewGameRequested) {
            NewGame();
        } else if (ExitRequested) {
            return;
        } else if (UndoRequested) {
            TakeBackGameMove();
        } else if (HeldLineCount() == 0 && !ReadLineAfterAnalysis(searched)) {
            return;
        }
        // Lines held during the search are commands of the command loop:
        // analysis ends so that they run there, in order.
        if (HeldLineCount() > 0) return;
    }
}

void PushScoreHistory() {
    for (i32 i = 0; i < NewestScoreEntry; i++) {
        ScoreHistory[i] = ScoreHistory[i + 1];
        BookMoveHistory[i] = BookMoveHistory[i + 1];
        KeyHistory[i] = KeyHistory[i + 1];
    }
    // A lone legal move gets only a short search for its report: the
    // resign rule goes by full searches.
    const bool forced = !BookMovePlayed && RootMoveCount == 1;
    if (!forced) ScoreHistory[NewestScoreEntry] = RootScore[0];
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
        // In 64 bits: the setting may be any i32, -2147483648 included.
        if (KeyHistory[entry] != key || i64(ScoreHistory[entry]) >= -i64(ResignValue)) break;
        count++;
        if (count >= ResignTimes) return 1;
    }
    return count >= ResignTimes ? 1 : 0;
}
