// Promotions without capture, in three flavours that differ in the pieces
// offered and in whether the exchange test filters them.
#include "board/move_gen_promotions.h"

#include "board/attacks.h"
#include "board/board.h"
#include "board/move_gen_captures.h"
#include "board/static_exchange.h"

namespace {

constexpr u64 SeventhRank[2] = {0x00FF000000000000ull, 0x000000000000FF00ull};

inline void Append(i32& top, Move move) {
    MoveStack[top].move = move;
    MoveStack[top].score = ScoreCapture(move);
    top += 1;
}

// Calls appendFor(from, to) for every pawn of the side to move that can step
// onto the last rank, from the highest square down.
template <typename AppendFor>
inline void ForEachFreePromotion(AppendFor appendFor) {
    const Side side = board.SideToMove;
    const u64 empty = ~(board.Bitboards[0][WHITE] | board.Bitboards[0][BLACK]);
    const i32 step = side == WHITE ? 8 : -8;
    u64 pawns = board.Bitboards[PAWN][side] & SeventhRank[side];
    pawns &= side == WHITE ? empty >> 8 : empty << 8;
    while (pawns) {
        const Square from = HighestSquare(pawns);
        pawns ^= SquareBit(from);
        appendFor(from, from + step);
    }
}

}  // namespace

void GenerateAllQuietPromotions() {
    i32 top = MoveStackTop;
    ForEachFreePromotion([&top](Square from, Square to) {
        for (PieceType promotion : {QUEEN, ROOK, KNIGHT, BISHOP})
            Append(top, MakeMoveWord(from, to, PAWN, EMPTY, promotion));
    });
    MoveStackTop = top;
}

void GenerateQuietPromotions() {
    i32 top = MoveStackTop;
    const u64 enemyKing = board.Bitboards[KING][ChangeSide(board.SideToMove)];
    ForEachFreePromotion([&top, enemyKing](Square from, Square to) {
        Append(top, MakeMoveWord(from, to, PAWN, EMPTY, QUEEN));
        if (KnightAttacks[to] & enemyKing) Append(top, MakeMoveWord(from, to, PAWN, EMPTY, KNIGHT));
    });
    MoveStackTop = top;
}

void GenerateSafeQuietPromotions() {
    i32 top = MoveStackTop;
    ForEachFreePromotion([&top](Square from, Square to) {
        if (SeeNotLosing(to, from, PAWN, EMPTY, QUEEN))
            Append(top, MakeMoveWord(from, to, PAWN, EMPTY, QUEEN));
    });
    MoveStackTop = top;
}
