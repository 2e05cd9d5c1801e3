#include "board/keys.h"

#include <gtest/gtest.h>

#include "board/board.h"
#include "board/book_keys.h"
#include "board/init_tables.h"
#include "board/random.h"

namespace {

TEST(RandomGenerator, FirstOutputsFromStateOne) {
    RandomGenerator generator;
    const i32 expected[] = {41, 18467, 6334, 26500, 19169};
    for (i32 value : expected) EXPECT_EQ(generator.Next(), value);
}

TEST(ZobristKeys, DrawnBitByBitInTheFixedOrder) {
    InitEngineTables();
    RandomGenerator generator;
    auto draw64 = [&] {
        u64 key = 0;
        for (i32 bit = 0; bit < 64; bit++) key |= u64(generator.Next() & 1) << bit;
        return key;
    };
    EXPECT_EQ(ZobristPiece[WHITE][PAWN][A1], draw64());
    EXPECT_EQ(ZobristPiece[BLACK][PAWN][A1], draw64());
    EXPECT_EQ(ZobristPiece[WHITE][KNIGHT][A1], draw64());
    for (i32 i = 3; i < 767; i++) draw64();
    EXPECT_EQ(ZobristPiece[BLACK][KING][H8], draw64());
    for (i32 i = 0; i < 16; i++) EXPECT_EQ(ZobristCastle[i], draw64());
    for (i32 i = 0; i < 8; i++) EXPECT_EQ(ZobristEnPassant[i], draw64());
    EXPECT_EQ(ZobristPiece[WHITE][EMPTY][E4], 0u);
    EXPECT_EQ(ZobristPiece[BLACK][4][E4], 0u);
}

TEST(ZobristKeys, StartPositionKeys) {
    InitEngineTables();
    SetupStartPosition();
    EXPECT_EQ(board.HashKey, 0x93564fa2667ff762ull);
    EXPECT_EQ(board.PawnHashKey, 0xdbeb060b054d1273ull);
}

TEST(BookKeys, TablesMatchTheBookFormat) {
    InitEngineTables();
    struct Case { i32 index; u32 first; u32 second; };
    const Case cases[] = {{0, 0xE16CD6AE, 0x2923BE84}, {1, 0xF1BBE9EB, 0x529049F1},
                          {2, 0x870C3E99, 0xB3A6DB3C}, {68, 0x2364b8a6, 0xcd8c8720}};
    for (const Case& c : cases) {
        EXPECT_EQ(BookKeyTable1[c.index], c.first) << c.index;
        EXPECT_EQ(BookKeyTable2[c.index], c.second) << c.index;
    }
    EXPECT_EQ(BookKeyTable1[204], 0xaefc4501u);
    EXPECT_EQ(BookKeyTable1[756], 0x3cdef7dfu);
}

TEST(BookKeys, PiecesOnlyAndEmptyBoardIsZero) {
    InitEngineTables();
    ClearBoard();
    u32 key1 = 1, key2 = 1;
    ComputeBookKeys(&key1, &key2);
    EXPECT_EQ(key1, 0u);
    EXPECT_EQ(key2, 0u);
    AddPiece(E1, WHITE, KING);
    AddPiece(E7, BLACK, PAWN);
    ComputeBookKeys(&key1, &key2);
    EXPECT_EQ(key1, BookKeyTable1[68] ^ BookKeyTable1[756]);
    EXPECT_EQ(key2, BookKeyTable2[68] ^ BookKeyTable2[756]);
}

}  // namespace
