// The tablebase settings' start values, a scan of a path without tables, and
// the sizes of the block cache's memory.
#include "tablebase/tablebase.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tablebase/block_cache.h"
#include "tablebase/block_decoder.h"
#include "tablebase/table_files.h"
#include "tablebase/tablebase_settings.h"

namespace {

TEST(Tablebase, StartValues) {
    EXPECT_EQ(UseEgtb, 1);
    EXPECT_STREQ(EgtbPath, "c:\\tablebases\\");
    EXPECT_EQ(std::strlen(EgtbPath), 14u);
    EXPECT_EQ(EgtbCacheBytes, 1048576u);
}

TEST(Tablebase, ScanFindsNothingAndProbeNeverAnswers) {
    EXPECT_EQ(InitTablebases("c:\\tablebases\\;d:\\tb"), 0);
    // Once a compressed file was seen in this run, every scan keeps the
    // decode state (and counts its bytes).
    EXPECT_EQ(EgtbIndexBytes, CompressedFileCount ? u64(sizeof(DecodeState)) : 0u);
    i32 score = 12345;
    EXPECT_EQ(ProbeTablebase(WHITE, &score), 0);
    EXPECT_EQ(ProbeTablebase(BLACK, &score), 0);
    EXPECT_EQ(score, 12345);
}

TEST(Tablebase, CacheSizes) {
    const u32 savedBytes = EgtbCacheBytes;
    struct Case {
        u32 megabytes;
        u32 bytes;      // megabytes x 2^20 modulo 2^32
        bool memory;    // a block is held afterwards
        bool failure;   // the allocation message, probing off
    };
    const Case cases[] = {
        {2, 2u << 20, true, false},
        {128, 128u << 20, true, false},
        // 2^31 bytes and more are refused as a negative 32-bit size.
        {2048, 1u << 31, false, true},
        {3000, 3000u << 20, false, true},
        // 4096 MB is 2^32 bytes: too large, though the setting wraps to 0.
        {4096, 0, false, true},
        {1, 1u << 20, true, false},
    };
    for (const Case& c : cases) {
        EgtbMaxPieces = 5;
        testing::internal::CaptureStdout();
        SetTableCacheSize(c.megabytes);
        const std::string output = testing::internal::GetCapturedStdout();
        EXPECT_EQ(EgtbCacheBytes, c.bytes) << c.megabytes;
        EXPECT_EQ(TableCacheMemory != nullptr, c.memory) << c.megabytes;
        EXPECT_EQ(output, c.failure ? "An error occured while memory allocation!\n" : "")
            << c.megabytes;
        EXPECT_EQ(EgtbMaxPieces, c.failure ? 0 : 5) << c.megabytes;
    }
    FreeTableCache();
    EXPECT_EQ(TableCacheMemory, nullptr);
    // A second allocation replaces the first block.
    EgtbCacheBytes = 1 << 20;
    AllocTableCache();
    AllocTableCache();
    EXPECT_NE(TableCacheMemory, nullptr);
    FreeTableCache();
    EgtbCacheBytes = savedBytes;
    EgtbMaxPieces = 0;
}

}  // namespace
