#include "driver/edit_mode.h"

#include <cstdio>
#include <cstring>

#include "board/attacks.h"
#include "board/board.h"
#include "board/make_move.h"
#include "board/position_check.h"
#include "driver/new_game.h"
#include "search/history.h"
#include "search/trans_table.h"

namespace {

void PrintError() {
    std::printf("Error\n");
    std::fflush(stdout);
}

PieceType EditPieceType(char folded) {
    switch (folded) {
    case 'p': return PAWN;
    case 'n': return KNIGHT;
    case 'b': return BISHOP;
    case 'r': return ROOK;
    case 'q': return QUEEN;
    case 'k': return KING;
    default: return EMPTY;
    }
}

// Castling rights follow from kings and rooks on their home squares.
i32 CastlingFromHomeSquares() {
    auto at = [](Square sq, Side side, PieceType type) {
        return board.Squares[sq] == type && (board.Bitboards[0][side] & SquareBit(sq));
    };
    i32 flags = 0;
    if (at(E1, WHITE, KING)) {
        if (at(A1, WHITE, ROOK)) flags |= 2;
        if (at(H1, WHITE, ROOK)) flags |= 1;
    }
    if (at(E8, BLACK, KING)) {
        if (at(A8, BLACK, ROOK)) flags |= 8;
        if (at(H8, BLACK, ROOK)) flags |= 4;
    }
    return flags;
}

// Edits may leave the derived fields behind the squares: a second king
// placed and taken off again still owns the king square and the king set.
// Everything is built anew from the squares and side sets, which every
// edit keeps exact.
void RebuildFromSquares() {
    const Placement placement = CurrentPlacement();
    const i32 fiftyMoveCounter = board.FiftyMoveCounter;
    ClearBoard();
    for (Square sq = 0; sq < 64; sq++)
        if (placement.type[sq] != EMPTY) AddPiece(sq, placement.owner[sq], placement.type[sq]);
    board.FiftyMoveCounter = fiftyMoveCounter;
    ComputeMaterialIndex();
}

}  // namespace

i32 EditBoardMode(const CharSource& nextChar) {
    const Board before = board;
    const i32 plyBefore = GamePly, basePlyBefore = GameBasePly;
    Side colour = WHITE;

    for (;;) {
        const i32 input = nextChar();
        if (input < 0) break;
        const char c = FoldChar(char(input));
        if (c == ' ' || c == '\n' || c == '\r') continue;
        if (c == '.') break;
        if (c == 'c') {
            colour = ChangeSide(colour);
            continue;
        }
        if (c == '#') {
            ClearBoard();
            continue;
        }
        const PieceType type = EditPieceType(c);
        if (type == EMPTY && c != 'x') {
            PrintError();
            continue;
        }
        const i32 fileInput = nextChar();
        if (fileInput < 0) break;
        const char fileLetter = FoldChar(char(fileInput));
        if (fileLetter < 'a' || fileLetter > 'h') {
            PrintError();
            continue;
        }
        const i32 rankInput = nextChar();
        if (rankInput < 0) break;
        if (rankInput < '1' || rankInput > '8') {
            PrintError();
            continue;
        }
        const Square sq = MakeSquare(fileLetter - 'a', rankInput - '1');
        RemovePiece(sq);
        if (type != EMPTY) AddPiece(sq, colour, type);
    }

    RebuildFromSquares();
    if (const char* problem = PlacementProblem(CurrentPlacement())) {
        ReportIllegalPosition(problem);
        board = before;
        GamePly = plyBefore;
        GameBasePly = basePlyBefore;
        return 0;
    }
    board.CastlingFlags = CastlingFromHomeSquares();
    GamePly = 0;
    GameBasePly = 0;
    std::memset(HistoryScore, 0, sizeof HistoryScore);
    ClearKillers();
    TransAge = u16(TransAge + 3);
    return 1;
}
