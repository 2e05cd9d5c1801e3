// The order in which the generators meet moves, written once for the
// routines that share it: the full and the quiescence capture generators
// walk the same captures, the evasion generator and the mate test the same
// ways out of a check. A walk hands each move to a visitor, which stores it,
// tests it or stops the walk. Everything is inline, so each caller compiles
// to a loop of its own with the visitor in place: no calls through pointers,
// no allocation.
#pragma once

#include "board/attack_queries.h"
#include "board/attacks.h"
#include "board/board.h"
#include "board/check_situation.h"
#include "board/make_move.h"
#include "board/pins.h"
#include "board/types.h"

// Every move of the men of one piece type onto targets: men from the lowest
// square up, each man's targets from the lowest up. usable(from) is asked
// only of a man that reaches a target; a man it refuses is skipped whole.
// visit(from, to) returns true to stop the walk, and then so does this.
template <typename AttackSet, typename Usable, typename Visit>
inline bool VisitPieceMoves(u64 men, u64 targets, AttackSet attacksOf, Usable usable,
                            Visit visit) {
    while (men) {
        const Square from = PopLowest(men);
        u64 hits = attacksOf(from) & targets;
        if (!hits || !usable(from)) continue;
        do {
            if (visit(from, PopLowest(hits))) return true;
        } while (hits);
    }
    return false;
}

// Captures of one pawn onto targets; from the seventh rank each capture is
// four promotions, Q, N, R, B.
template <typename Visit>
inline void VisitPawnCaptures(Side side, Square from, u64 targets, Visit& visit) {
    // The rank from which a pawn of each side promotes with its next step.
    constexpr u64 SeventhRank[2] = {0x00FF000000000000ull, 0x000000000000FF00ull};
    u64 hits = PawnAttacks[side][from] & targets;
    const bool promotes = (SeventhRank[side] >> from) & 1;
    while (hits) {
        const Square to = PopLowest(hits);
        const PieceType captured = board.Squares[to];
        if (promotes) {
            for (PieceType promotion : {QUEEN, KNIGHT, ROOK, BISHOP})
                visit(from, to, PAWN, captured, promotion);
        } else {
            visit(from, to, PAWN, captured, EMPTY);
        }
    }
}

// Every capture of the side to move onto targets, the capture-promotions
// and the en-passant captures, as visit(from, to, piece, captured,
// promotion); en passant captures EMPTY. Order: pawn captures (white pawns
// from a1 up, black from h8 down), en passant (left pawn first), knights,
// bishops, rooks, queens, king.
template <typename Visit>
inline void VisitCaptures(u64 targets, Visit visit) {
    constexpr u64 FileA = 0x0101010101010101ull;
    constexpr u64 FileH = FileA << 7;
    const Side side = board.SideToMove;

    // Pawn captures: only the pawns that attack a target are visited.
    const u64 pawns = board.Bitboards[PAWN][side];
    if (side == WHITE) {
        u64 attackers = pawns & (((targets & ~FileA) >> 9) | ((targets & ~FileH) >> 7));
        while (attackers) VisitPawnCaptures(side, PopLowest(attackers), targets, visit);
    } else {
        u64 attackers = pawns & (((targets & ~FileH) << 9) | ((targets & ~FileA) << 7));
        while (attackers) {
            const Square from = HighestSquare(attackers);
            attackers ^= SquareBit(from);
            VisitPawnCaptures(side, from, targets, visit);
        }
    }

    // En passant, right after an enemy pawn's double step: the pawn on the
    // left of the arrival square first, then the one on the right.
    if (GamePly > 0) {
        const Move last = GameHistory[GamePly - 1].Move;
        const i32 advance = side == WHITE ? MoveFrom(last) - MoveTo(last)
                                          : MoveTo(last) - MoveFrom(last);
        if (MovePiece(last) == PAWN && advance == 16) {
            const Square arrival = MoveTo(last);
            const Square passed = side == WHITE ? arrival + 8 : arrival - 8;
            if (FileOf(arrival) != 0 && (pawns >> (arrival - 1) & 1))
                visit(arrival - 1, passed, PAWN, EMPTY, EMPTY);
            if (FileOf(arrival) != 7 && (pawns >> (arrival + 1) & 1))
                visit(arrival + 1, passed, PAWN, EMPTY, EMPTY);
        }
    }

    // Pieces: every man may capture.
    const auto anyMan = [](Square) { return true; };
    const auto pieceCaptures = [&](PieceType piece) {
        return [&visit, piece](Square from, Square to) {
            visit(from, to, piece, board.Squares[to], EMPTY);
            return false;
        };
    };
    VisitPieceMoves(board.Bitboards[KNIGHT][side], targets,
                    [](Square sq) { return KnightAttacks[sq]; }, anyMan, pieceCaptures(KNIGHT));
    VisitPieceMoves(board.Bitboards[BISHOP][side], targets, BishopAttacksFrom, anyMan,
                    pieceCaptures(BISHOP));
    VisitPieceMoves(board.Bitboards[ROOK][side], targets, RookAttacksFrom, anyMan,
                    pieceCaptures(ROOK));
    VisitPieceMoves(board.Bitboards[QUEEN][side], targets, QueenAttacksFrom, anyMan,
                    pieceCaptures(QUEEN));
    const Square king = board.KingSquare[side];
    u64 kingHits = KingAttacks[king] & targets;
    while (kingHits) {
        const Square to = PopLowest(kingHits);
        visit(king, to, KING, board.Squares[to], EMPTY);
    }
}

// A pawn evasion onto `to`: four promotions on the last rank (Q, R, B, N),
// else one move. True when the visitor stops the walk.
template <typename Visit>
inline bool VisitPawnEvasion(Square from, Square to, PieceType captured, Visit& visit) {
    // The rank on which a pawn of each side promotes.
    constexpr u64 LastRank[2] = {0xFF00000000000000ull, 0x00000000000000FFull};
    if ((LastRank[board.SideToMove] >> to) & 1) {
        for (PieceType promotion : {QUEEN, ROOK, BISHOP, KNIGHT})
            if (visit(from, to, PAWN, captured, promotion)) return true;
        return false;
    }
    return visit(from, to, PAWN, captured, EMPTY);
}

// Every legal answer to the check described by `check` on the side to
// move's king, as visit(from, to, piece, captured, promotion), which
// returns true to stop the walk; then this returns true. Order: king steps
// to safe squares off every checking line, then (single check only)
// knight, bishop, rook and queen moves of unpinned men onto the checking
// line, pawn double steps, single steps, en passant (the pawn left of the
// checker first) and pawn captures of the checker.
template <typename Visit>
inline bool VisitEvasions(const CheckSituation& check, Visit visit) {
    const Side us = board.SideToMove, them = ChangeSide(us);
    const Square king = board.KingSquare[us];

    // King steps to squares that are safe and not on a checking line.
    u64 steps = KingAttacks[king] & ~board.Bitboards[0][us] & ~check.shadowed;
    while (steps) {
        const Square to = PopLowest(steps);
        if (!IsSquareAttacked(them, to) && visit(king, to, KING, board.Squares[to], EMPTY))
            return true;
    }

    // Against a double check only the king can move.
    if (check.blockSquares == 0) return false;
    const Square checker = LowestSquare(check.checkers);
    const u64 blockSquares = check.blockSquares;

    // Pieces that take the checker or step into its line; a pinned man
    // cannot answer the check with any move.
    const auto unpinned = [](Square from) { return !IsPiecePinned(from); };
    const auto pieceEvasions = [&](PieceType piece) {
        return [&visit, piece](Square from, Square to) {
            return visit(from, to, piece, board.Squares[to], EMPTY);
        };
    };
    if (VisitPieceMoves(board.Bitboards[KNIGHT][us], blockSquares,
                        [](Square sq) { return KnightAttacks[sq]; }, unpinned,
                        pieceEvasions(KNIGHT)) ||
        VisitPieceMoves(board.Bitboards[BISHOP][us], blockSquares, BishopAttacksFrom, unpinned,
                        pieceEvasions(BISHOP)) ||
        VisitPieceMoves(board.Bitboards[ROOK][us], blockSquares, RookAttacksFrom, unpinned,
                        pieceEvasions(ROOK)) ||
        VisitPieceMoves(board.Bitboards[QUEEN][us], blockSquares, QueenAttacksFrom, unpinned,
                        pieceEvasions(QUEEN)))
        return true;

    // Pawn interpositions on the empty squares of the checking line: double
    // steps (onto the rank a pawn of each side reaches with one) first, then
    // single steps.
    constexpr u64 DoubleStepRank[2] = {0x00000000FF000000ull, 0x000000FF00000000ull};
    const u64 occupied = board.Bitboards[0][WHITE] | board.Bitboards[0][BLACK];
    const u64 pawns = board.Bitboards[PAWN][us];
    const i32 forward = us == WHITE ? 8 : -8;
    const u64 interpositions = blockSquares & ~occupied;
    for (u64 targets = interpositions & DoubleStepRank[us]; targets;) {
        const Square to = PopLowest(targets);
        const Square from = to - 2 * forward;
        if (((pawns >> from) & 1) && !((occupied >> (to - forward)) & 1) &&
            !IsPiecePinned(from) && visit(from, to, PAWN, EMPTY, EMPTY))
            return true;
    }
    for (u64 targets = interpositions; targets;) {
        const Square to = PopLowest(targets);
        const Square from = to - forward;
        if (from >= 0 && from < 64 && ((pawns >> from) & 1) && !IsPiecePinned(from) &&
            VisitPawnEvasion(from, to, EMPTY, visit))
            return true;
    }

    // En passant against a pawn that has just given check by its double step.
    const Square behind = checker + forward;
    if (FileOf(checker) != 0 && IsEnPassantEscape(checker - 1, checker) &&
        visit(checker - 1, behind, PAWN, EMPTY, EMPTY))
        return true;
    if (FileOf(checker) != 7 && IsEnPassantEscape(checker + 1, checker) &&
        visit(checker + 1, behind, PAWN, EMPTY, EMPTY))
        return true;

    // Pawn captures of the checker.
    for (u64 capturers = PawnAttacks[them][checker] & pawns; capturers;) {
        const Square from = PopLowest(capturers);
        if (!IsPiecePinned(from) && VisitPawnEvasion(from, checker, board.Squares[checker], visit))
            return true;
    }
    return false;
}
