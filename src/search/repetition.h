// Draws by rule: the fifty-move rule and repetitions, read from the game
// record. The search's test takes one earlier occurrence of the position as
// a draw; the game-level test wants the third occurrence with the same
// castling rights throughout.
#pragma once

#include "board/board.h"
#include "board/types.h"
#include "search/search_limits.h"

// A move after which no earlier position can come back: the null move, a
// capture, a promotion or a pawn move. Castling counts as reversible here.
constexpr bool IsIrreversible(Move m) {
    return m == NoMove || IsCaptureOrPromotion(m) || MovePiece(m) == PAWN;
}

// The half-move count at which the fifty-move rule draws.
constexpr i32 FiftyMoveLimit = 100;

// 1 when the current position occurred before, with the same side to move,
// inside the reversible tail of the game record; castling rights and en
// passant are not compared. The searches' repetition walk.
i32 RepeatsEarlierPosition();

// 1 when the side to move is in check and has no legal move. The
// fifty-move rule draws only a side that is not: a mate given with the
// hundredth half-move (or later) stands, so callers ask this once the
// counter has run out.
i32 SideToMoveIsMated();

// 1 when the fifty-move counter has run out and the side to move is not
// mated, or RepeatsEarlierPosition().
i32 IsDrawByRuleInSearch();

// 1 when the current position is the third occurrence of itself, with the
// same castling rights all through the walked tail.
i32 IsRepetition();

// What a draw by rule is worth to the side to move.
inline i32 DrawValue() { return DrawValueFor(board.SideToMove); }
