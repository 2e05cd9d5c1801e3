// Shapes of the table index functions, made from the registry's names.
#include "tablebase/index/indexers.h"

IndexShape TableIndexShapes[TablebaseCount][2];

void BuildTableIndexShapes() {
    for (i32 id = 1; id < TablebaseCount; id++)
        for (i32 side = 0; side < 2; side++)
            TableIndexShapes[id][side] = MakeIndexShape(TablebaseRegistry[id].name, side);
    // A side computed through the other side's function has its range.
    for (IndexShape* shapes : TableIndexShapes)
        if (shapes[BLACK].swapColours) shapes[BLACK].range = shapes[WHITE].range;
}
