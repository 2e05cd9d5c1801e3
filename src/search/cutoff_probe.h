// Child cutoff probe: before a null-window node deep in the tree spends any
// search on its moves, each move is made in turn to see whether its child
// already proves a cutoff without a search: a draw by rule worth enough, a
// mate in one, or a transposition entry whose bound refutes the child.
#pragma once

#include "board/types.h"

// 1 when a move of the side to move proves a score >= beta: *outMove is
// that move and ProbedBoundScore (trans_table.h) the proven score; 0
// otherwise. Not in check the moves come in stages: the hash move (when it
// passes IsHashMoveUsable), captures, quiet promotions, then the quiet
// moves when depth > 360 or eval + 50 > beta; in check only the evasions.
// Reads PlyStack[SearchPly].InCheck; a cutoff updates history and killers
// (or the evasion killer in check). MoveStackTop and the board are always
// restored. zero is passed on to ComputeExtensions as its isPv argument.
i32 ProbeChildCutoffs(i32 beta, i32 eval, i32 fullExtensions, i32 mateThreat, i32 depth,
                      u32* outMove, Move hashMove, Move singleReply, i32 historyHalf, i32 zero,
                      const u64 alertMaps[2], i32 alphaMinusEval);
