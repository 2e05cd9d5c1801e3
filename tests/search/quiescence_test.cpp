#include "search/quiescence.h"

#include <gtest/gtest.h>

#include "board/keys.h"
#include "eval/eval_cache.h"
#include "eval/eval_info.h"
#include "eval/evaluate.h"
#include "search/search_fixture.h"

// Every test states its lazy window: the first iteration's around a root
// score of 0 (SetLazyEvalWindow(1) with RootScore[0] = 0), so that the
// lazy paths fire only on clear material imbalances.

namespace {

using namespace search_test;

constexpr i32 Infinity = 32700;
constexpr i32 TestPly = 2;

Move M(const char* text) { return ParseMoveText(text); }

class Quiescence : public SearchFixture {};

// The full-window search of a principal-variation node at TestPly.
i32 QsAtPv(i32 depth = 0) {
    SearchPly = TestPly;
    return QuiescenceSearch(-Infinity, Infinity, depth, 0);
}

TEST_F(Quiescence, CapturesAndStandPat) {
    struct Case {
        const char* name;
        const char* fen;
        i32 depth;
        const char* best;  // "" = stands pat
        i32 gainAtLeast;   // over the static score
    };
    // Below depth -120 no quiet check is tried, so only captures count.
    const Case cases[] = {
        {"hanging queen", "4k3/8/8/3q4/8/8/3R4/4K3 w - -", 0, "d2d5", 700},
        {"hanging pawn", "4k3/8/8/3p4/8/8/3Q4/4K3 w - -", -180, "d2d5", 60},
        {"defended pawn, queen would be lost", "4k3/8/2p5/3p4/8/8/3Q4/4K3 w - -", -180, "", 0},
        {"black takes the hanging rook", "4k3/8/8/3q4/8/3R4/8/4K3 b - -", 0, "d5d3", 400},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearSearchMemory();
        LoadRoot(c.fen, "", TestPly);
        const i32 standPat = NodeStaticScore();
        const Board before = board;
        const i32 score = QsAtPv(c.depth);
        EXPECT_TRUE(SamePosition(before));
        EXPECT_EQ(MoveStackTop, 0);
        if (*c.best) {
            EXPECT_EQ(PlyStack[TestPly].BestMove, M(c.best));
            EXPECT_GE(score, standPat + c.gainAtLeast);
        } else {
            EXPECT_EQ(PlyStack[TestPly].BestMove, NoMove);
            EXPECT_EQ(score, standPat);
        }
    }
}

TEST_F(Quiescence, MatedInCheckAndRuleDraws) {
    // In check without an evasion: mated at this ply.
    LoadRoot("R5k1/5ppp/8/8/8/8/8/6K1 b - -", "", 3);
    EXPECT_EQ(QuiescenceSearch(-Infinity, Infinity, 0, 0), 3 - 32700);
    EXPECT_EQ(QuiescenceSearch(-Infinity, Infinity, 0, 1), 3 - 32700);
    // The same mate given with the hundredth half-move stands; a check that
    // the king escapes is the rule's draw.
    LoadRoot("R5k1/5ppp/8/8/8/8/8/6K1 b - - 100", "", 3);
    EXPECT_EQ(QuiescenceSearch(-Infinity, Infinity, 0, 0), 3 - 32700);
    LoadRoot("R5k1/6pp/8/8/8/8/8/6K1 b - - 100", "", 3);
    DrawScore = 17;
    EXPECT_EQ(QuiescenceSearch(-Infinity, Infinity, 0, 0), 17);

    // Knights out and back: the start position again, a draw worth
    // DrawScore to the engine and its negative to the opponent.
    const char* start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";
    const char* dance = "g1f3 g8f6 f3g1 f6g8";
    LoadRoot(start, dance, TestPly);
    DrawScore = 17;
    EXPECT_EQ(QsAtPv(), 17);
    EngineSide = BLACK;
    EXPECT_EQ(QsAtPv(), -17);
}

TEST_F(Quiescence, QuietChecksStopAtThePlyCap) {
    // Ra8 mates; the black king has two flight squares, so even below the
    // check depth a check is allowed once by the king-flight rule.
    struct Case {
        i32 iteration, ply, depth;
        bool mateFound;
    };
    const Case cases[] = {
        {1, 38, 0, true},      // cap min(2 + 36, 90) = 38: not past it
        {1, 39, 0, false},     // past the cap: no quiet checks at all
        {1, 30, -240, true},   // too deep for checks, but the king is short of squares
        {1, 39, -240, false},  // past the cap the flight rule does not apply either
        {30, 90, 0, true},     // the cap never exceeds 90
        {30, 91, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "iteration " << c.iteration << " ply " << c.ply << " depth " << c.depth);
        ClearSearchMemory();
        LoadRoot("6k1/5ppp/8/8/8/8/8/R5K1 w - -", "", c.ply);
        IterationDepth = c.iteration;
        const i32 standPat = NodeStaticScore();
        const i32 score = QuiescenceSearch(-Infinity, Infinity, c.depth, 0);
        if (c.mateFound) {
            EXPECT_EQ(score, 32700 - (c.ply + 1));
            EXPECT_EQ(PlyStack[c.ply].BestMove, M("a1a8"));
        } else {
            EXPECT_EQ(score, standPat);
        }
    }
}

TEST_F(Quiescence, QuietChecksDownToDepthMinus120AtPvNodes) {
    // Nc7+ forks king and queen; the black king has five flight squares,
    // so only the depth decides whether the check is tried.
    const char* fork = "q3k3/8/8/1N6/8/8/8/4K3 w - -";
    struct Case {
        i32 depth, nodeKind;
        bool forkFound;
    };
    const Case cases[] = {
        {0, 0, true},
        {-120, 0, true},
        {-180, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "depth " << c.depth);
        ClearSearchMemory();
        LoadRoot(fork, "", TestPly);
        const i32 standPat = NodeStaticScore();
        const i32 score = QuiescenceSearch(-Infinity, Infinity, c.depth, c.nodeKind);
        if (c.forkFound) {
            EXPECT_EQ(PlyStack[TestPly].BestMove, M("b5c7"));
            EXPECT_GT(score, standPat + 600);
        } else {
            EXPECT_EQ(score, standPat);
        }
    }

    // At a null-window node far above the static score the check is not
    // worth trying at depth -120.
    ClearSearchMemory();
    LoadRoot(fork, "", TestPly);
    const i32 standPat = NodeStaticScore();
    const i32 alpha = standPat + 100;
    EXPECT_LE(QuiescenceSearch(alpha, alpha + 1, -120, 1), alpha);
}

TEST_F(Quiescence, TableMoveRules) {
    struct Case {
        const char* name;
        const char* fen;
        i32 ply;
        const char* hashMove;  // "" = a rook capture from d2 that fits no man here
        u16 flags;
        bool played;
    };
    const char* mateInOne = "6k1/5ppp/8/8/8/8/8/R5K1 w - -";
    const Case cases[] = {
        {"quiet move giving no check", "4k3/8/8/8/8/8/8/4K2R w K -", TestPly, "e1e2", 0, false},
        {"quiet check where checks are allowed", mateInOne, TestPly, "a1a8", 0, true},
        {"quiet check where the table says no checks", mateInOne, TestPly, "a1a8",
         NoQuiescenceChecks, false},
        {"quiet check past the ply cap", mateInOne, 39, "a1a8", 0, false},
        {"move of another position (key collision)", mateInOne, TestPly, "", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Without an entry first, then with the move in an entry that
        // cannot cut the node off.
        ClearSearchMemory();
        LoadRoot(c.fen, "", c.ply);
        NodeCount = 0;
        const i32 plain = QuiescenceSearch(-Infinity, Infinity, 0, 0);
        const u64 plainNodes = NodeCount;

        ClearSearchMemory();
        LoadRoot(c.fen, "", c.ply);
        const Move hashMove = *c.hashMove ? M(c.hashMove) : MakeMoveWord(D2, D5, ROOK, QUEEN);
        ASSERT_NE(hashMove, NoMove);
        StoreHash(0, hashMove, -30000, LowerBound, 0, c.flags);
        const Board before = board;
        NodeCount = 0;
        const i32 withEntry = QuiescenceSearch(-Infinity, Infinity, 0, 0);
        EXPECT_TRUE(SamePosition(before));
        if (c.played) {
            EXPECT_EQ(withEntry, 32700 - (c.ply + 1));
            EXPECT_EQ(PlyStack[c.ply].BestMove, hashMove);
        } else if (c.flags) {
            // No quiet check at all: the node stands pat.
            EXPECT_EQ(NodeCount, 1u);
            EXPECT_LT(withEntry, plain);
        } else {
            EXPECT_EQ(withEntry, plain);
            EXPECT_EQ(NodeCount, plainNodes);
        }
    }
}

TEST_F(Quiescence, NoTableMeansNoMemoFlags) {
    // A stale probe result must not switch the capture generation off.
    const char* fen = "4k3/8/8/3q4/8/8/3R4/4K3 w - -";
    LoadRoot(fen, "", TestPly);
    const i32 withTable = QsAtPv();
    TransEntries = 0;
    ProbedHashFlags = NoQuiescenceChecks | NoQuiescenceCaptures;
    LoadRoot(fen, "", TestPly);
    EXPECT_EQ(QsAtPv(), withTable);
    EXPECT_EQ(PlyStack[TestPly].BestMove, M("d2d5"));
}

TEST_F(Quiescence, EnPassantThatExposesTheKingIsSkipped) {
    // After ...d7-d5 the capture exd6 would take both pawns off the fifth
    // rank and open it for the queen on h5 against the king on a5.
    LoadRoot("8/3p4/8/K3P2q/8/8/8/7k b - -", "d7d5", TestPly);
    const Board before = board;
    NodeCount = 0;
    const i32 pinned = QsAtPv(-180);
    const u64 pinnedNodes = NodeCount;
    EXPECT_TRUE(SamePosition(before));
    EXPECT_NE(PlyStack[TestPly].BestMove, M("e5d6"));
    // The same men without the en-passant chance: the illegal capture is
    // taken back before any search below it.
    ClearSearchMemory();
    LoadRoot("8/8/8/K2pP2q/8/8/8/7k w - -", "", TestPly);
    NodeCount = 0;
    EXPECT_EQ(QsAtPv(-180), pinned);
    EXPECT_EQ(NodeCount, pinnedNodes);

    // With the queen off the rank the capture is taken.
    ClearSearchMemory();
    LoadRoot("7q/3p4/8/K3P3/8/8/8/7k b - -", "d7d5", TestPly);
    QsAtPv(-180);
    EXPECT_EQ(PlyStack[TestPly].BestMove, M("e5d6"));
}

TEST_F(Quiescence, EntryGuards) {
    // Near the end of the ply records, of the search's part of MoveStack or
    // of the game record a node scores the position and generates nothing.
    const char* fen = "4k3/8/8/3q4/8/8/3R4/4K3 w - -";
    enum Guard { PlyRecords, MoveRoom, GameRecord };
    for (Guard guard : {PlyRecords, MoveRoom, GameRecord}) {
        for (bool mainSearch : {false, true}) {
            SCOPED_TRACE(testing::Message() << "guard " << guard << " main " << mainSearch);
            ClearSearchMemory();
            LoadRoot(fen, "", TestPly);
            const i32 standPat = NodeStaticScore();
            const i32 savedGamePly = GamePly;
            i32 top = 0;
            if (guard == PlyRecords) SearchPly = PlyStackSize - 2;
            if (guard == MoveRoom) top = PonderReplyStart - NodeMoveRoom + 1;
            if (guard == GameRecord) GamePly = GameHistorySize - 2;
            MoveStackTop = top;
            PlyStack[SearchPly].InCheck = 0;
            NodeCount = 0;
            const i32 score = mainSearch ? Search(-Infinity, Infinity, 240, 1, 0)
                                         : QuiescenceSearch(-Infinity, Infinity, 0, 0);
            GamePly = savedGamePly;
            EXPECT_EQ(score, standPat);
            EXPECT_EQ(MoveStackTop, top);
            EXPECT_EQ(NodeCount, 1u);
            EXPECT_EQ(PlyStack[SearchPly].BestMove, NoMove);
            SearchPly = 0;
            MoveStackTop = 0;
        }
    }
    // One ply further from the ends the node searches as usual.
    LoadRoot(fen, "", PlyStackSize - 3);
    EXPECT_GT(QuiescenceSearch(-Infinity, Infinity, 0, 0), NodeStaticScore() + 700);
}

// The evaluation cache as both searches use it.
class EvaluationCache : public SearchFixture {
protected:
    static u64 CacheKey() { return board.HashKey ^ ZobristCastle[board.CastlingFlags]; }
    static EvalCacheEntry& Entry() { return EvalCache[u32(CacheKey()) % EvalCacheEntries]; }
};

TEST_F(EvaluationCache, OneScorePerSideAndTheSymmetricStore) {
    LoadRoot("r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq -");
    const i32 white = CachedEvaluate();
    const EvalCacheEntry& entry = Entry();
    EXPECT_EQ(entry.key.Get(), CacheKey());
    EXPECT_EQ(entry.score[WHITE], white);
    EXPECT_EQ(entry.material, eval_info.material);
    EXPECT_EQ(entry.scale, eval_info.scale);
    EXPECT_EQ(entry.optimism[BLACK], eval_info.optimism[BLACK]);
    EXPECT_EQ(entry.attacked_by[WHITE].Get(), eval_info.attacked_by[WHITE]);
    EXPECT_EQ(entry.alert_squares[BLACK].Get(), eval_info.alert_squares[BLACK]);
    // The other side to move's score follows from the same evaluation
    // when it is symmetric, else it is left missing.
    const i32 expectedBlack = eval_info.symmetric ? eval_info.score_sum - white : EvalScoreMissing;
    EXPECT_EQ(entry.score[BLACK], expectedBlack);

    // A score in the entry is taken as it stands.
    EvalCache[u32(CacheKey()) % EvalCacheEntries].score[BLACK] = 777;
    board.SideToMove = BLACK;
    EXPECT_EQ(CachedEvaluate(), 777);
}

TEST_F(EvaluationCache, AMissingScoreOfAKnownPositionOnlyFillsItsOwnSlot) {
    LoadRoot("r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq -");
    const i32 white = CachedEvaluate();
    EvalCacheEntry& entry = Entry();
    entry.score[BLACK] = EvalScoreMissing;
    entry.material = 12345;
    board.SideToMove = BLACK;
    i32 direct = EvalScoreMissing;
    Evaluate(&direct);
    EXPECT_EQ(CachedEvaluate(), direct);
    EXPECT_EQ(entry.score[BLACK], direct);
    EXPECT_EQ(entry.score[WHITE], white);
    EXPECT_EQ(entry.material, 12345);
}

TEST_F(EvaluationCache, KeyHasCastlingButNoEnPassant) {
    // After e2-e4 beside the d4 pawn black may take en passant; the same
    // men without that chance share the entry.
    LoadRoot("4k3/8/8/8/3p4/8/4P3/4K3 w - -", "e2e4");
    const u64 searchKeyWithChance = ComputeSearchKey();
    CachedEvaluate();
    Entry().score[BLACK] = 555;
    LoadRoot("4k3/8/8/8/3pP3/8/8/4K3 b - -");
    EXPECT_NE(ComputeSearchKey(), searchKeyWithChance);
    EXPECT_EQ(CachedEvaluate(), 555);

    // Castling rights change the key.
    LoadRoot("r3k2r/8/8/8/8/8/8/R3K2R w KQkq -");
    const u64 withRights = CacheKey();
    CachedEvaluate();
    Entry().score[WHITE] = 444;
    LoadRoot("r3k2r/8/8/8/8/8/8/R3K2R w - -");
    EXPECT_NE(CacheKey(), withRights);
    EXPECT_NE(CachedEvaluate(), 444);
}

}  // namespace
