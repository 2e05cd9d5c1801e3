// The 880 table index functions, one per table and side to move, all made
// from one template over the table's shape.
#pragma once

#include "tablebase/index/index_shape.h"
#include "tablebase/registry.h"

// Shapes of every table side, by registry id, made by BuildTablebaseIndexTables.
extern IndexShape TableIndexShapes[TablebaseCount][2];

// Makes the shapes from the registry's names; called once the enumeration
// tables stand.
void BuildTableIndexShapes();

// Builds the enumeration tables and then the shapes of every table side on
// the first call; later calls do nothing.
void BuildTablebaseIndexTables();

template <i32 Id, i32 Side>
u64 TableIndex(const u32* white, const u32* black, u32 enPassantSquare, i32 flip) {
    return ComputeTableIndex(TableIndexShapes[Id][Side], TableIndexShapes[Id][WHITE], white, black,
                             enPassantSquare, flip);
}
