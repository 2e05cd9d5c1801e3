// The material lookup of the tablebases: the counts of non-king men of a
// position (white pawns, knights, bishops, rooks, queens, then black's) lead
// through a ten-level tree to the signed id of the registered table that
// covers them, negative when the table has the colours exchanged.
#pragma once

#include "board/types.h"
#include "tablebase/registry.h"

constexpr i32 MaterialCountSlots = 10;
// At most six men with the kings.
constexpr i32 MaxNonKingMen = 4;

// Builds the tree on the first call; later calls do nothing.
void InitMaterialTrie();

// Stores id at the leaf of counts; false (and no change) when a count lies
// beyond what the tree holds. Before InitMaterialTrie, also false.
bool InsertMaterialTrie(i32 id, const i32* counts);

// The id stored for counts, 0 for none (also before any table is entered).
i32 LookupMaterialTrie(const i32* counts);

// Counts the letters p, n, b, r, q of one side in text up to a 'k' or the
// end into counts[0..4] (pawns .. queens); returns where it stopped.
const char* ParseSidePieceLetters(i32* counts, const char* text);

// The ten counts of a table name such as "kqkrp".
void ParseTableNameCounts(i32* counts, const char* name);

// Enters the table's material, and unless it is symmetric the material with
// the colours exchanged under -id.
bool RegisterTableMaterial(const TablebaseRegistryEntry* entry);
