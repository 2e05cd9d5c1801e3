#include "book/polyglot.h"

#include "board/attacks.h"
#include "board/board.h"
#include "board/game_record.h"
#include "board/legal_moves.h"
#include "book/polyglot_random.h"

namespace {

u64 BigEndian(const u8* bytes, i32 size) {
    u64 value = 0;
    for (i32 i = 0; i < size; i++) value = value << 8 | bytes[i];
    return value;
}

// Polyglot's kinds of men: pawn 0, knight 1, bishop 2, rook 3, queen 4,
// king 5, each black (even) and white (odd).
i32 PolyglotKind(PieceType type) {
    switch (type) {
    case PAWN: return 0;
    case KNIGHT: return 1;
    case BISHOP: return 2;
    case ROOK: return 3;
    case QUEEN: return 4;
    default: return 5;
    }
}

// Promotion pieces of a move word: none 0, knight 1, bishop 2, rook 3, queen 4.
constexpr PieceType PolyglotPromotion[8] = {EMPTY, KNIGHT, BISHOP, ROOK, QUEEN, EMPTY, EMPTY, EMPTY};

bool IsCastling(Move move) {
    const i32 step = MoveTo(move) - MoveFrom(move);
    return MovePiece(move) == KING && (step == 2 || step == -2);
}

}  // namespace

i32 EnPassantCaptureFile() {
    if (GamePly <= 0) return -1;
    const Move last = GameHistory[GamePly - 1].Move;
    const Square to = MoveTo(last);
    if (MovePiece(last) != PAWN || (MoveFrom(last) - to != 16 && to - MoveFrom(last) != 16)) return -1;
    const u64 ownPawns = board.Bitboards[PAWN][board.SideToMove];
    const i32 file = FileOf(to);
    const u64 beside = (file > 0 ? SquareBit(to - 1) : 0) | (file < 7 ? SquareBit(to + 1) : 0);
    return ownPawns & beside ? file : -1;
}

std::vector<PolyglotEntry> ParsePolyglotEntries(const u8* data, size_t size) {
    std::vector<PolyglotEntry> entries;
    entries.reserve(size / PolyglotEntrySize);
    for (size_t at = 0; at + PolyglotEntrySize <= size; at += PolyglotEntrySize) {
        const u8* e = data + at;
        entries.push_back({BigEndian(e, 8), u16(BigEndian(e + 8, 2)), u16(BigEndian(e + 10, 2)),
                           u32(BigEndian(e + 12, 4))});
    }
    return entries;
}

u64 PolyglotKeyOfPosition() {
    u64 key = 0;
    for (Side side : {WHITE, BLACK}) {
        const i32 colour = side == WHITE ? 1 : 0;
        for (u64 set = board.Bitboards[0][side]; set;) {
            const Square sq = PopLowest(set);
            const i32 kind = 2 * PolyglotKind(board.Squares[sq]) + colour;
            key ^= PolyglotRandom64[PolyglotPieceBase + 64 * kind + sq];
        }
    }
    // The engine's flags 1, 2, 4, 8 are white short, white long, black
    // short, black long: Polyglot's order.
    for (i32 right = 0; right < 4; right++)
        if (board.CastlingFlags & (1 << right)) key ^= PolyglotRandom64[PolyglotCastleBase + right];
    const i32 file = EnPassantCaptureFile();
    if (file >= 0) key ^= PolyglotRandom64[PolyglotEnPassantBase + file];
    if (board.SideToMove == WHITE) key ^= PolyglotRandom64[PolyglotTurnIndex];
    return key;
}

Move PolyglotMoveOnBoard(u16 word) {
    const Square to = word & 63, from = (word >> 6) & 63;
    const PieceType promotion = PolyglotPromotion[(word >> 12) & 7];
    if ((word >> 12) & 7 && !promotion) return NoMove;
    // Castling is written as the king taking its own rook.
    Square target = to;
    const Side side = board.SideToMove;
    const Square home = side == WHITE ? E1 : E8;
    const bool ownMan = (board.Bitboards[0][side] >> to) & 1;
    if (from == home && board.Squares[from] == KING && ownMan && board.Squares[to] == ROOK) {
        if (to == home + 3) target = home + 2;
        if (to == home - 4) target = home - 2;
    }

    const i32 savedTop = MoveStackTop;
    GenerateLegalMoves(LegalTestListIndex);
    Move found = NoMove;
    for (i32 i = LegalTestListIndex; i < MoveStackTop && !found; i++) {
        const Move m = MoveStack[i].move;
        if (MoveFrom(m) == from && MoveTo(m) == target && MovePromotion(m) == promotion) found = m;
    }
    MoveStackTop = savedTop;
    return found;
}

u16 PolyglotMoveWord(Move move) {
    const Square from = MoveFrom(move);
    Square to = MoveTo(move);
    if (IsCastling(move)) to = to > from ? from + 3 : from - 4;
    i32 promotion = 0;
    for (i32 code = 1; code <= 4; code++)
        if (MovePromotion(move) != EMPTY && PolyglotPromotion[code] == MovePromotion(move)) promotion = code;
    return u16(to | from << 6 | promotion << 12);
}
