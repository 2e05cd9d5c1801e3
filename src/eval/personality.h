// The engine's playing personality: how boldly it goes for the enemy king
// (Aggressivity), how much it fears for its own (Cowardice, shown to UCI
// users as Defensivity) and the strength of piece tropism. The user sets
// each as a percentage 0..300; the evaluation reads the derived weights.
#pragma once

#include "board/types.h"

// User values, 0..300, 100 being the normal personality.
extern i32 Aggressivity;
extern i32 Cowardice;
extern i32 Tropism;

// Weights derived from the user values: Aggressivity x 50 / 100,
// Cowardice x 50 / 100, Tropism x 200 / 100. The king shelter weighs the
// king of EngineSide by CowardiceWeight and the other king by
// AggressivityWeight.
extern i32 AggressivityWeight;
extern i32 CowardiceWeight;
extern i32 TropismWeight;

constexpr i32 PersonalityMin = 0;
constexpr i32 PersonalityMax = 300;
constexpr i32 PersonalityDefault = 100;

enum class PersonalityTrait { Aggressivity, Cowardice, Tropism };

// Sets one user value, clamped to PersonalityMin..PersonalityMax, and its
// weight. Returns the value actually set, so a caller can tell that its
// value was out of range.
i32 SetPersonality(PersonalityTrait trait, i32 userValue);

// Every user value back to PersonalityDefault and the weights with them.
void SetDefaultPersonality();
