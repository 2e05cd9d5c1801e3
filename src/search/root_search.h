// The root driver: the one entry into the tree search for the game driver
// and the analysis loop. It prepares a search generation, plays a book move
// when the book offers one, and otherwise deepens iteratively over the root
// move list with aspiration windows, keeping the best move at the front of
// the list and reporting progress through the output printers. With more
// than one principal variation asked for it hands over to the MultiPV
// driver (multipv.h).
#pragma once

#include "board/types.h"
#include "search/root_common.h"

// Play moves from the opening book when one is loaded (the OwnBook option).
extern i32 UseOwnBook;

// The clock value of UCI "go infinite": no book move is played then.
constexpr i32 InfiniteClockCs = 999999999;

// Searches the global position. depthLimit is the iteration bound (the
// deepest iteration is depthLimit - 1, never past 98); TimedSearchDepth
// (999) marks a timed search, which also stops before iteration DepthLimit.
// allowBook 0 keeps the book out (analysis). Returns 1 when the game is
// over at the root (mate or stalemate, or outside UCI a draw by rule, as
// the root move list announced it), else 0; the chosen move is then
// MoveStack[0].move with its score in RootScore[0].
i32 SearchRoot(i32 depthLimit, u32 allowBook);

// Moves root entry RootBestIndex (a move that just beat the best) to the
// front, shifting the entries before it up by one, with its score, node
// count and check flag; then reports the new best as a lower bound.
void PromoteRootMoveToFront();

// Orders root entries 1..n-1 by the nodes spent on them, most first (an
// exchange sort: each position takes every later entry with strictly more
// nodes). Entry 0, the best move, stays.
void SortRootMovesByNodes();

