// Full static evaluations per second over a fixed set of positions, from the
// opening to the ending, each evaluated in turn so that consecutive calls
// see different pawn structures (the pawn hash answers after the first
// round, the evaluation cache is not used).
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "board/board.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "eval/eval_cache.h"
#include "eval/eval_params.h"
#include "eval/evaluate.h"
#include "eval/material_table.h"
#include "search/hash_tables.h"
#include "search/search_limits.h"

namespace {

constexpr const char* Positions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
    "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq -",
    "rnbqkb1r/pp2pppp/3p1n2/8/3NP3/8/PPP2PPP/RNBQKB1R w KQkq -",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
    "r2q1rk1/pp2bppp/2n1pn2/3p4/3P1B2/2NBPN2/PP3PPP/R2Q1RK1 w - -",
    "2kr3r/ppp1qppp/2n1bn2/2b1p3/4P3/2NP1N2/PPPBBPPP/R2QK2R w KQ -",
    "r1bq1rk1/ppp2ppp/2np1n2/2b1p3/2B1P3/2NP1N2/PPP2PPP/R1BQ1RK1 b - -",
    "r4rk1/1b3ppp/pq2p3/1p1nP3/3N4/P1Q5/1P3PPP/R2R2K1 w - -",
    "2r3k1/pp3ppp/2n5/3p4/3P4/2N5/PP3PPP/2R3K1 w - -",
    "6k1/5ppp/8/8/8/8/2r2PPP/3R2K1 b - -",
    "8/5kp1/6p1/8/3B4/1b6/5PP1/6K1 w - -",
    "8/8/5k2/r7/P7/8/5K2/1R6 w - -",
    "8/5k2/5p2/1p6/1P6/5P2/5K2/8 w - -",
    "8/pp4k1/8/8/8/8/6PP/2K5 w - -",
    "k7/8/1K6/1P6/8/8/8/8 w - -",
    "8/2k5/8/3n4/8/2NBK3/8/8 w - -",
};
constexpr int PositionCount = int(sizeof(Positions) / sizeof(Positions[0]));

// Board snapshots, so that the timed loop only evaluates.
Board Boards[PositionCount];

}  // namespace

int main() {
    InitEngineTables();
    SetBuiltInEvalParams();
    DeriveEvalTables();
    AllocPawnHash();
    ClearPawnHash();
    DrawScore = 0;

    for (int i = 0; i < PositionCount; i++) {
        if (ParseFen(Positions[i]) != 1) return 1;
        Boards[i] = board;
    }

    constexpr int Rounds = 20000;
    constexpr int Runs = 5;
    double best = 0;
    long long checksum = 0;
    for (int run = 0; run < Runs; run++) {
        const auto start = std::chrono::steady_clock::now();
        for (int round = 0; round < Rounds; round++) {
            for (int i = 0; i < PositionCount; i++) {
                board = Boards[i];
                EngineSide = board.SideToMove;
                i32 score = EvalScoreMissing;
                Evaluate(&score);
                checksum += score;
            }
        }
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        best = std::max(best, Rounds * double(PositionCount) / elapsed.count());
    }
    std::printf(
        "evaluate: %.0f evaluations per second (best of %d runs, %d positions, "
        "checksum %lld)\n",
        best, Runs, PositionCount, checksum);
    return 0;
}
