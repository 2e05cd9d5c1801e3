// The check of a book file before it is used: its header, and that the
// index and every move list the index names lie inside the file. A book cut
// short (a copy that stopped early, a full disk) keeps an intact header and
// often an intact index, but the lists it names run past its end: such a
// file is no book, and book learning must never write into it.
#pragma once

#include <cstdio>
#include <string>

#include "board/types.h"

// What is wrong with a book file, in the order the check finds it.
enum class BookFault {
    None,
    NotABook,      // no "~Korvalent openings book" text at its start
    CutInHeader,   // the text, but not the whole 36-byte header
    Version,       // a version above 1
    IndexPastEnd,  // the index of N records runs past the end of the file
    ListPastEnd,   // a move list the index names runs past the end
    ReadError,     // a read failed inside the file's length
};

// The header of a book file and what its check found.
struct BookLayout {
    BookFault fault = BookFault::None;
    i32 version = 0;    // as stored, compared as a signed number; a negative one reads as 1
    u32 nodeCount = 0;  // N, the index records
    i64 length = 0;     // bytes of the file when it was checked
    // For ListPastEnd: the first such list in index order, where it starts
    // and its count (-1 when even its count byte lies past the end).
    i64 listOffset = 0;
    i32 listCount = -1;
};

// Bytes of the header: the 24-byte text, the version, a reserved word and N.
constexpr i64 BookHeaderBytes = 36;
constexpr i64 BookIndexRecordBytes = 12;

// Bytes of one move-list entry: from and to squares and a 16-bit counter
// word (version 1), or a mark byte (version 0).
inline i64 BookEntryBytes(i32 version) { return version == 0 ? 3 : 4; }

// Reads and checks the book file open as `file`, from its start to the end
// of its last move list; the stream's position is left anywhere. The cost
// is one pass over the index and one over the lists; the index lying in a
// hole of a sparse file (records of zeros, all alike) is not read.
BookLayout CheckBookFile(FILE* file);

// What is wrong, in a few words for a line naming the file: "not a book of
// this engine (...)", "book version 2 is not supported", "the move list at
// byte 1242801 (5 moves) runs past the end of the file (1242810 bytes)";
// "" for a sound book.
std::string BookFaultText(const BookLayout& layout);
