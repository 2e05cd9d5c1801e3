// Test support for the searches: the start-up tables and evaluation
// parameters, small hash tables wiped before every test, the root state a
// search expects, and a plain iterative-deepening root loop standing in
// for the root driver.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "board/attack_queries.h"
#include "board/board.h"
#include "board/check_test.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "board/legal_moves.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "eval/eval_params.h"
#include "eval/material_table.h"
#include "search/hash_tables.h"
#include "search/history.h"
#include "search/lazy_eval.h"
#include "search/root_moves.h"
#include "search/search.h"
#include "search/search_limits.h"
#include "search/trans_table.h"

namespace search_test {

constexpr u32 TestTransEntries = 1 << 16;
// The look at the clock and the input never comes within a test search:
// standard input of a test run may be closed, which would end the search.
constexpr i32 NoClockChecks = INT32_MAX;

// Every table that carries knowledge from one search to the next, wiped:
// transposition table, pawn hash, evaluation cache, history, killers,
// evasion killers and the capture statistics.
inline void ClearSearchMemory() {
    ClearTransTable();
    ClearPawnHash();
    ClearEvalCache();
    std::memset(HistoryScore, 0, sizeof HistoryScore);
    std::memset(PlyStack, 0, sizeof PlyStack);
    std::memset(EvasionKillers, 0, sizeof EvasionKillers);
    std::memset(CaptureTries, 0, sizeof CaptureTries);
    std::memset(CaptureSuccess, 0, sizeof CaptureSuccess);
    std::memset(CaptureStatStamp, 0, sizeof CaptureStatStamp);
}

inline bool SideToMoveIsInCheck() {
    const Side side = board.SideToMove;
    return IsSquareAttacked(ChangeSide(side), board.KingSquare[side]) != 0;
}

// The position is the one saved: men, side to move, rights, counters and
// keys. (An evaluation may refresh the board's derived phase fields.)
inline bool SamePosition(const Board& saved) {
    return std::memcmp(saved.Bitboards, board.Bitboards, sizeof saved.Bitboards) == 0 &&
           std::memcmp(saved.Squares, board.Squares, sizeof saved.Squares) == 0 &&
           saved.SideToMove == board.SideToMove && saved.CastlingFlags == board.CastlingFlags &&
           saved.FiftyMoveCounter == board.FiftyMoveCounter && saved.HashKey == board.HashKey &&
           saved.PawnHashKey == board.PawnHashKey &&
           saved.Material[WHITE] == board.Material[WHITE] &&
           saved.Material[BLACK] == board.Material[BLACK] &&
           saved.MaterialIndex == board.MaterialIndex &&
           saved.PstOpeningSum == board.PstOpeningSum && saved.PstEndgameSum == board.PstEndgameSum;
}

class SearchFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        InitEngineTables();
        SetBuiltInEvalParams();
        DeriveEvalTables();
    }
    void SetUp() override {
        TransEntries = TestTransEntries;
        AllocTransTable();
        AllocPawnHash();
        AllocEvalCache();
        ClearSearchMemory();
        ResetSearchState();
    }
    void TearDown() override {
        ResetSearchState();
        TransEntries = DefaultTransEntries;
        AllocTransTable();
        ClearTransTable();
    }
    static void ResetSearchState() {
        board.SearchAbort = 0;
        MoveStackTop = 0;
        SearchPly = 0;
        SelDepth = 0;
        NodeCount = 0;
        NodeLimit = 0;
        IterationDepth = 1;
        TimeCheckInterval = 50000;
        TimeCheckCountdown = NoClockChecks;
        SearchDepthLimit = 100;
        LaterRootMove = 0;
        EngineSide = WHITE;
        DrawScore = 0;
        RootScore[0] = 0;
    }

    // Sets up the position (and the moves after it) as a search root: the
    // engine plays the side to move, the lazy window is that of the first
    // iteration around a root score of 0, and the in-check flag of ply is set.
    static void LoadRoot(const char* fen, const char* moves = "", i32 ply = 0) {
        ASSERT_EQ(ParseFen(fen), 1) << fen;
        std::istringstream in(moves);
        std::string text;
        while (in >> text) {
            const Move move = ParseMoveText(text.c_str());
            ASSERT_NE(move, NoMove) << text;
            MakeMove(move, 1);
        }
        EngineSide = board.SideToMove;
        RootScore[0] = 0;
        SetLazyEvalWindow(1);
        SearchPly = ply;
        PlyStack[ply].InCheck = SideToMoveIsInCheck() ? 1 : 0;
    }
};

struct RootResult {
    Move move;
    i32 score;
    u64 nodes;
};

// Iterative deepening over the legal root moves with a principal-variation
// scheme, full window for the best move, the best move kept in front: the
// root driver's way of calling Search without its aspiration windows,
// clock or output. Iterations 1 .. lastIteration.
inline RootResult SearchToIteration(i32 lastIteration) {
    const Side side = board.SideToMove;
    EngineSide = side;
    TransAge += 1;
    NodeCount = 0;
    RootScore[0] = 0;
    board.SearchAbort = 0;
    MoveStackTop = 0;
    GenerateLegalMoves(0);
    const i32 count = MoveStackTop;
    std::vector<Move> moves;
    std::vector<i32> checks;
    for (i32 i = 0; i < count; i++) moves.push_back(MoveStack[i].move);
    for (Move m : moves) checks.push_back(GivesCheck(m));
    PlyStack[0].InCheck = SideToMoveIsInCheck() ? 1 : 0;

    for (i32 d = 1; d <= lastIteration && count > 0; d++) {
        IterationDepth = d;
        SelDepth = d + 1;
        SetLazyEvalWindow(d);
        i32 alpha = -32701;
        i32 bestIndex = 0;
        for (i32 i = 0; i < count; i++) {
            // The root list stays at the bottom of MoveStack, best first.
            for (i32 k = 0; k < count; k++) MoveStack[k].move = moves[k];
            MoveStackTop = count;
            MakeMove(moves[i], 1);
            PlyStack[1].InCheck = u32(checks[i]);
            PlyStack[0].ExtFlags = checks[i] ? 1 : 0;
            const i32 childDepth = 60 * d + (checks[i] ? 90 : 30);
            SearchPly = 1;
            i32 v;
            if (i == 0) {
                v = -Search(-32701, 32701, childDepth, 1, 0);
            } else {
                v = -Search(-alpha - 1, -alpha, childDepth, 1, -1);
                if (v > alpha) v = -Search(-32701, -alpha, childDepth, 1, 0);
            }
            SearchPly = 0;
            UnmakeMove();
            if (i == 0 || v > alpha) {
                alpha = v;
                bestIndex = i;
            }
        }
        // The best move goes to the front for the next iteration.
        const Move bestMove = moves[bestIndex];
        const i32 bestCheck = checks[bestIndex];
        moves.erase(moves.begin() + bestIndex);
        checks.erase(checks.begin() + bestIndex);
        moves.insert(moves.begin(), bestMove);
        checks.insert(checks.begin(), bestCheck);
        RootScore[0] = alpha;
    }
    MoveStackTop = 0;
    return {count > 0 ? moves[0] : NoMove, RootScore[0], NodeCount};
}

}  // namespace search_test
