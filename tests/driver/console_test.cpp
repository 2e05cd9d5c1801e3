// The console commands driven through the real executable, as a person or
// an xboard interface drives them.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "board/types.h"

#include "support/engine_pipe.h"
#include "support/engine_process.h"
#include "support/naive_moves.h"

namespace {

const std::string Banner = "Korvalent v1.50 [r2055/01.01.2014]\n";

// What the engine printed after its start-up lines: everything from the
// first line that the commands produced. Start-up ends with the tablebase line.
std::string AfterStartup(const std::string& output) {
    const std::string lastLine = "No EGTB files found\n";
    const size_t end = output.find(lastLine);
    if (end == std::string::npos) return output;
    return output.substr(end + lastLine.size());
}

TEST(Console, QuitWordsAndEndOfInputExitWithZero) {
    for (const char* input : {"quit\n", "q\n", "qwerty\n", "", "brd\n", "brd"}) {
        const EngineRun run = RunEngine(input, 20);
        EXPECT_EQ(run.exitCode, 0) << input;
        EXPECT_EQ(run.output.rfind(Banner, 0), 0u) << run.output;
    }
}

TEST(Console, PerftCountsAndArgumentChecks) {
    const EngineRun run = RunEngine(
        "perft 3\n"
        "loadfen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -\n"
        "perft 2\n"
        "loadfen 8/8/8/8/k2Pp2Q/8/8/3K4 b - d3\n"
        "perft 3\n"
        "perft 0\nperft 21\nperft x\nperft\nperft -1\n");
    const std::string out = AfterStartup(run.output);
    EXPECT_NE(out.find("total moves = 8902 time = "), std::string::npos) << out;
    EXPECT_NE(out.find("total moves = 2039 time = "), std::string::npos) << out;
    EXPECT_NE(out.find("total moves = 863 time = "), std::string::npos) << out;
    size_t refusals = 0;
    for (size_t at = out.find("perft: depth"); at != std::string::npos; at = out.find("perft: depth", at + 1))
        refusals++;
    EXPECT_EQ(refusals, 4u) << out;
}

TEST(Console, MovesTakeBacksAndTheBoard) {
    const EngineRun run = RunEngine("force\ne2e4\ne2e5\nE7E5\nmvd\nbrd\nremove\nremove\nundo\nbrd\n");
    const std::string out = AfterStartup(run.output);
    const std::string afterMoves =
        "Illegal move: e2e5\n"
        "castling flags = 15\n"
        "*R*N*B*Q*K*B*N*R\n"
        "*P*P*P*P .*P*P*P\n"
        " . . . . . . . .\n"
        " . . . .*P . . .\n"
        " . . . . P . . .\n"
        " . . . . . . . .\n"
        " P P P P . P P P\n"
        " R N B Q K B N R\n"
        "*R*N*B*Q*K*B*N*R\n"
        "*P*P*P*P*P*P*P*P\n"
        " . . . . . . . .\n"
        " . . . . . . . .\n"
        " . . . . . . . .\n"
        " . . . . . . . .\n"
        " P P P P P P P P\n"
        " R N B Q K B N R\n";
    EXPECT_EQ(out, afterMoves);
}

TEST(Console, LoadFenRefusalKeepsThePosition) {
    const EngineRun run = RunEngine("loadfen 8/8/8/8/8/8/8/8 w - -\nloadfen\nload\nloadfen \nmvd\n");
    const std::string out = AfterStartup(run.output);
    EXPECT_EQ(out.rfind("Illegal position", 0), 0u) << out;
    EXPECT_NE(out.find("\nIllegal position"), std::string::npos) << "loadfen with an empty text";
    EXPECT_NE(out.find("castling flags = 15\n"), std::string::npos) << out;
}

TEST(Console, SideSwitchStartsTheRecordAnewAndRefusesAnIllegalFlip) {
    const EngineRun run = RunEngine(
        "force\ne2e4\nwhite\nundo\nbrd\n"
        "loadfen 4k3/8/8/8/8/8/4r3/4K3 w - -\nblack\nmvd\nwhite\n");
    const std::string out = AfterStartup(run.output);
    // After "white" the record starts again, so "undo" takes nothing back.
    EXPECT_NE(out.find(" . . . . P . . .\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Illegal position"), std::string::npos) << out;
    EXPECT_EQ(out.find("Illegal position"), out.rfind("Illegal position")) << out;
}

// A FEN with an en-passant right plays the double step on the board; no
// take-back reaches behind it, where the black king would stand in check
// with white to move.
const char* const DoubleStepFen = "k7/8/8/8/4P3/8/8/4K2B b - e3 0 1";
const char* const DoubleStepBoard =
    "*K . . . . . . .\n"
    " . . . . . . . .\n"
    " . . . . . . . .\n"
    " . . . . . . . .\n"
    " . . . . P . . .\n"
    " . . . . . . . .\n"
    " . . . . . . . .\n"
    " . . . . K . . B\n";

// The rows of the boards printed from line index from on.
std::string BoardRows(const EnginePipe& engine, int from) {
    std::string rows;
    for (int i = from; i < int(engine.lines.size()); i++) {
        const std::string& line = engine.lines[i];
        if (line.size() == 16 && (line[0] == ' ' || line[0] == '*')) rows += line + "\n";
    }
    return rows;
}

TEST(Console, TakeBacksStopAtTheSetUpPosition) {
    const EngineRun run = RunEngine(std::string("loadfen ") + DoubleStepFen +
                                    "\nundo\nremove\nmoves\nbrd\n"
                                    "force\na8b8\nremove\nundo\nbrd\n");
    const std::string out = AfterStartup(run.output);
    EXPECT_EQ(out,
              "-------------- Legal moves: ----------------\n\n"
              "Ka8a7 (0); Ka8b7 (0); Ka8b8 (0); \n" +
                  std::string(DoubleStepBoard) + DoubleStepBoard);
    EXPECT_EQ(run.exitCode, 0);
}

TEST(Console, AnalysisUndoStopsAtTheSetUpPosition) {
    EnginePipe engine;
    engine.Send(std::string("loadfen ") + DoubleStepFen);
    engine.Send("analyze");
    engine.Drain(300);
    // During the search, and once more after it.
    engine.Send("undo");
    engine.Drain(300);
    engine.Send("undo");
    engine.Drain(300);
    engine.Send(".");
    ASSERT_TRUE(engine.WaitFor("stat01: ", 10000)) << engine.Transcript();
    engine.Send("exit");
    engine.Send("brd");
    engine.Send("quit");
    ASSERT_EQ(engine.WaitExit(10000), 0) << engine.Transcript();
    EXPECT_EQ(BoardRows(engine, 0), DoubleStepBoard) << engine.Transcript();
}

// Outside UCI a line the search has no use for ends it and runs right after
// it: here the engine plays its move first, then prints the board.
TEST(Console, ALineDuringASearchEndsItAndRunsAfterIt) {
    EnginePipe engine;
    engine.Send("force");
    // Untimed and without a depth limit: only input ends this search.
    engine.Send("go");
    engine.Drain(500);
    ASSERT_EQ(engine.Count("move "), 0) << engine.Transcript();
    engine.Send("brd");
    ASSERT_TRUE(engine.WaitFor("move ", 10000)) << engine.Transcript();
    engine.Send("isready");
    ASSERT_TRUE(engine.WaitFor("readyok", 10000)) << engine.Transcript();
    const std::string board = BoardRows(engine, engine.Find("move "));
    EXPECT_EQ(board.size(), 8u * 17u) << engine.Transcript();
    EXPECT_EQ(BoardRows(engine, 0), board) << "no board before the move";
    EXPECT_EQ(board.find(" P P P P P P P P\n R N B Q K B N R\n"), std::string::npos) << board;
    engine.Send("quit");
    EXPECT_EQ(engine.WaitExit(10000), 0);
}

// The lines the README's quick start tells a person to type after starting
// the engine, from its first "```text" block; empty when there is none.
std::vector<std::string> QuickStartWords() {
    std::ifstream file(std::string(KORVALENT_SOURCE_DIR) + "/README.md");
    std::vector<std::string> words;
    bool inQuickStart = false, inBlock = false;
    for (std::string line; std::getline(file, line);) {
        if (line.rfind("## ", 0) == 0) {
            if (inQuickStart) break;
            inQuickStart = line.find("Quick start") != std::string::npos;
        } else if (inQuickStart && line.rfind("```", 0) == 0) {
            if (inBlock) break;
            inBlock = line == "```text";
        } else if (inBlock && !line.empty()) {
            words.push_back(line);
        }
    }
    return words;
}

// Typed as the README gives them, the quick start's words lead to a game
// that moves: the engine answers a move out of its book (here there is no
// book) by itself, and the next one too.
TEST(Console, QuickStartWordsLeadToAGameThatMoves) {
    const std::vector<std::string> words = QuickStartWords();
    ASSERT_FALSE(words.empty()) << "no typed words in the README's quick start";
    EnginePipe engine;
    for (const std::string& word : words) engine.Send(word);
    constexpr int SearchMs = 60000;  // far beyond any limit the README may give
    ASSERT_TRUE(engine.WaitFor("move ", SearchMs)) << engine.Transcript();
    // White's h2h3 is legal after any first move of each side.
    engine.Send("h2h3");
    EXPECT_TRUE(engine.WaitFor("move ", SearchMs)) << engine.Transcript();
    engine.Send("quit");
    EXPECT_EQ(engine.WaitExit(10000), 0);
}

// "moves" shows the table's line of the position it lists, walked from
// that position, also when the last search started from another one: here
// the position before the engine's move.
TEST(Console, MovesShowTheTableLineOfThePositionListed) {
    EnginePipe engine;
    engine.Send("easy");
    engine.Send("post");
    engine.Send("sd 6");
    engine.Send("go");
    std::string move;
    ASSERT_TRUE(engine.WaitFor("move ", 60000, &move)) << engine.Transcript();
    engine.Send("moves");
    ASSERT_TRUE(engine.WaitFor("-------------- Legal moves:", 10000)) << engine.Transcript();
    std::string line;
    ASSERT_TRUE(engine.WaitFor("1 ", 10000, &line)) << engine.Transcript();
    std::smatch found;
    ASSERT_TRUE(std::regex_match(line, found, std::regex(R"(1 -?\d+ \d+ \d+((?: \w+)+))")))
        << line;
    std::vector<std::string> played = {move.substr(5)};
    const std::string pv = found[1];
    std::istringstream words(pv);
    for (std::string word; words >> word;) played.push_back(word);
    EXPECT_GE(played.size(), 3u) << line;
    EXPECT_EQ(FirstIllegalMove("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", played),
              "")
        << move << " then" << pv;
    engine.Send("quit");
    EXPECT_EQ(engine.WaitExit(10000), 0);
}

TEST(Console, EditInOneBurstSetsThePosition) {
    const EngineRun run = RunEngine("edit\n#\nKe1\nc\nke8\nPa7\n.\nbrd\nisready\n");
    const std::string out = AfterStartup(run.output);
    EXPECT_EQ(out,
              " . . . .*K . . .\n"
              "*P . . . . . . .\n"
              " . . . . . . . .\n"
              " . . . . . . . .\n"
              " . . . . . . . .\n"
              " . . . . . . . .\n"
              " . . . . . . . .\n"
              " . . . . K . . .\n"
              "readyok\n");
}

}  // namespace

namespace {

TEST(Console, ValuesFileIsWrittenAndLoadedNextTime) {
    const std::string dir = MakeScratchDir();
    const EngineRun first = RunEngine("writevalues\nquit\n", 20, dir);
    EXPECT_NE(first.output.find("Error loading values.txt\n"), std::string::npos) << first.output;
    std::ifstream written(dir + "/values.txt");
    i32 lines = 0;
    for (std::string line; std::getline(written, line);) lines++;
    EXPECT_EQ(lines, 3280);
    const EngineRun second = RunEngine("reload\nquit\n", 20, dir);
    EXPECT_EQ(second.output.find("Error loading values.txt"), std::string::npos) << second.output;
    EXPECT_EQ(second.exitCode, 0);
}

// "w" writes the values and then, the tests going on, sets white to move.
TEST(Console, WriteValuesLetsLaterWordsMatch) {
    const std::string dir = MakeScratchDir();
    const EngineRun run = RunEngine("loadfen 4k3/8/8/8/8/8/8/4K3 b - -\nw\nmvd\n", 20, dir);
    EXPECT_TRUE(std::ifstream(dir + "/values.txt").good());
}

}  // namespace

namespace {

TEST(Console, EvaluationDumpOfTheStartPosition) {
    const EngineRun run = RunEngine("evl\nloadfen r3k3/8/8/8/8/8/4P3/R3K3 w - -\nevl\n");
    const std::string out = AfterStartup(run.output);
    EXPECT_EQ(out.rfind("Heuristic = 9\nPassedVector[BLACK] = 00000000 PassedVector[WHITE] = 00000000\n", 0), 0u)
        << out;
    for (const char* start : {"current_phase = ", "optimism[BLACK] = ", "Material[WHITE] = ",
                              "ENDING(WHITE) = ", "black_defects_k = ", "eval_info->shelter_penalty[BLACK] = ",
                              "eval_info->danger[BLACK] = ", "Attacks[ChangeSide(board->SideToMove)] = ",
                              "Attacks[board->SideToMove] = ", "Shelter[BLACK] = ", "Dng = "}) {
        const size_t first = out.find(std::string("\n") + start);
        EXPECT_NE(first, std::string::npos) << start;
        EXPECT_NE(out.find(std::string("\n") + start, first + 1), std::string::npos) << start << " twice";
    }
    EXPECT_NE(out.find("PassedVector[WHITE] = 00001000\n"), std::string::npos) << out;
}

}  // namespace
