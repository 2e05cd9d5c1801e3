#include "tablebase/block_decoder.h"

#include <sys/types.h>

#include <cstdlib>
#include <cstring>

#include "tablebase/decode_error.h"
#include "tablebase/huffman_code.h"
#include "tablebase/tablebase_settings.h"

// Offsets of compressed parts reach 4 GB, also in the 32-bit build.
static_assert(sizeof(off_t) == 8, "compile with 64-bit file offsets");

DecodeState* EgtbDecodeState = nullptr;

namespace {

constexpr i32 FirstMatchSymbol = 256;
constexpr i32 LengthCodeBits = 5;
constexpr i32 LengthCodeMask = (1 << LengthCodeBits) - 1;
// Length codes 0 to 3 (1 to 4 bytes) copy a fixed 4 bytes.
constexpr i32 ShortMatchCodes = 4;
constexpr u32 ShortMatchCopy = 4;
// Length codes from 15 on are followed by (code - 14) extra bits.
constexpr i32 FirstExtraBitsCode = 15;
constexpr u32 ExtraBitsLengthBias = 14;
constexpr u32 CopyChunk = 16;

// Copies byte by byte in increasing order, so that a source that overlaps
// the bytes being written repeats the last bytes written.
inline void CopyBytes(u8* write, const u8* source, u32 length) {
    for (u32 i = 0; i < length; ++i) write[i] = source[i];
}

// Copies a match, cutting one of more than 16 bytes exactly at the target
// and keeping its rest pending; shorter ones are written whole.
inline void CopyMatch(DecodeState* state, u8*& write, const u8*& source, u32 length,
                      const u8* target) {
    const u32 room = u32(target - write);
    if (length > CopyChunk && length > room) {
        state->pendingLength = length - room;
        length = room;
    }
    for (; length > CopyChunk; length -= CopyChunk) {
        CopyBytes(write, source, CopyChunk);
        write += CopyChunk;
        source += CopyChunk;
    }
    CopyBytes(write, source, length);
    write += length;
    source += length;
}

}  // namespace

i32 AllocDecodeState(DecodeState** out) {
    if (out == nullptr) return DecodeError(CheckNoDecodeStatePlace, BadArgument);
    *out = nullptr;
    auto* state = static_cast<DecodeState*>(std::calloc(1, sizeof(DecodeState)));
    if (state == nullptr) return DecodeError(CheckDecodeStateMemory, OutOfMemory);
    EgtbIndexBytes += sizeof(DecodeState);
    InitDecodeState(state, nullptr);
    *out = state;
    return 0;
}

i32 InitDecodeState(DecodeState* state, u8* outputArea) {
    if (state == nullptr) return DecodeError(CheckInitNullState, BadArgument);
    state->outputArea = outputArea;
    // Whatever was loaded belonged to another area.
    state->writePos = nullptr;
    state->stream.next = state->inputArea;
    state->magic = DecodeStateMagic;
    return 0;
}

i32 LoadCompressedBlock(DecodeState* state, const CompressedFileDescriptor* descriptor, FILE* file,
                        i32 block) {
    if (state == nullptr || state->magic != DecodeStateMagic || state->outputArea == nullptr)
        return DecodeError(CheckLoadStateNotReady, BadArgument);
    if (u32(block) >= descriptor->blockCount) return DecodeError(CheckBlockNumber, BadArgument);
    state->writePos = nullptr;
    state->expectedLength =
        u32(block) == descriptor->blockCount - 1 ? descriptor->lastBlockLength : descriptor->blockSize;

    const u32 start = descriptor->blockOffsets[block];
    const u32 storedLength = descriptor->blockOffsets[block + 1] - start;
    if (storedLength > MaxStoredBlockBytes) return DecodeError(CheckStoredLength, FileBroken);
    if (fseeko(file, off_t(start), SEEK_SET) != 0) return DecodeError(CheckBlockSeek, ReadError);
    if (std::fread(state->inputArea, 1, storedLength, file) != storedLength)
        return DecodeError(CheckShortBlock, ReadError);
    // The look-ahead past the stored bytes reads zeros, never old data.
    std::memset(state->inputArea + storedLength, 0, InputLookAheadBytes);
    state->stream.end = state->inputArea + storedLength;
    state->pendingLength = 0;
    state->streamError = 0;

    if (storedLength == state->expectedLength) {
        std::memcpy(state->outputArea, state->inputArea, storedLength);
        state->writePos = state->outputArea + storedLength;
    } else {
        state->writePos = state->outputArea;
    }
    return 0;
}

i32 DecodeCompressedBlock(DecodeState* state, const CompressedFileDescriptor* descriptor, u32 want) {
    if (state == nullptr || state->magic != DecodeStateMagic)
        return DecodeError(CheckDecodeStateNotReady, BadArgument);
    if (want - 1 > state->expectedLength - 1) return DecodeError(CheckWantedLength, BadArgument);
    if (state->writePos == nullptr) return DecodeError(CheckNoBlockLoaded, BadArgument);
    // A block found broken stays broken.
    if (state->streamError) return state->streamError;
    return DecodeBlockStream(descriptor, state, state->outputArea + want);
}

i32 DecodeBlockStream(const CompressedFileDescriptor* descriptor, DecodeState* state, u8* target) {
    u8* write = state->writePos;
    if (write >= target) return 0;
    u8* const output = state->outputArea;
    const u8* source = state->pendingSource;
    BitReader stream = state->stream;

    if (write == output) {
        // First call for this block: its stream starts at its first byte.
        StartBitReader(&stream, state->inputArea, stream.end);
        state->pendingLength = 0;
    } else if (state->pendingLength) {
        // The rest of a match cut at the last target comes first.
        const u32 length = state->pendingLength;
        state->pendingLength = 0;
        CopyMatch(state, write, source, length, target);
    }

    i32 result = 0;
    while (write < target) {
        const i32 symbol = DecodeSymbol(&stream, descriptor->decodeTable, BlockCodeLookupBits);
        if (symbol < FirstMatchSymbol) {
            *write++ = u8(symbol);
        } else {
            const i32 matchCode = symbol - FirstMatchSymbol;
            const i32 lengthCode = matchCode & LengthCodeMask;
            const i32 distance = -descriptor->distances[matchCode >> LengthCodeBits];
            // A sound file only copies bytes this block has already written.
            if (distance <= 0 || distance > write - output) {
                result = DecodeError(CheckMatchSource, FileBroken);
                break;
            }
            source = write - distance;
            if (lengthCode < ShortMatchCodes) {
                CopyBytes(write, source, ShortMatchCopy);
                write += lengthCode + 1;
                source += ShortMatchCopy;
            } else {
                u32 length = u32(lengthCode) + 1;
                if (lengthCode >= FirstExtraBitsCode) {
                    const i32 extraBits = lengthCode - (FirstExtraBitsCode - 1);
                    length = (u32(1) << extraBits) + TakeLongField(&stream, extraBits) +
                             ExtraBitsLengthBias;
                }
                CopyMatch(state, write, source, length, target);
            }
        }
        // The symbols must come from the stored bytes, not the zeros behind.
        if (BitReaderPassedEnd(&stream)) {
            result = DecodeError(CheckStreamPastEnd, FileBroken);
            break;
        }
    }

    state->writePos = write;
    state->pendingSource = source;
    state->stream = stream;
    if (result) state->streamError = result;
    return result;
}
