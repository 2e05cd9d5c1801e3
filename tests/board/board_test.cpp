#include "board/board.h"

#include <gtest/gtest.h>

#include "board/init_tables.h"
#include "board/pst.h"
#include "support/board_check.h"

namespace {

class BoardRecord : public ::testing::Test {
protected:
    void SetUp() override { InitEngineTables(); }
};

TEST_F(BoardRecord, StartPositionFields) {
    SetupStartPosition();
    EXPECT_EQ(BoardInconsistency(), "");
    for (Side side : {WHITE, BLACK}) {
        EXPECT_EQ(board.Material[side], 3900);
        EXPECT_EQ(board.NonPawnUnits[side], 31);
        EXPECT_EQ(board.MajorUnits[side], 4);
        EXPECT_EQ(board.MinorCount[side], 4);
        EXPECT_EQ(board.PieceCount[PAWN][side], 8);
        EXPECT_EQ(board.PieceCount[KNIGHT][side], 2);
        EXPECT_EQ(board.PieceCount[QUEEN][side], 1);
    }
    EXPECT_EQ(board.PieceTotal, 32);
    EXPECT_EQ(board.MaterialIndex, 531436);
    EXPECT_EQ(board.CastlingFlags, 15);
    EXPECT_EQ(board.KingSquare[WHITE], E1);
    EXPECT_EQ(board.KingSquare[BLACK], E8);
    EXPECT_EQ(board.FiftyMoveCounter, 0);
    EXPECT_EQ(board.SideToMove, WHITE);
    EXPECT_EQ(board.PstOpeningSum, 0);
    EXPECT_EQ(board.PstEndgameSum, 0);
    for (i32 rank = 0; rank < 8; rank++)
        EXPECT_EQ(board.RankOccupancy[rank], (rank < 2 || rank > 5) ? 255u : 0u) << rank;
    EXPECT_EQ(board.AntiDiagonalOccupancy[15], 0u);
    EXPECT_EQ(board.DiagonalOccupancy[15], 0u);
}

TEST_F(BoardRecord, ThirdPieceLeavesTheMaterialTableForGood) {
    for (PieceType type : {KNIGHT, BISHOP, ROOK, QUEEN}) {
        ClearBoard();
        AddPiece(E1, WHITE, KING);
        AddPiece(E8, BLACK, KING);
        AddPiece(A3, BLACK, type);
        AddPiece(B3, BLACK, type);
        EXPECT_EQ(board.MaterialIndex, 2 * MaterialDigit[type][BLACK]);
        AddPiece(C3, BLACK, type);
        EXPECT_EQ(board.MaterialIndex, MaterialIndexNone) << type;
        AddPiece(D3, WHITE, PAWN);
        EXPECT_EQ(board.MaterialIndex, MaterialIndexNone) << type;
        EXPECT_EQ(BoardInconsistency(), "");
    }
}

TEST_F(BoardRecord, NinthPawnLeavesTheMaterialTable) {
    ClearBoard();
    AddPiece(E1, WHITE, KING);
    AddPiece(E8, BLACK, KING);
    for (i32 i = 0; i < 8; i++) AddPiece(A2 + i, WHITE, PAWN);
    EXPECT_EQ(board.MaterialIndex, 8 * 6561);
    AddPiece(A3, WHITE, PAWN);
    EXPECT_EQ(board.MaterialIndex, MaterialIndexNone);
    ComputeMaterialIndex();
    EXPECT_EQ(board.MaterialIndex, MaterialIndexNone);
}

TEST_F(BoardRecord, KingChangesKeyAndTotalButNotMaterial) {
    ClearBoard();
    AddPiece(A3, WHITE, ROOK);
    const i32 material = board.Material[WHITE], index = board.MaterialIndex;
    const u64 key = board.HashKey;
    AddPiece(E1, WHITE, KING);
    EXPECT_EQ(board.Material[WHITE], material);
    EXPECT_EQ(board.MaterialIndex, index);
    EXPECT_EQ(board.PieceTotal, 2);
    EXPECT_NE(board.HashKey, key);
}

TEST_F(BoardRecord, RemovePieceIsTheInverseOfAddPiece) {
    SetupStartPosition();
    const Board before = board;
    for (Square sq : {A1, D1, E1, B8, C7, H2, F8}) {
        const PieceType type = board.Squares[sq];
        const Side side = (board.Bitboards[0][BLACK] >> sq) & 1 ? BLACK : WHITE;
        RemovePiece(sq);
        EXPECT_EQ(board.Squares[sq], EMPTY);
        AddPiece(sq, side, type);
        EXPECT_EQ(BoardInconsistency(), "");
    }
    EXPECT_EQ(board.HashKey, before.HashKey);
    EXPECT_EQ(board.MaterialIndex, before.MaterialIndex);
    EXPECT_EQ(board.PstOpeningSum, before.PstOpeningSum);
}

TEST(PieceSquareTables, OwnerViewAndMirroring) {
    InitEngineTables();
    EXPECT_EQ(PstOpening[KING][WHITE][G1], 15);
    EXPECT_EQ(PstOpening[KING][BLACK][G8], 15);
    EXPECT_EQ(PstOpening[KNIGHT][WHITE][A8], -135);
    EXPECT_EQ(PstOpening[KNIGHT][BLACK][A1], -135);
    EXPECT_EQ(PstOpening[PAWN][WHITE][D4], 25);
    EXPECT_EQ(PstOpening[PAWN][WHITE][E5], 15);
    EXPECT_EQ(PstOpening[QUEEN][WHITE][D1], -5);
    EXPECT_EQ(PstEndgame[PAWN][WHITE][E7], 9);
    EXPECT_EQ(PstEndgame[PAWN][BLACK][E2], 9);
    for (Side side : {WHITE, BLACK})
        for (Square sq = 0; sq < 64; sq++) {
            EXPECT_EQ(PstOpening[EMPTY][side][sq], 0);
            EXPECT_EQ(PstEndgame[4][side][sq], 0);
            for (PieceType type : {KING, KNIGHT, PAWN, ROOK, BISHOP, QUEEN})
                EXPECT_EQ(PstOpening[type][WHITE][sq], PstOpening[type][BLACK][sq ^ 56]);
        }
}

}  // namespace
