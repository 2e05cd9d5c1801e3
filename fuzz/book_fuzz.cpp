// The opening book: the fuzzer's bytes become Book.kvb, which the engine
// opens and then uses as a player meets it: "bkm" lists the moves of the
// book's positions, the engine chooses its moves from it, and a new game
// teaches it the game before (its counters rewritten in place in the file).
//
// Input: one byte of choices, then the book's bytes.
//   bit 0     BookLearningMode DISCOVER (else KILL)
//   bit 1     UseBookWeights off
//   bits 2-7  VarietyOfPlay, 0 to 63 scaled to 0 to 100
// The seeds are the test books of tests/book/fixtures behind a choice
// byte: the start position, 1.e4 and 1.e4 e5 with counters, excluded moves
// and a version-0 book.
#include <cstdint>
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const u8 choices = data[0];
    WriteScratchFile("Book.kvb", data + 1, size - 1);
    // Settings a version-0 book or an earlier input switched off come back.
    static bool started = false;
    BookLearningMode = choices & 1 ? DISCOVER : KILL;
    UseBookWeights = choices & 2 ? 0 : 1;
    UseBookLearning = 1;
    VarietyOfPlay = (choices >> 2) * 100 / 63;
    RunCommands(BookScript, !started);
    started = true;
    return 0;
}
