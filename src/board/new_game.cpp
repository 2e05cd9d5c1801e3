#include "board/new_game.h"

#include "search/history.h"

void ClearKillers() {
    for (PlyRecord& record : PlyStack)
        for (auto& slot : record.Killer) slot[WHITE] = slot[BLACK] = 0;
}
