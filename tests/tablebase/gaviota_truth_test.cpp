// The three-man tables against Gaviota's endgame tablebases (Debian's
// gaviotatb files, probed through its libgaviotatb library): every legal
// position of kqk, krk, kbk, knk and kpk, either side to move, must have
// the same result and distance to mate in the tests' own retrograde solver,
// and, probed by the engine from the table files written from the solver,
// the same score. Gaviota is an outside truth: it was generated and
// compressed by another program altogether.
//
// Built only where CMake found gtb-probe.h and the library; elsewhere the
// tests skip, and fail where CI is "true".
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "retrograde_solver.h"
#include "support/engine_process.h"
#include "support/placement_field.h"
#include "support/sanitizer_build.h"
#include "table_file_fixtures.h"
#include "tablebase/block_cache.h"
#include "tablebase/table_files.h"
#include "tablebase/tablebase.h"

#if defined(KORVALENT_GAVIOTA_DIR)
#include <gtb-probe.h>
#endif

namespace {

const char* const ThreeManNames[] = {"kqk", "krk", "kbk", "knk", "kpk"};

// A position's result for the side to move: it mates (+1), it is mated
// (-1) or a draw (0), and the plies to mate (0 for mated now and draws).
struct Outcome {
    i32 sign = 0;
    i32 plies = 0;
    bool operator==(const Outcome& other) const { return sign == other.sign && plies == other.plies; }
};

std::string Describe(const Outcome& outcome) {
    if (outcome.sign == 0) return "draw";
    return (outcome.sign > 0 ? "mates in " : "mated in ") + std::to_string(outcome.plies) + " plies";
}

Outcome OutcomeOfSolverValue(i8 value) {
    if (value == 0) return {};
    return {value > 0 ? 1 : -1, retro::PlyOfValue(value)};
}

// The engine's score: a win in n moves is MateScore - 2n, a loss in n moves
// -(MateScore - 2n), so a mate in p plies (p odd) scores MateScore - p - 1
// and being mated in p plies (p even) -(MateScore - p).
Outcome OutcomeOfEngineScore(i32 score) {
    if (score == 0) return {};
    if (score > 0) return {1, MateScore - score - 1};
    return {-1, MateScore + score};
}

// A three-man position as the solver numbers it: White holds the man.
// Turned, the colours change places and the board is mirrored top to
// bottom, so that Black holds the man and the other side is to move; the
// result for the side to move stays the same.
struct ThreeMen {
    PieceType type;
    i32 man, whiteKing, blackKing, stm;
    bool turned;
};

char ManLetter(PieceType type) {
    return type == QUEEN ? 'Q' : type == ROOK ? 'R' : type == BISHOP ? 'B' : type == KNIGHT ? 'N' : 'P';
}

std::string FenOf(const ThreeMen& p) {
    const i32 mirror = p.turned ? 56 : 0;
    const char lower = p.turned ? 32 : 0;  // ASCII: the lower-case letter
    char squares[64] = {};
    squares[p.man ^ mirror] = char(ManLetter(p.type) + lower);
    squares[p.whiteKing ^ mirror] = char('K' + lower);
    squares[p.blackKing ^ mirror] = char('k' - lower);
    const bool whiteToMove = (p.stm == WHITE) != p.turned;
    return PlacementField(squares) + (whiteToMove ? " w - - 0 1" : " b - - 0 1");
}

// Calls visit(position, solver value) for every legal position of a table;
// under the sanitizers only every `sanitizerStep`-th black king square.
template <typename Visit>
void ForEachLegalPosition(const std::string& name, i32 sanitizerStep, Visit visit) {
    const retro::Solved& solved = retro::ThreeManTables().at(name);
    const PieceType type = retro::ManOfTable(name);
    const i32 step = SanitizerBuild() ? sanitizerStep : 1;
    for (i32 bk = 0; bk < 64; bk += step)
        for (i32 wk = 0; wk < 64; ++wk)
            for (i32 man = 0; man < 64; ++man)
                for (i32 stm = 0; stm < 2; ++stm) {
                    if (!retro::Legal(type, stm, man, wk, bk)) continue;
                    const ThreeMen position{type, man, wk, bk, stm, false};
                    visit(position, solved.value[retro::PositionNumber(stm, man, wk, bk)]);
                }
}

// Disagreements with Gaviota, the first few spelt out.
struct Disagreements {
    i32 count = 0;
    std::string firstFew;
    void Add(const ThreeMen& p, const std::string& what) {
        if (count++ < 10) firstFew += FenOf(p) + ": " + what + "\n";
    }
    // `source` says `ours`; Gaviota is asked.
    void Check(const ThreeMen& p, const char* source, const Outcome& ours);
};

bool ContinuousIntegration() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && std::string(ci) == "true";
}

#if defined(KORVALENT_GAVIOTA_DIR)

unsigned char GaviotaPiece(PieceType type) {
    switch (type) {
        case QUEEN: return tb_QUEEN;
        case ROOK: return tb_ROOK;
        case BISHOP: return tb_BISHOP;
        case KNIGHT: return tb_KNIGHT;
        default: return tb_PAWN;
    }
}

// Gaviota's tables opened once for the whole run. Its squares run a1 = 0 to
// h8 = 63 as ours do.
class GaviotaSession {
public:
    GaviotaSession() {
        paths_ = tbpaths_add(tbpaths_init(), KORVALENT_GAVIOTA_DIR);
        tb_init(0, tb_CP4, paths_);
        tbcache_init(4 << 20, 50);
    }
    ~GaviotaSession() {
        tbcache_done();
        tb_done();
        tbpaths_done(paths_);
    }
    // All five three-man tables were found.
    bool Complete() const { return (tb_availability() & 2) != 0; }

private:
    const char** paths_ = nullptr;
};

GaviotaSession& Gaviota() {
    static GaviotaSession session;
    return session;
}

// Gaviota's result for the position; false when it has none.
bool ProbeGaviota(const ThreeMen& p, Outcome* outcome) {
    const unsigned mirror = p.turned ? 56 : 0;
    const unsigned strong[] = {unsigned(p.whiteKing) ^ mirror, unsigned(p.man) ^ mirror, tb_NOSQUARE};
    const unsigned bare[] = {unsigned(p.blackKing) ^ mirror, tb_NOSQUARE};
    const unsigned char strongPieces[] = {tb_KING, GaviotaPiece(p.type), tb_NOPIECE};
    const unsigned char barePieces[] = {tb_KING, tb_NOPIECE};
    const i32 whiteToMove = (p.stm == WHITE) != p.turned;
    unsigned info = tb_UNKNOWN, plies = 0;
    const int found = p.turned
        ? tb_probe_hard(whiteToMove ? tb_WHITE_TO_MOVE : tb_BLACK_TO_MOVE, tb_NOSQUARE, tb_NOCASTLE, bare, strong,
                        barePieces, strongPieces, &info, &plies)
        : tb_probe_hard(whiteToMove ? tb_WHITE_TO_MOVE : tb_BLACK_TO_MOVE, tb_NOSQUARE, tb_NOCASTLE, strong, bare,
                        strongPieces, barePieces, &info, &plies);
    if (!found) return false;
    if (info == tb_DRAW) {
        *outcome = {};
        return true;
    }
    if (info != tb_WMATE && info != tb_BMATE) return false;
    const bool whiteMates = info == tb_WMATE;
    *outcome = {whiteMates == bool(whiteToMove) ? 1 : -1, i32(plies)};
    return true;
}

#endif

class GaviotaTruth : public testing::Test {
protected:
    void SetUp() override {
#if defined(KORVALENT_GAVIOTA_DIR)
        if (Gaviota().Complete()) return;
        const std::string missing = std::string("Gaviota's three-man tables are not in ") + KORVALENT_GAVIOTA_DIR +
                                    " (apt-get install gaviotatb)";
#else
        const std::string missing =
            "Gaviota's probing library was not found when configuring (apt-get install libgaviotatb-dev "
            "gaviotatb zlib1g-dev, then configure again)";
#endif
        if (ContinuousIntegration()) FAIL() << missing;
        GTEST_SKIP() << missing;
    }

};

void Disagreements::Check(const ThreeMen& p, const char* source, const Outcome& ours) {
    Outcome truth;
#if defined(KORVALENT_GAVIOTA_DIR)
    const bool found = ProbeGaviota(p, &truth);
#else
    const bool found = false;
#endif
    if (!found) Add(p, "Gaviota has no answer");
    else if (!(ours == truth)) Add(p, std::string(source) + " " + Describe(ours) + ", Gaviota " + Describe(truth));
}

// The solver's value of every legal position against Gaviota's.
TEST_F(GaviotaTruth, SolverAgreesOnEveryPosition) {
    for (const char* name : ThreeManNames) {
        Disagreements disagreements;
        i32 compared = 0;
        ForEachLegalPosition(name, 5, [&](const ThreeMen& p, i8 value) {
            disagreements.Check(p, "solver", OutcomeOfSolverValue(value));
            compared += 1;
        });
        EXPECT_EQ(disagreements.count, 0) << name << ", first ones:\n" << disagreements.firstFew;
        EXPECT_GT(compared, SanitizerBuild() ? 30000 : 150000) << name;
        RecordProperty(std::string(name) + "_positions", compared);
    }
}

// The whole way through the engine: the solver's tables written as files,
// read through the block cache and the index, probed from the board, the
// man White's or (turned) Black's by turns, against Gaviota's result.
TEST_F(GaviotaTruth, EngineProbeOfTheWrittenTablesAgrees) {
    InitEngineTables();
    const std::string dir = MakeScratchDir();
    for (const char* name : ThreeManNames)
        for (i32 side = 0; side < 2; ++side) {
            std::vector<u8> bytes;
            ASSERT_TRUE(retro::TableFileBytes(TablebaseRegistry[TableId(name)], side, bytes)) << name << side;
            WriteWholeFile(dir + "/" + name + (side ? ".nbb" : ".nbw"), bytes);
        }
    ASSERT_EQ(InitTablebases(dir.c_str()), 3);
    AllocTableCache();
    for (const char* name : ThreeManNames) {
        Disagreements disagreements;
        i32 compared = 0, turnedCount = 0;
        ForEachLegalPosition(name, 7, [&](ThreeMen p, i8) {
            p.turned = ((p.man + p.whiteKing + p.blackKing) & 1) != 0;
            i32 score = 0;
            if (!ParseFen(FenOf(p).c_str()) || ProbeTablebase(1 - board.SideToMove, &score) != 1)
                disagreements.Add(p, "the engine's probe has no answer");
            else
                disagreements.Check(p, "engine probe", OutcomeOfEngineScore(score));
            compared += 1;
            turnedCount += p.turned;
        });
        EXPECT_EQ(disagreements.count, 0) << name << ", first ones:\n" << disagreements.firstFew;
        EXPECT_GT(turnedCount, compared / 3) << name;
        EXPECT_GT(compared, SanitizerBuild() ? 20000 : 150000) << name;
        RecordProperty(std::string(name) + "_probes", compared);
    }
    InitTablebases(nullptr);
    FreeTableCache();
}

}  // namespace
