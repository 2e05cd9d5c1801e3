// One pawn-hash record: everything the evaluation derives from the pawns
// alone, keyed by the board's pawn key. The board keeps a copy of the last
// one used.
#pragma once

#include "board/types.h"

struct PawnEntry {
    u64 key;             // pawn key described; WipedKey when cleared
    i16 opening;         // pawn-structure score, opening weight, black minus white
    i16 endgame;         // the same, endgame weight
    u8 white_defects_k;  // white king-side shelter defects
    u8 white_defects_q;  // white queen-side shelter defects
    u8 black_defects_k;
    u8 black_defects_q;
    u8 PassedVector[2];  // file masks of passed pawns, [BLACK] first
    u8 PawnFiles[2];     // files holding a pawn: white first
    u8 CandidateFiles[2];  // files of candidate passed pawns: white first
    u8 WeakOpenFiles[2];   // weak pawns on half-open files: black first
};
static_assert(sizeof(PawnEntry) == 24, "pawn-hash entries are 24 bytes");
