// The root move list: the legal moves of the position being searched, at
// the bottom of MoveStack (entries 0 .. MoveStackTop - 1), with arrays that
// run parallel to it by index. RootScore, the fourth of them, lives with
// the search limits. The root drivers keep all of them in step whenever
// they reorder the list.
#pragma once

#include "board/types.h"
#include "search/search_limits.h"

// Nodes spent on each root move: the sort key of the root ordering.
extern u64 RootNodes[MaxRootMoves];
// 1 when the root move gives check.
extern i32 RootFlags[MaxRootMoves];

// Index of the root move being searched or best so far.
extern i32 RootBestIndex;
// Moves in the root list, copied for the input handling during a search.
extern i32 RootMoveCount;
// Game ply of the search root: the board stands at the root while GamePly
// equals it.
extern i32 RootGamePly;
// The only legal root move that recaptures on the square of the opponent's
// last capture, else 0; the search spends less time on such a move.
extern Move EasyMove;

// The searchmoves restriction of UCI "go": the root list keeps only these
// moves while the count is above 0 (unless none of them is legal).
extern Move SearchMoves[MaxRootMoves];
extern i32 SearchMovesCount;

// Start value of the node count of root move i: a first sort by nodes keeps
// the generation order.
constexpr u64 RootNodesStart = 512;

// Announces a game ended by rule (outside UCI mode), then builds the root
// list: legal moves in the picker's order at ply 0, the transposition
// table's move first, RootScore[0] from the table or the last search, and
// EasyMove. Prints one thinking line when the table had a move. Returns 1
// when the game is over: the side to move has no legal move (mate or
// stalemate announced), or, outside UCI mode, a draw by rule was announced
// (the list is built all the same); else 0.
i32 PrepareRootMoves();

// The console's "moves" command: every root move with its ordering score.
void ListRootMoves();
