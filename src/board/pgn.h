// Reading PGN game files: the byte stream with its step back, the tag pairs,
// the move tokens and what lies between them (move numbers, annotations,
// comments, variations, results), and the resolution of a move in standard
// algebraic notation against the legal moves of the board. The pgneval tool
// and the book maker read games through these.
#pragma once

#include <cstdio>

#include "board/types.h"

// The file as a byte stream that can step back a few bytes (at most
// PgnStepBackLimit), read through a buffer of its own. Every reader below
// returns 1 at the end of the file, 0 otherwise, unless it says else.
constexpr i32 PgnStepBackLimit = 16;
constexpr i32 PgnStreamBufferSize = 1 << 16;
struct PgnStream {
    explicit PgnStream(FILE* from) : file(from) {}
    FILE* file;
    i64 position = 0;          // bytes consumed so far
    i32 next = 0, filled = 0;  // the next byte of buffer, and the end of its bytes
    char buffer[PgnStreamBufferSize];
};

i32 PgnNextChar(PgnStream& in);  // EOF at the end
// Un-reads the last count bytes consumed.
void PgnStepBack(PgnStream& in, i32 count);
// The next byte without consuming it; EOF at the end.
i32 PgnPeekChar(PgnStream& in);

i32 SkipPgnBlanks(PgnStream& in);
// Consumes everything up to and including the next target byte.
i32 SkipPgnToChar(PgnStream& in, i32 target);
// Leaves the stream at the next '[', the start of a tag.
i32 SkipToPgnTag(PgnStream& in);
// The stream stands at the '{' or '(' (variations nest).
i32 SkipBraceComment(PgnStream& in);
i32 SkipParenComment(PgnStream& in);
// Leaves the stream at the first '1' (move one) or '[' (a game without
// moves) outside a comment.
i32 SkipToGameStart(PgnStream& in);

// One tag pair as read: the name (at most PgnTagNameSize characters; a
// longer one is skipped whole and reads as empty) and the value with its
// quotes (at most PgnTagValueSize characters, the rest skipped).
constexpr i32 PgnTagNameSize = 32;
constexpr i32 PgnTagValueSize = 255;
struct PgnTag {
    char name[PgnTagNameSize + 1];
    char value[PgnTagValueSize + 1];
    i32 nameLength, valueLength;
};
// Reads the tag pair the stream stands at (its '['). The value runs to the
// next ']'; with quotedValues, a value in quotes runs to its closing quote
// (a backslash escapes a quote or a backslash) and may hold ']', and an
// unclosed quote ends with its line. Returns 1
// at the end of the file, 2 when another tag follows, 3 when the tags have
// ended.
i32 ReadPgnTag(PgnStream& in, PgnTag* tag, bool quotedValues = false);
// True when the tag's name begins with prefix (lower case), in any case.
bool PgnTagNameIs(const PgnTag& tag, const char* prefix);

// Skips move numbers, annotations, numeric glyphs and results up to the next
// move ("0-0" is castling, "0-1" a result). A byte above 127 counts as a
// control character.
i32 SkipPgnMoveNumbers(PgnStream& in);
// After a move: move numbers, comments (in braces or from ';' to the end of
// the line), variations and "e.p." marks until nothing more is skipped.
i32 SkipBetweenMoves(PgnStream& in);

// A move token is at most PgnMoveTextSize - 1 characters.
constexpr i32 PgnMoveTextSize = 15;
// Reads the next move token into text (NUL-terminated); the character that
// ends it is consumed, unless it opens a comment or a variation. An "e.p."
// written onto the move ends it. Returns 1 at the end of the file, 2 when
// the token reaches PgnMoveTextSize characters (no move of any notation is
// that long; text then holds them and the stream stands after them), else 0.
i32 ReadPgnMoveToken(PgnStream& in, char text[PgnMoveTextSize + 1]);

// The legal moves of the current board that the token may mean (piece,
// origin file or rank, destination, capture mark, promotion piece, castling
// with O or zero): their number, and in *move the last of them in
// generation order (NoMove when there is none). Uses MoveStack from
// LegalTestListIndex on and restores MoveStackTop.
i32 FindPgnMove(const char* token, Move* move);
