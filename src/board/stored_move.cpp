// Stored-move validation. A killer was generated for the same piece type on
// the same from-square and for the same side, so its geometry holds; what
// may have changed is who stands where.
#include "board/stored_move.h"

#include <cassert>

#include "board/attack_queries.h"
#include "board/attacks.h"
#include "board/board.h"
#include "board/make_move.h"

namespace {

// The castling conditions: the right, an empty path between king and rook,
// and no attack on the square the king crosses or lands on (nearer square
// first). The king's own square needs no test: killers are only tried when
// the side to move is not in check.
bool CastlingFits(Side side, Square home, Square to) {
    const Side enemy = ChangeSide(side);
    const u64 occupied = board.Bitboards[0][WHITE] | board.Bitboards[0][BLACK];
    if (to == home + 2) {
        const i32 right = side == WHITE ? 1 : 4;
        return (board.CastlingFlags & right) &&
               !(occupied & (SquareBit(home + 1) | SquareBit(home + 2))) &&
               !IsSquareAttacked(enemy, home + 1) && !IsSquareAttacked(enemy, home + 2);
    }
    const i32 right = side == WHITE ? 2 : 8;
    return (board.CastlingFlags & right) &&
           !(occupied & (SquareBit(home - 1) | SquareBit(home - 2) | SquareBit(home - 3))) &&
           !IsSquareAttacked(enemy, home - 1) && !IsSquareAttacked(enemy, home - 2);
}

// An en-passant capture fits only right after the enemy pawn's double step
// that arrived beside the from-square, with the to-square the square that
// pawn passed over. Otherwise making it would take away a pawn that is not
// there.
bool EnPassantFits(Side side, Square from, Square to) {
    if (GamePly == 0) return false;
    const Move last = GameHistory[GamePly - 1].Move;
    const i32 advance = side == WHITE ? MoveFrom(last) - MoveTo(last)
                                      : MoveTo(last) - MoveFrom(last);
    if (MovePiece(last) != PAWN || advance != 16) return false;
    const Square arrival = MoveTo(last);
    const Square passed = side == WHITE ? arrival + 8 : arrival - 8;
    return to == passed && (from == arrival - 1 || from == arrival + 1) &&
           RankOf(from) == RankOf(arrival);
}

}  // namespace

void AddMoveIfPseudoLegal(Move move) {
    const Side side = board.SideToMove;
    assert(!IsSquareAttacked(ChangeSide(side), board.KingSquare[side]));

    const Square from = MoveFrom(move), to = MoveTo(move);
    const PieceType piece = MovePiece(move), captured = MoveCaptured(move);
    const Square home = side == WHITE ? E1 : E8;

    if (piece == KING && from == home && (to == home + 2 || to == home - 2)) {
        if (!CastlingFits(side, home, to)) return;
    } else {
        const u64 occupied = board.Bitboards[0][WHITE] | board.Bitboards[0][BLACK];
        // The stored man on its square, the stored occupant on the target,
        // and nothing on the path: for a move along a line the path runs
        // from the square after from up to and including to, so a capture
        // along a line never fits; a knight's path is empty.
        if (board.Squares[from] != piece || board.Squares[to] != captured) return;
        if (!(board.Bitboards[0][side] >> from & 1) || (board.Bitboards[0][side] >> to & 1)) return;
        if (BetweenSquares[to][from] & occupied) return;
        if (piece == PAWN && captured == EMPTY && FileOf(from) != FileOf(to) &&
            !EnPassantFits(side, from, to))
            return;
    }

    MoveStack[MoveStackTop].move = move;
    MoveStackTop += 1;
}
