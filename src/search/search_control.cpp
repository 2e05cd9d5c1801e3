#include "search/search_control.h"

i32 PonderingNow = 0;
i32 PonderInterrupted = 0;
Move PendingMove = 0;
i32 PonderSearch = 0;
i32 SilentSearch = 0;
i32 NpsLineCountdown = 0;
