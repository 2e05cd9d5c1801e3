// The block cache of the table files: the most recently used 8192-byte
// blocks of every table side in one pool, found through 32 hash chains per
// table side (block number & 31) and replaced least recently used first.
// The cache also opens table files, on the first read of one of their blocks,
// and takes, resizes and releases its own pool.
#pragma once

#include "board/types.h"

constexpr u32 TableBlockBytes = 8192;
// The block decoder may write up to 15 bytes past a block's end.
constexpr u32 TableBlockAreaBytes = TableBlockBytes + 36;
// What one block costs of the cache size: its record and its data area.
constexpr u32 TableBlockBudgetBytes = 8280;
constexpr i32 TableCacheChains = 32;
// 2^18 blocks make one extent file of 2^31 bytes.
constexpr i32 ExtentBlockShift = 18;
// ReadTableByte's answer when the block cannot be had.
constexpr i32 NoTableByte = 32767;

struct TableCacheBlock {
    i32 tableId;
    i32 side;              // 0 for symmetric tables
    u32 blockNumber;       // counted over all extents of the side
    u32 length;            // bytes of the block that hold data
    TableCacheBlock* lruNext;    // towards the least recently used; next free block
    TableCacheBlock* lruPrev;    // towards the most recently used
    TableCacheBlock* chainNext;
    TableCacheBlock* chainPrev;  // null at the chain's head
    u8* data;
};

// The cache's one block of memory, null when none is held.
extern u8* TableCacheMemory;
extern u32 TableCacheBlockCount;
extern TableCacheBlock* TableCacheFreeList;
extern TableCacheBlock* TableCacheMostRecent;
extern TableCacheBlock* TableCacheLeastRecent;

// The byte at offset of the block as a signed value, NoTableByte when the
// block cannot be read or holds fewer bytes. The caller makes sure the cache
// has blocks and the table side has its chain array.
i32 ReadTableByte(i32 tableId, i32 side, u32 blockNumber, u32 offset);

// Takes EgtbCacheBytes bytes for the block cache. When that fails it prints
// "An error occured while memory allocation!" and switches probing off
// (EgtbMaxPieces := 0); the program goes on.
void AllocTableCache();

// Frees the cache, sets EgtbCacheBytes to megabytes x 2^20 (modulo 2^32) and
// allocates it again; 2^31 bytes or more is an allocation failure.
void SetTableCacheSize(u32 megabytes);

// Releases the cache memory (at exit) and closes the table files.
void FreeTableCache();

// Lays the cache out in TableCacheMemory for EgtbCacheBytes.
void InitTableCache();

// Every block free, every chain empty, every table file closed.
void ResetTableCache();
