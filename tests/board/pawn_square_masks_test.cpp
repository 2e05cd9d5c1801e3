#include "board/pawn_square_masks.h"

#include <gtest/gtest.h>

#include "board/attacks.h"
#include "board/init_tables.h"

namespace {

class PawnSquareMasks : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        InitEngineTables();
        InitPawnSquareMasks();
    }
};

constexpr Square MirrorFile(Square sq) { return sq ^ 7; }

u64 MirrorFiles(u64 set) {
    u64 mirrored = 0;
    while (set) mirrored |= SquareBit(MirrorFile(PopLowest(set)));
    return mirrored;
}

TEST_F(PawnSquareMasks, KnightsThatCatchThePawn) {
    struct Case {
        const char* name;
        Square pawn, context, knight;
        bool stops;
    };
    const Case cases[] = {
        // A knight one move from the pawn's square.
        {"a2, knight c3", A2, H8, C3, true},
        // Squares on the pawn's path are reached at the step the pawn gets there.
        {"e5, knight on e3", E5, H8, E3, true},
        {"e5, knight on e1", E5, A8, E1, true},
        {"h7, knight on h1", H7, A1, H1, true},
        // Far away from a pawn about to promote.
        {"a2, knight h8", A2, B1, H8, false},
        // e4 is two moves from a2 and three from a1, one too many at each
        // step. A context square whose knight pattern holds c3 (one move from
        // both a2 and e4) gives the shorter route; h8's pattern does not.
        {"a2, knight e4, context b1", A2, B1, E4, true},
        {"a2, knight e4, context h8", A2, H8, E4, false},
    };
    for (const Case& c : cases) {
        const bool stops = (KnightStopMask[c.pawn][c.context] & SquareBit(c.knight)) != 0;
        EXPECT_EQ(stops, c.stops) << c.name;
    }
}

TEST_F(PawnSquareMasks, PathSquaresAlwaysStopThePawn) {
    for (Square pawn = A2; pawn <= H7; pawn++) {
        for (Square context = 0; context < 64; context++) {
            for (Square path = pawn; path >= 0; path -= 8)
                ASSERT_TRUE(KnightStopMask[pawn][context] & SquareBit(path)) << pawn << " " << path;
        }
    }
}

TEST_F(PawnSquareMasks, MasksMirrorWithTheBoard) {
    for (Square pawn = A2; pawn <= H7; pawn++) {
        for (Square context = 0; context < 64; context++) {
            ASSERT_EQ(KnightStopMask[MirrorFile(pawn)][MirrorFile(context)],
                      MirrorFiles(KnightStopMask[pawn][context]))
                << pawn << " " << context;
        }
    }
}

TEST_F(PawnSquareMasks, PawnsOnTheFirstAndLastRankHaveNoMask) {
    for (Square context = 0; context < 64; context++) {
        for (i32 file = 0; file < 8; file++) {
            EXPECT_EQ(KnightStopMask[MakeSquare(file, 0)][context], 0u);
            EXPECT_EQ(KnightStopMask[MakeSquare(file, 7)][context], 0u);
        }
    }
}

}  // namespace
