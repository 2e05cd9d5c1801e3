// The game-file tools: pgneval replaying PGN games into CSV lines of
// evaluation terms, and epdevl scoring EPD positions. Each test runs in a
// scratch directory of its own, where the tools look for their files.
#include "driver/game_file_tools.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "book/book.h"
#include "eval/eval_cache.h"
#include "eval/eval_info.h"
#include "eval/eval_params.h"
#include "eval/evaluate.h"
#include "eval/material_table.h"
#include "eval/personality.h"
#include "search/hash_tables.h"
#include "search/search_limits.h"

#include "support/engine_process.h"

namespace {

std::string FixturePath(const std::string& name) {
    return std::string(KORVALENT_SOURCE_DIR) + "/tests/driver/fixtures/" + name;
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

bool Exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator)) parts.push_back(part);
    return parts;
}

// Lines of a text, each with its line feed.
std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    for (const std::string& line : Split(text, '\n')) lines.push_back(line + "\n");
    return lines;
}

// Runs a tool with its standard output captured.
template <typename Tool>
std::string Captured(Tool tool) {
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    tool();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

class GameFileTools : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        InitEngineTables();
        PawnEntries = DefaultPawnEntries;
        AllocPawnHash();
        AllocEvalCache();
    }

    // Built-in evaluation weights, and a scratch directory as the working
    // directory for the length of the test.
    void SetUp() override {
        SetBuiltInEvalParams();
        DeriveEvalTables();
        SetDefaultPersonality();
        ClearPawnHash();
        ClearEvalCache();
        DrawScore = 0;
        SearchPly = 0;
        MoveStackTop = 0;
        char here[4096];
        ASSERT_NE(getcwd(here, sizeof here), nullptr);
        savedDirectory = here;
        scratch = MakeScratchDir();
        ASSERT_EQ(chdir(scratch.c_str()), 0);
        ASSERT_EQ(mkdir("work", 0755), 0);
    }
    void TearDown() override { ASSERT_EQ(chdir(savedDirectory.c_str()), 0); }

    static void InstallPgn(const std::string& text) { WriteFile("work/source.pgn", text); }

    std::string savedDirectory, scratch;
};

using GameFileToolsDeathTest = GameFileTools;

// ---------------------------------------------------------------------------
// pgneval

// One expected CSV line: the position, and the fields that follow from the
// game and the board alone.
struct ExpectedExport {
    const char* fen;
    i32 pliesToEnd;       // field 1
    i32 result;           // field 6: 1 won, 2 lost, 0 draw for the side to move
    i32 counts[12];       // fields 7-18
    i32 blackToMove;      // field 30
};

// Counts: pawns, dark and light bishops, knights, rooks, queens of the side
// to move, then of the other side.
const ExpectedExport FixtureExports[] = {
    // Game 1 (1-0, 23 plies): 7. Bd3 after 6...bxc6.
    {"r1bqk2r/p1pp1ppp/2p2n2/8/1b2P3/2N5/PPP2PPP/R1BQKB1R w KQkq - ", 11, 1,
     {7, 1, 1, 1, 2, 1, 7, 1, 1, 1, 2, 1}, -1},
    // 9. 0-0 after 8...cxd5.
    {"r1bqk2r/p1p2ppp/5n2/3p4/1b6/2NB4/PPP2PPP/R1BQK2R w KQkq - ", 7, 1,
     {6, 1, 1, 1, 2, 1, 6, 1, 1, 1, 2, 1}, -1},
    // 11...h6 after 11. bxc3: black to move in a game black lost.
    {"r1bq1rk1/p1p2ppp/5n2/3p2B1/8/2PB4/P1P2PPP/R2Q1RK1 b - - ", 2, 2,
     {6, 0, 1, 1, 2, 1, 6, 1, 1, 0, 2, 1}, 1},
    // Game 5 (draw, no PlyCount): 12. b4 after 11...Bxf6. Its 5. Bg5 after
    // 4...exd5 comes before the tenth ply and is not exported.
    {"r1bqrnk1/pp3ppp/2p2b2/3p4/3P4/2NBP3/PPQ1NPPP/R4RK1 w - - ", -22, 0,
     {7, 0, 1, 2, 2, 1, 7, 1, 1, 1, 2, 1}, -1},
};

void ExpectExportLine(const std::string& line, const ExpectedExport& expected) {
    SCOPED_TRACE(line);
    ASSERT_EQ(line.back(), '\n');
    const std::vector<std::string> fields = Split(line.substr(0, line.size() - 1), ';');
    ASSERT_EQ(fields.size(), 32u);
    std::vector<i32> number(33, 0);
    for (i32 i = 1; i <= 32; i++)
        if (i != 19) number[i] = std::stoi(fields[i - 1]);

    EXPECT_EQ(fields[18], expected.fen);
    EXPECT_EQ(number[1], expected.pliesToEnd);
    EXPECT_EQ(number[6], expected.result);
    for (i32 i = 0; i < 12; i++) EXPECT_EQ(number[7 + i], expected.counts[i]) << "field " << 7 + i;
    EXPECT_EQ(number[29], 0);
    EXPECT_EQ(number[30], expected.blackToMove);
    EXPECT_EQ(number[31], 0);
    EXPECT_EQ(number[32], 0);

    // The evaluation terms are those of the same position set up afresh.
    ASSERT_EQ(ParseFen(expected.fen), 1);
    const Side own = board.SideToMove, other = ChangeSide(own);
    i32 score = EvalScoreMissing;
    Evaluate(&score);
    const i32 material = own == WHITE ? -eval_info.material : eval_info.material;
    EXPECT_EQ(number[2], score);
    EXPECT_EQ(number[3], material);
    EXPECT_EQ(number[5], eval_info.scale);
    EXPECT_EQ(number[4], score - i32(i64(material) * eval_info.scale / 6300));
    EXPECT_EQ(number[21], eval_info.king_attack[own]);
    EXPECT_EQ(number[22], eval_info.danger[own]);
    EXPECT_EQ(number[23], eval_info.attacker_count[own]);
    EXPECT_EQ(number[24], eval_info.shelter_penalty[own]);
    EXPECT_EQ(number[25], eval_info.king_attack[other]);
    EXPECT_EQ(number[26], eval_info.danger[other]);
    EXPECT_EQ(number[27], eval_info.attacker_count[other]);
    EXPECT_EQ(number[28], eval_info.shelter_penalty[other]);
    LoadMaterialTableEntry();
    EXPECT_EQ(number[20], board.current_phase);
}

TEST_F(GameFileTools, PgnFixtureExportsQuietPositionsRightAfterCaptures) {
    InstallPgn(ReadFile(FixturePath("games.pgn")));
    // Two runs: the CSV file is appended to, never rewritten.
    for (i32 run = 0; run < 2; run++) {
        i32 result = 0;
        const std::string output = Captured([&] { result = ProcessPgnFile(); });
        EXPECT_EQ(result, 1);
        // Game 3 stops at its ambiguous knight move, game 4 at the king
        // move that no king can make; every other game is replayed.
        EXPECT_EQ(output, "\nAmbigous move: Nd2...\n\nCan't recognize: Ke3...\n");
        // The last game was replayed to its end: 24 plies.
        EXPECT_EQ(GamePly, 24);
    }
    const std::vector<std::string> lines = LinesOf(ReadFile("work/my_eval.csv"));
    const size_t perRun = std::size(FixtureExports);
    ASSERT_EQ(lines.size(), 2 * perRun);
    for (size_t i = 0; i < lines.size(); i++)
        ExpectExportLine(lines[i], FixtureExports[i % perRun]);
    // The replayed games taught the opening book nothing.
    EXPECT_EQ(BookLearnedThisGame, 1);
}

// The opening of game 1 up to 7. Bd3, the first export, under various tags.
TEST_F(GameFileTools, ResultAndPlyCountTagsInAnyCase) {
    const std::string moves =
        "\n1. e4 e5 2. Nf3 Nc6 3. d4 exd4 4. Nxd4 Nf6 5. Nc3 Bb4 6. Nxc6 bxc6 7. Bd3\n\n";
    const struct {
        const char* tags;
        i32 exported;  // 0: no line, else the line's fields 1 and 6
        i32 pliesToEnd, result;
    } cases[] = {
        {"[Result \"1-0\"]", 1, -12, 1},
        {"[result \"0-1\"]\n[plycount \"30\"]", 1, 18, 2},
        {"[Event \"e\"] [RESULT \"1/2-1/2\"] [PLYCOUNT \"13\"]", 1, 1, 0},
        {"[PlyCount 40][Result 1-0]", 1, 28, 1},
        {"[Result \"*\"]", 0, 0, 0},
        {"[Result \"?\"]", 0, 0, 0},
        {"[Event \"no result\"]", 0, 0, 0},
        {"[Resul \"1-0\"]", 0, 0, 0},
        // A name too long to keep is skipped with its whole tag.
        {"[ResultResultResultResultResultResultResult \"1-0\"]", 0, 0, 0},
        {"[Result]", 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tags);
        std::remove("work/my_eval.csv");
        // A second game makes sure the first is read to its end.
        InstallPgn(std::string(c.tags) + moves + "[Event \"next\"]\n1. e4 *\n");
        EXPECT_EQ(Captured([] { ProcessPgnFile(); }), "");
        const std::vector<std::string> lines = LinesOf(ReadFile("work/my_eval.csv"));
        ASSERT_EQ(lines.size(), size_t(c.exported));
        if (!c.exported) continue;
        const std::vector<std::string> fields = Split(lines[0], ';');
        ASSERT_EQ(fields.size(), 32u);
        EXPECT_EQ(std::stoi(fields[0]), c.pliesToEnd);
        EXPECT_EQ(std::stoi(fields[5]), c.result);
        EXPECT_EQ(fields[18], "r1bqk2r/p1pp1ppp/2p2n2/8/1b2P3/2N5/PPP2PPP/R1BQKB1R w KQkq - ");
    }
}

TEST_F(GameFileTools, MissingOrUnwritableFilesStopTheTool) {
    // No PGN file: one line, and nothing written.
    EXPECT_EQ(Captured([] { ProcessPgnFile(); }), "Error opening file c:\\work\\source.pgn...\n");
    EXPECT_FALSE(Exists("work/my_eval.csv"));

    // The CSV file cannot be opened: one line at the first export, and the
    // tool stops there (game 3's ambiguous move is never reached).
    InstallPgn(ReadFile(FixturePath("games.pgn")));
    ASSERT_EQ(mkdir("work/my_eval.csv", 0755), 0);
    EXPECT_EQ(Captured([] { ProcessPgnFile(); }),
              "Error opening file c:\\work\\my_eval.csv... (not a regular file)\n");
}

// The file name is matched without regard to case, as on the file system
// the paths were written for.
TEST_F(GameFileTools, SourceFileNameIsMatchedWithoutCase) {
    ASSERT_EQ(rmdir("work"), 0);
    ASSERT_EQ(mkdir("Work", 0755), 0);
    WriteFile("Work/Source.PGN", "[Result \"*\"]\n1. e4 Ke3 *\n");
    EXPECT_EQ(Captured([] { ProcessPgnFile(); }), "\nCan't recognize: Ke3...\n");
}

TEST_F(GameFileTools, ProgressLineAfterEvery101Games) {
    std::string pgn;
    for (i32 game = 0; game < 102; game++) pgn += "[Result \"*\"]\n1. e4 e5 *\n\n";
    InstallPgn(pgn);
    // The 102nd game ends with the file and is not counted.
    EXPECT_EQ(Captured([] { ProcessPgnFile(); }), "Processed 101 games...\r");
}

TEST_F(GameFileToolsDeathTest, OverLongMoveEndsTheProgramWithCodeTwo) {
    InstallPgn("[Result \"1-0\"]\n1. e4 e5 2. Nf3abcdefgh12345 Nc6 1-0\n");
    // The matcher reads the child's standard error, so its standard output
    // is sent there.
    EXPECT_EXIT(
        {
            std::fflush(stdout);
            dup2(2, 1);
            ProcessPgnFile();
        },
        testing::ExitedWithCode(2),
        "^Error parsing move \\(move too long\\): Nf3abcdefgh1234\\.\\.\\.\n$");
}

// Move tokens resolved against the legal moves of a position.
TEST_F(GameFileTools, AlgebraicMovesAreResolved) {
    const char* afterE4D5 = "rnbqkbnr/ppp1pppp/8/3p4/4P3/8/PPPP1PPP/RNBQKBNR w KQkq -";
    const char* twoBlackKnights = "rnbqkb1r/ppp1pppp/5n2/3p4/3P4/5N2/PPP1PPPP/RNBQKB1R b KQkq -";
    const char* pawnOnE7 = "8/4P3/8/8/8/k7/8/K7 w - -";
    const char* castlingWhite = "r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R w KQkq -";
    const char* castlingBlack = "r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R b KQkq -";
    const char* enPassant = "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f5";
    const char* start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";
    const struct {
        const char* fen;
        const char* token;
        const char* played;  // "" when nothing is played
        const char* message;
    } cases[] = {
        {afterE4D5, "exd5", "e4d5", ""},
        {afterE4D5, "exd", "e4d5", ""},
        {afterE4D5, "e:d5", "e4d5", ""},
        {twoBlackKnights, "Nbd7", "b8d7", ""},
        {twoBlackKnights, "Nfd7", "f6d7", ""},
        {twoBlackKnights, "N6d7", "f6d7", ""},
        {twoBlackKnights, "Nd7", nullptr, "\nAmbigous move: Nd7...\n"},
        {pawnOnE7, "e8=Q", "e7e8q", ""},
        {pawnOnE7, "e8Q", "e7e8q", ""},
        {pawnOnE7, "e8=N", "e7e8n", ""},
        {pawnOnE7, "e8", nullptr, "\nAmbigous move: e8...\n"},
        {castlingWhite, "O-O", "e1g1", ""},
        {castlingWhite, "0-0", "e1g1", ""},
        {castlingWhite, "O-O-O", "e1c1", ""},
        {castlingWhite, "0-0-0", "e1c1", ""},
        {castlingBlack, "O-O", "e8g8", ""},
        {castlingBlack, "0-0-0", "e8c8", ""},
        {enPassant, "exf6", "e5f6", ""},
        {enPassant, "exf", "e5f6", ""},
        {enPassant, "exd6", "", "\nCan't recognize: exd6...\n"},
        {start, "Nf3", "g1f3", ""},
        {start, "Ng1f3", "g1f3", ""},
        {start, "Pe4", "e2e4", ""},
        {start, "e4", "e2e4", ""},
        {start, "Nxf3", "", "\nCan't recognize: Nxf3...\n"},
        {start, "Ke2", "", "\nCan't recognize: Ke2...\n"},
        {start, "e5", "", "\nCan't recognize: e5...\n"},
        {start, "Nf3Q", "", "\nCan't recognize: Nf3Q...\n"},
        {start, "e", nullptr, "\nAmbigous move: e...\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.fen) + " " + c.token);
        ASSERT_EQ(ParseFen(c.fen), 1);
        const i32 plyBefore = GamePly;
        std::snprintf(PgnMoveText, sizeof PgnMoveText, "%s", c.token);
        GameResultTag = 0;
        PgnGameFailed = 0;
        EXPECT_EQ(Captured([] { EvaluatePgnGame(); }), c.message);
        EXPECT_EQ(PgnGameFailed, c.message[0] ? 1 : 0);
        if (c.played && !c.played[0]) {
            EXPECT_EQ(GamePly, plyBefore);
        } else {
            // An ambiguous move still plays one of the moves that fit.
            ASSERT_EQ(GamePly, plyBefore + 1);
            if (c.played) {
                EXPECT_STREQ(MoveToText(GameHistory[GamePly - 1].Move), c.played);
            }
        }
    }

    // Once a game has failed, its later moves are neither played nor reported.
    ASSERT_EQ(ParseFen(start), 1);
    std::snprintf(PgnMoveText, sizeof PgnMoveText, "%s", "Ke2");
    PgnGameFailed = 1;
    EXPECT_EQ(Captured([] { EvaluatePgnGame(); }), "");
    EXPECT_EQ(GamePly, 0);
}

// Comments from ';' to the end of the line and the "e.p." mark of an
// en-passant capture are no moves: the game is replayed to its end.
TEST_F(GameFileTools, LineCommentsAndEnPassantMarksAreSkipped) {
    const struct {
        const char* pgn;
        i32 plies;  // of the game replayed
    } cases[] = {
        {"[Result \"1-0\"]\n1. e4 d5 2. e5 f5 3. exf6 e.p. Nh6 4. Nf3 1-0\n", 7},
        {"[Result \"1-0\"]\n1. e4 d5 2. e5 f5 3. exf6e.p. Nh6 4. Nf3 1-0\n", 7},
        {"[Result \"1-0\"]\n1. e4 d5 2. e5 f5 3. exf6 e.p.; taken\nNh6 1-0\n", 6},
        {"[Result \"1-0\"]\n; before the moves: 1. d4 d5\n1. e4 e5 2. Nf3 Nc6 1-0\n", 4},
        {"[Result \"1-0\"]\n1. e4 ; the king's pawn, 1... e5 expected\ne5 2. Nf3 Nc6 1-0\n", 4},
        {"[Result \"1-0\"]\n1. e4; glued\ne5 2. Nf3;\n;\nNc6 3. Bb5 1-0\n", 5},
        {"[Result \"1-0\"]\n1. ; a comment where the move should be\ne4 e5 1-0\n", 2},
        {"[Result \"1-0\"]\n1. e4{glued}e5 2. Nf3(2. Nc3) Nc6 1-0\n", 4},
        // A game ending in a comment at the end of the file.
        {"[Result \"1-0\"]\n1. e4 e5 2. Nf3 ; the end", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pgn);
        InstallPgn(c.pgn);
        EXPECT_EQ(Captured([] { ProcessPgnFile(); }), "");
        EXPECT_EQ(GamePly, c.plies);
    }
}

// Broken files end the tool normally; nothing is read past a buffer (the
// sanitizer build checks that).
TEST_F(GameFileTools, MalformedPgnFilesAreReadSafely) {
    const std::string longText(3000, 'y');
    const std::vector<std::string> files = {
        "",
        "no tags at all 1. e4 e5",
        "[",
        "[Event",
        "[Event \"never closed",
        "[" + longText + "]\n1. e4 e5 *\n",
        "[Result \"" + longText + "\"]\n1. e4 e5 *\n",
        "[Result \"1-0\"]\n[PlyCount \"99999999999999999999999\"]\n1. e4 e5 *\n",
        "[Result \"1-0\"]\n{never closed",
        "[Result \"1-0\"]\n1. e4 {never closed",
        "[Result \"1-0\"]\n1. e4 (e5 (d5 2. Nf3",
        "[Result \"1-0\"]\n1. e4 e5 2. Nf3abcdefgh123 Nc6 *\n",  // 14 characters: still a token
        "[Result \"1-0\"]\n1. e4 \x80\xff\x01\x7f e5 0-",
        "[Result \"1-0\"]\n1. 0-",
        "[Result \"1-0\"]\n1. 0",
        "[Result \"1-0\"]\n" + std::string(500, '-') + "\n",
        "[Result \"1-0\"]\n1. e4 ))))]]]}}} e5 [[[[",
        "[Result \"1-0\"]\n1. " + longText,
    };
    for (const std::string& text : files) {
        SCOPED_TRACE(text.substr(0, 60));
        InstallPgn(text);
        i32 result = 0;
        Captured([&] { result = ProcessPgnFile(); });
        EXPECT_EQ(result, 1);
    }

    // Random bytes, with a blank now and then so that no run of move
    // characters grows into an over-long token.
    u32 state = 1;
    std::string noise = "[Result \"1-0\"]\n1. ";
    for (i32 i = 0; i < 60000; i++) {
        state = state * 214013 + 2531011;
        noise += i % 8 == 7 ? ' ' : char((state >> 16) & 0xFF);
    }
    InstallPgn(noise);
    i32 result = 0;
    Captured([&] { result = ProcessPgnFile(); });
    EXPECT_EQ(result, 1);
}

// ---------------------------------------------------------------------------
// epdevl

// The score epdevl prints for an EPD line, the engine playing the side to move.
std::string ExpectedScoreLine(const std::string& line) {
    EXPECT_EQ(ParseFen(line.c_str()), 1) << line;
    EngineSide = board.SideToMove;
    i32 score = EvalScoreMissing;
    Evaluate(&score);
    return std::to_string(score) + "\n";
}

TEST_F(GameFileTools, EpdFixturePrintsEveryScoreAndSamplesEveryTenthLine) {
    const std::string epd = ReadFile(FixturePath("positions.epd"));
    const std::vector<std::string> lines = LinesOf(epd.substr(0, epd.size() - 1));
    ASSERT_EQ(lines.size(), 25u);
    WriteFile("positions.epd", epd);

    const std::string output = Captured([] { EvaluateEpdFile("positions.epd"); });
    std::string expected;
    for (const std::string& line : lines) expected += ExpectedScoreLine(line);
    EXPECT_EQ(output, expected);
    EXPECT_EQ(ReadFile("out.epd"), lines[9] + lines[19]);
}

// Refused positions, lines longer than the line buffer and a last line
// without its line feed.
TEST_F(GameFileTools, EpdLinesThatAreNotPositions) {
    const std::string epd = ReadFile(FixturePath("positions.epd"));
    std::vector<std::string> lines = LinesOf(epd.substr(0, epd.size() - 1));
    lines[2] = "garbage\n";
    std::string text;
    for (const std::string& line : lines) text += line;
    // 600 characters come as three lines: 254, 254, then 92 and the line feed.
    text += std::string(600, 'x') + "\n";
    text += lines[0] + lines[1];
    // Cut short by the end of the file: not read as a line.
    text += "4k3/8/8/8/8/8/8/4K3 w - -";
    WriteFile("mixed.epd", text);

    const std::string output = Captured([] { EvaluateEpdFile("mixed.epd"); });
    const std::vector<std::string> printed = LinesOf(output.substr(0, output.size() - 1));
    ASSERT_EQ(printed.size(), 30u) << output;
    for (i32 i = 0; i < 30; i++) {
        const bool refused = i == 2 || (i >= 25 && i <= 27);
        if (refused) {
            EXPECT_EQ(printed[i].rfind("Illegal position", 0), 0u) << i;
        } else {
            const std::string& source = i < 25 ? lines[i] : lines[i - 28];
            EXPECT_EQ(printed[i], ExpectedScoreLine(source)) << i;
        }
    }
    // Refused lines still count: lines 10, 20 and 30 are copied.
    EXPECT_EQ(ReadFile("out.epd"), lines[9] + lines[19] + lines[1]);
}

TEST_F(GameFileTools, EpdFilesThatCannotBeOpened) {
    EXPECT_EQ(Captured([] { EvaluateEpdFile("nothere.epd"); }),
              "Error opening file nothere.epd...\n");
    EXPECT_EQ(Captured([] { EvaluateEpdFile(""); }), "Error opening file ...\n");
    EXPECT_FALSE(Exists("out.epd"));

    WriteFile("positions.epd", ReadFile(FixturePath("positions.epd")));
    ASSERT_EQ(mkdir("out.epd", 0755), 0);
    EXPECT_EQ(Captured([] { EvaluateEpdFile("positions.epd"); }),
              "Error opening file out.epd... (not a regular file)\n");
}

// A FIFO in place of one of the tools' files would block the open (no
// writer) or the reads (a writer that never ends): through the real
// executable, each is refused at once, and the engine goes on to its next
// command ("quit"). The limit only turns a hang into a failure.
TEST(GameFileToolsRun, FifosAreRefusedWithoutWaiting) {
    struct Case {
        std::vector<std::string> fifos;
        std::vector<std::string> files;  // written as small valid inputs
        const char* command;
        const char* printed;
    };
    const std::string pgn = "[Result \"1-0\"]\n1. e4 d5 2. exd5 Qxd5 3. Nc3 Qa5 4. d4 Nf6 5. Nf3 c6 "
                            "6. Bc4 Bf5 7. Bd2 e6 8. Qe2 Bb4 9. a3 Bxc3 10. Bxc3 Qc7 11. O-O 1-0\n";
    const Case cases[] = {
        {{"work/source.pgn"}, {}, "pgneval", "Error opening file c:\\work\\source.pgn... (not a regular file)\n"},
        {{"work/my_eval.csv"}, {"work/source.pgn"}, "pgneval",
         "Error opening file c:\\work\\my_eval.csv... (not a regular file)\n"},
        {{"in.epd"}, {}, "epdevl in.epd", "Error opening file in.epd... (not a regular file)\n"},
        {{"out.epd"}, {"in.epd"}, "epdevl in.epd", "Error opening file out.epd... (not a regular file)\n"},
    };
    for (const Case& c : cases) {
        const std::string dir = MakeScratchDir();
        ASSERT_EQ(mkdir((dir + "/work").c_str(), 0755), 0);
        WriteFile(dir + "/values.txt", ReadFile(std::string(KORVALENT_SOURCE_DIR) + "/values.txt"));
        for (const std::string& name : c.files)
            WriteFile(dir + "/" + name, name == "in.epd" ? "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -\n" : pgn);
        for (const std::string& name : c.fifos) ASSERT_EQ(mkfifo((dir + "/" + name).c_str(), 0644), 0) << name;
        const EngineRun run = RunEngine(std::string(c.command) + "\nquit\n", 30, dir);
        EXPECT_EQ(run.exitCode, 0) << c.command << (run.exitCode == 124 ? ": blocked" : "");
        EXPECT_NE(run.output.find(c.printed), std::string::npos) << c.command << "\n" << run.output;
    }
}

}  // namespace
