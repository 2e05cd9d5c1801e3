// Test tooling: table files of chosen contents, written by the tests
// themselves. Large tables are written sparse, with only the blocks a test
// reads filled in.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "board/types.h"
#include "tablebase/registry.h"

// The registry id of a table name, 0 when there is none.
inline i32 TableId(const char* name) {
    for (i32 id = 1; id < TablebaseCount; ++id)
        if (std::strcmp(TablebaseRegistry[id].name, name) == 0) return id;
    return 0;
}

// A file of exactly `length` bytes holding `bytes` at offset `at`, the rest
// a hole that reads as zero.
inline void WriteSparseFile(const std::string& path, u64 length, u64 at = 0,
                            const std::vector<u8>& bytes = {}) {
    const int fd = open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    if (fd < 0) return;
    if (!bytes.empty()) {
        const ssize_t written = pwrite(fd, bytes.data(), bytes.size(), off_t(at));
        (void)written;
    }
    const int truncated = ftruncate(fd, off_t(length));
    (void)truncated;
    close(fd);
}

inline void WriteWholeFile(const std::string& path, const std::vector<u8>& bytes) {
    WriteSparseFile(path, bytes.size(), 0, bytes);
}

// A value byte that depends on table, side and index and is never 127 (no
// value), so that a probe that lands on the wrong slot shows.
inline u8 SyntheticByte(i32 id, i32 side, u64 index) {
    u64 h = (index + 1) * 0x9E3779B97F4A7C15ull ^ (u64(id) << 33) ^ (u64(side) << 17);
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    const u8 b = u8(h >> 56);
    return b == 127 ? 0 : b;
}

// The whole data of a small one-byte table side in synthetic bytes.
inline std::vector<u8> SyntheticTable(i32 id, i32 side) {
    std::vector<u8> data(TablebaseRegistry[id].indexSize[side]);
    for (u64 i = 0; i < data.size(); ++i) data[i] = SyntheticByte(id, side, i);
    return data;
}

// The synthetic bytes of the 8192-byte block of a one-byte table file that
// holds `index` (the file offset of the block is returned in *at).
inline std::vector<u8> SyntheticBlock(i32 id, i32 side, u64 index, u64 fileLength, u64* at) {
    *at = index / 8192 * 8192;
    const u64 size = std::min<u64>(8192, fileLength - *at);
    std::vector<u8> block(size);
    for (u64 i = 0; i < size; ++i) block[i] = SyntheticByte(id, side, *at + i);
    return block;
}
