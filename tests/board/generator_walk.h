// Test support for the generators the searches use: the positions of a
// shallow perft walk (a few thousand, from the published perft positions),
// visited with the game record intact so en passant works as in a game.
#pragma once

#include <gtest/gtest.h>

#include "board/board.h"
#include "board/fen.h"
#include "board/make_move.h"
#include "board/types.h"
#include "support/naive_moves.h"

namespace generator_walk {

// The published perft positions: start position, "Kiwipete", the rook
// ending, the promotion tangle, the bishop-and-knight middle game, a quiet
// middle game, and two en-passant positions (the last one's capture is
// illegal).
inline const char* const PerftRoots[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - -",
    "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f5",
    "8/8/8/8/k2Pp2Q/8/8/3K4 b - d4",
};

// Depth of the walk below each root: roughly 7500 positions in all.
constexpr i32 PerftWalkDepth = 2;

// Calls visit() in the current position and in every position reached by
// up to depth legal moves from it; the board is restored on return.
template <typename Visit>
void WalkFromHere(i32 depth, const Visit& visit) {
    visit();
    if (depth == 0 || ::testing::Test::HasFatalFailure()) return;
    for (Move move : NaiveLegalMoves()) {
        MakeMove(move, 1);
        WalkFromHere(depth - 1, visit);
        UnmakeMove();
        if (::testing::Test::HasFatalFailure()) return;
    }
}

// The walk from every root in turn.
template <typename Visit>
void WalkFromRoots(const char* const* roots, i32 rootCount, i32 depth, const Visit& visit) {
    for (i32 i = 0; i < rootCount; i++) {
        ASSERT_EQ(ParseFen(roots[i]), 1) << roots[i];
        WalkFromHere(depth, visit);
        ASSERT_FALSE(::testing::Test::HasFatalFailure()) << "in the walk from " << roots[i];
    }
}

template <typename Visit>
void WalkPerftPositions(const Visit& visit) {
    WalkFromRoots(PerftRoots, i32(sizeof PerftRoots / sizeof PerftRoots[0]), PerftWalkDepth,
                  visit);
}

// Is the side to move in check? Asked of the slow reference code.
inline bool SideToMoveInCheck() {
    const Side side = board.SideToMove;
    return NaiveAttacked(board.KingSquare[side], ChangeSide(side));
}

}  // namespace generator_walk
