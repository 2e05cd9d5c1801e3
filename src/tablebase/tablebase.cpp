// The tablebase services before any table format is read: a scan that finds
// nothing, a cache that is only its memory, a probe that never answers.
#include "tablebase/tablebase.h"

#include <cstdio>
#include <cstdlib>

#include "tablebase/index/index_tables.h"

i32 UseEgtb = 1;
char EgtbPath[EgtbPathSize] = "c:\\tablebases\\";
i32 EgtbMaxPieces = 0;
u64 EgtbIndexBytes = 0;
u32 EgtbCacheBytes = DefaultEgtbCacheBytes;
u8* TableCacheMemory = nullptr;

i32 InitTablebases(const char* /*pathList*/) {
    // The enumeration tables of the index functions, once per run.
    BuildTablebaseIndexTables();
    // Nothing of an earlier scan is held, and no directory is searched yet.
    EgtbIndexBytes = 0;
    return 0;
}

void AllocTableCache() {
    FreeTableCache();
    // The byte count is taken as a signed 32-bit size: 2^31 bytes or more
    // cannot be had. A size of 0 is no failure, just a cache without blocks.
    const i32 bytes = i32(EgtbCacheBytes);
    if (bytes == 0) return;
    if (bytes > 0) TableCacheMemory = static_cast<u8*>(std::malloc(size_t(bytes)));
    if (TableCacheMemory == nullptr) {
        std::printf("An error occured while memory allocation!\n");
        std::fflush(stdout);
        EgtbMaxPieces = 0;
    }
}

void SetTableCacheSize(u32 megabytes) {
    FreeTableCache();
    EgtbCacheBytes = megabytes << 20;
    AllocTableCache();
}

void FreeTableCache() {
    std::free(TableCacheMemory);
    TableCacheMemory = nullptr;
}

i32 ProbeTablebase(i32 /*sideJustMoved*/, i32* /*score*/) { return 0; }
