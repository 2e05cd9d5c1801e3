// Two console tools for tuning the evaluation from game files.
//
// pgneval replays every game of a fixed PGN file and appends, for each quiet
// position reached right after a capture, one CSV line of evaluation terms
// and the game's result. epdevl scores every position of an EPD file and
// keeps every tenth line as a sample.
#pragma once

#include "board/pgn.h"
#include "board/types.h"

// The fixed files of pgneval, as printed; opened relative to the working
// directory (work/source.pgn, work/my_eval.csv).
constexpr const char* PgnSourcePath = "c:\\work\\source.pgn";
constexpr const char* PgnEvalCsvPath = "c:\\work\\my_eval.csv";
// The sample file of epdevl, created anew in the working directory.
constexpr const char* EpdSamplePath = "out.epd";

// The move token just read from the PGN file, at most 14 characters.
extern char PgnMoveText[PgnMoveTextSize];
// Result of the game being replayed: 1 white won, 2 black won, 3 draw,
// 0 unknown ("*" or no Result tag). Only decided games are exported.
extern i32 GameResultTag;
// The PlyCount tag of the game, 0 when it has none.
extern i32 PlyCountTag;
// Set when a move of the current game was ambiguous or not recognised; the
// rest of that game is read but neither evaluated nor played.
extern i32 PgnGameFailed;

// pgneval: replays every game of PgnSourcePath. Prints "Error opening file
// ..." and returns when the PGN file or the CSV file cannot be opened.
// Always returns 1.
i32 ProcessPgnFile();

// Resolves the move in PgnMoveText against the legal moves of the current
// position, exports the position when it qualifies, and plays the move.
void EvaluatePgnGame();

// epdevl: prints the static score of every position of the named EPD file
// and copies every tenth line to EpdSamplePath.
void EvaluateEpdFile(const char* path);
