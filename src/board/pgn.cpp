#include "board/pgn.h"

#include <cassert>
#include <cstring>

#include "board/attacks.h"
#include "board/board.h"
#include "board/legal_moves.h"

i32 PgnNextChar(PgnStream& in) {
    if (in.next == in.filled) {
        // Refill, keeping the last bytes consumed for a step back.
        const i32 keep = in.filled < PgnStepBackLimit ? in.filled : PgnStepBackLimit;
        std::memmove(in.buffer, in.buffer + in.filled - keep, size_t(keep));
        in.next = keep;
        in.filled = keep + i32(std::fread(in.buffer + keep, 1, size_t(PgnStreamBufferSize - keep), in.file));
        if (in.next == in.filled) return EOF;
    }
    in.position++;
    return static_cast<unsigned char>(in.buffer[in.next++]);
}

void PgnStepBack(PgnStream& in, i32 count) {
    assert(count <= in.next);
    in.next -= count;
    in.position -= count;
}

i32 PgnPeekChar(PgnStream& in) {
    const i32 c = PgnNextChar(in);
    if (c != EOF) PgnStepBack(in, 1);
    return c;
}

namespace {

bool IsPgnBlank(i32 c) { return c != EOF && c <= ' '; }

}  // namespace

i32 SkipPgnBlanks(PgnStream& in) {
    i32 c;
    do c = PgnNextChar(in);
    while (IsPgnBlank(c));
    if (c == EOF) return 1;
    PgnStepBack(in, 1);
    return 0;
}

i32 SkipPgnToChar(PgnStream& in, i32 target) {
    for (i32 c = PgnNextChar(in); c != target; c = PgnNextChar(in))
        if (c == EOF) return 1;
    return 0;
}

i32 SkipToPgnTag(PgnStream& in) {
    if (SkipPgnToChar(in, '[')) return 1;
    PgnStepBack(in, 1);
    return 0;
}

i32 SkipBraceComment(PgnStream& in) {
    PgnNextChar(in);  // the '{'
    return SkipPgnToChar(in, '}');
}

i32 SkipParenComment(PgnStream& in) {
    PgnNextChar(in);  // the '('
    i32 depth = 1;
    while (depth > 0) {
        const i32 c = PgnNextChar(in);
        if (c == EOF) return 1;
        if (c == '(') depth++;
        if (c == ')') depth--;
    }
    return 0;
}

i32 SkipToGameStart(PgnStream& in) {
    for (;;) {
        const i32 c = PgnNextChar(in);
        if (c == EOF) return 1;
        if (c == '1' || c == '[') break;
        if (c == ';' && SkipPgnToChar(in, '\n')) return 1;
        if (c == '{' && SkipPgnToChar(in, '}')) return 1;
    }
    PgnStepBack(in, 1);
    return 0;
}

bool PgnTagNameIs(const PgnTag& tag, const char* prefix) {
    const i32 prefixLength = i32(std::strlen(prefix));
    if (tag.nameLength < prefixLength) return false;
    for (i32 i = 0; i < prefixLength; i++)
        if (FoldChar(tag.name[i]) != prefix[i]) return false;
    return true;
}

i32 ReadPgnTag(PgnStream& in, PgnTag* tag, bool quotedValues) {
    tag->nameLength = tag->valueLength = 0;
    tag->name[0] = tag->value[0] = '\0';
    bool tagOver = false;
    PgnNextChar(in);  // the '['

    for (;;) {
        const i32 c = PgnNextChar(in);
        if (c == EOF) return 1;
        if (c == ' ') break;
        if (c == ']') {
            tagOver = true;
            break;
        }
        if (tag->nameLength == PgnTagNameSize) {
            // A name this long is no tag we read: skip the rest of the tag.
            if (SkipPgnToChar(in, ']')) return 1;
            tag->nameLength = 0;
            tagOver = true;
            break;
        }
        tag->name[tag->nameLength++] = char(c);
    }
    tag->name[tag->nameLength] = '\0';

    if (!tagOver) {
        if (SkipPgnBlanks(in)) return 1;
        bool inQuotes = false, escaped = false;
        for (;;) {
            const i32 c = PgnNextChar(in);
            if (c == EOF) return 1;
            if (c == ']' && !inQuotes) break;
            // A tag pair stands on one line: an open quote ends with it.
            if (c == '\n' && quotedValues) break;
            if (quotedValues && !escaped && c == '"') inQuotes = !inQuotes;
            escaped = inQuotes && !escaped && c == '\\';
            if (tag->valueLength < PgnTagValueSize) tag->value[tag->valueLength++] = char(c);
            // A value too long to keep is read over to its end.
            if (tag->valueLength == PgnTagValueSize && !quotedValues) {
                if (SkipPgnToChar(in, ']')) return 1;
                break;
            }
        }
    }
    tag->value[tag->valueLength] = '\0';

    if (SkipPgnBlanks(in)) return 1;
    return PgnPeekChar(in) == '[' ? 2 : 3;
}

i32 SkipPgnMoveNumbers(PgnStream& in) {
    for (;;) {
        const i32 c = PgnNextChar(in);
        if (c == EOF) return 1;
        if (c == '0') {
            // "0-0" is castling written with zeros, while "0-1" is a result.
            const i32 second = PgnNextChar(in);
            if (second == EOF) return 1;
            if (second != '-') {
                PgnStepBack(in, 1);
                continue;
            }
            const i32 third = PgnNextChar(in);
            if (third == EOF) return 1;
            if (third == '0') {
                PgnStepBack(in, 3);
                return 0;
            }
            PgnStepBack(in, 1);
            continue;
        }
        const signed char signedChar = static_cast<signed char>(c);
        if (signedChar < 34 || c == '.' || (c >= '0' && c <= '9') ||
            (c != 0 && std::strchr("$-+?\\/#*", c)))
            continue;
        PgnStepBack(in, 1);
        return 0;
    }
}

namespace {

bool IsPgnMoveChar(i32 c) {
    return (c >= 'a' && c <= 'h') || (c >= '0' && c <= '8') ||
           (c != 0 && std::strchr("KQNBR=-O:x", c));
}

// The en-passant mark "e.p.", its 'e' just consumed: consumes the rest
// and returns true, else leaves the stream as it was.
bool SkipEnPassantMark(PgnStream& in) {
    const i64 start = in.position;
    for (const char expected : {'.', 'p', '.'}) {
        if (PgnNextChar(in) == expected) continue;
        PgnStepBack(in, i32(in.position - start));
        return false;
    }
    return true;
}

}  // namespace

i32 ReadPgnMoveToken(PgnStream& in, char text[PgnMoveTextSize + 1]) {
    i32 length = 0;
    for (;;) {
        const i32 c = PgnNextChar(in);
        if (c == EOF) {
            text[length] = '\0';
            return 1;
        }
        if (c == 'e' && length > 0 && SkipEnPassantMark(in)) break;
        if (c == ';' || c == '{' || c == '(') {
            PgnStepBack(in, 1);
            break;
        }
        if (!IsPgnMoveChar(c)) break;
        text[length++] = char(c);
        if (length == PgnMoveTextSize) {
            text[length] = '\0';
            return 2;
        }
    }
    text[length] = '\0';
    return 0;
}

i32 SkipBetweenMoves(PgnStream& in) {
    i64 before;
    do {
        before = in.position;
        if (SkipPgnMoveNumbers(in)) return 1;
        const i32 next = PgnPeekChar(in);
        if (next == '{' && SkipBraceComment(in)) return 1;
        if (next == '(' && SkipParenComment(in)) return 1;
        if (next == ';' && SkipPgnToChar(in, '\n')) return 1;
        if (next == 'e') {
            PgnNextChar(in);
            if (!SkipEnPassantMark(in)) PgnStepBack(in, 1);
        }
    } while (in.position != before);
    return 0;
}

// ---------------------------------------------------------------------------
// Moves in standard algebraic notation.

namespace {

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

bool Fits(const PgnMoveFilter& filter, Move move) {
    const Square from = MoveFrom(move), to = MoveTo(move);
    if (filter.fromFile != NotGiven && FileOf(from) != filter.fromFile) return false;
    if (filter.fromRank != NotGiven && RankOf(from) != filter.fromRank) return false;
    if (filter.toFile != NotGiven && FileOf(to) != filter.toFile) return false;
    if (filter.toRank != NotGiven && RankOf(to) != filter.toRank) return false;
    if (filter.piece != NotGiven && MovePiece(move) != filter.piece) return false;
    if (filter.promotion != NotGiven && MovePromotion(move) != filter.promotion) return false;
    if (filter.capture && MoveCaptured(move) == EMPTY && !IsEnPassantMove(move)) return false;
    return true;
}

}  // namespace

i32 FindPgnMove(const char* token, Move* move) {
    const PgnMoveFilter filter = ParsePgnMove(token, board.SideToMove);
    const i32 savedTop = MoveStackTop;
    GenerateLegalMoves(LegalTestListIndex);
    i32 fitting = 0;
    *move = NoMove;
    for (i32 i = LegalTestListIndex; i < MoveStackTop; i++) {
        if (!Fits(filter, MoveStack[i].move)) continue;
        fitting++;
        *move = MoveStack[i].move;
    }
    MoveStackTop = savedTop;
    return fitting;
}
