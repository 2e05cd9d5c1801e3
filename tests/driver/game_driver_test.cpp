#include "driver/game_driver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "board/board.h"
#include "board/fen.h"
#include "board/legal_moves.h"
#include "board/make_move.h"
#include "board/modes.h"
#include "board/move_text.h"
#include "driver/new_game.h"
#include "driver/score_history.h"
#include "driver/search_input.h"
#include "search/root_moves.h"
#include "search/root_search.h"
#include "search/search_fixture.h"
#include "support/driver_state.h"
#include "support/engine_pipe.h"
#include "support/engine_process.h"
#include "support/piped_stdin.h"

namespace {

using namespace search_test;

Move M(const char* text) { return ParseMoveText(text); }

// ---------------------------------------------------------------------------
// The driver called in-process.

class GameDriver : public SearchFixture {
protected:
    PipedStdin input;  // an interface that sends nothing while we think

    void SetUp() override {
        SearchFixture::SetUp();
        ResetGameDriverState();
    }
    void TearDown() override {
        ResetGameDriverState();
        InitScoreHistory();
        SearchFixture::TearDown();
    }
    // ThinkAndMove with what it printed.
    static std::string Think() {
        testing::internal::CaptureStdout();
        ThinkAndMove();
        return testing::internal::GetCapturedStdout();
    }
    // The engine's side of a game as the driver records it: the search's
    // score, its move made, the history entry pushed.
    static void EngineMoves(const char* move, i32 score, u32 fromBook = 0, i32 rootMoves = 20) {
        RootScore[0] = score;
        BookMovePlayed = fromBook;
        RootMoveCount = rootMoves;
        const Move m = M(move);
        ASSERT_EQ(IsLegalMove(m), 1) << move;
        MakeMove(m, 1);
        PushScoreHistory();
    }
    static void OpponentMoves(const char* move) {
        const Move m = M(move);
        ASSERT_EQ(IsLegalMove(m), 1) << move;
        MakeMove(m, 1);
    }
};

TEST_F(GameDriver, ResignAfterTheRunOfLowScoresOfThisGame) {
    struct Case {
        const char* name;
        i32 resignValue, resignTimes;
        i32 scores[3];
        i32 expected[3];  // ShouldResign after each engine move
    };
    const Case cases[] = {
        {"three searches below -800", 800, 3, {-900, -900, -900}, {0, 0, 1}},
        {"-800 is not below -800", 800, 3, {-900, -800, -900}, {0, 0, 0}},
        {"a good score breaks the run", 800, 3, {-900, 50, -900}, {0, 0, 0}},
        {"one search is enough", 800, 1, {-801, -100, -801}, {1, 0, 1}},
        {"ResignTimes 0 resigns at once", 800, 0, {300, 300, 300}, {1, 1, 1}},
        // The ends of the setting's range: every score is below 2147483648,
        // only the lowest below -2147483647.
        {"ResignValue -2147483648", INT32_MIN, 1, {INT32_MAX, 0, INT32_MIN}, {1, 1, 1}},
        {"ResignValue -2147483647", -INT32_MAX, 1, {INT32_MAX, INT32_MAX - 1, 0}, {0, 1, 1}},
        {"ResignValue 2147483647", INT32_MAX, 1, {INT32_MIN, INT32_MAX, 0}, {1, 0, 0}},
    };
    const char* engineMoves[3] = {"e7e5", "b8c6", "g8f6"};
    const char* opponentMoves[3] = {"e2e4", "g1f3", "f1c4"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InitScoreHistory();
        ResignValue = c.resignValue;
        ResignTimes = c.resignTimes;
        NewGame();
        for (i32 k = 0; k < 3; k++) {
            OpponentMoves(opponentMoves[k]);
            EngineMoves(engineMoves[k], c.scores[k]);
            EXPECT_EQ(ShouldResign(), c.expected[k]) << "after engine move " << k + 1;
        }
    }
}

TEST_F(GameDriver, ResignRuleFollowsTheGameRecord) {
    InitScoreHistory();
    NewGame();
    OpponentMoves("e2e4");
    EngineMoves("e7e5", -900);
    OpponentMoves("g1f3");
    EngineMoves("b8c6", -900);
    OpponentMoves("f1c4");
    EngineMoves("g8f6", -900);
    EXPECT_EQ(ShouldResign(), 1);
    // A take-back of two plies and another move: the newest entry no longer
    // belongs to this game's positions.
    UnmakeMove();
    UnmakeMove();
    OpponentMoves("f1b5");
    EXPECT_EQ(ShouldResign(), 0);
    // The start values never count, whatever the score (their key is 0).
    InitScoreHistory();
    for (i32& score : ScoreHistory) score = -5000;
    EXPECT_EQ(ShouldResign(), 0);
}

TEST_F(GameDriver, ScoreHistoryEntries) {
    InitScoreHistory();
    NewGame();
    OpponentMoves("e2e4");
    EngineMoves("e7e5", -120, 1);
    EXPECT_EQ(ScoreHistory[NewestScoreEntry], -120);
    EXPECT_EQ(BookMoveHistory[NewestScoreEntry], 1);
    EXPECT_EQ(KeyHistory[NewestScoreEntry], board.HashKey);
    // The older entries moved one towards the oldest.
    EXPECT_EQ(ScoreHistory[NewestScoreEntry - 1], 0);
    EXPECT_EQ(ScoreHistory[0], 100);
    // A lone legal move was not searched: its entry keeps the last score.
    OpponentMoves("d1h5");
    EngineMoves("b8c6", 777, 0, 1);
    EXPECT_EQ(ScoreHistory[NewestScoreEntry], -120);
    EXPECT_EQ(ScoreHistory[NewestScoreEntry - 1], -120);
    EXPECT_EQ(BookMoveHistory[NewestScoreEntry], 0);
}

TEST_F(GameDriver, IllegalPositionIsRefused) {
    struct Case {
        const char* name;
        // Men to place: side, type, square.
        std::vector<std::tuple<Side, PieceType, Square>> men;
        Side toMove;
    };
    const Case cases[] = {
        {"no white king", {{BLACK, KING, E8}, {WHITE, QUEEN, D1}}, WHITE},
        {"two black kings", {{WHITE, KING, E1}, {BLACK, KING, E8}, {BLACK, KING, A8}}, BLACK},
        {"the side not to move in check", {{WHITE, KING, E1}, {BLACK, KING, E8}, {WHITE, ROOK, E4}},
         WHITE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (i32 uci : {0, 1}) {
            ClearBoard();
            for (const auto& [side, type, square] : c.men) AddPiece(square, side, type);
            board.SideToMove = c.toMove;
            GamePly = 0;
            UciMode = uci;
            EXPECT_EQ(Think(), uci ? "bestmove 0000\n" : "Illegal position\n");
            EXPECT_EQ(GamePly, 0);
        }
        // Analysis refuses it too, and returns.
        UciMode = 0;
        testing::internal::CaptureStdout();
        AnalyzeLoop();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Illegal position\n");
    }
}

TEST_F(GameDriver, ThinksMovesAndReportsInEachProtocol) {
    // Console and xboard: the final line whatever post says, then the move.
    ASSERT_EQ(ParseFen("6k1/5ppp/8/8/8/8/8/R5K1 w - -"), 1);
    const Move mate = M("a1a8");
    DepthLimit = 6;
    std::string printed = Think();
    EXPECT_EQ(printed.substr(0, 8), "4 32766 ");
    EXPECT_NE(printed.find(" a1a8\nmove a1a8\n"), std::string::npos) << printed;
    EXPECT_EQ(GamePly, 1);
    EXPECT_EQ(GameHistory[0].Move, mate);
    EXPECT_EQ(LastSearchScore, 32699);
    EXPECT_EQ(LastSearchSide, WHITE);
    EXPECT_EQ(SearchDepthLimit, 6) << "no clock: the depth-limited path";

    // UCI: an info line and "bestmove", with a ponder move when one is known.
    UciMode = 1;
    ASSERT_EQ(ParseFen("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -"), 1);
    printed = Think();
    const std::regex bestmove(R"(\nbestmove ([a-h][1-8][a-h][1-8][qrbn]?)( ponder [a-h][1-8][a-h][1-8][qrbn]?)?\n$)");
    std::smatch match;
    ASSERT_TRUE(std::regex_search(printed, match, bestmove)) << printed;
    // The final information line, forced, comes just before "bestmove".
    const size_t lastInfo = printed.rfind("info depth ");
    ASSERT_NE(lastInfo, std::string::npos) << printed;
    EXPECT_EQ(printed.compare(lastInfo, 13, "info depth 6 "), 0) << printed;
    EXPECT_EQ(printed.find('\n', lastInfo) + 1, size_t(match.position(0)) + 1) << printed;
    EXPECT_EQ(match[1].str(), std::string(MoveToText(GameHistory[GamePly - 1].Move)));
    EXPECT_EQ(LastBestMove, GameHistory[GamePly - 1].Move);
}

TEST_F(GameDriver, FixedTimePerMoveTakesTheTimedPathWithoutAClock) {
    ASSERT_EQ(ParseFen("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -"), 1);
    MoveTimeCs = 20;
    DepthLimit = 5;
    const std::string printed = Think();
    EXPECT_EQ(SearchDepthLimit, TimedSearchDepth);
    EXPECT_EQ(TimeBudgetCs, 20);
    EXPECT_EQ(TimeHardLimitCs, 20);
    EXPECT_EQ(TimeCheckInterval, 2000);
    // The depth limit holds in the timed path too.
    EXPECT_LE(IterationDepth, 4);
    EXPECT_NE(printed.find("\nmove "), std::string::npos) << printed;

    // A clock: the timed path, with the check interval of the budget.
    MoveTimeCs = 0;
    EngineTimeCs = 60000;
    DepthLimit = 3;
    Think();
    EXPECT_EQ(SearchDepthLimit, TimedSearchDepth);
    EXPECT_EQ(TimeCheckInterval, 10000);
    EXPECT_EQ(IterationDepth, 2);
}

// ---------------------------------------------------------------------------
// The real executable through pipes.

// What follows the start-up lines.
std::string AfterStartup(const std::string& output) {
    const std::string lastLine = "No EGTB files found\n";
    const size_t end = output.find(lastLine);
    return end == std::string::npos ? output : output.substr(end + lastLine.size());
}

// A thinking line: depth, score, centiseconds, nodes and the variation.
const std::regex ThinkingLine(R"(^(\d+) (-?\d+) (\d+) (\d+)((?: [a-h][1-8][a-h][1-8][qrbn]?)+)$)");

struct Thinking {
    i32 depth = 0;
    i32 score = 0;
    i64 centiseconds = 0;
    std::string pv;
};

// The thinking lines among lines[from .. to).
std::vector<Thinking> ThinkingLines(const std::vector<std::string>& lines, size_t from = 0,
                                    size_t to = std::string::npos) {
    std::vector<Thinking> found;
    for (size_t i = from; i < lines.size() && i < to; i++) {
        std::smatch match;
        if (!std::regex_match(lines[i], match, ThinkingLine)) continue;
        found.push_back({std::stoi(match[1]), std::stoi(match[2]), std::stoll(match[3]), match[5]});
    }
    return found;
}

// Reads an engine's "move" lines one after another, with what it printed
// before each.
struct MoveReader {
    EnginePipe& engine;
    int next = 0;  // the first line not handed out yet

    // The next move line ("" on time-out); *since gets the lines printed
    // after the previous move line, this one included.
    std::string Next(std::vector<std::string>* since = nullptr, int timeoutMs = 60000) {
        std::string line;
        if (!engine.WaitFor("move ", timeoutMs, &line)) return "";
        const int at = engine.Find("move ", next);
        if (since) since->assign(engine.lines.begin() + next, engine.lines.begin() + at + 1);
        next = at + 1;
        return line;
    }
};

bool Contains(const std::vector<std::string>& lines, const std::string& wanted) {
    for (const std::string& line : lines)
        if (line == wanted) return true;
    return false;
}

class GameDriverConsole : public SearchFixture {};

TEST_F(GameDriverConsole, SdAndGoPrintThinkingLinesAndTheMove) {
    for (const char* post : {"post", "nopost"}) {
        SCOPED_TRACE(post);
        EnginePipe engine;
        // One search is looked at: no pondering after its move.
        engine.Send("easy");
        engine.Send(post);
        engine.Send("sd 12");
        engine.Send("go");
        std::string move;
        ASSERT_TRUE(engine.WaitFor("move ", 60000, &move)) << engine.Transcript();
        const std::vector<Thinking> lines = ThinkingLines(engine.lines);
        ASSERT_FALSE(lines.empty());
        // With post on, lines come during the search too; the last line
        // comes after it whatever post says.
        if (std::string(post) == "post")
            EXPECT_GE(lines.size(), 2u);
        else
            EXPECT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines.back().depth, 12);
        EXPECT_EQ(lines.back().pv.substr(1, 4), move.substr(5, 4));
        ASSERT_EQ(ParseFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -"), 1);
        EXPECT_EQ(IsLegalMove(M(move.substr(5).c_str())), 1) << move;
        engine.CloseInput();
        EXPECT_EQ(engine.WaitExit(30000), 0);
    }
}

TEST_F(GameDriverConsole, PublishedMatesArePlayedWithMateScores) {
    struct Case {
        const char* fen;
        const char* move;
        i32 xboardScore;  // 32767 - plies to mate
    };
    const Case cases[] = {
        {"6k1/5ppp/8/8/8/8/8/R5K1 w - -", "a1a8", 32766},
        {"kbK5/pp6/1P6/8/8/8/8/R7 w - -", "a1a6", 32764},
        {"rnb1kb1r/pp3ppp/2p5/4q3/4n3/3Q4/PPPB1PPP/2KR1BNR w kq -", "d3d8", 32762},
        // Winning, the engine does not take the rook into stalemate.
        {"7k/8/6K1/3Q4/8/8/r7/8 w - -", "d5d8", 32766},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fen);
        EnginePipe engine;
        engine.Send("easy");
        engine.Send(std::string("loadfen ") + c.fen);
        engine.Send("sd 20");
        engine.Send("go");
        std::string move;
        ASSERT_TRUE(engine.WaitFor("move ", 60000, &move)) << engine.Transcript();
        EXPECT_EQ(move, std::string("move ") + c.move);
        const std::vector<Thinking> lines = ThinkingLines(engine.lines);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back().score, c.xboardScore);
        EXPECT_FALSE(engine.WaitFor("1/2-1/2", 200)) << engine.Transcript();
    }
}

TEST_F(GameDriverConsole, LosingSideTakesThePerpetualCheck) {
    // Four rooks against a queen: black checks until the position repeats,
    // and then announces the draw instead of moving.
    const char* fen = "6k1/RR3ppp/2RR4/8/3q4/6PP/7K/8 b - -";
    EnginePipe engine;
    engine.Send(std::string("loadfen ") + fen);
    engine.Send("sd 10");
    engine.Send("go");
    ASSERT_EQ(ParseFen(fen), 1);
    const std::string claim = "1/2-1/2 {Draw by repetition}";
    int next = 0;  // the first line not looked at
    bool repetitionAnnounced = false;
    for (i32 round = 0; round < 12 && !repetitionAnnounced; round++) {
        // The engine's move, or its announcement.
        int moveLine = -1, claimLine = -1;
        for (int waited = 0; waited < 60000 && moveLine < 0 && claimLine < 0; waited += 20) {
            engine.Drain(20);
            moveLine = engine.Find("move ", next);
            claimLine = engine.Find(claim, next);
        }
        ASSERT_TRUE(moveLine >= 0 || claimLine >= 0) << round << engine.Transcript();
        if (claimLine >= 0) {
            repetitionAnnounced = true;
            break;
        }
        const std::vector<std::string> since(engine.lines.begin() + next,
                                             engine.lines.begin() + moveLine + 1);
        next = moveLine + 1;
        const std::vector<Thinking> lines = ThinkingLines(since);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back().score, 0) << round;
        // The engine's move gives check; white answers with its first legal move.
        const std::string move = engine.lines[moveLine];
        const Move engineMove = M(move.substr(5).c_str());
        ASSERT_EQ(IsLegalMove(engineMove), 1) << move;
        MakeMove(engineMove, 1);
        EXPECT_TRUE(SideToMoveIsInCheck()) << move;
        MoveStackTop = 0;
        GenerateLegalMoves(0);
        ASSERT_GT(MoveStackTop, 0);
        const Move reply = MoveStack[0].move;
        MoveStackTop = 0;
        MakeMove(reply, 1);
        engine.Send(MoveToText(reply));
    }
    ASSERT_TRUE(repetitionAnnounced) << engine.Transcript();
    // Nothing after the announcement: no line at all, however long.
    const int announced = engine.Find(claim, next);
    engine.Drain(1000);
    EXPECT_EQ(int(engine.lines.size()), announced + 1) << engine.Transcript();
}

// The engine to move in a finished game announces the result, and that is
// all: no thinking line, no move. Another "go" announces it again.
TEST_F(GameDriverConsole, GameEndAnnouncements) {
    struct Case {
        const char* input;
        const char* line;
    };
    const Case cases[] = {
        {"loadfen 6k1/5ppp/8/8/8/8/8/R5K1 w - -\nforce\na1a8\ngo\n", "1-0 {White mates}"},
        {"loadfen r5k1/8/8/8/8/8/5PPP/6K1 b - -\nforce\na8a1\ngo\n", "0-1 {Black mates}"},
        {"loadfen k7/2Q5/1K6/8/8/8/8/8 b - -\ngo\n", "1/2-1/2 {Stalemate}"},
        {"force\ng1f3\ng8f6\nf3g1\nf6g8\ng1f3\ng8f6\nf3g1\nf6g8\nsd 3\ngo\n",
         "1/2-1/2 {Draw by repetition}"},
        {"loadfen 8/8/8/4k3/8/8/3BK3/8 w - -\nsd 3\ngo\n", "1/2-1/2 {Draw by insufficient material}"},
        {"loadfen 4k3/8/8/8/8/8/8/R3K3 w - - 100\nforce\ne1d1\nsd 3\ngo\n",
         "1/2-1/2 {Draw by the 50-moves rule}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const std::string line = std::string(c.line) + "\n";
        const EngineRun run = RunEngine(c.input + std::string("go\n"));
        EXPECT_EQ(AfterStartup(run.output), line + line);
        EXPECT_EQ(run.exitCode, 0);
    }
}

TEST_F(GameDriverConsole, FixedTimeAnswersWithinTheSecond) {
    EnginePipe engine;
    engine.Send("easy");
    engine.Send("loadfen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -");
    engine.Send("st 1");
    engine.Send("go");
    ASSERT_TRUE(engine.WaitFor("move ", 30000)) << engine.Transcript();
    const std::vector<Thinking> lines = ThinkingLines(engine.lines);
    ASSERT_FALSE(lines.empty());
    // The search stops at the first look at the clock past 100 centiseconds;
    // the looks come every 5000 nodes with so short a budget.
    EXPECT_GE(lines.back().centiseconds, 100);
    EXPECT_LE(lines.back().centiseconds, 130);
}

TEST_F(GameDriverConsole, LevelGameStaysWithinTheClock) {
    // Both sides played by the engine as an xboard interface would drive
    // it: the clocks it is given are what is left of 8 seconds each for
    // the 40 moves of "level 40 5 0" after the time it really took.
    EnginePipe engine;
    MoveReader reader{engine};
    engine.Send("new");
    // The engine plays both sides: it must not ponder on a reply.
    engine.Send("easy");
    engine.Send("level 40 5 0");
    i64 clock[2] = {800, 800};
    i32 side = WHITE;
    i32 plies = 0;
    for (; plies < 80; plies++) {
        engine.Send("time " + std::to_string(clock[side]));
        engine.Send("otim " + std::to_string(clock[ChangeSide(side)]));
        const auto start = std::chrono::steady_clock::now();
        engine.Send("go");
        const std::string move = reader.Next(nullptr, 30000);
        const i64 spentCs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now() - start)
                                .count() /
                            10;
        if (move.empty()) break;  // the game is over
        clock[side] -= spentCs;
        ASSERT_GT(clock[side], 0) << "ply " << plies << ": " << move;
        side = ChangeSide(side);
    }
    EXPECT_GE(plies, 40);
    EXPECT_GT(clock[WHITE], 0);
    EXPECT_GT(clock[BLACK], 0);
    engine.CloseInput();
    EXPECT_EQ(engine.WaitExit(30000), 0);
}

// Resigning ends the game: the third search below -800 is answered with
// "resign" alone, its move neither sent nor kept on the board, and nothing
// follows (no move, hint or pondering) until "go" asks for a move again.
TEST_F(GameDriverConsole, LostEngineResignsOnItsThirdMove) {
    const char* fen = "8/8/8/3k4/8/8/8/KQR5 b - -";
    EnginePipe engine;
    MoveReader reader{engine};
    engine.Send(std::string("loadfen ") + fen);
    engine.Send("sd 6");
    engine.Send("go");
    ASSERT_EQ(ParseFen(fen), 1);
    u64 kingVisited = SquareBit(A1);
    for (i32 round = 1; round <= 3; round++) {
        SCOPED_TRACE(round);
        if (round == 3) {
            ASSERT_TRUE(engine.WaitFor("resign", 60000)) << AfterStartup(engine.Transcript());
            const int resigned = engine.Find("resign");
            engine.Drain(1500);
            EXPECT_EQ(int(engine.lines.size()), resigned + 1) << AfterStartup(engine.Transcript());
            break;
        }
        std::vector<std::string> since;
        const std::string move = reader.Next(&since);
        ASSERT_FALSE(move.empty()) << engine.Transcript();
        EXPECT_FALSE(Contains(since, "resign")) << AfterStartup(engine.Transcript());
        MakeMove(M(move.substr(5).c_str()), 1);
        // White answers with a king step to a square its king has not stood
        // on (so no position comes back), leaving black a move and nothing
        // to take.
        MoveStackTop = 0;
        GenerateLegalMoves(0);
        const i32 count = MoveStackTop;
        Move reply = NoMove;
        for (i32 i = 0; i < count && reply == NoMove; i++) {
            const Move candidate = MoveStack[i].move;
            if (MovePiece(candidate) != KING || (kingVisited & SquareBit(MoveTo(candidate)))) continue;
            MakeMove(candidate, 1);
            MoveStackTop = count;
            GenerateLegalMoves(count);
            bool safe = MoveStackTop > count;
            for (i32 k = count; k < MoveStackTop; k++)
                if (MoveCaptured(MoveStack[k].move) != EMPTY) safe = false;
            MoveStackTop = count;
            UnmakeMove();
            if (safe) reply = candidate;
        }
        MoveStackTop = 0;
        ASSERT_NE(reply, NoMove);
        kingVisited |= SquareBit(MoveTo(reply));
        MakeMove(reply, 1);
        engine.Send(MoveToText(reply));
    }
    // The board is the game's, without the move the engine resigned on.
    engine.Send("force");
    engine.Send("brd");
    for (i32 rank = 7; rank >= 0; rank--) {
        std::string row;
        for (i32 file = 0; file < 8; file++) {
            const Square sq = MakeSquare(file, rank);
            const PieceType type = board.Squares[sq];
            row += (board.Bitboards[0][BLACK] & SquareBit(sq)) ? '*' : ' ';
            row += ".KNP?RBQ"[type];
        }
        ASSERT_TRUE(engine.WaitFor(row, 10000)) << row << "\n" << engine.Transcript();
    }
    // "go" reopens the game: the engine plays on.
    engine.Send("go");
    EXPECT_NE(reader.Next(), "") << engine.Transcript();
}

TEST_F(GameDriverConsole, MovesListsEveryRootMoveWithItsOwnScore) {
    const EngineRun run =
        RunEngine("loadfen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -\nmoves\n");
    const std::string out = AfterStartup(run.output);
    const std::string header = "-------------- Legal moves: ----------------\n\n";
    ASSERT_EQ(out.rfind(header, 0), 0u) << out;
    const std::regex entry(R"(([KQRBNP][a-h][1-8][a-h][1-8][qrbn]?) \((-?\d+)\); )");
    std::vector<std::pair<std::string, i32>> entries;
    const std::string list = out.substr(header.size());
    for (auto it = std::sregex_iterator(list.begin(), list.end(), entry); it != std::sregex_iterator();
         ++it)
        entries.push_back({(*it)[1].str(), std::stoi((*it)[2].str())});
    // Kiwipete: 48 legal moves, the 8 captures first, ordered by their own
    // exchange scores; the quiet moves all score 0 on a fresh history.
    ASSERT_EQ(entries.size(), 48u) << out;
    const std::vector<std::string> captures = {"Be2a6", "Pd5e6", "Pg2h3", "Qf3f6",
                                               "Ne5f7", "Ne5g6", "Ne5d7", "Qf3h3"};
    for (size_t i = 0; i < captures.size(); i++) {
        EXPECT_EQ(entries[i].first, captures[i]) << i;
        if (i > 0) {
            EXPECT_GE(entries[i - 1].second, entries[i].second) << i;
        }
    }
    EXPECT_GT(entries[0].second, entries[1].second);
    EXPECT_GT(entries[2].second, entries[3].second);
    for (size_t i = captures.size(); i < entries.size(); i++) EXPECT_EQ(entries[i].second, 0) << i;
}

TEST_F(GameDriverConsole, DemoPlaysAGameToItsEnd) {
    // A short clock; at the end of input each search stops at its first look
    // at the input, so the game runs quickly until it is over.
    const EngineRun run = RunEngine("time 100\ndemo\n", 240);
    const std::string out = AfterStartup(run.output);
    size_t moves = 0;
    for (size_t at = out.find("move "); at != std::string::npos; at = out.find("move ", at + 1)) moves++;
    EXPECT_GT(moves, 10u);
    EXPECT_EQ(run.exitCode, 0);
    // The game ends with the engine's announcement, and nothing follows it.
    const std::regex result(R"((1-0|0-1|1/2-1/2) \{[^}]+\}\n$)");
    EXPECT_TRUE(std::regex_search(out, result) || moves >= 4000)
        << out.substr(out.size() > 2000 ? out.size() - 2000 : 0);
}

}  // namespace
