#include "book/book_maker.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <deque>
#include <unordered_set>

#include "board/board.h"
#include "board/fen.h"
#include "board/make_move.h"
#include "board/pgn.h"
#include "board/position_check.h"
#include "book/book.h"

namespace {

// Counters for a weight always add up to this: fifty games, each win or
// loss worth two. A win ratio in permille is then ten times the wins, so it
// falls on whole percents, the steps the book choice compares with.
constexpr u32 WeightPairCredits = 100;
static_assert(WeightPairCredits <= BookCounterMax, "the counters fit a new book");

bool IsCastlingMove(Move move) {
    const i32 step = MoveTo(move) - MoveFrom(move);
    return MovePiece(move) == KING && (step == 2 || step == -2);
}

// The castling flag a castling move needs: 1 white short, 2 white long,
// 4 black short, 8 black long.
i32 CastlingRightOf(Move move) {
    const bool white = MoveFrom(move) == E1;
    const bool kingSide = MoveTo(move) > MoveFrom(move);
    return white ? (kingSide ? 1 : 2) : (kingSide ? 4 : 8);
}

u64 CombinedBookKey() {
    u32 key1, key2;
    BookKeyOfPosition(&key1, &key2);
    return u64(key1) << 32 | key2;
}

BookWriterPosition SplitKey(u64 key) { return {u32(key >> 32), u32(key), {}}; }

}  // namespace

u16 BookStatsFromCredits(u64 wins, u64 losses) {
    const u64 most = std::max(wins, losses);
    if (most > BookCounterMax) {
        wins = (wins * BookCounterMax + most / 2) / most;
        losses = (losses * BookCounterMax + most / 2) / most;
    }
    return u16(wins | losses << 8);
}

u16 BookStatsForWeight(u32 weight, u32 best) {
    if (weight == 0 || best == 0) return BookStatsExcluded;
    const u32 wins = u32(std::min<u64>(u64(weight) * WeightPairCredits / best, WeightPairCredits));
    return u16(wins | (WeightPairCredits - wins) << 8);
}

// ---------------------------------------------------------------------------

bool BookCollector::AddMove(Move move, GameOutcome outcome) {
    const u64 key = CombinedBookKey();
    auto found = positions.find(key);
    if (found == positions.end()) {
        PositionTally fresh;
        fresh.castling = i8(board.CastlingFlags & 15);
        fresh.enPassantFile = i8(EnPassantCaptureFile());
        found = positions.emplace(key, std::move(fresh)).first;
    }
    PositionTally& position = found->second;
    // The move is legal here; where the key was first met, it may not be.
    if (IsCastlingMove(move) && !(position.castling & CastlingRightOf(move))) return false;
    if (IsEnPassantMove(move) && position.enPassantFile != FileOf(MoveTo(move))) return false;

    const u8 from = u8(MoveFrom(move)), to = u8(MoveTo(move));
    auto tally = std::find_if(position.moves.begin(), position.moves.end(),
                              [&](const MoveTally& m) { return m.from == from && m.to == to; });
    if (tally == position.moves.end()) {
        position.moves.push_back({from, to, 0, 0, 0});
        tally = position.moves.end() - 1;
    }
    tally->games++;
    switch (outcome) {
    case GameOutcome::Win: tally->wins += 2; break;
    case GameOutcome::Loss: tally->losses += 2; break;
    case GameOutcome::Draw:
        tally->wins += 1;
        tally->losses += 1;
        break;
    case GameOutcome::Unknown: break;
    }
    return true;
}

std::vector<BookWriterPosition> BookCollector::Positions(u32 minGames) const {
    std::vector<BookWriterPosition> result;
    result.reserve(positions.size());
    for (const auto& [key, position] : positions) {
        std::vector<MoveTally> kept;
        for (const MoveTally& m : position.moves)
            if (m.games >= minGames) kept.push_back(m);
        if (kept.empty()) continue;
        std::stable_sort(kept.begin(), kept.end(),
                         [](const MoveTally& a, const MoveTally& b) { return a.games > b.games; });
        BookWriterPosition written = SplitKey(key);
        for (const MoveTally& m : kept)
            written.entries.push_back({m.from, m.to, BookStatsFromCredits(m.wins, m.losses)});
        result.push_back(std::move(written));
    }
    SortBookIndex(result);
    return result;
}

// ---------------------------------------------------------------------------
// PGN games.

namespace {

enum class GameResult { WhiteWon, BlackWon, Drawn, Unknown };

GameResult ResultOfTag(const char* value) {
    if (*value == '"') value++;
    if (std::strncmp(value, "1-0", 3) == 0) return GameResult::WhiteWon;
    if (std::strncmp(value, "0-1", 3) == 0) return GameResult::BlackWon;
    if (std::strncmp(value, "1/2", 3) == 0) return GameResult::Drawn;
    return GameResult::Unknown;
}

GameOutcome OutcomeForSideToMove(GameResult result) {
    switch (result) {
    case GameResult::Drawn: return GameOutcome::Draw;
    case GameResult::Unknown: return GameOutcome::Unknown;
    case GameResult::WhiteWon: return board.SideToMove == WHITE ? GameOutcome::Win : GameOutcome::Loss;
    case GameResult::BlackWon: return board.SideToMove == BLACK ? GameOutcome::Win : GameOutcome::Loss;
    }
    return GameOutcome::Unknown;
}

bool TagIs(const PgnTag& tag, const char* name) {
    return tag.nameLength == i32(std::strlen(name)) && PgnTagNameIs(tag, name);
}

// The text between the quotes of a tag value (all of it without quotes).
std::string Unquoted(const char* value) {
    const char* start = value[0] == '"' ? value + 1 : value;
    const char* end = std::strchr(start, '"');
    return end ? std::string(start, end) : std::string(start);
}

// The ply of the game at a FEN's position: from its move number (the sixth
// field), 0 when it has none.
i32 PlyOfFen(const std::string& fen) {
    i32 field = 0;
    size_t at = 0;
    while (at < fen.size()) {
        while (at < fen.size() && fen[at] == ' ') at++;
        if (at == fen.size()) break;
        const size_t end = fen.find(' ', at) == std::string::npos ? fen.size() : fen.find(' ', at);
        if (++field == 6) {
            i32 number = 0;
            for (size_t i = at; i < end && fen[i] >= '0' && fen[i] <= '9' && number < 10000; i++)
                number = number * 10 + (fen[i] - '0');
            if (number < 1) return 0;
            return 2 * (number - 1) + (board.SideToMove == BLACK ? 1 : 0);
        }
        at = end;
    }
    return 0;
}

// "12.Nf3" or "12...Nf6" for the move at ply.
std::string MoveLabel(i32 ply, const char* text) {
    char label[64];
    std::snprintf(label, sizeof label, "%d%s%s", ply / 2 + 1, ply % 2 ? "..." : ".", text);
    return label;
}

// Refused set-up texts are reported as warnings of the game file.
struct QuietRefusals {
    bool saved = QuietPositionRefusals;
    QuietRefusals() { QuietPositionRefusals = true; }
    ~QuietRefusals() { QuietPositionRefusals = saved; }
};

}  // namespace

PgnBookCounts ReadPgnIntoBook(FILE* file, const std::string& name, i32 plies,
                              BookCollector& collector, const BookWarning& warn,
                              const PgnProgress& progress) {
    QuietRefusals quiet;
    PgnStream in(file);
    PgnBookCounts counts;
    const auto gameWarning = [&](i64 game, const std::string& what) {
        warn(name + ": game " + std::to_string(game) + ": " + what);
    };

    while (!SkipToPgnTag(in)) {
        const i64 game = ++counts.games;
        GameResult result = GameResult::Unknown;
        std::string fen;
        bool hasFen = false;
        PgnTag tag;
        i32 tags;
        do {
            tags = ReadPgnTag(in, &tag, true);
            if (tags == 1) break;
            if (TagIs(tag, "result")) result = ResultOfTag(tag.value);
            if (TagIs(tag, "fen")) {
                fen = Unquoted(tag.value);
                hasFen = true;
            }
        } while (tags == 2);
        if (tags == 1) break;

        // The game's first position.
        bool ended = false;
        i32 ply = 0;
        if (hasFen) {
            if (ParseFen(fen.c_str())) {
                ply = PlyOfFen(fen);
            } else {
                gameWarning(game, std::string("its FEN tag is no position (") + LastPositionRefusal +
                                      "); the game is left out");
                counts.skippedGames++;
                ended = true;
            }
        } else {
            SetupStartPosition();
        }

        // The moves, up to the next game's first tag; those past the last
        // ply wanted and those after a faulty one are only read over.
        for (;;) {
            if (SkipBetweenMoves(in) || PgnPeekChar(in) == '[') break;
            char text[PgnMoveTextSize + 1];
            const i32 first = PgnPeekChar(in);
            const i32 token = ReadPgnMoveToken(in, text);
            if (token == 1 && text[0] == '\0') break;
            if (!ended && ply < plies) {
                Move move = NoMove;
                const i32 fitting = token == 2 || text[0] == '\0' ? -1 : FindPgnMove(text, &move);
                if (fitting != 1) {
                    std::string what;
                    if (text[0] == '\0')
                        what = "unreadable character '" + std::string(1, char(first)) + "' at move " +
                               MoveLabel(ply, "");
                    else
                        what = std::string(fitting == 0 ? "illegal move " : fitting > 1 ? "ambiguous move "
                                                                                         : "unreadable move ") +
                               MoveLabel(ply, text) + (token == 2 ? "..." : "");
                    gameWarning(game, what + "; the rest of the game is left out");
                    counts.cutGames++;
                    ended = true;
                } else {
                    collector.AddMove(move, OutcomeForSideToMove(result));
                    MakeMove(move, 1);
                    ply++;
                }
            }
            if (token == 1) break;
        }
        if (progress && game % 64 == 0) progress(game, in.position);
    }
    if (progress) progress(counts.games, in.position);
    return counts;
}

// ---------------------------------------------------------------------------
// Polyglot books.

PolyglotConversion ConvertPolyglotBook(std::vector<PolyglotEntry> entries, i32 plies,
                                       const PolyglotProgress& progress) {
    // By key, and within a key by falling weight; equal weights keep their
    // order in the file.
    std::stable_sort(entries.begin(), entries.end(), [](const PolyglotEntry& a, const PolyglotEntry& b) {
        return a.key != b.key ? a.key < b.key : a.weight > b.weight;
    });

    QuietRefusals quiet;
    PolyglotConversion result;
    std::unordered_map<u64, size_t> listed;  // book key -> index in positions
    std::unordered_set<u64> reached;         // Polyglot keys met
    struct Waiting {
        std::string fen;
        i32 ply;
    };
    std::deque<Waiting> queue;

    SetupStartPosition();
    reached.insert(PolyglotKeyOfPosition());
    WriteFen(NoMove);
    queue.push_back({FenText, 0});

    struct BookMove {
        Move move;
        u16 weight;
    };
    std::vector<BookMove> moves;
    while (!queue.empty()) {
        const Waiting here = std::move(queue.front());
        queue.pop_front();
        // The engine writes every position it reaches in a form it reads.
        if (!ParseFen(here.fen.c_str())) continue;
        result.positionsWalked++;
        if (progress && result.positionsWalked % 1024 == 0) progress(result.positionsWalked);

        const u64 key = PolyglotKeyOfPosition();
        auto first = std::lower_bound(entries.begin(), entries.end(), key,
                                      [](const PolyglotEntry& e, u64 k) { return e.key < k; });
        moves.clear();
        for (auto e = first; e != entries.end() && e->key == key; ++e) {
            const Move move = PolyglotMoveOnBoard(e->move);
            if (move == NoMove) {
                result.illegalMoves++;
                continue;
            }
            // The book keeps no promotion piece: an under-promotion and the
            // queen's share one entry, the heavier one's.
            const bool seen = std::any_of(moves.begin(), moves.end(), [&](const BookMove& m) {
                return MoveFrom(m.move) == MoveFrom(move) && MoveTo(m.move) == MoveTo(move);
            });
            if (!seen && moves.size() < BookMaxListEntries) moves.push_back({move, e->weight});
        }
        if (moves.empty()) continue;

        const u64 bookKey = CombinedBookKey();
        if (listed.find(bookKey) == listed.end()) {
            listed.emplace(bookKey, result.positions.size());
            BookWriterPosition position = SplitKey(bookKey);
            const u32 best = moves.front().weight;
            for (const BookMove& m : moves)
                position.entries.push_back({u8(MoveFrom(m.move)), u8(MoveTo(m.move)),
                                            BookStatsForWeight(m.weight, best)});
            result.positions.push_back(std::move(position));
        }

        if (here.ply + 1 >= plies) continue;
        for (const BookMove& m : moves) {
            MakeMove(m.move, 1);
            if (reached.insert(PolyglotKeyOfPosition()).second) {
                WriteFen(NoMove);
                queue.push_back({FenText, here.ply + 1});
            }
            UnmakeMove();
        }
    }
    if (progress) progress(result.positionsWalked);
    SortBookIndex(result.positions);
    return result;
}
