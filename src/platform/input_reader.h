// Standard input as lines: waited for by the command loop, taken only when
// already there by the polling inside the search. Lines the polling cannot
// act on are held back and handed out again, in order, before newer input.
#pragma once

#include "platform/int_types.h"

// Lines are never cut: a GUI's "position startpos moves ..." of a long game
// must arrive whole. A line that still does not fit is dropped whole.
constexpr i32 InputLineSize = 65536;

extern char InputLine[InputLineSize];

// 1: a line was copied into `line` (InputLineSize bytes); 0: polling and no
// whole line is there yet; -1: end of input (blocking mode only). `line` is
// emptied first in every case. Held lines come first.
i32 ReadInputLine(i32 blocking, char* line);

// The polling read of the search: as ReadInputLine(0, line), but only lines
// that have arrived on standard input; held lines stay held.
i32 PollInputLine(char* line);

// The store of held lines: whole lines read during a search that the command
// loop is to run once the search is over. It holds at most MaxHeldLines
// lines of at most MaxHeldBytes together, so that input sent faster than a
// search ends cannot take all memory.
constexpr i32 MaxHeldLines = 256;
constexpr i32 MaxHeldBytes = 1 << 20;
// Appends a line to the store; false, and nothing stored, when it is full.
bool HoldInputLine(const char* line);
// Lines held and not yet handed out (a line partly read counts).
i32 HeldLineCount();

// Reads once more from standard input into the pending buffer: 0 at the end
// of input (which then stays the end), else 1.
i32 FillInputBuffer();

// Non-zero when a whole line is pending or standard input has something
// (bytes or the end of input) to read.
i32 InputAvailable();

// The next raw character of input (held lines first, then any pending whole
// lines' text),
// waiting for it when needed; -1 at the end of input. Serves board editing,
// which reads the lines that follow "edit" character by character.
i32 ReadInputChar();

// True once standard input has reached its end and no whole line of it is
// pending; held lines do not count (nothing held can stop a search).
bool InputEnded();

// Forgets everything pending and held (tests drive the reader through a
// pipe).
void ResetInputReader();
