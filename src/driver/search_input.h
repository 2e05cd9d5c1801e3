// Input that arrives while the engine searches, and the flags with which it
// steers the running search and tells the game driver what to do next. The
// engine has one thread: the search itself polls for input every so many
// nodes and calls PollInputDuringSearch when a line is waiting.
#pragma once

#include "board/types.h"
#include "search/quiescence.h"  // PonderReplyStart
#include "search/search_control.h"

// What the search itself reads (PonderingNow, PonderSearch, SilentSearch,
// PendingMove, PonderInterrupted) lives with it in search/search_control.h.
extern i32 NewGameRequested;  // set up a new game once the search has returned
extern i32 UndoRequested;     // "undo" during analysis, acted on by the analysis loop
extern i32 ExitRequested;     // acted on by the analysis loop

// The reply the engine expects and has made on its board while it ponders.
extern Move ExpectedReply;
// The opponent's legal replies (or, in analysis, the legal moves of the
// position) stand in MoveStack from PonderReplyStart up to PonderReplyEnd,
// so that a move typed during the search can be given its full move word.
extern i32 PonderReplyEnd;

// 1 while the analysis loop runs its searches: there the end of input means
// "exit" rather than "stop".
extern i32 AnalysisRunning;
// 1 while a UCI "go infinite" or "go ponder" has not yet been ended by
// "stop" or "ponderhit": its result is held back until one of them comes,
// even when the search ran out by itself.
extern i32 AwaitingStop;
// 1 when "stop" (or the end of input) ended a "go ponder" without a ponder
// hit: the move is then played without learning from it.
extern i32 PonderStopped;
// 1 when "force" or "result" came during the engine's search outside UCI:
// the interface no longer wants a move (in force mode it would be illegal
// for it), so the search ends without one.
extern i32 MoveWithdrawn;

// The stored reply with the from square, to square and promotion of
// PendingMove (its full move word), or 0 when there is none or no replies
// are stored.
Move FindPonderReply();

// True when nothing but input can end a search run to depthLimit with the
// limits now set: pondering, an infinite or held UCI search, analysis, or an
// untimed search with no node limit and a depth limit of 99 or more.
bool SearchEndsOnlyByInput(i32 depthLimit);

// At the end of standard input, a search that only input could end is ended
// as "stop" would end it ("exit" in analysis); a search with a limit of its
// own is left to finish. Safe to call before a search starts.
void StopSearchIfInputEnded(i32 depthLimit);

// Handles every whole line waiting on standard input without blocking:
// "isready" and "." are answered and the search goes on; "stop", "?", a move,
// "new", "force" and the other game words end it and leave their flags for
// the game driver or the analysis loop; a line beginning with 'q' ends the
// program. Any other line is held for the command loop (HoldInputLine), to
// run once the search is over; outside UCI it ends the search.
void PollInputDuringSearch();

// The waits that hold a finished search (pondering, a held UCI search):
// blocks until input comes, then handles it as PollInputDuringSearch does.
// At the end of input it returns at once, after ending the search as above.
void WaitForInputDuringSearch();

// xboard's progress report "stat01: time nodes depth movesleft moves move":
// the search's time and nodes, the depth being searched, the root moves
// left and in all, and the root move being searched (the best move once the
// search is over).
void PrintSearchStatus();
