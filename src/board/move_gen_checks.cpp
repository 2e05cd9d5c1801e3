// Quiet checks. Everything is measured from the enemy king's square K: the
// squares a bishop, a rook and a knight on K would attack are exactly the
// squares from which such a man checks, and the first man seen from K along
// a line discovers check when it leaves the line with an own slider of that
// line's kind behind it.
#include "board/move_gen_checks.h"

#include <cassert>
#include <cstdlib>

#include "board/attack_queries.h"
#include "board/attacks.h"
#include "board/board.h"
#include "board/move_ordering.h"
#include "board/static_exchange.h"

namespace {

constexpr u64 SecondRank[2] = {0x000000000000FF00ull, 0x00FF000000000000ull};
constexpr u64 SeventhRank[2] = {0x00FF000000000000ull, 0x000000000000FF00ull};

// What the generator needs of the position, computed once per call.
struct CheckContext {
    Side side;
    Square enemyKing;
    u64 empty;
    u64 diagonalChecks;  // D: where a bishop or queen checks from
    u64 straightChecks;  // S: where a rook or queen checks from
    u64 knightChecks;    // N: where a knight checks from
    u64 diagonalSliders;  // own bishops and queens
    u64 straightSliders;  // own rooks and queens
    i32 historyHalf;
    i32 top;
};

inline void Append(CheckContext& ctx, Move move) {
    MoveStack[ctx.top].move = move;
    MoveStack[ctx.top].score = HistoryScore[HistoryIndex(move, ctx.historyHalf, ctx.side)];
    ctx.top += 1;
}

// A man that gives check on its new square must not simply be lost there.
inline void AppendIfSafe(CheckContext& ctx, Square from, Square to, PieceType piece) {
    if (SeeNotLosing(to, from, piece, EMPTY, EMPTY)) Append(ctx, MakeMoveWord(from, to, piece));
}

inline void AppendAllIfSafe(CheckContext& ctx, Square from, u64 targets, PieceType piece) {
    while (targets) AppendIfSafe(ctx, from, PopLowest(targets), piece);
}

// The man on sq, the first seen from the enemy king along their common
// line, has one of the given own sliders right behind it.
inline bool HasSliderBehind(const CheckContext& ctx, Square sq, u64 sliders) {
    return (RayAttacksInDirection(sq, DirectionBetween[ctx.enemyKing][sq]) & sliders) != 0;
}

// Men standing on a diagonal of the enemy king with an own bishop or queen
// behind them, or on a rank or file with a rook or queen behind them: any
// move off the line discovers check.
inline bool DiscoversOnDiagonal(const CheckContext& ctx, Square sq) {
    return (ctx.diagonalChecks >> sq & 1) && HasSliderBehind(ctx, sq, ctx.diagonalSliders);
}
inline bool DiscoversOnStraight(const CheckContext& ctx, Square sq) {
    return (ctx.straightChecks >> sq & 1) && HasSliderBehind(ctx, sq, ctx.straightSliders);
}

// The single push, then from the second rank the double push, each when
// its squares are empty and the pawn is safe where it lands.
inline void AppendPawnPushes(CheckContext& ctx, Square from) {
    const i32 step = ctx.side == WHITE ? 8 : -8;
    if (!(ctx.empty >> (from + step) & 1)) return;
    AppendIfSafe(ctx, from, from + step, PAWN);
    if ((SecondRank[ctx.side] >> from & 1) && (ctx.empty >> (from + 2 * step) & 1))
        AppendIfSafe(ctx, from, from + 2 * step, PAWN);
}

void AppendQueenChecks(CheckContext& ctx) {
    u64 queens = board.Bitboards[QUEEN][ctx.side];
    while (queens) {
        const Square from = PopLowest(queens);
        const u64 reach = QueenAttacksFrom(from) & ctx.empty;
        AppendAllIfSafe(ctx, from, reach & ctx.diagonalChecks, QUEEN);
        AppendAllIfSafe(ctx, from, reach & ctx.straightChecks, QUEEN);
    }
}

void AppendRookChecks(CheckContext& ctx) {
    u64 rooks = board.Bitboards[ROOK][ctx.side];
    while (rooks) {
        const Square from = PopLowest(rooks);
        u64 targets = RookAttacksFrom(from) & ctx.empty;
        // A rook can never stay on a diagonal, so each of its moves
        // discovers a bishop or queen behind it.
        if (!DiscoversOnDiagonal(ctx, from)) targets &= ctx.straightChecks;
        AppendAllIfSafe(ctx, from, targets, ROOK);
    }
}

void AppendBishopChecks(CheckContext& ctx) {
    u64 bishops = board.Bitboards[BISHOP][ctx.side];
    while (bishops) {
        const Square from = PopLowest(bishops);
        u64 targets = BishopAttacksFrom(from) & ctx.empty;
        if (!DiscoversOnStraight(ctx, from)) targets &= ctx.diagonalChecks;
        AppendAllIfSafe(ctx, from, targets, BISHOP);
    }
}

void AppendKnightChecks(CheckContext& ctx) {
    u64 knights = board.Bitboards[KNIGHT][ctx.side];
    while (knights) {
        const Square from = PopLowest(knights);
        u64 targets = KnightAttacks[from] & ctx.empty;
        if (!DiscoversOnDiagonal(ctx, from) && !DiscoversOnStraight(ctx, from))
            targets &= ctx.knightChecks;
        AppendAllIfSafe(ctx, from, targets, KNIGHT);
    }
}

void AppendPawnChecks(CheckContext& ctx) {
    const Side side = ctx.side;
    const i32 step = side == WHITE ? 8 : -8;
    // Pushes from the seventh rank are promotions, left to their generators.
    const u64 pawns = board.Bitboards[PAWN][side] & ~SeventhRank[side];
    // The squares from which a pawn of ours attacks the king.
    const u64 checkSquares = PawnAttacks[ChangeSide(side)][ctx.enemyKing];

    // Direct single pushes onto a checking square.
    u64 pushers = pawns & (side == WHITE ? checkSquares >> 8 : checkSquares << 8);
    while (pushers) {
        const Square from = PopLowest(pushers);
        if (ctx.empty >> (from + step) & 1) AppendIfSafe(ctx, from, from + step, PAWN);
    }

    // Direct double pushes: the king must stand on our fifth rank for the
    // double step's landing square to attack it.
    if (RankOf(ctx.enemyKing) == (side == WHITE ? 4 : 3)) {
        pushers = pawns & SecondRank[side] &
                  (side == WHITE ? checkSquares >> 16 : checkSquares << 16);
        while (pushers) {
            const Square from = PopLowest(pushers);
            if ((ctx.empty >> (from + step) & 1) && (ctx.empty >> (from + 2 * step) & 1))
                AppendIfSafe(ctx, from, from + 2 * step, PAWN);
        }
    }

    // Pawns leaving the king's rank in front of a rook or queen. A pawn on
    // the king's file stays on it and discovers nothing.
    if (board.MajorUnits[side] > 0) {
        u64 rankBlockers = pawns & RankAttacksFrom(ctx.enemyKing);
        while (rankBlockers) {
            const Square from = PopLowest(rankBlockers);
            if (HasSliderBehind(ctx, from, ctx.straightSliders)) AppendPawnPushes(ctx, from);
        }
    }

    // Pawns leaving a diagonal of the king in front of a bishop or queen.
    u64 diagonalBlockers = pawns & ctx.diagonalChecks;
    while (diagonalBlockers) {
        const Square from = PopLowest(diagonalBlockers);
        if (HasSliderBehind(ctx, from, ctx.diagonalSliders)) AppendPawnPushes(ctx, from);
    }
}

// The king uncovers a slider when it steps off its line to the enemy king.
// Legality of the step is left to the search.
void AppendKingDiscoveries(CheckContext& ctx) {
    const Square king = board.KingSquare[ctx.side];
    if (!DiscoversOnStraight(ctx, king) && !DiscoversOnDiagonal(ctx, king)) return;
    const i32 line = std::abs(DirectionBetween[king][ctx.enemyKing]);
    u64 steps = KingAttacks[king] & ctx.empty;
    while (steps) {
        const Square to = PopLowest(steps);
        if (std::abs(DirectionBetween[to][ctx.enemyKing]) != line)
            Append(ctx, MakeMoveWord(king, to, KING));
    }
}

// Castling whose rook checks from its new square, or along the home rank
// through the square the king leaves.
void AppendCastlingChecks(CheckContext& ctx) {
    const Side side = ctx.side, enemy = ChangeSide(side);
    const Square home = side == WHITE ? E1 : E8;
    const i32 kingSideRight = side == WHITE ? 1 : 4, queenSideRight = side == WHITE ? 2 : 8;
    const u64 enemyKing = SquareBit(ctx.enemyKing);
    const u64 alongHomeRank = RankAttacksFrom(home) & enemyKing;

    if ((board.CastlingFlags & kingSideRight) && (ctx.empty >> (home + 1) & 1) &&
        (ctx.empty >> (home + 2) & 1) &&
        ((FileAttacksFrom(home + 1) & enemyKing) || alongHomeRank) &&
        !IsSquareAttacked(enemy, home + 1) && !IsSquareAttacked(enemy, home + 2))
        Append(ctx, MakeMoveWord(home, home + 2, KING));

    if ((board.CastlingFlags & queenSideRight) && (ctx.empty >> (home - 1) & 1) &&
        (ctx.empty >> (home - 2) & 1) && (ctx.empty >> (home - 3) & 1) &&
        ((FileAttacksFrom(home - 1) & enemyKing) || alongHomeRank) &&
        !IsSquareAttacked(enemy, home - 1) && !IsSquareAttacked(enemy, home - 2))
        Append(ctx, MakeMoveWord(home, home - 2, KING));
}

}  // namespace

void GenerateQuietChecks(i32 historyHalf) {
    const Side side = board.SideToMove, enemy = ChangeSide(side);
    assert(!IsSquareAttacked(enemy, board.KingSquare[side]));

    CheckContext ctx;
    ctx.side = side;
    ctx.enemyKing = board.KingSquare[enemy];
    ctx.empty = ~(board.Bitboards[0][WHITE] | board.Bitboards[0][BLACK]);
    ctx.diagonalChecks = BishopAttacksFrom(ctx.enemyKing);
    ctx.straightChecks = RookAttacksFrom(ctx.enemyKing);
    ctx.knightChecks = KnightAttacks[ctx.enemyKing];
    ctx.diagonalSliders = board.Bitboards[0][side] & board.DiagonalSliders;
    ctx.straightSliders = board.Bitboards[0][side] & board.StraightSliders;
    ctx.historyHalf = historyHalf;
    ctx.top = MoveStackTop;

    if (board.MajorUnits[side] > 0) {
        AppendQueenChecks(ctx);
        AppendRookChecks(ctx);
    }
    if (board.MinorCount[side] > 0) {
        AppendBishopChecks(ctx);
        AppendKnightChecks(ctx);
    }
    if (board.PieceCount[PAWN][side] > 0) AppendPawnChecks(ctx);
    AppendKingDiscoveries(ctx);
    AppendCastlingChecks(ctx);

    MoveStackTop = ctx.top;
}
