// UCI through the real executable, held open the way a GUI holds it: a line
// is sent, the answer awaited, more lines sent.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <utility>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "book/test_book.h"
#include "support/engine_pipe.h"
#include "support/engine_process.h"
#include "support/naive_moves.h"

namespace {

constexpr int ReplyMs = 10000;   // an answer that does not come in this time is missing
constexpr int SearchMs = 60000;  // a search with its own limit ends within this

const char* const MateInTwoFen = "r5k1/5ppp/8/8/8/8/1Q6/1R4K1 w - - 0 1";
const char* const MatedFen = "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3";

// An engine after "uci", with the position set up.
struct UciEngine : EnginePipe {
    explicit UciEngine(const std::string& workDir = "") : EnginePipe(workDir) {
        Send("uci");
        EXPECT_TRUE(WaitFor("uciok", ReplyMs)) << Transcript();
    }
    // isready / readyok: every answer to earlier lines has been printed.
    void Sync() {
        Send("isready");
        EXPECT_TRUE(WaitFor("readyok", ReplyMs)) << Transcript();
    }
    // The bestmove of the search now running, or "" when none came in time.
    std::string BestMove(int timeoutMs = SearchMs) {
        std::string line;
        if (!WaitFor("bestmove", timeoutMs, &line)) return "";
        return line;
    }
    // Every line from index from on.
    std::vector<std::string> LinesFrom(int from) const {
        return std::vector<std::string>(lines.begin() + from, lines.end());
    }
};

std::string Word(const std::string& line, int index) {
    std::vector<std::string> words;
    std::string word;
    for (char c : line + " ") {
        if (c == ' ') {
            if (!word.empty()) words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    return index < int(words.size()) ? words[index] : "";
}

// The number after the word name in an info line, -1 when it is not there.
int Field(const std::string& line, const std::string& name) {
    for (int i = 0;; i++) {
        const std::string word = Word(line, i);
        if (word.empty()) return -1;
        if (word == name) return std::stoi(Word(line, i + 1));
    }
}

// One rank as "brd" prints it.
const std::regex BoardRow("([ *][.KQRBNP]){8}");

// The board as "brd" prints it.
std::string BoardAfter(UciEngine& engine, const std::string& position) {
    engine.Sync();
    const int start = int(engine.lines.size());
    engine.Send(position);
    engine.Send("brd");
    engine.Sync();
    std::string board;
    for (int i = start; i < int(engine.lines.size()); i++)
        if (std::regex_match(engine.lines[i], BoardRow)) board += engine.lines[i] + "\n";
    return board;
}

const std::regex InfoLine(
    "info depth \\d+ seldepth \\d+ score (cp -?\\d+|mate -?\\d+) (upperbound |lowerbound )?"
    "nodes \\d+ time \\d+ hashfull \\d+ nps \\d+ tbhits \\d+"
    "( pv( [a-h][1-8][a-h][1-8][qrbn]?)+| currmove [a-h][1-8][a-h][1-8][qrbn]? currmovenumber "
    "\\d+)");
const std::regex NpsLine("info nps \\d+ nodes \\d+ tbhits \\d+ hashfull \\d+");
const std::regex MultiPvLine(
    "info multipv (\\d+) depth \\d+ seldepth \\d+ score (cp -?\\d+|mate -?\\d+) "
    "(upperbound |lowerbound )?nodes \\d+ time \\d+ hashfull \\d+ nps \\d+ tbhits \\d+ "
    "currmove [a-h][1-8][a-h][1-8][qrbn]? currmovenumber \\d+ pv( [a-h][1-8][a-h][1-8][qrbn]?)+");
const std::regex BestMoveLine(
    "bestmove [a-h][1-8][a-h][1-8][qrbn]?( ponder [a-h][1-8][a-h][1-8][qrbn]?)?");

TEST(Uci, IdentityAndOptionsVerbatim) {
    UciEngine engine;
    const int uciok = engine.Find("uciok");
    std::vector<std::string> expected = {
        "id name Korvalent 1.50",
        "id author Orvel Dunsk",
        "option name Hash type spin min 0 max 1024 default 10",
        "option name PawnHash type spin min 0 max 1024 default 7",
        "option name NalimovPath type string default c:\\tablebases\\",
        "option name OpeningsBook type string default .\\book.kvb",
        "option name OwnBook type check default true",
        "option name Ponder type check default true",
        "option name NalimovCache type spin min 1 max 128 default 1",
        "option name MultiPV type spin min 1 max 1024 default 1",
        "option name Aggressivity type spin min 0 max 300 default 100",
        "option name Defensivity type spin min 0 max 300 default 100",
        "option name Tropism type spin min 0 max 300 default 100",
        "option name Clear Hash type button",
        "option name Move Overhead type spin default 100 min 0 max 5000",
        "uciok",
    };
#ifdef KORVALENT_TUNING
    // A tuning build lists its parameter-set option last.
    expected.insert(expected.end() - 1, "option name TuneFile type string default <empty>");
#endif
    const int listed = int(expected.size()) - 1;
    ASSERT_GE(uciok, listed);
    const std::vector<std::string> got(engine.lines.begin() + uciok - listed,
                                       engine.lines.begin() + uciok + 1);
    EXPECT_EQ(got, expected);

    // The personality options, clamped to their range, show as the new defaults.
    engine.Send("setoption name Aggressivity value 150");
    engine.Send("setoption name Defensivity value 400");
    engine.Send("setoption name Tropism value -20");
    // Without "name" or "value" and a value nothing is set.
    engine.Send("setoption name Tropism");
    engine.Send("setoption name Tropism size 50");
    engine.Send("setoption Tropism value 50");
    engine.Send("uci");
    ASSERT_TRUE(engine.WaitFor("uciok", ReplyMs));
    EXPECT_GE(engine.Find("option name Aggressivity type spin min 0 max 300 default 150"), uciok);
    EXPECT_GE(engine.Find("option name Defensivity type spin min 0 max 300 default 300"), uciok);
    EXPECT_GE(engine.Find("option name Tropism type spin min 0 max 300 default 0"), uciok);
    engine.Send("quit");
    EXPECT_EQ(engine.WaitExit(ReplyMs), 0);
}

TEST(Uci, IsReadyIsAnsweredDuringASearch) {
    UciEngine engine;
    engine.Send("position startpos");
    engine.Send("go infinite");
    ASSERT_TRUE(engine.WaitFor("info depth", SearchMs)) << engine.Transcript();
    for (int i = 0; i < 3; i++) {
        engine.Send("isready");
        EXPECT_TRUE(engine.WaitFor("readyok", 2000)) << engine.Transcript();
    }
    EXPECT_EQ(engine.Count("bestmove"), 0);
    engine.Send("stop");
    EXPECT_TRUE(std::regex_match(engine.BestMove(ReplyMs), BestMoveLine)) << engine.Transcript();
    engine.Sync();
    EXPECT_EQ(engine.Count("bestmove"), 1);
}

TEST(Uci, PositionCommands) {
    UciEngine engine;
    const std::string afterTwo = BoardAfter(engine, "position startpos moves e2e4 e7e5");
    EXPECT_EQ(afterTwo, BoardAfter(engine, "position fen rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/"
                                           "RNBQKBNR w KQkq e6 0 2"));
    // An illegal move in the middle is skipped and the rest still played.
    EXPECT_EQ(BoardAfter(engine, "position startpos moves e2e4 e2e5 e7e5"), afterTwo);
    EXPECT_NE(afterTwo, BoardAfter(engine, "position startpos"));

    // A GUI's FEN with the en-passant square and both counters, then the
    // en-passant capture.
    const std::string capture = BoardAfter(
        engine,
        "position fen rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3 moves e5f6");
    EXPECT_EQ(capture, BoardAfter(engine, "position fen rnbqkbnr/ppp1p1pp/5P2/3p4/8/8/PPPP1PPP/"
                                          "RNBQKBNR b KQkq - 0 3"));
    // A refused FEN takes none of its moves; a bare "fen" is no FEN.
    EXPECT_EQ(BoardAfter(engine, "position fen 8/8/8/8/8/8/8/8 w - - 0 1 moves e7e6"), capture);
    // The word may be cut short; the FEN starts after the word as written.
    EXPECT_EQ(BoardAfter(engine, "position f rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w "
                                 "KQkq e6 0 2"),
              afterTwo);
    EXPECT_EQ(BoardAfter(engine, "position fe rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w "
                                 "KQkq f6 0 3 moves e5f6"),
              capture);
    EXPECT_EQ(BoardAfter(engine, "position fen"), capture);
    EXPECT_EQ(BoardAfter(engine, "position fen "), capture);
    EXPECT_EQ(BoardAfter(engine, "position"), capture);
}

// A FEN that cannot be set up is told in an "info string" line with the FEN
// as sent; every "go" until the next position set up answers "bestmove
// 0000" without searching, never a move of the position before.
TEST(Uci, RefusedPositionIsToldAndNeverSearched) {
    const char* const refused[] = {
        "8/8/8/8/8/8/8/8 w - - 0 1",           // no kings
        "4k3/4k3/8/8/8/8/8/4K3 w - - 0 1",     // two black kings
        "4k3/8/8/8/8/8/8/4K2 w - - 0 1",       // a rank of seven files
        "4k3/8/8/8/8/8/4K3 w - - 0 1",         // seven ranks
        "4k3/8/8/8/8/8/8/4K3 x - - 0 1",       // no side to move
        "4k3/8/8/8/8/8/8/P3K3 w - - 0 1",      // a pawn on the first rank
        "p3k3/8/8/8/8/8/8/4K3 b - - 0 1",      // a pawn on the last rank
        "4k3/8/8/8/8/8/4r3/4K3 b - - 0 1",     // the side not to move in check
    };
    UciEngine engine;
    for (const char* fen : refused) {
        SCOPED_TRACE(fen);
        engine.Send("position startpos moves e2e4");
        engine.Sync();
        const int start = int(engine.lines.size());
        engine.Send(std::string("position fen ") + fen + " moves e7e5");
        std::string told;
        ASSERT_TRUE(engine.WaitFor("info string", ReplyMs, &told)) << engine.Transcript();
        EXPECT_EQ(told, std::string("info string Illegal position: ") + fen);
        for (const char* go : {"go depth 6", "go movetime 2000", "go wtime 60000 btime 60000"}) {
            engine.Send(go);
            EXPECT_EQ(engine.BestMove(ReplyMs), "bestmove 0000") << go << "\n" << engine.Transcript();
        }
        engine.Sync();
        for (const std::string& line : engine.LinesFrom(start))
            EXPECT_NE(line.rfind("info depth", 0), 0u) << line;
        // A position set up ends the refusal.
        engine.Send("position fen 4k3/8/8/8/8/8/8/4K2R w K - 0 1");
        engine.Send("go depth 3");
        EXPECT_NE(engine.BestMove(), "bestmove 0000") << engine.Transcript();
    }
}

// The last "info depth" line in lines[from..], "" when there is none.
std::string LastInfo(const std::vector<std::string>& lines, int from) {
    std::string last;
    for (int i = from; i < int(lines.size()); i++)
        if (lines[i].rfind("info depth", 0) == 0) last = lines[i];
    return last;
}

// A single legal move is played at once under every "go", reported with
// the score of a short search of it (nodes above 0): here the black king's
// only move walks into a mate in two. "go depth 1" searches a ply.
TEST(Uci, ForcedMoveIsPlayedAtOnceWithItsScore) {
    const std::string forced = "position fen 3k4/5Q2/8/2K5/8/8/8/8 b - - 0 1";
    struct Case {
        std::string go;
        const char* ender;  // "" when the search ends by itself
    };
    const Case cases[] = {
        {"go depth 8", ""}, {"go depth 1", ""}, {"go movetime 20000", ""},
        {"go wtime 600000 btime 600000", ""}, {"go nodes 2000000", ""}, {"go infinite", "stop"},
        {"go ponder wtime 600000 btime 600000", "ponderhit"},
    };
    UciEngine engine;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.go);
        engine.Send("ucinewgame");
        engine.Send(forced);
        engine.Sync();
        const int start = int(engine.lines.size());
        engine.Send(c.go);
        if (*c.ender) {
            engine.Drain(300);
            EXPECT_EQ(engine.Count("bestmove d8c8"), int(&c - cases)) << engine.Transcript();
            engine.Send(c.ender);
        }
        // At once: well before any limit of the "go" could end a search.
        EXPECT_EQ(Word(engine.BestMove(5000), 1), "d8c8") << engine.Transcript();
        const std::string info = LastInfo(engine.lines, start);
        EXPECT_TRUE(std::regex_match(info, InfoLine)) << info;
        EXPECT_GT(Field(info, "nodes"), 0) << info;
        EXPECT_LT(Field(info, "time"), 2000) << info;
        const bool mated = Word(info, 6) == "mate" && std::stoi(Word(info, 7)) < 0;
        const bool lost = Word(info, 6) == "cp" && std::stoi(Word(info, 7)) < -1000;
        EXPECT_TRUE(mated || lost) << info;
    }

    engine.Send("position startpos");
    engine.Sync();
    const int start = int(engine.lines.size());
    engine.Send("go depth 1");
    ASSERT_NE(engine.BestMove(), "") << engine.Transcript();
    const std::string info = LastInfo(engine.lines, start);
    EXPECT_EQ(Field(info, "depth"), 1) << info;
    EXPECT_GT(Field(info, "nodes"), 0) << info;
}

// A mate given with the hundredth half-move stands: the fifty-move rule
// draws only a side that still has a move. With few pieces and with many.
TEST(Uci, MateComesBeforeTheFiftyMoveRule) {
    const struct {
        const char* fen;
        std::vector<std::string> mates;
    } cases[] = {
        {"7k/8/6K1/8/8/8/5Q2/8 w - - 99 80", {"f2f8"}},
        {"6k1/5ppp/8/8/8/8/8/RR3BK1 w - - 99 80", {"a1a8", "b1b8"}},
    };
    UciEngine engine;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fen);
        engine.Send("ucinewgame");
        engine.Send(std::string("position fen ") + c.fen);
        engine.Sync();
        const int start = int(engine.lines.size());
        engine.Send("go depth 4");
        const std::string best = Word(engine.BestMove(), 1);
        EXPECT_TRUE(std::find(c.mates.begin(), c.mates.end(), best) != c.mates.end())
            << best << "\n" << engine.Transcript();
        const std::string info = LastInfo(engine.lines, start);
        EXPECT_EQ(Word(info, 6) + " " + Word(info, 7), "mate 1") << info;
    }
}

// The last report before "bestmove" belongs to the search whose move is
// played: a search that ended by itself and was held until "ponderhit" or
// "stop" reports its own depth, nodes and time, not the wait after it.
TEST(Uci, FinalReportIsTheHeldSearchsOwn) {
    struct Case {
        const char* position;
        const char* go;
        const char* ender;
        const char* bestmove;
    };
    const Case cases[] = {
        // A single legal move: its short search, then the hold.
        {"position fen 3k4/5Q2/8/2K5/8/8/8/8 b - - 0 1", "go ponder", "ponderhit", "d8c8"},
        {"position fen 3k4/5Q2/8/2K5/8/8/8/8 b - - 0 1", "go infinite", "stop", "d8c8"},
        // A mate found: the deepening stops, and the search is held.
        {"position fen kbK5/pp6/1P6/8/8/8/8/R7 w - - 0 1", "go ponder", "ponderhit", "a1a6"},
        {"position fen kbK5/pp6/1P6/8/8/8/8/R7 w - - 0 1", "go infinite", "stop", "a1a6"},
    };
    constexpr int WaitMs = 1500;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.position) + " " + c.go);
        UciEngine engine;
        engine.Send(c.position);
        engine.Sync();
        const int start = int(engine.lines.size());
        engine.Send(c.go);
        engine.Drain(WaitMs);
        int deepest = 0;
        for (const std::string& line : engine.LinesFrom(start))
            if (line.rfind("info depth", 0) == 0) deepest = std::max(deepest, Field(line, "depth"));
        engine.Send(c.ender);
        EXPECT_EQ(Word(engine.BestMove(ReplyMs), 1), c.bestmove) << engine.Transcript();
        const std::string final = LastInfo(engine.lines, start);
        EXPECT_GE(Field(final, "depth"), std::max(deepest, 2)) << final;
        EXPECT_GT(Field(final, "nodes"), 0) << final;
        EXPECT_LT(Field(final, "time"), WaitMs - 500) << final;
    }
}

// One "go" and how it is ended.
struct GoCase {
    std::string position;
    std::string go;
    const char* ender;     // sent when the search has run a while ("" for none)
    const char* bestmove;  // expected move ("" for any legal one)
    bool mayEndFirst = false;  // the search may end by itself before the ender
};

const GoCase GoCases[] = {
    {"position startpos", "go depth 5", "", ""},
    {"position startpos moves e2e4", "go movetime 300", "", ""},
    {"position startpos", "go wtime 3000 btime 3000 winc 100 binc 100 movestogo 20", "", ""},
    {"position startpos moves e2e4", "go wtime 3000 btime 2000", "", ""},
    {"position startpos", "go nodes 30000", "", ""},
    {"position startpos", "go infinite", "stop", ""},
    {"position startpos", "go ponder", "stop", ""},
    {"position startpos", "go ponder wtime 2000 btime 2000", "ponderhit", ""},
    {"position startpos", "go depth 4 searchmoves h2h3", "", "bestmove h2h3"},
    {"position startpos", "go depth 4 searchmoves a2a3 g1h3", "", ""},
    // A mate in two: the mate limit turns the mate stop off, so the search
    // deepens on (quickly, in its narrow window) unless "stop" ends it.
    {"position fen " + std::string(MateInTwoFen), "go mate 2", "stop", "bestmove b2b8", true},
    {"position fen " + std::string(MatedFen), "go depth 5", "", "bestmove 0000"},
    {"position fen " + std::string(MatedFen), "go infinite", "stop", "bestmove 0000"},
    {"position fen " + std::string(MatedFen), "go ponder", "ponderhit", "bestmove 0000"},
    // One legal move.
    {"position fen 7k/8/8/8/8/8/6q1/K7 w - - 0 1", "go infinite", "stop", "bestmove a1b1"},
    {"position fen 7k/8/8/8/8/8/6q1/K7 w - - 0 1", "go depth 6", "", "bestmove a1b1"},
    // Other words that end or outlast a search: a new game (the xboard
    // word), force and result end it; the next game's words wait for it.
    {"position startpos", "go infinite", "new\nstop", ""},
    {"position startpos", "go ponder", "new\nstop", ""},
    {"position startpos", "go ponder", "new\nponderhit", ""},
    {"position startpos", "go depth 60", "new", ""},
    {"position startpos", "go infinite", "force\nresult 1-0\nstop", ""},
    {"position startpos", "go infinite", "ucinewgame\nposition startpos moves e2e4\nstop", ""},
};

TEST(Uci, EveryGoGetsExactlyOneBestMove) {
    for (const GoCase& test : GoCases) {
        UciEngine engine;
        engine.Send(test.position);
        engine.Sync();
        const int start = int(engine.lines.size());
        engine.Send(test.go);
        if (*test.ender) {
            // Whatever state the search is in: running, or held after it ended.
            engine.Drain(300);
            if (!test.mayEndFirst || engine.Count("bestmove") == 0) {
                EXPECT_EQ(engine.Count("bestmove"), 0) << test.go << "\n" << engine.Transcript();
                engine.Send(test.ender);
            }
        }
        const std::string best = engine.BestMove();
        ASSERT_NE(best, "") << test.go << "\n" << engine.Transcript();
        if (*test.bestmove) {
            EXPECT_EQ(Word(best, 0) + " " + Word(best, 1), test.bestmove) << engine.Transcript();
        } else {
            EXPECT_TRUE(std::regex_match(best, BestMoveLine)) << best;
        }
        // Nothing more follows: an idle "stop" or "ponderhit" prints nothing.
        engine.Send("stop");
        engine.Send("ponderhit");
        engine.Sync();
        EXPECT_EQ(engine.Count("bestmove"), 1) << test.go << "\n" << engine.Transcript();
        for (const std::string& line : engine.LinesFrom(start)) {
            if (line.rfind("info nps", 0) == 0) {
                EXPECT_TRUE(std::regex_match(line, NpsLine)) << line;
            } else if (line.rfind("info", 0) == 0) {
                EXPECT_TRUE(std::regex_match(line, InfoLine)) << line;
            }
        }
        engine.Send("quit");
        EXPECT_EQ(engine.WaitExit(ReplyMs), 0);
    }
}

// In debug mode every searched move ends with the engine's own account of
// its time, the line just before its bestmove: counted from the go, or from
// the ponderhit that made a ponder search the real one, with what was left
// of the hard limit then; a timed search searches no node after a look that
// found that limit passed.
const std::regex AccountLine(
    "info string time (\\d+) ms since (go|ponderhit), (hard limit left (\\d+) ms|no time limit), "
    "nodes (\\d+), nodes past the limit (\\d+), cpu (\\d+) ms, "
    "longest pause between clock looks (\\d+) ms, pauses of 50 ms or more (\\d+) ms in all");

TEST(Uci, DebugModeGivesAnAccountOfEachMovesTime) {
    struct Case {
        const char* debug;
        const char* go;
        const char* ponderhitAfter;  // "" or the go of a ponder search, ended by "ponderhit"
        const char* since;           // "" when no account is printed
        bool timed;
    };
    const Case cases[] = {
        {"debug off", "go depth 3", "", "", false},
        {"debug on", "go depth 3", "", "go", false},
        {"debug on", "go wtime 2000 btime 2000 winc 100 binc 100", "", "go", true},
        {"debug on", "go movetime 80", "", "go", true},
        {"debug on", "go ponder wtime 3000 btime 3000 winc 100 binc 100", "ponderhit", "ponderhit", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.debug) + ", " + c.go);
        UciEngine engine;
        engine.Send("setoption name OwnBook value false");
        engine.Send(c.debug);
        engine.Send("position startpos moves e2e4");
        engine.Sync();
        const int start = int(engine.lines.size());
        engine.Send(c.go);
        if (*c.ponderhitAfter) {
            engine.Drain(200);
            engine.Send(c.ponderhitAfter);
        }
        const std::string best = engine.BestMove();
        ASSERT_TRUE(std::regex_match(best, BestMoveLine)) << engine.Transcript();
        const std::vector<std::string> lines = engine.LinesFrom(start);
        const auto bestAt = std::find(lines.begin(), lines.end(), best);
        int accounts = 0;
        for (const std::string& line : lines) accounts += line.rfind("info string time ", 0) == 0;
        if (!*c.since) {
            EXPECT_EQ(accounts, 0) << engine.Transcript();
            continue;
        }
        EXPECT_EQ(accounts, 1) << engine.Transcript();
        ASSERT_NE(bestAt, lines.begin());
        std::smatch account;
        const std::string& before = *(bestAt - 1);
        ASSERT_TRUE(std::regex_match(before, account, AccountLine)) << engine.Transcript();
        EXPECT_EQ(account[2].str(), c.since);
        EXPECT_EQ(account[4].matched, c.timed) << before;
        EXPECT_GT(std::stoll(account[5].str()), 0) << before;
        EXPECT_EQ(account[6].str(), "0") << "searched past its hard limit: " << before;
    }
}

TEST(Uci, PonderHitWhileHeldPlaysTheMove) {
    UciEngine engine;
    engine.Send("position startpos moves e2e4");
    engine.Send("go ponder depth 3");
    // The ponder search ends at its depth and holds its move back.
    engine.Drain(500);
    EXPECT_EQ(engine.Count("bestmove"), 0);
    engine.Send("ponderhit");
    const std::string first = engine.BestMove(ReplyMs);
    EXPECT_TRUE(std::regex_match(first, BestMoveLine)) << engine.Transcript();
    engine.Sync();
    EXPECT_EQ(engine.Count("bestmove"), 1);
}

TEST(Uci, LimitsHoldForOneGoOnly) {
    UciEngine engine;
    engine.Send("position startpos");
    engine.Send("go infinite");
    engine.Drain(200);
    engine.Send("stop");
    ASSERT_NE(engine.BestMove(ReplyMs), "");
    // No clock of the infinite search survives: this one ends at depth 5.
    const int start = int(engine.lines.size());
    engine.Send("go depth 5");
    const std::string best = engine.BestMove();
    ASSERT_NE(best, "") << engine.Transcript();
    int deepest = 0;
    for (const std::string& line : engine.LinesFrom(start))
        if (line.rfind("info depth ", 0) == 0) deepest = std::max(deepest, Field(line, "depth"));
    EXPECT_EQ(deepest, 5) << engine.Transcript();
    // Nor does a mate limit: after "go mate 5" the mate in two shows as the
    // mate it is.
    engine.Send("position fen " + std::string(MateInTwoFen));
    engine.Send("go mate 5 depth 5");
    ASSERT_NE(engine.BestMove(), "");
    // The engine has played its move: the GUI sets the position again.
    engine.Send("position fen " + std::string(MateInTwoFen));
    const int next = int(engine.lines.size());
    engine.Send("go depth 5");
    ASSERT_NE(engine.BestMove(), "");
    bool mate = false;
    for (const std::string& line : engine.LinesFrom(next))
        if (line.find(" score mate 2 ") != std::string::npos) mate = true;
    EXPECT_TRUE(mate) << engine.Transcript();
}

// A searchmoves list restricts its own search only: neither the legal-move
// list of the next position nor a later search sees it.
TEST(Uci, SearchMovesHoldForTheirGoOnly) {
    UciEngine engine;
    engine.Send("position startpos");
    engine.Send("go depth 2 searchmoves a2a3 e7e5");
    EXPECT_EQ(Word(engine.BestMove(), 1), "a2a3") << engine.Transcript();
    engine.Send("position startpos moves d2d4");
    const int start = int(engine.lines.size());
    engine.Send("moves");
    engine.Sync();
    int listed = 0;
    const std::regex entry(R"( \(-?\d+\); )");
    for (const std::string& line : engine.LinesFrom(start))
        listed += int(std::distance(std::sregex_iterator(line.begin(), line.end(), entry),
                                    std::sregex_iterator()));
    EXPECT_EQ(listed, 20) << engine.Transcript();
    // The king in check may take the queen or step aside: told to step
    // aside it does, and the next search takes the queen.
    const std::string check = "position fen 4k3/8/8/8/8/8/3q4/4K2R w K - 0 1";
    engine.Send(check);
    engine.Send("go depth 3 searchmoves e1f1");
    EXPECT_EQ(Word(engine.BestMove(), 1), "e1f1") << engine.Transcript();
    engine.Send(check);
    engine.Send("go depth 3");
    EXPECT_EQ(Word(engine.BestMove(), 1), "e1d2") << engine.Transcript();
}

// Lines the search does not act on wait until it is over and then run in
// their order; the search itself goes on until "stop".
TEST(Uci, LinesDuringASearchRunAfterIt) {
    UciEngine engine;
    engine.Send("position startpos");
    engine.Send("go infinite");
    ASSERT_TRUE(engine.WaitFor("info depth", SearchMs)) << engine.Transcript();
    engine.Send("position startpos moves e2e4");
    engine.Send("go depth 3");
    engine.Send("isready");
    EXPECT_TRUE(engine.WaitFor("readyok", ReplyMs)) << engine.Transcript();
    engine.Drain(300);
    EXPECT_EQ(engine.Count("bestmove"), 0) << engine.Transcript();
    engine.Send("stop");
    const std::string first = engine.BestMove(ReplyMs);
    const std::string second = engine.BestMove();
    ASSERT_TRUE(std::regex_match(first, BestMoveLine)) << engine.Transcript();
    ASSERT_TRUE(std::regex_match(second, BestMoveLine)) << engine.Transcript();
    // White's move from the start position, then black's after 1.e4.
    EXPECT_TRUE(first[10] == '1' || first[10] == '2') << first;
    EXPECT_TRUE(second[10] == '7' || second[10] == '8') << second;
    engine.Sync();
    EXPECT_EQ(engine.Count("bestmove"), 2) << engine.Transcript();
}

TEST(Uci, MultiPvGivesSortedLines) {
    UciEngine engine;
    engine.Send("setoption name MultiPV value 3");
    engine.Send("position startpos");
    engine.Send("go depth 9");
    ASSERT_NE(engine.BestMove(), "") << engine.Transcript();
    // The last complete block of three lines, best first.
    int last = -1;
    for (int i = 0; i + 2 < int(engine.lines.size()); i++)
        if (engine.lines[i].rfind("info multipv 1 ", 0) == 0 &&
            engine.lines[i + 1].rfind("info multipv 2 ", 0) == 0 &&
            engine.lines[i + 2].rfind("info multipv 3 ", 0) == 0)
            last = i;
    ASSERT_GE(last, 0) << engine.Transcript();
    int previous = 1 << 30;
    for (int k = 0; k < 3; k++) {
        const std::string& line = engine.lines[last + k];
        EXPECT_TRUE(std::regex_match(line, MultiPvLine)) << line;
        ASSERT_EQ(Word(line, 8), "cp") << line;
        const int score = std::stoi(Word(line, 9));
        EXPECT_LE(score, previous) << line;
        previous = score;
    }
    EXPECT_EQ(engine.Count("info multipv 4 "), 0);
}

// The moves after "pv" in an information line.
std::vector<std::string> PvMoves(const std::string& line) {
    std::vector<std::string> moves;
    bool inPv = false;
    for (int i = 0;; i++) {
        const std::string word = Word(line, i);
        if (word.empty()) return moves;
        if (inPv) moves.push_back(word);
        if (word == "pv") inPv = true;
    }
}

// A MultiPV search reports its lines between the steps of a root move's
// re-search, with that move still made on the board: every line must still
// be walked from the root. Each line of each block is replayed from the
// position, and the lines of a block start with different root moves.
TEST(Uci, MultiPvLinesAreLegalFromTheRoot) {
    struct Case {
        const char* fen;
        int depth;
    };
    const Case cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 9},
        // Tactical positions: a queen sacrifice (Win at Chess 1), the
        // perft test position "Kiwipete", and a mate in two.
        {"2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - 0 1", 7},
        {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q2/PPPBBPPP/R3K2R w KQkq - 0 1", 7},
        {"r2qkb1r/pp2nppp/3p4/2pNN1B1/2BnP3/3P4/PPP2PPP/R2bK2R w KQkq - 1 1", 7},
    };
    UciEngine engine;
    engine.Send("setoption name MultiPV value 4");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fen);
        engine.Send(std::string("position fen ") + c.fen);
        const int start = int(engine.lines.size());
        engine.Send("go depth " + std::to_string(c.depth));
        ASSERT_NE(engine.BestMove(), "") << engine.Transcript();
        int checked = 0;
        std::set<std::string> blockFirstMoves;
        for (const std::string& line : engine.LinesFrom(start)) {
            if (line.rfind("info multipv ", 0) != 0) continue;
            const std::vector<std::string> pv = PvMoves(line);
            ASSERT_FALSE(pv.empty()) << line;
            EXPECT_EQ(FirstIllegalMove(c.fen, pv), "") << line;
            if (Field(line, "multipv") == 1) blockFirstMoves.clear();
            EXPECT_TRUE(blockFirstMoves.insert(pv[0]).second) << line;
            checked++;
        }
        EXPECT_GE(checked, 4) << engine.Transcript();
    }
}

// A MultiPV search ends with all its lines, each with its number, however
// small the search, and no single unnumbered line stands for them. Below
// 50001 nodes no block is printed while it runs: a small search shows only
// its last one. The move played and the reply offered are those of line 1.
TEST(Uci, MultiPvSearchEndsWithEveryLine) {
    struct Case {
        std::string position;
        int multiPv;
        int lines;
        bool quiet;  // the search stays below 50001 nodes
    };
    const Case cases[] = {
        {"position startpos", 3, 3, true},
        // A king with three moves: every one is a line.
        {"position fen 7k/8/8/8/8/7q/8/K7 w - - 0 1", 4, 3, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        UciEngine engine;
        engine.Send("setoption name MultiPV value " + std::to_string(c.multiPv));
        engine.Send(c.position);
        engine.Sync();
        const int start = int(engine.lines.size());
        engine.Send("go depth 5");
        const std::string best = engine.BestMove();
        ASSERT_NE(best, "") << engine.Transcript();
        std::vector<std::string> info;
        for (const std::string& line : engine.LinesFrom(start))
            if (line.rfind("info", 0) == 0 && line.rfind("info nps", 0) != 0) info.push_back(line);
        ASSERT_GE(int(info.size()), c.lines) << engine.Transcript();
        if (c.quiet) {
            EXPECT_EQ(int(info.size()), c.lines) << engine.Transcript();
        }
        const std::vector<std::string> last(info.end() - c.lines, info.end());
        for (int k = 0; k < c.lines; k++) {
            EXPECT_TRUE(std::regex_match(last[k], MultiPvLine)) << last[k];
            EXPECT_EQ(Field(last[k], "multipv"), k + 1) << last[k];
            EXPECT_EQ(Field(last[k], "depth"), 5) << last[k];
        }
        EXPECT_EQ(engine.Count("info depth"), 0) << engine.Transcript();
        const std::vector<std::string> first = PvMoves(last[0]);
        EXPECT_EQ(Word(best, 1), first[0]) << engine.Transcript();
        if (first.size() > 1 && Word(best, 2) == "ponder") {
            EXPECT_EQ(Word(best, 3), first[1]) << best;
        }
    }
}

// "go infinite" on a mate in two that the search finds in a few thousand
// nodes: the deepening stops there, and the mate is shown at once, not
// only when "stop" comes; the last line at "stop" is the same search's,
// with its own time and nodes.
TEST(Uci, MateFoundInAnInfiniteSearchIsShownAtOnce) {
    UciEngine engine;
    engine.Send("setoption name OwnBook value false");
    engine.Send("position fen r2qkb1r/pp2nppp/3p4/2pNN1B1/2BnP3/3P4/PPP2PPP/R2bK2R w KQkq - 1 1");
    engine.Sync();
    const int start = int(engine.lines.size());
    engine.Send("go infinite");
    std::string mate;
    for (std::string line; mate.empty() && engine.WaitFor("info depth", ReplyMs, &line);)
        if (line.find(" score mate 2 ") != std::string::npos) mate = line;
    ASSERT_NE(mate, "") << engine.Transcript();
    EXPECT_TRUE(std::regex_match(mate, InfoLine)) << mate;
    EXPECT_EQ(PvMoves(mate), (std::vector<std::string>{"d5f6", "g7f6", "c4f7"})) << mate;
    EXPECT_EQ(engine.Count("bestmove"), 0);
    engine.Drain(300);
    engine.Send("stop");
    EXPECT_EQ(Word(engine.BestMove(ReplyMs), 1), "d5f6") << engine.Transcript();
    const std::string final = LastInfo(engine.lines, start);
    EXPECT_NE(final.find(" score mate 2 "), std::string::npos) << final;
    EXPECT_EQ(Field(final, "nodes"), Field(mate, "nodes")) << final;
    EXPECT_EQ(Field(final, "time"), Field(mate, "time")) << final;
}

TEST(Uci, HashOptionsAndTheRest) {
    UciEngine engine;
    auto hashfull = [&engine](const std::string& go) {
        engine.Send("position startpos");
        const int start = int(engine.lines.size());
        engine.Send(go);
        EXPECT_NE(engine.BestMove(), "") << engine.Transcript();
        int value = -1;
        for (const std::string& line : engine.LinesFrom(start))
            if (line.rfind("info depth", 0) == 0) value = Field(line, "hashfull");
        return value;
    };
    engine.Send("setoption name Hash value 1");
    engine.Send("setoption name Clear Hash");
    EXPECT_GT(hashfull("go depth 9"), 0);
    // No table at all: the search still runs and the table is shown empty.
    engine.Send("setoption name Hash value 0");
    engine.Send("setoption name PawnHash value 0");
    EXPECT_EQ(hashfull("go depth 7"), 0);
    // Sizes beyond the range are clamped, not taken as they come (those above
    // it, which would take 1 GB, are checked in-process: uci_options_test).
    engine.Send("setoption name Hash value -100000");
    engine.Send("setoption name PawnHash value -4096");
    EXPECT_EQ(hashfull("go depth 5"), 0);
    engine.Send("setoption name Hash value 16");
    engine.Send("setoption name PawnHash value 2");
    EXPECT_GE(hashfull("go depth 6"), 0);

    engine.Send("setoption name OwnBook value false");
    engine.Send("setoption name OwnBook value maybe");
    engine.Send("setoption name NalimovCache value 4");
    engine.Send("setoption name NalimovCache value 100000");
    engine.Send("setoption name NalimovPath value my tables;other");
    engine.Send("setoption name OpeningsBook value");
    engine.Send("setoption name OpeningsBook value my book.kvb");
    ASSERT_TRUE(engine.WaitFor("Error opening \"my book.kvb\"!", ReplyMs)) << engine.Transcript();
    engine.Send("setoption name MultiPV value 1");
    engine.Send("ucinewgame");
    engine.Send("debug on");
    engine.Send("debug off");
    engine.Sync();
    engine.Send("go depth 3");
    EXPECT_NE(engine.BestMove(), "");
    engine.Send("quit");
    EXPECT_EQ(engine.WaitExit(ReplyMs), 0);
    // The default book of the start-up, the one book named and the default
    // tried in its place; an empty name opens nothing.
    EXPECT_EQ(engine.Count("Error opening"), 3) << engine.Transcript();
}

// A spin option given a value that is no whole number keeps its value and
// says so; a signed number, or one with white space after it, is still
// taken, and clamped to the range.
TEST(Uci, SpinValueThatIsNoNumberIsRefusedAndKept) {
    UciEngine engine;
    for (const char* line : {"setoption name Hash value 1", "setoption name MultiPV value 3",
                             "setoption name Aggressivity value +150", "setoption name Defensivity value 50",
                             "setoption name Tropism value 400", "setoption name Move Overhead value 300\t"})
        engine.Send(line);
    engine.Sync();
    const int start = int(engine.lines.size());
    const std::pair<const char*, const char*> refused[] = {
        {"setoption name Hash value abc", "info string Hash: \"abc\" is not a number; kept 1"},
        {"setoption name Hash value ", "info string Hash: \"\" is not a number; kept 1"},
        {"setoption name Hash value", "info string Hash: \"\" is not a number; kept 1"},
        // 262144 entries of 24 bytes: the pawn hash's 6 MB before any setting.
        {"setoption name PawnHash value 12abc", "info string PawnHash: \"12abc\" is not a number; kept 6"},
        {"setoption name NalimovCache value 4MB", "info string NalimovCache: \"4MB\" is not a number; kept 1"},
        {"setoption name MultiPV value two", "info string MultiPV: \"two\" is not a number; kept 3"},
        {"setoption name Aggressivity value 1.5", "info string Aggressivity: \"1.5\" is not a number; kept 150"},
        {"setoption name Defensivity value --5", "info string Defensivity: \"--5\" is not a number; kept 50"},
        {"setoption name Tropism value x", "info string Tropism: \"x\" is not a number; kept 300"},
        {"setoption name Move Overhead value 1e3",
         "info string Move Overhead: \"1e3\" is not a number; kept 300"},
    };
    std::vector<std::string> expected;
    for (const auto& [line, answer] : refused) {
        engine.Send(line);
        expected.push_back(answer);
    }
    engine.Sync();
    std::vector<std::string> answers = engine.LinesFrom(start);
    answers.pop_back();  // readyok
    EXPECT_EQ(answers, expected);

    // The values in force: the dialog's defaults, the table still taking
    // entries, three lines of analysis.
    engine.Send("uci");
    ASSERT_TRUE(engine.WaitFor("uciok", ReplyMs)) << engine.Transcript();
    for (const char* option : {"option name Aggressivity type spin min 0 max 300 default 150",
                               "option name Defensivity type spin min 0 max 300 default 50",
                               "option name Tropism type spin min 0 max 300 default 300",
                               "option name Move Overhead type spin default 300 min 0 max 5000"})
        EXPECT_GE(engine.Find(option, start), start) << option;
    engine.Send("position startpos");
    engine.Send("go depth 9");
    EXPECT_NE(engine.BestMove(), "") << engine.Transcript();
    int hashfull = -1;
    for (const std::string& line : engine.LinesFrom(start))
        if (line.rfind("info multipv", 0) == 0) hashfull = Field(line, "hashfull");
    EXPECT_GT(hashfull, 0) << engine.Transcript();
    EXPECT_GT(engine.Count("info multipv 3 "), 0) << engine.Transcript();
}

// The UCI option follows the start-up's rule: a book that cannot be opened
// gives way to the default "Book.kvb" (not to the book open before), and an
// "info string" line names the book in use or says there is none.
TEST(Uci, BookThatCannotBeOpenedGivesWayToTheDefault) {
    const std::string loaded = "3 nodes in openings book";
    struct Case {
        const char* what;
        std::vector<const char*> books;  // files holding a good book
        std::vector<const char*> names;  // OpeningsBook values sent
        std::vector<std::string> printed;
        bool bookMove;  // the start position is answered from a book
    };
    const Case cases[] = {
        {"the default in its place",
         {"other.kvb", "Book.kvb"},
         {"other.kvb", "missing.kvb"},
         {loaded, "Error opening \"missing.kvb\"!", loaded,
          "info string OpeningsBook \"missing.kvb\" cannot be opened; using \"Book.kvb\""},
         true},
        {"no default either: no book, not the one before",
         {"other.kvb"},
         {"other.kvb", "missing.kvb"},
         {loaded, "Error opening \"missing.kvb\"!", "Error opening \"Book.kvb\"!",
          "info string OpeningsBook \"missing.kvb\" cannot be opened; no book is open"},
         false},
        {"the default named, and missing: tried once",
         {},
         {".\\book.kvb"},
         {"Error opening \".\\book.kvb\"!",
          "info string OpeningsBook \".\\book.kvb\" cannot be opened; no book is open"},
         false},
    };
    const std::string golden = ReadTestFile(BookFixturePath("golden_v1.kvb"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string dir = MakeScratchDir();
        for (const char* name : c.books) ASSERT_TRUE(WriteTestFile(dir + "/" + name, golden));
        UciEngine engine(dir);
        const int start = int(engine.lines.size());
        for (const char* name : c.names) engine.Send(std::string("setoption name OpeningsBook value ") + name);
        engine.Sync();
        std::vector<std::string> printed = engine.LinesFrom(start);
        printed.pop_back();  // readyok
        EXPECT_EQ(printed, c.printed);
        // A book move comes at once, without a search's information lines.
        engine.Send("position startpos");
        engine.Send("go depth 2");
        EXPECT_NE(engine.BestMove(), "") << engine.Transcript();
        EXPECT_EQ(engine.Find("info depth", start) < 0, c.bookMove) << engine.Transcript();
    }
}

// The nodes and the time of the last line that shows them.
struct SearchFigures {
    int nodes = -1, timeMs = -1;
};

// One timed search from the start position with 20 s on each clock.
SearchFigures TimedSearchFromStart(UciEngine& engine) {
    engine.Send("ucinewgame");
    engine.Send("position startpos");
    engine.Sync();
    const int start = int(engine.lines.size());
    engine.Send("go wtime 20000 btime 20000");
    EXPECT_TRUE(std::regex_match(engine.BestMove(), BestMoveLine)) << engine.Transcript();
    SearchFigures figures;
    for (const std::string& line : engine.LinesFrom(start))
        if (line.rfind("info ", 0) == 0 && Field(line, "nodes") >= 0)
            figures = {Field(line, "nodes"), Field(line, "time")};
    return figures;
}

// With an overhead of 5 s, a clock of 20 s leaves nothing above the reserve
// of three more: the search ends at its first look at the clock, at the
// fourth iteration or after 5000 nodes. Without one it searches its budget,
// more than half a second.
void ExpectOverheadOfFiveSeconds(UciEngine& engine) {
    const SearchFigures figures = TimedSearchFromStart(engine);
    EXPECT_GT(figures.nodes, 0) << engine.Transcript();
    EXPECT_LT(figures.nodes, 20000) << engine.Transcript();
}

std::string MoveOverheadLine(int ms) {
    return "option name Move Overhead type spin default " + std::to_string(ms) +
           " min 0 max 5000";
}

TEST(Uci, MoveOverheadIsClampedAndChangesTheBudget) {
    UciEngine engine;
    // The option shows its value as its default; out of range it is clamped.
    const std::pair<const char*, int> settings[] = {
        {"setoption name Move Overhead value 100", 100},
        {"setoption name move overhead value 6000", 5000},
        {"setoption name Move Overhead value -5", 0},
        // Without the second word or the value nothing is set.
        {"setoption name Move value 100", 0},
        {"setoption name Move Overhead 100", 0},
        {"setoption name Move Overhead value 5000", 5000},
    };
    for (const auto& [line, ms] : settings) {
        const int start = int(engine.lines.size());
        engine.Send(line);
        engine.Send("uci");
        ASSERT_TRUE(engine.WaitFor("uciok", ReplyMs)) << engine.Transcript();
        EXPECT_GE(engine.Find(MoveOverheadLine(ms), start), start) << line;
    }
    ExpectOverheadOfFiveSeconds(engine);

    engine.Send("setoption name Move Overhead value 0");
    EXPECT_GE(TimedSearchFromStart(engine).timeMs, 300) << engine.Transcript();
}

TEST(Uci, MoveOverheadFromTheSettingsFile) {
    const std::string dir = MakeScratchDir();
    std::ofstream(dir + "/Korvalent.ini") << "MoveOverhead = 5000\n";
    UciEngine engine(dir);
    EXPECT_GE(engine.Find(MoveOverheadLine(5000)), 0) << engine.Transcript();
    ExpectOverheadOfFiveSeconds(engine);
}

// The Ponder option tells whether the interface will ponder: the engine
// takes it either way and never ponders on its own, only on "go ponder";
// nor does xboard's "hard" make it ponder in UCI.
TEST(Uci, PonderOptionLeavesPonderingToTheInterface) {
    UciEngine engine;
    for (const char* setting :
         {"setoption name Ponder value true", "setoption name Ponder value false", "hard"}) {
        SCOPED_TRACE(setting);
        engine.Send(setting);
        engine.Send("position startpos moves e2e4");
        engine.Send("go depth 5");
        EXPECT_TRUE(std::regex_match(engine.BestMove(), BestMoveLine)) << engine.Transcript();
        // Nothing after the move: no search of the engine's own.
        const int after = int(engine.lines.size());
        engine.Drain(500);
        EXPECT_EQ(int(engine.lines.size()), after) << engine.Transcript();

        const int moves = engine.Count("bestmove");
        engine.Send("position startpos moves e2e4 e7e5");
        engine.Send("go ponder wtime 5000 btime 5000");
        engine.Drain(300);
        EXPECT_EQ(engine.Count("bestmove"), moves) << engine.Transcript();
        engine.Send("ponderhit");
        EXPECT_TRUE(std::regex_match(engine.BestMove(), BestMoveLine)) << engine.Transcript();
        engine.Sync();
    }
}

// Two queens against pawns, and a queen ending: positions whose
// quiescence searches run long chains of checks.
const char* const TwoQueensFen = "3Q4/7p/8/3Q4/1k4pP/5p2/5P1P/5K2 w - - 2 1";
const char* const QueenEndingFen = "8/5pk1/6p1/8/3q4/6P1/5PK1/4Q3 w - - 0 1";
const char* const KiwipeteFen =
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";

TEST(Uci, NodeLimitEndsTheSearchAtItsCount) {
    UciEngine engine;
    for (const char* fen : {KiwipeteFen, TwoQueensFen, QueenEndingFen}) {
        for (int limit : {1, 100, 5000, 100000}) {
            SCOPED_TRACE(std::string(fen) + ", go nodes " + std::to_string(limit));
            engine.Send("ucinewgame");
            engine.Send("position fen " + std::string(fen));
            engine.Sync();
            const int start = int(engine.lines.size());
            engine.Send("go nodes " + std::to_string(limit));
            const std::string best = engine.BestMove();
            ASSERT_TRUE(std::regex_match(best, BestMoveLine)) << engine.Transcript();
            int nodes = -1;
            for (const std::string& line : engine.LinesFrom(start))
                if (line.rfind("info ", 0) == 0 && Field(line, "nodes") >= 0)
                    nodes = Field(line, "nodes");
            // None of these searches ends by itself this early.
            EXPECT_GE(nodes, limit) << engine.Transcript();
            EXPECT_LE(nodes, limit + 10) << engine.Transcript();
        }
    }
}

TEST(Uci, NodeCountThatIsNoLimit) {
    UciEngine engine;
    for (const char* count : {"0", "-5", "many"}) {
        SCOPED_TRACE(count);
        engine.Send("position startpos");
        engine.Sync();
        const int start = int(engine.lines.size());
        engine.Send(std::string("go nodes ") + count + " depth 5");
        ASSERT_NE(engine.BestMove(), "") << engine.Transcript();
        int deepest = 0;
        for (const std::string& line : engine.LinesFrom(start))
            if (line.rfind("info depth ", 0) == 0) deepest = std::max(deepest, Field(line, "depth"));
        EXPECT_EQ(deepest, 5) << engine.Transcript();
    }
}

// Timing is measured by scripts/time_limits.py; these bounds are generous
// enough for a busy machine and only catch a search that does not stop.
TEST(Uci, ShortSearchesEndInQueenEndings) {
    constexpr int GenerousMs = 3000;
    UciEngine engine;
    for (const char* fen : {TwoQueensFen, QueenEndingFen}) {
        SCOPED_TRACE(fen);
        // Each search starts from the ending itself: the engine plays its
        // move on its own board, and a found mate would leave no move.
        const std::string position = "position fen " + std::string(fen);
        engine.Send(position);
        // Under a centisecond is still a time limit.
        engine.Send("go movetime 5");
        EXPECT_TRUE(std::regex_match(engine.BestMove(GenerousMs), BestMoveLine)) << engine.Transcript();
        engine.Send(position);
        engine.Send("go wtime 300 btime 300 movestogo 1");
        EXPECT_TRUE(std::regex_match(engine.BestMove(GenerousMs), BestMoveLine)) << engine.Transcript();
        engine.Send(position);
        engine.Send("go infinite");
        engine.Drain(300);
        engine.Send("isready");
        EXPECT_TRUE(engine.WaitFor("readyok", GenerousMs)) << engine.Transcript();
        engine.Send("stop");
        EXPECT_TRUE(std::regex_match(engine.BestMove(GenerousMs), BestMoveLine)) << engine.Transcript();
        engine.Send(position);
        engine.Send("go ponder wtime 300 btime 300 movestogo 1");
        engine.Drain(300);
        engine.Send("ponderhit");
        EXPECT_TRUE(std::regex_match(engine.BestMove(GenerousMs), BestMoveLine)) << engine.Transcript();
    }
}

// A search that ends before its first poll and then waits for "stop" or
// "ponderhit" must find the line even when it came in one read with "go".
TEST(Uci, EnderSentWithGoIsNotLost) {
    struct Case {
        const char* fen;
        const char* lines;
        const char* bestmove;
    };
    const std::string oneMove = "7k/8/8/8/8/8/6q1/K7 w - - 0 1";
    const Case cases[] = {
        {oneMove.c_str(), "go ponder wtime 300 btime 300\nponderhit", "bestmove a1b1"},
        {oneMove.c_str(), "go ponder\nstop", "bestmove a1b1"},
        {oneMove.c_str(), "go infinite\nstop", "bestmove a1b1"},
        {MatedFen, "go ponder\nponderhit", "bestmove 0000"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.lines);
        UciEngine engine;
        engine.Send(std::string("position fen ") + test.fen);
        engine.Sync();
        engine.Send(test.lines);  // one write: both lines arrive together
        const std::string best = engine.BestMove(ReplyMs);
        EXPECT_EQ(Word(best, 0) + " " + Word(best, 1), test.bestmove) << engine.Transcript();
        engine.Sync();
        EXPECT_EQ(engine.Count("bestmove"), 1) << engine.Transcript();
    }
}

// The engine plays its move on its own board: a "go" with no new
// "position" searches the position after that move, the opponent to move.
TEST(Uci, GoWithoutANewPositionSearchesAfterTheEnginesOwnMove) {
    // White mates at once with Ra8; Black is then mated and has no move.
    const std::string backRank = "position fen 6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1";
    UciEngine engine;
    engine.Send(backRank);
    engine.Send("go depth 3");
    EXPECT_EQ(Word(engine.BestMove(), 1), "a1a8") << engine.Transcript();
    engine.Send("go depth 3");
    EXPECT_EQ(Word(engine.BestMove(), 1), "0000") << engine.Transcript();
    // A new position is searched as it is sent.
    engine.Send(backRank);
    engine.Send("go depth 3");
    EXPECT_EQ(Word(engine.BestMove(), 1), "a1a8") << engine.Transcript();
}

TEST(Uci, PonderMoveIsLegalAfterTheBestMove) {
    UciEngine engine;
    engine.Send("position startpos moves e2e4 e7e5 g1f3");
    engine.Send("go depth 6");
    const std::string best = engine.BestMove();
    ASSERT_EQ(Word(best, 2), "ponder") << best;
    // The GUI plays both and lets the engine answer the position.
    engine.Send("position startpos moves e2e4 e7e5 g1f3 " + Word(best, 1) + " " + Word(best, 3));
    engine.Send("go depth 3");
    EXPECT_TRUE(std::regex_match(engine.BestMove(), BestMoveLine));
}

}  // namespace
