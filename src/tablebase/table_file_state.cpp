// The file state of every registry table: extent counts and the closing of
// the open table files.
#include "tablebase/table_file_state.h"

TablebaseFileState TablebaseFiles[TablebaseCount];

i32 TableExtentCount(const TablebaseRegistryEntry& entry, i32 side) {
    if (!(entry.flags & TbSplit)) return 1;
    const u64 bytes = entry.indexSize[side] * ((entry.flags & TbTwoByte) ? 2 : 1);
    return i32(bytes / ExtentBytes) + 1;
}

void CloseTablebaseFiles() {
    for (i32 id = 1; id < TablebaseCount; ++id) {
        for (auto& sideHandles : TablebaseFiles[id].fileHandle) {
            for (FILE*& handle : sideHandles) {
                if (handle != nullptr) std::fclose(handle);
                handle = nullptr;
            }
        }
    }
}
