#include "search/search_limits.h"

i32 DepthLimit = 998;
i32 MoveTimeCs = 0;
i32 MateLimit = 0;
i32 EngineTimeCs = -1;
i32 SearchesOutOfBook = 0;
i32 OpponentTimeCs = 0;
i32 EngineIncrementCs = 0;
i32 MovesToGo = 0;
i32 LevelTimeCs = 1000;
u64 NodeLimit = 0;
i32 MultiPv = 1;
i32 MoveOverheadMs = DefaultMoveOverheadMs;
i32 TimeBudgetCs = TimeUnlimitedCs;
i32 TimeHardLimitCs = TimeUnlimitedCs;
i32 TimeCheckInterval = 50000;
i64 SearchStartTime = 0;
i64 SearchEndTime = -1;
i32 SearchDepthLimit = 0;
i32 SelDepth = 0;
u64 NodeCount = 0;
i32 TablebaseHits = 0;
i32 TimeCheckCountdown = 0;
i32 IterationDepth = 0;
i32 LaterRootMove = 0;
i32 TuneC1 = 1, TuneC2 = 0, TuneC3 = 0;
i32 TuneM1 = 81, TuneM2 = 323, TuneM3 = 484;
i32 RootScore[MaxRootMoves];
