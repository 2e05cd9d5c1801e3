#include "book/tool_run.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include "book/test_book.h"
#include "support/engine_process.h"

namespace {

std::string Quoted(const std::string& word) {
    std::string quoted = "'";
    for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace

ToolRun RunTool(const std::string& dir, const std::vector<std::string>& args, int seconds) {
    std::string command = "cd " + Quoted(dir) + " && timeout -k 5 " + std::to_string(seconds) + " " +
                          Quoted(KORVALENT_BOOK_TOOL);
    for (const std::string& arg : args) command += " " + Quoted(arg);
    command += " > ../tool.out 2> ../tool.err";
    const int status = std::system(command.c_str());
    ToolRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadTestFile(dir + "/../tool.out");
    run.err = ReadTestFile(dir + "/../tool.err");
    return run;
}

ToolDirectory::ToolDirectory() : root(MakeScratchDir()), path(root + "/work") {
    mkdir(path.c_str(), 0755);
}

std::string ToolDirectory::Put(const char* name, const std::string& bytes) const {
    EXPECT_TRUE(WriteTestFile(path + "/" + name, bytes));
    return path + "/" + name;
}

std::set<std::string> ToolDirectory::Files() const {
    std::set<std::string> names;
    if (DIR* dir = opendir(path.c_str())) {
        while (dirent* entry = readdir(dir)) names.insert(entry->d_name);
        closedir(dir);
    }
    names.erase(".");
    names.erase("..");
    return names;
}

size_t Lines(const std::string& text) {
    size_t lines = 0;
    for (char c : text) lines += c == '\n';
    return lines;
}

std::vector<std::string> EngineListings(const std::string& book,
                                        const std::vector<std::string>& lines) {
    const std::string dir = MakeScratchDir();
    EXPECT_TRUE(WriteTestFile(dir + "/Book.kvb", ReadTestFile(book)));
    EXPECT_TRUE(WriteTestFile(dir + "/Korvalent.ini", "UseBookLearning = off\n"));
    std::string input;
    for (const std::string& moves : lines) {
        input += "new\nforce\n";
        std::istringstream words(moves);
        for (std::string move; words >> move;) input += move + "\n";
        input += "bkm\n";
    }
    const EngineRun run = RunEngine(input + "quit\n", 60, dir);
    // Each listing runs from its "Current nhash1" line to the next.
    std::vector<std::string> listings;
    size_t at = run.output.find("Current nhash1");
    while (at != std::string::npos) {
        const size_t body = run.output.find('\n', at) + 1;
        const size_t next = run.output.find("Current nhash1", body);
        listings.push_back(run.output.substr(body, next == std::string::npos ? std::string::npos : next - body));
        at = next;
    }
    EXPECT_EQ(listings.size(), lines.size()) << run.output;
    return listings;
}

bool ContinuousIntegrationRun() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::string(ci) == "true";
}
