// Test support: korvalent-book run the way a user runs it, in a directory
// of its own, and the engine's "bkm" listings of a book.
#pragma once

#include <set>
#include <string>
#include <vector>

struct ToolRun {
    std::string out, err;
    int exitCode = -1;
};

// A run that takes longer is stopped (exit code 124): a tool that blocks,
// on a FIFO say, fails its test instead of holding the whole suite. Far
// above any real run, even under the sanitizers.
constexpr int ToolTimeLimitSeconds = 600;

// Runs korvalent-book in dir with the arguments (its output files go to the
// directory above dir), for at most `seconds`.
ToolRun RunTool(const std::string& dir, const std::vector<std::string>& args,
                int seconds = ToolTimeLimitSeconds);

// A scratch directory for the tool with a sub-directory it works in, so
// that its output files sit beside nothing else.
struct ToolDirectory {
    std::string root;
    std::string path;
    ToolDirectory();
    // Writes a file into the working directory: its path.
    std::string Put(const char* name, const std::string& bytes) const;
    ToolRun Run(const std::vector<std::string>& args, int seconds = ToolTimeLimitSeconds) const {
        return RunTool(path, args, seconds);
    }
    // The names in the working directory (a temporary file left behind among them).
    std::set<std::string> Files() const;
};

// Lines of text.
size_t Lines(const std::string& text);

// What the engine's "bkm" lists after each line of moves (coordinate moves
// from the start position, blank-separated), with book learning off so that
// the listings leave the book alone; one listing (the text after the
// "Current nhash1" line) per line of moves.
std::vector<std::string> EngineListings(const std::string& book, const std::vector<std::string>& lines);

// True on a CI machine (CI=true), where a test must not skip for a missing
// Debian package.
bool ContinuousIntegrationRun();
