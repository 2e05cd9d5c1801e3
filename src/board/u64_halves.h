// A 64-bit value kept as two 32-bit words, low word first: the byte layout
// of a little-endian u64, but with 4-byte alignment, so hash records that
// hold keys and bitboards pack without padding and never read a misaligned
// u64.
#pragma once

#include "board/types.h"

struct U64Halves {
    u32 low;
    u32 high;

    u64 Get() const { return u64(high) << 32 | low; }
    void Set(u64 value) {
        low = u32(value);
        high = u32(value >> 32);
    }
};
static_assert(sizeof(U64Halves) == 8 && alignof(U64Halves) == 4, "two packed 32-bit words");
