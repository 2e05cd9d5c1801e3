// Piece activity: mobility, outposts, rooks on files and ranks, pins
// against the king, bad and trapped pieces, hanging pieces, and the attack
// points gathered against each king. The middle of the evaluation: it runs
// after the pawn structure, the passed pawns and the king shelter (whose
// results it reads) and only when some side still has pieces.
//
// Sign convention as everywhere in the evaluation: a term that favours
// Black is added to eval_info.total / opening / endgame, one that favours
// White is subtracted. The square tables here are laid out for Black: a
// black piece on s reads entry s, a white piece entry 63 - s.
#pragma once

#include <array>

#include "board/types.h"

namespace piece_activity_detail {

// A table by square from rows given for rows 1 to 4 (files a..h); the
// other rows are 0.
constexpr std::array<i32, 64> OutpostTable(const i32 (&rows)[4][8]) {
    std::array<i32, 64> table{};
    for (i32 row = 1; row <= 4; row++)
        for (i32 file = 0; file < 8; file++) table[row * 8 + file] = rows[row - 1][file];
    return table;
}

// clang-format off
constexpr i32 KnightOutpostRows[4][8] = {
    {0, 0,  6, 10, 10,  6, 0, 0},
    {0, 0, 15, 25, 25, 15, 0, 0},
    {0, 0, 15, 20, 20, 15, 0, 0},
    {0, 0,  0,  8,  8,  0, 0, 0},
};
constexpr i32 BishopOutpostRows[4][8] = {
    {0, 0,  3,  5,  5,  3, 0, 0},
    {0, 0,  8, 13, 13,  8, 0, 0},
    {0, 0,  8, 10, 10,  8, 0, 0},
    {0, 0,  0,  8,  8,  0, 0, 0},
};
// clang-format on

// Central squares (files c to f of rows 2 to 4) give a minor piece enough
// room of their own: only the other squares are tested for low mobility.
constexpr std::array<u8, 64> BuildMinorMobilityFlag() {
    std::array<u8, 64> flag{};
    for (Square sq = 0; sq < 64; sq++) {
        const i32 row = RankOf(sq), file = FileOf(sq);
        flag[sq] = row >= 2 && row <= 4 && file >= 2 && file <= 5 ? 0 : 1;
    }
    return flag;
}

}  // namespace piece_activity_detail

// Attack points a piece adds to its side's danger, by the number of
// enemy king-zone squares it reaches (plus 3 when one of them can be
// entered safely).
inline constexpr i32 RookKingAttack[] = {0, 3, 4, 5, 6, 7, 8, 9};
inline constexpr i32 KnightKingAttack[] = {0, 3, 4, 5, 6, 7, 8, 9};
inline constexpr i32 BishopKingAttack[] = {0, 2, 3, 4, 5, 6, 7, 8};
inline constexpr i32 QueenKingAttack[] = {0, 6, 7, 8, 9, 10, 11, 12, 13, 14};

// Outpost values of knights and bishops by square (Black's layout).
inline constexpr std::array<i32, 64> KnightOutpost =
    piece_activity_detail::OutpostTable(piece_activity_detail::KnightOutpostRows);
inline constexpr std::array<i32, 64> BishopOutpost =
    piece_activity_detail::OutpostTable(piece_activity_detail::BishopOutpostRows);

// 1 on the squares where a minor piece's low mobility is scored.
inline constexpr std::array<u8, 64> MinorMobilityFlag =
    piece_activity_detail::BuildMinorMobilityFlag();

// Bonus for the side with fewer threatened pieces, indexed by White's
// threatened count minus Black's plus 8 (clamped to 0..16); positive
// favours Black.
inline constexpr i32 ThreatBalanceBonus[17] = {-70, -65, -60, -55, -50, -40, -30, -7, 0,
                                               7,   30,  40,  50,  55,  60,  65,  70};

// Each king's neighbourhood (eval_info.king_zone) and, by kind of piece,
// the squares from which an enemy piece of that kind would give it check,
// less those the enemy already occupies (eval_info.check_squares).
void BuildKingZones();

// The piece pass: back rank and trapped rooks, rooks, pawns against the
// king zones, pawn maps and mobility classes, knights, queens, bishops,
// threats (the threat-balance bonus goes into eval_info.total) and the
// touching-kings rule. Needs eval_info.king_zone, check_squares,
// passed_pawns, shelter_penalty and ENDING set, and board.LastPawnEntry
// describing the pawns on the board. Changes board.SideToMove only for the
// span of each static-exchange test.
void EvaluatePieceActivity();

// The last attack points against one king: every zone square the attacker
// hits, again for each one the defender does not cover, and, when the
// attacker has more than 12 non-pawn units, each attacked square in front
// of the king that the defender does not occupy. Called for a king whose
// side is not in ENDING, right before its king-attack value is combined.
void CountKingZoneAttacks(Side defender);
