// Progress lines of a search: xboard thinking lines (also the console's)
// and UCI "info" lines, each with its own throttle, and the principal
// variation walked out of the transposition table. Every printer flushes.
#pragma once

#include "board/types.h"
#include "search/search_control.h"  // NpsLineCountdown

// NodeCount at the last single-line UCI information line.
extern u64 LastInfoNodes;
// Second move of the last principal variation walked: the move to ponder on.
extern Move PonderMove;

// Moves a principal variation shows at most.
constexpr i32 MaxPvMoves = 20;

// The score an xboard line shows: mates beyond MateBound move out to
// 32767 - plies (or its negative), so interfaces recognise them.
i32 XboardScore(i32 score);

// The value of the "hashfull" field: per mille of the transposition table
// claimed by this search, 0 with the table off.
i64 HashFullPerMille();

// Nodes per second of the running search, 0 before a centisecond passed.
i64 NodesPerSecond();

// " move" for root move rootIndex and then the table's moves after it, at
// most MaxPvMoves in all; each table move is made only when it is legal, and
// the walk ends at the first position without one. The line starts from the
// search root whatever root move stands on the board when it is called.
// The best line (rootIndex 0) stores PonderMove. The board is left as found.
void PrintPvFromHash(i32 rootIndex);

// "depth score centiseconds nodes pv" for root move 0, whatever the post
// switch says (the game driver's final line uses it too).
void PrintXboardThinkingLine();

// The thinking line when post is on; below 100001 nodes only when forced.
void PrintXboardThinking(i32 force);

// One UCI information line for the best root move. bound: 1 upper, 2 lower,
// 3 exact. withPv 1 adds the principal variation, 0 the move being searched.
// At least 30001 nodes must lie between two unforced lines.
void PrintUciInfo(i32 force, i32 bound, i32 withPv);

// The MultiPV block: one line per reported root move; boundLine carries the
// bound mark. Nothing below 50001 nodes.
void PrintUciMultiPvInfo(i32 boundLine, i32 bound);

// The MultiPV block that ends a search: every reported line, whatever the
// node count, none with a bound mark.
void PrintFinalUciMultiPvInfo();

// The "info nps" line, about every 100000 nodes after the first 200000.
void PrintUciInfoNps();
