// The tablebase probe: the table for the material on the board, the index of
// the position in it and the stored value as a score for the search.
#include "tablebase/tablebase.h"

#include <cstdlib>

#include "board/attacks.h"
#include "board/board.h"
#include "board/make_move.h"
#include "tablebase/block_cache.h"
#include "tablebase/index/table_indexer.h"
#include "tablebase/material_trie.h"
#include "tablebase/registry.h"
#include "tablebase/table_file_state.h"

namespace {

constexpr i32 KppkpId = 36;
// Seven black-to-move positions of kppkp whose stored byte cannot be
// trusted: each is lost at once for Black.
constexpr u64 KppkpLostIndices[] = {56802428, 56811076, 56849992, 56858640,
                                    59592489, 67775659, 71071628};
constexpr i32 KppkpLostValue = -32639;

// The stored byte as a raw value: 32640 + b for a win, b - 32640 for a loss.
constexpr i32 RawFromStoredByte(i32 b) {
    if (b == 0) return 0;
    if (b == -128) return 32640;
    if (b == -127) return -32640;
    return b > 0 ? 32640 + b : b - 32640;
}

// The first slot of each man type in the piece lists, by PieceType.
constexpr PieceType ListedTypes[] = {PAWN, KNIGHT, BISHOP, ROOK, QUEEN};
constexpr i32 MaxMenOfOneType = 3;
constexpr u64 PawnRanks2To7 = 0x00FFFFFFFFFFFF00ull;

// Writes a side's men into its list; false when a type has more men than any
// table holds.
bool FillPieceList(i32 side, u32* list, i32* counts) {
    for (i32 kind = 0; kind < 5; ++kind) {
        u64 men = board.Bitboards[ListedTypes[kind]][side];
        i32 count = 0;
        while (men) {
            if (count == MaxMenOfOneType) return false;
            list[kind * SlotsPerKind + count] = u32(PopLowest(men));
            count += 1;
        }
        counts[kind] = count;
    }
    return true;
}

// Kings apart and pawns on ranks 2-7: only such positions have a table slot.
bool TableCanHoldBoard() {
    const i32 whiteKing = board.KingSquare[WHITE], blackKing = board.KingSquare[BLACK];
    // Kings on one square or next to each other.
    if (std::abs((whiteKing & 7) - (blackKing & 7)) <= 1 && std::abs((whiteKing >> 3) - (blackKing >> 3)) <= 1)
        return false;
    const u64 pawns = board.Bitboards[PAWN][WHITE] | board.Bitboards[PAWN][BLACK];
    return (pawns & ~PawnRanks2To7) == 0;
}

// The square a pawn passed over with the last move when a pawn of the side
// to move stands beside it, NoEnPassant otherwise.
u32 EnPassantSquare(i32 sideToMove) {
    if (GamePly <= 0) return NoEnPassant;
    const Move last = GameHistory[GamePly - 1].Move;
    const i32 from = MoveFrom(last), to = MoveTo(last);
    if (MovePiece(last) != PAWN || std::abs(from - to) != 16) return NoEnPassant;
    const u64 capturers = board.Bitboards[PAWN][sideToMove];
    const bool left = (to & 7) != 0 && (capturers >> (to - 1) & 1);
    const bool right = (to & 7) != 7 && (capturers >> (to + 1) & 1);
    return left || right ? u32((from + to) / 2) : NoEnPassant;
}

}  // namespace

i32 ProbeTableValue(i32 tableId, i32 side, u64 index) {
    const TablebaseRegistryEntry& entry = TablebaseRegistry[tableId];
    // An index beyond the stored positions belongs to no legal position.
    if (index >= entry.indexSize[side]) return NoTableValue;
    if (entry.flags & TbSymmetric) side = 0;
    if (TableCacheBlockCount == 0 || TablebaseFiles[tableId].cacheChains[side] == nullptr)
        return NoTableValue;

    if (entry.flags & TbTwoByte) {
        const u32 block = u32(index >> 12), offset = u32(index & 4095) * 2;
        const i32 low = ReadTableByte(tableId, side, block, offset);
        if (low == NoTableByte) return NoTableValue;
        const i32 high = ReadTableByte(tableId, side, block, offset + 1);
        if (high == NoTableByte) return NoTableValue;
        const i32 value = high * 256 + (low & 255);
        // Beyond the scores of the longest mate: not a value.
        return value < -32766 ? NoTableValue : value;
    }

    if (tableId == KppkpId && side == BLACK)
        for (const u64 lost : KppkpLostIndices)
            if (index == lost) return KppkpLostValue;
    const i32 b = ReadTableByte(tableId, side, u32(index >> 13), u32(index & 8191));
    if (b == NoTableByte) return NoTableValue;
    return RawFromStoredByte(b);
}

i32 TablebaseScore(i32 rawValue) {
    if (rawValue > 0) return 2 * rawValue - 32834;
    if (rawValue < 0) return 2 * rawValue + 32832;
    return 0;
}

i32 ProbeTablebase(i32 sideJustMoved, i32* score) {
    u32 lists[2][16] = {};
    i32 counts[MaterialCountSlots];
    if (!FillPieceList(WHITE, lists[WHITE], counts) || !FillPieceList(BLACK, lists[BLACK], counts + 5))
        return 0;
    i32 id = LookupMaterialTrie(counts);
    if (id == 0 || !TableCanHoldBoard()) return 0;
    lists[WHITE][KingSlot] = u32(board.KingSquare[WHITE]);
    lists[BLACK][KingSlot] = u32(board.KingSquare[BLACK]);

    // A negative id: the table's first side is Black on the board.
    const i32 sideToMove = 1 - sideJustMoved;
    const i32 flip = id < 0 ? 1 : 0;
    id = std::abs(id);
    const i32 tableSide = flip ? sideJustMoved : sideToMove;
    const u32* first = lists[flip ? BLACK : WHITE];
    const u32* second = lists[flip ? WHITE : BLACK];

    // A table side none of whose files is (still) known is not probed.
    const TablebaseRegistryEntry& entry = TablebaseRegistry[id];
    const i32 fileSide = (entry.flags & TbSymmetric) ? 0 : tableSide;
    const i32 extents = TableExtentCount(entry, tableSide);
    bool anyFile = false;
    for (i32 extent = 0; extent < extents; ++extent)
        anyFile = anyFile || TablebaseFiles[id].fileName[fileSide][extent] != nullptr;
    if (!anyFile || entry.indexFn[tableSide] == nullptr) return 0;

    const u64 index = entry.indexFn[tableSide](first, second, EnPassantSquare(sideToMove), flip);
    const i32 value = ProbeTableValue(id, tableSide, index);
    if (value == NoTableValue) return 0;
    *score = TablebaseScore(value);
    return 1;
}
