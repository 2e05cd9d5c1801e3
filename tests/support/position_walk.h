// Test support for the board tests: a fixture that builds the start-up
// tables and loads positions, and walks through the move trees of the
// published perft positions (a few thousand positions at depth 2), played
// move by move on the game record so that en passant arises as in a game.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <vector>

#include "board/board.h"
#include "board/types.h"

// Every start-up table is built before each test; Load sets up a position
// and fails the test when the FEN is refused.
class PositionTest : public ::testing::Test {
protected:
    void SetUp() override;
    static void Load(const char* fen);
};

// Depth of the walk below each published position: roughly 7500
// positions in all.
constexpr i32 PerftWalkDepth = 2;

// Set-ups with a man between a slider and the enemy king: discovered checks
// by a knight, a pawn and a king, for both sides.
extern const std::vector<const char*> DiscoveredCheckSetUps;

// The FENs of the published perft positions followed by the given ones,
// as the roots of a walk.
std::vector<const char*> PerftRootsAnd(const std::vector<const char*>& setUps);

// Calls visit() in the current position and in every position reached by
// up to depth legal moves from it, and restores the board. Stops at the
// first fatal test failure.
void WalkFromHere(i32 depth, const std::function<void()>& visit);

// The walk from every root in turn, each loaded from its FEN.
void WalkFromRoots(const std::vector<const char*>& roots, i32 depth,
                   const std::function<void()>& visit);

// The walk from the published perft positions to PerftWalkDepth.
void WalkPerftPositions(const std::function<void()>& visit);

// Is the side to move in check? Asked of the slow reference code.
bool SideToMoveInCheck();

// The two board records are equal byte for byte.
bool SameBoard(const Board& a, const Board& b);
