// The pawn hash: PawnEntries + PawnSpareEntries records, index = low 32
// bits of the pawn key modulo PawnEntries, one entry per index, always
// replaced. 0 entries switch it off. The search's table manager allocates
// and sizes it.
#pragma once

#include "board/pawn_entry.h"
#include "board/types.h"

constexpr u32 DefaultPawnEntries = 0x40000;  // 6 MB before any setting
constexpr u32 PawnSpareEntries = 2;
extern PawnEntry* PawnTable;
extern u32 PawnEntries;

// The one record a pawn key may sit in; the table must be on.
inline PawnEntry& PawnHashSlot(u64 key) { return PawnTable[u32(key) % PawnEntries]; }

// Every record's key becomes WipedKey, and the board's copy of the last
// pawn entry is invalidated.
void ClearPawnHash();
