// The fixed set of Nalimov endgame tables the engine knows: for each its id,
// material name, file layout flags, the two index functions and the number
// of positions stored for each side to move.
#pragma once

#include "board/types.h"
#include "tablebase/index/table_indexer.h"

// Layout flags.
constexpr u32 TbSymmetric = 1;  // both sides alike: only the white-to-move file exists
constexpr u32 TbTwoByte = 2;    // two bytes per position
constexpr u32 TbSplit = 4;      // each side stored in extents of 2^31 bytes

constexpr i32 TablebaseCount = 441;  // entry 0 is the placeholder "kk"
constexpr i32 TableNameBytes = 8;

struct TablebaseRegistryEntry {
    i32 id;
    u32 flags;
    TableIndexer indexFn[2];  // [0] white to move, [1] black to move
    char name[TableNameBytes];
    u64 indexSize[2];
};

// Ids ordered by the number of men: 1-5 three men, 6-35 four, 36-145 five,
// 146-440 six.
extern const TablebaseRegistryEntry TablebaseRegistry[TablebaseCount];
