// Tablebase probes per second over the three-man tables that the tests'
// retrograde solver writes: value lookups at scattered indices of kpk, plain
// and block-compressed, with a cache that holds the whole table (hot) and
// with a cache of one block (every lookup in another block is a miss).
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "tablebase/block_cache.h"
#include "tablebase/compressed_encoder.h"
#include "tablebase/retrograde_solver.h"
#include "tablebase/table_file_fixtures.h"
#include "tablebase/tablebase.h"

namespace {

constexpr int Lookups = 2000000;

// Lookups per second of the fastest of three passes.
double LookupsPerSecond(i32 id, const std::vector<u64>& indices) {
    double fastest = 1e30;
    i64 sink = 0;
    for (int run = 0; run < 3; run++) {
        const auto start = std::chrono::steady_clock::now();
        for (const u64 index : indices) sink += ProbeTableValue(id, 0, index);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        fastest = std::min(fastest, elapsed.count());
    }
    if (sink == 42) std::printf(" ");
    return double(indices.size()) / fastest;
}

std::string TemporaryDir() {
    char pattern[] = "/tmp/korvalent-bench-XXXXXX";
    const char* made = mkdtemp(pattern);
    return made ? made : "/tmp";
}

}  // namespace

int main() {
    const i32 kpk = TableId("kpk");
    std::vector<u8> bytes;
    if (!retro::TableFileBytes(TablebaseRegistry[kpk], 0, bytes)) return 1;
    const std::string plainDir = TemporaryDir(), compressedDir = TemporaryDir();
    WriteWholeFile(plainDir + "/kpk.nbw", bytes);
    WriteWholeFile(compressedDir + "/kpk.nbw.emd", test_encoder::EncodeTable(bytes).file);

    // Scattered indices by the engine's own generator rule.
    std::vector<u64> indices(Lookups);
    u32 state = 1;
    for (u64& index : indices) {
        state = state * 214013 + 2531011;
        const u32 high = (state >> 16) & 0x7FFF;
        state = state * 214013 + 2531011;
        index = (u64(high) << 15 | ((state >> 16) & 0x7FFF)) % bytes.size();
    }

    std::printf("%-12s %-10s %16s\n", "file", "cache", "lookups/s");
    for (const auto& [name, dir] : {std::pair<const char*, std::string>{"plain", plainDir}, {"compressed", compressedDir}}) {
        InitTablebases(dir.c_str());
        for (const auto& [label, cacheBytes] : {std::pair<const char*, u32>{"hot", 1u << 20}, {"one block", TableBlockBudgetBytes}}) {
            EgtbCacheBytes = cacheBytes;
            AllocTableCache();
            std::printf("%-12s %-10s %16.0f\n", name, label, LookupsPerSecond(kpk, indices));
        }
    }
    InitTablebases(nullptr);
    FreeTableCache();
    return 0;
}
