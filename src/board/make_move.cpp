// Incremental make and take-back. Every derived field of the board is kept
// in step piece by piece; keys, castling rights, the fifty-move counter, the
// piece-square sums and the material index are restored from the game
// record instead of being undone.
#include "board/make_move.h"

#include "board/board.h"
#include "board/keys.h"
#include "board/pst.h"

// clang-format off
const u8 CastleMask[64] = {
    253, 255, 255, 255, 252, 255, 255, 254,
    255, 255, 255, 255, 255, 255, 255, 255,
    255, 255, 255, 255, 255, 255, 255, 255,
    255, 255, 255, 255, 255, 255, 255, 255,
    255, 255, 255, 255, 255, 255, 255, 255,
    255, 255, 255, 255, 255, 255, 255, 255,
    255, 255, 255, 255, 255, 255, 255, 255,
    247, 255, 255, 255, 243, 255, 255, 251,
};
// clang-format on

namespace {

// Piece-square contribution of one man to the black-minus-white sums.
inline void AddPst(Side side, PieceType type, Square sq) {
    board.PstOpeningSum = i16(board.PstOpeningSum + PstOpeningSigned[type][side][sq]);
    board.PstEndgameSum = i16(board.PstEndgameSum + PstEndgameSigned[type][side][sq]);
}
inline void RemovePst(Side side, PieceType type, Square sq) {
    board.PstOpeningSum = i16(board.PstOpeningSum - PstOpeningSigned[type][side][sq]);
    board.PstEndgameSum = i16(board.PstEndgameSum - PstEndgameSigned[type][side][sq]);
}

// Which slider sets a piece type belongs to, and its share of the unit counts.
constexpr u64 StraightSliderMask[8] = {0, 0, 0, 0, 0, ~u64(0), 0, ~u64(0)};
constexpr u64 DiagonalSliderMask[8] = {0, 0, 0, 0, 0, 0, ~u64(0), ~u64(0)};
constexpr i32 MajorUnitsOf[8] = {0, 0, 0, 0, 0, 1, 0, 2};
constexpr i32 MinorCountOf[8] = {0, 0, 1, 0, 0, 0, 1, 0};

inline void ToggleSliders(PieceType type, u64 bits) {
    board.StraightSliders ^= bits & StraightSliderMask[type];
    board.DiagonalSliders ^= bits & DiagonalSliderMask[type];
}

// Moves a man between two squares in the piece sets, squares and line
// occupancies; keys and sums are the caller's business.
inline void ShiftMan(Side side, PieceType type, Square from, Square to) {
    const u64 bits = SquareBit(from) | SquareBit(to);
    board.Bitboards[0][side] ^= bits;
    board.Bitboards[type][side] ^= bits;
    board.Squares[from] = EMPTY;
    ClearOccupancy(from);
    board.Squares[to] = type;
    SetOccupancy(to);
}

// Takes a man off (or puts it back on) its square in the piece sets and the
// counters that MakeMove and UnmakeMove both maintain.
inline void RemoveMan(Side side, PieceType type, Square sq) {
    const u64 bit = SquareBit(sq);
    board.Bitboards[0][side] ^= bit;
    board.Bitboards[type][side] ^= bit;
    ToggleSliders(type, bit);
    board.PieceTotal -= 1;
    board.PieceCount[type][side] -= 1;
    board.Material[side] -= PieceValue[type];
    board.NonPawnUnits[side] -= PieceUnits[type];
    board.MajorUnits[side] -= MajorUnitsOf[type];
    board.MinorCount[side] -= MinorCountOf[type];
}
inline void RestoreMan(Side side, PieceType type, Square sq) {
    const u64 bit = SquareBit(sq);
    board.Bitboards[0][side] ^= bit;
    board.Bitboards[type][side] ^= bit;
    ToggleSliders(type, bit);
    board.PieceTotal += 1;
    board.PieceCount[type][side] += 1;
    board.Material[side] += PieceValue[type];
    board.NonPawnUnits[side] += PieceUnits[type];
    board.MajorUnits[side] += MajorUnitsOf[type];
    board.MinorCount[side] += MinorCountOf[type];
}

// The rook's part of castling, from the king's destination.
inline bool CastlingRookSquares(Side side, Square kingFrom, Square kingTo, Square* rookFrom,
                                Square* rookTo) {
    const Square home = side == WHITE ? E1 : E8;
    if (kingFrom != home) return false;
    if (kingTo == home + 2) {
        *rookFrom = home + 3, *rookTo = home + 1;
        return true;
    }
    if (kingTo == home - 2) {
        *rookFrom = home - 4, *rookTo = home - 1;
        return true;
    }
    return false;
}

}  // namespace

void MakeMove(Move move, u32 saveUndo) {
    const Square from = MoveFrom(move), to = MoveTo(move);
    const PieceType piece = MovePiece(move), captured = MoveCaptured(move);
    const PieceType promotion = MovePromotion(move);
    const Side side = board.SideToMove, enemy = ChangeSide(side);
    GameHistoryEntry& undo = GameHistory[GamePly];

    if (saveUndo) {
        undo.CastlingFlags = board.CastlingFlags;
        undo.FiftyMoveCounter = board.FiftyMoveCounter;
        undo.PstOpeningSum = board.PstOpeningSum;
        undo.PstEndgameSum = board.PstEndgameSum;
        undo.HashKey = board.HashKey;
        undo.MaterialIndex = board.MaterialIndex;
    }
    board.FiftyMoveCounter += 1;

    // The mover leaves from; the line occupancies of to are set only when
    // it was empty, a captured man having left them set.
    const u64 fromTo = SquareBit(from) | SquareBit(to);
    board.Bitboards[0][side] ^= fromTo;
    board.Bitboards[piece][side] ^= fromTo;
    board.Squares[from] = EMPTY;
    ClearOccupancy(from);
    board.Squares[to] = piece;
    if (!captured) SetOccupancy(to);
    board.HashKey ^= ZobristPiece[side][piece][from] ^ ZobristPiece[side][piece][to];
    RemovePst(side, piece, from);
    AddPst(side, piece, to);

    if (captured) {
        RemoveMan(enemy, captured, to);
        board.FiftyMoveCounter = 0;
        RemovePst(enemy, captured, to);
        board.HashKey ^= ZobristPiece[enemy][captured][to];
        if (captured == PAWN) {
            board.PawnHashKey ^= ZobristPiece[enemy][PAWN][to];
            if (board.MaterialIndex != MaterialIndexNone)
                board.MaterialIndex -= MaterialDigit[PAWN][enemy];
        } else {
            if (captured == ROOK) board.CastlingFlags &= CastleMask[to];
            if (board.MaterialIndex != MaterialIndexNone)
                board.MaterialIndex -= MaterialDigit[captured][enemy];
            else if (board.PieceCount[captured][enemy] == 2)
                ComputeMaterialIndex();
        }
    }

    switch (piece) {
    case KING: {
        board.KingSquare[side] = to;
        board.CastlingFlags &= CastleMask[from];
        Square rookFrom, rookTo;
        if (CastlingRookSquares(side, from, to, &rookFrom, &rookTo)) {
            ShiftMan(side, ROOK, rookFrom, rookTo);
            board.StraightSliders ^= SquareBit(rookFrom) | SquareBit(rookTo);
            board.HashKey ^= ZobristPiece[side][ROOK][rookFrom] ^ ZobristPiece[side][ROOK][rookTo];
            RemovePst(side, ROOK, rookFrom);
            AddPst(side, ROOK, rookTo);
        }
        break;
    }
    case PAWN:
        board.FiftyMoveCounter = 0;
        board.PawnHashKey ^= ZobristPiece[side][PAWN][from];
        if (promotion) {
            // The pawn arrives and turns into the new piece on the spot.
            board.Bitboards[PAWN][side] ^= SquareBit(to);
            board.PieceCount[PAWN][side] -= 1;
            board.Material[side] -= PieceValue[PAWN];
            board.PieceTotal -= 1;
            board.HashKey ^= ZobristPiece[side][PAWN][to] ^ ZobristPiece[side][promotion][to];
            RemovePst(side, PAWN, to);
            AddPst(side, promotion, to);
            board.Bitboards[0][side] ^= SquareBit(to);
            RestoreMan(side, promotion, to);
            board.Squares[to] = promotion;
            if (board.MaterialIndex == MaterialIndexNone || board.PieceCount[promotion][side] >= 3)
                board.MaterialIndex = MaterialIndexNone;
            else
                board.MaterialIndex += MaterialDigit[promotion][side] - MaterialDigit[PAWN][side];
        } else {
            board.PawnHashKey ^= ZobristPiece[side][PAWN][to];
            if (!captured && ((from ^ to) & 1)) {
                // En passant: the enemy pawn stands beside the from-square.
                const Square victim = MakeSquare(FileOf(to), RankOf(from));
                RemoveMan(enemy, PAWN, victim);
                board.Squares[victim] = EMPTY;
                ClearOccupancy(victim);
                RemovePst(enemy, PAWN, victim);
                board.HashKey ^= ZobristPiece[enemy][PAWN][victim];
                board.PawnHashKey ^= ZobristPiece[enemy][PAWN][victim];
                if (board.MaterialIndex != MaterialIndexNone)
                    board.MaterialIndex -= MaterialDigit[PAWN][enemy];
            }
        }
        break;
    case ROOK:
        ToggleSliders(ROOK, fromTo);
        board.CastlingFlags &= CastleMask[from];
        break;
    case BISHOP: ToggleSliders(BISHOP, fromTo); break;
    case QUEEN: ToggleSliders(QUEEN, fromTo); break;
    default:
        break;
    }

    undo.Move = move;
    GamePly += 1;
    board.SideToMove = enemy;
}

void UnmakeMove() {
    GamePly -= 1;
    board.SideToMove = ChangeSide(board.SideToMove);
    const GameHistoryEntry& undo = GameHistory[GamePly];
    const Move move = undo.Move;
    const Square from = MoveFrom(move), to = MoveTo(move);
    const PieceType piece = MovePiece(move), captured = MoveCaptured(move);
    const PieceType promotion = MovePromotion(move);
    const Side side = board.SideToMove, enemy = ChangeSide(side);

    if (promotion) {
        // Turn the new piece back into the pawn that arrived.
        RemoveMan(side, promotion, to);
        board.Bitboards[0][side] ^= SquareBit(to);
        board.Bitboards[PAWN][side] ^= SquareBit(to);
        board.PieceCount[PAWN][side] += 1;
        board.Material[side] += PieceValue[PAWN];
        board.PieceTotal += 1;
    }
    // The mover goes back to from; a captured man comes back on to, whose
    // line occupancies then stay set.
    const u64 fromTo = SquareBit(from) | SquareBit(to);
    board.Bitboards[0][side] ^= fromTo;
    board.Bitboards[piece][side] ^= fromTo;
    board.Squares[to] = EMPTY;
    board.Squares[from] = piece;
    SetOccupancy(from);

    if (captured) {
        RestoreMan(enemy, captured, to);
        board.Squares[to] = captured;
        if (captured == PAWN) board.PawnHashKey ^= ZobristPiece[enemy][PAWN][to];
    } else {
        ClearOccupancy(to);
    }

    switch (piece) {
    case KING: {
        board.KingSquare[side] = from;
        Square rookFrom, rookTo;
        if (CastlingRookSquares(side, from, to, &rookFrom, &rookTo)) {
            ShiftMan(side, ROOK, rookTo, rookFrom);
            board.StraightSliders ^= SquareBit(rookFrom) | SquareBit(rookTo);
        }
        break;
    }
    case PAWN:
        board.PawnHashKey ^= ZobristPiece[side][PAWN][from];
        if (!promotion) {
            board.PawnHashKey ^= ZobristPiece[side][PAWN][to];
            if (!captured && ((from ^ to) & 1)) {
                const Square victim = MakeSquare(FileOf(to), RankOf(from));
                RestoreMan(enemy, PAWN, victim);
                board.Squares[victim] = PAWN;
                SetOccupancy(victim);
                board.PawnHashKey ^= ZobristPiece[enemy][PAWN][victim];
            }
        }
        break;
    case ROOK: ToggleSliders(ROOK, fromTo); break;
    case BISHOP: ToggleSliders(BISHOP, fromTo); break;
    case QUEEN: ToggleSliders(QUEEN, fromTo); break;
    default: break;
    }

    board.CastlingFlags = undo.CastlingFlags;
    board.FiftyMoveCounter = undo.FiftyMoveCounter;
    board.PstOpeningSum = undo.PstOpeningSum;
    board.PstEndgameSum = undo.PstEndgameSum;
    board.HashKey = undo.HashKey;
    board.MaterialIndex = undo.MaterialIndex;
}

bool TakeBackGameMove() {
    if (GamePly <= GameBasePly) return false;
    UnmakeMove();
    return true;
}
