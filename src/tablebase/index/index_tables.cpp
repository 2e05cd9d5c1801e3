// Frame tables, king-pair numbering and the enumeration tables of the
// tablebase index functions.
#include "tablebase/index/index_tables.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

namespace {

using SquareTable = std::array<u32, 64>;
using FlagTable = std::array<u8, 64>;
using KingPairTable = std::array<std::array<i16, 64>, 64>;

constexpr i32 Distance(i32 a, i32 b) {
    const i32 files = FileOf(a) > FileOf(b) ? FileOf(a) - FileOf(b) : FileOf(b) - FileOf(a);
    const i32 ranks = RankOf(a) > RankOf(b) ? RankOf(a) - RankOf(b) : RankOf(b) - RankOf(a);
    return files > ranks ? files : ranks;
}

constexpr SquareTable MakeFlipMask() {
    SquareTable mask{};
    for (i32 sq = 0; sq < 64; sq++)
        mask[sq] = (FileOf(sq) >= 4 ? 7u : 0u) | (RankOf(sq) >= 4 ? 56u : 0u);
    return mask;
}

constexpr SquareTable MakeDiagonalFlip() {
    SquareTable flip{};
    for (i32 sq = 0; sq < 64; sq++) flip[sq] = u32(FileOf(sq) * 8 + RankOf(sq));
    return flip;
}

constexpr SquareTable MakeFileMirrorMask() {
    SquareTable mask{};
    for (i32 sq = 0; sq < 64; sq++) mask[sq] = FileOf(sq) >= 4 ? 7u : 0u;
    return mask;
}

template <typename Predicate>
constexpr FlagTable MakeFlags(Predicate holds) {
    FlagTable flags{};
    for (i32 sq = 0; sq < 64; sq++) flags[sq] = holds(FileOf(sq), RankOf(sq)) ? 1 : 0;
    return flags;
}

constexpr FlagTable MakeCanonicalTriangle() {
    return MakeFlags([](i32 file, i32 rank) { return file <= 3 && file >= rank; });
}
constexpr FlagTable MakeOffMainDiagonal() {
    return MakeFlags([](i32 file, i32 rank) { return file != rank; });
}
constexpr FlagTable MakeDiagonalLowerHalf() {
    return MakeFlags([](i32 file, i32 rank) { return file >= rank; });
}

// Pairs numbered with the first king ascending, then the second: kings on
// equal or adjacent squares have no number. Without pawns the first king
// stays in the a1-d1-d4 triangle and, on its diagonal, the second king on
// the diagonal or below it; with pawns the first king stays on files a-d.
constexpr KingPairTable MakeKingPairs(bool pawns) {
    constexpr FlagTable triangle = MakeCanonicalTriangle();
    constexpr FlagTable lowerHalf = MakeDiagonalLowerHalf();
    KingPairTable table{};
    i16 next = 0;
    for (i32 first = 0; first < 64; first++) {
        for (i32 second = 0; second < 64; second++) {
            table[first][second] = NoKingPair;
            if (Distance(first, second) <= 1) continue;
            if (pawns) {
                if (FileOf(first) > 3) continue;
            } else {
                if (!triangle[first]) continue;
                if (FileOf(first) == RankOf(first) && !lowerHalf[second]) continue;
            }
            table[first][second] = next++;
        }
    }
    return table;
}

// Squares from which a man of the type is excluded when the second king
// stands on kingSquare: a check no man can block, or a pawn off its ranks.
bool ExcludedSquare(i32 type, i32 kingSquare, i32 sq) {
    if (sq == kingSquare) return true;
    if (type <= EnumP && (sq < 8 || sq > 55)) return true;
    const i32 df = FileOf(kingSquare) - FileOf(sq);
    const i32 dr = RankOf(kingSquare) - RankOf(sq);
    const i32 adf = df < 0 ? -df : df;
    const i32 adr = dr < 0 ? -dr : dr;
    switch (type) {
    case EnumP: return dr == 1 && adf == 1;  // pawn attack towards rank 8
    case EnumN: return (adf == 1 && adr == 2) || (adf == 2 && adr == 1);
    case EnumB: return adf == 1 && adr == 1;
    case EnumR: return adf + adr == 1;
    case EnumQ: return adf <= 1 && adr <= 1;
    default: return false;
    }
}

void BuildSquarePairMap(i32 type, u8 map[64][64], u8 count[64]) {
    for (i32 king = 0; king < 64; king++) {
        u8 ordinal = 0;
        for (i32 sq = 0; sq < 64; sq++) {
            map[king][sq] = NotAllowed;
            if (!ExcludedSquare(type, king, sq)) map[king][sq] = ordinal++;
        }
        count[king] = ordinal;
    }
}

// Places of a type for the pair: the first king takes one when it stands on
// an allowed square.
u32 Places(i32 type, i32 firstKing, i32 secondKing) {
    return EnumSquareCount[type][secondKing] -
           (EnumSquareMap[type][secondKing][firstKing] != NotAllowed ? 1 : 0);
}

// Slots of one king pair for a group of count men with descending types.
u32 GroupSlots(i32 count, const i32* types, i32 firstKing, i32 secondKing) {
    const u32 a = Places(types[0], firstKing, secondKing);
    if (count == 1) return a;
    const u32 b = Places(types[1], firstKing, secondKing);
    if (count == 2) return types[0] == types[1] ? u32(Choose2(a)) : a * b;
    const u32 c = Places(types[2], firstKing, secondKing);
    if (types[0] == types[1] && types[1] == types[2]) return u32(Choose3(a));
    if (types[0] == types[1]) return u32(Choose2(a)) * c;
    if (types[1] == types[2]) return u32(Choose2(b)) * a;
    return a * b * c;
}

// Running sums over the king pairs in pair order; returns the total.
u32 CountGroupPositions(std::vector<u32>& base, const KingPairTable& pairs, i32 count,
                        const i32* types) {
    u32 sum = 0;
    for (i32 first = 0; first < 64; first++) {
        for (i32 second = 0; second < 64; second++) {
            const i16 pair = pairs[first][second];
            if (pair == NoKingPair) continue;
            base[pair] = sum;
            sum += GroupSlots(count, types, first, second);
        }
    }
    return sum;
}

}  // namespace

const std::array<u32, 64> SquareFlipMask = MakeFlipMask();
const std::array<u32, 64> DiagonalFlip = MakeDiagonalFlip();
const std::array<u32, 64> FileMirrorMask = MakeFileMirrorMask();
const std::array<u32, 2> FlipRankMask = {0, 56};
const std::array<u8, 64> CanonicalTriangle = MakeCanonicalTriangle();
const std::array<u8, 64> OffMainDiagonal = MakeOffMainDiagonal();
const std::array<u8, 64> DiagonalLowerHalf = MakeDiagonalLowerHalf();
const std::array<std::array<i16, 64>, 64> KingPairIndexPawnless = MakeKingPairs(false);
const std::array<std::array<i16, 64>, 64> KingPairIndexPawns = MakeKingPairs(true);

u8 EnumSquareMap[EnumTypeCount][64][64];
u8 EnumSquareCount[EnumTypeCount][64];
std::vector<u32> EnumBase1Pawns[EnumTypeCount];
std::vector<u32> EnumBase1Pawnless[EnumTypeCount];
std::vector<u32> EnumBase2Pawns[EnumTypeCount][EnumTypeCount];
std::vector<u32> EnumBase2Pawnless[EnumTypeCount][EnumTypeCount];
std::vector<u32> EnumBase3Pawns[EnumTypeCount][EnumTypeCount][EnumTypeCount];
std::vector<u32> EnumBase3Pawnless[EnumTypeCount][EnumTypeCount][EnumTypeCount];
u32 EnumTotal1Pawns[EnumTypeCount];
u32 EnumTotal1Pawnless[EnumTypeCount];
u32 EnumTotal2Pawns[EnumTypeCount][EnumTypeCount];
u32 EnumTotal2Pawnless[EnumTypeCount][EnumTypeCount];
u32 EnumTotal3Pawns[EnumTypeCount][EnumTypeCount][EnumTypeCount];
u32 EnumTotal3Pawnless[EnumTypeCount][EnumTypeCount][EnumTypeCount];

namespace {

std::vector<u32>* BaseSlot(bool pawns, i32 count, const i32* t) {
    if (count == 1) return pawns ? &EnumBase1Pawns[t[0]] : &EnumBase1Pawnless[t[0]];
    if (count == 2) return pawns ? &EnumBase2Pawns[t[0]][t[1]] : &EnumBase2Pawnless[t[0]][t[1]];
    return pawns ? &EnumBase3Pawns[t[0]][t[1]][t[2]] : &EnumBase3Pawnless[t[0]][t[1]][t[2]];
}

u32* TotalSlot(bool pawns, i32 count, const i32* t) {
    if (count == 1) return pawns ? &EnumTotal1Pawns[t[0]] : &EnumTotal1Pawnless[t[0]];
    if (count == 2) return pawns ? &EnumTotal2Pawns[t[0]][t[1]] : &EnumTotal2Pawnless[t[0]][t[1]];
    return pawns ? &EnumTotal3Pawns[t[0]][t[1]][t[2]] : &EnumTotal3Pawnless[t[0]][t[1]][t[2]];
}

void CountTable(bool pawns, i32 count, const i32* types) {
    std::vector<u32>& base = *BaseSlot(pawns, count, types);
    base.assign(pawns ? PawnKingPairs : PawnlessKingPairs, 0);
    *TotalSlot(pawns, count, types) =
        CountGroupPositions(base, pawns ? KingPairIndexPawns : KingPairIndexPawnless, count, types);
}

}  // namespace

void BuildEnumerationTables() {
    for (i32 type = 0; type < EnumTypeCount; type++)
        BuildSquarePairMap(type, EnumSquareMap[type], EnumSquareCount[type]);
    // The pawn type p joins groups only with its own kind (pp, ppp); pawnless
    // groups hold pieces only.
    for (i32 t1 = 0; t1 < EnumTypeCount; t1++) {
        const i32 one[1] = {t1};
        CountTable(true, 1, one);
        if (t1 >= EnumN) CountTable(false, 1, one);
        for (i32 t2 = t1 == 0 ? 0 : 1; t2 <= t1; t2++) {
            const i32 two[2] = {t1, t2};
            CountTable(true, 2, two);
            if (t2 >= EnumN) CountTable(false, 2, two);
            for (i32 t3 = t1 == 0 ? 0 : 1; t3 <= t2; t3++) {
                const i32 three[3] = {t1, t2, t3};
                if (t3 >= EnumN) CountTable(false, 3, three);
                CountTable(true, 3, three);
            }
        }
    }
}

const std::vector<u32>* EnumBaseTable(bool pawns, i32 count, const i32* types) {
    const std::vector<u32>* base = BaseSlot(pawns, count, types);
    return base->empty() ? nullptr : base;
}

u32 EnumTotal(bool pawns, i32 count, const i32* types) {
    return *TotalSlot(pawns, count, types);
}

void* TablebaseAlloc(u64 size) {
    void* memory = size <= SIZE_MAX ? std::malloc(size_t(size)) : nullptr;
    if (memory == nullptr) {
        std::printf("*** Cannot allocate %" PRIu64 " bytes of memory\n", size);
        std::fflush(stdout);
        std::exit(1);
    }
    return memory;
}
