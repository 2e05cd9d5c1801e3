// The probe on set-up positions over table files of chosen contents: the
// value it returns is the one the table's index function, called directly,
// points at; stored bytes become the engine's scores.
#include "tablebase/tablebase.h"

#include <gtest/gtest.h>

#include <string>

#include "board/board.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "support/engine_process.h"
#include "table_file_fixtures.h"
#include "tablebase/block_cache.h"
#include "tablebase/index/indexers.h"
#include "tablebase/index/table_indexer.h"
#include "tablebase/table_files.h"
#include "tablebase/tablebase_settings.h"

namespace {

constexpr PieceType ListTypes[] = {PAWN, KNIGHT, BISHOP, ROOK, QUEEN};

// A side's men of the board in index-function slots.
void BoardList(i32 side, u32* list) {
    for (i32 kind = 0; kind < 5; ++kind) {
        i32 slot = kind * 3;
        for (i32 sq = 0; sq < 64; ++sq)
            if (board.Bitboards[ListTypes[kind]][side] >> sq & 1) list[slot++] = u32(sq);
    }
    list[15] = u32(board.KingSquare[side]);
}

class Probe : public testing::Test {
protected:
    static void SetUpTestSuite() {
        InitEngineTables();
        BuildTablebaseIndexTables();
    }
    void SetUp() override { dir = MakeScratchDir(); }
    void TearDown() override {
        InitTablebases(nullptr);
        FreeTableCache();
        EgtbCacheBytes = DefaultEgtbCacheBytes;
    }
    void Scan() {
        ASSERT_GT(InitTablebases(dir.c_str()), 0);
        EgtbCacheBytes = DefaultEgtbCacheBytes;
        AllocTableCache();
    }
    // Sets up fen, then plays move when given.
    void Load(const char* fen, const char* move = nullptr) {
        ASSERT_TRUE(ParseFen(fen)) << fen;
        if (move) {
            const Move played = ParseMoveText(move);
            ASSERT_NE(played, NoMove) << move;
            MakeMove(played, 1);
        }
    }
    // The index the table's function gives the board in table colours.
    u64 TableIndex(i32 id, i32 tableSide, u32 enPassant, i32 flip) {
        u32 lists[2][16] = {};
        BoardList(WHITE, lists[WHITE]);
        BoardList(BLACK, lists[BLACK]);
        return TablebaseRegistry[id].indexFn[tableSide](lists[flip], lists[1 - flip], enPassant, flip);
    }
    std::string dir;
};

// The score of a stored byte by the value rules (127: none).
i32 ScoreOfByte(i32 b) {
    const i32 raw = b == 0 ? 0 : b == -128 ? 32640 : b == -127 ? -32640 : b > 0 ? 32640 + b : b - 32640;
    return raw > 0 ? 2 * raw - 32834 : raw < 0 ? 2 * raw + 32832 : 0;
}

TEST_F(Probe, StoredBytesBecomeScores) {
    const i32 kpk = TableId("kpk");
    Load("8/8/8/8/8/4k3/4P3/4K3 w - - 0 1");
    const u64 index = TableIndex(kpk, 0, NoEnPassant, 0);
    struct Case {
        i8 stored;
        i32 found;
        i32 score;
    };
    const Case cases[] = {{126, 1, 32698}, {-126, 1, -32700}, {-128, 1, 32446},
                          {-127, 1, -32448}, {0, 1, 0}, {1, 1, 32448}, {127, 0, 4711}};
    for (const Case& c : cases) {
        std::vector<u8> data(TablebaseRegistry[kpk].indexSize[0], 0);
        data[index] = u8(c.stored);
        WriteWholeFile(dir + "/kpk.nbw", data);
        Scan();
        i32 score = 4711;
        EXPECT_EQ(ProbeTablebase(BLACK, &score), c.found) << i32(c.stored);
        EXPECT_EQ(score, c.score) << i32(c.stored);
        // The other side to move has no file: no value.
        EXPECT_EQ(ProbeTablebase(WHITE, &score), 0);
    }
}

TEST_F(Probe, KppkpLostPositionsNeedNoRead) {
    const i32 kppkp = TableId("kppkp");
    WriteSparseFile(dir + "/kppkp.nbb", TablebaseRegistry[kppkp].indexSize[1]);
    Scan();
    // The file holds zeros (draws): -32639 cannot have come from it.
    for (u64 index : {56802428ull, 56811076ull, 56849992ull, 56858640ull, 59592489ull, 67775659ull, 71071628ull}) {
        EXPECT_EQ(ProbeTableValue(kppkp, 1, index), -32639) << index;
        EXPECT_EQ(TableCacheMostRecent, nullptr);
    }
    EXPECT_EQ(TablebaseScore(-32639), -32446);
    EXPECT_EQ(ProbeTableValue(kppkp, 1, 56802429), 0);
    // Beyond the stored positions there is no value.
    EXPECT_EQ(ProbeTableValue(kppkp, 1, TablebaseRegistry[kppkp].indexSize[1]), NoTableValue);
    EXPECT_EQ(ProbeTableValue(kppkp, 1, ~0ull), NoTableValue);
}

// Each position is probed over files of synthetic bytes; the case names the
// table, the table side to move, the colour flip and the en-passant square
// the probe must use.
TEST_F(Probe, PositionsReachTheIndexOfTheirTable) {
    struct Case {
        const char* fen;
        const char* move;
        const char* table;
        i32 tableSide;
        i32 flip;
        u32 enPassant;
    };
    const Case cases[] = {
        {"8/8/8/8/8/4k3/4P3/4K3 w - - 0 1", nullptr, "kpk", 0, 0, NoEnPassant},
        {"8/8/8/8/8/4k3/4P3/4K3 b - - 0 1", nullptr, "kpk", 1, 0, NoEnPassant},
        // The pawn is Black's: the table sees the board with colours exchanged.
        {"4k3/4p3/8/4K3/8/8/8/8 w - - 0 1", nullptr, "kpk", 1, 1, NoEnPassant},
        {"4k3/4p3/8/4K3/8/8/8/8 b - - 0 1", nullptr, "kpk", 0, 1, NoEnPassant},
        // kpkp is always probed with the colours exchanged.
        {"4k3/8/8/3Pp3/8/8/8/4K3 w - e6 0 1", nullptr, "kpkp", 1, 1, 44},
        {"4k3/4p3/8/3P4/8/8/8/4K3 b - - 0 1", "e7e5", "kpkp", 1, 1, 44},
        {"4k3/4p3/8/5P2/8/8/8/4K3 b - - 0 1", "e7e5", "kpkp", 1, 1, 44},
        {"4k3/4p3/8/8/1P6/8/8/4K3 b - - 0 1", "e7e5", "kpkp", 1, 1, NoEnPassant},
        {"4k3/8/4p3/3P4/8/8/8/4K3 b - - 0 1", "e6e5", "kpkp", 1, 1, NoEnPassant},
        {"4k3/p7/8/1P6/8/8/8/4K3 b - - 0 1", "a7a5", "kpkp", 1, 1, 40},
        {"4k3/p7/8/8/7P/8/8/4K3 b - - 0 1", "a7a5", "kpkp", 1, 1, NoEnPassant},
        {"4k3/7p/P7/8/8/8/8/4K3 b - - 0 1", "h7h5", "kpkp", 1, 1, NoEnPassant},
        {"4k3/8/8/8/3p4/8/4P3/4K3 w - - 0 1", "e2e4", "kpkp", 0, 1, 20},
        // Five men; a symmetric six-man table read with Black to move.
        {"4k3/8/8/8/8/p7/1PP5/4K3 w - - 0 1", nullptr, "kppkp", 0, 0, NoEnPassant},
        {"1n2k1n1/8/8/8/8/8/8/1N2K1N1 b - - 0 1", nullptr, "knnknn", 1, 0, NoEnPassant},
    };
    for (const Case& c : cases) {
        const i32 id = TableId(c.table);
        const TablebaseRegistryEntry& entry = TablebaseRegistry[id];
        const i32 fileSide = (entry.flags & TbSymmetric) ? 0 : c.tableSide;
        Load(c.fen, c.move);
        const u64 index = TableIndex(id, c.tableSide, c.enPassant, c.flip);
        ASSERT_LT(index, entry.indexSize[c.tableSide]) << c.fen;
        // The file of the probed side holds synthetic bytes around the index.
        const u64 length = entry.indexSize[fileSide];
        u64 at = 0;
        const std::vector<u8> block = SyntheticBlock(id, fileSide, index, length, &at);
        const std::string name = std::string(c.table) + (fileSide == 0 ? ".nbw" : ".nbb");
        WriteSparseFile(dir + "/" + name, length, at, block);
        Scan();
        i32 score = 4711;
        ASSERT_EQ(ProbeTablebase(1 - board.SideToMove, &score), 1) << c.fen;
        EXPECT_EQ(score, ScoreOfByte(i8(SyntheticByte(id, fileSide, index)))) << c.fen;
        std::remove((dir + "/" + name).c_str());
    }
}

TEST_F(Probe, PositionsNoTableSlotHolds) {
    std::vector<u8> data(TablebaseRegistry[TableId("kpk")].indexSize[0], 1);
    WriteWholeFile(dir + "/kpk.nbw", data);
    Scan();
    i32 score = 4711;
    const char* fens[] = {
        "8/8/8/8/8/4k3/P3P3/4K3 w - - 0 1",  // no table for the material
        "8/8/8/8/8/4k3/8/4K3 w - - 0 1",     // bare kings
    };
    for (const char* fen : fens) {
        Load(fen);
        EXPECT_EQ(ProbeTablebase(BLACK, &score), 0) << fen;
    }
    EXPECT_EQ(score, 4711);
}

}  // namespace
