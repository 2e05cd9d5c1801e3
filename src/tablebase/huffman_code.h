// Canonical Huffman codes of compressed table files: the decode tables and
// the reader of the code lengths that a file's header carries.
//
// A decode table of L lookup bits for n symbols holds 2^L direct entries,
// indexed by the next L bits of the stream, then 2n tree entries for the
// codes longer than L bits:
//   - a direct entry of 0 or more is (symbol << 5) | code length (length 0
//     only for a code of no symbol or of one symbol: it decodes without
//     taking a bit);
//   - a negative entry -p points to the pair of tree entries at p and p + 1,
//     chosen by the next bit;
//   - a tree entry of 0 or more is the symbol itself.
#pragma once

#include "board/types.h"
#include "tablebase/bit_reader.h"

constexpr i32 MaxCodeLength = 31;

// Entries of a decode table of lookupBits for symbolCount symbols.
constexpr i32 DecodeTableEntries(i32 lookupBits, i32 symbolCount) {
    return (1 << lookupBits) + 2 * symbolCount;
}

// The code lengths of up to this many symbols are stored in the flat form;
// longer lists are coded with two small codes of this many symbols in all.
constexpr i32 FlatFormMaxLengths = 128;
constexpr i32 LengthCodeSymbols = 64;
constexpr i32 LengthCodeLookupBits = 8;

// Builds the decode table of a canonical code (codes assigned by length,
// then by symbol number, as in DEFLATE). Fails with FileBroken unless every
// length is at most 31 and the code is complete, or has a single symbol of
// length 1, or no symbol at all.
i32 BuildHuffmanDecodeTable(i16* table, const u8* lengths, i32 n, i32 lookupBits);

// Reads n code lengths from the stream. The reader's `end` bounds the bits
// that may be taken: a stream that passes it is broken.
i32 ReadHuffmanCodeLengths(BitReader* reader, u8* lengths, i32 n);

// Decodes one symbol: one table read for codes of up to lookupBits, a walk
// of one bit per level below that.
inline i32 DecodeSymbol(BitReader* reader, const i16* table, i32 lookupBits) {
    i32 entry = table[PeekBits(reader, lookupBits)];
    if (entry >= 0) {
        TakeBits(reader, entry & 31);
        return entry >> 5;
    }
    TakeBits(reader, lookupBits);
    do entry = table[-entry + i32(TakeBits(reader, 1))];
    while (entry < 0);
    return entry;
}
