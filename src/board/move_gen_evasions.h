// Check evasions: the moves that can answer a check, built straight from
// the checkers (king steps to safe squares; with one checker also captures
// of it and interpositions by unpinned men) instead of filtering every move.
#pragma once

#include "board/check_situation.h"
#include "board/types.h"

// Captures, promotions and en passant with a positive capture score are
// lifted by this much above every quiet evasion.
constexpr i32 EvasionCaptureBonus = 1 << 29;
// A quiet evasion the exchange test refuses scores this less the order
// value of the moving piece.
constexpr i32 LosingQuietEvasionBase = -100000;
// Bonus of the quiet move that last refuted the same check.
constexpr i32 EvasionKillerBonus = 10000;
// Quiet evasions read this half of the history table.
constexpr i32 EvasionHistoryHalf = 1;

// Appends the evasions of the side to move, which must be in check, each
// scored with ScoreEvasionMove. Order: king steps, then (single check only)
// knight, bishop, rook and queen moves onto the checking line, pawn double
// pushes, single pushes (promotions Q, R, B, N), en passant (pawn left of
// the checker first) and pawn captures of the checker. Every move is legal.
void GenerateEvasions();

// Ordering score of one evasion of the side to move: captures, promotions
// and en passant by their capture score (lifted by EvasionCaptureBonus when
// positive); quiet moves by the second history half, or a fixed low score
// when the exchange test refuses a piece's move; plus EvasionKillerBonus
// for the evasion killer of this check.
i32 ScoreEvasionMove(Move move);
