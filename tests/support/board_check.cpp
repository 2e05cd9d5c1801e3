#include "support/board_check.h"


#include "board/board.h"
#include "board/keys.h"
#include "board/pst.h"

namespace {

std::string Mismatch(const char* field, i64 actual, i64 expected) {
    return std::string(field) + " is " + std::to_string(actual) + ", expected " + std::to_string(expected);
}

}  // namespace

std::string BoardInconsistency() {
    const u64 white = board.Bitboards[0][WHITE], black = board.Bitboards[0][BLACK];
    if (white & black) return "side sets overlap";

    u64 sets[8][2] = {};
    u32 rankOcc[8] = {}, fileOcc[8] = {}, antiOcc[16] = {}, diagOcc[16] = {};
    i32 counts[8][2] = {}, material[2] = {}, units[2] = {}, majors[2] = {}, minors[2] = {};
    i32 kingSquare[2] = {-1, -1}, total = 0;
    i32 pstOpening = 0, pstEndgame = 0;
    u64 hashKey = 0, pawnKey = 0, straight = 0, diagonal = 0;

    for (Square sq = 0; sq < 64; sq++) {
        const PieceType type = board.Squares[sq];
        const u64 bit = SquareBit(sq);
        const bool inWhite = white & bit, inBlack = black & bit;
        if (type == EMPTY) {
            if (inWhite || inBlack) return Mismatch("empty square in a side set", sq, -1);
            continue;
        }
        if (type == 4 || type > 7) return Mismatch("piece code", type, -1);
        if (!inWhite && !inBlack) return Mismatch("man missing from the side sets", sq, -1);
        const Side side = inBlack ? BLACK : WHITE;
        sets[type][side] |= bit;
        total += 1;
        const i32 file = FileOf(sq), rank = RankOf(sq);
        rankOcc[rank] |= 1u << file;
        fileOcc[file] |= 1u << rank;
        antiOcc[file + rank] |= 1u << rank;
        diagOcc[file - rank + 7] |= 1u << rank;
        hashKey ^= ZobristPiece[side][type][sq];
        if (type == PAWN) pawnKey ^= ZobristPiece[side][PAWN][sq];
        const i32 sign = side == BLACK ? 1 : -1;
        pstOpening += sign * PstOpening[type][side][sq];
        pstEndgame += sign * PstEndgame[type][side][sq];
        if (type == KING) {
            if (kingSquare[side] >= 0) return "two kings of one side";
            kingSquare[side] = sq;
            continue;
        }
        counts[type][side] += 1;
        material[side] += PieceValue[type];
        units[side] += PieceUnits[type];
        if (type == ROOK) majors[side] += 1;
        if (type == QUEEN) majors[side] += 2;
        if (type == KNIGHT || type == BISHOP) minors[side] += 1;
        if (type == ROOK || type == QUEEN) straight |= bit;
        if (type == BISHOP || type == QUEEN) diagonal |= bit;
    }

    for (Side side : {WHITE, BLACK}) {
        for (PieceType type : {KING, KNIGHT, PAWN, ROOK, BISHOP, QUEEN})
            if (board.Bitboards[type][side] != sets[type][side])
                return Mismatch("Bitboards", side * 8 + type, -1);
        if (kingSquare[side] >= 0 && board.KingSquare[side] != kingSquare[side])
            return Mismatch("KingSquare", board.KingSquare[side], kingSquare[side]);
        for (PieceType type : {KNIGHT, PAWN, ROOK, BISHOP, QUEEN})
            if (board.PieceCount[type][side] != counts[type][side])
                return Mismatch("PieceCount", board.PieceCount[type][side], counts[type][side]);
        if (board.Material[side] != material[side])
            return Mismatch("Material", board.Material[side], material[side]);
        if (board.NonPawnUnits[side] != units[side])
            return Mismatch("NonPawnUnits", board.NonPawnUnits[side], units[side]);
        if (board.MajorUnits[side] != majors[side])
            return Mismatch("MajorUnits", board.MajorUnits[side], majors[side]);
        if (board.MinorCount[side] != minors[side])
            return Mismatch("MinorCount", board.MinorCount[side], minors[side]);
    }
    for (i32 i = 0; i < 8; i++) {
        if (board.RankOccupancy[i] != rankOcc[i]) return Mismatch("RankOccupancy", i, rankOcc[i]);
        if (board.FileOccupancy[i] != fileOcc[i]) return Mismatch("FileOccupancy", i, fileOcc[i]);
    }
    for (i32 i = 0; i < 16; i++) {
        if (board.AntiDiagonalOccupancy[i] != antiOcc[i]) return Mismatch("AntiDiagonalOccupancy", i, antiOcc[i]);
        if (board.DiagonalOccupancy[i] != diagOcc[i]) return Mismatch("DiagonalOccupancy", i, diagOcc[i]);
    }
    if (board.StraightSliders != straight) return "StraightSliders";
    if (board.DiagonalSliders != diagonal) return "DiagonalSliders";
    if (board.PieceTotal != total) return Mismatch("PieceTotal", board.PieceTotal, total);
    if (board.PstOpeningSum != i16(pstOpening)) return Mismatch("PstOpeningSum", board.PstOpeningSum, i16(pstOpening));
    if (board.PstEndgameSum != i16(pstEndgame)) return Mismatch("PstEndgameSum", board.PstEndgameSum, i16(pstEndgame));
    if (board.HashKey != hashKey) return "HashKey";
    if (board.PawnHashKey != pawnKey) return "PawnHashKey";

    i32 index = 0;
    bool outside = false;
    for (Side side : {WHITE, BLACK})
        for (PieceType type : {KNIGHT, PAWN, ROOK, BISHOP, QUEEN}) {
            if (counts[type][side] > (type == PAWN ? 8 : 2)) outside = true;
            index += counts[type][side] * MaterialDigit[type][side];
        }
    const i32 expectedIndex = outside ? MaterialIndexNone : index;
    if (board.MaterialIndex != expectedIndex)
        return Mismatch("MaterialIndex", board.MaterialIndex, expectedIndex);
    return "";
}
