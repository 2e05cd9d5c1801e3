// Polyglot opening books, the public format many GUIs and engines share: a
// file of 16-byte big-endian entries (position key, move, weight, learning
// data) sorted by key. Here they are read and their keys and moves are
// matched against the engine's board, so that a Polyglot book can be turned
// into a book of the engine's own format.
#pragma once

#include <cstddef>
#include <vector>

#include "board/types.h"

struct PolyglotEntry {
    u64 key;
    u16 move;
    u16 weight;
    u32 learn;
};

constexpr size_t PolyglotEntrySize = 16;

// The entries of the bytes of a Polyglot file, in file order; bytes past the
// last whole entry are not read (the caller tells whether any were left).
std::vector<PolyglotEntry> ParsePolyglotEntries(const u8* data, size_t size);

// The Polyglot key of the current board: its men, the castling rights, the
// file of an en-passant capture that a pawn of the side to move stands ready
// to make, and the side to move.
u64 PolyglotKeyOfPosition();

// The file onto which a pawn of the side to move may capture en passant
// (the last move was a double step and such a pawn stands beside it), or -1.
i32 EnPassantCaptureFile();

// The legal move of the current board that a Polyglot move word names
// (castling written as the king taking its own rook becomes the king's
// two-square move; the promotion piece must match), or NoMove.
Move PolyglotMoveOnBoard(u16 move);

// The Polyglot move word of an engine move (castling as the king's two
// squares to the rook's square), the inverse of PolyglotMoveOnBoard.
u16 PolyglotMoveWord(Move move);
