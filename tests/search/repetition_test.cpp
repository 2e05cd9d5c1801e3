#include "search/repetition.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "board/board.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "search/search_limits.h"

namespace {

class Repetition : public ::testing::Test {
protected:
    void SetUp() override { InitEngineTables(); }
    void TearDown() override {
        EngineSide = WHITE;
        DrawScore = 0;
    }
};

// Passes the move as the search's null move does: only the side to move
// changes and the record holds the move 0.
void MakeNullMove() {
    GameHistory[GamePly].Move = NoMove;
    GameHistory[GamePly].HashKey = board.HashKey;
    GameHistory[GamePly].CastlingFlags = board.CastlingFlags;
    GameHistory[GamePly].FiftyMoveCounter = board.FiftyMoveCounter;
    GamePly += 1;
    board.SideToMove = ChangeSide(board.SideToMove);
}

// Plays space-separated coordinate moves; "0000" is a null move.
void Play(const std::string& moves) {
    std::istringstream in(moves);
    std::string text;
    while (in >> text) {
        if (text == "0000") {
            MakeNullMove();
            continue;
        }
        const Move move = ParseMoveText(text.c_str());
        ASSERT_NE(move, NoMove) << text;
        MakeMove(move, 1);
    }
}

constexpr const char* Start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";
constexpr const char* Rooks = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -";
constexpr const char* Kings99 = "8/8/4k3/8/8/3K4/8/8 w - - 99";

TEST_F(Repetition, DrawsByRuleInSearchAndInGame) {
    struct Case {
        const char* name;
        const char* fen;
        const char* moves;
        i32 searchDraw;
        i32 gameRepetition;
    };
    const Case cases[] = {
        {"no move yet", Start, "", 0, 0},
        {"three plies", Start, "g1f3 g8f6 f3g1", 0, 0},
        {"repeated once", Start, "g1f3 g8f6 f3g1 f6g8", 1, 0},
        {"repeated twice", Start, "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8", 1, 1},
        {"repeated after other moves", Start, "g1f3 g8f6 b1c3 b8c6 c3b1 c6b8", 1, 0},
        // The white king's triangle hands the move to black.
        {"same pieces, other side to move", "4k3/8/8/8/8/8/8/4K3 w - -", "e1d1 e8d8 d1d2 d8e8 d2e1",
         0, 0},
        {"repeated after a pawn move", Start, "e2e4 g8f6 g1f3 f6g8 f3g1", 1, 0},
        {"repeated after a capture", "4k3/8/8/3p4/8/8/8/3RK3 w - -", "d1d5 e8e7 e1e2 e7e8 e2e1", 1,
         0},
        // The search compares pieces only: rights lost on the way still count.
        {"castling rights differ, once", Rooks, "e1e2 e8e7 e2e1 e7e8", 1, 0},
        {"castling rights differ, twice", Rooks, "e1e2 e8e7 e2e1 e7e8 e1e2 e8e7 e2e1 e7e8", 1, 0},
        {"same rights, third time", Rooks,
         "e1e2 e8e7 e2e1 e7e8 e1e2 e8e7 e2e1 e7e8 e1e2 e8e7 e2e1 e7e8", 1, 1},
        // A null move ends the reversible tail.
        {"null moves in the tail", Start, "g1f3 g8f6 0000 0000 f3g1 f6g8", 0, 0},
        {"null moves last", Start, "g1f3 g8f6 f3g1 f6g8 0000 0000", 0, 0},
        {"null moves before a repetition", Start, "0000 0000 g1f3 g8f6 f3g1 f6g8", 1, 0},
        {"fifty moves at 99", Kings99, "", 0, 0},
        {"fifty moves at 100", Kings99, "d3d4", 1, 0},
        {"fifty moves with three plies", Kings99, "d3d4 e6e5 d4d3", 1, 0},
        {"fifty moves reset by a pawn move", "8/8/4k3/8/8/3K4/4P3/8 w - - 99", "e2e3", 0, 0},
        // A mate given with the hundredth half-move stands; a check does not.
        {"fifty moves ended by a mate", "6k1/5ppp/8/8/8/8/8/R5K1 w - - 99", "a1a8", 0, 0},
        {"fifty moves ended by a check", "6k1/6pp/8/8/8/8/8/R5K1 w - - 99", "a1a8", 1, 0},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(ParseFen(c.fen), 1) << c.name;
        Play(c.moves);
        EXPECT_EQ(IsDrawByRuleInSearch(), c.searchDraw) << c.name;
        EXPECT_EQ(IsRepetition(), c.gameRepetition) << c.name;
        // The walk alone never looks at the fifty-move counter.
        if (board.FiftyMoveCounter < FiftyMoveLimit) {
            EXPECT_EQ(RepeatsEarlierPosition(), c.searchDraw) << c.name;
        }
    }
}

// An irreversible move hides everything before it, even a position with the
// very same key (planted here, since a real one cannot exist).
TEST_F(Repetition, IrreversibleMoveEndsTheWalk) {
    struct Case {
        const char* name;
        const char* fen;
        const char* moves;  // the first move is the one under test
    };
    const Case cases[] = {
        {"pawn move", Start, "e2e4 g8f6 g1f3 f6g8 f3g1 b8c6"},
        {"capture", "r3k3/8/8/8/8/8/8/R3K3 w - -", "a1a8 e8d7 e1e2 d7d6 e2e3 d6d5"},
        {"promotion", "4k3/P7/8/8/8/8/8/4K3 w - -", "a7a8q e8d7 e1e2 d7d6 e2e3 d6d5"},
        {"null move", Start, "0000 g8f6 g1f3 f6g8 f3g1 b8c6"},
        {"reversible control", Start, "b1c3 g8f6 g1f3 f6g8 f3g1 b8c6"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(ParseFen(c.fen), 1) << c.name;
        Play(c.moves);
        ASSERT_EQ(GamePly, 6);
        GameHistory[0].HashKey = board.HashKey;
        GameHistory[0].CastlingFlags = board.CastlingFlags;
        GameHistory[1].CastlingFlags = board.CastlingFlags;
        const i32 expected = std::string(c.name) == "reversible control" ? 1 : 0;
        EXPECT_EQ(IsDrawByRuleInSearch(), expected) << c.name;
        // Found once, never twice: the game-level test still says no.
        EXPECT_EQ(IsRepetition(), 0) << c.name;
    }
}

TEST_F(Repetition, FiftyMoveDrawIsNotARepetition) {
    ASSERT_EQ(ParseFen(Kings99), 1);
    Play("d3d4");
    EXPECT_EQ(board.FiftyMoveCounter, 100);
    EXPECT_EQ(RepeatsEarlierPosition(), 0);
    EXPECT_EQ(IsDrawByRuleInSearch(), 1);
}

TEST_F(Repetition, DrawValueIsSeenFromTheEngine) {
    struct Case {
        Side engine;
        Side toMove;
        i32 drawScore;
        i32 value;
    };
    const Case cases[] = {
        {WHITE, WHITE, 0, 0},   {WHITE, WHITE, 17, 17},  {WHITE, BLACK, 17, -17},
        {BLACK, BLACK, 50, 50}, {BLACK, WHITE, 50, -50},
    };
    ASSERT_EQ(ParseFen(Start), 1);
    for (const Case& c : cases) {
        EngineSide = c.engine;
        DrawScore = c.drawScore;
        board.SideToMove = c.toMove;
        EXPECT_EQ(DrawValue(), c.value) << c.engine << " " << c.toMove << " " << c.drawScore;
        EXPECT_EQ(DrawValueFor(c.toMove), c.value);
    }
}

}  // namespace
