// The game driver: what the engine does when it is its turn. It sets the
// search limits, runs the root search, reports the result, updates book
// learning, makes the move, prints it in the protocol in force and decides
// whether to resign. The same routine answers UCI "go", the xboard move and
// "go" commands and the console's self-play.
#pragma once

#include "board/types.h"

// Thinks about the position on the board and plays the move found; with
// pondering on, then guesses the opponent's reply ("Hint: ...") and searches
// on it until the opponent moves. A UCI "go infinite" or "go ponder" holds
// its bestmove until "stop" or "ponderhit" comes. A finished game is announced by the root move
// list and no move is made; a position with a side that has not exactly one
// king, or whose side not to move is in check, is refused with one line
// ("Illegal position"; in UCI "bestmove 0000").
void ThinkAndMove();

// Test hook: when set, called after each search of ThinkAndMove before its
// result is reported and played, so that a test can give the root score.
extern void (*RootScoreHook)();

// xboard's analysis: searches the position without limit, again and again,
// playing the moves typed in between; "new" and "undo" change the position
// and go on, "exit" (or the end of input) returns.
void AnalyzeLoop();

// Enters the engine's last search in the resign history, after its move
// was made: the root score (kept from the previous entry when the root had
// one legal move, which gets only a short search), the book flag and the
// key of the position after the move.
void PushScoreHistory();

// 1 when the last ResignTimes searches of this game, each two plies apart
// and matching the game record, all scored below -ResignValue.
i32 ShouldResign();
