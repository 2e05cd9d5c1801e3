#include "driver/game_file_tools.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/attacks.h"
#include "board/board.h"
#include "board/fen.h"
#include "board/legal_moves.h"
#include "board/make_move.h"
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
// Longest tag name and value kept; longer ones are cut.
constexpr i32 TagTextSize = 32;
// The scale eval_info.scale starts from: no scaling applied.
constexpr i32 UnitScale = 6300;
// Exported positions stay clear of mate and won-ending scores.
constexpr i32 ExportScoreLimit = 30001;
// A draw score with this much scaled material is a recognised ending, not
// a balanced position.
constexpr i32 DrawnMaterialLimit = 250;
// Longest EPD line read at once; longer lines come in pieces.
constexpr i32 EpdLineSize = 255;

// ---------------------------------------------------------------------------
// The PGN file as a byte stream that can step back. Every reader returns 1
// at the end of the file, 0 otherwise.

struct PgnStream {
    FILE* file;
    i64 position;  // bytes consumed so far
};

i32 NextChar(PgnStream& in) {
    const i32 c = std::fgetc(in.file);
    if (c != EOF) in.position++;
    return c;
}

// Un-reads the last count bytes consumed.
void StepBack(PgnStream& in, i32 count) {
    std::fseek(in.file, -count, SEEK_CUR);
    in.position -= count;
}

// The next byte without consuming it; EOF at the end.
i32 PeekChar(PgnStream& in) {
    const i32 c = NextChar(in);
    if (c != EOF) StepBack(in, 1);
    return c;
}

bool IsPgnBlank(i32 c) { return c != EOF && c <= ' '; }

i32 SkipBlanks(PgnStream& in) {
    i32 c;
    do c = NextChar(in);
    while (IsPgnBlank(c));
    if (c == EOF) return 1;
    StepBack(in, 1);
    return 0;
}

// Consumes everything up to and including the next target byte.
i32 SkipToChar(PgnStream& in, i32 target) {
    for (i32 c = NextChar(in); c != target; c = NextChar(in))
        if (c == EOF) return 1;
    return 0;
}

// Leaves the stream at the next '[', the start of a tag; a new game's tags
// start with no PlyCount known.
i32 SkipToNextPgnTag(PgnStream& in) {
    PlyCountTag = 0;
    if (SkipToChar(in, '[')) return 1;
    StepBack(in, 1);
    return 0;
}

i32 SkipBraceComment(PgnStream& in) {
    NextChar(in);  // the '{'
    return SkipToChar(in, '}');
}

// A variation may hold variations of its own.
i32 SkipParenComment(PgnStream& in) {
    NextChar(in);  // the '('
    i32 depth = 1;
    while (depth > 0) {
        const i32 c = NextChar(in);
        if (c == EOF) return 1;
        if (c == '(') depth++;
        if (c == ')') depth--;
    }
    return 0;
}

// Leaves the stream at the first '1' (move one) or '[' (a game without
// moves) outside a comment.
i32 SkipToGameStart(PgnStream& in) {
    for (;;) {
        const i32 c = NextChar(in);
        if (c == EOF) return 1;
        if (c == '1' || c == '[') break;
        if (c == ';' && SkipToChar(in, '\n')) return 1;
        if (c == '{' && SkipToChar(in, '}')) return 1;
    }
    StepBack(in, 1);
    return 0;
}

bool StartsWithFolded(const char* text, i32 length, const char* prefix) {
    const i32 prefixLength = i32(std::strlen(prefix));
    if (length < prefixLength) return false;
    for (i32 i = 0; i < prefixLength; i++)
        if (FoldChar(text[i]) != prefix[i]) return false;
    return true;
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

// One tag pair, the stream standing at its '['. Returns 1 at the end of the
// file, 2 when another tag follows, 3 when the tags have ended.
i32 ReadPgnTag(PgnStream& in) {
    char name[TagTextSize + 1], value[TagTextSize + 1];
    i32 nameLength = 0, valueLength = 0;
    bool tagOver = false;
    NextChar(in);  // the '['

    for (;;) {
        const i32 c = NextChar(in);
        if (c == EOF) return 1;
        if (c == ' ') break;
        if (c == ']') {
            tagOver = true;
            break;
        }
        if (nameLength == TagTextSize) {
            // A name this long is no tag we read: skip the rest of the tag.
            if (SkipToChar(in, ']')) return 1;
            nameLength = 0;
            tagOver = true;
            break;
        }
        name[nameLength++] = char(c);
    }
    name[nameLength] = '\0';

    if (!tagOver) {
        if (SkipBlanks(in)) return 1;
        for (;;) {
            const i32 c = NextChar(in);
            if (c == EOF) return 1;
            if (c == ']') break;
            if (valueLength == TagTextSize) {
                if (SkipToChar(in, ']')) return 1;
                break;
            }
            value[valueLength++] = char(c);
        }
    }
    value[valueLength] = '\0';

    if (StartsWithFolded(name, nameLength, "result")) ReadResultValue(value);
    if (StartsWithFolded(name, nameLength, "plycount")) ReadPlyCountValue(value);

    if (SkipBlanks(in)) return 1;
    return PeekChar(in) == '[' ? 2 : 3;
}

// Skips move numbers, annotations, numeric glyphs and results up to the
// next move. A byte above 127 counts as a control character.
i32 SkipPgnMoveNumbers(PgnStream& in) {
    for (;;) {
        const i32 c = NextChar(in);
        if (c == EOF) return 1;
        if (c == '0') {
            // "0-0" is castling written with zeros, while "0-1" is a result.
            const i32 second = NextChar(in);
            if (second == EOF) return 1;
            if (second != '-') {
                StepBack(in, 1);
                continue;
            }
            const i32 third = NextChar(in);
            if (third == EOF) return 1;
            if (third == '0') {
                StepBack(in, 3);
                return 0;
            }
            StepBack(in, 1);
            continue;
        }
        const signed char signedChar = static_cast<signed char>(c);
        if (signedChar < 34 || c == '.' || (c >= '0' && c <= '9') ||
            (c != 0 && std::strchr("$-+?\\/#*", c)))
            continue;
        StepBack(in, 1);
        return 0;
    }
}

bool IsPgnMoveChar(i32 c) {
    return (c >= 'a' && c <= 'h') || (c >= '0' && c <= '8') ||
           (c != 0 && std::strchr("KQNBR=-O:x", c));
}

// The en-passant mark "e.p.", its 'e' just consumed: consumes the rest
// and returns true, else leaves the stream as it was.
bool SkipEnPassantMark(PgnStream& in) {
    const i64 start = in.position;
    for (const char expected : {'.', 'p', '.'}) {
        if (NextChar(in) == expected) continue;
        StepBack(in, i32(in.position - start));
        return false;
    }
    return true;
}

// Reads the next move token into PgnMoveText; the character that ends it is
// consumed, unless it opens a comment or a variation, which is left for
// SkipBetweenMoves. An "e.p." written onto the move ends it. A token of 15
// characters is no move of any notation: the file is not a game file, and
// the program ends.
i32 ReadPgnMoveToken(PgnStream& in) {
    char text[PgnMoveTextSize + 1];
    i32 length = 0;
    for (;;) {
        const i32 c = NextChar(in);
        if (c == EOF) return 1;
        if (c == 'e' && length > 0 && SkipEnPassantMark(in)) break;
        if (c == ';' || c == '{' || c == '(') {
            StepBack(in, 1);
            break;
        }
        if (!IsPgnMoveChar(c)) break;
        text[length++] = char(c);
        if (length == PgnMoveTextSize) {
            text[length] = '\0';
            std::printf("Error parsing move (move too long): %s...\n", text);
            ExitProgram(2);
        }
    }
    text[length] = '\0';
    std::memcpy(PgnMoveText, text, size_t(length) + 1);
    return 0;
}

// After a move: move numbers, comments (in braces or from ';' to the end
// of the line), variations and "e.p." marks until nothing more is skipped.
i32 SkipBetweenMoves(PgnStream& in) {
    i64 before;
    do {
        before = in.position;
        if (SkipPgnMoveNumbers(in)) return 1;
        const i32 next = PeekChar(in);
        if (next == '{' && SkipBraceComment(in)) return 1;
        if (next == '(' && SkipParenComment(in)) return 1;
        if (next == ';' && SkipToChar(in, '\n')) return 1;
        if (next == 'e') {
            NextChar(in);
            if (!SkipEnPassantMark(in)) StepBack(in, 1);
        }
    } while (in.position != before);
    return 0;
}

// ---------------------------------------------------------------------------
// Moves in standard algebraic notation.

constexpr i32 NotGiven = -1;  // a part of the move the text does not give

// What a move token says about the move; a part it leaves out is NotGiven.
struct PgnMoveFilter {
    i32 fromFile = NotGiven, fromRank = NotGiven;
    i32 toFile = NotGiven, toRank = NotGiven;
    PieceType piece = NotGiven;
    PieceType promotion = NotGiven;
    bool capture = false;
};

PieceType PieceOfLetter(char letter) {
    switch (letter) {
    case 'K': return KING;
    case 'Q': return QUEEN;
    case 'R': return ROOK;
    case 'B': return BISHOP;
    case 'N': return KNIGHT;
    case 'P': return PAWN;
    default: return EMPTY;
    }
}

bool IsFileLetter(char c) { return c >= 'a' && c <= 'h'; }
bool IsRankDigit(char c) { return c >= '1' && c <= '8'; }
bool IsCastlingO(char c) { return c == 'O' || c == '0'; }

PgnMoveFilter ParsePgnMove(const char* token, Side sideToMove) {
    PgnMoveFilter filter;
    // The capture marks become a flag and the promotion '=' is dropped; the
    // rest is read part by part.
    char text[PgnMoveTextSize];
    i32 length = 0;
    for (const char* c = token; *c && length < PgnMoveTextSize - 1; c++) {
        if (*c == 'x' || *c == ':')
            filter.capture = true;
        else if (*c != '=')
            text[length++] = *c;
    }
    text[length] = '\0';

    // Castling, with the letter O or the digit zero: the king's files on
    // the home rank of the side to move.
    if (length >= 3 && IsCastlingO(text[0]) && text[1] == '-' && IsCastlingO(text[2])) {
        const i32 homeRank = sideToMove == WHITE ? 0 : 7;
        filter.fromFile = 4;
        filter.toFile = text[3] == '-' ? 2 : 6;
        filter.fromRank = filter.toRank = homeRank;
        return filter;
    }

    i32 i = 0;
    filter.piece = PAWN;
    if (const PieceType piece = PieceOfLetter(text[0])) {
        filter.piece = piece;
        i++;
    }
    // Up to two squares, each a file and a rank that may be missing: with
    // two, the first narrows the origin (Nbd7, R1e2, exd5).
    i32 file1 = NotGiven, rank1 = NotGiven, file2 = NotGiven, rank2 = NotGiven;
    if (IsFileLetter(text[i])) file1 = text[i++] - 'a';
    if (IsRankDigit(text[i])) rank1 = text[i++] - '1';
    if (IsFileLetter(text[i])) file2 = text[i++] - 'a';
    if (IsRankDigit(text[i])) rank2 = text[i++] - '1';
    if (file2 != NotGiven || rank2 != NotGiven) {
        filter.fromFile = file1;
        filter.fromRank = rank1;
        filter.toFile = file2;
        filter.toRank = rank2;
    } else {
        filter.toFile = file1;
        filter.toRank = rank1;
    }
    if (const PieceType promotion = PieceOfLetter(text[i])) filter.promotion = promotion;
    return filter;
}

bool IsEnPassant(Move move) {
    return MovePiece(move) == PAWN && MoveCaptured(move) == EMPTY &&
           FileOf(MoveFrom(move)) != FileOf(MoveTo(move));
}

// Captures, promotions and en passant change the material.
bool ChangesMaterial(Move move) { return IsCaptureOrPromotion(move) || IsEnPassant(move); }

bool Fits(const PgnMoveFilter& filter, Move move) {
    const Square from = MoveFrom(move), to = MoveTo(move);
    if (filter.fromFile != NotGiven && FileOf(from) != filter.fromFile) return false;
    if (filter.fromRank != NotGiven && RankOf(from) != filter.fromRank) return false;
    if (filter.toFile != NotGiven && FileOf(to) != filter.toFile) return false;
    if (filter.toRank != NotGiven && RankOf(to) != filter.toRank) return false;
    if (filter.piece != NotGiven && MovePiece(move) != filter.piece) return false;
    if (filter.promotion != NotGiven && MovePromotion(move) != filter.promotion) return false;
    if (filter.capture && MoveCaptured(move) == EMPTY && !IsEnPassant(move)) return false;
    return true;
}

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

    FILE* csv = OpenFileTranslated(PgnEvalCsvPath, "a");
    if (!csv) {
        std::printf("Error opening file %s...\n", PgnEvalCsvPath);
        std::fflush(stdout);
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
    const PgnMoveFilter filter = ParsePgnMove(PgnMoveText, board.SideToMove);
    if (PgnGameFailed) return;

    const i32 savedTop = MoveStackTop;
    GenerateLegalMoves(LegalTestListIndex);
    i32 fitting = 0;
    Move move = NoMove;
    for (i32 i = LegalTestListIndex; i < MoveStackTop; i++) {
        if (!Fits(filter, MoveStack[i].move)) continue;
        fitting++;
        move = MoveStack[i].move;
    }
    MoveStackTop = savedTop;

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
    FILE* file = OpenFileTranslated(PgnSourcePath, "rb");
    if (!file) {
        std::printf("Error opening file %s...\n", PgnSourcePath);
        std::fflush(stdout);
        return 1;
    }
    PgnStream in{file, 0};
    PgnOutputFailed = false;
    i32 games = 0;

    for (;;) {
        // The tags: only Result and PlyCount are read.
        if (SkipToNextPgnTag(in)) break;
        GameResultTag = 0;
        i32 tag;
        do tag = ReadPgnTag(in);
        while (tag == 2);
        if (tag == 1) break;
        if (PeekChar(in) == '{' && SkipBraceComment(in)) break;
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
            if (PeekChar(in) == '[') break;
            if (ReadPgnMoveToken(in)) {
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
    FILE* input = OpenFileTranslated(path, "r");
    if (!input) {
        std::printf("Error opening file %s...\n", path);
        std::fflush(stdout);
        return;
    }
    FILE* sample = OpenFileTranslated(EpdSamplePath, "w");
    if (!sample) {
        std::printf("Error opening file %s...\n", EpdSamplePath);
        std::fflush(stdout);
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
