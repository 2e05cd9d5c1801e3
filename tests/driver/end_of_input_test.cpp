// The end of standard input, through the real executable: the whole input
// arrives at once and the pipe then closes, as when a GUI dies or a script
// pipes a few commands in. The engine must finish what it owes (one move
// per search) and leave with code 0, never hang or spin.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/engine_process.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

int CountStarting(const std::vector<std::string>& lines, const std::string& prefix) {
    int count = 0;
    for (const std::string& line : lines) count += line.rfind(prefix, 0) == 0;
    return count;
}

const char* const MatedFen = "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3";

struct EndCase {
    std::string input;
    const char* moveLine;   // the line that answers the search
    int moves;              // how many of them
    const char* mustPrint;  // a further line that must be there ("" for none)
};

const EndCase EndCases[] = {
    // Nothing at all, or a last line without its line feed, which is never run.
    {"", "bestmove", 0, ""},
    {"uci\ngo depth 3", "bestmove", 0, "uciok"},
    // Searches with a limit of their own finish and print their move.
    {"uci\ngo depth 6\n", "bestmove", 1, "info depth 6 "},
    {"go depth 6\n", "move ", 1, "6 "},
    {"uci\ngo nodes 60000\n", "bestmove", 1, ""},
    {"uci\ngo movetime 300\n", "bestmove", 1, ""},
    {"uci\ngo wtime 3000 btime 3000\n", "bestmove", 1, ""},
    {"xboard\nnew\nsd 4\ngo\n", "move ", 1, ""},
    // Searches only input can end: the end of input is "stop".
    {"uci\ngo infinite\n", "bestmove", 1, ""},
    {"uci\ngo ponder\n", "bestmove", 1, ""},
    {"uci\ngo\n", "bestmove", 1, ""},
    {"uci\ngo depth 100\n", "bestmove", 1, ""},
    {"uci\ngo mate 30\n", "bestmove", 1, ""},
    {"uci\nisready\ngo infinite\nisready\n", "bestmove", 1, "readyok"},
    // Held searches: ended by themselves, waiting for "stop".
    {"uci\ngo infinite depth 3\n", "bestmove", 1, ""},
    {"uci\ngo infinite nodes 5000\n", "bestmove", 1, ""},
    {"uci\ngo ponder depth 3\n", "bestmove", 1, ""},
    {"uci\nposition fen " + std::string(MatedFen) + "\ngo infinite\n", "bestmove 0000", 1, ""},
    {"uci\nposition fen " + std::string(MatedFen) + "\ngo depth 5\n", "bestmove 0000", 1, ""},
    // xboard: the engine's own search is untimed, then it ponders.
    {"xboard\nnew\nhard\ne2e4\n", "move ", 1, ""},
    {"xboard\nnew\nhard\nsd 4\ne2e4\n", "move ", 1, "Hint: "},
    {"xboard\nnew\nhard\nlevel 40 1 0\ntime 6000\notim 6000\ne2e4\n", "move ", 1, ""},
    // Analysis: the end of input is "exit".
    {"xboard\nnew\npost\nanalyze\n", "move ", 0, ""},
    {"xboard\nnew\nanalyze\ne2e4\n", "move ", 0, ""},
    {"xboard\nloadfen " + std::string(MatedFen) + "\nanalyze\n", "move ", 0, "0-1 {Black mates}"},
    // The help waits for a line, and gets the end of input.
    {"help\n", "move ", 0, "uci ....................... UCI mode"},
};

TEST(EndOfInput, TheEngineFinishesWhatItOwesAndLeavesWithZero) {
    for (const EndCase& test : EndCases) {
        const EngineRun run = RunEngine(test.input, 60);
        const std::vector<std::string> lines = Lines(run.output);
        EXPECT_EQ(run.exitCode, 0) << test.input << "\n" << run.output;
        EXPECT_EQ(CountStarting(lines, test.moveLine), test.moves) << test.input << "\n"
                                                                   << run.output;
        if (*test.mustPrint) {
            EXPECT_GE(CountStarting(lines, test.mustPrint), 1) << test.input << "\n"
                                                               << run.output;
        }
    }
}

}  // namespace
