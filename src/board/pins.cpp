#include "board/pins.h"

PinTestFunction PinTestBlackKing[DirectionTableSize];
PinTestFunction PinTestWhiteKing[DirectionTableSize];

namespace {

// The line attack set of sq holds at most the first man in each of its two
// directions, so a king and a fitting slider found in it stand on opposite
// sides of sq with nothing else between.
inline i32 KingAndSliderOnLine(u64 line, Side kingSide, PieceType sliderKind) {
    const Side sliderSide = ChangeSide(kingSide);
    const u64 sliders =
        board.Bitboards[sliderKind][sliderSide] | board.Bitboards[QUEEN][sliderSide];
    return i32((line & board.Bitboards[KING][kingSide]) != 0) & i32((line & sliders) != 0);
}

}  // namespace

i32 PinRankToBlackKing(Square sq) { return KingAndSliderOnLine(RankAttacksFrom(sq), BLACK, ROOK); }
i32 PinRankToWhiteKing(Square sq) { return KingAndSliderOnLine(RankAttacksFrom(sq), WHITE, ROOK); }
i32 PinFileToBlackKing(Square sq) { return KingAndSliderOnLine(FileAttacksFrom(sq), BLACK, ROOK); }
i32 PinFileToWhiteKing(Square sq) { return KingAndSliderOnLine(FileAttacksFrom(sq), WHITE, ROOK); }
i32 PinDiagonalToBlackKing(Square sq) {
    return KingAndSliderOnLine(DiagonalAttacksFrom(sq), BLACK, BISHOP);
}
i32 PinDiagonalToWhiteKing(Square sq) {
    return KingAndSliderOnLine(DiagonalAttacksFrom(sq), WHITE, BISHOP);
}
i32 PinAntiDiagonalToBlackKing(Square sq) {
    return KingAndSliderOnLine(AntiDiagonalAttacksFrom(sq), BLACK, BISHOP);
}
i32 PinAntiDiagonalToWhiteKing(Square sq) {
    return KingAndSliderOnLine(AntiDiagonalAttacksFrom(sq), WHITE, BISHOP);
}

void InitPinTestTables() {
    struct LineTests {
        i32 step;
        PinTestFunction black, white;
    };
    static const LineTests lines[4] = {
        {1, PinRankToBlackKing, PinRankToWhiteKing},
        {8, PinFileToBlackKing, PinFileToWhiteKing},
        {9, PinDiagonalToBlackKing, PinDiagonalToWhiteKing},
        {7, PinAntiDiagonalToBlackKing, PinAntiDiagonalToWhiteKing},
    };
    for (i32 i = 0; i < DirectionTableSize; i++)
        PinTestBlackKing[i] = PinTestWhiteKing[i] = nullptr;
    for (const LineTests& line : lines) {
        for (const i32 step : {line.step, -line.step}) {
            PinTestBlackKing[step + DirectionTableOffset] = line.black;
            PinTestWhiteKing[step + DirectionTableOffset] = line.white;
        }
    }
}
