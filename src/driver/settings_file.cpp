#include "driver/settings_file.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/modes.h"
#include "board/pawn_entry.h"
#include "book/book.h"
#include "book/learning.h"
#include "driver/command_tokens.h"
#include "driver/score_history.h"
#include "eval/personality.h"
#include "platform/input_reader.h"
#include "platform/platform.h"
#include "search/hash_tables.h"
#include "search/time_control.h"
#include "search/trans_table.h"
#include "tablebase/tablebase_settings.h"

static_assert(SettingsReadChars < InputLineSize, "a settings read fits the line buffer");

void SetTablebasePath(const char* text) {
    std::snprintf(EgtbPath, sizeof EgtbPath, "%s", text);
}

namespace {

// Line of the settings file being applied, counting reads from 1.
i32 SettingsLine = 0;

// Sizes a bad size setting falls back to. The pawn hash gets twice its
// built-in start size.
constexpr u32 FallbackTransEntries = 524288;
constexpr u32 FallbackPawnEntries = 524288;
constexpr u32 FallbackEgtbCacheBytes = 1048576;

constexpr const char* BadHashSize = "Incorrect hash size setting in Korvalent.ini; set to default\n";
constexpr const char* BadPawnHashSize =
    "Incorrect pawn hash size setting in Korvalent.ini; set to default\n";
constexpr const char* BadEgtbCacheSize =
    "Incorrect EGTB cache size setting in Korvalent.ini; set to default\n";

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void Warn(const char* format, ...) {
    std::printf("Korvalent.ini(%d) WARNING: ", SettingsLine);
    va_list arguments;
    va_start(arguments, format);
    std::vprintf(format, arguments);
    va_end(arguments);
    std::fflush(stdout);
}

// A size given in megabytes, low..high, as a count of records of
// recordBytes each. The byte count is a 32-bit product: 1024 MB is 2^30.
void SetSizeFromMegabytes(u32& target, const char* value, i32 low, i32 high, u32 recordBytes,
                          u32 fallback, const char* warning) {
    const i32 megabytes = std::atoi(value);
    if (megabytes < low || megabytes > high) {
        Warn("%s", warning);
        target = fallback;
        return;
    }
    target = (u32(megabytes) << 20) / recordBytes;
}

// A size given as a power of two, 2^low..2^high.
void SetSizeFromExponent(u32& target, const char* value, i32 low, i32 high, u32 fallback,
                         const char* warning) {
    const i32 exponent = std::atoi(value);
    if (exponent < low || exponent > high) {
        Warn("%s", warning);
        target = fallback;
        return;
    }
    target = u32(1) << exponent;
}

// on/true give 1, off/false 0 (tested in that order, each as a prefix either
// way). Anything else warns and keeps the setting; returns whether the value
// was understood.
bool SetSwitch(i32& setting, const char* value) {
    if (MatchKeyword("on", value) || MatchKeyword("true", value)) {
        setting = 1;
        return true;
    }
    if (MatchKeyword("off", value) || MatchKeyword("false", value)) {
        setting = 0;
        return true;
    }
    Warn("Token unknown \"%s\"\n", value);
    return false;
}

// A personality value out of 0..300 is clamped, with a warning naming the
// value actually set; its weight follows the clamped value.
void SetPersonalitySetting(PersonalityTrait trait, const char* warningName, const char* value) {
    const i32 wanted = std::atoi(value);
    const i32 set = SetPersonality(trait, wanted);
    if (set != wanted) Warn("Incorrect %s setting; set to %d\n", warningName, set);
}

void ApplyTransMegabytes(const char* value, const char*) {
    SetSizeFromMegabytes(TransEntries, value, 0, i32(MaxHashMegabytes), sizeof(TransEntry),
                         FallbackTransEntries, BadHashSize);
}
void ApplyTransExponent(const char* value, const char*) {
    SetSizeFromExponent(TransEntries, value, 0, 25, FallbackTransEntries, BadHashSize);
}
void ApplyResignValue(const char* value, const char*) { ResignValue = std::atoi(value); }
void ApplyResignTimes(const char* value, const char*) { ResignTimes = std::atoi(value); }
void ApplyPawnMegabytes(const char* value, const char*) {
    SetSizeFromMegabytes(PawnEntries, value, 0, i32(MaxHashMegabytes), sizeof(PawnEntry),
                         FallbackPawnEntries, BadPawnHashSize);
}
void ApplyPawnExponent(const char* value, const char*) {
    SetSizeFromExponent(PawnEntries, value, 12, 23, FallbackPawnEntries, BadPawnHashSize);
}
void ApplyEgtbCacheMegabytes(const char* value, const char*) {
    SetSizeFromMegabytes(EgtbCacheBytes, value, 1, 128, 1, FallbackEgtbCacheBytes,
                         BadEgtbCacheSize);
}
void ApplyEgtbCacheExponent(const char* value, const char*) {
    SetSizeFromExponent(EgtbCacheBytes, value, 20, 27, FallbackEgtbCacheBytes, BadEgtbCacheSize);
}
void ApplyAggressivity(const char* value, const char*) {
    SetPersonalitySetting(PersonalityTrait::Aggressivity, "AGGRESSIVITY", value);
}
void ApplyTropism(const char* value, const char*) {
    SetPersonalitySetting(PersonalityTrait::Tropism, "TROPISM", value);
}
void ApplyCowardice(const char* value, const char*) {
    SetPersonalitySetting(PersonalityTrait::Cowardice, "COWARDICE", value);
}
void ApplyVarietyOfPlay(const char* value, const char*) {
    const i32 variety = std::atoi(value);
    if (variety < 0) {
        Warn("Incorrect VarietyOfPlay setting; set to 0\n");
        VarietyOfPlay = 0;
    } else if (variety > 100) {
        Warn("Incorrect VarietyOfPlay setting; set to 100\n");
        VarietyOfPlay = 100;
    } else {
        VarietyOfPlay = variety;
    }
}
// Milliseconds lost per move outside the engine, clamped to the option's
// range with a warning naming the value set.
void ApplyMoveOverhead(const char* value, const char*) {
    const i32 wanted = ReadClampedNumber(value);
    const i32 set = SetMoveOverhead(wanted);
    if (set != wanted) Warn("Incorrect MoveOverhead setting; set to %d\n", set);
}
void ApplyBookLearningBound(const char* value, const char*) {
    BookLearningBound = std::atoi(value);
}
void ApplyLearning(const char* value, const char*) { SetSwitch(UseLearning, value); }
void ApplyUseBookLearning(const char* value, const char*) { SetSwitch(UseBookLearning, value); }
// Pondering off also stops the pondering already switched on, and keeps
// the xboard word "hard" from switching it on again.
void ApplyPondering(const char* value, const char*) {
    if (SetSwitch(PonderingAllowed, value) && !PonderingAllowed) PonderEnabled = 0;
}
void ApplyUseEgtb(const char* value, const char*) { SetSwitch(UseEgtb, value); }
void ApplyEgtbPath(const char*, const char* restOfLine) { SetTablebasePath(restOfLine); }
void ApplyOpeningsBook(const char*, const char* restOfLine) { OpenBook(restOfLine); }
void ApplyBookLearningMode(const char* value, const char*) {
    if (MatchKeyword("discover", value)) {
        BookLearningMode = 1;
    } else if (MatchKeyword("kill", value)) {
        BookLearningMode = 0;
    } else {
        Warn("Token unknown \"%s\"\n", value);
    }
}
void ApplyUseLearningData(const char* value, const char*) { SetSwitch(UseLearningData, value); }
void ApplyUseBookWeights(const char* value, const char*) { SetSwitch(UseBookWeights, value); }
void ApplyLogLearningIntoFile(const char* value, const char*) {
    SetSwitch(LogLearningIntoFile, value);
}

struct SettingsKey {
    const char* name;
    const char* otherName;  // a second spelling, or null
    // value: the second token; restOfLine: the line from that token on.
    void (*apply)(const char* value, const char* restOfLine);
};

// The first key that begins the line wins, so a key comes before any longer
// key it begins (TranspositionSizeMb before TranspositionSize).
const SettingsKey SettingsKeys[] = {
    {"TranspositionSizeMb", nullptr, ApplyTransMegabytes},
    {"TranspositionSize", nullptr, ApplyTransExponent},
    {"ResignValue", nullptr, ApplyResignValue},
    {"ResignTimes", nullptr, ApplyResignTimes},
    {"PawnHashSizeMb", nullptr, ApplyPawnMegabytes},
    {"PawnHashSize", nullptr, ApplyPawnExponent},
    {"EGTBHashSizeMb", "EGTBCacheSizeMb", ApplyEgtbCacheMegabytes},
    {"EGTBHashSize", "EGTBCacheSize", ApplyEgtbCacheExponent},
    {"Aggressivity", nullptr, ApplyAggressivity},
    {"Tropism", nullptr, ApplyTropism},
    {"Cowardice", nullptr, ApplyCowardice},
    {"VarietyOfPlay", nullptr, ApplyVarietyOfPlay},
    {"BookLearningBound", nullptr, ApplyBookLearningBound},
    {"Learning", nullptr, ApplyLearning},
    {"UseBookLearning", nullptr, ApplyUseBookLearning},
    {"Pondering", nullptr, ApplyPondering},
    {"UseEGTB", nullptr, ApplyUseEgtb},
    {"EGTBPath", nullptr, ApplyEgtbPath},
    {"OpeningsBook", nullptr, ApplyOpeningsBook},
    {"BookLearningMode", nullptr, ApplyBookLearningMode},
    {"UseLearningData", nullptr, ApplyUseLearningData},
    {"UseBookWeights", nullptr, ApplyUseBookWeights},
    {"LogLearningIntoFile", nullptr, ApplyLogLearningIntoFile},
    {"MoveOverhead", nullptr, ApplyMoveOverhead},
};

// A line ends at its first control character; bytes from 128 up end it too.
void CutAtControlCharacter(char* line) {
    for (char* c = line; *c; c++) {
        const u8 byte = u8(*c);
        if (byte < 32 || byte >= 128) {
            *c = '\0';
            return;
        }
    }
}

void ApplySettingsLine(char* line) {
    CutAtControlCharacter(line);
    // Empty lines and lines beginning with ';' are comments.
    if (line[0] == '\0' || line[0] == ';') return;
    if (SplitTokens(line, " =\r\n,\"") < 2) return;
    const char* value = TokenBuffers[1];
    const char* restOfLine = value[0] ? line + TokenOffsets[1] : "";
    for (const SettingsKey& key : SettingsKeys) {
        if (MatchKeyword(key.name, line) || (key.otherName && MatchKeyword(key.otherName, line))) {
            key.apply(value, restOfLine);
            return;
        }
    }
    // A key nobody knows is ignored.
}

}  // namespace

void ReadIniFile() {
    FILE* file = OpenFileTranslated(SettingsFileName, "r");
    if (file == nullptr) return;
    SettingsLine = 0;
    // Each read stops after SettingsReadChars characters; the rest of a longer
    // line comes with the next read.
    while (std::fgets(InputLine, SettingsReadChars + 1, file)) {
        SettingsLine += 1;
        ApplySettingsLine(InputLine);
    }
    std::fclose(file);
}
