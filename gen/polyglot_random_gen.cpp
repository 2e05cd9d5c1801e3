// Build-time generator of the Polyglot key table: reads the 781 published
// random numbers (one hexadecimal number a line, '#' lines are comments) and
// writes them as a constant array into the C++ file named first on the
// command line:
//
//   korvalent_gen_polyglot_random <output.cpp> <polyglot_random64.txt>
//
// Before writing it checks that there are exactly 781 numbers and that they
// give the start position its published key, so a damaged or reordered list
// fails the build instead of making books that match nothing.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "book/polyglot_random.h"

namespace {

// Polyglot piece kinds: black pawn 0, white pawn 1, black knight 2, ...,
// white king 11; the start position's men by kind and square.
u64 StartPositionKey(const std::vector<u64>& numbers) {
    // Kind offsets by piece letter, black's (lower case) one below white's.
    const char* const ranks[8] = {"RNBQKBNR", "PPPPPPPP", "", "", "", "", "pppppppp", "rnbqkbnr"};
    const char* const letters = "pnbrqk";
    u64 key = 0;
    for (int rank = 0; rank < 8; rank++)
        for (int file = 0; ranks[rank][file]; file++) {
            const char c = ranks[rank][file];
            const bool white = c >= 'A' && c <= 'Z';
            const char lower = char(white ? c - 'A' + 'a' : c);
            const int kind = 2 * int(std::strchr(letters, lower) - letters) + (white ? 1 : 0);
            key ^= numbers[size_t(PolyglotPieceBase + 64 * kind + 8 * rank + file)];
        }
    for (int right = 0; right < 4; right++) key ^= numbers[size_t(PolyglotCastleBase + right)];
    return key ^ numbers[PolyglotTurnIndex];
}

bool Fail(const char* what, const char* path) {
    std::fprintf(stderr, "polyglot_random_gen: %s: %s\n", path, what);
    return false;
}

bool ReadNumbers(const char* path, std::vector<u64>* numbers) {
    FILE* in = std::fopen(path, "r");
    if (!in) return Fail("cannot be read", path);
    char line[256];
    while (std::fgets(line, sizeof line, in)) {
        const char* c = line;
        while (*c == ' ' || *c == '\t') c++;
        if (*c == '#' || *c == '\n' || *c == '\r' || *c == '\0') continue;
        char* end = nullptr;
        const unsigned long long value = std::strtoull(c, &end, 16);
        while (*end == ' ' || *end == '\t' || *end == '\r' || *end == '\n') end++;
        if (end == c || *end != '\0') {
            std::fclose(in);
            return Fail("a line that is not one hexadecimal number", path);
        }
        numbers->push_back(u64(value));
    }
    std::fclose(in);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <output.cpp> <polyglot_random64.txt>\n", argv[0]);
        return 2;
    }
    std::vector<u64> numbers;
    if (!ReadNumbers(argv[2], &numbers)) return 1;
    if (numbers.size() != size_t(PolyglotRandomCount)) {
        std::fprintf(stderr, "polyglot_random_gen: %s: %zu numbers, not %d\n", argv[2],
                     numbers.size(), PolyglotRandomCount);
        return 1;
    }
    const u64 start = StartPositionKey(numbers);
    if (start != PolyglotStartKey) {
        std::fprintf(stderr,
                     "polyglot_random_gen: %s: the start position's key is %016" PRIx64
                     ", not %016" PRIx64 "\n",
                     argv[2], start, PolyglotStartKey);
        return 1;
    }

    FILE* out = std::fopen(argv[1], "w");
    if (!out) {
        Fail("cannot be written", argv[1]);
        return 1;
    }
    std::fprintf(out, "// Written by gen/polyglot_random_gen.cpp from gen/polyglot_random64.txt.\n");
    std::fprintf(out, "#include \"book/polyglot_random.h\"\n\n");
    std::fprintf(out, "const u64 PolyglotRandom64[PolyglotRandomCount] = {\n");
    for (size_t i = 0; i < numbers.size(); i++)
        std::fprintf(out, "%s0x%016" PRIX64 "ull,%s", i % 2 == 0 ? "    " : " ", numbers[i],
                     i % 2 == 1 ? "\n" : "");
    std::fprintf(out, "\n};\n");
    const bool ok = std::fclose(out) == 0;
    return ok ? 0 : 1;
}
