// The check on the side to move: who gives it, where it can be blocked, and
// whether an en-passant capture escapes it.
#pragma once

#include "board/types.h"

// What the side to move's king is in check from.
struct CheckSituation {
    u64 checkers;     // every enemy man attacking the king
    u64 blockSquares; // single check: the checker and the squares between it and the king
    u64 shadowed;     // king steps straight away from a checking slider, still on its line
};

// Reads the check on the side to move's king. The squares a king step
// would reach along a checking slider's line are shadowed: the attack test
// cannot see them while the king itself still blocks that line.
CheckSituation ExamineCheck();

// 1 when the side to move may capture en passant onto the square behind the
// checker on `checker` with its pawn on `capturer`: the checker is a pawn
// that has just made its double step, the capturer is an unpinned pawn of
// ours beside it, and the king is safe once both pawns have left the rank
// (made, tested, taken back: removing the captured pawn can open a line).
i32 IsEnPassantEscape(Square capturer, Square checker);
