// Quiescence search: the tactical tail of the tree below the nominal depth
// (captures, safe queen promotions, every check evasion and, near the
// horizon, quiet checks), plus the node work it shares with the main
// search: the static score with its lazy material cut, and the guard that
// keeps a node inside the engine's fixed stacks.
#pragma once

#include "board/board.h"
#include "board/make_move.h"
#include "board/types.h"
#include "search/history.h"
#include "search/lazy_eval.h"
#include "search/search_limits.h"

// Quiet-check margins: by depth class (depth / 60 + 2, at most 3) and by
// the number of the side's pieces bearing on the enemy king zone (at most 4).
constexpr i32 QsCheckDepthMargin[4] = {50, 150, 250, 700};
constexpr i32 QsCheckAttackerMargin[5] = {-10, -10, 10, 50, 250};

// Quiet checks are tried only down to this depth: two plies into the
// quiescence search, further after check evasions.
constexpr i32 QsLowestCheckDepth = -120;
// Past the quiescence ply cap the depth drops to this: no quiet checks.
constexpr i32 QsNoCheckDepth = -240;
// The ply cap: min(2 x iteration + QsPlyCapBase, QsPlyCapMax).
constexpr i32 QsPlyCapBase = 36;
constexpr i32 QsPlyCapMax = 90;

// Scores the current position for the side to move. depth is 0 at the
// first quiescence ply and falls by 60 per capture or check (30 for the
// table move); nodeKind 0 marks a principal-variation node, any other value
// a null-window node, its sign alternating per ply. Reads
// PlyStack[SearchPly].InCheck, which the caller sets. Returns 0, to be
// ignored, once board.SearchAbort is set.
i32 QuiescenceSearch(i32 alpha, i32 beta, i32 depth, i32 nodeKind);

// The static score of the current position for the side to move, as both
// searches take it: the material balance alone when it lies outside the
// lazy window (a pawn about to promote narrows the gap), else the full
// evaluation through the evaluation cache; then scaled down as the
// fifty-move counter runs (eval_info.scale too). eval_info keeps whatever
// the last full evaluation or cache hit left in it.
i32 NodeStaticScore();

// The capture pruning of null-window nodes that look hopeless: 1 when
// even the capture's estimated gain leaves the side far below alpha (the
// margins grow with the gain; against few enemy pieces only a clearly lost
// position prunes, against many a low enemy optimism is enough). The move
// must be a capture or queen promotion of the side to move, giving no check.
i32 IsHopelessCapture(Move m, i32 alpha, i32 eval, i32 oppOptimism);

// Moves the best-scored entry of MoveStack[at .. end-1] to position at (the
// first of equal scores wins) and returns its move.
Move PickBestMove(i32 at, i32 end);

// The lazy window seen from the given side to move: the root driver sets
// it from the engine's point of view.
inline void LazyWindowFor(Side side, i32* low, i32* high) {
    if (side == EngineSide) {
        *low = LazyEvalLow;
        *high = LazyEvalHigh;
    } else {
        *low = -LazyEvalHigh;
        *high = -LazyEvalLow;
    }
}

// The MoveStack index from which the game driver keeps the opponent's
// legal replies while the engine ponders; the search stays below it.
constexpr i32 PonderReplyStart = 14384;
// Room one node may need on MoveStack for the moves it lists at once.
constexpr i32 NodeMoveRoom = 512;

// True when a node here could run past the end of PlyStack (a node writes
// the record of the next ply), of the search's part of MoveStack or of
// GameHistory: the node then returns its static score and generates
// nothing. Normal play never comes near any of them.
inline bool NodeNearStackEnds() {
    return SearchPly >= PlyStackSize - 2 || MoveStackTop > PonderReplyStart - NodeMoveRoom ||
           GamePly >= GameHistorySize - 2;
}

// Neither captures nor promotes, and is no en passant.
constexpr bool IsQuietMove(Move m) { return !IsCaptureOrPromotion(m) && !IsEnPassantMove(m); }
