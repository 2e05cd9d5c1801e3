// korvalent-book, the book maker beside the engine: makes a book of the
// engine's format from PGN games or from a Polyglot book, and shows what a
// book holds for a position.
//
//   korvalent-book from-pgn GAMES.pgn... -o Book.kvb [--plies N] [--min-games N]
//   korvalent-book from-polyglot BOOK.bin -o Book.kvb [--plies N]
//   korvalent-book show Book.kvb [FEN]
//
// Results go to standard output, warnings to standard error, and progress,
// for work of more than a second, to standard error when it is a terminal,
// on one line rewritten in place. The book written never replaces an input.
// Exit code 0 on success, 1 when an input cannot be read or the book cannot
// be written (one line names the file and what is wrong), 2 on bad usage.
#pragma once

// The whole program; returns its exit code.
int RunBookTool(int argc, char** argv);
