// The opening book's keys of the position on the board.
#pragma once

#include "board/types.h"

// Two 32-bit keys: every piece on the board XORs in its entry of each
// book-key table; side to move, castling and en passant are not part of them.
void ComputeBookKeys(u32* key1, u32* key2);
