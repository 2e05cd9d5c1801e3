#include "platform/input_reader.h"

#include <cstdio>
#include <cstring>
#include <deque>
#include <string>

#include "platform/platform.h"

char InputLine[InputLineSize];

namespace {

// Bytes read but not yet handed out, NUL-terminated; lines end in '\n'.
char PendingInput[InputLineSize];
i32 PendingLength = 0;
bool EndOfInput = false;
// Set while the rest of an over-long line is being thrown away.
bool DroppingLine = false;

// Held lines, oldest first, each with its line feed; ReadInputChar takes
// characters off the front one.
std::deque<std::string> HeldLines;
size_t HeldBytes = 0;

char* PendingLineFeed() {
    return static_cast<char*>(std::memchr(PendingInput, '\n', size_t(PendingLength)));
}

// Appends raw bytes, turning NUL into a blank (the buffer is a string) and
// throwing away an over-long line up to its line feed.
void AppendInput(const char* bytes, i64 count) {
    for (i64 i = 0; i < count; i++) {
        const char c = bytes[i] == '\0' ? ' ' : bytes[i];
        if (DroppingLine) {
            if (c == '\n') DroppingLine = false;
            continue;
        }
        if (PendingLength == InputLineSize - 1) {
            // The buffer is full and holds no whole line (reads take only the
            // room left while lines wait): that line cannot be handed out
            // intact, so drop it whole.
            std::printf("Input line too long (over %d characters), ignored\n", InputLineSize - 2);
            std::fflush(stdout);
            PendingLength = 0;
            DroppingLine = c != '\n';
            continue;
        }
        PendingInput[PendingLength++] = c;
    }
    PendingInput[PendingLength] = '\0';
}

}  // namespace

i32 FillInputBuffer() {
    if (EndOfInput) return 0;
    char chunk[4096];
    i64 room = InputLineSize - 1 - PendingLength;
    // A full buffer without a line feed is handled by AppendInput; read at
    // least one byte so an over-long line makes progress.
    if (room <= 0) room = 1;
    if (room > i64(sizeof chunk)) room = sizeof chunk;
    const i64 count = ReadStdin(chunk, room);
    if (count <= 0) {
        // A failed read is no byte count; the input is over either way.
        EndOfInput = true;
        return 0;
    }
    AppendInput(chunk, count);
    return 1;
}

i32 InputAvailable() {
    if (PendingLineFeed()) return 1;
    if (EndOfInput) return 0;
    return StdinHasData(0);
}

namespace {

// A whole line of standard input, read as ReadInputLine describes.
i32 ReadStdinLine(i32 blocking, char* line) {
    line[0] = '\0';
    if (!PendingLineFeed()) {
        if (!blocking) {
            if (!InputAvailable()) return 0;
            FillInputBuffer();
            if (!PendingLineFeed()) return 0;
        } else {
            while (!PendingLineFeed())
                if (!FillInputBuffer()) return -1;
        }
    }
    char* lineFeed = PendingLineFeed();
    const i32 length = i32(lineFeed - PendingInput);
    std::memcpy(line, PendingInput, size_t(length));
    line[length] = '\0';
    if (char* carriageReturn = std::strchr(line, '\r')) *carriageReturn = ' ';
    PendingLength -= length + 1;
    std::memmove(PendingInput, lineFeed + 1, size_t(PendingLength) + 1);
    return 1;
}

// Hands out the oldest held line (the rest of it when ReadInputChar has
// taken its start) without its line feed.
void TakeHeldLine(char* line) {
    const std::string& held = HeldLines.front();
    const size_t length = held.size() - 1;
    std::memcpy(line, held.data(), length);
    line[length] = '\0';
    HeldBytes -= held.size();
    HeldLines.pop_front();
}

}  // namespace

i32 ReadInputLine(i32 blocking, char* line) {
    if (!HeldLines.empty()) {
        TakeHeldLine(line);
        return 1;
    }
    return ReadStdinLine(blocking, line);
}

i32 PollInputLine(char* line) { return ReadStdinLine(0, line); }

bool HoldInputLine(const char* line) {
    const size_t size = std::strlen(line) + 1;
    if (HeldLines.size() >= size_t(MaxHeldLines) || HeldBytes + size > size_t(MaxHeldBytes))
        return false;
    HeldLines.emplace_back(line);
    HeldLines.back() += '\n';
    HeldBytes += size;
    return true;
}

i32 HeldLineCount() { return i32(HeldLines.size()); }

i32 ReadInputChar() {
    if (!HeldLines.empty()) {
        std::string& held = HeldLines.front();
        const i32 c = static_cast<unsigned char>(held[0]);
        held.erase(0, 1);
        HeldBytes -= 1;
        if (held.empty()) HeldLines.pop_front();
        return c;
    }
    while (PendingLength == 0)
        if (!FillInputBuffer()) return -1;
    const i32 c = static_cast<unsigned char>(PendingInput[0]);
    PendingLength -= 1;
    std::memmove(PendingInput, PendingInput + 1, size_t(PendingLength) + 1);
    return c;
}

bool InputEnded() { return EndOfInput && !PendingLineFeed(); }

void ResetInputReader() {
    PendingLength = 0;
    PendingInput[0] = '\0';
    EndOfInput = false;
    DroppingLine = false;
    HeldLines.clear();
    HeldBytes = 0;
}
