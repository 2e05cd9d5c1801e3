// The command line's tokens and the number and keyword tests every
// protocol reads its words with.
#pragma once

#include "board/game_record.h"
#include "board/types.h"

// Token store: the first tokens hold long texts (a FEN, a path), the rest
// one move each, enough for the move list of the longest game the game
// record holds.
constexpr i32 LongTokenCount = 64;
constexpr i32 LongTokenSize = 512;
constexpr i32 ShortTokenSize = 16;
constexpr i32 TokenCount = MaxGamePly + 128;

extern char* TokenBuffers[TokenCount];
extern u32 TokenOffsets[TokenCount];

void AllocTokenBuffers();
void FreeTokenBuffers();

// 1 when, after leading blanks, the keyword begins the text or the text
// begins the keyword (case-insensitive); 0 when either is empty.
i32 MatchKeyword(const char* keyword, const char* text);

// Splits the line at any of the separator characters into TokenBuffers;
// returns the number of tokens, counting an empty last one.
i32 SplitTokens(const char* line, const char* separators);

// The number at the start of a text, read as the runtime's atoi reads it
// (blanks, a sign, digits; no number gives 0) but clamped to 32 bits
// instead of overflowing.
i32 ReadClampedNumber(const char* text);

// True when the text is a whole number: an optional sign and at least one
// decimal digit, with nothing but white space before or after ("12abc",
// "1.5" and "" are not). *value gets it clamped to 32 bits, as
// ReadClampedNumber reads it.
bool ReadWholeNumber(const char* text, i32* value);

// A 64-bit value clamped to the 32-bit range.
i32 ClampToI32(i64 value);
