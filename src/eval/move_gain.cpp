// The move gain estimate.
#include "eval/move_gain.h"

#include <cassert>

#include "board/attacks.h"
#include "board/board.h"
#include "board/pst.h"
#include "eval/eval_params.h"
#include "eval/material_table.h"

namespace {

// Non-pawn units a capture takes off the board, by the move's captured
// field. The king's large value keeps a king capture out of the ending test.
constexpr i32 CapturedUnits[8] = {0, 200, 3, 0, 0, 5, 3, 9};

// A passed pawn moving up, by its rank seen from its own side.
constexpr i32 PassedPushBonus[8] = {0, 2, 2, 10, 50, 200, 400, 0};

// Bonus for a move that ends on a new or moved queen.
constexpr i32 QueenMoveBonus = 160;
constexpr i32 QueenTakesPawnBonus = 100;
// Captures that bring the ending nearer.
constexpr i32 EndingNearBonus = 25;
constexpr i32 LastQueenBonus = 25;
constexpr i32 EndingNearUnits = 6;

}  // namespace

i32 EstimateMoveGain(Move move) {
    const Side us = board.SideToMove, them = ChangeSide(us);
    const Square from = MoveFrom(move), to = MoveTo(move);
    const PieceType piece = MovePiece(move), promotion = MovePromotion(move);
    PieceType captured = MoveCaptured(move);

    // En passant: a pawn changing file onto an empty square takes a pawn.
    if (piece == PAWN && FileOf(from) != FileOf(to) && captured == EMPTY && promotion == EMPTY)
        captured = PAWN;

    i64 gain = PieceValue[captured];

    // The material table's view of the capture, imbalances included.
    const i32 index = board.MaterialIndex;
    if (HasMaterialEntry(index)) {
        const i32 indexAfter = index - MaterialDigit[captured][them];
        assert(HasMaterialEntry(indexAfter));
        if (HasMaterialEntry(indexAfter)) {
            const i64 before = MaterialTable[index].score, after = MaterialTable[indexAfter].score;
            gain += us == WHITE ? before - after : after - before;
        }
    } else if (captured != EMPTY && captured != PAWN) {
        gain += i64(PieceUpBonus) + 120;
    }

    // Taking pieces off brings the enemy to ending material.
    if (board.NonPawnUnits[them] - CapturedUnits[MoveCaptured(move)] < EndingNearUnits)
        gain += EndingNearBonus;
    if (captured == QUEEN && board.PieceCount[QUEEN][them] == 1) gain += LastQueenBonus;

    // Promotions, passed pawns moving up, and passed pawns taken.
    const u64 whitePawns = board.Bitboards[PAWN][WHITE], blackPawns = board.Bitboards[PAWN][BLACK];
    if (promotion != EMPTY) {
        gain += PieceValue[QUEEN];
    } else if (us == WHITE) {
        if (piece == PAWN && !(SpanAbove[to] & blackPawns)) gain += PassedPushBonus[RankOf(to)];
        if (captured == PAWN && !(SpanBelow[to] & whitePawns))
            gain += PassedPushBonus[7 - RankOf(to)];
    } else {
        if (piece == PAWN && !(SpanBelow[to] & whitePawns)) gain += PassedPushBonus[7 - RankOf(to)];
        if (captured == PAWN && !(SpanAbove[to] & blackPawns)) gain += PassedPushBonus[RankOf(to)];
    }

    LoadMaterialTableEntry();

    // Piece-square change blended by the phase; every lookup in the mover's
    // own tables, the captured piece included.
    const PieceType mover = promotion != EMPTY ? promotion : piece;
    const i32 openingDelta =
        PstOpening[captured][us][to] - PstOpening[mover][us][from] + PstOpening[mover][us][to];
    const i32 endgameDelta =
        PstEndgame[captured][us][to] - PstEndgame[mover][us][from] + PstEndgame[mover][us][to];
    const i64 phase = board.current_phase;
    gain += (openingDelta * (256 - phase) + endgameDelta * phase) >> 8;

    if (mover == QUEEN) gain += captured == PAWN ? QueenTakesPawnBonus : QueenMoveBonus;
    return SaturateToI32(gain);
}
