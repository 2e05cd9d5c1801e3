// The header of compressed table files: our encoder's files read back, and
// every header check refuses what it should, with the kind the registrar
// reports ("read error", "file broken", ...).
#include "tablebase/compressed_header.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "tablebase/compressed_encoder.h"
#include "tablebase/decode_error.h"
#include "tablebase/decode_support.h"
#include "tablebase/tablebase_settings.h"

namespace {

using namespace test_encoder;

i32 ReadResult(const std::vector<u8>& bytes) {
    MemoryFile file(bytes);
    HeaderRead read;
    ReadHeaderOf(file, &read);
    EXPECT_EQ(read.descriptor == nullptr, read.result != 0);
    return read.result;
}

// A small valid file of three blocks, the last one short.
std::vector<u8> SmallFile() { return EncodeTable(TableLikeData(2 * 8192 + 300, 1)).file; }

u32 HeaderSizeOf(const std::vector<u8>& file) { return GetBigEndian32(&file[64]); }

TEST(CompressedHeader, EncodedFileReads) {
    const std::vector<u8> bytes = SmallFile();
    MemoryFile file(bytes);
    const u64 indexBytesBefore = EgtbIndexBytes;
    HeaderRead read;
    ReadHeaderOf(file, &read);
    ASSERT_EQ(read.result, 0);
    const CompressedFileDescriptor& descriptor = *read.descriptor;
    EXPECT_EQ(descriptor.blockSize, 8192u);
    EXPECT_EQ(descriptor.blockCount, 3u);
    EXPECT_EQ(descriptor.lastBlockLength, 300u);
    EXPECT_EQ(descriptor.blockOffsets[0], HeaderSizeOf(bytes));
    EXPECT_EQ(descriptor.blockOffsets[3], bytes.size());
    for (i32 slot = 0; slot < MatchDistanceCount; ++slot)
        EXPECT_EQ(descriptor.distances[slot], -i32(DefaultDistances[size_t(slot)]));
    // The reader stands at the first block, and the descriptor is counted.
    EXPECT_EQ(ftello(file.file), off_t(HeaderSizeOf(bytes)));
    EXPECT_EQ(EgtbIndexBytes - indexBytesBefore,
              sizeof(CompressedFileDescriptor) + 4 * sizeof(u32));
}

TEST(CompressedHeader, NoPlaceForTheResult) {
    MemoryFile file(SmallFile());
    EXPECT_EQ(ReadCompressedHeader(nullptr, file.file), 172551);
}

// The banner is checked for its form, not its text: one line ending in CR
// LF, zero bytes behind it.
TEST(CompressedHeader, BannerForm) {
    struct Case {
        const char* text;
        size_t length;  // bytes of text copied; the rest of the 64 are 0
        bool reads;
    };
    const Case cases[] = {
        {CompressedBanner, 64, true},
        {"Another maker's table v2.0\r\n", 28, true},
        {"\r\n", 2, true},
        {"Text to the very end of the banner, CR LF in bytes 62 and 63..\r\n", 64, true},
        {"No line end at all", 18, false},
        {"CR without LF\r", 14, false},
        {"CR then text\rx\r\n", 16, false},
        {"LF first\n\r\n", 11, false},
        {"Late byte\r\n\0\0x", 14, false},
        {"Embedded\0NUL\r\n", 14, false},
        {"Text to the very end of the banner, CR in byte 63 only ........\r", 64, false},
    };
    for (const Case& c : cases) {
        std::vector<u8> bytes = SmallFile();
        std::memset(bytes.data(), 0, BannerBytes);
        std::memcpy(bytes.data(), c.text, c.length);
        SealHeader(bytes);
        const i32 result = ReadResult(bytes);
        if (c.reads) {
            EXPECT_EQ(result, 0) << c.text;
        } else {
            EXPECT_EQ(result, DecodeError(CheckBanner, ReadError)) << c.text;
        }
    }
}

// Fields patched after the file was written, the checksum written again.
TEST(CompressedHeader, FieldChecks) {
    struct Case {
        size_t offset;
        std::vector<u8> value;
        i32 result;
    };
    const Case cases[] = {
        // H of 84 passes the size check (and then cannot hold the fields).
        {64, {0, 0, 0, 84}, DecodeError(CheckHeaderLayout, FileBroken)},
        {64, {0, 0, 0, 83}, DecodeError(CheckHeaderSize, FileBroken)},
        {64, {0x80, 0, 0, 100}, DecodeError(CheckHeaderSize, FileBroken)},
        {70, {17}, DecodeError(CheckHeaderSize, FileBroken)},
        {70, {0}, DecodeError(CheckBlockSizeZero, FileBroken)},
        {71, {23}, DecodeError(CheckDistanceCount, FileBroken)},
        {76, {0x00, 0x40, 0x01, 0xF4}, DecodeError(CheckFormatId, FileBroken)},
        {72, {0, 0, 0, 0}, DecodeError(CheckBlockCountZero, FileBroken)},
        // N that the header cannot hold, also where 8N overflows 32 bits.
        {72, {0, 0, 0x10, 0}, DecodeError(CheckHeaderLayout, FileBroken)},
        {72, {0x20, 0, 0, 1}, DecodeError(CheckHeaderLayout, FileBroken)},
        {72, {0xFF, 0xFF, 0xFF, 0xFF}, DecodeError(CheckHeaderLayout, FileBroken)},
        // An H beyond the file is refused before memory is taken for it.
        {64, {0x7F, 0xFF, 0xFF, 0xF0}, DecodeError(CheckFileShorterThanHeader, ReadError)},
    };
    for (const Case& c : cases) {
        std::vector<u8> bytes = SmallFile();
        std::memcpy(&bytes[c.offset], c.value.data(), c.value.size());
        SealHeader(bytes);
        EXPECT_EQ(ReadResult(bytes), c.result) << "offset " << c.offset;
    }
}

// Bytes 80 to H - 5 and the checksum itself: any one changed byte breaks
// the header through the checksum.
TEST(CompressedHeader, EveryHeaderByteIsChecked) {
    const std::vector<u8> original = SmallFile();
    const u32 headerSize = HeaderSizeOf(original);
    for (u32 offset = HeaderFixedBytes; offset < headerSize; ++offset) {
        for (u8 change : {0x01, 0x80, 0xFF}) {
            std::vector<u8> bytes = original;
            bytes[offset] ^= change;
            EXPECT_EQ(ReadResult(bytes), DecodeError(CheckHeaderCrc, FileBroken)) << offset;
        }
    }
}

TEST(CompressedHeader, ShortFilesAreReadErrors) {
    const std::vector<u8> original = SmallFile();
    const u32 headerSize = HeaderSizeOf(original);
    for (u32 length : {1u, 79u}) {
        const std::vector<u8> bytes(original.begin(), original.begin() + length);
        EXPECT_EQ(ReadResult(bytes), DecodeError(CheckShortHeaderStart, ReadError));
    }
    for (u32 length : {80u, headerSize - 1}) {
        const std::vector<u8> bytes(original.begin(), original.begin() + length);
        EXPECT_EQ(DecodeErrorKindOf(ReadResult(bytes)), ReadError) << length;
    }
    // Exactly the header, no blocks: the header itself is whole.
    EXPECT_EQ(ReadResult(std::vector<u8>(original.begin(), original.begin() + headerSize)), 0);
}

TEST(CompressedHeader, OffsetsFromStoredLengths) {
    CompressedFileParts parts;
    parts.storedBlocks = {std::vector<u8>(100, 1), std::vector<u8>(50, 2)};
    parts.lastBlockLength = 50;
    MemoryFile file(AssembleCompressedFile(parts));
    HeaderRead read;
    ReadHeaderOf(file, &read);
    ASSERT_EQ(read.result, 0);
    const u32 headerSize = HeaderSizeOf(file.bytes);
    EXPECT_EQ(read.descriptor->blockOffsets[0], headerSize);
    EXPECT_EQ(read.descriptor->blockOffsets[1], headerSize + 100);
    EXPECT_EQ(read.descriptor->blockOffsets[2], headerSize + 150);
    EXPECT_EQ(read.descriptor->lastBlockLength, 50u);
}

// Length fields of 0 stand for whole blocks; a distance of 0 is kept.
TEST(CompressedHeader, ZeroFields) {
    CompressedFileParts parts;
    parts.storedBlocks = {std::vector<u8>(8192, 1), std::vector<u8>(8192, 2)};
    parts.lastBlockLength = 8192;
    parts.distances[5] = 0;
    MemoryFile file(AssembleCompressedFile(parts));
    // The three length fields, 39 bits from the packed area's start, are 0.
    const u8* packed = &file.bytes[HeaderFixedBytes + 2 * 8];
    EXPECT_EQ(packed[0] | packed[1] | packed[2] | packed[3] | (packed[4] & 0xFE), 0);
    HeaderRead read;
    ReadHeaderOf(file, &read);
    ASSERT_EQ(read.result, 0);
    const u32 headerSize = HeaderSizeOf(file.bytes);
    EXPECT_EQ(read.descriptor->blockOffsets[1], headerSize + 8192);
    EXPECT_EQ(read.descriptor->blockOffsets[2], headerSize + 16384);
    EXPECT_EQ(read.descriptor->lastBlockLength, 8192u);
    EXPECT_EQ(read.descriptor->distances[5], 0);
    EXPECT_EQ(read.descriptor->distances[6], -7);
}

// B is at most 16 for the reader; it is the registrar that keeps to 13.
TEST(CompressedHeader, BlocksOf64Kilobytes) {
    EncoderOptions options;
    options.blockSizeLog2 = 16;
    MemoryFile file(EncodeTable(TableLikeData(70000, 3), options).file);
    HeaderRead read;
    ReadHeaderOf(file, &read);
    ASSERT_EQ(read.result, 0);
    EXPECT_EQ(read.descriptor->blockSize, 65536u);
    EXPECT_EQ(read.descriptor->blockCount, 2u);
    EXPECT_EQ(read.descriptor->lastBlockLength, 70000u - 65536u);
}

// Stored lengths whose sum, behind the header, passes 2^32 - 1 cannot be
// offsets. A header alone describes 65527 blocks of up to 65536 bytes,
// shortened so that the last block ends exactly at 2^32 - 1 (read) or 2^32
// (broken).
TEST(CompressedHeader, OffsetsPastFourGigabytes) {
    CompressedFileParts parts;
    parts.blockSizeLog2 = 16;
    parts.lastBlockLength = 65536;
    const u32 blocks = 65527;
    const std::vector<u32> checks(blocks, 0);
    std::vector<u32> lengths(blocks, 65536);
    const u64 headerSize = HeaderSizeOf(AssembleCompressedHeader(parts, lengths, checks));
    for (u64 end : {u64(UINT32_MAX), u64(UINT32_MAX) + 1}) {
        std::fill(lengths.begin(), lengths.end(), 65536u);
        u64 excess = headerSize + u64(blocks) * 65536 - end;
        for (u32 block = 0; excess > 0; ++block) {
            const u32 cut = u32(std::min<u64>(excess, 65535));
            lengths[block] -= cut;
            excess -= cut;
        }
        const std::vector<u8> header = AssembleCompressedHeader(parts, lengths, checks);
        ASSERT_EQ(HeaderSizeOf(header), headerSize);
        if (end == UINT32_MAX) {
            MemoryFile file(header);
            HeaderRead read;
            ReadHeaderOf(file, &read);
            ASSERT_EQ(read.result, 0);
            EXPECT_EQ(read.descriptor->blockOffsets[blocks], UINT32_MAX);
        } else {
            EXPECT_EQ(ReadResult(header), DecodeError(CheckBlockOffsets, FileBroken));
        }
    }
}

// A code-length stream that runs into the checksum: the header is cut
// short behind the stream and sealed again.
TEST(CompressedHeader, CodeLengthStreamPastTheChecksum) {
    std::vector<u8> bytes = SmallFile();
    const u32 headerSize = HeaderSizeOf(bytes);
    for (u32 cut : {1u, 2u, 8u}) {
        std::vector<u8> shorter(bytes.begin(), bytes.begin() + (headerSize - 4 - cut));
        shorter.resize(shorter.size() + 4);
        PutBigEndian32(&shorter[64], u32(shorter.size()));
        SealHeader(shorter);
        EXPECT_EQ(ReadResult(shorter), DecodeError(CheckCodeLengthStream, FileBroken)) << cut;
    }
}

// A block code that no stream can use: every header must carry a
// complete code (or one of no or one symbol).
TEST(CompressedHeader, IncompleteBlockCode) {
    CompressedFileParts parts;
    parts.storedBlocks = {std::vector<u8>(10, 1)};
    parts.lastBlockLength = 10;
    parts.codeLengths[65] = 1;
    parts.codeLengths[66] = 2;
    EXPECT_EQ(ReadResult(AssembleCompressedFile(parts)), DecodeError(CheckBlockCodeTable, FileBroken));
}

}  // namespace
