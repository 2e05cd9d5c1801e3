#include "eval/eval_dump.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/fen.h"
#include "eval/eval_info.h"
#include "eval/eval_params.h"
#include "eval/king_shelter.h"
#include "eval/material_table.h"
#include "search/search_limits.h"
#include "support/eval_positions.h"

namespace {

class EvaluationDump : public EvalTest {
protected:
    static std::vector<std::string> DumpLines(const char* fen) {
        EXPECT_EQ(ParseFen(fen), 1) << fen;
        testing::internal::CaptureStdout();
        PrintEvaluationDump();
        std::istringstream out(testing::internal::GetCapturedStdout());
        std::vector<std::string> lines;
        for (std::string line; std::getline(out, line);) lines.push_back(line);
        return lines;
    }
};

TEST_F(EvaluationDump, StartPositionPrintsEveryLineInOrder) {
    // The dump evaluates for the side to move, whichever side the engine had.
    EngineSide = BLACK;
    const std::vector<std::string> lines =
        DumpLines("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
    const char* expected[] = {
        "Heuristic = 9",
        "PassedVector\\[BLACK\\] = 00000000 PassedVector\\[WHITE\\] = 00000000",
        "current_phase = 0, black_phase = 0, white_phase = 0",
        "optimism\\[BLACK\\] = -?\\d+, optimism\\[WHITE\\] = -?\\d+",
        "Material\\[WHITE\\] = 3900 board->Material\\[BLACK\\] = 3900 EvaluateMaterial\\(\\) = "
        "-?\\d+",
        "ENDING\\(WHITE\\) = 0 ENDING\\(BLACK\\) = 0",
        "black_defects_k = \\d+ black_defects_q = \\d+ white_defects_k = \\d+ white_defects_q = "
        "\\d+",
        "eval_info->shelter_penalty\\[BLACK\\] = \\d+ eval_info->shelter_penalty\\[WHITE\\] = \\d+",
        "eval_info->danger\\[BLACK\\] = \\d+ eval_info->danger\\[WHITE\\] = \\d+",
        "Attacks\\[ChangeSide\\(board->SideToMove\\)\\] = \\d+",
        "Attacks\\[board->SideToMove\\] = \\d+",
        "Shelter\\[BLACK\\] = \\d+ Shelter\\[WHITE\\] = \\d+",
        "Dng = \\d+",
    };
    ASSERT_EQ(lines.size(), std::size(expected));
    for (size_t i = 0; i < lines.size(); i++)
        EXPECT_TRUE(std::regex_match(lines[i], std::regex(expected[i]))) << lines[i];
    EXPECT_EQ(EngineSide, WHITE);
    // The start position is symmetric: both sides' numbers agree.
    EXPECT_EQ(eval_info.shelter_penalty[WHITE], eval_info.shelter_penalty[BLACK]);
}

TEST_F(EvaluationDump, AttackLinesReadTheCurvesEightEntriesOn) {
    // Black to move; eight black queens a knight's jump from the white king:
    // Black's danger is 127, and the dump's index 127 + 8 stops at the last
    // entry.
    const std::vector<std::string> lines = DumpLines("7k/8/2q1q3/1q3q2/3K4/1q3q2/R1q1q3/Q7 b - -");
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(EngineSide, BLACK);
    ASSERT_EQ(eval_info.danger[BLACK], 127);
    const i32 whiteShelter = eval_info.shelter_penalty[WHITE];
    const i32 blackShelter = eval_info.shelter_penalty[BLACK];
    const i32 onWhite = (ShelterWeight[whiteShelter] * DangerWeight[127]) >> 4;
    const i32 onBlack =
        (DangerWeight[eval_info.danger[WHITE] + 8] * ShelterWeight[blackShelter]) >> 4;
    EXPECT_EQ(lines[9], "Attacks[ChangeSide(board->SideToMove)] = " + std::to_string(onWhite));
    EXPECT_EQ(lines[10], "Attacks[board->SideToMove] = " + std::to_string(onBlack));
    EXPECT_EQ(lines[11], "Shelter[BLACK] = " + std::to_string(Shelter[blackShelter]) +
                             " Shelter[WHITE] = " + std::to_string(Shelter[whiteShelter]));
    EXPECT_EQ(lines[12], "Dng = " + std::to_string(onWhite + Shelter[whiteShelter]));
    // White's queen and rook keep the black king out of the ending.
    EXPECT_EQ(lines[5], "ENDING(WHITE) = 0 ENDING(BLACK) = 0");
}

TEST_F(EvaluationDump, EndingFlagsFollowThePieces) {
    struct Case {
        const char* fen;
        const char* line;
    } cases[] = {
        // Black queen and rook (14): White's king is not in an ending.
        {"r2qk3/8/8/8/8/8/8/4K3 w - -", "ENDING(WHITE) = 0 ENDING(BLACK) = 1"},
        // Black two rooks and a bishop without a queen (13): ending.
        {"r2bk2r/8/8/8/8/8/8/R2QK3 w - -", "ENDING(WHITE) = 1 ENDING(BLACK) = 0"},
        // Three rooks (15) without a queen: no ending.
        {"r3k2r/8/8/8/8/8/8/R3K2R w - -", "ENDING(WHITE) = 1 ENDING(BLACK) = 1"},
        {"r3k2r/r7/8/8/8/8/8/4K3 w - -", "ENDING(WHITE) = 0 ENDING(BLACK) = 1"},
    };
    for (const Case& c : cases) {
        const std::vector<std::string> lines = DumpLines(c.fen);
        ASSERT_EQ(lines.size(), 13u) << c.fen;
        EXPECT_EQ(lines[5], c.line) << c.fen;
    }
}

TEST_F(EvaluationDump, PassedPawnsAsFileBits) {
    // White passers on the a- and h-files, a black one on the d-file.
    const std::vector<std::string> lines = DumpLines("4k3/8/8/8/3p4/8/P6P/4K3 w - -");
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1], "PassedVector[BLACK] = 00010000 PassedVector[WHITE] = 10000001");
}

}  // namespace
