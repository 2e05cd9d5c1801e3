// The engine's entry point: defaults, banner, tables, parameters, settings,
// hash tables, book, the settings echo, learning file and tablebases, then
// the command loop until "quit" or the end of input.
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "board/init_tables.h"
#include "board/modes.h"
#include "board/pawn_entry.h"
#include "board/random.h"
#include "book/book.h"
#include "book/learning.h"
#include "driver/command_loop.h"
#include "driver/exit.h"
#include "driver/new_game.h"
#include "driver/opening_book_setting.h"
#include "driver/score_history.h"
#include "driver/search_hooks_setup.h"
#include "driver/settings_file.h"
#include "eval/bitbases.h"
#include "eval/eval_params.h"
#include "eval/material_table.h"
#include "eval/personality.h"
#include "platform/input_reader.h"
#include "platform/platform.h"
#include "search/hash_tables.h"
#include "search/history.h"
#include "search/search_limits.h"
#include "search/trans_table.h"
#include "tablebase/block_cache.h"
#include "tablebase/table_files.h"
#include "tablebase/tablebase_settings.h"

namespace {

// Defaults that hold before anything else is built.
void SetFirstDefaults() {
    RookPawnBitbase = BuiltInRookPawnBitbase;
    SetTablebasePath("c:\\tablebases\\");
    SearchesOutOfBook = 0;
    ResetInputReader();
    UseLearning = 0;
    UseLearningData = 0;
    LogLearningIntoFile = 0;
    BookLearnedThisGame = 1;
    PonderingAllowed = 1;
    PonderEnabled = 1;
    UseEgtb = 1;
    DebugMode = 0;
    UciMode = 0;
    FritzMode = 0;
    LearnLogLineCount = 0;
    LearnQueueCount = 0;
    SelDepth = 0;
}

// Defaults of the settings that the settings file may change; they are set
// after the tables so that the file overrides them.
void SetSettingDefaults() {
    EgtbCacheBytes = DefaultEgtbCacheBytes;
    TransEntries = DefaultTransEntries;
    PawnEntries = DefaultPawnEntries;
    SetDefaultPersonality();
    ResignValue = 800;
    ResignTimes = 3;
    BookLearningMode = 0;
    UseBookLearning = 1;
    UseBookWeights = 1;
    BookLearningBound = 400;
    VarietyOfPlay = 10;
}

const char* OnOff(i32 setting) { return setting ? "on\n" : "off\n"; }

// What the engine runs with, after the settings file has had its say.
void EchoSettings() {
    std::printf("Transposition size is %d entries (%" PRId64 " bytes)\n", i32(TransEntries),
                i64(TransEntries) * i64(sizeof(TransEntry)));
    std::printf("Pawn hash size is %d entries (%" PRId64 " bytes)\n", i32(PawnEntries),
                i64(PawnEntries) * i64(sizeof(PawnEntry)));
    std::printf("EGTBHashSize = %d bytes\n", i32(EgtbCacheBytes));
    std::printf("Aggressivity = %d (%d)%%\nCowardice = %d (%d)%%\nTropism = %d (%d)%%\n",
                Aggressivity, AggressivityWeight, Cowardice, CowardiceWeight, Tropism,
                TropismWeight);
    std::printf("ResignValue = %d\nResignTimes = %d\n", ResignValue, ResignTimes);
    std::printf("UseEGTB = %s", OnOff(UseEgtb));
    std::printf("EGTB path = \"%s\"\n", EgtbPath);
    std::printf("UseBookWeights = %s", OnOff(UseBookWeights));
    std::printf("UseBookLearning = %s", OnOff(UseBookLearning));
    std::printf("BookLearningMode = %s", BookLearningMode == 1 ? "DISCOVER\n" : "KILL\n");
    std::printf("VarietyOfPlay = %d\nBookLearningBound = %d\n", VarietyOfPlay, BookLearningBound);
    std::printf("OpeningsBook = %s\n", BookInUseText().c_str());
    std::printf("UseLearning = %s", OnOff(UseLearning));
    std::printf("UseLearningData = %s", OnOff(UseLearningData));
    std::printf("LogLearningIntoFile = %s", OnOff(LogLearningIntoFile));
    std::printf("MoveOverhead = %d ms\n", MoveOverheadMs);
    std::printf("Pondering = %s\n", OnOff(PonderingAllowed));
    std::fflush(stdout);
}

// Looks for tablebase files on the path and takes the cache when any are
// there; with tablebases switched off nothing is probed.
void ScanTablebases() {
    if (!UseEgtb) {
        EgtbMaxPieces = 0;
        return;
    }
    EgtbMaxPieces = InitTablebases(EgtbPath);
    PrintTablebasesFound();
    if (EgtbMaxPieces) AllocTableCache();
}

}  // namespace

int main() {
    // The program takes no arguments and reads none.
    IgnoreSignals();
    // The search prints its thinking and polls for commands through these.
    InstallSearchHooks();
    // A hash table that cannot be had ends the program the orderly way.
    HashAllocationExit = ExitProgram;
    SetFirstDefaults();

    std::printf("Korvalent v1.50 [r2055/01.01.2014]\n");
    std::fflush(stdout);

    // Constant tables. The hash keys are drawn before the generator is seeded
    // below, so they are the same in every run.
    AllocTokenBuffers();
    InitEngineTables();
    InitScoreHistory();

    // Evaluation parameters and the tables derived from them.
    LoadValues();
    DeriveEvalTables();
    std::memset(CaptureTries, 0, sizeof CaptureTries);
    std::memset(CaptureSuccess, 0, sizeof CaptureSuccess);
    std::memset(CaptureStatStamp, 0, sizeof CaptureStatStamp);

    SetSettingDefaults();
    ReadIniFile();

    // A failed allocation ends the program here with code 1.
    AllocateHashTables();
    // From here on the book's random choices differ from run to run.
    SeedRand(u32(WallTimeSeconds()));
    // The settings file may have opened a book already; if not, the default.
    OpenDefaultBookWhenNone();
    EchoSettings();
    if (UseLearningData || UseLearning) OpenLearningFile();

    PostFlag = 1;
    EngineTimeCs = -1;
    ScanTablebases();
    NewGame();

    for (;;) {
        // The end of input ends the program as "quit" would.
        if (ReadInputLine(1, InputLine) < 0) ExitProgram(0);
        ExecuteCommand();
    }
}
