// Start-up and exit of the real executable, the way a GUI starts it: what it
// prints before the first command and the codes it leaves with.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <sys/wait.h>

#include "book/test_book.h"
#include "support/engine_process.h"
#include "support/sanitizer_build.h"

namespace {

// Everything the engine prints in a directory holding none of its files.
const std::string EmptyDirectoryStartup =
    "Korvalent v1.50 [r2055/01.01.2014]\n"
    "Error loading values.txt\n"
    "Error opening \"Book.kvb\"!\n"
    "Transposition size is 524288 entries (10485760 bytes)\n"
    "Pawn hash size is 262144 entries (6291456 bytes)\n"
    "EGTBHashSize = 1048576 bytes\n"
    "Aggressivity = 100 (50)%\n"
    "Cowardice = 100 (50)%\n"
    "Tropism = 100 (200)%\n"
    "ResignValue = 800\n"
    "ResignTimes = 3\n"
    "UseEGTB = on\n"
    "EGTB path = \"c:\\tablebases\\\"\n"
    "UseBookWeights = on\n"
    "UseBookLearning = on\n"
    "BookLearningMode = KILL\n"
    "VarietyOfPlay = 10\n"
    "BookLearningBound = 400\n"
    "OpeningsBook = none (no book is open)\n"
    "UseLearning = off\n"
    "UseLearningData = off\n"
    "LogLearningIntoFile = off\n"
    "MoveOverhead = 100 ms\n"
    "Pondering = on\n"
    "\n"
    "No EGTB files found\n";

TEST(Startup, EmptyDirectoryPrintsTheDefaultsAndLeavesWithZero) {
    // "quit" in any case and the end of input end the program alike.
    for (const char* input : {"quit\n", "", "QUIT\n"}) {
        const EngineRun run = RunEngine(input, 30);
        EXPECT_EQ(run.exitCode, 0) << input;
        EXPECT_EQ(run.output, EmptyDirectoryStartup) << input;
    }
}

TEST(Startup, WaitsForCommandsAfterStartingUp) {
    // The commands after start-up are answered, and the program only leaves
    // on "quit": "isready" after the block proves it was still reading.
    const EngineRun run = RunEngine("isready\nquit\nisready\n", 30);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output, EmptyDirectoryStartup + "readyok\n");
}

// The book the engine plays from is named in the settings echo: the one the
// settings file names, the default "Book.kvb" when none is named or the
// one named cannot be opened, or none.
TEST(Startup, NamesTheBookInUse) {
    const std::string loaded = "3 nodes in openings book\n";
    struct Case {
        const char* what;
        std::vector<const char*> books;  // files holding a good book
        const char* settings;            // Korvalent.ini, or null for none
        std::string opening;             // printed between values.txt's line and the echo
        std::string echo;                // the echo's book line
    };
    const Case cases[] = {
        {"no book named: the default", {"Book.kvb"}, nullptr, loaded, "OpeningsBook = \"Book.kvb\""},
        {"the book named", {"other.kvb", "Book.kvb"}, "OpeningsBook = other.kvb  \n", loaded,
         "OpeningsBook = \"other.kvb\""},
        {"the book named cannot be opened: the default in its place", {"Book.kvb"},
         "OpeningsBook = nosuch.kvb\n", "Error opening \"nosuch.kvb\"!\n" + loaded,
         "OpeningsBook = \"Book.kvb\" (in place of \"nosuch.kvb\", which cannot be opened)"},
        {"a later line names one that opens", {"other.kvb"},
         "OpeningsBook = nosuch.kvb\nOpeningsBook = other.kvb\n", "Error opening \"nosuch.kvb\"!\n" + loaded,
         "OpeningsBook = \"other.kvb\""},
        {"neither opens", {}, "OpeningsBook = nosuch.kvb\n",
         "Error opening \"nosuch.kvb\"!\nError opening \"Book.kvb\"!\n", "OpeningsBook = none (no book is open)"},
        // The interface's name of the default book is that book: not tried twice.
        {"the default named, and missing", {}, "OpeningsBook = .\\book.kvb\n",
         "Error opening \".\\book.kvb\"!\n", "OpeningsBook = none (no book is open)"},
    };
    const std::string golden = ReadTestFile(BookFixturePath("golden_v1.kvb"));
    for (const Case& c : cases) {
        const std::string dir = MakeScratchDir();
        for (const char* name : c.books) ASSERT_TRUE(WriteTestFile(dir + "/" + name, golden));
        ASSERT_TRUE(!c.settings || WriteTestFile(dir + "/Korvalent.ini", c.settings));
        const EngineRun run = RunEngine("quit\n", 30, dir);
        const std::string before = "Error loading values.txt\n";
        const size_t start = run.output.find(before);
        const size_t end = run.output.find("Transposition size");
        ASSERT_TRUE(start != std::string::npos && end != std::string::npos) << c.what << "\n" << run.output;
        EXPECT_EQ(run.output.substr(start + before.size(), end - start - before.size()), c.opening)
            << c.what;
        EXPECT_NE(run.output.find("\nBookLearningBound = 400\n" + c.echo + "\nUseLearning = off\n"),
                  std::string::npos)
            << c.what << "\n" << run.output;
    }
}

TEST(Startup, HashTableThatCannotBeAllocatedEndsWithCodeOne) {
    // The sanitizer's shadow memory needs far more address space than any
    // limit that would still make a 1 GB table fail.
    if (SanitizerBuild()) GTEST_SKIP() << "address-space limit under AddressSanitizer";
    const std::string dir = MakeScratchDir();
    std::ofstream(dir + "/Korvalent.ini") << "TranspositionSizeMb = 1024\n";
    std::ofstream(dir + "/stdin.txt") << "quit\n";
    // About 700 MB of address space: plenty for the engine with its default
    // tables, too little for a 1 GB transposition table.
    const std::string command = "cd '" + dir + "' && ulimit -v 700000 && timeout 30 '" +
                                KORVALENT_EXECUTABLE + "' < stdin.txt > stdout.txt 2>&1";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    std::stringstream output;
    output << std::ifstream(dir + "/stdout.txt").rdbuf();
    EXPECT_EQ(output.str(),
              "Korvalent v1.50 [r2055/01.01.2014]\n"
              "Error loading values.txt\n"
              "An error occured while memory allocation!\n");
}

}  // namespace
