// The learning file is not kept yet: lookups find nothing and nothing is
// written.
#include "book/learning.h"

i32 UseLearning = 0;
i32 UseLearningData = 0;
i32 LogLearningIntoFile = 0;
i32 LearnQueueCount = 0;
i32 LearnLogLineCount = 0;
FILE* LearnFileHandle = nullptr;

void OpenLearningFile() {}

void CloseLearningFile() {
    if (LearnFileHandle) std::fclose(LearnFileHandle);
    LearnFileHandle = nullptr;
}

void FindLearnRecord(u32, u32, u32* depth, u32* score, u32* move, u32* found) {
    *depth = *score = *move = 0;
    *found = 0;
}

void MaybeLearnPosition() {}
