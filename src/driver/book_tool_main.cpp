// Entry point of korvalent-book (see driver/book_tool.h).
#include "driver/book_tool.h"

int main(int argc, char** argv) { return RunBookTool(argc, argv); }
