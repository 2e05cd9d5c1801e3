// Making opening books: the positions and moves of PGN games with the
// counters their results give, or the tree of a Polyglot book with counters
// that follow its weights, ready for the book writer.
#pragma once

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "board/types.h"
#include "book/book_writer.h"
#include "book/polyglot.h"

// Counters from a tally of credits, as book learning gives them (a win 2 to
// wins, a loss 2 to losses, a draw 1 to each): scaled down, their ratio
// kept, until both fit BookCounterMax. 0 and 0 stay the word 0, no games.
u16 BookStatsFromCredits(u64 wins, u64 losses);

// Counters whose win ratio (wins x 1000 / games, as the book choice reads
// it) follows the weight: wins and losses add up to 100 (fifty games) and
// wins = weight x 100 / best, so the ratio is the weight's whole percent of
// the best weight, and the best gets 1000. A move thus passes the choice's
// threshold of (100 - VarietyOfPlay) % of the best ratio exactly when its
// weight is at least that share of the best weight. Weight 0 (or a best of
// 0) gives BookStatsExcluded.
u16 BookStatsForWeight(u32 weight, u32 best);

// A game's result from the view of the side to move in a position.
enum class GameOutcome { Win, Draw, Loss, Unknown };

// The positions of many games, merged by book key, with the moves played
// from each and their tallies.
class BookCollector {
public:
    // Adds one game's move from the current board. The book key ignores
    // castling rights and the en-passant square, so a position met again
    // may differ from the one its key was first met at: a castling or
    // en-passant move that the first one does not allow is refused (false).
    bool AddMove(Move move, GameOutcome outcome);

    size_t PositionCount() const { return positions.size(); }

    // The book's positions in index order, each with the moves played in at
    // least minGames games, the most played first; positions left without
    // moves are left out.
    std::vector<BookWriterPosition> Positions(u32 minGames) const;

private:
    struct MoveTally {
        u8 from, to;
        u32 games;
        u64 wins, losses;  // credits as book learning counts them
    };
    struct PositionTally {
        i8 castling;       // the rights where the key was first met
        i8 enPassantFile;  // -1 when no en-passant capture was possible there
        std::vector<MoveTally> moves;
    };
    std::unordered_map<u64, PositionTally> positions;  // key1 << 32 | key2
};

// What reading one PGN file gave.
struct PgnBookCounts {
    i64 games = 0;         // games met in the file
    i64 cutGames = 0;      // ended early at an illegal or unreadable move
    i64 skippedGames = 0;  // set-up position (FEN tag) that is not a position
};

using BookWarning = std::function<void(const std::string&)>;
// Called now and then with the games read so far and the bytes consumed.
using PgnProgress = std::function<void(i64 games, i64 bytes)>;

// Reads every game of the open file into collector, each from its set-up
// position (the FEN tag, or the start position) up to ply plies of the game
// (counted from the start of the game, so a FEN's move number counts). An
// illegal, ambiguous or unreadable move ends its game with a warning that
// names the file (name) and the game number; the games after it are read
// on.
PgnBookCounts ReadPgnIntoBook(FILE* file, const std::string& name, i32 plies,
                              BookCollector& collector, const BookWarning& warn,
                              const PgnProgress& progress);

// What converting a Polyglot book gave.
struct PolyglotConversion {
    std::vector<BookWriterPosition> positions;  // index order
    i64 positionsWalked = 0;  // distinct Polyglot positions reached
    i64 illegalMoves = 0;     // entries naming no legal move of their position
};

// Called now and then with the positions walked so far.
using PolyglotProgress = std::function<void(i64 positions)>;

// Walks the tree of a Polyglot book from the start position through every
// move the book lists, breadth first, up to ply plies, and gives each
// position reached with book moves its list: the legal moves in order of
// weight (the first entry of a move counts), counters from
// BookStatsForWeight. Positions that share a book key (they differ in
// castling rights or the en-passant square only) take the list of the one
// met first. The entries need not be sorted.
PolyglotConversion ConvertPolyglotBook(std::vector<PolyglotEntry> entries, i32 plies,
                                       const PolyglotProgress& progress);
