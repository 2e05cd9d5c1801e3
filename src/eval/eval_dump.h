// The console word "evl": evaluates the current position with the side to
// move as the engine's side and prints the score and the evaluation record
// fields behind it.
#pragma once

void PrintEvaluationDump();
