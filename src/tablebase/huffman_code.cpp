#include "tablebase/huffman_code.h"

#include <algorithm>
#include <cstring>

#include "tablebase/decode_error.h"

namespace {

// Runs of one repeated length are 2 + b, or 2^k + x + 33 for the long form;
// they are counted in 64 bits, since k reaches 31.
constexpr i32 RepeatRunBase = 33;
constexpr i32 ShortRunBase = 2;
constexpr i32 FirstRunSymbol = 32;
constexpr i32 FlatWidthBits = 5;
constexpr i32 FlatZeroRunBits = 4;

i32 Broken(DecodeCheck check) { return DecodeError(check, FileBroken); }

// The flat form: a field width, then one field per length whose low 8 bits
// are the length; a zero is followed by the count of further zeros.
i32 ReadFlatCodeLengths(BitReader* reader, u8* lengths, i32 n) {
    const i32 width = i32(TakeBits(reader, FlatWidthBits));
    if (width == 0 || width > MaxBitsPerTake) return Broken(CheckFlatWidth);
    for (i32 i = 0; i < n;) {
        const u8 length = u8(TakeBits(reader, width));
        lengths[i++] = length;
        if (length == 0) {
            const i32 run = i32(TakeBits(reader, FlatZeroRunBits));
            if (i + run > n) return Broken(CheckFlatZeroRun);
            std::memset(lengths + i, 0, size_t(run));
            i += run;
        }
        if (BitReaderPassedEnd(reader)) return Broken(CheckLengthStreamPastEnd);
    }
    return 0;
}

// The nested form: two small codes, read in the flat form, code the lengths
// themselves (code A) and the sizes of runs of one repeated length (code B).
i32 ReadNestedCodeLengths(BitReader* reader, u8* lengths, i32 n) {
    u8 smallCodeLengths[FlatFormMaxLengths];
    i32 result = ReadHuffmanCodeLengths(reader, smallCodeLengths, FlatFormMaxLengths);
    if (result) return result;
    i16 lengthTable[DecodeTableEntries(LengthCodeLookupBits, LengthCodeSymbols)];
    i16 runTable[DecodeTableEntries(LengthCodeLookupBits, LengthCodeSymbols)];
    result = BuildHuffmanDecodeTable(lengthTable, smallCodeLengths, LengthCodeSymbols,
                                     LengthCodeLookupBits);
    if (result) return result;
    result = BuildHuffmanDecodeTable(runTable, smallCodeLengths + LengthCodeSymbols,
                                     LengthCodeSymbols, LengthCodeLookupBits);
    if (result) return result;

    for (i32 i = 0; i < n;) {
        const i32 symbol = DecodeSymbol(reader, lengthTable, LengthCodeLookupBits);
        if (symbol < FirstRunSymbol) {
            lengths[i++] = u8(symbol);
        } else {
            const i32 runCode = DecodeSymbol(reader, runTable, LengthCodeLookupBits);
            const i64 room = n - i;
            i64 run;
            if (runCode < FirstRunSymbol) {
                run = runCode + ShortRunBase;
            } else {
                // Even its shortest run, 2^k + 33, must fit before its k bits
                // are taken (k reaches 31).
                const i32 k = runCode - FirstRunSymbol;
                if ((i64(1) << k) + RepeatRunBase > room) return Broken(CheckRepeatRun);
                run = (i64(1) << k) + TakeLongField(reader, k) + RepeatRunBase;
            }
            if (run > room) return Broken(CheckRepeatRun);
            std::memset(lengths + i, symbol - FirstRunSymbol, size_t(run));
            i += i32(run);
        }
        if (BitReaderPassedEnd(reader)) return Broken(CheckLengthStreamPastEnd);
    }
    return 0;
}

}  // namespace

i32 ReadHuffmanCodeLengths(BitReader* reader, u8* lengths, i32 n) {
    // One bit set: no symbol has a code.
    if (TakeBits(reader, 1)) {
        std::memset(lengths, 0, size_t(n));
        return BitReaderPassedEnd(reader) ? Broken(CheckLengthStreamPastEnd) : 0;
    }
    if (n <= FlatFormMaxLengths) return ReadFlatCodeLengths(reader, lengths, n);
    return ReadNestedCodeLengths(reader, lengths, n);
}

i32 BuildHuffmanDecodeTable(i16* table, const u8* lengths, i32 n, i32 lookupBits) {
    i32 codesOfLength[MaxCodeLength + 1] = {};
    i32 usedSymbols = 0;
    i32 lastUsed = 0;
    for (i32 symbol = 0; symbol < n; ++symbol) {
        if (lengths[symbol] > MaxCodeLength) return Broken(CheckCodeLengthAbove31);
        ++codesOfLength[lengths[symbol]];
        if (lengths[symbol]) {
            ++usedSymbols;
            lastUsed = symbol;
        }
    }
    const i32 directEntries = 1 << lookupBits;

    // No code at all: every lookup gives symbol 0 and takes no bits.
    if (usedSymbols == 0) {
        std::fill(table, table + directEntries, i16(0));
        return 0;
    }
    // One symbol: it is the only thing the stream can say, so it takes no
    // bits either; its one code must still be of length 1.
    if (usedSymbols == 1) {
        if (lengths[lastUsed] != 1) return Broken(CheckSingleCodeLength);
        std::fill(table, table + directEntries, i16(lastUsed << 5));
        return 0;
    }

    // The code must fill the tree exactly: pair the nodes off level by level
    // from the longest codes up, and one root must be left.
    i64 openNodes = 0;
    for (i32 length = MaxCodeLength; length >= 1; --length) {
        openNodes += codesOfLength[length];
        if (openNodes & 1) return Broken(CheckIncompleteCode);
        openNodes >>= 1;
    }
    if (openNodes != 1) return Broken(CheckIncompleteCode);

    // Canonical codes: the first code of each length follows the last code
    // of the length before, shifted left by one.
    u32 nextCode[MaxCodeLength + 1] = {};
    codesOfLength[0] = 0;
    u32 code = 0;
    for (i32 length = 1; length <= MaxCodeLength; ++length) {
        code = (code + u32(codesOfLength[length - 1])) << 1;
        nextCode[length] = code;
    }

    // Short codes fill every direct entry that starts with them.
    for (i32 symbol = 0; symbol < n; ++symbol) {
        const i32 length = lengths[symbol];
        if (length == 0 || length > lookupBits) continue;
        const i32 first = i32(nextCode[length]++) << (lookupBits - length);
        std::fill(table + first, table + first + (1 << (lookupBits - length)),
                  i16(symbol << 5 | length));
    }

    // Long codes become a tree at the end of the table, built backwards one
    // level at a time from the deepest. At each level come first the
    // pointers to the pairs of the level below (highest pair first), then
    // the symbols ending at this level (highest code first), so that read
    // upwards a level is in code order and its nodes pair off from the top.
    i32 position = directEntries + 2 * n;
    i32 pairsBelow = 0;
    i32 lowestPairBelow = 0;
    for (i32 length = MaxCodeLength; length > lookupBits; --length) {
        for (i32 pair = pairsBelow - 1; pair >= 0; --pair)
            table[--position] = i16(-(lowestPairBelow + 2 * pair));
        for (i32 symbol = n - 1; symbol >= 0; --symbol)
            if (lengths[symbol] == length) table[--position] = i16(symbol);
        pairsBelow = (codesOfLength[length] + pairsBelow) / 2;
        lowestPairBelow = position;
    }
    // The pairs of the first level past the lookup hang from the highest
    // direct entries, the highest pair from the last entry.
    for (i32 pair = 0; pair < pairsBelow; ++pair)
        table[directEntries - pairsBelow + pair] = i16(-(lowestPairBelow + 2 * pair));
    return 0;
}
