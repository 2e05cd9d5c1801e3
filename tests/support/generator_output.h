// Test support for the move generators: what a generator appended to the
// move stack, as text, and a clean slate for the capture statistics the
// capture scores read.
#pragma once

#include <string>

#include "board/types.h"
#include "support/position_walk.h"

// Whether StackText writes a score of 0.
enum class ZeroScores { Shown, Hidden };

// "move:score" for every entry from start up to MoveStackTop, in stack
// order, blank-separated; a hidden zero score leaves just "move".
std::string StackText(i32 start, ZeroScores zeroScores = ZeroScores::Shown);

// Empties every capture-statistics slot: tries, successes and stamps.
void ClearCaptureStatistics();

// PositionTest with the capture statistics empty before and after each
// test, so that scores of refused captures start from nothing.
class CaptureScoringTest : public PositionTest {
protected:
    void SetUp() override;
    void TearDown() override;
};
