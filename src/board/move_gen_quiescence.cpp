// Safe captures for the quiescence search. Every move is put to the exchange
// test before it is stored; since only accepted moves are stored, their
// ordering score follows from the move alone.
#include "board/move_gen_quiescence.h"

#include "board/attacks.h"
#include "board/board.h"
#include "board/make_move.h"
#include "board/move_gen_captures.h"
#include "board/static_exchange.h"

namespace {

constexpr u64 FileA = 0x0101010101010101ull;
constexpr u64 FileH = FileA << 7;
// The rank from which a pawn of each side promotes with its next step.
constexpr u64 SeventhRank[2] = {0x00FF000000000000ull, 0x000000000000FF00ull};

// Stores the move when the exchange test accepts it. The score is what
// ScoreCapture gives an accepted move: en passant just above a safe
// pawn-takes-pawn, otherwise most valuable victim, least valuable attacker,
// with promotions in a band above plain captures.
inline void AppendIfSafe(i32& top, Square from, Square to, PieceType piece, PieceType captured,
                         PieceType promotion = EMPTY) {
    if (!SeeNotLosing(to, from, piece, captured, promotion)) return;
    i32 score = EnPassantOrderScore;
    if (captured != EMPTY || promotion != EMPTY) {
        const i32 base = promotion != EMPTY ? SafePromotionBase : SafeCaptureBase;
        score = 10 * OrderValue[captured] + base - OrderValue[piece];
    }
    MoveStack[top].move = MakeMoveWord(from, to, piece, captured, promotion);
    MoveStack[top].score = score;
    top += 1;
}

// Every capture of one kind of piece onto targets; attacksOf gives the
// attack set of a man of that kind on the current board.
template <typename AttackSet>
inline void AppendPieceCaptures(i32& top, u64 men, PieceType piece, u64 targets,
                                AttackSet attacksOf) {
    while (men) {
        const Square from = PopLowest(men);
        u64 hits = attacksOf(from) & targets;
        while (hits) {
            const Square to = PopLowest(hits);
            AppendIfSafe(top, from, to, piece, board.Squares[to]);
        }
    }
}

// Captures of one pawn onto targets. From the seventh rank each capture is
// offered as four promotions; the exchange test lets only the queen through.
inline void AppendPawnCaptures(i32& top, Side side, Square from, u64 targets) {
    u64 hits = PawnAttacks[side][from] & targets;
    const bool promotes = (SeventhRank[side] >> from) & 1;
    while (hits) {
        const Square to = PopLowest(hits);
        const PieceType captured = board.Squares[to];
        if (promotes) {
            for (PieceType promotion : {QUEEN, KNIGHT, ROOK, BISHOP})
                AppendIfSafe(top, from, to, PAWN, captured, promotion);
        } else {
            AppendIfSafe(top, from, to, PAWN, captured);
        }
    }
}

}  // namespace

void GenerateQuiescenceCaptures(u64 targets) {
    const Side side = board.SideToMove;
    i32 top = MoveStackTop;

    // Pawn captures: only the pawns that attack a target are visited.
    const u64 pawns = board.Bitboards[PAWN][side];
    if (side == WHITE) {
        u64 attackers = pawns & (((targets & ~FileA) >> 9) | ((targets & ~FileH) >> 7));
        while (attackers) AppendPawnCaptures(top, side, PopLowest(attackers), targets);
    } else {
        u64 attackers = pawns & (((targets & ~FileH) << 9) | ((targets & ~FileA) << 7));
        while (attackers) {
            const Square from = HighestSquare(attackers);
            attackers ^= SquareBit(from);
            AppendPawnCaptures(top, side, from, targets);
        }
    }

    // En passant, right after an enemy pawn's double step: the pawn on the
    // left of the arrival square first, then the one on the right.
    if (GamePly > 0) {
        const Move last = GameHistory[GamePly - 1].Move;
        const i32 advance = side == WHITE ? MoveFrom(last) - MoveTo(last)
                                          : MoveTo(last) - MoveFrom(last);
        if (MovePiece(last) == PAWN && advance == 16) {
            const Square arrival = MoveTo(last);
            const Square passed = side == WHITE ? arrival + 8 : arrival - 8;
            if (FileOf(arrival) != 0 && (pawns >> (arrival - 1) & 1))
                AppendIfSafe(top, arrival - 1, passed, PAWN, EMPTY);
            if (FileOf(arrival) != 7 && (pawns >> (arrival + 1) & 1))
                AppendIfSafe(top, arrival + 1, passed, PAWN, EMPTY);
        }
    }

    AppendPieceCaptures(top, board.Bitboards[KNIGHT][side], KNIGHT, targets,
                        [](Square sq) { return KnightAttacks[sq]; });
    AppendPieceCaptures(top, board.Bitboards[BISHOP][side], BISHOP, targets, BishopAttacksFrom);
    AppendPieceCaptures(top, board.Bitboards[ROOK][side], ROOK, targets, RookAttacksFrom);
    AppendPieceCaptures(top, board.Bitboards[QUEEN][side], QUEEN, targets, QueenAttacksFrom);
    const Square king = board.KingSquare[side];
    u64 kingHits = KingAttacks[king] & targets;
    while (kingHits) {
        const Square to = PopLowest(kingHits);
        AppendIfSafe(top, king, to, KING, board.Squares[to]);
    }

    MoveStackTop = top;
}
