#include "board/static_exchange.h"

#include <gtest/gtest.h>

#include <cstring>

#include "board/board.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "board/move_text.h"

namespace {

class StaticExchange : public ::testing::Test {
protected:
    void SetUp() override { InitEngineTables(); }
};

struct Case {
    const char* fen;
    const char* move;
    i32 notLosing;
    const char* why;
};

const Case Cases[] = {
    // Quick verdicts from the values alone and the cheapest enemy attackers.
    {"4k3/8/4p3/3r4/8/2N5/8/4K3 w - -", "c3d5", 1, "knight takes a rook, whatever defends it"},
    {"3qk3/8/8/3n4/8/1B6/8/4K3 w - -", "b3d5", 1, "bishop takes a knight guarded by a queen"},
    {"4k3/8/4p3/3p4/8/8/3Q4/4K3 w - -", "d2d5", 0, "queen takes a pawn guarded by a pawn"},
    {"4k3/8/5n2/3p4/8/8/8/3RK3 w - -", "d1d5", 0, "rook takes a pawn guarded by a knight"},
    {"3rk3/8/8/3p4/4P3/8/8/3RK3 w - -", "d1d5", 1,
     "rook takes a rook-guarded pawn our pawn backs up"},
    {"3rk3/8/8/3p4/8/8/8/3RK3 w - -", "d1d5", 0, "rook takes a rook-guarded pawn alone"},
    {"4k3/8/8/8/8/8/8/1N2K3 w - -", "b1c3", 1, "quiet knight move to an unattacked square"},
    {"4k3/8/8/8/8/5r2/8/4K3 w - -", "e1f1", 0, "king steps onto an attacked square"},
    {"4k3/8/8/8/8/5r2/8/4K3 w - -", "e1d1", 1, "king steps onto a free square"},
    // Promotions: only the queen is ever called safe.
    {"7r/P7/8/8/8/8/8/4K2k w - -", "a7a8q", 0, "quiet queen promotion a rook takes"},
    {"8/P7/8/8/8/8/8/4K2k w - -", "a7a8q", 1, "quiet queen promotion on a free square"},
    {"8/P7/8/8/8/8/8/4K2k w - -", "a7a8r", 0, "rook promotion on a free square"},
    {"8/P7/8/8/8/8/8/4K2k w - -", "a7a8b", 0, "bishop promotion on a free square"},
    {"8/P7/8/8/8/8/8/4K2k w - -", "a7a8n", 0, "knight promotion on a free square"},
    {"1r6/P7/8/8/8/8/8/4K2k w - -", "a7b8q", 1, "queen promotion taking a rook"},
    {"1r6/P7/8/8/8/8/8/4K2k w - -", "a7b8n", 0, "knight promotion taking a rook"},
    // The exchange played out, with attackers refilled from behind.
    {"3rk3/8/8/3p4/8/8/3R4/3RK3 w - -", "d2d5", 1, "doubled rooks against one defender"},
    {"4k3/3r4/8/3p4/8/8/3R4/3RK3 w - -", "d2d5", 1, "doubled rooks against one defending rook"},
    {"3qk3/3r4/8/3p4/8/8/3R4/3RK3 w - -", "d2d5", 0, "doubled rooks against rook and queen"},
    {"7k/1b6/2p5/8/3PP3/5B2/8/6K1 w - -", "d4d5", 1,
     "pawn push: pawn and bishop behind on each side"},
    {"7k/1b6/2p5/8/3PP3/8/8/6K1 w - -", "d4d5", 0, "pawn push: their bishop behind their pawn"},
    {"7k/8/2p5/8/3PP3/8/8/6K1 w - -", "d4d5", 1, "pawn push: one pawn each"},
    {"8/8/3k4/3p4/8/8/8/3RK3 w - -", "d1d5", 0, "rook takes a pawn only the king guards"},
    {"8/8/3k4/3p4/8/1B6/8/3RK3 w - -", "d1d5", 1, "the same with a bishop backing the rook"},
    {"3k4/8/8/3p4/8/8/8/3RK3 b - -", "d5d4", 0, "black pawn steps where a rook takes it"},
    {"3r4/8/8/3p4/8/8/8/3RK2k b - -", "d5d4", 1, "the same with a black rook behind the pawn"},
    {"4k3/7r/8/8/8/8/6P1/4K3 b - -", "h7h3", 0, "black rook onto a square a white pawn guards"},
};

TEST_F(StaticExchange, VerdictsOfKnownExchanges) {
    for (const Case& c : Cases) {
        ASSERT_EQ(ParseFen(c.fen), 1) << c.fen;
        const Move move = ParseMoveText(c.move);
        ASSERT_NE(move, NoMove) << c.move;
        const Board before = board;
        EXPECT_EQ(SeeNotLosing(MoveTo(move), MoveFrom(move), MovePiece(move), MoveCaptured(move),
                               MovePromotion(move)),
                  c.notLosing)
            << c.why << ": " << c.fen << " " << c.move;
        EXPECT_EQ(std::memcmp(&before, &board, sizeof(Board)), 0) << "the board is only read";
    }
}

}  // namespace
