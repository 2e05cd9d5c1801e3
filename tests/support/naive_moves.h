// Test support: a slow, obviously-correct move generator that walks the
// board square by square. It checks the engine's own tables and incremental
// code against first principles.
#pragma once

#include <vector>

#include "board/types.h"

// Is the square attacked by a man of `attacker` on the current board?
bool NaiveAttacked(Square target, Side attacker);
// Every legal move of the side to move (castling and en passant included).
std::vector<Move> NaiveLegalMoves();
// Leaf count of the legal move tree; runs `check` after every make when given.
u64 NaivePerft(i32 depth, void (*check)() = nullptr);
