// Canonical codes and the code-length stream: codes that must build and
// decode, codes that must be refused, and hand-built length streams for the
// run rules.
#include "tablebase/huffman_code.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tablebase/decode_error.h"
#include "tablebase/compressed_encoder.h"

namespace {

using test_encoder::BitWriter;
using test_encoder::WriterCode;

// The written bits with zeroed spare bytes behind them for the look-ahead.
struct BitSource {
    std::vector<u8> bytes;
    BitReader reader;
    explicit BitSource(const BitWriter& writer) : bytes(writer.bytes) {
        bytes.resize(bytes.size() + 16, 0);
        StartBitReader(&reader, bytes.data(), bytes.data() + writer.bytes.size());
    }
    // Bits taken so far.
    i64 Taken() const { return (reader.next - bytes.data()) * 8 - (reader.count + 16); }
};

BitWriter BitsOf(const std::string& text) {
    BitWriter writer;
    for (char c : text) writer.PutBit(c == '1');
    return writer;
}

struct Table {
    std::vector<i16> entries;
    i32 lookupBits;
    i32 result;
    Table(const std::vector<u8>& lengths, i32 lookupBits_)
        : entries(size_t(DecodeTableEntries(lookupBits_, i32(lengths.size())))),
          lookupBits(lookupBits_),
          result(BuildHuffmanDecodeTable(entries.data(), lengths.data(), i32(lengths.size()),
                                         lookupBits_)) {}
};

TEST(HuffmanCode, CanonicalCodesDecode) {
    struct Case {
        std::vector<u8> lengths;
        std::string bits;
        i32 symbol;
        i32 taken;
    };
    const Case cases[] = {
        {{1, 2, 2}, "0", 0, 1},
        {{1, 2, 2}, "10", 1, 2},
        {{1, 2, 2}, "11", 2, 2},
        // Codes go by length first: the length-1 symbol gets 0.
        {{2, 1, 2}, "0", 1, 1},
        {{2, 1, 2}, "10", 0, 2},
        {{2, 1, 2}, "11", 2, 2},
        // One symbol of length 1, or no symbol at all: nothing is taken.
        {{0, 1}, "1111", 1, 0},
        {{0, 1}, "0000", 1, 0},
        {{0, 0, 0}, "1111", 0, 0},
    };
    for (const Case& c : cases) {
        for (i32 lookupBits : {1, 2, 8, 13}) {
            const Table table(c.lengths, lookupBits);
            ASSERT_EQ(table.result, 0);
            BitSource source(BitsOf(c.bits + "0000000000000000"));
            EXPECT_EQ(DecodeSymbol(&source.reader, table.entries.data(), lookupBits), c.symbol)
                << c.bits << " with " << lookupBits << " lookup bits";
            EXPECT_EQ(source.Taken(), c.taken);
        }
    }
}

TEST(HuffmanCode, BrokenCodesAreRefused) {
    const std::vector<std::vector<u8>> broken = {
        {1, 1, 1},     // too many short codes
        {1, 2},        // a code left open
        {0, 3},        // a single symbol must have length 1
        {2, 2, 2},     // incomplete
        {1, 32, 0},    // longer than 31
    };
    for (const std::vector<u8>& lengths : broken) {
        const Table table(lengths, 8);
        EXPECT_EQ(DecodeErrorKindOf(table.result), FileBroken);
    }
}

// A code of lengths 1, 2, ... 31, 31 over symbols 0 to 31 of the block code:
// symbol i < 31 is i ones and a zero, symbol 31 is 31 ones. Its long codes
// go through the tree behind the 13-bit lookup.
TEST(HuffmanCode, ThirtyOneBitCodesWalkTheTree) {
    std::vector<u8> lengths(1024, 0);
    for (i32 symbol = 0; symbol < 31; ++symbol) lengths[size_t(symbol)] = u8(symbol + 1);
    lengths[31] = 31;
    const Table table(lengths, 13);
    ASSERT_EQ(table.result, 0);
    BitWriter writer;
    for (i32 symbol = 31; symbol >= 0; --symbol) {
        const u32 code = symbol == 31 ? 0x7FFFFFFFu : (u32(2) << symbol) - 2;
        writer.Put(code, lengths[size_t(symbol)]);
    }
    BitSource source(writer);
    i64 expectedTaken = 0;
    for (i32 symbol = 31; symbol >= 0; --symbol) {
        EXPECT_EQ(DecodeSymbol(&source.reader, table.entries.data(), 13), symbol);
        expectedTaken += lengths[size_t(symbol)];
        EXPECT_EQ(source.Taken(), expectedTaken);
    }
}

// Random complete codes, with few lookup bits so that most codes use the
// tree: every symbol written decodes back.
TEST(HuffmanCode, RandomCodesRoundTrip) {
    std::mt19937 random(7);
    for (i32 round = 0; round < 40; ++round) {
        const size_t n = 2 + random() % 300;
        std::vector<u64> counts(n);
        for (u64& count : counts) count = random() % 3 ? 1 + (random() % 1000) * (random() % 1000) : 0;
        counts[0] = counts[1] = 1;
        const std::vector<u8> lengths = test_encoder::HuffmanLengths(counts, MaxCodeLength);
        const WriterCode code(lengths);
        std::vector<i32> symbols;
        BitWriter writer;
        for (i32 i = 0; i < 500; ++i) {
            const i32 symbol = i32(random() % n);
            if (!lengths[size_t(symbol)]) continue;
            symbols.push_back(symbol);
            code.Put(writer, symbol);
        }
        for (i32 lookupBits : {1, 3, 8, 13}) {
            const Table table(lengths, lookupBits);
            ASSERT_EQ(table.result, 0);
            BitSource source(writer);
            for (i32 symbol : symbols)
                ASSERT_EQ(DecodeSymbol(&source.reader, table.entries.data(), lookupBits), symbol);
            EXPECT_EQ(source.Taken(), i64(writer.BitCount()));
        }
    }
}

i32 ReadLengths(const BitWriter& writer, std::vector<u8>* lengths, i64* taken = nullptr) {
    BitSource source(writer);
    const i32 result = ReadHuffmanCodeLengths(&source.reader, lengths->data(), i32(lengths->size()));
    if (taken) *taken = source.Taken();
    return result;
}

TEST(HuffmanCodeLengths, AllZeroFlag) {
    std::vector<u8> lengths(1024, 9);
    i64 taken;
    EXPECT_EQ(ReadLengths(BitsOf("1"), &lengths, &taken), 0);
    EXPECT_EQ(lengths, std::vector<u8>(1024, 0));
    EXPECT_EQ(taken, 1);
}

// The flat form: every entry whose low 8 bits are 0 is followed by a 4-bit
// count of further zeros, also when that count is 0.
TEST(HuffmanCodeLengths, FlatForm) {
    BitWriter writer;
    writer.Put(0, 1);
    writer.Put(9, 5);       // 9-bit entries
    writer.Put(3, 9);
    writer.Put(0, 9);       // a zero, no more
    writer.Put(0, 4);
    writer.Put(0x105, 9);   // low 8 bits: 5
    writer.Put(0x100, 9);   // low 8 bits: 0, and two more zeros
    writer.Put(2, 4);
    writer.Put(31, 9);
    writer.Put(0, 9);       // a run that ends exactly on the last length
    writer.Put(2, 4);
    std::vector<u8> lengths(10, 99);
    i64 taken;
    ASSERT_EQ(ReadLengths(writer, &lengths, &taken), 0);
    EXPECT_EQ(lengths, (std::vector<u8>{3, 0, 5, 0, 0, 0, 31, 0, 0, 0}));
    EXPECT_EQ(taken, i64(writer.BitCount()));

    // The same zero run one length longer reaches past the list.
    std::vector<u8> shorter(9);
    EXPECT_EQ(ReadLengths(writer, &shorter), DecodeError(CheckFlatZeroRun, FileBroken));
}

TEST(HuffmanCodeLengths, FlatWidthsOutsideOneToSixteen) {
    for (u32 width : {0u, 17u, 31u}) {
        BitWriter writer;
        writer.Put(0, 1);
        writer.Put(width, 5);
        writer.Put(0, 40);
        std::vector<u8> lengths(4);
        EXPECT_EQ(ReadLengths(writer, &lengths), DecodeError(CheckFlatWidth, FileBroken)) << width;
    }
}

// A nested stream for 1024 lengths. Code A: symbol 7 and symbol 32 (runs of
// 0) of length 1. Code B: symbols 0, 3 and 40 of length 2, 41 and 42 of 3.
struct NestedStream {
    std::vector<u8> lengthsA = std::vector<u8>(64, 0);
    std::vector<u8> lengthsB = std::vector<u8>(64, 0);
    BitWriter writer;
    NestedStream() {
        lengthsA[7] = lengthsA[32] = 1;
        lengthsB[0] = lengthsB[3] = lengthsB[40] = 2;
        lengthsB[41] = lengthsB[42] = 3;
        std::vector<u8> both(lengthsA);
        both.insert(both.end(), lengthsB.begin(), lengthsB.end());
        writer.Put(0, 1);
        test_encoder::WriteFlatCodeLengths(writer, both);
    }
    void Single(i32 length) { WriterCode(lengthsA).Put(writer, length); }
    void ZeroRun(i32 runCode, u32 extra = 0) {
        WriterCode(lengthsA).Put(writer, 32);
        WriterCode(lengthsB).Put(writer, runCode);
        if (runCode >= 32) writer.Put(extra, runCode - 32);
    }
};

TEST(HuffmanCodeLengths, NestedRuns) {
    // 7, a run of 2, a run of 5, then 2^9 + x + 33 and 2^8 + x + 33 zeros
    // ending exactly on length 1024.
    const u32 firstExtra = 100;
    const u32 lastRun = 1024 - 1 - 2 - 5 - (512 + firstExtra + 33);
    for (u32 over : {0u, 1u}) {
        NestedStream stream;
        stream.Single(7);
        stream.ZeroRun(0);
        stream.ZeroRun(3);
        stream.ZeroRun(41, firstExtra);
        stream.ZeroRun(40, lastRun - 256 - 33 + over);
        std::vector<u8> lengths(1024, 99);
        i64 taken;
        const i32 result = ReadLengths(stream.writer, &lengths, &taken);
        if (over) {
            EXPECT_EQ(result, DecodeError(CheckRepeatRun, FileBroken));
            continue;
        }
        ASSERT_EQ(result, 0);
        std::vector<u8> expected(1024, 0);
        expected[0] = 7;
        EXPECT_EQ(lengths, expected);
        EXPECT_EQ(taken, i64(stream.writer.BitCount()));
    }
}

// A run code b of 42 (k = 10) is at least 1057 lengths: refused before its
// extra bits are taken.
TEST(HuffmanCodeLengths, RepeatCodeFortyTwoNeverFits) {
    NestedStream stream;
    stream.ZeroRun(42, 0);
    std::vector<u8> lengths(1024);
    EXPECT_EQ(ReadLengths(stream.writer, &lengths), DecodeError(CheckRepeatRun, FileBroken));
}

// A flat-form length of 32 in the small codes cannot build their tables.
TEST(HuffmanCodeLengths, SmallCodeLengthAbove31) {
    BitWriter writer;
    writer.Put(0, 1);
    writer.Put(0, 1);
    writer.Put(6, 5);
    writer.Put(32, 6);
    writer.Put(1, 6);
    for (i32 i = 0; i < 7; ++i) {
        writer.Put(0, 6);
        writer.Put(15, 4);
    }
    writer.Put(0, 6);
    writer.Put(13, 4);
    std::vector<u8> lengths(1024);
    EXPECT_EQ(ReadLengths(writer, &lengths), DecodeError(CheckCodeLengthAbove31, FileBroken));
}

// A stream that needs more bits than it has is broken, whatever the zero
// bytes behind it would say.
TEST(HuffmanCodeLengths, StreamPastItsEnd) {
    NestedStream stream;
    for (i32 i = 0; i < 20; ++i) stream.Single(7);
    std::vector<u8> lengths(1024);
    EXPECT_EQ(ReadLengths(stream.writer, &lengths),
              DecodeError(CheckLengthStreamPastEnd, FileBroken));
}

}  // namespace
