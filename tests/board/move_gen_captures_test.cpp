#include "board/move_gen_captures.h"

#include <gtest/gtest.h>

#include <string>

#include "board/board.h"
#include "board/move_text.h"
#include "search/history.h"
#include "search/trans_table.h"
#include "support/generator_output.h"

namespace {

class CaptureGenerator : public CaptureScoringTest {};

std::string Generate(u64 targets, i32 start = 7) {
    MoveStackTop = start;
    GenerateCaptures(targets);
    return StackText(start);
}

u64 EnemyMen() { return board.Bitboards[0][ChangeSide(board.SideToMove)]; }

struct GenerationCase {
    const char* fen;
    const char* expected;
};

TEST_F(CaptureGenerator, OrderAndScoresOfEveryKindOfCapture) {
    const GenerationCase cases[] = {
        // White pawns from a1 up; capture-promotions Q, N, R, B, targets from
        // the lowest square up. A safe pawn-takes-pawn scores one below en
        // passant; under-promotions are refused and earn no statistics bonus.
        {"5n1r/6P1/8/8/3p4/2P1P3/8/4K2k w - -",
         "c3d4:100900 e3d4:100900 "
         "g7f8q:110900 g7f8n:-125100 g7f8r:-125100 g7f8b:-125100 "
         "g7h8q:112900 g7h8n:-123100 g7h8r:-123100 g7h8b:-123100"},
        // Black pawns from h8 down, en passant left pawn first, then knights,
        // bishops, queens (targets upward) and the king. The queen that takes
        // a knight defended by a rook is refused.
        {"qnb1k3/3N4/1p5p/N1R3P1/3pPp2/8/8/4K3 b - e4",
         "h6g5:100900 b6a5:102900 b6c5:104900 d4e3:100901 f4e3:100901 "
         "b8d7:102700 c8d7:102700 a8e4:100100 a8a5:-125900 e8d7:102050"},
        // Rook targets from the lowest square up. Taking the bishop loses
        // the rook to the x-ray along the rank; the pawn is guarded by the
        // bishop. The king takes an unguarded knight.
        {"4k3/8/8/3p4/8/1b1R3r/5n2/4K3 w - -",
         "d3b3:-125500 d3h3:104500 d3d5:-127500 e1f2:102050"},
        // No en passant without a double step as the last move.
        {"4k3/8/8/3pP3/8/8/8/4K3 w - -", ""},
    };
    for (const GenerationCase& c : cases) {
        Load(c.fen);
        EXPECT_EQ(Generate(EnemyMen()), c.expected) << c.fen;
    }
}

TEST_F(CaptureGenerator, TargetsRestrictEverythingButEnPassant) {
    Load("qnb1k3/3N4/1p5p/N1R3P1/3pPp2/8/8/4K3 b - e4");
    EXPECT_EQ(Generate(0), "d4e3:100901 f4e3:100901");
    EXPECT_EQ(Generate(SquareBit(D7)),
              "d4e3:100901 f4e3:100901 b8d7:102700 c8d7:102700 e8d7:102050");
    // The stack grows from wherever it stands and keeps what lies below.
    MoveStackTop = 100;
    MoveStack[99] = {12345, 678};
    GenerateCaptures(SquareBit(G5));
    EXPECT_EQ(MoveStackTop, 103);
    EXPECT_EQ(MoveStack[99].move, 12345u);
    EXPECT_EQ(MoveStack[99].score, 678);
}

TEST_F(CaptureGenerator, EnPassantFromEitherSideOfTheArrivalSquare) {
    const GenerationCase cases[] = {
        {"4k3/8/8/3PpP2/8/8/8/4K3 w - e5", "d5e6:100901 f5e6:100901"},
        {"4k3/8/8/Pp6/8/8/8/4K3 w - b5", "a5b6:100901"},
        {"4k3/8/8/6pP/8/8/8/4K3 w - g5", "h5g6:100901"},
        {"4k3/8/8/8/pP6/8/8/4K3 b - b4", "a4b3:100901"},
        {"4k3/8/8/8/Pp6/8/8/4K3 b - a4", "b4a3:100901"},
        // A pawn on the far edge of the next rank is no neighbour.
        {"4k3/8/8/p7/7P/8/8/4K3 b - h4", ""},
        {"4k3/8/8/p7/7P/8/8/4K3 w - a5", ""},
    };
    for (const GenerationCase& c : cases) {
        Load(c.fen);
        EXPECT_EQ(Generate(EnemyMen()), c.expected) << c.fen;
    }
}

TEST_F(CaptureGenerator, RefusedCaptureScoreFollowsItsStatistics) {
    // Black queen a8 takes the knight on a5 that the rook on c5 defends.
    Load("qnb1k3/3N4/1p5p/N1R3P1/3pPp2/8/8/4K3 b - e4");
    const Move queenTakesKnight = MakeMoveWord(A8, A5, QUEEN, KNIGHT);
    // Slot: side, from, to, then the moving and captured piece types.
    const i32 slot = (BLACK << 18) | (A8 << 12) | (A5 << 6) | (KNIGHT << 3) | QUEEN;
    const i32 victimLessAttacker = 10 * 300 - 900;
    const i32 now = i16(TransAge);
    struct StatCase {
        i32 tries, successes, stamp;
        i32 bonus;
    };
    const StatCase cases[] = {
        {0, 0, now, -128000},
        {8, 8, now, -128000},  // eight tries are too few to judge by
        {9, 0, now, -128000},
        {10, 1, now, -64000},   // ratio 25
        {16, 3, now, 0},        // ratio 48
        {16, 4, now, 10000},    // ratio 64
        {16, 7, now, 40000},    // ratio 112
        {16, 8, now, 50000},    // ratio 128
        {16, 15, now, 50000},   // ratio 240, the last entry
        {16, 16, now, 50000},   // every try paid off: ratio 256 keeps the last entry
        {16, 16, now + 1, -128000},  // a slot of another search generation is empty
    };
    for (const StatCase& c : cases) {
        CaptureTries[slot] = c.tries;
        CaptureSuccess[slot] = c.successes;
        CaptureStatStamp[slot] = c.stamp;
        EXPECT_EQ(ScoreCapture(queenTakesKnight), victimLessAttacker + c.bonus)
            << c.tries << " tries, " << c.successes << " successes";
    }
    // Reading the stale slot emptied it for this generation.
    EXPECT_EQ(CaptureTries[slot], 0);
    EXPECT_EQ(CaptureSuccess[slot], 0);
    EXPECT_EQ(CaptureStatStamp[slot], now);

    // The same capture made by White has a slot of its own.
    CaptureTries[slot] = 16, CaptureSuccess[slot] = 16, CaptureStatStamp[slot] = now;
    Load("Qnb1k3/3N4/1p5p/n1r3P1/3pPp2/8/8/4K3 w - -");
    const Move whiteQueenTakesKnight = MakeMoveWord(A8, A5, QUEEN, KNIGHT);
    EXPECT_EQ(ScoreCapture(whiteQueenTakesKnight), victimLessAttacker - 128000);
}

TEST_F(CaptureGenerator, ScoreOfQuietMovesPromotionsAndEnPassant) {
    Load("r3n3/1P2P1P1/5k2/8/8/8/8/7K w - -");
    struct ScoreCase {
        Move move;
        i32 expected;
    };
    const ScoreCase cases[] = {
        // Neither capture nor promotion: en passant, or a quiet move.
        {MakeMoveWord(H1, H2, KING), 100901},
        // A safe queen promotion: 108000 less the pawn.
        {MakeMoveWord(G7, G8, PAWN, EMPTY, QUEEN), 107900},
        // The rook on a8 takes a queen on b8 and nothing takes back.
        {MakeMoveWord(B7, B8, PAWN, EMPTY, QUEEN), -128100},
        // Under-promotions are always refused.
        {MakeMoveWord(G7, G8, PAWN, EMPTY, KNIGHT), -128100},
        {MakeMoveWord(B7, A8, PAWN, ROOK, QUEEN), 112900},
        {MakeMoveWord(B7, A8, PAWN, ROOK, BISHOP), 5000 - 100 - 128000},
        // A capture of the king is never refused.
        {MakeMoveWord(H1, F6, QUEEN, KING), 9500 + 100000 - 900},
    };
    for (const ScoreCase& c : cases)
        EXPECT_EQ(ScoreCapture(c.move), c.expected) << MoveToText(c.move);
}

}  // namespace
