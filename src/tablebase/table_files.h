// The table files of the registry: where each table side's data lives (one
// file per extent, plain or block-compressed), found by a scan of the
// tablebase path list and kept until the next scan.
//
// File names are composed as "<directory>\<table>[.<extent>].nbw|.nbb", with
// the compressed forms "<name>.emd", and for tables in one file also
// "<table>_nbw.emd", "<table>_nbw_emd" and, up to five men, "<table>nbw.emd".
// The first directory of the list that holds a file wins.
#pragma once

#include <cstdio>

#include "board/types.h"
#include "tablebase/block_decoder.h"
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

// Compressed files registered in this run, never reset: once any was seen,
// every scan sets up the decode state.
extern i32 CompressedFileCount;

// The number of extent files of a table side.
i32 TableExtentCount(const TablebaseRegistryEntry& entry, i32 side);

// Registers the extents of one table side found in directory: 1 when at
// least extent 0 is registered (now or by an earlier directory).
i32 RegisterTablebaseParts(const char* directory, i32 id, i32 side);

// Looks for one extent's file in directory: 1 when registered now or before,
// 0 when not found. A wrong length or a broken header ends the program.
i32 RegisterTablebaseFile(const char* directory, i32 id, i32 side, i32 extent);

// Returns only when a file of `length` positions fits the table side;
// otherwise prints "*** <name> corrupted <expected> <rest> <length>" and
// ends the program.
void CheckTableFileLength(i32 id, i32 side, u64 length, const char* name);

// Closes every open table file.
void CloseTablebaseFiles();

// Prints a fatal tablebase message, flushes it and ends the process with
// code 1 at once.
[[noreturn]] void TablebaseFatal(const char* format, ...);
