// Every 3-, 4- and 5-man table side stores exactly 1 + the largest index of
// a legal position. The largest index lies in the last king pair (and, for
// tables with a pawn on each side, in the last pair of the en-passant
// range), so only the positions of that pair are walked.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

#include "support/sanitizer_build.h"
#include "tablebase/index/indexers.h"
#include "tablebase/index_positions.h"
#include "tablebase/registry.h"

namespace {

class TableSizes : public ::testing::Test {
protected:
    static void SetUpTestSuite() { BuildTablebaseIndexTables(); }
};

// Calls visit for every placement of the men after the kings on free squares.
void PlaceMen(const std::vector<TableMan>& men, size_t next, IndexLists& lists, u64 occupied,
              const std::function<void(const IndexLists&)>& visit) {
    if (next == men.size()) {
        visit(lists);
        return;
    }
    const TableMan& man = men[next];
    u32* list = man.side == 0 ? lists.white : lists.black;
    const bool pawn = man.kind == 'p';
    for (i32 sq = pawn ? 8 : 0; sq < (pawn ? 56 : 64); sq++) {
        if (occupied & SquareBit(sq)) continue;
        list[man.slot] = u32(sq);
        PlaceMen(men, next + 1, lists, occupied | SquareBit(sq), visit);
    }
}

// En-passant targets open to the side to move: the other side's pawn just
// made a double step past an empty square, and a pawn stands beside it.
std::vector<u32> EnPassantTargets(const std::vector<TableMan>& men, const IndexLists& lists,
                                  i32 sideToMove, u64 occupied) {
    const u32* squares[2] = {lists.white, lists.black};
    std::vector<u32> targets;
    for (const TableMan& pushed : men) {
        if (pushed.kind != 'p' || pushed.side == sideToMove) continue;
        const i32 sq = i32(squares[pushed.side][pushed.slot]);
        const i32 forward = sideToMove == WHITE ? -8 : 8;  // the pushed pawn's direction
        if (RankOf(sq) != (sideToMove == WHITE ? 4 : 3)) continue;
        const i32 target = sq - forward, origin = sq - 2 * forward;
        if (occupied & (SquareBit(target) | SquareBit(origin))) continue;
        for (const TableMan& taker : men) {
            if (taker.kind != 'p' || taker.side != sideToMove) continue;
            const i32 from = i32(squares[taker.side][taker.slot]);
            if (RankOf(from) == RankOf(sq) && AbsDiff(FileOf(from), FileOf(sq)) == 1) {
                targets.push_back(u32(target));
                break;
            }
        }
    }
    return targets;
}

struct LargestIndex {
    u64 largest = 0;
    u64 positions = 0;
    u64 withoutIndex = 0;
};

// Walks the positions with the kings on the squares given.
LargestIndex WalkPair(i32 id, i32 side, u32 whiteKing, u32 blackKing, bool enPassant) {
    const TablebaseRegistryEntry& entry = TablebaseRegistry[id];
    const std::vector<TableMan> men = MenOfTable(entry.name);
    IndexLists lists = MakeIndexLists("", "");
    lists.white[15] = whiteKing;
    lists.black[15] = blackKing;
    LargestIndex result;
    PlaceMen(men, 2, lists, SquareBit(i32(whiteKing)) | SquareBit(i32(blackKing)),
             [&](const IndexLists& placed) {
                 if (!LegalTablePosition(men, placed, side)) return;
                 std::vector<u32> targets = {NoEnPassant};
                 if (enPassant) {
                     u64 occupied = 0;
                     for (const TableMan& man : men)
                         occupied |= SquareBit(i32((man.side ? placed.black : placed.white)[man.slot]));
                     targets = EnPassantTargets(men, placed, side, occupied);
                 }
                 for (u32 target : targets) {
                     const u64 index = entry.indexFn[side](placed.white, placed.black, target, 0);
                     result.positions++;
                     if (index == NoIndex) result.withoutIndex++;
                     else result.largest = std::max(result.largest, index);
                 }
             });
    return result;
}

void CheckSizes(i32 firstId, i32 lastId) {
    for (i32 id = firstId; id <= lastId; id++) {
        const TablebaseRegistryEntry& entry = TablebaseRegistry[id];
        for (i32 side = 0; side < 2; side++) {
            if (side == BLACK && (entry.flags & TbSymmetric)) continue;
            const IndexShape& shape = TableIndexShapes[id][side];
            // The last pair: first king d4 / h8 without pawns, d8 / h8 with
            // pawns in the enumeration frame (a rank mirror for Black's group).
            const u32 mirror = shape.enumMirror ? 56 : 0;
            u32 first = shape.pawnFrame ? SquareOf("d8") ^ mirror : SquareOf("d4");
            u32 second = shape.pawnFrame ? SquareOf("h8") ^ mirror : SquareOf("h8");
            LargestIndex walk = side == WHITE ? WalkPair(id, side, first, second, false)
                                              : WalkPair(id, side, second, first, false);
            if (shape.enPassant) {
                // The en-passant range is counted in the free frame.
                first = SquareOf("d8");
                second = SquareOf("h8");
                const LargestIndex ep = side == WHITE ? WalkPair(id, side, first, second, true)
                                                      : WalkPair(id, side, second, first, true);
                ASSERT_GT(ep.positions, 0u) << entry.name;
                walk.largest = std::max(walk.largest, ep.largest);
                walk.withoutIndex += ep.withoutIndex;
            }
            EXPECT_EQ(walk.withoutIndex, 0u) << entry.name << " side " << side;
            EXPECT_EQ(walk.largest + 1, entry.indexSize[side]) << entry.name << " side " << side;
        }
    }
}

TEST_F(TableSizes, ThreeAndFourMen) { CheckSizes(1, 35); }

TEST_F(TableSizes, FiveMen) {
    if (SanitizerBuild()) GTEST_SKIP() << "too slow under the sanitizers";
    CheckSizes(36, 145);
}

// kpk: the legal positions with the side to move's king on files a-d take
// every index of the table once.
TEST_F(TableSizes, KpkIsOneToOne) {
    const std::vector<TableMan> men = MenOfTable("kpk");
    for (i32 side = 0; side < 2; side++) {
        std::vector<u8> seen(TablebaseRegistry[1].indexSize[side], 0);
        u64 positions = 0;
        for (u32 wk = 0; wk < 64; wk++) {
            for (u32 bk = 0; bk < 64; bk++) {
                if (FileOf(i32(side == WHITE ? wk : bk)) > 3) continue;
                for (u32 pawn = 8; pawn < 56; pawn++) {
                    IndexLists lists = MakeIndexLists("", "");
                    lists.white[15] = wk;
                    lists.black[15] = bk;
                    lists.white[0] = pawn;
                    if (AttacksSquare('k', 0, i32(wk), i32(bk), 0) ||
                        !LegalTablePosition(men, lists, side))
                        continue;
                    const u64 index = TablebaseRegistry[1].indexFn[side](lists.white, lists.black, NoEnPassant, 0);
                    ASSERT_LT(index, seen.size());
                    EXPECT_EQ(seen[index], 0) << "index " << index << " twice";
                    seen[index] = 1;
                    positions++;
                }
            }
        }
        EXPECT_EQ(positions, seen.size()) << "side " << side;
    }
}

}  // namespace
