// Scaling of drawish endings.
#include "eval/scaling.h"

#include "board/attacks.h"
#include "board/board.h"
#include "eval/bitbases.h"
#include "eval/eval_info.h"
#include "eval/eval_params.h"
#include "eval/pawn_structure.h"

namespace {

// Scale factors are in 256ths.
constexpr i32 FactorUnity = 256;

// Units of a lone rook, of a minor piece, of rook and minor; a side at or
// above CrowdedUnits has too much to move for the pawn rules below.
constexpr i32 RookUnits = 5;
constexpr i32 MinorUnits = 3;
constexpr i32 RookAndMinorUnits = 8;
constexpr i32 TwoMinorsUnits = 6;
constexpr i32 QueenAndMinorUnits = 12;
constexpr i32 QueenUnits = 9;
constexpr i32 CrowdedUnits = 10;
constexpr i32 FewPiecesUnits = 11;

// Pawn files that still let the three-pawn rule judge a pawn ending: the a-
// and b-files, or the c-, g- and h-files.
constexpr u8 PawnFilesAB = 0x03;
constexpr u8 PawnFilesCGH = 0xC4;

i32 RelativeRank(Side side, Square sq) { return side == WHITE ? RankOf(sq) : 7 - RankOf(sq); }

// The squares in front of a pawn on its own and the neighbouring files: a
// defending king there stands in the pawn's way.
u64 PassedMask(Side pawnSide, Square pawn) {
    return pawnSide == WHITE ? SpanAbove[pawn] : SpanBelow[pawn];
}
bool KingInPassedMask(Side pawnSide, Square pawn, Square king) {
    return (PassedMask(pawnSide, pawn) & SquareBit(king)) != 0;
}

// The most advanced pawn of a side (the set must not be empty).
Square FrontPawn(Side side, u64 pawns) {
    return side == WHITE ? HighestSquare(pawns) : LowestSquare(pawns);
}

// Does king and pawn against king win for the pawn's side, the other pieces
// left aside? A black pawn is asked with the board turned round.
bool PawnEndingWins(Side pawnSide, Square pawn) {
    const Side defender = ChangeSide(pawnSide);
    const i32 side = board.SideToMove == pawnSide ? 0 : 1;
    if (pawnSide == WHITE)
        return ProbePawnBitbaseA(side, pawn, board.KingSquare[WHITE], board.KingSquare[defender],
                                 &eval_info.symmetric) != 0;
    return ProbePawnBitbaseA(side, 63 - pawn, 63 - board.KingSquare[BLACK],
                             63 - board.KingSquare[defender], &eval_info.symmetric) != 0;
}

// (t * f) >> 8, the rounding of the two pawn-count routines.
i32 ShiftScale(i32 total, i32 factor) { return SaturateToI32((i64(total) * factor) >> 8); }

// A side that has both a rook or queen and a minor piece, or two minors,
// has winning chances the lighter rules below do not judge.
bool WhiteHasLightPieces() {
    const bool majorAndMinor = board.MajorUnits[WHITE] > 0 && board.MinorCount[WHITE] > 0;
    return !majorAndMinor && board.MinorCount[WHITE] < 2;
}

// Scales the score and the side-to-move difference by one factor.
void ScaleBoth(i32 factor) {
    eval_info.total = ScaleScorePair(eval_info.total, factor);
    eval_info.score_sum = SaturateToI32(i64(eval_info.score_sum) * factor / FactorUnity);
}

// Rook and one pawn against rook: the defending king in front of the pawn
// draws easily, above all against a rook pawn; so does a pawn whose own king
// has stayed behind.
void ScaleRookPawnEnding() {
    const Side pawnSide = board.PieceCount[PAWN][WHITE] == 1 ? WHITE : BLACK;
    const Side defender = ChangeSide(pawnSide);
    const Square pawn = LowestSquare(board.Bitboards[PAWN][pawnSide]);
    const i32 pawnFile = FileOf(pawn);
    const i32 pawnRank = RelativeRank(pawnSide, pawn);

    const Square defendingKing = board.KingSquare[defender];
    const i32 defenderFileGap = FileOf(defendingKing) - pawnFile;
    if (defenderFileGap >= -1 && defenderFileGap <= 1 &&
        RelativeRank(pawnSide, defendingKing) > pawnRank) {
        if (pawnFile == 0 || pawnFile == 7)
            ScaleBoth(RookPawnInFrontScale);
        else if (pawnFile == 1 || pawnFile == 6)
            ScaleBoth(KnightPawnInFrontScale);
        else
            ScaleBoth(CentrePawnInFrontScale);
    }

    const Square ownKing = board.KingSquare[pawnSide];
    const i32 ownFileGap = FileOf(ownKing) - pawnFile;
    const bool kingBeside =
        ownFileGap >= -1 && ownFileGap <= 1 && RelativeRank(pawnSide, ownKing) >= pawnRank;
    if (!kingBeside) ScaleBoth(RookEndingKingAwayScale);
}

// Three pawns with equal light pieces: when every pawn of the side with more
// pawns is held, by the defending king standing in front of it (rook
// endings) or by the king-and-pawn verdict, the extra pawn counts for little.
void ScaleBlockedPawns() {
    const i32 units = board.NonPawnUnits[WHITE];
    if (units != board.NonPawnUnits[BLACK] || units > RookUnits) return;
    const i32 whitePawns = board.PieceCount[PAWN][WHITE];
    const i32 blackPawns = board.PieceCount[PAWN][BLACK];
    if (whitePawns + blackPawns != 3) return;
    const PawnEntry& entry = board.LastPawnEntry;
    if (PopCount8[PassedVectorOf(entry, WHITE)] >= 2 ||
        PopCount8[PassedVectorOf(entry, BLACK)] >= 2)
        return;
    if (board.PieceCount[KNIGHT][WHITE] || board.PieceCount[KNIGHT][BLACK]) return;

    const Side strong = whitePawns > blackPawns ? WHITE : BLACK;
    const Square defendingKing = board.KingSquare[ChangeSide(strong)];
    if (units == 0) {
        const u8 files = PawnFilesOf(entry, strong);
        if (files != PawnFilesAB && files != PawnFilesCGH) return;
    }
    eval_info.symmetric = 0;

    // White's pawns from the highest square down, Black's from the lowest up.
    u64 pawns = board.Bitboards[PAWN][strong];
    while (pawns) {
        const Square pawn = strong == WHITE ? HighestSquare(pawns) : LowestSquare(pawns);
        pawns &= ~SquareBit(pawn);
        const bool free = units == RookUnits ? !KingInPassedMask(strong, pawn, defendingKing)
                                             : PawnEndingWins(strong, pawn);
        if (free) return;
    }

    if (units == 0)
        ScaleBoth(PawnEndingBlockedScale);
    else if (PassedVectorOf(entry, strong))
        ScaleBoth(BlockedPasserScale);
    else
        ScaleBoth(BlockedNoPasserScale);
}

// Bishops of opposite colours: alone they draw with up to two extra pawns
// and often with more; with other pieces beside them the positional part of
// the score shrinks.
void ScaleOppositeBishops() {
    const u64 whiteBishops = board.Bitboards[BISHOP][WHITE];
    const u64 blackBishops = board.Bitboards[BISHOP][BLACK];
    if (board.PieceCount[BISHOP][WHITE] != 1 || board.PieceCount[BISHOP][BLACK] != 1) return;
    if (((whiteBishops & DarkSquares) != 0) == ((blackBishops & DarkSquares) != 0)) return;

    const i32 units = board.NonPawnUnits[WHITE];
    if (units != board.NonPawnUnits[BLACK]) return;
    i32 pawnGap = board.PieceCount[PAWN][BLACK] - board.PieceCount[PAWN][WHITE];
    if (pawnGap < 0) pawnGap = -pawnGap;

    if (units == MinorUnits) {
        ScaleBoth(pawnGap <= 2 ? OppositeBishopsScale : OppositeBishopsUnevenScale);
        return;
    }
    if (pawnGap <= 2) return;

    // Only the part of the score beyond the material shrinks; with a rook
    // each the material itself counts for less too.
    const i32 material = eval_info.material;
    const i32 positional =
        SaturateToI32((i64(eval_info.total) - material) * OppositeBishopsPiecesScale / FactorUnity);
    if (units == RookAndMinorUnits)
        eval_info.total = SaturateToI32(i64(positional) +
                                        ScaleScorePair(material, OppositeBishopsRookMaterialScale));
    else
        eval_info.total = SaturateToI32(i64(material) + positional);
    eval_info.score_sum =
        SaturateToI32(i64(eval_info.score_sum) * OppositeBishopsPiecesScale / FactorUnity);
}

// Rook and minor against rook: a defending king pushed to an edge and cut
// off by the rook on the next line loses more often.
void ScaleRookAndMinorVsRook(Side strong) {
    const Square rook = LowestSquare(board.Bitboards[ROOK][strong]);
    const Square king = board.KingSquare[ChangeSide(strong)];
    const bool cutOff =
        (FileOf(king) == 0 && FileOf(rook) == 1) || (FileOf(king) == 7 && FileOf(rook) == 6) ||
        (RankOf(king) == 0 && RankOf(rook) == 1) || (RankOf(king) == 7 && RankOf(rook) == 6);
    if (board.PieceCount[BISHOP][strong])
        ScaleBoth(cutOff ? RookBishopCutOffScale : RookBishopScale);
    else
        ScaleBoth(cutOff ? RookKnightCutOffScale : RookKnightScale);
}

// Material configurations that are hard to win for the side ahead: endings
// without pawns, and the side ahead having no pawn to promote.
void ScaleMaterialConfiguration() {
    if (eval_info.total == 0) return;
    const Side strong = eval_info.total < 0 ? WHITE : BLACK;
    const Side weak = ChangeSide(strong);
    const i32 strongUnits = board.NonPawnUnits[strong];
    const i32 weakUnits = board.NonPawnUnits[weak];

    if (board.PieceCount[PAWN][WHITE] + board.PieceCount[PAWN][BLACK] == 0 &&
        strongUnits == weakUnits)
        ScaleBoth(PawnlessEqualScale);
    if (board.PieceCount[PAWN][strong] != 0) return;

    if (strongUnits == QueenAndMinorUnits && weakUnits == QueenUnits)
        ScaleBoth(PawnlessQueenMinorScale);
    else if (weakUnits == RookUnits && strongUnits == RookUnits)
        ScaleBoth(PawnlessRookScale);
    else if (weakUnits == RookUnits && strongUnits == TwoMinorsUnits)
        ScaleBoth(PawnlessMinorsVsRookScale);
    else if (weakUnits == RookUnits && strongUnits == RookAndMinorUnits)
        ScaleRookAndMinorVsRook(strong);
    else if (weakUnits == TwoMinorsUnits && strongUnits == RookAndMinorUnits)
        ScaleBoth(RookMinorVsMinorsScale);
    else if (weakUnits == TwoMinorsUnits && strongUnits == TwoMinorsUnits)
        ScaleBoth(TwoMinorsEachScale);
    else if (weakUnits == MinorUnits && strongUnits == RookUnits)
        ScaleBoth(board.PieceCount[BISHOP][weak] ? RookVsBishopScale : RookVsKnightScale);
    else if (weakUnits == MinorUnits && strongUnits == MinorUnits)
        ScaleBoth(MinorVsMinorScale);
    else if (weakUnits == MinorUnits && strongUnits == TwoMinorsUnits) {
        if (board.PieceCount[BISHOP][weak])
            ScaleBoth(MinorsVsBishopScale);
        else
            ScaleBoth(board.PieceCount[KNIGHT][strong] ? KnightsVsKnightScale
                                                       : MinorsVsKnightScale);
    }
}

}  // namespace

i32 ScaleScorePair(i32 v, i32 f) {
    eval_info.scale = SaturateToI32(i64(eval_info.scale) * f / FactorUnity);
    return SaturateToI32(i64(v) * f / FactorUnity);
}

i32 InterpolateByRank(i32 a, i32 b, i32 i) {
    return SaturateToI32(i64(a) + (i64(RankWeight[i]) * (i64(b) - a) + 128) / 256);
}

i32 ScaleDrawishEnding(i32 total) {
    const PawnEntry& entry = board.LastPawnEntry;
    if (PassedVectorOf(entry, WHITE) || PassedVectorOf(entry, BLACK)) return total;
    const i32 units = board.NonPawnUnits[WHITE];
    if (units != board.NonPawnUnits[BLACK]) return total;

    const Side strong =
        board.PieceCount[PAWN][WHITE] <= board.PieceCount[PAWN][BLACK] ? BLACK : WHITE;
    const Side weak = ChangeSide(strong);
    const u64 strongPawns = board.Bitboards[PAWN][strong];
    const Square lowest = LowestSquare(strongPawns);
    const Square highest = HighestSquare(strongPawns);
    const Square weakKing = board.KingSquare[weak];
    const bool kingBlocksBoth =
        KingInPassedMask(strong, lowest, weakKing) && KingInPassedMask(strong, highest, weakKing);

    if (WhiteHasLightPieces()) {
        if (units == 0 || units >= CrowdedUnits) return total;
        return kingBlocksBoth ? ShiftScale(total, DrawishEndingScale7) : total;
    }
    if (board.MajorUnits[WHITE] != board.MajorUnits[BLACK]) return total;

    const bool winnable = board.MajorUnits[strong] > 0
                              ? !KingInPassedMask(strong, lowest, weakKing) &&
                                    !KingInPassedMask(strong, highest, weakKing)
                              : PawnEndingWins(strong, FrontPawn(strong, strongPawns));
    const bool pawnByKing = (KingAttacks[weakKing] & board.Bitboards[PAWN][weak]) != 0;
    if (board.PieceCount[BISHOP][weak] == 0) {
        if (winnable) return ShiftScale(total, DrawishEndingScale4);
        return ShiftScale(total, pawnByKing ? DrawishEndingScale5 : DrawishEndingScale6);
    }
    if (winnable) return ShiftScale(total, DrawishEndingScale1);
    return ShiftScale(total, pawnByKing ? DrawishEndingScale2 : DrawishEndingScale3);
}

i32 ScaleEndgameScore(i32 total) {
    const i32 units = board.NonPawnUnits[WHITE];
    if (units != board.NonPawnUnits[BLACK]) return total;
    if (board.MajorUnits[WHITE] != board.MajorUnits[BLACK]) return total;

    const Side strong =
        board.PieceCount[PAWN][WHITE] <= board.PieceCount[PAWN][BLACK] ? BLACK : WHITE;
    const Side weak = ChangeSide(strong);
    const Square pawn = LowestSquare(board.Bitboards[PAWN][strong]);
    const Square weakKing = board.KingSquare[weak];
    const bool kingInFront = KingInPassedMask(strong, pawn, weakKing);

    if (WhiteHasLightPieces()) {
        if (units == 0 || units >= CrowdedUnits) return total;
        return ShiftScale(total, kingInFront ? OnePawnScale5 : OnePawnScale6);
    }

    const bool winnable =
        board.MajorUnits[strong] > 0 ? !kingInFront : PawnEndingWins(strong, pawn);
    if (board.PieceCount[BISHOP][weak] == 0)
        return ShiftScale(total, winnable ? OnePawnScale3 : OnePawnScale4);
    return ShiftScale(total, winnable ? OnePawnScale1 : OnePawnScale2);
}

void ApplyEndingScaling() {
    if (eval_info.total == 0) return;
    const i32 whiteUnits = board.NonPawnUnits[WHITE];
    const i32 blackUnits = board.NonPawnUnits[BLACK];
    const i32 pawnCount = board.PieceCount[PAWN][WHITE] + board.PieceCount[PAWN][BLACK];

    // Endings with one or three pawns have their own rules; the score of
    // the other side to move is then no longer derived.
    if (pawnCount == 3) {
        eval_info.symmetric = 0;
        eval_info.total = ScaleDrawishEnding(eval_info.total);
    } else if (pawnCount == 1) {
        eval_info.symmetric = 0;
        eval_info.total = ScaleEndgameScore(eval_info.total);
    }

    // Every pawn of the side ahead stands in front of the enemy king, which
    // has the pawns in view, and the side ahead has no more pieces.
    if (eval_info.total < 0) {
        if (blackUnits >= whiteUnits &&
            (board.Bitboards[PAWN][WHITE] & ~SpanBelow[board.KingSquare[BLACK]]) == 0)
            ScaleBoth(FrontOfKingPawnsScale);
    } else if (eval_info.total >= 1) {
        if (blackUnits <= whiteUnits &&
            (board.Bitboards[PAWN][BLACK] & ~SpanAbove[board.KingSquare[WHITE]]) == 0)
            ScaleBoth(FrontOfKingPawnsScale);
    }

    // A side whose material cannot win gets no score in its favour.
    if ((board.CannotWin[BLACK] && eval_info.total >= 1) ||
        (board.CannotWin[WHITE] && eval_info.total < 0)) {
        eval_info.total = 0;
        eval_info.score_sum = 0;
        return;
    }

    if (whiteUnits == RookUnits && blackUnits == RookUnits && pawnCount == 1) {
        ScaleRookPawnEnding();
    } else if (whiteUnits <= FewPiecesUnits && blackUnits <= FewPiecesUnits) {
        ScaleBlockedPawns();
        ScaleOppositeBishops();
    }

    ScaleMaterialConfiguration();
}
