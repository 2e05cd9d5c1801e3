// Positions of a table's material for index tests: the men and their slots,
// placement of every man, and the legality rule of table positions (kings
// apart, men on their own squares, pawns on ranks 2-7, the side not to move
// not in check).
#pragma once

#include <cstring>
#include <vector>

#include "board/types.h"
#include "tablebase/index_lists.h"

struct TableMan {
    i32 side;   // list: 0 the table's white, 1 its black
    char kind;  // one of "pnbrqk"
    i32 slot;
};

// Kings first (white, black), then the men in name order.
inline std::vector<TableMan> MenOfTable(const char* name) {
    std::vector<TableMan> men = {{0, 'k', 15}, {1, 'k', 15}};
    i32 side = -1;
    i32 next[2][5] = {{0, 3, 6, 9, 12}, {0, 3, 6, 9, 12}};
    for (const char* c = name; *c; c++) {
        if (*c == 'k') {
            side++;
            continue;
        }
        const i32 kind = i32(std::strchr("pnbrq", *c) - "pnbrq");
        men.push_back({side, *c, next[side][kind]++});
    }
    return men;
}

inline i32 AbsDiff(i32 a, i32 b) { return a > b ? a - b : b - a; }

// Does a man of kind and side on from attack target, with men on occupied?
inline bool AttacksSquare(char kind, i32 side, i32 from, i32 target, u64 occupied) {
    const i32 df = FileOf(target) - FileOf(from), dr = RankOf(target) - RankOf(from);
    const i32 adf = AbsDiff(FileOf(target), FileOf(from)), adr = AbsDiff(RankOf(target), RankOf(from));
    switch (kind) {
    case 'p': return adf == 1 && dr == (side == 0 ? 1 : -1);
    case 'n': return (adf == 1 && adr == 2) || (adf == 2 && adr == 1);
    case 'k': return adf <= 1 && adr <= 1 && (adf | adr) != 0;
    default: break;
    }
    const bool straight = (df == 0) != (dr == 0);
    const bool diagonal = adf == adr && adf != 0;
    if (!((straight && kind != 'b') || (diagonal && kind != 'r'))) return false;
    const i32 step = (dr > 0 ? 8 : dr < 0 ? -8 : 0) + (df > 0 ? 1 : df < 0 ? -1 : 0);
    for (i32 sq = from + step; sq != target; sq += step)
        if (occupied & SquareBit(sq)) return false;
    return true;
}

// Legal with sideToMove to move: kings apart, distinct squares, pawns on
// ranks 2-7, the other king not attacked.
inline bool LegalTablePosition(const std::vector<TableMan>& men, const IndexLists& lists, i32 sideToMove) {
    const u32* squares[2] = {lists.white, lists.black};
    u64 occupied = 0;
    for (const TableMan& man : men) {
        const u32 sq = squares[man.side][man.slot];
        if (sq > 63 || (occupied & SquareBit(i32(sq)))) return false;
        if (man.kind == 'p' && (sq < 8 || sq > 55)) return false;
        occupied |= SquareBit(i32(sq));
    }
    const i32 target = i32(squares[sideToMove ^ 1][15]);
    for (const TableMan& man : men)
        if (man.side == sideToMove &&
            AttacksSquare(man.kind, man.side, i32(squares[man.side][man.slot]), target, occupied))
            return false;
    return true;
}
