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
#include "board/pins.h"
#include "board/static_exchange.h"
#include "search/history.h"

namespace {

// The rank on which a pawn of each side promotes.
constexpr u64 LastRank[2] = {0xFF00000000000000ull, 0x00000000000000FFull};
// The rank a pawn of each side reaches with a double step.
constexpr u64 DoubleStepRank[2] = {0x00000000FF000000ull, 0x000000FF00000000ull};
// Promotion pieces of a blocking or capturing pawn, in the order appended.
constexpr PieceType PromotionOrder[4] = {QUEEN, ROOK, BISHOP, KNIGHT};

inline void Append(i32& top, Move move) {
    MoveStack[top].move = move;
    MoveStack[top].score = ScoreEvasionMove(move);
    top += 1;
}

// Every move of one kind of piece onto the check's block squares; pinned men
// are skipped whole, since no move of theirs can answer the check.
template <typename AttackSet>
inline void AppendPieceEvasions(i32& top, u64 men, PieceType piece, u64 blockSquares,
                                AttackSet attacksOf) {
    while (men) {
        const Square from = PopLowest(men);
        if (IsPiecePinned(from)) continue;
        u64 hits = attacksOf(from) & blockSquares;
        while (hits) {
            const Square to = PopLowest(hits);
            Append(top, MakeMoveWord(from, to, piece, board.Squares[to]));
        }
    }
}

// A pawn move onto `to`: four promotions on the last rank, else one move.
inline void AppendPawnEvasion(i32& top, Square from, Square to, PieceType captured) {
    if ((LastRank[board.SideToMove] >> to) & 1) {
        for (PieceType promotion : PromotionOrder)
            Append(top, MakeMoveWord(from, to, PAWN, captured, promotion));
    } else {
        Append(top, MakeMoveWord(from, to, PAWN, captured));
    }
}

}  // namespace

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
    const Side us = board.SideToMove, them = ChangeSide(us);
    const Square king = board.KingSquare[us];
    assert(IsSquareAttacked(them, king) && "evasions asked for a side that is not in check");
    const CheckSituation check = ExamineCheck();
    i32 top = MoveStackTop;

    // King steps to squares that are safe and not on a checking line.
    u64 steps = KingAttacks[king] & ~board.Bitboards[0][us] & ~check.shadowed;
    while (steps) {
        const Square to = PopLowest(steps);
        if (!IsSquareAttacked(them, to)) Append(top, MakeMoveWord(king, to, KING, board.Squares[to]));
    }

    // Against a double check only the king can move.
    if (check.blockSquares == 0) {
        MoveStackTop = top;
        return;
    }
    const Square checker = LowestSquare(check.checkers);
    const u64 blockSquares = check.blockSquares;

    AppendPieceEvasions(top, board.Bitboards[KNIGHT][us], KNIGHT, blockSquares,
                        [](Square sq) { return KnightAttacks[sq]; });
    AppendPieceEvasions(top, board.Bitboards[BISHOP][us], BISHOP, blockSquares, BishopAttacksFrom);
    AppendPieceEvasions(top, board.Bitboards[ROOK][us], ROOK, blockSquares, RookAttacksFrom);
    AppendPieceEvasions(top, board.Bitboards[QUEEN][us], QUEEN, blockSquares, QueenAttacksFrom);

    // Pawn interpositions on the empty squares of the checking line: double
    // steps first, then single steps.
    const u64 occupied = board.Bitboards[0][WHITE] | board.Bitboards[0][BLACK];
    const u64 pawns = board.Bitboards[PAWN][us];
    const i32 forward = us == WHITE ? 8 : -8;
    const u64 interpositions = blockSquares & ~occupied;
    for (u64 targets = interpositions & DoubleStepRank[us]; targets;) {
        const Square to = PopLowest(targets);
        const Square from = to - 2 * forward;
        if (((pawns >> from) & 1) && !((occupied >> (to - forward)) & 1) && !IsPiecePinned(from))
            Append(top, MakeMoveWord(from, to, PAWN));
    }
    for (u64 targets = interpositions; targets;) {
        const Square to = PopLowest(targets);
        const Square from = to - forward;
        if (from >= 0 && from < 64 && ((pawns >> from) & 1) && !IsPiecePinned(from))
            AppendPawnEvasion(top, from, to, EMPTY);
    }

    // En passant against a pawn that has just given check by its double step.
    const Square behind = checker + forward;
    if (FileOf(checker) != 0 && IsEnPassantEscape(checker - 1, checker))
        Append(top, MakeMoveWord(checker - 1, behind, PAWN));
    if (FileOf(checker) != 7 && IsEnPassantEscape(checker + 1, checker))
        Append(top, MakeMoveWord(checker + 1, behind, PAWN));

    // Pawn captures of the checker.
    for (u64 capturers = PawnAttacks[them][checker] & pawns; capturers;) {
        const Square from = PopLowest(capturers);
        if (!IsPiecePinned(from)) AppendPawnEvasion(top, from, checker, board.Squares[checker]);
    }

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
