#include "board/init_tables.h"

#include "board/attack_queries.h"
#include "board/attacks.h"
#include "board/keys.h"
#include "board/pawn_square_masks.h"
#include "board/pins.h"
#include "board/pst.h"

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
    // The pawn-square masks are built from the knight distances.
    InitPawnSquareMasks();
    // The per-direction function tables come after every data table.
    InitXraySliderTable();
    InitPinTestTables();
}
