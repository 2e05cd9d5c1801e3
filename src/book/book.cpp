// No book format is read yet: every book fails to open, so the engine plays
// from its own search and nothing is learnt.
#include "book/book.h"

#include "board/make_move.h"

i32 BookLoaded = 0;
FILE* BookFileHandle = nullptr;
i32 BookLearnedThisGame = 1;
i32 UseBookLearning = 1;
i32 UseBookWeights = 1;
i32 BookLearningMode = 0;
i32 VarietyOfPlay = 10;
i32 BookLearningBound = 400;

void OpenBook(const char* path) {
    if (BookLoaded) CloseBookFile();
    std::printf("Error opening \"%s\"!\n", path);
    std::fflush(stdout);
}

void CloseBookFile() {
    if (BookFileHandle) std::fclose(BookFileHandle);
    BookFileHandle = nullptr;
    BookLoaded = 0;
}

Move ChooseBookMove() { return NoMove; }

void PrintBookMoves() {
    std::printf("No moves from current pos in book\n");
    std::fflush(stdout);
}

void LearnBookFromGame(i32 /*result*/) { BookLearnedThisGame = 1; }
