// Exact answers outside the search: the legal moves of the position, the
// legality of one move, and the perft count that checks the generators and
// make/unmake together. All three generate captures, quiet promotions and
// quiet moves, then make each move, ask whether the mover's king is
// attacked, and take it back.
#pragma once

#include "board/types.h"

// Leaf counter of PerftCount; the caller zeroes it before a count.
extern u64 PerftNodes;

// Depths the perft command accepts.
constexpr i32 PerftMinDepth = 1;
constexpr i32 PerftMaxDepth = 20;

// The search-ply record that receives the in-check flag of a legal-move list.
constexpr i32 LegalListPly = 160;
// Where IsLegalMove builds its list on MoveStack; it must be used only while
// MoveStackTop is at most this (no search running).
constexpr i32 LegalTestListIndex = 5000;

// Leaves exactly the legal moves of the side to move in
// MoveStack[listIndex .. MoveStackTop - 1], in generation order. Only the
// move words are meaningful. Castling is left out while in check.
void GenerateLegalMoves(i32 listIndex);

// 1 when the move word equals a legal move of the side to move (captured,
// piece and promotion fields as the generators write them) and is not a
// king capture, else 0. MoveStackTop is unchanged.
i32 IsLegalMove(Move move);

// Adds to PerftNodes the number of legal move sequences of length depth from
// the current position; a depth below 1 counts nothing. MoveStackTop is
// restored on return.
void PerftCount(i32 depth);
