// The most-significant-bit-first reader of the bit streams of compressed
// table files: the header's packed fields, its code-length stream and every
// coded block.
//
// It keeps at least 17 valid bits ahead and refills 16 bits at a time, so it
// never tests for the end of its input while it reads; it may load up to 4
// bytes beyond the last bit taken. Callers give it zeroed spare bytes behind
// the stream for that look-ahead, and ask BitReaderPassedEnd, at points of
// their choosing, whether the bits actually taken have run past the stream.
#pragma once

#include "board/types.h"

struct BitReader {
    u32 bits;         // the next bits of the stream, left-aligned
    i32 count;        // valid bits in `bits` minus 16
    const u8* next;   // next byte not yet loaded
    const u8* end;    // first byte past the stream
};

// The widest field taken in one step.
constexpr i32 MaxBitsPerTake = 16;

inline void StartBitReader(BitReader* reader, const u8* start, const u8* end) {
    reader->bits = u32(start[0]) << 24 | u32(start[1]) << 16 | u32(start[2]) << 8 | start[3];
    reader->count = 16;
    reader->next = start + 4;
    reader->end = end;
}

// The top k bits, not taken.
inline u32 PeekBits(const BitReader* reader, i32 k) { return u32(u64(reader->bits) >> (32 - k)); }

// Takes k bits (0 to 16). Shifting through 64 bits keeps k = 0 from being a
// shift by 32.
inline u32 TakeBits(BitReader* reader, i32 k) {
    const u32 value = PeekBits(reader, k);
    reader->bits <<= k;
    reader->count -= k;
    if (reader->count <= 0) {
        reader->bits |= u32(reader->next[0] << 8 | reader->next[1]) << -reader->count;
        reader->next += 2;
        reader->count += 16;
    }
    return value;
}

// Takes a field of up to 32 bits: its top 16 bits first, then the rest.
inline u32 TakeLongField(BitReader* reader, i32 k) {
    if (k <= MaxBitsPerTake) return TakeBits(reader, k);
    const u32 top = TakeBits(reader, MaxBitsPerTake);
    return top << (k - MaxBitsPerTake) | TakeBits(reader, k - MaxBitsPerTake);
}

// True when the bits taken so far reach beyond `end`. Bits merely loaded
// ahead do not count.
inline bool BitReaderPassedEnd(const BitReader* reader) {
    return (reader->next - reader->end) * 8 > reader->count + 16;
}
