#include "board/static_exchange.h"

#include "board/attack_queries.h"
#include "board/attacks.h"
#include "board/board.h"

namespace {

// The slider behind the man on sq as seen from the target square.
inline u64 SliderBehind(Square target, Square sq) {
    return XraySliderByDirection[DirectionBetween[target][sq] + DirectionTableOffset](sq);
}

// Takes the side's least valuable attacker out of the set (pawn, knight,
// bishop, rook, queen; the lowest square within a kind) and adds the slider
// it uncovers behind it. Returns its exchange value, or 0 when the side has
// none of these.
inline i32 TakeLeastValuableAttacker(u64& attackers, Side side, Square target) {
    static constexpr PieceType order[5] = {PAWN, KNIGHT, BISHOP, ROOK, QUEEN};
    // Most exchanges end with a side that has no attacker left at all.
    if ((attackers & board.Bitboards[0][side]) == 0) return 0;
    for (const PieceType type : order) {
        const u64 ofKind = attackers & board.Bitboards[type][side];
        if (ofKind == 0) continue;
        const Square sq = LowestSquare(ofKind);
        attackers &= ~SquareBit(sq);
        if (type != KNIGHT) attackers |= SliderBehind(target, sq);
        return SeeUnits[type];
    }
    return 0;
}

}  // namespace

i32 PlayOutExchange(Square to, Square from, PieceType piece, PieceType captured,
                    PieceType promotion) {
    const Side us = board.SideToMove, them = ChangeSide(us);
    i32 attackerValue = SeeUnits[piece], gain = SeeUnits[captured];
    if (promotion == QUEEN) {
        // The queen now stands on the target, and the pawn became a queen.
        attackerValue = SeeUnits[QUEEN];
        gain += SeeUnits[QUEEN] - SeeUnits[PAWN];
    }
    const i32 margin = attackerValue - gain;

    // Quick refusals: a cheap enemy attacker that wins the margin at once.
    const u64 theirPawns = PawnAttacks[us][to] & board.Bitboards[PAWN][them];
    if (margin >= 2 && theirPawns) return 0;
    u64 attackers = theirPawns;

    const u64 knights =
        KnightAttacks[to] & (board.Bitboards[KNIGHT][WHITE] | board.Bitboards[KNIGHT][BLACK]);
    attackers |= knights;
    if (margin >= 4 && (knights & board.Bitboards[KNIGHT][them])) return 0;

    const u64 diagonal = BishopAttacksFrom(to) & board.DiagonalSliders;
    attackers |= diagonal;
    if (margin >= 4 && (diagonal & board.Bitboards[BISHOP][them])) return 0;

    const u64 straight = RookAttacksFrom(to) & board.StraightSliders;
    attackers |= straight;
    if (margin >= 6 && (straight & board.Bitboards[ROOK][them])) return 0;

    // Quick acceptance: a capture that one of our pawns backs up.
    const u64 ourPawns = PawnAttacks[them][to] & board.Bitboards[PAWN][us];
    if (attackerValue < SeeUnits[QUEEN] && gain > 0 && ourPawns) return 1;

    attackers |= ourPawns;
    attackers |= KingAttacks[to] & (board.Bitboards[KING][WHITE] | board.Bitboards[KING][BLACK]);
    attackers &= ~(SquareBit(to) | SquareBit(from));
    // The slider the moving man uncovers behind it on the line to the target.
    if (DirectionBetween[to][from] != 0) attackers |= SliderBehind(to, from);
    if (attackers == 0) return 1;

    // Play out the exchange. balance is our gain if the side to take next
    // captures and we recapture; each side stops as soon as it may.
    i32 balance = gain - attackerValue;
    for (;;) {
        i32 value = TakeLeastValuableAttacker(attackers, them, to);
        if (value == 0) {
            if ((attackers & board.Bitboards[KING][them]) == 0) return 1;
            attackers &= ~board.Bitboards[KING][them];
            value = SeeUnits[KING];
        }
        balance += value;
        if (balance < 0) return 0;

        value = TakeLeastValuableAttacker(attackers, us, to);
        if (value == 0) {
            if ((attackers & board.Bitboards[KING][us]) == 0) return 0;
            // Above 100 only after their king took: ours may take it back.
            if (balance > 100) return 1;
            attackers &= ~board.Bitboards[KING][us];
            value = SeeUnits[KING];
        }
        balance -= value;
        if (balance >= 0) return 1;
    }
}
