#include "board/position_check.h"

#include <cstdio>

#include "board/attacks.h"
#include "board/board.h"

namespace {

// Is `target` attacked by a man of `attacker`? Walks rays on the placement
// itself, so it works before the position is on the board.
bool IsAttacked(const Placement& p, Square target, Side attacker) {
    auto is = [&](Square sq, PieceType type) {
        return p.type[sq] == type && p.owner[sq] == attacker;
    };
    for (u64 set = KnightAttacks[target]; set;)
        if (is(PopLowest(set), KNIGHT)) return true;
    for (u64 set = KingAttacks[target]; set;)
        if (is(PopLowest(set), KING)) return true;
    // A pawn of the attacker stands where a pawn of the other side on the
    // target would capture.
    for (u64 set = PawnAttacks[ChangeSide(attacker)][target]; set;)
        if (is(PopLowest(set), PAWN)) return true;
    static const i32 steps[8][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1},
                                    {1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
    for (i32 d = 0; d < 8; d++) {
        const bool straight = d < 4;
        i32 file = FileOf(target) + steps[d][0], rank = RankOf(target) + steps[d][1];
        for (; file >= 0 && file < 8 && rank >= 0 && rank < 8;
             file += steps[d][0], rank += steps[d][1]) {
            const Square sq = MakeSquare(file, rank);
            if (p.type[sq] == EMPTY) continue;
            if (p.owner[sq] == attacker &&
                (p.type[sq] == QUEEN || p.type[sq] == (straight ? ROOK : BISHOP)))
                return true;
            break;
        }
    }
    return false;
}

}  // namespace

const char* PlacementProblem(const Placement& p) {
    i32 kings[2] = {0, 0}, pawns[2] = {0, 0}, men[2] = {0, 0};
    Square kingSquare[2] = {0, 0};
    for (Square sq = 0; sq < 64; sq++) {
        if (p.type[sq] == EMPTY) continue;
        const Side owner = p.owner[sq];
        men[owner] += 1;
        if (p.type[sq] == KING) kings[owner] += 1, kingSquare[owner] = sq;
        if (p.type[sq] == PAWN) {
            pawns[owner] += 1;
            if (RankOf(sq) == 0 || RankOf(sq) == 7) return "pawn on the first or last rank";
        }
    }
    if (kings[WHITE] != 1 || kings[BLACK] != 1) return "each side needs exactly one king";
    if (pawns[WHITE] > 8 || pawns[BLACK] > 8) return "more than eight pawns";
    if (men[WHITE] > 16 || men[BLACK] > 16) return "more than sixteen men";
    const Side waiting = ChangeSide(p.sideToMove);
    if (IsAttacked(p, kingSquare[waiting], p.sideToMove)) return "the side not to move is in check";
    return nullptr;
}

Placement CurrentPlacement() {
    Placement placement{};
    for (Square sq = 0; sq < 64; sq++) {
        placement.type[sq] = board.Squares[sq];
        placement.owner[sq] = (board.Bitboards[0][BLACK] >> sq) & 1 ? BLACK : WHITE;
    }
    placement.sideToMove = board.SideToMove;
    return placement;
}

bool QuietPositionRefusals = false;
const char* LastPositionRefusal = "";

void ReportIllegalPosition(const char* reason) {
    LastPositionRefusal = reason;
    if (QuietPositionRefusals) return;
    std::printf("Illegal position: %s\n", reason);
    std::fflush(stdout);
}
