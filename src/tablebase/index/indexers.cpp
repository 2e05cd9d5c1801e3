// Shapes of the table index functions, made from the registry's names, and
// the one build of every table the index functions read.
#include "tablebase/index/indexers.h"

#include "tablebase/index/index_tables.h"

IndexShape TableIndexShapes[TablebaseCount][2];

namespace {

bool IndexTablesBuilt = false;

}  // namespace

void BuildTableIndexShapes() {
    for (i32 id = 1; id < TablebaseCount; id++)
        for (i32 side = 0; side < 2; side++)
            TableIndexShapes[id][side] = MakeIndexShape(TablebaseRegistry[id].name, side);
    // A side computed through the other side's function has its range.
    for (IndexShape* shapes : TableIndexShapes)
        if (shapes[BLACK].swapColours) shapes[BLACK].range = shapes[WHITE].range;
}

void BuildTablebaseIndexTables() {
    if (IndexTablesBuilt) return;
    BuildEnumerationTables();
    BuildTableIndexShapes();
    IndexTablesBuilt = true;
}
