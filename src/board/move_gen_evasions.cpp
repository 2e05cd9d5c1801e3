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
#include "board/move_ordering.h"
#include "board/move_walks.h"
#include "board/pins.h"
#include "board/static_exchange.h"

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
