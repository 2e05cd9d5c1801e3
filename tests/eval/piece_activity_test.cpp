#include "eval/piece_activity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "board/board.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "eval/eval_info.h"
#include "eval/eval_params.h"
#include "eval/material_table.h"
#include "eval/pawn_structure.h"
#include "eval/personality.h"
#include "search/hash_tables.h"
#include "search/search_limits.h"

namespace {

// What the piece pass adds, with the threat-balance bonus taken out of the
// total again.
struct PieceTerms {
    i32 total;
    i32 opening;
    i32 endgame;
};

class PieceActivity : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        InitEngineTables();
        PawnEntries = DefaultPawnEntries;
        AllocPawnHash();
    }
    void SetUp() override {
        SetBuiltInEvalParams();
        DeriveEvalTables();
        SetDefaultPersonality();
        EngineSide = WHITE;
        DrawScore = 0;
        ClearPawnHash();
    }
    void TearDown() override {
        SetBuiltInEvalParams();
        DeriveEvalTables();
    }

    // Every parameter of the piece pass that moves total, opening or endgame
    // set to 0, so that a test can switch on the one it looks at.
    static void SilencePieceParams() {
        for (i32* p : {&BackRankPenalty,        &TrappedRookPenalty,      &RookOnWeakPawnFile,
                       &RookBoxedPenalty,       &RookHalfOpenFile,        &RookNoOpenFilePenalty,
                       &RookOnSeventh,          &RookSeventhDoubled,      &RookSeventhPasser,
                       &RookOnEighth,           &QueenOnEighth,           &QueenSeventhDoubled,
                       &KnightBlockedPawnBonus, &TrappedBishopPenalty,    &BadBishopPawnOpening,
                       &BadBishopPawnEndgame,   &BadBishopBlockedOpening, &BadBishopBlockedEndgame,
                       &LoneBishopBothWings,    &FianchettoBishopBonus,   &BishopMobilityOpening,
                       &BishopMobilityEndgame,  &RookMobilityOpening,     &RookMobilityEndgame,
                       &QueenMobilityOpening,   &QueenMobilityEndgame})
            *p = 0;
        std::fill(std::begin(RookOpenFileBonus), std::end(RookOpenFileBonus), 0);
        std::fill(std::begin(SquareWeightA), std::end(SquareWeightA), 0);
        std::fill(std::begin(SquareWeightB), std::end(SquareWeightB), 0);
        std::fill(std::begin(KnightLowMobility), std::end(KnightLowMobility), 0);
        std::fill(std::begin(BishopLowMobility), std::end(BishopLowMobility), 0);
    }

    // The position set up as the evaluation leaves it before the piece pass:
    // material-table flags, pawn entry, king zones; shelter penalties given.
    static void Prepare(const char* fen, i32 whiteShelter = 0, i32 blackShelter = 0) {
        ASSERT_EQ(ParseFen(fen), 1) << fen;
        eval_info = EvalInfo{};
        eval_info.symmetric = 1;
        eval_info.cacheable = 1;
        LoadMaterialTableEntry();
        i32 opening = 0, endgame = 0;
        EvaluatePawnStructure(&opening, &endgame);
        board.AllPawns = board.Bitboards[PAWN][WHITE] | board.Bitboards[PAWN][BLACK];
        eval_info.shelter_penalty[WHITE] = whiteShelter;
        eval_info.shelter_penalty[BLACK] = blackShelter;
        BuildKingZones();
    }

    static PieceTerms Run(const char* fen) {
        Prepare(fen);
        EvaluatePieceActivity();
        const i32 index = std::clamp(
            eval_info.threatened_count[WHITE] - eval_info.threatened_count[BLACK] + 8, 0, 16);
        return {eval_info.total - ThreatBalanceBonus[index], eval_info.opening, eval_info.endgame};
    }
};

struct TermCase {
    const char* what;
    const char* fen;
    std::function<void()> enable;  // switches on the parameters under test
    PieceTerms expected;
};

void ExpectTerms(const TermCase& c, const PieceTerms& got) {
    EXPECT_EQ(got.total, c.expected.total) << c.what << ": " << c.fen;
    EXPECT_EQ(got.opening, c.expected.opening) << c.what << ": " << c.fen;
    EXPECT_EQ(got.endgame, c.expected.endgame) << c.what << ": " << c.fen;
}

TEST_F(PieceActivity, FixedTablesHaveTheirShape) {
    EXPECT_EQ(KnightOutpost[D3], 25);
    EXPECT_EQ(KnightOutpost[C2], 6);
    EXPECT_EQ(KnightOutpost[E5], 8);
    EXPECT_EQ(KnightOutpost[D6], 0);
    EXPECT_EQ(BishopOutpost[E3], 13);
    EXPECT_EQ(BishopOutpost[C4], 8);
    for (Square sq : {C3, F3, C5, F5, D4}) EXPECT_EQ(MinorMobilityFlag[sq], 0) << sq;
    for (Square sq : {B3, G5, C2, F6, A1, H8}) EXPECT_EQ(MinorMobilityFlag[sq], 1) << sq;
    for (i32 i = 0; i < 17; i++) EXPECT_EQ(ThreatBalanceBonus[i], -ThreatBalanceBonus[16 - i]) << i;
}

TEST_F(PieceActivity, RookTermsOnFilesAndRanks) {
    const auto halfOpenAndBoxed = [] {
        RookHalfOpenFile = 5;
        RookBoxedPenalty = 20;
        for (i32 f = 0; f < 8; f++) RookOpenFileBonus[f] = 16 + f;
    };
    const auto ranks = [] {
        RookOnSeventh = 30;
        RookSeventhDoubled = 24;
        RookSeventhPasser = 20;
        RookOnEighth = 20;
    };
    const TermCase cases[] = {
        // An open file earns its file bonus, never the half-open one.
        {"open a-file", "4k3/8/8/8/8/8/8/R3K3 w - -", halfOpenAndBoxed, {-16, 0, 0}},
        {"open d-file, black rook", "3rk3/8/8/8/8/8/8/4K3 w - -", halfOpenAndBoxed, {19, 0, 0}},
        {"half-open file", "4k3/8/3p4/8/8/8/8/3RK3 w - -", halfOpenAndBoxed, {-5, 0, 0}},
        {"own pawn on the file", "4k3/8/8/8/3P4/8/8/3RK3 w - -", halfOpenAndBoxed, {0, 0, 0}},
        // At the edge the single neighbour on the rank boxes the rook in.
        {"boxed on the a-file", "4k3/8/8/8/8/8/8/RN2K3 w - -", halfOpenAndBoxed, {-16 + 20, 0, 0}},
        {"boxed on the h-file", "4k3/8/8/8/8/8/8/4K1NR w - -", halfOpenAndBoxed, {-23 + 20, 0, 0}},
        {"free between two men", "4k3/8/8/8/8/8/8/1NR1K3 w - -", halfOpenAndBoxed, {-18, 0, 0}},
        {"rook on the seventh", "4k3/R7/8/8/8/8/8/4K3 w - -", ranks, {-30, 0, 0}},
        {"doubled on the seventh", "4k3/R6R/8/8/8/8/8/4K3 w - -", ranks, {-108, 0, 0}},
        {"seventh with a passer", "4k3/R7/8/8/8/8/P7/4K3 w - -", ranks, {-50, 0, 0}},
        {"seventh, king off the back rank, no pawn",
         "8/R7/4k3/8/8/8/8/4K3 w - -",
         ranks,
         {0, 0, 0}},
        {"seventh, king away but a pawn there", "8/R3p3/3k4/8/8/8/8/4K3 w - -", ranks, {-30, 0, 0}},
        {"black rook on the second", "4k3/8/8/8/8/8/r7/4K3 w - -", ranks, {30, 0, 0}},
        {"eighth with two rooks", "R3k3/8/8/8/8/8/8/R3K3 b - -", ranks, {-20, 0, 0}},
        {"eighth with one rook", "R3k3/8/8/8/8/8/8/4K3 b - -", ranks, {0, 0, 0}},
    };
    for (const TermCase& c : cases) {
        SilencePieceParams();
        c.enable();
        ExpectTerms(c, Run(c.fen));
    }
}

TEST_F(PieceActivity, MobilityAgainstItsAverage) {
    const auto mobility = [] {
        RookMobilityOpening = 2;
        RookMobilityEndgame = 4;
        QueenMobilityOpening = 1;
        QueenMobilityEndgame = 2;
        BishopMobilityOpening = 3;
        BishopMobilityEndgame = 3;
    };
    const TermCase cases[] = {
        // a1 rook: a2..a8 and b1..d1 up to its own king on e1 = 10 squares.
        {"rook", "7k/8/8/8/8/8/8/R3K3 w - -", mobility, {0, -(10 - 7) * 2, -(10 - 7) * 4}},
        // d4 queen on an open board: 27 squares.
        {"queen", "k7/8/8/8/3Q4/8/8/4K3 w - -", mobility, {0, -(27 - 13), -(27 - 13) * 2}},
        // Black bishop a8 with a black pawn on c6: only b7 is free.
        {"bishop", "b6k/8/2p5/8/8/8/8/4K3 w - -", mobility, {0, (1 - 6) * 3, (1 - 6) * 3}},
    };
    for (const TermCase& c : cases) {
        SilencePieceParams();
        c.enable();
        ExpectTerms(c, Run(c.fen));
    }
}

TEST_F(PieceActivity, KnightLowMobilityAndOutposts) {
    const auto lowMobility = [] {
        KnightLowMobility[0] = 85;
        KnightLowMobilityDecay = 204;
        DeriveParameterTables();
    };
    const auto nothing = [] {};
    // KnightLowMobility: 85, 67, 53, 42, 33, 26, 20, ...; MinorSquareWeight
    // of a1 is 120.
    const TermCase cases[] = {
        // b3 (weight 4) and c2 (weight 2): 6 -> 20 * 120 >> 6 = 37 for Black.
        {"knight in the corner", "4k3/8/8/8/8/8/8/N3K3 w - -", lowMobility, {37, 0, 0}},
        // Black has no pieces: b3, attacked by the c4 pawn, drops out: 2 -> 53.
        {"corner, pawn-guarded square", "4k3/8/8/8/2p5/8/8/N3K3 w - -", lowMobility, {99, 0, 0}},
        // With a black knight the guarded b3 counts in class 1: 2 + 1 -> 42.
        {"corner, enemy knight", "4k3/8/8/8/2pn4/8/8/N3K3 w - -", lowMobility, {78, 0, 0}},
        // b4: four empty squares (16) and two on the second rank (4) reach 18.
        {"enough room on b4", "4k3/8/8/8/1N6/8/8/4K3 w - -", lowMobility, {0, 0, 0}},
        // d4 is in the centre: never tested.
        {"central square", "4k3/8/8/8/3N4/8/8/4K3 w - -", lowMobility, {0, 0, 0}},
        // Outposts: d5 reads 20 for White. Safe from pawns: 10; one pawn
        // defender and no black bishop: 30 more.
        {"outpost, one defender", "3qk2r/8/8/3N4/4P3/8/8/4K3 w - -", nothing, {-40, 0, 0}},
        {"outpost, two defenders", "3qk2r/8/8/3N4/2P1P3/8/8/4K3 w - -", nothing, {-40, 0, 0}},
        // A black bishop on d5's colour leaves one defender worth v only.
        {"outpost, enemy bishop", "2bqk2r/8/8/3N4/4P3/8/8/4K3 w - -", nothing, {-30, 0, 0}},
        {"outpost, bishop of the other colour",
         "3qkb1r/8/8/3N4/4P3/8/8/4K3 w - -",
         nothing,
         {-40, 0, 0}},
        {"outpost within reach of a pawn", "3qk2r/4p3/8/3N4/4P3/8/8/4K3 w - -", nothing, {0, 0, 0}},
        {"outpost, no defender", "3qk2r/8/8/3N4/8/8/8/4K3 w - -", nothing, {-10, 0, 0}},
        // White's own king is in an ending (Black has a rook only): no outpost.
        {"outpost in an ending", "4k2r/8/8/3N4/4P3/8/8/4K3 w - -", nothing, {0, 0, 0}},
        // Each knight earns a bonus per blocked enemy pawn.
        {"blocked enemy pawns",
         "4k3/8/8/3p4/3P4/8/8/N3K3 w - -",
         [] { KnightBlockedPawnBonus = 3; },
         {-3, 0, 0}},
    };
    for (const TermCase& c : cases) {
        SilencePieceParams();
        c.enable();
        ExpectTerms(c, Run(c.fen));
    }
}

TEST_F(PieceActivity, BishopAndQueenTerms) {
    const TermCase cases[] = {
        {"trapped on a7",
         "4k3/B7/1p6/8/8/8/8/4K3 w - -",
         [] { TrappedBishopPenalty = 180; },
         {180, 0, 0}},
        {"trapped on h2",
         "4k3/8/8/8/8/6P1/7b/4K3 w - -",
         [] { TrappedBishopPenalty = 180; },
         {-180, 0, 0}},
        // Dark c1 bishop, dark pawns d2 and e3: e3 is stopped by the e4 pawn,
        // d2 by that pawn's attack on d3.
        {"bad bishop",
         "4k3/8/8/8/4p3/4P3/3P4/2B1K3 w - -",
         [] {
             BadBishopPawnOpening = 2;
             BadBishopBlockedOpening = 4;
             BadBishopPawnEndgame = 4;
             BadBishopBlockedEndgame = 6;
         },
         {0, 2 * 2 + 2 * 4, 2 * 4 + 2 * 6}},
        {"lone bishop, pawns on both wings",
         "4k1n1/7p/8/8/8/8/P7/4KB2 w - -",
         [] { LoneBishopBothWings = 25; },
         {-25, 0, 0}},
        {"lone bishop against a bishop",
         "4kbn1/7p/8/8/8/8/P7/4KB2 w - -",
         [] { LoneBishopBothWings = 25; },
         {0, 0, 0}},
        {"fianchetto",
         "q3k2r/8/8/8/8/6P1/5PBP/6K1 w - -",
         [] { FianchettoBishopBonus = 10; },
         {-10, 0, 0}},
        {"fianchetto without the g3 pawn",
         "q3k2r/8/8/8/8/8/5PBP/6K1 w - -",
         [] { FianchettoBishopBonus = 10; },
         {0, 0, 0}},
        {"queen on the eighth",
         "Q3k3/8/8/8/8/8/8/4K3 b - -",
         [] { QueenOnEighth = 30; },
         {-30, 0, 0}},
        {"queen and rook on the seventh",
         "4k3/QR6/8/8/8/8/8/4K3 w - -",
         [] { QueenSeventhDoubled = 10; },
         {-10, 0, 0}},
    };
    for (const TermCase& c : cases) {
        SilencePieceParams();
        c.enable();
        ExpectTerms(c, Run(c.fen));
    }
}

TEST_F(PieceActivity, PinsAgainstTheKing) {
    const auto pinValues = [] {
        SquareWeightA[PinIndex(ROOK, KNIGHT)] = 7;
        SquareWeightB[PinIndex(ROOK, KNIGHT)] = 11;
        SquareWeightA[PinIndex(BISHOP, KNIGHT)] = 5;
        SquareWeightB[PinIndex(BISHOP, KNIGHT)] = 3;
        SquareWeightA[PinIndex(QUEEN, ROOK)] = 2;
        SquareWeightB[PinIndex(QUEEN, ROOK)] = 9;
    };
    const TermCase cases[] = {
        {"rook pins a knight", "4k3/8/8/4n3/8/8/8/K3R3 w - -", pinValues, {0, -7, -11}},
        {"own man in the way", "4k3/8/8/4n3/8/8/4P3/K3R3 w - -", pinValues, {0, 0, 0}},
        {"two enemy men in the way", "4k3/4p3/8/4n3/8/8/8/K3R3 w - -", pinValues, {0, 0, 0}},
        {"bishop pins a knight", "4k3/8/2n5/1B6/8/8/8/K7 w - -", pinValues, {0, -5, -3}},
        {"a rook does not pin along a diagonal",
         "4k3/8/2n5/1R6/8/8/8/K7 w - -",
         pinValues,
         {0, 0, 0}},
        {"black queen pins a rook", "k7/8/8/8/8/q1R1K3/8/8 w - -", pinValues, {0, 2, 9}},
    };
    for (const TermCase& c : cases) {
        SilencePieceParams();
        c.enable();
        ExpectTerms(c, Run(c.fen));
    }
    SilencePieceParams();
    pinValues();
    Run("4k3/8/8/4n3/8/8/8/K3R3 w - -");
    EXPECT_TRUE(eval_info.alert_squares[BLACK] & SquareBit(E5));
}

TEST_F(PieceActivity, ThreatenedPieces) {
    struct Case {
        const char* fen;
        i32 white;
        i32 black;
    } cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", 0, 0},
        // A defended knight attacked by a pawn.
        {"4k3/8/3p4/4N3/3P4/8/8/4K3 w - -", 1, 0},
        // A defended rook attacked by a knight.
        {"4k3/8/5n2/3R4/2P5/8/8/4K3 w - -", 1, 0},
        // A queen attacked by a rook.
        {"3rk3/8/8/8/3Q4/2P5/8/4K3 w - -", 1, 0},
        // Hanging men: an undefended knight next to the enemy king, an
        // undefended pawn attacked by a bishop.
        {"4k3/3N4/8/8/8/8/8/4K3 w - -", 1, 0},
        {"4k3/8/8/b7/8/8/3P4/K7 w - -", 1, 0},
        // The same pawn defended by its king is safe.
        {"4k3/8/8/b7/8/8/3P4/4K3 w - -", 0, 0},
        {"4k3/4q3/8/8/8/8/4R3/4K3 b - -", 0, 1},
    };
    for (const Case& c : cases) {
        SilencePieceParams();
        Prepare(c.fen);
        EvaluatePieceActivity();
        EXPECT_EQ(eval_info.threatened_count[WHITE], c.white) << c.fen;
        EXPECT_EQ(eval_info.threatened_count[BLACK], c.black) << c.fen;
        // The balance bonus is the only term left in total.
        EXPECT_EQ(eval_info.total, ThreatBalanceBonus[c.white - c.black + 8]) << c.fen;
    }
}

TEST_F(PieceActivity, AttackPointsAgainstTheKing) {
    struct Case {
        const char* what;
        const char* fen;
        i32 whiteDanger;
        i32 whiteAttackers;
        i32 blackDanger;
        i32 blackAttackers;
    } cases[] = {
        // The white queen behind its pawns and king reaches nothing; Black
        // has no pieces, so White's king is in an ending.
        {"quiet queen", "6k1/8/8/8/8/8/PP6/Q3K3 w - -", 0, 0, 0, 0},
        // The knight reaches g7 (one zone square, unsafe): 3.
        {"knight on h5", "6k1/8/8/7N/8/8/PP6/Q3K3 w - -", 3, 1, 0, 0},
        // f8 and g7: 4.
        {"knight on e6", "6k1/8/4N3/8/8/8/PP6/Q3K3 w - -", 4, 1, 0, 0},
        // No zone square, but a safe knight check from f6: table[1] = 3.
        {"knight check square", "6k1/8/8/8/4N3/8/PP6/Q3K3 w - -", 3, 1, 0, 0},
        // Black in an ending (White: rook and bishop only): nothing gathered.
        {"enemy in an ending", "6k1/8/4N3/8/8/8/PP6/R3K3 w - -", 0, 0, 0, 0},
        // Kings in touch, both sides with enough material: 2 each.
        {"touching kings", "6nq/6pp/8/2k5/8/2K5/6PP/6NQ w - -", 2, 0, 2, 0},
    };
    for (const Case& c : cases) {
        SilencePieceParams();
        Prepare(c.fen);
        EvaluatePieceActivity();
        EXPECT_EQ(eval_info.danger[WHITE], c.whiteDanger) << c.what;
        EXPECT_EQ(eval_info.attacker_count[WHITE], c.whiteAttackers) << c.what;
        EXPECT_EQ(eval_info.danger[BLACK], c.blackDanger) << c.what;
        EXPECT_EQ(eval_info.attacker_count[BLACK], c.blackAttackers) << c.what;
    }
}

TEST_F(PieceActivity, PawnsAgainstTheKingShelter) {
    struct Case {
        const char* what;
        const char* fen;
        i32 shelterBefore;
        i32 blackDanger;
        i32 whiteShelter;
    } cases[] = {
        // h3 hits g2, a zone square holding a white pawn: danger +2, and the
        // white shelter gets one point worse.
        {"pawn attacks a shelter pawn", "3qk2r/3p3p/8/8/8/7p/5PPP/6K1 w - -", 5, 2, 6},
        // The same from a full shelter penalty: it stays at the maximum.
        {"shelter already at its worst", "3qk2r/3p3p/8/8/8/7p/5PPP/6K1 w - -", 63, 2, 63},
        // h3 hits the empty g2 and is itself blocked: +1 - 1.
        {"blocked pawn on an empty zone square", "3qk2r/3p3p/8/8/8/6Pp/5P1P/6K1 w - -", 5, 0, 5},
    };
    for (const Case& c : cases) {
        SilencePieceParams();
        Prepare(c.fen, c.shelterBefore, 0);
        EvaluatePieceActivity();
        EXPECT_EQ(eval_info.danger[BLACK], c.blackDanger) << c.what;
        EXPECT_EQ(eval_info.shelter_penalty[WHITE], c.whiteShelter) << c.what;
    }
}

TEST_F(PieceActivity, FinalZoneCounts) {
    // Black queen on h4 and rook on f8 against the white king on g1.
    Prepare("5rk1/8/8/8/7q/8/5PP1/6K1 w - -");
    EvaluatePieceActivity();
    const u64 zone = eval_info.king_zone[WHITE];
    const u64 hits = eval_info.attacked_by[BLACK] & zone;
    const i32 before = eval_info.danger[BLACK];
    CountKingZoneAttacks(WHITE);
    // Queen + rook = 14 units (> 12): the squares in front of the king count too.
    const u64 front = SquareBit(F2) | SquareBit(G2) | SquareBit(H2);
    const i32 expected = __builtin_popcountll(hits) +
                         __builtin_popcountll(hits & ~eval_info.attacked_by[WHITE]) +
                         __builtin_popcountll(hits & front & ~board.Bitboards[0][WHITE]);
    EXPECT_EQ(eval_info.danger[BLACK] - before, expected);
    // The queen reaches h2 and h1 down the h-file, the rook f2.
    EXPECT_TRUE(hits & SquareBit(H2));
    EXPECT_TRUE(hits & SquareBit(H1));
    EXPECT_TRUE(hits & SquareBit(F2));
    EXPECT_GE(expected, 5);
}

}  // namespace
