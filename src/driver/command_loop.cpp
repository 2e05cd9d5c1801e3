#include "driver/command_loop.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/attacks.h"
#include "board/board.h"
#include "board/edit_mode.h"
#include "board/fen.h"
#include "board/legal_moves.h"
#include "board/move_text.h"
#include "board/new_game.h"
#include "board/position_check.h"
#include "driver/exit.h"
#include "driver/input_reader.h"
#include "driver/platform.h"
#include "eval/eval_dump.h"
#include "eval/eval_params.h"
#include "eval/material_table.h"
#include "search/hash_tables.h"

char* TokenBuffers[TokenCount];
u32 TokenOffsets[TokenCount];

namespace {

char LongTokens[LongTokenCount][LongTokenSize];
char ShortTokens[TokenCount - LongTokenCount][ShortTokenSize];

i32 TokenCapacity(i32 index) { return index < LongTokenCount ? LongTokenSize : ShortTokenSize; }

i32 TokensInLine = 0;

// ---------------------------------------------------------------------------
// The commands, in the order their keywords are tried.

void CommandWriteValues() { WriteValues(); }

void CommandQuit() { ExitProgram(0); }

void CommandClean() { ResetGameTables(); }

// New parameters: nothing scored with the old ones may survive in the caches.
void CommandReload() {
    LoadValues();
    DeriveEvalTables();
    ClearPawnHash();
    ClearEvalCache();
}

// A move typed on the console or sent by xboard.
void CommandMove() {
    const Move move = ParseMoveText(InputLine);
    if (!IsLegalMove(move) || !GameHistoryHasRoom()) {
        std::printf("Illegal move: %s\n", InputLine);
        std::fflush(stdout);
        return;
    }
    MakeMove(move, 1);
}

void CommandNew() { NewGame(); }

void CommandEdit() { EditBoardMode(ReadInputChar); }

void CommandLoadFen() {
    // The position text starts after "loadfen" and one blank.
    if (std::strlen(InputLine) < 8) return;
    ParseFen(InputLine + 8);
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
}
void CommandWhite() { SetSideToMove(WHITE); }
void CommandBlack() { SetSideToMove(BLACK); }

void CommandRemove() {
    if (GamePly > 0) UnmakeMove();
    if (GamePly > 0) UnmakeMove();
}

void CommandBoard() { PrintBoard(); }

void CommandEvaluationDump() { PrintEvaluationDump(); }

void CommandUndo() {
    if (GamePly > 0) UnmakeMove();
}

void CommandCastlingFlags() {
    std::printf("castling flags = %d\n", board.CastlingFlags);
    std::fflush(stdout);
}

void CommandIsReady() {
    std::printf("readyok\n");
    std::fflush(stdout);
}

struct Command {
    const char* keyword;  // null: the line is a coordinate move
    void (*action)();
    bool testsGoOn;  // later keywords are still tried after this one
};

const Command Commands[] = {
    {"writevalues", CommandWriteValues, true},
    {"q", CommandQuit, false},
    {"clean", CommandClean, false},
    {"reload", CommandReload, false},
    {nullptr, CommandMove, false},
    {"new", CommandNew, false},
    {"edit", CommandEdit, false},
    {"loadfen", CommandLoadFen, false},
    {"perft", CommandPerft, false},
    {"white", CommandWhite, false},
    {"remove", CommandRemove, false},
    {"black", CommandBlack, false},
    {"brd", CommandBoard, false},
    {"evl", CommandEvaluationDump, false},
    {"undo", CommandUndo, false},
    {"mvd", CommandCastlingFlags, false},
    {"isready", CommandIsReady, false},
};

}  // namespace

void AllocTokenBuffers() {
    for (i32 i = 0; i < TokenCount; i++)
        TokenBuffers[i] = i < LongTokenCount ? LongTokens[i] : ShortTokens[i - LongTokenCount];
}

void FreeTokenBuffers() {}

i32 MatchKeyword(const char* keyword, const char* text) {
    while (*keyword == ' ') keyword++;
    while (*text == ' ') text++;
    if (!*keyword || !*text) return 0;
    for (; *keyword && *text; keyword++, text++)
        if (FoldChar(*keyword) != FoldChar(*text)) return 0;
    return 1;
}

i32 SplitTokens(const char* line, const char* separators) {
    if (!TokenBuffers[0]) AllocTokenBuffers();
    for (i32 i = 0; i < TokenCount; i++) TokenBuffers[i][0] = '\0';
    const u32 lineLength = u32(std::strlen(line));
    for (u32& offset : TokenOffsets) offset = lineLength;
    if (lineLength == 0) return 1;

    i32 token = 0, length = 0;
    for (u32 i = 0; i < lineLength; i++) {
        if (std::strchr(separators, line[i])) {
            if (length > 0) {
                TokenBuffers[token][length] = '\0';
                // Tokens beyond the store are dropped; the count stays at its end.
                if (token + 1 < TokenCount) token += 1;
                length = 0;
                TokenBuffers[token][0] = '\0';
            }
            continue;
        }
        if (length == 0) TokenOffsets[token] = i;
        // An over-long token is cut at its buffer.
        if (length < TokenCapacity(token) - 1) TokenBuffers[token][length++] = line[i];
    }
    TokenBuffers[token][length] = '\0';
    return token + 1;
}

void ExecuteCommand() {
    TokensInLine = SplitTokens(InputLine, MatchKeyword("level", InputLine) ? " :" : " ");
    for (const Command& command : Commands) {
        const bool matches = command.keyword ? MatchKeyword(command.keyword, InputLine)
                                             : IsCoordinateMove(InputLine);
        if (!matches) continue;
        command.action();
        if (!command.testsGoOn) return;
    }
}
