// Board editing as the xboard "edit" command drives it: one character at a
// time from a character source.
#pragma once

#include <functional>

#include "board/types.h"

// Yields the next input character, or -1 at the end of input.
using CharSource = std::function<i32()>;

// Reads edit commands up to and including the closing '.', or to the end of
// input, which closes the edit the same way. An unplayable result is refused
// with one "Illegal position" line and the position from before the edit
// comes back. Returns 1 when the edited position was taken, else 0.
i32 EditBoardMode(const CharSource& nextChar);
