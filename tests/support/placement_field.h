// The placement field of a FEN ("8/8/.../4K3") from one piece letter per
// square, a1 first and rank by rank, 0 for an empty square. Header-only, so
// the benchmarks can build their positions with it too.
#pragma once

#include <string>

inline std::string PlacementField(const char (&squares)[64]) {
    std::string field;
    for (int rank = 7; rank >= 0; rank--) {
        int empty = 0;
        for (int file = 0; file < 8; file++) {
            const char piece = squares[rank * 8 + file];
            if (!piece) {
                empty += 1;
                continue;
            }
            if (empty) field += char('0' + empty);
            empty = 0;
            field += piece;
        }
        if (empty) field += char('0' + empty);
        if (rank > 0) field += '/';
    }
    return field;
}
