// The tuning build's parameter sets ("setoption name TuneFile"), through the
// real executable; and the shipped build, which has no such option.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "eval/eval_params.h"
#include "support/engine_pipe.h"
#include "support/scratch_dirs.h"

namespace {

constexpr int ReplyMs = 10000;
constexpr int SearchMs = 60000;

// A middlegame whose depth-8 tree goes through many futility nodes.
const char* const MiddlegameFen =
    "r1bq1rk1/ppp2ppp/2np1n2/2b1p3/2B1P3/2NP1N2/PPP2PPP/R1BQ1RK1 b - - 0 1";
// Rook and pawn against rook, and the same with the colours swapped.
const char* const RookPawnFen = "8/8/4k3/8/2R1P3/8/3r4/4K3 w - - 0 1";
const char* const RookPawnMirroredFen = "4k3/3R4/8/2r1p3/8/4K3/8/8 b - - 0 1";

// A working directory with the shipped parameters and the given files.
std::string EngineDir(std::initializer_list<std::pair<const char*, std::string>> files) {
    const std::string dir = MakeScratchDir();
    std::filesystem::copy_file(std::filesystem::path(KORVALENT_SOURCE_DIR) / "values.txt",
                               std::filesystem::path(dir) / "values.txt");
    for (const auto& [name, text] : files) std::ofstream(dir + "/" + name) << text;
    return dir;
}

struct Engine : EnginePipe {
    explicit Engine(const std::string& dir) : EnginePipe(dir) {
        Send("uci");
        EXPECT_TRUE(WaitFor("uciok", ReplyMs)) << Transcript();
    }
    void Sync() {
        Send("isready");
        EXPECT_TRUE(WaitFor("readyok", ReplyMs)) << Transcript();
    }
    // The answer to a TuneFile setting: the info string line, or "".
    std::string SetTuneFile(const std::string& value) {
        const int from = int(lines.size());
        Send("setoption name TuneFile value " + value);
        Sync();
        const int at = Find("info string TuneFile", from);
        return at < 0 ? "" : lines[at];
    }
    // Nodes of a depth-8 search of the middlegame, from its last info line.
    long long SearchNodes() {
        Send(std::string("position fen ") + MiddlegameFen);
        const int from = int(lines.size());
        Send("go depth 8");
        EXPECT_TRUE(WaitFor("bestmove", SearchMs)) << Transcript();
        long long nodes = -1;
        for (int i = from; i < int(lines.size()); i++) {
            const size_t at = lines[i].find(" nodes ");
            if (lines[i].rfind("info depth", 0) == 0 && at != std::string::npos)
                nodes = std::stoll(lines[i].substr(at + 7));
        }
        return nodes;
    }
    // The material balance "evl" shows for a position (white ahead is
    // negative).
    int MaterialOf(const char* fen) {
        Send(std::string("position fen ") + fen);
        const int from = int(lines.size());
        Send("evl");
        Sync();
        const int at = Find("Material[WHITE]", from);
        const std::string label = "EvaluateMaterial() = ";
        const size_t value = at < 0 ? std::string::npos : lines[at].find(label);
        EXPECT_NE(value, std::string::npos) << Transcript();
        return value == std::string::npos ? 0 : std::stoi(lines[at].substr(value + label.size()));
    }
};

// Only the first search of a process: the next one starts from the
// history the first left.
long long FreshSearchNodes(const std::string& dir, std::initializer_list<const char*> tuneFiles) {
    Engine engine(dir);
    for (const char* file : tuneFiles) engine.SetTuneFile(file);
    const long long nodes = engine.SearchNodes();
    engine.Send("quit");
    EXPECT_EQ(engine.WaitExit(ReplyMs), 0);
    return nodes;
}

}  // namespace

#ifdef KORVALENT_TUNING

// A set changes the search and the material balance, colour-blind; an empty
// value gives the built-in values back; a set that breaks a rule is refused
// whole.
TEST(TuneFile, SetsChangeTheValuesAndBadSetsChangeNothing) {
    const i32 rookPawnVsRook = MaterialCorrectionIndex(0, 1, 0, 0, 1, 0, 1, 0, 0, 0);
    std::string futility;
    for (int units = 0; units < 128; units++)
        futility += "FutilityOwnUnits " + std::to_string(units) + " 4000\nFutilityOppUnits " +
                    std::to_string(units) + " -2000\n";
    const std::string correction =
        "MaterialCorrection " + std::to_string(rookPawnVsRook) + " -77  # rook ending a pawn up\n" +
        "MaterialCorrection " + std::to_string(MirrorMaterialCorrectionIndex(rookPawnVsRook)) +
        " 77\n";
    const std::string dir = EngineDir({
        {"search.txt", futility + "CaptureRatioFullBonus 0 91149\n"},
        {"material.txt", correction},
        {"unpaired.txt", futility + correction.substr(0, correction.find('\n') + 1)},
        {"wide.txt", "CaptureRatioFullBonus 0 91150\n"},
        {"unknown.txt", "FutilityUnits 3 10\n"},
    });

    const long long builtIn = FreshSearchNodes(dir, {});
    ASSERT_GT(builtIn, 0);
    EXPECT_NE(FreshSearchNodes(dir, {"search.txt"}), builtIn);
    EXPECT_EQ(FreshSearchNodes(dir, {"search.txt", "<empty>"}), builtIn);
    EXPECT_EQ(FreshSearchNodes(dir, {"unpaired.txt"}), builtIn);

    Engine engine(dir);
    EXPECT_GE(engine.Find("option name TuneFile type string default <empty>"), 0);
    const int material = engine.MaterialOf(RookPawnFen);
    EXPECT_EQ(engine.MaterialOf(RookPawnMirroredFen), -material);
    EXPECT_EQ(engine.SetTuneFile("material.txt"), "info string TuneFile material.txt in force");
    const int tuned = engine.MaterialOf(RookPawnFen);
    EXPECT_EQ(std::abs(tuned - material), 77);
    EXPECT_EQ(engine.MaterialOf(RookPawnMirroredFen), -tuned);

    EXPECT_EQ(engine.SetTuneFile("unpaired.txt"),
              "info string TuneFile refused: correction without its partner");
    EXPECT_EQ(engine.SetTuneFile("wide.txt"),
              "info string TuneFile refused: line 1: value out of range");
    EXPECT_EQ(engine.SetTuneFile("unknown.txt"),
              "info string TuneFile refused: line 1: unknown name");
    EXPECT_EQ(engine.SetTuneFile("missing.txt"),
              "info string TuneFile refused: cannot open missing.txt");
    EXPECT_EQ(engine.MaterialOf(RookPawnFen), tuned);  // the last good set stays
    EXPECT_EQ(engine.SetTuneFile("<empty>"), "info string TuneFile <empty> in force");
    EXPECT_EQ(engine.MaterialOf(RookPawnFen), material);
    engine.Send("quit");
    EXPECT_EQ(engine.WaitExit(ReplyMs), 0);
}

#else

// The shipped engine neither lists nor takes a parameter set.
TEST(TuneFile, ShippedBuildHasNoSuchOption) {
    const std::string dir = EngineDir({{"search.txt", "FutilityOwnUnits 20 4000\n"}});
    Engine engine(dir);
    EXPECT_EQ(engine.Find("option name TuneFile"), -1);
    EXPECT_EQ(engine.SetTuneFile("search.txt"), "");
    engine.Send("quit");
    EXPECT_EQ(engine.WaitExit(ReplyMs), 0);
    EXPECT_EQ(FreshSearchNodes(dir, {"search.txt"}), FreshSearchNodes(dir, {}));
}

#endif
