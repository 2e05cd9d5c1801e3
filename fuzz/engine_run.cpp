// The in-process engine run shared by the fuzz targets.
//
// The engine's entry point is compiled a second time as KorvalentMain
// (src/driver/main.cpp with -Dmain=KorvalentMain) and linked with
// --wrap for the few calls that leave the process:
//
//   ExitProgram      "quit", the end of input and every other way out:
//   exit             RunCommands keeps the engine as it is (ExitProgram
//                    throws back to it); RunEngine lets ExitProgram release
//                    everything and catches its std::exit instead.
//   ReadStdin        standard input is the fuzzer's bytes, in memory;
//   StdinHasData     they are always there (or their end is).
//   NowMs            a clock that moves one millisecond per look, so a
//   WallTimeSeconds  run does the same thing every time it is repeated.
//   InputAvailable   the search's look at the input (every TimeCheckInterval
//                    nodes): after PollBudget looks in one run the search is
//                    stopped there as "stop" would stop it, so a fuzzed
//                    "go depth 60", "st 1000" or "go infinite" ends quickly
//                    and the same way on every run.
//
// Nothing under src/ is changed for this.
#include "engine_run.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "board/board.h"
#include "board/modes.h"
#include "driver/command_loop.h"
#include "driver/exit.h"
#include "driver/new_game.h"
#include "driver/search_input.h"
#include "eval/eval_params.h"
#include "eval/personality.h"
#include "platform/input_reader.h"
#include "search/hash_tables.h"
#include "search/root_moves.h"
#include "search/search_limits.h"
#include "search/trans_table.h"

int KorvalentMain();

namespace {

struct EngineExit {
    int code;
};

bool EngineRunning = false;
// ExitProgram returns to RunCommands at once, keeping the tables.
bool KeepEngine = false;

std::string StdinText;
size_t StdinRead = 0;

i64 VirtualClockMs = 0;

// Looks at the input the search may take in one run, and the nodes between
// two looks once it has looked once: together some tens of thousands of
// nodes of searching per run.
constexpr i32 PollBudget = 30;
constexpr i32 PollIntervalNodes = 1000;
i32 PollsThisRun = 0;

// Settings and search state that command words change and start-up does
// not set again (a "quit" may even come in the middle of a search): RunEngine
// puts back the values they had before the first run, RunCommands those the
// last start-up left.
struct SavedGlobal {
    void* address;
    size_t size;
    std::vector<char> value;
};

template <typename T>
SavedGlobal Save(T& global) {
    const char* bytes = reinterpret_cast<const char*>(&global);
    return {&global, sizeof global, std::vector<char>(bytes, bytes + sizeof global)};
}

std::vector<SavedGlobal> RestartedValues() {
    return {
        Save(TuneC1),           Save(TuneC2),           Save(TuneC3),         Save(TuneM1),
        Save(TuneM2),           Save(TuneM3),           Save(DepthLimit),     Save(MoveTimeCs),
        Save(MateLimit),        Save(EngineTimeCs),     Save(OpponentTimeCs), Save(EngineIncrementCs),
        Save(MovesToGo),        Save(LevelTimeCs),      Save(NodeLimit),      Save(MultiPv),
        Save(TimeCheckInterval), Save(SearchMovesCount), Save(ForceMode),     Save(FritzMode),
        Save(UciMode),          Save(DebugMode),        Save(PostFlag),       Save(PonderEnabled),
        Save(PonderingAllowed),
        // The search's state, for a "quit" that came in the middle of one.
        Save(PonderingNow),     Save(PonderInterrupted), Save(PendingMove),   Save(NewGameRequested),
        Save(UndoRequested),    Save(ExitRequested),    Save(PonderSearch),   Save(SilentSearch),
        Save(ExpectedReply),    Save(PonderReplyEnd),   Save(AnalysisRunning), Save(AwaitingStop),
        Save(PonderStopped),    Save(SearchPly),        Save(MoveStackTop),
    };
}

void Restore(const std::vector<SavedGlobal>& saved) {
    for (const SavedGlobal& global : saved)
        std::memcpy(global.address, global.value.data(), global.size);
}

// Before the first run, as the program starts.
const std::vector<SavedGlobal>& ProgramStartValues() {
    static const std::vector<SavedGlobal> saved = RestartedValues();
    return saved;
}

// As the last start-up left them: taken when the command loop first reads.
std::vector<SavedGlobal> StartUpValues;
bool StartUpValuesDue = false;

void RemoveScratchDir();

const std::filesystem::path& ScratchDir() {
    // Never destroyed: the removal at exit runs after the destructors.
    static const std::filesystem::path* const dir = [] {
        std::error_code error;
        std::filesystem::path parent = std::filesystem::temp_directory_path(error);
        if (error) parent = "/tmp";
        std::string pattern = (parent / "korvalent-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        // Gone with a normal end of the fuzzer; a crash leaves it.
        std::atexit(RemoveScratchDir);
        return new std::filesystem::path(pattern);
    }();
    return *dir;
}

void RemoveScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(ScratchDir(), ignored);
}

// The run's files are named relative to the working directory; the
// fuzzer's own (corpus, artifacts) relative to the one it started in.
void ChangeDir(const std::filesystem::path& dir) {
    if (chdir(dir.c_str()) != 0) {
        std::perror("chdir");
        std::abort();
    }
}

void ClearScratchDir() {
    for (const auto& entry : std::filesystem::directory_iterator(ScratchDir()))
        std::filesystem::remove_all(entry.path());
}

}  // namespace

extern "C" {

[[noreturn]] void __real_exit(int code);
i32 __real__Z14InputAvailablev();
[[noreturn]] void __real__Z11ExitProgrami(i32 code);

// void ExitProgram(i32)
[[noreturn]] void __wrap__Z11ExitProgrami(i32 code) {
    if (KeepEngine) throw EngineExit{code};
    __real__Z11ExitProgrami(code);
}

[[noreturn]] void __wrap_exit(int code) {
    if (EngineRunning) throw EngineExit{code};
    __real_exit(code);
}

// i64 ReadStdin(char*, i64)
i64 __wrap__Z9ReadStdinPcl(char* buffer, i64 size) {
    if (StartUpValuesDue) {
        StartUpValues = RestartedValues();
        StartUpValuesDue = false;
    }
    const size_t count = std::min(size_t(std::max<i64>(size, 0)), StdinText.size() - StdinRead);
    std::memcpy(buffer, StdinText.data() + StdinRead, count);
    StdinRead += count;
    return i64(count);
}

// i32 StdinHasData(i32): bytes or the end of input are always there.
i32 __wrap__Z12StdinHasDatai(i32) { return 1; }

// i64 NowMs()
i64 __wrap__Z5NowMsv() { return ++VirtualClockMs; }

// i64 WallTimeSeconds()
i64 __wrap__Z15WallTimeSecondsv() { return 1388534400; }

// i32 InputAvailable(), as the search calls it.
i32 __wrap__Z14InputAvailablev() {
    TimeCheckInterval = std::min(TimeCheckInterval, PollIntervalNodes);
    if (++PollsThisRun > PollBudget) {
        board.SearchAbort = 1;
        return 1;
    }
    return __real__Z14InputAvailablev();
}

}  // extern "C"

const char* const ExerciseScript =
    "xboard\n"
    "easy\n"
    "sd 2\n"
    "evl\n"
    "moves\n"
    "go\n"
    "loadfen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1\n"
    "evl\n"
    "go\n"
    "loadfen 8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1\n"
    "evl\n"
    "go\n"
    "loadfen 8/8/4k3/8/8/3BN3/8/4K3 w - - 0 1\n"
    "evl\n"
    "go\n"
    "loadfen 8/8/8/4k3/8/8/4P3/4K3 b - - 0 1\n"
    "evl\n"
    "go\n"
    "new\n"
    "go\n"
    "go\n"
    "go\n";

const std::string& ShippedValues() {
    static const std::string text = [] {
        std::ifstream file(KORVALENT_SOURCE_DIR "/values.txt", std::ios::binary);
        const std::string read{std::istreambuf_iterator<char>(file), {}};
        // Without them every run would test an engine nobody ships.
        if (read.empty()) std::abort();
        return read;
    }();
    return text;
}

void WriteScratchFile(const std::string& name, const uint8_t* data, size_t size) {
    const std::filesystem::path path = ScratchDir() / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(data), std::streamsize(size));
}

const std::string& ScratchDirPath() {
    static const std::string path = ScratchDir().string();
    return path;
}

void ClearScratchFiles() { ClearScratchDir(); }

const char* const SmallHashSettings = "TranspositionSize = 12\nPawnHashSize = 12\n";

namespace {

// Runs `loop` in the scratch directory with `input` as standard input.
template <typename Loop>
void RunInScratchDir(const std::string& input, Loop loop) {
    const std::filesystem::path startDir = std::filesystem::current_path();
    ChangeDir(ScratchDir());
    // Small tables: clearing the default 16 MB on every start-up would take
    // most of the run's time.
    if (!std::filesystem::exists(ScratchDir() / "Korvalent.ini"))
        WriteScratchFile("Korvalent.ini", SmallHashSettings);
    // The parameters the engine ships with, as an installed engine has them.
    if (!std::filesystem::exists(ScratchDir() / "values.txt"))
        WriteScratchFile("values.txt", ShippedValues());
    StdinText = input;
    StdinRead = 0;
    VirtualClockMs = 0;
    PollsThisRun = 0;
    EngineRunning = true;
    try {
        loop();
    } catch (const EngineExit&) {
    }
    EngineRunning = false;
    ClearScratchDir();
    ChangeDir(startDir);
}

}  // namespace

void RunEngine(const std::string& input) {
    Restore(ProgramStartValues());
    SetBuiltInEvalParams();
    KeepEngine = false;
    RunInScratchDir(input, [] { KorvalentMain(); });
}

void RunCommands(const std::string& input, bool restart) {
    static bool started = false;
    if (!started || restart) {
        Restore(ProgramStartValues());
        SetBuiltInEvalParams();
        StartUpValuesDue = true;
        started = true;
        KeepEngine = true;
        RunInScratchDir(input, [] { KorvalentMain(); });
        return;
    }
    Restore(StartUpValues);
    SetDefaultPersonality();
    ResetInputReader();
    NewGame();
    ClearTransTable();
    ClearPawnHash();
    KeepEngine = true;
    // The command loop of the program's entry point.
    RunInScratchDir(input, [] {
        for (;;) {
            if (ReadInputLine(1, InputLine) < 0) ExitProgram(0);
            ExecuteCommand();
        }
    });
}
