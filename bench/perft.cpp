// Perft throughput: the published leaf counts of a handful of positions at
// their deepest listed depth, each checked, timed and reported in leaves per
// second. Every leaf is made, tested for legality and taken back.
//
//   bench_perft            every position at its deepest listed depth
//   bench_perft <depth>    no position deeper than <depth>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "board/board.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "board/legal_moves.h"
#include "board/make_move.h"
#include "platform/platform.h"

// The same table of published counts as the tests (the benchmarks have no
// include path into the test tree).
#include "support/perft_positions.h"

int main(int argc, char** argv) {
    const i32 depthCap = argc > 1 ? std::atoi(argv[1]) : PerftMaxDepth;
    InitEngineTables();

    u64 totalLeaves = 0;
    i64 totalMs = 0;
    i32 failures = 0;
    for (const PublishedPerft& position : PublishedPerftPositions) {
        if (!ParseFen(position.fen)) {
            std::printf("cannot set up %s\n", position.fen);
            return 1;
        }
        i32 depth = 0;
        while (depth < PublishedPerftDepths && position.leaves[depth] && depth < depthCap) depth++;
        if (depth == 0) continue;

        MoveStackTop = 0;
        PerftNodes = 0;
        const i64 start = NowMs();
        PerftCount(depth);
        const i64 elapsed = NowMs() - start;

        const u64 expected = position.leaves[depth - 1];
        const bool ok = PerftNodes == expected;
        failures += ok ? 0 : 1;
        totalLeaves += PerftNodes;
        totalMs += elapsed;
        std::printf("depth %d %12" PRIu64 " leaves %7.2f s %7.1f M leaves/s %s  %s\n", depth,
                    PerftNodes, double(elapsed) * 0.001,
                    elapsed > 0 ? double(PerftNodes) / double(elapsed) / 1000.0 : 0.0,
                    ok ? "ok" : "WRONG", position.fen);
        if (!ok) std::printf("    expected %" PRIu64 "\n", expected);
    }
    std::printf("total %" PRIu64 " leaves in %.2f s = %.1f M leaves/s\n", totalLeaves,
                double(totalMs) * 0.001,
                totalMs > 0 ? double(totalLeaves) / double(totalMs) / 1000.0 : 0.0);
    return failures ? 1 : 0;
}
