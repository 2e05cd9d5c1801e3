#include "board/stored_move.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "board/board.h"
#include "board/make_move.h"
#include "board/move_gen_captures.h"
#include "board/move_gen_quiet.h"
#include "board/move_text.h"
#include "support/position_walk.h"

namespace {

class StoredMove : public PositionTest {};

constexpr i32 UntouchedScore = -987654;

// Offers the move at a fresh stack slot; 1 when it was appended. An
// appended entry holds the move and keeps the slot's old score.
i32 Offer(Move move) {
    const i32 start = 40;
    MoveStackTop = start;
    MoveStack[start] = {NoMove, UntouchedScore};
    AddMoveIfPseudoLegal(move);
    if (MoveStackTop == start) return 0;
    EXPECT_EQ(MoveStackTop, start + 1);
    EXPECT_EQ(MoveStack[start].move, move);
    EXPECT_EQ(MoveStack[start].score, UntouchedScore);
    return 1;
}

std::vector<Move> GeneratedQuietMoves() {
    MoveStackTop = 1000;
    GenerateQuietMoves(0);
    std::vector<Move> moves;
    for (i32 i = 1000; i < MoveStackTop; i++) moves.push_back(MoveStack[i].move);
    MoveStackTop = 0;
    return moves;
}

std::vector<Move> GeneratedCaptures() {
    MoveStackTop = 1000;
    GenerateCaptures(board.Bitboards[0][ChangeSide(board.SideToMove)]);
    std::vector<Move> moves;
    for (i32 i = 1000; i < MoveStackTop; i++) moves.push_back(MoveStack[i].move);
    MoveStackTop = 0;
    return moves;
}

bool IsEnPassant(Move m) {
    return MovePiece(m) == PAWN && MoveCaptured(m) == EMPTY &&
           FileOf(MoveFrom(m)) != FileOf(MoveTo(m));
}

TEST_F(StoredMove, KillersFoundInOtherPositions) {
    struct Case {
        const char* fen;
        const char* move;  // read in the position, so its fields are those the generators write
        const char* other;  // the position the stored move is offered in
        i32 appended;
    };
    const Case cases[] = {
        // Castling needs its right: a rook that has moved and come back
        // lost it, although a king step to g1 would be possible.
        {"4k3/8/8/8/8/8/8/4K2R w K -", "e1g1", "4k3/8/8/8/8/8/8/4K2R w K -", 1},
        {"4k3/8/8/8/8/8/8/4K2R w K -", "e1g1", "4k3/8/8/8/8/8/8/4K2R w - -", 0},
        // ... an empty path, and unattacked squares to cross and land on;
        // b1 may be attacked on the queen side but must be empty.
        {"4k3/8/8/8/8/8/8/4K2R w K -", "e1g1", "4k3/8/8/8/8/8/8/4KB1R w K -", 0},
        {"4k3/8/8/8/8/8/8/4K2R w K -", "e1g1", "4k3/8/8/8/8/8/6r1/4K2R w K -", 0},
        {"4k3/8/8/8/8/8/8/R3K3 w Q -", "e1c1", "1r2k3/8/8/8/8/8/8/R3K3 w Q -", 1},
        {"4k3/8/8/8/8/8/8/R3K3 w Q -", "e1c1", "4k3/8/8/8/8/8/8/RN2K3 w Q -", 0},
        {"4k3/8/8/8/8/8/8/R3K3 w Q -", "e1c1", "4k3/8/8/8/8/8/3r4/R3K3 w Q -", 0},
        {"r3k3/8/8/8/8/8/8/4K3 b q -", "e8c8", "r3k3/8/8/8/8/8/8/4K3 b q -", 1},
        {"r3k3/8/8/8/8/8/8/4K3 b q -", "e8c8", "r3k3/8/8/8/8/8/8/2R1K3 b q -", 0},
        // A knight capture fits when the stored victim's type stands there,
        // not for another victim, nor for an own man of that type.
        {"4k3/8/8/3r4/8/4N3/8/4K3 w - -", "e3d5", "4k3/8/8/3r4/8/4N3/8/4K3 w - -", 1},
        {"4k3/8/8/3r4/8/4N3/8/4K3 w - -", "e3d5", "4k3/8/8/3q4/8/4N3/8/4K3 w - -", 0},
        {"4k3/8/8/3r4/8/4N3/8/4K3 w - -", "e3d5", "4k3/8/8/3R4/8/4N3/8/4K3 w - -", 0},
        {"4k3/8/8/3r4/8/4N3/8/4K3 w - -", "e3d5", "4k3/8/8/8/8/4N3/8/4K3 w - -", 0},
        // A capture along a line never fits, even with its victim in place:
        // the rook on an open file, the pawn, the king.
        {"3rk3/8/8/8/8/8/8/3RK3 w - -", "d1d8", "3rk3/8/8/8/8/8/8/3RK3 w - -", 0},
        {"4k3/8/8/3p4/4P3/8/8/4K3 w - -", "e4d5", "4k3/8/8/3p4/4P3/8/8/4K3 w - -", 0},
        {"4k3/8/8/8/8/8/3n4/4K3 w - -", "e1d2", "4k3/8/8/8/8/8/3n4/4K3 w - -", 0},
        // A double step needs both squares ahead empty.
        {"4k3/8/8/8/8/8/4P3/4K3 w - -", "e2e4", "4k3/8/8/8/8/8/4P3/4K3 w - -", 1},
        {"4k3/8/8/8/8/8/4P3/4K3 w - -", "e2e4", "4k3/8/8/8/8/4n3/4P3/4K3 w - -", 0},
        {"4k3/8/8/8/8/8/4P3/4K3 w - -", "e2e4", "4k3/8/8/8/4n3/8/4P3/4K3 w - -", 0},
        // The right man of the wrong side does not fit, nor another man.
        {"4k3/8/8/8/8/8/8/1N2K3 w - -", "b1c3", "4k3/8/8/8/8/8/8/1n2K3 w - -", 0},
        {"4k3/8/8/8/8/8/8/1N2K3 w - -", "b1c3", "4k3/8/8/8/8/8/8/1B2K3 w - -", 0},
        // A slider's path and target must be free.
        {"4k3/8/8/8/8/8/8/2B1K3 w - -", "c1g5", "4k3/8/8/8/8/8/8/2B1K3 w - -", 1},
        {"4k3/8/8/8/8/8/8/2B1K3 w - -", "c1g5", "4k3/8/8/8/8/4p3/8/2B1K3 w - -", 0},
        {"4k3/8/8/8/8/8/8/2B1K3 w - -", "c1g5", "4k3/8/8/6p1/8/8/8/2B1K3 w - -", 0},
        // En passant fits only right after the double step beside the pawn.
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d5", "e5d6", "4k3/8/8/3pP3/8/8/8/4K3 w - d5", 1},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d5", "e5d6", "4k3/8/8/3pP3/8/8/8/4K3 w - -", 0},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d5", "e5d6", "4k3/8/8/3pPp2/8/8/8/4K3 w - f5", 0},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d5", "e5d6", "4k3/8/8/4P3/8/8/8/4K3 w - -", 0},
        {"4k3/8/8/8/3Pp3/8/8/4K3 b - d4", "e4d3", "4k3/8/8/8/3Pp3/8/8/4K3 b - d4", 1},
        {"4k3/8/8/8/3Pp3/8/8/4K3 b - d4", "e4d3", "4k3/8/8/8/2PPp3/8/8/4K3 b - c4", 0},
    };
    for (const Case& c : cases) {
        Load(c.fen);
        const Move move = ParseMoveText(c.move);
        ASSERT_NE(move, NoMove) << c.move;
        Load(c.other);
        EXPECT_EQ(Offer(move), c.appended) << c.move << " in " << c.other;
    }
}

TEST_F(StoredMove, LeavesTheBoardAlone) {
    Load("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -");
    const Board before = board;
    for (Move m : GeneratedQuietMoves()) Offer(m);
    EXPECT_EQ(std::memcmp(&before, &board, sizeof(Board)), 0);
}

// Every quiet move generated anywhere in the walk, offered in the walk's
// other positions with the same side to move (not in check): appended
// exactly when the quiet generator gives it there. Capture words, en
// passant included, follow their own rules.
TEST_F(StoredMove, AgreesWithTheGeneratorsOverPerftWalk) {
    std::set<Move> quietSeen[2], capturesSeen[2];
    WalkPerftPositions([&] {
        const Side side = board.SideToMove;
        for (Move m : GeneratedQuietMoves()) quietSeen[side].insert(m);
        for (Move m : GeneratedCaptures())
            if (MovePromotion(m) == EMPTY) capturesSeen[side].insert(m);
    });
    const std::vector<Move> quiet[2] = {{quietSeen[0].begin(), quietSeen[0].end()},
                                        {quietSeen[1].begin(), quietSeen[1].end()}};
    const std::vector<Move> captures[2] = {{capturesSeen[0].begin(), capturesSeen[0].end()},
                                           {capturesSeen[1].begin(), capturesSeen[1].end()}};

    // Each position gets every fourth stored move, the offset turning from
    // one position to the next so every move meets many positions.
    constexpr i32 Stride = 4;
    i64 positions = 0, offered = 0, accepted = 0, enPassantAccepted = 0, knightCaptures = 0;
    WalkPerftPositions([&] {
        if (SideToMoveInCheck()) return;
        const Side side = board.SideToMove;
        const i32 offset = i32(positions++ % Stride);

        std::vector<Move> here = GeneratedQuietMoves();
        std::sort(here.begin(), here.end());
        for (size_t i = offset; i < quiet[side].size(); i += Stride) {
            const Move m = quiet[side][i];
            const i32 expected = std::binary_search(here.begin(), here.end(), m) ? 1 : 0;
            ASSERT_EQ(Offer(m), expected) << MoveToText(m);
            offered += 1;
            accepted += expected;
        }

        // En passant fits exactly when the capture generator gives it; a
        // knight capture when an own knight and an enemy man of the stored
        // type stand on its squares; any other capture runs along a line and
        // never fits.
        std::vector<Move> capturesHere = GeneratedCaptures();
        std::sort(capturesHere.begin(), capturesHere.end());
        for (Move m : captures[side]) {
            i32 expected = 0;
            if (IsEnPassant(m)) {
                expected = std::binary_search(capturesHere.begin(), capturesHere.end(), m);
                enPassantAccepted += expected;
            } else if (MovePiece(m) == KNIGHT) {
                const Square from = MoveFrom(m), to = MoveTo(m);
                expected = board.Squares[from] == KNIGHT &&
                           (board.Bitboards[0][side] >> from & 1) &&
                           board.Squares[to] == MoveCaptured(m) &&
                           (board.Bitboards[0][ChangeSide(side)] >> to & 1);
                knightCaptures += expected;
            }
            ASSERT_EQ(Offer(m), expected) << MoveToText(m);
        }
    });
    EXPECT_GT(positions, 5000);
    EXPECT_GT(offered, 1000000);
    EXPECT_GT(accepted, 50000);
    EXPECT_GT(enPassantAccepted, 10);
    EXPECT_GT(knightCaptures, 100);
}

#ifndef NDEBUG
TEST_F(StoredMove, RefusesToRunInCheck) {
    Load("4k3/8/8/8/8/8/4r3/4K3 w - -");
    EXPECT_DEATH(AddMoveIfPseudoLegal(MakeMoveWord(E1, D1, KING)), "");
}
#endif

}  // namespace
