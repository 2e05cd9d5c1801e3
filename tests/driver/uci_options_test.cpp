// The UCI size options in-process: the table size a value asks for, seen
// before any memory is taken (the allocation is refused by the test hook),
// so that sizes beyond the option's range are checked without a 1 GB table.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "board/init_tables.h"
#include "driver/command_loop.h"
#include "eval/pawn_hash.h"
#include "platform/input_reader.h"
#include "search/hash_tables.h"
#include "search/trans_table.h"

namespace {

void Execute(const char* line) {
    std::strncpy(InputLine, line, InputLineSize - 1);
    ExecuteCommand();
}

TEST(UciOptions, HashSizesBeyondTheRangeAskForTheLargestTable) {
    InitEngineTables();
    TransEntries = TransEntriesForMegabytes(1);
    PawnEntries = PawnEntriesForMegabytes(1);
    AllocateHashTables();
    const u64 largestTrans = u64(TransEntriesForMegabytes(MaxHashMegabytes)) + TransSpareEntries;
    const u64 largestPawn = u64(PawnEntriesForMegabytes(MaxHashMegabytes)) + PawnSpareEntries;
    struct Case {
        const char* line;
        u64 records;  // asked for
    };
    const Case cases[] = {
        {"setoption name Hash value 100000", largestTrans},
        // A 32-bit byte count would wrap to 1 MB.
        {"setoption name Hash value 4097", largestTrans},
        // Beyond 32 bits as a number.
        {"setoption name Hash value 4294967297", largestTrans},
        {"setoption name Hash value 99999999999999999999", largestTrans},
        {"setoption name Hash value -3", TransSpareEntries},
        {"setoption name PawnHash value 4096", largestPawn},
        {"setoption name PawnHash value 4294967297", largestPawn},
        {"setoption name PawnHash value -4096", PawnSpareEntries},
    };
    for (const Case& c : cases) {
        FailNextHashAllocations(1);
        testing::internal::CaptureStdout();
        Execute(c.line);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "An error occured while memory allocation!\n")
            << c.line;
        EXPECT_EQ(LastRefusedHashRecords(), c.records) << c.line;
        // The refused table comes back at its old size.
        EXPECT_EQ(TransEntries, TransEntriesForMegabytes(1)) << c.line;
        EXPECT_EQ(PawnEntries, PawnEntriesForMegabytes(1)) << c.line;
    }
    FailNextHashAllocations(0);
    TransEntries = DefaultTransEntries;
    PawnEntries = DefaultPawnEntries;
    AllocateHashTables();
}

}  // namespace
