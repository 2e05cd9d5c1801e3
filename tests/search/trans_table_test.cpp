#include "search/trans_table.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

#include "board/board.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "board/keys.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "search/hash_tables.h"
#include "search/search_limits.h"

namespace {

// Index positions of the small table the tests work in.
constexpr u32 TestEntries = 1000;

class TransTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitEngineTables();
        ASSERT_EQ(ParseFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -"), 1);
        TransEntries = TestEntries;
        AllocTransTable();
        ClearTransTable();
        TransFillCount = 0;
        SearchPly = 0;
    }
    void TearDown() override {
        SearchPly = 0;
        TransFillCount = 0;
        TransEntries = DefaultTransEntries;
        AllocTransTable();
        ClearTransTable();
    }

    // Makes the current position's search key `key`, with no game record
    // and no castling rights, so tests choose buckets at will.
    static void UseKey(u64 key, Side side = WHITE) {
        GamePly = 0;
        board.CastlingFlags = 0;
        board.SideToMove = side;
        board.HashKey = key ^ ZobristCastle[0];
        ASSERT_EQ(ComputeSearchKey(), key);
    }
    // The key of the variant-th position whose white bucket starts at index.
    static u64 KeyAt(u32 index, u32 variant) { return u64(variant + 1) << 32 | index; }
};

TEST_F(TransTableTest, EntryLayout) {
    EXPECT_EQ(sizeof(TransEntry), 20u);
    EXPECT_EQ(offsetof(TransEntry, key), 0u);
    EXPECT_EQ(offsetof(TransEntry, depth), 8u);
    EXPECT_EQ(offsetof(TransEntry, score), 10u);
    EXPECT_EQ(offsetof(TransEntry, packed), 12u);
    EXPECT_EQ(offsetof(TransEntry, age), 16u);
    EXPECT_EQ(offsetof(TransEntry, flags), 18u);

    // The packed word: move, bound, side, mate threat.
    const Move move = MakeMoveWord(E7, E8, PAWN, ROOK, QUEEN);
    UseKey(KeyAt(17, 0), BLACK);
    TransAge = 9;
    StoreHash(11820, move, 0, ExactBound, 1, NoSearchCaptures);
    const TransEntry* entry = FindTransEntry(KeyAt(17, 0), BLACK);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->packed, move | 3u << 21 | 1u << 23 | 1u << 30);
    EXPECT_EQ(entry->key.Get(), KeyAt(17, 0));
    EXPECT_EQ(entry->depth, 11820);
    EXPECT_EQ(entry->age, 9);
    EXPECT_EQ(entry->flags, NoSearchCaptures);
    EXPECT_EQ(TransMove(*entry), move);
    EXPECT_EQ(TransBound(*entry), ExactBound);
    EXPECT_EQ(TransSide(*entry), BLACK);
    EXPECT_EQ(TransHasMateThreat(*entry), 1u);
    // Black's bucket starts at index ^ 4.
    EXPECT_EQ(entry, TransTable + (17 ^ 4));
}

TEST_F(TransTableTest, SearchKeyHoldsEnPassantOnlyWhenACaptureIsThere) {
    struct Case {
        const char* before;  // position before the last move
        const char* move;
        const char* after;  // the same position with no game record
        i32 enPassantFile;  // -1: the key equals the plain position's key
    };
    const Case cases[] = {
        // 1. e4: no black pawn beside e4.
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", "e2e4",
         "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq -", -1},
        // An enemy pawn beside the arrival square, either side.
        {"4k3/8/8/8/3p4/8/4P3/4K3 w - -", "e2e4", "4k3/8/8/8/3pP3/8/8/4K3 b - -", 4},
        {"4k3/8/8/8/5p2/8/4P3/4K3 w - -", "e2e4", "4k3/8/8/8/4Pp2/8/8/4K3 b - -", 4},
        {"4k3/3p4/8/4P3/8/8/8/4K3 b - -", "d7d5", "4k3/8/8/3pP3/8/8/8/4K3 w - -", 3},
        // Even a pinned pawn counts: the capture would be illegal.
        {"8/8/8/8/k3p2Q/8/3P4/3K4 w - -", "d2d4", "8/8/8/8/k2Pp2Q/8/8/3K4 b - -", 3},
        // A pawn of the mover beside it does not.
        {"4k3/8/8/8/3P4/8/4P3/4K3 w - -", "e2e4", "4k3/8/8/8/3PP3/8/8/4K3 b - -", -1},
        // Edge files: a4 has no left neighbour (h3 is not beside it), h4 no right one.
        {"4k3/8/8/8/1p6/8/P7/4K3 w - -", "a2a4", "4k3/8/8/8/Pp6/8/8/4K3 b - -", 0},
        {"4k3/8/8/8/8/7p/P7/4K3 w - -", "a2a4", "4k3/8/8/8/P7/7p/8/4K3 b - -", -1},
        {"4k3/8/8/8/6p1/8/7P/4K3 w - -", "h2h4", "4k3/8/8/8/6pP/8/8/4K3 b - -", 7},
        {"4k3/8/8/p7/8/8/7P/4K3 w - -", "h2h4", "4k3/8/8/p7/7P/8/8/4K3 b - -", -1},
        // A single step next to an enemy pawn is no double step.
        {"4k3/8/8/8/8/3pP3/8/4K3 w - -", "e3e4", "4k3/8/8/8/4P3/3p4/8/4K3 b - -", -1},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(ParseFen(c.after), 1) << c.after;
        const u64 plain = ComputeSearchKey();
        EXPECT_EQ(plain, board.HashKey ^ ZobristCastle[board.CastlingFlags]) << c.after;

        ASSERT_EQ(ParseFen(c.before), 1) << c.before;
        const Move move = ParseMoveText(c.move);
        ASSERT_NE(move, NoMove) << c.move;
        MakeMove(move, 1);
        const u64 expected =
            c.enPassantFile < 0 ? plain : plain ^ ZobristEnPassant[c.enPassantFile];
        EXPECT_EQ(ComputeSearchKey(), expected) << c.before << " " << c.move;
    }
}

TEST_F(TransTableTest, CastlingRightsEnterTheKey) {
    ASSERT_EQ(ParseFen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq -"), 1);
    const u64 all = ComputeSearchKey();
    ASSERT_EQ(ParseFen("r3k2r/8/8/8/8/8/8/R3K2R w Kq -"), 1);
    EXPECT_EQ(ComputeSearchKey(), board.HashKey ^ ZobristCastle[1 | 8]);
    EXPECT_NE(ComputeSearchKey(), all);
}

TEST_F(TransTableTest, RealPositionsRoundTrip) {
    // A move stored for a position is found again when the same position is
    // set up anew, and not for the same pieces with the other side to move.
    const Move move = ParseMoveText("g1f3");
    TransAge = 1;
    StoreHash(300, move, 25, ExactBound, 0, 0);
    EXPECT_EQ(GetHashMove(), move);
    ASSERT_EQ(ParseFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -"), 1);
    EXPECT_EQ(GetHashMove(), move);
    ASSERT_EQ(ParseFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq -"), 1);
    EXPECT_EQ(GetHashMove(), 0u);
    u32 found = 99;
    EXPECT_EQ(ProbeHashMove(&found), 0);
    EXPECT_EQ(found, 99u);
}

TEST_F(TransTableTest, SideToMoveEntersIndexAndMatch) {
    // Same key, both sides: two entries, each found only by its own side.
    const u64 key = KeyAt(40, 0);
    UseKey(key, WHITE);
    StoreHash(60, 111, 0, ExactBound, 0, 0);
    UseKey(key, BLACK);
    EXPECT_EQ(GetHashMove(), 0u);
    StoreHash(60, 222, 0, ExactBound, 0, 0);
    EXPECT_EQ(GetHashMove(), 222u);
    UseKey(key, WHITE);
    EXPECT_EQ(GetHashMove(), 111u);
    EXPECT_EQ(TransTable[40].packed & TransMoveMask, 111u);
    EXPECT_EQ(TransTable[40 ^ 4].packed & TransMoveMask, 222u);

    // Even in one bucket an entry of the other side does not match.
    TransTable[41] = TransTable[40];
    TransTable[41].packed |= 1u << TransSideShift;
    TransTable[41].packed = (TransTable[41].packed & ~TransMoveMask) | 333;
    UseKey(key, BLACK);
    EXPECT_EQ(GetHashMove(), 222u);
}

// One slot of a bucket before a store: variant 0 is empty; variant v > 0 is
// the position KeyAt(index, v).
struct Slot {
    u32 variant;
    i16 depth;
    bool current;  // stamped with the current TransAge
};

struct ReplacementCase {
    const char* name;
    Slot slots[4];
    i32 storeDepth;
    i32 target;  // slot written, -1 = nothing stored
    i32 filled;  // increase of TransFillCount
};

TEST_F(TransTableTest, ReplacementRule) {
    constexpr u16 Now = 50, Earlier = 49;
    constexpr u32 StoreVariant = 9;
    // Slots: E empty, C(v, d) position v at depth d of this search, O(v, d)
    // the same from an earlier search. The store is position 9.
    const Slot E = {0, 0, false};
    auto C = [](u32 variant, i16 depth) { return Slot{variant, depth, true}; };
    auto O = [](u32 variant, i16 depth) { return Slot{variant, depth, false}; };
    // clang-format off
    const ReplacementCase cases[] = {
        // name                                                     bucket before the store                      depth target filled
        {"empty bucket takes the first entry",                     {E, E, E, E},                                    60,  0, 1},
        {"first empty entry after others",                         {C(1, 900), O(2, 60), E, E},                     60,  2, 1},
        {"an empty entry hides the entries behind it",             {C(1, 900), E, C(9, 60), E},                    600,  1, 1},
        {"same position, deeper store replaces it",                {C(1, 60), C(9, 300), C(2, 60), C(3, 60)},      360,  1, 0},
        {"same position, equal depth replaces it",                 {C(1, 60), C(9, 300), C(2, 60), C(3, 60)},      300,  1, 0},
        {"same position of an earlier search is not counted",      {O(9, 300), E, E, E},                           600,  0, 0},
        {"same position after shallower candidates",               {O(1, 0), C(2, 0), C(9, 120), C(3, 0)},         180,  2, 0},
        {"this search's bucket: the shallowest, first of equals",  {C(1, 300), C(2, 120), C(3, 120), C(4, 240)},   180,  1, 0},
        {"this search's bucket: an equal depth is stored",         {C(1, 300), C(2, 240), C(3, 180), C(4, 300)},   180,  2, 0},
        {"this search's bucket: all deeper, nothing stored",       {C(1, 300), C(2, 240), C(3, 360), C(4, 300)},   180, -1, 0},
        {"an earlier search's entry goes first, even deep",        {C(1, 60), C(2, 60), O(3, 900), C(4, 60)},       60,  2, 1},
        {"of two earlier entries the shallower",                   {O(1, 600), C(2, 60), O(3, 300), C(4, 0)},       60,  2, 1},
        {"of earlier entries of equal depth the first",            {C(1, 60), O(2, 300), O(3, 300), O(4, 300)},      0,  1, 1},
    };
    // clang-format on
    for (const ReplacementCase& c : cases) {
        SCOPED_TRACE(c.name);
        ClearTransTable();
        TransAge = Now;
        TransFillCount = 0;
        const u32 index = 100;
        for (i32 i = 0; i < 4; i++) {
            const Slot& slot = c.slots[i];
            TransEntry& entry = TransTable[index + i];
            if (slot.variant == 0) continue;
            entry.key.Set(KeyAt(index, slot.variant));
            entry.depth = slot.depth;
            entry.score = i16(-slot.variant);
            entry.age = slot.current ? Now : Earlier;
            entry.flags = 1;
            entry.packed = slot.variant | LowerBound << TransBoundShift;
        }
        std::vector<TransEntry> before(TransTable, TransTable + TestEntries + TransSpareEntries);

        UseKey(KeyAt(index, StoreVariant));
        StoreHash(c.storeDepth, 777, 42, ExactBound, 0, 2);

        EXPECT_EQ(TransFillCount, c.filled);
        for (i32 i = 0; i < i32(TestEntries + TransSpareEntries); i++) {
            const TransEntry& entry = TransTable[i];
            const bool sameAsBefore =
                entry.key.Get() == before[i].key.Get() && entry.depth == before[i].depth &&
                entry.score == before[i].score && entry.packed == before[i].packed &&
                entry.age == before[i].age && entry.flags == before[i].flags;
            if (c.target < 0 || i != i32(index) + c.target) {
                EXPECT_TRUE(sameAsBefore) << "entry " << i << " changed";
                continue;
            }
            EXPECT_EQ(entry.key.Get(), KeyAt(index, StoreVariant));
            EXPECT_EQ(entry.depth, c.storeDepth);
            EXPECT_EQ(entry.score, 42);
            EXPECT_EQ(entry.packed, 777u | ExactBound << TransBoundShift);
            EXPECT_EQ(entry.age, Now);
            // A replaced position's flags are its own; the same position's merge.
            const bool samePosition =
                before[i].packed != 0 && before[i].key.Get() == entry.key.Get();
            EXPECT_EQ(entry.flags, samePosition ? (1 | 2) : 2);
        }
    }
}

TEST_F(TransTableTest, ShallowerStoreKeepsTheEntryButRefreshesAgeAndFlags) {
    const u64 key = KeyAt(300, 0);
    UseKey(key);
    TransAge = 3;
    StoreHash(600, 1234, 77, LowerBound, 1, NoQuiescenceChecks);
    TransAge = 4;
    TransFillCount = 0;
    StoreHash(120, 4321, -5, UpperBound, 0, NoQuiescenceCaptures);
    const TransEntry* entry = FindTransEntry(key, WHITE);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->depth, 600);
    EXPECT_EQ(entry->score, 77);
    EXPECT_EQ(TransMove(*entry), 1234u);
    EXPECT_EQ(TransBound(*entry), LowerBound);
    EXPECT_EQ(TransHasMateThreat(*entry), 1u);
    EXPECT_EQ(entry->age, 4);
    EXPECT_EQ(entry->flags, NoQuiescenceChecks | NoQuiescenceCaptures);
    EXPECT_EQ(TransFillCount, 0);

    // A deeper store then writes the merged flags.
    StoreHash(660, 4321, -5, UpperBound, 0, NoSearchCaptures);
    EXPECT_EQ(entry->depth, 660);
    EXPECT_EQ(entry->flags, NoQuiescenceChecks | NoQuiescenceCaptures | NoSearchCaptures);
    EXPECT_EQ(TransHasMateThreat(*entry), 0u);
}

TEST_F(TransTableTest, MateScoresAreKeptRelativeToTheStoringNode) {
    struct Case {
        u32 bound;
        i32 score;
        i32 storePly;
        i32 stored;
        i32 readPly;
        i32 read;
    };
    const Case cases[] = {
        {ExactBound, 32690, 4, 32694, 6, 32688},
        {ExactBound, -32690, 4, -32694, 6, -32688},
        {ExactBound, 31001, 3, 31004, 0, 31004},
        {ExactBound, 31000, 3, 31000, 9, 31000},  // not beyond the threshold
        {ExactBound, -31000, 3, -31000, 9, -31000},
        {ExactBound, 250, 7, 250, 2, 250},
        {LowerBound, 32690, 4, 31000, 6, 31000},
        {LowerBound, -32690, 4, -32690, 6, -32690},  // bounds are not re-based
        {UpperBound, -32690, 4, -31000, 6, -31000},
        {UpperBound, 32690, 4, 32690, 6, 32690},
    };
    for (const Case& c : cases) {
        ClearTransTable();
        UseKey(KeyAt(500, 0));
        SearchPly = c.storePly;
        StoreHash(120, 55, c.score, c.bound, 0, 0);
        const TransEntry* entry = FindTransEntry(KeyAt(500, 0), WHITE);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->score, c.stored) << c.score << " bound " << c.bound;
        SearchPly = c.readPly;
        EXPECT_EQ(ScoreFromTrans(entry->score, c.bound), c.read) << c.score << " bound " << c.bound;
    }

    // The same example through the root probe.
    ClearTransTable();
    UseKey(KeyAt(500, 0));
    SearchPly = 4;
    StoreHash(120, 55, 32690, ExactBound, 0, 0);
    SearchPly = 6;
    i32 alpha = -32700, beta = 32700, usable = 0;
    u32 move = 0;
    EXPECT_EQ(ProbeHash(&alpha, &beta, &move, &usable, 0), 1);
    EXPECT_EQ(usable, 1);
    EXPECT_EQ(alpha, 32688);
}

TEST_F(TransTableTest, ProbeHashDecidesTheWindowOrOnlyGivesTheMove) {
    struct Case {
        u32 bound;
        i32 score;
        i32 alpha, beta, moveOnly;
        i32 usable;
        i32 alphaAfter;
    };
    const Case cases[] = {
        {ExactBound, 50, -100, 100, 0, 1, 50},
        {ExactBound, 500, -100, 100, 0, 1, 500},  // no depth or window test for exact
        {ExactBound, 50, -100, 100, 1, 0, -100},
        {UpperBound, -20, 0, 100, 0, 1, -20},
        {UpperBound, 0, 0, 100, 0, 1, 0},
        {UpperBound, 50, 0, 100, 0, 0, 0},
        {LowerBound, 150, 0, 100, 0, 1, 150},
        {LowerBound, 100, 0, 100, 0, 1, 100},
        {LowerBound, 50, 0, 100, 0, 0, 0},
        {LowerBound, 150, 0, 100, 1, 0, 0},
    };
    for (const Case& c : cases) {
        ClearTransTable();
        UseKey(KeyAt(600, 0));
        TransAge = 5;
        StoreHash(60, 4242, c.score, c.bound, 0, NoQuiescenceCaptures);
        TransAge = 6;
        i32 alpha = c.alpha, beta = c.beta, usable = -1;
        u32 move = 0;
        ProbedHashFlags = 0;
        EXPECT_EQ(ProbeHash(&alpha, &beta, &move, &usable, c.moveOnly), 1);
        EXPECT_EQ(usable, c.usable) << "bound " << c.bound << " score " << c.score;
        EXPECT_EQ(alpha, c.alphaAfter) << "bound " << c.bound << " score " << c.score;
        EXPECT_EQ(beta, c.beta);
        EXPECT_EQ(move, 4242u);
        EXPECT_EQ(ProbedHashFlags, NoQuiescenceCaptures);
        // The age is refreshed, also when only the move was asked for.
        EXPECT_EQ(FindTransEntry(KeyAt(600, 0), WHITE)->age, 6);
    }

    // A miss writes only the flags.
    UseKey(KeyAt(601, 0));
    i32 alpha = 1, beta = 2, usable = 3;
    u32 move = 4;
    ProbedHashFlags = 18;
    EXPECT_EQ(ProbeHash(&alpha, &beta, &move, &usable, 0), 0);
    EXPECT_EQ(ProbedHashFlags, 0);
    EXPECT_EQ(alpha, 1);
    EXPECT_EQ(usable, 3);
    EXPECT_EQ(move, 4u);
}

TEST_F(TransTableTest, ProbeHashBoundTakesDeepEnoughUpperAndExactScores) {
    struct Case {
        u32 bound;
        i32 depth;
        i32 score;
        i32 askDepth, limit;
        i32 result;
        i32 proven;
    };
    const Case cases[] = {
        {UpperBound, 300, -50, 300, -40, 1, -50},
        {UpperBound, 300, -50, 240, -50, 1, -50},
        {UpperBound, 300, -30, 300, -40, 0, 0},  // score above the limit
        {UpperBound, 240, -50, 300, -40, 0, 0},  // too shallow
        {ExactBound, 300, -50, 300, -40, 1, -50},
        {ExactBound, 240, -50, 300, -40, 0, 0},
        {LowerBound, 900, -500, 60, 0, 0, 0},  // lower bounds never prove anything
        // Exact mates are re-based before the comparison (stored and read at ply 2).
        {ExactBound, 300, -32690, 300, -32689, 1, -32690},
    };
    for (const Case& c : cases) {
        ClearTransTable();
        UseKey(KeyAt(700, 0));
        SearchPly = 2;
        TransAge = 1;
        StoreHash(c.depth, 0, c.score, c.bound, 0, 0);
        TransAge = 2;
        ProbedBoundScore = 0;
        EXPECT_EQ(ProbeHashBound(c.askDepth, c.limit), c.result)
            << c.bound << " " << c.depth << " " << c.score;
        EXPECT_EQ(ProbedBoundScore, c.proven);
        EXPECT_EQ(FindTransEntry(KeyAt(700, 0), WHITE)->age, 1) << "the age is not refreshed";
    }
    // Mate re-basing by the ply of the probe: stored at ply 2 as -32692,
    // read at ply 5 as -32687.
    SearchPly = 5;
    EXPECT_EQ(ProbeHashBound(300, -32687), 1);
    EXPECT_EQ(ProbedBoundScore, -32687);
    EXPECT_EQ(ProbeHashBound(300, -32688), 0);
}

TEST_F(TransTableTest, MoveLookupsLeaveTheAgeAlone) {
    UseKey(KeyAt(800, 0));
    TransAge = 1;
    StoreHash(60, 0, 0, UpperBound, 0, 0);
    TransAge = 2;
    u32 move = 99;
    // A hit without a move: 0, with the move written.
    EXPECT_EQ(ProbeHashMove(&move), 0);
    EXPECT_EQ(move, 0u);
    EXPECT_EQ(GetHashMove(), 0u);

    UseKey(KeyAt(801, 0));
    StoreHash(60, 1500, 0, ExactBound, 0, 0);
    TransAge = 3;
    move = 99;
    EXPECT_EQ(ProbeHashMove(&move), 1);
    EXPECT_EQ(move, 1500u);
    EXPECT_EQ(GetHashMove(), 1500u);
    EXPECT_EQ(FindTransEntry(KeyAt(801, 0), WHITE)->age, 2);
}

TEST_F(TransTableTest, NodeEntryProbeRemembersFlags) {
    UseKey(KeyAt(900, 0));
    TransAge = 1;
    StoreHash(0, 5, 0, ExactBound, 0, NoQuiescenceChecks | NoQuiescenceCaptures);
    TransAge = 2;
    TransEntry* entry = ProbeNodeEntry(KeyAt(900, 0), WHITE);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(ProbedHashFlags, 3);
    EXPECT_EQ(entry->age, 2);
    EXPECT_EQ(ProbeNodeEntry(KeyAt(901, 0), WHITE), nullptr);
    EXPECT_EQ(ProbedHashFlags, 0);
}

TEST_F(TransTableTest, ClearEmptiesEveryBucket) {
    TransAge = 7;
    for (u32 i = 0; i < 50; i++) {
        UseKey(KeyAt(i * 7, i));
        StoreHash(60, i + 1, 0, ExactBound, 0, 1);
    }
    ProbedHashFlags = 1;
    ClearTransTable();
    EXPECT_EQ(TransAge, 0);
    EXPECT_EQ(ProbedHashFlags, 0);
    for (u32 i = 0; i < TestEntries + TransSpareEntries; i++) {
        ASSERT_EQ(TransTable[i].packed, 0u);
        ASSERT_EQ(TransTable[i].key.Get(), WipedKey);
    }
    for (u32 i = 0; i < 50; i++) {
        UseKey(KeyAt(i * 7, i));
        ASSERT_EQ(GetHashMove(), 0u);
    }
}

TEST_F(TransTableTest, WithNoEntriesEverythingMisses) {
    ResizeMainHash(0);
    ASSERT_EQ(TransEntries, 0u);
    UseKey(KeyAt(3, 0));
    TransFillCount = 0;
    StoreHash(600, 1234, 10, ExactBound, 0, 18);
    EXPECT_EQ(TransFillCount, 0);
    for (u32 i = 0; i < TransSpareEntries; i++) EXPECT_EQ(TransTable[i].packed, 0u);

    EXPECT_EQ(GetHashMove(), 0u);
    u32 move = 7;
    EXPECT_EQ(ProbeHashMove(&move), 0);
    EXPECT_EQ(move, 7u);
    EXPECT_EQ(ProbeHashBound(0, 32700), 0);
    EXPECT_EQ(FindTransEntry(KeyAt(3, 0), WHITE), nullptr);

    // The remembered flags never outlive the table.
    ProbedHashFlags = 18;
    i32 alpha = 0, beta = 0, usable = 5;
    EXPECT_EQ(ProbeHash(&alpha, &beta, &move, &usable, 0), 0);
    EXPECT_EQ(ProbedHashFlags, 0);
    EXPECT_EQ(usable, 5);
    ProbedHashFlags = 18;
    EXPECT_EQ(ProbeNodeEntry(KeyAt(3, 0), WHITE), nullptr);
    EXPECT_EQ(ProbedHashFlags, 0);
}

}  // namespace
