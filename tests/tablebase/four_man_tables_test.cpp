// Pawnless four-man tables solved by the tests' own retrograde solver, checked
// against the known longest mates, written in index order and probed by the
// engine through "go". Solving takes seconds in the optimised build and far
// longer under the sanitizers, where these tests skip.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "four_man_solver.h"
#include "support/engine_process.h"
#include "support/placement_field.h"
#include "support/sanitizer_build.h"
#include "table_file_fixtures.h"

namespace {

struct Longest {
    const char* name;
    i32 moves;        // the longest win, White to move
    char men[2];      // FEN letters of the two men besides the kings
};
const Longest LongestMates[] = {{"kbbk", 19, {'B', 'B'}}, {"kbnk", 33, {'B', 'N'}}, {"kqkr", 35, {'Q', 'r'}}};

// The first position with White to move and a win in `moves`, or count when none.
u32 WinIn(const retro::Solved& solved, i32 moves, i32* longest) {
    u32 found = u32(solved.value.size());
    *longest = 0;
    for (u32 n = 0; n < solved.value.size(); n += 2) {
        const i8 v = solved.value[n];
        if (v <= 0 || v == retro::NoValue) continue;
        *longest = std::max(*longest, 127 - v);
        if (127 - v == moves && found == solved.value.size()) found = n;
    }
    return found;
}

std::string FourManFen(const retro::FourMan& p, const char men[2]) {
    char squares[64] = {};
    squares[p.sq[0]] = men[0];
    squares[p.sq[1]] = men[1];
    squares[p.sq[2]] = 'K';
    squares[p.sq[3]] = 'k';
    return PlacementField(squares) + (p.stm == WHITE ? " w - - 0 1" : " b - - 0 1");
}

// The solver's longest wins are the known ones, every position lands below
// the stored size, and positions sharing a slot share their value; then the
// engine, given all tables, prints the longest mate as "score mate N".
TEST(FourManTables, LongestMatesThroughTheEngine) {
    if (SanitizerBuild()) GTEST_SKIP() << "solving four-man tables is too slow under the sanitizers";
    const std::string dir = MakeScratchDir();
    const std::string tables = dir + "/tablebases";
    mkdir(tables.c_str(), 0755);
    for (const auto& [name, solved] : retro::ThreeManTables()) {
        (void)solved;
        for (i32 side = 0; side < 2; ++side) {
            std::vector<u8> bytes;
            ASSERT_TRUE(retro::TableFileBytes(TablebaseRegistry[TableId(name.c_str())], side, bytes));
            WriteWholeFile(tables + "/" + name + (side ? ".nbb" : ".nbw"), bytes);
        }
    }
    std::string input = "uci\n";
    for (const Longest& c : LongestMates) {
        i32 longest = 0;
        const u32 n = WinIn(retro::FourManTable(c.name), c.moves, &longest);
        EXPECT_EQ(longest, c.moves) << c.name;
        ASSERT_LT(n, retro::FourManTable(c.name).value.size()) << c.name;
        for (i32 side = 0; side < 2; ++side) {
            std::vector<u8> bytes;
            ASSERT_TRUE(retro::FourManFileBytes(TablebaseRegistry[TableId(c.name)], side, bytes)) << c.name << side;
            WriteWholeFile(tables + "/" + c.name + (side ? ".nbb" : ".nbw"), bytes);
        }
        input += "position fen " + FourManFen(retro::FourManOfNumber(n), c.men) + "\ngo depth 3\n";
    }
    input += "quit\n";
    const EngineRun run = RunEngine(input, 120, dir);
    size_t at = 0;
    for (const Longest& c : LongestMates) {
        const std::string mate = "score mate " + std::to_string(c.moves) + " ";
        const size_t found = run.output.find(mate, at);
        EXPECT_NE(found, std::string::npos) << c.name << " " << mate << "\n" << run.output;
        if (found != std::string::npos) at = found;
    }
}

}  // namespace
