#include "platform/platform.h"

#include <gtest/gtest.h>

#include "support/piped_stdin.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace {

TEST(Platform, TranslatePathTurnsWindowsPathsIntoRelativeOnes) {
    struct Case {
        const char* windowsPath;
        const char* expected;
    };
    const Case cases[] = {
        {"c:\\tablebases\\", "tablebases/"},
        {".\\book.kvb", "./book.kvb"},
        {"C:\\work\\source.pgn", "work/source.pgn"},
        {"D:tb\\six", "tb/six"},
        {"e:/tb", "tb"},
        {"c:\\", "./"},
        {"c:", "./"},
        {"Book.kvb", "Book.kvb"},
        {"..\\tb\\", "../tb/"},
        {"tb\\sub\\kqk.nbw", "tb/sub/kqk.nbw"},
        {"/var/tb/", "/var/tb/"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TranslatePath(c.windowsPath), c.expected) << c.windowsPath;
    }
}

// A fresh directory under the working directory, removed again at the end.
struct ScratchDirectory {
    std::string name;
    ScratchDirectory() {
        char pattern[] = "platform_test_XXXXXX";
        EXPECT_NE(mkdtemp(pattern), nullptr);
        name = pattern;
    }
    ~ScratchDirectory() { std::filesystem::remove_all(name); }
};

void WriteFile(const std::string& path, const char* text) {
    FILE* file = fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    fputs(text, file);
    fclose(file);
}

std::string ReadAll(FILE* file) {
    std::string text;
    for (int c = fgetc(file); c != EOF; c = fgetc(file)) text += char(c);
    return text;
}

TEST(Platform, OpenFileTranslatedFindsNamesRegardlessOfCase) {
    ScratchDirectory scratch;
    std::filesystem::create_directory(scratch.name + "/TableBases");
    WriteFile(scratch.name + "/TableBases/KQK.nbw", "kqk");
    WriteFile(scratch.name + "/book.kvb", "book");

    struct Case {
        std::string path;
        const char* mode;
        const char* expected;  // nullptr: must not open
    };
    const std::string windowsDir = "c:\\" + scratch.name;
    const Case cases[] = {
        {windowsDir + "\\TableBases\\KQK.nbw", "rb", "kqk"},
        {windowsDir + "\\tablebases\\kqk.NBW", "rb", "kqk"},
        {windowsDir + "\\TABLEBASES\\kqk.nbw", "r+b", "kqk"},
        {scratch.name + "/tablebases/Kqk.nbw", "r", "kqk"},
        {windowsDir + "\\BOOK.KVB", "rb", "book"},
        {windowsDir + "\\tablebases\\krk.nbw", "rb", nullptr},
        {windowsDir + "\\nowhere\\kqk.nbw", "rb", nullptr},
    };
    for (const Case& c : cases) {
        FILE* file = OpenFileTranslated(c.path.c_str(), c.mode);
        if (!c.expected) {
            EXPECT_EQ(file, nullptr) << c.path;
            if (file) fclose(file);
            continue;
        }
        ASSERT_NE(file, nullptr) << c.path << " " << c.mode;
        EXPECT_EQ(ReadAll(file), c.expected) << c.path;
        fclose(file);
    }

    // A write creates the name exactly as given, beside the existing file.
    FILE* created = OpenFileTranslated((windowsDir + "\\Book.kvb").c_str(), "wb");
    ASSERT_NE(created, nullptr);
    fclose(created);
    EXPECT_TRUE(std::filesystem::exists(scratch.name + "/Book.kvb"));
    EXPECT_TRUE(std::filesystem::exists(scratch.name + "/book.kvb"));
}

TEST(Platform, OpenFileTrimmingBlanksTriesTheNameAsGivenFirst) {
    ScratchDirectory scratch;
    WriteFile(scratch.name + "/book.kvb", "book");
    WriteFile(scratch.name + "/blank.kvb ", "with blank");
    WriteFile(scratch.name + "/blank.kvb", "without blank");
    struct Case {
        std::string path;
        const char* expected;  // nullptr: must not open
    };
    const Case cases[] = {
        {scratch.name + "/book.kvb", "book"},
        {scratch.name + "/book.kvb ", "book"},
        {scratch.name + "/book.kvb \t\r\n", "book"},
        {"c:\\" + scratch.name + "\\BOOK.KVB  ", "book"},
        {scratch.name + "/blank.kvb ", "with blank"},
        {scratch.name + "/blank.kvb  ", "without blank"},
        {scratch.name + "/ book.kvb", nullptr},
        {scratch.name + "/missing.kvb ", nullptr},
        {"   ", nullptr},
    };
    for (const Case& c : cases) {
        FILE* file = OpenFileTrimmingBlanks(c.path.c_str(), "rb");
        if (!c.expected) {
            EXPECT_EQ(file, nullptr) << c.path;
            if (file) fclose(file);
            continue;
        }
        ASSERT_NE(file, nullptr) << c.path;
        EXPECT_EQ(ReadAll(file), c.expected) << c.path;
        fclose(file);
    }
}

TEST(Platform, FindFileCaseInsensitivePrefersTheExactName) {
    ScratchDirectory scratch;
    WriteFile(scratch.name + "/values.txt", "");
    WriteFile(scratch.name + "/VALUES.TXT", "");
    EXPECT_EQ(FindFileCaseInsensitive(scratch.name + "/VALUES.TXT"), scratch.name + "/VALUES.TXT");
    EXPECT_EQ(FindFileCaseInsensitive(scratch.name + "/values.txt"), scratch.name + "/values.txt");
    // Of several inexact matches the choice is stable: the lexically first.
    EXPECT_EQ(FindFileCaseInsensitive(scratch.name + "/Values.txt"), scratch.name + "/VALUES.TXT");
    EXPECT_EQ(FindFileCaseInsensitive(scratch.name + "/missing.txt"), "");
    EXPECT_EQ(FindFileCaseInsensitive(""), "");
}

TEST(Platform, NowMsIsMonotonicMilliseconds) {
    const i64 start = NowMs();
    i64 previous = start;
    for (i32 i = 0; i < 1000; i++) {
        const i64 now = NowMs();
        EXPECT_GE(now, previous);
        previous = now;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const i64 elapsed = NowMs() - start;
    EXPECT_GE(elapsed, 30);
    EXPECT_LT(elapsed, 5000);
}

TEST(Platform, WallTimeSecondsIsTheCurrentTime) {
    const i64 expected = i64(time(nullptr));
    EXPECT_NEAR(double(WallTimeSeconds()), double(expected), 2.0);
}

TEST(Platform, StdinHasDataSeesLinesAndEndOfInput) {
    PipedStdin input;
    EXPECT_EQ(StdinHasData(0), 0);

    const i64 start = NowMs();
    EXPECT_EQ(StdinHasData(50), 0);
    EXPECT_GE(NowMs() - start, 45);

    ASSERT_EQ(write(input.writeEnd, "stop\n", 5), 5);
    EXPECT_EQ(StdinHasData(0), 1);
    EXPECT_EQ(StdinHasData(-1), 1);
    char buffer[16];
    EXPECT_EQ(ReadStdin(buffer, sizeof(buffer)), 5);
    EXPECT_EQ(std::string(buffer, 5), "stop\n");
    EXPECT_EQ(StdinHasData(0), 0);

    // The GUI going away must wake the poll so the engine can see it.
    input.CloseWriteEnd();
    EXPECT_EQ(StdinHasData(0), 1);
    EXPECT_EQ(StdinHasData(-1), 1);
    EXPECT_EQ(ReadStdin(buffer, sizeof(buffer)), 0);
}

TEST(Platform, IgnoreSignalsIgnoresInterruptAndBrokenPipe) {
    struct sigaction oldInterrupt, oldPipe;
    sigaction(SIGINT, nullptr, &oldInterrupt);
    sigaction(SIGPIPE, nullptr, &oldPipe);

    IgnoreSignals();
    for (int signalNumber : {SIGINT, SIGPIPE}) {
        struct sigaction current;
        sigaction(signalNumber, nullptr, &current);
        EXPECT_EQ(current.sa_handler, SIG_IGN) << signalNumber;
    }
    // Still alive after both arrive.
    raise(SIGINT);
    raise(SIGPIPE);

    sigaction(SIGINT, &oldInterrupt, nullptr);
    sigaction(SIGPIPE, &oldPipe, nullptr);
}

}  // namespace
