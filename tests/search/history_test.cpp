#include "search/history.h"

#include <gtest/gtest.h>

#include <cstring>

#include "board/board.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "search/search_limits.h"
#include "search/trans_table.h"

namespace {

class History : public ::testing::Test {
protected:
    void SetUp() override {
        InitEngineTables();
        ASSERT_EQ(ParseFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -"), 1);
        std::memset(HistoryScore, 0, sizeof HistoryScore);
        std::memset(PlyStack, 0, sizeof PlyStack);
        std::memset(EvasionKillers, 0, sizeof EvasionKillers);
        std::memset(CaptureTries, 0, sizeof CaptureTries);
        std::memset(CaptureSuccess, 0, sizeof CaptureSuccess);
        std::memset(CaptureStatStamp, 0, sizeof CaptureStatStamp);
        SearchPly = 0;
        TransAge = 0;
    }
    void TearDown() override {
        SearchPly = 0;
        TransAge = 0;
    }
};

const Move KnightG1F3 = MakeMoveWord(G1, F3, KNIGHT);

TEST_F(History, IndexPacksClassHalfFromToAndSide) {
    struct Case {
        Move move;
        i32 half;
        Side side;
        i32 index;
    };
    const Case cases[] = {
        // knight class 0, second half: 4 << 13; g1 | f3 << 6 = 1350, shifted once.
        {KnightG1F3, 1, WHITE, 32768 + 2700},
        {KnightG1F3, 0, WHITE, 2700},
        // pawn class 1: 1 << 13; e7 | e5 << 6 = 2356.
        {MakeMoveWord(E7, E5, PAWN), 0, BLACK, 8192 + 4712 + 1},
        // queen class 3 in the second half: 7 << 13.
        {MakeMoveWord(D1, H5, QUEEN), 1, WHITE, 57344 + ((D1 | H5 << 6) << 1)},
        // king and knight share class 0, bishop shares the pawns' class 1.
        {MakeMoveWord(E1, E2, KING), 0, WHITE, (E1 | E2 << 6) << 1},
        {MakeMoveWord(C1, E3, BISHOP), 0, BLACK, 8192 + ((C1 | E3 << 6) << 1) + 1},
        {MakeMoveWord(A1, A8, ROOK), 1, BLACK, (6 << 13) + ((A1 | A8 << 6) << 1) + 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HistoryIndex(c.move, c.half, c.side), c.index) << MoveToText(c.move);
}

TEST_F(History, BonusClimbsTowardTheBoundByDepth) {
    struct Case {
        i32 start;
        i32 depth;
        i32 expected;
    };
    const Case cases[] = {
        {32700, 900, 32700},  // at the bound it stays
        {32700, 60, 32700},
        {0, 60, (57 * 32700) >> 10},   // one ply: 1820
        {0, 119, (57 * 32700) >> 10},  // depth truncates to whole plies
        {0, 120, (119 * 32700) >> 10},
        {16000, 120, 16000 + ((119 * 16700) >> 10)},
        {0, 900, (298 * 32700) >> 10},   // 15 plies: the last factor
        {0, 6000, (298 * 32700) >> 10},  // beyond 15 plies the same
        {32699, 900, 32699},             // the step rounds down to nothing
    };
    for (const Case& c : cases) {
        const i32 index = HistoryIndex(KnightG1F3, 1, WHITE);
        HistoryScore[index] = c.start;
        UpdateHistoryAndKillers(c.depth, KnightG1F3, 1);
        EXPECT_EQ(HistoryScore[index], c.expected) << c.start << " at depth " << c.depth;
    }
    // Only the one entry moved.
    HistoryScore[HistoryIndex(KnightG1F3, 1, WHITE)] = 0;
    for (i32 value : HistoryScore) ASSERT_EQ(value, 0);
}

TEST_F(History, PenaltyShrinksTowardZeroByDepth) {
    struct Case {
        i32 start;
        i32 depth;
        i32 expected;
    };
    const Case cases[] = {
        {0, 900, 0},  // at zero it stays
        {32700, 60, 32700 - ((57 * 32700) >> 10)},
        {1000, 900, 1000 - ((298 * 1000) >> 10)},
        {1000, 180, 1000 - ((155 * 1000) >> 10)},
        {3, 900, 3},  // the step rounds down to nothing
    };
    board.SideToMove = BLACK;
    const Move move = MakeMoveWord(G8, F6, KNIGHT);
    for (const Case& c : cases) {
        const i32 index = HistoryIndex(move, 0, BLACK);
        HistoryScore[index] = c.start;
        PenalizeHistory(c.depth, move, 0);
        EXPECT_EQ(HistoryScore[index], c.expected) << c.start << " at depth " << c.depth;
    }
}

TEST_F(History, KillersOfTheCurrentPlyAndSide) {
    const Move first = MakeMoveWord(B1, C3, KNIGHT), second = MakeMoveWord(E2, E4, PAWN);
    SearchPly = 5;
    UpdateHistoryAndKillers(60, first, 0);
    EXPECT_EQ(PlyStack[5].Killer[0][WHITE], first);
    EXPECT_EQ(PlyStack[5].Killer[1][WHITE], 0u);

    UpdateHistoryAndKillers(60, second, 0);
    EXPECT_EQ(PlyStack[5].Killer[0][WHITE], second);
    EXPECT_EQ(PlyStack[5].Killer[1][WHITE], first);

    // The first killer again: slot 1 keeps the other move.
    UpdateHistoryAndKillers(60, second, 1);
    EXPECT_EQ(PlyStack[5].Killer[0][WHITE], second);
    EXPECT_EQ(PlyStack[5].Killer[1][WHITE], first);

    // Nothing of the other side or other plies changed.
    EXPECT_EQ(PlyStack[5].Killer[0][BLACK], 0u);
    EXPECT_EQ(PlyStack[4].Killer[0][WHITE], 0u);
    EXPECT_EQ(PlyStack[6].Killer[0][WHITE], 0u);

    board.SideToMove = BLACK;
    const Move reply = MakeMoveWord(G8, F6, KNIGHT);
    UpdateHistoryAndKillers(60, reply, 0);
    EXPECT_EQ(PlyStack[5].Killer[0][BLACK], reply);
    EXPECT_EQ(PlyStack[5].Killer[0][WHITE], second);
    EXPECT_GT(HistoryScore[HistoryIndex(reply, 0, BLACK)], 0);
    EXPECT_EQ(HistoryScore[HistoryIndex(reply, 0, WHITE)], 0);
}

TEST_F(History, EvasionKillerByCheckingSquareKingSquareAndSide) {
    // No last move: nothing is stored.
    StoreEvasionKiller(MakeMoveWord(E1, D2, KING));
    for (u32 entry : EvasionKillers) ASSERT_EQ(entry, 0u);

    // 1. e4 f6 2. Qh5+: black is in check from h5, king on e8.
    const char* line[] = {"e2e4", "f7f6", "d1h5"};
    for (const char* text : line) MakeMove(ParseMoveText(text), 1);
    ASSERT_EQ(board.SideToMove, BLACK);
    const Move evasion = ParseMoveText("g7g6");
    StoreEvasionKiller(evasion);
    EXPECT_EQ(EvasionKillers[(H5 * 64 + E8) * 2 + BLACK], evasion);
    i32 stored = 0;
    for (u32 entry : EvasionKillers) stored += entry != 0;
    EXPECT_EQ(stored, 1);
}

TEST_F(History, CaptureSlotsBySideSquaresAndPieces) {
    const Move capture = MakeMoveWord(F3, E5, KNIGHT, PAWN);
    // Knight 2 takes pawn 3: (2 | 3 << 3) in the low six bits.
    EXPECT_EQ(CaptureStatSlot(capture, WHITE), (F3 << 12) | (E5 << 6) | 26);
    EXPECT_EQ(CaptureStatSlot(capture, BLACK), (1 << 18) | (F3 << 12) | (E5 << 6) | 26);

    // The same capture by White and by Black counts apart.
    UpdateCaptureStatistics(capture, WHITE, true);
    UpdateCaptureStatistics(capture, BLACK, false);
    UpdateCaptureStatistics(capture, BLACK, false);
    const i32 white = CaptureStatSlot(capture, WHITE), black = CaptureStatSlot(capture, BLACK);
    EXPECT_EQ(CaptureTries[white], 1);
    EXPECT_EQ(CaptureSuccess[white], 1);
    EXPECT_EQ(CaptureTries[black], 2);
    EXPECT_EQ(CaptureSuccess[black], 0);
}

TEST_F(History, StaleCaptureSlotsStartAgainAfterTheGenerationChanges) {
    const Move capture = MakeMoveWord(D4, E5, PAWN, KNIGHT);
    TransAge = 7;
    for (i32 i = 0; i < 5; i++) UpdateCaptureStatistics(capture, WHITE, i % 2 == 0);
    i32 slot = TouchCaptureStatSlot(capture, WHITE);
    EXPECT_EQ(CaptureTries[slot], 5);
    EXPECT_EQ(CaptureSuccess[slot], 3);
    EXPECT_EQ(CaptureStatStamp[slot], 7);

    TransAge = 8;
    slot = TouchCaptureStatSlot(capture, WHITE);
    EXPECT_EQ(CaptureTries[slot], 0);
    EXPECT_EQ(CaptureSuccess[slot], 0);
    EXPECT_EQ(CaptureStatStamp[slot], 8);

    // The stamp is the generation read as a signed 16-bit number.
    TransAge = 40000;
    slot = TouchCaptureStatSlot(capture, WHITE);
    EXPECT_EQ(CaptureStatStamp[slot], 40000 - 65536);
    UpdateCaptureStatistics(capture, WHITE, true);
    EXPECT_EQ(CaptureTries[slot], 1);
}

TEST_F(History, CaptureCountsHalveBeyondTheWindow) {
    const Move capture = MakeMoveWord(C4, F7, BISHOP, PAWN);
    const i32 slot = CaptureStatSlot(capture, WHITE);
    // 64 tries, every fourth a success: no halving yet.
    for (i32 i = 0; i < 64; i++) UpdateCaptureStatistics(capture, WHITE, i % 4 == 0);
    EXPECT_EQ(CaptureTries[slot], 64);
    EXPECT_EQ(CaptureSuccess[slot], 16);
    // The 65th (a success) halves both: 65 -> 32, 17 -> 8.
    UpdateCaptureStatistics(capture, WHITE, true);
    EXPECT_EQ(CaptureTries[slot], 32);
    EXPECT_EQ(CaptureSuccess[slot], 8);
}

TEST_F(History, KillersShiftTwoPlies) {
    auto killer = [](i32 ply, i32 slot, i32 side) {
        return u32(1000 * ply + 10 * slot + side + 1);
    };
    for (i32 ply = 0; ply < PlyStackSize; ply++) {
        PlyStack[ply].BestMove = u32(ply);
        for (i32 slot = 0; slot < 2; slot++)
            for (i32 side = 0; side < 2; side++)
                PlyStack[ply].Killer[slot][side] = killer(ply, slot, side);
    }
    ShiftKillersTwoPlies();
    for (i32 ply = 0; ply < PlyStackSize; ply++) {
        const i32 from = ply < 192 ? ply + 2 : ply;
        for (i32 slot = 0; slot < 2; slot++)
            for (i32 side = 0; side < 2; side++)
                ASSERT_EQ(PlyStack[ply].Killer[slot][side], killer(from, slot, side))
                    << "ply " << ply;
        // Only the killers move.
        ASSERT_EQ(PlyStack[ply].BestMove, u32(ply));
    }
}

}  // namespace
