// Move-ordering memory of the search: per-ply records with killers, the
// quiet-move history, evasion killers and capture statistics. The move
// generators read these to score moves.
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

// [to-square of the checking move][checked king's square][side] -> quiet
// move that last refuted that check.
extern u32 EvasionKillers[64 * 64 * 2];

// Success statistics of captures the exchange test refuses, valid only while
// their stamp equals the current search generation.
constexpr i32 CaptureStatSize = 1 << 19;
extern i32 CaptureTries[CaptureStatSize];
extern i32 CaptureSuccess[CaptureStatSize];
extern i32 CaptureStatStamp[CaptureStatSize];
