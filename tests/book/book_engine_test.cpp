// The opening book through the real executable, the way a GUI and a user
// meet it: the book lines at start-up, the ini key and the UCI option, the
// "bkm" listing and book moves played without a search.
#include <gtest/gtest.h>

#include <string>

#include "book/book_writer.h"
#include "support/engine_pipe.h"
#include "support/engine_process.h"

namespace {

const std::string Loaded = "3 nodes in openings book\n";

// A scratch directory holding the golden book (and others) under names.
struct BookDirectory {
    std::string path = MakeScratchDir();
    BookDirectory& Put(const char* fixture, const char* name) {
        EXPECT_TRUE(WriteTestFile(path + "/" + name, ReadTestFile(BookFixturePath(fixture))));
        return *this;
    }
    BookDirectory& PutText(const char* name, const std::string& text) {
        EXPECT_TRUE(WriteTestFile(path + "/" + name, text));
        return *this;
    }
    EngineRun Run(const std::string& input) { return RunEngine(input, 60, path); }
};

// Where text begins in output, or npos.
size_t At(const EngineRun& run, const std::string& text) { return run.output.find(text); }

TEST(BookEngine, StartUpOpensTheDefaultOrTheIniBook) {
    // The default book takes the place of its error line.
    EngineRun run = BookDirectory().Put("golden_v1.kvb", "Book.kvb").Run("quit\n");
    EXPECT_NE(At(run, "Error loading values.txt\n" + Loaded + "Transposition size"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(At(run, "Error opening"), std::string::npos) << run.output;

    // The ini book opens while the ini file is read, before the warning of
    // the line after it; the default is not tried.
    run = BookDirectory()
              .Put("golden_v1.kvb", "other.kvb")
              .PutText("Korvalent.ini", "OpeningsBook = other.kvb\nVarietyOfPlay = 500\n")
              .Run("quit\n");
    EXPECT_NE(At(run, "Error loading values.txt\n" + Loaded +
                          "Korvalent.ini(2) WARNING: Incorrect VarietyOfPlay setting; set to 100\n"
                          "Transposition size"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(At(run, "Book.kvb"), std::string::npos) << run.output;

    // An ini book that cannot be opened: its error, then the default.
    run = BookDirectory()
              .Put("golden_v1.kvb", "Book.kvb")
              .PutText("Korvalent.ini", "OpeningsBook = missing.kvb\n")
              .Run("quit\n");
    EXPECT_NE(At(run, "Error opening \"missing.kvb\"!\n" + Loaded + "Transposition size"),
              std::string::npos)
        << run.output;

    // A version-0 default book: its warning first, and the echo shows the
    // settings it switched off.
    run = BookDirectory().Put("golden_v0.kvb", "Book.kvb").Run("quit\n");
    EXPECT_NE(At(run, "NG: Book learning not supported for book version 0\n" + Loaded),
              std::string::npos)
        << run.output;
    EXPECT_NE(At(run, "UseBookWeights = off\nUseBookLearning = off\n"), std::string::npos)
        << run.output;
}

TEST(BookEngine, UciOptionOpensAndDropsBooks) {
    struct Case {
        const char* what;
        std::string input;
        std::string printed;  // after start-up
    };
    const Case cases[] = {
        {"a failing book after a good one leaves none",
         "setoption name OpeningsBook value other.kvb\n"
         "setoption name OpeningsBook value missing.kvb\nbkm\n",
         Loaded + "Error opening \"missing.kvb\"!\n"
                  "Current nhash1 = 1719662434, nhash2 = 1336043135\nNo book loaded...\n"},
        {"a carriage return after the name",
         "setoption name OpeningsBook value ./other.kvb\r\nbkm\n",
         Loaded + "Current nhash1 = 1719662434, nhash2 = 1336043135\n"
                  "4 moves from current pos in book:\n"
                  "e2e4 100% (not less than 2 game(s))\n"
                  "d2d4 0% (not less than 1 game(s))\ng1f3 -\nc2c4 ?\n"},
        {"the interface's default name", "setoption name OpeningsBook value .\\book.kvb\n",
         Loaded},
    };
    for (const Case& c : cases) {
        BookDirectory directory;
        directory.Put("golden_v1.kvb", "other.kvb").Put("golden_v1.kvb", "Book.kvb");
        const EngineRun run = directory.Run(c.input);
        const std::string startUpEnd = "No EGTB files found\n";
        const size_t end = At(run, startUpEnd);
        ASSERT_NE(end, std::string::npos) << run.output;
        EXPECT_EQ(run.output.substr(end + startUpEnd.size()), c.printed) << c.what;
    }
}

TEST(BookEngine, BookMovesListing) {
    const EngineRun run = BookDirectory().Put("golden_v1.kvb", "Book.kvb").Run(
        "position startpos\nbkm\n"
        "position startpos moves e2e4\nbkm\n"
        "position startpos moves e2e4 e7e5\nbkm\n"
        "position startpos moves d2d4\nbkm\n");
    const std::string expected =
        "Current nhash1 = 1719662434, nhash2 = 1336043135\n"
        "4 moves from current pos in book:\n"
        "e2e4 100% (not less than 2 game(s))\n"
        "d2d4 0% (not less than 1 game(s))\n"
        "g1f3 -\n"
        "c2c4 ?\n"
        "Current nhash1 = -52321807, nhash2 = -643433247\n"
        "2 moves from current pos in book:\n"
        "e7e5 ?\n"
        "c7c5 50% (not less than 1 game(s))\n"
        "Current nhash1 = -364923153, nhash2 = 1295247935\n"
        "1 moves from current pos in book:\n"
        "g1f3 ?\n"
        "Current nhash1 = -261234308, nhash2 = -986320787\n"
        "No moves from current pos in book\n";
    const size_t first = At(run, "Current nhash1");
    ASSERT_NE(first, std::string::npos) << run.output;
    EXPECT_EQ(run.output.substr(first), expected);

    const EngineRun version0 = BookDirectory().Put("golden_v0.kvb", "Book.kvb").Run(
        "position startpos\nbkm\n");
    EXPECT_NE(At(version0, "Current nhash1 = 1719662434, nhash2 = 1336043135\n"
                           "4 moves from current pos in book:\n"
                           "e2e4 0\nd2d4 255\ng1f3 7\nc2c4 0\n"),
              std::string::npos)
        << version0.output;
}

TEST(BookEngine, BookMoveIsPlayedWithoutASearch) {
    // The best-scoring start move, at once: no information line, no ponder.
    EngineRun run = BookDirectory().Put("golden_v1.kvb", "Book.kvb").Run(
        "uci\nposition startpos\ngo depth 8\n");
    EXPECT_EQ(At(run, "info"), std::string::npos) << run.output;
    EXPECT_NE(At(run, "uciok\nbestmove e2e4\n"), std::string::npos) << run.output;

    // Version 0 after 1.e4 e5: the only move is excluded, so the engine
    // searches.
    run = BookDirectory().Put("golden_v0.kvb", "Book.kvb").Run(
        "uci\nposition startpos moves e2e4 e7e5\ngo depth 2\n");
    EXPECT_NE(At(run, "\ninfo depth 2 "), std::string::npos) << run.output;
    EXPECT_NE(At(run, "\nbestmove "), std::string::npos) << run.output;
}

TEST(BookEngine, SearchesThatNeverAskTheBook) {
    // The book would answer e2e4 at once; each of these searches instead.
    struct Case {
        const char* what;
        const char* input;
        const char* searched;  // a line only a search prints
    };
    const Case cases[] = {
        {"OwnBook off", "setoption name OwnBook value false\ngo depth 2\n", "\ninfo depth 2 "},
        {"searchmoves", "go depth 2 searchmoves d2d4\n", "\nbestmove d2d4"},
        {"MultiPV 2", "setoption name MultiPV value 2\ngo depth 2\n", "\ninfo depth 2 "},
    };
    for (const Case& c : cases) {
        const EngineRun run = BookDirectory().Put("golden_v1.kvb", "Book.kvb").Run(
            std::string("uci\nposition startpos\n") + c.input);
        EXPECT_NE(At(run, c.searched), std::string::npos) << c.what << "\n" << run.output;
    }

    BookDirectory directory;
    directory.Put("golden_v1.kvb", "Book.kvb");
    EnginePipe engine(directory.path);
    engine.Send("uci");
    engine.Send("position startpos");
    engine.Send("go infinite");
    EXPECT_TRUE(engine.WaitFor("info depth", 60000)) << engine.Transcript();
    EXPECT_EQ(engine.Count("bestmove"), 0) << engine.Transcript();
    engine.Send("stop");
    EXPECT_TRUE(engine.WaitFor("bestmove", 10000)) << engine.Transcript();
}

TEST(BookEngine, BookPawnReachingTheLastRankBecomesAQueen) {
    // Key pairs worked out from the key-table rule.
    struct Case {
        const char* fen;
        u32 key1, key2;
        const char* move;
        const char* bestmove;
    };
    const Case cases[] = {
        {"4k3/P7/8/8/8/8/8/4K3 w - -", 0x99D02C21, 0x7A1F0F89, "a7a8", "\nbestmove a7a8q\n"},
        {"4k3/8/8/8/8/8/p7/4K3 b - -", 0x0C5A5DF4, 0x2268A11C, "a2a1", "\nbestmove a2a1q\n"},
    };
    for (const Case& c : cases) {
        TestBook book;
        book.positions = {{c.key1, c.key2, {{c.move, 0}}}};
        const EngineRun run = BookDirectory()
                                  .PutText("Book.kvb", TestBookBytes(book))
                                  .Run("uci\nposition fen " + std::string(c.fen) + "\ngo depth 6\n");
        EXPECT_NE(At(run, c.bestmove), std::string::npos) << run.output;
        EXPECT_EQ(At(run, "info"), std::string::npos) << run.output;
    }
}

}  // namespace
