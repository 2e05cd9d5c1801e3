// The published perft positions and their leaf counts, the outside truth
// for the move generators and make/unmake. Plain data, so the perft
// benchmark reads the same table as the tests.
#pragma once

#include "board/types.h"

// The most depths listed for any position.
constexpr i32 PublishedPerftDepths = 6;

struct PublishedPerft {
    const char* fen;
    u64 leaves[PublishedPerftDepths];  // by depth 1.., 0 after the last published count
};

// The start position, "Kiwipete", the rook ending, the promotion tangle,
// the bishop-and-knight middle game, a quiet middle game, and two
// en-passant positions (the last one's capture would expose the king to the
// queen). En-passant fields are in the engine's form: the square of the
// pawn that has just made its double step.
inline constexpr PublishedPerft PublishedPerftPositions[] = {
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
