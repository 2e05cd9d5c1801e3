// The command loop: one vocabulary of console, xboard and UCI words, tried
// in a fixed order on every line with a prefix test in either direction.
#pragma once

#include <string>

#include "board/types.h"
#include "driver/command_tokens.h"

// The tablebase lines of start-up and "egtbstat": how many men the tables
// found cover (or that none were found) and the RAM their indices take.
void PrintTablebasesFound();

// 1 until "uci" or "xboard" arrives: a person types the commands, and a
// line the engine does not understand is answered with "Illegal move" (text
// that reads as a move in another notation) or "Unknown command". An
// interface is not answered so.
extern i32 ConsoleMode;

// Executes InputLine.
void ExecuteCommand();

// The keywords of the commands a line runs, in order ("move" for a
// coordinate move), separated by blanks; "" when it runs none. Runs nothing.
std::string CommandsRunBy(const char* line);
