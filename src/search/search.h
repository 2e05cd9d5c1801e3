// The recursive alpha-beta search of every node below the root: node
// bookkeeping, the clock and input poll (node_entry.h), mate-distance
// pruning, rule draws and material shortcuts, the table, tablebase and
// learning probes, the static score, the null move with its threat test and
// stepwise verification, the child cutoff probe and internal iterative
// deepening. The node's moves are played by the move loop (search_node.h,
// search_loop.cpp).
//
// Before the first call the root driver sets: EngineSide, DrawScore and
// the lazy window (SetLazyEvalWindow); IterationDepth and SelDepth;
// SearchPly (1 for the children of the root) with the child's
// PlyStack[].InCheck and the root's PlyStack[0].ExtFlags; NodeCount,
// TimeCheckInterval (never 0) and TimeCheckCountdown; SearchDepthLimit,
// SearchStartTime, the time budget and LaterRootMove for timed searches;
// board.SearchAbort cleared; TransAge advanced; the root move list at the
// bottom of MoveStack with MoveStackTop above it and the best root move in
// MoveStack[0]; RootScore[0].
#pragma once

#include "board/types.h"
#include "search/node_entry.h"

// Depth stored with a tablebase result: deeper than any search.
constexpr i32 TablebaseDepth = 11820;

// depth >= 60 in 1/60 ply (callers send smaller depths to the quiescence
// search). nullAllowed 0 forbids the null move here (children of a null
// move and verification searches). nodeKind 0 marks a principal-variation
// node, 1 or -1 a null-window node. The result is an upper bound when
// <= alpha and a lower bound when >= beta; it is 0, to be ignored, once
// board.SearchAbort is set. PlyStack[SearchPly].BestMove and .Reply are
// left for the caller.
i32 Search(i32 alpha, i32 beta, i32 depth, i32 nullAllowed, i32 nodeKind);

// Searches the position one ply down (SearchPly raised around the call):
// by the quiescence search when depth is below one ply, else by Search with
// the null move allowed.
i32 SearchChild(i32 alpha, i32 beta, i32 depth, i32 nodeKind);
