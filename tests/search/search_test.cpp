#include "search/search.h"

#include <gtest/gtest.h>

#include "driver/search_input.h"
#include "search/quiescence.h"
#include "search/search_fixture.h"
#include "search/search_loop.h"
#include "search/time_control.h"
#include "support/piped_stdin.h"

// Every test states its lazy window: SetLazyEvalWindow(iteration) around
// the root score, RootScore[0] = 0 before the first iteration, as the root
// driver sets it.

namespace {

using namespace search_test;

constexpr i32 Infinity = 32700;

Move M(const char* text) { return ParseMoveText(text); }

class SearchTest : public SearchFixture {};

TEST_F(SearchTest, FindsPublishedMates) {
    struct Case {
        const char* name;
        const char* fen;
        i32 iterations;
        const char* move;
        i32 score;
    };
    const Case cases[] = {
        // Back-rank mate: the black king is mated at ply 1.
        {"mate in one", "6k1/5ppp/8/8/8/8/8/R5K1 w - -", 3, "a1a8", 32699},
        // Morphy: 1.Ra6! bxa6 2.b7#, mated at ply 3.
        {"mate in two", "kbK5/pp6/1P6/8/8/8/8/R7 w - -", 5, "a1a6", 32697},
        // The same back-rank mate with the colours reversed.
        {"mate in one for black", "r5k1/8/8/8/8/8/5PPP/6K1 b - -", 3, "a8a1", 32699},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearSearchMemory();
        LoadRoot(c.fen);
        const Board before = board;
        const RootResult result = SearchToIteration(c.iterations);
        EXPECT_TRUE(SamePosition(before));
        EXPECT_EQ(result.move, M(c.move)) << MoveToText(result.move);
        EXPECT_EQ(result.score, c.score);
    }
}

TEST_F(SearchTest, SameSearchFromClearedTablesSameNodes) {
    const char* fens[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
    };
    for (const char* fen : fens) {
        SCOPED_TRACE(fen);
        RootResult first{};
        for (i32 run = 0; run < 3; run++) {
            // Whatever an earlier search left on the move stack must not matter.
            for (i32 i = 0; i < MoveStackSize; i++)
                MoveStack[i] = {Move(i * 7919 + run), (i * 31 + run * 7777) % 200000 - 100000};
            ClearSearchMemory();
            TransAge = 0;
            LoadRoot(fen);
            const RootResult result = SearchToIteration(6);
            if (run == 0) {
                first = result;
                EXPECT_GT(result.nodes, 1000u);
                continue;
            }
            EXPECT_EQ(result.nodes, first.nodes);
            EXPECT_EQ(result.move, first.move);
            EXPECT_EQ(result.score, first.score);
        }
    }
}

TEST_F(SearchTest, NodeEntryEdgeCases) {
    struct Case {
        const char* name;
        const char* fen;
        i32 ply, alpha, beta, depth, nodeKind;
        i32 expected;
    };
    const Case cases[] = {
        // Mated in check at ply 3.
        {"mated", "R5k1/5ppp/8/8/8/8/8/6K1 b - -", 3, -Infinity, Infinity, 120, 0, 3 - 32700},
        // Nothing can beat a mate given at once from ply 5: alpha comes back.
        {"alpha beyond any mate", "4k3/8/8/8/8/8/8/R3K3 w - -", 5, 32694, 32695, 120, 1, 32694},
        // Out of check no score below ply - 32698 exists: the window's top is lower.
        {"beta below the quiet-node floor", "4k3/8/8/8/8/8/8/R3K3 w - -", 4, -32699, -32695, 120, 0,
         4 - 32698},
        // Every move of the black king steps into an attack: 0, not the draw value.
        {"every move illegal", "7k/5Q2/6K1/8/8/8/8/8 b - -", 1, -100, 100, 120, 0, 0},
        // Mated with the hundredth half-move: the mate stands, with many
        // pieces or few; a check the king escapes is the rule's draw.
        {"mated as the fifty moves run out", "R5k1/5ppp/8/8/8/8/8/6K1 b - - 100", 3, -Infinity,
         Infinity, 120, 0, 3 - 32700},
        {"mated by many pieces as the fifty moves run out", "R5k1/5ppp/8/8/8/8/8/QR4K1 b - - 100",
         3, -Infinity, Infinity, 120, 0, 3 - 32700},
        {"checked as the fifty moves run out", "R5k1/6pp/8/8/8/8/8/6K1 b - - 100", 3, -Infinity,
         Infinity, 120, 0, 17},
        // Two kings: a draw by material, worth DrawScore to the engine.
        {"bare kings", "4k3/8/8/8/8/8/8/4K3 w - -", 2, -100, 100, 120, 0, 17},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearSearchMemory();
        LoadRoot(c.fen, "", c.ply);
        DrawScore = 17;
        NodeCount = 0;
        const i32 score = Search(c.alpha, c.beta, c.depth, 1, c.nodeKind);
        EXPECT_EQ(score, c.expected);
        EXPECT_EQ(MoveStackTop, 0);
        EXPECT_GE(NodeCount, 1u);
    }
}

TEST_F(SearchTest, CollidingTableMoveIsNeverMade) {
    // An entry of this position, too shallow to cut, that holds a move of
    // another position: the search runs exactly as with an entry holding
    // no move.
    const char* fen = "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq -";
    for (i32 nodeKind : {0, 1}) {
        SCOPED_TRACE(nodeKind);
        i32 scores[2];
        u64 nodes[2];
        for (i32 withForeignMove : {0, 1}) {
            ClearSearchMemory();
            LoadRoot(fen, "", 2);
            LoadRoot(fen, "", 2);
            // Rook d4 takes knight d5: no such men stand there.
            const Move stored = withForeignMove ? MakeMoveWord(D4, D5, ROOK, KNIGHT) : NoMove;
            StoreHash(60, stored, 0, UpperBound, 0, 0);
            const Board before = board;
            NodeCount = 0;
            scores[withForeignMove] = Search(-50, 50, 240, 1, nodeKind);
            nodes[withForeignMove] = NodeCount;
            EXPECT_TRUE(SamePosition(before));
        }
        EXPECT_EQ(scores[1], scores[0]);
        EXPECT_EQ(nodes[1], nodes[0]);
    }
}

TEST_F(SearchTest, EnPassantExposingTheKingIsSkipped) {
    // exd6 would open the fifth rank for the queen against the king on a5.
    LoadRoot("8/3p4/8/K3P2q/8/8/8/7k b - -", "d7d5", 2);
    const Board before = board;
    const i32 pinned = Search(-Infinity, Infinity, 120, 1, 0);
    EXPECT_TRUE(SamePosition(before));
    EXPECT_NE(PlyStack[2].BestMove, M("e5d6"));
    EXPECT_NE(PlyStack[2].BestMove, NoMove);
    // The illegal capture is taken back before any search below it: the
    // position after it never reached the table.
    const Move enPassant = M("e5d6");
    ASSERT_EQ(enPassant, MakeMoveWord(E5, D6, PAWN));
    MakeMove(enPassant, 1);
    EXPECT_EQ(FindTransEntry(ComputeSearchKey(), board.SideToMove), nullptr);
    UnmakeMove();
    // The same men without the en-passant chance score the same.
    ClearSearchMemory();
    LoadRoot("8/8/8/K2pP2q/8/8/8/7k w - -", "", 2);
    EXPECT_EQ(Search(-Infinity, Infinity, 120, 1, 0), pinned);
}

TEST_F(SearchTest, PollStopsTheSearch) {
    struct Case {
        const char* name;
        u64 nodeLimit;
        i32 depthLimit, budget, pondering;
        bool quiescence, stops;
    };
    // The quiescence search is entered with the countdown run out, so its
    // first node polls.
    const Case cases[] = {
        {"node limit", 2000, 100, TimeUnlimitedCs, 0, false, true},
        {"timed search out of time", 0, TimedSearchDepth, 0, 0, false, true},
        {"out of time but pondering", 0, TimedSearchDepth, 0, 1, false, false},
        {"depth-limited search ignores the clock", 0, 100, 0, 0, false, false},
        {"quiescence search at the node limit", 1, 100, TimeUnlimitedCs, 0, true, true},
        {"quiescence search out of time", 0, TimedSearchDepth, 0, 0, true, true},
        {"quiescence search out of time but pondering", 0, TimedSearchDepth, 0, 1, true, false},
    };
    PipedStdin input;  // nothing arrives
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearSearchMemory();
        LoadRoot("r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq -", "", 1);
        MoveStack[0].move = M("e1g1");
        MoveStackTop = 1;
        NodeLimit = c.nodeLimit;
        SearchDepthLimit = c.depthLimit;
        TimeBudgetCs = c.budget;
        TimeHardLimitCs = c.budget;
        PonderingNow = c.pondering;
        SearchStartTime = ClockCs();
        TimeCheckInterval = 100;
        TimeCheckCountdown = c.quiescence ? 0 : 100;
        NodeCount = 0;
        const Board before = board;
        const i32 score = c.quiescence ? QuiescenceSearch(-Infinity, Infinity, 0, 0)
                                       : Search(-Infinity, Infinity, 360, 1, 0);
        EXPECT_TRUE(SamePosition(before));
        EXPECT_EQ(MoveStackTop, 1);
        EXPECT_EQ(board.SearchAbort != 0, c.stops);
        if (c.stops) {
            EXPECT_EQ(score, 0);
        }
        board.SearchAbort = 0;
        PonderingNow = 0;
    }
    NodeLimit = 0;
    TimeBudgetCs = TimeUnlimitedCs;
    TimeHardLimitCs = TimeUnlimitedCs;
}

TEST_F(SearchTest, FutilityUnitTablesAreZero) {
    for (i32 i = 0; i < FutilityUnitsSize; i++) {
        EXPECT_EQ(FutilityOwnUnits[i], 0);
        EXPECT_EQ(FutilityOppUnits[i], 0);
    }
}

}  // namespace
