// Static exchange test: does a move of the side to move lose material once
// every man bearing on its target square has had its say?
#pragma once

#include "board/types.h"

// Exchange units by piece type. The king's 200 exceeds any sum of the others,
// which marks a king capture inside the exchange.
constexpr i32 SeeUnits[8] = {0, 200, 3, 1, 0, 5, 3, 9};

// 1 when the move from `from` to `to` (the fields of a move word of the side
// to move, before it is made) does not lose material, else 0. Every
// promotion other than to a queen is refused.
i32 SeeNotLosing(Square to, Square from, PieceType piece, PieceType captured, PieceType promotion);
