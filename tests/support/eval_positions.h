// Test support for the evaluation tests: a fixture that puts the evaluation
// back to its built-in state around each test, the starting record the
// evaluation fills, the colour-flipped twin of a position, and sets of
// positions to compare with their twins (random endings, a sample of the
// perft walk).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/position_check.h"
#include "board/types.h"

// The start-up tables and the evaluation cache are made once for the suite.
// Before and after each test: the built-in evaluation values and their
// derived tables, the default personality, the engine playing White with a
// draw score of 0 at ply 0, and a wiped pawn hash of the default size. A
// test of the evaluation cache wipes that itself.
class EvalTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override { ResetEvalState(); }
    void TearDown() override { ResetEvalState(); }
    static void ResetEvalState();
};

// The scale of an evaluation to which no scale factor has been applied.
constexpr i32 UnscaledScale = 6300;

// The record the evaluation starts from: cleared, unscaled, symmetric and
// cacheable until a term says otherwise.
void FreshEvalInfo();

// Sets up the position as the evaluation has it once the pawn structure is
// scored: a fresh record, the pawn entry in board.LastPawnEntry and the
// passers in the record. The king shelter and the ending terms start from
// here. False when the FEN is refused.
bool SetUpWithPawnStructure(const std::string& fen);

// The position with the board turned top to bottom, the colours of the men
// and of the castling rights exchanged and the other side to move: every
// term of the evaluation must come out negated, White's parts becoming
// Black's. Counters after the en passant field are dropped.
std::string ColourFlippedFen(const std::string& fen);

// A set of squares turned top to bottom, as in the colour-flipped position.
inline u64 FlipRanks(u64 set) { return __builtin_bswap64(set); }

// Queen against a single pawn on the f-file: the recognisers' rules for it
// look at other king squares for each colour, so this ending is the one
// known exception to colour symmetry.
bool QueenAgainstFPawn();

// The placement field of a FEN and the side to move, as "8/8/.../4K3 w".
std::string PlacementFen(const Placement& placement);

// Random legal endings: both kings, up to four pawns a side and for each
// side one of a few small piece sets (never more than two minor pieces).
// The same seed gives the same positions.
std::vector<std::string> RandomEndingFens(i32 count, u32 seed);

// Every `stride`-th position of the walk below the published perft
// positions, as FEN.
std::vector<std::string> PerftWalkSample(i32 stride);
