// The opening book and book learning as the rest of the engine sees them.
#pragma once

#include <cstdio>

#include "board/types.h"

extern i32 BookLoaded;           // non-zero while a book is open
extern FILE* BookFileHandle;     // the open book, null when none
extern i32 BookLearnedThisGame;  // book learning already applied to this game
extern i32 UseBookLearning;
extern i32 UseBookWeights;
extern i32 BookLearningMode;  // 0 kill, 1 discover
extern i32 VarietyOfPlay;
extern i32 BookLearningBound;

// Opens a book file, closing any open one first; reports a file that cannot
// be opened or read as a book.
void OpenBook(const char* path);
void CloseBookFile();
// The book move of the current position, 0 when there is none.
Move ChooseBookMove();
void PrintBookMoves();
// result: 0 the engine lost, 1 it won, 2 draw or unfinished game.
void LearnBookFromGame(i32 result);
