// The checksum of compressed table files against its known check
// values (it is not zlib's CRC-32: the polynomial goes in on a 0 bit).
#include "tablebase/block_crc.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(BlockCrc, CheckValues) {
    EXPECT_EQ(CrcTable[0], 0x2D02EF8Du);
    EXPECT_EQ(CrcTable[255], 0u);
    const u8 abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(ComputeBlockCrc(abc, 3), 0xCADBBEC2u);
    EXPECT_EQ(ComputeBlockCrc(abc, 0), 0u);
}

// The sixteen-byte passes give what the byte-at-a-time rule gives, for
// every length around a pass boundary.
TEST(BlockCrc, PassesAgreeWithTheByteRule) {
    std::vector<u8> data(70);
    for (size_t i = 0; i < data.size(); ++i) data[i] = u8(i * 37 + 11);
    for (i32 length = 0; length <= i32(data.size()); ++length) {
        u32 crc = 0;
        for (i32 i = 0; i < length; ++i) crc = CrcTable[(crc ^ data[size_t(i)]) & 0xFF] ^ (crc >> 8);
        EXPECT_EQ(ComputeBlockCrc(data.data(), length), crc) << "length " << length;
    }
}

}  // namespace
