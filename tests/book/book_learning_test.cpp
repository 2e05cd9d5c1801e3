// Book learning: the counters a game result adds to the book file in place,
// the rescale at the counter limit, the walk back through the game and its
// replay, and the books and lists that are never written.
//
// Golden book offsets (list entries are from, to, counter word):
//   after 1.e4        e7e5 at 73 (counters 75-76), c7c5 at 77 (79-80)
//   start             e2e4 at 82 (84-85), d2d4 86 (88-89), g1f3 90 (92-93,
//                     excluded), c2c4 94 (96-97)
//   after 1.e4 e5     g1f3 at 99 (101-102)
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "book/book_fixture.h"
#include "support/board_check.h"

namespace {

using BookLearning = BookTest;

const std::string GoldenV1 = ReadTestFile(BookFixturePath("golden_v1.kvb"));

// Everything the walk must leave as it found it: the board, the ply, the
// set-up ply and each recorded move with its saved state.
struct GameState {
    Board position = board;
    i32 ply = GamePly;
    i32 basePly = GameBasePly;
    std::vector<GameHistoryEntry> history{GameHistory, GameHistory + GamePly};
};

void ExpectSameGame(const GameState& before, const std::string& what) {
    const GameState after;
    EXPECT_EQ(std::memcmp(&before.position, &after.position, sizeof(Board)), 0) << what;
    EXPECT_EQ(after.ply, before.ply) << what;
    EXPECT_EQ(after.basePly, before.basePly) << what;
    ASSERT_EQ(after.history.size(), before.history.size()) << what;
    for (size_t i = 0; i < before.history.size(); i++) {
        const GameHistoryEntry &was = before.history[i], &is = after.history[i];
        EXPECT_EQ(is.HashKey, was.HashKey) << what << " ply " << i;
        EXPECT_EQ(is.FiftyMoveCounter, was.FiftyMoveCounter) << what << " ply " << i;
        EXPECT_EQ(is.Move, was.Move) << what << " ply " << i;
        EXPECT_EQ(is.CastlingFlags, was.CastlingFlags) << what << " ply " << i;
        EXPECT_EQ(is.MaterialIndex, was.MaterialIndex) << what << " ply " << i;
        EXPECT_EQ(is.PstOpeningSum, was.PstOpeningSum) << what << " ply " << i;
        EXPECT_EQ(is.PstEndgameSum, was.PstEndgameSum) << what << " ply " << i;
    }
    EXPECT_EQ(BoardInconsistency(), "") << what;
}

TEST_F(BookLearning, GameWalkCreditsEachMoveOfTheSideToMove) {
    struct Case {
        std::initializer_list<const char*> moves;
        i32 result;
        const char* changed;
    };
    const Case cases[] = {
        // White to move: white's 2.Nf3 from the position after 1.e4 e5; 1.e4
        // was made from the set-up position and is never credited.
        {{"e2e4", "e7e5", "g1f3", "b8c6"}, 1, "101:02"},
        {{"e2e4", "e7e5", "g1f3", "b8c6"}, 0, "102:02"},
        {{"e2e4", "e7e5", "g1f3", "b8c6"}, 2, "101:01 102:01"},
        // Any other result counts as a loss.
        {{"e2e4", "e7e5", "g1f3", "b8c6"}, 7, "102:02"},
        // Black to move: black's 1...e5 from the position after 1.e4.
        {{"e2e4", "e7e5", "g1f3"}, 1, "75:02"},
        {{"e2e4", "e7e5", "g1f3"}, 2, "75:01 76:01"},
        // The only white move was made from the set-up position.
        {{"e2e4", "e7e5"}, 1, ""},
        {{"e2e4"}, 1, ""},
        {{}, 1, ""},
        // Moves out of the book are passed over on the way back.
        {{"e2e4", "e7e5", "g1f3", "b8c6", "f1c4", "f8c5", "c2c3", "g8f6"}, 1, "101:02"},
        {{"d2d4", "d7d5", "c2c4"}, 1, ""},
    };
    for (const Case& c : cases) {
        const std::string path = WriteBook(GoldenV1);
        LoadBook(path);
        SetPosition(StartFen, c.moves);
        const GameState before;
        BookLearnedThisGame = 0;
        LearnBookFromGame(c.result);
        EXPECT_EQ(BookLearnedThisGame, 1);
        // Read through another stream: each update has reached the file.
        EXPECT_EQ(ChangedBytes(GoldenV1, ReadTestFile(path)), c.changed)
            << c.moves.size() << " plies, result " << c.result;
        ExpectSameGame(before, std::to_string(c.moves.size()) + " plies");
        CloseBookFile();
    }
}

TEST_F(BookLearning, UpdateChangesOneEntryOfTheCurrentPosition) {
    struct Case {
        std::initializer_list<const char*> moves;
        u32 result;
        const char* move;
        const char* changed;
    };
    const Case cases[] = {
        {{}, 2, "g1f3", ""},  // excluded
        {{}, 2, "c2c4", "96:01 97:01"},
        {{}, 1, "e2e4", "84:06"},
        {{}, 0, "d2d4", "89:05"},
        {{}, 3, "d2d4", "89:05"},
        {{}, 1, "b1c3", ""},  // not listed
        {{"e2e4"}, 2, "c7c5", "79:02 80:02"},
        {{"d2d4"}, 1, "d7d5", ""},  // not in the book
    };
    for (const Case& c : cases) {
        const std::string path = WriteBook(GoldenV1);
        LoadBook(path);
        SetPosition(StartFen, c.moves);
        const GameState before;
        const Move m = ParseMoveText(c.move);
        ASSERT_NE(m, NoMove) << c.move;
        UpdateBookLearning(c.result, m);
        EXPECT_EQ(ChangedBytes(GoldenV1, ReadTestFile(path)), c.changed)
            << c.move << " result " << c.result;
        ExpectSameGame(before, c.move);
        CloseBookFile();
    }
}

TEST_F(BookLearning, CounterReachingTheLimitScalesTheListToTwoThirds) {
    const TestBookPosition golden = GoldenVersion1Book().positions[1];
    auto startBook = [&](std::vector<TestBookMove> moves) {
        TestBook book;
        book.positions = {{golden.key1, golden.key2, moves}};
        return TestBookBytes(book);
    };
    struct Case {
        const char* what;
        std::vector<TestBookMove> before;
        u32 result;
        const char* move;
        std::vector<TestBookMove> after;
    };
    const Case cases[] = {
        {"a win at 253 wins",
         {{"e2e4", 0x00FD}, {"d2d4", 0x0300}, {"g1f3", 0xFFFF}, {"c2c4", 0x0000}, {"b1c3", 0x0001}},
         1,
         "e2e4",
         {{"e2e4", 0x00AA}, {"d2d4", 0x0200}, {"g1f3", 0xFFFF}, {"c2c4", 0x0000}, {"b1c3", 0x0000}}},
        {"a draw at 254 wins", {{"e2e4", 0x10FE}, {"d2d4", 0x0909}}, 2, "e2e4",
         {{"e2e4", 0x0BAA}, {"d2d4", 0x0606}}},
        {"a draw at 254 each", {{"e2e4", 0xFEFE}}, 2, "e2e4", {{"e2e4", 0xAAAA}}},
        {"a loss at 253 losses", {{"e2e4", 0x0003}, {"d2d4", 0xFD05}}, 0, "d2d4",
         {{"e2e4", 0x0002}, {"d2d4", 0xAA03}}},
        {"a win up to 254 wins", {{"e2e4", 0x00FC}, {"d2d4", 0x0300}}, 1, "e2e4",
         {{"e2e4", 0x00FE}, {"d2d4", 0x0300}}},
        {"the first entry not excluded", {{"e2e4", 0xFFFF}, {"e2e4", 0x0000}, {"e2e4", 0x0000}}, 1,
         "e2e4", {{"e2e4", 0xFFFF}, {"e2e4", 0x0002}, {"e2e4", 0x0000}}},
    };
    for (const Case& c : cases) {
        const std::string path = WriteBook(startBook(c.before));
        LoadBook(path);
        SetPosition(StartFen);
        UpdateBookLearning(c.result, ParseMoveText(c.move));
        EXPECT_EQ(ReadTestFile(path), startBook(c.after)) << c.what;
        CloseBookFile();
    }
}

TEST_F(BookLearning, BooksAndListsThatAreNeverWritten) {
    const std::initializer_list<const char*> game = {"e2e4", "e7e5", "g1f3", "b8c6"};
    struct Case {
        const char* what;
        std::string bytes;
    };
    // The list after 1.e4 e5 (the last one) claims more entries than the
    // file holds, or lies beyond its end: the book is refused at open.
    TestBook longCount = GoldenVersion1Book(), farList = GoldenVersion1Book();
    longCount.positions[2].count = 2;
    farList.positions[2].offset = 4000;
    const Case cases[] = {
        {"version 0", ReadTestFile(BookFixturePath("golden_v0.kvb"))},
        {"list longer than the file", TestBookBytes(longCount)},
        {"list beyond the file", TestBookBytes(farList)},
    };
    for (const Case& c : cases) {
        const std::string path = WriteBook(c.bytes);
        // A list past the end refuses the whole book at open.
        OpenBookOutput(path);
        // A later setting may switch learning on again; the book stays as it is.
        UseBookLearning = 1;
        SetPosition(StartFen, game);
        BookLearnedThisGame = 0;
        LearnBookFromGame(1);
        EXPECT_EQ(BookLearnedThisGame, 1) << c.what;
        EXPECT_EQ(ReadTestFile(path), c.bytes) << c.what;
        CloseBookFile();
    }

    // A read-only book is played from, and left as it is.
    const std::string path = WriteBook(GoldenV1, "read_only.kvb");
    std::string printed;
    if (!OpenReadOnlyBook(path, &printed)) GTEST_SKIP() << "cannot make a file read-only here";
    ASSERT_EQ(BookReadOnly, 1) << printed;
    SetPosition(StartFen, game);
    LearnBookFromGame(1);
    EXPECT_EQ(ReadTestFile(path), GoldenV1);
    CloseBookFile();

    // An empty file as the handle with no book loaded: nothing is written,
    // and the game still counts as learnt from.
    BookFileHandle = std::tmpfile();
    ASSERT_NE(BookFileHandle, nullptr);
    BookLearnedThisGame = 0;
    LearnBookFromGame(1);
    EXPECT_EQ(BookLearnedThisGame, 1);
    EXPECT_EQ(std::fseek(BookFileHandle, 0, SEEK_END), 0);
    EXPECT_EQ(std::ftell(BookFileHandle), 0);
    CloseBookFile();
}

TEST_F(BookLearning, WalkReplaysTheGameFromTheSetUpPosition) {
    // A position set up with an en-passant right starts with the double step
    // on record; the walk stops above it.
    const char* const enPassantFen = "rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b KQkq e3";
    struct Case {
        const char* fen;
        std::initializer_list<const char*> moves;
    };
    const Case cases[] = {
        {StartFen, {"e2e4", "e7e5", "g1f3", "b8c6", "f1b5", "a7a6", "e1g1"}},
        {StartFen, {"e2e4", "d7d5", "e4d5", "d8d5", "b1c3"}},
        {enPassantFen, {}},
        {enPassantFen, {"d4e3"}},
        {enPassantFen, {"d4e3", "d2e3", "g8f6"}},
        {enPassantFen, {"d4e3", "d2e3", "g8f6", "g1f3"}},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 7", {"e5d6", "e8d8", "d6d7"}},
    };
    const std::string path = WriteBook(GoldenV1);
    LoadBook(path);
    for (const Case& c : cases) {
        for (i32 result : {0, 1, 2}) {
            SetPosition(c.fen, c.moves);
            const GameState before;
            LearnBookFromGame(result);
            ExpectSameGame(before, std::string(c.fen) + " after " +
                                       std::to_string(c.moves.size()) + " moves");
        }
    }
}

TEST_F(BookLearning, MoveFromAPositionSetUpWithEnPassantIsNeverCredited) {
    // The set-up position lists black's capture; the position two plies
    // later lists black's next move.
    const char* const fen = "rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b KQkq e3";
    auto listed = [&](std::initializer_list<const char*> moves, const char* move, u16 stats) {
        SetPosition(fen, moves);
        TestBookPosition position;
        BookKeyOfPosition(&position.key1, &position.key2);
        position.moves = {{move, stats}};
        return position;
    };
    // The book with g8f6's counter word as given, the index in key order.
    auto bookBytes = [&](u16 g8f6Stats) {
        TestBook book;
        book.positions = {listed({}, "d4e3", 0), listed({"d4e3", "d2e3"}, "g8f6", g8f6Stats)};
        std::sort(book.positions.begin(), book.positions.end(),
                  [](const TestBookPosition& a, const TestBookPosition& b) {
                      return CompareBookKeys(i32(a.key1), i32(a.key2), i32(b.key1),
                                             i32(b.key2)) < 0;
                  });
        return TestBookBytes(book);
    };
    const std::string unplayed = bookBytes(0);

    struct Case {
        std::initializer_list<const char*> moves;
        u16 g8f6Stats;
    };
    const Case cases[] = {
        {{"d4e3", "d2e3"}, 0},
        {{"d4e3", "d2e3", "g8f6"}, 0},
        {{"d4e3", "d2e3", "g8f6", "g1f3"}, 0x0002},
    };
    for (const Case& c : cases) {
        const std::string path = WriteBook(unplayed);
        LoadBook(path);
        SetPosition(fen, c.moves);
        LearnBookFromGame(1);
        EXPECT_EQ(ReadTestFile(path), bookBytes(c.g8f6Stats)) << c.moves.size() << " moves";
        CloseBookFile();
    }
}

// A book cut short while the engine has it open: the game's update of 2.Nf3
// after 1.e4 e5 (the counters at 101-102 of the golden book) lies past the
// new end, and the file is neither written nor made longer, through the
// same handle that read the book before.
TEST_F(BookLearning, BookCutAfterOpenIsNeverWrittenPastItsEnd) {
    for (const off_t length : {102, 101, 100, 99, 90}) {
        const std::string path = WriteBook(GoldenV1);
        LoadBook(path);
        // Lookups read the book through the handle's buffer.
        SetPosition(StartFen, {"e2e4", "e7e5"});
        ASSERT_NE(ChooseBookMove(), NoMove);
        ASSERT_EQ(truncate(path.c_str(), length), 0);
        SetPosition(StartFen, {"e2e4", "e7e5", "g1f3", "b8c6"});
        BookLearnedThisGame = 0;
        LearnBookFromGame(1);
        EXPECT_EQ(ReadTestFile(path), GoldenV1.substr(0, size_t(length))) << length;
        CloseBookFile();
    }
}

// A damaged offset can name a "list" inside the header or the index: it is
// read like any other, but learning never writes there. Here the start
// position's list lies in the reserved word, with one entry e2e4 whose
// counter word would be byte 31 and the low byte of N.
TEST_F(BookLearning, ListInsideTheHeaderIsNeverWritten) {
    const TestBookPosition golden = GoldenVersion1Book().positions[1];
    TestBook book;
    book.positions = {{golden.key1, golden.key2, {{"e2e4", 0x0000}}, 28}};
    std::string bytes = TestBookBytes(book);
    bytes[28] = 1;                      // the count
    bytes[29] = char(TestSquare("e2"));  // from
    bytes[30] = char(TestSquare("e4"));  // to
    bytes[31] = 0;                      // wins; losses are N's low byte, 1
    const std::string path = WriteBook(bytes);
    LoadBook(path);
    // The start placement again after 1.Nf3 Nf6 2.Ng1 Ng8, so that 3.e4 is
    // a book move of the game (a move from the set-up position never is).
    SetPosition(StartFen, {"g1f3", "g8f6", "f3g1", "f6g8"});
    EXPECT_EQ(ChooseBookMove(), MakeMoveWord(E2, E4, PAWN));
    SetPosition(StartFen, {"g1f3", "g8f6", "f3g1", "f6g8", "e2e4", "e7e5"});
    BookLearnedThisGame = 0;
    LearnBookFromGame(0);
    EXPECT_EQ(ChangedBytes(bytes, ReadTestFile(path)), "");
    CloseBookFile();
}

// Entries whose squares lie beyond h8 name no move: a rescale of their list
// passes them over, as the listing and the choice do.
TEST_F(BookLearning, EntriesBeyondH8AreNeverWritten) {
    const TestBookPosition golden = GoldenVersion1Book().positions[1];
    auto startBook = [&](u16 e2e4, u16 d2d4) {
        TestBook book;
        book.positions = {{golden.key1, golden.key2,
                           {{"e2e4", e2e4}, {"e2e4", 0x0303, 76, 92}, {"d2d4", d2d4}}}};
        return TestBookBytes(book);
    };
    const std::string path = WriteBook(startBook(0x00FD, 0x0300));
    LoadBook(path);
    SetPosition(StartFen);
    UpdateBookLearning(1, ParseMoveText("e2e4"));
    EXPECT_EQ(ReadTestFile(path), startBook(0x00AA, 0x0200));
    CloseBookFile();
}

}  // namespace
