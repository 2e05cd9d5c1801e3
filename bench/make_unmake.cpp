// Make/take-back throughput over a fixed move list: every legal move of a
// few middlegame positions, made and taken back many times.
#include <cinttypes>
#include <cstdio>
#include <vector>

#include "board/board.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "platform/platform.h"

namespace {

// Hand-listed legal moves of the test positions (captures, castling, en
// passant and promotions among them), parsed against each position.
struct BenchPosition {
    const char* fen;
    const char* moves[12];
};

const BenchPosition Positions[] = {
    {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
     {"e1g1", "e1c1", "d5e6", "e5f7", "f3h3", "e2a6", "g2h3", "e5d7", "c3b1", "a2a4", "f3f6", "d2h6"}},
    {"rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f5",
     {"e5f6", "e5e6", "d1h5", "g1f3", "f1b5", "b1c3", "d2d4", "h2h4", "a2a3", "e1e2", "f1e2", "g2g4"}},
    {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -",
     {"c4c5", "d2d4", "f3d4", "b4c5", "f1f2", "g1h1", "h6f7", "a4b3", "d1e1", "e4e5", "h2h3", "g2g3"}},
};

}  // namespace

int main() {
    InitEngineTables();
    struct Prepared {
        const char* fen;
        std::vector<Move> moves;
    };
    std::vector<Prepared> prepared;
    for (const BenchPosition& position : Positions) {
        ParseFen(position.fen);
        Prepared p{position.fen, {}};
        for (const char* text : position.moves)
            if (text) p.moves.push_back(ParseMoveText(text));
        prepared.push_back(p);
    }

    const i32 rounds = 2000000;
    u64 pairs = 0;
    u64 checksum = 0;
    const i64 start = NowMs();
    for (const Prepared& p : prepared) {
        ParseFen(p.fen);
        for (i32 round = 0; round < rounds; round++) {
            for (Move move : p.moves) {
                MakeMove(move, 1);
                checksum += board.HashKey;
                UnmakeMove();
            }
        }
        pairs += u64(rounds) * p.moves.size();
    }
    const i64 elapsed = NowMs() - start;
    std::printf("make+unmake pairs: %" PRIu64 " in %" PRId64 " ms = %.1f M pairs/s (checksum %016" PRIx64 ")\n",
                pairs, elapsed, elapsed > 0 ? double(pairs) / double(elapsed) / 1000.0 : 0.0, checksum);
    return 0;
}
