// Connects the search to the program: its thinking and information lines go
// to the printers of search_output.h, its polls for commands to the input
// handlers of search_input.h.
#pragma once

// Installs the program's search hooks; called once at start-up, before the
// first search. Calling it again changes nothing.
void InstallSearchHooks();
