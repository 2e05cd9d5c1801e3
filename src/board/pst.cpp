#include "board/pst.h"

#include <array>

i16 PstOpening[8][2][64];
i16 PstEndgame[8][2][64];
i16 PstOpeningSigned[8][2][64];
i16 PstEndgameSigned[8][2][64];

namespace {

using Diagram = std::array<i16, 64>;  // seen by White: eighth rank first

// A diagram whose every rank repeats one eight-value row.
constexpr Diagram RepeatRank(std::array<i16, 8> row) {
    Diagram diagram{};
    for (i32 i = 0; i < 64; i++) diagram[i] = row[i & 7];
    return diagram;
}

// clang-format off
constexpr Diagram KingOpening = {
    -27, -25, -30, -35, -35, -30, -25, -27,
    -22, -20, -25, -30, -30, -25, -20, -22,
    -17, -15, -20, -25, -25, -20, -15, -17,
    -12, -10, -15, -20, -20, -15, -10, -12,
     -7,  -5, -10, -15, -15, -10,  -5,  -7,
     -2,   0,  -5, -10, -10,  -5,   0,  -2,
      7,  10,   5,   0,   0,   5,  10,   7,
     12,  15,  10,   5,   5,  10,  15,  12,
};
constexpr Diagram KingEndgame = {
    -72, -48, -36, -24, -24, -36, -48, -72,
    -48, -24, -12,   0,   0, -12, -24, -48,
    -36, -12,   0,  12,  12,   0, -12, -36,
    -24,   0,  12,  24,  24,  12,   0, -24,
    -24,   0,  12,  24,  24,  12,   0, -24,
    -36, -12,   0,  12,  12,   0, -12, -36,
    -48, -24, -12,   0,   0, -12, -24, -48,
    -72, -48, -36, -24, -24, -36, -48, -72,
};
constexpr Diagram KnightOpening = {
    -135, -25, -15, -10, -10, -15, -25, -135,
     -20, -10,   0,   5,   5,   0, -10,  -20,
      -5,   5,  15,  20,  20,  15,   5,   -5,
      -5,   5,  15,  20,  20,  15,   5,   -5,
     -10,   0,  10,  15,  15,  10,   0,  -10,
     -20, -10,   0,   5,   5,   0, -10,  -20,
     -35, -25, -15, -10, -10, -15, -25,  -35,
     -50, -40, -30, -25, -25, -30, -40,  -50,
};
constexpr Diagram KnightEndgame = {
    -40, -30, -20, -15, -15, -20, -30, -40,
    -30, -20, -10,  -5,  -5, -10, -20, -30,
    -20, -10,   0,   5,   5,   0, -10, -20,
    -15,  -5,   5,  10,  10,   5,  -5, -15,
    -15,  -5,   5,  10,  10,   5,  -5, -15,
    -20, -10,   0,   5,   5,   0, -10, -20,
    -30, -20, -10,  -5,  -5, -10, -20, -30,
    -40, -30, -20, -15, -15, -20, -30, -40,
};
constexpr Diagram BishopOpening = {
     -8,  -8,  -6,  -4,  -4,  -6,  -8,  -8,
     -8,   0,  -2,   0,   0,  -2,   0,  -8,
     -6,  -2,   4,   2,   2,   4,  -2,  -6,
     -4,   0,   2,   8,   8,   2,   0,  -4,
     -4,   0,   2,   8,   8,   2,   0,  -4,
     -6,  -2,   4,   2,   2,   4,  -2,  -6,
     -8,   0,  -2,   0,   0,  -2,   0,  -8,
    -18, -18, -16, -14, -14, -16, -18, -18,
};
constexpr Diagram BishopEndgame = {
    -18, -12,  -9,  -6,  -6,  -9, -12, -18,
    -12,  -6,  -3,   0,   0,  -3,  -6, -12,
     -9,  -3,   0,   3,   3,   0,  -3,  -9,
     -6,   0,   3,   6,   6,   3,   0,  -6,
     -6,   0,   3,   6,   6,   3,   0,  -6,
     -9,  -3,   0,   3,   3,   0,  -3,  -9,
    -12,  -6,  -3,   0,   0,  -3,  -6, -12,
    -18, -12,  -9,  -6,  -6,  -9, -12, -18,
};
constexpr Diagram RookOpening = RepeatRank({-6, -3, 0, 3, 3, 0, -3, -6});
constexpr Diagram RookEndgame = {};
constexpr Diagram QueenOpening = {
      0,   0,   0,   0,   0,   0,   0,   0,
      0,   0,   0,   0,   0,   0,   0,   0,
      0,   0,   0,   0,   0,   0,   0,   0,
      0,   0,   0,   0,   0,   0,   0,   0,
      0,   0,   0,   0,   0,   0,   0,   0,
      0,   0,   0,   0,   0,   0,   0,   0,
      0,   0,   0,   0,   0,   0,   0,   0,
     -5,  -5,  -5,  -5,  -5,  -5,  -5,  -5,
};
constexpr Diagram QueenEndgame = {
    -24, -16, -12,  -8,  -8, -12, -16, -24,
    -16,  -8,  -4,   0,   0,  -4,  -8, -16,
    -12,  -4,   0,   4,   4,   0,  -4, -12,
     -8,   0,   4,   8,   8,   4,   0,  -8,
     -8,   0,   4,   8,   8,   4,   0,  -8,
    -12,  -4,   0,   4,   4,   0,  -4, -12,
    -16,  -8,  -4,   0,   0,  -4,  -8, -16,
    -24, -16, -12,  -8,  -8, -12, -16, -24,
};
constexpr Diagram PawnOpening = {
    -15,  -5,   0,   5,   5,   0,  -5, -15,
    -15,  -5,   0,   5,   5,   0,  -5, -15,
    -15,  -5,   0,   5,   5,   0,  -5, -15,
    -15,  -5,   0,  15,  15,   0,  -5, -15,
    -15,  -5,   0,  25,  25,   0,  -5, -15,
    -15,  -5,   0,  15,  15,   0,  -5, -15,
    -15,  -5,   0,   5,   5,   0,  -5, -15,
    -15,  -5,   0,   5,   5,   0,  -5, -15,
};
constexpr Diagram PawnEndgame = {
      0,   0,   0,   0,   0,   0,   0,   0,
      6,   7,   8,   9,   9,   8,   7,   6,
      6,   7,   8,   9,   9,   8,   7,   6,
      2,   3,   4,   5,   5,   4,   3,   2,
     -1,   0,   1,   2,   2,   1,   0,  -1,
     -3,  -2,  -1,   0,   0,  -1,  -2,  -3,
     -3,  -2,  -1,   0,   0,  -1,  -2,  -3,
      0,   0,   0,   0,   0,   0,   0,   0,
};
// clang-format on

struct PieceDiagrams {
    PieceType type;
    const Diagram& opening;
    const Diagram& endgame;
};

}  // namespace

void InitPieceSquareTables() {
    const PieceDiagrams pieces[6] = {
        {KING, KingOpening, KingEndgame},       {KNIGHT, KnightOpening, KnightEndgame},
        {BISHOP, BishopOpening, BishopEndgame}, {ROOK, RookOpening, RookEndgame},
        {QUEEN, QueenOpening, QueenEndgame},    {PAWN, PawnOpening, PawnEndgame},
    };
    for (const PieceDiagrams& piece : pieces) {
        for (i32 rank = 0; rank < 8; rank++) {
            for (i32 file = 0; file < 8; file++) {
                const Square sq = MakeSquare(file, rank);
                // White reads the diagram as drawn; black reads it mirrored by rank.
                const i32 whiteIndex = (7 - rank) * 8 + file, blackIndex = rank * 8 + file;
                PstOpening[piece.type][WHITE][sq] = piece.opening[whiteIndex];
                PstOpening[piece.type][BLACK][sq] = piece.opening[blackIndex];
                PstEndgame[piece.type][WHITE][sq] = piece.endgame[whiteIndex];
                PstEndgame[piece.type][BLACK][sq] = piece.endgame[blackIndex];
                PstOpeningSigned[piece.type][WHITE][sq] = i16(-piece.opening[whiteIndex]);
                PstOpeningSigned[piece.type][BLACK][sq] = piece.opening[blackIndex];
                PstEndgameSigned[piece.type][WHITE][sq] = i16(-piece.endgame[whiteIndex]);
                PstEndgameSigned[piece.type][BLACK][sq] = piece.endgame[blackIndex];
            }
        }
    }
}
