// korvalent-book on large inputs: the time and peak memory of making a book
// from GNU Chess's Polyglot book (Debian gnuchess-book) and from a PGN file
// of 10,000 games. The games are made up here: random legal moves from the
// start position, 40 to 160 plies, random results, written in standard
// algebraic notation. Random games share almost no position past the first
// few moves, so the PGN book is the largest such a file can give (about
// 30 positions a game at the default 30 plies): a worst case for memory.
// Each conversion runs the real executable as a child process three times;
// the table gives the fastest run and its peak resident memory.
//
//   bench_book_maker [korvalent-book] [games] [polyglot book]
//
// The tool defaults to ../korvalent-book beside the bench directory, the
// games to 10000, the Polyglot book to /usr/share/games/gnuchess/book.bin.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "board/attack_queries.h"
#include "board/board.h"
#include "board/init_tables.h"
#include "board/legal_moves.h"
#include "board/make_move.h"
#include "board/random.h"
#include "platform/platform.h"

namespace {

const char Letters[8] = {'?', 'K', 'N', 'P', '?', 'R', 'B', 'Q'};

std::vector<Move> LegalMoves() {
    GenerateLegalMoves(0);
    std::vector<Move> moves;
    for (i32 i = 0; i < MoveStackTop; i++) moves.push_back(MoveStack[i].move);
    MoveStackTop = 0;
    return moves;
}

std::string SquareText(Square sq) { return {char('a' + FileOf(sq)), char('1' + RankOf(sq))}; }

// The move in standard algebraic notation (no check marks).
std::string San(Move move, const std::vector<Move>& legal) {
    const Square from = MoveFrom(move), to = MoveTo(move);
    const PieceType piece = MovePiece(move);
    if (piece == KING && (to - from == 2 || from - to == 2)) return to > from ? "O-O" : "O-O-O";
    const bool capture = MoveCaptured(move) != EMPTY || IsEnPassantMove(move);
    std::string text;
    if (piece == PAWN) {
        if (capture) text = std::string(1, char('a' + FileOf(from))) + "x";
        text += SquareText(to);
        if (MovePromotion(move)) text += std::string("=") + Letters[MovePromotion(move)];
        return text;
    }
    bool rival = false, sameFile = false, sameRank = false;
    for (Move other : legal) {
        if (other == move || MovePiece(other) != piece || MoveTo(other) != to || MoveFrom(other) == from) continue;
        rival = true;
        sameFile |= FileOf(MoveFrom(other)) == FileOf(from);
        sameRank |= RankOf(MoveFrom(other)) == RankOf(from);
    }
    text = Letters[piece];
    if (rival) text += !sameFile ? SquareText(from).substr(0, 1) : !sameRank ? SquareText(from).substr(1) : SquareText(from);
    return text + (capture ? "x" : "") + SquareText(to);
}

bool WriteRandomGames(const std::string& path, i32 games) {
    FILE* out = std::fopen(path.c_str(), "w");
    if (!out) return false;
    RandomGenerator random;
    const char* results[3] = {"1-0", "0-1", "1/2-1/2"};
    for (i32 game = 1; game <= games; game++) {
        const char* result = results[random.Next() % 3];
        std::fprintf(out, "[Event \"random\"]\n[Round \"%d\"]\n[Result \"%s\"]\n\n", game, result);
        SetupStartPosition();
        const i32 plies = 40 + random.Next() % 121;
        std::string line;
        for (i32 ply = 0; ply < plies; ply++) {
            const std::vector<Move> legal = LegalMoves();
            if (legal.empty()) break;
            const Move move = legal[size_t(random.Next()) % legal.size()];
            std::string word = (ply % 2 == 0 ? std::to_string(ply / 2 + 1) + ". " : "") + San(move, legal);
            if (line.size() + word.size() + 1 > 79) {
                std::fprintf(out, "%s\n", line.c_str());
                line.clear();
            }
            line += (line.empty() ? "" : " ") + word;
            MakeMove(move, 1);
        }
        std::fprintf(out, "%s %s\n\n", line.c_str(), result);
    }
    return std::fclose(out) == 0;
}

struct Measure {
    double seconds = 1e9;
    long peakKiB = 0;
    bool ok = true;
};

// The fastest of three runs of the tool, with that run's peak memory.
Measure Time(const std::string& tool, const std::vector<std::string>& args) {
    Measure best;
    for (i32 run = 0; run < 3; run++) {
        std::fflush(stdout);
        const i64 start = NowMs();
        const pid_t child = fork();
        if (child == 0) {
            std::vector<char*> argv = {const_cast<char*>(tool.c_str())};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            if (!freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr)) _exit(126);
            execv(tool.c_str(), argv.data());
            _exit(127);
        }
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);
        const double seconds = double(NowMs() - start) / 1000.0;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) best.ok = false;
        if (seconds < best.seconds) {
            best.seconds = seconds;
            best.peakKiB = usage.ru_maxrss;
        }
    }
    return best;
}

long FileKiB(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? long(info.st_size / 1024) : -1;
}

std::string DefaultTool(const char* self) {
    char exe[4096];
    const ssize_t length = readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string path = length > 0 ? std::string(exe, size_t(length)) : std::string(self);
    path = path.substr(0, path.find_last_of('/'));
    return path + "/../korvalent-book";
}

}  // namespace

int main(int argc, char** argv) {
    const std::string tool = argc > 1 ? argv[1] : DefaultTool(argv[0]);
    const i32 games = argc > 2 ? std::atoi(argv[2]) : 10000;
    const std::string polyglot = argc > 3 ? argv[3] : "/usr/share/games/gnuchess/book.bin";
    InitEngineTables();

    char dir[] = "/tmp/bench-book-XXXXXX";
    if (!mkdtemp(dir)) return 1;
    const std::string pgn = std::string(dir) + "/games.pgn", book = std::string(dir) + "/Book.kvb";
    const i64 start = NowMs();
    if (!WriteRandomGames(pgn, games)) return 1;
    std::printf("wrote %d random games (%ld KiB) in %.1f s\n\n", games, FileKiB(pgn),
                double(NowMs() - start) / 1000.0);

    struct Row {
        std::string name, input;
        std::vector<std::string> args;
    };
    const std::vector<Row> rows = {
        {"from-polyglot (gnuchess-book)", polyglot, {"from-polyglot", polyglot, "-o", book}},
        {"from-pgn (" + std::to_string(games) + " games)", pgn, {"from-pgn", pgn, "-o", book}},
    };
    std::printf("| conversion | input KiB | time s | peak memory MiB | book KiB |\n");
    std::printf("|---|---|---|---|---|\n");
    bool ok = true;
    for (const Row& row : rows) {
        if (FileKiB(row.input) < 0) {
            std::printf("| %s | missing | | | |\n", row.name.c_str());
            continue;
        }
        const Measure m = Time(tool, row.args);
        ok = ok && m.ok;
        std::printf("| %s | %ld | %.2f | %.1f | %ld |%s\n", row.name.c_str(), FileKiB(row.input), m.seconds,
                    double(m.peakKiB) / 1024.0, FileKiB(book), m.ok ? "" : " (failed)");
    }
    unlink(pgn.c_str());
    unlink(book.c_str());
    rmdir(dir);
    return ok ? 0 : 1;
}
