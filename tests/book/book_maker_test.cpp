// Book making: the Polyglot key against the format's published keys, Polyglot
// move words, the counters from game results and from weights, the merging of
// games by book key, and the walk of a small Polyglot book.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "board/move_text.h"
#include "book/book_fixture.h"
#include "book/book_maker.h"
#include "book/polyglot.h"

namespace {

using BookMaker = BookTest;

// "e2e4 0x0004" per entry, for comparing lists.
std::string Describe(const BookWriterPosition& position) {
    std::string text;
    for (const BookWriterEntry& e : position.entries) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%s%c%c%c%c %04x", text.empty() ? "" : ", ",
                      'a' + (e.from & 7), '1' + (e.from >> 3), 'a' + (e.to & 7), '1' + (e.to >> 3),
                      unsigned(e.stats));
        text += entry;
    }
    return text;
}

// The list of the current position in positions, "" when it has none.
std::string ListOfPosition(const std::vector<BookWriterPosition>& positions) {
    u32 key1, key2;
    BookKeyOfPosition(&key1, &key2);
    for (const BookWriterPosition& p : positions)
        if (p.key1 == key1 && p.key2 == key2) return Describe(p);
    return "";
}

TEST_F(BookMaker, PolyglotKeysOfThePublishedPositions) {
    // The keys the Polyglot book format gives for checking an
    // implementation: castling rights lost by a king move, and en-passant
    // files that count only when a pawn stands ready to capture.
    struct Case {
        std::initializer_list<const char*> moves;
        u64 key;
    };
    const Case cases[] = {
        {{}, 0x463B96181691FC9Cull},
        {{"e2e4"}, 0x823C9B50FD114196ull},
        {{"e2e4", "d7d5"}, 0x0756B94461C50FB0ull},
        {{"e2e4", "d7d5", "e4e5"}, 0x662FAFB965DB29D4ull},
        {{"e2e4", "d7d5", "e4e5", "f7f5"}, 0x22A48B5A8E47FF78ull},
        {{"e2e4", "d7d5", "e4e5", "f7f5", "e1e2"}, 0x652A607CA3F242C1ull},
        {{"e2e4", "d7d5", "e4e5", "f7f5", "e1e2", "e8f7"}, 0x00FDD303C946BDD9ull},
        {{"a2a4", "b7b5", "h2h4", "b5b4", "c2c4"}, 0x3C8123EA7B067637ull},
        {{"a2a4", "b7b5", "h2h4", "b5b4", "c2c4", "b4c3", "a1a3"}, 0x5C3F9B829B279560ull},
    };
    for (const Case& c : cases) {
        SetPosition(StartFen, c.moves);
        EXPECT_EQ(PolyglotKeyOfPosition(), c.key) << c.moves.size() << " moves";
    }
    // The same positions set up from FEN text, the en-passant square given.
    SetPosition("rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3");
    EXPECT_EQ(PolyglotKeyOfPosition(), 0x22A48B5A8E47FF78ull);
    SetPosition("rnbqkbnr/p1pppppp/8/8/PpP4P/8/1P1PPPP1/RNBQKBNR b KQkq c3 0 3");
    EXPECT_EQ(PolyglotKeyOfPosition(), 0x3C8123EA7B067637ull);
}

TEST_F(BookMaker, PolyglotMoveWords) {
    // to file 0-2, to rank 3-5, from file 6-8, from rank 9-11, promotion 12-14.
    auto word = [](const char* from, const char* to, i32 promotion = 0) {
        return u16(TestSquare(to) | TestSquare(from) << 6 | promotion << 12);
    };
    struct Case {
        const char* fen;
        u16 word;
        const char* move;  // "none": no legal move
    };
    const char* castle = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
    const char* promote = "4k3/1P6/8/8/8/8/8/4K3 w - - 0 1";
    const Case cases[] = {
        {StartFen, word("e2", "e4"), "e2e4"},
        {StartFen, word("g1", "f3"), "g1f3"},
        {StartFen, word("e2", "e5"), "none"},
        {castle, word("e1", "h1"), "e1g1"},  // the king takes its own rook
        {castle, word("e1", "a1"), "e1c1"},
        {castle, word("e1", "g1"), "e1g1"},  // the two-square form is read too
        {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", word("e8", "h8"), "e8g8"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1", word("e1", "h1"), "none"},  // no right left
        {promote, word("b7", "b8", 4), "b7b8q"},
        {promote, word("b7", "b8", 1), "b7b8n"},
        {promote, word("b7", "b8"), "none"},  // a promotion must name its piece
        {promote, word("b7", "b8", 6), "none"},
    };
    for (const Case& c : cases) {
        SetPosition(c.fen);
        const Move move = PolyglotMoveOnBoard(c.word);
        EXPECT_EQ(move == NoMove ? std::string("none") : std::string(MoveToText(move)), c.move)
            << c.fen << " " << c.word;
        if (move != NoMove) {
            EXPECT_EQ(PolyglotMoveOnBoard(PolyglotMoveWord(move)), move);
        }
    }
}

TEST_F(BookMaker, CountersFromCreditsFitAByteWithTheirRatio) {
    struct Case {
        u64 wins, losses;
        u16 stats;
    };
    const Case cases[] = {
        {0, 0, 0x0000},       {2, 0, 0x0002},      {1, 1, 0x0101},       {254, 254, 0xFEFE},
        {508, 254, 0x7FFE},   {255, 0, 0x00FE},    {1000, 1, 0x00FE},    {1000, 3, 0x01FE},
        {300, 900, 0xFE55},  // 254 losses, 84.67 wins: 85
    };
    for (const Case& c : cases)
        EXPECT_EQ(BookStatsFromCredits(c.wins, c.losses), c.stats) << c.wins << " " << c.losses;
}

TEST_F(BookMaker, WeightCountersMeetTheChoiceThresholdWhereTheWeightDoes) {
    // The book choice keeps a move whose ratio (wins x 1000 / games) is at
    // least (100 - VarietyOfPlay) x best ratio / 100; the best move's ratio
    // is 1000. That must hold exactly when the weight is at least that share
    // of the best weight, for every setting.
    for (u32 best : {1u, 7u, 100u, 999u, 4096u, 65535u}) {
        const u16 top = BookStatsForWeight(best, best);
        ASSERT_EQ(top & 0xFF, 100) << best;
        ASSERT_EQ(top >> 8, 0) << best;
        for (u32 weight = 1; weight <= best; weight += std::max(1u, best / 997)) {
            const u16 stats = BookStatsForWeight(weight, best);
            const u32 wins = stats & 0xFF, games = wins + (stats >> 8);
            ASSERT_EQ(games, 100u) << weight << "/" << best;
            const u32 ratio = wins * 1000 / games;
            for (u32 variety = 0; variety <= 100; variety++) {
                const bool chosen = ratio >= (100 - variety) * 1000 / 100;
                const bool heavyEnough = u64(weight) * 100 >= u64(100 - variety) * best;
                ASSERT_EQ(chosen, heavyEnough) << weight << "/" << best << " variety " << variety;
            }
        }
    }
    EXPECT_EQ(BookStatsForWeight(0, 100), BookStatsExcluded);
    EXPECT_EQ(BookStatsForWeight(0, 0), BookStatsExcluded);
}

TEST_F(BookMaker, GamesMergeByBookKeyWithTheirResults) {
    BookCollector collector;
    // Each game from the start: its moves and its result for white.
    struct Game {
        std::initializer_list<const char*> moves;
        GameOutcome forWhite;
    };
    const Game games[] = {
        {{"e2e4", "e7e5", "g1f3"}, GameOutcome::Win},
        {{"e2e4", "c7c5"}, GameOutcome::Loss},
        {{"e2e4", "e7e5", "g1f3"}, GameOutcome::Draw},
        {{"d2d4"}, GameOutcome::Unknown},
        {{"g1f3", "e7e5"}, GameOutcome::Win},
    };
    auto flip = [](GameOutcome o) {
        return o == GameOutcome::Win ? GameOutcome::Loss : o == GameOutcome::Loss ? GameOutcome::Win : o;
    };
    for (const Game& g : games) {
        SetPosition(StartFen);
        for (const char* text : g.moves) {
            const Move m = ParseMoveText(text);
            EXPECT_TRUE(collector.AddMove(m, board.SideToMove == WHITE ? g.forWhite : flip(g.forWhite)));
            MakeMove(m, 1);
        }
    }
    // Transpositions: 1.e4 e5 2.Nf3 and 1.Nf3 e5 2.e4 meet after three plies.
    SetPosition(StartFen, {"g1f3", "e7e5", "e2e4"});
    EXPECT_TRUE(collector.AddMove(ParseMoveText("b8c6"), GameOutcome::Loss));

    const std::vector<BookWriterPosition> all = collector.Positions(1);
    EXPECT_TRUE(std::is_sorted(all.begin(), all.end(), BookIndexBefore));
    SetPosition(StartFen);
    // The most played first, then in the order first played; a win gives 2
    // wins, a loss 2 losses, a draw 1 of each, from the side to move's view.
    EXPECT_EQ(ListOfPosition(all), "e2e4 0303, d2d4 0000, g1f3 0002");
    SetPosition(StartFen, {"e2e4"});
    EXPECT_EQ(ListOfPosition(all), "e7e5 0301, c7c5 0002");
    SetPosition(StartFen, {"e2e4", "e7e5", "g1f3"});
    EXPECT_EQ(ListOfPosition(all), "b8c6 0200");
    SetPosition(StartFen, {"e2e4", "e7e5"});
    EXPECT_EQ(ListOfPosition(all), "g1f3 0103");

    // --min-games 2 keeps the moves of two games or more.
    const std::vector<BookWriterPosition> twice = collector.Positions(2);
    SetPosition(StartFen);
    EXPECT_EQ(ListOfPosition(twice), "e2e4 0303");
    SetPosition(StartFen, {"e2e4", "e7e5", "g1f3"});
    EXPECT_EQ(ListOfPosition(twice), "");
    EXPECT_EQ(twice.size(), 3u);  // start, after 1.e4, after 1.e4 e5
}

TEST_F(BookMaker, OnlyMovesLegalWhereTheKeyWasFirstMet) {
    // The book key ignores castling rights and the en-passant square: the
    // position first met decides which castling and en-passant moves the
    // book may hold.
    BookCollector collector;
    SetPosition("r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1");
    EXPECT_TRUE(collector.AddMove(ParseMoveText("a1b1"), GameOutcome::Win));
    SetPosition("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    EXPECT_FALSE(collector.AddMove(ParseMoveText("e1g1"), GameOutcome::Win));
    EXPECT_TRUE(collector.AddMove(ParseMoveText("a1b1"), GameOutcome::Win));

    SetPosition("4k3/8/8/3pP3/8/8/8/4K3 w - - 0 2");
    EXPECT_TRUE(collector.AddMove(ParseMoveText("e1e2"), GameOutcome::Draw));
    SetPosition("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 2");
    EXPECT_FALSE(collector.AddMove(ParseMoveText("e5d6"), GameOutcome::Draw));

    // Met first with the rights, the castling move stays.
    SetPosition("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1");
    EXPECT_TRUE(collector.AddMove(ParseMoveText("e8c8"), GameOutcome::Loss));
    SetPosition("r3k2r/8/8/8/8/8/8/R3K2R b q - 0 1");
    EXPECT_TRUE(collector.AddMove(ParseMoveText("e8c8"), GameOutcome::Loss));

    const std::vector<BookWriterPosition> all = collector.Positions(1);
    SetPosition("r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1");
    EXPECT_EQ(ListOfPosition(all), "a1b1 0004");
    SetPosition("4k3/8/8/3pP3/8/8/8/4K3 w - - 0 2");
    EXPECT_EQ(ListOfPosition(all), "e1e2 0101");
    SetPosition("r3k2r/8/8/8/8/8/8/R3K2R b - - 0 1");
    EXPECT_EQ(ListOfPosition(all), "e8c8 0400");
}

// A Polyglot entry for a move of the position after moves from the start.
PolyglotEntry EntryAfter(std::initializer_list<const char*> moves, const char* move, u16 weight) {
    BookTest::SetPosition(StartFen, moves);
    return {PolyglotKeyOfPosition(), PolyglotMoveWord(ParseMoveText(move)), weight, 0};
}

TEST_F(BookMaker, PolyglotTreeFromTheStartPosition) {
    std::vector<PolyglotEntry> entries = {
        EntryAfter({}, "d2d4", 50),
        EntryAfter({}, "a2a3", 0),
        EntryAfter({}, "e2e4", 200),
        EntryAfter({}, "e2e4", 10),  // a second entry of a move: the first counts
        EntryAfter({"e2e4"}, "c7c5", 30),
        EntryAfter({"e2e4"}, "e7e5", 30),
        EntryAfter({"e2e4", "c7c5"}, "g1f3", 7),
        EntryAfter({"e2e4", "c7c5", "g1f3"}, "d7d6", 7),
        EntryAfter({"d2d4"}, "g8f6", 1),
        EntryAfter({"a2a3"}, "e7e5", 1),  // after a weight-0 move: still walked
        // Not reached from the start position.
        EntryAfter({"h2h4"}, "h7h5", 9),
    };
    // A move word that is no move of its position.
    entries.push_back({entries[0].key, PolyglotMoveWord(MakeMoveWord(E2, E5, PAWN)), 99, 0});
    std::reverse(entries.begin(), entries.end());  // the converter sorts them

    PolyglotConversion full = ConvertPolyglotBook(entries, 40, nullptr);
    EXPECT_EQ(full.illegalMoves, 1);
    EXPECT_EQ(full.positions.size(), 6u);
    EXPECT_TRUE(std::is_sorted(full.positions.begin(), full.positions.end(), BookIndexBefore));
    // The illegal e2e5 (weight 99) is no best move: e2e4 gets 100 of 100.
    SetPosition(StartFen);
    EXPECT_EQ(ListOfPosition(full.positions), "e2e4 0064, d2d4 4b19, a2a3 ffff");
    // Equal weights keep their order in the file (reversed above).
    SetPosition(StartFen, {"e2e4"});
    EXPECT_EQ(ListOfPosition(full.positions), "e7e5 0064, c7c5 0064");
    SetPosition(StartFen, {"a2a3"});
    EXPECT_EQ(ListOfPosition(full.positions), "e7e5 0064");
    SetPosition(StartFen, {"h2h4"});
    EXPECT_EQ(ListOfPosition(full.positions), "");

    // Two plies: the start and the positions after one move.
    PolyglotConversion shallow = ConvertPolyglotBook(entries, 2, nullptr);
    EXPECT_EQ(shallow.positions.size(), 4u);
    SetPosition(StartFen, {"e2e4", "c7c5"});
    EXPECT_EQ(ListOfPosition(shallow.positions), "");
    EXPECT_EQ(ConvertPolyglotBook(entries, 1, nullptr).positions.size(), 1u);
}

TEST_F(BookMaker, PolyglotTranspositionsTakeTheFirstList) {
    // 1.Nf3 Nf6 2.Nc3 Nc6 and 1.Nf3 Nf6 2.Rg1 Rg8 3.Rh1 Rh8 4.Nc3 Nc6 reach
    // one placement, the second without the castling rights on the h-side:
    // one book key, two Polyglot keys. The list of the one met first (the
    // shallower) is the book's; the other's moves are walked on all the same.
    const std::initializer_list<const char*> shortWay = {"g1f3", "g8f6", "b1c3", "b8c6"};
    const std::initializer_list<const char*> longWay = {"g1f3", "g8f6", "h1g1", "h8g8",
                                                        "g1h1", "g8h8", "b1c3", "b8c6"};
    std::vector<PolyglotEntry> entries;
    for (auto way : {shortWay, longWay}) {
        std::vector<const char*> line;
        for (const char* move : way) {
            SetPosition(StartFen);
            for (const char* made : line) MakeMove(ParseMoveText(made), 1);
            entries.push_back({PolyglotKeyOfPosition(), PolyglotMoveWord(ParseMoveText(move)), 10, 0});
            line.push_back(move);
        }
    }
    entries.push_back(EntryAfter(shortWay, "e2e4", 10));
    entries.push_back(EntryAfter(longWay, "d2d4", 10));
    entries.push_back(EntryAfter(longWay, "e2e4", 3));
    std::vector<const char*> afterD4(longWay);
    afterD4.push_back("d2d4");
    SetPosition(StartFen);
    for (const char* made : afterD4) MakeMove(ParseMoveText(made), 1);
    entries.push_back({PolyglotKeyOfPosition(), PolyglotMoveWord(ParseMoveText("e7e5")), 10, 0});

    const PolyglotConversion c = ConvertPolyglotBook(entries, 40, nullptr);
    SetPosition(StartFen, longWay);
    EXPECT_EQ(ListOfPosition(c.positions), "e2e4 0064");
    SetPosition(StartFen);
    for (const char* made : afterD4) MakeMove(ParseMoveText(made), 1);
    EXPECT_EQ(ListOfPosition(c.positions), "e7e5 0064");
}

}  // namespace
