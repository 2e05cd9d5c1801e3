#include "support/naive_moves.h"

#include <cstdlib>

#include "board/board.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "board/make_move.h"
#include "board/move_text.h"

namespace {

const i32 KnightSteps[8][2] = {{1, 2}, {2, 1}, {2, -1}, {1, -2}, {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};
const i32 KingSteps[8][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};

bool OnBoard(i32 file, i32 rank) { return file >= 0 && file < 8 && rank >= 0 && rank < 8; }

Side Owner(Square sq) { return (board.Bitboards[0][BLACK] >> sq) & 1 ? BLACK : WHITE; }

bool Holds(Square sq, Side side, PieceType type) {
    return board.Squares[sq] == type && Owner(sq) == side;
}

void AddPawnMove(std::vector<Move>& moves, Square from, Square to, PieceType captured) {
    if (RankOf(to) == 0 || RankOf(to) == 7) {
        for (PieceType promotion : {QUEEN, ROOK, BISHOP, KNIGHT})
            moves.push_back(MakeMoveWord(from, to, PAWN, captured, promotion));
    } else {
        moves.push_back(MakeMoveWord(from, to, PAWN, captured));
    }
}

std::vector<Move> PseudoLegalMoves() {
    std::vector<Move> moves;
    const Side us = board.SideToMove, them = ChangeSide(us);
    for (Square from = 0; from < 64; from++) {
        const PieceType type = board.Squares[from];
        if (type == EMPTY || Owner(from) != us) continue;
        const i32 file = FileOf(from), rank = RankOf(from);
        auto target = [&](i32 f, i32 r) -> i32 {  // -1 off board or own man, else captured type
            if (!OnBoard(f, r)) return -1;
            const Square to = MakeSquare(f, r);
            if (board.Squares[to] == EMPTY) return EMPTY;
            return Owner(to) == us ? -1 : board.Squares[to];
        };
        if (type == KNIGHT || type == KING) {
            const auto& steps = type == KNIGHT ? KnightSteps : KingSteps;
            for (const auto& step : steps) {
                const i32 captured = target(file + step[0], rank + step[1]);
                if (captured >= 0)
                    moves.push_back(MakeMoveWord(from, MakeSquare(file + step[0], rank + step[1]), type, captured));
            }
        } else if (type == PAWN) {
            const i32 dir = us == WHITE ? 1 : -1;
            const i32 home = us == WHITE ? 1 : 6;
            if (OnBoard(file, rank + dir) && board.Squares[MakeSquare(file, rank + dir)] == EMPTY) {
                AddPawnMove(moves, from, MakeSquare(file, rank + dir), EMPTY);
                if (rank == home && board.Squares[MakeSquare(file, rank + 2 * dir)] == EMPTY)
                    moves.push_back(MakeMoveWord(from, MakeSquare(file, rank + 2 * dir), PAWN));
            }
            for (i32 df : {-1, 1}) {
                const i32 captured = target(file + df, rank + dir);
                if (captured > 0) AddPawnMove(moves, from, MakeSquare(file + df, rank + dir), captured);
            }
            // En passant after an enemy double step to the square beside us.
            if (GamePly > 0) {
                const Move last = GameHistory[GamePly - 1].Move;
                const Square lastTo = MoveTo(last);
                if (MovePiece(last) == PAWN && std::abs(MoveFrom(last) - lastTo) == 16 &&
                    RankOf(lastTo) == rank && std::abs(FileOf(lastTo) - file) == 1)
                    moves.push_back(MakeMoveWord(from, lastTo + 8 * dir, PAWN));
            }
        } else {
            for (i32 d = 0; d < 8; d++) {
                const bool straight = KingSteps[d][0] == 0 || KingSteps[d][1] == 0;
                if (straight ? !(type & 1) : !(type & 2)) continue;
                for (i32 f = file + KingSteps[d][0], r = rank + KingSteps[d][1];; f += KingSteps[d][0], r += KingSteps[d][1]) {
                    const i32 captured = target(f, r);
                    if (captured < 0) break;
                    moves.push_back(MakeMoveWord(from, MakeSquare(f, r), type, captured));
                    if (captured > 0) break;
                }
            }
        }
    }
    // Castling: rights, empty squares between, and no attacked square on the
    // king's path, its start included.
    const Square home = us == WHITE ? E1 : E8;
    const i32 kingSide = us == WHITE ? 1 : 4, queenSide = us == WHITE ? 2 : 8;
    if (Holds(home, us, KING) && !NaiveAttacked(home, them)) {
        if ((board.CastlingFlags & kingSide) && Holds(home + 3, us, ROOK) && !board.Squares[home + 1] &&
            !board.Squares[home + 2] && !NaiveAttacked(home + 1, them) && !NaiveAttacked(home + 2, them))
            moves.push_back(MakeMoveWord(home, home + 2, KING));
        if ((board.CastlingFlags & queenSide) && Holds(home - 4, us, ROOK) && !board.Squares[home - 1] &&
            !board.Squares[home - 2] && !board.Squares[home - 3] && !NaiveAttacked(home - 1, them) &&
            !NaiveAttacked(home - 2, them))
            moves.push_back(MakeMoveWord(home, home - 2, KING));
    }
    return moves;
}

}  // namespace

bool NaiveAttacked(Square target, Side attacker) {
    const i32 file = FileOf(target), rank = RankOf(target);
    for (const auto& step : KnightSteps)
        if (OnBoard(file + step[0], rank + step[1]) &&
            Holds(MakeSquare(file + step[0], rank + step[1]), attacker, KNIGHT))
            return true;
    for (const auto& step : KingSteps)
        if (OnBoard(file + step[0], rank + step[1]) &&
            Holds(MakeSquare(file + step[0], rank + step[1]), attacker, KING))
            return true;
    const i32 pawnRank = rank + (attacker == WHITE ? -1 : 1);
    for (i32 df : {-1, 1})
        if (OnBoard(file + df, pawnRank) && Holds(MakeSquare(file + df, pawnRank), attacker, PAWN)) return true;
    for (i32 d = 0; d < 8; d++) {
        const bool straight = KingSteps[d][0] == 0 || KingSteps[d][1] == 0;
        for (i32 f = file + KingSteps[d][0], r = rank + KingSteps[d][1]; OnBoard(f, r);
             f += KingSteps[d][0], r += KingSteps[d][1]) {
            const Square sq = MakeSquare(f, r);
            const PieceType type = board.Squares[sq];
            if (type == EMPTY) continue;
            if (Owner(sq) == attacker && (type == QUEEN || type == (straight ? ROOK : BISHOP))) return true;
            break;
        }
    }
    return false;
}

std::vector<Move> NaiveLegalMoves() {
    std::vector<Move> legal;
    const Side us = board.SideToMove;
    for (Move move : PseudoLegalMoves()) {
        MakeMove(move, 1);
        if (!NaiveAttacked(board.KingSquare[us], ChangeSide(us))) legal.push_back(move);
        UnmakeMove();
    }
    return legal;
}

u64 NaivePerft(i32 depth, void (*check)()) {
    const std::vector<Move> moves = NaiveLegalMoves();
    if (depth <= 1) return moves.size();
    u64 leaves = 0;
    for (Move move : moves) {
        MakeMove(move, 1);
        if (check) check();
        leaves += NaivePerft(depth - 1, check);
        UnmakeMove();
    }
    return leaves;
}

std::string FirstIllegalMove(const std::string& fen, const std::vector<std::string>& moves) {
    InitEngineTables();
    if (ParseFen(fen.c_str()) != 1) return "(position refused)";
    for (const std::string& text : moves) {
        Move legal = NoMove;
        for (Move m : NaiveLegalMoves())
            if (text == MoveToText(m)) legal = m;
        if (legal == NoMove) return text;
        MakeMove(legal, 1);
    }
    return "";
}
