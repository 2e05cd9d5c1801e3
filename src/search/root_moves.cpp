#include "search/root_moves.h"

#include <cstdio>

#include "board/attack_queries.h"
#include "board/board.h"
#include "board/make_move.h"
#include "board/modes.h"
#include "board/move_text.h"
#include "book/book.h"
#include "search/history.h"
#include "search/move_picker.h"
#include "search/repetition.h"
#include "search/search_hooks.h"
#include "search/trans_table.h"

u64 RootNodes[MaxRootMoves];
i32 RootFlags[MaxRootMoves];
i32 RootBestIndex = 0;
i32 RootMoveCount = 0;
i32 RootGamePly = 0;
Move EasyMove = NoMove;
Move SearchMoves[MaxRootMoves];
i32 SearchMovesCount = 0;

namespace {

// Material of a lone minor piece: a king with at most this cannot mate.
constexpr i32 LoneMinorMaterial = 300;

// A game that ended counts as a draw for the book, once per game (a mate
// included: the book hears about decisive results from the game driver).
void LearnDrawFromBook() {
    if (UseBookLearning && BookFileHandle != nullptr && BookLearnedThisGame == 0)
        LearnBookFromGame(2);
}

// A result line for the console and xboard; UCI interfaces judge the game
// themselves.
void PrintResult(const char* result) {
    if (UciMode) return;
    std::printf("%s\n", result);
    std::fflush(stdout);
}

// Returns true when the draw was announced (outside UCI).
bool AnnounceDraw(const char* result) {
    LearnDrawFromBook();
    PrintResult(result);
    return UciMode == 0;
}

bool CannotMate(Side side) {
    const Side other = ChangeSide(side);
    return board.Material[other] == 0 && board.Material[side] <= LoneMinorMaterial &&
           board.Bitboards[PAWN][side] == 0;
}

bool InSearchMoves(Move m) {
    for (i32 i = 0; i < SearchMovesCount && i < MaxRootMoves; i++)
        if (SearchMoves[i] == m) return true;
    return false;
}

// Keeps the legal moves of the generated list (and, when restricted, only
// those of the searchmoves list), compacted to the front in their order,
// each with its ordering score. Fills the parallel arrays and EasyMove;
// returns the number kept. A pass that keeps nothing leaves the list as
// generated.
i32 KeepLegalRootMoves(i32 generated, bool restricted) {
    const Side mover = board.SideToMove, opponent = ChangeSide(mover);
    i32 kept = 0, recaptures = 0;
    EasyMove = NoMove;
    for (i32 k = 0; k < generated && kept < MaxRootMoves; k++) {
        const MoveStackEntry entry = MoveStack[k];
        const Move m = entry.move;
        if (m == NoMove) continue;
        if (restricted && !InSearchMoves(m)) continue;
        MakeMove(m, 1);
        if (IsSquareAttacked(opponent, board.KingSquare[mover])) {
            UnmakeMove();
            continue;
        }
        // A recapture on the square where the opponent just captured, which
        // the exchange test did not refuse, is an easy move when it is the
        // only one.
        if (GamePly > 1) {
            const Move previous = GameHistory[GamePly - 2].Move;
            if (MoveCaptured(previous) != EMPTY && MoveTo(m) == MoveTo(previous) &&
                entry.score >= 1) {
                EasyMove = m;
                recaptures++;
            }
        }
        RootNodes[kept] = RootNodesStart - u64(kept);
        RootFlags[kept] = IsSquareAttacked(mover, board.KingSquare[opponent]);
        UnmakeMove();
        if (kept > 0) RootScore[kept] = 0;
        MoveStack[kept] = entry;
        kept++;
    }
    if (recaptures != 1) EasyMove = NoMove;
    return kept;
}

// The table's move goes to the front with its check flag; the scores and
// node counts stay with their indices.
void PromoteTableMove(Move tableMove, i32 count) {
    for (i32 j = 0; j < count; j++) {
        if (MoveStack[j].move != tableMove) continue;
        const MoveStackEntry entry = MoveStack[j];
        const i32 flag = RootFlags[j];
        for (i32 i = j; i > 0; i--) {
            MoveStack[i] = MoveStack[i - 1];
            RootFlags[i] = RootFlags[i - 1];
        }
        MoveStack[0] = entry;
        RootFlags[0] = flag;
        return;
    }
}

}  // namespace

i32 PrepareRootMoves() {
    const Side side = board.SideToMove;

    // Games ended by rule are announced. The console and xboard take the
    // announcement as the end of the game: no search follows it. UCI
    // interfaces hear nothing and still get their search.
    bool announced = false;
    // Bare kings fail both material tests: one draw, announced once.
    if (CannotMate(WHITE) || CannotMate(BLACK))
        announced |= AnnounceDraw("1/2-1/2 {Draw by insufficient material}");
    if (IsRepetition()) announced |= AnnounceDraw("1/2-1/2 {Draw by repetition}");
    // A mate given after the fifty moves ran out stands: its line comes below.
    if (GamePly > 0 && GameHistory[GamePly - 1].FiftyMoveCounter >= FiftyMoveLimit &&
        !SideToMoveIsMated())
        announced |= AnnounceDraw("1/2-1/2 {Draw by the 50-moves rule}");

    MoveStackTop = 0;
    SearchPly = 0;

    // The score the root is expected to have: the last search's, from the
    // engine's side.
    const i32 expected = LastSearchSide != EngineSide ? -LastSearchScore : LastSearchScore;

    i32 alpha = -MateScore, beta = MateScore, usable = 0;
    Move tableMove = NoMove;
    if (ProbeHash(&alpha, &beta, &tableMove, &usable, 0))
        RootScore[0] = usable ? alpha : expected;
    else
        RootScore[0] = expected;

    PlyStack[0].InCheck = IsSquareAttacked(ChangeSide(side), board.KingSquare[side]);
    for (i32 stage = StageNoneYet; stage != StageDone;) stage = PickNextMoveStage(stage);

    const i32 generated = MoveStackTop;
    i32 count = KeepLegalRootMoves(generated, SearchMovesCount > 0);
    // A searchmoves list without a single legal move restricts nothing.
    if (count == 0 && SearchMovesCount > 0) count = KeepLegalRootMoves(generated, false);
    MoveStackTop = count;
    RootMoveCount = count;

    if (tableMove != NoMove) PromoteTableMove(tableMove, count);

    if (count == 0) {
        LearnDrawFromBook();
        if (UciMode) return 1;
        if (PlyStack[0].InCheck)
            PrintResult(side == BLACK ? "1-0 {White mates}" : "0-1 {Black mates}");
        else
            PrintResult("1/2-1/2 {Stalemate}");
        return 1;
    }
    if (announced) return 1;
    if (tableMove == NoMove) return 0;

    // The table already knows a line here: show it before the search starts.
    IterationDepth = 0;
    SelDepth = 0;
    RootBestIndex = 0;
    if (!UciMode)
        ReportXboardThinking(1);
    else if (MultiPv < 2)
        ReportUciInfo(0, ExactBound, 1);
    else
        ReportUciMultiPvInfo(0, ExactBound);
    std::fflush(stdout);
    return 0;
}

void ListRootMoves() {
    const i32 savedTop = MoveStackTop;
    std::printf("-------------- Legal moves: ----------------\n\n");
    MoveStackTop = 0;
    // The position listed is the root of the line the table may show.
    RootGamePly = GamePly;
    PrepareRootMoves();
    for (i32 i = 0; i < MoveStackTop; i++)
        std::printf("%s (%d); ", MoveToTextWithPiece(MoveStack[i].move), MoveStack[i].score);
    std::printf("\n");
    MoveStackTop = savedTop;
    std::fflush(stdout);
}
