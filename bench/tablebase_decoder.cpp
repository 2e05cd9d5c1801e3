// Decoded megabytes per second of the tablebase block decompressor on a
// table encoded by the test encoder: every block loaded and decoded whole,
// as the block cache does on a miss, and the load alone for comparison.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "tablebase/block_decoder.h"
#include "tablebase/compressed_encoder.h"
#include "tablebase/decode_support.h"

namespace {

constexpr size_t TableBytes = 16 << 20;
constexpr int Runs = 5;

// Milliseconds of the fastest of Runs passes over all blocks.
template <typename Pass>
double FastestPass(Pass pass) {
    double fastest = 1e30;
    for (int run = 0; run < Runs; run++) {
        const auto start = std::chrono::steady_clock::now();
        pass();
        const std::chrono::duration<double, std::milli> elapsed =
            std::chrono::steady_clock::now() - start;
        fastest = std::min(fastest, elapsed.count());
    }
    return fastest;
}

}  // namespace

int main() {
    const std::vector<u8> table = test_encoder::TableLikeData(TableBytes, 1);
    const test_encoder::EncodedTable encoded = test_encoder::EncodeTable(table);
    MemoryFile file(encoded.file);
    HeaderRead header;
    ReadHeaderOf(file, &header);
    OwnedDecodeState owned;
    if (header.result || owned.state == nullptr) {
        std::printf("could not read the encoded table: %d\n", header.result);
        return 1;
    }
    const CompressedFileDescriptor* descriptor = header.descriptor;
    const size_t coded = size_t(std::count(encoded.plainBlock.begin(), encoded.plainBlock.end(), false));
    std::vector<u8> area(CacheBlockArea);
    u64 check = 0;

    const double loadMs = FastestPass([&] {
        for (u32 block = 0; block < descriptor->blockCount; ++block) {
            InitDecodeState(owned.state, area.data());
            LoadCompressedBlock(owned.state, descriptor, file.file, i32(block));
            check += area[0];
        }
    });
    const double decodeMs = FastestPass([&] {
        for (u32 block = 0; block < descriptor->blockCount; ++block) {
            InitDecodeState(owned.state, area.data());
            LoadCompressedBlock(owned.state, descriptor, file.file, i32(block));
            DecodeCompressedBlock(owned.state, descriptor, owned.state->expectedLength);
            check += area[owned.state->expectedLength - 1];
        }
    });

    const double megabytes = double(TableBytes) / (1 << 20);
    std::printf("table %.0f MB in %u blocks (%zu coded), compressed to %.1f%%\n", megabytes,
                descriptor->blockCount, coded, 100.0 * double(encoded.file.size()) / double(TableBytes));
    std::printf("load + decode: %.1f ms, %.0f MB/s decoded\n", decodeMs, megabytes / decodeMs * 1000);
    std::printf("load alone:    %.1f ms; decode alone about %.0f MB/s\n", loadMs,
                megabytes / std::max(decodeMs - loadMs, 1e-3) * 1000);
    std::printf("(check %llu)\n", static_cast<unsigned long long>(check));
    return 0;
}
