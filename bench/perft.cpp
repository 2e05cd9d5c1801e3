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
#include "driver/platform.h"

namespace {

struct PerftPosition {
    const char* fen;
    u64 leaves[8];  // by depth 1.., 0 after the last published count
};

// En-passant fields are in the engine's form: the square of the pawn that
// has just made its double step.
const PerftPosition Positions[] = {
    {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
     {20, 400, 8902, 197281, 4865609, 119060324}},
    {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
     {48, 2039, 97862, 4085603, 193690690}},
    {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", {14, 191, 2812, 43238, 674624, 11030083}},
    {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -",
     {6, 264, 9467, 422333, 15833292}},
    {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -", {44, 1486, 62379, 2103487, 89941194}},
    {"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - -",
     {46, 2079, 89890, 3894594, 164075551}},
    {"rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f5",
     {31, 707, 21637, 524138, 16422290}},
    {"8/8/8/8/k2Pp2Q/8/8/3K4 b - d4", {6, 136, 863, 20471, 117741, 2822114}},
};

}  // namespace

int main(int argc, char** argv) {
    const i32 depthCap = argc > 1 ? std::atoi(argv[1]) : PerftMaxDepth;
    InitEngineTables();

    u64 totalLeaves = 0;
    i64 totalMs = 0;
    i32 failures = 0;
    for (const PerftPosition& position : Positions) {
        if (!ParseFen(position.fen)) {
            std::printf("cannot set up %s\n", position.fen);
            return 1;
        }
        i32 depth = 0;
        while (depth < 8 && position.leaves[depth] && depth < depthCap) depth++;
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
