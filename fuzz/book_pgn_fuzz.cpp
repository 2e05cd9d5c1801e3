// The PGN reading of korvalent-book from-pgn: the fuzzer's bytes are the game
// file. Every game is replayed thirty plies deep into a collection of book
// positions, which is written as a book whose layout is checked.
#include <cassert>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "board/init_tables.h"
#include "book/book_maker.h"
#include "book/book_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool tables = (InitEngineTables(), true);
    (void)tables;
    // The reader steps back in its stream, as in a file on disk.
    std::vector<char> bytes(data, data + size);
    bytes.push_back('\0');
    FILE* file = fmemopen(bytes.data(), size, "rb");
    if (!file) return 0;
    BookCollector collector;
    ReadPgnIntoBook(file, "fuzz.pgn", 30, collector, [](const std::string&) {}, nullptr);
    std::fclose(file);

    for (u32 minGames : {1u, 2u}) {
        const std::vector<BookWriterPosition> positions = collector.Positions(minGames);
        for (size_t i = 0; i < positions.size(); i++) {
            assert(!positions[i].entries.empty());
            assert(positions[i].entries.size() <= BookMaxListEntries);
            for (const BookWriterEntry& e : positions[i].entries) {
                assert(e.from < 64 && e.to < 64);
                assert((e.stats & 0xFF) <= BookCounterMax && (e.stats >> 8) <= BookCounterMax);
            }
            if (i > 0) assert(BookIndexBefore(positions[i - 1], positions[i]));
        }
        const std::string book = BookBytes(BookVersion1, positions);
        assert(book.size() == BookFileSize(BookVersion1, positions));
    }
    return 0;
}
