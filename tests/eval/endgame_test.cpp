#include "eval/endgame.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <sstream>
#include <string>

#include "board/attack_queries.h"
#include "board/attacks.h"
#include "board/board.h"
#include "board/fen.h"
#include "board/random.h"
#include "eval/eval_info.h"
#include "eval/material_table.h"
#include "search/search_limits.h"
#include "support/eval_positions.h"

namespace {

// Everything the low-material branch hands back to the evaluation.
struct Outcome {
    i32 final;
    i32 score;  // meaningful when final
    i32 total;  // meaningful when not final
    i32 material;
    i32 cannotWin[2];
    i32 ending[2];
    i32 phase[2];  // white_phase, black_phase
    i32 currentPhase;
    u64 allPawns;
    i32 symmetric;
    i32 cacheable;
};

// Runs the branch the way the evaluation does: a cleared record, the search's
// preset score, the plain material difference as the material term so far.
Outcome Evaluate(const std::string& fen) {
    Outcome out{};
    EXPECT_EQ(ParseFen(fen.c_str()), 1) << fen;
    FreshEvalInfo();
    eval_info.material = board.Material[BLACK] - board.Material[WHITE];
    board.AllPawns = 0;
    out.score = -MateScore;
    out.final = -1;
    out.total = EvaluateEndgameMaterial(&out.score, &out.final);
    out.material = eval_info.material;
    out.cannotWin[WHITE] = board.CannotWin[WHITE];
    out.cannotWin[BLACK] = board.CannotWin[BLACK];
    out.ending[WHITE] = eval_info.ENDING[WHITE];
    out.ending[BLACK] = eval_info.ENDING[BLACK];
    out.phase[WHITE] = board.white_phase;
    out.phase[BLACK] = board.black_phase;
    out.currentPhase = board.current_phase;
    out.allPawns = board.AllPawns;
    out.symmetric = eval_info.symmetric;
    out.cacheable = eval_info.cacheable;
    return out;
}

using EndgameTest = EvalTest;

constexpr i32 Skip = -99999;

struct SettledCase {
    const char* name;
    const char* fen;
    i32 score;
    i32 symmetric;  // Skip: not checked
    i32 cacheable;
};

TEST_F(EndgameTest, RecognisedEndingsSettleTheScore) {
    const SettledCase cases[] = {
        // King and pawn against king: 550 plus 50 a rank beyond the second.
        {"KPK won, white to move", "k7/8/1K6/1P6/8/8/8/8 w - -", 700, Skip, 1},
        {"KPK won, black to move", "k7/8/1K6/1P6/8/8/8/8 b - -", -700, Skip, 1},
        {"black KPK won, black to move", "8/8/8/8/1p6/1k6/8/K7 b - -", 700, 0, 1},
        {"black KPK won, white to move", "8/8/8/8/1p6/1k6/8/K7 w - -", -700, 0, 1},
        // Opposition: drawn with the pawn side to move, won with the other.
        {"KPK drawn by the opposition", "8/4k3/8/4K3/4P3/8/8/8 w - -", 0, 0, 1},
        {"KPK opposition, black to move", "8/4k3/8/4K3/4P3/8/8/8 b - -", -650, 0, 1},
        {"rook pawn, king on b8", "1k6/8/1K6/P7/8/8/8/8 w - -", 0, Skip, 1},
        // White's e-pawn stands below the black king; Black's h-pawn runs.
        {"blocked pawn, runner wins", "8/8/4k3/7p/4P3/8/8/K7 w - -", -650, Skip, 1},
        {"blocked pawn, runner on move", "8/8/4k3/7p/4P3/8/8/K7 b - -", 650, Skip, 1},
        // Opposite bishops: the king on b4 blockades a4 and b5.
        {"bishops, pawn pair blockaded", "7k/5b2/8/1p6/pK6/8/8/2B5 w - -", 0, 0, 1},
        {"bishops, blockade, black to move", "7k/5b2/8/1p6/pK6/8/8/2B5 b - -", 0, 0, 1},
        {"bishops, blockade on the h-file", "k7/2b5/8/6p1/6Kp/8/8/5B2 w - -", 0, 0, 1},
        // The king on c3 stops c4, the bishop on e5 holds d4.
        {"bishops, king and bishop blockade", "k7/5b2/8/3pB3/2p5/2K5/8/8 w - -", 0, 0, 1},
        // Opposite bishops, one pawn: the bishop on the path, or the king in
        // front of a pawn not beyond the fifth rank.
        {"bishops, bishop on the path", "6b1/8/8/4P3/8/8/3B4/K6k w - -", 0, 0, 1},
        {"bishops, king in front", "b7/4k3/8/8/4P3/8/8/2B4K w - -", 0, 0, 1},
        {"bishops, pawn counted one back", "b3k3/8/4P3/8/8/8/8/2B3K1 b - -", 0, 0, 1},
        // Bishop and pawn against knight: the knight on a8 guards b6 after
        // the push, and the king catches the runner.
        {"knight stops the pawn", "n7/4k3/8/1P6/8/8/8/2B1K3 w - -", 0, 0, 1},
        // The pawn queens on b8 where the knight from a6 takes it.
        {"knight takes the new queen", "8/1Pk5/n7/8/8/8/8/2B1K3 w - -", 0, 0, 1},
        // Boxed kings: mate scores from the search ply, the draw value for
        // the side to move; neither may be cached.
        {"two rooks mate on the edge", "R6k/8/7K/8/8/8/8/6R1 b - -", -32700, 0, 0},
        {"stalemate by the rook", "7k/8/7K/8/8/8/8/6R1 b - -", 0, 0, 0},
        {"stalemate with rammed pawns", "7k/7P/7K/4p3/4P3/8/8/8 b - -", 0, 0, 0},
        {"stalemate, en passant gone", "6r1/8/1p6/pP6/P7/7k/8/7K w - -", 0, 0, 0},
        // Rook against a single pawn it cannot stop: a draw.
        {"rook cannot stop, rook to move", "8/3KP3/8/8/8/8/8/r6k b - -", 0, 0, 1},
        {"rook cannot stop, pawn to move", "8/3K4/4P3/8/8/8/8/r6k w - -", 0, 0, 1},
        // One of two pawns runs: 128 - 128*2/256 - 128*1/256 for the rook
        // side, from the side to move's view.
        {"rook against two pawns, rook to move", "8/3KP3/8/8/8/8/P7/r6k b - -", 127, 0, 1},
        {"rook against two pawns, pawns to move", "8/3KP3/8/8/8/8/P7/r6k w - -", -127, 0, 1},
        // Queen against the a-pawn on the seventh, white king far away.
        {"queen against a2, king far", "8/8/8/4Q3/8/8/p7/1k5K w - -", 0, 0, 1},
        // Cannot win on both sides.
        {"bishops of one colour", "4k3/8/8/8/8/4B3/8/2B1K3 w - -", 0, Skip, 1},
        {"wrong bishop, king on b8", "1k6/8/8/P7/4K3/8/8/2B5 w - -", 0, Skip, 1},
        {"black's wrong bishop, king on b1", "2b5/8/8/8/p7/4k3/8/1K6 b - -", 0, Skip, 1},
    };
    for (const SettledCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome out = Evaluate(c.fen);
        EXPECT_EQ(out.final, 1);
        EXPECT_EQ(out.score, c.score);
        if (c.symmetric != Skip) {
            EXPECT_EQ(out.symmetric, c.symmetric);
        }
        EXPECT_EQ(out.cacheable, c.cacheable);
    }
}

// The values that depend on the draw score and the search ply.
TEST_F(EndgameTest, DrawValueAndMateDistance) {
    struct DrawCase {
        const char* name;
        const char* fen;
        i32 drawScore;
        Side engineSide;
        i32 searchPly;
        i32 score;
    };
    const DrawCase cases[] = {
        {"mate at ply 5", "R6k/8/7K/8/8/8/8/6R1 b - -", 0, WHITE, 5, 5 - 32700},
        {"white mated at ply 3", "6r1/8/8/8/8/7k/8/r6K w - -", 0, WHITE, 3, 3 - 32700},
        {"stalemate, engine not on move", "7k/8/7K/8/8/8/8/6R1 b - -", 30, WHITE, 0, -30},
        {"stalemate, engine on move", "7k/8/7K/8/8/8/8/6R1 b - -", 30, BLACK, 0, 30},
        {"pawn stalemate", "7k/7P/7K/4p3/4P3/8/8/8 b - -", 20, BLACK, 0, 20},
        // Knight against king: neither side can win.
        {"no mating material", "4k3/8/8/8/8/8/8/1N2K3 w - -", 25, WHITE, 0, 25},
        {"no mating material, black on move", "4k3/8/8/8/8/8/8/1N2K3 b - -", 25, WHITE, 0, -25},
    };
    for (const DrawCase& c : cases) {
        SCOPED_TRACE(c.name);
        DrawScore = c.drawScore;
        EngineSide = c.engineSide;
        SearchPly = c.searchPly;
        const Outcome out = Evaluate(c.fen);
        EXPECT_EQ(out.final, 1);
        EXPECT_EQ(out.score, c.score);
        EXPECT_EQ(out.cacheable, 0);
    }
}

struct OpenCase {
    const char* name;
    const char* fen;
    i32 extra;  // total less the material term; Skip: not checked
    i32 cannotWinWhite;
    i32 cannotWinBlack;
    i32 symmetric;
};

TEST_F(EndgameTest, OtherEndingsReturnTheRunningTotal) {
    const OpenCase cases[] = {
        // The rook stops the lone pawn: RookStopsLonePawn for Black.
        {"rook stops the pawn", "7K/8/8/3k4/4P3/8/8/r7 b - -", 128, 0, 0, 0},
        // Rook against a bare king: 110 + 15 + 15 - 7*15, the bare-king 300
        // and the edge bonus of e8 (90), all for White.
        {"rook mops up", "4k3/8/8/8/8/8/8/R3K3 w - -", -425, 0, 1, 1},
        // Bishop (light) and knight: the same mop-up 35, bare king 300, and
        // 100 - 4*20 for a8 four steps away; no edge bonus then.
        {"bishop and knight", "4k3/8/8/8/8/8/8/4KBN1 w - -", -355, 0, 1, 1},
        // White's knight against a rook with pawns on both wings: 25 for
        // fewer units, 25 more for a lone minor, 25/8 for fewer majors.
        {"knight on both wings", "3rk3/8/8/8/3N4/8/P6P/4K3 w - -", 53, 0, 0, 1},
        // Opposite bishops: the attacker's king is at the defending bishop.
        {"bishops, blockade broken", "8/5b2/8/1p6/pK6/8/8/2Bk4 b - -", Skip, 1, 0, 0},
        // Nothing holds d4: no blockade.
        {"bishops, d4 open", "7k/5b2/8/3p4/2p5/2K5/7B/8 w - -", Skip, 1, 0, 1},
        // The bishop on a7 guards the new queen on b8.
        {"bishop guards the new queen", "8/BPk5/8/8/8/8/8/4K2n w - -", Skip, 0, 1, 0},
        // The knight on h8 is too far from b6.
        {"knight too far", "7n/4k3/8/1P6/8/8/8/2B1K3 w - -", Skip, 0, 1, 0},
        // Opposite bishops: the pawn on e6, the king in front, White to move.
        {"bishops, pawn far advanced", "b3k3/8/4P3/8/8/8/8/2B3K1 w - -", Skip, 0, 1, 0},
        // White's blocked b-pawn can take on a5: no stalemate.
        {"blocked pawn can capture", "6r1/8/8/pp6/1P6/7k/8/7K w - -", Skip, 0, 0, 1},
        // Right after a7-a5 the b-pawn may take en passant: no stalemate.
        {"en passant saves", "6r1/8/1p6/pP6/P7/7k/8/7K w - a5", Skip, 0, 0, 1},
        // Queen against a2 with the white king near: no draw, but who is to
        // move decided that.
        {"queen against a2, king near", "8/8/8/4Q3/8/2K5/p7/1k6 w - -", Skip, 0, 0, 0},
        // Wrong bishop: White's king is further from a8 than Black's, and the
        // a-pawn does not run home alone.
        {"wrong bishop, race lost", "8/3k4/8/6p1/P7/8/8/2B4K w - -", Skip, 1, 0, 0},
        {"right bishop", "8/3k4/8/6p1/P7/8/8/3B3K w - -", Skip, 0, 0, 1},
        // Black's a-pawn with a dark bishop: a1 is dark, the bishop is right.
        {"black's right bishop", "3b4/8/8/8/p7/4k3/8/1K6 b - -", Skip, 1, 0, 1},
    };
    for (const OpenCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome out = Evaluate(c.fen);
        EXPECT_EQ(out.final, 0);
        if (c.extra != Skip) {
            EXPECT_EQ(out.total - out.material, c.extra);
        }
        EXPECT_EQ(out.cannotWin[WHITE], c.cannotWinWhite);
        EXPECT_EQ(out.cannotWin[BLACK], c.cannotWinBlack);
        EXPECT_EQ(out.symmetric, c.symmetric);
        EXPECT_EQ(out.cacheable, 1);
        EXPECT_EQ(out.allPawns, board.Bitboards[PAWN][WHITE] | board.Bitboards[PAWN][BLACK]);
    }
}

// The material term and the phases come from the material table.
TEST_F(EndgameTest, MaterialTermAndPhasesFromTheTable) {
    const Outcome out = Evaluate("3rk3/8/8/8/3N4/8/P6P/4K3 w - -");
    const MaterialEntry& entry = MaterialTable[board.MaterialIndex];
    EXPECT_EQ(out.material, entry.score - board.Material[WHITE] + board.Material[BLACK]);
    EXPECT_EQ(out.currentPhase, entry.current_phase);
    EXPECT_EQ(out.phase[WHITE], entry.white_phase);
    EXPECT_EQ(out.phase[BLACK], entry.black_phase);
    EXPECT_EQ(out.ending[WHITE], entry.flags[WHITE] & EndingFlag);
    EXPECT_EQ(out.ending[BLACK], entry.flags[BLACK] & EndingFlag);
}

// ---------------------------------------------------------------------------
// Colour symmetry over generated endings.

constexpr u64 AllSquares = ~u64(0);
constexpr u64 Rank(i32 rank) { return u64(0xFF) << (8 * rank); }
constexpr u64 File(i32 file) { return u64(0x0101010101010101) << file; }
constexpr u64 PawnRanks = ~(Rank(0) | Rank(7));

// A material set, white's men then black's (kings added), with the squares
// each side's pawns and king may take. Most sets roam the whole board; a few
// are held near the patterns of particular endings so that those are met
// often.
struct MaterialSet {
    const char* white;
    const char* black;
    u64 whitePawns = PawnRanks;
    u64 blackPawns = PawnRanks;
    u64 whiteKing = AllSquares;
    u64 blackKing = AllSquares;
};

const MaterialSet MaterialSets[] = {
    {"P", ""},
    {"", "p"},
    {"PP", ""},
    {"P", "p"},
    {"PP", "p"},
    {"PPP", "pp"},
    {"P", "pp"},
    {"PP", "pp"},
    {"NP", "p"},
    {"", "r"},
    {"R", ""},
    {"BB", ""},
    {"BN", ""},
    {"", "bpp"},
    {"P", "r"},
    {"PP", "r"},
    {"PPP", "r"},
    {"PPPP", "r"},
    {"R", "pp"},
    {"BP", "b"},
    {"BPP", "b"},
    {"B", "bpp"},
    {"BP", "bp"},
    {"BP", "n"},
    {"N", "bp"},
    {"BP", ""},
    {"NPP", "rp"},
    {"N", "r"},
    {"RP", "b"},
    {"B", "pp"},
    {"Q", "r"},
    {"RN", "r"},
    {"P", "bn"},
    {"Q", "p"},
    {"P", "q"},
    // Pawns far up the board against the rook, kings close by.
    {"P", "r", Rank(4) | Rank(5) | Rank(6), PawnRanks, Rank(5) | Rank(6) | Rank(7)},
    {"R", "p", PawnRanks, Rank(1) | Rank(2) | Rank(3), AllSquares, Rank(0) | Rank(1) | Rank(2)},
    {"PP", "r", Rank(3) | Rank(4) | Rank(5) | Rank(6), PawnRanks, Rank(4) | Rank(5) | Rank(6)},
    // Queen against a pawn on the seventh, its king beside it.
    {"Q", "p", PawnRanks, Rank(1) & (File(0) | File(2) | File(7)), AllSquares,
     (Rank(0) | Rank(1)) & ~(File(3) | File(4))},
    {"P", "q", Rank(6) & (File(0) | File(2) | File(7)), PawnRanks,
     (Rank(6) | Rank(7)) & ~(File(3) | File(4))},
    // Rook pawns with and without the right bishop.
    {"BP", "", File(0) | File(7), PawnRanks},
    {"", "bp", PawnRanks, File(0) | File(7)},
    {"BPP", "p", File(0), PawnRanks},
    {"P", "", File(0) | File(7), PawnRanks, AllSquares, Rank(6) | Rank(7)},
    // Opposite bishops, two pawns on the queen's wing against the king.
    {"B", "bpp", PawnRanks, (Rank(3) | Rank(4)) & (File(0) | File(1) | File(2)),
     (Rank(2) | Rank(3)) & (File(0) | File(1) | File(2))},
    {"BPP", "b", (Rank(3) | Rank(4)) & (File(5) | File(6) | File(7)), PawnRanks, AllSquares,
     (Rank(4) | Rank(5)) & (File(5) | File(6) | File(7))},
    // Bishop and pawn against knight.
    {"BP", "n", Rank(4) | Rank(5), PawnRanks},
    {"N", "bp", PawnRanks, Rank(2) | Rank(3)},
    // A side with a blocked pawn or none, the other king two squares in.
    {"", "r", PawnRanks, PawnRanks, Rank(0) | File(7)},
    {"RR", "", PawnRanks, PawnRanks, AllSquares, Rank(7) | File(0)},
    {"P", "p", Rank(3) | Rank(4), Rank(4) | Rank(5), Rank(0) | File(0)},
    {"", "q", PawnRanks, PawnRanks, Rank(0), Rank(2)},
    {"", "rr", PawnRanks, PawnRanks, Rank(0), Rank(2)},
    {"Q", "", PawnRanks, PawnRanks, Rank(5), Rank(7)},
    {"RR", "", PawnRanks, PawnRanks, File(5), File(7)},
    {"P", "qp", Rank(1) | Rank(2), Rank(2) | Rank(3), Rank(0), Rank(2)},
    // Neither side can win; three knights have no material-table entry.
    {"N", ""},
    {"B", "n"},
    {"NNN", "p"},
    {"P", "bbb"},
};

// The piece type of a letter of a material set; the piece letters are
// indexed by piece type.
PieceType TypeOfLetter(char letter) {
    const char upper = char(std::toupper(static_cast<unsigned char>(letter)));
    return PieceType(std::strchr(PieceLetters, upper) - PieceLetters);
}

// A random legal placement of the set, or false when the draw was unlucky.
bool RandomPosition(RandomGenerator& random, const MaterialSet& set, std::string* fen) {
    Placement placement{};
    // Gives up (false) rather than loop when a region is full.
    const auto place = [&](Side side, char letter, u64 region) {
        for (i32 tries = 0; tries < 200; tries++) {
            const Square sq = random.Next() % 64;
            if (placement.type[sq] != EMPTY || !(region & SquareBit(sq))) continue;
            placement.type[sq] = TypeOfLetter(letter);
            placement.owner[sq] = side;
            return true;
        }
        return false;
    };
    if (!place(WHITE, 'K', set.whiteKing) || !place(BLACK, 'k', set.blackKing)) return false;
    for (const char* p = set.white; *p; p++)
        if (!place(WHITE, *p, *p == 'P' ? set.whitePawns & PawnRanks : AllSquares)) return false;
    for (const char* p = set.black; *p; p++)
        if (!place(BLACK, *p, *p == 'p' ? set.blackPawns & PawnRanks : AllSquares)) return false;
    placement.sideToMove = random.Next() % 2 ? WHITE : BLACK;
    const std::string text = PlacementFen(placement) + " - -";
    // Kings apart and the side not to move not in check: tried on a board
    // built by hand, so that set-up never has to refuse the text.
    ClearBoard();
    for (Square sq = 0; sq < 64; sq++) {
        const PieceType type = placement.type[sq];
        if (type == EMPTY) continue;
        AddPiece(sq, placement.owner[sq], type);
        if (type == KING) board.KingSquare[placement.owner[sq]] = sq;
    }
    const Side toMove = placement.sideToMove;
    const Side waiting = ChangeSide(toMove);
    if (KingAttacks[board.KingSquare[WHITE]] & SquareBit(board.KingSquare[BLACK])) return false;
    if (IsSquareAttacked(toMove, board.KingSquare[waiting])) return false;
    if (ParseFen(text.c_str()) != 1) return false;
    *fen = text;
    return true;
}

::testing::AssertionResult MirrorsEachOther(const Outcome& a, const Outcome& b) {
    std::ostringstream why;
    if (a.final != b.final) why << "final " << a.final << "/" << b.final << "; ";
    if (a.final == 1 && a.score != b.score) why << "score " << a.score << "/" << b.score << "; ";
    if (a.final == 0) {
        if (a.total != -b.total) why << "total " << a.total << "/" << b.total << "; ";
        if (a.material != -b.material) why << "material " << a.material << "/" << b.material;
        if (a.ending[WHITE] != b.ending[BLACK] || a.ending[BLACK] != b.ending[WHITE])
            why << "ENDING; ";
        if (a.phase[WHITE] != b.phase[BLACK] || a.phase[BLACK] != b.phase[WHITE] ||
            a.currentPhase != b.currentPhase)
            why << "phases; ";
        if (a.allPawns != FlipRanks(b.allPawns)) why << "AllPawns; ";
    }
    if (a.cannotWin[WHITE] != b.cannotWin[BLACK] || a.cannotWin[BLACK] != b.cannotWin[WHITE])
        why << "CannotWin " << a.cannotWin[WHITE] << a.cannotWin[BLACK] << "/"
            << b.cannotWin[WHITE] << b.cannotWin[BLACK] << "; ";
    if (a.cacheable != b.cacheable) why << "cacheable; ";
    if (why.str().empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << why.str();
}

TEST_F(EndgameTest, ColourFlippedPositionGivesTheMirroredResult) {
    RandomGenerator random;
    i32 compared = 0, settled = 0;
    for (const MaterialSet& set : MaterialSets) {
        for (i32 made = 0, tries = 0; made < 60 && tries < 2000; tries++) {
            std::string fen;
            if (!RandomPosition(random, set, &fen)) continue;
            made++;
            const Outcome original = Evaluate(fen);
            const bool exempt = QueenAgainstFPawn();
            const std::string flipped = ColourFlippedFen(fen);
            const Outcome mirrored = Evaluate(flipped);
            if (exempt) continue;
            compared++;
            settled += original.final == 1;
            EXPECT_TRUE(MirrorsEachOther(original, mirrored)) << fen << " against " << flipped;
        }
    }
    // The generated sets must reach the recognisers, not only the fallback.
    EXPECT_GT(compared, 3000);
    EXPECT_GT(settled, 500);
}

// The hand-made positions of the tables above, flipped.
TEST_F(EndgameTest, ColourFlippedTablePositions) {
    const char* const fens[] = {
        "k7/8/1K6/1P6/8/8/8/8 w - -",
        "8/4k3/8/4K3/4P3/8/8/8 b - -",
        "8/8/4k3/7p/4P3/8/8/K7 w - -",
        "7k/5b2/8/1p6/pK6/8/8/2B5 w - -",
        "8/5b2/8/1p6/pK6/8/8/2Bk4 b - -",
        "b3k3/8/4P3/8/8/8/8/2B3K1 b - -",
        "b3k3/8/4P3/8/8/8/8/2B3K1 w - -",
        "n7/4k3/8/1P6/8/8/8/2B1K3 w - -",
        "8/1Pk5/n7/8/8/8/8/2B1K3 w - -",
        "8/BPk5/8/8/8/8/8/4K2n w - -",
        "k7/2b5/8/6p1/6Kp/8/8/5B2 w - -",
        "k7/5b2/8/3pB3/2p5/2K5/8/8 w - -",
        "7k/5b2/8/3p4/2p5/2K5/7B/8 w - -",
        "7k/8/7K/8/8/8/8/6R1 b - -",
        "6r1/8/1p6/pP6/P7/7k/8/7K w - -",
        "4k3/8/8/8/8/8/8/1N2K3 w - -",
        "7n/4k3/8/1P6/8/8/8/2B1K3 w - -",
        "R6k/8/7K/8/8/8/8/6R1 b - -",
        "7k/7P/7K/4p3/4P3/8/8/8 b - -",
        "6r1/8/1p6/pP6/P7/7k/8/7K w - a5",
        "6r1/8/8/pp6/1P6/7k/8/7K w - -",
        "8/3KP3/8/8/8/8/P7/r6k b - -",
        "8/3KP3/8/8/8/8/P7/r6k w - -",
        "7K/8/8/3k4/4P3/8/8/r7 b - -",
        "8/8/8/4Q3/8/8/p7/1k5K w - -",
        "8/8/8/4Q3/8/2K5/p7/1k6 w - -",
        "4k3/8/8/8/8/8/8/4KBN1 w - -",
        "3rk3/8/8/8/3N4/8/P6P/4K3 w - -",
        "8/3k4/8/6p1/P7/8/8/2B4K w - -",
        "3b4/8/8/8/p7/4k3/8/1K6 b - -",
    };
    for (const char* fen : fens) {
        const Outcome original = Evaluate(fen);
        const std::string flipped = ColourFlippedFen(fen);
        EXPECT_TRUE(MirrorsEachOther(original, Evaluate(flipped))) << fen << " against " << flipped;
    }
}

// Queen against the f-pawn: the zones for a black pawn on f2 are kept as
// they are, not reflected from the c-pawn's; those for a white pawn on f7
// are. So the flipped position may differ, as here: Black's king on f1,
// Black to move, White's king on e3.
TEST_F(EndgameTest, QueenAgainstFPawnKeepsItsOwnZones) {
    const Outcome black = Evaluate("8/8/8/8/8/4K3/5p2/2Q2k2 b - -");
    EXPECT_EQ(black.final, 1);
    EXPECT_EQ(black.score, 0);
    const Outcome white = Evaluate(ColourFlippedFen("8/8/8/8/8/4K3/5p2/2Q2k2 b - -"));
    EXPECT_EQ(white.final, 0);
}

}  // namespace
