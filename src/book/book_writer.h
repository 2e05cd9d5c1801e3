// Writing opening-book files (the layout is described in book/book.h): the
// header, the index in the order the reader's binary search expects, and
// the move lists, in one pass from a description held in memory.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "board/types.h"

// One move of a position's list: its two squares and, in version 1, the
// counter word (wins low, losses high; 0 no games, BookStatsExcluded never
// played), in version 0 the mark byte (255 excluded).
struct BookWriterEntry {
    u8 from, to;
    u16 stats;
};

struct BookWriterPosition {
    u32 key1, key2;
    std::vector<BookWriterEntry> entries;  // at most BookMaxListEntries
};

constexpr u32 BookVersion0 = 0;
constexpr u32 BookVersion1 = 1;
constexpr u16 BookStatsExcluded = 0xFFFF;
// The count before a list is one byte.
constexpr size_t BookMaxListEntries = 255;
// The largest a counter may be in a new book: learning raises counters by up
// to two and scales a list down once one would reach 255.
constexpr u32 BookCounterMax = 254;

// Index order: key1, then key2, both compared as signed 32-bit numbers.
bool BookIndexBefore(const BookWriterPosition& a, const BookWriterPosition& b);
// Puts the positions into index order.
void SortBookIndex(std::vector<BookWriterPosition>& positions);

// Size of the whole file.
u64 BookFileSize(u32 version, const std::vector<BookWriterPosition>& positions);

// Writes the book, the positions' index records in the given order and their
// lists after the index in the same order. False when a write fails.
bool WriteBook(FILE* file, u32 version, const std::vector<BookWriterPosition>& positions);
// The same bytes in memory.
std::string BookBytes(u32 version, const std::vector<BookWriterPosition>& positions);
