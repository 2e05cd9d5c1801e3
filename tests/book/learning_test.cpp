// Position learning in-process: the learning file's layout and chains, the
// queue of suspects driven by the engine's score history, the log, and the
// search answering from a learnt record. Every test runs in a scratch
// directory of its own, where "Learn.kv1" and "learn.log" are written.
#include "book/learning.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/fen.h"
#include "board/legal_moves.h"
#include "board/make_move.h"
#include "board/modes.h"
#include "board/move_text.h"
#include "book/book.h"
#include "driver/command_loop.h"
#include "driver/game_driver.h"
#include "driver/new_game.h"
#include "driver/position_learning.h"
#include "driver/score_history.h"
#include "driver/search_input.h"
#include "driver/uci.h"
#include "platform/input_reader.h"
#include "search/root_search.h"
#include "search/search_fixture.h"
#include "support/driver_state.h"
#include "support/engine_process.h"
#include "support/piped_stdin.h"

namespace {

using namespace search_test;

constexpr const char* StartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";

std::string ReadFile(const char* name) {
    std::ifstream in(name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const char* name, const std::string& bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
}

u32 WordAt(const std::string& bytes, u32 offset) {
    u32 value = 0;
    for (int i = 3; i >= 0; i--) value = value << 8 | u8(bytes.at(offset + i));
    return value;
}

void PutWord(std::string& bytes, u32 offset, u32 value) {
    for (int i = 0; i < 4; i++) bytes.at(offset + i) = char(u8(value >> (8 * i)));
}

std::string HexBytes(const std::string& bytes, u32 offset, u32 count) {
    std::string text;
    char byte[4];
    for (u32 i = 0; i < count; i++) {
        std::snprintf(byte, sizeof byte, "%s%02x", i ? " " : "", u8(bytes.at(offset + i)));
        text += byte;
    }
    return text;
}

class Learning : public SearchFixture {
protected:
    std::string savedDirectory;

    void SetUp() override {
        SearchFixture::SetUp();
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        savedDirectory = cwd;
        ASSERT_EQ(chdir(MakeScratchDir().c_str()), 0);
        UseLearning = 1;
        UseLearningData = 0;
        LogLearningIntoFile = 1;
        LearnQueueCount = 0;
        LearnLogLineCount = 0;
        InitScoreHistory();
        ASSERT_EQ(ParseFen(StartFen), 1);
    }
    void TearDown() override {
        CloseLearningFile();
        UseLearning = UseLearningData = LogLearningIntoFile = 0;
        LearnQueueCount = 0;
        InitScoreHistory();
        ASSERT_EQ(chdir(savedDirectory.c_str()), 0);
        SearchFixture::TearDown();
    }

    // OpenLearningFile with what it printed.
    static std::string Open() {
        testing::internal::CaptureStdout();
        OpenLearningFile();
        return testing::internal::GetCapturedStdout();
    }

    // The engine's move as the game driver records it: the search's score
    // and depth, its move made, the history pushed; with probe, a move made
    // and taken back from the new position as the search's line does; then
    // the learning step.
    static void EngineMoves(const char* move, i32 score, i32 depth = 9, u32 fromBook = 0,
                            bool probe = true, i32 rootMoves = 20) {
        RootScore[0] = score;
        IterationDepth = depth;
        BookMovePlayed = fromBook;
        RootMoveCount = rootMoves;
        const Move m = ParseMoveText(move);
        ASSERT_EQ(IsLegalMove(m), 1) << move;
        MakeMove(m, 1);
        PushScoreHistory();
        if (probe) MakeAndTakeBackAMove();
        MaybeLearnPosition();
    }
    static void OpponentMoves(const char* move) {
        const Move m = ParseMoveText(move);
        ASSERT_EQ(IsLegalMove(m), 1) << move;
        MakeMove(m, 1);
    }
    static void MakeAndTakeBackAMove() {
        const i32 top = MoveStackTop;
        GenerateLegalMoves(top);
        ASSERT_GT(MoveStackTop, top);
        MakeMove(MoveStack[top].move, 1);
        UnmakeMove();
        MoveStackTop = top;
    }
    // A new game from fen: an empty game record (no keys of earlier games
    // left in it), score history and queue.
    static void NewGameRecord(const char* fen) {
        ASSERT_EQ(ParseFen(fen), 1);
        std::memset(GameHistory, 0, sizeof GameHistory);
        InitScoreHistory();
        LearnQueueCount = 0;
    }
    static u32 Key1() { return u32(board.HashKey); }
    static u32 Key2() { return u32(board.HashKey >> 16); }
};

TEST_F(Learning, NewFileHoldsTheHeaderAndEmptyChains) {
    EXPECT_EQ(Open(), "");
    ASSERT_NE(LearnFileHandle, nullptr);
    const std::string bytes = ReadFile("Learn.kv1");
    ASSERT_EQ(bytes.size(), 262167u);
    EXPECT_EQ(bytes.substr(0, 23), "Korvalent learning file");
    EXPECT_EQ(bytes.find_first_not_of('\0', 23), std::string::npos);
}

TEST_F(Learning, OpeningKeepsRefusesOrInitialisesAFile) {
    struct Case {
        const char* name;
        size_t size;
        const char* printed;
        size_t sizeAfter;
        bool open;
    };
    const Case cases[] = {
        {"an empty file is made a new one", 0, "", 262167, true},
        {"one byte is refused", 1, "Invalid learning file format\n", 1, false},
        {"one byte short of the heads is refused", 262166, "Invalid learning file format\n",
         262166, false},
        {"the bare heads are kept", 262167, "", 262167, true},
        {"records are kept", 262167 + 48, "", 262167 + 48, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UseLearning = UseLearningData = 1;
        const std::string before(c.size, '\x5a');
        WriteFile("Learn.kv1", before);
        EXPECT_EQ(Open(), c.printed);
        EXPECT_EQ(LearnFileHandle != nullptr, c.open);
        EXPECT_EQ(UseLearning, c.open ? 1 : 0);
        EXPECT_EQ(UseLearningData, c.open ? 1 : 0);
        CloseLearningFile();
        const std::string after = ReadFile("Learn.kv1");
        EXPECT_EQ(after.size(), c.sizeAfter);
        if (c.size != 0) {
            EXPECT_EQ(after, before);
        }
    }

    // A name that is no regular file (a directory; a FIFO, which would make
    // the open or every read wait): nothing is read or written.
    ASSERT_EQ(std::remove("Learn.kv1"), 0);
    for (int (*make)(const char*, mode_t) : {mkdir, mkfifo}) {
        ASSERT_EQ(make("Learn.kv1", 0700), 0);
        UseLearning = UseLearningData = 1;
        EXPECT_EQ(Open(), "Error opening \"Learn.kv1\"! (not a regular file)\n");
        EXPECT_EQ(LearnFileHandle, nullptr);
        EXPECT_EQ(UseLearning, 0);
        EXPECT_EQ(UseLearningData, 0);
        i32 depth, score;
        u32 move, offset = 1;
        FindLearnRecord(1, 2, &depth, &score, &move, &offset);
        EXPECT_EQ(offset, 0u);
        AppendLearnRecord(1, 2, 3, 4, 5);
        ASSERT_EQ(std::remove("Learn.kv1"), 0);
    }
}

TEST_F(Learning, RecordsShareAChainInTheOrderAdded) {
    Open();
    AppendLearnRecord(0x0001ABCD, 7, 100, -50, 0x1234);
    AppendLearnRecord(0x0002ABCD, 8, 200, -60, 0x5678);
    const std::string bytes = ReadFile("Learn.kv1");
    ASSERT_EQ(bytes.size(), 262167u + 48);
    EXPECT_EQ(WordAt(bytes, 23 + 4 * 0xABCD), 262167u);
    EXPECT_EQ(WordAt(bytes, 262167 + 20), 262191u);
    EXPECT_EQ(WordAt(bytes, 262191 + 20), 0u);

    struct Case {
        u32 key1, key2;
        u32 offset;
        i32 depth, score;
        u32 move;
    };
    const Case cases[] = {
        {0x0001ABCD, 7, 262167, 100, -50, 0x1234},
        {0x0002ABCD, 8, 262191, 200, -60, 0x5678},
        {0x0002ABCD, 7, 0, 0, 0, 0},  // key2 tells them apart
        {0x0003ABCD, 8, 0, 0, 0, 0},
        {0x0001ABCE, 7, 0, 0, 0, 0},  // another, empty chain
    };
    for (const Case& c : cases) {
        i32 depth = 0, score = 0;
        u32 move = 0, offset = 99;
        FindLearnRecord(c.key1, c.key2, &depth, &score, &move, &offset);
        EXPECT_EQ(offset, c.offset) << std::hex << c.key1;
        if (c.offset == 0) continue;
        EXPECT_EQ(depth, c.depth);
        EXPECT_EQ(score, c.score);
        EXPECT_EQ(move, c.move);
    }

    // Rewriting keeps the place and the link.
    WriteLearnRecordAt(0x0001ABCD, 7, -1, 31500, 9, 262167);
    const std::string rewritten = ReadFile("Learn.kv1");
    EXPECT_EQ(HexBytes(rewritten, 262167, 24),
              "ff ff ff ff 0c 7b 00 00 09 00 00 00 cd ab 01 00 07 00 00 00 2f 00 04 00");
}

TEST_F(Learning, DamagedChainsEndAndAreNotAppendedTo) {
    struct Case {
        const char* name;
        u32 head;       // head word of chain 0x1111
        u32 firstNext;  // next word of the record at 262167 (key1 0x00011111)
    };
    const Case cases[] = {
        {"a head into the chain heads", 100, 0},
        {"a head off the record grid", 262167 + 5, 0},
        {"a head past the end", 262167 + 48, 0},
        {"a head to the last bytes of a torn record", 262167 + 24, 0},
        {"a record linked to itself", 262167, 262167},
        {"a record linked into the heads", 262167, 23},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CloseLearningFile();
        std::string bytes(262167, '\0');
        bytes.replace(0, 23, "Korvalent learning file");
        std::string record(24, '\0');
        PutWord(record, 12, 0x00011111);
        PutWord(record, 20, c.firstNext);
        bytes += record + std::string(10, '\0');  // and a torn record behind it
        PutWord(bytes, 23 + 4 * 0x1111, c.head);
        WriteFile("Learn.kv1", bytes);
        Open();
        ASSERT_NE(LearnFileHandle, nullptr);
        i32 depth, score;
        u32 move, offset = 1;
        FindLearnRecord(0x00021111, 0, &depth, &score, &move, &offset);
        EXPECT_EQ(offset, 0u);
        AppendLearnRecord(0x00021111, 0, 1, 2, 3);
        EXPECT_EQ(ReadFile("Learn.kv1"), bytes);
    }

    // An intact chain in a file with a torn tail: the new record starts at
    // the next record boundary.
    CloseLearningFile();
    std::string bytes(262167 + 10, '\0');
    bytes.replace(0, 23, "Korvalent learning file");
    WriteFile("Learn.kv1", bytes);
    Open();
    AppendLearnRecord(0x00021111, 0, 1, 2, 3);
    const std::string after = ReadFile("Learn.kv1");
    ASSERT_EQ(after.size(), 262167u + 48);
    EXPECT_EQ(WordAt(after, 23 + 4 * 0x1111), 262191u);
    EXPECT_EQ(WordAt(after, 262191 + 12), 0x00021111u);
}

// The engine plays white: 1.e4 (30) e5 2.Nf3 (-20, iteration 9) queues the
// start position with e2e4; after Nc6 a search scoring -450 writes it.
TEST_F(Learning, FallingScoreQueuesAndAFurtherFallWritesThePosition) {
    Open();
    const std::string startKeys = std::to_string(Key1()) + "/" + std::to_string(Key2());
    EXPECT_EQ(Key1(), 0x667FF762u);
    EXPECT_EQ(Key2(), 0x4FA2667Fu);
    EngineMoves("e2e4", 30);
    OpponentMoves("e7e5");
    const u64 keyBefore = board.HashKey;
    EngineMoves("g1f3", -20, 9);
    EXPECT_EQ(LearnQueueCount, 1);
    EXPECT_EQ(GamePly, 3);
    EXPECT_NE(board.HashKey, keyBefore);
    EXPECT_EQ(board.Squares[21], KNIGHT);  // f3: the board is as it was
    EXPECT_EQ(ReadFile("Learn.kv1").size(), 262167u);

    OpponentMoves("b8c6");
    EngineMoves("f1c4", -450, 9, 0, false);
    EXPECT_EQ(LearnQueueCount, 0);
    const std::string bytes = ReadFile("Learn.kv1");
    ASSERT_EQ(bytes.size(), 262191u);
    EXPECT_EQ(HexBytes(bytes, 262167, 24),
              "3a 02 00 00 ec ff ff ff 0c 37 00 00 62 f7 7f 66 7f 66 a2 4f 00 00 00 00");
    EXPECT_EQ(HexBytes(bytes, 253343, 4), "17 00 04 00");
    EXPECT_EQ(ReadFile("learn.log"),
              "0\tAdd: Depth = 570\tOldEvaluation = 30\tEvaluaton = -20\tFEN = "
              "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - e2e4\n");
}

// Each case plays 1.e4 e5 2.Nf3 Nc6 3.Bc4 with the engine (white) scoring
// its moves as given, then reports the queue after the last move.
TEST_F(Learning, SuspectsAreQueuedOnlyWhenEveryConditionHolds) {
    struct Case {
        const char* name;
        i32 scores[3];
        i32 depth = 9;     // of the last search
        u32 books[3] = {0, 0, 0};
        bool probe = true;  // a line from the last position was searched
        i32 expected = 1;   // queued after the last move
    };
    const Case cases[] = {
        {"a fall of 41", {0, 0, -41}},
        {"a fall of exactly 40", {0, 0, -40}, 9, {0, 0, 0}, true, 0},
        {"previous score -179", {-179, -179, -300}},
        {"previous score exactly -180", {-180, -180, -300}, 9, {0, 0, 0}, true, 0},
        {"newest score 519", {600, 600, 519}},
        {"newest score exactly 520", {600, 600, 520}, 9, {0, 0, 0}, true, 0},
        {"iteration 7", {0, 0, -50}, 7},
        {"iteration 6", {0, 0, -50}, 6, {0, 0, 0}, true, 0},
        {"previous move from the book", {0, 0, -50}, 9, {0, 1, 0}, true, 0},
        {"no line searched from the position", {0, 0, -50}, 9, {0, 0, 0}, false, 0},
    };
    const char* engine[3] = {"e2e4", "g1f3", "f1c4"};
    const char* opponent[2] = {"e7e5", "b8c6"};
    Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NewGameRecord(StartFen);
        for (int i = 0; i < 3; i++) {
            EngineMoves(engine[i], c.scores[i], i == 2 ? c.depth : 9, c.books[i],
                        i < 2 || c.probe);
            if (i < 2) OpponentMoves(opponent[i]);
        }
        EXPECT_EQ(LearnQueueCount, c.expected);
    }
    EXPECT_EQ(ReadFile("Learn.kv1").size(), 262167u);
}

// The taken-back position decides: material, the fifty-move counter and the
// game's length. White to move in each position; the engine plays white.
TEST_F(Learning, OnlyMiddlegamePositionsAreQueued) {
    struct Case {
        const char* name;
        const char* fen;
        i32 basePly;  // the game ply the position stands at
        i32 expected;
    };
    const char* full = "r1bqkbnr/pppppppp/2n5/8/8/2N5/PPPPPPPP/R1BQKBNR w KQkq - ";
    const std::string fullAt69 = std::string(full) + "69 1";
    const std::string fullAt70 = std::string(full) + "70 1";
    const Case cases[] = {
        {"black with 14 units", "r2qk3/pppppppp/8/8/8/8/PPPPPPPP/RN1QKBNR w KQq - 0 1", 0, 1},
        {"black with 13 units", "rb2k2r/pppppppp/8/8/8/8/PPPPPPPP/RN1QKBNR w KQ - 0 1", 0, 0},
        {"white with 14 units", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/R2QK3 w Qkq - 0 1", 0, 1},
        {"fifty-move counter 69", fullAt69.c_str(), 0, 1},
        {"fifty-move counter 70", fullAt70.c_str(), 0, 0},
        {"game ply 99", full, 99, 1},
        {"game ply 100", full, 100, 0},
    };
    Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NewGameRecord(c.fen);
        // The game record below the position is not read.
        GamePly = GameBasePly = c.basePly;
        EngineMoves("b2b3", 0);
        OpponentMoves("h7h6");
        EngineMoves("a2a3", -50);
        EXPECT_EQ(LearnQueueCount, c.expected);
        EXPECT_EQ(GamePly, c.basePly + 3);
    }
}

TEST_F(Learning, WalkNeverTakesBackTheSetUpPosition) {
    Open();
    // Black's double step on the board: the set-up ply holds a synthetic
    // pawn move.
    ASSERT_EQ(ParseFen("rnbqkbnr/ppp1pppp/8/3pP3/8/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 2"), 1);
    ASSERT_EQ(GameBasePly, 1);
    // Black is the engine; its previous search ended in the set-up position.
    RootScore[0] = 0;
    BookMovePlayed = 0;
    RootMoveCount = 20;
    PushScoreHistory();
    const u64 key = board.HashKey;
    OpponentMoves("g1f3");
    EngineMoves("g8f6", -100);
    EXPECT_EQ(GamePly, 3);
    EXPECT_EQ(LearnQueueCount, 0);
    UnmakeMove();
    UnmakeMove();
    EXPECT_EQ(board.HashKey, key);
}

TEST_F(Learning, QueueVerdicts) {
    // 1.e4 e5 2.Nf3 Nc6 3.Bc4 Nf6 4.Nc3 Bc5 5.d3 d6 6.Bg5 Bg4 7.h3
    const char* engine[7] = {"e2e4", "g1f3", "f1c4", "b1c3", "d2d3", "c1g5", "h2h3"};
    const char* opponent[6] = {"e7e5", "b8c6", "g8f6", "f8c5", "d7d6", "c8g4"};
    struct Case {
        const char* name;
        std::vector<i32> scores;
        std::vector<i32> queued;  // after each engine move
        i32 records;              // in the file at the end
        u32 bookMove = 0;         // engine move (1-based) from the book
        i32 loneMove = 0;         // engine move (1-based) with a single legal move
    };
    const Case cases[] = {
        {"up to three suspects", {-10, -60, -110, -160, -210}, {0, 1, 2, 3, 3}, 0},
        {"three written at -450", {-10, -60, -110, -160, -210, -450}, {0, 1, 2, 3, 3, 0}, 3},
        {"recovery drops the queue", {0, 0, -50, -5, 0, 12}, {0, 0, 1, 1, 1, 0}, 0},
        {"-10 keeps it", {0, 0, -50, -5, 0, -10}, {0, 0, 1, 1, 1, 1}, 0},
        {"a book move drops it and blocks two moves",
         {0, 0, -50, 0, -50, -100, -150},
         {0, 0, 1, 0, 0, 1, 2},
         0,
         4},
        // A lone legal move keeps the previous score in the history.
        {"the flush comes before the recovery", {0, 0, -50, 0, 0, -450}, {0, 0, 1, 1, 1, 0}, 1,
         0, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CloseLearningFile();
        std::remove("Learn.kv1");
        Open();
        NewGameRecord(StartFen);
        for (size_t i = 0; i < c.scores.size(); i++) {
            const bool lone = c.loneMove == i32(i + 1);
            EngineMoves(engine[i], c.scores[i], 9, c.bookMove == i + 1 ? 1 : 0, true,
                        lone ? 1 : 20);
            EXPECT_EQ(LearnQueueCount, c.queued[i]) << "after engine move " << i + 1;
            if (i < 6) OpponentMoves(opponent[i]);
        }
        EXPECT_EQ(ReadFile("Learn.kv1").size(), 262167u + 24 * c.records);
    }
}

// A record as deep as the search blocks the queueing; a shallower one is
// refreshed in place when the queue is written.
TEST_F(Learning, KnownPositionsAreRefreshedInPlace) {
    Open();
    const u32 key1 = Key1(), key2 = Key2();
    for (i32 storedDepth : {570, 571, 569}) {
        SCOPED_TRACE(storedDepth);
        CloseLearningFile();
        std::remove("Learn.kv1");
        std::remove("learn.log");
        Open();
        // The start position's record, then another of its chain.
        AppendLearnRecord(key1, key2, storedDepth, 5, 0);
        AppendLearnRecord(key1 ^ 0x10000, key2, 100, 6, 0);
        NewGameRecord(StartFen);
        EngineMoves("e2e4", 30);
        OpponentMoves("e7e5");
        EngineMoves("g1f3", -20, 9);
        EXPECT_EQ(LearnQueueCount, storedDepth < 570 ? 1 : 0);
        OpponentMoves("b8c6");
        EngineMoves("f1c4", -450, 9, 0, false);
        const std::string bytes = ReadFile("Learn.kv1");
        ASSERT_EQ(bytes.size(), 262167u + 48);
        EXPECT_EQ(i32(WordAt(bytes, 262167)), storedDepth < 570 ? 570 : storedDepth);
        EXPECT_EQ(i32(WordAt(bytes, 262167 + 4)), storedDepth < 570 ? -20 : 5);
        EXPECT_EQ(WordAt(bytes, 262167 + 20), 262191u);
        if (storedDepth < 570) {
            EXPECT_EQ(ReadFile("learn.log").rfind("0\tRefresh: Depth = 570\tOld", 0), 0u);
        }
    }
}

TEST_F(Learning, LogLinesAreNumberedAndSkippedWhenTheLogCannotOpen) {
    Open();
    LogLearningIntoFile = 1;
    // Both games learn the start position, the second one deeper.
    for (i32 depth : {9, 10}) {
        NewGameRecord(StartFen);
        EngineMoves("e2e4", 30);
        OpponentMoves("e7e5");
        EngineMoves("g1f3", -20, depth);
        OpponentMoves("b8c6");
        EngineMoves("h2h3", -450, 9, 0, false);
    }
    std::istringstream log(ReadFile("learn.log"));
    std::string line;
    std::vector<std::string> lines;
    while (std::getline(log, line)) lines.push_back(line);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(0, 7), "0\tAdd: ");
    EXPECT_EQ(lines[1].substr(0, 11), "1\tRefresh: ");

    // A log that cannot be opened: no line, no count, the record still stored.
    ASSERT_EQ(std::remove("learn.log"), 0);
    ASSERT_EQ(mkdir("learn.log", 0700), 0);
    NewGameRecord("rnbqkbnr/pppppppp/8/8/8/5N2/PPPPPPPP/RNBQKB1R w KQkq -");
    EngineMoves("e2e4", 30);
    OpponentMoves("e7e5");
    EngineMoves("d2d4", -20);
    OpponentMoves("b8c6");
    EngineMoves("b1c3", -450, 9, 0, false);
    EXPECT_EQ(LearnLogLineCount, 2);
    EXPECT_EQ(ReadFile("Learn.kv1").size(), 262167u + 48);
}

// The node search answers from a record when every condition holds.
TEST_F(Learning, SearchReturnsTheLearntScore) {
    PipedStdin input;  // polled by the search, sends nothing
    struct Case {
        const char* name;
        const char* fen;
        i32 storedDepth, storedScore;
        i32 depth = 420;
        i32 useData = 1;
        i32 engineSide = WHITE;
        i32 gamePly = 0;
        i32 expected = 0;  // the score returned when answered
        bool answers = true;
    };
    const char* full = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
    const Case cases[] = {
        {"a record as deep", full, 420, 123, 420, 1, WHITE, 0, 123},
        {"a deeper record", full, 1000, -77, 420, 1, WHITE, 0, -77},
        {"game ply 119", full, 420, 55, 420, 1, WHITE, 119, 55},
        {"a mate score is clamped", full, 420, 32000, 420, 1, WHITE, 0, 31000},
        {"a mated score is clamped", full, 420, -32650, 420, 1, WHITE, 0, -31000},
        {"fifty-move counter 69", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 69 40",
         420, 88, 420, 1, WHITE, 0, 88},
        {"a shallower record", full, 419, 123, 420, 1, WHITE, 0, 0, false},
        {"a negative depth", full, INT32_MIN + 5, 123, 420, 1, WHITE, 0, 0, false},
        {"six plies to go", full, 1000, 123, 360, 1, WHITE, 0, 0, false},
        {"learning data off", full, 420, 123, 420, 0, WHITE, 0, 0, false},
        {"the opponent to move", full, 420, 123, 420, 1, BLACK, 0, 0, false},
        {"game ply 120", full, 420, 123, 420, 1, WHITE, 120, 0, false},
        {"black with 14 units", "r2qk3/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQq - 0 1", 420,
         123, 420, 1, WHITE, 0, 0, false},
        {"fifty-move counter 70", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 70 40",
         420, 123, 420, 1, WHITE, 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CloseLearningFile();
        std::remove("Learn.kv1");
        Open();
        ClearSearchMemory();
        LoadRoot(c.fen);
        GamePly = GameBasePly = c.gamePly;
        AppendLearnRecord(Key1(), Key2(), c.storedDepth, c.storedScore, 0);
        UseLearningData = c.useData;
        EngineSide = c.engineSide;
        // A search that is not answered stops after a few hundred nodes.
        NodeCount = 0;
        NodeLimit = 200;
        TimeCheckInterval = 100;
        TimeCheckCountdown = 100;
        board.SearchAbort = 0;
        const i32 score = Search(-MateScore, MateScore, c.depth, 1, 0);
        if (c.answers) {
            EXPECT_EQ(score, c.expected);
            EXPECT_EQ(NodeCount, 1u);
        } else {
            EXPECT_GT(NodeCount, 1u);
        }
        board.SearchAbort = 0;
        NodeLimit = 0;
    }
    UseLearningData = 0;
}

// Suspects belong to their game: a new game empties the queue, UCI's
// "position" (a new game for every move) does not.
TEST_F(Learning, NewGameEmptiesTheQueue) {
    CloseBookFile();
    struct Case {
        const char* name;
        i32 uci, fritz;
        void (*command)();
        i32 queued;
    };
    const Case cases[] = {
        {"xboard new", 0, 0, NewGame, 0},
        {"UCI position", 1, 0, NewGame, 2},
        {"ucinewgame", 1, 0, UciNewGame, 0},
        {"new in fritz mode", 0, 1, NewGame, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UciMode = c.uci;
        FritzMode = c.fritz;
        LearnQueueCount = 2;
        c.command();
        EXPECT_EQ(LearnQueueCount, c.queued);
    }
    UciMode = FritzMode = 0;
}

// ---------------------------------------------------------------------------
// Learning in play: whole games over the protocols, through the command loop.

class LearningInPlay : public Learning {
protected:
    PipedStdin input;  // an interface that sends nothing while the engine thinks

    void SetUp() override {
        Learning::SetUp();
        CloseBookFile();
        UseLearning = 0;
        ResetGameDriverState();
    }
    void TearDown() override {
        RootScoreHook = nullptr;
        ResetGameDriverState();
        Learning::TearDown();
    }
    // Executes a command line with what it printed.
    static std::string Execute(const std::string& line) {
        std::strncpy(InputLine, line.c_str(), InputLineSize - 1);
        InputLine[InputLineSize - 1] = '\0';
        testing::internal::CaptureStdout();
        ExecuteCommand();
        return testing::internal::GetCapturedStdout();
    }
    // The words of the last line of printed that holds the marker, after
    // the marker.
    static std::vector<std::string> WordsAfter(const std::string& printed, const std::string& marker,
                                               size_t skip = 0) {
        const size_t at = printed.rfind(marker);
        std::vector<std::string> words;
        if (at == std::string::npos) return words;
        const size_t end = printed.find('\n', at);
        std::istringstream line(printed.substr(at + marker.size(), end - at - marker.size()));
        std::string word;
        while (line >> word) words.push_back(word);
        words.erase(words.begin(), words.begin() + std::min(skip, words.size()));
        return words;
    }
    // After an engine move whose line reached past it, the search left the
    // key of the position after the move in the game record, where the
    // learning step looks for it; and two plies back, the engine's
    // previous position. Returns the number of moves of the line.
    static size_t ExpectKeysOfEngineMove(size_t pvMoves, i32 engineMove) {
        if (pvMoves < 2) return pvMoves;
        EXPECT_EQ(GameHistory[GamePly].HashKey, KeyHistory[NewestScoreEntry]);
        if (engineMove > 1) {
            EXPECT_EQ(GameHistory[GamePly - 2].HashKey, KeyHistory[NewestScoreEntry - 1]);
        }
        return pvMoves;
    }
    // The depth a record of the last search gets (each search of a game
    // here reaches the same iteration).
    static std::string LearnDepthText() { return std::to_string(60 * IterationDepth + 30); }
    static std::string FirstLegalMove() {
        const i32 top = MoveStackTop;
        GenerateLegalMoves(top);
        const std::string text = MoveToText(MoveStack[top].move);
        MoveStackTop = top;
        return text;
    }
};

// Root scores the hook gives the engine's searches in turn: a fall of 50
// after the first move, then a loss.
i32 InjectedScores[3] = {30, -20, -450};
i32 SearchesSeen = 0;
void InjectScore() { RootScore[0] = InjectedScores[std::min(SearchesSeen++, 2)]; }

TEST_F(LearningInPlay, UciGameLeavesTheKeysAndLearns) {
    Execute("uci");
    ASSERT_EQ(UciMode, 1);
    for (bool inject : {false, true}) {
        SCOPED_TRACE(inject ? "scores injected" : "searched scores");
        if (inject) {
            Open();
            UseLearning = 1;
            SearchesSeen = 0;
            RootScoreHook = InjectScore;
        }
        Execute("ucinewgame");
        InitScoreHistory();
        std::string moves, firstMove;
        size_t longLines = 0;
        for (i32 engineMove = 1; engineMove <= 3; engineMove++) {
            Execute("position startpos" + (moves.empty() ? "" : " moves" + moves));
            const std::string printed = Execute("go depth 8");
            const std::vector<std::string> best = WordsAfter(printed, "bestmove ");
            ASSERT_FALSE(best.empty()) << printed;
            // Deep enough to learn from.
            EXPECT_GE(IterationDepth, 7);
            if (engineMove == 1) firstMove = best[0];
            if (!inject)
                longLines += ExpectKeysOfEngineMove(WordsAfter(printed, " pv ").size(), engineMove) >= 2;
            moves += " " + best[0] + " " + FirstLegalMove();
        }
        if (!inject) {
            EXPECT_GT(longLines, 0u);
            continue;
        }
        EXPECT_EQ(ReadFile("Learn.kv1").size(), 262191u);
        EXPECT_EQ(ReadFile("learn.log"),
                  "0\tAdd: Depth = " + LearnDepthText() + "\tOldEvaluation = 30\tEvaluaton = -20\tFEN = "
                  "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - " +
                      firstMove.substr(0, 4) + "\n");
    }
}

TEST_F(LearningInPlay, XboardGameLeavesTheKeysAndLearns) {
    for (bool inject : {false, true}) {
        SCOPED_TRACE(inject ? "scores injected" : "searched scores");
        if (inject) {
            Open();
            UseLearning = 1;
            SearchesSeen = 0;
            RootScoreHook = InjectScore;
        }
        Execute("xboard");
        Execute("new");
        Execute("easy");
        Execute("sd 8");
        InitScoreHistory();
        const u64 startKey = board.HashKey;
        std::string reply = "e2e4", firstPosition;
        size_t longLines = 0;
        for (i32 engineMove = 1; engineMove <= 3; engineMove++) {
            const std::string printed = Execute(reply);
            const size_t moveAt = printed.rfind("\nmove ");
            ASSERT_NE(moveAt, std::string::npos) << printed;
            const std::string engineText = WordsAfter(printed, "\nmove ").at(0);
            // Deep enough to learn from.
            EXPECT_GE(IterationDepth, 7);
            if (engineMove == 1) {
                // The position the engine's first move was made in, with it.
                UnmakeMove();
                WriteFen(ParseMoveText(engineText.c_str()));
                firstPosition = FenText;
                MakeMove(ParseMoveText(engineText.c_str()), 1);
            }
            // The thinking line before it: depth, score, time, nodes, then
            // the line of moves.
            const size_t lineStart = printed.rfind('\n', moveAt - 1) + 1;
            std::istringstream lastLine(printed.substr(lineStart, moveAt - lineStart));
            std::vector<std::string> words;
            for (std::string word; lastLine >> word;) words.push_back(word);
            const size_t pvMoves = words.size() > 4 ? words.size() - 4 : 0;
            if (!inject) longLines += ExpectKeysOfEngineMove(pvMoves, engineMove) >= 2;
            reply = FirstLegalMove();
        }
        EXPECT_NE(board.HashKey, startKey);
        if (!inject) {
            EXPECT_GT(longLines, 0u);
            continue;
        }
        EXPECT_EQ(ReadFile("Learn.kv1").size(), 262191u);
        EXPECT_EQ(ReadFile("learn.log"), "0\tAdd: Depth = " + LearnDepthText() +
                                             "\tOldEvaluation = 30\tEvaluaton = -20\tFEN = " +
                                             firstPosition + "\n");
    }
}

}  // namespace

namespace {

// The real executable: the learning file is made at start-up when learning
// is on, and a file too short is refused after the settings echo.
TEST(LearningEngine, StartUpOpensOrRefusesTheLearningFile) {
    struct Case {
        const char* name;
        const char* ini;
        const char* existing;  // nullptr: no file
        const char* printed;   // after the echo's last line
        size_t sizeAfter;      // 0: no file
    };
    const Case cases[] = {
        {"learning off: no file", "", nullptr, "Pondering = on\n\nNo EGTB", 0},
        {"learning on: a new file", "Learning = on\n", nullptr, "Pondering = on\n\nNo EGTB",
         262167},
        {"its use on: a new file", "UseLearningData = on\n", nullptr,
         "Pondering = on\n\nNo EGTB", 262167},
        {"a short file is refused", "Learning = on\n", "short",
         "Pondering = on\n\nInvalid learning file format\nNo EGTB", 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string dir = MakeScratchDir();
        std::ofstream(dir + "/Korvalent.ini", std::ios::binary) << c.ini;
        if (c.existing) std::ofstream(dir + "/Learn.kv1", std::ios::binary) << c.existing;
        const EngineRun run = RunEngine("quit\n", 30, dir);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_NE(run.output.find(c.printed), std::string::npos) << run.output;
        std::ifstream file(dir + "/Learn.kv1", std::ios::binary | std::ios::ate);
        EXPECT_EQ(file ? size_t(file.tellg()) : 0u, c.sizeAfter);
    }
}

}  // namespace
