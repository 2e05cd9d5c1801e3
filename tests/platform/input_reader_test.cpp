#include "platform/input_reader.h"

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

// Held lines come before anything newer, to whole-line and character reads
// alike; the search's polling passes over them.
TEST_F(InputReader, HeldLinesComeFirstExceptToThePolling) {
    Send("stop\n#\nKe1\n.\nbrd\n");
    ASSERT_TRUE(HoldInputLine("edit"));
    ASSERT_TRUE(HoldInputLine("xa4"));
    EXPECT_EQ(HeldLineCount(), 2);
    EXPECT_EQ(PollInputLine(line), 1);
    EXPECT_STREQ(line, "stop");
    EXPECT_EQ(ReadInputLine(1, line), 1);
    EXPECT_STREQ(line, "edit");
    // Edit mode reads on character by character: the held line, then input.
    std::string chars;
    for (i32 i = 0; i < 9; i++) chars += char(ReadInputChar());
    EXPECT_EQ(chars, "xa4\n#\nKe1");
    EXPECT_EQ(HeldLineCount(), 0);
    EXPECT_EQ(ReadInputLine(1, line), 1);
    EXPECT_STREQ(line, "");
    EXPECT_EQ(ReadInputLine(0, line), 1);
    EXPECT_STREQ(line, ".");
    // A line partly read hands out its rest.
    ASSERT_TRUE(HoldInputLine("position startpos"));
    EXPECT_EQ(ReadInputChar(), 'p');
    EXPECT_EQ(HeldLineCount(), 1);
    EXPECT_EQ(ReadInputLine(0, line), 1);
    EXPECT_STREQ(line, "osition startpos");
    // Held lines never count as input the search could poll; at the end of
    // input they are still handed out.
    ASSERT_TRUE(HoldInputLine("go"));
    input.CloseWriteEnd();
    EXPECT_EQ(PollInputLine(line), 1);
    EXPECT_STREQ(line, "brd");
    EXPECT_EQ(PollInputLine(line), 0);
    EXPECT_TRUE(InputEnded());
    EXPECT_EQ(ReadInputLine(1, line), 1);
    EXPECT_STREQ(line, "go");
    EXPECT_EQ(ReadInputLine(1, line), -1);
}

TEST_F(InputReader, TheHeldLinesHaveABound) {
    for (i32 i = 0; i < MaxHeldLines; i++) ASSERT_TRUE(HoldInputLine("isready")) << i;
    EXPECT_FALSE(HoldInputLine("isready"));
    EXPECT_EQ(HeldLineCount(), MaxHeldLines);
    ResetInputReader();
    EXPECT_EQ(HeldLineCount(), 0);
    // Long lines fill the bytes first.
    const std::string longLine(InputLineSize - 2, 'x');
    i32 held = 0;
    while (HoldInputLine(longLine.c_str())) held++;
    EXPECT_EQ(held, MaxHeldBytes / InputLineSize);
    EXPECT_TRUE(HoldInputLine("go"));
}

}  // namespace
