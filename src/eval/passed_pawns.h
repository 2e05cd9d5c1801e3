// Passed pawns and pawn races: a value for every passed pawn by its rank and
// file, the king escort and rooks behind it; against a bare king or knights
// the fastest passer nobody can stop, and the race between the two sides'
// fastest runners.
//
// Tables by square are laid out for a black pawn (rank 2 is one step from
// promotion); a white pawn on p reads them at 63 - p. Tables by relative
// rank count from the pawn's own side (0 = its first rank).
#pragma once

#include <array>

#include "board/types.h"

namespace passed_pawns_detail {
// A table by the square of a black pawn from one value per rank 1..8.
constexpr std::array<i32, 64> ByRank(const i32 (&rankValues)[8]) {
    std::array<i32, 64> table{};
    for (Square sq = 0; sq < 64; sq++) table[sq] = rankValues[RankOf(sq)];
    return table;
}
constexpr std::array<i32, 64> BuildKingRaceBonus() {
    constexpr i32 rookFile[8] = {0, 30, 20, 10, 5, 2, 1, 0};
    constexpr i32 otherFile[8] = {0, 45, 35, 25, 15, 5, 3, 0};
    std::array<i32, 64> table{};
    for (Square sq = 0; sq < 64; sq++) {
        const bool edge = FileOf(sq) == 0 || FileOf(sq) == 7;
        table[sq] = edge ? rookFile[RankOf(sq)] : otherFile[RankOf(sq)];
    }
    return table;
}
constexpr std::array<u8, 64> BuildRookPawnCornerSquares() {
    std::array<u8, 64> table{};
    table[A2] = table[H2] = table[A3] = table[H3] = 1;
    return table;
}
}  // namespace passed_pawns_detail

// Optimism of the passer's side, by relative rank.
inline constexpr i32 PassedOptimismByRank[8] = {0, 2, 2, 10, 50, 200, 400, 0};

// A passer that the king-and-pawn verdict wins while every enemy pawn is
// blocked, by square.
inline constexpr std::array<i32, 64> KpkPasserBonus =
    passed_pawns_detail::ByRank({0, 600, 350, 150, 19, 12, 6, 0});

// Own king ahead of an unstoppable passer in a race with pieces on the
// board, by square; weighed by KingRacePieceFactor[enemy units] / 8.
inline constexpr std::array<i32, 64> KingRaceBonus = passed_pawns_detail::BuildKingRaceBonus();
inline constexpr i32 KingRacePieceFactor[10] = {8, 8, 8, 8, 8, 6, 6, 6, 3, 0};

// Black rook pawns one or two steps from promotion: with the enemy king in
// the corner in front of them they draw easily.
inline constexpr std::array<u8, 64> RookPawnCornerSquares =
    passed_pawns_detail::BuildRookPawnCornerSquares();
constexpr i32 RookPawnCornerBonus = 40;

// After a queen race the side queening first wins loose enemy pawns, by
// their number; the larger table when the new queen forks them with the
// enemy king's neighbourhood.
inline constexpr i32 QueenRaceCountBonus[10] = {0, 2, 5, 6, 7, 8, 9, 10, 11, 0};
inline constexpr i32 QueenRaceCountBonusFree[10] = {0, 15, 35, 40, 45, 50, 55, 60, 65, 0};

// Scores the passed pawns of eval_info.passed_pawns (filled by
// EvaluatePawnStructure, whose entry board.LastPawnEntry also describes the
// pawns) and settles pawn races. Returns total (black minus white) with the
// passer and race terms added. Each side's passer value is subtracted from
// the OPPONENT's entry of side_opening and side_endgame ([WHITE], [BLACK]),
// so that it is weighed by the opponent's phase; optimism grows by the
// passers' ranks. Clears eval_info.symmetric when a runner or a bitbase
// answer depends on the side to move.
i32 EvaluatePassedPawns(i32 total, i32* side_opening, i32* side_endgame);
