#include "board/move_ordering.h"

#include "board/search_state.h"

PlyRecord PlyStack[PlyStackSize];
i32 HistoryScore[1 << 16];
u32 EvasionKillers[64 * 64 * 2];
i32 CaptureTries[CaptureStatSize];
i32 CaptureSuccess[CaptureStatSize];
i32 CaptureStatStamp[CaptureStatSize];

i32 CaptureStatGeneration() { return i16(TransAge); }

i32 TouchCaptureStatSlot(Move m, Side side) {
    const i32 slot = CaptureStatSlot(m, side);
    const i32 generation = CaptureStatGeneration();
    if (CaptureStatStamp[slot] != generation) {
        CaptureTries[slot] = 0;
        CaptureSuccess[slot] = 0;
        CaptureStatStamp[slot] = generation;
    }
    return slot;
}
