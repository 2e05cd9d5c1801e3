#include "board/search_state.h"

i32 EngineSide = WHITE;
i32 DrawScore = 0;
i32 LastSearchScore = 0;
i32 LastSearchSide = 0;
i32 SearchPly = 0;
u16 TransAge = 0;
