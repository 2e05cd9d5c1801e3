// The Polyglot reader of korvalent-book from-polyglot: the fuzzer's bytes are
// the Polyglot file. Keys of random bytes would match no position, so an
// entry whose key has its top bit clear is moved onto one of the positions
// within two plies of the start (the key modulo their number picks it); the
// move words stay as the fuzzer made them. The tree is walked six plies deep
// and written as a book, whose layout is checked.
#include <cassert>
#include <cstdint>
#include <vector>

#include "board/board.h"
#include "board/init_tables.h"
#include "board/legal_moves.h"
#include "board/make_move.h"
#include "book/book_maker.h"
#include "book/book_writer.h"
#include "book/polyglot.h"

namespace {

// The Polyglot keys of the start position and of every position one and
// two plies after it, the start first.
std::vector<u64> NearStartKeys() {
    InitEngineTables();
    std::vector<u64> keys;
    SetupStartPosition();
    keys.push_back(PolyglotKeyOfPosition());
    GenerateLegalMoves(0);
    const std::vector<MoveStackEntry> first(MoveStack, MoveStack + MoveStackTop);
    for (const MoveStackEntry& a : first) {
        MakeMove(a.move, 1);
        keys.push_back(PolyglotKeyOfPosition());
        GenerateLegalMoves(0);
        const std::vector<MoveStackEntry> second(MoveStack, MoveStack + MoveStackTop);
        for (const MoveStackEntry& b : second) {
            MakeMove(b.move, 1);
            keys.push_back(PolyglotKeyOfPosition());
            UnmakeMove();
        }
        UnmakeMove();
    }
    MoveStackTop = 0;
    return keys;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<u64> keys = NearStartKeys();
    std::vector<PolyglotEntry> entries = ParsePolyglotEntries(data, size);
    for (PolyglotEntry& e : entries)
        if (!(e.key >> 63)) e.key = keys[e.key % keys.size()];

    const PolyglotConversion book = ConvertPolyglotBook(entries, 6, nullptr);
    for (size_t i = 0; i < book.positions.size(); i++) {
        assert(!book.positions[i].entries.empty());
        assert(book.positions[i].entries.size() <= BookMaxListEntries);
        if (i > 0) assert(BookIndexBefore(book.positions[i - 1], book.positions[i]));
    }
    const std::string bytes = BookBytes(BookVersion1, book.positions);
    assert(bytes.size() == BookFileSize(BookVersion1, book.positions));
    return 0;
}
