#include "search/lazy_eval.h"

#include <gtest/gtest.h>

#include "board/board.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "search/search_limits.h"

namespace {

class LazyEval : public ::testing::Test {
protected:
    void SetUp() override { InitEngineTables(); }
    void TearDown() override {
        EngineSide = WHITE;
        RootScore[0] = 0;
    }
};

TEST_F(LazyEval, WindowAroundRootScoreAndMaterial) {
    struct Case {
        const char* fen;  // white is a rook up in the second position
        Side engine;
        i32 rootScore, iteration;
        i32 balance, low, high;
    };
    const char* const Even = "4k3/8/8/8/8/8/8/4K3 w - -";
    const char* const RookUp = "4k3/8/8/8/8/8/8/R3K3 w - -";
    const Case cases[] = {
        // margin = 10 x iteration + 200; shift = score / 5 within -150..150.
        {Even, WHITE, 0, 1, 0, -210, 210},
        {Even, WHITE, 0, 10, 0, -300, 300},
        {Even, WHITE, 100, 1, 0, 0 - 210 + 20, 100 + 210 + 20},
        {Even, WHITE, -7, 1, 0, -7 - 210 - 1, 0 + 210 - 1},
        {Even, WHITE, 2000, 2, 0, 0 - 220 + 150, 2000 + 220 + 150},
        {Even, WHITE, -2000, 2, 0, -2000 - 220 - 150, 0 + 220 - 150},
        {RookUp, WHITE, 450, 3, 500, 450 - 230 + 90, 500 + 230 + 90},
        {RookUp, BLACK, -450, 3, -500, -500 - 230 - 90, -450 + 230 - 90},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(ParseFen(c.fen), 1);
        EngineSide = c.engine;
        RootScore[0] = c.rootScore;
        SetLazyEvalWindow(c.iteration);
        EXPECT_EQ(RootMaterialBalance, c.balance) << c.rootScore;
        EXPECT_EQ(LazyEvalLow, c.low) << c.rootScore;
        EXPECT_EQ(LazyEvalHigh, c.high) << c.rootScore;
    }
}

}  // namespace
