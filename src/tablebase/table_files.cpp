// The scan of the tablebase path list and the registration of every table
// file found in it.
#include "tablebase/table_files.h"

#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tablebase/block_cache.h"
#include "tablebase/block_decoder.h"
#include "tablebase/decode_error.h"
#include "tablebase/index/index_tables.h"
#include "tablebase/index/indexers.h"
#include "tablebase/material_trie.h"
#include "tablebase/registry.h"
#include "tablebase/table_file_state.h"
#include "tablebase/tablebase_settings.h"

i32 CompressedFileCount = 0;
i32 TablebaseDirectoriesScanned = 0;

namespace {

// Room for a directory of the list and for a composed file name.
constexpr size_t PathBufferBytes = 1024;
// What a name adds to its directory: '\', six letters, '.' and an extent
// character, ".nbw", ".emd" and the closing NUL.
constexpr size_t NameTailBytes = 1 + 6 + 2 + 4 + 4 + 1;
constexpr u32 SupportedBlockSize = 8192;

constexpr char ExtentCharacter(i32 extent) { return char(extent < 10 ? '0' + extent : 'a' + extent - 10); }

// Fills name with the plain name of one extent of a table side.
void ComposeTableFileName(std::string& name, const char* directory, const TablebaseRegistryEntry& entry,
                          i32 side, i32 extent) {
    name = directory;
    if (!name.empty() && name.back() != '\\') name += '\\';
    name += entry.name;
    if (entry.flags & TbSplit) {
        name += '.';
        name += ExtentCharacter(extent);
    }
    name += side == WHITE ? ".nbw" : ".nbb";
}

// One line for a file that exists under a table's name but cannot serve:
// the scan goes on without it.
#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
void ReportSkippedFile(const std::string& path, const char* format, ...) {
    std::printf("Tablebase file %s skipped: ", path.c_str());
    va_list arguments;
    va_start(arguments, format);
    std::vprintf(format, arguments);
    va_end(arguments);
    std::printf("\n");
    std::fflush(stdout);
}

// Opens a table file name: only a regular file counts, so a directory or a
// FIFO that happens to carry a table's name is no table (and a FIFO is never
// waited on). *path receives the path as the file system has it.
FILE* OpenTableFile(const std::string& name, std::string* path) {
    const OpenedFile opened = OpenRegularFile(name.c_str(), "rb");
    *path = opened.path;
    if (opened.failure == OpenFailure::NotRegular) ReportSkippedFile(opened.path, "not a regular file");
    if (opened.failure == OpenFailure::CannotOpen) ReportSkippedFile(opened.path, "cannot be opened");
    return opened.file;
}

// Tries the compressed names of the plain name in their fixed order; on
// success name holds the one that opened.
FILE* OpenCompressedTableFile(std::string& name, const TablebaseRegistryEntry& entry, std::string* path) {
    const std::string plain = name;
    // "kpk.nbw.emd"
    name = plain + ".emd";
    if (FILE* file = OpenTableFile(name, path)) return file;
    if (entry.flags & TbSplit) return nullptr;
    const size_t dot = plain.size() - 4;  // the '.' before "nbw" or "nbb"
    // "kpk_nbw.emd", then "kpk_nbw_emd"
    name = plain.substr(0, dot) + '_' + plain.substr(dot + 1) + ".emd";
    if (FILE* file = OpenTableFile(name, path)) return file;
    name[name.size() - 4] = '_';
    if (FILE* file = OpenTableFile(name, path)) return file;
    // "kpknbw.emd": the eight-plus-three form of tables up to five men.
    if (entry.id > 145) return nullptr;
    name = plain.substr(0, dot) + plain.substr(dot + 1) + ".emd";
    return OpenTableFile(name, path);
}

// Length in bytes of an open file; false when it cannot be had.
bool FileLength(FILE* file, u64* length) {
    if (fseeko(file, 0, SEEK_END) != 0) return false;
    const off_t end = ftello(file);
    if (end < 0) return false;
    *length = u64(end);
    return true;
}

// False, with the line that says why, when a file of `length` positions
// cannot hold its table side (or extent).
bool LengthFitsTable(i32 id, i32 side, u64 length, const std::string& path) {
    u64 expected, rest;
    if (TableFileLengthFits(id, side, length, &expected, &rest)) return true;
    if (expected == rest)
        ReportSkippedFile(path, "wrong length (holds %" PRIu64 " positions, should hold %" PRIu64 ")",
                          length, expected);
    else
        ReportSkippedFile(path,
                          "wrong length (holds %" PRIu64 " positions, should hold %" PRIu64 " or %" PRIu64 ")",
                          length, expected, rest);
    return false;
}

// A plain file is usable when its length fits, where it is comparable: below
// 2^31 positions of one byte.
bool PlainFileUsable(FILE* file, i32 id, i32 side, const std::string& path) {
    const TablebaseRegistryEntry& entry = TablebaseRegistry[id];
    if ((entry.flags & TbTwoByte) || entry.indexSize[side] >= ExtentBytes) return true;
    u64 length = 0;
    if (!FileLength(file, &length)) {
        ReportSkippedFile(path, "read error");
        return false;
    }
    return LengthFitsTable(id, side, length, path);
}

// Reads and checks the header of a compressed file. Returns its descriptor,
// or null after the line that says why the file cannot serve.
CompressedFileDescriptor* ReadCompressedFile(FILE* file, i32 id, i32 side, const std::string& path) {
    CompressedFileCount += 1;
    const u64 indexBytesBefore = EgtbIndexBytes;
    CompressedFileDescriptor* descriptor = nullptr;
    const i32 code = ReadCompressedHeader(&descriptor, file);
    if (code != 0) {
        switch (DecodeErrorKindOf(code)) {
            case ReadError: ReportSkippedFile(path, "read error"); break;
            case OutOfMemory: ReportSkippedFile(path, "out of memory"); break;
            case FileBroken: ReportSkippedFile(path, "header damaged"); break;
            default: ReportSkippedFile(path, "error %d", code); break;
        }
        return nullptr;
    }
    // The decoded length in positions, in 64 bits: a full extent decodes to
    // 2^31 bytes and an unsplit side to several times that.
    const bool twoByte = TablebaseRegistry[id].flags & TbTwoByte;
    const u64 fullBlocks = u64(descriptor->blockCount) - 1;
    const u64 length = twoByte ? fullBlocks * (SupportedBlockSize / 2) + descriptor->lastBlockLength / 2
                               : fullBlocks * SupportedBlockSize + descriptor->lastBlockLength;
    // Blocks the file does not hold whole would fail at every probe that
    // reaches them: a cut file is refused here, like a damaged header.
    const u64 blocksEnd = descriptor->blockOffsets[descriptor->blockCount];
    u64 fileLength = 0;
    bool usable = false;
    if (descriptor->blockSize != SupportedBlockSize)
        ReportSkippedFile(path, "unsupported block size %u", descriptor->blockSize);
    else if (!FileLength(file, &fileLength))
        ReportSkippedFile(path, "read error");
    else if (fileLength < blocksEnd)
        ReportSkippedFile(path, "cut short (%" PRIu64 " bytes, its blocks end at %" PRIu64 ")", fileLength,
                          blocksEnd);
    else
        usable = LengthFitsTable(id, side, length, path);
    if (usable) return descriptor;
    std::free(descriptor);
    EgtbIndexBytes = indexBytesBefore;
    return nullptr;
}

// Forgets everything the previous scan registered.
void ReleaseRegistrations() {
    for (i32 id = 1; id < TablebaseCount; ++id) {
        TablebaseFileState& files = TablebaseFiles[id];
        for (i32 side = 0; side < 2; ++side) {
            std::free(files.cacheChains[side]);
            files.cacheChains[side] = nullptr;
            for (i32 extent = 0; extent < MaxTableExtents; ++extent) {
                std::free(files.fileName[side][extent]);
                files.fileName[side][extent] = nullptr;
                std::free(files.compressedInfo[side][extent]);
                files.compressedInfo[side][extent] = nullptr;
            }
        }
    }
    std::free(EgtbDecodeState);
    EgtbDecodeState = nullptr;
}

// The directory text under which the piece of the path list is searched:
// the piece itself, or without its trailing blanks (a GUI's carriage return
// arrives as one); "" when neither is a directory or the names would not fit.
bool ResolveDirectory(std::string& directory) {
    if (directory.size() + NameTailBytes > PathBufferBytes) return false;
    if (IsDirectoryTranslated(directory.c_str())) return true;
    const std::string trimmed = TrimTrailingBlanks(directory.c_str());
    if (trimmed.size() == directory.size() || !IsDirectoryTranslated(trimmed.c_str())) return false;
    directory = trimmed;
    return true;
}

}  // namespace

void TablebaseFatal(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vprintf(format, arguments);
    va_end(arguments);
    std::fflush(stdout);
    std::exit(1);
}

bool TableFileLengthFits(i32 id, i32 side, u64 length, u64* expected, u64* rest) {
    const TablebaseRegistryEntry& entry = TablebaseRegistry[id];
    const u64 size = entry.indexSize[side];
    *expected = *rest = size;
    if (size == 0) return true;
    if (entry.flags & TbSplit) {
        *expected = (entry.flags & TbTwoByte) ? ExtentBytes / 2 : ExtentBytes;
        *rest = size % *expected;
    }
    // Any extent may have the full or the remainder length.
    return length == *expected || length == *rest;
}

i32 RegisterTablebaseFile(const char* directory, i32 id, i32 side, i32 extent) {
    TablebaseFileState& files = TablebaseFiles[id];
    if (files.fileName[side][extent] != nullptr) return 1;
    const TablebaseRegistryEntry& entry = TablebaseRegistry[id];

    std::string name, path;
    ComposeTableFileName(name, directory, entry, side, extent);
    CompressedFileDescriptor* descriptor = nullptr;
    // A plain file that cannot serve gives way to a compressed one beside it.
    bool plainUsable = false;
    if (FILE* file = OpenTableFile(name, &path)) {
        plainUsable = PlainFileUsable(file, id, side, path);
        std::fclose(file);
    }
    if (!plainUsable) {
        FILE* compressed = OpenCompressedTableFile(name, entry, &path);
        if (compressed == nullptr) return 0;
        descriptor = ReadCompressedFile(compressed, id, side, path);
        std::fclose(compressed);
        if (descriptor == nullptr) return 0;
    }

    if (!RegisterTableMaterial(&entry)) TablebaseFatal("*** Unable to register %s\n", name.c_str());
    char* copy = static_cast<char*>(TablebaseAlloc(name.size() + 1));
    std::memcpy(copy, name.c_str(), name.size() + 1);
    std::free(files.fileName[side][extent]);
    files.fileName[side][extent] = copy;
    if (files.cacheChains[side] == nullptr) {
        const size_t bytes = TableCacheChains * sizeof(TableCacheBlock*);
        files.cacheChains[side] = static_cast<TableCacheBlock**>(TablebaseAlloc(bytes));
        std::memset(files.cacheChains[side], 0, bytes);
    }
    files.compressedInfo[side][extent] = descriptor;
    return 1;
}

i32 RegisterTablebaseParts(const char* directory, i32 id, i32 side) {
    const i32 extents = TableExtentCount(TablebaseRegistry[id], side);
    if (!RegisterTablebaseFile(directory, id, side, 0)) return 0;
    // A missing later extent ends the search for this side; it still counts.
    for (i32 extent = 1; extent < extents; ++extent)
        if (!RegisterTablebaseFile(directory, id, side, extent)) break;
    return 1;
}

i32 InitTablebases(const char* pathList) {
    EgtbIndexBytes = 0;
    // The cache's blocks point into the chain arrays about to be released.
    ResetTableCache();
    CloseTablebaseFiles();
    BuildTablebaseIndexTables();
    InitMaterialTrie();
    ReleaseRegistrations();
    TablebaseDirectoriesScanned = 0;
    if (pathList == nullptr) return 0;

    i32 maxId = 0;
    const DirectoryListingCache listings;
    // Directories at every ',' and ';'; an empty piece is the working
    // directory. Each directory is checked once; one that cannot be reached
    // is skipped, and one named again (under any spelling) is not scanned
    // again: everything it holds was registered the first time.
    std::vector<FileIdentity> scanned;
    const char* start = pathList;
    for (;;) {
        const size_t length = std::strcspn(start, ",;");
        std::string directory(start, length);
        FileIdentity identity;
        if (ResolveDirectory(directory) && DirectoryIdentity(directory.c_str(), &identity) &&
            std::find(scanned.begin(), scanned.end(), identity) == scanned.end()) {
            scanned.push_back(identity);
            TablebaseDirectoriesScanned += 1;
            for (i32 id = 1; id < TablebaseCount; ++id) {
                const i32 sides = (TablebaseRegistry[id].flags & TbSymmetric) ? 1 : 2;
                for (i32 side = 0; side < sides; ++side)
                    if (RegisterTablebaseParts(directory.c_str(), id, side)) maxId = std::max(maxId, id);
            }
        }
        if (start[length] == '\0') break;
        start += length + 1;
    }

    if (CompressedFileCount != 0 && EgtbDecodeState == nullptr) {
        const i32 code = AllocDecodeState(&EgtbDecodeState);
        if (code != 0) TablebaseFatal("*** Cannot allocate decode block: error code %d\n", code);
    }
    if (maxId >= 146) return 6;
    if (maxId >= 36) return 5;
    if (maxId >= 6) return 4;
    return maxId >= 1 ? 3 : 0;
}
