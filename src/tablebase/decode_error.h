// Results of the compressed-table reader and the block decoder. 0 is
// success; any other result carries the kind of failure in its low 8 bits
// and, above them, the number of the check that failed, so that a code
// printed in a fatal message names the exact check.
#pragma once

#include "board/types.h"

enum DecodeErrorKind : i32 {
    ReadError = 2,
    OutOfMemory = 5,
    FileBroken = 6,
    BadArgument = 7,
};

// Every check that can fail has its own number.
enum DecodeCheck : i32 {
    // The header reader. 674 is fixed: a missing result place gives the
    // code 172551, printed as "error 172551".
    CheckNoDescriptorPlace = 674,
    CheckShortHeaderStart,
    CheckBanner,
    CheckHeaderSize,
    CheckBlockSizeZero,
    CheckDistanceCount,
    CheckFormatId,
    CheckBlockCountZero,
    CheckHeaderLayout,
    CheckFileShorterThanHeader,
    CheckHeaderBufferMemory,
    CheckShortHeader,
    CheckHeaderCrc,
    CheckDescriptorMemory,
    CheckCodeLengthStream,
    CheckBlockCodeTable,
    CheckBlockOffsets,
    // The code lengths and the canonical decode tables.
    CheckFlatWidth,
    CheckFlatZeroRun,
    CheckRepeatRun,
    CheckLengthStreamPastEnd,
    CheckCodeLengthAbove31,
    CheckSingleCodeLength,
    CheckIncompleteCode,
    // The block decoder. 828 is fixed: a failed state allocation gives the
    // code 211973.
    CheckDecodeStateMemory = 828,
    CheckNoDecodeStatePlace,
    CheckInitNullState,
    CheckLoadStateNotReady,
    CheckBlockNumber,
    CheckStoredLength,
    CheckBlockSeek,
    CheckShortBlock,
    CheckDecodeStateNotReady,
    CheckWantedLength,
    CheckNoBlockLoaded,
    CheckMatchSource,
    CheckStreamPastEnd,
};

constexpr i32 DecodeError(DecodeCheck check, DecodeErrorKind kind) { return i32(check) << 8 | kind; }
constexpr i32 DecodeErrorKindOf(i32 code) { return code & 0xFF; }

static_assert(DecodeError(CheckNoDescriptorPlace, BadArgument) == 172551);
static_assert(DecodeError(CheckDecodeStateMemory, OutOfMemory) == 211973);
static_assert(CheckIncompleteCode < CheckDecodeStateMemory, "check numbers must stay distinct");
