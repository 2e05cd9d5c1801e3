// The 781 random numbers of the Polyglot opening-book key, in the format's
// published order. The table is written at build time from
// gen/polyglot_random64.txt by gen/polyglot_random_gen.cpp, which checks the
// count and the start position's key before it writes anything.
#pragma once

#include "platform/int_types.h"

constexpr i32 PolyglotRandomCount = 781;
// Where each kind of term starts in the table.
constexpr i32 PolyglotPieceBase = 0;       // 64 x kind + square, kinds below
constexpr i32 PolyglotCastleBase = 768;    // white short, white long, black short, black long
constexpr i32 PolyglotEnPassantBase = 772; // file a to h
constexpr i32 PolyglotTurnIndex = 780;     // present when white is to move

// The key of the start position, the table's check value.
constexpr u64 PolyglotStartKey = 0x463B96181691FC9Cull;

extern const u64 PolyglotRandom64[PolyglotRandomCount];
