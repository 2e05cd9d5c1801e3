// Tablebase probes per second over the three-man tables that the tests'
// retrograde solver writes: value lookups at scattered indices of kpk, plain
// and block-compressed, with a cache that holds the whole table (hot) and
// with a cache of one block (every lookup in another block is a miss).
// Then the search over KRK and KQKR positions of known mate length, with the
// tables on and off: nodes per second, and the time and depth of the first
// fresh fixed-depth search that scores a mate.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/fen.h"
#include "driver/new_game.h"
#include "search/root_moves.h"
#include "silent_search.h"
#include "support/placement_field.h"
#include "tablebase/block_cache.h"
#include "tablebase/compressed_encoder.h"
#include "tablebase/four_man_solver.h"
#include "tablebase/retrograde_solver.h"
#include "tablebase/table_file_fixtures.h"
#include "tablebase/table_files.h"
#include "tablebase/tablebase.h"
#include "tablebase/tablebase_settings.h"

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

// A position with White to move and a win in `moves`, as a FEN.
std::string WinFen(const retro::Solved& solved, i32 moves, const char men[2], bool fourMen) {
    for (u32 n = 0; n < solved.value.size(); n += 2) {
        if (solved.value[n] != 127 - moves) continue;
        char squares[64] = {};
        if (fourMen) {
            const retro::FourMan p = retro::FourManOfNumber(n);
            squares[p.sq[0]] = men[0];
            squares[p.sq[1]] = men[1];
            squares[p.sq[2]] = 'K';
            squares[p.sq[3]] = 'k';
        } else {
            squares[n / 2 % 64] = men[0];
            squares[n / 128 % 64] = 'K';
            squares[n / 8192] = 'k';
        }
        return PlacementField(squares) + " w - -";
    }
    return "";
}

// Fresh fixed-depth searches of rising depth until one scores a mate (or
// maxDepth): prints that depth, its time, nodes and nodes per second.
void TimeToMate(const char* label, const std::string& fen, i32 maxDepth) {
    for (i32 depth = 2; depth <= maxDepth; ++depth) {
        if (ParseFen(fen.c_str()) != 1) return;
        ResetGameTables();
        board.SearchAbort = 0;
        DrawScore = 0;
        SearchStartTime = ClockCs();
        const auto start = std::chrono::steady_clock::now();
        SearchRoot(depth, 0);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const bool mate = std::abs(RootScore[0]) > 32000;
        if (mate || depth == maxDepth) {
            std::printf("%-34s depth %2d %9.3f s %10" PRIu64 " nodes %10.0f nodes/s %s\n", label, depth, seconds,
                        u64(NodeCount), seconds > 0 ? double(NodeCount) / seconds : 0.0, mate ? "mate" : "no mate");
            return;
        }
    }
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

    // The search with and without the solved tables.
    if (!PrepareSilentSearch()) return 1;
    const std::string searchDir = TemporaryDir();
    for (const char* name : {"kqk", "krk", "kbk", "knk", "kpk"})
        for (i32 side = 0; side < 2; ++side)
            if (retro::TableFileBytes(TablebaseRegistry[TableId(name)], side, bytes))
                WriteWholeFile(searchDir + "/" + name + (side ? ".nbb" : ".nbw"), bytes);
    for (i32 side = 0; side < 2; ++side)
        if (retro::FourManFileBytes(TablebaseRegistry[TableId("kqkr")], side, bytes))
            WriteWholeFile(searchDir + "/kqkr" + (side ? ".nbb" : ".nbw"), bytes);
    struct Ending {
        const char* label;
        const char men[2];
        bool fourMen;
        i32 moves;
    };
    const Ending endings[] = {{"krk mate in 16", {'R', 0}, false, 16}, {"krk mate in 8", {'R', 0}, false, 8},
                              {"kqkr mate in 35", {'Q', 'r'}, true, 35}, {"kqkr mate in 12", {'Q', 'r'}, true, 12}};
    std::printf("\n%-34s %8s %11s %16s %17s\n", "search", "depth", "time", "nodes", "speed");
    for (const bool tables : {true, false}) {
        // As start-up does: the scan gives the largest table size the search probes.
        EgtbMaxPieces = InitTablebases(tables ? searchDir.c_str() : nullptr);
        EgtbCacheBytes = 1u << 22;
        AllocTableCache();
        for (const Ending& e : endings) {
            const retro::Solved& solved = e.fourMen ? retro::FourManTable("kqkr") : retro::ThreeManTables().at("krk");
            const std::string label = std::string(e.label) + (tables ? ", tables on" : ", tables off");
            TimeToMate(label.c_str(), WinFen(solved, e.moves, e.men, e.fourMen), 14);
        }
    }
    InitTablebases(nullptr);
    FreeTableCache();
    return 0;
}
