#include "driver/book_tool.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "board/position_check.h"
#include "book/book.h"
#include "book/book_check.h"
#include "book/book_maker.h"
#include "book/book_writer.h"
#include "book/polyglot.h"
#include "platform/platform.h"

namespace {

constexpr const char* Program = "korvalent-book";
constexpr i32 ExitInput = 1;
constexpr i32 ExitUsage = 2;

constexpr i32 DefaultPgnPlies = 30;
constexpr i32 DefaultPolyglotPlies = 40;
constexpr i32 MaxPlies = 1000;
// Progress lines start after this long and come this often.
constexpr i64 ProgressDelayMs = 1000;

constexpr const char* HelpText =
    "Usage: korvalent-book VERB ARGUMENTS [OPTIONS]\n"
    "\n"
    "Makes opening books (Book.kvb) for the Korvalent chess engine and shows\n"
    "what they hold.\n"
    "\n"
    "Verbs:\n"
    "  from-pgn GAMES.pgn... -o BOOK [--plies N] [--min-games N]\n"
    "      Every position of the games up to ply N (default 30), each with the\n"
    "      moves played there and their wins and losses for the side to move\n"
    "      (a draw counts one of each; games without a result count nothing).\n"
    "      Positions that differ only in castling rights or the en-passant\n"
    "      square are one book position. A move played in fewer games than\n"
    "      --min-games (default 1) is left out. An illegal or unreadable move\n"
    "      ends its game with a warning; the other games are read on.\n"
    "  from-polyglot BOOK.bin -o BOOK [--plies N]\n"
    "      The tree of a Polyglot opening book, walked from the start position\n"
    "      through every move it lists up to ply N (default 40). The moves keep\n"
    "      the book's order of weight, and a move's win ratio is its weight as\n"
    "      a whole percent of the heaviest move's (which gets 100%); a move of\n"
    "      weight 0 is listed but never played.\n"
    "  show BOOK [FEN]\n"
    "      The book's version and size, and the book moves of the position (the\n"
    "      start position by default) as the engine's \"bkm\" command lists them.\n"
    "\n"
    "Options:\n"
    "  -o, --output BOOK  the book to write; it is replaced only once the whole\n"
    "                     new book has been written, and never an input file\n"
    "  --plies N          how deep the book reaches, in plies (1 to 1000)\n"
    "  --min-games N      fewest games that keep a move in a book from PGN\n"
    "  -h, --help         this text\n"
    "\n"
    "Examples:\n"
    "  korvalent-book from-pgn games.pgn more.pgn -o Book.kvb --plies 24 --min-games 2\n"
    "  korvalent-book from-polyglot /usr/share/games/gnuchess/book.bin -o Book.kvb\n"
    "  korvalent-book show Book.kvb \"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1\"\n"
    "\n"
    "The engine opens Book.kvb in the directory it starts in. With book learning\n"
    "on (the default), it adds the result of each game it played from the book\n"
    "to the counters of its own book moves, so that moves that lost are played\n"
    "less.\n"
    "\n"
    "Exit status: 0 done, 1 an input that cannot be read or a book that cannot\n"
    "be written, 2 bad usage.\n";

int UsageError(const std::string& what) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", Program, what.c_str(),
                 Program);
    return ExitUsage;
}

// The progress line on standard error: only on a terminal, where a person
// watches work of more than a second, as one line rewritten once a second
// and wiped before any other line. Where standard error is a file or a pipe
// it would only add numbers that change from run to run.
class Progress {
public:
    Progress() { Active = this; }
    ~Progress() {
        Clear();
        Active = nullptr;
    }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    bool Due() {
        if (!onTerminal) return false;
        const i64 now = NowMs();
        if (now < next) return false;
        next = now + ProgressDelayMs;
        return true;
    }
    void Show(const std::string& text) {
        const std::string line = std::string(Program) + ": " + text;
        std::fprintf(stderr, "\r%-*s", int(width), line.c_str());
        std::fflush(stderr);
        width = std::max(width, line.size());
    }
    // Wipes the progress line, if one is on screen.
    static void Wipe() {
        if (Active) Active->Clear();
    }

private:
    void Clear() {
        if (width == 0) return;
        std::fprintf(stderr, "\r%*s\r", int(width), "");
        std::fflush(stderr);
        width = 0;
    }
    static Progress* Active;
    bool onTerminal = IsTerminal(stderr);
    i64 next = NowMs() + ProgressDelayMs;
    size_t width = 0;
};

Progress* Progress::Active = nullptr;

int InputError(const std::string& what) {
    Progress::Wipe();
    std::fprintf(stderr, "%s: %s\n", Program, what.c_str());
    return ExitInput;
}

void Warn(const std::string& what) {
    Progress::Wipe();
    std::fprintf(stderr, "%s: %s\n", Program, what.c_str());
}

// The arguments of one run.
struct Arguments {
    std::string verb;
    std::vector<std::string> operands;
    std::string output;
    i32 plies = -1;
    i32 minGames = 1;
    bool minGamesGiven = false;
    bool help = false;
};

// A whole number in [low, high]; false when the text is none.
bool ReadNumber(const std::string& text, i32 low, i32 high, i32* value) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    const i32 number = std::atoi(text.c_str());
    if (number < low || number > high) return false;
    *value = number;
    return true;
}

// Parses the command line; an empty string, or the usage problem.
std::string ParseArguments(int argc, char** argv, Arguments* args) {
    bool optionsOver = false;
    for (i32 i = 1; i < argc; i++) {
        std::string word = argv[i], value;
        const bool isOption = !optionsOver && word.size() > 1 && word[0] == '-';
        if (!isOption) {
            if (args->verb.empty())
                args->verb = word;
            else
                args->operands.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsOver = true;
            continue;
        }
        if (word == "-h" || word == "--help") {
            args->help = true;
            continue;
        }
        // --name=value or --name value.
        const size_t equals = word.find('=');
        const bool inlineValue = word.compare(0, 2, "--") == 0 && equals != std::string::npos;
        if (inlineValue) {
            value = word.substr(equals + 1);
            word = word.substr(0, equals);
        }
        if (word != "-o" && word != "--output" && word != "--plies" && word != "--min-games")
            return "unknown option " + word;
        if (!inlineValue) {
            if (i + 1 >= argc) return "option " + word + " needs a value";
            value = argv[++i];
        }
        if (word == "-o" || word == "--output") {
            if (value.empty()) return "option " + word + " needs a file name";
            args->output = value;
        } else if (word == "--plies") {
            if (!ReadNumber(value, 1, MaxPlies, &args->plies))
                return "--plies takes a number of plies from 1 to " + std::to_string(MaxPlies) +
                       ", not '" + value + "'";
        } else if (!ReadNumber(value, 1, 1000000, &args->minGames)) {
            return "--min-games takes a number of games from 1 on, not '" + value + "'";
        } else {
            args->minGamesGiven = true;
        }
    }
    return "";
}

// Opens a file to read; null, with the reason, when it cannot be read as one.
// Only a regular file is opened, and the open never waits: a FIFO without a
// writer would block it, and one with a writer would feed it for ever.
FILE* OpenInput(const std::string& path, std::string* problem) {
    const OpenedFile opened = OpenRegularFileAsNamed(path, "rb");
    if (opened.failure == OpenFailure::NotRegular)
        *problem = path + ": not a regular file";
    else if (!opened.file)
        *problem = path + ": " + std::strerror(opened.errorNumber);
    return opened.file;
}

// The book would be written over one of the inputs (by the same name,
// another path to it or a link): the line that says so, or "" when the
// output is another file.
std::string OutputReplacesInput(const std::string& output, const std::vector<std::string>& inputs) {
    FileIdentity written;
    if (!PathIdentity(output, &written)) return "";
    for (const std::string& input : inputs) {
        FileIdentity read;
        if (PathIdentity(input, &read) && read == written)
            return "-o " + output + " names the input file " + input + "; nothing written";
    }
    return "";
}

i64 FileSize(FILE* file) {
    if (std::fseek(file, 0, SEEK_END) != 0) return -1;
    const i64 size = i64(std::ftell(file));
    std::rewind(file);
    return size;
}

// Writes the book through a temporary file; exit code and summary.
int WriteOutput(const std::string& path, const std::vector<BookWriterPosition>& positions,
                const std::string& summary) {
    AtomicFileWriter writer;
    std::string problem;
    if (!writer.Open(path, &problem)) return InputError("cannot write " + path + ": " + problem);
    WriteBook(writer.File(), BookVersion1, positions);
    if (!writer.Commit(&problem)) return InputError("cannot write " + path + ": " + problem);
    u64 moves = 0;
    for (const BookWriterPosition& position : positions) moves += position.entries.size();
    Progress::Wipe();
    std::printf("%s: %zu positions, %llu moves, %s\n", path.c_str(), positions.size(),
                static_cast<unsigned long long>(moves), summary.c_str());
    return 0;
}

int FromPgn(const Arguments& args) {
    if (args.operands.empty()) return UsageError("from-pgn needs at least one PGN file");
    if (args.output.empty()) return UsageError("from-pgn needs the book to write: -o BOOK");
    const i32 plies = args.plies > 0 ? args.plies : DefaultPgnPlies;
    const std::string replaced = OutputReplacesInput(args.output, args.operands);
    if (!replaced.empty()) return InputError(replaced);

    BookCollector collector;
    PgnBookCounts total;
    for (const std::string& path : args.operands) {
        std::string problem;
        FILE* file = OpenInput(path, &problem);
        if (!file) return InputError(problem);
        const i64 size = FileSize(file);
        Progress progress;
        const PgnBookCounts counts = ReadPgnIntoBook(
            file, path, plies, collector, Warn, [&](i64 games, i64 bytes) {
                if (!progress.Due()) return;
                const i32 percent = size > 0 ? i32(bytes * 100 / size) : 100;
                progress.Show(path + ": " + std::to_string(games) + " games read (" + std::to_string(percent) +
                              "%), " + std::to_string(collector.PositionCount()) + " positions");
            });
        const bool failed = std::ferror(file);
        std::fclose(file);
        if (failed) return InputError(path + ": read error");
        if (counts.games == 0)
            return InputError(path + ": no games (no tag pair such as [Event \"...\"]); nothing written");
        total.games += counts.games;
        total.cutGames += counts.cutGames;
        total.skippedGames += counts.skippedGames;
    }

    const std::vector<BookWriterPosition> positions = collector.Positions(u32(args.minGames));
    if (positions.empty())
        return InputError("no book moves in " + std::to_string(total.games) +
                          " games (up to ply " + std::to_string(plies) + ", at least " +
                          std::to_string(args.minGames) + " game(s) a move); nothing written");
    std::string summary = "from " + std::to_string(total.games) + " games up to ply " +
                          std::to_string(plies);
    if (total.cutGames) summary += ", " + std::to_string(total.cutGames) + " cut short at a faulty move";
    if (total.skippedGames)
        summary += ", " + std::to_string(total.skippedGames) + " left out (set-up position refused)";
    return WriteOutput(args.output, positions, summary);
}

int FromPolyglot(const Arguments& args) {
    if (args.operands.size() != 1) return UsageError("from-polyglot takes one Polyglot book");
    if (args.output.empty()) return UsageError("from-polyglot needs the book to write: -o BOOK");
    if (args.minGamesGiven) return UsageError("from-polyglot takes no --min-games (a Polyglot book counts no games)");
    const i32 plies = args.plies > 0 ? args.plies : DefaultPolyglotPlies;
    const std::string& path = args.operands[0];
    const std::string replaced = OutputReplacesInput(args.output, args.operands);
    if (!replaced.empty()) return InputError(replaced);

    std::string problem;
    FILE* file = OpenInput(path, &problem);
    if (!file) return InputError(problem);
    const i64 size = FileSize(file);
    std::vector<u8> bytes(size > 0 ? size_t(size) : 0);
    const bool read = size >= 0 && std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    std::fclose(file);
    if (!read) return InputError(path + ": read error");
    if (bytes.size() % PolyglotEntrySize != 0)
        return InputError(path + ": not a Polyglot book: its length, " + std::to_string(bytes.size()) +
                          " bytes, is not a multiple of 16");
    std::vector<PolyglotEntry> entries = ParsePolyglotEntries(bytes.data(), bytes.size());
    if (entries.empty()) return InputError(path + ": not a Polyglot book: it is empty");
    const size_t entryCount = entries.size();

    Progress progress;
    const PolyglotConversion conversion =
        ConvertPolyglotBook(std::move(entries), plies, [&](i64 walked) {
            if (progress.Due()) progress.Show(path + ": " + std::to_string(walked) + " positions walked");
        });
    if (conversion.positions.empty())
        return InputError(path + ": no book move for the start position; nothing written");
    std::string summary = "from " + std::to_string(entryCount) + " Polyglot entries, " +
                          std::to_string(conversion.positionsWalked) + " positions walked to ply " +
                          std::to_string(plies);
    if (conversion.illegalMoves)
        summary += ", " + std::to_string(conversion.illegalMoves) + " entries naming no legal move";
    return WriteOutput(args.output, conversion.positions, summary);
}

// The book checked as the engine checks it at open: "" when it opens, else
// the line naming the file and what is wrong.
std::string BookProblem(const std::string& path, i32* version) {
    std::string problem;
    FILE* file = OpenInput(path, &problem);
    if (!file) return problem;
    const BookLayout layout = CheckBookFile(file);
    std::fclose(file);
    *version = layout.version;
    return layout.fault == BookFault::None ? "" : path + ": " + BookFaultText(layout);
}

int Show(const Arguments& args) {
    if (args.operands.empty()) return UsageError("show needs a book");
    if (!args.output.empty() || args.plies > 0 || args.minGamesGiven)
        return UsageError("show takes no -o, --plies or --min-games");
    const std::string& path = args.operands[0];
    i32 version = 0;
    const std::string problem = BookProblem(path, &version);
    if (!problem.empty()) return InputError(problem);

    // The position: a FEN, given as one argument or as several words.
    std::string fen;
    for (size_t i = 1; i < args.operands.size(); i++) fen += (i > 1 ? " " : "") + args.operands[i];
    if (fen.empty()) {
        SetupStartPosition();
    } else {
        QuietPositionRefusals = true;
        if (!ParseFen(fen.c_str()))
            return UsageError("not a position: " + std::string(LastPositionRefusal) + ": " + fen);
    }

    std::printf("%s: ~Korvalent openings book, version %d\n", path.c_str(), version);
    std::fflush(stdout);
    OpenBookForReading(path.c_str());
    if (!BookLoaded) return InputError(path + ": cannot be read as a book");
    WriteFen(NoMove);
    std::string position = FenText;
    while (!position.empty() && position.back() == ' ') position.pop_back();
    std::printf("Position: %s\n", position.c_str());
    PrintBookMoves();
    CloseBookFile();
    return 0;
}

}  // namespace

int RunBookTool(int argc, char** argv) {
    Arguments args;
    const std::string problem = ParseArguments(argc, argv, &args);
    if (args.help) {
        std::fputs(HelpText, stdout);
        return 0;
    }
    if (!problem.empty()) return UsageError(problem);
    if (args.verb.empty()) return UsageError("no verb: from-pgn, from-polyglot or show");

    InitEngineTables();
    int code;
    if (args.verb == "from-pgn")
        code = FromPgn(args);
    else if (args.verb == "from-polyglot")
        code = FromPolyglot(args);
    else if (args.verb == "show")
        code = Show(args);
    else if (args.verb == "help")
        code = (std::fputs(HelpText, stdout), 0);
    else
        return UsageError("unknown verb '" + args.verb + "' (from-pgn, from-polyglot or show)");
    std::fflush(stdout);
    return code;
}
