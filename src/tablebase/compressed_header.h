// Block-compressed table files: the header that describes every block of a
// file part, and the descriptor the block decoder works from.
//
// Layout (multi-byte integers big-endian, bit fields most significant bit
// first):
//    0  64 bytes  banner: one line ending in CR LF, padded with zero bytes
//   64  4         H, the header size; block data starts at H
//   68  2         reserved
//   70  1         B: decoded blocks are 2^B bytes
//   71  1         number of match distances, 24
//   72  4         N, the block count
//   76  4         format identifier 0x004001F5
//   80  8N        per block: checksum of its decoded bytes, then of its
//                 stored bytes (not verified here)
//   then          N + 25 fields of B bits: the stored length of every block,
//                 the decoded length of the last block, the 24 distances
//                 (a length field of 0 stands for 2^B)
//   next byte     the code lengths of the 1024 block symbols
//   H - 4  4      checksum of bytes 0 to H - 5
//   H             the stored bytes of block 0, 1, ... N - 1, back to back
#pragma once

#include <cstdio>

#include "board/types.h"
#include "tablebase/huffman_code.h"

constexpr i32 BannerBytes = 64;
constexpr i32 HeaderFixedBytes = 80;
constexpr i32 MinHeaderBytes = 84;
constexpr i32 HeaderCrcBytes = 4;
constexpr i32 MaxBlockSizeLog2 = 16;
constexpr i32 MatchDistanceCount = 24;
constexpr u32 CompressedFormatId = 0x004001F5;

// The block code: 256 literals, then 24 distance slots of 32 length codes.
constexpr i32 BlockCodeSymbols = 1024;
constexpr i32 BlockCodeLookupBits = 13;
constexpr i32 BlockCodeTableEntries = DecodeTableEntries(BlockCodeLookupBits, BlockCodeSymbols);

// Our own banner, written by our tools. Files of other origins carry other
// texts of the same form; the reader checks the form, not the text.
constexpr char CompressedBanner[BannerBytes] = "Korvalent block-compressed endgame table\r\n";

// One per compressed file part, in one allocation with its offsets behind
// it; released with free().
struct CompressedFileDescriptor {
    i16 decodeTable[BlockCodeTableEntries];
    // Negated, so that a match of slot s copies from the write position
    // plus distances[s].
    i32 distances[MatchDistanceCount];
    // N + 1 file offsets: where each block's stored bytes start, then the
    // end of the last block.
    u32* blockOffsets;
    u32 blockSize;
    u32 lastBlockLength;
    u32 blockCount;
};

// Reads and checks the header of the file part open at offset 0. On success
// *out holds the new descriptor and the file stands at offset H; on failure
// *out is null and nothing stays allocated. Each descriptor's size is added
// to EgtbIndexBytes.
i32 ReadCompressedHeader(CompressedFileDescriptor** out, FILE* file);
