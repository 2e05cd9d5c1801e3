#include "board/init_tables.h"

#include "board/attacks.h"
#include "board/keys.h"
#include "eval/pst.h"

void InitEngineTables() {
    // The keys are drawn from the unseeded generator, so they must be drawn once.
    static bool built = false;
    if (built) return;
    built = true;
    InitZobristKeys();
    InitFoldTableAndMasks();
    InitAttackTables();
    InitPieceSquareTables();
    InitKnightDistance();
}
