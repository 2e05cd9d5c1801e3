// Position learning: the learning file, its log and the queue of positions
// learnt during a game.
#pragma once

#include <cstdio>

#include "board/types.h"

extern i32 UseLearning;
extern i32 UseLearningData;
extern i32 LogLearningIntoFile;
extern i32 LearnQueueCount;
extern i32 LearnLogLineCount;
extern FILE* LearnFileHandle;

void OpenLearningFile();
void CloseLearningFile();
// key1: low 32 bits of the position key, key2: bits 16..47. *found is the
// record's offset in the file, 0 when the position was never learnt.
void FindLearnRecord(u32 key1, u32 key2, u32* depth, u32* score, u32* move, u32* found);
// Called after each engine move while learning is on.
void MaybeLearnPosition();
