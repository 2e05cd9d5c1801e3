// The book move choice in each mode and the "bkm" listing: the golden books
// with the generator seeded to 1 (draws 41, 18467, ...), hand-made lists for
// the rules of each mode, and books naming moves the position does not allow.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "board/legal_moves.h"
#include "board/random.h"
#include "book/book_fixture.h"

namespace {

using BookChoice = BookTest;

constexpr i32 FirstDraw = 41, SecondDraw = 18467;

struct Settings {
    i32 mode = KILL;
    i32 weights = 1;
    i32 variety = 10;
};

void Apply(const Settings& s) {
    BookLearningMode = s.mode;
    UseBookWeights = s.weights;
    VarietyOfPlay = s.variety;
}

// Text of a chosen move, "none" for no move.
std::string Text(Move m) { return m == NoMove ? "none" : MoveToShortText(m); }

// The choice after SeedRand(1), and how many draws it took.
std::string ChooseSeeded(i32* draws) {
    SeedRand(1);
    const Move m = ChooseBookMove();
    const i32 next = Rand();
    *draws = next == FirstDraw ? 0 : next == SecondDraw ? 1 : -1;
    return Text(m);
}

TEST_F(BookChoice, GoldenBooksAfterSeedOne) {
    const Settings killV10, killV50{KILL, 1, 50}, killV100{KILL, 1, 100}, killPlain{KILL, 0, 10},
        discover{DISCOVER, 1, 10};
    struct Case {
        const char* fixture;
        std::initializer_list<const char*> moves;
        Settings settings;
        const char* expected;
        i32 draws;
    };
    // Start ratios: e2e4 1000, d2d4 0, c2c4 500, g1f3 excluded.
    const Case cases[] = {
        {"golden_v1.kvb", {}, killV10, "e2e4", 1},
        {"golden_v1.kvb", {}, killV50, "c2c4", 1},      // e2e4, c2c4: 41 % 2
        {"golden_v1.kvb", {}, killV100, "c2c4", 1},     // e2e4, d2d4, c2c4: 41 % 3
        {"golden_v1.kvb", {}, killPlain, "c2c4", 1},    // the same three
        {"golden_v1.kvb", {}, discover, "c2c4", 0},     // no games yet
        {"golden_v1.kvb", {"e2e4"}, killV10, "c7c5", 1},  // both 500: 41 % 2
        {"golden_v1.kvb", {"e2e4", "e7e5"}, killV10, "g1f3", 1},
        {"golden_v1.kvb", {"e2e4", "e7e5"}, killPlain, "g1f3", 1},
        {"golden_v1.kvb", {"e2e4", "e7e5"}, discover, "g1f3", 0},
        {"golden_v1.kvb", {"d2d4"}, killV10, "none", 0},
        // Version 0: any move not marked 255, equally likely; the mode
        // plays no part.
        {"golden_v0.kvb", {}, killV10, "c2c4", 1},  // 41 % 3 + 1 = 3rd
        {"golden_v0.kvb", {}, discover, "c2c4", 1},
        {"golden_v0.kvb", {"e2e4"}, killV10, "c7c5", 1},  // 41 % 2 + 1 = 2nd
        {"golden_v0.kvb", {"e2e4", "e7e5"}, killV10, "none", 0},
        {"golden_v0.kvb", {"d2d4"}, killV10, "none", 0},
    };
    for (const Case& c : cases) {
        LoadBook(BookFixturePath(c.fixture));
        Apply(c.settings);
        SetPosition(StartFen, c.moves);
        i32 draws;
        EXPECT_EQ(ChooseSeeded(&draws), c.expected) << c.fixture << " " << c.moves.size();
        EXPECT_EQ(draws, c.draws) << c.fixture << " " << c.moves.size();
    }
}

TEST_F(BookChoice, MoveWordCarriesThePiecesAndNoPromotion) {
    struct Case {
        const char* fen;
        const char* move;
        Move expected;
        Move played;  // as the engine plays it
    };
    const Case cases[] = {
        {StartFen, "g1f3", MakeMoveWord(G1, F3, KNIGHT), MakeMoveWord(G1, F3, KNIGHT)},
        {"4k3/8/8/8/8/8/8/4K2R w K -", "e1g1", MakeMoveWord(E1, G1, KING),
         MakeMoveWord(E1, G1, KING)},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6", "e5d6", MakeMoveWord(E5, D6, PAWN),
         MakeMoveWord(E5, D6, PAWN)},  // en passant: nothing on the to square
        {"4k3/8/8/8/8/8/3p4/K7 b - -", "d2d1", MakeMoveWord(D2, D1, PAWN),
         MakeMoveWord(D2, D1, PAWN, EMPTY, QUEEN)},
        {"3rk3/2P5/8/8/8/8/8/4K3 w - -", "c7d8", MakeMoveWord(C7, D8, PAWN, ROOK),
         MakeMoveWord(C7, D8, PAWN, ROOK, QUEEN)},
        {"3rk3/2Q5/8/8/8/8/8/4K3 w - -", "c7d8", MakeMoveWord(C7, D8, QUEEN, ROOK),
         MakeMoveWord(C7, D8, QUEEN, ROOK)},
    };
    for (const Case& c : cases) {
        SetPosition(c.fen);
        u32 key1, key2;
        BookKeyOfPosition(&key1, &key2);
        TestBook book;
        book.positions = {{key1, key2, {{c.move, 0}}}};
        LoadBook(WriteBook(TestBookBytes(book)));
        const Move chosen = ChooseBookMove();
        EXPECT_EQ(chosen, c.expected) << c.fen;
        EXPECT_EQ(BookMoveToPlay(chosen), c.played) << c.fen;
        EXPECT_EQ(IsLegalMove(BookMoveToPlay(chosen)), 1) << c.fen;
    }
}

// Start-position book with the given moves (key pair of the engine: these
// lists test the choice, not the keys).
TestBook StartBook(std::vector<TestBookMove> moves, u32 version = 1) {
    BookTest::SetPosition(StartFen);
    u32 key1, key2;
    BookKeyOfPosition(&key1, &key2);
    TestBook book;
    book.version = version;
    book.positions = {{key1, key2, moves}};
    return book;
}

TEST_F(BookChoice, RulesOfEachMode) {
    const Settings discover{DISCOVER, 1, 10};
    struct Case {
        const char* what;
        std::vector<TestBookMove> moves;
        Settings settings;
        const char* expected;
    };
    const Case cases[] = {
        {"discover: equal games, the better ratio",
         {{"e2e4", 0x0202}, {"d2d4", 0x0103}}, discover, "d2d4"},
        {"discover: equal games and ratio, the earlier",
         {{"e2e4", 0x0202}, {"d2d4", 0x0202}, {"c2c4", 0x0202}}, discover, "e2e4"},
        {"discover: the first unplayed move",
         {{"e2e4", 0x0004}, {"d2d4", 0x0000}, {"c2c4", 0x0000}}, discover, "d2d4"},
        {"discover: fewer games beat a better ratio",
         {{"e2e4", 0x0006}, {"d2d4", 0x0400}}, discover, "d2d4"},
        // Ratios 750, 250, 750: with variety 0 only the two best: 41 % 2.
        {"kill, variety 0: only the best ratio",
         {{"e2e4", 0x0103}, {"d2d4", 0x0301}, {"c2c4", 0x0103}}, {KILL, 1, 0}, "c2c4"},
        // Every move a candidate: 41 % 3.
        {"kill, variety 100: every move",
         {{"e2e4", 0x0103}, {"d2d4", 0x0301}, {"c2c4", 0x0004}}, {KILL, 1, 100}, "c2c4"},
        // Best 800, threshold 720: the unplayed move (500) is out.
        {"kill: an unplayed move below the threshold",
         {{"e2e4", 0x0104}, {"d2d4", 0x0000}}, {KILL, 1, 10}, "e2e4"},
        // Best 400 is below the unplayed move's 500.
        {"kill: an unplayed move as the best",
         {{"e2e4", 0x0302}, {"d2d4", 0x0000}}, {KILL, 1, 10}, "d2d4"},
        {"kill without weights ignores the counters",
         {{"e2e4", 0x0004}, {"d2d4", 0x0400}, {"c2c4", 0xFFFF}}, {KILL, 0, 0}, "d2d4"},
    };
    for (const Case& c : cases) {
        LoadBook(WriteBook(TestBookBytes(StartBook(c.moves))));
        Apply(c.settings);
        i32 draws;
        EXPECT_EQ(ChooseSeeded(&draws), c.expected) << c.what;
    }
}

TEST_F(BookChoice, AllExcludedGivesNoMoveInEveryMode) {
    const TestBook books[] = {
        StartBook({{"e2e4", 0xFFFF}, {"d2d4", 0xFFFF}}),
        StartBook({{"e2e4", 255}, {"d2d4", 255}}, 0),
        StartBook({}),
        StartBook({}, 0),
    };
    for (const TestBook& book : books) {
        for (const Settings& s : {Settings{KILL, 1, 10}, Settings{KILL, 0, 10}, Settings{DISCOVER, 1, 10}}) {
            LoadBook(WriteBook(TestBookBytes(book)));
            Apply(s);
            i32 draws;
            EXPECT_EQ(ChooseSeeded(&draws), "none") << book.version << " " << book.positions[0].moves.size();
            EXPECT_EQ(draws, 0);
        }
    }
}

// Entries that do not fit the position are passed over in every mode and
// both versions: moves of the other side, from empty squares, castling
// without the right (the key ignores castling rights), squares beyond h8.
TEST_F(BookChoice, EntriesThePositionDoesNotAllowAreNeverChosen) {
    const std::vector<TestBookMove> start = {
        {"e2e5", 0x0004},        {"e7e5", 0x0004}, {"e3e4", 0x0004}, {"e2e4", 0x0000},
        {"a1a9", 0x0004, 0, 64}, {"g1f3", 0xFFFF}, {"d2d4", 0x0100}, {"zz", 0x0004, 200, 12},
    };
    std::vector<TestBookMove> startV0 = start;
    for (TestBookMove& m : startV0) m.stats = m.stats == 0xFFFF ? 255 : 0;
    struct Case {
        TestBook book;
        Settings settings;
        std::set<std::string> allowed;
    };
    const std::set<std::string> legal = {"e2e4", "d2d4"};
    const Case cases[] = {
        {StartBook(start), {KILL, 1, 100}, legal},
        {StartBook(start), {KILL, 1, 10}, {"e2e4"}},  // 500 beats d2d4's 0
        {StartBook(start), {KILL, 0, 10}, legal},
        {StartBook(start), {DISCOVER, 1, 10}, {"e2e4"}},
        {StartBook(startV0, 0), {KILL, 1, 10}, legal},
    };
    for (const Case& c : cases) {
        LoadBook(WriteBook(TestBookBytes(c.book)));
        Apply(c.settings);
        std::set<std::string> seen;
        for (u32 seed = 0; seed < 500; seed++) {
            SeedRand(seed);
            seen.insert(Text(ChooseBookMove()));
        }
        EXPECT_EQ(seen, c.allowed) << c.book.version << " " << c.settings.mode;
    }

    // The same placement without castling rights: the king's two-square
    // move is not a move here.
    SetPosition("r3k2r/8/8/8/8/8/8/R3K2R w KQkq -");
    u32 key1, key2;
    BookKeyOfPosition(&key1, &key2);
    TestBook castling;
    castling.positions = {{key1, key2, {{"e1g1", 0x0004}, {"e1f1", 0x0000}}}};
    LoadBook(WriteBook(TestBookBytes(castling)));
    i32 draws;
    EXPECT_EQ(ChooseSeeded(&draws), "e1g1");
    SetPosition("r3k2r/8/8/8/8/8/8/R3K2R w - -");
    EXPECT_EQ(ChooseSeeded(&draws), "e1f1");
    EXPECT_EQ(draws, 1);

    // Nor is an en-passant capture without the double step before it.
    SetPosition("4k3/8/8/3pP3/8/8/8/4K3 w - -");
    BookKeyOfPosition(&key1, &key2);
    TestBook enPassant;
    enPassant.positions = {{key1, key2, {{"e5d6", 0x0000}}}};
    LoadBook(WriteBook(TestBookBytes(enPassant)));
    EXPECT_EQ(ChooseSeeded(&draws), "none");
    SetPosition("4k3/8/8/3pP3/8/8/8/4K3 w - d6");
    EXPECT_EQ(ChooseSeeded(&draws), "e5d6");
}

// A list that runs past the end of the file refuses the whole book at open,
// with a line naming the file and the list: such a file was cut short or is
// damaged, and no lookup or learning may rely on it.
TEST_F(BookChoice, DamagedListsRefuseTheBook) {
    SetPosition(StartFen);
    u32 key1, key2;
    BookKeyOfPosition(&key1, &key2);
    // The list at 48, 9 bytes (5 in version 0): the file ends at 57 (55).
    const TestBookPosition sound = {key1, key2, {{"e2e4", 0x0000}, {"d2d4", 0x0000}}};
    struct Case {
        const char* what;
        TestBookPosition position;
        u32 version;
        const char* fault;
    };
    TestBookPosition countPast = sound, entriesPast = sound, offsetAtEnd = sound,
                     offsetFar = sound;
    countPast.count = 3;
    entriesPast.offset = 53;  // a count of 11: d2d4's from square
    offsetAtEnd.offset = 57;  // the file's length
    offsetFar.offset = 0xFFFFFFF0;
    const Case cases[] = {
        {"count past the end", countPast, 1,
         "the move list at byte 48 (3 moves) runs past the end of the file (57 bytes)"},
        {"count past the end, version 0", countPast, 0,
         "the move list at byte 48 (3 moves) runs past the end of the file (55 bytes)"},
        {"entries past the end", entriesPast, 1,
         "the move list at byte 53 (11 moves) runs past the end of the file (57 bytes)"},
        {"offset at the end", offsetAtEnd, 1, "a move list at byte 57 lies past the end of the file (57 bytes)"},
        {"offset far past the end", offsetFar, 1,
         "a move list at byte 4294967280 lies past the end of the file (57 bytes)"},
        {"offset far past the end, version 0", offsetFar, 0,
         "a move list at byte 4294967280 lies past the end of the file (55 bytes)"},
    };
    for (const Case& c : cases) {
        TestBook book;
        book.version = c.version;
        book.positions = {c.position};
        const std::string path = WriteBook(TestBookBytes(book));
        EXPECT_EQ(OpenBookOutput(path), "Invalid book format (\"" + path + "\": " + c.fault + ")\n") << c.what;
        EXPECT_EQ(BookLoaded, 0) << c.what;
        EXPECT_EQ(ChooseBookMove(), NoMove) << c.what;
        EXPECT_EQ(Listing(), "No moves from current pos in book\n") << c.what;
    }
}

TEST_F(BookChoice, ListingShowsTheEntriesAsStored) {
    struct Case {
        const char* fixture;
        std::initializer_list<const char*> moves;
        const char* printed;
    };
    const Case cases[] = {
        {"golden_v1.kvb", {},
         "4 moves from current pos in book:\n"
         "e2e4 100% (not less than 2 game(s))\n"
         "d2d4 0% (not less than 1 game(s))\n"
         "g1f3 -\n"
         "c2c4 ?\n"},
        {"golden_v1.kvb", {"e2e4"},
         "2 moves from current pos in book:\ne7e5 ?\nc7c5 50% (not less than 1 game(s))\n"},
        {"golden_v1.kvb", {"e2e4", "e7e5"}, "1 moves from current pos in book:\ng1f3 ?\n"},
        {"golden_v1.kvb", {"d2d4"}, "No moves from current pos in book\n"},
        {"golden_v0.kvb", {},
         "4 moves from current pos in book:\ne2e4 0\nd2d4 255\ng1f3 7\nc2c4 0\n"},
        {"golden_v0.kvb", {"e2e4", "e7e5"}, "1 moves from current pos in book:\ng1f3 255\n"},
        {"golden_v0.kvb", {"d2d4"}, "No moves from current pos in book\n"},
    };
    for (const Case& c : cases) {
        LoadBook(BookFixturePath(c.fixture));
        SetPosition(StartFen, c.moves);
        EXPECT_EQ(Listing(), c.printed) << c.fixture << " " << c.moves.size();
    }

    // Empty lists print their header alone; moves the position does not
    // allow are listed all the same, entries with a square beyond h8 (no
    // move at all) are not.
    struct Made {
        TestBook book;
        const char* printed;
    };
    const Made made[] = {
        {StartBook({}), "0 moves from current pos in book:\n"},
        {StartBook({}, 0), "0 moves from current pos in book:\n"},
        {StartBook({{"e7e5", 0x0001}, {"a1a9", 0x0201, 64, 200}, {"h8h8", 0xFFFF}, {"e1e9", 0x0000, 4, 68}}),
         "2 moves from current pos in book:\n"
         "e7e5 100% (not less than 0 game(s))\n"
         "h8h8 -\n"},
        {StartBook({{"e2e4", 7}, {"e2e9", 0, 12, 255}, {"e9e4", 255, 76, 28}}, 0),
         "1 moves from current pos in book:\ne2e4 7\n"},
    };
    for (const Made& m : made) {
        LoadBook(WriteBook(TestBookBytes(m.book)));
        EXPECT_EQ(Listing(), m.printed);
    }
}

}  // namespace
