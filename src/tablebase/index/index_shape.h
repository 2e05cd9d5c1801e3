// The shape of one table index function, derived from the table's name and
// the side to move, and the one routine that computes an index from it.
//
// Every index function of the Nalimov tables is the same recipe with a few
// choices: the frame (pawnless quadrant and diagonal, or file mirror with a
// rank mirror for the side to move's pawns), the enumerated group and its
// base table, the free men with the order in which they are placed (which
// squares reduce which) and the order of their digits, and the en-passant
// sub-range. IndexShape records those choices; ComputeTableIndex follows
// them.
#pragma once

#include <string>
#include <vector>

#include "board/types.h"

// Men of one kind of one side, read from the first count slots of the kind.
struct MenOfKind {
    u8 list;   // 0: the table's white list, 1: its black list
    u8 kind;   // 1 pawn, 2 knight, 3 bishop, 4 rook, 5 queen (slots (kind - 1) * 3 on)
    u8 count;  // 1 to 3
};

constexpr i32 MaxKinds = 4;

struct IndexShape {
    u8 mover = 0;                 // list of the side to move
    bool pawnFrame = false;       // the table has pawns: file mirror and flip
    bool enumMirror = false;      // king pair and group rank-mirrored once more
    bool swapColours = false;     // = the white-to-move function on the swapped
                                  //   lists with the flip inverted
    u8 men[2] = {0, 0};           // kinds per side, in name order
    MenOfKind sideMen[2][3] = {};
    // Enumerated group, kinds in digit order (a like kind first, then
    // descending type); groupTypes in descending type order for the base.
    u8 groupKinds = 0;
    MenOfKind group[3] = {};
    u8 groupSize = 0;
    i32 groupTypes[3] = {0, 0, 0};
    bool groupOtherPawns = false; // the group is the other side's pawns (type p)
    // Free men, most significant digit first, and the order of placing.
    u8 digitCount = 0;
    MenOfKind digits[MaxKinds] = {};
    u8 placement[MaxKinds] = {};
    bool enPassant = false;       // both sides have pawns
    u64 groupRange = 0;           // group indexes (or king pairs)
    u64 freeRange = 1;            // product of the free radices
    u64 mainRange = 0;            // groupRange * freeRange
    u64 range = 0;                // with the en-passant sub-range
};

// Shape of the function of the table (name as "kqrkn") for the side to move
// (0 white, 1 black). The enumeration tables must have been built.
IndexShape MakeIndexShape(const char* name, i32 sideToMove);

// The index of the position: the lists in the table's colour order. NoIndex
// for positions no slot holds (kings adjacent, a pawn on rank 1 or 8, a man
// of the group where its type may not stand).
u64 ComputeTableIndex(const IndexShape& shape, const IndexShape& whiteShape, const u32* white,
                      const u32* black, u32 enPassantSquare, i32 flip);

// One digit of a shape: its men as letters and its radix, most significant
// first. Letters: X, Y, Z for a side's first, second and third kind of piece
// (like men repeat the letter), p for a pawn; "lead" digits name the group.
struct ShapeDigit {
    std::string men;
    u64 radix;
};
// The free digits of the main range, and of the en-passant sub-range with
// its lead first and the capture digit last (empty when there is none).
std::vector<ShapeDigit> MainDigits(const IndexShape& shape);
std::vector<ShapeDigit> EnPassantDigits(const IndexShape& shape);
