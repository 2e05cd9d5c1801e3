#include "search/trans_table.h"

#include "board/board.h"
#include "board/keys.h"
#include "board/make_move.h"
#include "search/search_limits.h"

TransEntry* TransTable = nullptr;
u32 TransEntries = DefaultTransEntries;
i32 TransFillCount = 0;
i32 ProbedBoundScore = 0;
u16 ProbedHashFlags = 0;

u64 ComputeSearchKey() {
    u64 key = board.HashKey;
    // En passant only counts when a capture is possible at all; pins are not
    // looked at.
    if (GamePly > 0) {
        const Move last = GameHistory[GamePly - 1].Move;
        const Square from = MoveFrom(last), to = MoveTo(last);
        const bool doubleStep = MovePiece(last) == PAWN && ((from ^ to) & 8) == 0;
        if (doubleStep) {
            const u64 ownPawns = board.Bitboards[PAWN][board.SideToMove];
            const i32 file = FileOf(to);
            if ((file > 0 && (ownPawns & SquareBit(to - 1))) ||
                (file < 7 && (ownPawns & SquareBit(to + 1))))
                key ^= ZobristEnPassant[file];
        }
    }
    return key ^ ZobristCastle[board.CastlingFlags];
}

TransEntry* FindTransEntry(u64 key, Side side) {
    if (TransEntries == 0) return nullptr;
    TransEntry* bucket = TransBucket(key, side);
    for (i32 i = 0; i < TransBucketSize; i++) {
        TransEntry& entry = bucket[i];
        // Buckets fill front to back: an empty entry ends the walk.
        if (entry.packed == 0) return nullptr;
        if (TransEntryMatches(entry, key, side)) return &entry;
    }
    return nullptr;
}

TransEntry* ProbeNodeEntry(u64 key, Side side) {
    ProbedHashFlags = 0;
    TransEntry* entry = FindTransEntry(key, side);
    if (entry) {
        entry->age = TransAge;
        ProbedHashFlags = entry->flags;
    }
    return entry;
}

i32 ScoreToTrans(i32 score, u32 bound) {
    if (bound == LowerBound) return score > MateBound ? MateBound : score;
    if (bound == UpperBound) return score < -MateBound ? -MateBound : score;
    if (score > MateBound) return score + SearchPly;
    if (score < -MateBound) return score - SearchPly;
    return score;
}

i32 ScoreFromTrans(i32 score, u32 bound) {
    if (bound != ExactBound) return score;
    if (score > MateBound) return score - SearchPly;
    if (score < -MateBound) return score + SearchPly;
    return score;
}

// Replacement preference among the other positions' entries of a bucket:
// an entry from an earlier search goes before one of this search, and
// between two of the same kind the shallower goes first.
static bool ReplaceBefore(const TransEntry& entry, const TransEntry& preferred) {
    const bool entryOld = entry.age != TransAge, preferredOld = preferred.age != TransAge;
    if (entryOld != preferredOld) return entryOld;
    return entry.depth < preferred.depth;
}

void StoreHash(i32 depth, u32 move, i32 score, u32 bound, u32 mateThreat, u16 flags) {
    if (TransEntries == 0) return;
    const Side side = board.SideToMove;
    const u64 key = ComputeSearchKey();
    TransEntry* bucket = TransBucket(key, side);

    TransEntry* target = nullptr;
    TransEntry* candidate = nullptr;
    for (i32 i = 0; i < TransBucketSize; i++) {
        TransEntry& entry = bucket[i];
        if (entry.packed == 0) {
            target = &entry;
            break;
        }
        if (TransEntryMatches(entry, key, side)) {
            // The same position: its memo bits always merge, but a deeper
            // result is never replaced by a shallower one.
            entry.age = TransAge;
            entry.flags |= flags;
            flags = entry.flags;
            if (depth < entry.depth) return;
            target = &entry;
            break;
        }
        if (candidate == nullptr || ReplaceBefore(entry, *candidate)) candidate = &entry;
    }
    if (target == nullptr) {
        target = candidate;
        if (target->age == TransAge && target->depth > depth) return;
    }
    if (target->packed == 0 || target->age != TransAge) TransFillCount += 1;

    target->key.Set(key);
    target->depth = i16(depth);
    target->score = i16(ScoreToTrans(score, bound));
    target->age = TransAge;
    target->flags = flags;
    target->packed = (move & TransMoveMask) | bound << TransBoundShift |
                     u32(side) << TransSideShift | (mateThreat ? TransMateThreat : 0);
}

i32 ProbeHashBound(i32 depth, i32 limit) {
    const TransEntry* entry = FindTransEntry(ComputeSearchKey(), board.SideToMove);
    if (entry == nullptr || entry->depth < depth) return 0;
    const u32 bound = TransBound(*entry);
    if (bound == LowerBound) return 0;
    const i32 score = ScoreFromTrans(entry->score, bound);
    if (score > limit) return 0;
    ProbedBoundScore = score;
    return 1;
}

i32 ProbeHash(i32* alpha, i32* beta, u32* move, i32* usable, i32 moveOnly) {
    TransEntry* entry = ProbeNodeEntry(ComputeSearchKey(), board.SideToMove);
    if (entry == nullptr) return 0;
    *move = TransMove(*entry);
    const u32 bound = TransBound(*entry);
    const i32 score = ScoreFromTrans(entry->score, bound);
    const bool decides = !moveOnly && !(bound == UpperBound && score > *alpha) &&
                         !(bound == LowerBound && score < *beta);
    *usable = decides ? 1 : 0;
    if (decides) *alpha = score;
    return 1;
}

i32 ProbeHashMove(u32* move) {
    const TransEntry* entry = FindTransEntry(ComputeSearchKey(), board.SideToMove);
    if (entry == nullptr) return 0;
    *move = TransMove(*entry);
    return *move != 0;
}

u32 GetHashMove() {
    const TransEntry* entry = FindTransEntry(ComputeSearchKey(), board.SideToMove);
    return entry ? TransMove(*entry) : 0;
}
