// The settings file "Korvalent.ini" read by the real executable at start-up:
// what each key sets is seen in the settings echo, bad values in the
// warnings printed while the file is read.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "board/types.h"
#include "driver/settings_file.h"
#include "platform/input_reader.h"
#include "support/engine_process.h"
#include "tablebase/tablebase_settings.h"

namespace {

// The settings as the start-up echo shows them; the defaults to begin with.
struct Echo {
    i64 transEntries = 524288;
    i64 pawnEntries = 262144;
    i64 egtbCacheBytes = 1048576;
    i32 aggressivity = 100, aggressivityWeight = 50;
    i32 cowardice = 100, cowardiceWeight = 50;
    i32 tropism = 100, tropismWeight = 200;
    i32 resignValue = 800, resignTimes = 3;
    bool useEgtb = true;
    std::string egtbPath = "c:\\tablebases\\";
    bool useBookWeights = true, useBookLearning = true;
    std::string bookLearningMode = "KILL";
    i32 varietyOfPlay = 10, bookLearningBound = 400;
    // No book opens in the scratch directory.
    std::string openingsBook = "none (no book is open)";
    bool useLearning = false, useLearningData = false, logLearningIntoFile = false;
    bool pondering = true;
    i32 moveOverheadMs = 100;
};

std::string OnOff(bool on) { return on ? "on\n" : "off\n"; }

// Everything printed from start to the first command: whatever reading the
// settings printed comes between the parameter file's line and the default
// book's line.
std::string StartupOutput(const std::string& settingsOutput, const Echo& echo) {
    std::string text = "Korvalent v1.50 [r2055/01.01.2014]\nError loading values.txt\n";
    text += settingsOutput;
    text += "Error opening \"Book.kvb\"!\n";
    text += "Transposition size is " + std::to_string(echo.transEntries) + " entries (" +
            std::to_string(echo.transEntries * 20) + " bytes)\n";
    text += "Pawn hash size is " + std::to_string(echo.pawnEntries) + " entries (" +
            std::to_string(echo.pawnEntries * 24) + " bytes)\n";
    text += "EGTBHashSize = " + std::to_string(echo.egtbCacheBytes) + " bytes\n";
    text += "Aggressivity = " + std::to_string(echo.aggressivity) + " (" +
            std::to_string(echo.aggressivityWeight) + ")%\n";
    text += "Cowardice = " + std::to_string(echo.cowardice) + " (" +
            std::to_string(echo.cowardiceWeight) + ")%\n";
    text += "Tropism = " + std::to_string(echo.tropism) + " (" +
            std::to_string(echo.tropismWeight) + ")%\n";
    text += "ResignValue = " + std::to_string(echo.resignValue) + "\n";
    text += "ResignTimes = " + std::to_string(echo.resignTimes) + "\n";
    text += "UseEGTB = " + OnOff(echo.useEgtb);
    text += "EGTB path = \"" + echo.egtbPath + "\"\n";
    text += "UseBookWeights = " + OnOff(echo.useBookWeights);
    text += "UseBookLearning = " + OnOff(echo.useBookLearning);
    text += "BookLearningMode = " + echo.bookLearningMode + "\n";
    text += "VarietyOfPlay = " + std::to_string(echo.varietyOfPlay) + "\n";
    text += "BookLearningBound = " + std::to_string(echo.bookLearningBound) + "\n";
    text += "OpeningsBook = " + echo.openingsBook + "\n";
    text += "UseLearning = " + OnOff(echo.useLearning);
    text += "UseLearningData = " + OnOff(echo.useLearningData);
    text += "LogLearningIntoFile = " + OnOff(echo.logLearningIntoFile);
    text += "MoveOverhead = " + std::to_string(echo.moveOverheadMs) + " ms\n";
    text += "Pondering = " + OnOff(echo.pondering) + "\n";
    // No scan, and so no scan line, with tablebases off.
    if (echo.useEgtb) text += "No EGTB files found\n";
    return text;
}

EngineRun RunWithSettings(const std::string& settings) {
    const std::string dir = MakeScratchDir();
    std::ofstream(dir + "/Korvalent.ini", std::ios::binary) << settings;
    return RunEngine("quit\n", 30, dir);
}

std::string Warning(i32 line, const std::string& text) {
    return "Korvalent.ini(" + std::to_string(line) + ") WARNING: " + text + "\n";
}

struct SettingsCase {
    const char* name;
    std::string settings;
    std::string settingsOutput;  // printed while the file is read
    void (*expect)(Echo&);       // the echo's changes from the defaults
};

TEST(SettingsFile, EveryKeySetsWhatTheEchoShows) {
    const SettingsCase cases[] = {
        {"every key, sizes in megabytes",
         "TranspositionSizeMb = 64\n"
         "ResignValue = 650\n"
         "ResignTimes = 5\n"
         "PawnHashSizeMb = 3\n"
         "EGTBCacheSizeMb = 4\n"
         "Aggressivity = 120\n"
         "Tropism = 50\n"
         "Cowardice = 80\n"
         "VarietyOfPlay = 55\n"
         "BookLearningBound = -250\n"
         "Learning = true\n"
         "UseBookLearning = off\n"
         "Pondering = false\n"
         "UseEGTB = off\n"
         "EGTBPath = \"d:\\tb one\\;e:\\tb2\\\"\n"
         "OpeningsBook = my book.kvb\n"
         "BookLearningMode = discover\n"
         "UseLearningData = on\n"
         "UseBookWeights = FALSE\n"
         "LogLearningIntoFile = TRUE\n"
         "MoveOverhead = 250\n",
         // The named book is opened at once; it fails, so the default follows.
         "Error opening \"my book.kvb\"!\n",
         [](Echo& e) {
             e.transEntries = 3355443;  // 64 x 2^20 / 20, truncated
             e.resignValue = 650;
             e.resignTimes = 5;
             e.pawnEntries = 131072;  // 3 x 2^20 / 24
             e.egtbCacheBytes = 4194304;
             e.aggressivity = 120, e.aggressivityWeight = 60;
             e.tropism = 50, e.tropismWeight = 100;
             e.cowardice = 80, e.cowardiceWeight = 40;
             e.varietyOfPlay = 55;
             e.bookLearningBound = -250;
             e.useLearning = true;
             e.useBookLearning = false;
             e.pondering = false;
             e.useEgtb = false;
             // The path is the rest of the line, blanks and closing quote too.
             e.egtbPath = "d:\\tb one\\;e:\\tb2\\\"";
             e.bookLearningMode = "DISCOVER";
             e.useLearningData = true;
             e.useBookWeights = false;
             e.logLearningIntoFile = true;
             e.moveOverheadMs = 250;
         }},
        {"sizes as powers of two",
         "TranspositionSize = 20\nPawnHashSize = 23\nEGTBHashSize = 27\n", "",
         [](Echo& e) {
             e.transEntries = 1048576;
             e.pawnEntries = 8388608;
             e.egtbCacheBytes = 134217728;
         }},
        {"the lowest sizes, keys in any case",
         "transpositionsize = 0\nPAWNHASHSIZE = 12\nEGTBCacheSize = 20\n", "",
         [](Echo& e) {
             e.transEntries = 1;
             e.pawnEntries = 4096;
             e.egtbCacheBytes = 1048576;
         }},
        {"megabyte sizes at their ends",
         "TranspositionSizeMb = 0\nPawnHashSizeMb = 1\nEGTBHashSizeMb = 128\n", "",
         [](Echo& e) {
             e.transEntries = 0;
             e.pawnEntries = 43690;  // 2^20 / 24, truncated
             e.egtbCacheBytes = 134217728;
         }},
        {"values above their ranges",
         "; sizes out of range\n"
         "TranspositionSizeMb = 1025\n"
         "\n"
         "PawnHashSize = 11\n"
         "EGTBCacheSizeMb = 0\n"
         "Aggressivity = 400\n"
         "Tropism = -5\n"
         "Cowardice = 301\n"
         "VarietyOfPlay = 101\n"
         "ResignTimes = 0\n"
         "MoveOverhead = 5001\n",
         Warning(2, "Incorrect hash size setting in Korvalent.ini; set to default") +
             Warning(4, "Incorrect pawn hash size setting in Korvalent.ini; set to default") +
             Warning(5, "Incorrect EGTB cache size setting in Korvalent.ini; set to default") +
             Warning(6, "Incorrect AGGRESSIVITY setting; set to 300") +
             Warning(7, "Incorrect TROPISM setting; set to 0") +
             Warning(8, "Incorrect COWARDICE setting; set to 300") +
             Warning(9, "Incorrect VarietyOfPlay setting; set to 100") +
             Warning(11, "Incorrect MoveOverhead setting; set to 5000"),
         [](Echo& e) {
             // A bad pawn-hash size falls back to twice the start size.
             e.pawnEntries = 524288;
             e.aggressivity = 300, e.aggressivityWeight = 150;
             e.tropism = 0, e.tropismWeight = 0;
             e.cowardice = 300, e.cowardiceWeight = 150;
             e.varietyOfPlay = 100;
             e.resignTimes = 0;
             e.moveOverheadMs = 5000;
         }},
        {"values on the other side of their ranges",
         "TranspositionSize = 26\n"
         "PawnHashSizeMb = 1025\n"
         "EGTBHashSize = 19\n"
         "EGTBHashSizeMb = 129\n"
         "Aggressivity = -1\n"
         "Tropism = 301\n"
         "Cowardice = -300\n"
         "VarietyOfPlay = -1\n"
         "PawnHashSize = 24\n"
         "TranspositionSizeMb = -1\n"
         "EGTBCacheSize = 28\n"
         "moveoverhead = -40\n",
         Warning(1, "Incorrect hash size setting in Korvalent.ini; set to default") +
             Warning(2, "Incorrect pawn hash size setting in Korvalent.ini; set to default") +
             Warning(3, "Incorrect EGTB cache size setting in Korvalent.ini; set to default") +
             Warning(4, "Incorrect EGTB cache size setting in Korvalent.ini; set to default") +
             Warning(5, "Incorrect AGGRESSIVITY setting; set to 0") +
             Warning(6, "Incorrect TROPISM setting; set to 300") +
             Warning(7, "Incorrect COWARDICE setting; set to 0") +
             Warning(8, "Incorrect VarietyOfPlay setting; set to 0") +
             Warning(9, "Incorrect pawn hash size setting in Korvalent.ini; set to default") +
             Warning(10, "Incorrect hash size setting in Korvalent.ini; set to default") +
             Warning(11, "Incorrect EGTB cache size setting in Korvalent.ini; set to default") +
             Warning(12, "Incorrect MoveOverhead setting; set to 0"),
         [](Echo& e) {
             e.pawnEntries = 524288;
             e.aggressivity = 0, e.aggressivityWeight = 0;
             e.tropism = 300, e.tropismWeight = 600;
             e.cowardice = 0, e.cowardiceWeight = 0;
             e.varietyOfPlay = 0;
             e.moveOverheadMs = 0;
         }},
        {"switch words, prefixes and unknown words",
         "Pondering = maybe\n"
         "BookLearningMode = sometimes\n"
         "UseEGTB = 1\n"
         "Learning =\n"
         "  ; TranspositionSize = 3\n"
         "usebookweights = of\n"
         "UseBookLearning = F\n"
         "Unknown = 5\n"
         "BookLearningMode = Disc\n"
         "LogLearningIntoFile = onward\n"
         "UseLearningData = yes\n"
         "ResignValue = abc\n"
         "Tropism\n"
         "Learning=on,extra\n"
         "Pondering = off\n",
         // A comment may start after blanks; a known key without a value
         // changes nothing; a value that is no number is an unknown token.
         Warning(1, "Token unknown \"maybe\"") + Warning(2, "Token unknown \"sometimes\"") +
             Warning(3, "Token unknown \"1\"") + Warning(4, "Token unknown \"\"") +
             Warning(8, "Key unknown \"Unknown\"") + Warning(11, "Token unknown \"yes\"") +
             Warning(12, "Token unknown \"abc\""),
         [](Echo& e) {
             e.useBookWeights = false;
             e.useBookLearning = false;
             e.bookLearningMode = "DISCOVER";
             e.logLearningIntoFile = true;
             e.useLearning = true;
             e.pondering = false;
         }},
        {"keys the file does not know, and numbers that are no 32-bit integers",
         "; the echo's names and other spellings are no keys\n"
         "FooBar = 3\n"
         "UseLearning = on\n"
         "EGTB path = tb\n"
         "\n"
         "   \n"
         "ResignValue = 99999999999\n"
         "ResignTimes = 2147483648\n"
         "BookLearningBound = -2147483649\n"
         "TranspositionSizeMb = 64MB\n"
         "Aggressivity = 1e3\n"
         "VarietyOfPlay = --5\n"
         "Cowardice = 0x10\n"
         "FooBar\n"
         "=5\n"
         "ResignValue = -2147483648\n"
         "ResignTimes = +2147483647\n"
         "Tropism = -2147483648\n",
         Warning(2, "Key unknown \"FooBar\"") + Warning(3, "Key unknown \"UseLearning\"") +
             Warning(4, "Key unknown \"EGTB\"") + Warning(7, "Token unknown \"99999999999\"") +
             Warning(8, "Token unknown \"2147483648\"") + Warning(9, "Token unknown \"-2147483649\"") +
             Warning(10, "Token unknown \"64MB\"") + Warning(11, "Token unknown \"1e3\"") +
             Warning(12, "Token unknown \"--5\"") + Warning(13, "Token unknown \"0x10\"") +
             Warning(14, "Key unknown \"FooBar\"") + Warning(15, "Key unknown \"5\"") +
             Warning(18, "Incorrect TROPISM setting; set to 0"),
         [](Echo& e) {
             e.resignValue = -2147483647 - 1;
             e.resignTimes = 2147483647;
             e.tropism = 0, e.tropismWeight = 0;
         }},
        {"paths and book names keep the rest of their line",
         "EGTBPath=c:\\tb\\  \n"
         "OpeningsBook = \"books\\main.kvb\"\n"
         "BookLearningMode = kill\n",
         "Error opening \"books\\main.kvb\"\"!\n",
         [](Echo& e) { e.egtbPath = "c:\\tb\\  "; }},
    };
    for (const SettingsCase& c : cases) {
        Echo expected;
        c.expect(expected);
        const EngineRun run = RunWithSettings(c.settings);
        EXPECT_EQ(run.exitCode, 0) << c.name;
        EXPECT_EQ(run.output, StartupOutput(c.settingsOutput, expected)) << c.name;
    }
}

TEST(SettingsFile, LongLinesAreReadInPiecesThatCountAsLines) {
    // Each read takes at most 249 characters, line feed included.
    const std::string settings =
        // Line 1: a comment of 249 characters, then "Aggressivity = 400" as
        // line 2.
        ";" + std::string(248, 'x') + "Aggressivity = 400\n" +
        // Line 3.
        "Tropism = 999\n" +
        // 498 characters and the line feed: reads 4, 5 and 6 (the line feed
        // alone, a blank line).
        std::string(498, 'y') + "\n" +
        // 100001 characters with the line feed: 402 reads, lines 7 to 408.
        std::string(100000, 'z') + "\n" +
        // Line 409.
        "Cowardice = -1\n" +
        // Lines 410 and 411: the path keeps the 238 characters of the first
        // read; the rest is a line of its own that matches no key.
        "EGTBPath = " + std::string(300, 'p') + "\n" +
        // Line 412: the file's last line has no line feed.
        "VarietyOfPlay = 200";
    Echo expected;
    expected.aggressivity = 300, expected.aggressivityWeight = 150;
    expected.tropism = 300, expected.tropismWeight = 600;
    expected.cowardice = 0, expected.cowardiceWeight = 0;
    expected.egtbPath = std::string(238, 'p');
    expected.varietyOfPlay = 100;
    // A line cut into pieces is reported once; the pieces after its first
    // are no keys anyone wrote, so they are not reported as unknown keys.
    const std::string tooLong = "Line too long; read in pieces of 249 characters";
    const EngineRun run = RunWithSettings(settings);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output,
              StartupOutput(Warning(1, tooLong) + Warning(2, "Incorrect AGGRESSIVITY setting; set to 300") +
                                Warning(3, "Incorrect TROPISM setting; set to 300") + Warning(4, tooLong) +
                                Warning(4, "Key unknown \"" + std::string(249, 'y') + "\"") +
                                Warning(7, tooLong) +
                                Warning(7, "Key unknown \"" + std::string(249, 'z') + "\"") +
                                Warning(409, "Incorrect COWARDICE setting; set to 0") + Warning(410, tooLong) +
                                Warning(412, "Incorrect VarietyOfPlay setting; set to 100"),
                            expected));
}

TEST(SettingsFile, LinesEndAtTheirFirstControlCharacter) {
    // A tab, a carriage return or a byte from 128 up ends the line; what
    // follows is not read. A line cut down to nothing is a comment.
    const std::string settings =
        "ResignValue = 123\t456\n"
        "ResignTimes = 7\r\n"
        "VarietyOfPlay = 3\xC3\xA9 9\n"
        "\tAggressivity = 0\n"
        "\x01Tropism = 0\n";
    Echo expected;
    expected.resignValue = 123;
    expected.resignTimes = 7;
    expected.varietyOfPlay = 3;
    const EngineRun run = RunWithSettings(settings);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output, StartupOutput("", expected));
}

// In-process: the path list holds anything a command line can give; a
// longer text (from no protocol) is cut with a line that says so.
TEST(SettingsFile, TablebasePathListIsKeptWholeOrCutWithALine) {
    const std::string longest(InputLineSize - 1, 'p');
    EXPECT_TRUE(SetTablebasePath(longest.c_str()));
    EXPECT_EQ(std::string(EgtbPath), longest);
    const std::string longer(70000, 'q');
    testing::internal::CaptureStdout();
    EXPECT_FALSE(SetTablebasePath(longer.c_str()));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Tablebase path list of 70000 characters cut to its first 65535\n");
    EXPECT_EQ(std::string(EgtbPath), longer.substr(0, 65535));
    SetTablebasePath("c:\\tablebases\\");
}

}  // namespace
