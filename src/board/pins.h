// Pin and discovered-check tests: does a square stand alone between a king
// and an enemy slider that moves along their common line? Asked through two
// tables of functions indexed by direction step, one per king colour.
#pragma once

#include "board/attack_queries.h"
#include "board/attacks.h"
#include "board/board.h"
#include "board/types.h"

// Each answers 1 when, along its line through sq, the named king and a
// slider of the other colour that moves along that line are each the first
// man met from sq, one on either side. What stands on sq is not looked at.
i32 PinRankToBlackKing(Square sq);
i32 PinRankToWhiteKing(Square sq);
i32 PinFileToBlackKing(Square sq);
i32 PinFileToWhiteKing(Square sq);
i32 PinDiagonalToBlackKing(Square sq);  // a1-h8 line, steps +-9
i32 PinDiagonalToWhiteKing(Square sq);
i32 PinAntiDiagonalToBlackKing(Square sq);  // h1-a8 line, steps +-7
i32 PinAntiDiagonalToWhiteKing(Square sq);

// The pin tests indexed by direction step + 9 (the same test serves d and
// -d). Entries 0 and +-2..+-6 stay empty: callers index with a nonzero
// value of DirectionBetween only.
using PinTestFunction = i32 (*)(Square sq);
extern PinTestFunction PinTestBlackKing[DirectionTableSize];
extern PinTestFunction PinTestWhiteKing[DirectionTableSize];

// Fills PinTestBlackKing and PinTestWhiteKing; called once at start-up.
void InitPinTestTables();

// The pin-test table of the given side's king.
inline PinTestFunction const* PinTestTableOfKing(Side kingSide) {
    return kingSide == WHITE ? PinTestWhiteKing : PinTestBlackKing;
}

// 1 when the man on sq (of the side to move) is pinned to its own king.
inline i32 IsPiecePinned(Square sq) {
    const i32 d = DirectionBetween[sq][board.KingSquare[board.SideToMove]];
    if (d == 0) return 0;
    return PinTestTableOfKing(board.SideToMove)[d + DirectionTableOffset](sq);
}

// 1 when the man leaving the from square of a not-yet-made move uncovers a
// slider's line onto the king of kingSide: the from square is on a line with
// that king, the man leaves the line, and the pin test of that line holds.
inline i32 MoveUncoversLineToKing(Move move, Side kingSide) {
    const Square from = MoveFrom(move), to = MoveTo(move);
    const Square king = board.KingSquare[kingSide];
    const i32 d = DirectionBetween[from][king];
    if (d == 0) return 0;
    // Moving toward or away from the king along the same line keeps it shut.
    const i32 e = DirectionBetween[to][from];
    if (e == d || e == -d) return 0;
    // Without an enemy slider of the line's kind on any such line through
    // the king there is nothing to uncover.
    const bool straight = d == 1 || d == -1 || d == 8 || d == -8;
    const u64 sliders = board.Bitboards[0][ChangeSide(kingSide)] &
                        (straight ? board.StraightSliders & RookRays[king]
                                  : board.DiagonalSliders & BishopRays[king]);
    if (sliders == 0) return 0;
    return PinTestTableOfKing(kingSide)[d + DirectionTableOffset](from);
}

// 1 when the move uncovers an attack on the mover's own king.
inline i32 MoveExposesOwnKing(Move move) { return MoveUncoversLineToKing(move, board.SideToMove); }

// 1 when the move uncovers a check on the enemy king by one of the mover's sliders.
inline i32 MoveGivesDiscoveredCheck(Move move) {
    return MoveUncoversLineToKing(move, ChangeSide(board.SideToMove));
}
