#include "tablebase/block_crc.h"

namespace {

inline u32 CrcStep(u32 crc, u8 byte) { return CrcTable[(crc ^ byte) & 0xFF] ^ (crc >> 8); }

}  // namespace

u32 ComputeBlockCrc(const u8* data, i32 length) {
    u32 crc = 0;
    // Sixteen bytes per pass keep the loop overhead off the header check.
    for (; length >= 16; length -= 16, data += 16)
        for (i32 i = 0; i < 16; ++i) crc = CrcStep(crc, data[i]);
    for (i32 i = 0; i < length; ++i) crc = CrcStep(crc, data[i]);
    return crc;
}
