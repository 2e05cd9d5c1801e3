// The thin Linux layer: the clock, standard input, signals and the
// translation of the Windows-style paths found in settings and defaults.
// Nothing else in the engine calls the operating system directly.
#pragma once

#include <cstdio>
#include <string>

#include "platform/int_types.h"

// Milliseconds on a monotonic clock; only differences mean anything.
i64 NowMs();

// Seconds since the epoch, for seeding the random choices.
i64 WallTimeSeconds();

// 1 when a read of standard input would not block (data, end of input or a
// hang-up), 0 when nothing came within timeoutMs (0: do not wait, -1: wait
// for ever).
i32 StdinHasData(i32 timeoutMs);

// Reads up to size bytes from standard input, retrying when interrupted by a
// signal: the number of bytes read, 0 at end of input, -1 on error.
i64 ReadStdin(char* buffer, i64 size);

// A zeroed block for a large table that is read at random (the hash
// tables), or nullptr when memory is short; freed with std::free. A block of
// a huge page or more starts on a huge-page boundary, and the kernel is
// asked to back it with huge pages where it can: a probe of such a table
// then seldom misses the address-translation cache as well. The advice may
// be refused, which changes nothing but the speed.
void* AllocateTableBlock(u64 bytes);

// A GUI may send SIGINT (xboard does) and may close its end of the pipe
// before the engine has written its last line; neither should kill us.
void IgnoreSignals();

// "c:\tablebases\" -> "tablebases/", ".\book.kvb" -> "./book.kvb":
// backslashes become slashes and a drive prefix is dropped, so the path is
// taken relative to the working directory.
std::string TranslatePath(const char* windowsPath);

// The existing file whose name matches path with each component compared
// without regard to case (an exact match wins), or "" when there is none.
std::string FindFileCaseInsensitive(const std::string& path);

// While one of these lives, the case-insensitive search lists each
// directory once and answers later look-ups from that listing (a scan of the
// tablebase path tries thousands of names in a few directories). Nested
// caches share the outermost one.
class DirectoryListingCache {
public:
    DirectoryListingCache();
    ~DirectoryListingCache();
    DirectoryListingCache(const DirectoryListingCache&) = delete;
    DirectoryListingCache& operator=(const DirectoryListingCache&) = delete;

private:
    bool owner = false;
};

// fopen of the translated path; a read or update mode that fails on the exact
// name retries with the case-insensitive match, since names written for a
// Windows file system often differ in case from the files on disk.
FILE* OpenFileTranslated(const char* path, const char* mode);

// OpenFileTranslated of the name as given and, when that fails, of the name
// without its trailing blanks: a file name read to the end of a settings or
// protocol line keeps the blanks that followed it, and a GUI's carriage
// return arrives as one.
FILE* OpenFileTrimmingBlanks(const char* path, const char* mode);

// 1 when the translated path names a directory (its components matched
// without regard to case); "" is the working directory.
bool IsDirectoryTranslated(const char* path);

// The name without its trailing blanks (blanks, tabs, CR, LF).
std::string TrimTrailingBlanks(const char* text);

// 1 when the open stream is a regular file (not a directory or a device).
bool IsRegularFile(FILE* file);
