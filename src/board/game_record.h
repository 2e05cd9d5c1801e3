// The game record: the state before every move made since the set-up
// position, so that take-back is a copy rather than a recount.
#pragma once

#include "board/types.h"

// State before a move.
struct GameHistoryEntry {
    u64 HashKey;
    i32 FiftyMoveCounter;
    ::Move Move;  // the move made from this position
    i32 CastlingFlags;
    i32 MaterialIndex;
    i16 PstOpeningSum;
    i16 PstEndgameSum;
};

// Room for a very long game plus a full search line on top of it.
constexpr i32 MaxGamePly = 4096;
constexpr i32 GameHistorySize = MaxGamePly + 256;

extern GameHistoryEntry GameHistory[GameHistorySize];
extern i32 GamePly;
// The GamePly the position was set up with: 0 after the start position, an
// edit or a new side to move, 1 after a FEN whose en-passant double step is
// played on the board. The moves below it belong to no game: take-backs
// stop here.
extern i32 GameBasePly;

// True while one more game move fits in the game record; every path that
// makes a game move refuses the move otherwise.
inline bool GameHistoryHasRoom() { return GamePly < MaxGamePly; }
