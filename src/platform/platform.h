// The thin Linux layer: the clock, standard input, signals and the
// translation of the Windows-style paths found in settings and defaults.
// Nothing else in the engine calls the operating system directly.
#pragma once

#include <cstdio>
#include <string>

#include "platform/int_types.h"

// Milliseconds on a monotonic clock; only differences mean anything.
i64 NowMs();

// Milliseconds of processor time this process has used: beside the wall
// clock it tells time spent searching from time spent waiting for a core.
i64 ProcessCpuMs();

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

// A file written whole or not at all: the bytes go to a temporary file in the
// directory of the target, which replaces the target only when Commit
// succeeds. Destroying it without a commit removes the temporary file, so a
// failed or interrupted writer never leaves a half-written file behind.
class AtomicFileWriter {
public:
    AtomicFileWriter() = default;
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Creates the temporary file for target; false, with the reason in
    // *error, when the directory cannot take it.
    bool Open(const std::string& target, std::string* error);
    // The open temporary file, null before Open.
    FILE* File() const { return file; }
    // Closes the temporary file and renames it to the target (its mode that
    // of a newly created file); false, with the reason, when a write failed
    // on the way or the rename fails, and then nothing of it is left.
    bool Commit(std::string* error);

private:
    void Discard();
    FILE* file = nullptr;
    std::string target, temporary;
};

// Why OpenRegularFile gave no stream.
enum class OpenFailure { None, Missing, NotRegular, CannotOpen };

struct OpenedFile {
    FILE* file = nullptr;
    OpenFailure failure = OpenFailure::None;
    // The path opened or refused, as the file system has it: translated,
    // and the case-insensitive match where that is what exists.
    std::string path;
    // The errno of a failed open (0 for a file that is not regular).
    i32 errorNumber = 0;
};

// Opens a file as OpenFileTranslated does, but only a regular file: a FIFO,
// device or directory of that name is refused before it is opened (a FIFO
// without a writer would block the open, and reading one would wait for
// ever), and the open itself does not wait, so a FIFO put in its place
// meanwhile is refused too. Modes "r", "r+", "w", "w+", "a", "a+" with "b"
// and "x" as fopen takes them.
OpenedFile OpenRegularFile(const char* path, const char* mode);

// OpenRegularFile of the name as given and, when nothing of that name
// exists, of the name without its trailing blanks.
OpenedFile OpenRegularFileTrimmingBlanks(const char* path, const char* mode);

// OpenRegularFile of a Linux path exactly as given (a command-line
// argument): no translation and no search without regard to case.
OpenedFile OpenRegularFileAsNamed(const std::string& path, const char* mode);

// The path the file system has for a Windows-style path: the translated
// path when it exists, else its case-insensitive match, else the translated
// path as it is.
std::string ResolvePathTranslated(const char* path);

// Device and inode: two paths that name the same directory have the same.
struct FileIdentity {
    u64 device = 0;
    u64 inode = 0;
    bool operator==(const FileIdentity& other) const {
        return device == other.device && inode == other.inode;
    }
};

// The identity of the directory a Windows-style path names (its components
// matched without regard to case); false when it names none.
bool DirectoryIdentity(const char* path, FileIdentity* identity);

// The identity of the file a Linux path names, through any symbolic links;
// false when it names none. Two names of one file (another path to it, a
// link) have the same identity.
bool PathIdentity(const std::string& path, FileIdentity* identity);

// True when the stream is a terminal (a person typing or watching), false
// for a file, a pipe or a closed descriptor (a GUI or a script).
bool IsTerminal(FILE* stream);

// The first offset at or after from where the open file holds data, the
// file's length when only a hole follows, and from itself where the file
// system cannot tell: the bytes in between are a hole and read as zeros.
i64 NextDataOffset(FILE* file, i64 from);
