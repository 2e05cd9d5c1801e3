#include "eval/pawn_hash.h"

#include "board/board.h"

PawnEntry* PawnTable = nullptr;
u32 PawnEntries = DefaultPawnEntries;

void ClearPawnHash() {
    if (PawnTable) {
        for (u32 i = 0; i < PawnEntries + PawnSpareEntries; i++) PawnTable[i].key = WipedKey;
    }
    // The board's copy must not keep answering for pawns of a wiped table.
    board.LastPawnEntry.key = WipedKey;
}
