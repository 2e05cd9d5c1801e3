#include "eval/material_table.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "board/board.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "eval/eval_info.h"
#include "eval/eval_params.h"

namespace {

namespace fs = std::filesystem;

// Piece counts of both sides.
struct Counts {
    i32 qw, rw, bw, nw, pw;
    i32 qb, rb, bb, nb, pb;
};

i32 IndexOf(const Counts& c) {
    return c.qw * MaterialDigit[QUEEN][WHITE] + c.qb * MaterialDigit[QUEEN][BLACK] +
           c.rw * MaterialDigit[ROOK][WHITE] + c.rb * MaterialDigit[ROOK][BLACK] +
           c.bw * MaterialDigit[BISHOP][WHITE] + c.bb * MaterialDigit[BISHOP][BLACK] +
           c.nw * MaterialDigit[KNIGHT][WHITE] + c.nb * MaterialDigit[KNIGHT][BLACK] +
           c.pw * MaterialDigit[PAWN][WHITE] + c.pb * MaterialDigit[PAWN][BLACK];
}

const MaterialEntry& EntryOf(const Counts& c) { return MaterialTable[IndexOf(c)]; }

// The same material with the colours exchanged.
i32 ColourSwappedIndex(i32 index) {
    i32 digits[10];
    for (i32 d = 0; d < 8; d++, index /= 3) digits[d] = index % 3;
    digits[8] = index % 9;
    digits[9] = index / 9;
    i32 swapped = 0;
    const i32 weight[10] = {1, 3, 9, 27, 81, 243, 729, 2187, 6561, 59049};
    for (i32 d = 0; d < 10; d++) swapped += digits[d ^ 1] * weight[d];
    return swapped;
}

// Fails at the first entry whose colour-swapped entry is not its mirror
// image: swapped flags and side phases, the same current phase, the
// negated score.
::testing::AssertionResult TableIsColourSymmetric() {
    for (i32 index = 0; index < MaterialIndexNone; index++) {
        const MaterialEntry& entry = MaterialTable[index];
        const MaterialEntry& mirror = MaterialTable[ColourSwappedIndex(index)];
        if (entry.flags[WHITE] != mirror.flags[BLACK] ||
            entry.flags[BLACK] != mirror.flags[WHITE] || entry.white_phase != mirror.black_phase ||
            entry.black_phase != mirror.white_phase ||
            entry.current_phase != mirror.current_phase || entry.score != -mirror.score) {
            return ::testing::AssertionFailure()
                   << "index " << index << ": score " << entry.score << " against " << mirror.score
                   << ", flags " << int(entry.flags[WHITE]) << "/" << int(entry.flags[BLACK])
                   << " against " << int(mirror.flags[WHITE]) << "/" << int(mirror.flags[BLACK]);
        }
    }
    return ::testing::AssertionSuccess();
}

class MaterialTableTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitEngineTables(); }
    void SetUp() override {
        SetBuiltInEvalParams();
        DeriveEvalTables();
    }
    void TearDown() override {
        SetBuiltInEvalParams();
        DeriveEvalTables();
    }
};

TEST_F(MaterialTableTest, NoEntryIndexHoldsTheSentinel) {
    const MaterialEntry& sentinel = MaterialTable[MaterialIndexNone];
    EXPECT_EQ(sentinel.flags[WHITE], 0);
    EXPECT_EQ(sentinel.flags[BLACK], 0);
    EXPECT_EQ(sentinel.current_phase, -1);
    EXPECT_EQ(sentinel.black_phase, -1);
    EXPECT_EQ(sentinel.white_phase, -1);
    EXPECT_EQ(sentinel.score, 0);
    // Any index without an entry reads the sentinel through MaterialEntryFor.
    for (i32 index : {MaterialIndexNone, MaterialIndexNone + 1, -1, 600000})
        EXPECT_EQ(&MaterialEntryFor(index), &sentinel) << index;
    EXPECT_EQ(&MaterialEntryFor(0), &MaterialTable[0]);
}

TEST_F(MaterialTableTest, FlagsAndPhases) {
    constexpr u8 W = CannotWinFlag, E = EndingFlag;
    struct Case {
        const char* name;
        Counts counts;
        u8 whiteFlags, blackFlags;
        i16 current, black, white;
    };
    const Case cases[] = {
        {"start position", {1, 2, 2, 2, 8, 1, 2, 2, 2, 8}, 0, 0, 0, 0, 0},
        {"bare kings", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, W | E, W | E, 256, 256, 256},
        {"two knights against a bare king",
         {0, 0, 0, 2, 0, 0, 0, 0, 0, 0},
         W | E,
         W | E,
         235,
         256,
         213},
        {"bishop and knight against a bare king",
         {0, 0, 1, 1, 0, 0, 0, 0, 0, 0},
         E,
         W | E,
         235,
         256,
         213},
        {"lone bishop", {0, 0, 1, 0, 0, 0, 0, 0, 0, 0}, W | E, W | E, 245, 256, 235},
        {"knight and pawn", {0, 0, 0, 1, 1, 0, 0, 0, 0, 0}, E, W | E, 245, 256, 235},
        {"two bishops", {0, 0, 2, 0, 0, 0, 0, 0, 0, 0}, E, W | E, 235, 256, 213},
        {"rook against queen and rook", {0, 1, 0, 0, 0, 1, 1, 0, 0, 0}, 0, E, 171, 128, 213},
        {"queen and rook against two rooks and bishop",
         {1, 1, 0, 0, 0, 0, 2, 1, 0, 0},
         E,
         0,
         139,
         149,
         128},
        {"all pieces against a bare king", {1, 2, 2, 2, 8, 0, 0, 0, 0, 0}, E, W, 128, 256, 0},
        {"three minors and pawns each", {0, 0, 2, 1, 5, 0, 0, 1, 2, 5}, E, E, 192, 192, 192},
    };
    for (const Case& c : cases) {
        const MaterialEntry& entry = EntryOf(c.counts);
        EXPECT_EQ(entry.flags[WHITE], c.whiteFlags) << c.name;
        EXPECT_EQ(entry.flags[BLACK], c.blackFlags) << c.name;
        EXPECT_EQ(entry.current_phase, c.current) << c.name;
        EXPECT_EQ(entry.black_phase, c.black) << c.name;
        EXPECT_EQ(entry.white_phase, c.white) << c.name;
    }
}

TEST_F(MaterialTableTest, ScoresOfTheBuiltInParameters) {
    struct Case {
        const char* name;
        Counts counts;
        i16 score;  // black's view
    };
    const Case cases[] = {
        {"start position", {1, 2, 2, 2, 8, 1, 2, 2, 2, 8}, 0},
        {"bare kings", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0},
        // Exchange 30 plus the rook's 15 without pawns (9 with four).
        {"rook against bishop", {0, 1, 0, 0, 0, 0, 0, 1, 0, 0}, -45},
        {"rook against bishop, four pawns", {0, 1, 0, 0, 2, 0, 0, 1, 0, 2}, -39},
        {"bishop against rook", {0, 0, 1, 0, 0, 0, 1, 0, 0, 0}, 45},
        // Bishop pair by the opponent's pawns.
        {"two bishops against two knights", {0, 0, 2, 0, 0, 0, 0, 0, 2, 0}, -50},
        {"two bishops against two knights and eight pawns", {0, 0, 2, 0, 0, 0, 0, 0, 2, 8}, -15},
        // Queen against rooks 60, less the two rooks' 30.
        {"queen against two rooks", {1, 0, 0, 0, 0, 0, 2, 0, 0, 0}, -30},
        // Knight with the queen: 15 in the case analysis, 15 in the tail.
        {"queen and knight against queen and bishop", {1, 0, 0, 1, 1, 1, 0, 1, 0, 1}, -30},
        {"the same without pawns", {1, 0, 0, 1, 0, 1, 0, 1, 0, 0}, -15},
        {"two minors against a rook", {0, 0, 1, 1, 0, 0, 1, 0, 0, 0}, -75},
        {"rook and knight against queen", {0, 1, 0, 1, 0, 1, 0, 0, 0, 0}, 45},
        {"rook and two minors against queen", {0, 1, 1, 1, 0, 1, 0, 0, 0, 0}, -75},
        {"two knights against knight", {0, 0, 0, 2, 0, 0, 0, 0, 1, 0}, -120},
        {"three minors against queen", {0, 0, 1, 2, 0, 1, 0, 0, 0, 0}, -120},
        {"rook and bishop against rook", {0, 1, 1, 0, 0, 0, 1, 0, 0, 0}, -135},
        {"knight and three pawns against a bare king", {0, 0, 0, 1, 3, 0, 0, 0, 0, 0}, -110},
        {"bare king against knight and three pawns", {0, 0, 0, 0, 0, 0, 0, 0, 1, 3}, 110},
        {"knight against bishop", {0, 0, 0, 1, 0, 0, 0, 1, 0, 0}, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(EntryOf(c.counts).score, c.score) << c.name;
}

TEST_F(MaterialTableTest, ScoreBlendsOpeningAndEndgameByPieceCount) {
    struct Case {
        const char* name;
        void (*set)();
        Counts counts;
        i16 score;
    };
    const Case cases[] = {
        // Knight worth 10 in the opening, 30 in the endgame; blend weight
        // 24 - 1 = 23: (233 x 10 + 23 x 30) / 256 = 11, plus the lone minor's 30.
        {"knight values",
         [] {
             PieceValueOpening[KNIGHT] = 10;
             PieceValueEndgame[KNIGHT] = 30;
         },
         {0, 0, 0, 1, 0, 0, 0, 0, 0, 0},
         -41},
        // No pieces: both shares 0, the minors-against-minors corners; weight
        // 24: (232 x 100 + 24 x 120) / 256 = 101.
        {"pawn without pieces",
         [] {
             PawnOpeningMinorsVsMinors = 100;
             PawnEndgameMinorsVsMinors = 120;
         },
         {0, 0, 0, 0, 1, 0, 0, 0, 0, 0},
         -101},
        // A rook alone: white's share 256, black's 0, the majors-against-
        // minors corners; plus piece up 120 and the rook's 15 with one pawn.
        {"pawn beside a rook",
         [] {
             PawnOpeningMajorsVsMinors = 80;
             PawnEndgameMajorsVsMinors = 80;
             PawnOpeningMinorsVsMinors = 1000;
         },
         {0, 1, 0, 0, 1, 0, 0, 0, 0, 0},
         -80 - 120 - 15},
        // The piece-up companion in the endgame: weight 22 x 256 / 256.
        {"piece-up endgame companion",
         [] { PieceUpEndgame = 256; },
         {0, 1, 0, 0, 0, 0, 0, 0, 0, 0},
         -22 - 120 - 15},
        // Imbalance table and pawn surplus by signature, on top of the
        // exchange (30) and the rook with two pawns (13).
        {"imbalance table entry",
         [] {
             MaterialImbalance[ImbalanceIndex(0, 1, 0, 0, 0, 0, 1, 0)] = 7;
             PawnSurplusBlackAhead[ImbalanceIndex(0, 1, 0, 0, 0, 0, 1, 0)] = 3;
         },
         {0, 1, 0, 0, 0, 0, 0, 1, 0, 2},
         -(30 + 13) + 7 + 3 * 2},
    };
    for (const Case& c : cases) {
        SetBuiltInEvalParams();
        c.set();
        DeriveEvalTables();
        EXPECT_EQ(EntryOf(c.counts).score, c.score) << c.name;
    }
}

TEST_F(MaterialTableTest, ColourSymmetryOfEveryEntry) {
    EXPECT_TRUE(TableIsColourSymmetric());

    // Again with every parameter of the build non-zero and the corrections
    // that come with a parameter file.
    PawnOpeningMajorsVsMajors = 91;
    PawnOpeningMinorsVsMajors = 83;
    PawnOpeningMajorsVsMinors = 112;
    PawnOpeningMinorsVsMinors = 97;
    PawnEndgameMajorsVsMajors = 121;
    PawnEndgameMinorsVsMajors = 104;
    PawnEndgameMajorsVsMinors = 133;
    PawnEndgameMinorsVsMinors = 117;
    i32 value = 3;
    for (i32* bonus :
         {&PieceUpBonus, &TwoMinorsVsRookBonus, &MinorsVsQueenBonus, &ExchangeBonus,
          &QueenVsRookMinorBonus, &QueenVsRooksBonus, &PieceUpEndgame, &TwoMinorsVsRookEndgame,
          &MinorsVsQueenEndgame, &ExchangeEndgame, &QueenVsRookMinorEndgame, &QueenVsRooksEndgame,
          &QueenKnightBonus, &RookBishopBonus})
        *bonus = value += 4;
    for (PieceType type : {KNIGHT, BISHOP, ROOK, QUEEN}) {
        PieceValueOpening[type] = value += 5;
        PieceValueEndgame[type] = value += 3;
    }
    std::string pattern = (fs::temp_directory_path() / "korvalent-material-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const std::string path = pattern + "/values.txt";
    ASSERT_TRUE(WriteValuesTo(path.c_str()));
    ASSERT_TRUE(LoadValuesFrom(path.c_str()));
    fs::remove_all(pattern);
    ASSERT_EQ(PawnSurplusWhiteAhead[0], 108);
    DeriveEvalTables();
    EXPECT_NE(EntryOf({0, 1, 0, 0, 3, 0, 0, 1, 1, 2}).score, 0);
    EXPECT_TRUE(TableIsColourSymmetric());
}

TEST_F(MaterialTableTest, HugeParametersSaturateTheScore) {
    PieceUpBonus = INT32_MAX;
    QueenVsRooksBonus = INT32_MIN;
    PieceValueEndgame[QUEEN] = INT32_MAX;
    PawnOpeningMinorsVsMinors = INT32_MIN;
    DeriveEvalTables();
    EXPECT_EQ(EntryOf({0, 0, 0, 2, 0, 0, 0, 0, 1, 0}).score, INT16_MIN);  // piece up, white
    EXPECT_EQ(EntryOf({0, 0, 0, 1, 0, 0, 0, 0, 2, 0}).score, INT16_MAX);
    EXPECT_EQ(EntryOf({1, 0, 0, 0, 0, 0, 2, 0, 0, 0}).score, INT16_MAX);  // queen against rooks
    EXPECT_EQ(EntryOf({0, 0, 0, 0, 8, 0, 0, 0, 0, 0}).score,
              INT16_MAX);  // pawns worth less than nothing
}

// Positions on the board.

i32 MaterialOf(const char* fen) {
    EXPECT_EQ(ParseFen(fen), 1) << fen;
    return EvaluateMaterial();
}

TEST_F(MaterialTableTest, FallbackMaterialEvaluation) {
    struct Case {
        const char* fen;
        i32 expected;
    };
    const Case cases[] = {
        {"4k3/8/8/8/8/8/8/4K3 w - -", 0},
        // Queen and knight against queen and bishop with pawns: 15 twice.
        {"4k3/pppq4/2b5/8/8/2N5/PPPQ4/4K3 w - -", -30},
        // Rook against bishop without pawns: (30 + 15) >> 2 for white ...
        {"4kb2/8/8/8/8/8/8/R3K3 w - -", -200 - 11},
        // With one white pawn (15 for the rook) halved instead.
        {"4kb2/8/8/8/8/8/P7/R3K3 w - -", -300 - 22},
        // ... and the arithmetic shift rounds black's -45 down to -12.
        {"4kr2/8/8/8/8/8/8/B3K3 w - -", 200 + 12},
        // Three queens each: no case applies, only the piece values count.
        {"qqq1k3/8/8/8/8/8/P7/QQQ1K3 w - -", -100},
        // Lone knight with two pawns: 100, damped to four fifths.
        {"4k3/p7/8/8/8/8/PP6/1N2K3 w - -", 100 - 500 - 80},
        // Rook and knight against queen: exchange and queen against rook and
        // minor for black (60), the rook's 5 with six pawns for white; black
        // keeps three pawns, so nothing is damped.
        {"3qk3/ppp5/8/8/8/8/PPP5/RN2K3 w - -", 1200 - 1100 + 55},
    };
    for (const Case& c : cases) EXPECT_EQ(MaterialOf(c.fen), c.expected) << c.fen;
}

TEST_F(MaterialTableTest, LoadMaterialTableEntry) {
    struct Case {
        const char* fen;
        i32 current, black, white;
        i32 whiteEnding, blackEnding;
    };
    const Case cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", 0, 0, 0, 0, 0},
        {"4k3/8/8/8/8/8/8/R3K3 w - -", 235, 256, 213, EndingFlag, EndingFlag},
        // A third queen has no entry: phases and flags from the counts.
        {"3rk3/8/8/8/8/8/8/QQQ1K3 w - -", 107, 213, 0, 1, 0},
        {"4k3/8/8/8/8/8/8/QQQ1K3 w - -", 128, 256, 0, 1, 0},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(ParseFen(c.fen), 1) << c.fen;
        eval_info = EvalInfo{};
        LoadMaterialTableEntry();
        EXPECT_EQ(board.current_phase, c.current) << c.fen;
        EXPECT_EQ(board.black_phase, c.black) << c.fen;
        EXPECT_EQ(board.white_phase, c.white) << c.fen;
        EXPECT_EQ(eval_info.ENDING[WHITE], c.whiteEnding) << c.fen;
        EXPECT_EQ(eval_info.ENDING[BLACK], c.blackEnding) << c.fen;
    }
}

TEST_F(MaterialTableTest, MoreThanEightPawnsNeverIndexOutsideTheTables) {
    // Built piece by piece: a set-up text would refuse nine pawns.
    ClearBoard();
    AddPiece(E1, WHITE, KING);
    AddPiece(E8, BLACK, KING);
    AddPiece(B1, WHITE, KNIGHT);
    for (Square sq = A2; sq <= H2; sq++) AddPiece(sq, WHITE, PAWN);
    AddPiece(A3, WHITE, PAWN);
    board.SideToMove = WHITE;
    ComputeMaterialIndex();
    EXPECT_FALSE(HasMaterialEntry(board.MaterialIndex));

    // The lone minor reads the entry for eight pawns.
    EXPECT_EQ(EvaluateMaterial(), -1200 - LoneMinorByPawns[8]);
    eval_info = EvalInfo{};
    LoadMaterialTableEntry();
    EXPECT_EQ(board.white_phase, 235);
    EXPECT_EQ(eval_info.ENDING[BLACK], 1);

    // A rook with seventeen pawns on the board reads the last rook entry.
    AddPiece(A1, WHITE, ROOK);
    for (Square sq = A7; sq <= H7; sq++) AddPiece(sq, BLACK, PAWN);
    ComputeMaterialIndex();
    EXPECT_EQ(EvaluateMaterial(), 800 - 1700 - RookByPawns[16]);
}

}  // namespace
