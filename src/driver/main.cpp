// The engine's entry point: defaults, banner, tables, parameters, hash
// tables, book, then the command loop until "quit" or the end of input.
#include <cstdio>
#include <cstring>

#include "board/init_tables.h"
#include "board/new_game.h"
#include "board/random.h"
#include "book/book.h"
#include "book/learning.h"
#include "driver/command_loop.h"
#include "driver/exit.h"
#include "driver/input_reader.h"
#include "driver/modes.h"
#include "driver/platform.h"
#include "eval/eval_params.h"
#include "eval/material_table.h"
#include "search/hash_tables.h"
#include "search/history.h"

int main() {
    IgnoreSignals();

    std::printf("Korvalent v1.50 [r2055/01.01.2014]\n");
    std::fflush(stdout);

    AllocTokenBuffers();
    InitEngineTables();
    LoadValues();
    DeriveEvalTables();
    std::memset(CaptureTries, 0, sizeof CaptureTries);
    std::memset(CaptureSuccess, 0, sizeof CaptureSuccess);
    std::memset(CaptureStatStamp, 0, sizeof CaptureStatStamp);

    AllocateHashTables();
    SeedRand(u32(WallTimeSeconds()));
    if (!BookLoaded) OpenBook("Book.kvb");
    if (UseLearning || UseLearningData) OpenLearningFile();
    PostFlag = 1;
    NewGame();

    for (;;) {
        // The end of input ends the program as "quit" would.
        if (ReadInputLine(1, InputLine) < 0) ExitProgram(0);
        ExecuteCommand();
    }
}
