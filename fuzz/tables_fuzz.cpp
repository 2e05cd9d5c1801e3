// Tablebase files: the fuzzer's bytes become one file of a three-man table,
// plain or block-compressed, which the scan registers (or skips with its
// line) and the probe then reads through a small block cache, so that
// blocks are replaced, read again and decoded over and over.
//
// Input: one byte of choices, then the file's bytes.
//   bits 0-2  the table: kpk, knk, kbk, krk, kqk (values 5 to 7 are kqk)
//   bit 3     the side: 0 white to move (.nbw), 1 black to move (.nbb)
//   bit 4     0 a plain file, 1 a compressed one (".emd" added)
//   bit 5     plain: the bytes repeated to the table's exact length, so the
//             file is registered and its values probed (else the bytes as
//             they are, mostly a wrong length)
//             compressed: our banner over the first 64 bytes
//   bit 6     compressed: the header checksum made right, so that the
//             fuzzer gets past it to the fields, the code and the blocks
//
// Plain files are checked value by value: each probe must give the stored
// byte's value or no value, never another. Any exit of the process (a
// fatal message) is a finding too.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

#include "board/fen.h"
#include "board/init_tables.h"
#include "engine_run.h"
#include "tablebase/block_cache.h"
#include "tablebase/block_crc.h"
#include "tablebase/compressed_header.h"
#include "tablebase/registry.h"
#include "tablebase/table_files.h"
#include "tablebase/tablebase.h"
#include "tablebase/tablebase_settings.h"

namespace {

const char* const Tables[] = {"kpk", "knk", "kbk", "krk", "kqk"};
// A few blocks, so that probes replace them.
constexpr u32 CacheBytes = 4 * TableBlockBudgetBytes;
// Probes spread over the side, every block reached.
constexpr u64 ProbeStep = 97;

// A position of each table's material, for the whole probe.
const char* const TableFens[][2] = {
    {"8/8/8/4k3/8/8/P7/4K3 w - - 0 1", "8/8/8/4k3/8/8/P7/4K3 b - - 0 1"},
    {"8/8/8/4k3/8/8/N7/4K3 w - - 0 1", "8/8/8/4k3/8/8/N7/4K3 b - - 0 1"},
    {"8/8/8/4k3/8/8/B7/4K3 w - - 0 1", "8/8/8/4k3/8/8/B7/4K3 b - - 0 1"},
    {"8/8/8/4k3/8/8/R7/4K3 w - - 0 1", "8/8/8/4k3/8/8/R7/4K3 b - - 0 1"},
    {"8/8/8/4k3/8/8/Q7/4K3 w - - 0 1", "8/8/8/4k3/8/8/Q7/4K3 b - - 0 1"},
};

i32 TableId(const char* name) {
    for (i32 id = 1; id < TablebaseCount; ++id)
        if (std::string(TablebaseRegistry[id].name) == name) return id;
    std::abort();
}

u32 BigEndian32(const u8* bytes) {
    return u32(bytes[0]) << 24 | u32(bytes[1]) << 16 | u32(bytes[2]) << 8 | bytes[3];
}

// The raw value a one-byte table stores as b.
i32 RawValueOfByte(i32 b) {
    if (b == 127) return NoTableValue;
    if (b == 0) return 0;
    if (b == -128) return 32640;
    if (b == -127) return -32640;
    return b > 0 ? 32640 + b : b - 32640;
}

void WriteCompressed(std::vector<u8> file, bool banner, bool seal, const std::string& name) {
    if (banner && file.size() >= size_t(BannerBytes))
        std::copy(CompressedBanner, CompressedBanner + BannerBytes, file.begin());
    if (seal && file.size() >= size_t(HeaderFixedBytes)) {
        const u32 headerSize = BigEndian32(&file[64]);
        if (headerSize >= u32(MinHeaderBytes) && headerSize <= file.size()) {
            const u32 crc = ComputeBlockCrc(file.data(), i32(headerSize - 4));
            for (i32 i = 0; i < 4; ++i) file[headerSize - 4 + i] = u8(crc >> (24 - 8 * i));
        }
    }
    WriteScratchFile(name, file.data(), file.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = (InitEngineTables(), true);
    (void)ready;
    if (size < 1) return 0;
    const u8 choices = data[0];
    const i32 table = std::min(choices & 7, 4);
    const i32 side = choices >> 3 & 1;
    const bool compressed = choices >> 4 & 1;
    const i32 id = TableId(Tables[table]);
    const u64 positions = TablebaseRegistry[id].indexSize[side];
    const std::vector<u8> bytes(data + 1, data + size);

    std::string name = std::string(Tables[table]) + (side ? ".nbb" : ".nbw");
    std::vector<u8> plain;
    if (compressed) {
        WriteCompressed(bytes, choices >> 5 & 1, choices >> 6 & 1, name + ".emd");
    } else if ((choices >> 5 & 1) && !bytes.empty()) {
        plain.resize(positions);
        for (u64 i = 0; i < positions; ++i) plain[i] = bytes[i % bytes.size()];
        WriteScratchFile(name, plain.data(), plain.size());
    } else {
        WriteScratchFile(name, bytes.data(), bytes.size());
    }

    EgtbCacheBytes = CacheBytes;
    if (InitTablebases(ScratchDirPath().c_str()) != 0) {
        AllocTableCache();
        for (u64 index = 0; index < positions; index += ProbeStep) {
            const i32 value = ProbeTableValue(id, side, index);
            if (!plain.empty() && value != RawValueOfByte(i8(plain[index]))) std::abort();
        }
        const i32 last = ProbeTableValue(id, side, positions - 1);
        if (!plain.empty() && last != RawValueOfByte(i8(plain[positions - 1]))) std::abort();
        // The whole probe, from a position of the table's material.
        if (ParseFen(TableFens[table][side])) {
            i32 score = 0;
            ProbeTablebase(1 - side, &score);
        }
    }
    InitTablebases(nullptr);
    FreeTableCache();
    EgtbCacheBytes = DefaultEgtbCacheBytes;
    ClearScratchFiles();
    return 0;
}
