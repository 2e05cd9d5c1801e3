// The book file: its keys, opening and checking it, and the index search,
// against golden books whose bytes were worked out from the format alone.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "book/book_fixture.h"

namespace {

using BookFile = BookTest;

struct PositionCase {
    const char* name;
    const char* fen;
    std::initializer_list<const char*> moves;
};

const PositionCase AfterE4 = {"after 1.e4", StartFen, {"e2e4"}};
const PositionCase Start = {"start", StartFen, {}};
const PositionCase AfterE4E5 = {"after 1.e4 e5", StartFen, {"e2e4", "e7e5"}};
const PositionCase AfterD4 = {"after 1.d4", StartFen, {"d2d4"}};
const PositionCase AfterNc6 = {"after 1.e4 e5 2.Nf3 Nc6", StartFen, {"e2e4", "e7e5", "g1f3", "b8c6"}};
const PositionCase StartBlackToMove = {
    "start placement, black to move", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq -", {}};
const PositionCase AfterE4WhiteToMove = {
    "after 1.e4, white to move", "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR w KQkq -", {}};

void Reach(const PositionCase& p) { BookTest::SetPosition(p.fen, p.moves); }

TEST_F(BookFile, KeysOfKnownPositions) {
    struct Case {
        PositionCase position;
        u32 key1, key2;
    };
    const Case cases[] = {
        {Start, 0xDEEA69CD, 0x9B8639E0},     {StartBlackToMove, 0xD939C426, 0x9B8639E0},
        {AfterE4, 0xDA94CEE3, 0x799F5A59},   {AfterE4E5, 0x2F4E9508, 0x76AAC948},
        {AfterD4, 0xD50583CF, 0x2FF53BE5},   {AfterNc6, 0x13C1D48A, 0xB2917C7A},
    };
    for (const Case& c : cases) {
        Reach(c.position);
        u32 key1, key2;
        BookKeyOfPosition(&key1, &key2);
        EXPECT_EQ(key1, c.key1) << c.position.name;
        EXPECT_EQ(key2, c.key2) << c.position.name;
    }
}

TEST_F(BookFile, KeysIgnoreCastlingAndEnPassantAndMarkTheSideToMove) {
    // Each pair holds one placement; only the side to move may change key1.
    struct Case {
        const char* fen;
        const char* sameFen;
        bool sideDiffers;
    };
    const Case cases[] = {
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "r3k2r/8/8/8/8/8/8/R3K2R w - -", false},
        {"r3k2r/8/8/8/8/8/8/R3K2R b Kq -", "r3k2r/8/8/8/8/8/8/R3K2R w - -", true},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6", "4k3/8/8/3pP3/8/8/8/4K3 w - -", false},
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3",
         "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR w - -", true},
    };
    for (const Case& c : cases) {
        u32 key1, key2, sameKey1, sameKey2;
        SetPosition(c.fen);
        BookKeyOfPosition(&key1, &key2);
        SetPosition(c.sameFen);
        BookKeyOfPosition(&sameKey1, &sameKey2);
        EXPECT_EQ(key1 ^ sameKey1, c.sideDiffers ? 0x07D3ADEBu : 0u) << c.fen;
        EXPECT_EQ(key2, sameKey2) << c.fen;
    }
}

TEST_F(BookFile, WriterReproducesTheGoldenBooks) {
    struct Case {
        const char* fixture;
        TestBook book;
        size_t size;
    };
    const Case cases[] = {
        {"golden_v1.kvb", GoldenVersion1Book(), 103},
        {"golden_v0.kvb", GoldenVersion0Book(), 96},
        {"key2_order.kvb", Key2OrderBook(), 70},
    };
    for (const Case& c : cases) {
        const std::string golden = ReadTestFile(BookFixturePath(c.fixture));
        EXPECT_EQ(golden.size(), c.size) << c.fixture;
        EXPECT_EQ(TestBookBytes(c.book), golden) << c.fixture;
    }
}

TEST_F(BookFile, IndexSearchFollowsTheSignedKeyOrder) {
    struct Case {
        PositionCase position;
        i32 found;
        long offsetWord;  // where the file stands after a hit
    };
    const Case cases[] = {
        {AfterE4, 1, 44},   {Start, 1, 56},    {AfterE4E5, 1, 68},
        {AfterD4, 0, 0},    {AfterNc6, 0, 0},  {StartBlackToMove, 0, 0},
        {AfterE4WhiteToMove, 0, 0},
    };
    for (const char* fixture : {"golden_v1.kvb", "golden_v0.kvb"}) {
        LoadBook(BookFixturePath(fixture));
        for (const Case& c : cases) {
            Reach(c.position);
            EXPECT_EQ(FindBookPosition(), c.found) << fixture << ", " << c.position.name;
            if (c.found) {
                EXPECT_EQ(std::ftell(BookFileHandle), c.offsetWord) << c.position.name;
            }
        }
    }

    // Two records share key1: key2 decides, as a signed number too.
    LoadBook(BookFixturePath("key2_order.kvb"));
    Reach(Start);
    EXPECT_EQ(FindBookPosition(), 1);
    EXPECT_EQ(std::ftell(BookFileHandle), 44);
    EXPECT_EQ(Listing(), "1 moves from current pos in book:\ne2e4 100% (not less than 2 game(s))\n");
}

TEST_F(BookFile, CompareBookKeysIsSigned) {
    struct Case {
        i32 a1, a2, b1, b2, expected;
    };
    const Case cases[] = {
        {0, 0, 0, 0, 0},
        {1, 0, 0, 0, 1},
        {0, 0, 1, 0, -1},
        {i32(0x80000000), 0, 0x7FFFFFFF, 0, -1},  // the top bit set sorts first
        {-1, 0, 0, 0, -1},
        {i32(0xDA94CEE3), 0, i32(0xDEEA69CD), 0, -1},
        {i32(0xDEEA69CD), 0, 0x2F4E9508, 0, -1},
        {5, -1, 5, 1, -1},                        // key2 decides when key1 ties
        {5, 1, 5, i32(0x9B8639E0), 1},
        {5, 7, 5, 7, 0},
        {7, -5, 5, 7, 1},                         // key1 decides before key2
    };
    for (const Case& c : cases)
        EXPECT_EQ(CompareBookKeys(c.a1, c.a2, c.b1, c.b2), c.expected)
            << c.a1 << " " << c.a2 << " " << c.b1 << " " << c.b2;
}

TEST_F(BookFile, EmptyBookFindsNothing) {
    const std::string bytes = TestBookBytes(TestBook{});
    ASSERT_EQ(bytes.size(), 36u);
    EXPECT_EQ(OpenBookOutput(WriteBook(bytes)), "0 nodes in openings book\n");
    ASSERT_EQ(BookLoaded, 1);
    for (const PositionCase& p : {Start, AfterE4, AfterE4E5, StartBlackToMove}) {
        Reach(p);
        EXPECT_EQ(FindBookPosition(), 0) << p.name;
        EXPECT_EQ(ChooseBookMove(), NoMove) << p.name;
        EXPECT_EQ(Listing(), "No moves from current pos in book\n") << p.name;
    }
}

TEST_F(BookFile, NoBookOrAFailedReadIsNotInBook) {
    // A handle without a loaded book is no book.
    BookFileHandle = std::tmpfile();
    ASSERT_NE(BookFileHandle, nullptr);
    EXPECT_EQ(FindBookPosition(), 0);
    EXPECT_EQ(ChooseBookMove(), NoMove);
    CloseBookFile();

    // A book cut short after it was opened (read through a fresh handle, as
    // no stream buffer kept the old bytes): reads past its end fail.
    struct Case {
        off_t length;
        PositionCase position;
    };
    const Case cases[] = {
        {40, Start},       // inside the first record's key
        {58, Start},       // inside the start's offset word
        {90, Start},       // inside the start's move list
        {98, AfterE4E5},   // the count byte itself is gone
    };
    for (const Case& c : cases) {
        const std::string path = WriteBook(ReadTestFile(BookFixturePath("golden_v1.kvb")));
        LoadBook(path);
        ASSERT_EQ(truncate(path.c_str(), c.length), 0);
        std::fclose(BookFileHandle);
        BookFileHandle = std::fopen(path.c_str(), "r+b");
        ASSERT_NE(BookFileHandle, nullptr);
        Reach(c.position);
        EXPECT_EQ(ChooseBookMove(), NoMove) << c.length;
        EXPECT_EQ(Listing(), "No moves from current pos in book\n") << c.length;
    }
}

TEST_F(BookFile, OpenBookReportsEachOutcome) {
    const std::string golden = ReadTestFile(BookFixturePath("golden_v1.kvb"));
    // The golden header with the version word and N replaced.
    auto withHeader = [&](u32 version, u32 nodeCount, size_t length) {
        std::string bytes = golden;
        for (i32 i = 0; i < 4; i++) {
            bytes[24 + i] = char(version >> (8 * i));
            bytes[32 + i] = char(nodeCount >> (8 * i));
        }
        bytes.resize(length, '\0');
        return bytes;
    };
    const std::string invalid = "Invalid book format\n";
    // A header that promises more than the file holds: the line names the
    // file and what is missing.
    const auto cut = [&](const std::string& what) {
        return "Invalid book format (\"" + scratch + "/book.kvb\": " + what + ")\n";
    };
    const std::string loaded = "3 nodes in openings book\n";
    const std::string version0 = "NG: Book learning not supported for book version 0\n" + loaded;
    struct Case {
        const char* what;
        std::string bytes;
        std::string printed;
        i32 loaded, isVersion0;
    };
    const Case cases[] = {
        {"version 1", golden, loaded, 1, 0},
        {"version 0", ReadTestFile(BookFixturePath("golden_v0.kvb")), version0, 1, 1},
        {"negative version reads as 1", withHeader(0x80000000, 3, 103), loaded, 1, 0},
        {"version -1", withHeader(0xFFFFFFFF, 3, 103), loaded, 1, 0},
        {"index without lists", withHeader(1, 3, 72),
         cut("a move list at byte 72 lies past the end of the file (72 bytes)"), 0, 0},
        {"empty file", "", invalid, 0, 0},
        {"other text", "~Korvalent opening  book" + golden.substr(24), invalid, 0, 0},
        {"text cut short", golden.substr(0, 20), invalid, 0, 0},
        {"no version word", golden.substr(0, 27), invalid, 0, 0},
        {"version 2", withHeader(2, 3, 103), "Book version 2 not supported\n", 0, 0},
        // The version is checked before the length.
        {"version 7, short", withHeader(7, 3, 30), "Book version 7 not supported\n", 0, 0},
        {"header cut short", golden.substr(0, 35), invalid, 0, 0},
        {"index cut short", withHeader(1, 3, 71),
         cut("its index of 3 positions runs past the end of the file (71 bytes)"), 0, 0},
        {"index cut short, version 0", withHeader(0, 3, 71),
         cut("its index of 3 positions runs past the end of the file (71 bytes)"), 0, 0},
        {"N past any file", withHeader(1, 0xFFFFFFFF, 103),
         cut("its index of 4294967295 positions runs past the end of the file (103 bytes)"), 0, 0},
        // 12 * N wraps to 8 in 32 bits.
        {"N wrapping 32 bits", withHeader(1, 0x15555556, 103),
         cut("its index of 357913942 positions runs past the end of the file (103 bytes)"), 0, 0},
    };
    for (const Case& c : cases) {
        UseBookLearning = 1;
        UseBookWeights = 1;
        EXPECT_EQ(OpenBookOutput(WriteBook(c.bytes)), c.printed) << c.what;
        EXPECT_EQ(BookLoaded, c.loaded) << c.what;
        EXPECT_EQ(BookFileHandle != nullptr, c.loaded == 1) << c.what;
        if (c.loaded) {
            EXPECT_EQ(BookIsVersion0, c.isVersion0) << c.what;
            EXPECT_EQ(BookNodeCount, 3) << c.what;
            EXPECT_EQ(BookIndexEnd, 6) << c.what;
        }
        // Only a loaded version-0 book switches learning and weights off.
        EXPECT_EQ(UseBookLearning, c.isVersion0 ? 0 : 1) << c.what;
        EXPECT_EQ(UseBookWeights, c.isVersion0 ? 0 : 1) << c.what;
    }

    const std::string missing = scratch + "/missing.kvb";
    EXPECT_EQ(OpenBookOutput(missing), "Error opening \"" + missing + "\"!\n");
    EXPECT_EQ(BookLoaded, 0);
}

// A book cut short keeps its header and often its whole index, but the move
// lists the index names run past the new end. Every cut is refused at open
// with a line naming the file and the first list that does not fit, and the
// file is left as it was.
TEST_F(BookFile, CutBookIsRefusedAtOpen) {
    // golden_v1.kvb, 103 bytes: lists at 72 (after 1.e4, 2 moves), 81
    // (start, 4) and 98 (after 1.e4 e5, 1). golden_v0.kvb, 96 bytes: at 72,
    // 79 and 92.
    const std::string golden = ReadTestFile(BookFixturePath("golden_v1.kvb"));
    const std::string golden0 = ReadTestFile(BookFixturePath("golden_v0.kvb"));
    ASSERT_EQ(golden.size(), 103u);
    ASSERT_EQ(golden0.size(), 96u);
    struct Case {
        const char* what;
        std::string bytes;
        const char* fault;
    };
    const Case cases[] = {
        {"one byte short", golden.substr(0, 102),
         "the move list at byte 98 (1 moves) runs past the end of the file (102 bytes)"},
        {"the last list's count alone", golden.substr(0, 99),
         "the move list at byte 98 (1 moves) runs past the end of the file (99 bytes)"},
        {"the last list gone", golden.substr(0, 98),
         "a move list at byte 98 lies past the end of the file (98 bytes)"},
        {"inside the start's list", golden.substr(0, 90),
         "the move list at byte 81 (4 moves) runs past the end of the file (90 bytes)"},
        {"two thirds", golden.substr(0, 69), "its index of 3 positions runs past the end of the file (69 bytes)"},
        {"version 0, one byte short", golden0.substr(0, 95),
         "the move list at byte 92 (1 moves) runs past the end of the file (95 bytes)"},
    };
    for (const Case& c : cases) {
        LoadBook(BookFixturePath("golden_v1.kvb"));
        UseBookLearning = 1;
        UseBookWeights = 1;
        const std::string path = WriteBook(c.bytes);
        EXPECT_EQ(OpenBookOutput(path), "Invalid book format (\"" + path + "\": " + c.fault + ")\n") << c.what;
        EXPECT_EQ(BookLoaded, 0) << c.what;
        EXPECT_EQ(BookFileHandle, nullptr) << c.what;
        // A refused version-0 book switches nothing off.
        EXPECT_EQ(UseBookLearning, 1) << c.what;
        EXPECT_EQ(UseBookWeights, 1) << c.what;
        Reach(Start);
        EXPECT_EQ(ChooseBookMove(), NoMove) << c.what;
        EXPECT_EQ(ReadTestFile(path), c.bytes) << c.what;
    }
}

TEST_F(BookFile, FailedOpenLeavesNoBook) {
    const std::string golden = BookFixturePath("golden_v1.kvb");
    struct Case {
        const char* what;
        std::string second;
    };
    const Case cases[] = {
        {"missing", scratch + "/missing.kvb"},
        {"not a book", WriteBook("not a book at all", "text.kvb")},
    };
    for (const Case& c : cases) {
        LoadBook(golden);
        OpenBookOutput(c.second);
        EXPECT_EQ(BookLoaded, 0) << c.what;
        EXPECT_EQ(BookFileHandle, nullptr) << c.what;
        Reach(Start);
        EXPECT_EQ(FindBookPosition(), 0) << c.what;
    }
}

TEST_F(BookFile, NameWithTrailingBlanksOpensTheFile) {
    const std::string path = WriteBook(ReadTestFile(BookFixturePath("golden_v1.kvb")));
    for (const char* tail : {" ", "  \t", " \r"}) {
        EXPECT_EQ(OpenBookOutput(path + tail), "3 nodes in openings book\n") << int(tail[1]);
    }
    // A failure names the file as it was given.
    EXPECT_EQ(OpenBookOutput(scratch + "/missing.kvb "),
              "Error opening \"" + scratch + "/missing.kvb \"!\n");
}

// A FIFO of the book's name would block the open or every read; no name
// that is no regular file is opened.
TEST_F(BookFile, NameThatIsNoRegularFileIsNoBook) {
    const std::string fifo = scratch + "/fifo.kvb", directory = scratch + "/dir.kvb";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    ASSERT_EQ(mkdir(directory.c_str(), 0755), 0);
    for (const std::string& path : {fifo, fifo + " ", directory, std::string("/dev/null")}) {
        LoadBook(BookFixturePath("golden_v1.kvb"));
        EXPECT_EQ(OpenBookOutput(path), "Error opening \"" + path + "\"! (not a regular file)\n");
        EXPECT_EQ(BookLoaded, 0) << path;
        EXPECT_EQ(BookFileHandle, nullptr) << path;
    }
}

// The node count is unsigned: a book of 2^31 records or more (a sparse
// file here) shows its real size, and lookups run over its whole index.
TEST_F(BookFile, NodeCountAboveTwoToTheThirtyFirst) {
    const u32 nodeCount = 0x80000005;
    std::string header = ReadTestFile(BookFixturePath("golden_v1.kvb")).substr(0, 36);
    for (i32 i = 0; i < 4; i++) header[32 + i] = char(nodeCount >> (8 * i));
    const std::string path = WriteBook(header);
    ASSERT_EQ(truncate(path.c_str(), off_t(36 + 12 * u64(nodeCount))), 0);
    EXPECT_EQ(OpenBookOutput(path), "2147483653 nodes in openings book\n");
    EXPECT_EQ(BookLoaded, 1);
    EXPECT_EQ(BookNodeCount, nodeCount);
    EXPECT_EQ(BookIndexEnd, i64(nodeCount) + 3);
    Reach(Start);
    EXPECT_EQ(FindBookPosition(), 0);
    EXPECT_EQ(ChooseBookMove(), NoMove);
}

TEST_F(BookFile, ReadOnlyBookIsReadButNotForLearning) {
    const std::string path = WriteBook(ReadTestFile(BookFixturePath("golden_v1.kvb")));
    std::string printed;
    if (!OpenReadOnlyBook(path, &printed)) GTEST_SKIP() << "cannot make a file read-only here";
    EXPECT_EQ(printed, "3 nodes in openings book\nBook \"" + path +
                           "\" is read-only: book learning will not update it\n");
    EXPECT_EQ(BookLoaded, 1);
    EXPECT_EQ(BookReadOnly, 1);
    EXPECT_EQ(UseBookLearning, 1);
    Reach(Start);
    EXPECT_EQ(ChooseBookMove(), MakeMoveWord(E2, E4, PAWN));

    // A writable book is opened for updating.
    ASSERT_EQ(chmod(path.c_str(), 0644), 0);
    EXPECT_EQ(OpenBookOutput(path), "3 nodes in openings book\n");
    EXPECT_EQ(BookReadOnly, 0);
}

}  // namespace
