// Safe captures for the quiescence search. Every move is put to the exchange
// test before it is stored; since only accepted moves are stored, their
// ordering score follows from the move alone. The captures are walked in
// the full capture generator's order.
#include "board/move_gen_quiescence.h"

#include "board/board.h"
#include "board/move_gen_captures.h"
#include "board/move_walks.h"
#include "board/static_exchange.h"

void GenerateQuiescenceCaptures(u64 targets) {
    i32 top = MoveStackTop;
    // Stores the move when the exchange test accepts it, with the score
    // ScoreCapture gives an accepted move.
    VisitCaptures(targets, [&top](Square from, Square to, PieceType piece, PieceType captured,
                                  PieceType promotion) {
        if (!SeeNotLosing(to, from, piece, captured, promotion)) return;
        MoveStack[top].move = MakeMoveWord(from, to, piece, captured, promotion);
        MoveStack[top].score = SafeCaptureOrderScore(piece, captured, promotion);
        top += 1;
    });
    MoveStackTop = top;
}
