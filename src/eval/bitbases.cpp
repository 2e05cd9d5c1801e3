#include "eval/bitbases.h"

#include "board/attacks.h"

// The address of the generated table is a link-time constant, so the
// pointer is valid before any code runs.
const u64* RookPawnBitbase = BuiltInRookPawnBitbase;

namespace {

u32 PawnBitNumber(i32 side, Square pawn, Square strongKing, Square weakKing) {
    return u32(side + 2 * (pawn + 64 * (strongKing + 64 * weakKing)));
}

i32 ReadBit(const u8* table, u32 bit) { return (table[bit >> 3] >> (bit & 7)) & 1; }

// The bit for the side asked; an answer that changes with the side to move
// is reported through *symmetric.
i32 ProbeWithSymmetry(const u8* table, i32 side, Square pawn, Square strongKing, Square weakKing,
                      i32* symmetric) {
    const u32 bit = PawnBitNumber(side, pawn, strongKing, weakKing);
    const i32 answer = ReadBit(table, bit);
    if (ReadBit(table, bit ^ 1) != answer) *symmetric = 0;
    return answer;
}

// Mirrors a square left to right (a-file to h-file).
constexpr Square MirrorFile(Square sq) { return MakeSquare(7 - FileOf(sq), RankOf(sq)); }

}  // namespace

i32 ProbePawnBitbaseA(i32 side, Square pawn, Square strongKing, Square weakKing, i32* symmetric) {
    return ProbeWithSymmetry(PawnWinBitbase, side, pawn, strongKing, weakKing, symmetric);
}

i32 ProbePawnBitbaseB(i32 side, Square pawn, Square strongKing, Square weakKing, i32* symmetric) {
    return ProbeWithSymmetry(PawnRunBitbase, side, pawn, strongKing, weakKing, symmetric);
}

i32 ProbePawnBitbaseBWithFileRule(i32 side, Square pawn, Square strongKing, Square weakKing,
                                  i32* symmetric) {
    // The run table never counts a pawn whose own king stands on its path;
    // such a king can step aside, so the rule of the square decides instead.
    if (FileOf(strongKing) == FileOf(pawn) && strongKing > pawn) {
        const i32 outside = (KingInSquareWhite[pawn] & SquareBit(weakKing)) == 0;
        const i32 outsideWide = (KingInSquareWhiteWide[pawn] & SquareBit(weakKing)) == 0;
        if (outside != outsideWide) *symmetric = 0;
        return side == 0 ? outside : outsideWide;
    }
    return ProbePawnBitbaseB(side, pawn, strongKing, weakKing, symmetric);
}

u32 ProbeRookPawnBitbase(Square rook, Square rookKing, Square pawn, Square pawnKing) {
    // The table holds pawns on files e-h; the other half is its mirror image.
    if (FileOf(pawn) < 4) {
        rook = MirrorFile(rook);
        rookKing = MirrorFile(rookKing);
        pawn = MirrorFile(pawn);
        pawnKing = MirrorFile(pawnKing);
    }
    const u64 word = RookPawnBitbase[(rook * 64 + rookKing) * 16 + RookPawnSlot[pawn]];
    return u32((word >> pawnKing) & 1);
}
