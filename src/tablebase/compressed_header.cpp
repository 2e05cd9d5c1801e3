#include "tablebase/compressed_header.h"

#include <sys/types.h>

#include <cstdlib>
#include <cstring>

#include "tablebase/bit_reader.h"
#include "tablebase/block_crc.h"
#include "tablebase/decode_error.h"
#include "tablebase/tablebase_settings.h"

namespace {

constexpr i32 HeaderSizeOffset = 64;
constexpr i32 BlockSizeLog2Offset = 70;
constexpr i32 DistanceCountOffset = 71;
constexpr i32 BlockCountOffset = 72;
constexpr i32 FormatIdOffset = 76;
constexpr i32 BlockCheckBytes = 8;
// The bit readers of the header may load a few bytes past what they take;
// zeroed bytes behind the header buffer keep those loads harmless.
constexpr i32 HeaderSpareBytes = 16;

u32 ReadBigEndian32(const u8* bytes) {
    return u32(bytes[0]) << 24 | u32(bytes[1]) << 16 | u32(bytes[2]) << 8 | bytes[3];
}

// One line of text: no NUL or LF before the first CR, which lies within
// bytes 0 to 62 and is followed by LF; every byte after that is zero.
bool IsBannerWellFormed(const u8* banner) {
    i32 carriageReturn = 0;
    for (; carriageReturn < BannerBytes - 1 && banner[carriageReturn] != '\r'; ++carriageReturn)
        if (banner[carriageReturn] == 0 || banner[carriageReturn] == '\n') return false;
    if (carriageReturn == BannerBytes - 1 || banner[carriageReturn + 1] != '\n') return false;
    for (i32 i = carriageReturn + 2; i < BannerBytes; ++i)
        if (banner[i] != 0) return false;
    return true;
}

// True when the file is known to hold fewer than `size` bytes; the file
// position is kept. A stream whose size cannot be learnt is left to the read.
bool FileShorterThan(FILE* file, u32 size) {
    const off_t here = ftello(file);
    if (here < 0 || fseeko(file, 0, SEEK_END) != 0) return false;
    const off_t fileSize = ftello(file);
    fseeko(file, here, SEEK_SET);
    return fileSize >= 0 && fileSize < off_t(size);
}

// Checks the header in `header` (H bytes plus zeroed spare bytes) and makes
// its descriptor.
i32 DescribeCompressedFile(CompressedFileDescriptor** out, const u8* header, u32 headerSize,
                           i32 blockSizeLog2, u32 blockCount, u32 packedStart, u32 packedEnd) {
    const u32 crcOffset = headerSize - HeaderCrcBytes;
    if (ComputeBlockCrc(header, i32(crcOffset)) != ReadBigEndian32(header + crcOffset))
        return DecodeError(CheckHeaderCrc, FileBroken);

    const size_t bytes = sizeof(CompressedFileDescriptor) + sizeof(u32) * (size_t(blockCount) + 1);
    auto* descriptor = static_cast<CompressedFileDescriptor*>(std::malloc(bytes));
    if (descriptor == nullptr) return DecodeError(CheckDescriptorMemory, OutOfMemory);
    EgtbIndexBytes += bytes;
    descriptor->blockSize = u32(1) << blockSizeLog2;
    descriptor->blockCount = blockCount;
    u32* offsets = reinterpret_cast<u32*>(descriptor + 1);
    descriptor->blockOffsets = offsets;

    // The packed area: N + 1 lengths, a 0 standing for a whole block, then
    // the 24 distances, used as they are.
    BitReader reader;
    StartBitReader(&reader, header + packedStart, header + packedEnd);
    for (u32 block = 0; block <= blockCount; ++block) {
        const u32 length = TakeBits(&reader, blockSizeLog2);
        offsets[block] = length ? length : descriptor->blockSize;
    }
    for (i32 slot = 0; slot < MatchDistanceCount; ++slot)
        descriptor->distances[slot] = -i32(TakeBits(&reader, blockSizeLog2));

    // The block code, whose stream must end before the checksum.
    u8 lengths[BlockCodeSymbols];
    StartBitReader(&reader, header + packedEnd, header + crcOffset);
    i32 result = 0;
    if (ReadHuffmanCodeLengths(&reader, lengths, BlockCodeSymbols) != 0)
        result = DecodeError(CheckCodeLengthStream, FileBroken);
    else if (BuildHuffmanDecodeTable(descriptor->decodeTable, lengths, BlockCodeSymbols,
                                     BlockCodeLookupBits) != 0)
        result = DecodeError(CheckBlockCodeTable, FileBroken);

    // Stored lengths become file offsets; the last must still be a 32-bit
    // offset.
    descriptor->lastBlockLength = offsets[blockCount];
    offsets[blockCount] = 0;
    u64 position = headerSize;
    for (u32 block = 0; block <= blockCount && result == 0; ++block) {
        const u32 storedLength = offsets[block];
        offsets[block] = u32(position);
        position += storedLength;
        if (position > UINT32_MAX) result = DecodeError(CheckBlockOffsets, FileBroken);
    }

    if (result) {
        std::free(descriptor);
        return result;
    }
    *out = descriptor;
    return 0;
}

}  // namespace

i32 ReadCompressedHeader(CompressedFileDescriptor** out, FILE* file) {
    if (out == nullptr) return DecodeError(CheckNoDescriptorPlace, BadArgument);
    *out = nullptr;

    u8 start[HeaderFixedBytes];
    if (std::fread(start, 1, HeaderFixedBytes, file) != size_t(HeaderFixedBytes))
        return DecodeError(CheckShortHeaderStart, ReadError);
    // A file without the banner is not a compressed table at all.
    if (!IsBannerWellFormed(start)) return DecodeError(CheckBanner, ReadError);

    const u32 headerSize = ReadBigEndian32(start + HeaderSizeOffset);
    const i32 blockSizeLog2 = start[BlockSizeLog2Offset];
    if (blockSizeLog2 > MaxBlockSizeLog2 || i32(headerSize) < MinHeaderBytes)
        return DecodeError(CheckHeaderSize, FileBroken);
    // Fields of 0 bits would give no lengths at all.
    if (blockSizeLog2 == 0) return DecodeError(CheckBlockSizeZero, FileBroken);
    if (start[DistanceCountOffset] != MatchDistanceCount)
        return DecodeError(CheckDistanceCount, FileBroken);
    const u32 blockCount = ReadBigEndian32(start + BlockCountOffset);
    if (ReadBigEndian32(start + FormatIdOffset) != CompressedFormatId)
        return DecodeError(CheckFormatId, FileBroken);
    if (blockCount == 0) return DecodeError(CheckBlockCountZero, FileBroken);

    // The block checks and the packed area must end before the checksum;
    // 64-bit sums, since N and H come from the file.
    const u64 packedStart = HeaderFixedBytes + u64(blockCount) * BlockCheckBytes;
    const u64 packedEnd =
        packedStart + ((u64(blockCount) + 1 + MatchDistanceCount) * u64(blockSizeLog2) + 7) / 8;
    if (packedEnd > headerSize - HeaderCrcBytes) return DecodeError(CheckHeaderLayout, FileBroken);
    // Do not take memory for a header the file cannot hold.
    if (FileShorterThan(file, headerSize)) return DecodeError(CheckFileShorterThanHeader, ReadError);

    auto* header = static_cast<u8*>(std::malloc(size_t(headerSize) + HeaderSpareBytes));
    if (header == nullptr) return DecodeError(CheckHeaderBufferMemory, OutOfMemory);
    const size_t restBytes = headerSize - HeaderFixedBytes;
    i32 result;
    if (std::fread(header + HeaderFixedBytes, 1, restBytes, file) != restBytes) {
        result = DecodeError(CheckShortHeader, ReadError);
    } else {
        std::memcpy(header, start, HeaderFixedBytes);
        std::memset(header + headerSize, 0, HeaderSpareBytes);
        result = DescribeCompressedFile(out, header, headerSize, blockSizeLog2, blockCount,
                                        u32(packedStart), u32(packedEnd));
    }
    std::free(header);
    return result;
}
