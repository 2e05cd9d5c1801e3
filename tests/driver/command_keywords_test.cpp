// Which command each line runs: every keyword is tried on every line with
// a prefix test in either direction, so the order of the keywords decides.
// The lines below are the ones UCI and xboard interfaces really send.
#include "driver/command_loop.h"

#include <gtest/gtest.h>

#include <iterator>

#include "board/init_tables.h"

namespace {

struct KeywordCase {
    const char* line;
    const char* runs;  // the keywords of the commands it runs, "" for none
};

const KeywordCase UciLines[] = {
    {"uci", "uci"},
    {"ucinewgame", "ucinewgame"},
    {"isready", "isready"},
    {"setoption name Hash value 32", "setoption"},
    {"setoption name Clear Hash", "setoption"},
    {"position startpos", "position"},
    {"position startpos moves e2e4 e7e5", "position"},
    {"position fen rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1", "position"},
    {"go", "go"},
    {"go infinite", "go"},
    {"go ponder wtime 60000 btime 60000", "go"},
    {"go depth 6", "go"},
    // Idle "stop" is "st" without its number: nothing happens.
    {"stop", "st"},
    {"ponderhit", "ponderhit"},
    {"debug on", "debug"},
    {"register later", ""},
    {"quit", "q"},
};

const KeywordCase XboardLines[] = {
    {"xboard", "xboard"},
    {"protover 2", "protover"},
    {"protover", "protover"},
    {"protover two", "protover"},
    {"accepted setboard", ""},
    {"new", "new"},
    {"variant normal", ""},
    {"random", ""},
    {"force", "force"},
    {"go", "go"},
    {"playother", ""},
    {"white", "white"},
    {"black", "black"},
    {"level 40 5 0", "level"},
    {"level 0 2:30 5", "level"},
    {"st 10", "st"},
    {"sd 8", "sd"},
    {"time 30000", "time"},
    {"otim 29000", "otim"},
    {"e2e4", "move"},
    {"e7e8q", "move"},
    {"?", ""},
    {"ping 7", ""},
    {"draw", ""},
    {"result 1-0 {White mates}", ""},
    {"edit", "edit"},
    {"hint", ""},
    {"bk", "bkm"},
    {"undo", "undo"},
    {"remove", "remove"},
    {"hard", "hard"},
    {"easy", "easy"},
    {"post", "post"},
    {"nopost", "nopost"},
    {"analyze", "analyze"},
    {"exit", ""},
    {".", ""},
    {"name Opponent", ""},
    {"rating 2100 2000", ""},
    {"computer", ""},
    {"ics -", ""},
    {"pause", ""},
    {"resume", ""},
    {"memory 64", ""},
    {"cores 1", ""},
    {"egtpath nalimov /tb", ""},
    {"quit", "q"},
};

const KeywordCase ConsoleLines[] = {
    {"help", "help"},
    {"reset", "reset"},
    {"moves", "moves"},
    {"loadfen 8/8/8/8/8/8/8/K6k w - -", "loadfen"},
    {"perft 4", "perft"},
    {"brd", "brd"},
    {"evl", "evl"},
    {"mvd", "mvd"},
    {"demo", "demo"},
    {"bkm", "bkm"},
    {"egtbstat", "egtbstat"},
    {"fritz", "fritz"},
    {"clean", "clean"},
    {"reload", "reload"},
    {"c1 2", "c1"},
    {"m3 500", "m3"},
    // Words that go on to the next test.
    {"writevalues", "writevalues"},
};

void Check(const KeywordCase* cases, size_t count) {
    // The keyword test folds case through a start-up table.
    InitEngineTables();
    for (size_t i = 0; i < count; i++)
        EXPECT_EQ(CommandsRunBy(cases[i].line), cases[i].runs) << cases[i].line;
}

TEST(CommandKeywords, UciLinesReachTheirCommands) {
    Check(UciLines, std::size(UciLines));
}

TEST(CommandKeywords, XboardLinesReachTheirCommands) {
    Check(XboardLines, std::size(XboardLines));
}

TEST(CommandKeywords, ConsoleLinesReachTheirCommands) {
    Check(ConsoleLines, std::size(ConsoleLines));
}

}  // namespace
