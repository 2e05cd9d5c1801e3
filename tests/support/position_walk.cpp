#include "support/position_walk.h"

#include <cstring>

#include "board/fen.h"
#include "board/init_tables.h"
#include "board/make_move.h"
#include "support/naive_moves.h"
#include "support/perft_positions.h"

void PositionTest::SetUp() { InitEngineTables(); }

void PositionTest::Load(const char* fen) { ASSERT_EQ(ParseFen(fen), 1) << fen; }

const std::vector<const char*> DiscoveredCheckSetUps = {
    "4k3/8/8/4N3/8/8/8/4R1K1 w - -",
    "4r1k1/8/8/8/4n3/8/8/4K3 b - -",
    "7k/8/8/8/3P4/8/1B6/K7 w - -",
    "8/8/8/8/8/8/8/R2K3k w - -",
};

std::vector<const char*> PerftRootsAnd(const std::vector<const char*>& setUps) {
    std::vector<const char*> roots;
    for (const PublishedPerft& position : PublishedPerftPositions) roots.push_back(position.fen);
    roots.insert(roots.end(), setUps.begin(), setUps.end());
    return roots;
}

void WalkFromHere(i32 depth, const std::function<void()>& visit) {
    visit();
    if (depth == 0 || ::testing::Test::HasFatalFailure()) return;
    for (Move move : NaiveLegalMoves()) {
        MakeMove(move, 1);
        WalkFromHere(depth - 1, visit);
        UnmakeMove();
        if (::testing::Test::HasFatalFailure()) return;
    }
}

void WalkFromRoots(const std::vector<const char*>& roots, i32 depth,
                   const std::function<void()>& visit) {
    for (const char* fen : roots) {
        ASSERT_EQ(ParseFen(fen), 1) << fen;
        WalkFromHere(depth, visit);
        ASSERT_FALSE(::testing::Test::HasFatalFailure()) << "in the walk from " << fen;
    }
}

void WalkPerftPositions(const std::function<void()>& visit) {
    WalkFromRoots(PerftRootsAnd({}), PerftWalkDepth, visit);
}

bool SideToMoveInCheck() {
    const Side side = board.SideToMove;
    return NaiveAttacked(board.KingSquare[side], ChangeSide(side));
}

static_assert(sizeof(Board) == 792, "the board record has no padding, so it compares bytewise");

bool SameBoard(const Board& a, const Board& b) { return std::memcmp(&a, &b, sizeof(Board)) == 0; }
