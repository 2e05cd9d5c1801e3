// The opening book: the fuzzer's bytes become Book.kvb, which the engine
// opens and then uses as a player meets it: "bkm" lists the moves of the
// book's positions, the engine chooses its moves from it, and a new game
// teaches it the game before (its counters rewritten in place in the file).
//
// Then the same book cut short, at a length the input's bytes choose: first
// the open book is cut under the engine, which plays on with it, then the
// cut file is opened anew and played. Book learning must never make either
// file longer: a write past the end would leave a hole in the book.
//
// Input: one byte of choices, then the book's bytes.
//   bit 0     BookLearningMode DISCOVER (else KILL)
//   bit 1     UseBookWeights off
//   bits 2-7  VarietyOfPlay, 0 to 63 scaled to 0 to 100
// The seeds are the test books of tests/book/fixtures behind a choice
// byte: the start position, 1.e4 and 1.e4 e5 with counters, excluded moves
// and a version-0 book.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "book/book.h"
#include "engine_run.h"

namespace {

// Through the book's positions in both protocols: listing, choosing and
// learning, with the engine on either side.
const char* const BookScript =
    "setoption name OpeningsBook value Book.kvb\n"
    "xboard\n"
    "sd 2\n"
    "new\n"
    "bkm\n"
    "e2e4\n"
    "bkm\n"
    "new\n"
    "go\n"
    "bkm\n"
    "go\n"
    "new\n"
    "force\n"
    "e2e4\n"
    "e7e5\n"
    "bkm\n"
    "go\n"
    "bkm\n"
    "new\n"
    "uci\n"
    "ucinewgame\n"
    "position startpos\n"
    "go depth 2\n"
    "position startpos moves e2e4\n"
    "go depth 2\n"
    "position startpos moves e2e4 e7e5\n"
    "go depth 2\n"
    "bkm\n"
    "ucinewgame\n";

// Games with the book the engine already has open: its own book moves, a
// game left after 3.d4 (a draw for 2.Nf3) and a mate found before a search
// (a draw for 1...e5).
const char* const OpenBookScript =
    "xboard\n"
    "sd 2\n"
    "new\n"
    "bkm\n"
    "go\n"
    "bkm\n"
    "go\n"
    "new\n"
    "force\n"
    "e2e4\n"
    "e7e5\n"
    "g1f3\n"
    "b8c6\n"
    "d2d4\n"
    "new\n"
    "force\n"
    "e2e4\n"
    "e7e5\n"
    "f1c4\n"
    "b8c6\n"
    "d1h5\n"
    "g8f6\n"
    "h5f7\n"
    "go\n"
    "new\n";

void ApplyChoices(u8 choices) {
    // Settings a version-0 book or an earlier input switched off come back.
    BookLearningMode = choices & 1 ? DISCOVER : KILL;
    UseBookWeights = choices & 2 ? 0 : 1;
    UseBookLearning = 1;
    VarietyOfPlay = (choices >> 2) * 100 / 63;
}

// Where to cut a book of `length` bytes: anywhere below its end, chosen by
// the input's bytes (FNV-1a), so that mutations move the cut.
size_t CutLength(const uint8_t* data, size_t size, size_t length) {
    u32 hash = 2166136261u;
    for (size_t i = 0; i < size; i++) hash = (hash ^ data[i]) * 16777619u;
    return hash % length;
}

// The open book must still be `length` bytes long.
void CheckOpenBookLength(size_t length) {
    if (!BookLoaded || !BookFileHandle) return;
    struct stat info;
    if (fstat(fileno(BookFileHandle), &info) == 0 && size_t(info.st_size) != length) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const u8 choices = data[0];
    const uint8_t* book = data + 1;
    const size_t bookLength = size - 1;
    static bool started = false;

    WriteScratchFile("Book.kvb", book, bookLength);
    ApplyChoices(choices);
    RunCommands(BookScript, !started);
    started = true;
    if (bookLength == 0) return 0;
    const size_t cut = CutLength(data, size, bookLength);

    // Cut under the engine: the book it holds open shrinks.
    if (BookLoaded && BookFileHandle && ftruncate(fileno(BookFileHandle), off_t(cut)) == 0) {
        ApplyChoices(choices);
        RunCommands(OpenBookScript, false);
        CheckOpenBookLength(cut);
    }

    // The cut file opened anew.
    WriteScratchFile("Book.kvb", book, cut);
    ApplyChoices(choices);
    RunCommands(std::string("setoption name OpeningsBook value Book.kvb\n") + OpenBookScript, false);
    CheckOpenBookLength(cut);
    return 0;
}
