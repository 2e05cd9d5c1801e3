// Damaged table files through the real executable, as a user meets them: a
// file that cannot serve is skipped with one line naming it, and the engine
// goes on with the other tables, at start-up and after "setoption name
// NalimovPath"; a compressed file that fails a read during play says so once
// and gives no more values; FIFOs named like the engine's files are never
// waited on.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "compressed_encoder.h"
#include "retrograde_solver.h"
#include "support/engine_pipe.h"
#include "support/engine_process.h"
#include "support/placement_field.h"
#include "table_file_fixtures.h"

namespace {

constexpr int ReplyMs = 20000;

std::vector<u8> SolvedSide(const char* name, i32 side) {
    std::vector<u8> bytes;
    EXPECT_TRUE(retro::TableFileBytes(TablebaseRegistry[TableId(name)], side, bytes)) << name;
    return bytes;
}

// A position of the table whose side with the man mates in `moves`, White
// to move.
std::string MateInFen(const char* table, i32 moves) {
    const retro::Solved& solved = retro::ThreeManTables().at(table);
    for (u32 n = 0; n < solved.value.size(); n += 2) {
        if (solved.value[n] != 127 - moves) continue;
        char squares[64] = {};
        squares[n / 8192] = 'k';
        squares[n / 128 % 64] = 'K';
        squares[n / 2 % 64] = char(std::toupper(table[1]));
        return PlacementField(squares) + " w - - 0 1";
    }
    ADD_FAILURE() << "no mate in " << moves << " in " << table;
    return "";
}

std::string MakeDir(const std::string& path) {
    mkdir(path.c_str(), 0755);
    return path;
}

struct UciSession : EnginePipe {
    explicit UciSession(const std::string& dir) : EnginePipe(dir) {
        Send("uci");
        EXPECT_TRUE(WaitFor("uciok", ReplyMs)) << Transcript();
    }
    void Sync() {
        Send("isready");
        EXPECT_TRUE(WaitFor("readyok", ReplyMs)) << Transcript();
    }
    // The scores of the search of fen to depth, as "mate N" or "cp N".
    std::vector<std::string> Scores(const std::string& fen, int depth) {
        Sync();
        const size_t from = lines.size();
        Send("position fen " + fen);
        Send("go depth " + std::to_string(depth));
        EXPECT_TRUE(WaitFor("bestmove", 60000)) << Transcript();
        static const std::regex score(" score (mate -?\\d+|cp -?\\d+)");
        std::vector<std::string> scores;
        std::smatch match;
        for (size_t i = from; i < lines.size(); i++)
            if (std::regex_search(lines[i], match, score)) scores.push_back(match[1]);
        return scores;
    }
    // The lines printed since line `from`, one text.
    std::string LinesFrom(size_t from) const {
        std::string text;
        for (size_t i = from; i < lines.size(); i++) text += lines[i] + "\n";
        return text;
    }
};

TEST(DamagedTableFiles, SkippedWithOneLineEachAtStartUpAndAfterNalimovPath) {
    const std::string dir = MakeScratchDir();
    const std::string tb = MakeDir(dir + "/tb");
    // Good files: one side of each three-man table.
    for (const char* file : {"kpk.nbw", "knk.nbw", "kbk.nbb", "krk.nbw", "kqk.nbb"}) {
        const std::string name = file;
        WriteWholeFile(tb + "/" + name, SolvedSide(name.substr(0, 3).c_str(), name.back() == 'b'));
    }
    // Damaged ones for the other sides: an empty compressed file, one cut
    // short, one with a damaged header, a plain file of 0 bytes and one of
    // 100.
    WriteWholeFile(tb + "/kpk.nbb.emd", {});
    const std::vector<u8> knk = test_encoder::EncodeTable(SolvedSide("knk", 1)).file;
    const size_t headerSize = test_encoder::GetBigEndian32(&knk[64]);
    ASSERT_LT(headerSize, knk.size());
    const size_t cut = (headerSize + knk.size()) / 2;
    WriteWholeFile(tb + "/knk.nbb.emd", std::vector<u8>(knk.begin(), knk.begin() + cut));
    std::vector<u8> kbk = test_encoder::EncodeTable(SolvedSide("kbk", 0)).file;
    kbk[100] ^= 0x20;
    WriteWholeFile(tb + "/kbk.nbw.emd", kbk);
    WriteWholeFile(tb + "/krk.nbb", {});
    WriteWholeFile(tb + "/kqk.nbw", std::vector<u8>(100, 0));
    std::ofstream(dir + "/Korvalent.ini") << "EGTBPath = tb\n";
    const std::string skipped =
        "Tablebase file tb/kpk.nbb.emd skipped: read error\n"
        "Tablebase file tb/knk.nbb.emd skipped: cut short (" + std::to_string(cut) +
        " bytes, its blocks end at " + std::to_string(knk.size()) + ")\n"
        "Tablebase file tb/kbk.nbw.emd skipped: header damaged\n"
        "Tablebase file tb/krk.nbb skipped: wrong length (holds 0 positions, should hold 28644)\n"
        "Tablebase file tb/kqk.nbw skipped: wrong length (holds 100 positions, should hold 25629)\n";
    // White mates in ten: the positions after White's moves are in kqk.nbb.
    const std::string mateInTen = MateInFen("kqk", 10);

    UciSession engine(dir);
    const std::string startUp = engine.LinesFrom(0);
    EXPECT_NE(startUp.find(skipped + "3 piece EGTB files found\n"), std::string::npos) << startUp;
    EXPECT_EQ(engine.Scores(mateInTen, 3).back(), "mate 10") << engine.Transcript();

    // The same scan again, from the GUI.
    engine.Sync();
    const size_t from = engine.lines.size();
    engine.Send("setoption name NalimovPath value tb");
    engine.Sync();
    EXPECT_EQ(engine.LinesFrom(from), skipped + "readyok\n");
    EXPECT_EQ(engine.Scores(mateInTen, 3).back(), "mate 10") << engine.Transcript();
    engine.Send("quit");
    EXPECT_EQ(engine.WaitExit(ReplyMs), 0);
    EXPECT_EQ(engine.Transcript().find("*** "), std::string::npos) << engine.Transcript();
}

// A compressed file that loses its blocks after start-up (a copy still
// under way, a disk that fails): the first probe that cannot read it says
// so once, and from then on the search scores without it, never with a
// wrong mate.
TEST(DamagedTableFiles, CompressedFileCutShortDuringPlayIsReportedOnce) {
    const std::string dir = MakeScratchDir();
    const std::string tb = MakeDir(dir + "/tablebases");
    // Black to move only: every value the search gets comes from this file.
    const std::vector<u8> krk = test_encoder::EncodeTable(SolvedSide("krk", 1)).file;
    const std::string path = tb + "/krk.nbb.emd";
    WriteWholeFile(path, krk);

    UciSession engine(dir);
    EXPECT_GE(engine.Find("3 piece EGTB files found"), 0) << engine.Transcript();
    // Only the header is left.
    ASSERT_EQ(truncate(path.c_str(), off_t(test_encoder::GetBigEndian32(&krk[64]))), 0);
    const std::string failure = "Tablebase file tablebases/krk.nbb.emd: block ";
    for (i32 moves : {16, 12, 5}) {
        for (const std::string& score : engine.Scores(MateInFen("krk", moves), 5)) {
            if (score.rfind("mate", 0) == 0) {
                EXPECT_EQ(score, "mate " + std::to_string(moves)) << engine.Transcript();
            }
        }
    }
    EXPECT_EQ(engine.Count(failure), 1) << engine.Transcript();
    const std::string line = engine.lines[size_t(engine.Find(failure))];
    EXPECT_TRUE(std::regex_match(line, std::regex("Tablebase file tablebases/krk\\.nbb\\.emd: block \\d+ "
                                                  "cannot be read; the file is no longer probed")))
        << line;
    engine.Send("quit");
    EXPECT_EQ(engine.WaitExit(ReplyMs), 0);
}

// FIFOs named like a table, the book, the learning file and the parameter
// file: a FIFO without a writer would block its open, and one with nobody
// writing would block every read. Each is named as skipped and the engine
// answers at once.
TEST(DamagedTableFiles, FifosNamedLikeTheEnginesFilesAreSkipped) {
    const std::string dir = MakeScratchDir();
    const std::string t = MakeDir(dir + "/t");
    for (const char* name : {"values.txt", "Book.kvb", "Learn.kv1", "t/kqk.nbw"})
        ASSERT_EQ(mkfifo((dir + "/" + name).c_str(), 0644), 0) << name;
    std::ofstream(dir + "/Korvalent.ini") << "EGTBPath = t\nLearning = on\n";
    EnginePipe engine(dir);
    engine.Send("isready");
    ASSERT_TRUE(engine.WaitFor("readyok", ReplyMs)) << engine.Transcript();
    for (const char* line : {"Error loading values.txt (not a regular file)",
                             "Error opening \"Book.kvb\"! (not a regular file)",
                             "Error opening \"Learn.kv1\"! (not a regular file)",
                             "Tablebase file t/kqk.nbw skipped: not a regular file", "No EGTB files found"})
        EXPECT_EQ(engine.Count(line), 1) << line << "\n" << engine.Transcript();
    // Named again by the GUI.
    engine.Send("setoption name NalimovPath value t");
    engine.Send("setoption name OpeningsBook value Book.kvb");
    engine.Send("isready");
    ASSERT_TRUE(engine.WaitFor("readyok", ReplyMs)) << engine.Transcript();
    EXPECT_EQ(engine.Count("Tablebase file t/kqk.nbw skipped: not a regular file"), 2) << engine.Transcript();
    EXPECT_EQ(engine.Count("Error opening \"Book.kvb\"! (not a regular file)"), 2) << engine.Transcript();
    engine.Send("quit");
    EXPECT_EQ(engine.WaitExit(ReplyMs), 0);

    // The settings file itself.
    const std::string other = MakeScratchDir();
    ASSERT_EQ(mkfifo((other + "/Korvalent.ini").c_str(), 0644), 0);
    EnginePipe second(other);
    second.Send("isready");
    ASSERT_TRUE(second.WaitFor("readyok", ReplyMs)) << second.Transcript();
    EXPECT_EQ(second.Count("Korvalent.ini is not a regular file; it is not read"), 1) << second.Transcript();
    second.Send("quit");
    EXPECT_EQ(second.WaitExit(ReplyMs), 0);
}

// A path list longer than any fixed buffer is kept whole: the directory at
// its end is scanned (and the working directory of its many empty pieces
// once).
TEST(DamagedTableFiles, LongPathListIsKeptWhole) {
    const std::string dir = MakeScratchDir();
    const std::string tb = MakeDir(dir + "/tb");
    WriteWholeFile(tb + "/kpk.nbw", SolvedSide("kpk", 0));
    std::string list;
    for (int i = 0; i < 300; i++) list += "missing" + std::to_string(i) + ";";
    list += std::string(1100, ',') + "tb";
    ASSERT_GT(list.size(), 4000u);
    const EngineRun run = RunEngine("setoption name NalimovPath value " + list + "\negtbstat\nquit\n", 60, dir);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.output.find("tb_path = " + list + "\n3 piece EGTB files found\n"), std::string::npos)
        << run.output.substr(0, 2000);
}

}  // namespace
