#include "search/search_limits.h"

i32 DepthLimit = 998;
i32 MoveTimeCs = 0;
i32 MateLimit = 0;
i32 EngineSide = WHITE;
i32 DrawScore = 0;
i32 LastSearchScore = 0;
i32 LastSearchSide = 0;
i32 SearchesOutOfBook = 0;
i32 SearchPly = 0;
