// Extensions: how much deeper than one ply less the child of a move is
// searched. Results are depth changes in 1/60 ply added to the parent's
// depth: -60 is the normal step, 0 a full extension. Both routines record
// why they extended in PlyStack[SearchPly].ExtFlags and store whether the
// move checks in PlyStack[SearchPly + 1].InCheck.
#pragma once

#include "board/types.h"

// Bits of PlyRecord::ExtFlags.
constexpr u32 ExtCheck = 1;         // the move gives check
constexpr u32 ExtMateThreat = 2;    // mate threat at this node
constexpr u32 ExtRecapture = 4;     // recapture on the square of the last capture
constexpr u32 ExtPassedPawn = 8;    // push of a passed pawn
constexpr u32 ExtFlightCheck = 16;  // quiescence check allowed by the king-flight rule
constexpr u32 ExtThreat = 32;       // double attack or dangerous pawn push
constexpr u32 ExtReduced = 64;      // a reduced move is being searched
constexpr u32 ExtPawnEnding = 128;  // capture of the last piece into a pawn ending

// Recapture bonus by captured piece type: knight, pawn, rook, bishop, queen.
constexpr i32 RecaptureExtension[8] = {0, 0, 45, 45, 0, 45, 45, 45};
// Pieces of equal class trade evenly (knight and bishop share class 2).
constexpr i32 ExchangeClass[8] = {0, 5, 2, 1, 0, 3, 2, 4};

// For a move of the side to move that is not made yet. full: extensions
// count in full (else half). extra receives, for a move whose extension is
// held back because it may lose material, the depth to add when it beats
// alpha; otherwise it is left as the caller preset it. alertMaps are the
// node evaluation's alert squares of White and Black; alphaMinusEval is
// the node's alpha less its static score.
i32 ComputeMoveExtension(i32 full, i32 depth, i32 isSingleReply, Move m, i32 orderScore, i32 isPv,
                         i32* extra, const u64 alertMaps[2], i32 alphaMinusEval);

// For the last move of the game record, already made (the side to move is
// the mover's opponent; the routine looks from the mover's side and hands
// the move back to the opponent before returning).
i32 ComputeExtensions(i32 full, i32 mateThreat, i32 depth, i32 isSingleReply, i32 orderScore,
                      i32 isPv, const u64 alertMaps[2], i32 alphaMinusEval);
