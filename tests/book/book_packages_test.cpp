// Books made from Debian's packages and played by the engine: the Polyglot
// book of gnuchess-book and the ECO lines of pgn-extract. Where a package is
// missing the test skips, and fails where CI is "true".
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "book/test_book.h"
#include "book/tool_run.h"
#include "support/engine_pipe.h"
#include "support/engine_process.h"

namespace {

constexpr const char* GnuChessBook = "/usr/share/games/gnuchess/book.bin";
constexpr const char* EcoPgn = "/usr/share/pgn-extract/eco.pgn";

// The keys the Polyglot format publishes for checking: the start position
// and the position after 1.e4.
constexpr u64 StartKey = 0x463B96181691FC9Cull;
constexpr u64 AfterE4Key = 0x823C9B50FD114196ull;

bool Missing(const char* path, const char* package) {
    if (!ReadTestFile(path).empty()) return false;
    if (ContinuousIntegrationRun()) {
        ADD_FAILURE() << path << " is missing: apt-get install " << package;
    }
    return true;
}

// The moves and weights the Polyglot book gives a position, read straight
// from the file: 16-byte big-endian entries of key, move, weight, learn.
std::map<std::string, u32> PolyglotWeights(const std::string& bytes, u64 key) {
    std::map<std::string, u32> weights;
    const auto big = [&](size_t at, int size) {
        u64 value = 0;
        for (int i = 0; i < size; i++) value = value << 8 | u8(bytes[at + size_t(i)]);
        return value;
    };
    for (size_t at = 0; at + 16 <= bytes.size(); at += 16) {
        if (big(at, 8) != key) continue;
        const u32 move = u32(big(at + 8, 2)), weight = u32(big(at + 10, 2));
        const int to = move & 63, from = (move >> 6) & 63;
        const std::string text = {char('a' + (from & 7)), char('1' + (from >> 3)), char('a' + (to & 7)),
                                  char('1' + (to >> 3))};
        if (!weights.count(text)) weights[text] = weight;
    }
    return weights;
}

// The moves whose weight is at least 90 % of the best one.
std::set<std::string> NearBest(const std::map<std::string, u32>& weights) {
    u32 best = 0;
    for (const auto& [move, weight] : weights) best = std::max(best, weight);
    std::set<std::string> moves;
    for (const auto& [move, weight] : weights)
        if (u64(weight) * 10 >= u64(best) * 9) moves.insert(move);
    return moves;
}

TEST(BookPackages, GnuChessBookPlaysInTheEngine) {
    if (Missing(GnuChessBook, "gnuchess-book")) GTEST_SKIP() << GnuChessBook << " is missing";
    ToolDirectory dir;
    const ToolRun made = dir.Run({"from-polyglot", GnuChessBook, "-o", "Book.kvb"});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    // The result line alone: progress (a second or more of work) is only
    // shown on a terminal.
    EXPECT_EQ(made.err, "");
    EXPECT_EQ(Lines(made.out), 1u) << made.out;
    const std::string book = dir.path + "/Book.kvb";

    // The engine opens it: tens of thousands of positions.
    const EngineRun start = RunEngine("quit\n", 60, dir.path);
    const size_t at = start.output.find(" nodes in openings book\n");
    ASSERT_NE(at, std::string::npos) << start.output;
    const size_t lineStart = start.output.rfind('\n', at) + 1;
    const int nodes = std::stoi(start.output.substr(lineStart, at - lineStart));
    EXPECT_GE(nodes, 10000);
    EXPECT_LT(nodes, 1000000);

    // "bkm" at the start: 1.e4 first among at least eight moves, in the
    // Polyglot book's order of weight.
    const std::string listing = EngineListings(book, {""})[0];
    EXPECT_EQ(listing.find("e2e4 100% "), listing.find('\n') + 1) << listing;
    EXPECT_GE(std::stoi(listing), 8) << listing;

    // UCI: "go depth 8" answers a book move at once, without a search; a
    // thousand choices with the default VarietyOfPlay of 10 take only moves
    // whose Polyglot weight is at least 90 % of the best, and each of them.
    const std::string bytes = ReadTestFile(GnuChessBook);
    struct Position {
        const char* command;
        u64 key;
        int choices;
    };
    const Position positions[] = {{"position startpos", StartKey, 1000},
                                  {"position startpos moves e2e4", AfterE4Key, 200}};
    EnginePipe engine(dir.path);
    engine.Send("uci");
    ASSERT_TRUE(engine.WaitFor("uciok", 30000)) << engine.Transcript();
    for (const Position& p : positions) {
        const std::set<std::string> allowed = NearBest(PolyglotWeights(bytes, p.key));
        ASSERT_FALSE(allowed.empty()) << p.command;
        std::map<std::string, int> chosen;
        for (int i = 0; i < p.choices; i++) {
            engine.Send(p.command);
            engine.Send("go depth 8");
            std::string line;
            const int from = int(engine.lines.size());
            ASSERT_TRUE(engine.WaitFor("bestmove", 10000, &line)) << engine.Transcript();
            ASSERT_EQ(engine.Find("info", from), -1) << "a search ran:\n" << engine.Transcript();
            chosen[line.substr(9, 4)]++;
        }
        for (const auto& [move, count] : chosen)
            EXPECT_TRUE(allowed.count(move)) << p.command << ": " << move << " chosen " << count << " times";
        for (const std::string& move : allowed) EXPECT_GT(chosen[move], 0) << p.command << ": " << move;
    }
    engine.Send("quit");
    EXPECT_EQ(engine.WaitExit(10000), 0);
}

TEST(BookPackages, EcoLinesMakeABook) {
    if (Missing(EcoPgn, "pgn-extract")) GTEST_SKIP() << EcoPgn << " is missing";
    ToolDirectory dir;
    const ToolRun made = dir.Run({"from-pgn", EcoPgn, "-o", "Book.kvb"});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    EXPECT_EQ(made.err, "");
    const std::string afterE4 = EngineListings(dir.path + "/Book.kvb", {"e2e4"})[0];
    EXPECT_NE(afterE4.find("\nc7c5 ?\n"), std::string::npos) << afterE4;
    EXPECT_NE(afterE4.find("\ne7e5 ?\n"), std::string::npos) << afterE4;
    EXPECT_GE(std::stoi(afterE4), 10) << afterE4;
}

// GNU Chess's book cut short, as a copy that stopped early leaves it: from
// one byte short to two thirds (1,242,810 bytes keeps the whole index and
// cuts the lists), the engine names the file and what is wrong at start-up
// and plays without it, "show" refuses it, and a game with book learning on
// leaves the file as it was, byte for byte.
TEST(BookPackages, CutGnuChessBookIsNoBook) {
    if (Missing(GnuChessBook, "gnuchess-book")) GTEST_SKIP() << GnuChessBook << " is missing";
    ToolDirectory dir;
    const ToolRun made = dir.Run({"from-polyglot", GnuChessBook, "-o", "Book.kvb"});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const std::string whole = ReadTestFile(dir.path + "/Book.kvb");
    const size_t indexEnd = 36 + 12 * size_t(u8(whole[32]) | u8(whole[33]) << 8 | u8(whole[34]) << 16);
    ASSERT_GT(whole.size(), 1242810u);
    ASSERT_LT(indexEnd, 1242810u);
    for (const size_t length : {whole.size() - 1, whole.size() - 100, size_t(1242810), indexEnd + 1,
                                whole.size() * 2 / 3}) {
        const std::string cut = whole.substr(0, length);
        ASSERT_TRUE(WriteTestFile(dir.path + "/Book.kvb", cut));
        const std::string end = "past the end of the file (" + std::to_string(length) + " bytes)";

        const ToolRun show = dir.Run({"show", "Book.kvb"});
        EXPECT_EQ(show.exitCode, 1) << length;
        EXPECT_EQ(show.err.rfind("korvalent-book: Book.kvb: ", 0), 0u) << show.err;
        EXPECT_NE(show.err.find(end + "\n"), std::string::npos) << show.err;
        EXPECT_EQ(Lines(show.err), 1u) << show.err;
        EXPECT_EQ(show.out, "") << length;

        // The engine is white: 3.d4 and the "new" after it would teach the
        // book a draw for 2.Nf3 and 3.d4.
        const EngineRun run = RunEngine(
            "xboard\nnew\nforce\ne2e4\ne7e5\ng1f3\nb8c6\nd2d4\nnew\nbkm\nquit\n", 60, dir.path);
        EXPECT_EQ(run.exitCode, 0) << run.output;
        EXPECT_NE(run.output.find("Invalid book format (\"Book.kvb\": "), std::string::npos) << run.output;
        EXPECT_NE(run.output.find(end + ")\n"), std::string::npos) << run.output;
        EXPECT_EQ(run.output.find(" nodes in openings book"), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("No book loaded...\n"), std::string::npos) << run.output;
        const std::string after = ReadTestFile(dir.path + "/Book.kvb");
        EXPECT_EQ(after.size(), length);
        EXPECT_TRUE(after == cut) << length << ": the book was written";
    }
}

}  // namespace
