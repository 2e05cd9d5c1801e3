#include "board/move_gen_quiescence.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/move_gen_captures.h"
#include "board/move_text.h"
#include "board/static_exchange.h"
#include "search/history.h"
#include "support/generator_output.h"
#include "support/position_walk.h"

namespace {

// The full capture generator, used as the reference, resets stale
// statistics slots while it scores.
class QuiescenceCaptures : public CaptureScoringTest {};

u64 EnemyMen() { return board.Bitboards[0][ChangeSide(board.SideToMove)]; }

std::string Generate(u64 targets, i32 start = 11) {
    MoveStackTop = start;
    GenerateQuiescenceCaptures(targets);
    return StackText(start);
}

// The ordering score of a capture the exchange test accepts, from the
// values of the move alone.
i32 AcceptedCaptureScore(Move m) {
    if (MoveCaptured(m) == EMPTY && MovePromotion(m) == EMPTY) return 100901;
    const i32 base = MovePromotion(m) != EMPTY ? 108000 : 100000;
    return 10 * OrderValue[MoveCaptured(m)] + base - OrderValue[MovePiece(m)];
}

TEST_F(QuiescenceCaptures, OrderAndScoresOfSafeCaptures) {
    struct Case {
        const char* fen;
        const char* expected;
    };
    const Case cases[] = {
        // A queen takes a pawn defended by a pawn: nothing; undefended:
        // 10 x 100 + 100000 - 900.
        {"4k3/8/2p5/3p4/8/8/8/3QK3 w - -", ""},
        {"4k3/8/8/3p4/8/8/8/3QK3 w - -", "d1d5:100100"},
        // From the seventh rank only the queen promotion passes, scored in
        // the promotion band; an under-promotion never does.
        {"1r2k3/P7/8/8/8/8/8/4K3 w - -", "a7b8q:112900"},
        // A pawn defended by a knight: pawn takes pawn; the knight takes it
        // too, backed by our pawn; the rook would lose the exchange.
        {"4k3/8/5n2/3p4/4P3/2N5/8/3RK3 w - -", "e4d5:100900 c3d5:100700"},
        // Black pawns from the highest square down, each to its lower target
        // first, then pieces, the king last.
        {"4k3/3N4/1p4p1/P1P2P1P/8/8/2n5/B6K b - -",
         "g6f5:100900 g6h5:100900 b6a5:100900 b6c5:100900 c2a1:102700 e8d7:102050"},
    };
    for (const Case& c : cases) {
        Load(c.fen);
        EXPECT_EQ(Generate(EnemyMen()), c.expected) << c.fen;
    }
}

TEST_F(QuiescenceCaptures, EnPassantIgnoresTargets) {
    // Right after d7d5 the pawn on e5 may take en passant; with the pawn on
    // c5 too, the left pawn comes first. An empty target set changes
    // nothing about en passant.
    Load("4k3/8/8/2PpP3/8/8/8/4K3 w - d5");
    EXPECT_EQ(Generate(EnemyMen()), "c5d6:100901 e5d6:100901");
    EXPECT_EQ(Generate(0), "c5d6:100901 e5d6:100901");
    // An en-passant capture onto a square the enemy wins is refused.
    Load("4k3/8/r7/3pP3/8/8/8/4K3 w - d5");
    EXPECT_EQ(Generate(EnemyMen()), "");
    // Without the double step as the last move there is none.
    Load("4k3/8/8/3pP3/8/8/8/4K3 w - -");
    EXPECT_EQ(Generate(EnemyMen()), "");
}

TEST_F(QuiescenceCaptures, LeavesTheBoardAndTheStatisticsAlone) {
    Load("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -");
    const Board before = board;
    for (i32 i = 0; i < CaptureStatSize; i++) CaptureStatStamp[i] = 12345;
    Generate(EnemyMen());
    EXPECT_EQ(std::memcmp(&before, &board, sizeof(Board)), 0);
    for (i32 i = 0; i < CaptureStatSize; i++) ASSERT_EQ(CaptureStatStamp[i], 12345) << i;
}

// Over every position of the walk: exactly the full generator's captures
// that the exchange test accepts, in the full generator's order, with the
// score an accepted capture gets.
TEST_F(QuiescenceCaptures, EqualTheSafeCapturesOfTheFullGeneratorOverPerftWalk) {
    i64 positions = 0, kept = 0, refused = 0, promotions = 0, enPassant = 0;
    std::vector<MoveStackEntry> expected;
    WalkPerftPositions([&] {
        positions += 1;
        const u64 targets = EnemyMen();
        MoveStackTop = 0;
        GenerateCaptures(targets);
        expected.clear();
        for (i32 i = 0; i < MoveStackTop; i++) {
            const Move m = MoveStack[i].move;
            if (!SeeNotLosing(MoveTo(m), MoveFrom(m), MovePiece(m), MoveCaptured(m),
                              MovePromotion(m))) {
                refused += 1;
                continue;
            }
            // An accepted capture scores the same in both generators.
            ASSERT_EQ(MoveStack[i].score, AcceptedCaptureScore(m)) << MoveToText(m);
            expected.push_back(MoveStack[i]);
        }

        const i32 start = 300;
        MoveStackTop = start;
        GenerateQuiescenceCaptures(targets);
        ASSERT_EQ(MoveStackTop - start, i32(expected.size())) << StackText(start);
        for (size_t i = 0; i < expected.size(); i++) {
            const MoveStackEntry& got = MoveStack[start + i];
            ASSERT_EQ(got.move, expected[i].move) << "entry " << i << ": " << StackText(start);
            ASSERT_EQ(got.score, expected[i].score) << MoveToText(got.move);
            kept += 1;
            if (MovePromotion(got.move) != EMPTY) promotions += 1;
            if (MovePiece(got.move) == PAWN && MoveCaptured(got.move) == EMPTY) enPassant += 1;
        }
    });
    // The walk reaches every kind of move it should test.
    EXPECT_GT(positions, 5000);
    EXPECT_GT(kept, 10000);
    EXPECT_GT(refused, 1000);
    EXPECT_GT(promotions, 10);
    EXPECT_GT(enPassant, 10);
}

}  // namespace
