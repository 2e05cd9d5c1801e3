#include "support/generator_output.h"

#include "board/board.h"
#include "board/move_text.h"
#include "search/history.h"

std::string StackText(i32 start, ZeroScores zeroScores) {
    std::string text;
    for (i32 i = start; i < MoveStackTop; i++) {
        if (!text.empty()) text += ' ';
        text += MoveToText(MoveStack[i].move);
        if (MoveStack[i].score != 0 || zeroScores == ZeroScores::Shown)
            text += ':' + std::to_string(MoveStack[i].score);
    }
    return text;
}

void ClearCaptureStatistics() {
    for (i32 i = 0; i < CaptureStatSize; i++)
        CaptureTries[i] = CaptureSuccess[i] = CaptureStatStamp[i] = 0;
}

void CaptureScoringTest::SetUp() {
    PositionTest::SetUp();
    ClearCaptureStatistics();
}

void CaptureScoringTest::TearDown() { ClearCaptureStatistics(); }
