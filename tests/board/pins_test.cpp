#include "board/pins.h"

#include <gtest/gtest.h>

#include <vector>

#include "board/board.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "support/naive_moves.h"
#include "support/position_walk.h"

namespace {

class PinTests : public PositionTest {};

// First-principles geometry, square by square.
struct Delta {
    i32 file, rank;
};
constexpr Delta LineDeltas[8] = {{1, 0}, {-1, 0}, {0, 1},  {0, -1},
                                 {1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
constexpr Delta KnightDeltas[8] = {{1, 2},   {2, 1},   {2, -1}, {1, -2},
                                   {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};

bool OnBoard(i32 file, i32 rank) { return file >= 0 && file < 8 && rank >= 0 && rank < 8; }
Side Owner(Square sq) { return board.Bitboards[0][BLACK] & SquareBit(sq) ? BLACK : WHITE; }
bool Empty(Square sq) { return board.Squares[sq] == EMPTY; }
bool SlidesAlong(PieceType type, const Delta& delta) {
    const bool straight = delta.file == 0 || delta.rank == 0;
    return IsSlider(type) && (straight ? (type & 1) : (type & 2));
}

// The first occupied square from sq along delta, or -1.
Square FirstOccupied(Square sq, const Delta& delta) {
    for (i32 f = FileOf(sq) + delta.file, r = RankOf(sq) + delta.rank; OnBoard(f, r);
         f += delta.file, r += delta.rank)
        if (!Empty(MakeSquare(f, r))) return MakeSquare(f, r);
    return -1;
}

// Does sq stand alone between the king of kingSide and an enemy slider of
// their common line? What stands on sq is not looked at.
bool NaiveStandsInPin(Square sq, Side kingSide) {
    for (const Delta& toward : LineDeltas) {
        const Square king = FirstOccupied(sq, toward);
        if (king < 0 || board.Squares[king] != KING || Owner(king) != kingSide) continue;
        const Square slider = FirstOccupied(sq, {-toward.file, -toward.rank});
        if (slider >= 0 && Owner(slider) != kingSide && SlidesAlong(board.Squares[slider], toward))
            return true;
    }
    return false;
}

// After a move: is the enemy king attacked along a line by a slider of the
// side that moved, other than the man that moved to `movedTo`?
bool NaiveSliderOtherThanMovedChecks(Square movedTo) {
    const Side mover = ChangeSide(board.SideToMove);
    const Square king = board.KingSquare[board.SideToMove];
    for (const Delta& delta : LineDeltas) {
        const Square first = FirstOccupied(king, delta);
        if (first >= 0 && first != movedTo && Owner(first) == mover &&
            SlidesAlong(board.Squares[first], delta))
            return true;
    }
    return false;
}

// Every move of the side to move by a man other than the king, legal or
// not, without en passant.
std::vector<Move> NaiveNonKingMoves() {
    std::vector<Move> moves;
    const Side us = board.SideToMove;
    auto add = [&](Square from, Square to) {
        const PieceType piece = board.Squares[from], captured = board.Squares[to];
        if (piece == PAWN && (RankOf(to) == 0 || RankOf(to) == 7)) {
            for (PieceType promotion : {QUEEN, ROOK, BISHOP, KNIGHT})
                moves.push_back(MakeMoveWord(from, to, piece, captured, promotion));
        } else {
            moves.push_back(MakeMoveWord(from, to, piece, captured));
        }
    };
    auto enterable = [&](i32 f, i32 r) {
        return OnBoard(f, r) && (Empty(MakeSquare(f, r)) || Owner(MakeSquare(f, r)) != us);
    };
    for (Square from = 0; from < 64; from++) {
        const PieceType type = board.Squares[from];
        if (type == EMPTY || type == KING || Owner(from) != us) continue;
        const i32 file = FileOf(from), rank = RankOf(from);
        if (type == PAWN) {
            const i32 ahead = us == WHITE ? 1 : -1;
            if (Empty(from + 8 * ahead)) {
                add(from, from + 8 * ahead);
                if (rank == (us == WHITE ? 1 : 6) && Empty(from + 16 * ahead))
                    add(from, from + 16 * ahead);
            }
            for (i32 side : {-1, 1}) {
                const i32 f = file + side, r = rank + ahead;
                if (OnBoard(f, r) && !Empty(MakeSquare(f, r)) && Owner(MakeSquare(f, r)) != us)
                    add(from, MakeSquare(f, r));
            }
        } else if (type == KNIGHT) {
            for (const Delta& d : KnightDeltas)
                if (enterable(file + d.file, rank + d.rank))
                    add(from, MakeSquare(file + d.file, rank + d.rank));
        } else {
            for (const Delta& d : LineDeltas) {
                if (!SlidesAlong(type, d)) continue;
                for (i32 f = file + d.file, r = rank + d.rank; enterable(f, r);
                     f += d.file, r += d.rank) {
                    add(from, MakeSquare(f, r));
                    if (!Empty(MakeSquare(f, r))) break;
                }
            }
        }
    }
    return moves;
}

TEST_F(PinTests, PinnedPieceNeedsTheKingAndAFittingSliderFirstOnTheLine) {
    struct Case {
        const char* fen;
        Square sq;
        i32 pinned;
    };
    const Case cases[] = {
        {"4r2k/8/8/8/8/8/4N3/4K3 w - -", E2, 1},
        {"4r2k/8/8/4p3/8/8/4N3/4K3 w - -", E2, 0},  // a second man on the line
        {"4b2k/8/8/8/8/8/4N3/4K3 w - -", E2, 0},    // a bishop does not move along files
        {"7k/8/8/q7/8/8/3B4/4K3 w - -", D2, 1},     // h1-a8 line through d2
        {"7k/8/8/q7/8/1B6/8/4K3 w - -", B3, 0},     // no line with the king
        {"4k3/8/8/8/4n3/8/8/4Q2K b - -", E4, 1},    // black to move, black king
        {"4k3/8/8/8/4n3/8/8/4Q2K w - -", E4, 0},    // white to move asks about the white king
    };
    for (const Case& c : cases) {
        Load(c.fen);
        EXPECT_EQ(IsPiecePinned(c.sq), c.pinned) << c.fen;
    }
}

TEST_F(PinTests, PinTestSeesOnlyTheFirstManEachWay) {
    Load("4k3/8/8/4B3/8/8/8/4R1K1 w - -");
    EXPECT_EQ(PinFileToBlackKing(E5), 1);
    EXPECT_EQ(PinFileToBlackKing(E6), 0);  // the bishop on e5 is the first man below e6
    EXPECT_EQ(PinFileToWhiteKing(E5), 0);
    EXPECT_EQ(PinTestBlackKing[8 + DirectionTableOffset], &PinFileToBlackKing);
    EXPECT_EQ(PinTestBlackKing[-8 + DirectionTableOffset], &PinFileToBlackKing);
    EXPECT_EQ(PinTestWhiteKing[-7 + DirectionTableOffset], &PinAntiDiagonalToWhiteKing);
}

TEST_F(PinTests, MovesThatLeaveOrKeepThePinLine) {
    struct Case {
        const char* fen;
        const char* move;
        i32 exposes, discovers;
    };
    const Case cases[] = {
        {"7k/8/8/q7/8/8/3B4/4K3 w - -", "d2c3", 0, 0},
        {"7k/8/8/q7/8/8/3B4/4K3 w - -", "d2b4", 0, 0},
        {"7k/8/8/q7/8/8/3B4/4K3 w - -", "d2a5", 0, 0},
        {"7k/8/8/q7/8/8/3B4/4K3 w - -", "d2e3", 1, 0},
        {"7k/8/8/q7/8/8/3B4/4K3 w - -", "e1f1", 0, 0},  // a king move: its own square gives no line
        {"K7/8/8/8/8/8/8/R2N3k w - -", "d1e3", 0, 1},
        {"K7/8/8/8/8/8/8/R2N3k w - -", "d1c3", 0, 1},
        // A pawn that pushes or takes along the line keeps it shut.
        {"4k3/8/8/8/4P3/8/8/K3R3 w - -", "e4e5", 0, 0},
        {"8/6k1/8/4p3/3P4/8/1B6/K7 w - -", "d4e5", 0, 0},
        {"8/6k1/8/8/3P4/8/1B6/K7 w - -", "d4d5", 0, 1},
        {"4r1k1/8/8/8/8/8/4P3/4K3 w - -", "e2e4", 0, 0},
        {"k7/8/8/8/8/8/8/r2n3K b - -", "d1f2", 0, 1},  // black discovers on the white king
    };
    for (const Case& c : cases) {
        Load(c.fen);
        const Move move = ParseMoveText(c.move);
        EXPECT_EQ(MoveExposesOwnKing(move), c.exposes) << c.fen << " " << c.move;
        EXPECT_EQ(MoveGivesDiscoveredCheck(move), c.discovers) << c.fen << " " << c.move;
    }
}

// Over a few thousand positions: the pin tests against a square-by-square
// search, and the two move tests against the position after the move.
TEST_F(PinTests, AgreeWithTheMadeMoveOverPerftWalk) {
    i64 exposingMoves = 0, discoveringMoves = 0;
    auto check = [&] {
        const Side us = board.SideToMove, them = ChangeSide(us);
        for (Square sq = 0; sq < 64; sq++) {
            for (Side kingSide : {WHITE, BLACK}) {
                const i32 d = DirectionBetween[sq][board.KingSquare[kingSide]];
                if (d == 0) continue;
                const PinTestFunction test = PinTestTableOfKing(kingSide)[d + DirectionTableOffset];
                ASSERT_EQ(test(sq), i32(NaiveStandsInPin(sq, kingSide)))
                    << "square " << sq << " king side " << kingSide;
            }
            if (board.Squares[sq] != EMPTY && Owner(sq) == us) {
                ASSERT_EQ(IsPiecePinned(sq), i32(NaiveStandsInPin(sq, us))) << "square " << sq;
            }
        }
        const bool inCheck = NaiveAttacked(board.KingSquare[us], them);
        for (Move move : NaiveNonKingMoves()) {
            const i32 exposes = MoveExposesOwnKing(move),
                      discovers = MoveGivesDiscoveredCheck(move);
            MakeMove(move, 1);
            const bool kingAttacked = NaiveAttacked(board.KingSquare[us], them);
            const bool discovered = NaiveSliderOtherThanMovedChecks(MoveTo(move));
            UnmakeMove();
            if (!inCheck) {
                ASSERT_EQ(exposes, i32(kingAttacked)) << MoveToText(move);
            }
            ASSERT_EQ(discovers, i32(discovered)) << MoveToText(move);
            exposingMoves += exposes;
            discoveringMoves += discovers;
        }
    };
    WalkFromRoots(PerftRootsAnd(DiscoveredCheckSetUps), PerftWalkDepth, check);
    // The walk must meet both kinds of move for the comparison to mean anything.
    EXPECT_GT(exposingMoves, 100);
    EXPECT_GT(discoveringMoves, 50);
}

}  // namespace
