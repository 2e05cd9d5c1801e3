// Which opening book the engine plays from. One rule for the settings key
// and the UCI option OpeningsBook: the book they name is opened at once;
// when no book is named, or the one named cannot be opened, the default
// book "Book.kvb" of the working directory is tried, and the engine says
// which book it now uses, or that it has none.
#pragma once

#include <string>

constexpr const char* DefaultBookName = "Book.kvb";

// Opens the book a setting names (closing the open one first) and keeps its
// name for the reports below.
void OpenNamedBook(const char* path);

// When no book is open: the default book, unless the book that was named
// and failed is that very file (so its refusal is not printed twice).
void OpenDefaultBookWhenNone();

// The start-up echo's words for the book in use: "\"Book.kvb\"", with
// " (in place of \"x.kvb\", which cannot be opened)" when a named book
// failed and the default took its place, or "none (no book is open)".
std::string BookInUseText();

// The UCI option: the named book, or the default in its place with an
// "info string" line naming the book that failed and the one in use.
void ChooseBookForInterface(const char* path);
