#include "driver/input_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "support/piped_stdin.h"

namespace {

class InputReader : public ::testing::Test {
protected:
    void SetUp() override { ResetInputReader(); }
    void TearDown() override { ResetInputReader(); }
    PipedStdin input;
    char line[InputLineSize];
    void Send(const std::string& text) {
        ASSERT_EQ(write(input.writeEnd, text.data(), text.size()), ssize_t(text.size()));
    }
};

TEST_F(InputReader, TwoLinesInOneWriteComeOutAsTwoLines) {
    Send("uci\nisready\n");
    EXPECT_EQ(ReadInputLine(1, line), 1);
    EXPECT_STREQ(line, "uci");
    // The second line is handed out from what was already read.
    input.CloseWriteEnd();
    EXPECT_EQ(InputAvailable(), 1);
    EXPECT_EQ(ReadInputLine(0, line), 1);
    EXPECT_STREQ(line, "isready");
}

TEST_F(InputReader, CarriageReturnBecomesABlankAndNulToo) {
    Send(std::string("position startpos\r\ngo\0x\n", 24));
    EXPECT_EQ(ReadInputLine(1, line), 1);
    EXPECT_STREQ(line, "position startpos ");
    EXPECT_EQ(ReadInputLine(1, line), 1);
    EXPECT_STREQ(line, "go x");
}

TEST_F(InputReader, PollingAnEmptyPipeReturnsAtOnce) {
    EXPECT_EQ(InputAvailable(), 0);
    EXPECT_EQ(ReadInputLine(0, line), 0);
    Send("sto");
    EXPECT_EQ(ReadInputLine(0, line), 0);
    EXPECT_STREQ(line, "");
    Send("p\n");
    EXPECT_EQ(ReadInputLine(0, line), 1);
    EXPECT_STREQ(line, "stop");
}

TEST_F(InputReader, EndOfInputIsStickyAndDropsAPartialLine) {
    Send("quit\ngo");
    input.CloseWriteEnd();
    EXPECT_EQ(ReadInputLine(1, line), 1);
    EXPECT_STREQ(line, "quit");
    EXPECT_EQ(ReadInputLine(1, line), -1);
    EXPECT_STREQ(line, "");
    EXPECT_EQ(ReadInputLine(1, line), -1);
    EXPECT_EQ(ReadInputLine(0, line), 0);
    EXPECT_TRUE(InputEnded());
    EXPECT_EQ(InputAvailable(), 0);
}

TEST_F(InputReader, LongLinesArriveWholeAndTooLongOnesAreDropped) {
    std::string moves = "position startpos moves";
    while (moves.size() < 30000) moves += " e2e4 e7e5";
    std::thread writer([&] {
        Send(moves + "\n");
        Send(std::string(InputLineSize + 100, 'x') + "\nisready\n");
        input.CloseWriteEnd();
    });
    EXPECT_EQ(ReadInputLine(1, line), 1);
    EXPECT_EQ(std::string(line), moves);
    testing::internal::CaptureStdout();
    EXPECT_EQ(ReadInputLine(1, line), 1);
    const std::string message = testing::internal::GetCapturedStdout();
    EXPECT_STREQ(line, "isready");
    EXPECT_NE(message.find("too long"), std::string::npos);
    EXPECT_EQ(ReadInputLine(1, line), -1);
    writer.join();
}

TEST_F(InputReader, CharactersFollowTheLineBeforeThem) {
    Send("edit\n#\nKe1\n.\nbrd\n");
    EXPECT_EQ(ReadInputLine(1, line), 1);
    std::string chars;
    for (i32 i = 0; i < 8; i++) chars += char(ReadInputChar());
    EXPECT_EQ(chars, "#\nKe1\n.\n");
    EXPECT_EQ(ReadInputLine(1, line), 1);
    EXPECT_STREQ(line, "brd");
    input.CloseWriteEnd();
    EXPECT_EQ(ReadInputChar(), -1);
}

}  // namespace
