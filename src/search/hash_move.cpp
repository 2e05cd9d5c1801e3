#include "search/hash_move.h"

#include "board/attack_queries.h"
#include "board/attacks.h"
#include "board/board.h"
#include "board/make_move.h"
#include "board/move_gen_evasions.h"
#include "board/pins.h"

namespace {

constexpr u64 LastRank[2] = {0xFF00000000000000ull, 0x00000000000000FFull};
constexpr u64 StartRank[2] = {0x000000000000FF00ull, 0x00FF000000000000ull};

// The move lands on an empty square when it captures nothing, else on a
// man of the opponent of exactly the recorded type; never on the king.
inline bool TargetFits(Side us, Square to, PieceType captured) {
    return captured != KING && board.Squares[to] == captured &&
           !((board.Bitboards[0][us] >> to) & 1);
}

// The castling conditions: the right (which also vouches for king and rook
// at home), an empty path, and no attack on the king's square, the square
// it crosses and the square it lands on.
bool CastlingFits(Side us, Square home, Square to) {
    const Side them = ChangeSide(us);
    const u64 occupied = board.Bitboards[0][WHITE] | board.Bitboards[0][BLACK];
    if (IsSquareAttacked(them, home)) return false;
    if (to == home + 2) {
        const i32 right = us == WHITE ? 1 : 4;
        return (board.CastlingFlags & right) &&
               !(occupied & (SquareBit(home + 1) | SquareBit(home + 2))) &&
               !IsSquareAttacked(them, home + 1) && !IsSquareAttacked(them, home + 2);
    }
    const i32 right = us == WHITE ? 2 : 8;
    return (board.CastlingFlags & right) &&
           !(occupied & (SquareBit(home - 1) | SquareBit(home - 2) | SquareBit(home - 3))) &&
           !IsSquareAttacked(them, home - 1) && !IsSquareAttacked(them, home - 2);
}

// En passant exists only right after the enemy pawn's double step onto the
// square beside `from`, capturing onto the square it passed over.
bool EnPassantFits(Side us, Square from, Square to) {
    if (GamePly == 0) return false;
    const Move last = GameHistory[GamePly - 1].Move;
    const i32 advance = us == WHITE ? MoveFrom(last) - MoveTo(last) : MoveTo(last) - MoveFrom(last);
    if (MovePiece(last) != PAWN || advance != 16) return false;
    const Square arrival = MoveTo(last);
    const Square passed = us == WHITE ? arrival + 8 : arrival - 8;
    return to == passed && RankOf(from) == RankOf(arrival) &&
           (from == arrival - 1 || from == arrival + 1);
}

// Does a slider from `sliders` stand first along the ray from the king?
// Rays that step to higher squares meet their nearest man at the lowest bit.
inline bool SliderFirstOnRay(const u64* ray, Square king, u64 occupied, u64 sliders, bool upward) {
    const u64 blockers = ray[king] & occupied;
    if (!blockers) return false;
    const Square first = upward ? LowestSquare(blockers) : HighestSquare(blockers);
    return (sliders >> first) & 1;
}

// After an en-passant capture two men leave their squares at once (our
// pawn and the captured one) and one arrives, so no pin test answers for
// the king; look along every line with the new occupancy instead. This
// also settles a check: the capture answers it only by removing the
// checking pawn.
bool EnPassantKeepsKingSafe(Side us, Square from, Square to) {
    const Side them = ChangeSide(us);
    const Square king = board.KingSquare[us];
    const Square capturedSquare = us == WHITE ? to - 8 : to + 8;
    const u64 occupied = ((board.Bitboards[0][WHITE] | board.Bitboards[0][BLACK]) &
                          ~SquareBit(from) & ~SquareBit(capturedSquare)) |
                         SquareBit(to);
    const u64 enemy = board.Bitboards[0][them] & ~SquareBit(capturedSquare);

    if (PawnAttacks[us][king] & board.Bitboards[PAWN][them] & enemy) return false;
    if (KnightAttacks[king] & board.Bitboards[KNIGHT][them]) return false;
    if (KingAttacks[king] & board.Bitboards[KING][them]) return false;
    const u64 straight = enemy & board.StraightSliders;
    const u64 diagonal = enemy & board.DiagonalSliders;
    return !(SliderFirstOnRay(RayEast, king, occupied, straight, true) ||
             SliderFirstOnRay(RayNorth, king, occupied, straight, true) ||
             SliderFirstOnRay(RayWest, king, occupied, straight, false) ||
             SliderFirstOnRay(RaySouth, king, occupied, straight, false) ||
             SliderFirstOnRay(RayNorthEast, king, occupied, diagonal, true) ||
             SliderFirstOnRay(RayNorthWest, king, occupied, diagonal, true) ||
             SliderFirstOnRay(RaySouthEast, king, occupied, diagonal, false) ||
             SliderFirstOnRay(RaySouthWest, king, occupied, diagonal, false));
}

inline bool IsPromotionPiece(PieceType type) {
    return type == KNIGHT || type == BISHOP || type == ROOK || type == QUEEN;
}

}  // namespace

i32 IsHashMoveUsable(Move m) {
    // Only the 21 bits of a move word may be set.
    if (m == NoMove || m >> 21) return 0;
    const Side us = board.SideToMove, them = ChangeSide(us);
    const Square from = MoveFrom(m), to = MoveTo(m);
    const PieceType piece = MovePiece(m), captured = MoveCaptured(m), promotion = MovePromotion(m);

    // Our man of the recorded type stands on the from-square.
    if (piece == EMPTY || board.Squares[from] != piece || !((board.Bitboards[0][us] >> from) & 1))
        return 0;
    const Square king = board.KingSquare[us];
    const bool inCheck = IsSquareAttacked(them, king) != 0;

    if (piece == KING) {
        if (promotion != EMPTY) return 0;
        const Square home = us == WHITE ? E1 : E8;
        if (from == home && (to == home + 2 || to == home - 2))
            return captured == EMPTY && CastlingFits(us, home, to);
        if (!((KingAttacks[from] >> to) & 1) || !TargetFits(us, to, captured)) return 0;
        // A king step away from a checking slider stays on its line, where
        // the king itself hides the attack from the square test.
        if (inCheck && (ExamineCheck().shadowed >> to & 1)) return 0;
        return !IsSquareAttacked(them, to);
    }

    if (piece == PAWN) {
        // A pawn promotes exactly when it reaches the last rank.
        if ((LastRank[us] >> to) & 1) {
            if (!IsPromotionPiece(promotion)) return 0;
        } else if (promotion != EMPTY) {
            return 0;
        }
        const i32 forward = us == WHITE ? 8 : -8;
        if ((PawnAttacks[us][from] >> to) & 1) {
            if (captured == EMPTY) {
                // En passant: the landing square is empty after a double step.
                if (board.Squares[to] != EMPTY || !EnPassantFits(us, from, to)) return 0;
                return EnPassantKeepsKingSafe(us, from, to);
            }
            if (!TargetFits(us, to, captured)) return 0;
        } else {
            if (captured != EMPTY || board.Squares[to] != EMPTY) return 0;
            const bool single = to == from + forward;
            const bool twoSteps = to == from + 2 * forward && ((StartRank[us] >> from) & 1) &&
                                  board.Squares[from + forward] == EMPTY;
            if (!single && !twoSteps) return 0;
        }
    } else {
        // Knights and sliders: the target among the squares the man attacks
        // from where it stands, which for a slider means a clear path.
        if (promotion != EMPTY || !TargetFits(us, to, captured)) return 0;
        if (!((AttacksFromSquare(from, us, piece) >> to) & 1)) return 0;
    }

    // A pinned man may only move along its pin line; in check the move must
    // take the single checker or step onto its line.
    if (MoveExposesOwnKing(m)) return 0;
    if (inCheck && !((ExamineCheck().blockSquares >> to) & 1)) return 0;
    return 1;
}
