#include "driver/position_learning.h"

#include "board/board.h"
#include "board/make_move.h"
#include "book/learning.h"
#include "driver/score_history.h"
#include "search/root_search.h"
#include "search/search_limits.h"

namespace {

// A fall of the root score that makes the engine's previous position a
// suspect, and the scores that decide the queue's fate.
constexpr i32 SuspectFall = 40;
constexpr i32 ConfirmingScore = -400;
constexpr i32 RecoveredScore = -10;
constexpr i32 LostBeforeScore = -180;
constexpr i32 WonAfterScore = 520;
constexpr i32 MinLearnIteration = 7;
// Positions stored: middlegames with most pieces still on the board.
constexpr i32 MinLearnUnits = 14;
constexpr i32 MaxLearnFifty = 70;
constexpr i32 MaxLearnGamePly = 100;

// The engine's last two moves were searched, the score fell by more than
// SuspectFall from a playable one, the search was deep enough, and the game
// record still holds the engine's positions: the move just made is the
// last made from the current position, and the walk back three plies stays
// above the set-up position.
bool IsLearnCandidate() {
    const i32 s0 = ScoreHistory[NewestScoreEntry], s1 = ScoreHistory[NewestScoreEntry - 1];
    return GamePly > 2 && GamePly - 3 >= GameBasePly &&
           BookMoveHistory[NewestScoreEntry] == 0 && BookMoveHistory[NewestScoreEntry - 1] == 0 &&
           s1 > LostBeforeScore && s0 < WonAfterScore && s0 - s1 < -SuspectFall &&
           IterationDepth >= MinLearnIteration &&
           GameHistory[GamePly].HashKey == KeyHistory[NewestScoreEntry] &&
           GameHistory[GamePly - 2].HashKey == KeyHistory[NewestScoreEntry - 1];
}

// Queues the current position (the engine to move, about to play move)
// unless the file already knows it at least as deep.
void ConsiderLearnPosition(u32 move) {
    if (board.NonPawnUnits[WHITE] < MinLearnUnits || board.NonPawnUnits[BLACK] < MinLearnUnits ||
        board.FiftyMoveCounter >= MaxLearnFifty || GamePly >= MaxLearnGamePly ||
        LearnQueueCount >= LearnQueueSize)
        return;
    const i32 depth = 60 * IterationDepth + 30;
    const u32 key1 = u32(board.HashKey), key2 = u32(board.HashKey >> 16);
    i32 storedDepth = 0, storedScore = 0;
    u32 storedMove = 0, offset = 0;
    FindLearnRecord(key1, key2, &storedDepth, &storedScore, &storedMove, &offset);
    if (offset != 0 && storedDepth >= depth) return;
    QueueLearnPosition(key1, key2, move, ScoreHistory[NewestScoreEntry - 1],
                       ScoreHistory[NewestScoreEntry], depth);
}

}  // namespace

void MaybeLearnPosition() {
    const i32 s0 = ScoreHistory[NewestScoreEntry], s1 = ScoreHistory[NewestScoreEntry - 1],
              s2 = ScoreHistory[NewestScoreEntry - 2];
    // The verdict on the queue: the fall went on, or the score recovered.
    if (LearnQueueCount != 0 && RootScore[0] < ConfirmingScore)
        FlushLearnQueue();
    else if ((s0 > RecoveredScore && s1 > RecoveredScore && s2 > RecoveredScore) || BookMovePlayed)
        LearnQueueCount = 0;

    if (!IsLearnCandidate()) return;
    // Back to the position in which the engine made its previous move.
    const u32 engineMove = GameHistory[GamePly - 1].Move;
    const u32 opponentMove = GameHistory[GamePly - 2].Move;
    const u32 previousMove = GameHistory[GamePly - 3].Move;
    UnmakeMove();
    UnmakeMove();
    UnmakeMove();
    ConsiderLearnPosition(previousMove);
    MakeMove(previousMove, 1);
    MakeMove(opponentMove, 1);
    MakeMove(engineMove, 1);
}
