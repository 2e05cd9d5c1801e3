// Mate test: looks for one way out of the check and stops at the first,
// walking the evasions in the evasion generator's order. One attack query
// for the checkers, one attack test per king step and one pin test per
// candidate man; only an en-passant escape is made and taken back, since
// removing the captured pawn can open a line to the king.
#include "board/checkmate.h"

#include <cassert>

#include "board/attack_queries.h"
#include "board/board.h"
#include "board/move_gen_evasions.h"
#include "board/move_walks.h"

i32 IsCheckmated() {
    assert(IsSquareAttacked(ChangeSide(board.SideToMove), board.KingSquare[board.SideToMove]) &&
           "mate test of a side that is not in check");
    // The first evasion found saves the king.
    const bool escapes = VisitEvasions(
        ExamineCheck(), [](Square, Square, PieceType, PieceType, PieceType) { return true; });
    return escapes ? 0 : 1;
}
