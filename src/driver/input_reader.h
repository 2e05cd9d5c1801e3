// Standard input as lines: waited for by the command loop, taken only when
// already there by the polling inside the search.
#pragma once

#include "board/types.h"

// Lines are never cut: a GUI's "position startpos moves ..." of a long game
// must arrive whole. A line that still does not fit is dropped whole.
constexpr i32 InputLineSize = 65536;

extern char InputLine[InputLineSize];

// 1: a line was copied into `line` (InputLineSize bytes); 0: polling and no
// whole line is there yet; -1: end of input (blocking mode only). `line` is
// emptied first in every case.
i32 ReadInputLine(i32 blocking, char* line);

// Reads once more from standard input into the pending buffer: 0 at the end
// of input (which then stays the end), else 1.
i32 FillInputBuffer();

// Non-zero when a whole line is pending or standard input has something
// (bytes or the end of input) to read.
i32 InputAvailable();

// The next raw character of input (after any pending whole lines' text),
// waiting for it when needed; -1 at the end of input. Serves board editing,
// which reads the lines that follow "edit" character by character.
i32 ReadInputChar();

// True once standard input has reached its end.
bool InputEnded();

// Forgets everything pending (tests drive the reader through a pipe).
void ResetInputReader();
