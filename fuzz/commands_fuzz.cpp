// Bytes as command lines through the engine's command loop: console,
// xboard and UCI words, moves, FENs, numbers, in any order.
//
// A line is left out when the engine would leave its working directory or
// run without end for a reason no input can stop:
//   - "perft" deeper than MaxPerftDepth (perft never looks at the input);
//   - "demo" (a whole self-played game of searches);
//   - "epdevl" and "setoption" with a path ('/' or '\'): files are read and
//     written only in the run's scratch directory.
// Everything else goes through as it is, "quit" included (its exit returns
// to the harness). Searches are bounded by the harness (engine_run.cpp).
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "driver/command_loop.h"
#include "engine_run.h"

namespace {

constexpr long MaxPerftDepth = 3;

bool HasWord(const std::string& words, const std::string& word) {
    std::istringstream in(words);
    std::string w;
    while (in >> w)
        if (w == word) return true;
    return false;
}

// Lines whose effect a new game does not undo: new hash sizes. The next
// input starts the engine afresh. ("reload" reads the shipped parameters
// again, which start-up has read too.)
bool ChangesStartUpState(const std::string& line, const std::string& words) {
    if (!HasWord(words, "setoption")) return false;
    std::string folded = line;
    for (char& c : folded) c = char(std::tolower(static_cast<unsigned char>(c)));
    return folded.find("hash") != std::string::npos;
}

bool Runnable(const std::string& line) {
    const std::string words = CommandsRunBy(line.c_str());
    if (HasWord(words, "demo")) return false;
    const bool hasPath = line.find_first_of("/\\") != std::string::npos;
    if (hasPath && (HasWord(words, "epdevl") || HasWord(words, "setoption"))) return false;
    if (HasWord(words, "perft")) {
        const size_t blank = line.find(' ', line.find_first_not_of(' '));
        if (blank != std::string::npos && std::atol(line.c_str() + blank) > MaxPerftDepth)
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The engine reads a NUL as a blank; so does the filter.
    std::string bytes(reinterpret_cast<const char*>(data), size);
    for (char& c : bytes)
        if (c == '\0') c = ' ';
    static bool restart = true;
    std::string input;
    bool changesStartUp = false;
    std::istringstream lines(bytes);
    std::string line;
    while (std::getline(lines, line)) {
        if (!Runnable(line)) continue;
        input += line + '\n';
        changesStartUp = changesStartUp || ChangesStartUpState(line, CommandsRunBy(line.c_str()));
    }
    RunCommands(input, restart);
    restart = changesStartUp;
    return 0;
}
