// Six-man index functions: the stored sizes of the pawnless tables follow
// from their last king pair, random legal positions of the pawn tables index
// below the stored sizes, and indexes stay the same under the board
// symmetries the frames fold away.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "support/sanitizer_build.h"
#include "tablebase/index/indexers.h"
#include "tablebase/index_positions.h"
#include "tablebase/registry.h"

namespace {

class SixManIndex : public ::testing::Test {
protected:
    static void SetUpTestSuite() { BuildTablebaseIndexTables(); }
};

u32* ListOf(IndexLists& lists, i32 side) { return side == 0 ? lists.white : lists.black; }
const u32* ListOf(const IndexLists& lists, i32 side) { return side == 0 ? lists.white : lists.black; }

// Size rule of the pawnless six-man tables: R x (1 + g), g the largest mover
// index in king pair 461 with the mover's men on squares of their own.
TEST_F(SixManIndex, PawnlessSizesFollowTheLastKingPair) {
    if (SanitizerBuild()) GTEST_SKIP() << "too slow under the sanitizers";
    i32 sides = 0;
    for (i32 id = 146; id < TablebaseCount; id++) {
        const TablebaseRegistryEntry& entry = TablebaseRegistry[id];
        const std::vector<TableMan> men = MenOfTable(entry.name);
        if (std::any_of(men.begin(), men.end(), [](const TableMan& m) { return m.kind == 'p'; })) continue;
        for (i32 side = 0; side < 2; side++) {
            const IndexShape& shape = TableIndexShapes[id][side];
            std::vector<TableMan> movers, others;
            for (size_t i = 2; i < men.size(); i++) (men[i].side == side ? movers : others).push_back(men[i]);
            IndexLists lists = MakeIndexLists("", "");
            ListOf(lists, side)[15] = SquareOf("d4");
            ListOf(lists, side ^ 1)[15] = SquareOf("h8");
            u64 largest = 0;
            const i32 n = i32(movers.size());
            const u64 kings = SquareBit(i32(SquareOf("d4"))) | SquareBit(i32(SquareOf("h8")));
            for (i32 a = 0; a < 64; a++) {
                for (i32 b = 0; b < (n > 1 ? 64 : 1); b++) {
                    for (i32 c = 0; c < (n > 2 ? 64 : 1); c++) {
                        const i32 sq[3] = {a, b, c};
                        u64 occupied = kings;
                        bool distinct = true;
                        for (i32 i = 0; i < n; i++) {
                            distinct &= !(occupied & SquareBit(sq[i]));
                            occupied |= SquareBit(sq[i]);
                            ListOf(lists, side)[movers[i].slot] = u32(sq[i]);
                        }
                        if (!distinct) continue;
                        // The other side's men on the lowest free squares.
                        i32 free = 0;
                        for (const TableMan& man : others) {
                            while (occupied & SquareBit(free)) free++;
                            ListOf(lists, side ^ 1)[man.slot] = u32(free++);
                        }
                        const u64 index = entry.indexFn[side](lists.white, lists.black, NoEnPassant, 0);
                        if (index != NoIndex) largest = std::max(largest, index / shape.freeRange);
                    }
                }
            }
            EXPECT_EQ(entry.indexSize[side], shape.freeRange * (1 + largest)) << entry.name << " " << side;
            sides++;
        }
    }
    EXPECT_EQ(sides, 270);
}

// A random legal position of the table with the side to move, with the
// en-passant target when the walk gave one.
struct RandomPosition {
    IndexLists lists;
    u32 enPassant = NoEnPassant;
};

RandomPosition DrawPosition(const std::vector<TableMan>& men, i32 side, std::mt19937& random) {
    RandomPosition position;
    for (;;) {
        position.lists = MakeIndexLists("", "");
        u64 occupied = 0;
        for (const TableMan& man : men) {
            const bool pawn = man.kind == 'p';
            i32 sq;
            do sq = pawn ? 8 + i32(random() % 48) : i32(random() % 64);
            while (occupied & SquareBit(sq));
            occupied |= SquareBit(sq);
            ListOf(position.lists, man.side)[man.slot] = u32(sq);
        }
        if (AttacksSquare('k', 0, i32(position.lists.white[15]), i32(position.lists.black[15]), 0)) continue;
        if (!LegalTablePosition(men, position.lists, side)) continue;
        // An en-passant target where the other side's pawn could have just
        // made its double step beside a pawn of the side to move.
        for (const TableMan& pushed : men) {
            if (pushed.kind != 'p' || pushed.side == side) continue;
            const i32 sq = i32(ListOf(position.lists, pushed.side)[pushed.slot]);
            const i32 back = side == WHITE ? 8 : -8;
            if (RankOf(sq) != (side == WHITE ? 4 : 3)) continue;
            if (occupied & (SquareBit(sq + back) | SquareBit(sq + 2 * back))) continue;
            for (const TableMan& taker : men) {
                const i32 from = i32(ListOf(position.lists, taker.side)[taker.slot]);
                if (taker.kind == 'p' && taker.side == side && RankOf(from) == RankOf(sq) &&
                    AbsDiff(FileOf(from), FileOf(sq)) == 1 && random() % 2)
                    position.enPassant = u32(sq + back);
            }
        }
        return position;
    }
}

u32 MirrorFiles(u32 sq) { return sq ^ 7; }
u32 MirrorRanks(u32 sq) { return sq ^ 56; }
u32 Transpose(u32 sq) { return (sq & 7) * 8 + (sq >> 3); }

template <typename Map>
IndexLists MapSquares(const std::vector<TableMan>& men, const IndexLists& lists, Map map) {
    IndexLists mapped = lists;
    for (const TableMan& man : men)
        ListOf(mapped, man.side)[man.slot] = map(ListOf(lists, man.side)[man.slot]);
    return mapped;
}

// Like men swapped between their slots.
IndexLists RotateLikeMen(const std::vector<TableMan>& men, const IndexLists& lists) {
    IndexLists rotated = lists;
    for (size_t i = 0; i + 1 < men.size(); i++) {
        if (men[i].side == men[i + 1].side && men[i].kind == men[i + 1].kind && men[i].kind != 'k')
            std::swap(ListOf(rotated, men[i].side)[men[i].slot], ListOf(rotated, men[i + 1].side)[men[i + 1].slot]);
    }
    return rotated;
}

bool BothOnDiagonal(u32 a, u32 b) {
    const bool main = FileOf(i32(a)) == RankOf(i32(a)) && FileOf(i32(b)) == RankOf(i32(b));
    const bool anti = FileOf(i32(a)) + RankOf(i32(a)) == 7 && FileOf(i32(b)) + RankOf(i32(b)) == 7;
    return main || anti;
}

// Every table, six-man ones above all (their sizes are not walked whole).
TEST_F(SixManIndex, RandomLegalPositionsIndexBelowStoredSizes) {
    std::mt19937 random(20140101);
    const i32 perSide = SanitizerBuild() ? 40 : 400;
    u64 positions = 0, enPassant = 0;
    for (i32 id = 1; id < TablebaseCount; id++) {
        const TablebaseRegistryEntry& entry = TablebaseRegistry[id];
        const std::vector<TableMan> men = MenOfTable(entry.name);
        const bool pawns = std::any_of(men.begin(), men.end(), [](const TableMan& m) { return m.kind == 'p'; });
        for (i32 side = 0; side < 2; side++) {
            for (i32 n = 0; n < perSide; n++) {
                const RandomPosition p = DrawPosition(men, side, random);
                const TableIndexer index = entry.indexFn[side];
                const u64 value = index(p.lists.white, p.lists.black, p.enPassant, 0);
                // Symmetric tables store black to move in the white file.
                const u64 size = entry.indexSize[side];
                ASSERT_LT(value, size) << entry.name << " side " << side;
                positions++;
                enPassant += p.enPassant != NoEnPassant;
                // Like men in any order.
                const IndexLists rotated = RotateLikeMen(men, p.lists);
                EXPECT_EQ(index(rotated.white, rotated.black, p.enPassant, 0), value) << entry.name;
                if (pawns) {
                    const IndexLists mirrored = MapSquares(men, p.lists, MirrorFiles);
                    const u32 ep = p.enPassant == NoEnPassant ? NoEnPassant : MirrorFiles(p.enPassant);
                    EXPECT_EQ(index(mirrored.white, mirrored.black, ep, 0), value) << entry.name;
                    // The colour-exchanged twin taken from the board with flip 1.
                    const IndexLists flipped = MapSquares(men, p.lists, MirrorRanks);
                    const u32 flippedEp = p.enPassant == NoEnPassant ? NoEnPassant : MirrorRanks(p.enPassant);
                    EXPECT_EQ(index(flipped.white, flipped.black, flippedEp, 1), value) << entry.name;
                } else if (!BothOnDiagonal(p.lists.white[15], p.lists.black[15])) {
                    for (i32 symmetry = 1; symmetry < 8; symmetry++) {
                        const IndexLists image = MapSquares(men, p.lists, [symmetry](u32 sq) {
                            if (symmetry & 1) sq = MirrorFiles(sq);
                            if (symmetry & 2) sq = MirrorRanks(sq);
                            if (symmetry & 4) sq = Transpose(sq);
                            return sq;
                        });
                        EXPECT_EQ(index(image.white, image.black, NoEnPassant, 0), value)
                            << entry.name << " symmetry " << symmetry;
                    }
                }
                // Pawnless functions read neither the en-passant square nor the flip.
                if (!pawns) {
                    EXPECT_EQ(index(p.lists.white, p.lists.black, 20, 1), value) << entry.name;
                }
                // Symmetric tables: black to move is white to move of the swapped lists.
                if (side == BLACK && (entry.flags & TbSymmetric)) {
                    EXPECT_EQ(entry.indexFn[WHITE](p.lists.black, p.lists.white, p.enPassant, 1), value) << entry.name;
                }
            }
        }
    }
    if (!SanitizerBuild()) {
        EXPECT_GT(positions, 100000u);
    }
    EXPECT_GT(enPassant, 0u);
}

}  // namespace
