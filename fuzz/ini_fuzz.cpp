// Korvalent.ini, the settings file read at start-up: the fuzzer's bytes are
// the file; the run then evaluates, searches and plays a few moves
// (engine_run.cpp's ExerciseScript), which uses the hash sizes, the
// personality and the resign rule the file set.
#include <cstdint>
#include <string>

#include "engine_run.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Small tables first, so that a run is quick unless the file asks for more.
    WriteScratchFile("Korvalent.ini",
                     SmallHashSettings + std::string(reinterpret_cast<const char*>(data), size));
    RunEngine(ExerciseScript);
    return 0;
}
