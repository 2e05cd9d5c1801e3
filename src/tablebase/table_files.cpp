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

// fopen of a table file name: only a regular file counts, so a directory
// that happens to carry a table's name is no table.
FILE* OpenTableFile(const std::string& name) {
    FILE* file = OpenFileTranslated(name.c_str(), "rb");
    if (file != nullptr && !IsRegularFile(file)) {
        std::fclose(file);
        file = nullptr;
    }
    return file;
}

// Tries the compressed names of the plain name in their fixed order; on
// success name holds the one that opened.
FILE* OpenCompressedTableFile(std::string& name, const TablebaseRegistryEntry& entry) {
    const std::string plain = name;
    // "kpk.nbw.emd"
    name = plain + ".emd";
    if (FILE* file = OpenTableFile(name)) return file;
    if (entry.flags & TbSplit) return nullptr;
    const size_t dot = plain.size() - 4;  // the '.' before "nbw" or "nbb"
    // "kpk_nbw.emd", then "kpk_nbw_emd"
    name = plain.substr(0, dot) + '_' + plain.substr(dot + 1) + ".emd";
    if (FILE* file = OpenTableFile(name)) return file;
    name[name.size() - 4] = '_';
    if (FILE* file = OpenTableFile(name)) return file;
    // "kpknbw.emd": the eight-plus-three form of tables up to five men.
    if (entry.id > 145) return nullptr;
    name = plain.substr(0, dot) + plain.substr(dot + 1) + ".emd";
    return OpenTableFile(name);
}

// Length in positions of an open plain file; fatal when it cannot be had.
u64 PlainFileLength(FILE* file, const std::string& name) {
    if (fseeko(file, 0, SEEK_END) != 0) TablebaseFatal("*** Seek in %s failed\n", name.c_str());
    const off_t length = ftello(file);
    if (length < 0) TablebaseFatal("*** Seek in %s failed\n", name.c_str());
    return u64(length);
}

// Reads and checks the header of a compressed file; fatal when it is not
// usable. Returns its descriptor.
CompressedFileDescriptor* ReadCompressedFile(FILE* file, i32 id, i32 side, const std::string& name) {
    CompressedFileCount += 1;
    CompressedFileDescriptor* descriptor = nullptr;
    const i32 code = ReadCompressedHeader(&descriptor, file);
    if (code != 0) {
        std::fclose(file);
        switch (DecodeErrorKindOf(code)) {
            case ReadError: TablebaseFatal("*** Unable to read %s - read error\n", name.c_str());
            case OutOfMemory: TablebaseFatal("*** Unable to read %s - out of memory\n", name.c_str());
            case FileBroken: TablebaseFatal("*** Unable to read %s - file broken\n", name.c_str());
            default: TablebaseFatal("*** Unable to read %s - error %d\n", name.c_str(), code);
        }
    }
    if (descriptor->blockSize != SupportedBlockSize)
        TablebaseFatal("*** %s: Unsupported block size %d\n", name.c_str(), i32(descriptor->blockSize));
    // The decoded length in positions, in 64 bits: a full extent decodes to
    // 2^31 bytes and an unsplit side to several times that.
    const bool twoByte = TablebaseRegistry[id].flags & TbTwoByte;
    const u64 fullBlocks = u64(descriptor->blockCount) - 1;
    const u64 length = twoByte ? fullBlocks * (SupportedBlockSize / 2) + descriptor->lastBlockLength / 2
                               : fullBlocks * SupportedBlockSize + descriptor->lastBlockLength;
    CheckTableFileLength(id, side, length, name.c_str());
    return descriptor;
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

void CheckTableFileLength(i32 id, i32 side, u64 length, const char* name) {
    const TablebaseRegistryEntry& entry = TablebaseRegistry[id];
    const u64 size = entry.indexSize[side];
    if (size == 0) return;
    u64 expected = size, rest = size;
    if (entry.flags & TbSplit) {
        expected = (entry.flags & TbTwoByte) ? ExtentBytes / 2 : ExtentBytes;
        rest = size % expected;
    }
    // Any extent may have the full or the remainder length.
    if (length == expected || length == rest) return;
    TablebaseFatal("*** %s corrupted %" PRIu64 " %" PRIu64 " %" PRIu64 "\n", name, expected, rest, length);
}

i32 RegisterTablebaseFile(const char* directory, i32 id, i32 side, i32 extent) {
    TablebaseFileState& files = TablebaseFiles[id];
    if (files.fileName[side][extent] != nullptr) return 1;
    const TablebaseRegistryEntry& entry = TablebaseRegistry[id];

    std::string name;
    ComposeTableFileName(name, directory, entry, side, extent);
    CompressedFileDescriptor* descriptor = nullptr;
    if (FILE* file = OpenTableFile(name)) {
        // Plain file: its length is comparable where it stays below 2^31
        // positions of one byte.
        if (!(entry.flags & TbTwoByte) && entry.indexSize[side] < ExtentBytes) {
            const u64 length = PlainFileLength(file, name);
            CheckTableFileLength(id, side, length, name.c_str());
        }
        std::fclose(file);
    } else if (FILE* compressed = OpenCompressedTableFile(name, entry)) {
        descriptor = ReadCompressedFile(compressed, id, side, name);
        std::fclose(compressed);
    } else {
        return 0;
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
    if (pathList == nullptr) return 0;

    i32 maxId = 0;
    const DirectoryListingCache listings;
    // Directories at every ',' and ';'; an empty piece is the working
    // directory. Each directory is checked once; one that cannot be reached
    // is skipped.
    const char* start = pathList;
    for (;;) {
        const size_t length = std::strcspn(start, ",;");
        std::string directory(start, length);
        if (ResolveDirectory(directory)) {
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
