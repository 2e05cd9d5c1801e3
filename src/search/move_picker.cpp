#include "search/move_picker.h"

#include "board/board.h"
#include "board/move_gen_captures.h"
#include "board/move_gen_evasions.h"
#include "board/move_gen_promotions.h"
#include "board/move_gen_quiet.h"
#include "board/stored_move.h"
#include "search/history.h"
#include "search/search_limits.h"

void SortMovesByScore(i32 begin, i32 end) {
    for (i32 i = begin; i < end - 1; i++) {
        for (i32 j = i + 1; j < end; j++) {
            if (MoveStack[j].score > MoveStack[i].score) {
                const MoveStackEntry swapped = MoveStack[i];
                MoveStack[i] = MoveStack[j];
                MoveStack[j] = swapped;
            }
        }
    }
}

i32 GenerateEvasionStage(i32 stage) {
    if (stage != StageNoneYet) return StageDone;
    const i32 base = MoveStackTop;
    GenerateEvasions();
    return MoveStackTop > base ? StageEvasions : StageDone;
}

i32 PickNextMoveStage(i32 stage) {
    const PlyRecord& record = PlyStack[SearchPly];
    const Side side = board.SideToMove;
    const i32 base = MoveStackTop;
    if (record.InCheck) return GenerateEvasionStage(stage);

    if (stage > StageCaptures) {
        GenerateCaptures(board.Bitboards[0][ChangeSide(side)]);
        GenerateAllQuietPromotions();
        if (MoveStackTop > base) {
            SortMovesByScore(base, MoveStackTop);
            return StageCaptures;
        }
    }

    // Killers come from other positions: each must fit this board first.
    const Move killer1 = record.Killer[0][side], killer2 = record.Killer[1][side];
    if (stage > StageKiller1 && killer1 != NoMove) {
        AddMoveIfPseudoLegal(killer1);
        if (MoveStackTop > base) return StageKiller1;
    }
    if (stage > StageKiller2 && killer2 != NoMove) {
        AddMoveIfPseudoLegal(killer2);
        if (MoveStackTop > base) return StageKiller2;
    }
    if (stage < StageKiller2) return StageDone;

    // Quiet moves without the killers, which had their own stages.
    GenerateQuietMoves(1);
    i32 end = base;
    for (i32 i = base; i < MoveStackTop; i++) {
        const Move m = MoveStack[i].move;
        if (m == NoMove || m == killer1 || m == killer2) continue;
        MoveStack[end++] = MoveStack[i];
    }
    MoveStackTop = end;
    if (end == base) return StageDone;
    SortMovesByScore(base, end);
    return StageQuiet;
}
