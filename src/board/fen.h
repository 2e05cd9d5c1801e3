// Position text: reading and writing FEN in the engine's dialect.
#pragma once

#include "board/types.h"

constexpr i32 FenTextSize = 512;
extern char FenText[FenTextSize];
extern i32 FenLength;  // bytes written, the final NUL included once complete

// Sets the position from FEN text. Accepts the en-passant square in both the
// engine's form (the pawn that just made its double step) and the standard
// form (the square it passed over), and a half-move clock as fifth field.
// Refuses text that is no FEN (a placement of other than eight ranks of
// eight files, a side to move other than w or b) and an unplayable position
// with one "Illegal position" line and leaves the board untouched. Returns 1
// when it set a position, 0 when it refused.
i32 ParseFen(const char* text);

// ParseFen without the line: null when the position was set, else the
// reason it was refused (the board is then untouched).
const char* SetFenPosition(const char* text);

// Writes the current position into FenText (en passant in the engine's form,
// no move counters), followed by the move in short text when it is not 0.
void WriteFen(Move move);

// Appends text to FenText at FenLength, never past the buffer.
void AppendFenText(const char* text);
