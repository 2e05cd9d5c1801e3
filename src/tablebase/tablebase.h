// The endgame tablebase probe the search calls: the value of the position
// on the board from the table for its material.
//
// Stored values: a one-byte table holds 127 - n for a win in n moves, n - 126
// for a loss in n moves (0 for mated now), 0 for a draw and 127 for no value;
// -128 and -127 stand for a win and a loss in 127 and 126 moves. A two-byte
// table holds the raw value itself.
#pragma once

#include "board/types.h"

// sideJustMoved = the side not to move. 1 with *score set to the exact value
// of the position for the side to move (0 draw, 32446..32698 win,
// -32700..-32446 loss for one-byte tables) when a table answers; 0 when none
// does.
i32 ProbeTablebase(i32 sideJustMoved, i32* score);

// ProbeTableValue's answer when there is no value.
constexpr i32 NoTableValue = 32767;

// The raw value of an index of a table side (0 white, 1 black to move): 0 a
// draw, 32641..32766 (one-byte wins), -32641..-32766 (losses), NoTableValue.
i32 ProbeTableValue(i32 tableId, i32 side, u64 index);

// The score of a raw value for the side to move: 2v - 32834 for a win,
// 2v + 32832 for a loss, 0 for a draw.
i32 TablebaseScore(i32 rawValue);
