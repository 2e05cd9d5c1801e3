#include "driver/uci.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "board/attacks.h"
#include "board/board.h"
#include "board/fen.h"
#include "board/legal_moves.h"
#include "board/make_move.h"
#include "board/modes.h"
#include "board/move_text.h"
#include "board/position_check.h"
#include "book/book.h"
#include "book/learning.h"
#include "driver/command_tokens.h"
#include "driver/new_game.h"
#include "driver/opening_book_setting.h"
#include "driver/search_input.h"
#include "driver/settings_file.h"
#include "driver/tune_file.h"
#include "eval/personality.h"
#include "platform/input_reader.h"
#include "search/hash_tables.h"
#include "search/move_time_account.h"
#include "search/root_moves.h"
#include "search/root_search.h"
#include "search/search_limits.h"
#include "search/time_control.h"
#include "search/trans_table.h"
#include "tablebase/block_cache.h"
#include "tablebase/table_files.h"
#include "tablebase/tablebase_settings.h"

namespace {

// The advertised range of the tablebase cache option, in megabytes.
constexpr i64 MinTableCacheMegabytes = 1;
constexpr i64 MaxTableCacheMegabytes = 128;

// The advertised range of the MultiPV option.
constexpr i32 MinMultiPv = 1;
constexpr i32 MaxMultiPv = 1024;

// UCI clocks come in milliseconds; the engine keeps centiseconds.
constexpr i32 MsPerCs = 10;

// Room for the name of an opening book given by the interface.
constexpr i32 BookPathSize = 512;

i32 TokenValue(i32 index) { return ReadClampedNumber(TokenBuffers[index]); }

// The rest of the line from the first character of token index on; empty
// when the line has no such token.
const char* RestOfLine(i32 index) {
    const size_t length = std::strlen(InputLine);
    const size_t offset = std::min<size_t>(TokenOffsets[index], length);
    return InputLine + offset;
}

// ---------------------------------------------------------------------------
// setoption

// Spin options: each takes a number (out of its range it is clamped where
// it is applied) and tells the value in force, in the option's own units,
// for the line that refuses a value that is no number.
void SetTropism(i32 value) { SetPersonality(PersonalityTrait::Tropism, value); }
void SetAggressivity(i32 value) { SetPersonality(PersonalityTrait::Aggressivity, value); }
void SetDefensivity(i32 value) { SetPersonality(PersonalityTrait::Cowardice, value); }
// Clamped to the advertised range: below one line the search gives one
// anyway, so the clamp only keeps the value in force honest.
void SetMultiPv(i32 value) { MultiPv = std::clamp(value, MinMultiPv, MaxMultiPv); }
void SetMoveOverheadMs(i32 ms) { SetMoveOverhead(ms); }

// Sizes are clamped where the tables are sized.
void SetHash(i32 megabytes) { ResizeMainHash(megabytes); }
void SetPawnHash(i32 megabytes) { ResizePawnHash(megabytes); }

void SetNalimovCache(i32 megabytes) {
    if (!UseEgtb) return;
    SetTableCacheSize(u32(std::clamp<i64>(megabytes, MinTableCacheMegabytes, MaxTableCacheMegabytes)));
}

// A table's size in megabytes, to the nearest: a size set in megabytes
// comes back as it was given, though its entry count was rounded down.
i32 NearestMegabytes(u64 bytes) { return i32((bytes + (u64(1) << 19)) >> 20); }
i32 HashInForce() { return NearestMegabytes(u64(TransEntries) * sizeof(TransEntry)); }
i32 PawnHashInForce() { return NearestMegabytes(u64(PawnEntries) * sizeof(PawnEntry)); }
i32 NalimovCacheInForce() { return NearestMegabytes(EgtbCacheBytes); }

// Options of the other types act on the line from their value token on.
void OptionClearHash(i32) { ClearTransTable(); }

void OptionOwnBook(i32 valueToken) {
    if (MatchKeyword("false", TokenBuffers[valueToken]))
        UseOwnBook = 0;
    else if (MatchKeyword("true", TokenBuffers[valueToken]))
        UseOwnBook = 1;
}

// A path may hold blanks: the value is the rest of the line.
void OptionNalimovPath(i32 valueToken) {
    if (!UseEgtb) return;
    const char* path = RestOfLine(valueToken);
    if (!*path) return;
    SetTablebasePath(path);
    EgtbMaxPieces = InitTablebases(EgtbPath);
    SetTableCacheSize(EgtbCacheBytes >> 20);
}

// Whether the interface will ponder ("go ponder"): in UCI the engine never
// ponders on its own, so there is nothing to switch; the option is declared
// because interfaces only ponder with an engine that has it.
void OptionPonder(i32) {}

void OptionOpeningsBook(i32 valueToken) {
    const char* path = RestOfLine(valueToken);
    if (!*path) return;
    char bookPath[BookPathSize];
    std::snprintf(bookPath, sizeof bookPath, "%s", path);
    ChooseBookForInterface(bookPath);
}

#ifdef KORVALENT_TUNING
// A tuning build's parameter set: the path is the rest of the line, and
// "<empty>" (an interface's empty string) restores the built-in values.
void OptionTuneFile(i32 valueToken) {
    const char* path = RestOfLine(valueToken);
    if (std::strcmp(path, "<empty>") == 0) path = "";
    if (const char* problem = ReadTuneFile(path))
        std::printf("info string TuneFile refused: %s\n", problem);
    else
        std::printf("info string TuneFile %s in force\n", *path ? path : "<empty>");
    std::fflush(stdout);
}
#endif

struct Option {
    const char* name;
    // The second word of a two-word name, or null.
    const char* secondWord = nullptr;
    // A spin option: sets a number; gives the value in force.
    void (*setNumber)(i32 value) = nullptr;
    i32 (*inForce)() = nullptr;
    // Any other option: acts on its value token (a button has none).
    void (*apply)(i32 valueToken) = nullptr;
    bool needsValue = true;  // "value <v>" must follow the name
};

constexpr Option Spin(const char* name, void (*set)(i32), i32 (*inForce)(),
                      const char* secondWord = nullptr) {
    return {name, secondWord, set, inForce, nullptr, true};
}
constexpr Option Valued(const char* name, void (*apply)(i32)) {
    return {name, nullptr, nullptr, nullptr, apply, true};
}
constexpr Option Button(const char* name, const char* secondWord, void (*apply)(i32)) {
    return {name, secondWord, nullptr, nullptr, apply, false};
}

// Tried in this order, each name with the keyword test.
const Option Options[] = {
    Spin("Tropism", SetTropism, [] { return Tropism; }),
    Spin("Aggressivity", SetAggressivity, [] { return Aggressivity; }),
    Spin("Defensivity", SetDefensivity, [] { return Cowardice; }),
    Spin("MultiPV", SetMultiPv, [] { return MultiPv; }),
    Spin("Hash", SetHash, HashInForce),
    Spin("PawnHash", SetPawnHash, PawnHashInForce),
    Spin("NalimovCache", SetNalimovCache, NalimovCacheInForce),
    Button("Clear", "Hash", OptionClearHash),
    Valued("OwnBook", OptionOwnBook),
    Valued("NalimovPath", OptionNalimovPath),
    Valued("OpeningsBook", OptionOpeningsBook),
    Valued("Ponder", OptionPonder),
    Spin("Move", SetMoveOverheadMs, [] { return MoveOverheadMs; }, "Overhead"),
#ifdef KORVALENT_TUNING
    Valued("TuneFile", OptionTuneFile),
#endif
};

// A spin option's value: a whole number is applied; anything else (a word,
// "12abc", an empty value) would read as 0 or as its leading digits and is
// refused, the option keeping its value, with a line that says so.
void SetSpinOption(const Option& option, const char* text) {
    i32 number = 0;
    if (ReadWholeNumber(text, &number)) {
        option.setNumber(number);
        return;
    }
    std::printf("info string %s%s%s: \"%s\" is not a number; kept %d\n", option.name,
                option.secondWord ? " " : "", option.secondWord ? option.secondWord : "", text,
                option.inForce());
    std::fflush(stdout);
}

// ---------------------------------------------------------------------------
// go

// The side to move's clock and increment are the engine's; of the other
// side only the clock is kept.
void ReadClock(Side side, i32 ms) {
    if (board.SideToMove == side) {
        EngineTimeCs = ms / MsPerCs;
        LevelTimeCs = ms / MsPerCs;
    } else {
        OpponentTimeCs = ms / MsPerCs;
    }
}

void ReadIncrement(Side side, i32 ms) {
    if (board.SideToMove == side) EngineIncrementCs = ms / MsPerCs;
}

// A FEN that cannot be set up: a UCI interface hears of it in an "info
// string" line with the FEN as it sent it (up to the "moves" word); on the
// console the reason is told.
void RefusePosition(const char* problem, i32 movesWord, i32 tokenCount) {
    PositionRefused = 1;
    if (!UciMode) {
        ReportIllegalPosition(problem);
        return;
    }
    const char* fen = RestOfLine(2);
    const char* end = movesWord < tokenCount ? RestOfLine(movesWord) : fen + std::strlen(fen);
    while (end > fen && end[-1] == ' ') end--;
    std::printf("info string Illegal position: %.*s\n", int(end - fen), fen);
    std::fflush(stdout);
}

// The moves after "searchmoves", from token first on: the root keeps only
// these.
void ReadSearchMoves(i32 first, i32 tokenCount) {
    for (i32 k = first; k < tokenCount && SearchMovesCount < MaxSearchMoves; k++)
        if (IsCoordinateMove(TokenBuffers[k]))
            SearchMoves[SearchMovesCount++] = ParseMoveText(TokenBuffers[k]);
}

}  // namespace

void UciIdentify() {
    std::printf("id name Korvalent 1.50\n");
    std::printf("id author Orvel Dunsk\n");
    std::printf("option name Hash type spin min 0 max 1024 default 10\n");
    std::printf("option name PawnHash type spin min 0 max 1024 default 7\n");
    std::printf("option name NalimovPath type string default c:\\tablebases\\\n");
    std::printf("option name OpeningsBook type string default .\\book.kvb\n");
    std::printf("option name OwnBook type check default true\n");
    std::printf("option name Ponder type check default true\n");
    std::printf("option name NalimovCache type spin min 1 max 128 default 1\n");
    std::printf("option name MultiPV type spin min 1 max 1024 default 1\n");
    std::printf("option name Aggressivity type spin min 0 max 300 default %d\n", Aggressivity);
    std::printf("option name Defensivity type spin min 0 max 300 default %d\n", Cowardice);
    std::printf("option name Tropism type spin min 0 max 300 default %d\n", Tropism);
    std::printf("option name Clear Hash type button\n");
    // The current value as the default, like the personality options: a
    // setting from Korvalent.ini shows in the interface's dialog.
    std::printf("option name Move Overhead type spin default %d min %d max %d\n",
                MoveOverheadMs, MinMoveOverheadMs, MaxMoveOverheadMs);
#ifdef KORVALENT_TUNING
    std::printf("option name TuneFile type string default <empty>\n");
#endif
    std::printf("uciok\n");
    std::fflush(stdout);
    UciMode = 1;
    // Pondering is the interface's business: it sends "go ponder".
    PonderEnabled = 0;
}

void UciNewGame() {
    LastBestMove = NoMove;
    SearchMovesCount = 0;
    LearnUnfinishedGameAsDraw();
    ForgetGameBefore();
    LearnQueueCount = 0;
}

void UciSetOption(i32 tokenCount) {
    if (tokenCount < 3 || !MatchKeyword("name", TokenBuffers[1])) return;
    for (const Option& option : Options) {
        if (!MatchKeyword(option.name, TokenBuffers[2])) continue;
        // The word "value" follows the whole name, its value that word.
        i32 valueWord = 3;
        if (option.secondWord) {
            if (tokenCount <= valueWord || !MatchKeyword(option.secondWord, TokenBuffers[valueWord]))
                return;
            valueWord++;
        }
        if (!option.needsValue) return option.apply(valueWord);
        if (tokenCount <= valueWord || !MatchKeyword("value", TokenBuffers[valueWord])) return;
        const i32 valueToken = valueWord + 1;
        // A spin option given "value" and nothing after it has an empty value.
        if (option.setNumber)
            return SetSpinOption(option, valueToken < tokenCount ? TokenBuffers[valueToken] : "");
        if (valueToken < tokenCount) option.apply(valueToken);
        return;
    }
}

void UciPosition(i32 tokenCount) {
    if (tokenCount < 2) return;
    LastBestMove = NoMove;
    // A "searchmoves" list never carries over to another position.
    SearchMovesCount = 0;
    // The "moves" word, or tokenCount when there is none.
    i32 movesWord = 2;
    while (movesWord < tokenCount && !MatchKeyword("moves", TokenBuffers[movesWord])) movesWord++;
    if (MatchKeyword("startpos", TokenBuffers[1])) {
        NewGame();
    } else if (MatchKeyword("fen", TokenBuffers[1])) {
        // The word may be cut short ("position f ..."): the FEN is the text
        // from the next token on. A refused position takes none of the
        // moves after it, and no "go" searches until a position is set.
        if (const char* problem = SetFenPosition(RestOfLine(2))) {
            RefusePosition(problem, movesWord, tokenCount);
            return;
        }
        PositionRefused = 0;
        GameOverAnnounced = 0;
    }
    if (tokenCount < 4) return;
    i32 k = movesWord;
    for (k++; k < tokenCount; k++) {
        if (!IsCoordinateMove(TokenBuffers[k])) continue;
        const Move move = ParseMoveText(TokenBuffers[k]);
        if (IsLegalMove(move) && GameHistoryHasRoom()) MakeMove(move, 1);
    }
}

void ReadGoLimits(i32 tokenCount) {
    StartMoveAccount(false);
    ForceMode = 0;
    PonderSearch = 0;
    SearchMovesCount = 0;
    if (tokenCount < 2) return;

    // The limits of a UCI "go" hold for that search only.
    MovesToGo = 0;
    MoveTimeCs = 0;
    EngineIncrementCs = 0;
    NodeLimit = 0;
    DepthLimit = 998;
    EngineTimeCs = -1;
    OpponentTimeCs = 0;
    MateLimit = 0;

    for (i32 k = 1; k < tokenCount; k++) {
        const char* word = TokenBuffers[k];
        // The value of a keyword that takes one: the next token (0 when
        // there is none).
        auto value = [&]() { return ++k < tokenCount ? TokenValue(k) : 0; };
        if (MatchKeyword("btime", word)) {
            ReadClock(BLACK, value());
        } else if (MatchKeyword("wtime", word)) {
            ReadClock(WHITE, value());
        } else if (MatchKeyword("binc", word)) {
            ReadIncrement(BLACK, value());
        } else if (MatchKeyword("winc", word)) {
            ReadIncrement(WHITE, value());
        } else if (MatchKeyword("movestogo", word)) {
            MovesToGo = value();
        } else if (MatchKeyword("depth", word)) {
            DepthLimit = value();
        } else if (MatchKeyword("nodes", word)) {
            NodeLimit = u64(std::max(value(), 0));
        } else if (MatchKeyword("movetime", word)) {
            // Under a centisecond is still a limit: one centisecond, not none.
            const i32 ms = value();
            MoveTimeCs = ms > 0 ? std::max(ms / MsPerCs, 1) : ms / MsPerCs;
        } else if (MatchKeyword("mate", word)) {
            MateLimit = value();
        } else if (MatchKeyword("infinite", word)) {
            EngineTimeCs = InfiniteClockCs;
        } else if (MatchKeyword("searchmoves", word)) {
            ReadSearchMoves(k + 1, tokenCount);
            break;
        } else if (MatchKeyword("ponder", word)) {
            PonderSearch = 1;
        }
    }
}

void UciPonderHit() {}

void UciDebug(i32 tokenCount) {
    if (tokenCount < 2) return;
    if (MatchKeyword("on", TokenBuffers[1]))
        DebugMode = 1;
    else if (MatchKeyword("off", TokenBuffers[1]))
        DebugMode = 0;
}
