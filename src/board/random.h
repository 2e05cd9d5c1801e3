// The engine's pseudo-random generator: the classic linear congruential
// generator state * 214013 + 2531011 with 15-bit outputs. The hash keys and
// the book-key tables are drawn from it, so its sequence is part of the
// learning and book file formats and must never change.
#pragma once

#include "board/types.h"

struct RandomGenerator {
    u32 state = 1;
    i32 Next() {
        state = state * 214013u + 2531011u;
        return i32((state >> 16) & 0x7FFF);
    }
};

// The shared generator: draws the hash keys at start-up, then is seeded with
// the time for the book's random choices.
extern RandomGenerator EngineRandom;
inline i32 Rand() { return EngineRandom.Next(); }
inline void SeedRand(u32 seed) { EngineRandom.state = seed; }
