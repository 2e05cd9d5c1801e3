#include "driver/game_file_tools.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/attacks.h"
#include "board/board.h"
#include "board/fen.h"
#include "board/make_move.h"
#include "board/pgn.h"
#include "book/book.h"
#include "driver/exit.h"
#include "driver/new_game.h"
#include "eval/eval_cache.h"
#include "eval/eval_info.h"
#include "eval/evaluate.h"
#include "eval/material_table.h"
#include "platform/platform.h"
#include "search/search_limits.h"

char PgnMoveText[PgnMoveTextSize];
i32 GameResultTag;
i32 PlyCountTag;
i32 PgnGameFailed;

namespace {

// Set when the CSV file could not be opened: pgneval stops.
bool PgnOutputFailed = false;

// Games between two progress lines.
constexpr i32 ProgressInterval = 101;
// The scale eval_info.scale starts from: no scaling applied.
constexpr i32 UnitScale = 6300;
// Exported positions stay clear of mate and won-ending scores.
constexpr i32 ExportScoreLimit = 30001;
// A draw score with this much scaled material is a recognised ending, not
// a balanced position.
constexpr i32 DrawnMaterialLimit = 250;
// Longest EPD line read at once; longer lines come in pieces.
constexpr i32 EpdLineSize = 255;

// Opens one of the tools' files, only a regular file and without waiting: a
// FIFO of that name would block the open, or every read, for ever. Null
// after the tool's line saying so.
FILE* OpenToolFile(const char* path, const char* mode) {
    const OpenedFile opened = OpenRegularFile(path, mode);
    if (!opened.file) {
        std::printf("Error opening file %s...%s\n", path,
                    opened.failure == OpenFailure::NotRegular ? " (not a regular file)" : "");
        std::fflush(stdout);
    }
    return opened.file;
}

// ---------------------------------------------------------------------------
// The game file: only the Result and PlyCount tags are read.

// Leaves the stream at the next tag; a new game's tags start with no
// PlyCount known.
i32 SkipToNextPgnTag(PgnStream& in) {
    PlyCountTag = 0;
    return SkipToPgnTag(in);
}

void ReadResultValue(const char* value) {
    if (*value == '"') value++;
    if (value[0] == '*')
        GameResultTag = 0;
    else if (value[0] == '1' && value[1] == '-')
        GameResultTag = 1;
    else if (value[0] == '0' && value[1] == '-')
        GameResultTag = 2;
    else if (value[0] == '1' && value[1] == '/')
        GameResultTag = 3;
    else
        GameResultTag = 0;
}

void ReadPlyCountValue(const char* value) {
    if (*value == ' ') value++;
    if (*value == '"') value++;
    i32 plies = 0;
    // No game is this long; the cap keeps absurd digits from overflowing.
    for (; *value >= '0' && *value <= '9' && plies < 1000000; value++)
        plies = plies * 10 + (*value - '0');
    PlyCountTag = plies;
}

// One tag pair; 1 at the end of the file, 2 when another tag follows, 3
// when the tags have ended.
i32 ReadGameTag(PgnStream& in) {
    PgnTag tag;
    const i32 outcome = ReadPgnTag(in, &tag);
    if (outcome == 1) return 1;
    if (PgnTagNameIs(tag, "result")) ReadResultValue(tag.value);
    if (PgnTagNameIs(tag, "plycount")) ReadPlyCountValue(tag.value);
    return outcome;
}

// Reads the next move token into PgnMoveText. A token of 15 characters is
// no move of any notation: the file is not a game file, and the program
// ends.
i32 ReadGameMoveToken(PgnStream& in) {
    char text[PgnMoveTextSize + 1];
    const i32 outcome = ReadPgnMoveToken(in, text);
    if (outcome == 1) return 1;
    if (outcome == 2) {
        std::printf("Error parsing move (move too long): %s...\n", text);
        ExitProgram(2);
    }
    std::memcpy(PgnMoveText, text, std::strlen(text) + 1);
    return 0;
}

// Captures, promotions and en passant change the material.
bool ChangesMaterial(Move move) { return IsCaptureOrPromotion(move) || IsEnPassantMove(move); }

// ---------------------------------------------------------------------------
// The CSV export.

i32 ScaledMaterial() {
    return i32(i64(eval_info.material) * eval_info.scale / UnitScale);
}

struct PieceCounts {
    i32 pawns, darkBishops, lightBishops, knights, rooks, queens;
};

PieceCounts CountPieces(Side side) {
    const u64 bishops = board.Bitboards[BISHOP][side];
    return {PopCount(board.Bitboards[PAWN][side]), PopCount(bishops & DarkSquares),
            PopCount(bishops & LightSquares),      PopCount(board.Bitboards[KNIGHT][side]),
            PopCount(board.Bitboards[ROOK][side]), PopCount(board.Bitboards[QUEEN][side])};
}

// The game's result for the side to move: 1 won, 2 lost, 0 draw.
i32 ResultForSideToMove() {
    if (GameResultTag == 3) return 0;
    const Side winner = GameResultTag == 1 ? WHITE : BLACK;
    return board.SideToMove == winner ? 1 : 2;
}

// Evaluates the position and appends its line, unless it is a mate, a
// recognised ending or a position one side cannot win.
void ExportPosition() {
    i32 score = EvalScoreMissing;
    Evaluate(&score);
    if (board.CannotWin[WHITE] || board.CannotWin[BLACK]) return;
    if (std::abs(score) >= ExportScoreLimit) return;
    if (score == 0 && std::abs(ScaledMaterial()) >= DrawnMaterialLimit) return;

    const Side own = board.SideToMove, other = ChangeSide(own);
    const i32 material = own == WHITE ? -eval_info.material : eval_info.material;
    const i32 positional = score - i32(i64(material) * eval_info.scale / UnitScale);
    const PieceCounts ownPieces = CountPieces(own), otherPieces = CountPieces(other);
    WriteFen(NoMove);
    LoadMaterialTableEntry();

    FILE* csv = OpenToolFile(PgnEvalCsvPath, "a");
    if (!csv) {
        PgnOutputFailed = true;
        return;
    }
    std::fprintf(csv,
                 "%d;%d;%d;%d;%d;%d;%d;%d;%d;%d;%d;%d;%d;%d;%d;%d;%d;%d;%s;"
                 "%d;%d;%d;%d;%d;%d;%d;%d;%d;%d;%d;%d;%d\n",
                 PlyCountTag - GamePly, score, material, positional, eval_info.scale,
                 ResultForSideToMove(), ownPieces.pawns, ownPieces.darkBishops,
                 ownPieces.lightBishops, ownPieces.knights, ownPieces.rooks, ownPieces.queens,
                 otherPieces.pawns, otherPieces.darkBishops, otherPieces.lightBishops,
                 otherPieces.knights, otherPieces.rooks, otherPieces.queens, FenText,
                 board.current_phase, eval_info.king_attack[own], eval_info.danger[own],
                 eval_info.attacker_count[own], eval_info.shelter_penalty[own],
                 eval_info.king_attack[other], eval_info.danger[other],
                 eval_info.attacker_count[other], eval_info.shelter_penalty[other], 0,
                 own == BLACK ? 1 : -1, 0, 0);
    std::fclose(csv);
}

// A new game from the start position. The replayed game is not the
// engine's own: it must never teach the opening book, so it counts as
// learnt from already.
void StartReplayedGame() {
    PgnGameFailed = 0;
    NewGame();
    BookLearnedThisGame = 1;
}

}  // namespace

void EvaluatePgnGame() {
    if (PgnGameFailed) return;
    Move move;
    const i32 fitting = FindPgnMove(PgnMoveText, &move);

    if (fitting == 0) {
        std::printf("\nCan't recognize: %s...\n", PgnMoveText);
        std::fflush(stdout);
        PgnGameFailed = 1;
        return;
    }
    if (fitting > 1) {
        // The game is abandoned after this move; the last fitting one is played.
        std::printf("\nAmbigous move: %s...\n", PgnMoveText);
        std::fflush(stdout);
        PgnGameFailed = 1;
    }

    // Quiet positions right after a capture, past the opening, of games
    // with a known result.
    if (GameResultTag != 0 && GamePly >= 10 && !ChangesMaterial(move) &&
        ChangesMaterial(GameHistory[GamePly - 1].Move)) {
        ExportPosition();
        if (PgnOutputFailed) return;
    }

    // A game longer than the game record is not replayed further.
    if (!GameHistoryHasRoom()) {
        PgnGameFailed = 1;
        return;
    }
    MakeMove(move, 1);
}

i32 ProcessPgnFile() {
    FILE* file = OpenToolFile(PgnSourcePath, "rb");
    if (!file) return 1;
    PgnStream in(file);
    PgnOutputFailed = false;
    i32 games = 0;

    for (;;) {
        // The tags: only Result and PlyCount are read.
        if (SkipToNextPgnTag(in)) break;
        GameResultTag = 0;
        i32 tag;
        do tag = ReadGameTag(in);
        while (tag == 2);
        if (tag == 1) break;
        if (PgnPeekChar(in) == '{' && SkipBraceComment(in)) break;
        if (SkipToGameStart(in)) break;
        // Every game is replayed from the start position.
        StartReplayedGame();

        // The moves, up to the next game's first tag.
        bool endOfFile = false;
        for (;;) {
            if (SkipBetweenMoves(in)) {
                endOfFile = true;
                break;
            }
            if (PgnPeekChar(in) == '[') break;
            if (ReadGameMoveToken(in)) {
                endOfFile = true;
                break;
            }
            EvaluatePgnGame();
            if (PgnOutputFailed) break;
        }
        if (endOfFile || PgnOutputFailed) break;

        games++;
        if (games % ProgressInterval == 0) {
            std::printf("Processed %d games...\r", games);
            std::fflush(stdout);
        }
    }
    std::fclose(file);
    return 1;
}

void EvaluateEpdFile(const char* path) {
    FILE* input = OpenToolFile(path, "r");
    if (!input) return;
    FILE* sample = OpenToolFile(EpdSamplePath, "w");
    if (!sample) {
        std::fclose(input);
        return;
    }

    char line[EpdLineSize];
    i32 lineCount = 0;
    // A line cut short by the end of the file is not a whole record.
    while (std::fgets(line, EpdLineSize, input) && !std::feof(input)) {
        // The position is read without the line's end.
        char position[EpdLineSize];
        std::strcpy(position, line);
        size_t length = std::strlen(position);
        while (length > 0 && (position[length - 1] == '\n' || position[length - 1] == '\r'))
            position[--length] = '\0';

        // A refused position prints its refusal and no score.
        if (ParseFen(position)) {
            EngineSide = board.SideToMove;
            i32 score = EvalScoreMissing;
            Evaluate(&score);
            std::printf("%d\n", score);
        }
        lineCount++;
        if (lineCount % 10 == 0) std::fputs(line, sample);
    }
    std::fflush(stdout);
    std::fclose(sample);
    std::fclose(input);
}
