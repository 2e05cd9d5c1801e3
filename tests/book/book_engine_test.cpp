// The opening book through the real executable, the way a GUI and a user
// meet it: the book lines at start-up, the ini key and the UCI option, the
// "bkm" listing, book moves played without a search, and the counters that
// games teach the book file.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

#include "book/test_book.h"
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
    // How "Book.kvb" now differs from the golden book (see ChangedBytes).
    std::string BookChanges() const {
        return ChangedBytes(ReadTestFile(BookFixturePath("golden_v1.kvb")),
                            ReadTestFile(path + "/Book.kvb"));
    }
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
        {"a failing book after a good one: the default in its place",
         "setoption name OpeningsBook value other.kvb\n"
         "setoption name OpeningsBook value missing.kvb\nbkm\n",
         Loaded + "Error opening \"missing.kvb\"!\n" + Loaded +
             "info string OpeningsBook \"missing.kvb\" cannot be opened; using \"Book.kvb\"\n"
             "Current nhash1 = 1719662434, nhash2 = 1336043135\n"
             "4 moves from current pos in book:\n"
             "e2e4 100% (not less than 2 game(s))\n"
             "d2d4 0% (not less than 1 game(s))\ng1f3 -\nc2c4 ?\n"},
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
        {"MultiPV 2", "setoption name MultiPV value 2\ngo depth 2\n",
         "\ninfo multipv 1 depth 2 "},
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

TEST(BookEngine, XboardMateTeachesTheBookADrawOnce) {
    // Scholar's mate with the engine to move as black: the game is over
    // before any search, and every game end counts as a draw. Black's only
    // book move, 1...e5 (bytes 75-76), gets one each; the second "go" finds
    // the game learnt from.
    BookDirectory directory;
    directory.Put("golden_v1.kvb", "Book.kvb");
    const EngineRun run = directory.Run(
        "xboard\neasy\nnew\nforce\ne2e4\ne7e5\nf1c4\nb8c6\nd1h5\ng8f6\nh5f7\ngo\ngo\n");
    EXPECT_NE(At(run, "No EGTB files found\n1-0 {White mates}\n1-0 {White mates}\n"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(directory.BookChanges(), "75:01 76:01");
}

TEST(BookEngine, EnginesMoveFromTheSetUpPositionIsNeverLearnt) {
    // The engine plays White from the start: 1.e4 (bytes 84-85) and, after
    // 1...e5, 2.Nf3 (bytes 101-102) come from the book; after 2...Nc6 its
    // first search learns (every score passes the bound). 2.Nf3 gets a win
    // or a loss; 1.e4, made from the game's first position, gets nothing.
    BookDirectory directory;
    directory.Put("golden_v1.kvb", "Book.kvb").PutText("Korvalent.ini", "BookLearningBound = -1\n");
    const EngineRun run = directory.Run("xboard\neasy\nnew\nsd 4\ngo\ne7e5\nb8c6\n");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    ASSERT_NE(At(run, "move e2e4\nmove g1f3\n"), std::string::npos) << run.output;
    const std::string changes = directory.BookChanges();
    EXPECT_TRUE(changes == "101:02" || changes == "102:02") << changes << "\n" << run.output;
}

// The score of the last information line so far.
int LastInfoScore(const EnginePipe& engine) {
    for (auto line = engine.lines.rbegin(); line != engine.lines.rend(); ++line) {
        const size_t at = line->find(" score cp ");
        if (line->rfind("info", 0) == 0 && at != std::string::npos)
            return std::atoi(line->c_str() + at + 10);
    }
    ADD_FAILURE() << "no score\n" << engine.Transcript();
    return 0;
}

TEST(BookEngine, UciSearchScoreTeachesTheBookOncePerGame) {
    // Every score passes the bound: each game learns from its first search
    // out of the book. The engine is white after 1.e4 e5 2.Nf3 Nc6, so its
    // 2.Nf3 (bytes 101-102) gets a win for a score of 0 or more, else a
    // loss.
    BookDirectory directory;
    directory.Put("golden_v1.kvb", "Book.kvb").PutText("Korvalent.ini", "BookLearningBound = -1\n");
    EnginePipe engine(directory.path);
    std::string bestmove;
    engine.Send("uci");
    engine.Send("ucinewgame");
    engine.Send("position startpos");
    engine.Send("go depth 4");
    ASSERT_TRUE(engine.WaitFor("bestmove", 60000, &bestmove)) << engine.Transcript();
    EXPECT_EQ(bestmove, "bestmove e2e4");
    EXPECT_EQ(directory.BookChanges(), "") << "a book move teaches nothing";

    // The second search of a game learns nothing; a new game learns again.
    struct Search {
        const char* before;
        bool learns;
    };
    const Search searches[] = {{"", true}, {"", false}, {"ucinewgame", true}};
    std::string expected = ReadTestFile(BookFixturePath("golden_v1.kvb"));
    for (const Search& search : searches) {
        if (*search.before) engine.Send(search.before);
        engine.Send("position startpos moves e2e4 e7e5 g1f3 b8c6");
        engine.Send("go depth 4");
        ASSERT_TRUE(engine.WaitFor("bestmove", 60000)) << engine.Transcript();
        if (search.learns) expected[LastInfoScore(engine) < 0 ? 102 : 101] += 2;
        EXPECT_EQ(ChangedBytes(expected, ReadTestFile(directory.path + "/Book.kvb")), "")
            << engine.Transcript();
    }
}

// The board as "brd" prints it for a FEN placement field: black men
// behind a star, white men behind a blank, empty squares as dots.
std::string BoardPicture(const std::string& placement) {
    std::string picture;
    for (char c : placement) {
        if (c == '/') {
            picture += '\n';
        } else if (c >= '1' && c <= '8') {
            for (int i = 0; i < c - '0'; i++) picture += " .";
        } else {
            picture += std::islower(static_cast<unsigned char>(c)) ? '*' : ' ';
            picture += char(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    return picture + "\n";
}

const std::string StartPlacement = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR";
const std::string AfterE4Placement = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR";

// The board pictures printed after start-up, one after another.
std::vector<std::string> PrintedBoards(const EngineRun& run) {
    std::vector<std::string> boards;
    std::string current;
    size_t start = run.output.find("No EGTB files found\n");
    if (start == std::string::npos) return boards;
    start = run.output.find('\n', start) + 1;
    for (size_t at = start; at < run.output.size();) {
        const size_t end = run.output.find('\n', at);
        const std::string line = run.output.substr(at, end - at);
        at = end == std::string::npos ? run.output.size() : end + 1;
        if (line.size() != 16 || (line[0] != ' ' && line[0] != '*')) continue;
        current += line + "\n";
        if (current.size() == 8 * 17) {
            boards.push_back(current);
            current.clear();
        }
    }
    return boards;
}

TEST(BookEngine, AbandonedGameTeachesTheBookADraw) {
    // A new game after 1.e4 e5 2.Nf3 Nc6 3.d4, black to move and the engine
    // white: the engine's 3.d4 is taken back for the walk, then white's
    // 2.Nf3 (bytes 101-102) gets a draw. Only "new" sets up the start
    // position; "reset" and "ucinewgame" keep 3.d4 on the board.
    const std::string afterD4 = "r1bqkbnr/pppp1ppp/2n5/4p3/3PP3/5N2/PPP2PPP/RNBQKB1R";
    struct Case {
        const char* what;
        const char* input;
        std::string placement;  // the board after
    };
    const Case cases[] = {
        {"xboard", "xboard\nnew\nforce\ne2e4\ne7e5\ng1f3\nb8c6\nd2d4\nnew\nbrd\n",
         StartPlacement},
        {"uci",
         "uci\nucinewgame\nposition startpos moves e2e4 e7e5 g1f3 b8c6 d2d4\nucinewgame\nbrd\n",
         afterD4},
        // No search has scored the game: "reset" learns as "new" does.
        {"reset", "xboard\nnew\nforce\ne2e4\ne7e5\ng1f3\nb8c6\nd2d4\nreset\nbrd\n", afterD4},
    };
    for (const Case& c : cases) {
        BookDirectory directory;
        directory.Put("golden_v1.kvb", "Book.kvb");
        const EngineRun run = directory.Run(c.input);
        EXPECT_EQ(run.exitCode, 0) << run.output;
        EXPECT_EQ(directory.BookChanges(), "101:01 102:01") << c.what;
        EXPECT_EQ(PrintedBoards(run), std::vector<std::string>{BoardPicture(c.placement)})
            << c.what << "\n" << run.output;
    }
}

// The engine has just played its book move when "reset" or "ucinewgame"
// comes: the move stays on the board (also on xboard's, which goes on from
// it), and the book has no earlier move of the engine's to learn.
TEST(BookEngine, ResetAndUciNewGameKeepTheEnginesLastMove) {
    // After 1.e4 the book answers 1...e5 or 1...c5.
    const std::string afterE5 = "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR";
    const std::string afterC5 = "rnbqkbnr/pp1ppppp/8/2p5/4P3/8/PPPP1PPP/RNBQKBNR";
    struct Case {
        const char* input;
        int boards;  // printed, each with the engine's move on it
    };
    const Case cases[] = {
        {"uci\ngo depth 1\nbrd\nreset\nbrd\n", 2},
        {"xboard\neasy\nnew\ngo\nreset\nforce\nbrd\n", 1},
        {"uci\nposition startpos moves e2e4\ngo depth 1\nbrd\nucinewgame\nbrd\n", 2},
    };
    for (const Case& c : cases) {
        BookDirectory directory;
        directory.Put("golden_v1.kvb", "Book.kvb");
        const EngineRun run = directory.Run(c.input);
        EXPECT_EQ(run.exitCode, 0) << run.output;
        std::string played;
        if (At(run, "bestmove e2e4") != std::string::npos || At(run, "move e2e4") != std::string::npos)
            played = AfterE4Placement;
        else if (At(run, "bestmove e7e5") != std::string::npos)
            played = afterE5;
        else if (At(run, "bestmove c7c5") != std::string::npos)
            played = afterC5;
        ASSERT_FALSE(played.empty()) << c.input << "\n" << run.output;
        EXPECT_EQ(PrintedBoards(run), std::vector<std::string>(c.boards, BoardPicture(played)))
            << c.input << "\n" << run.output;
        EXPECT_EQ(directory.BookChanges(), "") << c.input;
    }
}

TEST(BookEngine, SetUpDoubleStepIsNeverTakenBack) {
    // Right after a FEN whose en-passant right puts 1.e4 on record, with the
    // engine not to move, "reset" and "ucinewgame" keep the set-up position.
    const std::string setUp =
        "position fen rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b KQkq e3\nbrd\n";
    for (const char* command : {"reset", "ucinewgame"}) {
        BookDirectory directory;
        directory.Put("golden_v1.kvb", "Book.kvb");
        const EngineRun run = directory.Run(setUp + command + "\nbrd\n");
        const std::string startUpEnd = "No EGTB files found\n";
        const size_t end = At(run, startUpEnd);
        ASSERT_NE(end, std::string::npos) << run.output;
        // Two board pictures of equal length: the same position twice.
        const std::string boards = run.output.substr(end + startUpEnd.size());
        ASSERT_EQ(boards.size() % 2, 0u) << boards;
        EXPECT_EQ(boards.substr(0, boards.size() / 2), boards.substr(boards.size() / 2))
            << command << "\n" << boards;
        EXPECT_EQ(directory.BookChanges(), "") << command;
    }
}

}  // namespace
