#include "tablebase/block_cache.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "tablebase/block_decoder.h"
#include "tablebase/decode_error.h"
#include "tablebase/registry.h"
#include "tablebase/table_file_state.h"
#include "tablebase/tablebase_settings.h"

u8* TableCacheMemory = nullptr;
u32 TableCacheBlockCount = 0;
TableCacheBlock* TableCacheFreeList = nullptr;
TableCacheBlock* TableCacheMostRecent = nullptr;
TableCacheBlock* TableCacheLeastRecent = nullptr;

namespace {

// Sizes of 2^31 bytes and more cannot be had.
constexpr u64 MaxTableCacheBytes = (u64(1) << 31) - 1;

TableCacheBlock* CacheRecords() { return reinterpret_cast<TableCacheBlock*>(TableCacheMemory); }

TableCacheBlock*& ChainHead(i32 tableId, i32 side, u32 blockNumber) {
    return TablebaseFiles[tableId].cacheChains[side][blockNumber % TableCacheChains];
}

void UnlinkFromUseList(TableCacheBlock* block) {
    if (block->lruNext) block->lruNext->lruPrev = block->lruPrev;
    else TableCacheLeastRecent = block->lruPrev;
    if (block->lruPrev) block->lruPrev->lruNext = block->lruNext;
    else TableCacheMostRecent = block->lruNext;
}

void PushOnUseList(TableCacheBlock* block) {
    block->lruPrev = nullptr;
    block->lruNext = TableCacheMostRecent;
    if (TableCacheMostRecent) TableCacheMostRecent->lruPrev = block;
    else TableCacheLeastRecent = block;
    TableCacheMostRecent = block;
}

void UnlinkFromChain(TableCacheBlock* block) {
    if (block->chainNext) block->chainNext->chainPrev = block->chainPrev;
    if (block->chainPrev) block->chainPrev->chainNext = block->chainNext;
    else ChainHead(block->tableId, block->side, block->blockNumber) = block->chainNext;
}

void PushOnChain(TableCacheBlock* block) {
    TableCacheBlock*& head = ChainHead(block->tableId, block->side, block->blockNumber);
    block->chainPrev = nullptr;
    block->chainNext = head;
    if (head) head->chainPrev = block;
    head = block;
}

// A free block, or else the least recently used one taken off its lists.
TableCacheBlock* TakeBlockForMiss() {
    if (TableCacheBlock* block = TableCacheFreeList) {
        TableCacheFreeList = block->lruNext;
        return block;
    }
    TableCacheBlock* block = TableCacheLeastRecent;
    UnlinkFromUseList(block);
    UnlinkFromChain(block);
    return block;
}

// The open stream of an extent; an open that fails closes every table file
// (the process may have run out of handles) and retries once. Only a
// regular file is opened, and never waited on: the name may have become a
// FIFO since the scan.
FILE* ExtentStream(TablebaseFileState& files, i32 side, i32 extent) {
    FILE*& handle = files.fileHandle[side][extent];
    if (handle != nullptr) return handle;
    const char* name = files.fileName[side][extent];
    if (name == nullptr) return nullptr;
    handle = OpenRegularFile(name, "rb").file;
    if (handle == nullptr) {
        CloseTablebaseFiles();
        handle = OpenRegularFile(name, "rb").file;
    }
    return handle;
}

enum class BlockFailure { None, CannotOpen, CannotRead, CannotDecode };

// Bytes of the extent's data from the block on, at most a block: what a
// plain read must get. A short read before the end means a file cut short.
u32 PlainBlockLength(const TablebaseRegistryEntry& entry, i32 side, i32 extent, u32 blockInExtent) {
    const u64 sideBytes = entry.indexSize[side] * ((entry.flags & TbTwoByte) ? 2 : 1);
    const u64 extentStart = (entry.flags & TbSplit) ? u64(extent) * ExtentBytes : 0;
    const u64 extentBytes =
        (entry.flags & TbSplit) ? std::min(ExtentBytes, sideBytes - extentStart) : sideBytes;
    const u64 blockStart = u64(blockInExtent) * TableBlockBytes;
    return blockStart >= extentBytes ? 0 : u32(std::min<u64>(TableBlockBytes, extentBytes - blockStart));
}

// Fills the block with one extent block: decoded from a compressed file, or
// read from a plain one (the last block of a file may be short).
BlockFailure FillBlock(TableCacheBlock* block, FILE* file, const CompressedFileDescriptor* descriptor,
                       u32 blockInExtent, u32 plainLength) {
    if (descriptor != nullptr) {
        DecodeState* state = EgtbDecodeState;
        if (state == nullptr || InitDecodeState(state, block->data) != 0) return BlockFailure::CannotDecode;
        // A block the file does not hold cannot be read; any other failure
        // is one of its contents.
        const i32 loaded = LoadCompressedBlock(state, descriptor, file, i32(blockInExtent));
        if (loaded != 0) {
            const bool unread = DecodeErrorKindOf(loaded) == ReadError;
            return unread ? BlockFailure::CannotRead : BlockFailure::CannotDecode;
        }
        if (DecodeCompressedBlock(state, descriptor, state->expectedLength) != 0)
            return BlockFailure::CannotDecode;
        block->length = state->expectedLength;
        return BlockFailure::None;
    }
    if (fseeko(file, off_t(u64(blockInExtent) * TableBlockBytes), SEEK_SET) != 0)
        return BlockFailure::CannotRead;
    clearerr(file);
    const size_t got = std::fread(block->data, 1, TableBlockBytes, file);
    if (std::ferror(file) || got < plainLength) return BlockFailure::CannotRead;
    block->length = u32(got);
    return BlockFailure::None;
}

// The one line of a file that failed a read: from here on the scan that
// registered it no longer reads it, so this comes once per file.
void ReportBlockFailure(const char* name, u32 blockInExtent, BlockFailure failure) {
    const std::string path = ResolvePathTranslated(name);
    if (failure == BlockFailure::CannotOpen)
        std::printf("Tablebase file %s cannot be opened; it is no longer probed\n", path.c_str());
    else
        std::printf("Tablebase file %s: block %u cannot be %s; the file is no longer probed\n", path.c_str(),
                    blockInExtent, failure == BlockFailure::CannotRead ? "read" : "decoded");
    std::fflush(stdout);
}

void EmptyAllChains() {
    for (i32 id = 1; id < TablebaseCount; ++id)
        for (TableCacheBlock** chains : TablebaseFiles[id].cacheChains)
            if (chains) std::memset(chains, 0, TableCacheChains * sizeof(TableCacheBlock*));
}

// The program goes on without tablebases until a later scan and allocation.
void ReportCacheAllocationFailure() {
    std::printf("An error occured while memory allocation!\n");
    std::fflush(stdout);
    EgtbMaxPieces = 0;
}

}  // namespace

i32 ReadTableByte(i32 tableId, i32 side, u32 blockNumber, u32 offset) {
    // Hit: the block moves to the front of the use list and of its chain.
    for (TableCacheBlock* block = ChainHead(tableId, side, blockNumber); block; block = block->chainNext) {
        if (block->blockNumber != blockNumber) continue;
        if (block != TableCacheMostRecent) {
            UnlinkFromUseList(block);
            PushOnUseList(block);
        }
        if (block->chainPrev != nullptr) {
            UnlinkFromChain(block);
            PushOnChain(block);
        }
        return offset < block->length ? i32(i8(block->data[offset])) : NoTableByte;
    }

    // Miss: fill a free or the least recently used block.
    TableCacheBlock* block = TakeBlockForMiss();
    block->tableId = tableId;
    block->side = side;
    block->blockNumber = blockNumber;
    const bool split = TablebaseRegistry[tableId].flags & TbSplit;
    const i32 extent = split ? i32(blockNumber >> ExtentBlockShift) : 0;
    const u32 blockInExtent = split ? blockNumber & ((1u << ExtentBlockShift) - 1) : blockNumber;

    TablebaseFileState& files = TablebaseFiles[tableId];
    BlockFailure failure = BlockFailure::CannotOpen;
    if (extent < MaxTableExtents && files.fileName[side][extent] != nullptr) {
        if (FILE* file = ExtentStream(files, side, extent))
            failure = FillBlock(block, file, files.compressedInfo[side][extent], blockInExtent,
                                PlainBlockLength(TablebaseRegistry[tableId], side, extent, blockInExtent));
        if (failure != BlockFailure::None)
            ReportBlockFailure(files.fileName[side][extent], blockInExtent, failure);
    }
    if (failure != BlockFailure::None) {
        // The extent is forgotten until the next scan; the block is free.
        if (extent < MaxTableExtents) {
            std::free(files.fileName[side][extent]);
            files.fileName[side][extent] = nullptr;
        }
        block->lruNext = TableCacheFreeList;
        TableCacheFreeList = block;
        return NoTableByte;
    }
    PushOnUseList(block);
    PushOnChain(block);
    return offset < block->length ? i32(i8(block->data[offset])) : NoTableByte;
}

void ResetTableCache() {
    if (TableCacheBlockCount == 0) return;
    CloseTablebaseFiles();
    TableCacheBlock* records = CacheRecords();
    u8* areas = TableCacheMemory + size_t(TableCacheBlockCount) * sizeof(TableCacheBlock);
    for (u32 i = 0; i < TableCacheBlockCount; ++i) {
        TableCacheBlock& record = records[i];
        record = TableCacheBlock{};
        record.data = areas + size_t(i) * TableBlockAreaBytes;
        record.lruNext = i + 1 < TableCacheBlockCount ? &records[i + 1] : nullptr;
    }
    TableCacheFreeList = records;
    EmptyAllChains();
    TableCacheMostRecent = nullptr;
    TableCacheLeastRecent = nullptr;
}

void InitTableCache() {
    CloseTablebaseFiles();
    TableCacheBlockCount = TableCacheMemory ? EgtbCacheBytes / TableBlockBudgetBytes : 0;
    TableCacheMostRecent = nullptr;
    TableCacheLeastRecent = nullptr;
    TableCacheFreeList = nullptr;
    ResetTableCache();
}

// The pool for a size in bytes: null (and no message) for a size without
// blocks, the failure message and probing off for one too large.
static void AllocTableCacheBytes(u64 bytes) {
    FreeTableCache();
    if (bytes > MaxTableCacheBytes) {
        ReportCacheAllocationFailure();
        return;
    }
    // Records are larger than the 52 bytes the budget counts for them on a
    // 64-bit build: the pool takes what the blocks really need.
    const u64 blocks = bytes / TableBlockBudgetBytes;
    if (blocks == 0) return;
    TableCacheMemory = static_cast<u8*>(std::malloc(size_t(blocks * (sizeof(TableCacheBlock) + TableBlockAreaBytes))));
    if (TableCacheMemory == nullptr) {
        ReportCacheAllocationFailure();
        return;
    }
    InitTableCache();
}

void AllocTableCache() { AllocTableCacheBytes(EgtbCacheBytes); }

void SetTableCacheSize(u32 megabytes) {
    const u64 bytes = u64(megabytes) << 20;
    EgtbCacheBytes = u32(bytes);
    AllocTableCacheBytes(bytes);
}

void FreeTableCache() {
    // No block may stay on the lists once its memory is gone.
    CloseTablebaseFiles();
    EmptyAllChains();
    std::free(TableCacheMemory);
    TableCacheMemory = nullptr;
    TableCacheBlockCount = 0;
    TableCacheFreeList = TableCacheMostRecent = TableCacheLeastRecent = nullptr;
}
