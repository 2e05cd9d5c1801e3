// The PGN reader of "pgneval": the fuzzer's bytes are the game file at the
// fixed place the command reads (c:\work\source.pgn, work/source.pgn here);
// every game is replayed and its positions evaluated.
#include <cstdint>

#include "engine_run.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WriteScratchFile("work/source.pgn", data, size);
    RunCommands("pgneval\n", false);
    return 0;
}
