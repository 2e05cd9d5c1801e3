// Test support: opening-book files from a plain description, with the key
// pairs given raw (never computed by the engine's key code), written by the
// engine's book writer and then damaged on purpose where the description
// says so (node count, list offsets and counts, squares beyond h8).
#pragma once

#include <string>
#include <vector>

#include "board/types.h"

struct TestBookMove {
    const char* move;  // "e2e4"; squares beyond h8 are written with "raw" below
    u16 stats;         // version 1: the counter word; version 0: the mark byte
    i32 rawFrom = -1;  // when not -1, the from and to bytes as written
    i32 rawTo = -1;
};

struct TestBookPosition {
    u32 key1, key2;
    std::vector<TestBookMove> moves;
    i64 offset = -1;  // the list's offset word; -1: where the writer puts the list
    i32 count = -1;   // the count byte; -1: the number of moves
};

struct TestBook {
    u32 version = 1;
    // Index records in this order (the caller sorts them); the lists follow
    // the index in the same order.
    std::vector<TestBookPosition> positions;
    i64 nodeCount = -1;  // N in the header; -1: the number of positions
};

// The bytes of the book file.
std::string TestBookBytes(const TestBook& book);

// Square number of "e2".
i32 TestSquare(const char* text);

// Writes bytes to path; false when it cannot.
bool WriteTestFile(const std::string& path, const std::string& bytes);
std::string ReadTestFile(const std::string& path);

// The three golden books as the writer describes them: key pairs computed
// from the key-table rule alone, lists as the fixtures hold them.
TestBook GoldenVersion1Book();
TestBook GoldenVersion0Book();
TestBook Key2OrderBook();

// The bytes of after that differ from before as "offset:value" with the
// value in hex, in file order ("75:01 76:01"); empty when they are equal.
std::string ChangedBytes(const std::string& before, const std::string& after);

// Path of a committed fixture under tests/book/fixtures/.
std::string BookFixturePath(const char* name);
