#include "driver/exit.h"

#include <cstdio>
#include <cstdlib>

#include "book/book.h"
#include "book/learning.h"
#include "driver/command_tokens.h"
#include "search/hash_tables.h"
#include "tablebase/block_cache.h"

void ExitProgram(i32 code) {
    FreeHashTables();
    FreeTableCache();
    // Close only what is open.
    if (BookLoaded) CloseBookFile();
    if ((UseLearningData || UseLearning) && LearnFileHandle) CloseLearningFile();
    FreeTokenBuffers();
    std::fflush(stdout);
    std::exit(code);
}
