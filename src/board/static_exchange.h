// Static exchange test: does a move of the side to move lose material once
// every man bearing on its target square has had its say?
#pragma once

#include "board/types.h"

// Exchange units by piece type. The king's 200 exceeds any sum of the others,
// which marks a king capture inside the exchange.
constexpr i32 SeeUnits[8] = {0, 200, 3, 1, 0, 5, 3, 9};

// The exchange played out on the target square, for a move that the quick
// answers of SeeNotLosing leave open. Same arguments and result.
i32 PlayOutExchange(Square to, Square from, PieceType piece, PieceType captured,
                    PieceType promotion);

// 1 when the move from `from` to `to` (the fields of a move word of the side
// to move, before it is made) does not lose material, else 0. Every
// promotion other than to a queen is refused. The two quick answers are
// inline: most calls end there, without the cost of a call.
inline i32 SeeNotLosing(Square to, Square from, PieceType piece, PieceType captured,
                        PieceType promotion) {
    if (promotion != EMPTY && promotion != QUEEN) return 0;
    // Taking a man worth at least the capturer never loses.
    if (SeeUnits[captured] >= SeeUnits[piece]) return 1;
    return PlayOutExchange(to, from, piece, captured, promotion);
}
