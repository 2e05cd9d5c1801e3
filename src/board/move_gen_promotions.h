// Promotions without capture. The side to move's pawns on its seventh rank
// are visited from the highest square down (for both colours); a pawn whose
// square ahead is empty promotes there. Each move is scored with
// ScoreCapture. Capture-promotions come from the capture generators.
#pragma once

#include "board/types.h"

// Every promotion piece, in the order QUEEN, ROOK, KNIGHT, BISHOP.
void GenerateAllQuietPromotions();

// QUEEN, then KNIGHT only when the knight would check the enemy king.
void GenerateQuietPromotions();

// QUEEN only, and only when the exchange test finds the new queen safe. A
// checking knight promotion is never added: the exchange test refuses every
// under-promotion.
void GenerateSafeQuietPromotions();
