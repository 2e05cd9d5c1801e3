// Quiet moves of the side to move, scored from the quiet-move history as
// they are appended so the move picker can sort at once.
#include "board/move_gen_quiet.h"

#include "board/attack_queries.h"
#include "board/attacks.h"
#include "board/board.h"
#include "board/move_ordering.h"

namespace {

// Pawns whose push does not promote: white on squares 0..47, black on
// 16..63. The promotion generators push the others.
constexpr u64 PushablePawns[2] = {0x0000FFFFFFFFFFFFull, 0xFFFFFFFFFFFF0000ull};
// The home rank of each side's pawns, from which a double step is possible.
constexpr u64 DoubleStepRank[2] = {0x000000000000FF00ull, 0x00FF000000000000ull};

inline void Append(i32& top, Move move, i32 historyHalf) {
    MoveStack[top].move = move;
    MoveStack[top].score = HistoryScore[HistoryIndex(move, historyHalf, board.SideToMove)];
    top += 1;
}

// Every move of one kind of piece onto empty squares; attacksOf gives the
// attack set of a man of that kind on the current board.
template <typename AttackSet>
inline void AppendPieceMoves(i32& top, u64 men, PieceType piece, u64 empty, i32 historyHalf,
                             AttackSet attacksOf) {
    while (men) {
        const Square from = PopLowest(men);
        u64 destinations = attacksOf(from) & empty;
        while (destinations)
            Append(top, MakeMoveWord(from, PopLowest(destinations), piece), historyHalf);
    }
}

}  // namespace

void GenerateQuietMoves(i32 historyHalf) {
    const Side side = board.SideToMove, enemy = ChangeSide(side);
    const u64 occupied = board.Bitboards[0][WHITE] | board.Bitboards[0][BLACK];
    const u64 empty = ~occupied;
    i32 top = MoveStackTop;

    // Castling: the rights, an empty path to the rook, and no attack on the
    // squares the king crosses and lands on (nearer square tested first).
    // The king's own square is not examined: the search only asks when not
    // in check, and the legal-move list drops castling out of check itself.
    const Square home = side == WHITE ? E1 : E8;
    const i32 kingSideRight = side == WHITE ? 1 : 4, queenSideRight = side == WHITE ? 2 : 8;
    if ((board.CastlingFlags & kingSideRight) &&
        !(occupied & (SquareBit(home + 1) | SquareBit(home + 2))) &&
        !IsSquareAttacked(enemy, home + 1) && !IsSquareAttacked(enemy, home + 2))
        Append(top, MakeMoveWord(home, home + 2, KING), historyHalf);
    if ((board.CastlingFlags & queenSideRight) &&
        !(occupied & (SquareBit(home - 1) | SquareBit(home - 2) | SquareBit(home - 3))) &&
        !IsSquareAttacked(enemy, home - 1) && !IsSquareAttacked(enemy, home - 2))
        Append(top, MakeMoveWord(home, home - 2, KING), historyHalf);

    AppendPieceMoves(top, board.Bitboards[KNIGHT][side], KNIGHT, empty, historyHalf,
                     [](Square sq) { return KnightAttacks[sq]; });
    AppendPieceMoves(top, board.Bitboards[BISHOP][side], BISHOP, empty, historyHalf,
                     BishopAttacksFrom);

    // Pawn pushes, single before double.
    const u64 pawns = board.Bitboards[PAWN][side] & PushablePawns[side];
    if (side == WHITE) {
        u64 pushers = pawns & (empty >> 8);
        while (pushers) {
            const Square from = PopLowest(pushers);
            Append(top, MakeMoveWord(from, from + 8, PAWN), historyHalf);
            if ((DoubleStepRank[WHITE] >> from & 1) && (empty >> (from + 16) & 1))
                Append(top, MakeMoveWord(from, from + 16, PAWN), historyHalf);
        }
    } else {
        u64 pushers = pawns & (empty << 8);
        while (pushers) {
            const Square from = HighestSquare(pushers);
            pushers ^= SquareBit(from);
            Append(top, MakeMoveWord(from, from - 8, PAWN), historyHalf);
            if ((DoubleStepRank[BLACK] >> from & 1) && (empty >> (from - 16) & 1))
                Append(top, MakeMoveWord(from, from - 16, PAWN), historyHalf);
        }
    }

    AppendPieceMoves(top, board.Bitboards[ROOK][side], ROOK, empty, historyHalf, RookAttacksFrom);
    AppendPieceMoves(top, board.Bitboards[QUEEN][side], QUEEN, empty, historyHalf,
                     QueenAttacksFrom);

    const Square king = board.KingSquare[side];
    u64 kingSteps = KingAttacks[king] & empty;
    while (kingSteps) Append(top, MakeMoveWord(king, PopLowest(kingSteps), KING), historyHalf);

    MoveStackTop = top;
}
