#include "book/test_book.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "book/book_writer.h"

namespace {

void PutWordAt(std::string& bytes, size_t at, u32 word) {
    for (i32 i = 0; i < 4; i++) bytes[at + size_t(i)] = char((word >> (8 * i)) & 0xFF);
}

}  // namespace

i32 TestSquare(const char* text) { return (text[0] - 'a') + 8 * (text[1] - '1'); }

std::string TestBookBytes(const TestBook& book) {
    // The intact book from the engine's writer, then the damage asked for.
    std::vector<BookWriterPosition> positions;
    for (const TestBookPosition& position : book.positions) {
        BookWriterPosition written{position.key1, position.key2, {}};
        for (const TestBookMove& m : position.moves)
            written.entries.push_back({u8(m.rawFrom >= 0 ? m.rawFrom : TestSquare(m.move)),
                                       u8(m.rawTo >= 0 ? m.rawTo : TestSquare(m.move + 2)),
                                       m.stats});
        positions.push_back(written);
    }
    std::string bytes = BookBytes(book.version, positions);

    if (book.nodeCount >= 0) PutWordAt(bytes, 32, u32(book.nodeCount));
    for (size_t i = 0; i < book.positions.size(); i++) {
        const TestBookPosition& position = book.positions[i];
        const size_t offsetWord = 36 + 12 * i + 8;
        const size_t listOffset = u8(bytes[offsetWord]) | u8(bytes[offsetWord + 1]) << 8 |
                                  u8(bytes[offsetWord + 2]) << 16 | size_t(u8(bytes[offsetWord + 3])) << 24;
        if (position.count >= 0) bytes[listOffset] = char(position.count);
        if (position.offset >= 0) PutWordAt(bytes, offsetWord, u32(position.offset));
    }
    return bytes;
}

bool WriteTestFile(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary);
    file << bytes;
    return bool(file);
}

std::string ReadTestFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

namespace {

// Book keys of the golden positions, worked out from the key-table rule.
constexpr u32 AfterE4Key1 = 0xDA94CEE3, AfterE4Key2 = 0x799F5A59;
constexpr u32 StartKey1 = 0xDEEA69CD, StartKey2 = 0x9B8639E0;
constexpr u32 AfterE4E5Key1 = 0x2F4E9508, AfterE4E5Key2 = 0x76AAC948;

}  // namespace

// Index in signed key order: after 1.e4, the start, after 1.e4 e5 (which
// an unsigned order would put first).
TestBook GoldenVersion1Book() {
    TestBook book;
    book.positions = {
        {AfterE4Key1, AfterE4Key2, {{"e7e5", 0x0000}, {"c7c5", 0x0101}}},
        {StartKey1, StartKey2,
         {{"e2e4", 0x0004}, {"d2d4", 0x0300}, {"g1f3", 0xFFFF}, {"c2c4", 0x0000}}},
        {AfterE4E5Key1, AfterE4E5Key2, {{"g1f3", 0x0000}}},
    };
    return book;
}

TestBook GoldenVersion0Book() {
    TestBook book;
    book.version = 0;
    book.positions = {
        {AfterE4Key1, AfterE4Key2, {{"e7e5", 0}, {"c7c5", 5}}},
        {StartKey1, StartKey2, {{"e2e4", 0}, {"d2d4", 255}, {"g1f3", 7}, {"c2c4", 0}}},
        {AfterE4E5Key1, AfterE4E5Key2, {{"g1f3", 255}}},
    };
    return book;
}

// Two records share the start's key1; signed order puts its key2
// 0x9B8639E0 before 1.
TestBook Key2OrderBook() {
    TestBook book;
    book.positions = {
        {StartKey1, StartKey2, {{"e2e4", 0x0004}}},
        {StartKey1, 1, {{"d2d4", 0x0004}}},
    };
    return book;
}

std::string ChangedBytes(const std::string& before, const std::string& after) {
    if (before.size() != after.size()) return "length " + std::to_string(after.size());
    std::string changes;
    for (size_t i = 0; i < before.size(); i++) {
        if (before[i] == after[i]) continue;
        char text[48];
        std::snprintf(text, sizeof text, "%s%zu:%02x", changes.empty() ? "" : " ", i,
                      unsigned(u8(after[i])));
        changes += text;
    }
    return changes;
}

std::string BookFixturePath(const char* name) {
    return std::string(KORVALENT_SOURCE_DIR) + "/tests/book/fixtures/" + name;
}
