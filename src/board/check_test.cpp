#include "board/check_test.h"

#include "board/attack_queries.h"
#include "board/attacks.h"
#include "board/board.h"
#include "board/make_move.h"
#include "board/pins.h"

namespace {

// Castling checks by the rook on its new square, or by the rook that sees
// the enemy king through the square the king leaves on their common rank.
i32 CastlingGivesCheck(Square to, u64 enemyKing) {
    const Square rookSquare = FileOf(to) == 2 ? to + 1 : to - 1;
    if (RookAttacksFrom(rookSquare) & enemyKing) return 1;
    const Square whiteKing = board.KingSquare[WHITE], blackKing = board.KingSquare[BLACK];
    if ((whiteKing ^ blackKing) >= 8) return 0;
    const u64 between = BetweenSquares[blackKing][whiteKing] & ~SquareBit(blackKing);
    const u64 occupied = board.Bitboards[0][WHITE] | board.Bitboards[0][BLACK];
    return (between & occupied) == 0;
}

}  // namespace

i32 GivesCheck(Move move) {
    const Side mover = board.SideToMove;
    const Side enemy = ChangeSide(mover);
    const Square from = MoveFrom(move), to = MoveTo(move);
    const PieceType piece = MovePiece(move), promotion = MovePromotion(move);
    const u64 enemyKing = board.Bitboards[KING][enemy];

    if (piece == KING) {
        if (to - from == 2 || from - to == 2) return CastlingGivesCheck(to, enemyKing);
    } else if (promotion != EMPTY) {
        if (AttacksFromSquare(to, mover, promotion) & enemyKing) return 1;
        // The promoted piece may see the king along the line through the
        // square the pawn leaves, which the pawn still blocks on this board.
        const i32 d = DirectionBetween[to][from];
        if (RayAttacksInDirection(from, d) & AttacksFromSquare(from, mover, promotion) & enemyKing)
            return 1;
    } else {
        // A slider checking through its own from square would mean the enemy
        // king already stood in check, so the current occupancy serves. A
        // slider off every line through the king cannot check directly.
        const Square king = board.KingSquare[enemy];
        const bool slider = piece == ROOK || piece == BISHOP || piece == QUEEN;
        const bool onKingLine = ((RookRays[king] | BishopRays[king]) >> to) & 1;
        if ((!slider || onKingLine) && (AttacksFromSquare(to, mover, piece) & enemyKing)) return 1;
        if (piece == PAWN && MoveCaptured(move) == EMPTY && FileOf(from) != FileOf(to)) {
            // En passant takes a second man off the board: play it out.
            MakeMove(move, 1);
            const i32 check = IsSquareAttacked(mover, board.KingSquare[enemy]);
            UnmakeMove();
            return check;
        }
    }
    return MoveGivesDiscoveredCheck(move);
}
