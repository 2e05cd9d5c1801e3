#include "board/check_situation.h"

#include "board/attack_queries.h"
#include "board/attacks.h"
#include "board/board.h"
#include "board/make_move.h"
#include "board/pins.h"

CheckSituation ExamineCheck() {
    const Side us = board.SideToMove, them = ChangeSide(us);
    const Square king = board.KingSquare[us];
    CheckSituation check{AttackersOfSquare(them, king), 0, 0};

    // Beyond the king, one step further along a checking slider's line.
    for (u64 sliders = check.checkers; sliders;) {
        const Square checker = PopLowest(sliders);
        if (!IsSlider(board.Squares[checker])) continue;
        const i32 step = DirectionBetween[checker][king];
        const Square behind = king + step;
        if (behind >= 0 && behind < 64 && ((KingAttacks[king] >> behind) & 1) &&
            DirectionBetween[king][behind] == step)
            check.shadowed |= SquareBit(behind);
    }

    // One checker: it may be taken, and a slider's line may be blocked.
    if (check.checkers && !(check.checkers & (check.checkers - 1))) {
        const Square checker = LowestSquare(check.checkers);
        check.blockSquares = check.checkers;
        if (IsSlider(board.Squares[checker])) check.blockSquares |= BetweenSquares[checker][king];
    }
    return check;
}

i32 IsEnPassantEscape(Square capturer, Square checker) {
    const Side us = board.SideToMove, them = ChangeSide(us);

    // The checker must be an enemy pawn that has just stepped two ranks onto
    // our fifth rank, with our pawn beside it on that rank.
    if (GamePly < 1 || board.Squares[checker] != PAWN) return 0;
    if (RankOf(checker) != (us == WHITE ? 4 : 3)) return 0;
    const Move last = GameHistory[GamePly - 1].Move;
    const Square start = us == WHITE ? checker + 16 : checker - 16;
    if (MovePiece(last) != PAWN || MoveTo(last) != checker || MoveFrom(last) != start) return 0;
    if (capturer < 0 || capturer >= 64 || RankOf(capturer) != RankOf(checker)) return 0;
    if (!((board.Bitboards[PAWN][us] >> capturer) & 1)) return 0;
    if (IsPiecePinned(capturer)) return 0;

    // Both pawns leave the rank, so the pin test alone cannot vouch for the
    // king: play the capture and look.
    const Square behind = us == WHITE ? checker + 8 : checker - 8;
    MakeMove(MakeMoveWord(capturer, behind, PAWN), 1);
    const i32 exposed = IsSquareAttacked(them, board.KingSquare[us]);
    UnmakeMove();
    return !exposed;
}
