// Fixed-depth search over a fixed set of positions, from the opening to the
// ending, each searched from cleared tables (transposition table, pawn
// hash, evaluation cache, history, killers, evasion killers and the capture
// statistics) so that its node count depends on nothing but the search and
// the evaluation. The total node count is the signature of the run: it
// changes only when the search or the evaluation does.
//
//   bench_search_bench [depth] [moves]   (default depth 11)
//
// With "moves" it also prints each position's node count, best move and
// score, so that a change meant to keep the tree can be checked position by
// position.
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

#include "board/board.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "board/modes.h"
#include "board/move_text.h"
#include "driver/new_game.h"
#include "driver/search_input.h"
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

enum Phase { Opening, Middlegame, Ending, PhaseCount };
const char* const PhaseNames[PhaseCount] = {"openings", "middlegames", "endgames"};

struct BenchPosition {
    Phase phase;
    const char* fen;
};

constexpr BenchPosition Positions[] = {
    {Opening, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -"},
    {Opening, "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq -"},
    {Opening, "rnbqkb1r/pp2pppp/3p1n2/8/3NP3/8/PPP2PPP/RNBQKB1R w KQkq -"},
    {Opening, "rnbqkb1r/pppp1ppp/4pn2/8/2PP4/8/PP2PPPP/RNBQKBNR w KQkq -"},
    {Opening, "rnbqkbnr/pp1ppppp/8/2p5/4P3/8/PPPP1PPP/RNBQKBNR w KQkq -"},
    {Opening, "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq -"},
    {Opening, "rnbqk2r/ppp1ppbp/3p1np1/8/2PPP3/2N5/PP3PPP/R1BQKBNR w KQkq -"},
    {Opening, "rnbqkbnr/ppp2ppp/4p3/3p4/3PP3/8/PPP2PPP/RNBQKBNR w KQkq -"},
    {Middlegame, "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -"},
    {Middlegame, "r2q1rk1/pp2bppp/2n1pn2/3p4/3P1B2/2NBPN2/PP3PPP/R2Q1RK1 w - -"},
    {Middlegame, "2kr3r/ppp1qppp/2n1bn2/2b1p3/4P3/2NP1N2/PPPBBPPP/R2QK2R w KQ -"},
    {Middlegame, "r1bq1rk1/ppp2ppp/2np1n2/2b1p3/2B1P3/2NP1N2/PPP2PPP/R1BQ1RK1 b - -"},
    {Middlegame, "r4rk1/1b3ppp/pq2p3/1p1nP3/3N4/P1Q5/1P3PPP/R2R2K1 w - -"},
    {Middlegame, "1k1r4/pp1b1R2/3q2pp/4p3/2B5/4Q3/PPP2B2/2K5 b - -"},
    {Middlegame, "3r1k2/4npp1/1ppr3p/p6P/P2PPPP1/1NR5/5K2/2R5 w - -"},
    {Middlegame, "2q1rr1k/3bbnnp/p2p1pp1/2pPp3/PpP1P1P1/1P2BNNP/2BQ1PRK/7R b - -"},
    {Middlegame, "rnbqkb1r/p3pppp/1p6/2ppP3/3N4/2P5/PPP1QPPP/R1B1KB1R w KQkq -"},
    {Middlegame, "r1b2rk1/2q1b1pp/p2ppn2/1p6/3QP3/1BN1B3/PPP3PP/R4RK1 w - -"},
    {Middlegame, "2r3k1/pppR1pp1/4p3/4P1P1/5P2/1P4K1/P1P5/8 w - -"},
    {Middlegame, "1nk1r1r1/pp2n1pp/4p3/q2pPp1N/b1pP1P2/B1P2R2/2P1B1PP/R2Q2K1 w - -"},
    {Middlegame, "2kr1bnr/pbpq4/2n1pp2/3p3p/3P1P1B/2N2N1Q/PPP3PP/2KR1B1R w - -"},
    {Middlegame, "3rr1k1/pp3pp1/1qn2np1/8/3p4/PP1R1P2/2P1NQPP/R1B3K1 b - -"},
    {Middlegame, "2r1nrk1/p2q1ppp/bp1p4/n1pPp3/P1P1P3/2PBB1N1/4QPPP/R4RK1 w - -"},
    {Middlegame, "r3r1k1/ppqb1ppp/8/4p1NQ/8/2P5/PP3PPP/R3R1K1 b - -"},
    {Middlegame, "r2q1rk1/4bppp/p2p4/2pP4/3pP3/3Q4/PP1B1PPP/R3R1K1 w - -"},
    {Middlegame, "rnb2r1k/pp2p2p/2pp2p1/q2P1p2/8/1Pb2NP1/PB2PPBP/R2Q1RK1 w - -"},
    {Middlegame, "2r3k1/1p2q1pp/2b1pr2/p1pp4/6Q1/1P1PP1R1/P1PN2PP/5RK1 w - -"},
    {Ending, "4b3/p3kp2/6p1/3pP2p/2pP1P2/4K1P1/P3N2P/8 w - -"},
    {Ending, "2r3k1/pp3ppp/2n5/3p4/3P4/2N5/PP3PPP/2R3K1 w - -"},
    {Ending, "6k1/5ppp/8/8/8/8/2r2PPP/3R2K1 b - -"},
    {Ending, "8/5kp1/6p1/8/3B4/1b6/5PP1/6K1 w - -"},
    {Ending, "8/8/5k2/r7/P7/8/5K2/1R6 w - -"},
    {Ending, "8/5k2/5p2/1p6/1P6/5P2/5K2/8 w - -"},
    {Ending, "8/pp4k1/8/8/8/8/6PP/2K5 w - -"},
    {Ending, "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -"},
    {Ending, "8/k7/3p4/p2P1p2/P2P1P2/8/8/K7 w - -"},
    {Ending, "4k3/8/8/8/8/8/4P3/4K3 w - -"},
    {Ending, "8/8/4k3/8/2n5/8/3BK3/8 w - -"},
    {Ending, "8/8/1p1k4/1P6/2PK4/8/8/8 w - -"},
    {Ending, "5k2/8/8/8/8/8/3Q4/4K3 w - -"},
};
constexpr int PositionCount = int(sizeof(Positions) / sizeof(Positions[0]));

// Everything a search learns, wiped, so that each position is searched as
// if it were the first.
void ClearSearchTables() {
    ResetGameTables();
    std::memset(CaptureTries, 0, sizeof CaptureTries);
    std::memset(CaptureSuccess, 0, sizeof CaptureSuccess);
    std::memset(CaptureStatStamp, 0, sizeof CaptureStatStamp);
    std::memset(PlyStack, 0, sizeof PlyStack);
    SearchesOutOfBook = 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int depth = argc > 1 ? std::atoi(argv[1]) : 11;
    if (depth < 2 || depth > 98) {
        std::fprintf(stderr, "depth must be 2..98\n");
        return 1;
    }
    const bool listMoves = argc > 2 && std::strcmp(argv[2], "moves") == 0;

    if (!PrepareSilentSearch()) return 1;

    u64 nodes[PhaseCount] = {};
    double seconds[PhaseCount] = {};
    for (int i = 0; i < PositionCount; i++) {
        if (ParseFen(Positions[i].fen) != 1) {
            std::fprintf(stderr, "bad position %d: %s\n", i + 1, Positions[i].fen);
            return 1;
        }
        ClearSearchTables();
        board.SearchAbort = 0;
        DrawScore = 0;
        SearchStartTime = ClockCs();
        const auto start = std::chrono::steady_clock::now();
        SearchRoot(depth, 0);
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        nodes[Positions[i].phase] += NodeCount;
        if (listMoves)
            std::printf("%2d %12" PRIu64 " nodes  %-6s %6d\n", i + 1, u64(NodeCount),
                        MoveToText(MoveStack[0].move), int(RootScore[0]));
        seconds[Positions[i].phase] += elapsed;
    }

    u64 totalNodes = 0;
    double totalSeconds = 0;
    for (int phase = 0; phase < PhaseCount; phase++) {
        totalNodes += nodes[phase];
        totalSeconds += seconds[phase];
        std::printf("%-12s %12" PRIu64 " nodes %8.2f s %10.0f nodes/s\n", PhaseNames[phase],
                    nodes[phase], seconds[phase],
                    seconds[phase] > 0 ? double(nodes[phase]) / seconds[phase] : 0.0);
    }
    std::printf("depth %d, %d positions\n", depth, PositionCount);
    std::printf("Total nodes  %" PRIu64 "\n", totalNodes);
    std::printf("Time         %.2f s\n", totalSeconds);
    std::printf("Nodes/second %.0f\n", totalSeconds > 0 ? double(totalNodes) / totalSeconds : 0.0);
    return 0;
}
