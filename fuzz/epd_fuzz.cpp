// The EPD reader of "epdevl <file>": the fuzzer's bytes are the file; every
// position is set up and evaluated, and the positions written back out.
#include <cstdint>

#include "engine_run.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WriteScratchFile("fuzz.epd", data, size);
    RunCommands("epdevl fuzz.epd\nbrd\nevl\nmoves\n", false);
    return 0;
}
