#include "driver/command_tokens.h"

#include <cstdint>
#include <cstring>

#include "board/attacks.h"

char* TokenBuffers[TokenCount];
u32 TokenOffsets[TokenCount];

namespace {

char LongTokens[LongTokenCount][LongTokenSize];
char ShortTokens[TokenCount - LongTokenCount][ShortTokenSize];

i32 TokenCapacity(i32 index) { return index < LongTokenCount ? LongTokenSize : ShortTokenSize; }

// The number at the start of a token, read the way the runtime's atoi
// reads it (leading blanks, a sign, digits; no number gives 0) but without
// overflow: a long digit string saturates far beyond the 32-bit range.
i64 ReadNumber(const char* text) {
    while (*text == ' ' || *text == '\t') text++;
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+') text++;
    constexpr i64 Saturation = i64(1) << 40;
    i64 value = 0;
    for (; *text >= '0' && *text <= '9'; text++)
        if (value < Saturation) value = value * 10 + (*text - '0');
    return negative ? -value : value;
}

}  // namespace

i32 ClampToI32(i64 value) {
    return i32(value < INT32_MIN ? INT32_MIN : value > INT32_MAX ? INT32_MAX : value);
}

i32 ReadClampedNumber(const char* text) { return ClampToI32(ReadNumber(text)); }

bool ReadWholeNumber(const char* text, i32* value) {
    // White space around the number is no part of it: a tab or a line end
    // may stay in a token, which is cut at blanks only.
    constexpr const char* WhiteSpace = " \t\r\n";
    const char* sign = text + std::strspn(text, WhiteSpace);
    const char* digits = sign + (*sign == '-' || *sign == '+');
    const size_t digitCount = std::strspn(digits, "0123456789");
    if (digitCount == 0 || std::strspn(digits + digitCount, WhiteSpace) != std::strlen(digits + digitCount))
        return false;
    *value = ReadClampedNumber(sign);
    return true;
}

void AllocTokenBuffers() {
    for (i32 i = 0; i < TokenCount; i++)
        TokenBuffers[i] = i < LongTokenCount ? LongTokens[i] : ShortTokens[i - LongTokenCount];
}

void FreeTokenBuffers() {}

i32 MatchKeyword(const char* keyword, const char* text) {
    while (*keyword == ' ') keyword++;
    while (*text == ' ') text++;
    if (!*keyword || !*text) return 0;
    for (; *keyword && *text; keyword++, text++)
        if (FoldChar(*keyword) != FoldChar(*text)) return 0;
    return 1;
}

i32 SplitTokens(const char* line, const char* separators) {
    if (!TokenBuffers[0]) AllocTokenBuffers();
    for (i32 i = 0; i < TokenCount; i++) TokenBuffers[i][0] = '\0';
    const u32 lineLength = u32(std::strlen(line));
    for (u32& offset : TokenOffsets) offset = lineLength;
    if (lineLength == 0) return 1;

    i32 token = 0, length = 0;
    for (u32 i = 0; i < lineLength; i++) {
        if (std::strchr(separators, line[i])) {
            if (length > 0) {
                TokenBuffers[token][length] = '\0';
                // Tokens beyond the store are dropped; the count stays at its end.
                if (token + 1 < TokenCount) token += 1;
                length = 0;
                TokenBuffers[token][0] = '\0';
            }
            continue;
        }
        if (length == 0) TokenOffsets[token] = i;
        // An over-long token is cut at its buffer.
        if (length < TokenCapacity(token) - 1) TokenBuffers[token][length++] = line[i];
    }
    TokenBuffers[token][length] = '\0';
    return token + 1;
}
