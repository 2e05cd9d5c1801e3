// Search speed with the learning file consulted: the same fixed-depth
// searches with UseLearningData off, on with an empty "Learn.kv1", and on
// with a file of 100000 records whose keys match none of the positions (so
// every search visits the same nodes and only the lookups cost time).
//
//   bench_learning_lookup [depth]     (default depth 10)
// Runs in a scratch directory of its own under /tmp.
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "board/board.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "board/modes.h"
#include "book/learning.h"
#include "driver/new_game.h"
#include "eval/eval_params.h"
#include "eval/material_table.h"
#include "search/hash_tables.h"
#include "search/history.h"
#include "search/root_moves.h"
#include "search/root_search.h"
#include "search/search_limits.h"
#include "search/time_control.h"
#include "silent_search.h"

namespace {

// Positions with enough pieces on both sides for the lookup to be made.
constexpr const char* Positions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
    "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq -",
    "rnbqk2r/ppp1ppbp/3p1np1/8/2PPP3/2N5/PP3PPP/R1BQKBNR w KQkq -",
    "r2q1rk1/pp2bppp/2n1pn2/3p4/3P1B2/2NBPN2/PP3PPP/R2Q1RK1 w - -",
    "r1bq1rk1/ppp2ppp/2np1n2/2b1p3/2B1P3/2NP1N2/PPP2PPP/R1BQ1RK1 b - -",
    "2q1rr1k/3bbnnp/p2p1pp1/2pPp3/PpP1P1P1/1P2BNNP/2BQ1PRK/7R b - -",
};

constexpr u32 FullFileRecords = 100000;

void PutWord(std::vector<unsigned char>& bytes, u32 offset, u32 value) {
    for (int i = 0; i < 4; i++) bytes[offset + i] = u8(value >> (8 * i));
}

// A learning file of count records with keys from a fixed generator,
// chained as the engine chains them.
void WriteLearnFile(u32 count) {
    std::vector<unsigned char> bytes(LearnRecordsStart + size_t(count) * LearnRecordBytes, 0);
    std::memcpy(bytes.data(), "Korvalent learning file", LearnHeaderBytes);
    std::vector<u32> chainEnd(LearnChainCount);
    for (u32 chain = 0; chain < LearnChainCount; chain++) chainEnd[chain] = LearnHeaderBytes + 4 * chain;
    u64 state = 0x9E3779B97F4A7C15ull;
    for (u32 i = 0; i < count; i++) {
        state ^= state << 13, state ^= state >> 7, state ^= state << 17;
        const u32 at = LearnRecordsStart + i * LearnRecordBytes;
        PutWord(bytes, at, 60 * 20 + 30);
        PutWord(bytes, at + 4, u32(-100));
        PutWord(bytes, at + 12, u32(state));
        PutWord(bytes, at + 16, u32(state >> 32));
        PutWord(bytes, chainEnd[u32(state) & 0xFFFF], at);
        chainEnd[u32(state) & 0xFFFF] = at + LearnNextField;
    }
    FILE* file = std::fopen("Learn.kv1", "wb");
    if (file == nullptr) std::exit(1);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

// The searches of every position from cleared tables: nodes and seconds.
void RunSearches(int depth, u64* nodes, double* seconds) {
    *nodes = 0;
    *seconds = 0;
    for (const char* fen : Positions) {
        if (ParseFen(fen) != 1) std::exit(1);
        ResetGameTables();
        std::memset(PlyStack, 0, sizeof PlyStack);
        std::memset(CaptureTries, 0, sizeof CaptureTries);
        std::memset(CaptureSuccess, 0, sizeof CaptureSuccess);
        std::memset(CaptureStatStamp, 0, sizeof CaptureStatStamp);
        SearchesOutOfBook = 0;
        board.SearchAbort = 0;
        DrawScore = 0;
        SearchStartTime = ClockCs();
        const auto start = std::chrono::steady_clock::now();
        SearchRoot(depth, 0);
        *seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        *nodes += NodeCount;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int depth = argc > 1 ? std::atoi(argv[1]) : 10;
    if (depth < 2 || depth > 98) {
        std::fprintf(stderr, "depth must be 2..98\n");
        return 1;
    }
    char scratch[] = "/tmp/korvalent-bench-XXXXXX";
    if (mkdtemp(scratch) == nullptr || chdir(scratch) != 0) return 1;

    if (!PrepareSilentSearch()) return 1;

    struct Run {
        const char* name;
        i32 useData;
        i64 records;  // -1: no file opened
    };
    const Run runs[] = {
        {"learning data off", 0, -1},
        {"empty learning file", 1, 0},
        {"100000 records", 1, FullFileRecords},
    };
    for (const Run& run : runs) {
        CloseLearningFile();
        UseLearningData = run.useData;
        if (run.records >= 0) {
            WriteLearnFile(u32(run.records));
            OpenLearningFile();
        }
        u64 nodes = 0;
        double seconds = 0;
        RunSearches(depth, &nodes, &seconds);
        std::printf("%-20s %12" PRIu64 " nodes %8.2f s %10.0f nodes/s\n", run.name, nodes, seconds,
                    seconds > 0 ? double(nodes) / seconds : 0.0);
    }
    CloseLearningFile();
    std::remove("Learn.kv1");
    rmdir(scratch);
    std::printf("depth %d, %d positions\n", depth, int(sizeof Positions / sizeof Positions[0]));
    return 0;
}
