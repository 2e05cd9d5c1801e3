#include "search/history.h"

#include "board/board.h"
#include "board/make_move.h"
#include "search/search_limits.h"

void UpdateHistoryAndKillers(i32 depth, Move m, i32 historyHalf) {
    const Side side = board.SideToMove;
    i32& entry = HistoryScore[HistoryIndex(m, historyHalf, side)];
    entry += (HistoryStep(depth) * (HistoryMax - entry)) >> 10;

    u32(&killers)[2][2] = PlyStack[SearchPly].Killer;
    if (killers[0][side] != m) {
        killers[1][side] = killers[0][side];
        killers[0][side] = m;
    }
}

void PenalizeHistory(i32 depth, Move m, i32 historyHalf) {
    i32& entry = HistoryScore[HistoryIndex(m, historyHalf, board.SideToMove)];
    entry -= (HistoryStep(depth) * entry) >> 10;
}

void StoreEvasionKiller(Move m) {
    if (GamePly <= 0) return;
    const Side side = board.SideToMove;
    const Square checkTo = MoveTo(GameHistory[GamePly - 1].Move);
    EvasionKillers[(checkTo * 64 + board.KingSquare[side]) * 2 + side] = m;
}

void UpdateCaptureStatistics(Move m, Side side, bool success) {
    const i32 slot = TouchCaptureStatSlot(m, side);
    CaptureTries[slot] += 1;
    if (success) CaptureSuccess[slot] += 1;
    if (CaptureTries[slot] > CaptureStatWindow) {
        CaptureTries[slot] >>= 1;
        CaptureSuccess[slot] >>= 1;
    }
}

void ShiftKillersTwoPlies() {
    // Records 192..195 have no record two plies further to take from.
    for (i32 ply = 0; ply < PlyStackSize - 4; ply++) {
        for (i32 slot = 0; slot < 2; slot++)
            for (i32 side = 0; side < 2; side++)
                PlyStack[ply].Killer[slot][side] = PlyStack[ply + 2].Killer[slot][side];
    }
}
