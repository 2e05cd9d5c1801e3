// Start-up of the console program.
#include <cstdio>
#include <cstring>

#include "board/board.h"
#include "board/init_tables.h"
#include "driver/platform.h"

// Longest command line kept; the rest of a longer line is dropped.
constexpr i32 MaxLineLength = 1024;

static bool IsQuit(const char* line, i32 length) {
    // A GUI on Windows ends its lines with "\r\n"; trailing blanks don't count.
    while (length > 0 && strchr(" \t\r", line[length - 1])) length--;
    return length == 4 && memcmp(line, "quit", 4) == 0;
}

int main() {
    IgnoreSignals();
    printf("Korvalent v1.50 [r2055/01.01.2014]\n");
    fflush(stdout);
    InitEngineTables();
    SetupStartPosition();

    char chunk[4096];
    char line[MaxLineLength];
    i32 lineLength = 0;
    for (;;) {
        const i64 count = ReadStdin(chunk, sizeof(chunk));
        if (count <= 0) return 0;
        for (i64 i = 0; i < count; i++) {
            if (chunk[i] != '\n') {
                if (lineLength < MaxLineLength) line[lineLength++] = chunk[i];
                continue;
            }
            if (IsQuit(line, lineLength)) return 0;
            lineLength = 0;
        }
    }
}
