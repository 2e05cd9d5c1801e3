#include "driver/score_history.h"

i32 ScoreHistory[ScoreHistorySize];
i32 BookMoveHistory[ScoreHistorySize];
u64 KeyHistory[ScoreHistorySize];

i32 ResignValue = 800;
i32 ResignTimes = 3;

void InitScoreHistory() {
    for (i32 i = 0; i < NewestScoreEntry; i++) {
        ScoreHistory[i] = 100;
        BookMoveHistory[i] = 1;
        KeyHistory[i] = 0;
    }
    ScoreHistory[NewestScoreEntry] = 0;
    BookMoveHistory[NewestScoreEntry] = 0;
    KeyHistory[NewestScoreEntry] = 0;
}
