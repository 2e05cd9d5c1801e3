#include "book/book_check.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/platform.h"

namespace {

constexpr char BookHeaderText[] = "~Korvalent openings book";
constexpr size_t BookHeaderTextSize = sizeof BookHeaderText - 1;
static_assert(BookHeaderTextSize == 24, "the header text fills bytes 0 to 23");
constexpr size_t VersionOffset = 24;
constexpr size_t NodeCountOffset = 32;
// Index records read at once, and the bytes of the lists read at once.
constexpr i64 IndexChunkRecords = 4096;
constexpr i64 ListWindowBytes = 1 << 16;

u32 LittleEndian32(const u8* bytes) {
    return u32(bytes[0]) | u32(bytes[1]) << 8 | u32(bytes[2]) << 16 | u32(bytes[3]) << 24;
}

// Reads size bytes at offset: the number read, fewer at the end of the file.
size_t ReadAt(FILE* file, i64 offset, void* to, size_t size) {
    if (offset < 0 || offset > std::numeric_limits<long>::max()) return 0;
    if (std::fseek(file, long(offset), SEEK_SET) != 0) return 0;
    return std::fread(to, 1, size, file);
}

i64 FileLength(FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0) return -1;
    return i64(std::ftell(file));
}

// The count bytes of the move lists, through a window of the file that
// moves forward with them: the lists follow the index in its order in every
// book the book maker writes, so the window is read once from end to end.
struct ListCounts {
    FILE* file;
    i64 length;
    std::vector<u8> window = std::vector<u8>(size_t(ListWindowBytes));
    i64 windowStart = 0, windowSize = 0;

    // The byte at offset (inside the file); false when it cannot be read.
    bool At(i64 offset, u8* byte) {
        if (offset < windowStart || offset >= windowStart + windowSize) {
            const size_t wanted = size_t(std::min(ListWindowBytes, length - offset));
            windowStart = offset;
            windowSize = i64(ReadAt(file, offset, window.data(), wanted));
            if (windowSize == 0) return false;
        }
        *byte = window[size_t(offset - windowStart)];
        return true;
    }
};

// Checks the list at offset; false, with the fault noted, when it runs
// past the end of the file or cannot be read.
bool ListFits(ListCounts& counts, i64 offset, BookLayout& layout) {
    if (offset >= layout.length) {
        layout.fault = BookFault::ListPastEnd;
        layout.listOffset = offset;
        layout.listCount = -1;
        return false;
    }
    u8 count;
    if (!counts.At(offset, &count)) {
        layout.fault = BookFault::ReadError;
        return false;
    }
    if (offset + 1 + i64(count) * BookEntryBytes(layout.version) <= layout.length) return true;
    layout.fault = BookFault::ListPastEnd;
    layout.listOffset = offset;
    layout.listCount = count;
    return false;
}

// Walks the index and checks the list of every record, in index order.
void CheckMoveLists(FILE* file, BookLayout& layout) {
    ListCounts counts{file, layout.length};
    std::vector<u8> records(size_t(IndexChunkRecords * BookIndexRecordBytes));
    bool zeroRecordChecked = false;
    const i64 total = i64(layout.nodeCount);
    for (i64 record = 0; record < total;) {
        const i64 at = BookHeaderBytes + record * BookIndexRecordBytes;
        // Records that lie wholly in a hole of the file are zeros: a list at
        // offset 0, the same for all of them.
        const i64 holeRecords = std::min(total - record, (NextDataOffset(file, at) - at) / BookIndexRecordBytes);
        if (holeRecords > 0) {
            if (!zeroRecordChecked && !ListFits(counts, 0, layout)) return;
            zeroRecordChecked = true;
            record += holeRecords;
            continue;
        }
        const i64 chunk = std::min(IndexChunkRecords, total - record);
        const size_t bytes = size_t(chunk * BookIndexRecordBytes);
        if (ReadAt(file, at, records.data(), bytes) != bytes) {
            layout.fault = BookFault::ReadError;
            return;
        }
        for (i64 i = 0; i < chunk; i++) {
            const i64 offset = LittleEndian32(records.data() + i * BookIndexRecordBytes + 8);
            if (!ListFits(counts, offset, layout)) return;
        }
        record += chunk;
    }
}

}  // namespace

BookLayout CheckBookFile(FILE* file) {
    BookLayout layout;
    u8 header[BookHeaderBytes];
    const size_t headerRead = ReadAt(file, 0, header, sizeof header);
    if (headerRead < BookHeaderTextSize || std::memcmp(header, BookHeaderText, BookHeaderTextSize) != 0) {
        layout.fault = BookFault::NotABook;
        return layout;
    }
    // The version before the length: a file of a later version is named so
    // even when it is short.
    if (headerRead >= VersionOffset + 4) {
        layout.version = i32(LittleEndian32(header + VersionOffset));
        if (layout.version > 1) {
            layout.fault = BookFault::Version;
            return layout;
        }
    }
    if (headerRead < sizeof header) {
        layout.fault = BookFault::CutInHeader;
        return layout;
    }
    layout.nodeCount = LittleEndian32(header + NodeCountOffset);
    layout.length = FileLength(file);
    if (layout.length < 0) {
        layout.fault = BookFault::ReadError;
        return layout;
    }
    if (BookHeaderBytes + BookIndexRecordBytes * i64(layout.nodeCount) > layout.length) {
        layout.fault = BookFault::IndexPastEnd;
        return layout;
    }
    CheckMoveLists(file, layout);
    return layout;
}

std::string BookFaultText(const BookLayout& layout) {
    const std::string fileBytes = " (" + std::to_string(layout.length) + " bytes)";
    switch (layout.fault) {
        case BookFault::None: return "";
        case BookFault::NotABook: return "not a book of this engine (no \"~Korvalent openings book\" header)";
        case BookFault::CutInHeader: return "cut short inside its header";
        case BookFault::Version: return "book version " + std::to_string(layout.version) + " is not supported";
        case BookFault::IndexPastEnd:
            return "its index of " + std::to_string(layout.nodeCount) +
                   " positions runs past the end of the file" + fileBytes;
        case BookFault::ListPastEnd:
            if (layout.listCount < 0)
                return "a move list at byte " + std::to_string(layout.listOffset) +
                       " lies past the end of the file" + fileBytes;
            return "the move list at byte " + std::to_string(layout.listOffset) + " (" +
                   std::to_string(layout.listCount) + " moves) runs past the end of the file" + fileBytes;
        case BookFault::ReadError: return "read error";
    }
    return "";
}
