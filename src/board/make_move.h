// Making and taking back moves on the global board, and the game record of
// every move made since the set-up position.
#pragma once

#include "board/types.h"

// State before a move, saved so take-back is a copy rather than a recount.
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

// Castling rights kept when a king or rook leaves, or a rook is taken on, a square.
extern const u8 CastleMask[64];

// Plays a pseudo-legal move for the side to move. saveUndo 0 reuses the saved
// state of a sibling move already made and taken back from this position.
void MakeMove(Move move, u32 saveUndo);
void UnmakeMove();

// True while one more game move fits in the game record; every path that
// makes a game move refuses the move otherwise.
inline bool GameHistoryHasRoom() { return GamePly < MaxGamePly; }

// The take-back of "undo" and "remove": the last game move, unless the game
// stands at its set-up ply. False when nothing was taken back.
bool TakeBackGameMove();
