// Three-man tables solved by the tests' own retrograde solver, checked
// against known results, written in index order and probed by the engine.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <tuple>
#include <vector>

#include "board/board.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "eval/bitbases.h"
#include "retrograde_solver.h"
#include "support/engine_pipe.h"
#include "support/engine_process.h"
#include "support/placement_field.h"
#include "table_file_fixtures.h"
#include "tablebase/block_cache.h"
#include "tablebase/table_files.h"
#include "tablebase/tablebase.h"

namespace {

const char* const ThreeManNames[] = {"kpk", "knk", "kbk", "krk", "kqk"};

// Longest win of the side with the man, White to move, in moves.
i32 LongestWin(const std::string& name) {
    const retro::Solved& solved = retro::ThreeManTables().at(name);
    i32 longest = 0;
    for (u32 n = 0; n < solved.value.size(); n += 2)
        if (solved.value[n] > 0 && solved.value[n] != retro::NoValue) longest = std::max(longest, 127 - solved.value[n]);
    return longest;
}

TEST(SolvedTables, KnownLongestMates) {
    EXPECT_EQ(LongestWin("kqk"), 10);
    EXPECT_EQ(LongestWin("krk"), 16);
    EXPECT_EQ(LongestWin("kbk"), 0);
    EXPECT_EQ(LongestWin("knk"), 0);
}

// The pawn ending agrees with the engine's own king-and-pawn bitbase: a
// win for the pawn side exactly where its bit is set.
TEST(SolvedTables, KpkAgreesWithThePawnBitbase) {
    const retro::Solved& kpk = retro::ThreeManTables().at("kpk");
    i32 checked = 0;
    for (i32 bk = 0; bk < 64; ++bk)
        for (i32 wk = 0; wk < 64; ++wk)
            for (i32 pawn = 8; pawn < 56; ++pawn)
                for (i32 stm = 0; stm < 2; ++stm) {
                    if (!retro::Legal(PAWN, stm, pawn, wk, bk)) continue;
                    const i8 v = kpk.value[retro::PositionNumber(stm, pawn, wk, bk)];
                    const bool pawnSideWins = stm == WHITE ? v > 0 : v < 0;
                    const i32 bit = stm + 2 * (pawn + 64 * (wk + 64 * bk));
                    ASSERT_EQ(pawnSideWins, bool(PawnWinBitbase[bit >> 3] >> (bit & 7) & 1))
                        << pawn << " " << wk << " " << bk << " " << stm;
                    checked += 1;
                }
    EXPECT_GT(checked, 300000);
}

// Every legal position reaches a slot below the stored size, and positions
// sharing a slot share their value.
TEST(SolvedTables, FilesInIndexOrder) {
    for (const char* name : ThreeManNames) {
        for (i32 side = 0; side < 2; ++side) {
            std::vector<u8> bytes;
            EXPECT_TRUE(retro::TableFileBytes(TablebaseRegistry[TableId(name)], side, bytes)) << name << side;
        }
    }
}

// A FEN of the three men: `man` on manSq, 'K' on wk, 'k' on bk.
std::string ThreeManFen(char man, i32 manSq, i32 wk, i32 bk, i32 stm) {
    char squares[64] = {};
    squares[bk] = 'k';
    squares[wk] = 'K';
    squares[manSq] = man;
    return PlacementField(squares) + (stm == WHITE ? " w - - 0 1" : " b - - 0 1");
}

void WriteThreeManTables(const std::string& dir) {
    for (const char* name : ThreeManNames)
        for (i32 side = 0; side < 2; ++side) {
            std::vector<u8> bytes;
            ASSERT_TRUE(retro::TableFileBytes(TablebaseRegistry[TableId(name)], side, bytes));
            WriteWholeFile(dir + "/" + name + (side ? ".nbb" : ".nbw"), bytes);
        }
}

// The probe over the written kpk files against the pawn bitbase, with the
// pawn of either colour (the board turned round) and either side to move.
TEST(SolvedTables, ProbeAgreesWithThePawnBitbase) {
    InitEngineTables();
    const std::string dir = MakeScratchDir();
    WriteThreeManTables(dir);
    ASSERT_EQ(InitTablebases(dir.c_str()), 3);
    AllocTableCache();
    i32 checked = 0;
    for (i32 bk = 0; bk < 64; bk += 3)
        for (i32 wk = 0; wk < 64; ++wk)
            for (i32 pawn = 8; pawn < 56; ++pawn)
                for (i32 stm = 0; stm < 2; ++stm)
                    for (i32 turned = 0; turned < 2; ++turned) {
                        if (!retro::Legal(PAWN, stm, pawn, wk, bk)) continue;
                        const std::string fen = turned ? ThreeManFen('p', pawn ^ 56, bk ^ 56, wk ^ 56, 1 - stm)
                                                       : ThreeManFen('P', pawn, wk, bk, stm);
                        ASSERT_TRUE(ParseFen(fen.c_str())) << fen;
                        i32 score = 0;
                        ASSERT_EQ(ProbeTablebase(1 - board.SideToMove, &score), 1) << fen;
                        const i32 bit = stm + 2 * (pawn + 64 * (wk + 64 * bk));
                        const bool pawnSideWins = (stm == WHITE) ? score > 0 : score < 0;
                        ASSERT_EQ(pawnSideWins, bool(PawnWinBitbase[bit >> 3] >> (bit & 7) & 1)) << fen;
                        checked += 1;
                    }
    EXPECT_GT(checked, 40000);
    InitTablebases(nullptr);
    FreeTableCache();
}

// Through the engine: start-up finds the tables, and "go" prints the
// solver's distance as "score mate N".
TEST(SolvedTables, EngineScoresMatesFromTheFiles) {
    const std::string dir = MakeScratchDir();
    const std::string tables = dir + "/tablebases";
    mkdir(tables.c_str(), 0755);
    WriteThreeManTables(tables);
    // The longest mates of kqk and krk and a short one, White to move.
    struct Case {
        const char* table;
        char man;
        i32 moves;
    };
    const Case cases[] = {{"kqk", 'Q', 10}, {"krk", 'R', 16}, {"kqk", 'Q', 3}, {"krk", 'R', 5}};
    std::string input = "uci\n";
    std::vector<i32> expected;
    for (const Case& c : cases) {
        const retro::Solved& solved = retro::ThreeManTables().at(c.table);
        for (u32 n = 0; n < solved.value.size(); n += 2) {
            if (solved.value[n] != 127 - c.moves) continue;
            const i32 man = i32(n / 2 % 64), wk = i32(n / 128 % 64), bk = i32(n / 8192);
            input += "position fen " + ThreeManFen(c.man, man, wk, bk, WHITE) + "\ngo depth 3\n";
            expected.push_back(c.moves);
            break;
        }
    }
    input += "quit\n";
    const EngineRun run = RunEngine(input, 60, dir);
    EXPECT_NE(run.output.find("3 piece EGTB files found\n"), std::string::npos) << run.output;
    size_t at = 0;
    for (i32 moves : expected) {
        const std::string mate = "score mate " + std::to_string(moves) + " ";
        const size_t found = run.output.find(mate, at);
        EXPECT_NE(found, std::string::npos) << mate << "\n" << run.output;
        if (found != std::string::npos) at = found;
    }
}


// A lone king with a single legal step that keeps it lost, as long a loss as
// the tables hold: with the tables on the path the engine plays the step at
// once and reports the tables' distance to mate, whatever the depth limit.
TEST(SolvedTables, ForcedMoveIsScoredFromTheFiles) {
    struct Found {
        std::string fen;
        i32 matedIn = 0;  // moves
    };
    std::vector<Found> positions;
    for (const auto& [table, type, letter] :
         {std::tuple{"kqk", QUEEN, 'Q'}, std::tuple{"krk", ROOK, 'R'}}) {
        const retro::Solved& solved = retro::ThreeManTables().at(table);
        Found longest;
        for (u32 n = 1; n < solved.value.size(); n += 2) {
            const i8 value = solved.value[n];
            if (value == retro::NoValue || value >= 0) continue;
            const i32 man = i32(n / 2 % 64), wk = i32(n / 128 % 64), bk = i32(n / 8192);
            const std::vector<retro::Child> steps = retro::Children(type, BLACK, man, wk, bk, {});
            if (steps.size() != 1 || (steps[0] & retro::KnownChild)) continue;
            const i32 moves = retro::PlyOfValue(value) / 2;
            if (moves > longest.matedIn) longest = {ThreeManFen(letter, man, wk, bk, BLACK), moves};
        }
        ASSERT_GT(longest.matedIn, 1) << table;
        positions.push_back(longest);
    }
    const std::string dir = MakeScratchDir();
    const std::string tables = dir + "/tablebases";
    mkdir(tables.c_str(), 0755);
    WriteThreeManTables(tables);
    EnginePipe engine(dir);
    engine.Send("uci");
    ASSERT_TRUE(engine.WaitFor("uciok", 20000)) << engine.Transcript();
    for (const Found& found : positions) {
        for (const char* go : {"go depth 1", "go depth 30"}) {
            SCOPED_TRACE(found.fen + " " + go);
            engine.Send("setoption name Clear Hash");
            engine.Send("position fen " + found.fen);
            const int start = int(engine.lines.size());
            engine.Send(go);
            ASSERT_TRUE(engine.WaitFor("bestmove", 10000)) << engine.Transcript();
            std::string last;
            for (int i = start; i < int(engine.lines.size()); i++)
                if (engine.lines[i].rfind("info depth", 0) == 0) last = engine.lines[i];
            EXPECT_NE(last.find(" score mate -" + std::to_string(found.matedIn) + " "), std::string::npos)
                << last;
            EXPECT_EQ(last.find(" nodes 0 "), std::string::npos) << last;
        }
    }
    engine.Send("quit");
    EXPECT_EQ(engine.WaitExit(10000), 0);
}

// Known drawn king-and-pawn positions, the pawn of either colour: the
// solver holds them drawn, and "go" with the tables on the path scores the
// draw value, whatever the search would make of the extra pawn.
TEST(SolvedTables, EngineScoresDrawnPawnEndingsAsDraws) {
    struct Case {
        const char* fen;
        i32 pawn, whiteKing, blackKing, stm;  // as White's pawn, for the solver
    };
    const Case cases[] = {
        // The defending king in front of the pawn, the attacker behind it.
        {"8/8/8/8/8/4k3/4P3/4K3 w - - 0 1", 12, 4, 20, WHITE},
        // The defending king far ahead of the pawn, and the same turned round.
        {"8/8/8/4k3/8/8/4P3/4K3 w - - 0 1", 12, 4, 36, WHITE},
        {"4k3/4p3/8/8/4K3/8/8/8 b - - 0 1", 12, 4, 36, WHITE},
        // Black's king behind its pawn on the sixth rank (turned round), Black to move.
        {"8/8/8/8/4k3/4p3/8/4K3 b - - 0 1", 44, 36, 60, WHITE},
        // A rook's pawn with the defending king in the corner.
        {"k7/8/8/8/8/8/P7/K7 w - - 0 1", 8, 0, 56, WHITE},
        {"k7/8/8/8/8/8/P7/K7 b - - 0 1", 8, 0, 56, BLACK},
    };
    const retro::Solved& kpk = retro::ThreeManTables().at("kpk");
    const std::string dir = MakeScratchDir();
    const std::string tables = dir + "/tablebases";
    mkdir(tables.c_str(), 0755);
    WriteThreeManTables(tables);
    EnginePipe engine(dir);
    engine.Send("uci");
    ASSERT_TRUE(engine.WaitFor("uciok", 20000)) << engine.Transcript();
    for (const Case& c : cases) {
        ASSERT_TRUE(retro::Legal(PAWN, c.stm, c.pawn, c.whiteKing, c.blackKing)) << c.fen;
        EXPECT_EQ(kpk.value[retro::PositionNumber(c.stm, c.pawn, c.whiteKing, c.blackKing)], 0) << c.fen;
        engine.Send(std::string("position fen ") + c.fen);
        engine.Send("go depth 6");
        ASSERT_TRUE(engine.WaitFor("bestmove", 60000)) << engine.Transcript();
        // The last search line before the move carries the final score.
        std::string last;
        for (const std::string& line : engine.lines)
            if (line.rfind("info depth", 0) == 0) last = line;
        EXPECT_NE(last.find(" score cp 0 "), std::string::npos) << c.fen << "\n" << engine.Transcript();
    }
    engine.Send("quit");
    EXPECT_EQ(engine.WaitExit(10000), 0);
}

}  // namespace
