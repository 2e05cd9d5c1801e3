#include "search/search_hooks.h"

SearchHooks InstalledSearchHooks = {};

void ReportXboardThinking(i32 force) {
    if (InstalledSearchHooks.xboardThinking) InstalledSearchHooks.xboardThinking(force);
}

void ReportUciInfo(i32 force, i32 bound, i32 withPv) {
    if (InstalledSearchHooks.uciInfo) InstalledSearchHooks.uciInfo(force, bound, withPv);
}

void ReportUciMultiPvInfo(i32 boundLine, i32 bound) {
    if (InstalledSearchHooks.uciMultiPvInfo) InstalledSearchHooks.uciMultiPvInfo(boundLine, bound);
}

void ReportUciInfoNps() {
    if (InstalledSearchHooks.uciInfoNps) InstalledSearchHooks.uciInfoNps();
}

void PollSearchInput() {
    if (InstalledSearchHooks.pollInput) InstalledSearchHooks.pollInput();
}

bool WaitForSearchInput() {
    if (!InstalledSearchHooks.waitForInput) return false;
    InstalledSearchHooks.waitForInput();
    return true;
}
