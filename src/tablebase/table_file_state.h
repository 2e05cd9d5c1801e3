// Where each table side's data lives: one file per extent, plain or
// block-compressed, with its open stream and the block cache's chains of the
// side. The scan of the table files fills it and keeps it until the next
// scan; the block cache and the probe read it.
#pragma once

#include <cstdio>

#include "board/types.h"
#include "tablebase/compressed_header.h"
#include "tablebase/registry.h"

// A side's data is split into extents of 2^31 bytes; 17 is the most any
// registry table has.
constexpr i32 MaxTableExtents = 18;
constexpr u64 ExtentBytes = u64(1) << 31;

struct TableCacheBlock;

// Run-time file state of one registry table, indexed [side to move][extent].
// All slots of side 1 stay empty for symmetric tables.
struct TablebaseFileState {
    char* fileName[2][MaxTableExtents];   // composed name of the registered file
    FILE* fileHandle[2][MaxTableExtents];  // opened by the block cache on first use
    CompressedFileDescriptor* compressedInfo[2][MaxTableExtents];  // null: a plain file
    // The 32 hash-chain heads of the block cache per side; null while the
    // side has no registered file.
    TableCacheBlock** cacheChains[2];
};

extern TablebaseFileState TablebaseFiles[TablebaseCount];

// The number of extent files of a table side.
i32 TableExtentCount(const TablebaseRegistryEntry& entry, i32 side);

// Closes every open table file.
void CloseTablebaseFiles();
