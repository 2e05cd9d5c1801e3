#include "eval/eval_info.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(EvalInfo, ClearingTheRecordZeroesEveryField) {
    std::memset(&eval_info, 0xA5, sizeof eval_info);
    eval_info = EvalInfo{};
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&eval_info);
    for (size_t i = 0; i < sizeof eval_info; i++) ASSERT_EQ(bytes[i], 0) << "byte " << i;
}

TEST(EvalInfo, PawnAttacksAreKeptBlackFirst) {
    eval_info = EvalInfo{};
    PawnAttacksOf(WHITE) = SquareBit(E4);
    PawnAttacksOf(BLACK) = SquareBit(E5);
    EXPECT_EQ(eval_info.pawn_attacks[0], SquareBit(E5));
    EXPECT_EQ(eval_info.pawn_attacks[1], SquareBit(E4));
}

}  // namespace
