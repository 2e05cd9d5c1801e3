// The opening book file: opening and checking it, the index search by book
// key, the choice of a book move, the "bkm" listing and book learning, which
// rewrites the counters of single entries in place.
#include "book/book.h"

#include <algorithm>
#include <cstdarg>
#include <limits>

#include "board/board.h"
#include "board/book_keys.h"
#include "board/legal_moves.h"
#include "board/make_move.h"
#include "board/random.h"
#include "book/book_check.h"
#include "platform/platform.h"

i32 BookLoaded = 0;
FILE* BookFileHandle = nullptr;
i32 BookReadOnly = 0;
i32 BookIsVersion0 = 0;
u32 BookNodeCount = 0;
i64 BookIndexEnd = 0;
i32 BookLearnedThisGame = 1;
i32 UseBookLearning = 1;
i32 UseBookWeights = 1;
i32 BookLearningMode = KILL;
i32 VarietyOfPlay = 10;
i32 BookLearningBound = 400;

namespace {

constexpr i64 IndexRecordSize = BookIndexRecordBytes;
// The header is three index-record slots long: the first record is number 3.
constexpr i64 FirstIndexRecord = 3;
constexpr i32 Version1EntrySize = 4;
constexpr i32 Version0EntrySize = 3;
// A move list holds at most 255 entries (its count is one byte).
constexpr i32 MaxBookMoves = 255;
constexpr u16 ExcludedStats = 0xFFFF;
constexpr u16 ExcludedMark = 255;
// Win ratios are in tenths of a percent; a move without games counts as
// an even score.
constexpr i32 FullRatio = 1000;
constexpr i32 UnplayedRatio = 500;
// Above any number of games a counter pair can hold.
constexpr i32 NoGamesYet = 32700;

// Learning adds these to the counters of a move (a draw is half a win and
// half a loss); a counter that would reach CounterLimit scales the whole
// list down to two thirds first.
constexpr i32 DecisiveCredit = 2;
constexpr i32 DrawCredit = 1;
constexpr i32 CounterLimit = 255;
// A list is its count byte and then the entries; an entry's counter word
// follows its two squares.
constexpr i64 ListCountSize = 1;
constexpr i64 StatsOffsetInEntry = 2;

// Bytes of the open book when it was checked: every read and write stays
// below, even when the file has been cut since.
i64 BookLength = 0;

// The move list of the last probe, in file order: squares as stored and
// the counter word (version 1) or the mark (version 0), and where the list
// lies in the file.
i64 BookChoiceListOffset = 0;
u8 BookChoiceFrom[MaxBookMoves];
u8 BookChoiceTo[MaxBookMoves];
u16 BookChoiceStats[MaxBookMoves];
i32 BookChoiceCount = 0;
// Entries of that list the choice may take.
bool BookChoicePlayable[MaxBookMoves];

// Every line the book code prints reaches the interface at once.
void PrintFlushed(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vprintf(format, arguments);
    va_end(arguments);
    std::fflush(stdout);
}

u32 LittleEndian32(const u8* bytes) {
    return u32(bytes[0]) | u32(bytes[1]) << 8 | u32(bytes[2]) << 16 | u32(bytes[3]) << 24;
}

// Places the book at offset; false when the stream cannot reach it.
bool SeekBook(i64 offset) {
    if (offset < 0 || offset > std::numeric_limits<long>::max()) return false;
    return std::fseek(BookFileHandle, long(offset), SEEK_SET) == 0;
}

// Reads exactly size bytes: false when the file ends first or fails.
bool ReadBook(void* to, size_t size) { return std::fread(to, 1, size, BookFileHandle) == size; }

i64 BookFileLength() {
    if (std::fseek(BookFileHandle, 0, SEEK_END) != 0) return -1;
    return i64(std::ftell(BookFileHandle));
}

// Reads the move list of the position FindBookPosition has just found into
// the choice arrays, whole; false when its offset, count or entries lie
// beyond the end of the file.
bool ReadFoundMoveList() {
    BookChoiceCount = 0;
    u8 offsetBytes[4];
    if (!ReadBook(offsetBytes, sizeof offsetBytes)) return false;
    BookChoiceListOffset = LittleEndian32(offsetBytes);
    if (!SeekBook(BookChoiceListOffset)) return false;
    u8 count;
    if (!ReadBook(&count, 1)) return false;
    const i32 entrySize = BookIsVersion0 ? Version0EntrySize : Version1EntrySize;
    if (BookChoiceListOffset + ListCountSize + i64(count) * entrySize > BookLength) return false;
    u8 entries[MaxBookMoves * Version1EntrySize];
    if (!ReadBook(entries, size_t(count) * size_t(entrySize))) return false;
    for (i32 i = 0; i < count; i++) {
        const u8* entry = entries + i * entrySize;
        BookChoiceFrom[i] = entry[0];
        BookChoiceTo[i] = entry[1];
        BookChoiceStats[i] = BookIsVersion0 ? u16(entry[2]) : u16(entry[2] | entry[3] << 8);
    }
    BookChoiceCount = count;
    return true;
}

// The current position's book moves in the choice arrays: their number, or
// -1 when the position is not in the book or its list cannot be read whole.
i32 LoadBookMoves() {
    BookChoiceCount = 0;
    if (!FindBookPosition() || !ReadFoundMoveList()) return -1;
    return BookChoiceCount;
}

bool IsExcludedEntry(i32 i) {
    return BookChoiceStats[i] == (BookIsVersion0 ? ExcludedMark : ExcludedStats);
}

// An entry whose squares lie beyond h8 names no move: a damaged list. It is
// never chosen, listed or learnt into.
bool IsOnBoardEntry(i32 i) { return BookChoiceFrom[i] < 64 && BookChoiceTo[i] < 64; }

i32 OnBoardEntryCount() {
    i32 count = 0;
    for (i32 i = 0; i < BookChoiceCount; i++) count += IsOnBoardEntry(i);
    return count;
}

// The move word of entry i on the current board: its squares and the
// pieces standing on them (none captured by en passant: the to square is
// empty), no promotion piece.
Move BookEntryMove(i32 i) {
    const Square from = BookChoiceFrom[i], to = BookChoiceTo[i];
    return MakeMoveWord(from, to, board.Squares[from], board.Squares[to]);
}

// Marks the entries the choice may take and returns their number. Besides
// the book's own exclusions, a move must be legal here: the key ignores
// castling rights and the en-passant square, so even an intact book can
// name a move the position does not allow, and a damaged one can name
// anything.
i32 MarkPlayableEntries() {
    i32 playable = 0;
    for (i32 i = 0; i < BookChoiceCount; i++) {
        BookChoicePlayable[i] = !IsExcludedEntry(i) && IsOnBoardEntry(i) &&
                                IsLegalMove(BookMoveToPlay(BookEntryMove(i)));
        if (BookChoicePlayable[i]) playable++;
    }
    return playable;
}

// The move of the playable entry number k, counting from 0 in file order.
Move NthPlayableMove(i32 k) {
    for (i32 i = 0; i < BookChoiceCount; i++)
        if (BookChoicePlayable[i] && k-- == 0) return BookEntryMove(i);
    return NoMove;
}

i32 GamesOf(u16 stats) { return (stats & 0xFF) + (stats >> 8); }

// Wins as a share of the counters in tenths of a percent.
i32 WinRatio(u16 stats) {
    const i32 games = GamesOf(stats);
    return games == 0 ? UnplayedRatio : (stats & 0xFF) * FullRatio / games;
}

// Discovery: the least played move; of equally played ones the better
// scoring, then the earlier.
Move LeastPlayedMove() {
    i32 bestGames = NoGamesYet, bestRatio = 0, taken = -1;
    for (i32 i = 0; i < BookChoiceCount; i++) {
        if (!BookChoicePlayable[i]) continue;
        const i32 games = GamesOf(BookChoiceStats[i]), ratio = WinRatio(BookChoiceStats[i]);
        if (games < bestGames || (games == bestGames && ratio > bestRatio)) {
            bestGames = games;
            bestRatio = ratio;
            taken = i;
        }
    }
    return taken < 0 ? NoMove : BookEntryMove(taken);
}

// Weighted play: any move scoring within VarietyOfPlay percent of the best
// one, drawn at random.
Move WinRatioMove() {
    i32 bestRatio = 0;
    for (i32 i = 0; i < BookChoiceCount; i++)
        if (BookChoicePlayable[i]) bestRatio = std::max(bestRatio, WinRatio(BookChoiceStats[i]));
    const i32 threshold = (100 - VarietyOfPlay) * bestRatio / 100;
    i32 candidates = 0;
    for (i32 i = 0; i < BookChoiceCount; i++) {
        if (BookChoicePlayable[i] && WinRatio(BookChoiceStats[i]) < threshold)
            BookChoicePlayable[i] = false;
        if (BookChoicePlayable[i]) candidates++;
    }
    return NthPlayableMove(Rand() % candidates);
}

// "e2e4 ": the squares of an entry on the board.
void PrintEntrySquares(i32 i) {
    const i32 from = BookChoiceFrom[i], to = BookChoiceTo[i];
    std::printf("%c%c%c%c ", 'a' + (from & 7), '1' + (from >> 3), 'a' + (to & 7), '1' + (to >> 3));
}

// The listing's header line; false when there is no list to show.
bool PrintListHeader() {
    const i32 count = LoadBookMoves();
    if (count < 0) {
        PrintFlushed("No moves from current pos in book\n");
        return false;
    }
    PrintFlushed("%d moves from current pos in book:\n", OnBoardEntryCount());
    return true;
}

// Where learning may write: inside the move lists, never into the header
// or the index (a damaged offset can name them), and never past the end of
// the book, as it was checked or as it is now (a book cut short meanwhile
// would grow a hole).
bool MayWriteBook(i64 offset, i64 size) {
    const i64 indexEnd = BookIndexEnd * IndexRecordSize;
    return offset >= indexEnd && offset + size <= BookLength && offset + size <= BookFileLength();
}

// Writes the counters of entry i of the loaded list in place and flushes
// them to the file, so that the learning survives an engine that is killed
// after the game.
void WriteEntryStats(i32 i, i32 wins, i32 losses) {
    const i64 offset = BookChoiceListOffset + ListCountSize + i64(i) * Version1EntrySize + StatsOffsetInEntry;
    const u8 stats[2] = {u8(wins), u8(losses)};
    if (!MayWriteBook(offset, sizeof stats)) return;
    if (SeekBook(offset)) std::fwrite(stats, 1, sizeof stats, BookFileHandle);
    std::fflush(BookFileHandle);
    BookChoiceStats[i] = u16(wins | losses << 8);
}

// Two thirds of each counter of every played entry: the old games weigh
// less and the counters have room again. Unplayed and excluded entries
// keep their words.
void RescaleLoadedList() {
    for (i32 i = 0; i < BookChoiceCount; i++) {
        const u16 stats = BookChoiceStats[i];
        if (stats == 0 || stats == ExcludedStats || !IsOnBoardEntry(i)) continue;
        WriteEntryStats(i, 2 * (stats & 0xFF) / 3, 2 * (stats >> 8) / 3);
    }
}

}  // namespace

namespace {

// A file that fails a check: its one line, and no book.
template <typename... Values>
void RefuseBook(const char* format, Values... values) {
    PrintFlushed(format, values...);
    CloseBookFile();
}

// OpenBook, and with forUpdate false the opening of a book that is only
// looked at: read-only, without the notice that learning will not update it.
void OpenBookFile(const char* path, bool forUpdate) {
    CloseBookFile();

    // Book learning rewrites counters through this same handle, so the book
    // is opened for updating; a file that may only be read is still used.
    // Only a regular file is a book: a FIFO would make every read wait.
    i32 readOnly = 0;
    OpenedFile opened = forUpdate ? OpenRegularFileTrimmingBlanks(path, "r+b") : OpenedFile{};
    if (!forUpdate || opened.failure == OpenFailure::CannotOpen) {
        opened = OpenRegularFileTrimmingBlanks(path, "rb");
        readOnly = 1;
    }
    FILE* file = opened.file;
    if (opened.failure == OpenFailure::NotRegular) {
        PrintFlushed("Error opening \"%s\"! (not a regular file)\n", path);
        return;
    }
    if (!file) {
        PrintFlushed("Error opening \"%s\"!\n", path);
        return;
    }
    BookFileHandle = file;

    // Every check comes before anything is switched: a refused file prints
    // its one line and changes no setting.
    const BookLayout layout = CheckBookFile(file);
    switch (layout.fault) {
        case BookFault::None: break;
        case BookFault::NotABook:
        case BookFault::CutInHeader: return RefuseBook("Invalid book format\n");
        case BookFault::Version: return RefuseBook("Book version %d not supported\n", layout.version);
        case BookFault::IndexPastEnd:
        case BookFault::ListPastEnd:
        case BookFault::ReadError:
            // A header that promises more than the file holds: the line
            // names the file and what is missing.
            return RefuseBook("Invalid book format (\"%s\": %s)\n", path, BookFaultText(layout).c_str());
    }
    const i32 version = layout.version;
    const u32 nodeCount = layout.nodeCount;

    if (version == 0) {
        // Version 0 has no counters to weigh or to learn.
        PrintFlushed("NG: Book learning not supported for book version 0\n");
        UseBookLearning = 0;
        UseBookWeights = 0;
    }
    BookIsVersion0 = version == 0;
    BookNodeCount = nodeCount;
    BookIndexEnd = i64(nodeCount) + FirstIndexRecord;
    BookLength = layout.length;
    BookReadOnly = readOnly;
    BookLoaded = 1;
    // The count is unsigned in the file: a book of 2^31 records or more
    // shows its real size.
    PrintFlushed("%u nodes in openings book\n", BookNodeCount);
    if (readOnly && forUpdate)
        PrintFlushed("Book \"%s\" is read-only: book learning will not update it\n", path);
}

}  // namespace

void OpenBook(const char* path) { OpenBookFile(path, true); }

void OpenBookForReading(const char* path) { OpenBookFile(path, false); }

void CloseBookFile() {
    if (BookFileHandle) std::fclose(BookFileHandle);
    BookFileHandle = nullptr;
    BookLoaded = 0;
    BookReadOnly = 0;
}

void BookKeyOfPosition(u32* key1, u32* key2) {
    ComputeBookKeys(key1, key2);
    if (board.SideToMove == BLACK) *key1 ^= BlackToMoveBookKey;
}

i32 CompareBookKeys(i32 a1, i32 a2, i32 b1, i32 b2) {
    if (a1 != b1) return a1 > b1 ? 1 : -1;
    if (a2 != b2) return a2 > b2 ? 1 : -1;
    return 0;
}

i32 FindBookPosition() {
    if (!BookLoaded || !BookFileHandle) return 0;
    u32 key1, key2;
    BookKeyOfPosition(&key1, &key2);
    // Binary search over record numbers; each step reads one key pair.
    i64 low = FirstIndexRecord, high = BookIndexEnd;
    while (high > low) {
        const i64 middle = (low + high) >> 1;
        u8 keys[8];
        if (!SeekBook(middle * IndexRecordSize) || !ReadBook(keys, sizeof keys)) return 0;
        const i32 order = CompareBookKeys(i32(LittleEndian32(keys)), i32(LittleEndian32(keys + 4)),
                                          i32(key1), i32(key2));
        if (order == 0) return 1;
        if (order > 0)
            high = middle;
        else
            low = middle + 1;
    }
    return 0;
}

Move BookMoveToPlay(Move bookMove) {
    const Square to = MoveTo(bookMove);
    const bool lastRank = board.SideToMove == WHITE ? to >= A8 : to <= H1;
    if (MovePiece(bookMove) == PAWN && lastRank) return bookMove | Move(QUEEN) << 18;
    return bookMove;
}

Move ChooseBookMove() {
    if (BookIsVersion0) return PickVersion0BookMove();
    if (LoadBookMoves() <= 0) return NoMove;
    const i32 playable = MarkPlayableEntries();
    if (playable == 0) return NoMove;
    if (BookLearningMode == DISCOVER) return LeastPlayedMove();
    if (UseBookWeights) return WinRatioMove();
    return NthPlayableMove(Rand() % playable);
}

Move PickVersion0BookMove() {
    if (LoadBookMoves() <= 0) return NoMove;
    // The marks only show in the listing: every move not excluded is
    // equally likely.
    const i32 playable = MarkPlayableEntries();
    if (playable == 0) return NoMove;
    return NthPlayableMove(Rand() % playable);
}

void PrintBookMoves() {
    if (BookIsVersion0) return PrintVersion0BookMoves();
    if (!PrintListHeader()) return;
    for (i32 i = 0; i < BookChoiceCount; i++) {
        if (!IsOnBoardEntry(i)) continue;
        PrintEntrySquares(i);
        const u16 stats = BookChoiceStats[i];
        if (stats == 0)
            PrintFlushed("?\n");
        else if (stats == ExcludedStats)
            PrintFlushed("-\n");
        else
            PrintFlushed("%d%% (not less than %d game(s))\n", (stats & 0xFF) * 100 / GamesOf(stats),
                         GamesOf(stats) >> 1);
    }
}

void PrintVersion0BookMoves() {
    if (!PrintListHeader()) return;
    for (i32 i = 0; i < BookChoiceCount; i++) {
        if (!IsOnBoardEntry(i)) continue;
        PrintEntrySquares(i);
        PrintFlushed("%d\n", BookChoiceStats[i]);
    }
}

void UpdateBookLearning(u32 result, u32 move) {
    // A version-0 book has no counters, and a read-only one keeps its own.
    if (BookIsVersion0 || BookReadOnly) return;
    // A list that cannot be read whole is left alone.
    if (LoadBookMoves() <= 0) return;
    const i32 from = i32(move & 63), to = i32((move >> 6) & 63);
    i32 found = -1;
    for (i32 i = 0; i < BookChoiceCount && found < 0; i++)
        if (!IsExcludedEntry(i) && BookChoiceFrom[i] == from && BookChoiceTo[i] == to) found = i;
    if (found < 0) return;

    i32 wins = BookChoiceStats[found] & 0xFF, losses = BookChoiceStats[found] >> 8;
    if (result == 2) {
        wins += DrawCredit;
        losses += DrawCredit;
    } else if (result == 1) {
        wins += DecisiveCredit;
    } else {
        losses += DecisiveCredit;
    }
    if (wins < CounterLimit && losses < CounterLimit) return WriteEntryStats(found, wins, losses);
    RescaleLoadedList();
    WriteEntryStats(found, 2 * wins / 3, 2 * losses / 3);
}

void LearnBookFromGame(i32 result) {
    // Walk back two plies at a time, crediting each move the side to move
    // made, but never below the position the game was set up from: a move
    // made from it, or the double step that only carries a FEN's en-passant
    // right, is no book move of this game.
    const i32 lastPly = GamePly;
    if (lastPly > GameBasePly) {
        while (true) {
            UnmakeMove();
            if (GamePly <= GameBasePly) break;
            UnmakeMove();
            if (GamePly <= GameBasePly) break;
            UpdateBookLearning(u32(result), GameHistory[GamePly].Move);
        }
        // Replay the game, each move with its state saved again.
        while (GamePly < lastPly) MakeMove(GameHistory[GamePly].Move, 1);
    }
    BookLearnedThisGame = 1;
}
