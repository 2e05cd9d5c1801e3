// The material table, its build from the evaluation parameters, and the
// material term computed directly from the board when a position has no
// table entry.
#include "eval/material_table.h"

#include <algorithm>
#include <cstdlib>

#include "eval/eval_cache.h"
#include "eval/eval_info.h"
#include "eval/eval_params.h"
#include "eval/pawn_hash.h"

MaterialEntry MaterialTable[MaterialIndexNone + 1];

namespace {

// The material of one side as the imbalance rules see it.
struct SideMaterial {
    i32 queens, rooks, bishops, knights, pawns;
    i32 minors;  // knights + bishops
    i32 majors;  // rooks count 1, queens 2
    i32 units;   // knight 3, bishop 3, rook 5, queen 9
};

SideMaterial CountsOf(i32 queens, i32 rooks, i32 bishops, i32 knights, i32 pawns) {
    SideMaterial side = {queens, rooks, bishops, knights, pawns, 0, 0, 0};
    side.minors = knights + bishops;
    side.majors = rooks + 2 * queens;
    side.units = 3 * side.minors + 5 * rooks + 9 * queens;
    return side;
}

SideMaterial BoardMaterial(Side side) {
    return {board.PieceCount[QUEEN][side],  board.PieceCount[ROOK][side],
            board.PieceCount[BISHOP][side], board.PieceCount[KNIGHT][side],
            board.PieceCount[PAWN][side],   board.MinorCount[side],
            board.MajorUnits[side],         board.NonPawnUnits[side]};
}

// Game phase of one side: 0 with all its pieces on, 256 with none left.
i32 SidePhase(const SideMaterial& side) {
    return (std::max(0, 12 - (side.minors + 2 * side.majors)) * 256 + 6) / 12;
}
i32 CurrentPhase(const SideMaterial& white, const SideMaterial& black) {
    const i32 pieces = white.minors + 2 * white.majors + black.minors + 2 * black.majors;
    return (std::max(0, 24 - pieces) * 256 + 12) / 24;
}

// Material imbalances that earn a bonus for the side they favour.
enum ImbalanceCase : i32 {
    PieceUp,
    TwoMinorsVsRook,
    MinorsVsQueen,
    Exchange,
    QueenVsRookMinor,
    QueenVsRooks,
    ImbalanceCaseCount
};

// Which cases apply and to whom: +1 favours white, -1 black, 0 not at all.
struct ImbalanceVerdict {
    i32 favoured[ImbalanceCaseCount] = {};
    i32 queenKnight = 0;  // queen and knight against queen and bishop
};

// The bonus of a case: its parameter plus a built-in base.
i64 CaseBonus(i32 c) {
    switch (c) {
        case PieceUp: return i64(PieceUpBonus) + 120;
        case TwoMinorsVsRook: return i64(TwoMinorsVsRookBonus) + 90;
        case MinorsVsQueen: return i64(MinorsVsQueenBonus) + 60;
        case Exchange: return i64(ExchangeBonus) + 30;
        case QueenVsRookMinor: return i64(QueenVsRookMinorBonus) + 30;
        default: return i64(QueenVsRooksBonus) + 60;
    }
}

i64 CaseEndgameCompanion(i32 c) {
    switch (c) {
        case PieceUp: return PieceUpEndgame;
        case TwoMinorsVsRook: return TwoMinorsVsRookEndgame;
        case MinorsVsQueen: return MinorsVsQueenEndgame;
        case Exchange: return ExchangeEndgame;
        case QueenVsRookMinor: return QueenVsRookMinorEndgame;
        default: return QueenVsRooksEndgame;
    }
}

// The side with one major unit more (heavy) against the side with the
// minor pieces (light); sign is +1 when light is white.
void ClassifyMajorAgainstMinors(const SideMaterial& light, const SideMaterial& heavy, i32 sign,
                                ImbalanceVerdict& verdict) {
    if (light.minors >= heavy.minors + 2) {
        if (light.units == 6)
            verdict.favoured[TwoMinorsVsRook] = sign;
        else if (heavy.queens > 0 && light.queens == 0)
            verdict.favoured[MinorsVsQueen] = sign;
        else
            verdict.favoured[PieceUp] = sign;
    } else if (light.minors == heavy.minors + 1) {
        verdict.favoured[Exchange] = -sign;
        if (heavy.queens > 0 && light.queens == 0) verdict.favoured[QueenVsRookMinor] = -sign;
    }
}

// The first matching imbalance rule (outside the smallest material).
ImbalanceVerdict ClassifyImbalance(const SideMaterial& white, const SideMaterial& black) {
    ImbalanceVerdict verdict;
    const bool pawnsOnBoard = white.pawns + black.pawns > 0;
    if (white.minors == black.minors && white.majors == black.majors) {
        // Queen against rooks of equal value.
        if ((white.queens > 0) != (black.queens > 0))
            verdict.favoured[QueenVsRooks] = white.queens > 0 ? 1 : -1;
        // With a queen and one minor each, the knight works better with the queen.
        if (white.minors == 1 && black.minors == 1 && white.queens > 0 && black.queens > 0 &&
            pawnsOnBoard) {
            if (white.knights == 1 && black.knights == 0) verdict.queenKnight = 1;
            if (black.knights == 1 && white.knights == 0) verdict.queenKnight = -1;
        }
    } else if (white.minors == black.minors) {
        verdict.favoured[PieceUp] = white.majors > black.majors ? 1 : -1;
    } else if (white.majors == black.majors) {
        verdict.favoured[PieceUp] = white.minors > black.minors ? 1 : -1;
    } else if (black.majors == white.majors + 1) {
        ClassifyMajorAgainstMinors(white, black, 1, verdict);
    } else if (white.majors == black.majors + 1) {
        ClassifyMajorAgainstMinors(black, white, -1, verdict);
    } else if (std::abs(white.majors - black.majors) == 2) {
        if (white.minors > black.minors + 2) verdict.favoured[PieceUp] = 1;
        if (black.minors > white.minors + 2) verdict.favoured[PieceUp] = -1;
    }
    return verdict;
}

// The verdict's bonus, positive favouring white.
i64 VerdictBonus(const ImbalanceVerdict& verdict) {
    i64 bonus = i64(verdict.queenKnight) * QueenKnightBonus;
    for (i32 c = 0; c < ImbalanceCaseCount; c++) bonus += verdict.favoured[c] * CaseBonus(c);
    return bonus;
}

i64 VerdictEndgameCompanions(const ImbalanceVerdict& verdict) {
    i64 sum = 0;
    for (i32 c = 0; c < ImbalanceCaseCount; c++)
        sum += verdict.favoured[c] * CaseEndgameCompanion(c);
    return sum;
}

bool IsSmallMaterial(const SideMaterial& white, const SideMaterial& black) {
    return white.units < 4 && black.units < 4;
}

// Lone minor piece against none: the minor side's pawns index the bonus.
i64 LoneMinorBonus(const SideMaterial& side) { return LoneMinorByPawns[std::min(side.pawns, 8)]; }

// Pieces that work well together: queen and knight without rooks on the
// board, rook and bishop without queens.
i64 SynergyBonus(const SideMaterial& white, const SideMaterial& black) {
    if (white.queens + black.queens > 0) {
        if (white.rooks + black.rooks > 0) return 0;
        return i64((white.queens > 0 && white.knights > 0) -
                   (black.queens > 0 && black.knights > 0)) *
               QueenKnightBonus;
    }
    return i64((white.rooks > 0 && white.bishops > 0) - (black.rooks > 0 && black.bishops > 0)) *
           RookBishopBonus;
}

// Rooks gain value as pawns come off; counted for up to two rooks a side.
i64 RookBonus(const SideMaterial& white, const SideMaterial& black) {
    const i64 perRook = RookByPawns[std::min(white.pawns + black.pawns, 16)];
    return perRook * (std::min(white.rooks, 2) - std::min(black.rooks, 2));
}

// A side's pawn value, blended between four corner values by how much of
// each side's material sits in rooks and queens (own share, enemy share, in
// 256ths).
i64 PawnValue(i64 ownShare, i64 enemyShare, i32 majorsVsMajors, i32 majorsVsMinors,
              i32 minorsVsMajors, i32 minorsVsMinors) {
    return (majorsVsMajors * ownShare * enemyShare +
            majorsVsMinors * ownShare * (256 - enemyShare) +
            minorsVsMajors * (256 - ownShare) * enemyShare +
            minorsVsMinors * (256 - ownShare) * (256 - enemyShare)) /
           65536;
}

i64 MajorShare(const SideMaterial& side) {
    return side.units == 0 ? 0 : 256 * (5 * side.rooks + 9 * side.queens) / side.units;
}

u8 CannotWinBits(const SideMaterial& side) {
    // A bare king, a single knight, a single bishop or two knights, no pawn.
    const bool cannotWin = side.pawns == 0 && side.majors == 0 && side.units <= 6 &&
                           (side.bishops == 0 || side.units <= 3);
    return cannotWin ? CannotWinFlag : 0;
}

// A king is treated as in an ending by the opponent's material alone.
u8 EndingBitsAgainst(const SideMaterial& enemy) {
    return enemy.units <= 9 || (enemy.queens == 0 && enemy.units <= 14) ? EndingFlag : 0;
}

}  // namespace

void BuildMaterialTable() {
    MaterialTable[MaterialIndexNone] = {{0, 0}, -1, -1, -1, 0};

    for (i32 pieces = 0; pieces < 6561; pieces++) {
        // Piece counts: the base-3 digits of the index, white queens lowest.
        i32 digit[8];
        for (i32 d = 0, rest = pieces; d < 8; d++, rest /= 3) digit[d] = rest % 3;
        const i32 qw = digit[0], qb = digit[1], rw = digit[2], rb = digit[3];
        const i32 bw = digit[4], bb = digit[5], nw = digit[6], nb = digit[7];

        // Everything that does not depend on the pawns.
        const SideMaterial whitePieces = CountsOf(qw, rw, bw, nw, 0);
        const SideMaterial blackPieces = CountsOf(qb, rb, bb, nb, 0);
        const i16 whitePhase = i16(SidePhase(whitePieces));
        const i16 blackPhase = i16(SidePhase(blackPieces));
        const i16 currentPhase = i16(CurrentPhase(whitePieces, blackPieces));
        const u8 whiteEnding = EndingBitsAgainst(blackPieces);
        const u8 blackEnding = EndingBitsAgainst(whitePieces);
        const i32 blend = std::max(0, 24 - (whitePieces.minors + 2 * whitePieces.majors +
                                            blackPieces.minors + 2 * blackPieces.majors));

        const i64 whiteShare = MajorShare(whitePieces), blackShare = MajorShare(blackPieces);
        const i64 whitePawnOpening =
            PawnValue(whiteShare, blackShare, PawnOpeningMajorsVsMajors, PawnOpeningMajorsVsMinors,
                      PawnOpeningMinorsVsMajors, PawnOpeningMinorsVsMinors);
        const i64 blackPawnOpening =
            PawnValue(blackShare, whiteShare, PawnOpeningMajorsVsMajors, PawnOpeningMajorsVsMinors,
                      PawnOpeningMinorsVsMajors, PawnOpeningMinorsVsMinors);
        const i64 whitePawnEndgame =
            PawnValue(whiteShare, blackShare, PawnEndgameMajorsVsMajors, PawnEndgameMajorsVsMinors,
                      PawnEndgameMinorsVsMajors, PawnEndgameMinorsVsMinors);
        const i64 blackPawnEndgame =
            PawnValue(blackShare, whiteShare, PawnEndgameMajorsVsMajors, PawnEndgameMajorsVsMinors,
                      PawnEndgameMinorsVsMajors, PawnEndgameMinorsVsMinors);

        i64 pieceOpening = 0, pieceEndgame = 0;
        const i32 countDifference[8] = {0, 0, nw - nb, 0, 0, rw - rb, bw - bb, qw - qb};
        for (PieceType type : {KNIGHT, BISHOP, ROOK, QUEEN}) {
            pieceOpening += i64(PieceValueOpening[type]) * countDifference[type];
            pieceEndgame += i64(PieceValueEndgame[type]) * countDifference[type];
        }

        const bool inImbalanceTable = qw <= 1 && qb <= 1;
        const i32 signature = inImbalanceTable ? ImbalanceIndex(qw, rw, bw, nw, qb, rb, bb, nb) : 0;
        const bool smallMaterial = IsSmallMaterial(whitePieces, blackPieces);

        for (i32 pw = 0; pw <= 8; pw++) {
            for (i32 pb = 0; pb <= 8; pb++) {
                SideMaterial white = whitePieces, black = blackPieces;
                white.pawns = pw;
                black.pawns = pb;

                i64 adjustment = 0;  // positive favours white
                i64 endgame = whitePawnEndgame * pw - blackPawnEndgame * pb + pieceEndgame;
                if (inImbalanceTable) {
                    const i32* surplus = pb > pw ? PawnSurplusBlackAhead : PawnSurplusWhiteAhead;
                    const i32 correction =
                        MaterialCorrectionIndex(qw, rw, bw, nw, pw, qb, rb, bb, nb, pb);
                    adjustment = -i64(MaterialImbalance[signature]) -
                                 MaterialCorrection[correction] -
                                 i64(surplus[signature]) * (pb - pw);
                }
                if (smallMaterial) {
                    if (white.minors == 0 && black.minors > 0) adjustment -= LoneMinorBonus(black);
                    if (white.minors > 0 && black.minors == 0) adjustment += LoneMinorBonus(white);
                } else {
                    const ImbalanceVerdict verdict = ClassifyImbalance(white, black);
                    adjustment += VerdictBonus(verdict);
                    endgame += VerdictEndgameCompanions(verdict);
                }
                adjustment += SynergyBonus(white, black);
                if (bw >= 2) adjustment += BishopPairByPawns[pb];
                if (bb >= 2) adjustment -= BishopPairByPawns[pw];
                adjustment += RookBonus(white, black);

                const i64 opening = whitePawnOpening * pw - blackPawnOpening * pb + pieceOpening;
                const i64 balance = ((256 - blend) * opening + blend * endgame) / 256;

                MaterialEntry& entry = MaterialTable[pieces + pw * 6561 + pb * 59049];
                entry.flags[WHITE] = u8(CannotWinBits(white) | whiteEnding);
                entry.flags[BLACK] = u8(CannotWinBits(black) | blackEnding);
                entry.current_phase = currentPhase;
                entry.black_phase = blackPhase;
                entry.white_phase = whitePhase;
                entry.score = SaturateToI16(-balance - adjustment);
            }
        }
    }
}

void DeriveEvalTables() {
    DeriveParameterTables();
    BuildMaterialTable();
}

// New parameters: nothing scored with the old ones may survive in the caches.
void ReloadEvalParams() {
    LoadValues();
    DeriveEvalTables();
    ClearPawnHash();
    ClearEvalCache();
}

void ComputeGamePhase() {
    const SideMaterial white = BoardMaterial(WHITE), black = BoardMaterial(BLACK);
    board.white_phase = SidePhase(white);
    board.black_phase = SidePhase(black);
    board.current_phase = CurrentPhase(white, black);
}

void ComputeMaterialPhaseAndEndings() {
    ComputeGamePhase();
    // A king is out of the ending only while the enemy keeps enough pieces:
    // more than LowMaterialUnits, and a queen or more than
    // EndingUnitsWithoutQueen.
    for (Side side : {WHITE, BLACK}) {
        const Side enemy = ChangeSide(side);
        const i32 units = board.NonPawnUnits[enemy];
        const bool attackable = units > LowMaterialUnits && (board.PieceCount[QUEEN][enemy] > 0 ||
                                                             units > EndingUnitsWithoutQueen);
        eval_info.ENDING[side] = attackable ? 0 : 1;
    }
}

i32 EvaluateMaterial() {
    const SideMaterial white = BoardMaterial(WHITE), black = BoardMaterial(BLACK);

    i64 adjustment = 0;  // positive favours white
    if (IsSmallMaterial(white, black)) {
        if (white.minors > 0 && black.minors == 0) adjustment = LoneMinorBonus(white);
        if (black.minors > 0 && white.minors == 0) adjustment = -LoneMinorBonus(black);
    } else {
        adjustment = VerdictBonus(ClassifyImbalance(white, black));
    }
    adjustment += SynergyBonus(white, black);
    adjustment += RookBonus(white, black);

    // Damping: a side less than a rook's worth of units ahead converts its
    // edge the harder, the fewer pawns it has left to win with.
    const auto damp = [](i64 value, i32 pawns) {
        if (pawns == 0) return value >> 2;
        if (pawns == 1) return value >> 1;
        if (pawns == 2) return 4 * value / 5;
        return value;
    };
    if (adjustment < 0 && black.units >= white.units && black.units - white.units < 5)
        adjustment = damp(adjustment, black.pawns);
    else if (adjustment > 0 && white.units >= black.units && white.units - black.units < 5)
        adjustment = damp(adjustment, white.pawns);

    return SaturateToI32(i64(board.Material[BLACK]) - board.Material[WHITE] - adjustment);
}
