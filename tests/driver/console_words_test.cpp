// The console words of the command loop that print or switch something
// (help, egtbstat, bkm, reset, easy, hard, fritz, xboard), through the real
// executable.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "support/engine_pipe.h"
#include "support/engine_process.h"

namespace {

constexpr int ReplyMs = 10000;

// What the engine printed after its start-up lines.
std::string AfterStartup(const std::string& output) {
    const std::string lastLine = "No EGTB files found\n";
    const size_t end = output.find(lastLine);
    return end == std::string::npos ? output : output.substr(end + lastLine.size());
}

TEST(ConsoleWords, HelpPagesVerbatimWithAPauseAtATerminalOnly) {
    const std::string page1 =
        "Korvalent commands:\n" + std::string(78, '-') + "\n\n" +
        "analyze ................... Enters analyze mode\n"
        "black ..................... Sets black to move and engine side to white\n"
        "brd ....................... Prints a board\n"
        "bkm ....................... Prints book moves for current position\n"
        "easy ...................... Toggles pondering off\n"
        "edit ...................... Edit board position\n"
        "egtbstat .................. Displays current EGTB status\n"
        "epdevl <f> ................ Produces static evaluations for EPD-file <f>\n"
        "evl ....................... Shows static evaluation for current position\n"
        "force ..................... Toggles autoplay off\n"
        "go ........................ Starts search\n"
        "hard ...................... Toggles pondering on\n"
        "help ...................... Displays this help\n"
        "level <m> <t> <i> ......... Sets ICS time controls\n"
        "loadfen <e> ............... Sets FEN-position <e>\n"
        "moves ..................... Displays all legal moves with ranking priorities\n"
        "mvd ....................... Shows position flags\n"
        "new ....................... Starts a new game\n"
        "nopost .................... Toggles silent mode on\n";
    const std::string pause = "\nPress <enter> to continue....";
    const std::string page2 =
        "perft <d> ................. Tests the move generator/make_move with depth <d>\n"
        "post ...................... Toggles silent mode off\n"
        "q[uit] .................... Exits Korvalent\n"
        "remove .................... Un-makes last moves of each side\n"
        "sd <d> .................... Sets max search depth to <d>\n"
        "st <t> .................... Sets max search time to <t>\n"
        "time <t> .................. Sets remaining game time in centiseconds to <t>\n"
        "uci ....................... UCI mode\n"
        "undo ...................... Un-makes last move of one side\n"
        "white ..................... Sets white to move and engine side to black\n"
        "\n";

    // Lines from a pipe were written beforehand: both pages come at once and
    // the line after "help" runs.
    const EngineRun run = RunEngine("help\nbrd\nmvd\nquit\n");
    const std::string board =
        "*R*N*B*Q*K*B*N*R\n*P*P*P*P*P*P*P*P\n"
        " . . . . . . . .\n . . . . . . . .\n . . . . . . . .\n . . . . . . . .\n"
        " P P P P P P P P\n R N B Q K B N R\n";
    EXPECT_EQ(AfterStartup(run.output), page1 + page2 + board + "castling flags = 15\n");
    EXPECT_EQ(run.exitCode, 0);

    // At a terminal the first page waits for a line, which only turns the
    // page: the first "mvd" is not run, the second is.
    EnginePipe engine("", EngineInput::Terminal);
    engine.Send("help");
    ASSERT_TRUE(engine.WaitFor("new ....", ReplyMs)) << engine.Transcript();
    engine.Drain(200);
    EXPECT_EQ(engine.Find("perft <d>"), -1) << engine.Transcript();
    engine.Send("mvd");
    ASSERT_TRUE(engine.WaitFor("white .....", ReplyMs)) << engine.Transcript();
    engine.Send("mvd");
    engine.Send("quit");
    EXPECT_EQ(engine.WaitExit(ReplyMs), 0);
    EXPECT_EQ(AfterStartup(engine.Transcript()),
              page1 + pause + "\n" + page2 + "castling flags = 15\n")
        << engine.Transcript();
}

// A person at the console is told when a line was not understood: text
// that reads as a move the engine cannot play (any notation but its own
// coordinates, or a coordinate move the position does not have) is an
// illegal move, anything else an unknown command; blank lines pass. An
// interface (after "xboard" or "uci") is told nothing of the kind.
TEST(ConsoleWords, LinesNotUnderstoodAreToldOnTheConsoleOnly) {
    struct Case {
        const char* line;
        const char* told;  // on the console, "" for nothing
    };
    const Case cases[] = {
        {"xyz", "Unknown command: xyz"},
        {"Nf6", "Illegal move: Nf6"},
        {"Nf3", "Illegal move: Nf3"},
        {"e4", "Illegal move: e4"},
        {"exd5", "Illegal move: exd5"},
        {"Ng1-f3", "Illegal move: Ng1-f3"},
        {"e8=Q+", "Illegal move: e8=Q+"},
        {"O-O", "Illegal move: O-O"},
        {"e3e4", "Illegal move: e3e4"},
        {"d1d5", "Illegal move: d1d5"},
        {"e2e9", "Unknown command: e2e9"},
        {"result 1-0 {White mates}", "Unknown command: result 1-0 {White mates}"},
        {"", ""},
        {"   ", ""},
    };
    std::string lines, expected;
    for (const Case& c : cases) {
        lines += std::string(c.line) + "\n";
        if (*c.told) expected += std::string(c.told) + "\n";
    }
    // The board is untouched: "mvd" ends the run with the start's flags.
    const std::string end = "mvd\n";
    EXPECT_EQ(AfterStartup(RunEngine(lines + end).output), expected + "castling flags = 15\n");
    // Coordinate moves the position does not have stay illegal moves for
    // xboard; nothing else is answered.
    EXPECT_EQ(AfterStartup(RunEngine("xboard\n" + lines + end).output),
              "Illegal move: e3e4\nIllegal move: d1d5\ncastling flags = 15\n");
    const std::string uci = AfterStartup(RunEngine("uci\n" + lines + end).output);
    EXPECT_EQ(uci.substr(uci.find("uciok\n") + 6),
              "Illegal move: e3e4\nIllegal move: d1d5\ncastling flags = 15\n");
}

TEST(ConsoleWords, StatusLinesOfTablebasesAndBook) {
    const EngineRun run = RunEngine("egtbstat\nbkm\nnew\ne2e4\n");
    const std::string out = AfterStartup(run.output);
    EXPECT_EQ(out.rfind("UseEGTB = TRUE\ntb_path = c:\\tablebases\\\nNo EGTB files found\n"
                        "Current nhash1 = ",
                        0),
              0u)
        << out;
    EXPECT_NE(out.find(", nhash2 = "), std::string::npos);
    EXPECT_NE(out.find("\nNo book loaded...\n"), std::string::npos) << out;
}

TEST(ConsoleWords, PonderingSwitchesAndProtocolWords) {
    // easy: no hint after the move; hard: the engine ponders and says on what.
    for (const char* word : {"easy", "hard"}) {
        EnginePipe engine;
        engine.Send("xboard");
        engine.Send(word);
        engine.Send("sd 5");
        engine.Send("e2e4");
        ASSERT_TRUE(engine.WaitFor("move ", 60000)) << engine.Transcript();
        engine.Drain(1500);
        EXPECT_EQ(engine.Count("Hint: "), std::string(word) == "hard" ? 1 : 0)
            << word << "\n" << engine.Transcript();
        engine.Send("quit");
        EXPECT_EQ(engine.WaitExit(ReplyMs), 0);
    }
    // "xboard" after "uci" switches the output back to xboard lines;
    // "fritz" goes on to the next words ("fritz" alone runs nothing else).
    const EngineRun run = RunEngine("uci\nxboard\nfritz\nsd 3\ngo\nreset\nquit\n");
    const std::string out = AfterStartup(run.output);
    EXPECT_NE(out.find("\nmove "), std::string::npos) << out;
    EXPECT_EQ(out.find("bestmove"), std::string::npos) << out;
    EXPECT_EQ(run.exitCode, 0);
}

// The futility tuning words take any number and keep it within the range
// the search's arithmetic holds: searches with each of the six at either
// end of it, with the evaluation's values at the top of theirs, end
// normally (the sanitizer build ends the program on an overflow).
TEST(ConsoleWords, TuningWordsAtTheEndsOfTheirRange) {
    const std::string dir = MakeScratchDir();
    {
        std::ofstream values(dir + "/values.txt");
        for (int i = 0; i < 3280; i++) values << "32767\n";
    }
    std::string commands = "easy\n";
    int searches = 0;
    for (const char* value : {"99999999", "2147483647", "-2147483648", "-99999999999"}) {
        for (const char* word : {"c1", "c2", "c3", "m1", "m2", "m3"})
            commands += std::string(word) + " " + value + "\n";
        for (const char* fen : {"r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R2QKB1R w KQ -",
                                "6k1/5ppp/8/8/8/8/5PPP/R5K1 w - -"}) {
            commands += std::string("loadfen ") + fen + "\nsd 5\ngo\n";
            searches++;
        }
    }
    // No "quit": at the end of the input the last search still finishes.
    const EngineRun run = RunEngine(commands, 600, dir);
    const std::string out = AfterStartup(run.output);
    EXPECT_EQ(run.exitCode, 0) << out.substr(out.size() - std::min<size_t>(out.size(), 3000));
    EXPECT_EQ(run.output.find("Error loading values.txt"), std::string::npos);
    int moves = 0;
    for (size_t at = out.find("\nmove "); at != std::string::npos; at = out.find("\nmove ", at + 1))
        moves++;
    EXPECT_EQ(moves, searches) << out;
}

}  // namespace
