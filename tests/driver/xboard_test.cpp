// The xboard protocol through the real executable, held open as xboard
// holds it: moves, clocks, force and go, take-backs, pondering on the
// expected reply, board editing and analysis.
#include <gtest/gtest.h>

#include <cctype>
#include <regex>
#include <string>
#include <vector>

#include "support/engine_pipe.h"

namespace {

constexpr int ReplyMs = 10000;
constexpr int SearchMs = 60000;

const char* const MatedFen = "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3";
const char* const OneMoveFen = "7k/8/8/8/8/8/6q1/K7 w - - 0 1";

const std::regex ThinkingLine("-?\\d+ -?\\d+ \\d+ \\d+( [a-h][1-8][a-h][1-8][qrbn]?)+");
const std::regex BoardRow("([ *][.KQRBNP]){8}");
const std::regex MoveLine("move [a-h][1-8][a-h][1-8][qrbn]?");

struct XboardEngine : EnginePipe {
    XboardEngine() {
        Send("xboard");
        Send("new");
    }
    // "brd" as a barrier: its last line has come once the eighth rank row of
    // the board has been printed; returns the board.
    std::string Board() {
        const int start = int(lines.size());
        Send("brd");
        Send("mvd");
        EXPECT_TRUE(WaitFor("castling flags", ReplyMs)) << Transcript();
        std::string board;
        for (int i = start; i < int(lines.size()) && lines[i].rfind("castling", 0) != 0; i++)
            if (std::regex_match(lines[i], BoardRow)) board += lines[i] + "\n";
        return board;
    }
    std::string Move(int timeoutMs = SearchMs) {
        std::string line;
        if (!WaitFor("move ", timeoutMs, &line)) return "";
        return line.substr(5);
    }
};

std::string BoardOf(const std::string& setup) {
    XboardEngine engine;
    engine.Send("force");
    engine.Send(setup);
    return engine.Board();
}

TEST(Xboard, MovesClocksForceGoAndTakeBacks) {
    XboardEngine engine;
    engine.Send("level 40 1 0");
    engine.Send("time 6000");
    engine.Send("otim 6000");
    engine.Send("post");
    engine.Send("e2e4");
    // A timed search: it ends by itself and the move follows its thinking lines.
    const std::string reply = engine.Move();
    ASSERT_NE(reply, "") << engine.Transcript();
    int thinking = 0;
    for (const std::string& line : engine.lines) {
        const bool numeric = std::isdigit(static_cast<unsigned char>(line[0])) || line[0] == '-';
        if (!line.empty() && numeric) {
            EXPECT_TRUE(std::regex_match(line, ThinkingLine)) << line;
            thinking++;
        }
    }
    EXPECT_GE(thinking, 1) << engine.Transcript();

    // Force mode records moves; go makes the engine play the side to move.
    engine.Send("force");
    engine.Send("g1f3");
    engine.Send("a1a8");
    ASSERT_TRUE(engine.WaitFor("Illegal move: a1a8", ReplyMs));
    const std::string afterG1f3 = engine.Board();
    engine.Send("undo");
    engine.Send("g1f3");
    EXPECT_EQ(engine.Board(), afterG1f3);
    // "remove" takes back a move of each side.
    engine.Send("remove");
    engine.Send("e7e5");
    engine.Send("g1f3");
    EXPECT_EQ(engine.Board(), BoardOf("e2e4\ne7e5\ng1f3"));
    engine.Send("remove");
    engine.Send("undo");
    EXPECT_EQ(engine.Board(),
              BoardOf("loadfen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -"));
    engine.Send("sd 4");
    engine.Send("go");
    const std::string first = engine.Move();
    EXPECT_TRUE(std::regex_match("move " + first, MoveLine)) << engine.Transcript();
    engine.Send("quit");
    EXPECT_EQ(engine.WaitExit(ReplyMs), 0);
}

TEST(Xboard, AClockMakesGoATimedSearch) {
    XboardEngine engine;
    engine.Send("time 6000");
    engine.Send("otim 6000");
    engine.Send("go");
    // No stop comes: only the clock can end this search.
    EXPECT_NE(engine.Move(), "") << engine.Transcript();
}

TEST(Xboard, NopostSilencesTheSearchButNotItsLastLine) {
    XboardEngine engine;
    engine.Send("nopost");
    engine.Send("sd 7");
    engine.Send("go");
    ASSERT_NE(engine.Move(), "");
    int thinking = 0;
    for (const std::string& line : engine.lines) thinking += std::regex_match(line, ThinkingLine);
    EXPECT_EQ(thinking, 1) << engine.Transcript();
}

// A single legal move is played at once, its last thinking line carrying
// the score of a short search of it (nodes above 0): the lone king's only
// step leaves it lost against the queen.
TEST(Xboard, ForcedMoveIsPlayedAtOnceWithItsScore) {
    const std::regex line(R"(^(\d+) (-?\d+) (\d+) (\d+) a1b1( [a-h][1-8][a-h][1-8][qrbn]?)*$)");
    for (const char* limits : {"sd 30", "sd 1", "st 60", "level 40 60 0\ntime 360000\notim 360000"}) {
        SCOPED_TRACE(limits);
        XboardEngine engine;
        engine.Send("easy");
        engine.Send("force");
        engine.Send(std::string("loadfen ") + OneMoveFen);
        engine.Send(limits);
        engine.Send("go");
        ASSERT_EQ(engine.Move(5000), "a1b1") << engine.Transcript();
        const int moveLine = engine.Find("move a1b1");
        std::smatch match;
        ASSERT_TRUE(std::regex_match(engine.lines[moveLine - 1], match, line))
            << engine.Transcript();
        EXPECT_LT(std::stoi(match[2]), -1000) << match[0];
        EXPECT_GT(std::stoll(match[4]), 0) << match[0];
    }
}

TEST(Xboard, EditInOneBurst) {
    XboardEngine engine;
    engine.Send("force");
    engine.Send("edit\n#\nKe1\nPe2\nRh1\nc\nKe8\nPd7\n.");
    EXPECT_EQ(engine.Board(), BoardOf("loadfen 4k3/3p4/8/8/8/8/4P3/4K2R w K -"));
}

// A second king placed and removed again leaves nothing behind: no moves
// of a phantom king, and one white king on the board after a search.
TEST(Xboard, ARemovedSecondKingIsGone) {
    XboardEngine engine;
    engine.Send("easy");
    engine.Send("force");
    engine.Send("edit\nKa4\nxa4\n.");
    engine.Send("moves");
    engine.Send("sd 2");
    engine.Send("go");
    ASSERT_NE(engine.Move(), "") << engine.Transcript();
    const std::string board = engine.Board();
    int whiteKings = 0;
    for (size_t at = board.find(" K"); at != std::string::npos; at = board.find(" K", at + 1))
        whiteKings++;
    EXPECT_EQ(whiteKings, 1) << board;
    const int list = engine.Find("-------------- Legal moves");
    ASSERT_GE(list, 0) << engine.Transcript();
    const std::string& moves = engine.lines[list + 2];
    EXPECT_EQ(moves.find("Ka4"), std::string::npos) << moves;
    EXPECT_NE(moves.find("Nb1a3 (0); "), std::string::npos) << moves;
}

// Pondering: after its move the engine prints the reply it expects, plays it
// on its board and searches on.
struct PonderingEngine : XboardEngine {
    std::string hint;
    std::string reply;
    PonderingEngine() {
        Send("hard");
        Send("level 40 1 0");
        Send("time 6000");
        Send("otim 6000");
        Send("e2e4");
        reply = Move();
        std::string line;
        EXPECT_TRUE(WaitFor("Hint: ", SearchMs, &line)) << Transcript();
        hint = line.size() > 6 ? line.substr(6) : "";
    }
};

TEST(Xboard, ThePonderHitGoesOnWithTheSameSearch) {
    PonderingEngine engine;
    ASSERT_NE(engine.hint, "");
    // Let the ponder search get deep, then play the expected reply.
    engine.Drain(1500);
    int deepest = 0;
    for (const std::string& line : engine.lines)
        if (std::regex_match(line, ThinkingLine)) deepest = std::stoi(line);
    const int before = int(engine.lines.size());
    engine.Send("time 6000");
    engine.Send("otim 5000");
    engine.Send(engine.hint);
    const std::string second = engine.Move();
    ASSERT_NE(second, "") << engine.Transcript();
    // No new search: the thinking up to the move goes on from the depth
    // already reached.
    const int moveLine = engine.Find("move " + second, before);
    for (int i = before; i < moveLine; i++) {
        if (std::regex_match(engine.lines[i], ThinkingLine)) {
            EXPECT_GE(std::stoi(engine.lines[i]), deepest - 1) << engine.Transcript();
        }
    }
    EXPECT_EQ(engine.Count("Illegal move"), 0);
}

// A ponder search that ended by itself (here on a mate it found) waits for
// the opponent; after the ponder hit its own depth, nodes and time are the
// move's last report, not the wait.
TEST(Xboard, PonderHitOnAFinishedSearchReportsThatSearch) {
    XboardEngine engine;
    engine.Send("hard");
    engine.Send("force");
    // Reti-Tartakower, Vienna 1910: 9.Qd8+! Kxd8 10.Bg5++ Kc7 11.Bd8#.
    engine.Send("loadfen rnb1kb1r/pp3ppp/2p5/4q3/4n3/3Q4/PPPB1PPP/2KR1BNR w kq -");
    engine.Send("sd 12");
    engine.Send("go");
    ASSERT_EQ(engine.Move(), "d3d8") << engine.Transcript();
    std::string hint;
    ASSERT_TRUE(engine.WaitFor("Hint: ", SearchMs, &hint)) << engine.Transcript();
    ASSERT_EQ(hint, "Hint: e8d8");
    engine.Drain(1500);
    engine.Send("e8d8");
    ASSERT_EQ(engine.Move(ReplyMs), "d2g5") << engine.Transcript();
    const std::regex line(R"(^(\d+) (-?\d+) (\d+) (\d+) d2g5( [a-h][1-8][a-h][1-8])*$)");
    std::smatch match;
    const std::string& last = engine.lines[engine.Find("move d2g5") - 1];
    ASSERT_TRUE(std::regex_match(last, match, line)) << engine.Transcript();
    EXPECT_EQ(std::stoi(match[2]), 32764) << last;
    EXPECT_GE(std::stoi(match[1]), 2) << last;
    EXPECT_LT(std::stoll(match[3]), 100) << last;
    EXPECT_GT(std::stoll(match[4]), 0) << last;
    engine.Send("force");
}

TEST(Xboard, AnotherReplyStartsANewSearch) {
    PonderingEngine engine;
    ASSERT_NE(engine.hint, "");
    // Some legal reply that is not the expected one.
    const std::string other = engine.hint == "a2a3" ? "h2h3" : "a2a3";
    engine.Drain(300);
    engine.Send(other);
    const std::string second = engine.Move();
    ASSERT_NE(second, "") << engine.Transcript();
    engine.Send("force");
    const std::string board = engine.Board();
    EXPECT_EQ(board, BoardOf("e2e4\n" + engine.reply + "\n" + other + "\n" + second));
}

TEST(Xboard, AnIllegalMoveWhilePonderingGoesBackToIdle) {
    PonderingEngine engine;
    ASSERT_NE(engine.hint, "");
    engine.Drain(300);
    engine.Send("a7a1");
    ASSERT_TRUE(engine.WaitFor("Illegal move: a7a1", ReplyMs)) << engine.Transcript();
    // Idle, with the expected reply taken back.
    EXPECT_EQ(engine.Board(), BoardOf("e2e4\n" + engine.reply));
    EXPECT_EQ(engine.Count("move "), 1);
}

// "remove" and "undo" while the engine ponders end the ponder search, take
// back as they do at any other time (the expected reply is not part of the
// game), and leave the engine waiting.
TEST(Xboard, TakeBacksWhilePonderingTakeBackGameMoves) {
    const struct {
        const char* word;
        const char* gameLeft;  // moves left on the board, for BoardOf
    } cases[] = {{"remove", "new"}, {"undo", "e2e4"}};
    for (const auto& c : cases) {
        PonderingEngine engine;
        ASSERT_NE(engine.hint, "") << engine.Transcript();
        engine.Drain(300);
        engine.Send(c.word);
        engine.Drain(1000);
        EXPECT_EQ(engine.Count("move "), 1) << c.word << "\n" << engine.Transcript();
        EXPECT_EQ(engine.Count("Hint: "), 1) << c.word << "\n" << engine.Transcript();
        EXPECT_EQ(engine.Board(), BoardOf(c.gameLeft)) << c.word;
    }
}

// Any other command while the engine ponders ends pondering and then runs
// on the game position, the lines that follow it in their order.
TEST(Xboard, ACommandWhilePonderingRunsOnTheGamePosition) {
    PonderingEngine engine;
    ASSERT_NE(engine.hint, "") << engine.Transcript();
    engine.Drain(300);
    engine.Send("edit\n#\nKe1\nPe2\nc\nKe8\n.");
    engine.Send("brd");
    ASSERT_TRUE(engine.WaitFor(" . . . . K . . .", ReplyMs)) << engine.Transcript();
    EXPECT_EQ(engine.Board(), BoardOf("loadfen 4k3/8/8/8/8/8/4P3/4K3 w - -"));
    EXPECT_EQ(engine.Count("move "), 1) << engine.Transcript();
}

// "force" or "result" while the engine thinks or ponders ends the search
// without a move: in force mode the move would be illegal for xboard, after
// "result" the game is over. The engine waits; "go" makes it play again.
TEST(Xboard, ForceOrResultEndsTheSearchWithoutAMove) {
    struct Case {
        const char* word;
        bool pondering;
    };
    const Case cases[] = {
        {"force", false}, {"result 1-0 {White mates}", false},
        {"force", true},  {"result 1/2-1/2 {Draw by repetition}", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.word) + (c.pondering ? " while pondering" : " while thinking"));
        XboardEngine engine;
        std::string before = "new";
        if (c.pondering) {
            engine.Send("hard");
            engine.Send("sd 5");
            engine.Send("e2e4");
            const std::string reply = engine.Move();
            ASSERT_TRUE(engine.WaitFor("Hint: ", SearchMs)) << engine.Transcript();
            before = "e2e4\n" + reply;
        } else {
            engine.Send("easy");
            engine.Send("post");
            // A search that runs until it is stopped.
            engine.Send("sd 60");
            engine.Send("go");
        }
        engine.Drain(500);
        const int moves = engine.Count("move ");
        engine.Send(c.word);
        engine.Send("force");
        engine.Drain(1500);
        EXPECT_EQ(engine.Count("move "), moves) << engine.Transcript();
        EXPECT_EQ(engine.Count("Hint: "), c.pondering ? 1 : 0) << engine.Transcript();
        // Nothing was made on the board, and nothing is printed any more.
        EXPECT_EQ(engine.Board(), BoardOf(before)) << engine.Transcript();
        const int printed = int(engine.lines.size());
        engine.Drain(500);
        EXPECT_EQ(int(engine.lines.size()), printed) << engine.Transcript();
        // Play goes on when asked.
        engine.Send("sd 3");
        engine.Send("go");
        EXPECT_NE(engine.Move(), "") << engine.Transcript();
    }
}

// A queen checks a king that has a single legal step each time until the
// position comes back a third time with the engine to move: it announces
// the draw and then sends nothing, whether it was idle or pondering on
// another reply when the repeating move came.
TEST(Xboard, RepetitionAnnouncedEndsTheGame) {
    const std::string claim = "1/2-1/2 {Draw by repetition}";
    for (const char* pondering : {"easy", "hard"}) {
        SCOPED_TRACE(pondering);
        XboardEngine engine;
        engine.Send(pondering);
        engine.Send("force");
        engine.Send("loadfen 4Q1k1/6p1/8/8/8/8/8/K7 b - -");
        engine.Send("sd 6");
        engine.Send("go");
        const char* const checks[] = {"e8h5", "h5e8", "e8h5", "h5e8"};
        const char* const replies[] = {"g8h7", "h7g8", "g8h7", "h7g8"};
        ASSERT_EQ(engine.Move(), "g8h7") << engine.Transcript();
        for (int i = 0; i < 4; i++) {
            if (i == 3 && std::string(pondering) == "hard") {
                // The engine ponders on another reply than the check.
                ASSERT_TRUE(engine.WaitFor("Hint: ", SearchMs)) << engine.Transcript();
                engine.Drain(300);
            }
            engine.Send(checks[i]);
            if (i == 3) break;
            ASSERT_EQ(engine.Move(), replies[i + 1]) << engine.Transcript();
        }
        std::string line;
        ASSERT_TRUE(engine.WaitFor(claim, SearchMs, &line)) << engine.Transcript();
        const int announced = engine.Find(claim);
        engine.Drain(1000);
        // xboard confirms the result, and still nothing comes.
        engine.Send("result " + claim);
        engine.Drain(500);
        EXPECT_EQ(int(engine.lines.size()), announced + 1) << engine.Transcript();
        EXPECT_EQ(engine.Board(), BoardOf("loadfen 4Q1k1/6p1/8/8/8/8/8/K7 b - -\ng8h7\ne8h5\nh7g8\n"
                                         "h5e8\ng8h7\ne8h5\nh7g8\nh5e8"));
        // A take-back reopens the game: another check is answered.
        engine.Send("undo");
        engine.Send("easy");
        engine.Send("h5d5");
        EXPECT_NE(engine.Move(), "") << engine.Transcript();
    }
}

// A mate given with the hundredth half-move stands, and so does one given
// after it. The engine mates rather than play on into the rule's draw, and
// when it is to move in the mated position the result is the mate, never a
// draw: after its own mate (pondering, it looks at that position at once)
// or after the opponent's.
TEST(Xboard, MateComesBeforeTheFiftyMoveRule) {
    const struct {
        const char* counter;
        const char* pondering;
        const char* opponentMate;  // "" when the engine is to find it
    } cases[] = {{"99", "easy", ""}, {"100", "hard", ""}, {"100", "easy", "f2f8"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.counter) + " " + c.pondering + " " + c.opponentMate);
        XboardEngine engine;
        engine.Send(c.pondering);
        engine.Send("force");
        engine.Send(std::string("loadfen 7k/8/6K1/8/8/8/5Q2/8 w - - ") + c.counter + " 80");
        engine.Send("sd 4");
        if (*c.opponentMate) {
            engine.Send(c.opponentMate);
        } else {
            engine.Send("go");
            ASSERT_EQ(engine.Move(), "f2f8") << engine.Transcript();
        }
        engine.Send("force");
        engine.Send("go");
        ASSERT_TRUE(engine.WaitFor("1-0 {White mates}", ReplyMs)) << engine.Transcript();
        engine.Drain(300);
        EXPECT_EQ(engine.Count("1/2-1/2"), 0) << engine.Transcript();
    }
}

// Two bare kings: neither side can mate, and the draw is told once.
TEST(Xboard, BareKingsAreOneDraw) {
    XboardEngine engine;
    engine.Send("protover 2");
    engine.Send("force");
    engine.Send("loadfen 8/k7/8/8/2K5/8/8/8 b - - 0 1");
    engine.Send("sd 2");
    engine.Send("go");
    ASSERT_TRUE(engine.WaitFor("1/2-1/2 {Draw by insufficient material}", ReplyMs))
        << engine.Transcript();
    engine.Drain(500);
    EXPECT_EQ(engine.Count("1/2-1/2"), 1) << engine.Transcript();
}

TEST(Xboard, QuitDuringASearch) {
    XboardEngine engine;
    engine.Send("go");
    engine.Drain(500);
    EXPECT_EQ(engine.Count("move "), 0);
    engine.Send("quit");
    EXPECT_EQ(engine.WaitExit(ReplyMs), 0);
}

TEST(Xboard, AnalysisTakesMovesUndoStatusAndExit) {
    XboardEngine engine;
    engine.Send("post");
    engine.Send("analyze");
    engine.Drain(500);
    engine.Send(".");
    ASSERT_TRUE(engine.WaitFor("stat01: ", ReplyMs)) << engine.Transcript();
    engine.Send("e2e4");
    engine.Drain(300);
    engine.Send("undo");
    engine.Send("d2d4");
    engine.Drain(300);
    engine.Send("exit");
    // Out of analysis: the board holds d2d4 alone, and commands are answered.
    EXPECT_EQ(engine.Board(), BoardOf("d2d4"));
    EXPECT_EQ(engine.Count("move "), 0);
    engine.Send("quit");
    EXPECT_EQ(engine.WaitExit(ReplyMs), 0);
}

// An analysis that ends by itself (Rd8 mates) shows its thinking line then;
// "." after it reports that search: its time, nodes, depth, no moves left,
// and its move.
TEST(Xboard, AnalysisThatEndsByItselfShowsItsLineAndStatus) {
    XboardEngine engine;
    engine.Send("protover 2");
    engine.Send("post");
    engine.Send("force");
    engine.Send("loadfen 6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1");
    engine.Send("analyze");
    // A mate in one ply shows as 32766.
    const std::regex mateLine(R"(^(\d+) 32766 (\d+) (\d+) d1d8$)");
    std::smatch thinking;
    std::string line;
    while (engine.WaitFor("", ReplyMs, &line))
        if (std::regex_match(line, thinking, mateLine)) break;
    ASSERT_FALSE(thinking.empty()) << engine.Transcript();
    const int depth = std::stoi(thinking[1]);
    const std::string time = thinking[2], nodes = thinking[3];
    EXPECT_GE(depth, 2) << line;
    EXPECT_GT(std::stoll(nodes), 0) << line;

    engine.Send(".");
    std::string status;
    ASSERT_TRUE(engine.WaitFor("stat01: ", ReplyMs, &status)) << engine.Transcript();
    const std::regex statusLine(R"(^stat01: (\d+) (\d+) (\d+) 0 (\d+) d1d8$)");
    std::smatch fields;
    ASSERT_TRUE(std::regex_match(status, fields, statusLine)) << status;
    EXPECT_EQ(fields[1], time) << status;
    EXPECT_EQ(fields[2], nodes) << status;
    EXPECT_EQ(std::stoi(fields[3]), depth) << status;
    engine.Send("exit");
    engine.Send("quit");
    EXPECT_EQ(engine.WaitExit(ReplyMs), 0);
}

TEST(Xboard, AnalysisOfAFinishedOrForcedPositionStillLeavesOnExit) {
    for (const char* fen : {MatedFen, OneMoveFen}) {
        XboardEngine engine;
        engine.Send(std::string("loadfen ") + fen);
        engine.Send("analyze");
        engine.Drain(300);
        engine.Send(".");
        ASSERT_TRUE(engine.WaitFor("stat01: ", ReplyMs)) << engine.Transcript();
        engine.Send("exit");
        engine.Send("isready");
        EXPECT_TRUE(engine.WaitFor("readyok", ReplyMs)) << fen << "\n" << engine.Transcript();
        engine.Send("quit");
        EXPECT_EQ(engine.WaitExit(ReplyMs), 0);
    }
}

}  // namespace
