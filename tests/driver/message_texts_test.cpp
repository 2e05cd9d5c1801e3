// xboard (and WinBoard, whose engine-output code is the same) takes any line
// from the engine holding one of a few phrases for the engine failing to
// start, and then never plays. No text the engine can print may hold one:
// every string literal in the sources is read, and the real executable's
// output over start-up and the status commands is checked as well.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/engine_pipe.h"
#include "support/engine_process.h"

namespace {

const char* const StartFailurePhrases[] = {
    "not found", "No such file", "Permission denied",
    "can't alloc", "unknown host", "No remote directory",
};

std::string Lower(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The first phrase the text holds (case-insensitive, the looser reading), or "".
std::string StartFailurePhraseIn(const std::string& text) {
    const std::string lowered = Lower(text);
    for (const char* phrase : StartFailurePhrases)
        if (lowered.find(Lower(phrase)) != std::string::npos) return phrase;
    return "";
}

// The string literals of one C++ source, adjacent ones joined as the
// compiler joins them ("EGTB files " "not found" is one text). Comments and
// character literals are skipped; escapes are kept as written, which leaves
// the phrases (plain words and blanks) intact.
std::vector<std::string> StringLiterals(const std::string& source) {
    std::vector<std::string> literals;
    bool joinNext = false;  // only blanks and comments since the last literal
    size_t i = 0;
    while (i < source.size()) {
        const char c = source[i];
        if (source.compare(i, 2, "//") == 0) {
            i = source.find('\n', i);
            if (i == std::string::npos) break;
        } else if (source.compare(i, 2, "/*") == 0) {
            i = source.find("*/", i + 2);
            if (i == std::string::npos) break;
            i += 2;
        } else if (c == '\'' && !(i > 0 && std::isxdigit(static_cast<unsigned char>(source[i - 1])))) {
            // A character literal (a digit separator follows a hex digit).
            for (i++; i < source.size() && source[i] != '\''; i++)
                if (source[i] == '\\') i++;
            i++;
            joinNext = false;
        } else if (c == '"') {
            std::string text;
            for (i++; i < source.size() && source[i] != '"'; i++) {
                if (source[i] == '\\' && i + 1 < source.size()) text += source[i++];
                text += source[i];
            }
            i++;
            if (joinNext && !literals.empty())
                literals.back() += text;
            else
                literals.push_back(text);
            joinNext = true;
        } else {
            if (!std::isspace(static_cast<unsigned char>(c))) joinNext = false;
            i++;
        }
    }
    return literals;
}

TEST(MessageTexts, LiteralReaderJoinsAdjacentTextsAndSkipsComments) {
    const std::string source =
        "// \"not found\" in a comment\n"
        "printf(\"EGTB files \"  /* gap */\n  \"found\\n\");\n"
        "char quote = '\"'; int big = 1'000;\n"
        "puts(\"a \\\"quoted\\\" word\");\n";
    const std::vector<std::string> expected = {"EGTB files found\\n", "a \\\"quoted\\\" word"};
    EXPECT_EQ(StringLiterals(source), expected);
}

TEST(MessageTexts, NoSourceTextHoldsAPhraseThatXboardTakesForAFailedStart) {
    const std::filesystem::path sourceDir = std::filesystem::path(KORVALENT_SOURCE_DIR) / "src";
    int filesRead = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(sourceDir)) {
        const std::string extension = entry.path().extension().string();
        if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".h")) continue;
        std::ifstream file(entry.path());
        std::stringstream source;
        source << file.rdbuf();
        for (const std::string& literal : StringLiterals(source.str()))
            EXPECT_EQ(StartFailurePhraseIn(literal), "")
                << entry.path().string() << ": \"" << literal << "\"";
        filesRead++;
    }
    // The scan must have found the sources, or it proves nothing.
    EXPECT_GT(filesRead, 20);
}

TEST(MessageTexts, StartUpAndStatusOutputHoldNoSuchPhrase) {
    // A directory without values.txt, book or tablebases: every "missing
    // file" message of start-up comes, then the status words xboard users type.
    const EngineRun run =
        RunEngine("xboard\nprotover 2\negtbstat\nbkm\nhelp\n\nbrd\nevl\nquit\n", 30);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.output.find("No EGTB files found\n"), std::string::npos) << run.output;
    std::istringstream lines(run.output);
    for (std::string line; std::getline(lines, line);)
        EXPECT_EQ(StartFailurePhraseIn(line), "") << line;
}

TEST(MessageTexts, ProtoverIsAnsweredWithOneFeatureLine) {
    // xboard waits for "done=1" before it sends anything after "protover";
    // a number, none or text after the word get the same line.
    for (const char* protover : {"protover 2", "protover", "protover two"}) {
        EnginePipe engine;
        engine.Send("xboard");
        engine.Send(protover);
        std::string line;
        ASSERT_TRUE(engine.WaitFor("feature", 10000, &line)) << engine.Transcript();
        EXPECT_EQ(line, "feature myname=\"Korvalent 1.50\" done=1");
        // Nothing else answers it: the next line is the barrier's reply.
        const int featureLine = engine.Find("feature");
        engine.Send("isready");
        ASSERT_TRUE(engine.WaitFor("readyok", 10000)) << engine.Transcript();
        EXPECT_EQ(engine.Find("readyok"), featureLine + 1) << engine.Transcript();
        EXPECT_EQ(engine.Count("feature"), 1) << engine.Transcript();
    }
}

}  // namespace
