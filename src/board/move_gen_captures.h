// Capture generator and the ordering score of captures and promotions.
#pragma once

#include "board/tunable.h"
#include "board/types.h"

// Victim and attacker values for move ordering, by piece type.
constexpr i32 OrderValue[8] = {0, 950, 300, 100, 0, 500, 300, 900};

// Ordering bonus of a capture the exchange test refuses, by how often such a
// capture has worked out in this search (successes per try, in 1/16 steps).
constexpr i32 CaptureRatioBonus[16] = {-128000, -64000, -32000, 0,     10000, 20000, 30000, 40000,
                                       50000,   50000,  50000,  50000, 50000, 50000, 50000, 50000};

// Order score of a move that neither captures a piece on its to-square nor
// promotes (en passant): just above a safe pawn-takes-pawn.
constexpr i32 EnPassantOrderScore = 100901;
// Base of the score of a capture or promotion the exchange test accepts.
constexpr i32 SafeCaptureBase = 100000;
constexpr i32 SafePromotionBase = 108000;

// The bonus when every recorded try paid off (a ratio of 16/16, one past
// CaptureRatioBonus). Free to choose: the top entry's value, so such a
// capture ranks with the others that mostly pay off. A tuning build can set
// it, from the top entry up to the largest value that still keeps every
// refused capture (at best a pawn taking a queen) below every accepted one
// (at worst the king taking a pawn).
inline KORVALENT_TUNABLE i32 CaptureRatioFullBonus = 50000;
constexpr i32 MaxCaptureRatioFullBonus =
    (SafeCaptureBase + 10 * OrderValue[PAWN] - OrderValue[KING]) -
    (10 * OrderValue[QUEEN] - OrderValue[PAWN]) - 1;

// Order score of a capture, promotion or en passant that the exchange test
// accepts: most valuable victim, least valuable attacker, promotions in a
// band above plain captures, en passant just above a safe pawn-takes-pawn.
constexpr i32 SafeCaptureOrderScore(PieceType piece, PieceType captured, PieceType promotion) {
    if (captured == EMPTY && promotion == EMPTY) return EnPassantOrderScore;
    const i32 base = promotion != EMPTY ? SafePromotionBase : SafeCaptureBase;
    return 10 * OrderValue[captured] + base - OrderValue[piece];
}

// Appends every capture of the side to move onto targets (callers pass the
// opponent's men), the capture-promotions and the en-passant captures, each
// scored with ScoreCapture. Order: pawn captures (white pawns from a1 up,
// black from h8 down; promotions Q, N, R, B), en passant (left pawn first),
// knights, bishops, rooks, queens, king.
void GenerateCaptures(u64 targets);

// Ordering score of a capture or promotion of the side to move; higher is
// tried first. May reset the move's stale capture-statistics slot.
i32 ScoreCapture(Move move);
