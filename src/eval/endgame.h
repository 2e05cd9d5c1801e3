// The low-material branch of the evaluation: endings whose value is known
// outright, the cannot-win flags, and the material term with the bonuses
// that drive a lone king to the edge.
#pragma once

#include <array>

#include "board/types.h"

// 1 for the squares of a1's colour. Two bishops stand on opposite colours
// when their entries differ.
constexpr std::array<u8, 64> MakeSquareIsDark() {
    std::array<u8, 64> dark{};
    for (Square sq = 0; sq < 64; sq++) dark[sq] = (FileOf(sq) + RankOf(sq)) % 2 == 0;
    return dark;
}
inline constexpr std::array<u8, 64> SquareIsDark = MakeSquareIsDark();

// Bonus for a lone king's distance from the centre: highest in the corners.
// Symmetric by file and by rank, so it serves both colours as it is.
// clang-format off
inline constexpr i32 LoneKingEdgeBonus[64] = {
    100, 96, 93, 90, 90, 93, 96, 100,
     96, 80, 70, 60, 60, 70, 80,  96,
     93, 70, 60, 50, 50, 60, 70,  93,
     90, 60, 50, 40, 40, 50, 60,  90,
     90, 60, 50, 40, 40, 50, 60,  90,
     93, 70, 60, 50, 50, 60, 70,  93,
     96, 80, 70, 60, 60, 70, 80,  96,
    100, 96, 93, 90, 90, 93, 96, 100,
};
// clang-format on

// Called by the evaluation instead of the material-table lookup when either
// side has fewer than LowMaterialUnits non-pawn units.
//
// Sets *final to 1 on entry. When it recognises the ending it writes the
// score for the side to move through score, leaves *final at 1 and returns
// 0. Otherwise it sets *final to 0 and returns the running total (black
// minus white) for the evaluation to continue from; it has then set
// eval_info.material, the phases and ENDING flags (LoadMaterialTableEntry),
// the board's CannotWin flags and AllPawns.
//
// Reads DrawScore, EngineSide and SearchPly: a result that depends on them
// (the draw value, being mated now) clears eval_info.cacheable; a result that
// depends on the side to move clears eval_info.symmetric.
i32 EvaluateEndgameMaterial(i32* score, i32* final);
