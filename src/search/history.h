// Move-ordering memory of the search: per-ply records with killers, the
// quiet-move history, evasion killers and capture statistics. The move
// generators read these to score moves; the searches update them.
#pragma once

#include "board/types.h"

struct PlyRecord {
    u32 ExtFlags;      // extension flags of the move searched from this ply
    u32 InCheck;       // side to move at this ply is in check
    u32 Killer[2][2];  // [slot][side]: latest and previous quiet cutoff moves
    u32 BestMove;      // best or cutoff move found at this ply
    u32 Reply;         // best move of the child ply, kept after the null move
};

constexpr i32 PlyStackSize = 196;
extern PlyRecord PlyStack[PlyStackSize];

extern i32 HistoryScore[1 << 16];
// Piece class of the history index by piece type.
constexpr i32 HistoryClass[8] = {0, 0, 0, 1, 0, 2, 1, 3};

// History step by remaining plies (capped at 15), in 1/1024ths of the
// distance to the bound: the deeper the cutoff, the bigger the step.
constexpr i32 HistoryFactor[16] = {0,   57,  119, 155, 181, 200, 217, 230,
                                   242, 253, 262, 271, 278, 286, 292, 298};
// History entries climb toward this bound and never pass it.
constexpr i32 HistoryMax = 32700;

// The history entry of a quiet move for one half of the table (the search
// picks the half by how its static score compares with alpha) and a side.
constexpr i32 HistoryIndex(Move m, i32 historyHalf, Side side) {
    return ((HistoryClass[MovePiece(m)] + 4 * historyHalf) << 13) | i32((m & 0xfff) << 1) | side;
}

// The history step for a depth in 1/60 ply.
constexpr i32 HistoryStep(i32 depth) {
    const i32 plies = depth / OnePly;
    return HistoryFactor[plies < 0 ? 0 : plies > 15 ? 15 : plies];
}

// [to-square of the checking move][checked king's square][side] -> quiet
// move that last refuted that check.
extern u32 EvasionKillers[64 * 64 * 2];

// Success statistics of captures the exchange test refuses, valid only while
// their stamp equals the current search generation.
constexpr i32 CaptureStatSize = 1 << 19;
extern i32 CaptureTries[CaptureStatSize];
extern i32 CaptureSuccess[CaptureStatSize];
extern i32 CaptureStatStamp[CaptureStatSize];

// A refused capture whose statistics reach this many tries has both counts
// halved, so old results fade.
constexpr i32 CaptureStatWindow = 64;

// Statistics slot of a capture by a side: mover, from, to, moving and
// captured piece.
constexpr i32 CaptureStatSlot(Move m, Side side) {
    return (side << 18) | (MoveFrom(m) << 12) | (MoveTo(m) << 6) | i32((m >> 12) & 63);
}

// The stamp a statistics slot must carry to be valid in this search: the
// search generation read as a signed 16-bit number.
i32 CaptureStatGeneration();

// A quiet move m caused a cutoff at SearchPly for the side to move: raise
// its history entry toward HistoryMax and make it the first killer of the
// ply (the old first killer becomes the second, unless m already is first).
void UpdateHistoryAndKillers(i32 depth, Move m, i32 historyHalf);

// A quiet move tried before the cutoff move of its node: lower its history
// entry toward 0 by the step of the depth.
void PenalizeHistory(i32 depth, Move m, i32 historyHalf);

// A quiet move m refuted the check given by the last game move: remember it
// for the checked side by the checking move's destination and its king's
// square. Nothing happens without a last move.
void StoreEvasionKiller(Move m);

// The statistics slot of capture m by side, reset to no tries and no
// successes first when its stamp is from an earlier search.
i32 TouchCaptureStatSlot(Move m, Side side);

// Counts one more search of a refused capture m by side (success: the
// capture beat alpha); halves both counts once the tries exceed the window.
void UpdateCaptureStatistics(Move m, Side side, bool success);

// The game has moved on by two plies since the last search: every ply's
// killers move down two records; the last four records keep theirs.
void ShiftKillersTwoPlies();
