// Moves as coordinate text (e2e4, e7e8q) in and out, and board printing.
#pragma once

#include "board/types.h"

// Promotion letters by promotion piece type; index 0 ends the text.
constexpr const char PromotionLetters[8] = {'\0', 'k', 'n', 'p', '?', 'r', 'b', 'q'};

// These three share one static buffer that the next call overwrites.
const char* MoveToText(Move move);           // "0000" for no move
const char* MoveToShortText(Move move);      // from and to only
const char* MoveToTextWithPiece(Move move);  // "Ng1f3"; "-" for no move

// 1 when the first four characters look like a coordinate move.
i32 IsCoordinateMove(const char* text);
// The move word for the current board; 0 when a square is off the board.
Move ParseCoordinateMove(char fromFile, char fromRank, char toFile, char toRank, char promotion);
Move ParseMoveText(const char* text);

void PrintBoard();
void PrintBits8(i32 value);
