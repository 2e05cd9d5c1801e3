#include "search/cutoff_probe.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

#include "board/board.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "search/hash_tables.h"
#include "search/history.h"
#include "search/search_limits.h"
#include "search/trans_table.h"
#include "support/board_check.h"

namespace {

constexpr i32 Ply = 3;
constexpr i32 Base = 100;  // MoveStackTop when the probe starts
constexpr u32 TestEntries = 4000;

class CutoffProbe : public ::testing::Test {
protected:
    void SetUp() override {
        InitEngineTables();
        TransEntries = TestEntries;
        AllocTransTable();
        ClearTransTable();
        std::memset(PlyStack, 0, sizeof PlyStack);
        std::memset(HistoryScore, 0, sizeof HistoryScore);
        std::memset(EvasionKillers, 0, sizeof EvasionKillers);
        SearchPly = Ply;
        EngineSide = WHITE;
        DrawScore = 0;
    }
    void TearDown() override {
        SearchPly = 0;
        EngineSide = WHITE;
        DrawScore = 0;
        TransAge = 0;
        TransEntries = DefaultTransEntries;
        AllocTransTable();
        ClearTransTable();
        MoveStackTop = 0;
    }
};

void Load(const char* fen, const char* moves = "") {
    ASSERT_EQ(ParseFen(fen), 1) << fen;
    std::istringstream in(moves);
    std::string text;
    while (in >> text) {
        const Move move = ParseMoveText(text.c_str());
        ASSERT_NE(move, NoMove) << text;
        MakeMove(move, 1);
    }
}

Move M(const char* text) { return ParseMoveText(text); }

// Gives the position after the move a table entry, as the child's search
// would have stored it one ply further down.
void StoreChild(Move move, i32 depth, i32 score, u32 bound) {
    MakeMove(move, 1);
    SearchPly = Ply + 1;
    StoreHash(depth, NoMove, score, bound, 0, 0);
    SearchPly = Ply;
    UnmakeMove();
}

struct Probe {
    i32 beta = 100, eval = 0, full = 1, depth = 420;
    Move hashMove = NoMove;
    i32 historyHalf = 0;
};

// Runs the probe and checks that it leaves board and move stack alone.
i32 RunProbe(const Probe& p, Move* found) {
    const u64 key = board.HashKey;
    const Side side = board.SideToMove;
    const i32 gamePly = GamePly;
    const u64 alert[2] = {0, 0};
    MoveStackTop = Base;
    u32 out = 0xDEAD;
    const i32 result = ProbeChildCutoffs(p.beta, p.eval, p.full, 0, p.depth, &out, p.hashMove,
                                         NoMove, p.historyHalf, 0, alert, 0);
    EXPECT_EQ(MoveStackTop, Base);
    EXPECT_EQ(board.HashKey, key);
    EXPECT_EQ(board.SideToMove, side);
    EXPECT_EQ(GamePly, gamePly);
    EXPECT_EQ(SearchPly, Ply);
    EXPECT_EQ(BoardInconsistency(), "");
    *found = result ? Move(out) : NoMove;
    if (!result) {
        EXPECT_EQ(out, 0xDEADu);
    }
    return result;
}

const char* const Rook = "4k3/8/8/8/8/8/8/R3K3 w - -";

TEST_F(CutoffProbe, ChildEntryRefutesAQuietMove) {
    struct Case {
        const char* name;
        i32 entryDepth, entryScore;
        u32 bound;
        i32 depth, eval, beta;
        i32 cutoff;
    };
    const Case cases[] = {
        {"upper bound at or below -beta", 600, -100, UpperBound, 420, 0, 100, 1},
        {"exact score", 600, -150, ExactBound, 420, 0, 100, 1},
        {"lower bounds never prove anything", 600, -100, LowerBound, 420, 0, 100, 0},
        {"score one above -beta", 600, -99, UpperBound, 420, 0, 100, 0},
        {"entry one ply shallower", 360, -100, UpperBound, 420, 0, 100, 1},
        {"entry shallower still", 359, -100, UpperBound, 420, 0, 100, 0},
        // Quiet moves are probed only deep enough or near beta.
        {"shallow node, eval far below beta", 600, -100, UpperBound, 360, 0, 100, 0},
        {"shallow node, eval near beta", 600, -100, UpperBound, 360, 51, 100, 1},
        {"shallow node, eval 50 below beta", 600, -100, UpperBound, 360, 50, 100, 0},
    };
    for (const Case& c : cases) {
        Load(Rook);
        ClearTransTable();
        std::memset(PlyStack, 0, sizeof PlyStack);
        std::memset(HistoryScore, 0, sizeof HistoryScore);
        StoreChild(M("a1a5"), c.entryDepth, c.entryScore, c.bound);
        Probe p;
        p.depth = c.depth, p.eval = c.eval, p.beta = c.beta;
        Move found;
        ASSERT_EQ(RunProbe(p, &found), c.cutoff) << c.name;
        if (!c.cutoff) {
            EXPECT_EQ(PlyStack[Ply].Killer[0][WHITE], NoMove) << c.name;
            continue;
        }
        EXPECT_EQ(found, M("a1a5")) << c.name;
        EXPECT_EQ(ProbedBoundScore, -c.entryScore) << c.name;
        // A quiet refutation counts for history and killers.
        EXPECT_EQ(PlyStack[Ply].Killer[0][WHITE], M("a1a5")) << c.name;
        EXPECT_GT(HistoryScore[HistoryIndex(M("a1a5"), 0, WHITE)], 0) << c.name;
    }
}

// A mate given with the hundredth half-move proves the mate, not the
// rule's draw; a quiet move that does not mate still proves the draw.
TEST_F(CutoffProbe, MateOnTheHundredthHalfMoveIsNoDraw) {
    const struct {
        const char* move;
        i32 score;
    } cases[] = {{"a1a8", MateScore - 1 - Ply}, {"a1a2", 0}};
    for (const auto& c : cases) {
        Load("6k1/5ppp/8/8/8/8/8/R5K1 w - - 99");
        ClearTransTable();
        Probe p;
        p.beta = 0;
        p.hashMove = M(c.move);
        Move found;
        ASSERT_EQ(RunProbe(p, &found), 1) << c.move;
        EXPECT_EQ(found, M(c.move));
        EXPECT_EQ(ProbedBoundScore, c.score) << c.move;
    }
}

TEST_F(CutoffProbe, LeavesEntryAgesAlone) {
    Load(Rook);
    TransAge = 5;
    StoreChild(M("a1a5"), 600, -100, UpperBound);
    TransAge = 6;
    Move found;
    ASSERT_EQ(RunProbe(Probe{}, &found), 1);
    MakeMove(M("a1a5"), 1);
    const TransEntry* entry = FindTransEntry(ComputeSearchKey(), board.SideToMove);
    UnmakeMove();
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->age, 5);
}

TEST_F(CutoffProbe, MateScoresAreCountedFromTheNode) {
    Load(Rook);
    // The child is mated 200 plies below itself, as its search saw it.
    StoreChild(M("a1a5"), 600, -(MateScore - (Ply + 1) - 200), ExactBound);
    Move found;
    ASSERT_EQ(RunProbe(Probe{}, &found), 1);
    EXPECT_EQ(ProbedBoundScore, MateScore - (Ply + 1) - 200);
}

// A checking move is extended, so its entry must cover the deeper search.
TEST_F(CutoffProbe, ExtendedChildNeedsADeeperEntry) {
    struct Case {
        i32 full, entryDepth, cutoff;
    };
    // At depth 600 the check is extended to 600 (full) or 570 (half).
    const Case cases[] = {{1, 540, 0}, {1, 599, 0}, {1, 600, 1}, {0, 569, 0}, {0, 570, 1}};
    for (const Case& c : cases) {
        Load(Rook);
        ClearTransTable();
        StoreChild(M("a1a8"), c.entryDepth, -100, UpperBound);
        Probe p;
        p.depth = 600, p.full = c.full;
        Move found;
        EXPECT_EQ(RunProbe(p, &found), c.cutoff) << c.full << " " << c.entryDepth;
        EXPECT_EQ(PlyStack[Ply + 1].InCheck, 1u);
    }
}

TEST_F(CutoffProbe, StagesComeInOrder) {
    // The rook may take on a5 or step to b1; both children are refuted.
    const char* const fen = "4k3/8/8/p7/8/8/8/R3K3 w - -";
    struct Case {
        const char* name;
        Move hashMove;
        Move expected;
        i32 killer;  // did history and killers learn the move?
    };
    const Case cases[] = {
        {"captures before quiet moves", NoMove, MakeMoveWord(A1, A5, ROOK, PAWN), 0},
        {"the hash move before everything", MakeMoveWord(A1, B1, ROOK), MakeMoveWord(A1, B1, ROOK),
         1},
        {"a hash move of another position is ignored", MakeMoveWord(H1, H8, ROOK),
         MakeMoveWord(A1, A5, ROOK, PAWN), 0},
    };
    for (const Case& c : cases) {
        Load(fen);
        ClearTransTable();
        std::memset(PlyStack, 0, sizeof PlyStack);
        StoreChild(MakeMoveWord(A1, A5, ROOK, PAWN), 600, -100, UpperBound);
        StoreChild(MakeMoveWord(A1, B1, ROOK), 600, -100, UpperBound);
        Probe p;
        p.hashMove = c.hashMove;
        Move found;
        ASSERT_EQ(RunProbe(p, &found), 1) << c.name;
        EXPECT_EQ(found, c.expected) << c.name;
        EXPECT_EQ(PlyStack[Ply].Killer[0][WHITE], c.killer ? c.expected : NoMove) << c.name;
    }
}

TEST_F(CutoffProbe, RepetitionWorthBetaIsACutoff) {
    struct Case {
        const char* name;
        Side engine;
        i32 drawScore, beta, cutoff;
    };
    // Black to move can bring the knight back to g8 for a repetition.
    const Case cases[] = {
        {"a draw is worth beta", WHITE, 0, 0, 1},
        {"a draw is below beta", WHITE, 0, 1, 0},
        {"the engine's opponent sees the draw negated", WHITE, 10, 0, 0},
        {"the engine likes the draw", BLACK, 10, 10, 1},
    };
    for (const Case& c : cases) {
        Load("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", "g1f3 g8f6 f3g1");
        std::memset(PlyStack, 0, sizeof PlyStack);
        EngineSide = c.engine;
        DrawScore = c.drawScore;
        Probe p;
        p.beta = c.beta;
        Move found;
        ASSERT_EQ(RunProbe(p, &found), c.cutoff) << c.name;
        if (!c.cutoff) continue;
        EXPECT_EQ(found, M("f6g8")) << c.name;
        EXPECT_EQ(ProbedBoundScore, c.drawScore) << c.name;
        EXPECT_EQ(PlyStack[Ply].Killer[0][BLACK], M("f6g8")) << c.name;
    }
}

TEST_F(CutoffProbe, MateInOne) {
    struct Case {
        i32 depth, eval, beta, cutoff;
    };
    const Case cases[] = {
        {420, 0, 100, 1},
        {420, 0, MateScore - 1 - Ply, 1},
        {420, 0, MateScore - Ply, 0},
        // At 360 the quiet moves are looked at, but not for mates.
        {360, 100, 100, 0},
    };
    for (const Case& c : cases) {
        Load("6k1/5ppp/8/8/8/8/8/R5K1 w - -");
        std::memset(PlyStack, 0, sizeof PlyStack);
        Probe p;
        p.depth = c.depth, p.eval = c.eval, p.beta = c.beta;
        Move found;
        ASSERT_EQ(RunProbe(p, &found), c.cutoff) << c.depth << " " << c.beta;
        if (!c.cutoff) continue;
        EXPECT_EQ(found, M("a1a8"));
        EXPECT_EQ(ProbedBoundScore, MateScore - 1 - Ply);
        EXPECT_EQ(PlyStack[Ply].Killer[0][WHITE], M("a1a8"));
    }
}

TEST_F(CutoffProbe, InCheckOnlyEvasionsAreProbed) {
    // The black rook has just checked from e2; the king may go to d1.
    Load("4k3/8/8/8/8/8/7r/R3K3 b - -", "h2e2");
    PlyStack[Ply].InCheck = 1;
    StoreChild(M("e1d1"), 600, -100, UpperBound);
    // A quiet non-evasion with a refuting entry is never tried.
    StoreChild(M("a1a5"), 600, -100, UpperBound);
    struct Case {
        const char* name;
        Move hashMove;
        i32 depth, eval;
    };
    const Case cases[] = {
        {"hash move among the evasions", M("e1d1"), 420, 0},
        {"no hash move", NoMove, 420, 0},
        {"a non-evasion as hash move", M("a1a5"), 420, 0},
        // Evasions are probed whatever the depth.
        {"shallow node", NoMove, 300, -100},
    };
    for (const Case& c : cases) {
        std::memset(EvasionKillers, 0, sizeof EvasionKillers);
        Probe p;
        p.hashMove = c.hashMove, p.depth = c.depth, p.eval = c.eval;
        Move found;
        ASSERT_EQ(RunProbe(p, &found), 1) << c.name;
        EXPECT_EQ(found, M("e1d1")) << c.name;
        EXPECT_EQ(EvasionKillers[(E2 * 64 + E1) * 2 + WHITE], M("e1d1")) << c.name;
        EXPECT_EQ(PlyStack[Ply].Killer[0][WHITE], NoMove) << c.name;
    }
}

// The capture en passant would open the rank to the black king: made and
// found illegal, it is skipped, however good its child's entry looks.
TEST_F(CutoffProbe, IllegalEnPassantIsSkipped) {
    Load("8/8/8/8/k2Pp2Q/8/8/3K4 b - d4");
    const Move enPassant = MakeMoveWord(E4, D3, PAWN);
    StoreChild(enPassant, 600, -100, UpperBound);
    for (Move hashMove : {NoMove, enPassant}) {
        Probe p;
        p.hashMove = hashMove;
        Move found;
        EXPECT_EQ(RunProbe(p, &found), 0) << hashMove;
    }
}

}  // namespace
