// The board record and the routines that build a position piece by piece.
#include "board/board.h"

#include <cstdio>
#include <cstring>

#include "board/game_record.h"
#include "board/keys.h"
#include "board/modes.h"
#include "board/pst.h"
#include "board/search_state.h"

Board board;
MoveStackEntry MoveStack[MoveStackSize];
i32 MoveStackTop;

void ClearBoard() {
    board.PstOpeningSum = 0;
    board.PstEndgameSum = 0;
    board.MaterialIndex = 0;
    for (PieceType type : {KNIGHT, PAWN, ROOK, BISHOP, QUEEN})
        board.PieceCount[type][WHITE] = board.PieceCount[type][BLACK] = 0;
    board.FiftyMoveCounter = 0;
    board.HashKey = 0;
    board.PawnHashKey = 0;
    for (PieceType type : {0, 1, 2, 3, 5, 6, 7})
        board.Bitboards[type][WHITE] = board.Bitboards[type][BLACK] = 0;
    board.StraightSliders = 0;
    board.DiagonalSliders = 0;
    std::memset(board.RankOccupancy, 0, sizeof board.RankOccupancy);
    std::memset(board.FileOccupancy, 0, sizeof board.FileOccupancy);
    std::memset(board.AntiDiagonalOccupancy, 0, sizeof board.AntiDiagonalOccupancy);
    std::memset(board.DiagonalOccupancy, 0, sizeof board.DiagonalOccupancy);
    std::memset(board.Squares, 0, sizeof board.Squares);
    board.PieceTotal = 0;
    for (Side side : {WHITE, BLACK}) {
        board.NonPawnUnits[side] = 0;
        board.Material[side] = 0;
        board.MinorCount[side] = 0;
        board.MajorUnits[side] = 0;
    }
}

void AddPiece(Square square, Side side, PieceType type) {
    const u64 bit = SquareBit(square);
    board.PieceTotal += 1;
    if (type != KING) {
        board.Material[side] += PieceValue[type];
        if (type == ROOK) board.MajorUnits[side] += 1;
        if (type == QUEEN) board.MajorUnits[side] += 2;
        if (type == KNIGHT || type == BISHOP) board.MinorCount[side] += 1;
    }
    if (side == BLACK) {
        board.PstOpeningSum = i16(board.PstOpeningSum + PstOpening[type][BLACK][square]);
        board.PstEndgameSum = i16(board.PstEndgameSum + PstEndgame[type][BLACK][square]);
    } else {
        board.PstOpeningSum = i16(board.PstOpeningSum - PstOpening[type][WHITE][square]);
        board.PstEndgameSum = i16(board.PstEndgameSum - PstEndgame[type][WHITE][square]);
    }
    board.Bitboards[0][side] |= bit;
    board.Squares[square] = type;
    SetOccupancy(square);
    board.HashKey ^= ZobristPiece[side][type][square];

    if (type == KING) {
        board.Bitboards[KING][side] = bit;
        board.KingSquare[side] = square;
        return;
    }
    board.Bitboards[type][side] |= bit;
    board.PieceCount[type][side] += 1;
    board.NonPawnUnits[side] += PieceUnits[type];
    if (type & 1 && IsSlider(type)) board.StraightSliders ^= bit;
    if (type & 2 && IsSlider(type)) board.DiagonalSliders ^= bit;
    if (type == PAWN) board.PawnHashKey ^= ZobristPiece[side][PAWN][square];

    // The signature holds at most two of each piece and eight pawns per side;
    // anything beyond marks the material as outside the table for good.
    const i32 limit = type == PAWN ? 9 : 3;
    if (board.MaterialIndex != MaterialIndexNone && board.PieceCount[type][side] < limit)
        board.MaterialIndex += MaterialDigit[type][side];
    else
        board.MaterialIndex = MaterialIndexNone;
}

void ComputeMaterialIndex() {
    i32 index = 0;
    for (Side side : {WHITE, BLACK}) {
        for (PieceType type : {KNIGHT, PAWN, ROOK, BISHOP, QUEEN}) {
            const i32 count = board.PieceCount[type][side];
            if (count > (type == PAWN ? 8 : 2)) {
                board.MaterialIndex = MaterialIndexNone;
                return;
            }
            index += count * MaterialDigit[type][side];
        }
    }
    if (index > MaterialIndexNone) std::printf("Error when indexing material!\n");
    board.MaterialIndex = index;
}

void SetupStartPosition() {
    static const PieceType backRank[8] = {ROOK, KNIGHT, BISHOP, QUEEN, KING, BISHOP, KNIGHT, ROOK};
    if (!UciMode && !FritzMode) {
        LastSearchScore = 0;
        LastSearchSide = 0;
    }
    GamePly = 0;
    GameBasePly = 0;
    ClearBoard();
    for (i32 file = 0; file < 8; file++) AddPiece(MakeSquare(file, 0), WHITE, backRank[file]);
    for (i32 file = 0; file < 8; file++) AddPiece(MakeSquare(file, 1), WHITE, PAWN);
    for (i32 file = 0; file < 8; file++) AddPiece(MakeSquare(file, 7), BLACK, backRank[file]);
    for (i32 file = 0; file < 8; file++) AddPiece(MakeSquare(file, 6), BLACK, PAWN);
    board.KingSquare[WHITE] = E1;
    board.KingSquare[BLACK] = E8;
    board.SideToMove = WHITE;
    board.CastlingFlags = 15;
}

void RemovePiece(Square square) {
    const PieceType type = board.Squares[square];
    if (type == EMPTY) return;
    const u64 bit = SquareBit(square);
    const Side side = board.Bitboards[0][BLACK] & bit ? BLACK : WHITE;
    board.PieceTotal -= 1;
    if (type != KING) {
        board.Material[side] -= PieceValue[type];
        if (type == ROOK) board.MajorUnits[side] -= 1;
        if (type == QUEEN) board.MajorUnits[side] -= 2;
        if (type == KNIGHT || type == BISHOP) board.MinorCount[side] -= 1;
        board.PieceCount[type][side] -= 1;
        board.NonPawnUnits[side] -= PieceUnits[type];
    }
    if (side == BLACK) {
        board.PstOpeningSum = i16(board.PstOpeningSum - PstOpening[type][BLACK][square]);
        board.PstEndgameSum = i16(board.PstEndgameSum - PstEndgame[type][BLACK][square]);
    } else {
        board.PstOpeningSum = i16(board.PstOpeningSum + PstOpening[type][WHITE][square]);
        board.PstEndgameSum = i16(board.PstEndgameSum + PstEndgame[type][WHITE][square]);
    }
    // Clear, never toggle: the sets may disagree after a doubled king.
    board.Bitboards[0][side] &= ~bit;
    board.Bitboards[type][side] &= ~bit;
    board.StraightSliders &= ~bit;
    board.DiagonalSliders &= ~bit;
    board.Squares[square] = EMPTY;
    ClearOccupancy(square);
    board.HashKey ^= ZobristPiece[side][type][square];
    if (type == PAWN) board.PawnHashKey ^= ZobristPiece[side][PAWN][square];
    ComputeMaterialIndex();
}
