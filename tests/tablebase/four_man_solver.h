// Test tooling: a retrograde solver of the pawnless four-man endings with
// two men besides the kings (kbbk, kbnk, kqkr), captures resolved into the
// solved three-man endings, and the writer of their table files in index
// order. Not part of the engine.
//
// Without pawns every quiet move can be taken back by the same move from
// the other square, so a position's predecessors are its quiet moves with
// the other side to move. The solver counts each position's quiet moves,
// settles captures from the three-man values at once, and then walks the
// results ply by ply through the predecessors (a position is lost when its
// count of unsettled moves runs out, won when one move reaches a loss).
#pragma once

#include <string>
#include <vector>

#include "retrograde_solver.h"

namespace retro {

struct FourManMaterial {
    const char* name;
    PieceType type[2];  // the two men besides the kings
    i32 colour[2];
};

// Position number: side to move + 2 * (man 0 + 64 * (man 1 + 64 * (white king + 64 * black king))).
constexpr u32 FourManNumber(i32 stm, i32 m0, i32 m1, i32 wk, i32 bk) {
    return u32(stm + 2 * (m0 + 64 * (m1 + 64 * (wk + 64 * bk))));
}

struct FourMan {
    i32 stm, sq[4];  // men 0 and 1, white king, black king
};

inline FourMan FourManOfNumber(u32 n) {
    return {i32(n & 1), {i32(n >> 1 & 63), i32(n >> 7 & 63), i32(n >> 13 & 63), i32(n >> 19 & 63)}};
}

inline u32 FourManNumber(const FourMan& p) { return FourManNumber(p.stm, p.sq[0], p.sq[1], p.sq[2], p.sq[3]); }

inline u64 FourManOccupied(const FourMan& p) {
    return (u64(1) << p.sq[0]) | (u64(1) << p.sq[1]) | (u64(1) << p.sq[2]) | (u64(1) << p.sq[3]);
}

// Attack sets from tables built once: king and knight steps, and the eight
// rays of every square, cut at their first blocker (the classical method:
// the lowest blocker for rays towards higher squares, the highest otherwise).
struct AttackTables {
    u64 king[64] = {}, knight[64] = {}, ray[8][64] = {};
    AttackTables() {
        static const i32 dirs[8][2] = {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
        for (i32 sq = 0; sq < 64; ++sq) {
            knight[sq] = ManAttacks(KNIGHT, sq, 0);
            for (i32 to = 0; to < 64; ++to)
                if (to != sq && Adjacent(to, sq)) king[sq] |= u64(1) << to;
            for (i32 d = 0; d < 8; ++d)
                for (i32 f = (sq & 7) + dirs[d][0], r = (sq >> 3) + dirs[d][1]; OnBoard(f, r); f += dirs[d][0], r += dirs[d][1])
                    ray[d][sq] |= u64(1) << (r * 8 + f);
        }
    }
};

inline const AttackTables& Attacks() {
    static const AttackTables tables;
    return tables;
}

inline u64 KingAttacks(i32 sq) { return Attacks().king[sq]; }

inline u64 FastAttacks(PieceType type, i32 sq, u64 occupied) {
    const AttackTables& t = Attacks();
    if (type == KNIGHT) return t.knight[sq];
    u64 set = 0;
    for (i32 d = 0; d < 8; ++d) {
        if ((d & 1) ? type == ROOK : type == BISHOP) continue;  // odd: diagonal rays, even: straight
        const u64 ray = t.ray[d][sq], blockers = ray & occupied;
        if (!blockers) {
            set |= ray;
            continue;
        }
        const i32 first = d < 4 ? __builtin_ctzll(blockers) : 63 - __builtin_clzll(blockers);
        set |= ray ^ t.ray[d][first];
    }
    return set;
}

// Whether the king of `side` stands attacked; `taken` marks a man no
// longer on the board (-1: none).
inline bool KingAttacked(const FourManMaterial& m, const FourMan& p, i32 side, i32 taken) {
    const i32 king = p.sq[2 + side];
    if (Adjacent(p.sq[2], p.sq[3])) return true;
    const u64 occupied = FourManOccupied(p) & ~(taken >= 0 ? u64(1) << p.sq[taken] : 0);
    for (i32 i = 0; i < 2; ++i)
        if (i != taken && m.colour[i] != side && (FastAttacks(m.type[i], p.sq[i], occupied) >> king & 1)) return true;
    return false;
}

inline bool FourManLegal(const FourManMaterial& m, const FourMan& p) {
    if (__builtin_popcountll(FourManOccupied(p)) != 4) return false;
    return !KingAttacked(m, p, 1 - p.stm, -1);
}

// Quiet moves of the side to move (men 0, 1 and its king), as positions
// with the other side to move; `legalOnly` drops moves into check.
template <typename Visit>
void QuietMoves(const FourManMaterial& m, const FourMan& p, bool legalOnly, Visit visit) {
    const u64 occupied = FourManOccupied(p);
    for (i32 who = 0; who < 3; ++who) {
        if (who < 2 && m.colour[who] != p.stm) continue;
        const i32 slot = who < 2 ? who : 2 + p.stm;
        u64 targets = (who < 2 ? FastAttacks(m.type[who], p.sq[slot], occupied) : KingAttacks(p.sq[slot])) & ~occupied;
        for (; targets; targets &= targets - 1) {
            FourMan child = p;
            child.sq[slot] = __builtin_ctzll(targets);
            child.stm = 1 - p.stm;
            if (legalOnly && KingAttacked(m, child, p.stm, -1)) continue;
            visit(child);
        }
    }
}

// The three-man value after the side to move takes man `taken`, from the
// view of the other side (then to move), or NoValue when the capture is illegal.
inline const Solved& ThreeManTableOf(PieceType type) {
    return ThreeManTables().at(type == KNIGHT ? "knk" : type == BISHOP ? "kbk" : type == ROOK ? "krk" : "kqk");
}

inline i8 CaptureValue(const FourManMaterial& m, const FourMan& p, i32 taken, i32 taker, const Solved& table) {
    FourMan child = p;
    child.sq[taker] = p.sq[taken];
    child.stm = 1 - p.stm;
    if (KingAttacked(m, child, p.stm, taken)) return NoValue;
    const i32 left = 1 - taken;
    // The three-man tables hold the man on White's side: turn the board round for Black's man.
    if (m.colour[left] == WHITE) return table.value[PositionNumber(child.stm, child.sq[left], child.sq[2], child.sq[3])];
    return table.value[PositionNumber(1 - child.stm, child.sq[left] ^ 56, child.sq[3] ^ 56, child.sq[2] ^ 56)];
}

inline Solved SolveFourMan(const FourManMaterial& m) {
    const u32 count = u32(1) << 25;
    Solved solved;
    solved.value.assign(count, NoValue);
    std::vector<u8> open(count, 0);        // quiet moves not yet settled as wins for the opponent
    std::vector<i16> lossPly(count, -1);   // longest settled capture loss, -1 none; -2 a capture holds
    std::vector<std::vector<u32>> buckets(260);
    std::vector<u8> winQueued(count, 255);
    const Solved* leftTable[2] = {&ThreeManTableOf(m.type[0]), &ThreeManTableOf(m.type[1])};  // the ply a win is already queued at
    for (u32 n = 0; n < count; ++n) {
        const FourMan p = FourManOfNumber(n);
        if (!FourManLegal(m, p)) continue;
        solved.value[n] = 0;  // a draw unless the walk below settles it
        i32 quiet = 0, bestWin = 1000;
        QuietMoves(m, p, true, [&](const FourMan&) { quiet += 1; });
        i32 moves = quiet;
        // Captures: the king or a man of the side to move takes a man of the other.
        for (i32 taken = 0; taken < 2; ++taken) {
            if (m.colour[taken] == p.stm) continue;
            const u64 blockers = FourManOccupied(p);
            for (i32 taker = 0; taker < 3; ++taker) {
                if (taker < 2 && m.colour[taker] != p.stm) continue;
                const i32 slot = taker < 2 ? taker : 2 + p.stm;
                const u64 attacks = taker < 2 ? FastAttacks(m.type[taker], p.sq[slot], blockers) : KingAttacks(p.sq[slot]);
                if (!(attacks >> p.sq[taken] & 1)) continue;
                const i8 v = CaptureValue(m, p, taken, slot, *leftTable[1 - taken]);
                if (v == NoValue) continue;
                moves += 1;
                if (v <= 0) lossPly[n] = -2;
                if (v < 0) bestWin = std::min(bestWin, PlyOfValue(v) + 1);
                else if (lossPly[n] != -2) lossPly[n] = i16(std::max<i32>(lossPly[n], PlyOfValue(v) + 1));
            }
        }
        open[n] = u8(quiet);
        if (moves == 0) {
            solved.value[n] = KingAttacked(m, p, p.stm, -1) ? ValueOfPly(false, 0) : 0;
            buckets[0].push_back(n);  // predecessors of mates follow from bucket 0
            continue;
        }
        if (bestWin < 1000) {
            buckets[size_t(bestWin)].push_back(n);
            winQueued[n] = u8(bestWin);
        }
        if (quiet == 0 && lossPly[n] >= 0) buckets[size_t(lossPly[n])].push_back(n);
    }
    std::vector<u8> settled(count, 0);
    for (size_t ply = 0; ply < buckets.size(); ++ply) {
        for (size_t k = 0; k < buckets[ply].size(); ++k) {
            const u32 n = buckets[ply][k];
            if (settled[n]) continue;
            if (ply > 0) solved.value[n] = ValueOfPly(ply % 2 == 1, i32(ply));
            settled[n] = 1;
            if (solved.value[n] == 0) continue;  // stalemate
            const bool lost = solved.value[n] < 0;
            FourMan p = FourManOfNumber(n);
            // Predecessors: the side that just moved takes its quiet move back.
            p.stm = 1 - p.stm;
            QuietMoves(m, p, false, [&](FourMan before) {
                before.stm = p.stm;
                const u32 b = FourManNumber(before);
                if (settled[b] || solved.value[b] == NoValue) return;  // settled or illegal
                if (lost) {
                    if (ply + 1 < winQueued[b]) {
                        winQueued[b] = u8(ply + 1);
                        buckets[ply + 1].push_back(b);
                    }
                } else if (--open[b] == 0 && lossPly[b] != -2) {
                    const size_t at = std::max<size_t>(ply + 1, size_t(std::max<i32>(lossPly[b], 0)));
                    if (at < buckets.size()) buckets[at].push_back(b);
                }
            });
        }
        std::vector<u32>().swap(buckets[ply]);
    }
    return solved;
}

inline const FourManMaterial FourManMaterials[] = {
    {"kbbk", {BISHOP, BISHOP}, {WHITE, WHITE}},
    {"kbnk", {BISHOP, KNIGHT}, {WHITE, WHITE}},
    {"kqkr", {QUEEN, ROOK}, {WHITE, BLACK}},
};

inline const Solved& FourManTable(const std::string& name) {
    static std::map<std::string, Solved> tables;
    auto found = tables.find(name);
    if (found != tables.end()) return found->second;
    for (const FourManMaterial& m : FourManMaterials)
        if (name == m.name) return tables[name] = SolveFourMan(m);
    std::abort();
}

// The bytes of one side of a four-man table in index order; false when two
// positions reach one slot with different values.
inline bool FourManFileBytes(const TablebaseRegistryEntry& entry, i32 side, std::vector<u8>& bytes) {
    BuildTablebaseIndexTables();
    const FourManMaterial* material = nullptr;
    for (const FourManMaterial& m : FourManMaterials)
        if (std::string(entry.name) == m.name) material = &m;
    if (!material) return false;
    const Solved& solved = FourManTable(entry.name);
    bytes.assign(entry.indexSize[side], u8(NoValue));
    std::vector<bool> written(bytes.size(), false);
    auto firstSlot = [](PieceType type) { return type == KNIGHT ? 3 : type == BISHOP ? 6 : type == ROOK ? 9 : 12; };
    for (u32 n = u32(side); n < solved.value.size(); n += 2) {
        if (solved.value[n] == NoValue) continue;
        const FourMan p = FourManOfNumber(n);
        u32 lists[2][16] = {};
        // Men of one type stand in their slots by ascending square, as the probe fills them.
        if (material->type[0] == material->type[1] && material->colour[0] == material->colour[1]) {
            u32* list = lists[material->colour[0]] + firstSlot(material->type[0]);
            list[0] = u32(std::min(p.sq[0], p.sq[1]));
            list[1] = u32(std::max(p.sq[0], p.sq[1]));
        } else {
            for (i32 i = 0; i < 2; ++i) lists[material->colour[i]][firstSlot(material->type[i])] = u32(p.sq[i]);
        }
        lists[WHITE][15] = u32(p.sq[2]);
        lists[BLACK][15] = u32(p.sq[3]);
        const u64 index = entry.indexFn[side](lists[WHITE], lists[BLACK], 127, 0);
        if (index >= bytes.size()) return false;
        const u8 v = u8(solved.value[n]);
        if (written[index] && bytes[index] != v) return false;
        bytes[index] = v;
        written[index] = true;
    }
    return true;
}

}  // namespace retro
