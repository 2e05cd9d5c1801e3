#include "board/move_text.h"

#include <cstdio>

#include "board/attacks.h"
#include "board/board.h"

namespace {
char MoveTextBuffer[8];
}

const char* MoveToText(Move move) {
    if (move == NoMove) return "0000";
    std::snprintf(MoveTextBuffer, sizeof MoveTextBuffer, "%c%c%c%c%c", 'a' + FileOf(MoveFrom(move)),
                  '1' + RankOf(MoveFrom(move)), 'a' + FileOf(MoveTo(move)), '1' + RankOf(MoveTo(move)),
                  PromotionLetters[MovePromotion(move)]);
    return MoveTextBuffer;
}

const char* MoveToShortText(Move move) {
    std::snprintf(MoveTextBuffer, sizeof MoveTextBuffer, "%c%c%c%c", 'a' + FileOf(MoveFrom(move)),
                  '1' + RankOf(MoveFrom(move)), 'a' + FileOf(MoveTo(move)), '1' + RankOf(MoveTo(move)));
    return MoveTextBuffer;
}

const char* MoveToTextWithPiece(Move move) {
    if (move == NoMove) return "-";
    std::snprintf(MoveTextBuffer, sizeof MoveTextBuffer, "%c%c%c%c%c", PieceLetters[MovePiece(move)],
                  'a' + FileOf(MoveFrom(move)), '1' + RankOf(MoveFrom(move)),
                  'a' + FileOf(MoveTo(move)), '1' + RankOf(MoveTo(move)));
    return MoveTextBuffer;
}

i32 IsCoordinateMove(const char* text) {
    auto isFile = [](char c) { return FoldChar(c) >= 'a' && FoldChar(c) <= 'h'; };
    auto isRank = [](char c) { return c >= '1' && c <= '8'; };
    if (!isFile(text[0])) return 0;
    if (!isRank(text[1])) return 0;
    if (!isFile(text[2])) return 0;
    if (!isRank(text[3])) return 0;
    return 1;
}

Move ParseCoordinateMove(char fromFile, char fromRank, char toFile, char toRank, char promotion) {
    const i32 fileFrom = FoldChar(fromFile) - 'a', rankFrom = fromRank - '1';
    const i32 fileTo = FoldChar(toFile) - 'a', rankTo = toRank - '1';
    auto onBoard = [](i32 v) { return v >= 0 && v < 8; };
    if (!onBoard(fileFrom) || !onBoard(rankFrom) || !onBoard(fileTo) || !onBoard(rankTo)) return NoMove;
    const Square from = MakeSquare(fileFrom, rankFrom), to = MakeSquare(fileTo, rankTo);
    PieceType promoted = EMPTY;
    switch (promotion) {
    case 'q': promoted = QUEEN; break;
    case 'r': promoted = ROOK; break;
    case 'b': promoted = BISHOP; break;
    case 'n': promoted = KNIGHT; break;
    default: break;
    }
    return MakeMoveWord(from, to, board.Squares[from], board.Squares[to], promoted);
}

Move ParseMoveText(const char* text) {
    // Stop at the end of a short text instead of reading past it.
    char chars[5] = {0, 0, 0, 0, 0};
    for (i32 i = 0; i < 5 && text[i]; i++) chars[i] = text[i];
    return ParseCoordinateMove(chars[0], chars[1], chars[2], chars[3], chars[4]);
}

void PrintBoard() {
    for (i32 rank = 7; rank >= 0; rank--) {
        for (i32 file = 0; file < 8; file++) {
            const Square sq = MakeSquare(file, rank);
            const bool black = (board.Bitboards[0][BLACK] >> sq) & 1;
            std::printf(black ? "*%c" : " %c", PieceLetters[board.Squares[sq]]);
        }
        std::printf("\n");
    }
    std::fflush(stdout);
}

void PrintBits8(i32 value) {
    for (i32 bit = 0; bit < 8; bit++) std::putchar((value >> bit) & 1 ? '1' : '0');
}
