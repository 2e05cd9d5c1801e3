#include "driver/opening_book_setting.h"

#include <cctype>
#include <cstdio>

#include "book/book.h"
#include "platform/platform.h"

namespace {

// The book now open, as it was named; empty when none is.
std::string BookInUse;
// The book last named that could not be opened; empty when the last one
// named opened, or none was named.
std::string RefusedBook;

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

// Whether a name reaches the default book: "Book.kvb", ".\book.kvb" (what
// interfaces show as the option's default) and the like, compared as the
// file look-up compares names, without regard to case.
bool NamesDefaultBook(const std::string& name) {
    std::string path = TranslatePath(name.c_str());
    while (path.compare(0, 2, "./") == 0) path.erase(0, 2);
    const std::string defaultName = DefaultBookName;
    if (path.size() != defaultName.size()) return false;
    for (size_t i = 0; i < path.size(); i++)
        if (std::tolower(static_cast<unsigned char>(path[i])) !=
            std::tolower(static_cast<unsigned char>(defaultName[i])))
            return false;
    return true;
}

}  // namespace

void OpenNamedBook(const char* path) {
    OpenBook(path);
    // The name as the user wrote it, without the blanks or carriage return
    // that a line may carry after it.
    const std::string name = TrimTrailingBlanks(path);
    if (BookLoaded) {
        BookInUse = name;
        RefusedBook.clear();
    } else {
        BookInUse.clear();
        RefusedBook = name;
    }
}

void OpenDefaultBookWhenNone() {
    if (BookLoaded) return;
    if (!RefusedBook.empty() && NamesDefaultBook(RefusedBook)) return;
    OpenBook(DefaultBookName);
    if (BookLoaded) BookInUse = DefaultBookName;
}

std::string BookInUseText() {
    if (!BookLoaded) return "none (no book is open)";
    std::string text = Quoted(BookInUse);
    if (!RefusedBook.empty()) text += " (in place of " + Quoted(RefusedBook) + ", which cannot be opened)";
    return text;
}

void ChooseBookForInterface(const char* path) {
    OpenNamedBook(path);
    if (BookLoaded) return;
    OpenDefaultBookWhenNone();
    const std::string outcome = BookLoaded ? "using " + Quoted(BookInUse) : "no book is open";
    std::printf("info string OpeningsBook %s cannot be opened; %s\n", Quoted(RefusedBook).c_str(),
                outcome.c_str());
    std::fflush(stdout);
}
