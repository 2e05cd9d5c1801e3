#include "search/extensions.h"

#include <algorithm>
#include <cassert>

#include "board/attack_queries.h"
#include "board/attacks.h"
#include "board/board.h"
#include "board/check_test.h"
#include "board/make_move.h"
#include "board/pins.h"
#include "board/static_exchange.h"
#include "search/history.h"
#include "search/search_limits.h"

namespace {

// The extension unit: a full ply, or half of it outside the full-extension
// part of the tree.
inline i32 Step(i32 full, i32 fullValue, i32 halfValue) { return full ? fullValue : halfValue; }

inline bool IsEnPassant(Move m) {
    return MovePiece(m) == PAWN && MoveCaptured(m) == EMPTY &&
           FileOf(MoveFrom(m)) != FileOf(MoveTo(m));
}

// Extension flags of the move that led to this node (none at the root).
inline u32 PreviousPlyFlags() { return SearchPly > 0 ? PlyStack[SearchPly - 1].ExtFlags : 0; }

// A pawn of `mover` arriving on `to` is passed when no enemy pawn stands
// ahead of it on its own or an adjacent file.
inline bool IsPassedPawnSquare(Side mover, Square to) {
    const u64 ahead = mover == WHITE ? SpanAbove[to] : SpanBelow[to];
    return (ahead & board.Bitboards[PAWN][ChangeSide(mover)]) == 0;
}

// A white pawn on the sixth rank or beyond, a black one on the third or below.
inline bool IsAdvancedPawnSquare(Side mover, Square to) {
    return mover == WHITE ? to >= A6 : to < A4;
}

// Counts the enemy men the moving piece would hit from its new square and
// could take without loss, starting from `threats`. True once two such
// threats exist, or at once when one of the hit men stands on an alert
// square and the node is not far below alpha.
bool MakesDoubleThreat(i32 threats, u64 attacks, Side mover, Square from, PieceType piece,
                       const u64 alertMaps[2], i32 alphaMinusEval) {
    const Side enemy = ChangeSide(mover);
    u64 targets = attacks & board.Bitboards[0][enemy];
    if (alphaMinusEval < 220 && (targets & alertMaps[enemy])) return true;
    while (targets) {
        const Square t = PopLowest(targets);
        const PieceType victim = board.Squares[t];
        if (PieceValue[victim] + 120 > alphaMinusEval &&
            SeeNotLosing(t, from, piece, victim, EMPTY)) {
            threats += 1;
            if (threats >= 2) return true;
        }
    }
    return false;
}

}  // namespace

i32 ComputeMoveExtension(i32 full, i32 depth, i32 isSingleReply, Move m, i32 orderScore, i32 isPv,
                         i32* extra, const u64 alertMaps[2], i32 alphaMinusEval) {
    const i32 ply = SearchPly;
    assert(ply + 1 < PlyStackSize);
    const Side mover = board.SideToMove;
    const Square from = MoveFrom(m), to = MoveTo(m);
    const PieceType piece = MovePiece(m), captured = MoveCaptured(m), promotion = MovePromotion(m);
    u32& flags = PlyStack[ply].ExtFlags;

    flags = 0;
    i32 ext = isSingleReply ? 0 : -OnePly;
    i32 cap = 0;

    // Taking the last piece leaves a pawn ending, which must be seen to its end.
    if (PieceValue[captured] >= 101 && promotion == EMPTY &&
        board.NonPawnUnits[WHITE] + board.NonPawnUnits[BLACK] == SeeUnits[captured]) {
        ext += Step(full, 60, 30);
        flags = ExtPawnEnding;
        cap = 60;
    }

    // Taking back on the square of the last capture, an even trade.
    if (captured != EMPTY && orderScore >= 0 && GamePly > 0) {
        const Move last = GameHistory[GamePly - 1].Move;
        if (to == MoveTo(last) && !(PreviousPlyFlags() & ExtRecapture) &&
            ExchangeClass[captured] == ExchangeClass[MoveCaptured(last)] &&
            PieceValue[captured] + 120 > alphaMinusEval && alphaMinusEval >= -119) {
            ext += full ? RecaptureExtension[captured] : RecaptureExtension[captured] >> 1;
            flags |= ExtRecapture;
        }
    }

    if (GivesCheck(m)) {
        PlyStack[ply + 1].InCheck = 1;
        ext += Step(full, 60, 30);
        flags |= ExtCheck;
    } else {
        PlyStack[ply + 1].InCheck = 0;
    }

    if (orderScore >= 0) {
        i32 threats = 0;
        bool threatMove = false;
        if (piece == PAWN && IsPassedPawnSquare(mover, to)) {
            flags |= ExtPassedPawn;
            threats = 1;
            // A passed pawn this far up is dangerous in itself on the main line.
            if (isPv && IsAdvancedPawnSquare(mover, to)) threatMove = true;
        }
        if (!threatMove)
            threatMove = MakesDoubleThreat(threats, AttacksFromSquare(to, mover, piece), mover,
                                           from, piece, alertMaps, alphaMinusEval);
        // A quiet threat only counts when the moving man is safe on its square.
        const bool quiet = !IsCaptureOrPromotion(m) && !IsEnPassant(m);
        if (threatMove && (!quiet || SeeNotLosing(to, from, piece, EMPTY, promotion))) {
            if (isPv || depth + ext < OnePly) ext += Step(full, 60, 30);
            flags |= ExtThreat;
        }
    }

    ext = std::min(ext, cap);
    if (ext < -59 || isPv || (flags & ExtThreat) ||
        (PlyStack[ply + 1].InCheck && MoveGivesDiscoveredCheck(m)))
        return ext;

    // Away from the main line the extension of a move that may lose material
    // is held back until the move proves itself by beating alpha.
    bool keeps;
    if (IsCaptureOrPromotion(m) || IsEnPassant(m))
        keeps = orderScore > 0;
    else
        keeps = SeeNotLosing(to, from, piece, captured, promotion) != 0;
    if (keeps) return ext;
    *extra = ext + OnePly;
    return -OnePly;
}

i32 ComputeExtensions(i32 full, i32 mateThreat, i32 depth, i32 isSingleReply, i32 orderScore,
                      i32 isPv, const u64 alertMaps[2], i32 alphaMinusEval) {
    const i32 ply = SearchPly;
    assert(ply + 1 < PlyStackSize);
    const Side opponent = board.SideToMove, mover = ChangeSide(opponent);
    const Move m = GamePly > 0 ? GameHistory[GamePly - 1].Move : NoMove;
    const Square from = MoveFrom(m), to = MoveTo(m);
    const PieceType piece = MovePiece(m), captured = MoveCaptured(m), promotion = MovePromotion(m);
    u32& flags = PlyStack[ply].ExtFlags;

    // The exchange tests below look from the mover's side.
    board.SideToMove = mover;

    flags = 0;
    i32 ext = isSingleReply ? 0 : -OnePly;
    i32 cap = 0;

    if (mateThreat) {
        ext += Step(full, 45, 22);
        flags = ExtMateThreat;
    }

    if (GamePly > 0 && board.NonPawnUnits[WHITE] == 0 && board.NonPawnUnits[BLACK] == 0 &&
        PieceValue[captured] >= 101) {
        ext += Step(full, 60, 30);
        flags |= ExtPawnEnding;
        cap = 60;
    }

    if (GamePly > 1 && captured != EMPTY && alphaMinusEval >= -99 && orderScore >= 0) {
        const Move before = GameHistory[GamePly - 2].Move;
        if (MoveTo(before) == to && !(PreviousPlyFlags() & ExtRecapture) &&
            ExchangeClass[captured] == ExchangeClass[MoveCaptured(before)] &&
            PieceValue[captured] + 120 > alphaMinusEval) {
            ext += full ? RecaptureExtension[captured] : RecaptureExtension[captured] >> 1;
            flags |= ExtRecapture;
        }
    }

    if (IsSquareAttacked(mover, board.KingSquare[opponent])) {
        PlyStack[ply + 1].InCheck = 1;
        ext += Step(full, 60, 30);
        flags |= ExtCheck;
    } else {
        PlyStack[ply + 1].InCheck = 0;
    }

    if (orderScore >= 0 && GamePly >= 1) {
        i32 threats = 0;
        bool threatMove = false;
        if (piece == PAWN && promotion == EMPTY && IsPassedPawnSquare(mover, to)) {
            flags |= ExtPassedPawn;
            threats = 1;
            if (isPv && IsAdvancedPawnSquare(mover, to)) threatMove = true;
        }
        // The man now on `to` (the new piece after a promotion) does the attacking.
        if (!threatMove)
            threatMove = MakesDoubleThreat(threats, AttacksFromSquare(to, mover, board.Squares[to]),
                                           mover, from, piece, alertMaps, alphaMinusEval);
        const bool quiet = !IsCaptureOrPromotion(m) && !IsEnPassant(m);
        if (threatMove && (!quiet || SeeNotLosing(to, from, piece, EMPTY, promotion))) {
            if (isPv || depth + ext < OnePly) ext += Step(full, 60, 45);
            flags |= ExtThreat;
        }
    }

    board.SideToMove = opponent;
    return std::min(ext, cap);
}
