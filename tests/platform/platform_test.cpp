#include "platform/platform.h"

#include <gtest/gtest.h>

#include "support/piped_stdin.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
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

// Only regular files are opened, and the open never waits: a FIFO without
// a writer would block fopen itself, and reads from one would wait for ever.
TEST(Platform, OpenRegularFileRefusesFifosDevicesAndDirectories) {
    ScratchDirectory scratch;
    const std::string dir = scratch.name;
    WriteFile(dir + "/Book.kvb", "book");
    ASSERT_EQ(mkfifo((dir + "/fifo").c_str(), 0644), 0);
    ASSERT_EQ(mkfifo((dir + "/LEARN.KV1").c_str(), 0644), 0);
    std::filesystem::create_directory(dir + "/kqk.nbw");
    struct Case {
        std::string path;
        const char* mode;
        OpenFailure failure;
        std::string openedPath;  // the path as the file system has it
    };
    const Case cases[] = {
        {"c:\\" + dir + "\\BOOK.KVB", "rb", OpenFailure::None, dir + "/Book.kvb"},
        {dir + "/Book.kvb", "r+b", OpenFailure::None, dir + "/Book.kvb"},
        {dir + "/fifo", "rb", OpenFailure::NotRegular, dir + "/fifo"},
        {dir + "/fifo", "r+b", OpenFailure::NotRegular, dir + "/fifo"},
        {dir + "/fifo", "a", OpenFailure::NotRegular, dir + "/fifo"},
        {dir + "/fifo", "wb", OpenFailure::NotRegular, dir + "/fifo"},
        {dir + "/learn.kv1", "rb+", OpenFailure::NotRegular, dir + "/LEARN.KV1"},
        {dir + "/kqk.nbw", "rb", OpenFailure::NotRegular, dir + "/kqk.nbw"},
        {"/dev/null", "rb", OpenFailure::NotRegular, "/dev/null"},
        {dir + "/missing", "rb", OpenFailure::Missing, dir + "/missing"},
        {dir + "/missing/deeper", "wb", OpenFailure::Missing, dir + "/missing/deeper"},
        // Writes create the name as given; "x" only a name not yet there.
        {dir + "/new.log", "a", OpenFailure::None, dir + "/new.log"},
        {dir + "/Book.kvb", "wbx", OpenFailure::CannotOpen, dir + "/Book.kvb"},
        {dir + "/created", "wbx", OpenFailure::None, dir + "/created"},
    };
    for (const Case& c : cases) {
        const OpenedFile opened = OpenRegularFile(c.path.c_str(), c.mode);
        EXPECT_EQ(opened.failure, c.failure) << c.path << " " << c.mode;
        EXPECT_EQ(opened.file != nullptr, c.failure == OpenFailure::None) << c.path << " " << c.mode;
        EXPECT_EQ(opened.path, c.openedPath) << c.path << " " << c.mode;
        if (opened.file) fclose(opened.file);
    }
    // The stream of a regular file works as fopen's: reads, and writes in place.
    OpenedFile book = OpenRegularFile((dir + "/Book.kvb").c_str(), "r+b");
    ASSERT_NE(book.file, nullptr);
    EXPECT_EQ(ReadAll(book.file), "book");
    fseek(book.file, 0, SEEK_SET);
    fputs("BO", book.file);
    fclose(book.file);
    book = OpenRegularFile((dir + "/Book.kvb").c_str(), "rb");
    EXPECT_EQ(ReadAll(book.file), "BOok");
    fclose(book.file);
    // Trailing blanks are dropped only when the name as given is missing.
    EXPECT_EQ(OpenRegularFileTrimmingBlanks((dir + "/fifo  ").c_str(), "rb").failure, OpenFailure::NotRegular);
    OpenedFile trimmed = OpenRegularFileTrimmingBlanks((dir + "/Book.kvb \r").c_str(), "rb");
    ASSERT_NE(trimmed.file, nullptr);
    EXPECT_EQ(trimmed.path, dir + "/Book.kvb");
    fclose(trimmed.file);
}

TEST(Platform, DirectoryIdentityIsTheSameForEverySpelling) {
    ScratchDirectory scratch;
    std::filesystem::create_directory(scratch.name + "/Tables");
    FileIdentity first, other;
    ASSERT_TRUE(DirectoryIdentity((scratch.name + "/Tables").c_str(), &first));
    for (const std::string& path : {scratch.name + "/tables/", "c:\\" + scratch.name + "\\TABLES",
                                    "./" + scratch.name + "/./Tables"}) {
        ASSERT_TRUE(DirectoryIdentity(path.c_str(), &other)) << path;
        EXPECT_EQ(other, first) << path;
    }
    ASSERT_TRUE(DirectoryIdentity("", &other));
    EXPECT_FALSE(other == first);
    EXPECT_FALSE(DirectoryIdentity((scratch.name + "/missing").c_str(), &other));
    WriteFile(scratch.name + "/file", "");
    EXPECT_FALSE(DirectoryIdentity((scratch.name + "/file").c_str(), &other));
}

TEST(Platform, FindFileCaseInsensitivePrefersTheExactName) {
    ScratchDirectory scratch;
    WriteFile(scratch.name + "/values.txt", "");
    WriteFile(scratch.name + "/VALUES.TXT", "");
    std::filesystem::create_directory(scratch.name + "/Tables");
    WriteFile(scratch.name + "/Tables/kqk.nbw", "");
    // The same answers with the listings kept (as during a tablebase scan)
    // as with each name looked up by itself.
    for (bool kept : {false, true}) {
        SCOPED_TRACE(kept ? "listings kept" : "no listings kept");
        std::optional<DirectoryListingCache> listings;
        if (kept) listings.emplace();
        EXPECT_EQ(FindFileCaseInsensitive(scratch.name + "/VALUES.TXT"), scratch.name + "/VALUES.TXT");
        EXPECT_EQ(FindFileCaseInsensitive(scratch.name + "/values.txt"), scratch.name + "/values.txt");
        // Of several inexact matches the choice is stable: the lexically first.
        EXPECT_EQ(FindFileCaseInsensitive(scratch.name + "/Values.txt"), scratch.name + "/VALUES.TXT");
        EXPECT_EQ(FindFileCaseInsensitive(scratch.name + "/tables/KQK.NBW"), scratch.name + "/Tables/kqk.nbw");
        EXPECT_EQ(FindFileCaseInsensitive("./" + scratch.name + "/../" + scratch.name + "/Tables/./kqk.nbw"),
                  "./" + scratch.name + "/../" + scratch.name + "/Tables/./kqk.nbw");
        EXPECT_EQ(FindFileCaseInsensitive(scratch.name + "/missing.txt"), "");
        EXPECT_EQ(FindFileCaseInsensitive(scratch.name + "/values.txt/deeper"), "");
        EXPECT_EQ(FindFileCaseInsensitive(""), "");
        EXPECT_EQ(OpenRegularFile((scratch.name + "/tables/kqk.NBW").c_str(), "rb").path,
                  scratch.name + "/Tables/kqk.nbw");
        EXPECT_EQ(OpenRegularFile((scratch.name + "/Tables/krk.nbw").c_str(), "rb").failure, OpenFailure::Missing);
        fclose(OpenRegularFile((scratch.name + "/Tables/kqk.nbw").c_str(), "rb").file);
    }
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

TEST(Platform, StdinIsTerminalOnlyForATerminal) {
    {
        PipedStdin input;
        EXPECT_FALSE(IsTerminal(stdin));
    }
    // A file, a device that is no terminal, and a pseudo-terminal, each in
    // turn put in place of standard input.
    int master = -1, terminal = -1;
    ASSERT_EQ(openpty(&master, &terminal, nullptr, nullptr, nullptr), 0);
    struct Case {
        const char* what;
        int descriptor;
        bool isTerminal;
    };
    const Case cases[] = {
        {"file", open(KORVALENT_SOURCE_DIR "/values.txt", O_RDONLY), false},
        {"/dev/null", open("/dev/null", O_RDONLY), false},
        {"pseudo-terminal", terminal, true},
    };
    const int savedStdin = dup(0);
    ASSERT_GE(savedStdin, 0);
    for (const Case& c : cases) {
        // Standard input is put back after the loop, whatever fails here.
        const bool inPlace = c.descriptor >= 0 && dup2(c.descriptor, 0) == 0;
        EXPECT_TRUE(inPlace) << c.what;
        if (inPlace) {
            EXPECT_EQ(IsTerminal(stdin), c.isTerminal) << c.what;
        }
        if (c.descriptor >= 0) close(c.descriptor);
    }
    dup2(savedStdin, 0);
    close(savedStdin);
    close(master);
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
