// Test support: a slow, obviously-correct move generator that walks the
// board square by square. It checks the engine's own tables and incremental
// code against first principles.
#pragma once

#include <string>
#include <vector>

#include "board/types.h"

// Is the square attacked by a man of `attacker` on the current board?
bool NaiveAttacked(Square target, Side attacker);
// Every legal move of the side to move (castling and en passant included).
std::vector<Move> NaiveLegalMoves();
// Leaf count of the legal move tree; runs `check` after every make when given.
u64 NaivePerft(i32 depth, void (*check)() = nullptr);

// The first move of a line in coordinate text that is not among the legal
// moves of the position reached from fen by the moves before it; "" when
// every move is legal, "(position refused)" when fen is. Builds the engine's
// tables when needed and leaves the global board at the position reached.
std::string FirstIllegalMove(const std::string& fen, const std::vector<std::string>& moves);
