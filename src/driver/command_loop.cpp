#include "driver/command_loop.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/attacks.h"
#include "board/board.h"
#include "board/fen.h"
#include "board/legal_moves.h"
#include "board/modes.h"
#include "board/move_text.h"
#include "board/position_check.h"
#include "book/book.h"
#include "driver/edit_mode.h"
#include "driver/exit.h"
#include "driver/game_driver.h"
#include "driver/game_file_tools.h"
#include "driver/new_game.h"
#include "driver/search_input.h"
#include "driver/uci.h"
#include "eval/eval_dump.h"
#include "eval/eval_params.h"
#include "eval/material_table.h"
#include "platform/input_reader.h"
#include "platform/platform.h"
#include "search/hash_tables.h"
#include "search/root_moves.h"
#include "search/search_limits.h"
#include "tablebase/tablebase_settings.h"

namespace {

i32 TokensInLine = 0;

// Token `index` as a number clamped to 32 bits, then scaled (seconds or
// minutes to centiseconds) and clamped again.
i32 TokenNumber(i32 index, i64 scale = 1) {
    return ClampToI32(i64(ReadClampedNumber(TokenBuffers[index])) * scale);
}

// A new position is set up: the refusal of an earlier one and the end of
// the game before are forgotten.
void ReopenPlay() {
    PositionRefused = 0;
    GameOverAnnounced = 0;
}

// A new search starts from a clean slate of UCI restrictions.
void ThinkAfterMove() {
    PonderSearch = 0;
    SearchMovesCount = 0;
    ThinkAndMove();
}

// ---------------------------------------------------------------------------
// The commands, in the order their keywords are tried.

void CommandWriteValues() { WriteValues(); }

void CommandQuit() { ExitProgram(0); }

void CommandClean() { ResetGameTables(); }

// New parameters: nothing scored with the old ones may survive in the caches.
void CommandReload() { ReloadEvalParams(); }

// A move typed on the console or sent by xboard.
void CommandMove() {
    const Move move = ParseMoveText(InputLine);
    if (!IsLegalMove(move) || !GameHistoryHasRoom()) {
        std::printf("Illegal move: %s\n", InputLine);
        std::fflush(stdout);
        return;
    }
    MakeMove(move, 1);
    // The opponent has moved: the engine answers unless it only records moves.
    if (!ForceMode) ThinkAfterMove();
}

// The console's help, two pages with a pause between them at a terminal.
constexpr const char* HelpPage1[] = {
    "Korvalent commands:",
    "------------------------------------------------------------------------------",
    "",
    "analyze ................... Enters analyze mode",
    "black ..................... Sets black to move and engine side to white",
    "brd ....................... Prints a board",
    "bkm ....................... Prints book moves for current position",
    "easy ...................... Toggles pondering off",
    "edit ...................... Edit board position",
    "egtbstat .................. Displays current EGTB status",
    "epdevl <f> ................ Produces static evaluations for EPD-file <f>",
    "evl ....................... Shows static evaluation for current position",
    "force ..................... Toggles autoplay off",
    "go ........................ Starts search",
    "hard ...................... Toggles pondering on",
    "help ...................... Displays this help",
    "level <m> <t> <i> ......... Sets ICS time controls",
    "loadfen <e> ............... Sets FEN-position <e>",
    "moves ..................... Displays all legal moves with ranking priorities",
    "mvd ....................... Shows position flags",
    "new ....................... Starts a new game",
    "nopost .................... Toggles silent mode on",
};
constexpr const char* HelpPage2[] = {
    "perft <d> ................. Tests the move generator/make_move with depth <d>",
    "post ...................... Toggles silent mode off",
    "q[uit] .................... Exits Korvalent",
    "remove .................... Un-makes last moves of each side",
    "sd <d> .................... Sets max search depth to <d>",
    "st <t> .................... Sets max search time to <t>",
    "time <t> .................. Sets remaining game time in centiseconds to <t>",
    "uci ....................... UCI mode",
    "undo ...................... Un-makes last move of one side",
    "white ..................... Sets white to move and engine side to black",
    "",
};

void CommandHelp() {
    for (const char* line : HelpPage1) std::printf("%s\n", line);
    // Only a person at a terminal reads the first page before the second
    // scrolls it away. Lines from a pipe or a file are commands written
    // beforehand, and the next one must run, not turn a page.
    if (IsTerminal(stdin)) {
        std::printf("\nPress <enter> to continue....");
        std::fflush(stdout);
        // Any line goes on to the second page; so does the end of input.
        static char ignored[InputLineSize];
        ReadInputLine(1, ignored);
        std::printf("\n");
    }
    for (const char* line : HelpPage2) std::printf("%s\n", line);
    std::fflush(stdout);
}

void CommandNew() { NewGame(); }

void CommandPost() { PostFlag = 1; }

void CommandNoPost() { PostFlag = 0; }

// A fresh start of the learning state of a game, the position kept: an
// unfinished game the engine has not yet learnt from teaches the book as a
// draw when no search has scored it.
void CommandReset() {
    if (RootScore[0] == 0) LearnUnfinishedGameAsDraw();
    ForgetGameBefore();
}

// "level MOVES MINUTES INCREMENT" or "level MOVES MINUTES:SECONDS INCREMENT"
// (the line is split at colons too); the increment is in seconds.
void CommandLevel() {
    const i32 n = TokensInLine;
    if (n >= 5) {
        MovesToGo = TokenNumber(1);
        LevelTimeCs = ClampToI32(i64(TokenNumber(2, 6000)) + TokenNumber(3, 100));
        EngineIncrementCs = TokenNumber(4, 100);
        return;
    }
    if (n > 1) MovesToGo = TokenNumber(1);
    if (n > 2) LevelTimeCs = TokenNumber(2, 6000);
    if (n >= 4) EngineIncrementCs = TokenNumber(3, 100);
}

void CommandMoves() { ListRootMoves(); }

void CommandSearchDepth() {
    if (TokensInLine > 1) DepthLimit = TokenNumber(1);
}

// The six tuning values of the shallow futility margins, kept in the range
// the search's arithmetic is sized for.
template <i32* Setting>
void CommandTune() {
    if (TokensInLine > 1) *Setting = std::clamp(TokenNumber(1), TuneValueMin, TuneValueMax);
}

// Seconds per move.
void CommandSearchTime() {
    if (TokensInLine > 1) MoveTimeCs = TokenNumber(1, 100);
}

// xboard's and the console's bare "go" keeps every limit; a UCI "go" with
// arguments sets the limits of this one search.
void CommandGo() {
    ReadGoLimits(TokensInLine);
    GameOverAnnounced = 0;
    ThinkAndMove();
}

void CommandPonderHit() { UciPonderHit(); }

void CommandAnalyze() { AnalyzeLoop(); }

void CommandForce() { ForceMode = 1; }

// Clocks in centiseconds, as xboard sends them.
void CommandTime() {
    if (TokensInLine > 1) EngineTimeCs = TokenNumber(1);
}

void CommandOpponentTime() {
    if (TokensInLine > 1) OpponentTimeCs = TokenNumber(1);
}

void CommandEasy() { PonderEnabled = 0; }

void CommandHard() {
    if (PonderingAllowed) PonderEnabled = 1;
}

void CommandFritz() { FritzMode = 1; }

// xboard drives the engine with its own clock: the limits of UCI and console
// searches go, pondering is back to the setting, output is xboard's.
void CommandXboard() {
    ConsoleMode = 0;
    NodeLimit = 0;
    DepthLimit = 998;
    MovesToGo = 0;
    MoveTimeCs = 0;
    MateLimit = 0;
    PonderEnabled = PonderingAllowed;
    UciMode = 0;
}

// The engine plays a game against itself from the start position until a
// search makes no move (the game is over).
void CommandDemo() {
    const i32 savedPonder = PonderEnabled;
    PonderEnabled = 0;
    NewGame();
    for (;;) {
        const i32 plyBefore = GamePly;
        ThinkAfterMove();
        if (GamePly == plyBefore) break;
    }
    PonderEnabled = savedPonder;
}

void CommandEdit() {
    if (EditBoardMode(ReadInputChar)) ReopenPlay();
}

void CommandPgnEvaluation() { ProcessPgnFile(); }

void CommandEpdEvaluation() {
    if (TokensInLine > 1) EvaluateEpdFile(TokenBuffers[1]);
}

void CommandLoadFen() {
    // The position text starts after "loadfen" and one blank.
    if (std::strlen(InputLine) < 8) return;
    if (ParseFen(InputLine + 8)) ReopenPlay();
}

void CommandPerft() {
    if (TokensInLine < 2) return;
    const char* text = TokenBuffers[1];
    char* end = nullptr;
    const i64 depth = std::strtoll(text, &end, 10);
    if (end == text || *end != '\0' || depth < 1 || depth > 20) {
        std::printf("perft: depth must be a number from 1 to 20\n");
        std::fflush(stdout);
        return;
    }
    MoveStackTop = 0;
    // Start timing on a clock tick.
    const i64 previous = NowMs();
    i64 start = NowMs();
    while (start == previous) start = NowMs();
    PerftNodes = 0;
    PerftCount(i32(depth));
    const i64 elapsed = NowMs() - start;
    std::printf("total moves = %" PRIu64 " time = %.2f\n", PerftNodes, double(elapsed) * 0.001);
    std::fflush(stdout);
}

// "white" and "black": a new side to move starts the game record anew, so a
// later take-back cannot unmake a move for the wrong side.
void SetSideToMove(Side side) {
    if (board.SideToMove == side) return;
    Placement placement = CurrentPlacement();
    placement.sideToMove = side;
    if (const char* problem = PlacementProblem(placement)) {
        ReportIllegalPosition(problem);
        return;
    }
    board.SideToMove = side;
    GamePly = 0;
    GameBasePly = 0;
}
void CommandWhite() { SetSideToMove(WHITE); }
void CommandBlack() { SetSideToMove(BLACK); }

void CommandRemove() {
    if (TakeBackGameMove()) GameOverAnnounced = 0;
    TakeBackGameMove();
}

void CommandBoard() { PrintBoard(); }

void CommandEvaluationDump() { PrintEvaluationDump(); }

// A position before a move of the game has that move: play goes on.
void CommandUndo() {
    if (TakeBackGameMove()) GameOverAnnounced = 0;
}

void CommandCastlingFlags() {
    std::printf("castling flags = %d\n", board.CastlingFlags);
    std::fflush(stdout);
}

// The position's key halves as the learning file stores them, then the
// book's moves.
void CommandBookMoves() {
    std::printf("Current nhash1 = %d, nhash2 = %d\n", i32(u32(board.HashKey)),
                i32(u32(board.HashKey >> 16)));
    if (BookLoaded)
        PrintBookMoves();
    else
        std::printf("No book loaded...\n");
    std::fflush(stdout);
}

void CommandUciNewGame() { UciNewGame(); }

void CommandUci() {
    ConsoleMode = 0;
    UciIdentify();
}

void CommandSetOption() { UciSetOption(TokensInLine); }

void CommandIsReady() {
    std::printf("readyok\n");
    std::fflush(stdout);
}

void CommandEgtbStatus() {
    std::printf("UseEGTB = %s\ntb_path = %s\n", UseEgtb ? "TRUE" : "FALSE", EgtbPath);
    PrintTablebasesFound();
}

// xboard waits for the feature list after "protover" before it sends anything
// else; every feature left unnamed keeps xboard's default.
void CommandProtover() {
    std::printf("feature myname=\"Korvalent 1.50\" done=1\n");
    std::fflush(stdout);
}

void CommandPosition() { UciPosition(TokensInLine); }

void CommandDebug() { UciDebug(TokensInLine); }

struct Command {
    const char* keyword;  // null: the line is a coordinate move
    void (*action)();
    bool testsGoOn;  // later keywords are still tried after this one
    // The line must be the keyword itself, not a part of it: "ucinewgame"
    // comes before "uci", which the prefix test would also give to it.
    bool wholeWord = false;
};

const Command Commands[] = {
    {"pgneval", CommandPgnEvaluation, true},
    {"writevalues", CommandWriteValues, true},
    {"q", CommandQuit, false},
    {"clean", CommandClean, false},
    {"reload", CommandReload, false},
    {nullptr, CommandMove, false},
    {"help", CommandHelp, false},
    {"new", CommandNew, false},
    {"post", CommandPost, false},
    {"reset", CommandReset, false},
    {"level", CommandLevel, false},
    {"moves", CommandMoves, false},
    {"edit", CommandEdit, false},
    {"loadfen", CommandLoadFen, false},
    {"epdevl", CommandEpdEvaluation, false},
    {"nopost", CommandNoPost, false},
    {"perft", CommandPerft, false},
    {"sd", CommandSearchDepth, false},
    {"c3", CommandTune<&TuneC3>, false},
    {"m3", CommandTune<&TuneM3>, false},
    {"c2", CommandTune<&TuneC2>, false},
    {"m2", CommandTune<&TuneM2>, false},
    {"c1", CommandTune<&TuneC1>, false},
    {"m1", CommandTune<&TuneM1>, false},
    {"st", CommandSearchTime, false},
    {"go", CommandGo, false},
    {"ponderhit", CommandPonderHit, true},
    {"white", CommandWhite, false},
    {"remove", CommandRemove, false},
    {"analyze", CommandAnalyze, false},
    {"black", CommandBlack, false},
    {"force", CommandForce, false},
    {"brd", CommandBoard, false},
    {"time", CommandTime, false},
    {"otim", CommandOpponentTime, false},
    {"easy", CommandEasy, false},
    {"hard", CommandHard, false},
    {"evl", CommandEvaluationDump, false},
    {"undo", CommandUndo, false},
    {"fritz", CommandFritz, true},
    {"xboard", CommandXboard, false},
    {"protover", CommandProtover, false, true},
    {"mvd", CommandCastlingFlags, false},
    {"demo", CommandDemo, false},
    {"bkm", CommandBookMoves, false},
    {"ucinewgame", CommandUciNewGame, false, true},
    {"uci", CommandUci, false},
    {"setoption", CommandSetOption, false},
    {"isready", CommandIsReady, false},
    {"egtbstat", CommandEgtbStatus, true},
    {"position", CommandPosition, false},
    {"debug", CommandDebug, false},
};

// 1 when the line is the keyword alone or the keyword and a blank.
bool MatchesWholeWord(const char* keyword, const char* line) {
    while (*line == ' ') line++;
    for (; *keyword; keyword++, line++)
        if (FoldChar(*keyword) != FoldChar(*line)) return false;
    return *line == '\0' || *line == ' ';
}

bool CommandMatches(const Command& command, const char* line) {
    if (!command.keyword) return IsCoordinateMove(line);
    if (command.wholeWord) return MatchesWholeWord(command.keyword, line);
    return MatchKeyword(command.keyword, line);
}

bool IsFileLetter(char c) { return c >= 'a' && c <= 'h'; }
bool IsRankDigit(char c) { return c >= '1' && c <= '8'; }

// Text a person may have meant as a move in a notation the engine does not
// take: a short algebraic move ("Nf6", "exd5", "e8=Q+"), a long one with a
// hyphen or a cross ("Ng1-f3") or castling ("O-O"). Check and comment
// marks at the end do not count.
bool ReadsAsMove(std::string text) {
    while (!text.empty() && std::strchr(" +#!?", text.back())) text.pop_back();
    if (text == "O-O" || text == "O-O-O" || text == "0-0" || text == "0-0-0") return true;
    // A promotion piece after the destination, with or without "=".
    const size_t n = text.size();
    if (n >= 3 && std::strchr("QRBNqrbn", text[n - 1]) &&
        (text[n - 2] == '=' || IsRankDigit(text[n - 2])))
        text.erase(text[n - 2] == '=' ? n - 2 : n - 1);
    size_t at = 0;
    if (at < text.size() && std::strchr("KQRBN", text[at])) at++;
    // The destination square ends the move; before it at most a file, a
    // rank and a hyphen or cross.
    if (text.size() < at + 2) return false;
    const size_t destination = text.size() - 2;
    if (!IsFileLetter(text[destination]) || !IsRankDigit(text[destination + 1])) return false;
    if (at < destination && IsFileLetter(text[at])) at++;
    if (at < destination && IsRankDigit(text[at])) at++;
    if (at < destination && (text[at] == '-' || text[at] == 'x')) at++;
    return at == destination;
}

// A console line no command took: the person is told, unless it was blank.
void TellNotUnderstood(const char* line) {
    const char* text = line;
    while (*text == ' ') text++;
    if (!*text) return;
    std::printf(ReadsAsMove(text) ? "Illegal move: %s\n" : "Unknown command: %s\n", line);
    std::fflush(stdout);
}

}  // namespace

i32 ConsoleMode = 1;

// xboard takes any engine line holding "not found" (and a few other
// phrases) for a failed start, so the empty case says "No EGTB files found".
void PrintTablebasesFound() {
    if (EgtbMaxPieces)
        std::printf("%d piece EGTB files found\n", EgtbMaxPieces);
    else
        std::printf("No EGTB files found\n");
    if (EgtbIndexBytes)
        std::printf("%" PRIu64 "kb of RAM used for TB indices and decompression tables\n",
                    (EgtbIndexBytes + 1023) / 1024);
    std::fflush(stdout);
}

void ExecuteCommand() {
    TokensInLine = SplitTokens(InputLine, MatchKeyword("level", InputLine) ? " :" : " ");
    bool understood = false;
    for (const Command& command : Commands) {
        if (!CommandMatches(command, InputLine)) continue;
        understood = true;
        command.action();
        if (!command.testsGoOn) return;
    }
    if (!understood && ConsoleMode) TellNotUnderstood(InputLine);
}

std::string CommandsRunBy(const char* line) {
    std::string words;
    for (const Command& command : Commands) {
        if (!CommandMatches(command, line)) continue;
        if (!words.empty()) words += ' ';
        words += command.keyword ? command.keyword : "move";
        if (!command.testsGoOn) break;
    }
    return words;
}
