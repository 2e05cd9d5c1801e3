#include "driver/new_game.h"

#include <cstring>

#include "board/board.h"
#include "board/make_move.h"
#include "board/modes.h"
#include "book/book.h"
#include "book/learning.h"
#include "search/hash_tables.h"
#include "search/history.h"
#include "search/root_moves.h"
#include "search/search_limits.h"
#include "search/trans_table.h"

i32 PositionRefused = 0;
i32 GameOverAnnounced = 0;

void ClearKillers() {
    for (PlyRecord& record : PlyStack)
        for (auto& slot : record.Killer) slot[WHITE] = slot[BLACK] = 0;
}

void LearnUnfinishedGameAsDraw() {
    if (!UseBookLearning || !BookFileHandle || BookLearnedThisGame) return;
    if (board.SideToMove == EngineSide || GamePly <= GameBasePly) return;
    // The book learns the positions with the engine to move, so the engine's
    // last move is taken back for the walk; it is played again afterwards,
    // for "reset" and "ucinewgame" keep the position.
    const Move last = GameHistory[GamePly - 1].Move;
    UnmakeMove();
    LearnBookFromGame(2);
    MakeMove(last, 1);
}

void ForgetGameBefore() {
    std::memset(HistoryScore, 0, sizeof HistoryScore);
    ClearKillers();
    LastSearchScore = 0;
    LastSearchSide = 0;
    SearchesOutOfBook = 0;
    BookLearnedThisGame = 0;
}

void NewGame() {
    const bool ownGameState = !FritzMode && !UciMode;
    if (ownGameState) LearnUnfinishedGameAsDraw();
    SetupStartPosition();
    PositionRefused = 0;
    GameOverAnnounced = 0;
    SearchMovesCount = 0;
    DepthLimit = 998;
    MoveTimeCs = 0;
    MateLimit = 0;
    ForceMode = 0;
    if (ownGameState) {
        ForgetGameBefore();
        // Suspects of the game before are no suspects of this one.
        LearnQueueCount = 0;
    }
}

void ResetGameTables() {
    ClearTransTable();
    ClearKillers();
    ClearPawnHash();
    ClearEvalCache();
    std::memset(HistoryScore, 0, sizeof HistoryScore);
    std::memset(EvasionKillers, 0, sizeof EvasionKillers);
    LastSearchScore = 0;
    LastSearchSide = 0;
}
