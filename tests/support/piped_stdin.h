// Test support: a pipe in place of standard input for the length of a test.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

// Puts the read end of a pipe in place of standard input for one test and
// restores the real standard input afterwards.
struct PipedStdin {
    int savedStdin = -1;
    int writeEnd = -1;
    PipedStdin() {
        int ends[2];
        EXPECT_EQ(pipe(ends), 0);
        savedStdin = dup(0);
        EXPECT_GE(savedStdin, 0);
        EXPECT_EQ(dup2(ends[0], 0), 0);
        close(ends[0]);
        writeEnd = ends[1];
    }
    void CloseWriteEnd() {
        if (writeEnd >= 0) close(writeEnd);
        writeEnd = -1;
    }
    ~PipedStdin() {
        CloseWriteEnd();
        dup2(savedStdin, 0);
        close(savedStdin);
    }
};
