// The 32-bit checksum of compressed table files: the header carries it over
// its own bytes and over the decoded and stored bytes of every block.
//
// It is not the usual CRC-32: the polynomial is applied when the low bit is
// 0, and there is neither an initial nor a final inversion.
#pragma once

#include <array>

#include "board/types.h"

constexpr u32 CrcPolynomial = 0xEDB88320;

constexpr std::array<u32, 256> MakeCrcTable() {
    std::array<u32, 256> table{};
    for (u32 n = 0; n < 256; ++n) {
        u32 c = n;
        for (i32 bit = 0; bit < 8; ++bit) c = (c & 1) ? c >> 1 : (c >> 1) ^ CrcPolynomial;
        table[n] = c;
    }
    return table;
}

// Built by the compiler, so there is nothing to initialise at run time.
constexpr std::array<u32, 256> CrcTable = MakeCrcTable();

u32 ComputeBlockCrc(const u8* data, i32 length);
