#include "search/repetition.h"

#include "board/attack_queries.h"
#include "board/checkmate.h"
#include "board/make_move.h"

i32 RepeatsEarlierPosition() {
    const i32 n = GamePly;
    if (n < 4) return 0;
    // The last two moves must both be reversible, or nothing can repeat.
    if (IsIrreversible(GameHistory[n - 1].Move) || IsIrreversible(GameHistory[n - 2].Move))
        return 0;
    // Positions with the same side to move lie two plies apart; each step
    // back crosses two more moves, which must both be reversible.
    for (i32 i = n - 4; i >= 0; i -= 2) {
        if (IsIrreversible(GameHistory[i].Move) || IsIrreversible(GameHistory[i + 1].Move))
            return 0;
        if (GameHistory[i].HashKey == board.HashKey) return 1;
    }
    return 0;
}

i32 SideToMoveIsMated() {
    const Side side = board.SideToMove;
    return IsSquareAttacked(ChangeSide(side), board.KingSquare[side]) && IsCheckmated();
}

i32 IsDrawByRuleInSearch() {
    if (board.FiftyMoveCounter >= FiftyMoveLimit) return !SideToMoveIsMated();
    return RepeatsEarlierPosition();
}

i32 IsRepetition() {
    const i32 n = GamePly;
    if (n < 4) return 0;
    const i32 castling = board.CastlingFlags;
    // A pair of moves is walked over only when both are reversible and the
    // castling rights before each equal today's.
    const auto pairIsQuiet = [castling](i32 i) {
        return !IsIrreversible(GameHistory[i].Move) && !IsIrreversible(GameHistory[i + 1].Move) &&
               GameHistory[i].CastlingFlags == castling &&
               GameHistory[i + 1].CastlingFlags == castling;
    };
    if (!pairIsQuiet(n - 2)) return 0;
    i32 count = 0;
    for (i32 i = n - 4; i >= 0; i -= 2) {
        if (!pairIsQuiet(i)) return 0;
        if (GameHistory[i].HashKey == board.HashKey) {
            count += 1;
            if (count == 2) return 1;
        }
    }
    return 0;
}
