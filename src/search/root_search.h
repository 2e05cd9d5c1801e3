// The root driver: the one entry into the tree search for the game driver
// and the analysis loop. It prepares a search generation, plays a book move
// when the book offers one, and otherwise deepens iteratively over the root
// move list with aspiration windows, keeping the best move at the front of
// the list and reporting progress through the output printers. With more
// than one principal variation asked for it hands over to the MultiPV
// driver (multipv.h).
#pragma once

#include "board/types.h"

// Play moves from the opening book when one is loaded (the OwnBook option).
extern i32 UseOwnBook;
// 1 when the last SearchRoot played a book move instead of searching.
extern u32 BookMovePlayed;
// The best move of the last UCI search, kept for "ponderhit"; the root
// driver clears it at the start of every search.
extern Move LastBestMove;

// The clock value of UCI "go infinite": no book move is played then.
constexpr i32 InfiniteClockCs = 999999999;
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

// Searches the global position. depthLimit is the iteration bound (the
// deepest iteration is depthLimit - 1, never past 98); TimedSearchDepth
// (999) marks a timed search, which also stops before iteration DepthLimit.
// allowBook 0 keeps the book out (analysis). Returns 1 when the game is
// over at the root (mate or stalemate, announced by the root move list),
// else 0; the chosen move is then MoveStack[0].move with its score in
// RootScore[0].
i32 SearchRoot(i32 depthLimit, u32 allowBook);

// Search() of the current position with the window clamped: to the one
// score of a mate in MateLimit moves when a mate search runs, else to
// +-32701. An empty clamped window returns its alpha without searching.
// depth in 1/60 ply; a null window searches as a null-window node.
i32 SearchWithMateBounds(i32 alpha, i32 beta, i32 depth);

// Moves root entry RootBestIndex (a move that just beat the best) to the
// front, shifting the entries before it up by one, with its score, node
// count and check flag; then reports the new best as a lower bound.
void PromoteRootMoveToFront();

// Orders root entries 1..n-1 by the nodes spent on them, most first (an
// exchange sort: each position takes every later entry with strictly more
// nodes). Entry 0, the best move, stays.
void SortRootMovesByNodes();

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

// Searches one root move (already made on the board) at child depth
// `depth` with the window (alpha, beta) of the root's view.
inline i32 SearchRootChild(i32 alpha, i32 beta, i32 depth) {
    return -SearchWithMateBounds(-beta, -alpha, depth);
}

// Exchanges two root entries with everything that runs parallel to them.
void SwapRootEntries(i32 a, i32 b);

// While a ponder search (xboard pondering or UCI "go ponder") has finished
// before the ponder phase ended, waits for the input that ends it: a ponder
// hit, "stop" or the opponent's move. Nothing happens otherwise.
void PonderWait();
