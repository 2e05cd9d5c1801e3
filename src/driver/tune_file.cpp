#include "driver/tune_file.h"

#ifdef KORVALENT_TUNING

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "board/move_gen_captures.h"
#include "eval/eval_params.h"
#include "eval/material_table.h"
#include "search/search_loop.h"

namespace {

// The tunable values of one set.
struct TunedSet {
    i32 ownUnits[FutilityUnitsSize];
    i32 oppUnits[FutilityUnitsSize];
    i32 captureRatioFullBonus;
    std::vector<CorrectionRow> corrections;
};

TunedSet CurrentSet() {
    TunedSet set;
    std::copy(FutilityOwnUnits, FutilityOwnUnits + FutilityUnitsSize, set.ownUnits);
    std::copy(FutilityOppUnits, FutilityOppUnits + FutilityUnitsSize, set.oppUnits);
    set.captureRatioFullBonus = CaptureRatioFullBonus;
    return set;
}

// The values the engine was built with, taken before the first file
// changes any.
const TunedSet& BuiltInSet() {
    static const TunedSet builtIn = CurrentSet();
    return builtIn;
}

struct CorrectionName {
    const char* name;
    CorrectionTable table;
};
constexpr CorrectionName CorrectionNames[] = {
    {"PawnSurplusWhiteAhead", CorrectionTable::SurplusWhiteAhead},
    {"PawnSurplusBlackAhead", CorrectionTable::SurplusBlackAhead},
    {"MaterialImbalance", CorrectionTable::Imbalance},
    {"MaterialCorrection", CorrectionTable::Material},
};

char Problem[256];

const char* LineProblem(i32 line, const char* what) {
    std::snprintf(Problem, sizeof Problem, "line %d: %s", line, what);
    return Problem;
}

bool InParamRange(long long value) { return value >= MinParamValue && value <= MaxParamValue; }

// Reads one line into set; null or what is wrong with it.
const char* ReadLine(const std::string& text, TunedSet& set) {
    std::istringstream words(text.substr(0, text.find('#')));
    std::string name;
    if (!(words >> name)) return nullptr;
    long long index = 0, value = 0;
    std::string rest;
    if (!(words >> index >> value) || (words >> rest)) return "expected: name index value";
    if (name == "FutilityOwnUnits" || name == "FutilityOppUnits") {
        if (index < 0 || index >= FutilityUnitsSize) return "index out of range";
        if (!InParamRange(value)) return "value out of range";
        (name == "FutilityOwnUnits" ? set.ownUnits : set.oppUnits)[index] = i32(value);
        return nullptr;
    }
    if (name == "CaptureRatioFullBonus") {
        // Ranked at least with the captures that mostly pay off, below the
        // captures the exchange test accepts.
        if (index != 0) return "index out of range";
        if (value < CaptureRatioBonus[15] || value > MaxCaptureRatioFullBonus)
            return "value out of range";
        set.captureRatioFullBonus = i32(value);
        return nullptr;
    }
    for (const CorrectionName& correction : CorrectionNames) {
        if (name != correction.name) continue;
        const i64 size = correction.table == CorrectionTable::Material ? MaterialCorrectionSize
                                                                       : ImbalanceSignatures;
        if (index < 0 || index >= size) return "index out of range";
        if (!InParamRange(value)) return "value out of range";
        set.corrections.push_back({correction.table, i32(index), i32(value)});
        return nullptr;
    }
    return "unknown name";
}

void PutInForce(const TunedSet& set) {
    std::copy(set.ownUnits, set.ownUnits + FutilityUnitsSize, FutilityOwnUnits);
    std::copy(set.oppUnits, set.oppUnits + FutilityUnitsSize, FutilityOppUnits);
    CaptureRatioFullBonus = set.captureRatioFullBonus;
}

}  // namespace

const char* ReadTuneFile(const char* path) {
    TunedSet set = BuiltInSet();
    if (path && *path) {
        std::ifstream file(path);
        if (!file) {
            std::snprintf(Problem, sizeof Problem, "cannot open %s", path);
            return Problem;
        }
        std::string text;
        for (i32 line = 1; std::getline(file, text); line++)
            if (const char* problem = ReadLine(text, set)) return LineProblem(line, problem);
    }
    if (const char* problem =
            SetTunedCorrections(set.corrections.data(), i32(set.corrections.size())))
        return problem;
    PutInForce(set);
    ReloadEvalParams();
    return nullptr;
}

#endif
