#include "search/history.h"

PlyRecord PlyStack[PlyStackSize];
i32 HistoryScore[1 << 16];
u32 EvasionKillers[64 * 64 * 2];
i32 CaptureTries[CaptureStatSize];
i32 CaptureSuccess[CaptureStatSize];
i32 CaptureStatStamp[CaptureStatSize];
