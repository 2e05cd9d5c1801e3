#include "eval/personality.h"

#include "eval/eval_cache.h"

i32 Aggressivity = PersonalityDefault;
i32 Cowardice = PersonalityDefault;
i32 Tropism = PersonalityDefault;

i32 AggressivityWeight = PersonalityDefault * 50 / 100;
i32 CowardiceWeight = PersonalityDefault * 50 / 100;
i32 TropismWeight = PersonalityDefault * 200 / 100;

i32 SetPersonality(PersonalityTrait trait, i32 userValue) {
    const i32 value = userValue < PersonalityMin   ? PersonalityMin
                      : userValue > PersonalityMax ? PersonalityMax
                                                   : userValue;
    const i32 oldWeights[3] = {AggressivityWeight, CowardiceWeight, TropismWeight};
    switch (trait) {
        case PersonalityTrait::Aggressivity:
            Aggressivity = value;
            AggressivityWeight = value * 50 / 100;
            break;
        case PersonalityTrait::Cowardice:
            Cowardice = value;
            CowardiceWeight = value * 50 / 100;
            break;
        case PersonalityTrait::Tropism:
            Tropism = value;
            TropismWeight = value * 200 / 100;
            break;
    }
    // Cached evaluations were made with the old weights.
    if (oldWeights[0] != AggressivityWeight || oldWeights[1] != CowardiceWeight ||
        oldWeights[2] != TropismWeight)
        ClearEvalCache();
    return value;
}

void SetDefaultPersonality() {
    SetPersonality(PersonalityTrait::Aggressivity, PersonalityDefault);
    SetPersonality(PersonalityTrait::Cowardice, PersonalityDefault);
    SetPersonality(PersonalityTrait::Tropism, PersonalityDefault);
}
