#include "board/keys.h"

#include "board/random.h"

RandomGenerator EngineRandom;

u64 ZobristPiece[2][8][64];
u64 ZobristCastle[16];
u64 ZobristEnPassant[8];
u32 BookKeyTable1[1024];
u32 BookKeyTable2[1024];

u64 Random64() {
    u64 key = 0;
    for (i32 bit = 0; bit < 64; bit++) key |= u64(Rand() & 1) << bit;
    return key;
}

namespace {

// Each book-key index takes eight draws of a private generator started at
// state 1; the low byte of each, first draw most significant, forms a 64-bit
// word whose high half goes to the second table and low half to the first.
void InitBookKeyTables() {
    RandomGenerator generator;
    for (i32 index = 0; index < 1024; index++) {
        u64 word = 0;
        for (i32 draw = 0; draw < 8; draw++) word = word << 8 | u64(generator.Next() & 0xFF);
        BookKeyTable1[index] = u32(word);
        BookKeyTable2[index] = u32(word >> 32);
    }
}

}  // namespace

void InitZobristKeys() {
    SeedRand(1);  // the unseeded state: the keys are the same on every run
    static const PieceType drawOrder[6] = {PAWN, KNIGHT, BISHOP, ROOK, QUEEN, KING};
    for (Square sq = 0; sq < 64; sq++)
        for (PieceType type : drawOrder)
            for (Side side : {WHITE, BLACK}) ZobristPiece[side][type][sq] = Random64();
    for (u64& key : ZobristCastle) key = Random64();
    for (u64& key : ZobristEnPassant) key = Random64();
    InitBookKeyTables();
}
