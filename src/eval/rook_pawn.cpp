// Pawn races against a lone rook and the boxed-in king on the edge.
#include "eval/rook_pawn.h"

#include "board/attack_queries.h"
#include "board/attacks.h"
#include "board/board.h"
#include "board/make_move.h"
#include "eval/bitbases.h"
#include "eval/eval_info.h"

namespace {

// The rook-against-pawn bitbase sees the pawn as White's; a Black pawn's
// position is turned round (every square s becomes 63 - s) before the probe.
u32 ProbeFor(Side pawnSide, Square rook, Square rookKing, Square pawn, Square pawnKing) {
    if (pawnSide == WHITE) return ProbeRookPawnBitbase(rook, rookKing, pawn, pawnKing);
    return ProbeRookPawnBitbase(63 - rook, 63 - rookKing, 63 - pawn, 63 - pawnKing);
}

// Rank of a square counted from the pawn side's own first rank.
i32 RelativeRank(Side side, Square sq) { return side == WHITE ? RankOf(sq) : 7 - RankOf(sq); }

i32 IsEmpty(Square sq) { return board.Squares[sq] == EMPTY; }

// One pawn of pawnSide against the lone rook on rook. The pawn side holds
// when, with the rook side to move, the bitbase says so; with the pawn side
// to move it looks for a pawn move or a king move that reaches such a
// position.
i32 PawnRaceCheck(Side pawnSide, Square pawn, Square rook) {
    const Side rookSide = ChangeSide(pawnSide);
    const Square pawnKing = board.KingSquare[pawnSide];
    const Square rookKing = board.KingSquare[rookSide];
    const i32 forward = pawnSide == WHITE ? 8 : -8;
    const i32 rank = RelativeRank(pawnSide, pawn);
    // Set-up keeps pawns off the first and last ranks; never step off the board.
    if (rank < 1 || rank > 6) return RaceNothingFound;

    // Rook side to move: a pawn still on its first three ranks is caught;
    // a higher one is the bitbase's question as it stands.
    if (board.SideToMove == rookSide) {
        if (rank <= 2) return RaceRookStops;
        return i32(ProbeFor(pawnSide, rook, rookKing, pawn, pawnKing));
    }

    // The rook falls: the pawn side's king takes it when the other king does
    // not guard it, or the pawn takes it.
    const u64 rookBit = SquareBit(rook);
    if ((KingAttacks[pawnKing] & rookBit) && !(KingAttacks[rookKing] & rookBit))
        return RacePawnHolds;
    if (PawnAttacks[pawnSide][pawn] & rookBit) return RacePawnHolds;

    const u64 rookRank = RankAttacksFrom(rook);
    const u64 rookFile = FileAttacksFrom(rook);
    const u64 kingBit = SquareBit(pawnKing);
    // Rook, pawn and king on one rank with nothing between: the pawn may not
    // leave the rank.
    const bool pinned = (rookRank & SquareBit(pawn)) && (RankAttacksFrom(pawn) & kingBit);
    const Square ahead = pawn + forward;

    if (rank == 2) {
        if (!IsEmpty(ahead) || pinned) return RaceRookStops;
        return ProbeFor(pawnSide, rook, rookKing, ahead, pawnKing) ? RacePawnHolds : RaceRookStops;
    }
    if (rank == 1) {
        const Square twoAhead = ahead + forward;
        if (!IsEmpty(ahead) || !IsEmpty(twoAhead) || pinned) return RaceRookStops;
        if (ProbeFor(pawnSide, rook, rookKing, twoAhead, pawnKing)) return RacePawnHolds;
        // A single step leaves the pawn on its third rank with the rook to
        // move, which the bitbase does not cover and which counts as caught.
        return RaceRookStops;
    }

    if (rank == 6) {
        // Checked along the last rank: the pawn promotes on the square
        // between rook and king, blocking the check; it holds when its own
        // king guards the new queen and the enemy king does not reach it.
        const u64 aheadBit = SquareBit(ahead);
        if (!(rookFile & kingBit) && IsEmpty(ahead) && (rookRank & kingBit) &&
            (rookRank & aheadBit) && RelativeRank(pawnSide, pawnKing) == 7 &&
            (RankAttacksFrom(pawnKing) & aheadBit) && (KingAttacks[pawnKing] & aheadBit) &&
            !(KingAttacks[rookKing] & aheadBit))
            return RacePawnHolds;
    } else {
        // Ranks 4 to 6: push the pawn when that is legal (not pinned, no check
        // along the file, and a check along the rank blocked by the push).
        const bool checkedOnRank = rookRank & kingBit;
        const bool pushBlocksCheck = BetweenSquares[rook][pawnKing] & SquareBit(ahead);
        if (IsEmpty(ahead) && !pinned && !(rookFile & kingBit) &&
            (!checkedOnRank || pushBlocksCheck) &&
            ProbeFor(pawnSide, rook, rookKing, ahead, pawnKing))
            return RacePawnHolds;
    }

    // King moves: off the rook's lines, away from the other king, not onto
    // the pawn side's own men.
    u64 kingMoves = KingAttacks[pawnKing] & ~rookFile & ~rookRank & ~KingAttacks[rookKing] &
                    ~board.Bitboards[0][pawnSide];
    while (kingMoves) {
        const Square to = PopLowest(kingMoves);
        if (ProbeFor(pawnSide, rook, rookKing, pawn, to)) return RacePawnHolds;
    }
    return RaceNothingFound;
}

// The boxed side's king, to move, with only king moves available: no safe
// square means mate when in check, stalemate otherwise.
i32 BoxedKingResult(Side side) {
    const Side enemy = ChangeSide(side);
    const Square king = board.KingSquare[side];
    u64 flights = KingAttacks[king] & ~KingAttacks[board.KingSquare[enemy]] &
                  ~board.Bitboards[0][side];
    while (flights) {
        if (!IsSquareAttacked(enemy, PopLowest(flights))) return EdgeNothingFound;
    }
    if (!IsSquareAttacked(enemy, king)) return EdgeStalemate;
    return side == WHITE ? EdgeWhiteMated : EdgeBlackMated;
}

// The enemy king stands two squares in from the side's king on the edge.
bool KingFacedOnEdge(Side side) {
    return EdgeTwoStepSquares[board.KingSquare[side]] &
           SquareBit(board.KingSquare[ChangeSide(side)]);
}

}  // namespace

i32 WhitePawnRaceCheck(Square pawn, Square rook) { return PawnRaceCheck(WHITE, pawn, rook); }

i32 BlackPawnRaceCheck(Square pawn, Square rook) { return PawnRaceCheck(BLACK, pawn, rook); }

i32 PawnEndgameDrawCheck(i32 which) {
    if (which == WhiteImmobile) {
        if (KingFacedOnEdge(WHITE)) {
            eval_info.symmetric = 0;
            if (board.SideToMove == WHITE) return BoxedKingResult(WHITE);
        }
        if (HasMobileMaterial(BLACK)) return EdgeNothingFound;
    }
    if (!KingFacedOnEdge(BLACK)) return EdgeNothingFound;
    eval_info.symmetric = 0;
    if (board.SideToMove == WHITE) return EdgeNothingFound;
    return BoxedKingResult(BLACK);
}

i32 HasMobileMaterial(Side side) {
    if (board.Material[side] == 0) return 0;
    if (board.NonPawnUnits[side] != 0) return 1;

    const u64 pawns = board.Bitboards[PAWN][side];
    const u64 occupied = board.Bitboards[0][WHITE] | board.Bitboards[0][BLACK];
    const Side enemy = ChangeSide(side);
    // Enemy men a pawn could take (never the king).
    const u64 prey = board.Bitboards[0][enemy] & ~board.Bitboards[KING][enemy];
    const u64 notFileA = ~FileMask[0], notFileH = ~FileMask[7];
    u64 pushes, captures;
    if (side == WHITE) {
        pushes = (pawns << 8) & ~occupied;
        captures = (((pawns & notFileA) << 7) | ((pawns & notFileH) << 9)) & prey;
    } else {
        pushes = (pawns >> 8) & ~occupied;
        captures = (((pawns & notFileA) >> 9) | ((pawns & notFileH) >> 7)) & prey;
    }
    if (pushes | captures) return 1;

    // En passant, on move right after an enemy pawn's double step beside one
    // of ours.
    if (board.SideToMove != side || GamePly <= 0) return 0;
    const Move last = GameHistory[GamePly - 1].Move;
    const i32 advance =
        side == WHITE ? MoveFrom(last) - MoveTo(last) : MoveTo(last) - MoveFrom(last);
    if (MovePiece(last) != PAWN || advance != 16) return 0;
    const Square arrival = MoveTo(last);
    if (board.Squares[arrival] != PAWN || !(board.Bitboards[PAWN][enemy] & SquareBit(arrival)))
        return 0;
    u64 beside = 0;
    if (FileOf(arrival) != 0) beside |= SquareBit(arrival - 1);
    if (FileOf(arrival) != 7) beside |= SquareBit(arrival + 1);
    return (beside & pawns) ? 1 : 0;
}
