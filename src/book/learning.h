// Position learning: the learning file "Learn.kv1" (a hash table on disk of
// positions whose score fell, with the depth that found it), its text log
// "learn.log" and the queue of suspects gathered during a game.
#pragma once

#include <cstdio>

#include "board/types.h"

extern i32 UseLearning;
extern i32 UseLearningData;
extern i32 LogLearningIntoFile;
extern i32 LearnQueueCount;
extern i32 LearnLogLineCount;
extern FILE* LearnFileHandle;

// File layout: the header text, 65536 chain heads (file offsets, 0 for an
// empty chain), then 24-byte records appended at the end.
constexpr u32 LearnHeaderBytes = 23;
constexpr u32 LearnChainCount = 65536;
constexpr u32 LearnRecordsStart = LearnHeaderBytes + 4 * LearnChainCount;  // 262167
constexpr u32 LearnRecordBytes = 24;
constexpr u32 LearnNextField = 20;  // the record's link to the next of its chain
constexpr i32 LearnQueueSize = 3;

// Opens "Learn.kv1", creating it when it does not exist. A file that cannot
// be opened, or one too short to hold the chain heads, switches learning
// and its use off.
void OpenLearningFile();
void CloseLearningFile();
// key1: low 32 bits of the position key, key2: bits 16..47. *offset is the
// record's offset in the file, 0 when the position was never learnt; the
// other outputs are valid only when it is not 0.
void FindLearnRecord(u32 key1, u32 key2, i32* depth, i32* score, u32* move, u32* offset);
// Overwrites depth, score, move and keys of the record at offset; its link
// stays.
void WriteLearnRecordAt(u32 key1, u32 key2, i32 depth, i32 score, u32 move, u32 offset);
// Adds a record behind the last one and links it at the end of its chain.
void AppendLearnRecord(u32 key1, u32 key2, i32 depth, i32 score, u32 move);

// Queues the current position (its keys, the move the engine chose in it,
// the root scores before and after the fall and the depth) with its FEN;
// the caller checks that the queue has room.
void QueueLearnPosition(u32 key1, u32 key2, u32 move, i32 oldScore, i32 newScore, i32 depth);
// Writes every queued position into the learning file and empties the
// queue.
void FlushLearnQueue();
