#include "board/fen.h"

#include <cstdlib>
#include <cstring>

#include "board/attacks.h"
#include "board/board.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "board/position_check.h"
#include "board/search_state.h"

char FenText[FenTextSize];
i32 FenLength;

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Cuts the next blank-separated field out of the text; empty at the end.
struct FieldReader {
    const char* cursor;
    // Returns the field's length and sets *start; 0 when no field is left.
    i32 Next(const char** start) {
        while (IsBlank(*cursor)) cursor++;
        *start = cursor;
        while (*cursor && !IsBlank(*cursor)) cursor++;
        return i32(cursor - *start);
    }
};

PieceType PieceFromLetter(char folded) {
    switch (folded) {
    case 'k': return KING;
    case 'q': return QUEEN;
    case 'r': return ROOK;
    case 'b': return BISHOP;
    case 'n': return KNIGHT;
    case 'p': return PAWN;
    default: return EMPTY;
    }
}

// Reads the placement field into p: eight ranks of eight files each, of
// piece letters and digits 1 to 8. Null on success, else the reason.
const char* ReadPlacement(const char* text, i32 length, Placement* p) {
    i32 file = 0, rank = 7;
    for (i32 i = 0; i < length; i++) {
        const char c = text[i];
        if (c >= '1' && c <= '8') {
            file += c - '0';
            if (file > 8) return "a rank of more than eight files";
        } else if (c == '/') {
            if (file < 8) return "a rank of fewer than eight files";
            rank -= 1;
            file = 0;
            if (rank < 0) return "more than eight ranks";
        } else if (const PieceType type = PieceFromLetter(FoldChar(c))) {
            if (file >= 8) return "a rank of more than eight files";
            const Square sq = MakeSquare(file, rank);
            p->type[sq] = type;
            p->owner[sq] = (c >= 'a' && c <= 'z') ? BLACK : WHITE;
            file += 1;
        } else {
            return "a character that is no piece, digit or rank separator";
        }
    }
    if (file < 8) return "a rank of fewer than eight files";
    if (rank > 0) return "fewer than eight ranks";
    return nullptr;
}

// The square of the pawn that has just made a double step, from either
// form of the en-passant field; -1 when the field grants no right.
Square EnPassantPawn(const char* field, i32 length, const Placement& p) {
    if (length < 2) return -1;
    const char fileLetter = FoldChar(field[0]), rankDigit = field[1];
    if (fileLetter < 'a' || fileLetter > 'h' || rankDigit < '1' || rankDigit > '8') return -1;
    const i32 file = fileLetter - 'a', rank = rankDigit - '1';
    // The pawn that moved belongs to the side not to move; `forward` is its
    // direction of travel.
    const Side mover = ChangeSide(p.sideToMove);
    const i32 forward = mover == WHITE ? 8 : -8;
    const i32 arrivalRank = mover == WHITE ? 3 : 4;
    Square pawn;
    if (rank == arrivalRank)
        pawn = MakeSquare(file, rank);
    else if (rank == arrivalRank - (mover == WHITE ? 1 : -1))
        pawn = MakeSquare(file, rank) + forward;
    else
        return -1;
    if (p.type[pawn] != PAWN || p.owner[pawn] != mover) return -1;
    if (p.type[pawn - forward] != EMPTY || p.type[pawn - 2 * forward] != EMPTY) return -1;
    return pawn;
}

bool AllDigits(const char* text, i32 length) {
    if (length == 0) return false;
    for (i32 i = 0; i < length; i++)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

}  // namespace

i32 ParseFen(const char* text) {
    if (const char* problem = SetFenPosition(text)) {
        ReportIllegalPosition(problem);
        return 0;
    }
    return 1;
}

const char* SetFenPosition(const char* text) {
    FieldReader fields{text};
    const char* field;
    i32 length = fields.Next(&field);
    if (length == 0) return "empty position text";

    Placement placement{};
    if (const char* problem = ReadPlacement(field, length, &placement)) return problem;

    length = fields.Next(&field);
    if (length != 1 || (field[0] != 'w' && field[0] != 'b'))
        return "the side to move must be w or b";
    placement.sideToMove = field[0] == 'w' ? WHITE : BLACK;

    i32 castling = 0;
    length = fields.Next(&field);
    if (!(length == 1 && field[0] == '-')) {
        for (i32 i = 0; i < length; i++) {
            if (field[i] == 'K') castling |= 1;
            if (field[i] == 'Q') castling |= 2;
            if (field[i] == 'k') castling |= 4;
            if (field[i] == 'q') castling |= 8;
        }
    }

    length = fields.Next(&field);
    const Square enPassantPawn = EnPassantPawn(field, length, placement);

    // A fifth field of digits only is the half-move clock; anything else
    // there (a "moves" list, an EPD operation) is not ours to read.
    i32 halfMoveClock = 0;
    length = fields.Next(&field);
    if (AllDigits(field, length)) {
        for (i32 i = 0; i < length && halfMoveClock < 999; i++)
            halfMoveClock = halfMoveClock * 10 + (field[i] - '0');
        if (halfMoveClock > 999) halfMoveClock = 999;
    }

    if (const char* problem = PlacementProblem(placement)) return problem;

    // Castling rights only where king and rook stand at home.
    auto at = [&](Square sq, Side side, PieceType type) {
        return placement.type[sq] == type && placement.owner[sq] == side;
    };
    if (!at(E1, WHITE, KING)) castling &= ~3;
    if (!at(E8, BLACK, KING)) castling &= ~12;
    if (!at(A1, WHITE, ROOK)) castling &= ~2;
    if (!at(H1, WHITE, ROOK)) castling &= ~1;
    if (!at(A8, BLACK, ROOK)) castling &= ~8;
    if (!at(H8, BLACK, ROOK)) castling &= ~4;

    LastSearchScore = 0;
    LastSearchSide = 0;
    GamePly = 0;
    GameBasePly = 0;
    ClearBoard();
    board.CastlingFlags = castling;
    board.SideToMove = placement.sideToMove;

    // With an en-passant right the pawn starts on its home square and the
    // double step is played, so the game record holds a complete entry.
    Square pawnHome = -1;
    if (enPassantPawn >= 0) {
        const Side mover = ChangeSide(placement.sideToMove);
        pawnHome = enPassantPawn + (mover == WHITE ? -16 : 16);
        placement.type[enPassantPawn] = EMPTY;
        placement.type[pawnHome] = PAWN;
        placement.owner[pawnHome] = mover;
        board.SideToMove = mover;
    }
    for (i32 rank = 7; rank >= 0; rank--)
        for (i32 file = 0; file < 8; file++) {
            const Square sq = MakeSquare(file, rank);
            if (placement.type[sq] != EMPTY) AddPiece(sq, placement.owner[sq], placement.type[sq]);
        }
    if (enPassantPawn >= 0) {
        MakeMove(MakeMoveWord(pawnHome, enPassantPawn, PAWN), 1);
        // The double step only carries the right; it is no move of the game.
        GameBasePly = 1;
    }
    board.FiftyMoveCounter = halfMoveClock;
    return nullptr;
}

void AppendFenText(const char* text) {
    const i32 room = FenTextSize - 1 - FenLength;
    i32 length = i32(std::strlen(text));
    if (length > room) length = room > 0 ? room : 0;
    std::memcpy(FenText + FenLength, text, size_t(length));
    FenLength += length;
    FenText[FenLength] = '\0';
}

void WriteFen(Move move) {
    static const char whiteLetters[8] = {'?', 'K', 'N', 'P', '?', 'R', 'B', 'Q'};
    static const char blackLetters[8] = {'?', 'k', 'n', 'p', '?', 'r', 'b', 'q'};
    FenLength = 0;
    FenText[0] = '\0';

    char part[2] = {0, 0};
    for (i32 rank = 7; rank >= 0; rank--) {
        i32 empty = 0;
        for (i32 file = 0; file < 8; file++) {
            const Square sq = MakeSquare(file, rank);
            const PieceType type = board.Squares[sq];
            if (type == EMPTY) {
                empty += 1;
                continue;
            }
            if (empty) part[0] = char('0' + empty), AppendFenText(part), empty = 0;
            const bool black = (board.Bitboards[0][BLACK] >> sq) & 1;
            part[0] = black ? blackLetters[type] : whiteLetters[type];
            AppendFenText(part);
        }
        if (empty) part[0] = char('0' + empty), AppendFenText(part);
        if (rank > 0) AppendFenText("/");
    }

    AppendFenText(board.SideToMove == WHITE ? " w " : " b ");

    if (board.CastlingFlags & 15) {
        if (board.CastlingFlags & 1) AppendFenText("K");
        if (board.CastlingFlags & 2) AppendFenText("Q");
        if (board.CastlingFlags & 4) AppendFenText("k");
        if (board.CastlingFlags & 8) AppendFenText("q");
        AppendFenText(" ");
    } else {
        AppendFenText("- ");
    }

    // En passant: the square of the pawn that just made a double step, when
    // a pawn of the side to move stands beside it.
    bool enPassant = false;
    if (GamePly > 0) {
        const Move last = GameHistory[GamePly - 1].Move;
        const Square to = MoveTo(last);
        if (MovePiece(last) == PAWN && std::abs(MoveFrom(last) - to) == 16) {
            const u64 ownPawns = board.Bitboards[PAWN][board.SideToMove];
            const i32 file = FileOf(to);
            const u64 beside = (file > 0 ? SquareBit(to - 1) : 0) | (file < 7 ? SquareBit(to + 1) : 0);
            if (ownPawns & beside) {
                const char square[4] = {char('a' + file), char('1' + RankOf(to)), ' ', '\0'};
                AppendFenText(square);
                enPassant = true;
            }
        }
    }
    if (!enPassant) AppendFenText("- ");

    if (move) AppendFenText(MoveToShortText(move));
    FenLength += 1;  // the terminating NUL, already in place
    if (FenLength > FenTextSize) FenLength = FenTextSize;
}
