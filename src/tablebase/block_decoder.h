// The block decompressor of compressed table files: loads the stored bytes
// of one block and decodes them (literals and matches under the file's
// canonical block code) into the caller's output area.
//
// A decode may stop at a target inside the block and go on later from where
// it stopped: the state keeps the bit reader and any match cut at the target.
//
// The output area must have room for 15 bytes past the target of every
// decode: a match of up to 16 bytes is written whole, and a match of 1 to 4
// bytes always writes 4.
#pragma once

#include <cstdio>

#include "board/types.h"
#include "tablebase/bit_reader.h"
#include "tablebase/compressed_header.h"

constexpr u32 DecodeStateMagic = 0x79A3F29D;
// The largest stored block of a usable file.
constexpr u32 MaxStoredBlockBytes = 8192;
// Bytes a decode may write past its target.
constexpr i32 MaxDecodeOverrun = 15;
// Zeroed bytes behind the stored bytes for the bit reader's look-ahead. A
// symbol starts before the end of the stream and takes at most 31 + 17 bits;
// with up to 32 bits loaded ahead the reader then stands at most 10 bytes
// past the end.
constexpr i32 InputLookAheadBytes = 16;

struct DecodeState {
    u8* outputArea;           // the caller's area for the loaded block
    u32 expectedLength;       // decoded length of the loaded block
    // Next byte to write; equal to outputArea until the first symbol of a
    // coded block is decoded; null while no block is loaded in this area.
    u8* writePos;
    const u8* pendingSource;  // where a match cut at the target goes on
    u32 pendingLength;        // bytes of that match still to copy
    BitReader stream;         // over inputArea; its end is the stored length
    i32 streamError;          // the code of a broken stream, kept until the next load
    u32 magic;                // DecodeStateMagic once initialised
    u8 inputArea[MaxStoredBlockBytes + InputLookAheadBytes];
};

// The one state of the program; null while none is allocated.
extern DecodeState* EgtbDecodeState;

// Allocates a state (its size added to EgtbIndexBytes), initialised with no
// output area; released with free().
i32 AllocDecodeState(DecodeState** out);

// Binds an output area; a block must be loaded into it before decoding.
i32 InitDecodeState(DecodeState* state, u8* outputArea);

// Reads the stored bytes of `block`; a block stored plain (stored length
// equal to its decoded length) is complete in the output area at once.
i32 LoadCompressedBlock(DecodeState* state, const CompressedFileDescriptor* descriptor, FILE* file,
                        i32 block);

// Makes at least the first `want` (1 to expectedLength) decoded bytes of the
// loaded block available in the output area.
i32 DecodeCompressedBlock(DecodeState* state, const CompressedFileDescriptor* descriptor, u32 want);

// The decode loop: writes until it reaches `target`, stopping at the first
// symbol boundary at or after it, or exactly at it inside a match of more
// than 16 bytes. FileBroken when a match reaches before the output area or
// the symbols run past the stored bytes.
i32 DecodeBlockStream(const CompressedFileDescriptor* descriptor, DecodeState* state, u8* target);
