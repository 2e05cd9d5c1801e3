#include "driver/search_hooks_setup.h"

#include "driver/search_input.h"
#include "driver/search_output.h"
#include "search/search_hooks.h"

void InstallSearchHooks() {
    InstalledSearchHooks.xboardThinking = PrintXboardThinking;
    InstalledSearchHooks.uciInfo = PrintUciInfo;
    InstalledSearchHooks.uciMultiPvInfo = PrintUciMultiPvInfo;
    InstalledSearchHooks.uciInfoNps = PrintUciInfoNps;
    InstalledSearchHooks.pollInput = PollInputDuringSearch;
    InstalledSearchHooks.waitForInput = WaitForInputDuringSearch;
}
