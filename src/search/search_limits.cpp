#include "search/search_limits.h"

i32 DepthLimit = 998;
i32 MoveTimeCs = 0;
i32 MateLimit = 0;
i32 EngineTimeCs = -1;
i32 EngineSide = WHITE;
i32 DrawScore = 0;
i32 LastSearchScore = 0;
i32 LastSearchSide = 0;
i32 SearchesOutOfBook = 0;
i32 SearchPly = 0;
i32 SelDepth = 0;
u64 NodeCount = 0;
i32 TimeCheckCountdown = 0;
i32 IterationDepth = 0;
i32 RootScore[MaxRootMoves];
