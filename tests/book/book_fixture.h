// Test support for the in-process book tests: the engine's tables, a scratch
// directory per test for the book files, the book settings at their
// defaults, positions set up from text, and output captured.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include "board/board.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "book/book.h"
#include "book/test_book.h"
#include "support/engine_process.h"

constexpr const char* StartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";

// Root may write any file; file checks made as an ordinary user see the
// permissions. Restores the file-system user on leaving.
struct UnprivilegedFileAccess {
    uid_t saved = geteuid();
    UnprivilegedFileAccess() {
        if (saved == 0) setfsuid(65534);
    }
    ~UnprivilegedFileAccess() {
        if (saved == 0) setfsuid(0);
    }
};

class BookTest : public ::testing::Test {
protected:
    std::string scratch;

    static void SetUpTestSuite() { InitEngineTables(); }

    void SetUp() override {
        scratch = MakeScratchDir();
        UseBookLearning = 1;
        UseBookWeights = 1;
        BookLearningMode = KILL;
        VarietyOfPlay = 10;
        SetPosition(StartFen);
    }

    void TearDown() override { CloseBookFile(); }

public:
    // The position after the moves from fen.
    static void SetPosition(const char* fen, std::initializer_list<const char*> moves = {}) {
        ASSERT_EQ(ParseFen(fen), 1) << fen;
        for (const char* text : moves) {
            const Move m = ParseMoveText(text);
            ASSERT_NE(m, NoMove) << text;
            MakeMove(m, 1);
        }
    }

    // Writes bytes as a book file in the scratch directory: its path.
    std::string WriteBook(const std::string& bytes, const char* name = "book.kvb") {
        const std::string path = scratch + "/" + name;
        EXPECT_TRUE(WriteTestFile(path, bytes)) << path;
        return path;
    }

    // What OpenBook prints for path.
    static std::string OpenBookOutput(const std::string& path) {
        testing::internal::CaptureStdout();
        OpenBook(path.c_str());
        return testing::internal::GetCapturedStdout();
    }

    // Opens a book that must load, quietly.
    static void LoadBook(const std::string& path) {
        const std::string printed = OpenBookOutput(path);
        ASSERT_EQ(BookLoaded, 1) << printed;
    }

    // Makes the book file at path read-only and opens it as an ordinary
    // user, with what OpenBook printed; false when no file can be made
    // read-only here.
    bool OpenReadOnlyBook(const std::string& path, std::string* printed) {
        EXPECT_EQ(chmod(scratch.c_str(), 0755), 0);
        EXPECT_EQ(chmod(path.c_str(), 0444), 0);
        UnprivilegedFileAccess access;
        if (FILE* probe = std::fopen(path.c_str(), "r+b")) {
            std::fclose(probe);
            return false;
        }
        *printed = OpenBookOutput(path);
        return true;
    }

    // What the "bkm" listing prints for the current position.
    static std::string Listing() {
        testing::internal::CaptureStdout();
        PrintBookMoves();
        return testing::internal::GetCapturedStdout();
    }
};
