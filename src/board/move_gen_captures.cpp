// Captures of the side to move with their ordering scores. Pure bitboard
// work: one bit scan per man and per target, attack sets from the tables;
// the walk over the captures is shared with the quiescence generator.
#include "board/move_gen_captures.h"

#include "board/board.h"
#include "board/move_ordering.h"
#include "board/move_walks.h"
#include "board/static_exchange.h"

namespace {

inline i32 CaptureScore(Move move) {
    const PieceType piece = MovePiece(move), captured = MoveCaptured(move);
    const PieceType promotion = MovePromotion(move);
    if (captured == EMPTY && promotion == EMPTY) return EnPassantOrderScore;

    if (SeeNotLosing(MoveTo(move), MoveFrom(move), piece, captured, promotion))
        return SafeCaptureOrderScore(piece, captured, promotion);

    // A losing-looking capture is ranked by how often it has paid off in
    // this search; an under-promotion never earns that credit.
    const i32 slot = TouchCaptureStatSlot(move, board.SideToMove);
    i32 ratio = CaptureTries[slot] > 8 ? (CaptureSuccess[slot] * 256) / CaptureTries[slot] : 0;
    if (promotion != EMPTY && promotion != QUEEN) ratio = 0;
    // Every try succeeded gives 256, one past the table.
    const i32 bonusIndex = ratio / 16;
    const i32 bonus = bonusIndex < 16 ? CaptureRatioBonus[bonusIndex] : CaptureRatioFullBonus;
    return 10 * OrderValue[captured] - OrderValue[piece] + bonus;
}

}  // namespace

i32 ScoreCapture(Move move) { return CaptureScore(move); }

void GenerateCaptures(u64 targets) {
    MoveStackEntry* entry = MoveStack + MoveStackTop;
    VisitCaptures(targets, [&entry](Square from, Square to, PieceType piece, PieceType captured,
                                    PieceType promotion) {
        const Move move = MakeMoveWord(from, to, piece, captured, promotion);
        entry->move = move;
        entry->score = CaptureScore(move);
        entry += 1;
    });
    MoveStackTop = i32(entry - MoveStack);
}
