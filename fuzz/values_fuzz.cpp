// values.txt, the evaluation parameters: the shipped file with the fuzzer's
// changes applied, loaded at start-up and used by "evl" and short searches
// on a few positions (engine_run.cpp's ExerciseScript).
//
// The input is a list of changes, one a line: "<line number> <text>" puts
// <text> (anything, numbers or not) in place of that line of the file; a
// number past the end appends. A line that does not start with a number
// is a change to no line and is ignored.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "engine_run.h"

namespace {

std::vector<std::string> ShippedValueLines() {
    std::vector<std::string> lines;
    std::istringstream file(ShippedValues());
    std::string line;
    while (std::getline(file, line)) lines.push_back(line);
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<std::string> shipped = ShippedValueLines();
    std::vector<std::string> values = shipped;

    std::istringstream changes(std::string(reinterpret_cast<const char*>(data), size));
    std::string change;
    while (std::getline(changes, change)) {
        char* rest = nullptr;
        const long lineNumber = std::strtol(change.c_str(), &rest, 10);
        if (rest == change.c_str() || lineNumber < 1 || lineNumber > 4000) continue;
        if (*rest == ' ') rest++;
        if (size_t(lineNumber) > values.size()) values.resize(size_t(lineNumber));
        values[size_t(lineNumber) - 1] = rest;
    }

    std::string file;
    for (const std::string& line : values) file += line + '\n';
    WriteScratchFile("values.txt", file);
    RunEngine(ExerciseScript);
    return 0;
}
