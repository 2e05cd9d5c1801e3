#include "board/legal_moves.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "board/attack_queries.h"
#include "board/board.h"
#include "board/fen.h"
#include "board/make_move.h"
#include "board/move_gen_captures.h"
#include "board/move_gen_promotions.h"
#include "board/move_gen_quiet.h"
#include "board/move_text.h"
#include "search/history.h"
#include "search/search_limits.h"
#include "support/board_check.h"
#include "support/naive_moves.h"
#include "support/perft_positions.h"
#include "support/position_walk.h"

namespace {

class LegalMoves : public PositionTest {
protected:
    void SetUp() override {
        PositionTest::SetUp();
        MoveStackTop = 0;
    }
};

u64 Perft(i32 depth) {
    MoveStackTop = 0;
    PerftNodes = 0;
    PerftCount(depth);
    EXPECT_EQ(MoveStackTop, 0);
    return PerftNodes;
}

// The en-passant positions once more with their field in the standard
// form, the square the pawn passed over: the counts are the same.
const PublishedPerft StandardFormPositions[] = {
    {"rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6",
     {31, 707, 21637, 524138, 16422290}},
    {"8/8/8/8/k2Pp2Q/8/8/3K4 b - d3", {6, 136, 863, 20471, 117741, 2822114}},
};

// The deeper counts belong to the perft benchmark.
constexpr u64 TestedLeafLimit = 1000000;

TEST_F(LegalMoves, PerftMatchesPublishedCounts) {
    auto check = [](const PublishedPerft& c) {
        Load(c.fen);
        for (i32 depth = 1; depth <= PublishedPerftDepths && c.leaves[depth - 1] != 0; depth++) {
            if (c.leaves[depth - 1] > TestedLeafLimit) break;
            EXPECT_EQ(Perft(depth), c.leaves[depth - 1]) << c.fen << " depth " << depth;
        }
        EXPECT_EQ(BoardInconsistency(), "") << c.fen;
    };
    for (const PublishedPerft& c : PublishedPerftPositions) check(c);
    for (const PublishedPerft& c : StandardFormPositions) check(c);
}

TEST_F(LegalMoves, PerftAddsToTheCounterAndCountsNothingBelowDepthOne) {
    Load("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
    PerftNodes = 1000;
    MoveStackTop = 0;
    PerftCount(2);
    EXPECT_EQ(PerftNodes, 1400u);
    for (i32 depth : {0, -1, -20}) {
        MoveStackTop = 12;
        PerftCount(depth);
        EXPECT_EQ(PerftNodes, 1400u) << depth;
        EXPECT_EQ(MoveStackTop, 12);
    }
}

// A position where the side to move could take the enemy king is not
// reachable: nothing below it counts, and taking the king is never legal.
TEST_F(LegalMoves, KingCaptureOnOffer) {
    ClearBoard();
    GamePly = 0;
    board.CastlingFlags = 0;
    board.SideToMove = WHITE;
    AddPiece(E1, WHITE, KING);
    AddPiece(E2, WHITE, ROOK);
    AddPiece(A2, WHITE, PAWN);
    AddPiece(E8, BLACK, KING);
    EXPECT_EQ(Perft(1), 0u);
    EXPECT_EQ(Perft(3), 0u);
    EXPECT_EQ(IsLegalMove(MakeMoveWord(E2, E8, ROOK, KING)), 0);
    EXPECT_EQ(IsLegalMove(MakeMoveWord(A2, A3, PAWN)), 1);
    EXPECT_EQ(BoardInconsistency(), "");
}

TEST_F(LegalMoves, NoCastlingOutOfCheck) {
    // The rook on e5 checks along the file; the squares the king would
    // cross are free and unattacked, so the quiet generator offers both
    // castlings.
    for (const char* fen : {"4k3/8/8/4r3/8/8/8/R3K2R w KQ -", "r3k2r/8/8/4R3/8/8/8/4K3 b kq -"}) {
        Load(fen);
        MoveStackTop = 0;
        GenerateQuietMoves(1);
        i32 castlings = 0;
        for (i32 i = 0; i < MoveStackTop; i++)
            castlings += MovePiece(MoveStack[i].move) == KING &&
                         std::abs(MoveFrom(MoveStack[i].move) - MoveTo(MoveStack[i].move)) == 2;
        EXPECT_EQ(castlings, 2) << fen;

        MoveStackTop = 0;
        GenerateLegalMoves(0);
        for (i32 i = 0; i < MoveStackTop; i++) {
            const Move move = MoveStack[i].move;
            EXPECT_FALSE(MovePiece(move) == KING && std::abs(MoveFrom(move) - MoveTo(move)) == 2)
                << fen << " " << MoveToText(move);
        }
        EXPECT_EQ(MoveStackTop, i32(NaiveLegalMoves().size())) << fen;
        EXPECT_EQ(Perft(1), NaiveLegalMoves().size()) << fen;
        EXPECT_EQ(Perft(2), NaivePerft(2)) << fen;
    }
}

TEST_F(LegalMoves, ListRecordsCheckAndRestoresTheSearchPly) {
    const i32 savedPly = SearchPly;
    SearchPly = 7;
    PlyStack[LegalListPly].InCheck = 5;
    Load("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
    MoveStackTop = 30;
    GenerateLegalMoves(40);
    EXPECT_EQ(MoveStackTop, 60);
    EXPECT_EQ(SearchPly, 7);
    EXPECT_EQ(PlyStack[LegalListPly].InCheck, 0u);

    Load("4k3/8/8/4r3/8/8/8/R3K2R w KQ -");
    GenerateLegalMoves(0);
    EXPECT_EQ(PlyStack[LegalListPly].InCheck, 1u);
    EXPECT_EQ(SearchPly, 7);
    SearchPly = savedPly;
}

TEST_F(LegalMoves, MoveWordsMustBeThoseTheGeneratorsWrite) {
    struct WordCase {
        const char* fen;
        Move move;
        i32 legal;
    };
    const char* const start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";
    const char* const promotion = "4k3/1P6/8/8/8/8/8/4K3 w - -";
    const char* const enPassant = "4k3/8/8/3Pp3/8/8/8/4K3 w - e5";
    const WordCase cases[] = {
        {start, MakeMoveWord(E2, E4, PAWN), 1},
        {start, MakeMoveWord(G1, F3, KNIGHT), 1},
        {start, MakeMoveWord(E2, E4, KNIGHT), 0},        // wrong piece
        {start, MakeMoveWord(E2, E4, PAWN, PAWN), 0},    // wrong captured piece
        {start, MakeMoveWord(E2, E5, PAWN), 0},
        {start, MakeMoveWord(E1, G1, KING), 0},
        {start, NoMove, 0},
        {promotion, MakeMoveWord(B7, B8, PAWN, EMPTY, QUEEN), 1},
        {promotion, MakeMoveWord(B7, B8, PAWN, EMPTY, KNIGHT), 1},
        {promotion, MakeMoveWord(B7, B8, PAWN), 0},       // promotion piece missing
        {promotion, MakeMoveWord(B7, B8, PAWN, EMPTY, KING), 0},
        {enPassant, MakeMoveWord(D5, E6, PAWN), 1},       // en passant captures "nothing"
        {enPassant, MakeMoveWord(D5, E6, PAWN, PAWN), 0},
        {"4kr2/8/8/8/8/8/8/R3K3 w Q -", MakeMoveWord(E1, C1, KING), 1},
        {"4kr2/8/8/8/8/8/8/R3K3 w Q -", MakeMoveWord(E1, F1, KING), 0},  // attacked by the rook
    };
    for (const WordCase& c : cases) {
        Load(c.fen);
        MoveStackTop = 37;
        EXPECT_EQ(IsLegalMove(c.move), c.legal) << c.fen << " " << MoveToText(c.move);
        EXPECT_EQ(MoveStackTop, 37);
    }
}

std::string FenNow() {
    WriteFen(NoMove);
    return FenText;
}

// In one position: the legal list is the generators' output in their
// order, less exactly the moves the naive generator rejects, and the
// legality test agrees with both.
void CheckListAgainstNaiveMoves() {
    std::vector<Move> naive = NaiveLegalMoves();
    std::sort(naive.begin(), naive.end());
    auto isLegal = [&](Move m) { return std::binary_search(naive.begin(), naive.end(), m); };

    // Everything the three generators offer, in their order.
    const i32 base = 20;
    MoveStackTop = base;
    GenerateCaptures(board.Bitboards[0][ChangeSide(board.SideToMove)]);
    GenerateAllQuietPromotions();
    GenerateQuietMoves(1);
    std::vector<Move> offered;
    for (i32 i = base; i < MoveStackTop; i++) offered.push_back(MoveStack[i].move);

    std::vector<Move> expected;
    for (Move m : offered)
        if (isLegal(m)) expected.push_back(m);
    ASSERT_EQ(expected.size(), naive.size()) << FenNow() << ": a legal move is never offered";

    MoveStackTop = 3;
    GenerateLegalMoves(base);
    std::vector<Move> list;
    for (i32 i = base; i < MoveStackTop; i++) list.push_back(MoveStack[i].move);
    ASSERT_EQ(list, expected) << FenNow();

    MoveStackTop = 0;
    PerftNodes = 0;
    PerftCount(1);
    ASSERT_EQ(PerftNodes, naive.size()) << FenNow();

    MoveStackTop = 11;
    for (Move m : offered) {
        ASSERT_EQ(IsLegalMove(m), isLegal(m) ? 1 : 0) << FenNow() << " " << MoveToText(m);
        ASSERT_EQ(MoveStackTop, 11);
    }
}

// Every position of a short perft walk from each published position (its
// en-passant field in either form) and from two set-ups with promotions
// and castling.
TEST_F(LegalMoves, ListLegalityTestAndPerftAgreeOverAPerftWalk) {
    std::vector<const char*> setUps;
    for (const PublishedPerft& c : StandardFormPositions) setUps.push_back(c.fen);
    setUps.insert(setUps.end(),
                  {"r3k2r/1P4P1/8/8/8/8/1p4p1/R3K2R b KQkq -", "4k3/8/8/4r3/8/8/8/R3K2R w KQ -"});
    WalkFromRoots(PerftRootsAnd(setUps), PerftWalkDepth, CheckListAgainstNaiveMoves);
}

}  // namespace
