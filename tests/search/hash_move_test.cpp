#include "search/hash_move.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

#include "board/board.h"
#include "board/fen.h"
#include "board/make_move.h"
#include "board/move_gen_captures.h"
#include "board/move_gen_promotions.h"
#include "board/move_gen_quiet.h"
#include "board/move_text.h"
#include "search/history.h"
#include "support/board_check.h"
#include "support/naive_moves.h"
#include "support/position_walk.h"

namespace {

class HashMove : public PositionTest {
protected:
    void SetUp() override {
        PositionTest::SetUp();
        MoveStackTop = 0;
    }
};

// The published perft positions and the discovered-check set-ups.
void WalkPositions(const std::function<void()>& visit) {
    WalkFromRoots(PerftRootsAnd(DiscoveredCheckSetUps), PerftWalkDepth, visit);
}

// Every move the generators offer in the current position, legal or not.
void CollectPseudoLegalMoves(std::set<Move>& pool) {
    const i32 base = MoveStackTop;
    GenerateCaptures(board.Bitboards[0][ChangeSide(board.SideToMove)]);
    GenerateAllQuietPromotions();
    GenerateQuietMoves(0);
    for (i32 i = base; i < MoveStackTop; i++) pool.insert(MoveStack[i].move);
    MoveStackTop = base;
}

// Moves of thousands of positions, offered in every one of them: they must
// pass exactly when they are legal there, and the test must leave the
// board, MoveStack and PlyStack as they were.
TEST_F(HashMove, PassesExactlyTheLegalMovesOverPerftWalk) {
    std::set<Move> collected;
    WalkPositions([&] { CollectPseudoLegalMoves(collected); });
    // Field variants a stored move of another position may carry: another
    // victim, a lost or an added promotion piece.
    std::set<Move> variants;
    for (Move m : collected) {
        variants.insert(m ^ (Move(KNIGHT) << 15));
        variants.insert(m & ~(Move(7) << 18));
        variants.insert(m | (Move(QUEEN) << 18));
    }
    std::vector<Move> pool(collected.begin(), collected.end());
    pool.insert(pool.end(), variants.begin(), variants.end());
    ASSERT_GT(pool.size(), 2000u);

    static PlyRecord plyBefore[PlyStackSize];
    i64 positions = 0, accepted = 0, mismatches = 0;
    WalkPositions([&] {
        std::vector<Move> legal = NaiveLegalMoves();
        std::sort(legal.begin(), legal.end());
        const u64 key = board.HashKey;
        const i32 top = MoveStackTop;
        MoveStack[top] = {0xABCDEF, -1};
        std::memcpy(plyBefore, PlyStack, sizeof PlyStack);

        for (Move m : legal) EXPECT_EQ(IsHashMoveUsable(m), 1) << FenText << " " << MoveToText(m);
        for (Move m : pool) {
            const i32 usable = IsHashMoveUsable(m);
            const bool isLegal = std::binary_search(legal.begin(), legal.end(), m);
            accepted += usable;
            if (usable != i32(isLegal) && ++mismatches <= 10) {
                WriteFen(NoMove);
                ADD_FAILURE() << FenText << " " << MoveToText(m) << " (" << m << ") usable "
                              << usable << ", legal " << isLegal;
            }
        }
        positions += 1;
        EXPECT_EQ(board.HashKey, key);
        EXPECT_EQ(MoveStackTop, top);
        EXPECT_EQ(MoveStack[top].move, 0xABCDEFu);
        EXPECT_EQ(std::memcmp(plyBefore, PlyStack, sizeof PlyStack), 0);
    });
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(positions, 5000);
    EXPECT_GT(accepted, positions * 10);
    EXPECT_EQ(BoardInconsistency(), "");
}

// Stored moves offered in positions they may not fit, grouped by position.
struct Offer {
    const char* name;
    Move move;
    i32 usable;
};

struct OfferedIn {
    const char* fen;
    const char* before;  // a move played first, to set up en passant
    std::vector<Offer> offers;
};

// clang-format off
const OfferedIn StoredMoveCases[] = {
    {"rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f5", nullptr, {
        {"no move", NoMove, 0},
        {"en passant after the double step", MakeMoveWord(E5, F6, PAWN), 1},
        {"en passant on an older double step", MakeMoveWord(E5, D6, PAWN), 0},
        {"en passant with a captured field", MakeMoveWord(E5, F6, PAWN, PAWN), 0}}},
    // Both pawns leave the rank between the black king and the white queen.
    {"8/8/8/8/k2Pp2Q/8/8/3K4 b - d4", nullptr, {
        {"en passant opening the rank", MakeMoveWord(E4, D3, PAWN), 0}}},
    {"8/8/8/2k5/4p3/8/3P4/4K3 w - -", "d2d4", {
        {"en passant taking the checking pawn", MakeMoveWord(E4, D3, PAWN), 1}}},
    {"8/8/8/8/4p3/8/R2P3k/4K3 w - -", "d2d4", {
        {"en passant ignoring the rook's check", MakeMoveWord(E4, D3, PAWN), 0}}},
    {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", nullptr, {
        {"castling", MakeMoveWord(E1, G1, KING), 1},
        {"castling queen side", MakeMoveWord(E1, C1, KING), 1},
        {"castling with a captured field", MakeMoveWord(E1, G1, KING, ROOK), 0}}},
    {"r3k2r/8/8/8/8/8/5r2/R3K2R w KQkq -", nullptr, {
        {"castling across an attacked square", MakeMoveWord(E1, G1, KING), 0}}},
    {"r3k2r/8/8/8/8/8/4r3/R3K2R w KQkq -", nullptr, {
        {"castling out of check", MakeMoveWord(E1, C1, KING), 0}}},
    {"r3k2r/8/8/8/8/8/8/R3K2R w Qkq -", nullptr, {
        {"castling without the right", MakeMoveWord(E1, G1, KING), 0}}},
    {"4r2k/8/8/8/8/8/4K3/8 w - -", nullptr, {
        {"king step along the checking line", MakeMoveWord(E2, E1, KING), 0},
        {"king step off the checking line", MakeMoveWord(E2, D1, KING), 1}}},
    {"7k/8/8/8/8/4r3/4K3/4r3 w - -", nullptr, {
        {"king takes a guarded checker", MakeMoveWord(E2, E3, KING, ROOK), 0}}},
    {"7k/8/8/8/8/1r6/8/NK6 w - -", nullptr, {
        {"capture recorded as a king capture", MakeMoveWord(A1, B3, KNIGHT, KING), 0},
        {"knight capture of the wrong victim", MakeMoveWord(A1, B3, KNIGHT, BISHOP), 0},
        {"knight capture", MakeMoveWord(A1, B3, KNIGHT, ROOK), 1}}},
    {"4r2k/8/8/8/8/8/4R3/4K3 w - -", nullptr, {
        {"pinned rook leaves its line", MakeMoveWord(E2, A2, ROOK), 0},
        {"pinned rook takes its pinner", MakeMoveWord(E2, E8, ROOK, ROOK), 1}}},
    {"4r2k/8/8/8/8/8/R7/4K3 w - -", nullptr, {
        {"move that ignores a check", MakeMoveWord(A2, A5, ROOK), 0},
        {"move that blocks a check", MakeMoveWord(A2, E2, ROOK), 1}}},
    {"4r2k/8/8/8/8/5n2/R7/4K3 w - -", nullptr, {
        {"block against a double check", MakeMoveWord(A2, E2, ROOK), 0}}},
    {"7k/8/8/8/8/8/1P6/RK6 w - -", nullptr, {
        {"rook along an open file", MakeMoveWord(A1, A8, ROOK), 1}}},
    {"7k/8/8/8/P7/8/8/RK6 w - -", nullptr, {
        {"rook through a man", MakeMoveWord(A1, A8, ROOK), 0}}},
    {"6k1/8/8/8/8/8/8/BK6 w - -", nullptr, {
        {"bishop moving like a rook", MakeMoveWord(A1, A5, BISHOP), 0}}},
    {"7k/P7/8/8/8/8/8/K7 w - -", nullptr, {
        {"promotion without a piece", MakeMoveWord(A7, A8, PAWN), 0},
        {"promotion to a king", MakeMoveWord(A7, A8, PAWN, EMPTY, KING), 0},
        {"promotion to a knight", MakeMoveWord(A7, A8, PAWN, EMPTY, KNIGHT), 1}}},
    {"7k/8/P7/8/8/8/8/K7 w - -", nullptr, {
        {"promotion piece on a plain push", MakeMoveWord(A6, A7, PAWN, EMPTY, QUEEN), 0}}},
    {"4k3/8/8/8/8/8/4P3/4K3 w - -", nullptr, {
        {"black pawn move with white to move", MakeMoveWord(E2, E1, PAWN), 0},
        {"pawn capture onto an empty square", MakeMoveWord(E2, D3, PAWN), 0},
        {"high bits set", MakeMoveWord(E2, E3, PAWN) | (1u << 21), 0}}},
    {"4k3/8/8/8/8/4n3/4P3/4K3 w - -", nullptr, {
        {"double step over a man", MakeMoveWord(E2, E4, PAWN), 0}}},
    {"4k3/8/8/8/8/4P3/8/4K3 w - -", nullptr, {
        {"double step from the third rank", MakeMoveWord(E3, E5, PAWN), 0}}},
};
// clang-format on

TEST_F(HashMove, JudgesStoredMovesOfOtherPositions) {
    for (const OfferedIn& position : StoredMoveCases) {
        for (const Offer& c : position.offers) {
            SCOPED_TRACE(c.name);
            Load(position.fen);
            if (position.before) {
                const Move before = ParseMoveText(position.before);
                ASSERT_NE(before, NoMove);
                MakeMove(before, 1);
            }
            EXPECT_EQ(IsHashMoveUsable(c.move), c.usable);
            // The reference: the slow generator's legal list.
            const std::vector<Move> legal = NaiveLegalMoves();
            EXPECT_EQ(std::find(legal.begin(), legal.end(), c.move) != legal.end(), c.usable == 1);
        }
    }
}

}  // namespace
