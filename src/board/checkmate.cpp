// Mate test: looks for one way out of the check and stops at the first.
// One attack query for the checkers, one attack test per king step and one
// pin test per candidate man; only an en-passant escape is made and taken
// back, since removing the captured pawn can open a line to the king.
#include "board/checkmate.h"

#include <cassert>

#include "board/attack_queries.h"
#include "board/attacks.h"
#include "board/board.h"
#include "board/move_gen_evasions.h"
#include "board/pins.h"

namespace {

constexpr u64 DoubleStepRank[2] = {0x00000000FF000000ull, 0x000000FF00000000ull};

// 1 when an unpinned man of the set reaches one of the squares.
template <typename AttackSet>
inline bool AnyUnpinnedReaches(u64 men, u64 squares, AttackSet attacksOf) {
    while (men) {
        const Square from = PopLowest(men);
        if ((attacksOf(from) & squares) && !IsPiecePinned(from)) return true;
    }
    return false;
}

}  // namespace

i32 IsCheckmated() {
    const Side us = board.SideToMove, them = ChangeSide(us);
    const Square king = board.KingSquare[us];
    assert(IsSquareAttacked(them, king) && "mate test of a side that is not in check");
    const CheckSituation check = ExamineCheck();

    // A king step to a safe square off every checking line.
    u64 steps = KingAttacks[king] & ~board.Bitboards[0][us] & ~check.shadowed;
    while (steps)
        if (!IsSquareAttacked(them, PopLowest(steps))) return 0;

    // Against a double check nothing else helps.
    if (check.blockSquares == 0) return 1;
    const Square checker = LowestSquare(check.checkers);
    const u64 blockSquares = check.blockSquares;

    // A piece that takes the checker or steps into its line.
    if (AnyUnpinnedReaches(board.Bitboards[KNIGHT][us], blockSquares,
                           [](Square sq) { return KnightAttacks[sq]; }) ||
        AnyUnpinnedReaches(board.Bitboards[BISHOP][us], blockSquares, BishopAttacksFrom) ||
        AnyUnpinnedReaches(board.Bitboards[ROOK][us], blockSquares, RookAttacksFrom) ||
        AnyUnpinnedReaches(board.Bitboards[QUEEN][us], blockSquares, QueenAttacksFrom))
        return 0;

    // A pawn push into the checking line: double steps, then single steps.
    const u64 occupied = board.Bitboards[0][WHITE] | board.Bitboards[0][BLACK];
    const u64 pawns = board.Bitboards[PAWN][us];
    const i32 forward = us == WHITE ? 8 : -8;
    const u64 interpositions = blockSquares & ~occupied;
    for (u64 targets = interpositions & DoubleStepRank[us]; targets;) {
        const Square to = PopLowest(targets);
        const Square from = to - 2 * forward;
        if (((pawns >> from) & 1) && !((occupied >> (to - forward)) & 1) && !IsPiecePinned(from))
            return 0;
    }
    for (u64 targets = interpositions; targets;) {
        const Square from = PopLowest(targets) - forward;
        if (from >= 0 && from < 64 && ((pawns >> from) & 1) && !IsPiecePinned(from)) return 0;
    }

    // En passant against a pawn that has just checked with its double step.
    if (FileOf(checker) != 0 && IsEnPassantEscape(checker - 1, checker)) return 0;
    if (FileOf(checker) != 7 && IsEnPassantEscape(checker + 1, checker)) return 0;

    // A pawn capture of the checker.
    for (u64 capturers = PawnAttacks[them][checker] & pawns; capturers;)
        if (!IsPiecePinned(PopLowest(capturers))) return 0;

    return 1;
}
