#include "eval/eval_dump.h"

#include <algorithm>
#include <cstdio>

#include "board/board.h"
#include "board/move_text.h"
#include "board/search_state.h"
#include "eval/eval_info.h"
#include "eval/eval_params.h"
#include "eval/evaluate.h"
#include "eval/king_shelter.h"
#include "eval/pawn_structure.h"

namespace {

// The dump reads the danger curve eight entries further on than the
// evaluation does; the index stops at the table's last entry.
i32 DumpDangerWeight(i32 danger) { return DangerWeight[std::clamp(danger + 8, 0, 127)]; }

i32 DumpShelterWeight(i32 penalty) {
    return ShelterWeight[std::clamp(penalty, 0, ShelterPenaltyMax)];
}

i32 DumpShelter(i32 penalty) { return Shelter[std::clamp(penalty, 0, ShelterPenaltyMax)]; }

// A king is in the ending when the enemy has few pieces, or no queen and
// not many more.
i32 EndingAgainst(Side enemy) {
    const i32 units = board.NonPawnUnits[enemy];
    return units <= LowMaterialUnits ||
                   (units <= EndingUnitsWithoutQueen && board.PieceCount[QUEEN][enemy] == 0)
               ? 1
               : 0;
}

}  // namespace

void PrintEvaluationDump() {
    EngineSide = board.SideToMove;
    i32 score = -MateScore;
    Evaluate(&score);

    const EvalInfo& info = eval_info;
    const PawnEntry& pawns = board.LastPawnEntry;
    const Side us = board.SideToMove, them = ChangeSide(us);

    std::printf("Heuristic = %d\n", score);
    std::printf("PassedVector[BLACK] = ");
    PrintBits8(PassedVectorOf(pawns, BLACK));
    std::printf(" PassedVector[WHITE] = ");
    PrintBits8(PassedVectorOf(pawns, WHITE));
    std::printf("\n");
    std::printf("current_phase = %d, black_phase = %d, white_phase = %d\n", board.current_phase,
                board.black_phase, board.white_phase);
    std::printf("optimism[BLACK] = %d, optimism[WHITE] = %d\n", info.optimism[BLACK],
                info.optimism[WHITE]);
    std::printf("Material[WHITE] = %d board->Material[BLACK] = %d EvaluateMaterial() = %d\n",
                board.Material[WHITE], board.Material[BLACK], info.material);
    std::printf("ENDING(WHITE) = %d ENDING(BLACK) = %d\n", EndingAgainst(BLACK),
                EndingAgainst(WHITE));
    std::printf(
        "black_defects_k = %d black_defects_q = %d white_defects_k = %d white_defects_q = %d\n",
        pawns.black_defects_k, pawns.black_defects_q, pawns.white_defects_k, pawns.white_defects_q);
    std::printf("eval_info->shelter_penalty[BLACK] = %d eval_info->shelter_penalty[WHITE] = %d\n",
                info.shelter_penalty[BLACK], info.shelter_penalty[WHITE]);
    std::printf("eval_info->danger[BLACK] = %d eval_info->danger[WHITE] = %d\n", info.danger[BLACK],
                info.danger[WHITE]);
    const i32 attacksOnThem =
        (DumpShelterWeight(info.shelter_penalty[them]) * DumpDangerWeight(info.danger[us])) >> 4;
    const i32 attacksOnUs =
        (DumpDangerWeight(info.danger[them]) * DumpShelterWeight(info.shelter_penalty[us])) >> 4;
    std::printf("Attacks[ChangeSide(board->SideToMove)] = %d\n", attacksOnThem);
    std::printf("Attacks[board->SideToMove] = %d\n", attacksOnUs);
    std::printf("Shelter[BLACK] = %d Shelter[WHITE] = %d\n",
                DumpShelter(info.shelter_penalty[BLACK]), DumpShelter(info.shelter_penalty[WHITE]));
    std::printf("Dng = %d\n", attacksOnThem + DumpShelter(info.shelter_penalty[them]));
    std::fflush(stdout);
}
