// The scan of the tablebase path list: registers the file of every table
// side and extent found in it, in the file state of its table.
//
// File names are composed as "<directory>\<table>[.<extent>].nbw|.nbb", with
// the compressed forms "<name>.emd", and for tables in one file also
// "<table>_nbw.emd", "<table>_nbw_emd" and, up to five men, "<table>nbw.emd".
// The first directory of the list that holds a file wins.
#pragma once

#include "board/types.h"

// Compressed files registered in this run, never reset: once any was seen,
// every scan sets up the decode state.
extern i32 CompressedFileCount;

// Directories the last scan searched: each once, however often and under
// whatever spelling the list names it.
extern i32 TablebaseDirectoriesScanned;

// Scans the directories of pathList for table files, forgetting an earlier
// scan first, and sets EgtbIndexBytes. Returns the most men of the table
// families found (6, 5, 4, 3), 0 when none.
i32 InitTablebases(const char* pathList);

// Registers the extents of one table side found in directory: 1 when at
// least extent 0 is registered (now or by an earlier directory).
i32 RegisterTablebaseParts(const char* directory, i32 id, i32 side);

// Looks for one extent's file in directory: 1 when registered now or before,
// 0 when not found or when no file of its names can serve. A file that
// cannot (wrong length, damaged header, cut short, not a regular file) is
// not registered and gets one line, "Tablebase file <path> skipped: <why>",
// naming it as the file system has it; the scan goes on.
i32 RegisterTablebaseFile(const char* directory, i32 id, i32 side, i32 extent);

// Whether a file of `length` positions fits the table side: a split side's
// extent may hold the full extent (*expected) or the rest (*rest); an
// unsplit side must hold exactly its positions (both then equal).
bool TableFileLengthFits(i32 id, i32 side, u64 length, u64* expected, u64* rest);

// Prints a fatal tablebase message, flushes it and ends the process with
// code 1 at once: only for failures no file can cause (memory, an entry the
// material lookup cannot hold).
[[noreturn]] void TablebaseFatal(const char* format, ...);
