// Test tooling: writes compressed table files by the format's own rules, so
// that the reader and the block decoder can be tested on files of known
// content. Not part of the engine.
//
//   - BitWriter: the most-significant-bit-first writer of the bit streams.
//   - AssembleCompressedFile: a file from its parts (stored blocks, the
//     block code's lengths, the distances), with its header checksum.
//   - EncodeTable: splits a table into blocks of 2^B bytes, finds matches at
//     the 24 distances inside each block, builds one length-limited
//     canonical code for the file and stores a block plain when its coded
//     form would not be shorter.
//
// Header-only, so that the benchmarks can use it too.
#pragma once

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>
#include <queue>
#include <random>
#include <vector>

#include "tablebase/block_crc.h"
#include "tablebase/compressed_header.h"

namespace test_encoder {

struct BitWriter {
    std::vector<u8> bytes;
    i32 usedInLast = 8;  // bits used in the last byte; 8 when it is full

    void PutBit(u32 bit) {
        if (usedInLast == 8) {
            bytes.push_back(0);
            usedInLast = 0;
        }
        if (bit) bytes.back() |= u8(0x80 >> usedInLast);
        ++usedInLast;
    }
    // The low `count` bits of value, most significant first.
    void Put(u64 value, i32 count) {
        for (i32 i = count - 1; i >= 0; --i) PutBit(u32(value >> i) & 1);
    }
    u64 BitCount() const { return bytes.size() * 8 - u64(8 - usedInLast); }
};

// Code lengths to canonical codes (lengths, then symbol numbers, in order).
inline std::vector<u32> CanonicalCodes(const std::vector<u8>& lengths) {
    u32 codesOfLength[MaxCodeLength + 2] = {};
    for (u8 length : lengths)
        if (length) ++codesOfLength[length];
    u32 nextCode[MaxCodeLength + 2] = {};
    u32 code = 0;
    for (i32 length = 1; length <= MaxCodeLength; ++length) {
        code = (code + codesOfLength[length - 1]) << 1;
        nextCode[length] = code;
    }
    std::vector<u32> codes(lengths.size(), 0);
    for (size_t symbol = 0; symbol < lengths.size(); ++symbol)
        if (lengths[symbol]) codes[symbol] = nextCode[lengths[symbol]]++;
    return codes;
}

// Huffman code lengths for the given symbol counts, no longer than
// maxLength: when the tree is too deep the counts are halved and it is built
// again. One used symbol gets length 1 (it then costs no bits at all).
inline std::vector<u8> HuffmanLengths(std::vector<u64> counts, i32 maxLength) {
    const size_t n = counts.size();
    std::vector<u8> lengths(n, 0);
    size_t used = 0;
    for (u64 count : counts) used += count != 0;
    if (used == 0) return lengths;
    if (used == 1) {
        for (size_t s = 0; s < n; ++s)
            if (counts[s]) lengths[s] = 1;
        return lengths;
    }
    for (;;) {
        // Nodes 0..n-1 are symbols, the rest inner nodes; parent links give
        // the depths.
        std::vector<i32> parent(2 * n, -1);
        using Item = std::pair<u64, i32>;
        std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
        for (size_t s = 0; s < n; ++s)
            if (counts[s]) queue.push({counts[s], i32(s)});
        i32 nextNode = i32(n);
        while (queue.size() > 1) {
            const Item a = queue.top();
            queue.pop();
            const Item b = queue.top();
            queue.pop();
            parent[size_t(a.second)] = parent[size_t(b.second)] = nextNode;
            queue.push({a.first + b.first, nextNode++});
        }
        i32 deepest = 0;
        for (size_t s = 0; s < n; ++s) {
            if (!counts[s]) continue;
            i32 depth = 0;
            for (i32 node = i32(s); parent[size_t(node)] >= 0; node = parent[size_t(node)]) ++depth;
            lengths[s] = u8(std::min(depth, 255));
            deepest = std::max(deepest, depth);
        }
        if (deepest <= maxLength) return lengths;
        for (u64& count : counts)
            if (count) count = (count + 1) / 2;
    }
}

// A code ready for writing; a code of one symbol writes no bits, as the
// decoder takes none for it.
struct WriterCode {
    std::vector<u8> lengths;
    std::vector<u32> codes;
    bool single = false;

    explicit WriterCode(const std::vector<u8>& codeLengths)
        : lengths(codeLengths), codes(CanonicalCodes(codeLengths)) {
        single = std::count_if(lengths.begin(), lengths.end(), [](u8 l) { return l != 0; }) == 1;
    }
    void Put(BitWriter& writer, i32 symbol) const {
        assert(lengths[size_t(symbol)] != 0);
        if (!single) writer.Put(codes[size_t(symbol)], lengths[size_t(symbol)]);
    }
};

// The flat form of up to 128 lengths, with 5-bit fields.
inline void WriteFlatCodeLengths(BitWriter& writer, const std::vector<u8>& lengths) {
    if (std::all_of(lengths.begin(), lengths.end(), [](u8 l) { return l == 0; })) {
        writer.Put(1, 1);
        return;
    }
    writer.Put(0, 1);
    writer.Put(5, 5);
    for (size_t i = 0; i < lengths.size();) {
        writer.Put(lengths[i], 5);
        if (lengths[i++] != 0) continue;
        u32 run = 0;
        while (run < 15 && i < lengths.size() && lengths[i] == 0) ++run, ++i;
        writer.Put(run, 4);
    }
}

// The code-length stream of the block code: runs of one length become a
// run symbol of code A plus a run size of code B.
inline void WriteBlockCodeLengths(BitWriter& writer, const std::vector<u8>& lengths) {
    if (std::all_of(lengths.begin(), lengths.end(), [](u8 l) { return l == 0; })) {
        writer.Put(1, 1);
        return;
    }
    writer.Put(0, 1);
    struct LengthToken {
        i32 a;
        i32 b = -1;  // -1: no run
        i32 extraBits = 0;
        u32 extra = 0;
    };
    std::vector<LengthToken> tokens;
    for (size_t i = 0; i < lengths.size();) {
        size_t run = 1;
        while (i + run < lengths.size() && lengths[i + run] == lengths[i]) ++run;
        LengthToken token{lengths[i]};
        if (run >= 2) {
            token.a = 32 + lengths[i];
            if (run <= 33) {
                token.b = i32(run - 2);
            } else {
                i32 k = 0;
                while ((u64(2) << k) <= run - 33) ++k;
                token.b = 32 + k;
                token.extraBits = k;
                token.extra = u32(run - 33 - (u64(1) << k));
            }
        } else {
            run = 1;
        }
        tokens.push_back(token);
        i += run;
    }
    std::vector<u64> countsA(64, 0), countsB(64, 0);
    for (const LengthToken& token : tokens) {
        ++countsA[size_t(token.a)];
        if (token.b >= 0) ++countsB[size_t(token.b)];
    }
    const std::vector<u8> lengthsA = HuffmanLengths(countsA, MaxCodeLength);
    const std::vector<u8> lengthsB = HuffmanLengths(countsB, MaxCodeLength);
    std::vector<u8> both(lengthsA);
    both.insert(both.end(), lengthsB.begin(), lengthsB.end());
    WriteFlatCodeLengths(writer, both);
    const WriterCode codeA(lengthsA), codeB(lengthsB);
    for (const LengthToken& token : tokens) {
        codeA.Put(writer, token.a);
        if (token.b < 0) continue;
        codeB.Put(writer, token.b);
        writer.Put(token.extra, token.extraBits);
    }
}

using Distances = std::array<u32, MatchDistanceCount>;

// Small distances for runs and short periods, larger ones for repeats
// further back in a block.
constexpr Distances DefaultDistances = {1,  2,  3,  4,  5,   6,   7,   8,   10,   12,   16,   24,
                                        32, 48, 64, 96, 128, 192, 256, 512, 1024, 2048, 3000, 4096};

// Everything a compressed file is made of.
struct CompressedFileParts {
    i32 blockSizeLog2 = 13;
    Distances distances = DefaultDistances;
    std::vector<u8> codeLengths = std::vector<u8>(BlockCodeSymbols, 0);
    std::vector<std::vector<u8>> storedBlocks;
    std::vector<u32> decodedChecks;  // per block; empty: zeros
    u32 lastBlockLength = 0;         // decoded; 2^B is written as 0
    const char* banner = CompressedBanner;
};

inline void PutBigEndian32(u8* bytes, u32 value) {
    for (i32 i = 0; i < 4; ++i) bytes[i] = u8(value >> (24 - 8 * i));
}

inline u32 GetBigEndian32(const u8* bytes) {
    return u32(bytes[0]) << 24 | u32(bytes[1]) << 16 | u32(bytes[2]) << 8 | bytes[3];
}

// Writes the header checksum for the header size the file states, when
// that size fits the bytes there are.
inline void SealHeader(std::vector<u8>& file) {
    const u32 headerSize = GetBigEndian32(&file[64]);
    if (headerSize < MinHeaderBytes || headerSize > file.size()) return;
    PutBigEndian32(&file[headerSize - 4], ComputeBlockCrc(file.data(), i32(headerSize - 4)));
}

// The header alone, for blocks of the given stored lengths and checks.
inline std::vector<u8> AssembleCompressedHeader(const CompressedFileParts& parts,
                                                const std::vector<u32>& storedLengths,
                                                const std::vector<u32>& storedChecks) {
    const u32 blockCount = u32(storedLengths.size());
    const u32 fieldMask = (u32(1) << parts.blockSizeLog2) - 1;
    std::vector<u8> header(HeaderFixedBytes + 8 * size_t(blockCount), 0);
    std::memcpy(header.data(), parts.banner, BannerBytes);
    header[70] = u8(parts.blockSizeLog2);
    header[71] = MatchDistanceCount;
    PutBigEndian32(&header[72], blockCount);
    PutBigEndian32(&header[76], CompressedFormatId);
    for (u32 block = 0; block < blockCount; ++block) {
        const u32 decodedCheck = parts.decodedChecks.empty() ? 0 : parts.decodedChecks[block];
        PutBigEndian32(&header[HeaderFixedBytes + 8 * block], decodedCheck);
        PutBigEndian32(&header[HeaderFixedBytes + 8 * block + 4], storedChecks[block]);
    }
    BitWriter packed;
    for (u32 length : storedLengths) packed.Put(length & fieldMask, parts.blockSizeLog2);
    packed.Put(parts.lastBlockLength & fieldMask, parts.blockSizeLog2);
    for (u32 distance : parts.distances) packed.Put(distance & fieldMask, parts.blockSizeLog2);
    header.insert(header.end(), packed.bytes.begin(), packed.bytes.end());
    BitWriter lengthStream;
    WriteBlockCodeLengths(lengthStream, parts.codeLengths);
    header.insert(header.end(), lengthStream.bytes.begin(), lengthStream.bytes.end());
    header.resize(header.size() + HeaderCrcBytes);
    PutBigEndian32(&header[64], u32(header.size()));
    SealHeader(header);
    return header;
}

inline std::vector<u8> AssembleCompressedFile(const CompressedFileParts& parts) {
    std::vector<u32> storedLengths, storedChecks;
    for (const std::vector<u8>& stored : parts.storedBlocks) {
        storedLengths.push_back(u32(stored.size()));
        storedChecks.push_back(ComputeBlockCrc(stored.data(), i32(stored.size())));
    }
    std::vector<u8> file = AssembleCompressedHeader(parts, storedLengths, storedChecks);
    for (const std::vector<u8>& stored : parts.storedBlocks)
        file.insert(file.end(), stored.begin(), stored.end());
    return file;
}

// One symbol of a block: a literal, or a match of `length` bytes at the
// distance of `slot`.
struct Token {
    i32 literal = -1;  // -1: a match
    i32 slot = 0;
    u32 length = 0;
};

inline Token Literal(u8 byte) { return Token{byte, 0, 0}; }
inline Token Match(i32 slot, u32 length) { return Token{-1, slot, length}; }

// The length code (0 to 31) of a match length, with its extra bits.
inline i32 LengthCode(u32 length, i32* extraBits, u32* extra) {
    *extraBits = 0;
    *extra = 0;
    if (length <= 15) return i32(length) - 1;
    i32 n = 1;
    while ((u64(2) << n) <= u64(length) - 14) ++n;
    *extraBits = n;
    *extra = length - 14 - (u32(1) << n);
    return 14 + n;
}

inline i32 TokenSymbol(const Token& token) {
    if (token.literal >= 0) return token.literal;
    i32 extraBits;
    u32 extra;
    return 256 + token.slot * 32 + LengthCode(token.length, &extraBits, &extra);
}

// A block's coded bytes; never empty, since a stored length of 0 stands for
// a whole block.
inline std::vector<u8> WriteBlockTokens(const std::vector<Token>& tokens, const WriterCode& code) {
    BitWriter writer;
    for (const Token& token : tokens) {
        code.Put(writer, TokenSymbol(token));
        if (token.literal >= 0) continue;
        i32 extraBits;
        u32 extra;
        LengthCode(token.length, &extraBits, &extra);
        writer.Put(extra, extraBits);
    }
    if (writer.bytes.empty()) writer.bytes.push_back(0);
    return writer.bytes;
}

// Greedy matching inside one block: the longest match at any of the
// distances, when it is at least minMatch long and its symbol has a code.
inline std::vector<Token> TokenizeBlock(const u8* data, u32 size, const Distances& distances,
                                        u32 minMatch, const std::vector<u8>* usable) {
    std::vector<Token> tokens;
    for (u32 pos = 0; pos < size;) {
        Token best = Literal(data[pos]);
        for (i32 slot = 0; slot < MatchDistanceCount; ++slot) {
            const u32 distance = distances[size_t(slot)];
            if (distance == 0 || distance > pos) continue;
            u32 length = 0;
            while (pos + length < size && data[pos + length] == data[pos + length - distance])
                ++length;
            if (length < minMatch || length <= best.length) continue;
            const Token match = Match(slot, length);
            if (usable && (*usable)[size_t(TokenSymbol(match))] == 0) continue;
            best = match;
        }
        tokens.push_back(best);
        pos += best.literal >= 0 ? 1 : best.length;
    }
    return tokens;
}

// The Huffman code of the symbols that the blocks use.
inline std::vector<u8> CodeForTokens(const std::vector<std::vector<Token>>& blocks) {
    std::vector<u64> counts(BlockCodeSymbols, 0);
    for (const std::vector<Token>& tokens : blocks)
        for (const Token& token : tokens) ++counts[size_t(TokenSymbol(token))];
    return HuffmanLengths(counts, MaxCodeLength);
}

// A hand-built file: every block coded from its tokens. Blocks decode to
// 2^13 bytes, the last to lastBlockLength; the decoded checks are left 0.
inline std::vector<u8> FileFromTokenBlocks(const std::vector<std::vector<Token>>& blocks,
                                           u32 lastBlockLength,
                                           const Distances& distances = DefaultDistances) {
    CompressedFileParts parts;
    parts.distances = distances;
    parts.codeLengths = CodeForTokens(blocks);
    parts.lastBlockLength = lastBlockLength;
    const WriterCode code(parts.codeLengths);
    for (const std::vector<Token>& tokens : blocks)
        parts.storedBlocks.push_back(WriteBlockTokens(tokens, code));
    return AssembleCompressedFile(parts);
}

struct EncoderOptions {
    i32 blockSizeLog2 = 13;
    Distances distances = DefaultDistances;
    u32 minMatch = 3;
    std::vector<u8> forcedCodeLengths;  // empty: a Huffman code of the symbols used
};

struct EncodedTable {
    std::vector<u8> file;
    std::vector<bool> plainBlock;
    u32 distanceSlotsUsed = 0;  // bit s: a coded block uses slot s
};

inline EncodedTable EncodeTable(const std::vector<u8>& data, const EncoderOptions& options = {}) {
    assert(!data.empty());
    const u32 blockSize = u32(1) << options.blockSizeLog2;
    const u32 blockCount = u32((data.size() + blockSize - 1) / blockSize);
    const std::vector<u8>* usable =
        options.forcedCodeLengths.empty() ? nullptr : &options.forcedCodeLengths;

    std::vector<std::vector<Token>> blockTokens;
    for (u32 block = 0; block < blockCount; ++block) {
        const u32 start = block * blockSize;
        const u32 size = std::min<u32>(blockSize, u32(data.size()) - start);
        blockTokens.push_back(
            TokenizeBlock(&data[start], size, options.distances, options.minMatch, usable));
    }

    CompressedFileParts parts;
    parts.blockSizeLog2 = options.blockSizeLog2;
    parts.distances = options.distances;
    parts.codeLengths = usable ? *usable : CodeForTokens(blockTokens);
    const WriterCode code(parts.codeLengths);
    EncodedTable encoded;
    for (u32 block = 0; block < blockCount; ++block) {
        const u32 start = block * blockSize;
        const u32 size = std::min<u32>(blockSize, u32(data.size()) - start);
        std::vector<u8> coded = WriteBlockTokens(blockTokens[block], code);
        // A coded block exactly as long as its decoded bytes would read as
        // plain; a longer one gains nothing.
        const bool plain = coded.size() >= size;
        if (plain) coded.assign(&data[start], &data[start] + size);
        else
            for (const Token& token : blockTokens[block])
                if (token.literal < 0) encoded.distanceSlotsUsed |= u32(1) << token.slot;
        parts.storedBlocks.push_back(coded);
        parts.decodedChecks.push_back(ComputeBlockCrc(&data[start], i32(size)));
        encoded.plainBlock.push_back(plain);
        parts.lastBlockLength = size;
    }
    encoded.file = AssembleCompressedFile(parts);
    return encoded;
}

// Bytes shaped like a table's values: long runs of draws, runs of small
// distances to mate, some scattered values.
inline std::vector<u8> TableLikeData(size_t size, u32 seed) {
    std::mt19937 random(seed);
    std::vector<u8> data;
    data.reserve(size);
    while (data.size() < size) {
        const u32 kind = random() % 10;
        const size_t run = 1 + random() % (kind < 5 ? 200 : 24);
        u8 value = 0;
        if (kind >= 5 && kind < 8) value = u8(1 + random() % 12);
        for (size_t i = 0; i < run && data.size() < size; ++i) {
            if (kind >= 8) value = u8(random() % 256);
            else if (kind >= 5 && random() % 4 == 0) value = u8(1 + random() % 12);
            data.push_back(value);
        }
    }
    return data;
}

}  // namespace test_encoder
