// The opening book and book learning as the rest of the engine sees them.
//
// A book file maps positions to moves with learning counters:
//   bytes 0-23   the text "~Korvalent openings book"
//   bytes 24-27  version: 1, or 0 for the older form without counters
//   bytes 28-31  reserved
//   bytes 32-35  N, the number of index records
//   then N index records of 12 bytes (key1, key2, offset of the move list),
//   sorted by key1 and then key2, both compared as signed numbers; the
//   header fills exactly three record slots, so record r lies at 12 * r.
// A move list is a count byte and that many entries of from square, to
// square and, in version 1, a 16-bit counter word (wins in the low byte,
// losses in the high byte, 0xFFFF excluded), in version 0 a mark byte (255
// excluded). All words are little-endian. Nothing of the file is kept in
// memory: every lookup seeks and reads.
#pragma once

#include <cstdio>

#include "board/types.h"

extern i32 BookLoaded;           // non-zero while a book is open and valid
extern FILE* BookFileHandle;     // the open book, null when none
extern i32 BookReadOnly;         // the open book could not be opened for updating
extern i32 BookIsVersion0;       // the open book is of version 0
extern u32 BookNodeCount;        // N of the open book
extern i64 BookIndexEnd;         // N + 3: one past the last index record number
extern i32 BookLearnedThisGame;  // book learning already applied to this game
extern i32 UseBookLearning;
extern i32 UseBookWeights;
extern i32 BookLearningMode;  // KILL or DISCOVER
extern i32 VarietyOfPlay;
extern i32 BookLearningBound;

// BookLearningMode: play the best-scoring moves, or the least played first.
constexpr i32 KILL = 0;
constexpr i32 DISCOVER = 1;

// key1 of a position with black to move differs by this word; key2 does not
// depend on the side to move.
constexpr u32 BlackToMoveBookKey = 0x07D3ADEB;

// Opens a book file, closing any open one first, checks it and reports the
// outcome; a file that fails a check leaves no book open. The check covers
// the header and every move list the index names: a book whose index or
// lists run past the end of the file (one cut short) is refused with a line
// naming the file and what is missing. Lookups and learning then stay
// inside the length checked.
void OpenBook(const char* path);
// The same for a book that is only looked at (listed, never learnt into):
// opened for reading alone.
void OpenBookForReading(const char* path);
void CloseBookFile();

// The book key pair of the current position, side to move included.
void BookKeyOfPosition(u32* key1, u32* key2);
// 1 when the current position is in the book's index, with the file standing
// on the record's offset word; 0 otherwise (also when no book is loaded or a
// read fails).
i32 FindBookPosition();
// Order of the index: 1, -1 or 0 as (a1, a2) is above, below or equal to
// (b1, b2), first words first, all compared as signed numbers.
i32 CompareBookKeys(i32 a1, i32 a2, i32 b1, i32 b2);

// The book move of the current position, 0 when there is none: from and to
// squares and the pieces standing on them, without promotion bits.
Move ChooseBookMove();
Move PickVersion0BookMove();
// The move as the engine plays it: the book stores a pawn reaching the last
// rank without a promotion piece, and such a pawn becomes a queen.
Move BookMoveToPlay(Move bookMove);

// The "bkm" listing of the current position's book moves.
void PrintBookMoves();
void PrintVersion0BookMoves();

// Book learning. result: 1 the side to move has won (wins + 2), 2 a draw or
// an undecided game (wins + 1, losses + 1), anything else a loss (losses +
// 2). Counters stay below 255: a list whose counter would reach it is
// scaled to two thirds first.
//
// Adds the result to the first entry of move (from and to squares) in the
// current position's list that is not excluded, in the file itself. A
// version-0 or read-only book, a position or move not in the book and a
// list that cannot be read whole are left as they are.
void UpdateBookLearning(u32 result, u32 move);
// Credits every move the side to move made in this game, from the set-up
// position on (the move made from that position itself excepted), walking
// the game back and replaying it; marks the game as learnt from.
void LearnBookFromGame(i32 result);
