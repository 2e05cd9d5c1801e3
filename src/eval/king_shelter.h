// King shelter: how well each side's pawns cover the two wings a king
// usually hides on, and what the king's present square, castling rights and
// pawn cover cost it.
//
// The wing defects depend on the pawns alone and are computed once per pawn
// structure into the pawn-hash entry; the shelter of each king is scored on
// every evaluation of a king that is not treated as in an ending.
#pragma once

#include <array>

#include "board/types.h"

// shelter_penalty runs from 0 to this; the tables indexed by it have one
// more entry.
constexpr i32 ShelterPenaltyMax = 63;

namespace shelter_detail {
constexpr std::array<i32, 64> BuildShelter() {
    constexpr i32 rising[] = {0,   4,   15,  24,  36,  42,  54,  72,  81,  90,  99,  108,
                              117, 126, 135, 144, 148, 152, 156, 160, 164, 168, 172, 175};
    std::array<i32, 64> table{};
    for (i32 i = 0; i < 64; i++) table[i] = i < 24 ? rising[i] : 180;
    return table;
}
constexpr std::array<i32, 64> BuildKingSquareShelter() {
    constexpr i32 firstRank[] = {1, 0, 2, 3, 3, 2, 0, 1};
    constexpr i32 secondRank[] = {1, 1, 2, 3, 3, 2, 1, 1};
    constexpr i32 higherRanks[] = {3, 4, 5, 6, 6, 6};  // ranks 3..8
    std::array<i32, 64> table{};
    for (i32 sq = 0; sq < 64; sq++) {
        const i32 rank = RankOf(sq), file = FileOf(sq);
        table[sq] = rank == 0   ? firstRank[file]
                    : rank == 1 ? secondRank[file]
                                : higherRanks[rank - 2];
    }
    return table;
}
}  // namespace shelter_detail

// What a shelter penalty costs the king's side before the personality
// weight: steep at first, levelling off at 180.
inline constexpr std::array<i32, 64> Shelter = shelter_detail::BuildShelter();

// The exposure of a king's square, from White's side; the black king reads
// it at 63 - square (the rows are symmetric by file).
inline constexpr std::array<i32, 64> KingSquareShelter = shelter_detail::BuildKingSquareShelter();

// Fills the four defect bytes of board.LastPawnEntry from the pawns on the
// board: white_defects_k, white_defects_q, black_defects_k, black_defects_q
// (king side = files f-h, queen side = files a-c), each saturated to 0..255.
void ComputeShelterDefects();

// Sets eval_info.shelter_penalty of the king (0..63) from its square, its
// castling rights, the pawns around it and the defect bytes of
// board.LastPawnEntry, and returns the shelter score for the king's own side
// (0 or below, weighted by the personality: the king of EngineSide by
// CowardiceWeight, the other by AggressivityWeight).
i32 EvaluateWhiteKingShelter();
i32 EvaluateBlackKingShelter();
