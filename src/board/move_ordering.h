// Move-ordering memory the move generators score with: per-ply records
// with killers, the quiet-move history, evasion killers and the capture
// statistics. The search keeps them up to date.
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

// The history entry of a quiet move for one half of the table (the search
// picks the half by how its static score compares with alpha) and a side.
constexpr i32 HistoryIndex(Move m, i32 historyHalf, Side side) {
    return ((HistoryClass[MovePiece(m)] + 4 * historyHalf) << 13) | i32((m & 0xfff) << 1) | side;
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

// Statistics slot of a capture by a side: mover, from, to, moving and
// captured piece.
constexpr i32 CaptureStatSlot(Move m, Side side) {
    return (side << 18) | (MoveFrom(m) << 12) | (MoveTo(m) << 6) | i32((m >> 12) & 63);
}

// The stamp a statistics slot must carry to be valid in this search: the
// search generation read as a signed 16-bit number.
i32 CaptureStatGeneration();

// The statistics slot of capture m by side, reset to no tries and no
// successes first when its stamp is from an earlier search.
i32 TouchCaptureStatSlot(Move m, Side side);
