#include "driver/settings_file.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "board/modes.h"
#include "board/pawn_entry.h"
#include "book/book.h"
#include "book/learning.h"
#include "driver/command_tokens.h"
#include "driver/opening_book_setting.h"
#include "driver/score_history.h"
#include "eval/personality.h"
#include "platform/input_reader.h"
#include "platform/platform.h"
#include "search/hash_tables.h"
#include "search/time_control.h"
#include "search/trans_table.h"
#include "tablebase/tablebase_settings.h"

static_assert(SettingsReadChars < InputLineSize, "a settings read fits the line buffer");
static_assert(EgtbPathSize >= InputLineSize, "a path list from any command line fits whole");

bool SetTablebasePath(const char* text) {
    const size_t length = std::strlen(text);
    std::snprintf(EgtbPath, sizeof EgtbPath, "%s", text);
    if (length < sizeof EgtbPath) return true;
    std::printf("Tablebase path list of %zu characters cut to its first %d\n", length, EgtbPathSize - 1);
    std::fflush(stdout);
    return false;
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

// The value as a 32-bit integer: an optional sign and decimal digits,
// nothing else. False for any other text and for a number beyond 32 bits.
bool ReadSettingNumber(const char* text, i32* value) {
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+') text++;
    if (*text < '0' || *text > '9') return false;
    i64 magnitude = 0;
    for (; *text >= '0' && *text <= '9'; text++) {
        magnitude = magnitude * 10 + (*text - '0');
        if (magnitude > i64(INT32_MAX) + 1) return false;
    }
    if (*text != '\0') return false;
    const i64 number = negative ? -magnitude : magnitude;
    if (number > INT32_MAX) return false;
    *value = i32(number);
    return true;
}

// A size given in megabytes, low..high, as a count of records of
// recordBytes each. The byte count is a 32-bit product: 1024 MB is 2^30.
void SetSizeFromMegabytes(u32& target, i32 megabytes, i32 low, i32 high, u32 recordBytes, u32 fallback,
                          const char* warning) {
    if (megabytes < low || megabytes > high) {
        Warn("%s", warning);
        target = fallback;
        return;
    }
    target = (u32(megabytes) << 20) / recordBytes;
}

// A size given as a power of two, 2^low..2^high.
void SetSizeFromExponent(u32& target, i32 exponent, i32 low, i32 high, u32 fallback, const char* warning) {
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
void SetPersonalitySetting(PersonalityTrait trait, const char* warningName, i32 wanted) {
    const i32 set = SetPersonality(trait, wanted);
    if (set != wanted) Warn("Incorrect %s setting; set to %d\n", warningName, set);
}

void ApplyTransMegabytes(i32 value) {
    SetSizeFromMegabytes(TransEntries, value, 0, i32(MaxHashMegabytes), sizeof(TransEntry),
                         FallbackTransEntries, BadHashSize);
}
void ApplyTransExponent(i32 value) {
    SetSizeFromExponent(TransEntries, value, 0, 25, FallbackTransEntries, BadHashSize);
}
void ApplyPawnMegabytes(i32 value) {
    SetSizeFromMegabytes(PawnEntries, value, 0, i32(MaxHashMegabytes), sizeof(PawnEntry),
                         FallbackPawnEntries, BadPawnHashSize);
}
void ApplyPawnExponent(i32 value) {
    SetSizeFromExponent(PawnEntries, value, 12, 23, FallbackPawnEntries, BadPawnHashSize);
}
void ApplyEgtbCacheMegabytes(i32 value) {
    SetSizeFromMegabytes(EgtbCacheBytes, value, 1, 128, 1, FallbackEgtbCacheBytes, BadEgtbCacheSize);
}
void ApplyEgtbCacheExponent(i32 value) {
    SetSizeFromExponent(EgtbCacheBytes, value, 20, 27, FallbackEgtbCacheBytes, BadEgtbCacheSize);
}
void ApplyAggressivity(i32 value) {
    SetPersonalitySetting(PersonalityTrait::Aggressivity, "AGGRESSIVITY", value);
}
void ApplyTropism(i32 value) { SetPersonalitySetting(PersonalityTrait::Tropism, "TROPISM", value); }
void ApplyCowardice(i32 value) { SetPersonalitySetting(PersonalityTrait::Cowardice, "COWARDICE", value); }
// Pondering off also stops the pondering already switched on, and keeps
// the xboard word "hard" from switching it on again.
void ApplyPondering(const char* value) {
    if (SetSwitch(PonderingAllowed, value) && !PonderingAllowed) PonderEnabled = 0;
}
void ApplyEgtbPath(const char* restOfLine) { SetTablebasePath(restOfLine); }
void ApplyOpeningsBook(const char* restOfLine) { OpenNamedBook(restOfLine); }
void ApplyBookLearningMode(const char* value) {
    if (MatchKeyword("discover", value)) {
        BookLearningMode = DISCOVER;
    } else if (MatchKeyword("kill", value)) {
        BookLearningMode = KILL;
    } else {
        Warn("Token unknown \"%s\"\n", value);
    }
}

// How a key reads its value (the second token, or the rest of the line from
// it) and what it sets.
struct KeyRule {
    enum Kind { Clamped, Number, Switch, Word, RestOfLine } kind;
    i32* setting = nullptr;                         // Clamped, Switch
    i32 low = 0, high = 0;                          // Clamped: the range
    const char* rangeName = nullptr;                // Clamped: the name its warning gives
    void (*applyNumber)(i32 value) = nullptr;       // Number
    void (*applyText)(const char* text) = nullptr;  // Word, RestOfLine
};

// An integer in low..high; one outside is set to the nearer bound with the
// warning "Incorrect <rangeName> setting; set to <bound>".
constexpr KeyRule Clamped(i32* setting, i32 low, i32 high, const char* rangeName) {
    return {KeyRule::Clamped, setting, low, high, rangeName};
}
// Any 32-bit integer.
constexpr KeyRule Integer(i32* setting) { return Clamped(setting, INT32_MIN, INT32_MAX, nullptr); }
// A 32-bit integer handed to the key's own rule.
constexpr KeyRule Number(void (*apply)(i32)) { return {KeyRule::Number, nullptr, 0, 0, nullptr, apply}; }
// on/true or off/false.
constexpr KeyRule Switch(i32* setting) { return {KeyRule::Switch, setting}; }
// The second token, read by the key's own rule.
constexpr KeyRule Word(void (*apply)(const char*)) {
    return {KeyRule::Word, nullptr, 0, 0, nullptr, nullptr, apply};
}
// The line from the second token on (blanks and a closing quote included).
constexpr KeyRule RestOfLine(void (*apply)(const char*)) {
    return {KeyRule::RestOfLine, nullptr, 0, 0, nullptr, nullptr, apply};
}

struct SettingsKey {
    const char* name;
    const char* otherName;  // a second spelling, or null
    KeyRule rule;
};

// Every key the file knows, one a line. The first key that begins the line
// wins, so a key comes before any longer key it begins (TranspositionSizeMb
// before TranspositionSize).
const SettingsKey SettingsKeys[] = {
    {"TranspositionSizeMb", nullptr, Number(ApplyTransMegabytes)},
    {"TranspositionSize", nullptr, Number(ApplyTransExponent)},
    {"ResignValue", nullptr, Integer(&ResignValue)},
    {"ResignTimes", nullptr, Integer(&ResignTimes)},
    {"PawnHashSizeMb", nullptr, Number(ApplyPawnMegabytes)},
    {"PawnHashSize", nullptr, Number(ApplyPawnExponent)},
    {"EGTBHashSizeMb", "EGTBCacheSizeMb", Number(ApplyEgtbCacheMegabytes)},
    {"EGTBHashSize", "EGTBCacheSize", Number(ApplyEgtbCacheExponent)},
    {"Aggressivity", nullptr, Number(ApplyAggressivity)},
    {"Tropism", nullptr, Number(ApplyTropism)},
    {"Cowardice", nullptr, Number(ApplyCowardice)},
    {"VarietyOfPlay", nullptr, Clamped(&VarietyOfPlay, 0, 100, "VarietyOfPlay")},
    {"BookLearningBound", nullptr, Integer(&BookLearningBound)},
    {"Learning", nullptr, Switch(&UseLearning)},
    {"UseBookLearning", nullptr, Switch(&UseBookLearning)},
    {"Pondering", nullptr, Word(ApplyPondering)},
    {"UseEGTB", nullptr, Switch(&UseEgtb)},
    {"EGTBPath", nullptr, RestOfLine(ApplyEgtbPath)},
    {"OpeningsBook", nullptr, RestOfLine(ApplyOpeningsBook)},
    {"BookLearningMode", nullptr, Word(ApplyBookLearningMode)},
    {"UseLearningData", nullptr, Switch(&UseLearningData)},
    {"UseBookWeights", nullptr, Switch(&UseBookWeights)},
    {"LogLearningIntoFile", nullptr, Switch(&LogLearningIntoFile)},
    {"MoveOverhead", nullptr, Clamped(&MoveOverheadMs, MinMoveOverheadMs, MaxMoveOverheadMs, "MoveOverhead")},
};

// Applies a key's value. A number that is no 32-bit integer is reported as
// an unknown token and changes nothing.
void ApplyKey(const KeyRule& rule, const char* value, const char* restOfLine) {
    i32 number = 0;
    switch (rule.kind) {
        case KeyRule::Switch: SetSwitch(*rule.setting, value); return;
        case KeyRule::Word: rule.applyText(value); return;
        case KeyRule::RestOfLine: rule.applyText(restOfLine); return;
        default: break;
    }
    if (!ReadSettingNumber(value, &number)) {
        Warn("Token unknown \"%s\"\n", value);
        return;
    }
    if (rule.kind == KeyRule::Number) return rule.applyNumber(number);
    if (number < rule.low || number > rule.high) {
        number = number < rule.low ? rule.low : rule.high;
        Warn("Incorrect %s setting; set to %d\n", rule.rangeName, number);
    }
    *rule.setting = number;
}

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

// continuesLongLine: the piece is the rest of a line longer than one read,
// whose warning has been given; what it holds is no key the user wrote.
void ApplySettingsLine(char* line, bool continuesLongLine) {
    CutAtControlCharacter(line);
    // Empty and blank lines, and lines whose first character that is not a
    // blank is ';', are comments.
    const char* text = line + std::strspn(line, " ");
    if (text[0] == '\0' || text[0] == ';') return;
    const i32 tokens = SplitTokens(line, " =\r\n,\"");
    const char* value = TokenBuffers[1];
    const char* restOfLine = value[0] ? line + TokenOffsets[1] : "";
    for (const SettingsKey& key : SettingsKeys) {
        if (MatchKeyword(key.name, line) || (key.otherName && MatchKeyword(key.otherName, line))) {
            // A key without a value changes nothing.
            if (tokens >= 2) ApplyKey(key.rule, value, restOfLine);
            return;
        }
    }
    if (!continuesLongLine) Warn("Key unknown \"%s\"\n", TokenBuffers[0]);
}

// True when the read in line stopped at its length limit with more of the
// same line to come (not just its line feed or the end of the file).
bool LineGoesOn(const char* line, FILE* file) {
    const size_t length = std::strlen(line);
    if (length < size_t(SettingsReadChars) || line[length - 1] == '\n') return false;
    const int next = std::fgetc(file);
    if (next == EOF) return false;
    std::ungetc(next, file);
    return next != '\n';
}

}  // namespace

void ReadIniFile() {
    // Only a regular file: a FIFO of that name would hold start-up for ever.
    const OpenedFile opened = OpenRegularFile(SettingsFileName, "r");
    if (opened.failure == OpenFailure::NotRegular) {
        std::printf("%s is not a regular file; it is not read\n", SettingsFileName);
        std::fflush(stdout);
    }
    FILE* file = opened.file;
    if (file == nullptr) return;
    SettingsLine = 0;
    // Each read stops after SettingsReadChars characters; the rest of a longer
    // line comes with the next read, as a line of its own.
    bool continuesLongLine = false;
    while (std::fgets(InputLine, SettingsReadChars + 1, file)) {
        SettingsLine += 1;
        const bool goesOn = LineGoesOn(InputLine, file);
        if (goesOn && !continuesLongLine)
            Warn("Line too long; read in pieces of %d characters\n", SettingsReadChars);
        ApplySettingsLine(InputLine, continuesLongLine);
        continuesLongLine = goesOn;
    }
    std::fclose(file);
}
