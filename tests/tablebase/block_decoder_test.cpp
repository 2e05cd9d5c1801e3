// The block decompressor on hand-built blocks (each rule of the match
// copies, the resumable decode, the argument checks), on round trips of
// encoded tables, and on damaged files, which must never make it read or
// write outside its buffers.
#include "tablebase/block_decoder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "support/engine_process.h"
#include "tablebase/compressed_encoder.h"
#include "tablebase/decode_error.h"
#include "tablebase/decode_support.h"
#include "tablebase/tablebase_settings.h"

namespace {

using namespace test_encoder;

constexpr u8 Untouched = 0xEE;
// Slots of DefaultDistances.
constexpr i32 Distance1 = 0;
constexpr i32 Distance2 = 1;
constexpr i32 Distance5 = 4;

std::vector<Token> Literals(const std::string& text) {
    std::vector<Token> tokens;
    for (char c : text) tokens.push_back(Literal(u8(c)));
    return tokens;
}

std::vector<Token> operator+(std::vector<Token> tokens, const std::vector<Token>& more) {
    tokens.insert(tokens.end(), more.begin(), more.end());
    return tokens;
}

// One file of hand-built blocks, read and ready to load block after block
// into an output area laid out as the cache's.
struct HandBuiltFile {
    MemoryFile file;
    HeaderRead header;
    OwnedDecodeState owned;
    DecodeState* state;
    std::vector<u8> area = std::vector<u8>(CacheBlockArea, Untouched);

    HandBuiltFile(const std::vector<std::vector<Token>>& blocks, u32 lastBlockLength,
                  const Distances& distances = DefaultDistances)
        : file(FileFromTokenBlocks(blocks, lastBlockLength, distances)), state(owned.state) {
        ReadHeaderOf(file, &header);
        EXPECT_EQ(header.result, 0);
        InitDecodeState(state, area.data());
    }
    i32 Load(i32 block) { return LoadCompressedBlock(state, header.descriptor, file.file, block); }
    i32 Decode(u32 want) { return DecodeCompressedBlock(state, header.descriptor, want); }
    u32 Written() const { return u32(state->writePos - area.data()); }
    std::string Text(u32 from, u32 to) const {
        return std::string(area.begin() + from, area.begin() + to);
    }
};

TEST(BlockDecoder, ShortMatchWritesFourBytes) {
    HandBuiltFile tb({Literals("xy") + std::vector<Token>{Match(Distance1, 1)} + Literals("abc")}, 6);
    ASSERT_EQ(tb.Load(0), 0);
    ASSERT_EQ(tb.Decode(3), 0);
    EXPECT_EQ(tb.Written(), 3u);
    // Length 1, yet bytes 2 to 5 are all copies; byte 6 is not touched.
    EXPECT_EQ(tb.Text(0, 6), "xyyyyy");
    EXPECT_EQ(tb.area[6], Untouched);
    // The symbols after the match overwrite what it wrote beyond its length.
    ASSERT_EQ(tb.Decode(6), 0);
    EXPECT_EQ(tb.Text(0, 6), "xyyabc");
}

TEST(BlockDecoder, OverlappingMatchRepeatsTheLastBytes) {
    HandBuiltFile tb({Literals("ab") + std::vector<Token>{Match(Distance2, 20)}}, 22);
    ASSERT_EQ(tb.Load(0), 0);
    ASSERT_EQ(tb.Decode(22), 0);
    EXPECT_EQ(tb.Written(), 22u);
    EXPECT_EQ(tb.Text(0, 22), "ababababababababababab");
    EXPECT_EQ(tb.area[22], Untouched);
}

// Length code 15 with extra bit 1: 2^1 + 1 + 14 = 17 bytes.
TEST(BlockDecoder, LengthCodeFifteen) {
    EXPECT_EQ(TokenSymbol(Match(Distance1, 17)), 256 + 15);
    HandBuiltFile tb({Literals("q") + std::vector<Token>{Match(Distance1, 17)} + Literals("z")}, 19);
    ASSERT_EQ(tb.Load(0), 0);
    ASSERT_EQ(tb.Decode(18), 0);
    EXPECT_EQ(tb.Written(), 18u);
    EXPECT_EQ(tb.area[18], Untouched);
    ASSERT_EQ(tb.Decode(19), 0);
    EXPECT_EQ(tb.Text(0, 19), std::string(18, 'q') + "z");
}

// Length code 31 takes 17 extra bits (16, then 1): a match of 2^17 + x + 14
// bytes, cut at the block's end with the rest pending.
TEST(BlockDecoder, LengthCodeThirtyOne) {
    const u32 extra = 0x1ABCD;
    const u32 length = (u32(1) << 17) + extra + 14;
    EXPECT_EQ(TokenSymbol(Match(Distance1, length)), 256 + 31);
    HandBuiltFile tb({Literals("m") + std::vector<Token>{Match(Distance1, length)}}, 8000);
    ASSERT_EQ(tb.Load(0), 0);
    ASSERT_EQ(tb.Decode(8000), 0);
    EXPECT_EQ(tb.Written(), 8000u);
    EXPECT_EQ(tb.state->pendingLength, length - 7999);
    EXPECT_EQ(tb.Text(0, 8000), std::string(8000, 'm'));
    EXPECT_EQ(tb.area[8000], Untouched);
}

// A long match that starts 10 bytes before the target stops exactly there;
// the next call copies the other 290 bytes before any new symbol.
TEST(BlockDecoder, LongMatchCutAtTheTarget) {
    HandBuiltFile tb({Literals("abcde") + std::vector<Token>{Match(Distance5, 300)} + Literals("Z")},
                     306);
    ASSERT_EQ(tb.Load(0), 0);
    ASSERT_EQ(tb.Decode(15), 0);
    EXPECT_EQ(tb.Written(), 15u);
    EXPECT_EQ(tb.state->pendingLength, 290u);
    EXPECT_EQ(tb.area[15], Untouched);
    ASSERT_EQ(tb.Decode(306), 0);
    EXPECT_EQ(tb.state->pendingLength, 0u);
    std::string expected;
    while (expected.size() < 305) expected += "abcde";
    EXPECT_EQ(tb.Text(0, 306), expected + "Z");
}

TEST(BlockDecoder, TargetBehindTheWritePositionChangesNothing) {
    HandBuiltFile tb({Literals("ab") + std::vector<Token>{Match(Distance2, 20)} + Literals("cd")}, 24);
    ASSERT_EQ(tb.Load(0), 0);
    ASSERT_EQ(tb.Decode(22), 0);
    std::vector<u8> stateBefore(sizeof(DecodeState));
    std::memcpy(stateBefore.data(), tb.state, sizeof(DecodeState));
    const std::vector<u8> areaBefore = tb.area;
    for (u32 want : {1u, 10u, 22u}) {
        ASSERT_EQ(tb.Decode(want), 0);
        EXPECT_EQ(std::memcmp(stateBefore.data(), tb.state, sizeof(DecodeState)), 0) << want;
        EXPECT_EQ(tb.area, areaBefore);
    }
}

TEST(BlockDecoder, BadArguments) {
    HandBuiltFile tb({Literals("abcdefgh"), Literals("xyz")}, 3);
    const CompressedFileDescriptor* descriptor = tb.header.descriptor;
    // Decoding before any block is loaded into the area.
    EXPECT_EQ(DecodeErrorKindOf(tb.Decode(1)), BadArgument);
    for (i32 block : {2, -1, 1000}) EXPECT_EQ(DecodeErrorKindOf(tb.Load(block)), BadArgument) << block;
    ASSERT_EQ(tb.Load(1), 0);
    EXPECT_EQ(tb.state->expectedLength, 3u);
    for (u32 want : {0u, 4u, 0xFFFFFFFFu}) EXPECT_EQ(DecodeErrorKindOf(tb.Decode(want)), BadArgument);
    EXPECT_EQ(tb.Decode(3), 0);

    // A state that is null or never initialised.
    DecodeState blank{};
    EXPECT_EQ(DecodeErrorKindOf(LoadCompressedBlock(nullptr, descriptor, tb.file.file, 0)), BadArgument);
    EXPECT_EQ(DecodeErrorKindOf(LoadCompressedBlock(&blank, descriptor, tb.file.file, 0)), BadArgument);
    EXPECT_EQ(DecodeErrorKindOf(DecodeCompressedBlock(nullptr, descriptor, 1)), BadArgument);
    EXPECT_EQ(DecodeErrorKindOf(DecodeCompressedBlock(&blank, descriptor, 1)), BadArgument);
    EXPECT_EQ(DecodeErrorKindOf(InitDecodeState(nullptr, tb.area.data())), BadArgument);
    EXPECT_EQ(DecodeErrorKindOf(AllocDecodeState(nullptr)), BadArgument);
    // A state with no output area bound has nowhere to put a block.
    InitDecodeState(tb.state, nullptr);
    EXPECT_EQ(DecodeErrorKindOf(tb.Load(0)), BadArgument);
}

TEST(BlockDecoder, StateAllocation) {
    const u64 before = EgtbIndexBytes;
    DecodeState* state = reinterpret_cast<DecodeState*>(1);
    ASSERT_EQ(AllocDecodeState(&state), 0);
    ASSERT_NE(state, nullptr);
    EXPECT_EQ(state->magic, DecodeStateMagic);
    EXPECT_EQ(state->outputArea, nullptr);
    EXPECT_EQ(EgtbIndexBytes - before, sizeof(DecodeState));
    EXPECT_GE(sizeof(state->inputArea), 8192u + 8u);
    std::free(state);
}

TEST(BlockDecoder, FileCutInsideABlock) {
    const EncodedTable encoded = EncodeTable(TableLikeData(3 * 8192, 5));
    MemoryFile full(encoded.file);
    HeaderRead header;
    ReadHeaderOf(full, &header);
    ASSERT_EQ(header.result, 0);
    const u32 lastStart = header.descriptor->blockOffsets[2];
    MemoryFile cut(std::vector<u8>(encoded.file.begin(), encoded.file.begin() + lastStart + 7));
    OwnedDecodeState owned;
    std::vector<u8> area(CacheBlockArea);
    InitDecodeState(owned.state, area.data());
    EXPECT_EQ(LoadCompressedBlock(owned.state, header.descriptor, cut.file, 1), 0);
    EXPECT_EQ(LoadCompressedBlock(owned.state, header.descriptor, cut.file, 2),
              DecodeError(CheckShortBlock, ReadError));
}

TEST(BlockDecoder, PlainBlocksAreCopied) {
    std::mt19937 random(11);
    std::vector<u8> data(8192 + 100);
    for (u8& byte : data) byte = u8(random());
    // Eight bits for every byte and no matches: no block gets shorter.
    EncoderOptions options;
    options.forcedCodeLengths.assign(BlockCodeSymbols, 0);
    std::fill(options.forcedCodeLengths.begin(), options.forcedCodeLengths.begin() + 256, u8(8));
    const EncodedTable encoded = EncodeTable(data, options);
    ASSERT_EQ(encoded.plainBlock, (std::vector<bool>{true, true}));
    MemoryFile file(encoded.file);
    HeaderRead header;
    ReadHeaderOf(file, &header);
    ASSERT_EQ(header.result, 0);
    OwnedDecodeState owned;
    std::vector<u8> area(CacheBlockArea);
    for (u32 block = 0; block < 2; ++block) {
        InitDecodeState(owned.state, area.data());
        ASSERT_EQ(LoadCompressedBlock(owned.state, header.descriptor, file.file, i32(block)), 0);
        // Complete at once: the write position already stands at the end.
        EXPECT_EQ(owned.state->writePos, area.data() + owned.state->expectedLength);
        ASSERT_EQ(DecodeCompressedBlock(owned.state, header.descriptor, owned.state->expectedLength), 0);
        EXPECT_TRUE(std::equal(area.begin(), area.begin() + owned.state->expectedLength,
                               data.begin() + block * 8192));
    }
}

// Compressed parts reach 4 GB: a block stored 3 GB into the file is reached
// by a 64-bit seek. The blocks before it are the holes of a sparse file.
TEST(BlockDecoder, BlockThreeGigabytesIn) {
    const u32 holeBlocks = 3 * 131072;
    CompressedFileParts parts;
    parts.lastBlockLength = 100;
    std::vector<u32> lengths(holeBlocks, 8192);
    lengths.push_back(100);
    const std::vector<u8> header =
        AssembleCompressedHeader(parts, lengths, std::vector<u32>(lengths.size(), 0));
    const u64 lastOffset = header.size() + u64(holeBlocks) * 8192;
    std::vector<u8> lastBlock(100);
    for (size_t i = 0; i < lastBlock.size(); ++i) lastBlock[i] = u8(i * 7 + 1);

    const std::string dir = MakeScratchDir();
    const std::string path = dir + "/far.nbw.emd";
    FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(header.data(), 1, header.size(), out);
    ASSERT_EQ(fseeko(out, off_t(lastOffset), SEEK_SET), 0);
    std::fwrite(lastBlock.data(), 1, lastBlock.size(), out);
    ASSERT_EQ(std::fclose(out), 0);

    FILE* in = std::fopen(path.c_str(), "rb");
    ASSERT_NE(in, nullptr);
    HeaderRead read;
    read.result = ReadCompressedHeader(&read.descriptor, in);
    ASSERT_EQ(read.result, 0);
    EXPECT_EQ(read.descriptor->blockOffsets[holeBlocks], lastOffset);
    OwnedDecodeState owned;
    std::vector<u8> area(CacheBlockArea, Untouched);
    InitDecodeState(owned.state, area.data());
    EXPECT_EQ(LoadCompressedBlock(owned.state, read.descriptor, in, i32(holeBlocks)), 0);
    EXPECT_TRUE(std::equal(lastBlock.begin(), lastBlock.end(), area.begin()));
    EXPECT_EQ(LoadCompressedBlock(owned.state, read.descriptor, in, i32(holeBlocks - 1)), 0);
    EXPECT_EQ(area[0] | area[8191], 0);
    std::fclose(in);
    std::remove(path.c_str());
    rmdir(dir.c_str());
}

// A match may only copy bytes the block has already written.
TEST(BlockDecoder, MatchSourceOutsideTheBlock) {
    Distances distances = DefaultDistances;
    distances[9] = 0;
    struct Case {
        std::vector<Token> tokens;
        i32 result;
    };
    const Case cases[] = {
        {Literals("a") + std::vector<Token>{Match(Distance2, 5)} + Literals("bcdef"),
         DecodeError(CheckMatchSource, FileBroken)},
        {Literals("ab") + std::vector<Token>{Match(Distance5, 30)} + Literals("bcdef"),
         DecodeError(CheckMatchSource, FileBroken)},
        {Literals("abcdef") + std::vector<Token>{Match(9, 3)} + Literals("bcdef"),
         DecodeError(CheckMatchSource, FileBroken)},
        // A distance of 0 harms nobody while no match uses it.
        {Literals("ab") + std::vector<Token>{Match(Distance2, 3)} + Literals("bcdefghij"), 0},
    };
    for (const Case& c : cases) {
        HandBuiltFile tb({c.tokens}, 14, distances);
        ASSERT_EQ(tb.Load(0), 0);
        EXPECT_EQ(tb.Decode(14), c.result);
        // Once broken, the block stays broken.
        if (c.result) {
            EXPECT_EQ(tb.Decode(14), c.result);
        }
    }
}

// Symbols must come from the stored bytes: a block whose last code ends in
// its last byte decodes; one that needs one symbol more is broken.
TEST(BlockDecoder, StreamEndsAtItsStoredLength) {
    // Two literals of one bit each: 16 symbols are exactly 2 bytes.
    const std::vector<Token> tokens = Literals("abababababbbaaab");
    {
        HandBuiltFile tb({tokens}, 16);
        ASSERT_EQ(tb.Load(0), 0);
        ASSERT_EQ(tb.Decode(16), 0);
        EXPECT_EQ(tb.Text(0, 16), "abababababbbaaab");
    }
    {
        HandBuiltFile tb({tokens}, 17);
        ASSERT_EQ(tb.Load(0), 0);
        EXPECT_EQ(tb.Decode(17), DecodeError(CheckStreamPastEnd, FileBroken));
    }
}

// The input area holds 8192 stored bytes; larger blocks are refused.
TEST(BlockDecoder, StoredBlockAboveEightKilobytes) {
    std::mt19937 random(13);
    std::vector<u8> data(16384 + 10);
    for (u8& byte : data) byte = u8(random());
    EncoderOptions options;
    options.blockSizeLog2 = 14;
    MemoryFile file(EncodeTable(data, options).file);
    HeaderRead header;
    ReadHeaderOf(file, &header);
    ASSERT_EQ(header.result, 0);
    OwnedDecodeState owned;
    std::vector<u8> area(16384 + 36);
    InitDecodeState(owned.state, area.data());
    EXPECT_EQ(LoadCompressedBlock(owned.state, header.descriptor, file.file, 0),
              DecodeError(CheckStoredLength, FileBroken));
    EXPECT_EQ(LoadCompressedBlock(owned.state, header.descriptor, file.file, 1), 0);
}

void ExpectRoundTrip(const std::vector<u8>& data, const EncodedTable& encoded) {
    MemoryFile file(encoded.file);
    HeaderRead header;
    ReadHeaderOf(file, &header);
    ASSERT_EQ(header.result, 0);
    OwnedDecodeState owned;
    std::vector<u8> decoded;
    ASSERT_EQ(DecodeAllBlocks(file.file, header.descriptor, owned.state, &decoded), 0);
    ASSERT_EQ(decoded.size(), data.size());
    EXPECT_TRUE(decoded == data);
}

TEST(BlockDecoderRoundTrip, TableLikeData) {
    size_t plain = 0, coded = 0;
    for (size_t size : {size_t(1), size_t(2), size_t(100), size_t(8191), size_t(8192), size_t(8193),
                        size_t(3 * 8192 + 5), size_t(100000)}) {
        for (u32 minMatch : {1u, 3u, 1000000u}) {
            SCOPED_TRACE(testing::Message() << size << " bytes, matches from " << minMatch);
            const std::vector<u8> data = TableLikeData(size, u32(size) + minMatch);
            EncoderOptions options;
            options.minMatch = minMatch;
            const EncodedTable encoded = EncodeTable(data, options);
            for (bool isPlain : encoded.plainBlock) ++(isPlain ? plain : coded);
            ExpectRoundTrip(data, encoded);
        }
    }
    EXPECT_GT(plain, 0u);
    EXPECT_GT(coded, 0u);
}

// Repeats planted at each of the 24 distances, in data that compresses.
TEST(BlockDecoderRoundTrip, EveryDistance) {
    std::mt19937 random(17);
    std::vector<u8> data;
    for (i32 slot = 0; slot < MatchDistanceCount; ++slot) {
        std::vector<u8> block(8192);
        for (u8& byte : block) byte = u8(random() % 8);
        const u32 distance = DefaultDistances[size_t(slot)];
        for (u32 i = 5000; i < 5040; ++i) block[i] = block[i - distance];
        data.insert(data.end(), block.begin(), block.end());
    }
    const EncodedTable encoded = EncodeTable(data);
    EXPECT_EQ(encoded.distanceSlotsUsed, 0xFFFFFFu);
    EXPECT_EQ(std::count(encoded.plainBlock.begin(), encoded.plainBlock.end(), true), 0);
    ExpectRoundTrip(data, encoded);
}

// A block code whose longest codes have 31 bits: every symbol past the
// 13-bit lookup walks the tree.
TEST(BlockDecoderRoundTrip, ThirtyOneBitCode) {
    EncoderOptions options;
    options.forcedCodeLengths.assign(BlockCodeSymbols, 0);
    for (i32 symbol = 0; symbol < 31; ++symbol) options.forcedCodeLengths[size_t(symbol)] = u8(symbol + 1);
    options.forcedCodeLengths[31] = 31;
    std::mt19937 random(19);
    std::vector<u8> data(20000);
    for (u8& byte : data) {
        // Mostly short codes, so that blocks stay coded; now and then a long one.
        byte = u8(random() % 16 ? random() % 3 : random() % 32);
    }
    const EncodedTable encoded = EncodeTable(data, options);
    EXPECT_EQ(encoded.plainBlock, (std::vector<bool>{false, false, false}));
    ExpectRoundTrip(data, encoded);
}

// Decoding in steps to random targets gives the same bytes as one call,
// whatever is cut and kept pending on the way.
TEST(BlockDecoderRoundTrip, StepByStep) {
    const std::vector<u8> data = TableLikeData(4 * 8192 + 777, 23);
    MemoryFile file(EncodeTable(data).file);
    HeaderRead header;
    ReadHeaderOf(file, &header);
    ASSERT_EQ(header.result, 0);
    OwnedDecodeState owned;
    std::mt19937 random(29);
    std::vector<u8> area(CacheBlockArea);
    for (u32 block = 0; block < header.descriptor->blockCount; ++block) {
        InitDecodeState(owned.state, area.data());
        ASSERT_EQ(LoadCompressedBlock(owned.state, header.descriptor, file.file, i32(block)), 0);
        const u32 expected = owned.state->expectedLength;
        for (u32 want = 1; want < expected; want += 1 + random() % 300) {
            ASSERT_EQ(DecodeCompressedBlock(owned.state, header.descriptor, want), 0);
            ASSERT_TRUE(std::equal(area.begin(), area.begin() + want, data.begin() + block * 8192));
        }
        ASSERT_EQ(DecodeCompressedBlock(owned.state, header.descriptor, expected), 0);
        ASSERT_TRUE(std::equal(area.begin(), area.begin() + expected, data.begin() + block * 8192));
    }
}

// Damaged files. Whatever the damage, the reader and decoder stay inside
// their buffers (the sanitizer build checks that) and answer with a kind
// that fits the damage.
struct DamageOutcome {
    i32 headerResult = 0;
    i32 blockResult = 0;  // the first failing block's code, 0 when all decoded
};

DamageOutcome ReadDamaged(const std::vector<u8>& bytes) {
    DamageOutcome outcome;
    MemoryFile file(bytes);
    HeaderRead header;
    ReadHeaderOf(file, &header);
    outcome.headerResult = header.result;
    // The registrar takes only blocks of 8192 bytes: the output areas are
    // made for them.
    if (header.result || header.descriptor->blockSize != 8192) return outcome;
    OwnedDecodeState owned;
    std::vector<u8> decoded;
    outcome.blockResult = DecodeAllBlocks(file.file, header.descriptor, owned.state, &decoded);
    return outcome;
}

std::vector<u8> DamageTestData() { return TableLikeData(5 * 8192 + 1234, 31); }

TEST(BlockDecoderDamage, HeaderBytesChangedAndSealed) {
    const std::vector<u8> original = EncodeTable(DamageTestData()).file;
    const u32 headerSize = GetBigEndian32(&original[64]);
    std::mt19937 random(37);
    for (i32 round = 0; round < 3000; ++round) {
        std::vector<u8> bytes = original;
        const i32 changes = 1 + i32(random() % 3);
        for (i32 i = 0; i < changes; ++i) bytes[random() % (headerSize - 4)] ^= u8(1 + random() % 255);
        SealHeader(bytes);
        const DamageOutcome outcome = ReadDamaged(bytes);
        const i32 kind = DecodeErrorKindOf(outcome.headerResult);
        EXPECT_TRUE(outcome.headerResult == 0 || kind == ReadError || kind == FileBroken ||
                    kind == OutOfMemory)
            << outcome.headerResult;
        const i32 blockKind = DecodeErrorKindOf(outcome.blockResult);
        EXPECT_TRUE(outcome.blockResult == 0 || blockKind == ReadError || blockKind == FileBroken)
            << outcome.blockResult;
    }
}

TEST(BlockDecoderDamage, CodedBlockBytesChanged) {
    const EncodedTable encoded = EncodeTable(DamageTestData());
    ASSERT_GT(std::count(encoded.plainBlock.begin(), encoded.plainBlock.end(), false), 0);
    const u32 headerSize = GetBigEndian32(&encoded.file[64]);
    std::mt19937 random(41);
    for (i32 round = 0; round < 3000; ++round) {
        std::vector<u8> bytes = encoded.file;
        const i32 changes = 1 + i32(random() % 4);
        for (i32 i = 0; i < changes; ++i)
            bytes[headerSize + random() % (bytes.size() - headerSize)] ^= u8(1 + random() % 255);
        const DamageOutcome outcome = ReadDamaged(bytes);
        ASSERT_EQ(outcome.headerResult, 0);
        // Wrong bytes, or a broken stream; nothing else.
        EXPECT_TRUE(outcome.blockResult == 0 || DecodeErrorKindOf(outcome.blockResult) == FileBroken)
            << outcome.blockResult;
    }
}

TEST(BlockDecoderDamage, Truncations) {
    const std::vector<u8> original = EncodeTable(DamageTestData()).file;
    std::mt19937 random(43);
    for (i32 round = 0; round < 400; ++round) {
        const size_t length = 1 + random() % (original.size() - 1);
        const DamageOutcome outcome =
            ReadDamaged(std::vector<u8>(original.begin(), original.begin() + length));
        if (outcome.headerResult) {
            EXPECT_EQ(DecodeErrorKindOf(outcome.headerResult), ReadError);
        } else {
            EXPECT_EQ(DecodeErrorKindOf(outcome.blockResult), ReadError) << length;
        }
    }
}

}  // namespace
