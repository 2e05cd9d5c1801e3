// Test support for the compressed-table reader and block decoder: byte
// vectors opened as streams, and the whole-file decode the block cache will
// do one block at a time. Header-only, so that the benchmarks can use it.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "tablebase/block_decoder.h"
#include "tablebase/compressed_header.h"
#include "tablebase/decode_error.h"

// A byte vector opened read-only as a stream.
struct MemoryFile {
    std::vector<u8> bytes;
    FILE* file = nullptr;

    explicit MemoryFile(std::vector<u8> content) : bytes(std::move(content)) {
        file = fmemopen(bytes.data(), bytes.size(), "rb");
    }
    ~MemoryFile() {
        if (file) std::fclose(file);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
};

// A descriptor that frees itself.
struct HeaderRead {
    i32 result = 0;
    CompressedFileDescriptor* descriptor = nullptr;
    ~HeaderRead() { std::free(descriptor); }
};

inline void ReadHeaderOf(MemoryFile& file, HeaderRead* read) {
    read->result = ReadCompressedHeader(&read->descriptor, file.file);
}

// A block's output area as the cache lays it out: 8192 bytes and 36 spare.
constexpr size_t CacheBlockArea = 8192 + 36;

// Decodes every block of an open file part in order into `decoded`; the
// first failure's code, or 0.
inline i32 DecodeAllBlocks(FILE* file, const CompressedFileDescriptor* descriptor,
                           DecodeState* state, std::vector<u8>* decoded) {
    std::vector<u8> area(CacheBlockArea);
    decoded->clear();
    for (u32 block = 0; block < descriptor->blockCount; ++block) {
        InitDecodeState(state, area.data());
        i32 result = LoadCompressedBlock(state, descriptor, file, i32(block));
        if (result == 0) result = DecodeCompressedBlock(state, descriptor, state->expectedLength);
        if (result) return result;
        decoded->insert(decoded->end(), area.begin(), area.begin() + state->expectedLength);
    }
    return 0;
}

// A decode state that frees itself.
struct OwnedDecodeState {
    DecodeState* state = nullptr;
    OwnedDecodeState() { AllocDecodeState(&state); }
    ~OwnedDecodeState() { std::free(state); }
    OwnedDecodeState(const OwnedDecodeState&) = delete;
    OwnedDecodeState& operator=(const OwnedDecodeState&) = delete;
};
