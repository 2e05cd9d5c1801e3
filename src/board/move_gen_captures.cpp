// Captures of the side to move with their ordering scores. Pure bitboard
// work: one bit scan per man and per target, attack sets from the tables.
#include "board/move_gen_captures.h"

#include "board/attacks.h"
#include "board/board.h"
#include "board/make_move.h"
#include "board/static_exchange.h"
#include "search/history.h"

namespace {

constexpr u64 FileA = 0x0101010101010101ull;
constexpr u64 FileH = FileA << 7;
// The rank from which a pawn of each side promotes with its next step.
constexpr u64 SeventhRank[2] = {0x00FF000000000000ull, 0x000000000000FF00ull};

inline i32 CaptureScore(Move move) {
    const PieceType piece = MovePiece(move), captured = MoveCaptured(move);
    const PieceType promotion = MovePromotion(move);
    if (captured == EMPTY && promotion == EMPTY) return EnPassantOrderScore;

    if (SeeNotLosing(MoveTo(move), MoveFrom(move), piece, captured, promotion)) {
        const i32 base = promotion ? SafePromotionBase : SafeCaptureBase;
        return 10 * OrderValue[captured] + base - OrderValue[piece];
    }

    // A losing-looking capture is ranked by how often it has paid off in
    // this search; an under-promotion never earns that credit.
    const i32 slot = TouchCaptureStatSlot(move, board.SideToMove);
    i32 ratio = CaptureTries[slot] > 8 ? (CaptureSuccess[slot] * 256) / CaptureTries[slot] : 0;
    if (promotion != EMPTY && promotion != QUEEN) ratio = 0;
    // Every try succeeded gives 256, one past the table: take the top entry.
    i32 bonusIndex = ratio / 16;
    if (bonusIndex > 15) bonusIndex = 15;
    return 10 * OrderValue[captured] - OrderValue[piece] + CaptureRatioBonus[bonusIndex];
}

inline void Append(i32& top, Move move) {
    MoveStack[top].move = move;
    MoveStack[top].score = CaptureScore(move);
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
            Append(top, MakeMoveWord(from, to, piece, board.Squares[to]));
        }
    }
}

// Captures of one pawn onto targets, as four promotions from the seventh rank.
inline void AppendPawnCaptures(i32& top, Side side, Square from, u64 targets) {
    u64 hits = PawnAttacks[side][from] & targets;
    const bool promotes = (SeventhRank[side] >> from) & 1;
    while (hits) {
        const Square to = PopLowest(hits);
        const PieceType captured = board.Squares[to];
        if (promotes) {
            for (PieceType promotion : {QUEEN, KNIGHT, ROOK, BISHOP})
                Append(top, MakeMoveWord(from, to, PAWN, captured, promotion));
        } else {
            Append(top, MakeMoveWord(from, to, PAWN, captured));
        }
    }
}

}  // namespace

i32 ScoreCapture(Move move) { return CaptureScore(move); }

void GenerateCaptures(u64 targets) {
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
                Append(top, MakeMoveWord(arrival - 1, passed, PAWN));
            if (FileOf(arrival) != 7 && (pawns >> (arrival + 1) & 1))
                Append(top, MakeMoveWord(arrival + 1, passed, PAWN));
        }
    }

    AppendPieceCaptures(top, board.Bitboards[KNIGHT][side], KNIGHT, targets,
                        [](Square sq) { return KnightAttacks[sq]; });
    AppendPieceCaptures(top, board.Bitboards[BISHOP][side], BISHOP, targets, BishopAttacksFrom);
    AppendPieceCaptures(top, board.Bitboards[ROOK][side], ROOK, targets, RookAttacksFrom);
    AppendPieceCaptures(top, board.Bitboards[QUEEN][side], QUEEN, targets, QueenAttacksFrom);
    u64 kingHits = KingAttacks[board.KingSquare[side]] & targets;
    while (kingHits) {
        const Square to = PopLowest(kingHits);
        Append(top, MakeMoveWord(board.KingSquare[side], to, KING, board.Squares[to]));
    }

    MoveStackTop = top;
}
