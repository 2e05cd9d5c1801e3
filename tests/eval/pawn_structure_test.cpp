#include "eval/pawn_structure.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/attacks.h"
#include "board/board.h"
#include "board/fen.h"
#include "board/position_check.h"
#include "board/random.h"
#include "eval/eval_info.h"
#include "eval/eval_params.h"
#include "eval/king_shelter.h"
#include "search/hash_tables.h"
#include "support/eval_positions.h"

namespace {

using PawnStructure = EvalTest;

// The pawn terms of the current position, from zero sums.
struct PawnScores {
    i32 opening = 0;
    i32 endgame = 0;
};

PawnScores ScorePawns() {
    eval_info = EvalInfo{};
    PawnScores scores;
    EvaluatePawnStructure(&scores.opening, &scores.endgame);
    return scores;
}

u64 FileSquares(u8 files, u64 pawns) {
    u64 squares = 0;
    for (i32 file = 0; file < 8; file++)
        if (files & (1 << file)) squares |= FileMask[file];
    return squares & pawns;
}

// Scores (black minus white) and the file masks of both sides with the
// built-in parameters.
struct StructureCase {
    const char* fen;
    i32 opening, endgame;
    u8 passedWhite, passedBlack;
    u8 candidateWhite, candidateBlack;
    u8 weakWhite, weakBlack;
    u8 filesWhite, filesBlack;
};

// clang-format off
const StructureCase StructureCases[] = {
    // No pawns: nothing, and no spread (both ends read as 8).
    {"4k3/8/8/8/8/8/8/4K3 w - -", 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    // Eight pawns each side by side: the chain bonus of the second rank is 0.
    {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF},
    // An isolated passed a-pawn on an open file.
    {"4k3/8/8/8/P7/8/8/4K3 w - -", 18, 18, 0x01, 0, 0, 0, 0x01, 0, 0x01, 0},
    // Doubled isolated e-pawns: e3 doubled and open, e2 closed by e3.
    {"4k3/8/8/8/8/4P3/4P3/4K3 w - -", 46, 64, 0x10, 0, 0, 0, 0x10, 0, 0x10, 0},
    // d3 backward (c5 guards d4) on an open file; e4 passed and defended by
    // d3 (chain 5); c5 isolated; White spread 1.
    {"4k3/8/8/2p5/4P3/3P4/8/4K3 w - -", -7, -19, 0x10, 0, 0, 0, 0x08, 0x04, 0x18, 0x04},
    // b5 a candidate (a4 supports and defends, c7 the one sentry) at
    // relative rank 4, with chain 6 (the table at b4); a4 passed; c7 isolated.
    {"4k3/2p5/8/1P6/P7/8/8/4K3 w - -", -46, -72, 0x01, 0, 0x02, 0, 0, 0x04, 0x03, 0x04},
    // The same with the colours exchanged.
    {"4k3/8/8/p7/1p6/8/2P5/4K3 w - -", 46, 72, 0, 0x01, 0, 0x02, 0x04, 0, 0x04, 0x03},
    // A black pawn on b6 defended from a7 earns the chain bonus of b6 (2).
    {"4k3/p7/1p6/8/8/8/8/4K3 w - -", 2, 8, 0, 0x03, 0, 0, 0, 0, 0, 0x03},
    // A white pawn on b3 defended from a2 reads the table at b6: 2 again.
    {"4k3/8/8/8/8/1P6/P7/4K3 w - -", -2, -8, 0x03, 0, 0, 0, 0, 0, 0x03, 0},
    // d2 may double-step to c4's side: not backward.
    {"4k3/8/8/8/2P5/8/3P4/4K3 w - -", 0, -6, 0x0C, 0, 0, 0, 0, 0, 0x0C, 0},
    // ... unless a black pawn on e5 guards d4: backward on an open file.
    {"4k3/8/8/4p3/2P5/8/3P4/4K3 w - -", -4, -16, 0x04, 0, 0, 0, 0x08, 0x10, 0x0C, 0x10},
    // Isolated pawns blocked on their file are not weak on an open file.
    {"4k3/8/8/1p6/8/1P6/1P6/4K3 w - -", 19, 37, 0, 0, 0, 0, 0, 0, 0x02, 0x02},
};
// clang-format on

TEST_F(PawnStructure, ScoresAndMasks) {
    for (const StructureCase& c : StructureCases) {
        SCOPED_TRACE(c.fen);
        ASSERT_EQ(ParseFen(c.fen), 1);
        const PawnScores scores = ScorePawns();
        EXPECT_EQ(scores.opening, c.opening);
        EXPECT_EQ(scores.endgame, c.endgame);
        const PawnEntry& entry = board.LastPawnEntry;
        EXPECT_EQ(entry.key, board.PawnHashKey);
        EXPECT_EQ(entry.opening, c.opening);
        EXPECT_EQ(entry.endgame, c.endgame);
        EXPECT_EQ(PassedVectorOf(entry, WHITE), c.passedWhite);
        EXPECT_EQ(PassedVectorOf(entry, BLACK), c.passedBlack);
        EXPECT_EQ(CandidateFilesOf(entry, WHITE), c.candidateWhite);
        EXPECT_EQ(CandidateFilesOf(entry, BLACK), c.candidateBlack);
        EXPECT_EQ(WeakOpenFilesOf(entry, WHITE), c.weakWhite);
        EXPECT_EQ(WeakOpenFilesOf(entry, BLACK), c.weakBlack);
        EXPECT_EQ(PawnFilesOf(entry, WHITE), c.filesWhite);
        EXPECT_EQ(PawnFilesOf(entry, BLACK), c.filesBlack);
        for (Side side : {WHITE, BLACK})
            EXPECT_EQ(eval_info.passed_pawns[side],
                      FileSquares(PassedVectorOf(entry, side), board.Bitboards[PAWN][side]))
                << "side " << side;
    }
}

TEST_F(PawnStructure, EntryKeepsTheFieldOrderOfTheRecord) {
    // Passers and weak files are stored black first, pawn files and
    // candidates white first.
    ASSERT_EQ(ParseFen("4k3/2p5/8/1P6/P7/8/8/4K3 w - -"), 1);
    ScorePawns();
    const PawnEntry& entry = board.LastPawnEntry;
    EXPECT_EQ(entry.PassedVector[0], 0);
    EXPECT_EQ(entry.PassedVector[1], 0x01);
    EXPECT_EQ(entry.WeakOpenFiles[0], 0x04);
    EXPECT_EQ(entry.WeakOpenFiles[1], 0);
    EXPECT_EQ(entry.PawnFiles[0], 0x03);
    EXPECT_EQ(entry.CandidateFiles[0], 0x02);
    EXPECT_EQ(eval_info.passed_pawns[WHITE], SquareBit(A4));
}

TEST_F(PawnStructure, ScoresAddToTheGivenSums) {
    ASSERT_EQ(ParseFen("4k3/8/8/8/P7/8/8/4K3 w - -"), 1);
    i32 opening = 1000, endgame = -1000;
    EvaluatePawnStructure(&opening, &endgame);
    EXPECT_EQ(opening, 1018);
    EXPECT_EQ(endgame, -982);
    // Again from the board's copy of the entry.
    EvaluatePawnStructure(&opening, &endgame);
    EXPECT_EQ(opening, 1036);
    EXPECT_EQ(endgame, -964);
}

TEST_F(PawnStructure, BreakThroughOfABlockedPawn) {
    struct Case {
        const char* fen;
        i32 relativeRank;
        i32 endgameGain;  // change of the black-minus-white endgame score
    };
    // clang-format off
    const Case cases[] = {
        // c6 blocked by c7, d5 behind it to the right, nothing on d or e.
        {"4k3/2p5/2P5/3P4/8/8/8/4K3 w - -", 5, -50},
        // e7 stands by to take on d6: no break to the right, none to the left.
        {"4k3/2p1p3/2P5/3P4/8/8/8/4K3 w - -", 5, 0},
        // The break to the left with b5 instead (the a file is clear).
        {"4k3/2p5/2P5/1P6/8/8/8/4K3 w - -", 5, -50},
        // A black pawn further up the break file stops it.
        {"4k3/2pp4/2P5/3P4/8/8/8/4K3 w - -", 5, 0},
        // Black's break, c3 blocked by c2 with d4 behind it.
        {"4k3/8/8/8/3p4/2p5/2P5/4K3 w - -", 5, 50},
        // A pawn that is not blocked does not break through.
        {"4k3/8/2P5/3P4/8/8/8/4K3 w - -", 5, 0},
        // On the g file the break goes to h with nothing beyond it.
        {"4k3/6p1/6P1/7P/8/8/8/4K3 w - -", 5, -50},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fen);
        ASSERT_EQ(ParseFen(c.fen), 1);
        BreakthroughBonus[c.relativeRank] = 0;
        ClearPawnHash();
        const PawnScores without = ScorePawns();
        BreakthroughBonus[c.relativeRank] = 50;
        ClearPawnHash();
        const PawnScores with = ScorePawns();
        BreakthroughBonus[c.relativeRank] = 0;
        EXPECT_EQ(with.endgame - without.endgame, c.endgameGain);
        EXPECT_EQ(with.opening, without.opening);
    }
}

TEST_F(PawnStructure, PushSafety) {
    struct Case {
        const char* fen;
        Side side;
        Square pawn;
        i32 safe;
    };
    // clang-format off
    const Case cases[] = {
        {"4k3/8/8/8/4P3/8/8/4K3 b - -", WHITE, E4, 1},      // nothing bears on e5
        {"4k3/8/3p4/8/4P3/8/8/4K3 b - -", WHITE, E4, 0},    // d6 takes for free
        {"4k3/8/3p4/8/4PP2/8/8/4K3 b - -", WHITE, E4, 1},   // f4 takes back
        {"4k3/8/8/4p3/4P3/8/8/4K3 b - -", WHITE, E4, 0},    // blocked
        {"4k3/8/8/4p3/8/8/8/4K3 w - -", BLACK, E5, 1},
        {"4k3/8/8/4p3/8/3P4/8/4K3 w - -", BLACK, E5, 0},    // d3 guards e4
        {"4k3/8/8/4pp2/8/3P4/8/4K3 w - -", BLACK, E5, 1},
        {"4k3/8/8/4p3/4N3/8/8/4K3 w - -", BLACK, E5, 0},    // blocked by a piece
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fen);
        ASSERT_EQ(ParseFen(c.fen), 1);
        const Side toMove = board.SideToMove;
        const i32 result =
            c.side == WHITE ? WhitePawnPushIsSafe(c.pawn) : BlackPawnPushIsSafe(c.pawn);
        EXPECT_EQ(result, c.safe);
        EXPECT_EQ(board.SideToMove, toMove);
    }
}

TEST_F(PawnStructure, NothingIsReadOffTheBoard) {
    // Set-up refuses pawns on the first and last ranks; built by hand they
    // are still evaluated without leaving the board.
    ClearBoard();
    AddPiece(E1, WHITE, KING);
    AddPiece(E8, BLACK, KING);
    for (Square sq : {A8, D8, H8, B7, G2}) AddPiece(sq, WHITE, PAWN);
    for (Square sq : {A1, C1, H1, G7, B2}) AddPiece(sq, BLACK, PAWN);
    ClearPawnHash();
    ScorePawns();
    ComputeShelterDefects();
    EXPECT_EQ(WhitePawnPushIsSafe(A8), 0);
    EXPECT_EQ(WhitePawnPushIsSafe(H8), 0);
    EXPECT_EQ(BlackPawnPushIsSafe(A1), 0);
    EXPECT_EQ(BlackPawnPushIsSafe(H1), 0);
    EXPECT_EQ(WhitePawnPushIsSafe(64), 0);
    EXPECT_EQ(BlackPawnPushIsSafe(-1), 0);
}

// ---------------------------------------------------------------------------
// The pawn hash.

constexpr const char* WithPieces = "r3k2r/pp3ppp/2p5/3p4/3P4/4P3/PP3PPP/R3K2R w KQkq -";
constexpr const char* SamePawnsOtherPieces = "4k3/pp3ppp/2p5/3p4/3P4/4P3/PP3PPP/2B1K1N1 b - -";
constexpr const char* OtherPawns = "4k3/pp3ppp/2p5/3p4/3P4/8/PP2PPPP/4K3 w - -";

TEST_F(PawnStructure, PositionsWithTheSamePawnsShareAnEntry) {
    ASSERT_EQ(ParseFen(WithPieces), 1);
    const PawnScores first = ScorePawns();
    const u64 key = board.PawnHashKey;
    PawnEntry& slot = PawnTable[u32(key) % PawnEntries];
    ASSERT_EQ(slot.key, key);
    EXPECT_EQ(slot.opening, first.opening);

    // Mark the stored entry, forget the board's copy: the other position
    // with the same pawns must answer from the table, not recompute.
    slot.opening = 777;
    slot.PassedVector[0] = 0x80;
    ASSERT_EQ(ParseFen(SamePawnsOtherPieces), 1);
    ASSERT_EQ(board.PawnHashKey, key);
    board.LastPawnEntry.key = WipedKey;
    const PawnScores second = ScorePawns();
    EXPECT_EQ(second.opening, 777);
    EXPECT_EQ(second.endgame, first.endgame);
    EXPECT_EQ(board.LastPawnEntry.key, key);
    EXPECT_EQ(PassedVectorOf(board.LastPawnEntry, BLACK), 0x80);
    EXPECT_EQ(eval_info.passed_pawns[BLACK], board.Bitboards[PAWN][BLACK] & FileMask[7]);

    // With the copy in the board the table is not even read.
    slot.opening = 555;
    EXPECT_EQ(ScorePawns().opening, 777);
}

TEST_F(PawnStructure, ACollisionReplacesTheEntry) {
    // One entry: every pawn key lands on it.
    PawnEntries = 1;
    AllocPawnHash();
    ClearPawnHash();

    ASSERT_EQ(ParseFen(WithPieces), 1);
    const u64 firstKey = board.PawnHashKey;
    const PawnScores first = ScorePawns();
    PawnTable[0].opening = 999;  // a marker in the first pawns' entry

    ASSERT_EQ(ParseFen(OtherPawns), 1);
    const u64 secondKey = board.PawnHashKey;
    ASSERT_NE(secondKey, firstKey);
    const PawnScores second = ScorePawns();
    EXPECT_EQ(PawnTable[0].key, secondKey);
    EXPECT_EQ(PawnTable[0].opening, second.opening);

    // Back to the first pawns: recomputed (the marker is gone) and stored.
    ASSERT_EQ(ParseFen(WithPieces), 1);
    const PawnScores again = ScorePawns();
    EXPECT_EQ(again.opening, first.opening);
    EXPECT_EQ(again.endgame, first.endgame);
    EXPECT_EQ(PawnTable[0].key, firstKey);
}

TEST_F(PawnStructure, WorksWithoutATable) {
    ASSERT_EQ(ParseFen(WithPieces), 1);
    const PawnScores hashed = ScorePawns();
    const PawnEntry hashedEntry = board.LastPawnEntry;

    PawnEntries = 0;
    AllocPawnHash();
    ClearPawnHash();
    for (i32 round = 0; round < 2; round++) {
        const PawnScores plain = ScorePawns();
        EXPECT_EQ(plain.opening, hashed.opening);
        EXPECT_EQ(plain.endgame, hashed.endgame);
        const PawnEntry& entry = board.LastPawnEntry;
        EXPECT_EQ(entry.key, WipedKey);
        EXPECT_EQ(PassedVectorOf(entry, WHITE), PassedVectorOf(hashedEntry, WHITE));
        EXPECT_EQ(PawnFilesOf(entry, BLACK), PawnFilesOf(hashedEntry, BLACK));
        EXPECT_EQ(entry.white_defects_q, hashedEntry.white_defects_q);
        EXPECT_EQ(entry.black_defects_k, hashedEntry.black_defects_k);
    }
    // The spare records stay untouched.
    for (u32 i = 0; i < PawnSpareEntries; i++) EXPECT_EQ(PawnTable[i].key, WipedKey);

    // A position without pawns (key 0) is computed, not taken from the
    // copy the previous pawns left behind.
    ASSERT_EQ(ParseFen("4k3/8/8/8/8/8/8/4K3 w - -"), 1);
    ASSERT_EQ(board.PawnHashKey, 0u);
    const PawnScores none = ScorePawns();
    EXPECT_EQ(none.opening, 0);
    EXPECT_EQ(none.endgame, 0);
    EXPECT_EQ(PawnFilesOf(board.LastPawnEntry, WHITE), 0);
    EXPECT_EQ(board.LastPawnEntry.white_defects_k, 16);
    EXPECT_EQ(board.LastPawnEntry.key, WipedKey);
}

TEST_F(PawnStructure, AWipedTableAnswersNoPawnlessPosition) {
    ASSERT_EQ(ParseFen(WithPieces), 1);
    ScorePawns();
    ClearPawnHash();
    ASSERT_EQ(board.LastPawnEntry.key, WipedKey);
    ASSERT_EQ(ParseFen("4k3/8/8/8/8/8/8/4K3 w - -"), 1);
    ScorePawns();
    EXPECT_EQ(PawnFilesOf(board.LastPawnEntry, WHITE), 0);
    EXPECT_EQ(PawnFilesOf(board.LastPawnEntry, BLACK), 0);
    EXPECT_EQ(board.LastPawnEntry.black_defects_q, 16);
    EXPECT_EQ(board.LastPawnEntry.key, 0u);
}

// ---------------------------------------------------------------------------
// Colour symmetry: the position mirrored top to bottom with the colours and
// the side to move exchanged gives the mirrored result.

struct Snapshot {
    PawnScores scores;
    PawnEntry entry;
    u64 passed[2];
    i32 shelter[2];
    i32 penalty[2];
};

Snapshot TakeSnapshot() {
    Snapshot s;
    s.scores = ScorePawns();
    s.entry = board.LastPawnEntry;
    s.passed[WHITE] = eval_info.passed_pawns[WHITE];
    s.passed[BLACK] = eval_info.passed_pawns[BLACK];
    s.shelter[BLACK] = EvaluateBlackKingShelter();
    s.shelter[WHITE] = EvaluateWhiteKingShelter();
    s.penalty[WHITE] = eval_info.shelter_penalty[WHITE];
    s.penalty[BLACK] = eval_info.shelter_penalty[BLACK];
    return s;
}

::testing::AssertionResult MirrorsWithColours(const std::string& fen) {
    if (ParseFen(fen.c_str()) != 1) return ::testing::AssertionFailure() << "refused " << fen;
    const Snapshot s = TakeSnapshot();
    const std::string mirroredFen = ColourFlippedFen(fen);
    if (ParseFen(mirroredFen.c_str()) != 1)
        return ::testing::AssertionFailure() << "refused " << mirroredFen;
    const Snapshot m = TakeSnapshot();

    auto fail = [&](const char* what) {
        return ::testing::AssertionFailure() << what << " differs: " << fen << " / " << mirroredFen;
    };
    if (m.scores.opening != -s.scores.opening) return fail("opening");
    if (m.scores.endgame != -s.scores.endgame) return fail("endgame");
    if (m.entry.white_defects_k != s.entry.black_defects_k ||
        m.entry.white_defects_q != s.entry.black_defects_q ||
        m.entry.black_defects_k != s.entry.white_defects_k ||
        m.entry.black_defects_q != s.entry.white_defects_q)
        return fail("defects");
    for (Side side : {WHITE, BLACK}) {
        const Side other = ChangeSide(side);
        if (PassedVectorOf(m.entry, side) != PassedVectorOf(s.entry, other)) return fail("passers");
        if (CandidateFilesOf(m.entry, side) != CandidateFilesOf(s.entry, other))
            return fail("candidates");
        if (WeakOpenFilesOf(m.entry, side) != WeakOpenFilesOf(s.entry, other))
            return fail("weak files");
        if (PawnFilesOf(m.entry, side) != PawnFilesOf(s.entry, other)) return fail("pawn files");
        if (m.passed[side] != FlipRanks(s.passed[other])) return fail("passed squares");
        if (m.shelter[side] != s.shelter[other]) return fail("shelter score");
        if (m.penalty[side] != s.penalty[other]) return fail("shelter penalty");
    }
    return ::testing::AssertionSuccess();
}

TEST_F(PawnStructure, ColourSymmetryOverAPerftWalk) {
    // Every seventh position keeps the set varied and a few hundred long.
    const std::vector<std::string> fens = PerftWalkSample(7);
    ASSERT_GT(fens.size(), 500u);
    for (const std::string& fen : fens) ASSERT_TRUE(MirrorsWithColours(fen));
}

// Random pawn structures with kings, queens and bishops placed around them,
// some with castling rights.
std::vector<std::string> RandomPawnPositions(i32 count) {
    RandomGenerator random;
    std::vector<std::string> fens;
    while (i32(fens.size()) < count) {
        Placement placement{};
        const auto put = [&](Square sq, Side side, PieceType type) {
            placement.type[sq] = type;
            placement.owner[sq] = side;
        };
        const auto randomEmpty = [&](i32 lowRank, i32 highRank) {
            for (;;) {
                const Square sq = MakeSquare(random.Next() % 8,
                                             lowRank + random.Next() % (highRank - lowRank + 1));
                if (placement.type[sq] == EMPTY) return sq;
            }
        };
        const bool castling = random.Next() % 3 == 0;
        if (castling) {
            put(E1, WHITE, KING), put(A1, WHITE, ROOK), put(H1, WHITE, ROOK);
            put(E8, BLACK, KING), put(A8, BLACK, ROOK), put(H8, BLACK, ROOK);
        } else {
            put(randomEmpty(0, 1), WHITE, KING);
            put(randomEmpty(6, 7), BLACK, KING);
        }
        for (Side side : {WHITE, BLACK}) {
            const i32 pawns = random.Next() % 9;
            for (i32 i = 0; i < pawns; i++) put(randomEmpty(1, 6), side, PAWN);
            if (random.Next() % 2) put(randomEmpty(0, 7), side, QUEEN);
            if (random.Next() % 2) put(randomEmpty(0, 7), side, BISHOP);
        }
        placement.sideToMove = random.Next() % 2 ? WHITE : BLACK;
        if (PlacementProblem(placement)) continue;

        std::string fen = PlacementFen(placement) + " ";
        const i32 rights = castling ? 1 + random.Next() % 15 : 0;
        std::string text;
        if (rights & 1) text += 'K';
        if (rights & 2) text += 'Q';
        if (rights & 4) text += 'k';
        if (rights & 8) text += 'q';
        fen += (text.empty() ? "-" : text) + " -";
        fens.push_back(fen);
    }
    return fens;
}

TEST_F(PawnStructure, ColourSymmetryOverRandomPawnStructures) {
    for (const std::string& fen : RandomPawnPositions(600)) ASSERT_TRUE(MirrorsWithColours(fen));
}

TEST_F(PawnStructure, MirroredFenExchangesColours) {
    EXPECT_EQ(ColourFlippedFen("rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f5"),
              "rnbqkbnr/pppp1ppp/8/8/3PpP2/8/PPP1P1PP/RNBQKBNR b KQkq f4");
    EXPECT_EQ(ColourFlippedFen("4k3/8/8/8/8/8/8/R3K3 b Q -"), "r3k3/8/8/8/8/8/8/4K3 w q -");
}

}  // namespace
