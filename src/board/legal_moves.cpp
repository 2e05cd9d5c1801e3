// Legal-move list, legality test and perft, all by make, attack test and
// take-back over the pseudo-legal generators' output on MoveStack.
#include "board/legal_moves.h"

#include <cassert>

#include "board/attack_queries.h"
#include "board/board.h"
#include "board/make_move.h"
#include "board/move_gen_captures.h"
#include "board/move_gen_promotions.h"
#include "board/move_gen_quiet.h"
#include "board/move_ordering.h"
#include "board/search_state.h"

u64 PerftNodes;

namespace {

// Castling is the only king move of two files.
inline bool IsCastling(Move move) {
    const i32 distance = MoveFrom(move) - MoveTo(move);
    return MovePiece(move) == KING && (distance == 2 || distance == -2);
}

// Captures (en passant and capture-promotions included), quiet promotions,
// then quiet moves, appended at MoveStackTop.
inline void GenerateAllMoves() {
    GenerateCaptures(board.Bitboards[0][ChangeSide(board.SideToMove)]);
    GenerateAllQuietPromotions();
    GenerateQuietMoves(1);
}

}  // namespace

void GenerateLegalMoves(i32 listIndex) {
    // The generators run as if at a search ply well beyond any real line,
    // so the list disturbs no record of a search.
    const i32 savedPly = SearchPly;
    SearchPly = LegalListPly;
    MoveStackTop = listIndex;
    const Side side = board.SideToMove;
    const u32 inCheck = IsSquareAttacked(ChangeSide(side), board.KingSquare[side]) ? 1 : 0;
    PlyStack[LegalListPly].InCheck = inCheck;

    GenerateAllMoves();
    const i32 end = MoveStackTop;

    // Kept moves are written over the list in their generation order.
    i32 kept = listIndex;
    for (i32 i = listIndex; i < end; i++) {
        const Move move = MoveStack[i].move;
        // A king in check may not castle out of it, whatever the generator offers.
        if (inCheck && IsCastling(move)) continue;
        MakeMove(move, 1);
        const bool legal = !IsSquareAttacked(board.SideToMove, board.KingSquare[side]);
        UnmakeMove();
        if (legal) MoveStack[kept++].move = move;
    }
    MoveStackTop = kept;
    SearchPly = savedPly;
}

i32 IsLegalMove(Move move) {
    assert(MoveStackTop <= LegalTestListIndex);
    const i32 savedTop = MoveStackTop;
    GenerateLegalMoves(LegalTestListIndex);
    i32 found = 0;
    if (MoveCaptured(move) != KING) {
        for (i32 i = LegalTestListIndex; i < MoveStackTop; i++)
            if (MoveStack[i].move == move) {
                found = 1;
                break;
            }
    }
    MoveStackTop = savedTop;
    return found;
}

void PerftCount(i32 depth) {
    if (depth < PerftMinDepth) return;
    const i32 savedTop = MoveStackTop;
    const Side side = board.SideToMove;

    GenerateCaptures(board.Bitboards[0][ChangeSide(side)]);
    GenerateAllQuietPromotions();
    // A king capture on offer means the last move left its own king
    // attacked: the position is not reachable, so nothing below it counts.
    for (i32 i = savedTop; i < MoveStackTop; i++)
        if (MoveCaptured(MoveStack[i].move) == KING) {
            MoveStackTop = savedTop;
            return;
        }
    GenerateQuietMoves(1);
    const i32 end = MoveStackTop;

    // Whether the side to move is in check decides only castling, so it is
    // asked only when a castling move comes up: -1 = not asked yet.
    i32 inCheck = -1;
    for (i32 i = savedTop; i < end; i++) {
        const Move move = MoveStack[i].move;
        if (IsCastling(move)) {
            if (inCheck < 0) inCheck = IsSquareAttacked(ChangeSide(side), board.KingSquare[side]);
            if (inCheck) continue;
        }
        MakeMove(move, 1);
        if (depth == 1) {
            if (!IsSquareAttacked(board.SideToMove, board.KingSquare[side])) PerftNodes += 1;
        } else {
            PerftCount(depth - 1);
        }
        UnmakeMove();
    }
    MoveStackTop = savedTop;
}
