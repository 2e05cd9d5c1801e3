#include "board/game_record.h"

GameHistoryEntry GameHistory[GameHistorySize];
i32 GamePly;
i32 GameBasePly;
