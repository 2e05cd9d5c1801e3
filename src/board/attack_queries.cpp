#include "board/attack_queries.h"

FirstSliderFunction XraySliderByDirection[DirectionTableSize];

// A straight step keeps the first piece only when it moves along ranks and
// files, a diagonal step only when it moves along diagonals.
u64 FirstSliderSouthWest(Square sq) {
    return RayAttacksInDirection(sq, -9) & board.DiagonalSliders;
}
u64 FirstSliderSouth(Square sq) { return RayAttacksInDirection(sq, -8) & board.StraightSliders; }
u64 FirstSliderSouthEast(Square sq) {
    return RayAttacksInDirection(sq, -7) & board.DiagonalSliders;
}
u64 FirstSliderWest(Square sq) { return RayAttacksInDirection(sq, -1) & board.StraightSliders; }
u64 FirstSliderNone(Square) { return 0; }
u64 FirstSliderEast(Square sq) { return RayAttacksInDirection(sq, +1) & board.StraightSliders; }
u64 FirstSliderNorthWest(Square sq) {
    return RayAttacksInDirection(sq, +7) & board.DiagonalSliders;
}
u64 FirstSliderNorth(Square sq) { return RayAttacksInDirection(sq, +8) & board.StraightSliders; }
u64 FirstSliderNorthEast(Square sq) {
    return RayAttacksInDirection(sq, +9) & board.DiagonalSliders;
}

void InitXraySliderTable() {
    for (FirstSliderFunction& entry : XraySliderByDirection) entry = nullptr;
    XraySliderByDirection[DirectionTableOffset - 9] = FirstSliderSouthWest;
    XraySliderByDirection[DirectionTableOffset - 8] = FirstSliderSouth;
    XraySliderByDirection[DirectionTableOffset - 7] = FirstSliderSouthEast;
    XraySliderByDirection[DirectionTableOffset - 1] = FirstSliderWest;
    XraySliderByDirection[DirectionTableOffset + 0] = FirstSliderNone;
    XraySliderByDirection[DirectionTableOffset + 1] = FirstSliderEast;
    XraySliderByDirection[DirectionTableOffset + 7] = FirstSliderNorthWest;
    XraySliderByDirection[DirectionTableOffset + 8] = FirstSliderNorth;
    XraySliderByDirection[DirectionTableOffset + 9] = FirstSliderNorthEast;
}
