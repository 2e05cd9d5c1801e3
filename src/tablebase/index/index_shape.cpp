// Index shapes from table names, and the index computation they drive.
#include "tablebase/index/index_shape.h"

#include <algorithm>
#include <cstring>

#include "tablebase/index/index_tables.h"
#include "tablebase/index/table_indexer.h"

namespace {

constexpr u8 PawnKind = 1;
constexpr const char* KindLetters = "?pnbrq";

enum class Family { Small, TwoAgainstOne, ThreeAgainstKing, SixPawnless, SixPawns };

// Orders up to three numbers ascending by compare-and-swap.
void SortSmall(u64* values, i32 count) {
    for (i32 i = 1; i < count; i++)
        for (i32 j = i; j > 0 && values[j - 1] > values[j]; j--) std::swap(values[j - 1], values[j]);
}

u64 Choose(u64 n, i32 k) {
    return k == 1 ? n : k == 2 ? Choose2(n) : Choose3(n);
}

i32 FirstSlot(const MenOfKind& men) { return (men.kind - 1) * SlotsPerKind; }

// Squares taken into account when a free digit is reduced: pawn digits count
// only the pawn-like ones (pawns and en-passant squares).
struct PlacedSquares {
    u32 squares[16];
    bool pawnLike[16];
    i32 count = 0;
    i32 pawnCount = 0;

    void Add(u32 sq, bool pawn) {
        squares[count] = sq;
        pawnLike[count] = pawn;
        count++;
        pawnCount += pawn;
    }
    u32 Below(u32 sq, bool pawnDigit) const {
        u32 below = 0;
        for (i32 i = 0; i < count; i++)
            below += (squares[i] < sq) & (!pawnDigit | pawnLike[i]);
        return below;
    }
};

// Digit of like men on squares sq[0..count): each reduced by the placed
// squares below it (a pawn by its ranks too), never by its fellows; the
// reduced numbers ordered and combined into one combination number.
struct Digit {
    u64 value;
    u64 radix;
};

Digit LikeMenDigit(const u32* squares, i32 count, bool pawn, const PlacedSquares& placed) {
    u64 reduced[3] = {0, 0, 0};
    for (i32 i = 0; i < count; i++)
        reduced[i] = squares[i] - (pawn ? 8u : 0u) - placed.Below(squares[i], pawn);
    SortSmall(reduced, count);
    u64 value = 0;
    for (i32 i = 0; i < count; i++) value += Choose(reduced[i], i + 1);
    const u64 free = pawn ? 48 - placed.pawnCount : 64 - placed.count;
    return {value, Choose(free, count)};
}

// The enumerated group's number within its king pair: like men first (one
// combination digit), then single men by descending type, each a digit of
// radix the number of places of its type. NoIndex when a man stands where
// its type may not.
u64 GroupNumber(const MenOfKind* kinds, i32 kindCount, const u32 (*squares)[16], u32 firstKing,
                u32 secondKing, bool otherPawns) {
    u64 number = 0;
    for (i32 k = 0; k < kindCount; k++) {
        const MenOfKind& men = kinds[k];
        const i32 type = men.kind == PawnKind && otherPawns ? i32(EnumP_Other) : i32(men.kind);
        const u8* map = EnumSquareMap[type][secondKing];
        const bool kingTakesPlace = map[firstKing] != NotAllowed;
        u64 ranks[3] = {0, 0, 0};
        for (i32 i = 0; i < men.count; i++) {
            const u32 sq = squares[men.list][FirstSlot(men) + i];
            if (map[sq] == NotAllowed) return NoIndex;
            ranks[i] = map[sq] - (kingTakesPlace && sq > firstKing ? 1 : 0);
        }
        SortSmall(ranks, men.count);
        u64 digit = 0;
        for (i32 i = 0; i < men.count; i++) digit += Choose(ranks[i], i + 1);
        const u64 places = EnumSquareCount[type][secondKing] - (kingTakesPlace ? 1 : 0);
        number = number * Choose(places, men.count) + digit;
    }
    return number;
}

// Like kinds first, then descending type: the digit order of a group.
void OrderGroup(MenOfKind* kinds, i32 count) {
    std::stable_sort(kinds, kinds + count, [](const MenOfKind& a, const MenOfKind& b) {
        if ((a.count > 1) != (b.count > 1)) return a.count > 1;
        return a.kind > b.kind;
    });
}

bool IsPawns(const MenOfKind& men) { return men.kind == PawnKind; }

// Piece kinds of a side (its pawns left out), in name order.
i32 PieceKinds(const IndexShape& shape, i32 side, MenOfKind* out) {
    i32 n = 0;
    for (i32 k = 0; k < shape.men[side]; k++)
        if (!IsPawns(shape.sideMen[side][k])) out[n++] = shape.sideMen[side][k];
    return n;
}

i32 PawnCount(const IndexShape& shape, i32 side) {
    for (i32 k = 0; k < shape.men[side]; k++)
        if (IsPawns(shape.sideMen[side][k])) return shape.sideMen[side][k].count;
    return 0;
}

Family FamilyOf(const IndexShape& shape, i32 whiteMen, i32 blackMen) {
    const i32 men = 2 + whiteMen + blackMen;
    if (men <= 4) return Family::Small;
    if (men == 5) return blackMen == 1 ? Family::TwoAgainstOne : Family::ThreeAgainstKing;
    return shape.pawnFrame ? Family::SixPawns : Family::SixPawnless;
}

// Placement order of the free men. Pawns are always placed first. Six-man
// tables with pawns then place two free men in reverse name order and three
// in name order; every other family places single pieces in name order
// before a like group of pieces.
void OrderPlacement(IndexShape& shape, Family family, i32 freeMen) {
    // Six-man tables with pawns give two free men of different kinds in
    // reverse name order, for placing and for digits alike.
    if (family == Family::SixPawns && freeMen == 2 && shape.digitCount == 2) {
        std::swap(shape.digits[0], shape.digits[1]);
        shape.placement[0] = 0;
        shape.placement[1] = 1;
        return;
    }
    std::vector<u8> order;
    for (i32 d = 0; d < shape.digitCount; d++)
        if (IsPawns(shape.digits[d])) order.push_back(u8(d));
    if (family == Family::SixPawns) {
        for (i32 d = 0; d < shape.digitCount; d++)
            if (!IsPawns(shape.digits[d])) order.push_back(u8(d));
    } else {
        for (i32 d = 0; d < shape.digitCount; d++)
            if (!IsPawns(shape.digits[d]) && shape.digits[d].count == 1) order.push_back(u8(d));
        for (i32 d = 0; d < shape.digitCount; d++)
            if (!IsPawns(shape.digits[d]) && shape.digits[d].count > 1) order.push_back(u8(d));
    }
    std::copy(order.begin(), order.end(), shape.placement);
}

// Both sides hold the same men ("krpkrp").
bool SidesAlike(const char* name) {
    const char* second = std::strchr(name + 1, 'k');
    return second != nullptr && std::strlen(second + 1) == size_t(second - name - 1) &&
           std::strncmp(name + 1, second + 1, size_t(second - name - 1)) == 0;
}

// Radices of the free digits when placed in placement order.
void FreeRadices(const IndexShape& shape, u64* radices) {
    i32 placed = 2 + shape.groupSize;
    i32 placedPawns = 0;
    for (i32 k = 0; k < shape.groupKinds; k++)
        if (IsPawns(shape.group[k])) placedPawns += shape.group[k].count;
    for (i32 p = 0; p < shape.digitCount; p++) {
        const MenOfKind& men = shape.digits[shape.placement[p]];
        radices[shape.placement[p]] =
            IsPawns(men) ? Choose(48 - placedPawns, men.count) : Choose(64 - placed, men.count);
        placed += men.count;
        if (IsPawns(men)) placedPawns += men.count;
    }
}

// Lead of the en-passant sub-range: the side to move's pieces as a group in
// the free frame, or the king pair when it has none.
// Returns the number of men; kindCount receives the number of kinds.
i32 LeadKinds(const IndexShape& shape, MenOfKind* kinds, i32* types, i32* kindCount) {
    *kindCount = PieceKinds(shape, shape.mover, kinds);
    OrderGroup(kinds, *kindCount);
    i32 size = 0;
    for (i32 k = 0; k < *kindCount; k++)
        for (i32 i = 0; i < kinds[k].count; i++) types[size++] = kinds[k].kind;
    std::sort(types, types + size, std::greater<i32>());
    return size;
}

u64 LeadRange(const IndexShape& shape) {
    MenOfKind kinds[3];
    i32 types[3], kindCount;
    const i32 size = LeadKinds(shape, kinds, types, &kindCount);
    return size == 0 ? PawnKingPairs : EnumTotal(true, size, types);
}

// Radices of the en-passant digits after the lead, in digit order: the other
// side's pieces, its other pawns, the side to move's other pawns, capture.
std::vector<ShapeDigit> EnPassantTail(const IndexShape& shape) {
    const i32 other = shape.mover ^ 1;
    MenOfKind pieces[3];
    const i32 otherPieces = PieceKinds(shape, other, pieces);
    const i32 moverOtherPawns = PawnCount(shape, shape.mover) - 1;
    const i32 otherOtherPawns = PawnCount(shape, other) - 1;
    i32 moverPieceMen = 0;
    for (i32 k = 0; k < shape.men[shape.mover]; k++)
        if (!IsPawns(shape.sideMen[shape.mover][k])) moverPieceMen += shape.sideMen[shape.mover][k].count;
    std::vector<ShapeDigit> digits;
    i32 placed = 6 + moverPieceMen + moverOtherPawns + otherOtherPawns;
    const char* letters = "XYZ";
    for (i32 k = 0; k < otherPieces; k++) {
        digits.push_back({std::string(pieces[k].count, letters[k]), Choose(64 - placed, pieces[k].count)});
        placed += pieces[k].count;
    }
    if (otherOtherPawns > 0)
        digits.push_back({std::string(otherOtherPawns, 'p'), Choose(44 - moverOtherPawns, otherOtherPawns)});
    if (moverOtherPawns > 0)
        digits.push_back({std::string(moverOtherPawns, 'P'), Choose(44, moverOtherPawns)});
    digits.push_back({"c", 14});
    return digits;
}

}  // namespace

IndexShape MakeIndexShape(const char* name, i32 sideToMove) {
    IndexShape shape;
    shape.mover = u8(sideToMove);
    // Men of each side by kind, in name order (q r b n p).
    const char* text = name + 1;
    for (i32 side = 0; side < 2; side++) {
        while (*text != '\0' && *text != 'k') {
            const u8 kind = u8(std::strchr(KindLetters, *text) - KindLetters);
            MenOfKind* last = shape.men[side] ? &shape.sideMen[side][shape.men[side] - 1] : nullptr;
            if (last && last->kind == kind) last->count++;
            else shape.sideMen[side][shape.men[side]++] = {u8(side), kind, 1};
            if (kind == PawnKind) shape.pawnFrame = true;
            text++;
        }
        if (*text == 'k') text++;
    }
    i32 menOf[2] = {0, 0};
    for (i32 side = 0; side < 2; side++)
        for (i32 k = 0; k < shape.men[side]; k++) menOf[side] += shape.sideMen[side][k].count;
    const Family family = FamilyOf(shape, menOf[0], menOf[1]);
    const i32 mover = sideToMove;
    const i32 other = mover ^ 1;

    // The group: the side to move's men, else the other side's pawns.
    i32 freeMen = menOf[other];
    if (shape.men[mover] > 0) {
        shape.groupKinds = shape.men[mover];
        std::copy(shape.sideMen[mover], shape.sideMen[mover] + shape.men[mover], shape.group);
    } else if (PawnCount(shape, other) > 0) {
        shape.groupKinds = 1;
        shape.group[0] = shape.sideMen[other][shape.men[other] - 1];
        shape.groupOtherPawns = true;
        freeMen -= shape.group[0].count;
    }
    OrderGroup(shape.group, shape.groupKinds);
    for (i32 k = 0; k < shape.groupKinds; k++)
        for (i32 i = 0; i < shape.group[k].count; i++)
            shape.groupTypes[shape.groupSize++] =
                shape.groupOtherPawns ? i32(EnumP_Other) : i32(shape.group[k].kind);
    std::sort(shape.groupTypes, shape.groupTypes + shape.groupSize, std::greater<i32>());
    const bool groupHasPawn =
        shape.groupKinds > 0 && std::any_of(shape.group, shape.group + shape.groupKinds, IsPawns);
    shape.enumMirror = shape.pawnFrame && sideToMove == BLACK && groupHasPawn;

    // Free men: the other side's men outside the group, digits in name order.
    for (i32 k = 0; k < shape.men[other]; k++) {
        const MenOfKind& men = shape.sideMen[other][k];
        if (shape.groupOtherPawns && IsPawns(men)) continue;
        shape.digits[shape.digitCount++] = men;
    }
    OrderPlacement(shape, family, freeMen);

    shape.groupRange = shape.groupSize == 0
                           ? u64(PawnlessKingPairs)
                           : EnumTotal(shape.pawnFrame, shape.groupSize, shape.groupTypes);
    u64 radices[MaxKinds];
    FreeRadices(shape, radices);
    for (i32 d = 0; d < shape.digitCount; d++) shape.freeRange *= radices[d];
    shape.mainRange = shape.groupRange * shape.freeRange;
    shape.range = shape.mainRange;
    shape.enPassant = PawnCount(shape, WHITE) > 0 && PawnCount(shape, BLACK) > 0;
    if (shape.enPassant) {
        u64 epRange = LeadRange(shape);
        for (const ShapeDigit& digit : EnPassantTail(shape)) epRange *= digit.radix;
        shape.range += epRange;
    }
    // The black side of a symmetric table with pawns is its white side with
    // the colours exchanged.
    shape.swapColours = sideToMove == BLACK && family == Family::SixPawns && SidesAlike(name);
    return shape;
}

std::vector<ShapeDigit> MainDigits(const IndexShape& shape) {
    u64 radices[MaxKinds];
    FreeRadices(shape, radices);
    std::vector<ShapeDigit> digits;
    const i32 other = shape.mover ^ 1;
    for (i32 d = 0; d < shape.digitCount; d++) {
        const MenOfKind& men = shape.digits[d];
        char letter = 'p';
        if (!IsPawns(men)) {
            MenOfKind pieces[3];
            const i32 n = PieceKinds(shape, other, pieces);
            for (i32 k = 0; k < n; k++)
                if (pieces[k].kind == men.kind) letter = "XYZ"[k];
        }
        digits.push_back({std::string(men.count, letter), radices[d]});
    }
    return digits;
}

std::vector<ShapeDigit> EnPassantDigits(const IndexShape& shape) {
    if (!shape.enPassant) return {};
    std::vector<ShapeDigit> digits = {{"lead", LeadRange(shape)}};
    for (const ShapeDigit& digit : EnPassantTail(shape)) digits.push_back(digit);
    return digits;
}

namespace {

// Squares of the en-passant capture in the free frame: the target e, the
// pushed pawn's origin, the pushed pawn and the capturing pawn, with the
// capture digit and which of each side's pawns they are.
struct EnPassantCapture {
    u32 squares[4];
    u32 digit;
    i32 capturingSlot;
    i32 pushedSlot;
};

EnPassantCapture FindCapture(const IndexShape& shape, const u32 (*squares)[16], u32 target) {
    EnPassantCapture capture;
    const bool whiteMoves = shape.mover == WHITE;
    const i32 moverPawns = PawnCount(shape, shape.mover);
    const i32 otherPawns = PawnCount(shape, shape.mover ^ 1);
    const u32 pushed = whiteMoves ? target - 8 : target + 8;
    const u32 origin = whiteMoves ? target + 8 : target - 8;
    // The lowest pawn that can take; with none, the highest.
    const u32* pawns = squares[shape.mover];
    i32 slot = -1;
    bool towardsA = false;
    i32 highest = 0;
    for (i32 i = 0; i < moverPawns; i++) {
        const u32 sq = pawns[i];
        if (sq > pawns[highest]) highest = i;
        const u32 leftTarget = whiteMoves ? sq + 7 : sq - 9;
        const u32 rightTarget = whiteMoves ? sq + 9 : sq - 7;
        const bool left = leftTarget == target && FileOf(i32(sq)) != 0;
        const bool right = rightTarget == target && FileOf(i32(sq)) != 7;
        if ((left || right) && (slot < 0 || sq < pawns[slot])) slot = i, towardsA = left;
    }
    if (slot < 0) slot = highest, towardsA = false;
    const u32 file = u32(FileOf(i32(pawns[slot])));
    capture.digit = towardsA ? file - 1 : file + 7;
    capture.capturingSlot = slot;
    // The pushed pawn: the other side's pawn on its square; with none, the highest.
    const u32* theirs = squares[shape.mover ^ 1];
    i32 pushedSlot = -1;
    highest = 0;
    for (i32 i = 0; i < otherPawns; i++) {
        if (theirs[i] > theirs[highest]) highest = i;
        if (pushedSlot < 0 && theirs[i] == pushed) pushedSlot = i;
    }
    capture.pushedSlot = pushedSlot < 0 ? highest : pushedSlot;
    capture.squares[0] = target;
    capture.squares[1] = origin;
    capture.squares[2] = theirs[capture.pushedSlot];
    capture.squares[3] = pawns[slot];
    return capture;
}

// Pawns of a side other than the one in slot skip, into out.
i32 OtherPawns(const u32* pawns, i32 count, i32 skip, u32* out) {
    i32 n = 0;
    for (i32 i = 0; i < count; i++)
        if (i != skip) out[n++] = pawns[i];
    return n;
}

u64 EnPassantIndex(const IndexShape& shape, const u32 (*squares)[16], u32 firstKing,
                   u32 secondKing, u32 target) {
    const i32 other = shape.mover ^ 1;
    const EnPassantCapture capture = FindCapture(shape, squares, target);
    const i16 pair = KingPairIndexPawns[firstKing][secondKing];

    // Lead: the side to move's pieces relative to the other king, or the pair.
    MenOfKind leadKinds[3];
    i32 leadTypes[3], kindCount;
    const i32 leadSize = LeadKinds(shape, leadKinds, leadTypes, &kindCount);
    u64 index = u64(pair);
    if (leadSize > 0) {
        const u64 number = GroupNumber(leadKinds, kindCount, squares, firstKing, secondKing, false);
        if (number == NoIndex) return NoIndex;
        index = (*EnumBaseTable(true, leadSize, leadTypes))[pair] + number;
    }

    PlacedSquares placed;
    placed.Add(firstKing, false);
    placed.Add(secondKing, false);
    for (u32 sq : capture.squares) placed.Add(sq, true);
    for (i32 k = 0; k < shape.men[shape.mover]; k++) {
        const MenOfKind& men = shape.sideMen[shape.mover][k];
        if (!IsPawns(men))
            for (i32 i = 0; i < men.count; i++) placed.Add(squares[shape.mover][FirstSlot(men) + i], false);
    }
    // Placing order: the side to move's other pawns, the other side's other
    // pawns, then its pieces; digits in the reverse of that, capture last.
    u32 moverPawns[3], otherPawns[3];
    const i32 moverOthers =
        OtherPawns(squares[shape.mover], PawnCount(shape, shape.mover), capture.capturingSlot, moverPawns);
    const i32 otherOthers =
        OtherPawns(squares[other], PawnCount(shape, other), capture.pushedSlot, otherPawns);
    Digit moverDigit{0, 1}, otherDigit{0, 1};
    if (moverOthers > 0) moverDigit = LikeMenDigit(moverPawns, moverOthers, true, placed);
    for (i32 i = 0; i < moverOthers; i++) placed.Add(moverPawns[i], true);
    if (otherOthers > 0) otherDigit = LikeMenDigit(otherPawns, otherOthers, true, placed);
    for (i32 i = 0; i < otherOthers; i++) placed.Add(otherPawns[i], true);
    MenOfKind pieces[3];
    const i32 otherPieces = PieceKinds(shape, other, pieces);
    for (i32 k = 0; k < otherPieces; k++) {
        const u32* sq = &squares[other][FirstSlot(pieces[k])];
        const Digit digit = LikeMenDigit(sq, pieces[k].count, false, placed);
        index = index * digit.radix + digit.value;
        for (i32 i = 0; i < pieces[k].count; i++) placed.Add(sq[i], false);
    }
    index = index * otherDigit.radix + otherDigit.value;
    index = index * moverDigit.radix + moverDigit.value;
    index = index * 14 + capture.digit;
    return shape.mainRange + index;
}

}  // namespace

u64 ComputeTableIndex(const IndexShape& shape, const IndexShape& whiteShape, const u32* white,
                      const u32* black, u32 enPassantSquare, i32 flip) {
    if (shape.swapColours)
        return ComputeTableIndex(whiteShape, whiteShape, black, white, enPassantSquare, flip == 0 ? 1 : 0);
    const u32* lists[2] = {white, black};
    const i32 mover = shape.mover;
    const u32 moverKing = lists[mover][KingSlot];
    const u32 otherKing = lists[mover ^ 1][KingSlot];
    if (moverKing > 63 || otherKing > 63) return NoIndex;

    // The frame: free squares for digits, enumeration squares for the pair
    // and the group.
    u32 freeSquares[2][16];
    u32 enumSquares[2][16];
    u32 mask = 0;
    bool reflect = false;
    if (shape.pawnFrame) {
        mask = FileMirrorMask[moverKing] ^ FlipRankMask[flip != 0];
    } else {
        mask = SquareFlipMask[moverKing];
        const u32 first = moverKing ^ mask, second = otherKing ^ mask;
        reflect = (CanonicalTriangle[first] & (DiagonalLowerHalf[second] | OffMainDiagonal[first])) == 0;
    }
    const u32 enumMask = shape.enumMirror ? 56u : 0u;
    auto toFrame = [&](u32 sq) { return reflect ? DiagonalFlip[sq ^ mask] : sq ^ mask; };
    for (i32 side = 0; side < 2; side++) {
        freeSquares[side][KingSlot] = toFrame(lists[side][KingSlot]);
        enumSquares[side][KingSlot] = freeSquares[side][KingSlot] ^ enumMask;
        for (i32 k = 0; k < shape.men[side]; k++) {
            const MenOfKind& men = shape.sideMen[side][k];
            for (i32 i = 0; i < men.count; i++) {
                const i32 slot = FirstSlot(men) + i;
                const u32 sq = lists[side][slot];
                if (sq > 63 || (IsPawns(men) && (sq < 8 || sq > 55))) return NoIndex;
                freeSquares[side][slot] = toFrame(sq);
                enumSquares[side][slot] = freeSquares[side][slot] ^ enumMask;
            }
        }
    }
    const u32 freeFirst = freeSquares[mover][KingSlot], freeSecond = freeSquares[mover ^ 1][KingSlot];
    const u32 enumFirst = enumSquares[mover][KingSlot], enumSecond = enumSquares[mover ^ 1][KingSlot];
    const auto& pairs = shape.pawnFrame ? KingPairIndexPawns : KingPairIndexPawnless;
    const i16 pair = pairs[enumFirst][enumSecond];
    if (pair == NoKingPair) return NoIndex;

    if (shape.enPassant && enPassantSquare != NoEnPassant)
        return EnPassantIndex(shape, freeSquares, freeFirst, freeSecond, enPassantSquare ^ mask);

    u64 index = u64(pair);
    if (shape.groupSize > 0) {
        const u64 number = GroupNumber(shape.group, shape.groupKinds, enumSquares, enumFirst,
                                       enumSecond, shape.groupOtherPawns);
        if (number == NoIndex) return NoIndex;
        index = (*EnumBaseTable(shape.pawnFrame, shape.groupSize, shape.groupTypes))[pair] + number;
    }

    // Free digits: computed in placing order, combined in digit order.
    PlacedSquares placed;
    placed.Add(freeFirst, false);
    placed.Add(freeSecond, false);
    for (i32 k = 0; k < shape.groupKinds; k++)
        for (i32 i = 0; i < shape.group[k].count; i++)
            placed.Add(freeSquares[shape.group[k].list][FirstSlot(shape.group[k]) + i], IsPawns(shape.group[k]));
    Digit digits[MaxKinds];
    for (i32 p = 0; p < shape.digitCount; p++) {
        const MenOfKind& men = shape.digits[shape.placement[p]];
        const u32* sq = &freeSquares[men.list][FirstSlot(men)];
        digits[shape.placement[p]] = LikeMenDigit(sq, men.count, IsPawns(men), placed);
        for (i32 i = 0; i < men.count; i++) placed.Add(sq[i], IsPawns(men));
    }
    for (i32 d = 0; d < shape.digitCount; d++) index = index * digits[d].radix + digits[d].value;
    return index;
}
