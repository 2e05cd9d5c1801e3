// korvalent-book through the real executable, as a user runs it: books made
// from PGN games and read back by the engine's own "bkm", faulty games cut
// with a warning, the exit codes and messages of bad input and bad usage;
// and the books made from Debian's packages (gnuchess-book's Polyglot book,
// pgn-extract's ECO lines) played by the engine.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "book/test_book.h"
#include "book/tool_run.h"

namespace {

// Games whose moves and results say exactly what the book must hold: a
// transposition (the third game reaches the first's position after four
// plies), a game without a result, a comment and a variation, and a game set
// up from a FEN tag after 1.e4 e5.
const char* const RoundTripPgn =
    "[Event \"a\"]\n[Result \"1-0\"]\n\n1. e4 e5 2. Nf3 Nc6 3. Bb5 1-0\n\n"
    "[Event \"b\"]\n[Result \"0-1\"]\n\n1. e4 c5 2. Nf3 {a comment} d6 (2... Nc6 3. d4) 0-1\n\n"
    "[Event \"c\"]\n[Result \"1/2-1/2\"]\n\n1. Nf3 Nc6 2. e4 e5 1/2-1/2\n\n"
    "[Event \"d\"]\n[Result \"*\"]\n\n1. d4 d5 *\n\n"
    "[Event \"e\"]\n[Result \"1-0\"]\n[SetUp \"1\"]\n"
    "[FEN \"rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 2\"]\n\n2. Nf3 Nf6 1-0\n";

TEST(BookTool, PgnRoundTripThroughTheEngine) {
    ToolDirectory dir;
    dir.Put("games.pgn", RoundTripPgn);
    const ToolRun made = dir.Run({"from-pgn", "games.pgn", "-o", "Book.kvb"});
    EXPECT_EQ(made.exitCode, 0) << made.err;
    EXPECT_EQ(made.err, "");
    EXPECT_EQ(made.out, "Book.kvb: 11 positions, 15 moves, from 5 games up to ply 30\n");
    EXPECT_EQ(dir.Files(), (std::set<std::string>{"games.pgn", "Book.kvb"}));

    // Each position of the games with the moves played there: a win counts
    // 2 wins, a loss 2 losses, a draw 1 of each, for the side to move; the
    // most played first, then in the order they were first played.
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"", "3 moves from current pos in book:\n"
             "e2e4 50% (not less than 2 game(s))\ng1f3 50% (not less than 1 game(s))\nd2d4 ?\n"},
        {"e2e4", "2 moves from current pos in book:\n"
                 "e7e5 0% (not less than 1 game(s))\nc7c5 100% (not less than 1 game(s))\n"},
        {"e2e4 e7e5", "1 moves from current pos in book:\ng1f3 100% (not less than 2 game(s))\n"},
        {"e2e4 e7e5 g1f3", "2 moves from current pos in book:\n"
                           "b8c6 0% (not less than 1 game(s))\ng8f6 0% (not less than 1 game(s))\n"},
        {"e2e4 e7e5 g1f3 b8c6", "1 moves from current pos in book:\nf1b5 100% (not less than 1 game(s))\n"},
        {"e2e4 c7c5", "1 moves from current pos in book:\ng1f3 0% (not less than 1 game(s))\n"},
        {"e2e4 c7c5 g1f3", "1 moves from current pos in book:\nd7d6 100% (not less than 1 game(s))\n"},
        {"g1f3", "1 moves from current pos in book:\nb8c6 50% (not less than 1 game(s))\n"},
        {"g1f3 b8c6", "1 moves from current pos in book:\ne2e4 50% (not less than 1 game(s))\n"},
        {"g1f3 b8c6 e2e4", "1 moves from current pos in book:\ne7e5 50% (not less than 1 game(s))\n"},
        {"d2d4", "1 moves from current pos in book:\nd7d5 ?\n"},
        // Not book positions: the end of a game, a variation, the set-up
        // position's moves beyond the game.
        {"d2d4 d7d5", "No moves from current pos in book\n"},
        {"e2e4 c7c5 g1f3 b8c6", "No moves from current pos in book\n"},
        {"e2e4 e7e5 g1f3 g8f6", "No moves from current pos in book\n"},
    };
    std::vector<std::string> lines;
    for (const auto& [moves, listing] : expected) lines.push_back(moves);
    const std::vector<std::string> listings = EngineListings(dir.path + "/Book.kvb", lines);
    for (size_t i = 0; i < expected.size() && i < listings.size(); i++)
        EXPECT_EQ(listings[i], expected[i].second) << "after '" << expected[i].first << "'";

    // Ply and game limits: one ply keeps the start; two games keep e2e4.
    const ToolRun shallow = dir.Run({"from-pgn", "games.pgn", "-o", "Book.kvb", "--plies", "1"});
    EXPECT_EQ(shallow.out, "Book.kvb: 1 positions, 3 moves, from 5 games up to ply 1\n");
    const ToolRun twice = dir.Run({"from-pgn", "games.pgn", "-o", "Book.kvb", "--min-games=2"});
    EXPECT_EQ(twice.out, "Book.kvb: 2 positions, 2 moves, from 5 games up to ply 30\n");
    EXPECT_EQ(EngineListings(dir.path + "/Book.kvb", {""})[0],
              "1 moves from current pos in book:\ne2e4 50% (not less than 2 game(s))\n");
}

TEST(BookTool, FaultyMovesCutTheirGameWithAWarning) {
    ToolDirectory dir;
    dir.Put("faulty.pgn",
            "[Event \"sound\"]\n[Result \"1-0\"]\n\n1. e4 e5 1-0\n\n"
            "[Event \"illegal\"]\n[Result \"1-0\"]\n\n1. e4 e5 2. Nf3 Nf6 3. Bb7 Nc6 4. d4 1-0\n\n"
            "[Event \"ambiguous\"]\n[Result \"0-1\"]\n\n1. d4 d5 2. Nf3 Nf6 3. Nd2 e6 0-1\n\n"
            "[Event \"unreadable\"]\n[Result \"1-0\"]\n\n1. c4 Zz 2. Nc3 1-0\n\n"
            "[Event \"too long\"]\n[Result \"1-0\"]\n\n1. g3 abcdefghabcdefgh 2. Bg2 1-0\n\n"
            "[Event \"set-up\"]\n[FEN \"8/8/8/8/8/8/8/8 w - - 0 1\"]\n\n1. e4 *\n\n"
            "[Event \"after\"]\n[Result \"1/2-1/2\"]\n\n1. b3 e5 1/2-1/2\n");
    const ToolRun run = dir.Run({"from-pgn", "faulty.pgn", "-o", "Book.kvb"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err,
              "korvalent-book: faulty.pgn: game 2: illegal move 3.Bb7; the rest of the game is left out\n"
              "korvalent-book: faulty.pgn: game 3: ambiguous move 3.Nd2; the rest of the game is left out\n"
              "korvalent-book: faulty.pgn: game 4: unreadable character 'Z' at move 1...; the rest of "
              "the game is left out\n"
              "korvalent-book: faulty.pgn: game 5: unreadable move 1...abcdefghabcdefg...; the rest of "
              "the game is left out\n"
              "korvalent-book: faulty.pgn: game 6: its FEN tag is no position (each side needs exactly one king); "
              "the game "
              "is left out\n");
    EXPECT_EQ(run.out,
              "Book.kvb: 8 positions, 12 moves, from 7 games up to ply 30, 4 cut short at a faulty "
              "move, 1 left out (set-up position refused)\n");

    // The moves before the faulty one are in the book, none after it.
    const std::vector<std::string> listings = EngineListings(
        dir.path + "/Book.kvb", {"e2e4 e7e5 g1f3", "e2e4 e7e5 g1f3 g8f6", "d2d4 d7d5 g1f3", "c2c4",
                                 "g2g3", "b2b3"});
    EXPECT_EQ(listings[0], "1 moves from current pos in book:\ng8f6 0% (not less than 1 game(s))\n");
    EXPECT_EQ(listings[1], "No moves from current pos in book\n");
    EXPECT_EQ(listings[2], "1 moves from current pos in book:\ng8f6 100% (not less than 1 game(s))\n");
    EXPECT_EQ(listings[3], "No moves from current pos in book\n");
    EXPECT_EQ(listings[4], "No moves from current pos in book\n");
    EXPECT_EQ(listings[5], "1 moves from current pos in book:\ne7e5 50% (not less than 1 game(s))\n");
}

TEST(BookTool, BadInputAndBadUsage) {
    ToolDirectory dir;
    const std::string pgn = dir.Put("games.pgn", RoundTripPgn);
    dir.Put("odd.bin", std::string(17, '\1'));
    dir.Put("empty.bin", "");
    dir.Put("nogames.pgn", "just some text\n");
    dir.Put("text.kvb", "not a book at all, but long enough for a header\n");
    const std::string oldBook = TestBookBytes(GoldenVersion1Book());
    dir.Put("Book.kvb", oldBook);
    mkdir((dir.path + "/folder").c_str(), 0755);

    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* message;  // the first line on standard error
    };
    const Case cases[] = {
        // Unreadable input, unwritable output: one line naming the file.
        {{"from-pgn", "missing.pgn", "-o", "Book.kvb"}, 1, "missing.pgn: No such file or directory"},
        {{"from-pgn", "games.pgn", "folder", "-o", "Book.kvb"}, 1, "folder: not a regular file"},
        {{"from-pgn", "games.pgn", "-o", "nowhere/Book.kvb"}, 1,
         "cannot write nowhere/Book.kvb: No such file or directory"},
        {{"from-pgn", "nogames.pgn", "-o", "Book.kvb"}, 1, "nogames.pgn: no games (no tag pair"},
        {{"from-polyglot", "odd.bin", "-o", "Book.kvb"}, 1,
         "odd.bin: not a Polyglot book: its length, 17 bytes, is not a multiple of 16"},
        {{"from-polyglot", "empty.bin", "-o", "Book.kvb"}, 1, "empty.bin: not a Polyglot book: it is empty"},
        {{"from-polyglot", "games.pgn", "-o", "Book.kvb"}, 1, "games.pgn: not a Polyglot book"},
        {{"show", "missing.kvb"}, 1, "missing.kvb: No such file or directory"},
        {{"show", "text.kvb"}, 1, "text.kvb: not a book of this engine"},
        {{"show", "games.pgn"}, 1, "games.pgn: not a book of this engine"},
        // Bad usage.
        {{}, 2, "no verb: from-pgn, from-polyglot or show"},
        {{"make"}, 2, "unknown verb 'make'"},
        {{"from-pgn", "games.pgn"}, 2, "from-pgn needs the book to write: -o BOOK"},
        {{"from-pgn", "-o", "Book.kvb"}, 2, "from-pgn needs at least one PGN file"},
        {{"from-pgn", "games.pgn", "-o"}, 2, "option -o needs a value"},
        {{"from-pgn", "games.pgn", "-o", "Book.kvb", "--plies", "0"}, 2, "--plies takes a number"},
        {{"from-pgn", "games.pgn", "-o", "Book.kvb", "--plies=x"}, 2, "--plies takes a number"},
        {{"from-pgn", "games.pgn", "-o", "Book.kvb", "--min-games", "-1"}, 2, "--min-games takes a number"},
        {{"from-pgn", "games.pgn", "-o", "Book.kvb", "--depth", "3"}, 2, "unknown option --depth"},
        {{"from-polyglot", "a.bin", "b.bin", "-o", "Book.kvb"}, 2, "from-polyglot takes one Polyglot book"},
        {{"from-polyglot", "odd.bin", "-o", "Book.kvb", "--min-games", "2"}, 2, "from-polyglot takes no --min-games"},
        {{"show", "Book.kvb", "--plies", "3"}, 2, "show takes no -o, --plies or --min-games"},
        {{"show"}, 2, "show needs a book"},
        {{"show", "Book.kvb", "rnbqkbnr/pppppppp w"}, 2, "not a position"},
    };
    for (const Case& c : cases) {
        const ToolRun run = dir.Run(c.args);
        std::string label;
        for (const std::string& a : c.args) label += a + " ";
        EXPECT_EQ(run.exitCode, c.exitCode) << label << run.err;
        EXPECT_EQ(run.err.rfind(std::string("korvalent-book: ") + c.message, 0), 0u) << label << run.err;
        EXPECT_EQ(Lines(run.err), c.exitCode == 2 ? 2u : 1u) << label << run.err;
        if (c.exitCode == 2) {
            EXPECT_NE(run.err.find("Try 'korvalent-book --help'"), std::string::npos) << label;
        }
        EXPECT_EQ(run.out.find("positions,"), std::string::npos) << label << run.out;
        // A failed run leaves the old book as it was and nothing else.
        EXPECT_EQ(ReadTestFile(dir.path + "/Book.kvb"), oldBook) << label;
        EXPECT_EQ(dir.Files(), (std::set<std::string>{"games.pgn", "odd.bin", "empty.bin", "nogames.pgn",
                                                      "text.kvb", "Book.kvb", "folder"}))
            << label;
    }

    // A run that succeeds replaces the book whole, readable by all.
    const ToolRun made = dir.Run({"from-pgn", pgn, "--output", "Book.kvb"});
    EXPECT_EQ(made.exitCode, 0) << made.err;
    struct stat info;
    ASSERT_EQ(stat((dir.path + "/Book.kvb").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0444, 0444u);
    EXPECT_NE(ReadTestFile(dir.path + "/Book.kvb"), oldBook);
}

TEST(BookTool, HelpAndShow) {
    ToolDirectory dir;
    for (const char* flag : {"--help", "-h", "help"}) {
        const ToolRun help = dir.Run({flag});
        EXPECT_EQ(help.exitCode, 0) << flag;
        EXPECT_EQ(help.err, "") << flag;
        // One example per verb.
        for (const char* example : {"\n  korvalent-book from-pgn games.pgn", "\n  korvalent-book from-polyglot ",
                                    "\n  korvalent-book show Book.kvb"})
            EXPECT_NE(help.out.find(example), std::string::npos) << flag << ": " << example;
    }

    dir.Put("golden.kvb", TestBookBytes(GoldenVersion1Book()));
    ToolRun show = dir.Run({"show", "golden.kvb"});
    EXPECT_EQ(show.exitCode, 0) << show.err;
    EXPECT_EQ(show.out,
              "golden.kvb: ~Korvalent openings book, version 1\n"
              "3 nodes in openings book\n"
              "Position: rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -\n"
              "4 moves from current pos in book:\n"
              "e2e4 100% (not less than 2 game(s))\n"
              "d2d4 0% (not less than 1 game(s))\n"
              "g1f3 -\n"
              "c2c4 ?\n");
    // The position as one argument or as the FEN's words.
    for (std::vector<std::string> args :
         {std::vector<std::string>{"show", "golden.kvb", "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1"},
          std::vector<std::string>{"show", "golden.kvb", "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR", "b",
                                   "KQkq", "-"}}) {
        show = dir.Run(args);
        EXPECT_EQ(show.exitCode, 0) << show.err;
        EXPECT_NE(show.out.find("2 moves from current pos in book:\ne7e5 ?\nc7c5 50% (not less than 1 game(s))\n"),
                  std::string::npos)
            << show.out;
    }
    show = dir.Run({"show", "golden.kvb", "4k3/8/8/8/8/8/8/4K3 w - -"});
    EXPECT_NE(show.out.find("No moves from current pos in book\n"), std::string::npos) << show.out;
    // Looking leaves the book as it was, even one that may not be written.
    chmod((dir.path + "/golden.kvb").c_str(), 0444);
    show = dir.Run({"show", "golden.kvb"});
    EXPECT_EQ(show.exitCode, 0);
    EXPECT_EQ(show.out.find("read-only"), std::string::npos) << show.out;
    EXPECT_EQ(ReadTestFile(dir.path + "/golden.kvb"), TestBookBytes(GoldenVersion1Book()));
}

// A FIFO in place of an input would block the open (no writer) or feed the
// tool for ever: it is refused as no regular file, at once. The limit only
// turns a hang into a failure.
TEST(BookTool, FifoInputsAreRefusedWithoutWaiting) {
    ToolDirectory dir;
    for (const char* name : {"g.pgn", "b.bin", "k.kvb"})
        ASSERT_EQ(mkfifo((dir.path + "/" + name).c_str(), 0644), 0) << name;
    const std::set<std::string> files = dir.Files();
    struct Case {
        std::vector<std::string> args;
        const char* name;
    };
    const Case cases[] = {
        {{"from-pgn", "g.pgn", "-o", "x.kvb"}, "g.pgn"},
        {{"from-polyglot", "b.bin", "-o", "x.kvb"}, "b.bin"},
        {{"show", "k.kvb"}, "k.kvb"},
    };
    for (const Case& c : cases) {
        const ToolRun run = dir.Run(c.args, 30);
        EXPECT_EQ(run.exitCode, 1) << c.name << (run.exitCode == 124 ? ": blocked" : "");
        EXPECT_EQ(run.err, std::string("korvalent-book: ") + c.name + ": not a regular file\n");
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(dir.Files(), files) << c.name;
    }
}

// The book is never written over one of its inputs, whatever name -o gives
// that file: the same name, another path, a symbolic or a hard link. The
// run stops before it reads or writes anything.
TEST(BookTool, OutputThatIsAnInputIsRefused) {
    ToolDirectory dir;
    dir.Put("games.pgn", RoundTripPgn);
    dir.Put("other.pgn", RoundTripPgn);
    const std::string polyglot(32, '\1');
    dir.Put("book.bin", polyglot);
    ASSERT_EQ(symlink("games.pgn", (dir.path + "/link.pgn").c_str()), 0);
    ASSERT_EQ(link((dir.path + "/games.pgn").c_str(), (dir.path + "/hard.pgn").c_str()), 0);
    const std::set<std::string> files = dir.Files();
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{"from-pgn", "games.pgn", "-o", "games.pgn"}, "-o games.pgn names the input file games.pgn"},
        {{"from-pgn", "games.pgn", "-o", "./games.pgn"}, "-o ./games.pgn names the input file games.pgn"},
        {{"from-pgn", "games.pgn", "-o", dir.path + "/games.pgn"},
         "-o " + dir.path + "/games.pgn names the input file games.pgn"},
        {{"from-pgn", "games.pgn", "-o", "link.pgn"}, "-o link.pgn names the input file games.pgn"},
        {{"from-pgn", "link.pgn", "-o", "games.pgn"}, "-o games.pgn names the input file link.pgn"},
        {{"from-pgn", "hard.pgn", "-o", "games.pgn"}, "-o games.pgn names the input file hard.pgn"},
        {{"from-pgn", "other.pgn", "games.pgn", "-o", "../work/games.pgn"},
         "-o ../work/games.pgn names the input file games.pgn"},
        {{"from-polyglot", "book.bin", "-o", "./book.bin"}, "-o ./book.bin names the input file book.bin"},
    };
    for (const Case& c : cases) {
        const ToolRun run = dir.Run(c.args);
        EXPECT_EQ(run.exitCode, 1) << c.message;
        EXPECT_EQ(run.err, "korvalent-book: " + c.message + "; nothing written\n");
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(ReadTestFile(dir.path + "/games.pgn"), RoundTripPgn) << c.message;
        EXPECT_EQ(ReadTestFile(dir.path + "/other.pgn"), RoundTripPgn) << c.message;
        EXPECT_EQ(ReadTestFile(dir.path + "/book.bin"), polyglot) << c.message;
        EXPECT_EQ(dir.Files(), files) << c.message;
    }
}

// A book cut short is no book for "show" either: one line names the file
// and the first list that does not fit, and nothing is listed.
TEST(BookTool, ShowRefusesABookCutShort) {
    // 103 bytes: lists at 72 (2 moves), 81 (4) and 98 (1).
    const std::string golden = TestBookBytes(GoldenVersion1Book());
    ASSERT_EQ(golden.size(), 103u);
    struct Case {
        size_t length;
        const char* fault;
    };
    const Case cases[] = {
        {102, "the move list at byte 98 (1 moves) runs past the end of the file (102 bytes)"},
        {90, "the move list at byte 81 (4 moves) runs past the end of the file (90 bytes)"},
        {72, "a move list at byte 72 lies past the end of the file (72 bytes)"},
        {69, "its index of 3 positions runs past the end of the file (69 bytes)"},
    };
    ToolDirectory dir;
    for (const Case& c : cases) {
        dir.Put("cut.kvb", golden.substr(0, c.length));
        const ToolRun run = dir.Run({"show", "cut.kvb"});
        EXPECT_EQ(run.exitCode, 1) << c.length;
        EXPECT_EQ(run.err, std::string("korvalent-book: cut.kvb: ") + c.fault + "\n");
        EXPECT_EQ(run.out, "") << c.length;
    }
}

}  // namespace
