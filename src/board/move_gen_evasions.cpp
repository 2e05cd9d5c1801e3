// Check evasions of the side to move with their ordering scores. Works from
// attack sets: one attack test per king step and one pin test per candidate
// man; only an en-passant capture is made and taken back.
#include "board/move_gen_evasions.h"

#include <cassert>

#include "board/attack_queries.h"
#include "board/attacks.h"
#include "board/board.h"
#include "board/make_move.h"
#include "board/move_gen_captures.h"
#include "board/move_walks.h"
#include "board/pins.h"
#include "board/static_exchange.h"
#include "search/history.h"

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

void GenerateEvasions() {
    assert(IsSquareAttacked(ChangeSide(board.SideToMove), board.KingSquare[board.SideToMove]) &&
           "evasions asked for a side that is not in check");
    i32 top = MoveStackTop;
    VisitEvasions(ExamineCheck(), [&top](Square from, Square to, PieceType piece,
                                         PieceType captured, PieceType promotion) {
        const Move move = MakeMoveWord(from, to, piece, captured, promotion);
        MoveStack[top].move = move;
        MoveStack[top].score = ScoreEvasionMove(move);
        top += 1;
        return false;
    });
    MoveStackTop = top;
}

i32 ScoreEvasionMove(Move move) {
    const Square from = MoveFrom(move), to = MoveTo(move);
    const PieceType piece = MovePiece(move);
    const Side us = board.SideToMove;

    // Captures, promotions and en passant rank by their capture score; the
    // ones the exchange test likes go before every quiet evasion.
    if (IsCaptureOrPromotion(move) || (piece == PAWN && FileOf(from) != FileOf(to))) {
        const i32 capture = ScoreCapture(move);
        return capture > 0 ? capture + EvasionCaptureBonus : capture;
    }

    // Quiet evasions by the history of moves out of check; a man stepping
    // onto a square where it is lost goes last, cheaper men first.
    i32 score;
    if (piece == KING || SeeNotLosing(to, from, piece, EMPTY, EMPTY))
        score = HistoryScore[HistoryIndex(move, EvasionHistoryHalf, us)];
    else
        score = LosingQuietEvasionBase - OrderValue[piece];

    // The quiet move that last refuted a check by a move to the same square
    // against the king on the same square.
    if (GamePly >= 1) {
        const Square checkTo = MoveTo(GameHistory[GamePly - 1].Move);
        if (move == EvasionKillers[((checkTo * 64) + board.KingSquare[us]) * 2 + us])
            score += EvasionKillerBonus;
    }
    return score;
}
