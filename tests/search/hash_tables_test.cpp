#include "search/hash_tables.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstddef>
#include <cstdio>

#include "board/board.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "eval/eval_cache.h"
#include "search/trans_table.h"

namespace {

class HashTables : public ::testing::Test {
protected:
    void SetUp() override {
        InitEngineTables();
        ASSERT_EQ(ParseFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -"), 1);
        TransEntries = DefaultTransEntries;
        PawnEntries = DefaultPawnEntries;
        AllocateHashTables();
    }
    void TearDown() override {
        FailNextHashAllocations(0);
        TransEntries = DefaultTransEntries;
        PawnEntries = DefaultPawnEntries;
        AllocateHashTables();
    }

    static void ExpectTransWiped() {
        ASSERT_NE(TransTable, nullptr);
        for (u32 i = 0; i < TransEntries + TransSpareEntries; i++) {
            ASSERT_EQ(TransTable[i].packed, 0u) << i;
            ASSERT_EQ(TransTable[i].key.Get(), WipedKey) << i;
        }
    }
    static void ExpectPawnWiped() {
        ASSERT_NE(PawnTable, nullptr);
        for (u32 i = 0; i < PawnEntries + PawnSpareEntries; i++)
            ASSERT_EQ(PawnTable[i].key, WipedKey) << i;
    }
    // Fills a few transposition entries and bumps the age.
    static void Dirty() {
        TransAge = 12;
        if (TransEntries) StoreHash(300, 77, 5, ExactBound, 0, 2);
        ProbedHashFlags = 2;
        if (PawnEntries) PawnTable[PawnEntries + 1].key = 99;
    }
};

TEST_F(HashTables, EntryCountsForMegabytes) {
    struct Case {
        i64 megabytes;
        u32 trans;
        u32 pawn;
    };
    const Case cases[] = {
        {0, 0, 0},
        {1, 52428, 43690},
        {7, 367001, 305834},
        {10, 524288, 436906},
        {1024, 53687091, 44739242},
        // Outside the option's range: clamped, never a wrapped 32-bit product.
        {-1, 0, 0},
        {1025, 53687091, 44739242},
        {4096, 53687091, 44739242},
        {i64(1) << 40, 53687091, 44739242},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TransEntriesForMegabytes(c.megabytes), c.trans) << c.megabytes;
        EXPECT_EQ(PawnEntriesForMegabytes(c.megabytes), c.pawn) << c.megabytes;
    }
    // The defaults are the counts of 10 and 6 megabytes.
    EXPECT_EQ(DefaultTransEntries, TransEntriesForMegabytes(10));
    EXPECT_EQ(DefaultPawnEntries, PawnEntriesForMegabytes(6));
}

TEST_F(HashTables, EvalCacheEntryLayout) {
    EXPECT_EQ(sizeof(EvalCacheEntry), 52u);
    EXPECT_EQ(offsetof(EvalCacheEntry, key), 0u);
    EXPECT_EQ(offsetof(EvalCacheEntry, score), 8u);
    EXPECT_EQ(offsetof(EvalCacheEntry, optimism), 12u);
    EXPECT_EQ(offsetof(EvalCacheEntry, alert_squares), 16u);
    EXPECT_EQ(offsetof(EvalCacheEntry, attacked_by), 32u);
    EXPECT_EQ(offsetof(EvalCacheEntry, material), 48u);
    EXPECT_EQ(offsetof(EvalCacheEntry, scale), 50u);
    EXPECT_EQ(u64(EvalCacheRecords) * sizeof(EvalCacheEntry), 27263080u);
}

TEST_F(HashTables, StartUpAllocatesAndWipesAllThree) {
    EXPECT_EQ(TransEntries, DefaultTransEntries);
    EXPECT_EQ(PawnEntries, DefaultPawnEntries);
    EXPECT_EQ(TransAge, 0);
    ExpectTransWiped();
    ExpectPawnWiped();
    ASSERT_NE(EvalCache, nullptr);
    for (u32 i = 0; i < EvalCacheRecords; i++) ASSERT_EQ(EvalCache[i].key.Get(), WipedKey) << i;
}

TEST_F(HashTables, ClearsWipeKeysAndTheLastPawnEntry) {
    Dirty();
    EvalCache[0].key.Set(5);
    EvalCache[EvalCacheRecords - 1].key.Set(6);
    EvalCache[3].score[0] = 123;
    board.LastPawnEntry.key = board.PawnHashKey;
    board.LastPawnEntry.opening = 17;

    ClearTransTable();
    EXPECT_EQ(TransAge, 0);
    EXPECT_EQ(ProbedHashFlags, 0);
    ExpectTransWiped();
    EXPECT_EQ(GetHashMove(), 0u);

    ClearPawnHash();
    ExpectPawnWiped();
    EXPECT_EQ(board.LastPawnEntry.key, WipedKey);
    EXPECT_EQ(board.LastPawnEntry.opening, 17);  // only the key goes

    ClearEvalCache();
    for (u32 i = 0; i < EvalCacheRecords; i++) ASSERT_EQ(EvalCache[i].key.Get(), WipedKey) << i;
    EXPECT_EQ(EvalCache[3].score[0], 123);
}

TEST_F(HashTables, ResizeReplacesTheTableByAnEmptyOne) {
    struct Case {
        i64 megabytes;
        u32 trans;
        u32 pawn;
    };
    const Case cases[] = {{1, 52428, 43690}, {0, 0, 0}, {3, 157286, 131072}, {-7, 0, 0}};
    for (const Case& c : cases) {
        Dirty();
        ResizeMainHash(c.megabytes);
        EXPECT_EQ(TransEntries, c.trans) << c.megabytes;
        EXPECT_EQ(TransAge, 0);
        EXPECT_EQ(ProbedHashFlags, 0);
        ExpectTransWiped();
        EXPECT_EQ(GetHashMove(), 0u);

        ResizePawnHash(c.megabytes);
        EXPECT_EQ(PawnEntries, c.pawn) << c.megabytes;
        ExpectPawnWiped();
        EXPECT_EQ(board.LastPawnEntry.key, WipedKey);
    }
    // Back to a working table: stores and probes work at the new size.
    ResizeMainHash(1);
    StoreHash(60, 321, 0, ExactBound, 0, 0);
    EXPECT_EQ(GetHashMove(), 321u);
}

TEST_F(HashTables, FailedResizeKeepsTheOldSize) {
    ResizeMainHash(2);
    ResizePawnHash(2);
    Dirty();

    FailNextHashAllocations(1);
    testing::internal::CaptureStdout();
    ResizeMainHash(5);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "An error occured while memory allocation!\n");
    EXPECT_EQ(TransEntries, TransEntriesForMegabytes(2));
    EXPECT_EQ(TransAge, 0);
    ExpectTransWiped();
    StoreHash(60, 321, 0, ExactBound, 0, 0);
    EXPECT_EQ(GetHashMove(), 321u);

    FailNextHashAllocations(1);
    testing::internal::CaptureStdout();
    ResizePawnHash(5);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "An error occured while memory allocation!\n");
    EXPECT_EQ(PawnEntries, PawnEntriesForMegabytes(2));
    ExpectPawnWiped();
}

using HashTablesDeathTest = HashTables;

TEST_F(HashTablesDeathTest, FailedResizeAndFallbackEndsTheProgram) {
    EXPECT_EXIT(
        {
            FailNextHashAllocations(2);
            ResizeMainHash(5);
        },
        testing::ExitedWithCode(1), "");
    EXPECT_EXIT(
        {
            FailNextHashAllocations(2);
            ResizePawnHash(5);
        },
        testing::ExitedWithCode(1), "");
}

TEST_F(HashTablesDeathTest, FailedAllocationAtStartUpEndsTheProgram) {
    for (i32 failAt = 0; failAt < 3; failAt++) {
        EXPECT_EXIT(
            {
                // Let failAt allocations succeed, then fail the next one.
                FreeHashTables();
                TransEntries = DefaultTransEntries;
                PawnEntries = DefaultPawnEntries;
                if (failAt == 0) FailNextHashAllocations(1);
                AllocTransTable();
                if (failAt == 1) FailNextHashAllocations(1);
                AllocPawnHash();
                if (failAt == 2) FailNextHashAllocations(1);
                AllocEvalCache();
            },
            testing::ExitedWithCode(1), "")
            << failAt;
    }
    EXPECT_EXIT(
        {
            FailNextHashAllocations(1);
            AllocateHashTables();
        },
        testing::ExitedWithCode(1), "");
}

TEST_F(HashTablesDeathTest, FailureMessageIsPrinted) {
    // The matcher reads the child's standard error, so its standard output
    // is sent there.
    EXPECT_EXIT(
        {
            std::fflush(stdout);
            dup2(2, 1);
            FailNextHashAllocations(1);
            AllocateHashTables();
        },
        testing::ExitedWithCode(1), "^An error occured while memory allocation!\n$");
}

}  // namespace
