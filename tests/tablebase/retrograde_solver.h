// Test tooling: a small retrograde solver of the endings king and one man
// against a bare king (kqk, krk, kbk, knk and kpk, promotions resolved into
// the solved piece endings), and the writer of their table files in index
// order. Not part of the engine.
//
// Values are stored as the tables store them: 127 - n for a win in n moves,
// n - 126 for a loss in n moves (0: mated now), 0 for a draw, 127 where no
// legal position lands.
#pragma once

#include <cassert>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "board/types.h"
#include "tablebase/index/indexers.h"
#include "tablebase/registry.h"

namespace retro {

constexpr i8 NoValue = 127;

// Position number: side to move + 2 * (man + 64 * (white king + 64 * black king)).
constexpr u32 PositionNumber(i32 stm, i32 man, i32 whiteKing, i32 blackKing) {
    return u32(stm + 2 * (man + 64 * (whiteKing + 64 * blackKing)));
}

inline bool Adjacent(i32 a, i32 b) { return std::abs((a & 7) - (b & 7)) <= 1 && std::abs((a >> 3) - (b >> 3)) <= 1; }

inline bool OnBoard(i32 file, i32 rank) { return file >= 0 && file < 8 && rank >= 0 && rank < 8; }

// Squares the man of `type` on `from` attacks, slides stopped by `blocker`
// (the other men); pawns are White's.
inline u64 ManAttacks(PieceType type, i32 from, u64 blockers) {
    static const i32 straight[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    static const i32 diagonal[4][2] = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
    static const i32 jumps[8][2] = {{1, 2}, {2, 1}, {-1, 2}, {-2, 1}, {1, -2}, {2, -1}, {-1, -2}, {-2, -1}};
    const i32 file = from & 7, rank = from >> 3;
    u64 set = 0;
    auto slide = [&](const i32(*dirs)[2]) {
        for (i32 d = 0; d < 4; ++d)
            for (i32 f = file + dirs[d][0], r = rank + dirs[d][1]; OnBoard(f, r); f += dirs[d][0], r += dirs[d][1]) {
                set |= u64(1) << (r * 8 + f);
                if (blockers >> (r * 8 + f) & 1) break;
            }
    };
    if (type == ROOK || type == QUEEN) slide(straight);
    if (type == BISHOP || type == QUEEN) slide(diagonal);
    if (type == KNIGHT)
        for (const auto& j : jumps)
            if (OnBoard(file + j[0], rank + j[1])) set |= u64(1) << ((rank + j[1]) * 8 + file + j[0]);
    if (type == PAWN)
        for (i32 df : {-1, 1})
            if (OnBoard(file + df, rank + 1)) set |= u64(1) << ((rank + 1) * 8 + file + df);
    return set;
}

struct Solved {
    std::vector<i8> value;  // by PositionNumber
};

inline bool Legal(PieceType type, i32 stm, i32 man, i32 wk, i32 bk) {
    if (man == wk || man == bk || wk == bk || Adjacent(wk, bk)) return false;
    if (type == PAWN && (man < 8 || man >= 56)) return false;
    // White to move: the black king may not stand in check.
    const u64 blockers = (u64(1) << wk) | (u64(1) << bk);
    if (stm == WHITE && (ManAttacks(type, man, blockers) >> bk & 1)) return false;
    return true;
}

// A move's result: a solved position of this table, or a known value of
// the child from the mover's opponent's view (a capture: draw; a promotion:
// the piece ending's value).
// Packed in 32 bits: the position number, or KnownChild | the value byte.
using Child = u32;
constexpr u32 KnownChild = 0x80000000u;
inline Child Known(i8 value) { return KnownChild | u8(value); }

inline i32 PlyOfValue(i8 v) { return v > 0 ? 2 * (127 - v) - 1 : 2 * (v + 126); }
inline i8 ValueOfPly(bool win, i32 ply) { return win ? i8(127 - (ply + 1) / 2) : i8(ply / 2 - 126); }

// The legal moves of a position as children.
inline std::vector<Child> Children(PieceType type, i32 stm, i32 man, i32 wk, i32 bk,
                                   const std::map<PieceType, const Solved*>& promoted) {
    std::vector<Child> children;
    const u64 kings = (u64(1) << wk) | (u64(1) << bk);
    if (stm == WHITE) {
        // King moves: not next to the black king, not onto the man.
        for (i32 to = 0; to < 64; ++to)
            if (Adjacent(to, wk) && to != wk && to != man && !Adjacent(to, bk))
                children.push_back(PositionNumber(BLACK, man, to, bk));
        // Man moves (the white king is never in check from the black king).
        if (type != PAWN) {
            u64 targets = ManAttacks(type, man, kings) & ~kings;
            for (; targets; targets &= targets - 1)
                children.push_back(PositionNumber(BLACK, __builtin_ctzll(targets), wk, bk));
        } else {
            auto push = [&](i32 to) {
                if (to >= 56) {
                    for (const auto& promotion : promoted) {
                        const Solved* solved = promotion.second;
                        const u32 n = PositionNumber(BLACK, to, wk, bk);
                        // The new piece may check the black king: still legal.
                        children.push_back(Known(solved->value[n]));
                    }
                } else {
                    children.push_back(PositionNumber(BLACK, to, wk, bk));
                }
            };
            if (!(kings >> (man + 8) & 1)) {
                push(man + 8);
                if (man < 16 && !(kings >> (man + 16) & 1)) push(man + 16);
            }
        }
    } else {
        const u64 attacked = ManAttacks(type, man, u64(1) << wk);
        for (i32 to = 0; to < 64; ++to) {
            if (!Adjacent(to, bk) || to == bk || Adjacent(to, wk) || (attacked >> to & 1)) continue;
            // Taking the man leaves two kings: a draw.
            if (to == man) children.push_back(Known(0));
            else children.push_back(PositionNumber(WHITE, man, wk, to));
        }
    }
    return children;
}

// Solves king and `type` against king; promotions look up `promoted`.
inline Solved Solve(PieceType type, const std::map<PieceType, const Solved*>& promoted = {}) {
    const u32 count = 2 * 64 * 64 * 64;
    Solved solved;
    solved.value.assign(count, NoValue);
    std::vector<std::vector<Child>> children(count);
    std::vector<bool> open(count, false);
    for (i32 bk = 0; bk < 64; ++bk)
        for (i32 wk = 0; wk < 64; ++wk)
            for (i32 man = 0; man < 64; ++man)
                for (i32 stm = 0; stm < 2; ++stm) {
                    if (!Legal(type, stm, man, wk, bk)) continue;
                    const u32 n = PositionNumber(stm, man, wk, bk);
                    children[n] = Children(type, stm, man, wk, bk, promoted);
                    if (!children[n].empty()) {
                        open[n] = true;
                        continue;
                    }
                    // No move: mated when in check (only Black can be), else stalemate.
                    const bool check = stm == BLACK &&
                                       (ManAttacks(type, man, (u64(1) << wk) | (u64(1) << bk)) >> bk & 1);
                    solved.value[n] = check ? ValueOfPly(false, 0) : 0;
                }
    // Ply by ply: wins at odd plies, losses at even ones.
    i32 emptyPasses = 0;
    for (i32 ply = 1; emptyPasses < 2; ++ply) {
        std::vector<u32> resolved;
        for (u32 n = 0; n < count; ++n) {
            if (!open[n]) continue;
            bool win = false, allWins = true;
            for (const Child child : children[n]) {
                const bool known = child & KnownChild;
                const i8 v = known ? i8(u8(child)) : solved.value[child];
                const bool childResolved = known || !open[child];
                if (!childResolved || v == 0 || v == NoValue) {
                    allWins = false;
                    continue;
                }
                if (v < 0 && PlyOfValue(v) == ply - 1) win = true;
                if (v < 0 || PlyOfValue(v) > ply - 1) allWins = false;
            }
            if (ply % 2 == 1 && win) {
                solved.value[n] = ValueOfPly(true, ply);
                resolved.push_back(n);
            } else if (ply % 2 == 0 && allWins) {
                solved.value[n] = ValueOfPly(false, ply);
                resolved.push_back(n);
            }
        }
        for (u32 n : resolved) open[n] = false;
        emptyPasses = resolved.empty() ? emptyPasses + 1 : 0;
    }
    for (u32 n = 0; n < count; ++n)
        if (open[n]) solved.value[n] = 0;
    return solved;
}

// The five tables, pieces first so that kpk can promote into them.
inline const std::map<std::string, Solved>& ThreeManTables() {
    static const std::map<std::string, Solved> tables = [] {
        std::map<std::string, Solved> t;
        t["kqk"] = Solve(QUEEN);
        t["krk"] = Solve(ROOK);
        t["kbk"] = Solve(BISHOP);
        t["knk"] = Solve(KNIGHT);
        t["kpk"] = Solve(PAWN, {{QUEEN, &t["kqk"]}, {ROOK, &t["krk"]}, {BISHOP, &t["kbk"]}, {KNIGHT, &t["knk"]}});
        return t;
    }();
    return tables;
}

inline PieceType ManOfTable(const std::string& name) {
    switch (name[1]) {
        case 'q': return QUEEN;
        case 'r': return ROOK;
        case 'b': return BISHOP;
        case 'n': return KNIGHT;
        default: return PAWN;
    }
}

// The bytes of one table side in index order; false when two positions
// reach one slot with different values.
inline bool TableFileBytes(const TablebaseRegistryEntry& entry, i32 side, std::vector<u8>& bytes) {
    BuildTablebaseIndexTables();
    const Solved& solved = ThreeManTables().at(entry.name);
    const PieceType type = ManOfTable(entry.name);
    const i32 slot = type == PAWN ? 0 : type == KNIGHT ? 3 : type == BISHOP ? 6 : type == ROOK ? 9 : 12;
    bytes.assign(entry.indexSize[side], u8(NoValue));
    std::vector<bool> written(bytes.size(), false);
    for (i32 bk = 0; bk < 64; ++bk)
        for (i32 wk = 0; wk < 64; ++wk)
            for (i32 man = 0; man < 64; ++man) {
                if (!Legal(type, side, man, wk, bk)) continue;
                u32 white[16] = {}, black[16] = {};
                white[slot] = u32(man);
                white[15] = u32(wk);
                black[15] = u32(bk);
                const u64 index = entry.indexFn[side](white, black, 127, 0);
                if (index >= bytes.size()) return false;
                const u8 v = u8(solved.value[PositionNumber(side, man, wk, bk)]);
                if (written[index] && bytes[index] != v) return false;
                bytes[index] = v;
                written[index] = true;
            }
    return true;
}

}  // namespace retro
