// Check evasions: the moves that can answer a check, built straight from
// the checkers (king steps to safe squares; with one checker also captures
// of it and interpositions by unpinned men) instead of filtering every move.
#pragma once

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

// What the side to move's king is in check from.
struct CheckSituation {
    u64 checkers;     // every enemy man attacking the king
    u64 blockSquares; // single check: the checker and the squares between it and the king
    u64 shadowed;     // king steps straight away from a checking slider, still on its line
};

// Reads the check on the side to move's king. The squares a king step
// would reach along a checking slider's line are shadowed: the attack test
// cannot see them while the king itself still blocks that line.
CheckSituation ExamineCheck();

// 1 when the side to move may capture en passant onto the square behind the
// checker on `checker` with its pawn on `capturer`: the checker is a pawn
// that has just made its double step, the capturer is an unpinned pawn of
// ours beside it, and the king is safe once both pawns have left the rank
// (made, tested, taken back: removing the captured pawn can open a line).
i32 IsEnPassantEscape(Square capturer, Square checker);

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
