// The evaluation record: scratch state of one static evaluation. Evaluate()
// zeroes it on entry and fills it; the search copies several fields into the
// evaluation cache and the evaluation dump prints others. Scores inside it
// are black minus white; per-side arrays are indexed WHITE, BLACK unless
// noted.
#pragma once

#include "board/types.h"

// Kinds of piece that could give check, the first index of check_squares.
constexpr i32 CheckByRook = 0;
constexpr i32 CheckByQueen = 1;
constexpr i32 CheckByBishop = 2;
constexpr i32 CheckByKnight = 3;

struct EvalInfo {
    i32 total;            // running score
    i32 blended;          // phase-blended score of the no-piece path
    i32 opening;          // opening-weighted sum (piece-square, pawns, mobility, pins)
    i32 endgame;          // endgame-weighted sum
    i32 side_opening[2];  // per-side terms blended by that side's own phase
    i32 side_endgame[2];
    i32 tempo_bonus[2];  // an eighth of king_attack, for the side to move
    u64 queen_attacks[2];
    u64 knight_attacks[2];
    u64 bishop_attacks[2];
    u64 rook_attacks[2];
    u64 pawn_attacks[2];      // BLACK first, then WHITE: see PawnAttacksOf
    u64 blocked_pawns[2];     // pawns whose square ahead is occupied
    u64 mobility_area[4][2];  // [class 1..4 as 0..3][side]: minor-piece target classes
    u64 king_zone[2];         // KingAttacks of the side's king square
    u64 minor_attacks[2];
    i32 threatened_count[2];
    u64 check_squares[4][2];  // [CheckBy...][side of the king to be checked]
    i32 danger[2];            // attack points gathered against the ENEMY king
    i32 shelter_penalty[2];   // weakness of the side's OWN king shelter
    i32 ENDING[2];            // non-zero: the side's king is treated as in an ending
    i32 material;
    i32 optimism[2];  // the side's attacking chances
    i32 symmetric;    // the other side to move's score derives from score_sum
    i32 cacheable;    // the result may go into the evaluation cache
    i32 score_sum;
    i32 king_attack[2];
    i32 attacker_count[2];  // pieces reaching the enemy king zone
    u64 attacked_by[2];     // squares attacked by the side's pieces and pawns
    u64 alert_squares[2];   // passers, attacked zone squares, pinned pieces
    u64 passed_pawns[2];
    i32 scale;  // product of the applied scale factors, from 6300
};

extern EvalInfo eval_info;

// The pawn-attack pair is kept black first; this names a side's entry.
inline u64& PawnAttacksOf(Side side) { return eval_info.pawn_attacks[side ^ 1]; }
