// The block cache over table files the tests write: block counts, chains,
// replacement, extents, short blocks, failed opens and far file positions.
#include "tablebase/block_cache.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "compressed_encoder.h"
#include "support/engine_process.h"
#include "table_file_fixtures.h"
#include "tablebase/table_file_state.h"
#include "tablebase/table_files.h"
#include "tablebase/tablebase.h"
#include "tablebase/tablebase_settings.h"

namespace {

const i32 Kpk = TableId("kpk");
const i32 Kpkp = TableId("kpkp");
const i32 Krbkbn = TableId("krbkbn");

class BlockCache : public testing::Test {
protected:
    void SetUp() override {
        savedBytes = EgtbCacheBytes;
        dir = MakeScratchDir();
    }
    void TearDown() override {
        InitTablebases(nullptr);
        FreeTableCache();
        EgtbCacheBytes = savedBytes;
    }
    // Scans the scratch directory and lays out a cache of `bytes`.
    void Scan(u32 bytes) {
        ASSERT_GT(InitTablebases(dir.c_str()), 0);
        EgtbCacheBytes = bytes;
        AllocTableCache();
    }
    void WriteSynthetic(const char* file, i32 id, i32 side) {
        WriteWholeFile(dir + "/" + file, SyntheticTable(id, side));
    }
    // The blocks of a chain from its head.
    std::vector<u32> Chain(i32 id, i32 side, i32 chain) {
        std::vector<u32> blocks;
        for (TableCacheBlock* b = TablebaseFiles[id].cacheChains[side][chain]; b; b = b->chainNext)
            blocks.push_back(b->blockNumber);
        return blocks;
    }
    u32 savedBytes = 0;
    std::string dir;
};

i32 Expected(i32 id, i32 side, u64 index) { return i32(i8(SyntheticByte(id, side, index))); }

TEST_F(BlockCache, BlockCountFollowsTheSize) {
    WriteSynthetic("kpk.nbw", Kpk, 0);
    const std::pair<u32, u32> cases[] = {{1048576, 126}, {8280, 1}, {8279, 0}, {0, 0}};
    for (const auto& [bytes, blocks] : cases) {
        Scan(bytes);
        EXPECT_EQ(TableCacheBlockCount, blocks) << bytes;
        // Without blocks no file is touched and there is no value.
        EXPECT_EQ(ProbeTableValue(Kpk, 0, 100) == NoTableValue, blocks == 0) << bytes;
    }
}

TEST_F(BlockCache, ChainsHitsAndReplacementAcrossTables) {
    WriteSynthetic("kpkp.nbw", Kpkp, 0);
    WriteSynthetic("kpk.nbw", Kpk, 0);
    Scan(1048576);
    // Blocks 5, 37 and 69 share chain 5, newest first.
    for (u32 block : {5u, 37u, 69u}) EXPECT_EQ(ReadTableByte(Kpkp, 0, block, 3), Expected(Kpkp, 0, block * 8192 + 3));
    EXPECT_EQ(Chain(Kpkp, 0, 5), (std::vector<u32>{69, 37, 5}));
    // A hit moves the block to the front of its chain and of the use list.
    EXPECT_EQ(ReadTableByte(Kpkp, 0, 5, 8191), Expected(Kpkp, 0, 5 * 8192 + 8191));
    EXPECT_EQ(Chain(Kpkp, 0, 5), (std::vector<u32>{5, 69, 37}));
    EXPECT_EQ(TableCacheMostRecent->blockNumber, 5u);
    EXPECT_EQ(Chain(Kpk, 0, 5), std::vector<u32>{});

    // Two blocks: the least recently used one goes, from its own table.
    Scan(2 * TableBlockBudgetBytes);
    ReadTableByte(Kpk, 0, 0, 0);
    ReadTableByte(Kpkp, 0, 0, 0);
    ReadTableByte(Kpk, 0, 0, 1);
    EXPECT_EQ(ReadTableByte(Kpkp, 0, 1, 2), Expected(Kpkp, 0, 8192 + 2));
    EXPECT_EQ(Chain(Kpkp, 0, 0), std::vector<u32>{});
    EXPECT_EQ(Chain(Kpkp, 0, 1), std::vector<u32>{1});
    EXPECT_EQ(Chain(Kpk, 0, 0), std::vector<u32>{0});
    EXPECT_EQ(ReadTableByte(Kpk, 0, 0, 9), Expected(Kpk, 0, 9));
}

TEST_F(BlockCache, ShortLastBlockAndPlainEqualsCompressed) {
    WriteSynthetic("kpk.nbw", Kpk, 0);
    WriteWholeFile(dir + "/kpk.nbb.emd", test_encoder::EncodeTable(SyntheticTable(Kpk, 1)).file);
    Scan(4 * TableBlockBudgetBytes);
    // kpk white to move: 9 full blocks and one of 7936 bytes.
    EXPECT_EQ(ReadTableByte(Kpk, 0, 9, 7935), Expected(Kpk, 0, 81663));
    EXPECT_EQ(ReadTableByte(Kpk, 0, 9, 7936), NoTableByte);
    // Every byte of the compressed side, through a cache of four blocks.
    const u64 size = TablebaseRegistry[Kpk].indexSize[1];
    for (u64 index = 0; index < size; ++index)
        ASSERT_EQ(ReadTableByte(Kpk, 1, u32(index >> 13), u32(index & 8191)), Expected(Kpk, 1, index)) << index;
    EXPECT_EQ(ReadTableByte(Kpk, 1, u32(size >> 13), u32(size & 8191)), NoTableByte);
}

TEST_F(BlockCache, SplitSideBlocksLieInTheirExtents) {
    WriteSparseFile(dir + "/krbkbn.0.nbw", 100);
    WriteSparseFile(dir + "/krbkbn.1.nbw", ExtentBytes, 7, {42});
    Scan(1048576);
    EXPECT_EQ(ReadTableByte(Krbkbn, 0, 262144, 7), 42);
    EXPECT_EQ(Chain(Krbkbn, 0, 0), std::vector<u32>{262144});
    EXPECT_NE(TablebaseFiles[Krbkbn].fileHandle[0][1], nullptr);
    EXPECT_EQ(TablebaseFiles[Krbkbn].fileHandle[0][0], nullptr);
    // A new scan closes every open file and empties the cache first.
    InitTablebases(dir.c_str());
    EXPECT_EQ(TablebaseFiles[Krbkbn].fileHandle[0][1], nullptr);
    EXPECT_EQ(TableCacheMostRecent, nullptr);
    EXPECT_EQ(Chain(Krbkbn, 0, 0), std::vector<u32>{});
}

TEST_F(BlockCache, FileThatCannotBeOpenedIsForgotten) {
    WriteSynthetic("kpk.nbw", Kpk, 0);
    Scan(1048576);
    unlink((dir + "/kpk.nbw").c_str());
    testing::internal::CaptureStdout();
    EXPECT_EQ(ReadTableByte(Kpk, 0, 0, 0), NoTableByte);
    EXPECT_EQ(ReadTableByte(Kpk, 0, 1, 0), NoTableByte);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Tablebase file " + dir + "/kpk.nbw cannot be opened; it is no longer probed\n");
    EXPECT_EQ(TablebaseFiles[Kpk].fileName[0][0], nullptr);
    EXPECT_EQ(TableCacheFreeList, reinterpret_cast<TableCacheBlock*>(TableCacheMemory));
    // The next scan finds the file again.
    WriteSynthetic("kpk.nbw", Kpk, 0);
    Scan(1048576);
    EXPECT_EQ(ReadTableByte(Kpk, 0, 0, 0), Expected(Kpk, 0, 0));
}

// A file that fails a read during play: one line naming the file and the
// block, no value from that block or any later one of the file (no wrong
// value either), and no further line.
TEST_F(BlockCache, BlockThatCannotBeReadIsReportedOnce) {
    // A plain file cut short after the scan: block 5 is gone.
    WriteSynthetic("kpk.nbw", Kpk, 0);
    Scan(1048576);
    ASSERT_EQ(truncate((dir + "/kpk.nbw").c_str(), 3 * 8192), 0);
    testing::internal::CaptureStdout();
    EXPECT_EQ(ReadTableByte(Kpk, 0, 1, 0), Expected(Kpk, 0, 8192));
    EXPECT_EQ(ReadTableByte(Kpk, 0, 5, 0), NoTableByte);
    EXPECT_EQ(ReadTableByte(Kpk, 0, 2, 0), NoTableByte);
    EXPECT_EQ(ReadTableByte(Kpk, 0, 5, 0), NoTableByte);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Tablebase file " + dir + "/kpk.nbw: block 5 cannot be read; the file is no longer probed\n");
}

TEST_F(BlockCache, BlockThatCannotBeDecodedIsReportedOnce) {
    // Compressible data, so that its blocks are coded, not stored plain.
    std::vector<u8> data(TablebaseRegistry[Kpk].indexSize[1]);
    for (size_t i = 0; i < data.size(); ++i) data[i] = u8(i % 7 == 0 ? i / 7 % 5 : 0);
    const test_encoder::EncodedTable encoded = test_encoder::EncodeTable(data);
    ASSERT_FALSE(encoded.plainBlock[3]);
    const std::string path = dir + "/kpk.nbb.emd";
    // Block 3's stored bytes overwritten: some fill makes its stream fail
    // (run past its stored bytes, or copy from before the block).
    bool failed = false;
    for (u8 fill : {0x00, 0xFF, 0x55, 0xAA, 0x0F, 0xF0}) {
        WriteWholeFile(path, encoded.file);
        Scan(1048576);
        const CompressedFileDescriptor* descriptor = TablebaseFiles[Kpk].compressedInfo[1][0];
        ASSERT_NE(descriptor, nullptr);
        const u32 start = descriptor->blockOffsets[3], end = descriptor->blockOffsets[4];
        std::vector<u8> damaged = encoded.file;
        std::fill(damaged.begin() + start, damaged.begin() + end, fill);
        WriteWholeFile(path, damaged);
        testing::internal::CaptureStdout();
        const i32 byte = ReadTableByte(Kpk, 1, 3, 100);
        const std::string printed = testing::internal::GetCapturedStdout();
        if (byte != NoTableByte) continue;
        EXPECT_EQ(printed, "Tablebase file " + path + ": block 3 cannot be decoded; the file is no longer probed\n");
        // The rest of the file is no longer read, and says nothing more.
        testing::internal::CaptureStdout();
        EXPECT_EQ(ReadTableByte(Kpk, 1, 0, 0), NoTableByte);
        EXPECT_EQ(ProbeTableValue(Kpk, 1, 5), NoTableValue);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        failed = true;
        break;
    }
    EXPECT_TRUE(failed);
}

// Positions beyond 2^31 and beyond 3 x 2^31 in files of one table side.
TEST_F(BlockCache, FarFilePositions) {
    const i32 kbnknn = TableId("kbnknn"), knnkpp = TableId("knnkpp");
    const u64 far = ExtentBytes + 5, farther = 3 * ExtentBytes;
    WriteSparseFile(dir + "/kbnknn.nbw", TablebaseRegistry[kbnknn].indexSize[0], far, {42});
    // A two-byte table: the value at byte 3 x 2^31 is index 3 x 2^30.
    WriteSparseFile(dir + "/knnkpp.nbw", 2 * TablebaseRegistry[knnkpp].indexSize[0], farther, {0x34, 0x80});
    Scan(1048576);
    EXPECT_EQ(ProbeTableValue(kbnknn, 0, far), 32640 + 42);
    EXPECT_EQ(ProbeTableValue(knnkpp, 0, farther / 2), -32716);
    EXPECT_EQ(TablebaseScore(-32716), -32600);
}

}  // namespace
