// What the two root drivers share: the single-line one (root_search.h) and
// the MultiPV one (multipv.h) prepare a search generation, bound their
// iterations, search root moves and wait out a finished ponder search alike.
#pragma once

#include "board/types.h"

// The best move of the last UCI search, kept for "ponderhit"; the root
// driver clears it at the start of every search.
extern Move LastBestMove;
// 1 when the last SearchRoot played a book move instead of searching.
extern u32 BookMovePlayed;

// Iterations stop before this one: the deepest searched is one less.
constexpr i32 IterationCap = 99;
// Window limit of the root searches that must see every score: one beyond
// the mate bound.
constexpr i32 FullWindowLimit = MateScore + 1;
// From this iteration on, the first node looks at the clock and the input.
constexpr i32 FirstCheckedIteration = 4;

// Child depth of a root move in 1/60 ply at iteration d: d plies and half a
// ply more, a ply and a half more for a checking move (the root extends
// its checks).
constexpr i32 RootChildDepth(i32 iteration, i32 givesCheck) {
    return OnePly * iteration + (givesCheck ? 90 : 30);
}

// The shared preparation of a search generation for depthLimit: the table
// generation, the engine's side (clearing the evaluation cache when it was
// filled for the other side), the root ply, the counters of the running
// search and an empty move stack.
void StartSearchGeneration(i32 depthLimit);

// A new search keeps a fading memory of the last one's history (every
// entry divided by 256, rounding down); with keep 0 it starts without.
void AgeHistory(bool keep);

// The deepest iteration bound a root driver honours for depthLimit: a timed
// search also stops at the depth limit set by "sd" or UCI "depth".
i32 IterationLimit(i32 depthLimit);

// The first iteration a root driver searches. Iteration d is reported as
// depth d + 1, and a limit of d + 1 stops after it; a limit below 2 (UCI
// "depth 1") still gets one iteration, of a single ply: iteration 0.
constexpr i32 FirstIteration(i32 iterationLimit) { return iterationLimit < 2 ? 0 : 1; }

// A single legal move is played at once, whatever the limits; a short
// search of it only finds the score it is reported with (a tablebase value
// comes through the probe below the root). It stops after the iteration
// that reaches this depth limit or after the one that ends past this many
// milliseconds, whichever comes first.
constexpr i32 ForcedMoveDepthLimit = 5;
constexpr i64 ForcedMoveSearchMs = 20;

// True when root moves == 1 is a forced move rather than the one move a
// "searchmoves" list asked for.
bool IsForcedMove(i32 rootMoves);

// After a forced move's short search (not aborted) while pondering: the
// result is held as a finished search is, until the ponder phase ends.
void HoldForcedMoveWhilePondering();

// Search() of the current position with the window clamped: to the one
// score of a mate in MateLimit moves when a mate search runs, else to
// +-32701. An empty clamped window returns its alpha without searching.
// depth in 1/60 ply; a null window searches as a null-window node.
i32 SearchWithMateBounds(i32 alpha, i32 beta, i32 depth);

// Searches one root move (already made on the board) at child depth
// `depth` with the window (alpha, beta) of the root's view.
inline i32 SearchRootChild(i32 alpha, i32 beta, i32 depth) {
    return -SearchWithMateBounds(-beta, -alpha, depth);
}

// Exchanges two root entries with everything that runs parallel to them.
void SwapRootEntries(i32 a, i32 b);

// While a ponder search (xboard pondering or UCI "go ponder") has finished
// before the ponder phase ended, waits for the input that ends it: a ponder
// hit, "stop" or the opponent's move. Nothing happens otherwise, nor when
// no input hook is installed (nothing could end the wait).
void PonderWait();
