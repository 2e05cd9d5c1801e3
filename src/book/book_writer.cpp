#include "book/book_writer.h"

#include <algorithm>
#include <functional>

namespace {

constexpr char HeaderText[] = "~Korvalent openings book";
constexpr u64 HeaderSize = 36;
constexpr u64 IndexRecordSize = 12;

u64 EntrySize(u32 version) { return version == BookVersion0 ? 3 : 4; }

void PutWord(std::string& bytes, u32 word) {
    for (i32 shift = 0; shift < 32; shift += 8) bytes += char((word >> shift) & 0xFF);
}

u64 ListSize(u32 version, const BookWriterPosition& position) {
    return 1 + EntrySize(version) * position.entries.size();
}

// Feeds the file to put in pieces of about 64 KiB.
using Sink = std::function<bool(const std::string&)>;
constexpr size_t PieceSize = 1 << 16;

bool Emit(std::string& piece, const Sink& put, bool last = false) {
    if (piece.size() < PieceSize && !last) return true;
    const bool ok = piece.empty() || put(piece);
    piece.clear();
    return ok;
}

bool Produce(u32 version, const std::vector<BookWriterPosition>& positions, const Sink& put) {
    std::string piece = HeaderText;
    PutWord(piece, version);
    PutWord(piece, 0);
    PutWord(piece, u32(positions.size()));

    u64 listOffset = HeaderSize + IndexRecordSize * positions.size();
    for (const BookWriterPosition& position : positions) {
        PutWord(piece, position.key1);
        PutWord(piece, position.key2);
        PutWord(piece, u32(listOffset));
        listOffset += ListSize(version, position);
        if (!Emit(piece, put)) return false;
    }
    for (const BookWriterPosition& position : positions) {
        piece += char(position.entries.size());
        for (const BookWriterEntry& entry : position.entries) {
            piece += char(entry.from);
            piece += char(entry.to);
            piece += char(entry.stats & 0xFF);
            if (version != BookVersion0) piece += char(entry.stats >> 8);
        }
        if (!Emit(piece, put)) return false;
    }
    return Emit(piece, put, true);
}

}  // namespace

bool BookIndexBefore(const BookWriterPosition& a, const BookWriterPosition& b) {
    if (a.key1 != b.key1) return i32(a.key1) < i32(b.key1);
    return i32(a.key2) < i32(b.key2);
}

void SortBookIndex(std::vector<BookWriterPosition>& positions) {
    std::sort(positions.begin(), positions.end(), BookIndexBefore);
}

u64 BookFileSize(u32 version, const std::vector<BookWriterPosition>& positions) {
    u64 size = HeaderSize + IndexRecordSize * positions.size();
    for (const BookWriterPosition& position : positions) size += ListSize(version, position);
    return size;
}

bool WriteBook(FILE* file, u32 version, const std::vector<BookWriterPosition>& positions) {
    return Produce(version, positions, [file](const std::string& piece) {
        return std::fwrite(piece.data(), 1, piece.size(), file) == piece.size();
    });
}

std::string BookBytes(u32 version, const std::vector<BookWriterPosition>& positions) {
    std::string bytes;
    bytes.reserve(size_t(BookFileSize(version, positions)));
    Produce(version, positions, [&bytes](const std::string& piece) {
        bytes += piece;
        return true;
    });
    return bytes;
}
