// The UCI words of the command loop: the identity and option block, the
// options the engine accepts, the position set-up, the search limits of
// "go", the idle ponder hit, the new-game reset and the debug switch. Each
// routine acts on the line now in InputLine, split into TokenBuffers with
// tokenCount tokens (token 0 is the command word).
#pragma once

#include "board/types.h"

// "uci": identity, options with their defaults, "uciok"; switches the output
// to UCI lines and leaves pondering to the interface ("go ponder").
void UciIdentify();

// "ucinewgame": an unfinished game teaches the book as a draw, then the
// move-ordering memory and the learning state of the game start afresh. The
// position is not set up here.
void UciNewGame();

// "setoption name <option> [value <value>]".
void UciSetOption(i32 tokenCount);

// "position startpos|fen <fen> [moves <move> ...]".
void UciPosition(i32 tokenCount);

// Steps of "go" before the search: force mode off, no ponder search, no
// searchmoves, and, when the line has arguments, every limit of an earlier
// "go" forgotten before the line's own limits are read.
void ReadGoLimits(i32 tokenCount);

// "ponderhit" while no search runs. A UCI ponder search always ends with
// its bestmove line ("stop" or "ponderhit" during the search or its hold),
// so an idle ponder hit has nothing to play.
void UciPonderHit();

// "debug on|off".
void UciDebug(i32 tokenCount);

// Moves a searchmoves list keeps at most.
constexpr i32 MaxSearchMoves = 256;
