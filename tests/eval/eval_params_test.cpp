#include "eval/eval_params.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "eval/material_table.h"
#include "support/engine_process.h"

namespace {

namespace fs = std::filesystem;

// The built-in file, written out block by block as the parameter file's
// layout lists it.
std::vector<i32> BuiltInFile() {
    std::vector<i32> values;
    const auto put = [&](std::initializer_list<i32> block) {
        values.insert(values.end(), block.begin(), block.end());
    };
    const auto repeat = [&](i32 count, i32 value) { values.insert(values.end(), count, value); };
    repeat(2952, 0);  // material: pawn corners, steps, bonuses, piece values, imbalances
    put({5, 55, 10, 110});
    put({18, 19, 20, 21, 13, 12, 11, 11, 126, 133, 140, 147, 90, 80, 75, 75});
    put({80, 15});
    put({3, 8, 6, 12});
    put({25, 10, 150, 12, 20,  30, 5,  30, 20, 10, 12, 50, 24, 300, 110, 20, 100, 15, 2,
         4,  4,  6,   3,  180, 70, 90, 35, 30, 20, 15, 20, 10, 12,  25,  7,  12,  15, 15});
    put({15, 15});
    put({0, 0, 0, 5, 25, 30, 35, 40});
    put({0, 1, 2, 3, 4, 5, 6, 7});
    put({0, 8, 13, 16});
    put({0, 3, 7, 9});
    put({500, 550});
    put({60, 5, 20});
    put({4, 5, 6, 3, 4, 5, 2, 3, 4, 7, 8, 9, 2, 2, 1, 16, 18, 20, 22, 2, 2, 2, 1, 1, 2, 2, 1});
    put({10, 10, 10, 12, 18, 18, 18, 20, 8,  9,  10, 12, 18, 19, 20, 22,
         18, 19, 20, 22, 6,  7,  8,  10, 12, 14, 16, 18, 8,  9,  10, 12});
    put({3, 3, 2, 4, 1, 2});
    put({128});
    put({50, 45, 40, 30, 15});
    put({26, 77, 154, 256});
    put({0, 0});
    repeat(24, 1);   // pin weights
    repeat(5, 128);  // scale factors
    put({25});
    repeat(6, 128);   // one-pawn scales
    repeat(7, 128);   // three-pawn scales
    repeat(23, 128);  // scale factors
    repeat(9, 128);   // rook against pawns
    put({9, 14});
    put({30, 60, 100, 110, 120});
    put({5, 10, 15, 20});
    put({13, 15, 17, 19, 20, 21, 11, 12, 13, 14, 14, 14, 1, 6, 30, 50, 0, 64, 10, 6, 4});
    put({15, 15, 13, 11, 9, 7, 5, 3, 1, -1, -3, -5, -7, -9});
    put({1, 2, 3, 4, 4});
    put({85, 204, 85, 204});
    put({20, 80, 40, 30, 20, 30, 160, 80, 60, 30});
    put({120, 115, 110, 105, 110, 80, 70, 60, 100, 70, 20, 15, 90, 60, 15, 0});
    return values;
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string FileText(const std::vector<i32>& values) {
    std::string text;
    for (i32 value : values) text += std::to_string(value) + "\n";
    return text;
}

// A file whose every value differs from its neighbours and from the defaults.
std::vector<i32> DistinctValues() {
    std::vector<i32> values;
    for (i32 position = 1; position <= EvalParamCount; position++)
        values.push_back(position * 7 + 3);
    return values;
}

std::vector<i32> CurrentValues() {
    std::vector<i32> values;
    for (i32 position = 1; position <= EvalParamCount; position++)
        values.push_back(EvalParamValue(position));
    return values;
}

// Every test starts and ends on the built-in parameters, in a scratch
// directory of its own.
class EvalParams : public ::testing::Test {
protected:
    void SetUp() override {
        SetBuiltInEvalParams();
        DeriveParameterTables();
        std::string pattern = (fs::temp_directory_path() / "korvalent-params-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        fs::remove_all(dir);
        SetBuiltInEvalParams();
        DeriveEvalTables();
    }
    std::string PathOf(const char* name) const { return (dir / name).string(); }
    fs::path dir;
};

TEST_F(EvalParams, BuiltInValuesFollowTheFileLayout) {
    const std::vector<i32> expected = BuiltInFile();
    ASSERT_EQ(expected.size(), size_t(EvalParamCount));
    EXPECT_EQ(CurrentValues(), expected);
}

TEST_F(EvalParams, NamedParametersSitAtTheirFilePositions) {
    const std::string path = PathOf("values.txt");
    WriteText(path, FileText(DistinctValues()));
    ASSERT_TRUE(LoadValuesFrom(path.c_str()));
    DeriveParameterTables();
    const auto at = [](i32 position) { return position * 7 + 3; };
    struct Case {
        const char* name;
        i32 value;
        i32 position;
    };
    const Case cases[] = {
        {"PawnOpeningMajorsVsMajors", PawnOpeningMajorsVsMajors, 1},
        {"PawnEndgameMinorsVsMinors", PawnEndgameMinorsVsMinors, 8},
        {"AttackerCountSteps[5]", AttackerCountSteps[5], 14},
        {"PieceUpBonus", PieceUpBonus, 15},
        {"QueenVsRooksBonus", QueenVsRooksBonus, 20},
        {"QueenVsRooksEndgame", QueenVsRooksEndgame, 26},
        {"PieceValueOpening pawn", PieceValueOpening[PAWN], 27},
        {"PieceValueEndgame rook", PieceValueEndgame[ROOK], 30},
        {"PieceValueOpening knight", PieceValueOpening[KNIGHT], 31},
        {"PieceValueEndgame queen", PieceValueEndgame[QUEEN], 36},
        {"PawnStructureWeight[3]", PawnStructureWeight[3], 2956},
        {"PassedEndgameBase a", PassedEndgameBase[0], 2957},
        {"PassedEndgameBase h", PassedEndgameBase[7], 2957},
        {"PassedOpeningLow e", PassedOpeningLow[4], 2964},
        {"PassedEndgameFar b", PassedEndgameFar[1], 2966},
        {"PassedOpeningHigh g", PassedOpeningHigh[6], 2970},
        {"MultiPasserBonus", MultiPasserBonus, 2973},
        {"PasserVsKnightBonus", PasserVsKnightBonus, 2974},
        {"FianchettoHoleWeight", FianchettoHoleWeight, 2975},
        {"QueenOffHomePenalty", QueenOffHomePenalty, 2978},
        {"PawnEndingKingBonus", PawnEndingKingBonus, 2981},
        {"BareKingBonus", BareKingBonus, 2992},
        {"MopUpBonus", MopUpBonus, 2993},
        {"BishopKnightCornerWeight", BishopKnightCornerWeight, 2994},
        {"BishopKnightMateBonus", BishopKnightMateBonus, 2995},
        {"MopUpKingDistanceWeight", MopUpKingDistanceWeight, 2996},
        {"KnightBothWingsPenalty", KnightBothWingsPenalty, 3012},
        {"MopUpExtra", MopUpExtra, 3015},
        {"MopUpNoMajorsBonus", MopUpNoMajorsBonus, 3016},
        {"QueenKnightBonus", QueenKnightBonus, 3017},
        {"RookBishopBonus", RookBishopBonus, 3018},
        {"ShelterGapBonus[7]", ShelterGapBonus[7], 3026},
        {"ShelterHalfOpenWeight[3]", ShelterHalfOpenWeight[3], 3042},
        {"RaceWinBase", RaceWinBase, 3043},
        {"KnownWinBonus", KnownWinBonus, 3044},
        {"FreePushBonus", FreePushBonus, 3045},
        {"EnemyKingPathWeight", EnemyKingPathWeight, 3047},
        {"DoubledPawnPenalty h", DoubledPawnPenalty[7], 3075},
        {"BackwardPawnPenaltyEnd e", BackwardPawnPenaltyEnd[4], 3106},
        {"NoQueenShelterScale", NoQueenShelterScale, 3113},
        {"BishopPairByPawns[3]", BishopPairByPawns[3], 3114},
        {"BishopPairByPawns[8]", BishopPairByPawns[8], 3118},
        {"RankWeight[6]", RankWeight[6], 3122},
        {"BreakthroughBonus[5]", BreakthroughBonus[5], 3123},
        {"BlockedCentralPawnPenalty", BlockedCentralPawnPenalty, 3154},
        {"RookPawnCountWeight", RookPawnCountWeight, 3191},
        {"RookStopsPawnsFree", RookStopsPawnsFree, 3199},
        {"LowMaterialUnits", LowMaterialUnits, 3200},
        {"EndingUnitsWithoutQueen", EndingUnitsWithoutQueen, 3201},
        {"LoneMinorByPawns[8]", LoneMinorByPawns[8], 3206},
        {"RookVsMinorsPasserBonus[1]", RookVsMinorsPasserBonus[1], 3207},
        {"RookVsMinorsPasserBonus[8]", RookVsMinorsPasserBonus[8], 3210},
        {"RookByPawns[0]", RookByPawns[0], 3232},
        {"RookByPawns[16]", RookByPawns[16], 3245},
        {"SupportedRunnerBonus[2]", SupportedRunnerBonus[2], 3255},
        {"SupportedRunnerBonus[7]", SupportedRunnerBonus[7], 3257},
        {"SupportedRunnersBonus[9]", SupportedRunnersBonus[9], 3264},
        {"MinorSquareWeight a1", MinorSquareWeight[A1], 3265},
        {"MinorSquareWeight h8", MinorSquareWeight[H8], 3265},
        {"MinorSquareWeight e5", MinorSquareWeight[E5], 3280},
        {"MinorSquareWeight b7", MinorSquareWeight[B7], 3270},
        // Pins: opening and endgame tables by pinner x 8 + pinned.
        {"bishop pins pawn, opening", SquareWeightA[D7], 3125},
        {"queen pins bishop, opening", SquareWeightA[G8], 3136},
        {"rook pins knight, endgame", SquareWeightB[C6], 3142},
    };
    for (const Case& c : cases) EXPECT_EQ(c.value, at(c.position)) << c.name;

    // Passer terms fill the whole rank of a black pawn.
    EXPECT_EQ(RookBehindPasser[H7], at(3211));
    EXPECT_EQ(RookBehindPasser[D2], at(3216));
    EXPECT_EQ(EnemyRookBehindPasser[E4], at(3220));
    EXPECT_EQ(KingSupportBonus[G5], at(3223));
    EXPECT_EQ(RookBehindPasser[C1], 0);
    EXPECT_EQ(KingSupportBonus[C6], 0);
}

TEST_F(EvalParams, ImbalanceTableIsStoredBySignatureNotFileOrder) {
    const std::string path = PathOf("values.txt");
    WriteText(path, FileText(DistinctValues()));
    ASSERT_TRUE(LoadValuesFrom(path.c_str()));
    struct Case {
        i32 qw, qb, rw, rb, bw, bb, nw, nb;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 2}, {0, 0, 0, 0, 0, 0, 1, 0},
        {0, 0, 0, 0, 2, 1, 0, 0}, {0, 1, 2, 0, 0, 0, 0, 0}, {1, 0, 0, 1, 0, 0, 0, 0},
        {1, 1, 2, 2, 2, 2, 2, 2}, {1, 0, 1, 2, 0, 1, 2, 0},
    };
    for (const Case& c : cases) {
        const i32 position = 37 + c.nb + 3 * c.nw + 9 * c.bb + 27 * c.bw + 81 * c.rb + 243 * c.rw +
                             729 * c.qb + 1458 * c.qw;
        const i32 index =
            c.nb + 3 * c.bb + 9 * c.rb + 27 * c.qb + 54 * (c.nw + 3 * c.bw + 9 * c.rw + 27 * c.qw);
        EXPECT_EQ(MaterialImbalance[index], position * 7 + 3) << "position " << position;
    }
}

TEST_F(EvalParams, DerivedTablesOfTheBuiltInValues) {
    const auto expectTable = [](const i32* table, std::initializer_list<i32> expected,
                                const char* name) {
        i32 i = 0;
        for (i32 value : expected) {
            EXPECT_EQ(table[i], value) << name << "[" << i << "]";
            i++;
        }
    };
    expectTable(DoubledPawnPenalty, {10, 10, 10, 12, 12, 10, 10, 10}, "DoubledPawnPenalty");
    expectTable(IsolatedOpenPawnPenalty, {18, 19, 20, 22, 22, 20, 19, 18},
                "IsolatedOpenPawnPenalty");
    expectTable(BackwardOpenPawnPenalty, {12, 14, 16, 18, 18, 16, 14, 12},
                "BackwardOpenPawnPenalty");
    expectTable(PassedOpeningLow, {13, 12, 11, 11, 11, 11, 12, 13}, "PassedOpeningLow");
    expectTable(PassedEndgameFar, {126, 133, 140, 147, 147, 140, 133, 126}, "PassedEndgameFar");
    expectTable(RankWeight, {0, 0, 0, 26, 77, 154, 256, 0}, "RankWeight");
    expectTable(BreakthroughBonus, {0, 0, 0, 0, 0, 0, 0, 0}, "BreakthroughBonus");
    expectTable(RookVsMinorsPasserBonus, {0, 5, 10, 15, 20, 20, 20, 20, 20},
                "RookVsMinorsPasserBonus");
    expectTable(LoneMinorByPawns, {30, 60, 100, 110, 120, 120, 120, 120, 120}, "LoneMinorByPawns");
    expectTable(BishopPairByPawns, {50, 50, 50, 50, 50, 45, 40, 30, 15}, "BishopPairByPawns");
    expectTable(RookByPawns, {15, 15, 13, 11, 9, 7, 5, 3, 1, -1, -3, -5, -7, -9, -9, -9, -9},
                "RookByPawns");
    expectTable(SupportedRunnerBonus, {20, 20, 20, 80, 80, 80, 40, 40, 30, 20},
                "SupportedRunnerBonus");
    expectTable(SupportedRunnersBonus, {30, 30, 30, 160, 160, 160, 80, 80, 60, 30},
                "SupportedRunnersBonus");
    expectTable(RookOpenFileBonus, {16, 18, 20, 22, 22, 20, 18, 16}, "RookOpenFileBonus");
    expectTable(RookFileToKing, {2, 2, 1, 0, 0, 0, 0, 0}, "RookFileToKing");
    expectTable(QueenKingDistance, {2, 2, 2, 1, 1, 0, 0, 0}, "QueenKingDistance");
    expectTable(QueenFileToKing, {2, 2, 1, 0, 0, 0, 0, 0}, "QueenFileToKing");
    expectTable(KnightLowMobility, {85, 67, 53, 42, 33, 26, 20, 15, 11, 8, 6, 4, 3, 2, 1, 0, 0},
                "KnightLowMobility");
    EXPECT_EQ(KnightLowMobility[36], 0);
    EXPECT_EQ(BishopLowMobility[14], 1);
    EXPECT_EQ(BishopLowMobility[56], 0);
    expectTable(QueenCheckBonus, {0, 1, 3, 6, 10, 14, 18}, "QueenCheckBonus");
    EXPECT_EQ(QueenCheckBonus[31], 118);
    // Candidate passers: 5 + (50 w + 128) / 256 and 10 + (100 w + 128) / 256.
    expectTable(CandidateBonusOpening, {5, 5, 5, 10, 20, 35, 55, 5}, "CandidateBonusOpening");
    expectTable(CandidateBonusEndgame, {10, 10, 10, 20, 40, 70, 110, 10}, "CandidateBonusEndgame");

    // Minor-piece square weights: the quadrant mirrored over the board.
    expectTable(&MinorSquareWeight[A1], {120, 115, 110, 105, 105, 110, 115, 120}, "row 0");
    expectTable(&MinorSquareWeight[A3], {100, 70, 20, 15, 15, 20, 70, 100}, "row 2");
    expectTable(&MinorSquareWeight[A5], {90, 60, 15, 0, 0, 15, 60, 90}, "row 4");
    expectTable(&MinorSquareWeight[A8], {120, 115, 110, 105, 105, 110, 115, 120}, "row 7");

    // Passer tables by a black pawn's rank.
    for (i32 file = 0; file < 8; file++) {
        const i32 rookBehind[8] = {0, 21, 20, 19, 17, 15, 13, 0};
        const i32 enemyRookBehind[8] = {0, 14, 14, 14, 13, 12, 11, 0};
        const i32 kingSupport[8] = {0, 50, 30, 6, 1, 0, 0, 0};
        for (i32 rank = 0; rank < 8; rank++) {
            const Square sq = MakeSquare(file, rank);
            EXPECT_EQ(RookBehindPasser[sq], rookBehind[rank]) << sq;
            EXPECT_EQ(EnemyRookBehindPasser[sq], enemyRookBehind[rank]) << sq;
            EXPECT_EQ(KingSupportBonus[sq], kingSupport[rank]) << sq;
        }
    }

    // Pins: a rook pins N, P, B, Q; a bishop N, P, R, Q; a queen N, P, R, B.
    struct PinRow {
        PieceType pinner;
        std::vector<PieceType> pinned;
    };
    const PinRow pins[] = {{ROOK, {KNIGHT, PAWN, BISHOP, QUEEN}},
                           {BISHOP, {KNIGHT, PAWN, ROOK, QUEEN}},
                           {QUEEN, {KNIGHT, PAWN, ROOK, BISHOP}}};
    for (const PinRow& row : pins) {
        for (PieceType pinned = 0; pinned < 8; pinned++) {
            const bool counts =
                std::find(row.pinned.begin(), row.pinned.end(), pinned) != row.pinned.end();
            EXPECT_EQ(SquareWeightA[PinIndex(row.pinner, pinned)], counts ? 1 : 0)
                << row.pinner << " pins " << pinned;
            EXPECT_EQ(SquareWeightB[PinIndex(row.pinner, pinned)], counts ? 1 : 0)
                << row.pinner << " pins " << pinned;
        }
    }
}

TEST_F(EvalParams, KingAttackWeightsWithAndWithoutAFile) {
    const i32 danger[] = {0,   1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  12,  13,  14,
                          15,  17,  19,  21,  23,  26,  29,  32,  35,  39,  43,  47,  51,  56,  61,
                          66,  71,  77,  83,  89,  95,  102, 109, 117, 125, 134, 144, 155, 167, 179,
                          191, 203, 215, 225, 235, 245, 255, 265, 275, 285, 295, 305, 315, 325, 335,
                          345, 350, 354, 357, 359, 360, 361, 362, 363, 364, 365, 366, 367, 368, 369,
                          370, 371, 372, 373, 374, 375, 376, 377, 378, 379, 380};
    const i32 builtInAttackers[] = {0, 64, 192, 256, 288, 304, 312, 320};
    const auto expectBuiltInAttackers = [&] {
        for (i32 i = 0; i < 17; i++)
            EXPECT_EQ(AttackerCountWeight[i], builtInAttackers[i < 8 ? i : 7]) << i;
    };
    const auto expectBuiltIn = [&] {
        expectBuiltInAttackers();
        for (i32 i = 0; i < 128; i++) EXPECT_EQ(DangerWeight[i], i < 86 ? danger[i] : 380) << i;
    };
    const auto expectShelterBuiltIn = [] {
        for (i32 i = 0; i < 64; i++) EXPECT_EQ(ShelterWeight[i], i < 24 ? i + 8 : 32) << i;
    };
    expectBuiltIn();
    expectShelterBuiltIn();

    const std::string path = PathOf("values.txt");
    ASSERT_TRUE(WriteValuesTo(path.c_str()));
    ASSERT_TRUE(LoadValuesFrom(path.c_str()));
    const i32 attackers[] = {0, 303, 603, 904, 1204, 1504};
    for (i32 i = 0; i < 17; i++) EXPECT_EQ(AttackerCountWeight[i], attackers[i < 6 ? i : 5]) << i;
    const i32 shelter[] = {8, 9, 10, 11, 13, 14, 15, 16, 18, 19, 20, 21, 23, 24, 25, 26};
    for (i32 i = 0; i < 64; i++) EXPECT_EQ(ShelterWeight[i], i < 16 ? shelter[i] : 28) << i;
    const i32 fileDanger[] = {0,   2,   4,   6,   8,   10,  12,  15,  18,  21,  25,  29,  33,
                              38,  44,  50,  56,  63,  71,  80,  89,  99,  110, 122, 135, 148,
                              163, 179, 196, 213, 232, 252, 274, 297, 320, 346, 372, 400, 430,
                              461, 494, 528, 563, 601, 640, 681, 723, 768, 814, 862, 912, 964};
    for (i32 i = 0; i < 128; i++) EXPECT_EQ(DangerWeight[i], fileDanger[i < 52 ? i : 51]) << i;

    // A later failed load brings back the built-in attacker weights but keeps
    // the shelter and danger weights the file brought.
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(LoadValuesFrom(PathOf("missing.txt").c_str()));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Error loading values.txt\n");
    expectBuiltInAttackers();
    EXPECT_EQ(ShelterWeight[4], 13);
    EXPECT_EQ(DangerWeight[51], 964);
}

TEST_F(EvalParams, WriteLoadWriteGivesTheSameFile) {
    const std::string first = PathOf("first.txt"), second = PathOf("second.txt");
    ASSERT_TRUE(WriteValuesTo(first.c_str()));
    const std::string written = ReadText(first);
    EXPECT_EQ(written, FileText(BuiltInFile()));

    // Also for a file whose values all differ, including the carried ones.
    const std::string distinct = PathOf("distinct.txt");
    WriteText(distinct, FileText(DistinctValues()));
    ASSERT_TRUE(LoadValuesFrom(distinct.c_str()));
    ASSERT_TRUE(WriteValuesTo(second.c_str()));
    EXPECT_EQ(ReadText(second), FileText(DistinctValues()));
    ASSERT_TRUE(LoadValuesFrom(second.c_str()));
    ASSERT_TRUE(WriteValuesTo(second.c_str()));
    EXPECT_EQ(ReadText(second), FileText(DistinctValues()));
}

TEST_F(EvalParams, LoadingAppliesTheCorrectionsOnceEachTime) {
    const std::string path = PathOf("values.txt");
    ASSERT_TRUE(WriteValuesTo(path.c_str()));
    for (i32 load = 0; load < 2; load++) {
        ASSERT_TRUE(LoadValuesFrom(path.c_str()));
        for (const i32* table : {PawnSurplusWhiteAhead, PawnSurplusBlackAhead}) {
            EXPECT_EQ(table[ImbalanceIndex(0, 0, 0, 0, 0, 0, 0, 0)], 108);
            EXPECT_EQ(table[ImbalanceIndex(0, 0, 0, 1, 0, 0, 0, 1)], 34);
            EXPECT_EQ(table[1467], -13);
            EXPECT_EQ(table[513], -13);
            EXPECT_EQ(table[ImbalanceIndex(0, 1, 0, 0, 0, 0, 1, 0)], 0);
        }
    }
    // Without a file the corrections are cleared again.
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(LoadValuesFrom(PathOf("missing.txt").c_str()));
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(PawnSurplusWhiteAhead[0], 0);
    EXPECT_EQ(PawnSurplusBlackAhead[513], 0);
}

TEST_F(EvalParams, MissingFileResetsOnlyTheMaterialValues) {
    PawnOpeningMajorsVsMajors = 11;  // position 1: not reset
    AttackerCountSteps[0] = 12;      // position 9: reset
    PieceUpBonus = 13;
    PieceValueEndgame[QUEEN] = 14;  // position 36: reset
    MaterialImbalance[100] = 15;
    PawnStructureWeight[0] = 16;  // position 2953: kept
    KnownWinBonus = 17;

    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(LoadValuesFrom(PathOf("values.txt").c_str()));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Error loading values.txt\n");

    EXPECT_EQ(PawnOpeningMajorsVsMajors, 11);
    EXPECT_EQ(AttackerCountSteps[0], 0);
    EXPECT_EQ(PieceUpBonus, 0);
    EXPECT_EQ(PieceValueEndgame[QUEEN], 0);
    EXPECT_EQ(MaterialImbalance[100], 0);
    EXPECT_EQ(PawnStructureWeight[0], 16);
    EXPECT_EQ(KnownWinBonus, 17);
}

TEST_F(EvalParams, ShortAndMalformedFilesKeepTheValuesTheyDoNotSupply) {
    std::vector<i32> values = DistinctValues();
    struct Case {
        const char* name;
        std::string text;
        i32 readUpTo;  // last position taken from the file
    };
    std::vector<i32> allButLast(values.begin(), values.end() - 1);
    const Case cases[] = {
        {"3279 numbers", FileText(allButLast), 3279},
        {"text after two numbers", "10\n17\nabc\n24\n", 2},
        {"number glued to text", "10\n17x\n24\n", 2},
        {"spaces and tabs between numbers", "10 17\t24\r\n31", 4},
        {"sign without digits", "10\n-\n24\n", 1},
        {"empty file", "", 0},
    };
    for (const Case& c : cases) {
        SetBuiltInEvalParams();
        const std::vector<i32> before = CurrentValues();
        const std::string path = PathOf("values.txt");
        WriteText(path, c.text);
        EXPECT_TRUE(LoadValuesFrom(path.c_str())) << c.name;
        std::istringstream numbers(c.text);
        for (i32 position = 1; position <= EvalParamCount; position++) {
            i32 expected = before[position - 1];
            if (position <= c.readUpTo)
                numbers >> expected;
            else if (position >= 9 && position <= 2952)
                expected = 0;  // reset by every load
            ASSERT_EQ(EvalParamValue(position), expected) << c.name << ", position " << position;
        }
        // The corrections come with any file that opened.
        EXPECT_EQ(PawnSurplusWhiteAhead[0], 108) << c.name;
    }
    // The ends of the range are numbers like any other.
    const std::string path = PathOf("values.txt");
    WriteText(path, "32767\n-32768\n+5\n");
    ASSERT_TRUE(LoadValuesFrom(path.c_str()));
    EXPECT_EQ(EvalParamValue(1), 32767);
    EXPECT_EQ(EvalParamValue(2), -32768);
    EXPECT_EQ(EvalParamValue(3), 5);
}

// A number outside -32768..32767 anywhere before the text ends refuses the
// whole file as one that cannot be read: the message, and the state of a
// load without a file.
TEST_F(EvalParams, NumbersOutOfRangeRefuseTheFile) {
    const std::vector<i32> values = DistinctValues();
    const auto withValueAt = [&](i32 position, const std::string& number) {
        std::string text;
        for (i32 p = 1; p <= EvalParamCount; p++)
            text += (p == position ? number : std::to_string(values[p - 1])) + "\n";
        return text;
    };
    const std::string cases[] = {
        "10\n32768\n24\n",
        "10\n-32769\n24\n",
        "2147483648\n",
        "-99999999999999999999999999\n",
        withValueAt(3107, "1000000000"),
        withValueAt(EvalParamCount, "40000"),
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(text.substr(0, 30));
        SetBuiltInEvalParams();
        const std::vector<i32> before = CurrentValues();
        const std::string path = PathOf("values.txt");
        WriteText(path, text);
        ::testing::internal::CaptureStdout();
        EXPECT_FALSE(LoadValuesFrom(path.c_str()));
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Error loading values.txt\n");
        for (i32 position = 1; position <= EvalParamCount; position++) {
            const i32 expected = position >= 9 && position <= 2952 ? 0 : before[position - 1];
            ASSERT_EQ(EvalParamValue(position), expected) << "position " << position;
        }
        EXPECT_EQ(PawnSurplusWhiteAhead[0], 0);
    }
    // Text that is no number ends the reading before a later number is seen.
    WriteText(PathOf("values.txt"), "10\nabc\n99999\n");
    EXPECT_TRUE(LoadValuesFrom(PathOf("values.txt").c_str()));
    EXPECT_EQ(EvalParamValue(1), 10);
}

TEST_F(EvalParams, FailedWriteReportsAndKeepsTheOldFile) {
    const std::string path = PathOf("values.txt");
    WriteText(path, "old\n");

    // The temporary file cannot be created.
    fs::create_directory(path + ".tmp");
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(WriteValuesTo(path.c_str()));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Error writing values.txt\n");
    EXPECT_EQ(ReadText(path), "old\n");
    fs::remove(path + ".tmp");

    // The target cannot be replaced: the temporary file is cleaned up.
    const std::string directory = PathOf("taken");
    fs::create_directory(directory);
    WriteText(directory + "/inside", "x");
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(WriteValuesTo(directory.c_str()));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Error writing values.txt\n");
    EXPECT_FALSE(fs::exists(directory + ".tmp"));
    EXPECT_TRUE(fs::is_directory(directory));

    // A directory that does not exist.
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(WriteValuesTo(PathOf("no/such/values.txt").c_str()));
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Error writing values.txt\n");
}

TEST_F(EvalParams, WorkingDirectoryFileFromMissingToWrittenToLoaded) {
    const fs::path previous = fs::current_path();
    fs::current_path(dir);

    ::testing::internal::CaptureStdout();
    const bool loadedMissing = LoadValues();
    const std::string missingOutput = ::testing::internal::GetCapturedStdout();
    const bool wrote = WriteValues();
    ::testing::internal::CaptureStdout();
    const bool loadedWritten = LoadValues();
    const std::string writtenOutput = ::testing::internal::GetCapturedStdout();
    const std::string text = ReadText(dir / "values.txt");
    fs::current_path(previous);

    EXPECT_FALSE(loadedMissing);
    EXPECT_EQ(missingOutput, "Error loading values.txt\n");
    EXPECT_TRUE(wrote);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), EvalParamCount);
    EXPECT_TRUE(loadedWritten);
    EXPECT_EQ(writtenOutput, "");
    EXPECT_FALSE(fs::exists(dir / "values.txt.tmp"));
}

TEST_F(EvalParams, ShippedFileIsTheBuiltInValues) {
    const std::string path = PathOf("values.txt");
    ASSERT_TRUE(WriteValuesTo(path.c_str()));
    const fs::path shipped = fs::path(KORVALENT_SOURCE_DIR) / "values.txt";
    ASSERT_TRUE(fs::exists(shipped)) << shipped;
    EXPECT_EQ(ReadText(shipped), ReadText(path));
}

// Positions of every kind the evaluation has terms for: openings and
// middlegames with castled and open kings, passed pawns, pawn endings,
// minor and major piece endings, a bare king and promotions.
const char* const RangePositions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
    "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R2QKB1R w KQ -",
    "6k1/5ppp/8/8/8/8/5PPP/R5K1 w - -",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
    "8/8/4k3/8/2P5/4K3/8/8 w - -",
    "8/8/8/8/8/2k5/8/KBN5 w - -",
    "8/8/3k4/8/8/3K4/3Q4/3r4 b - -",
    "4k3/1P6/8/8/8/8/6p1/4K3 w - -",
    "2r3k1/5ppp/8/3B4/8/6b1/5PPP/6K1 b - -",
    "7k/8/8/8/8/8/8/KQ6 w - -",
};

// values.txt at the ends of the accepted range: "evl" and a short search of
// each position run without an arithmetic overflow, which the sanitizer
// build reports and ends the program on.
TEST(EvalParamsRange, ValuesAtTheEndsOfTheRangeEvaluateAndSearch) {
    std::string commands = "easy\n";
    for (const char* fen : RangePositions)
        commands += std::string("loadfen ") + fen + "\nevl\nsd 3\ngo\n";
    // No "quit": at the end of the input the last search still finishes.
    const struct {
        const char* name;
        i32 first, second;  // the values at odd and even positions
    } files[] = {
        {"all 32767", MaxParamValue, MaxParamValue},
        {"all -32768", MinParamValue, MinParamValue},
        {"alternating", MaxParamValue, MinParamValue},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        const std::string dir = MakeScratchDir();
        std::vector<i32> values;
        for (i32 position = 1; position <= EvalParamCount; position++)
            values.push_back(position % 2 ? file.first : file.second);
        WriteText(dir + "/values.txt", FileText(values));
        const EngineRun run = RunEngine(commands, 600, dir);
        const std::string tail =
            run.output.substr(run.output.size() - std::min<size_t>(run.output.size(), 3000));
        EXPECT_EQ(run.exitCode, 0) << tail;
        EXPECT_EQ(run.output.find("Error loading values.txt"), std::string::npos);
        EXPECT_EQ(run.output.find("runtime error"), std::string::npos);
        size_t moves = 0;
        for (size_t at = run.output.find("\nmove "); at != std::string::npos;
             at = run.output.find("\nmove ", at + 1))
            moves++;
        EXPECT_EQ(moves, std::size(RangePositions)) << tail;
    }
}

}  // namespace

// The colour mirror of the material indices: the rows the pairing rules
// match up, checked against the given queen-against-rook pair.
TEST(CorrectionRows, MirroredIndicesSwapTheColours) {
    EXPECT_EQ(MirrorSignature(1467), 513);
    EXPECT_EQ(MirrorSignature(513), 1467);
    EXPECT_EQ(MirrorSignature(ImbalanceIndex(1, 2, 0, 1, 0, 1, 2, 0)),
              ImbalanceIndex(0, 1, 2, 0, 1, 2, 0, 1));
    EXPECT_EQ(MirrorMaterialCorrectionIndex(MaterialCorrectionIndex(0, 1, 0, 0, 3, 0, 1, 0, 0, 2)),
              MaterialCorrectionIndex(0, 1, 0, 0, 2, 0, 1, 0, 0, 3));
    for (i32 index : {0, 1, 4373, 4374, MaterialCorrectionSize - 1})
        EXPECT_EQ(MirrorMaterialCorrectionIndex(MirrorMaterialCorrectionIndex(index)), index);
}

// Correction lists: every row with its colour-mirrored partner, within the
// tables and the per-table row counts.
TEST(CorrectionRows, ListsMustKeepThePairingRules) {
    using T = CorrectionTable;
    const i32 rookVsBishop = ImbalanceIndex(0, 1, 0, 0, 0, 0, 1, 0);
    const i32 bishopVsRook = MirrorSignature(rookVsBishop);
    const i32 rookPawnVsRook = MaterialCorrectionIndex(0, 1, 0, 0, 1, 0, 1, 0, 0, 0);
    const i32 rookVsRookPawn = MirrorMaterialCorrectionIndex(rookPawnVsRook);
    struct Case {
        const char* what;
        std::vector<CorrectionRow> rows;
        bool valid;
    };
    const Case cases[] = {
        {"empty", {}, true},
        {"given surplus pairs",
         {{T::SurplusWhiteAhead, 0, 108}, {T::SurplusBlackAhead, 0, 108},
          {T::SurplusWhiteAhead, 1467, -13}, {T::SurplusBlackAhead, 513, -13}},
         true},
        {"surplus pair across tables",
         {{T::SurplusWhiteAhead, rookVsBishop, 7}, {T::SurplusBlackAhead, bishopVsRook, 7}},
         true},
        {"surplus partner in the same table",
         {{T::SurplusWhiteAhead, rookVsBishop, 7}, {T::SurplusWhiteAhead, bishopVsRook, 7}},
         false},
        {"surplus partner at the unmirrored index",
         {{T::SurplusWhiteAhead, rookVsBishop, 7}, {T::SurplusBlackAhead, rookVsBishop, 7}},
         false},
        {"surplus partner with another delta",
         {{T::SurplusWhiteAhead, rookVsBishop, 7}, {T::SurplusBlackAhead, bishopVsRook, 6}},
         false},
        {"imbalance pair, opposite signs",
         {{T::Imbalance, rookVsBishop, 20}, {T::Imbalance, bishopVsRook, -20}},
         true},
        {"imbalance pair, same sign",
         {{T::Imbalance, rookVsBishop, 20}, {T::Imbalance, bishopVsRook, 20}},
         false},
        {"material pair, opposite signs",
         {{T::Material, rookPawnVsRook, -30}, {T::Material, rookVsRookPawn, 30}},
         true},
        {"material row alone", {{T::Material, rookPawnVsRook, -30}}, false},
        {"two rows, one partner",
         {{T::Imbalance, rookVsBishop, 20},
          {T::Imbalance, rookVsBishop, 20},
          {T::Imbalance, bishopVsRook, -20}},
         false},
        {"index outside the table",
         {{T::Imbalance, ImbalanceSignatures, 1}, {T::Imbalance, 0, -1}},
         false},
    };
    for (const Case& c : cases) {
        const char* problem = CorrectionListProblem(c.rows.data(), i32(c.rows.size()));
        EXPECT_EQ(problem == nullptr, c.valid) << c.what << ": " << (problem ? problem : "valid");
    }

    // 17 imbalance pairs fit, an 18th does not: white pieces only against
    // a bare king, each with its mirror.
    std::vector<CorrectionRow> rows;
    for (i32 pieces = 1; pieces <= 18; pieces++) {
        const i32 signature = ImbalanceIndex(0, pieces / 9, pieces / 3 % 3, pieces % 3, 0, 0, 0, 0);
        rows.push_back({T::Imbalance, signature, 5});
        rows.push_back({T::Imbalance, MirrorSignature(signature), -5});
    }
    EXPECT_EQ(CorrectionListProblem(rows.data(), 34), nullptr);
    EXPECT_NE(CorrectionListProblem(rows.data(), 36), nullptr);
}
