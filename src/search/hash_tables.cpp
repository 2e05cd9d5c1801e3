#include "search/hash_tables.h"

#include <cstdio>
#include <cstdlib>

#include "board/board.h"
#include "platform/platform.h"
#include "search/trans_table.h"


FatalExitHook HashAllocationExit = nullptr;

static i32 FailingAllocations = 0;
static u64 RefusedRecords = 0;

void FailNextHashAllocations(i32 count) { FailingAllocations = count; }

u64 LastRefusedHashRecords() { return RefusedRecords; }

// A zeroed block of count records, or nullptr when memory is short.
template <typename Record>
static Record* AllocateRecords(u64 count) {
    if (FailingAllocations > 0) {
        FailingAllocations -= 1;
        RefusedRecords = count;
        return nullptr;
    }
    return static_cast<Record*>(AllocateTableBlock(count * sizeof(Record)));
}

static void ReportAllocationFailure() {
    std::printf("An error occured while memory allocation!\n");
    std::fflush(stdout);
}

[[noreturn]] static void EndProgramAfterFailedAllocation() {
    if (HashAllocationExit) HashAllocationExit(1);
    std::fflush(stdout);
    std::exit(1);
}

[[noreturn]] static void FailAllocation() {
    ReportAllocationFailure();
    EndProgramAfterFailedAllocation();
}

static i64 ClampMegabytes(i64 megabytes) {
    return megabytes < 0 ? 0 : megabytes > MaxHashMegabytes ? MaxHashMegabytes : megabytes;
}

u32 TransEntriesForMegabytes(i64 megabytes) {
    return u32(u64(ClampMegabytes(megabytes)) * (u64(1) << 20) / sizeof(TransEntry));
}

u32 PawnEntriesForMegabytes(i64 megabytes) {
    return u32(u64(ClampMegabytes(megabytes)) * (u64(1) << 20) / sizeof(PawnEntry));
}

// A block of entries + spare records in table (replacing any block it held),
// or a fatal failure.
template <typename Record>
static void AllocTable(Record*& table, u32 entries, u32 spare) {
    std::free(table);
    table = AllocateRecords<Record>(u64(entries) + spare);
    if (table == nullptr) FailAllocation();
}

void AllocTransTable() { AllocTable(TransTable, TransEntries, TransSpareEntries); }

void AllocPawnHash() { AllocTable(PawnTable, PawnEntries, PawnSpareEntries); }

void AllocEvalCache() { AllocTable(EvalCache, EvalCacheRecords, 0); }

void AllocateHashTables() {
    AllocTransTable();
    AllocPawnHash();
    AllocEvalCache();
    ClearTransTable();
    ClearPawnHash();
    ClearEvalCache();
}

void ClearTransTable() {
    if (TransTable) {
        for (u32 i = 0; i < TransEntries + TransSpareEntries; i++) {
            TransTable[i].key.Set(WipedKey);
            TransTable[i].packed = 0;
        }
    }
    TransAge = 0;
    // No probe can have found anything in an empty table.
    ProbedHashFlags = 0;
}

// Replaces a table by an empty one of newEntries. The old block goes first
// (the two together might not fit); when the new size cannot be had, the old
// size is taken again and the program goes on; only when even that fails
// does it end.
template <typename Record>
static void ResizeTable(Record*& table, u32& entries, u32 spare, u32 newEntries) {
    const u32 oldEntries = entries;
    std::free(table);
    table = nullptr;
    entries = newEntries;
    table = AllocateRecords<Record>(u64(entries) + spare);
    if (table) return;
    ReportAllocationFailure();
    entries = oldEntries;
    table = AllocateRecords<Record>(u64(entries) + spare);
    if (table == nullptr) EndProgramAfterFailedAllocation();
}

void ResizeMainHash(i64 megabytes) {
    ResizeTable(TransTable, TransEntries, TransSpareEntries, TransEntriesForMegabytes(megabytes));
    ClearTransTable();
}

void ResizePawnHash(i64 megabytes) {
    ResizeTable(PawnTable, PawnEntries, PawnSpareEntries, PawnEntriesForMegabytes(megabytes));
    ClearPawnHash();
}

void FreeHashTables() {
    std::free(TransTable);
    std::free(PawnTable);
    std::free(EvalCache);
    TransTable = nullptr;
    PawnTable = nullptr;
    EvalCache = nullptr;
    TransEntries = 0;
    PawnEntries = 0;
}
