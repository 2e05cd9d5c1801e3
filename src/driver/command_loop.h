// The command loop: one vocabulary of console, xboard and UCI words, tried
// in a fixed order on every line with a prefix test in either direction.
#pragma once

#include <string>

#include "board/types.h"
#include "driver/command_tokens.h"

// The tablebase lines of start-up and "egtbstat": how many men the tables
// found cover (or that none were found) and the RAM their indices take.
void PrintTablebasesFound();

// Executes InputLine.
void ExecuteCommand();

// The keywords of the commands a line runs, in order ("move" for a
// coordinate move), separated by blanks; "" when it runs none. Runs nothing.
std::string CommandsRunBy(const char* line);
