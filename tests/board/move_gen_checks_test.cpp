#include "board/move_gen_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/make_move.h"
#include "board/move_gen_quiet.h"
#include "board/move_text.h"
#include "board/static_exchange.h"
#include "search/history.h"
#include "support/position_walk.h"

namespace {

class QuietChecks : public PositionTest {
protected:
    void SetUp() override {
        PositionTest::SetUp();
        // Distinct history values, so a score read from the wrong entry shows.
        for (i32 i = 0; i < (1 << 16); i++) HistoryScore[i] = (i * 7919) % 20011 - 10000;
    }
    void TearDown() override { std::memset(HistoryScore, 0, sizeof HistoryScore); }
};

std::vector<Move> Generate(i32 historyHalf, i32 start = 17) {
    MoveStackTop = start;
    GenerateQuietChecks(historyHalf);
    std::vector<Move> moves;
    for (i32 i = start; i < MoveStackTop; i++) moves.push_back(MoveStack[i].move);
    return moves;
}

std::string Text(const std::vector<Move>& moves) {
    std::string text;
    for (Move m : moves) {
        if (!text.empty()) text += ' ';
        text += MoveToText(m);
    }
    return text;
}

bool Contains(const std::vector<Move>& moves, const char* text) {
    const Move m = ParseMoveText(text);
    return std::find(moves.begin(), moves.end(), m) != moves.end();
}

// Slow truth: does the man on from attack target on the current board?
bool ManAttacks(Square from, Square target) {
    const PieceType type = board.Squares[from];
    const Side owner = (board.Bitboards[0][BLACK] >> from & 1) ? BLACK : WHITE;
    const i32 df = FileOf(target) - FileOf(from), dr = RankOf(target) - RankOf(from);
    const i32 adf = std::abs(df), adr = std::abs(dr);
    switch (type) {
    case PAWN: return adf == 1 && dr == (owner == WHITE ? 1 : -1);
    case KNIGHT: return (adf == 1 && adr == 2) || (adf == 2 && adr == 1);
    case KING: return std::max(adf, adr) == 1;
    case ROOK:
    case BISHOP:
    case QUEEN: {
        const bool straight = (df == 0) != (dr == 0);
        const bool diagonal = adf == adr && adf != 0;
        if (!((straight && (type & 1)) || (diagonal && (type & 2)))) return false;
        const i32 step = (dr > 0) - (dr < 0), fileStep = (df > 0) - (df < 0);
        for (i32 f = FileOf(from) + fileStep, r = RankOf(from) + step;
             MakeSquare(f, r) != target; f += fileStep, r += step)
            if (board.Squares[MakeSquare(f, r)] != EMPTY) return false;
        return true;
    }
    default: return false;
    }
}

// What kind of check a quiet move gives, found by playing it.
enum CheckClass : u32 {
    CastlingCheck = 1 << 0,
    KingDiscovery = 1 << 1,
    QueenDirect = 1 << 2,
    RookDirect = 1 << 3,
    RookDiscovery = 1 << 4,
    BishopDirect = 1 << 5,
    BishopDiscovery = 1 << 6,
    KnightDirect = 1 << 7,
    KnightDiscovery = 1 << 8,
    PawnSingleDirect = 1 << 9,
    PawnDoubleDirect = 1 << 10,
    PawnRankDiscovery = 1 << 11,
    PawnDiagonalDiscovery = 1 << 12,
};

struct CheckKind {
    bool direct = false;              // the moved man (castling: the rook) checks
    bool discoveredStraight = false;  // another man checks along a rank or file
    bool discoveredDiagonal = false;  // another man checks along a diagonal
    bool Any() const { return direct || discoveredStraight || discoveredDiagonal; }
};

CheckKind PlayAndClassify(Move m) {
    const Side mover = board.SideToMove;
    const Square from = MoveFrom(m), to = MoveTo(m);
    const bool castling = MovePiece(m) == KING && std::abs(from - to) == 2;
    const Square checkerSquare = castling ? (to > from ? to - 1 : to + 1) : to;
    CheckKind kind;
    MakeMove(m, 1);
    const Square king = board.KingSquare[ChangeSide(mover)];
    for (Square sq = 0; sq < 64; sq++) {
        // A king never gives check, even when an illegal step takes it next
        // to the other king.
        if (!(board.Bitboards[0][mover] >> sq & 1) || board.Squares[sq] == KING) continue;
        if (!ManAttacks(sq, king)) continue;
        if (sq == checkerSquare) {
            kind.direct = true;
        } else if (FileOf(sq) == FileOf(king) || RankOf(sq) == RankOf(king)) {
            kind.discoveredStraight = true;
        } else {
            kind.discoveredDiagonal = true;
        }
    }
    UnmakeMove();
    return kind;
}

u32 Classes(Move m, const CheckKind& kind) {
    const Square from = MoveFrom(m), to = MoveTo(m);
    const bool discovered = kind.discoveredStraight || kind.discoveredDiagonal;
    u32 classes = 0;
    switch (MovePiece(m)) {
    case KING:
        if (std::abs(from - to) == 2 && kind.direct) classes |= CastlingCheck;
        if (std::abs(from - to) != 2 && discovered) classes |= KingDiscovery;
        break;
    case QUEEN:
        if (kind.direct) classes |= QueenDirect;
        break;
    case ROOK:
        if (kind.direct) classes |= RookDirect;
        if (kind.discoveredDiagonal) classes |= RookDiscovery;
        break;
    case BISHOP:
        if (kind.direct) classes |= BishopDirect;
        if (kind.discoveredStraight) classes |= BishopDiscovery;
        break;
    case KNIGHT:
        if (kind.direct) classes |= KnightDirect;
        if (discovered) classes |= KnightDiscovery;
        break;
    case PAWN:
        if (kind.direct) classes |= std::abs(from - to) == 16 ? PawnDoubleDirect : PawnSingleDirect;
        if (kind.discoveredStraight) classes |= PawnRankDiscovery;
        if (kind.discoveredDiagonal) classes |= PawnDiagonalDiscovery;
        break;
    }
    return classes;
}

// The moves the generator must give: every quiet move that checks in one of
// the listed ways, a man other than the king only when the exchange test
// finds it safe where it lands. Queens count only as direct checkers, rooks
// and bishops as direct checkers or as discoverers of the other line kind,
// castling only when the rook checks.
struct Reference {
    std::vector<Move> expected;
    i64 refusedByExchange = 0;  // checking moves left out as unsafe
    i64 otherChecksLeftOut = 0;  // checking moves of no listed kind
};

Reference ReferenceQuietChecks() {
    Reference reference;
    const i32 start = 2000;
    MoveStackTop = start;
    GenerateQuietMoves(0);
    const i32 end = MoveStackTop;
    for (i32 i = start; i < end; i++) {
        const Move m = MoveStack[i].move;
        const CheckKind kind = PlayAndClassify(m);
        if (!kind.Any()) continue;
        if (Classes(m, kind) == 0) {
            reference.otherChecksLeftOut += 1;
            continue;
        }
        const bool safe =
            MovePiece(m) == KING || SeeNotLosing(MoveTo(m), MoveFrom(m), MovePiece(m), EMPTY, EMPTY);
        if (!safe) {
            reference.refusedByExchange += 1;
            continue;
        }
        reference.expected.push_back(m);
    }
    MoveStackTop = start;
    return reference;
}

// Every generated move: quiet, giving check, safe unless a king move,
// scored from the history; and the whole list equals the reference set.
struct Tally {
    i64 positions = 0, moves = 0, refusedByExchange = 0, otherChecksLeftOut = 0;
    u32 classes = 0;
};

void CheckPosition(i32 historyHalf, Tally& tally) {
    const Side side = board.SideToMove;
    const i32 start = 17;
    MoveStackTop = start;
    GenerateQuietChecks(historyHalf);
    std::vector<Move> generated;
    for (i32 i = start; i < MoveStackTop; i++) {
        const Move m = MoveStack[i].move;
        ASSERT_EQ(MoveCaptured(m), EMPTY) << MoveToText(m);
        ASSERT_EQ(MovePromotion(m), EMPTY) << MoveToText(m);
        ASSERT_EQ(MoveStack[i].score, HistoryScore[HistoryIndex(m, historyHalf, side)])
            << MoveToText(m);
        generated.push_back(m);
    }
    for (Move m : generated) {
        const CheckKind kind = PlayAndClassify(m);
        ASSERT_TRUE(kind.Any()) << MoveToText(m) << " gives no check";
        tally.classes |= Classes(m, kind);
    }
    const Reference reference = ReferenceQuietChecks();
    std::vector<Move> sortedGenerated = generated, expected = reference.expected;
    std::sort(sortedGenerated.begin(), sortedGenerated.end());
    std::sort(expected.begin(), expected.end());
    ASSERT_EQ(Text(sortedGenerated), Text(expected)) << "generated: " << Text(generated);
    tally.positions += 1;
    tally.moves += i64(generated.size());
    tally.refusedByExchange += reference.refusedByExchange;
    tally.otherChecksLeftOut += reference.otherChecksLeftOut;
}

// Set-up positions, each holding at least the named kinds of quiet check.
struct ClassPosition {
    const char* fen;
    u32 classes;
};
const ClassPosition ClassPositions[] = {
    {"4k3/5p2/8/8/2Q5/8/8/4K3 w - -", QueenDirect},
    {"4k3/8/8/8/8/8/8/R3K3 w - -", RookDirect},
    {"r3k3/8/8/8/8/8/8/4K3 b - -", RookDirect},
    {"4k3/8/8/8/8/8/8/4KB2 w - -", BishopDirect},
    {"4k3/8/8/8/4N3/8/8/4K3 w - -", KnightDirect},
    {"8/3k4/8/4P3/8/8/8/4RK2 w - -", PawnSingleDirect},
    {"8/8/8/2k5/8/5N2/3P4/4K3 w - -", PawnDoubleDirect},
    {"4k3/3p4/5n2/8/2K5/8/8/8 b - -", PawnDoubleDirect},
    {"4k3/8/2R5/8/B7/8/8/4K3 w - -", RookDiscovery},
    {"4k3/8/8/4B3/8/8/8/4RK2 w - -", BishopDiscovery},
    {"4k3/8/8/4N3/8/8/8/4R1K1 w - -", KnightDiscovery},
    {"4r1k1/8/8/8/4n3/8/8/4K3 b - -", KnightDiscovery},
    {"8/8/8/8/R3P2k/8/8/K7 w - -", PawnRankDiscovery},
    {"8/8/8/8/8/8/R2P3k/K7 w - -", PawnRankDiscovery},
    {"7k/8/8/8/3P4/8/1B6/K7 w - -", PawnDiagonalDiscovery},
    {"8/7k/8/8/8/8/2P5/1B5K w - -", PawnDiagonalDiscovery},
    {"8/8/8/8/8/8/8/R2K3k w - -", KingDiscovery},
    {"7k/8/8/8/3K4/8/8/B7 w - -", KingDiscovery},
    {"5k2/8/8/8/8/8/8/4K2R w K -", CastlingCheck},
    {"3k4/8/8/8/8/8/8/R3K3 w Q -", CastlingCheck},
    {"8/8/8/8/8/8/8/k3K2R w K -", CastlingCheck},
    {"r3k3/8/8/8/8/8/8/3K4 b q -", CastlingCheck},
    {"4k2r/8/8/8/8/8/8/5K2 b k -", CastlingCheck},
    // A pawn in front of its rook on the king's file gives no check.
    {"4k3/8/8/8/4P3/8/8/4RK2 w - -", 0},
};

TEST_F(QuietChecks, EveryListedKindOfCheckInSetUpPositions) {
    for (const ClassPosition& position : ClassPositions) {
        Load(position.fen);
        Tally tally;
        CheckPosition(0, tally);
        ASSERT_FALSE(HasFatalFailure()) << position.fen;
        EXPECT_EQ(tally.classes & position.classes, position.classes) << position.fen;
    }
}

TEST_F(QuietChecks, EqualTheReferenceOverPerftWalkAndSetUpPositions) {
    Tally tally;
    i32 historyHalf = 0;
    auto visit = [&] {
        if (SideToMoveInCheck()) return;
        CheckPosition(historyHalf, tally);
        historyHalf ^= 1;
    };
    WalkPerftPositions(visit);
    const i64 walkPositions = tally.positions, walkMoves = tally.moves;
    std::vector<const char*> setUps;
    for (const ClassPosition& position : ClassPositions) setUps.push_back(position.fen);
    WalkFromRoots(setUps, 1, visit);

    EXPECT_GT(walkPositions, 5000);
    EXPECT_GT(walkMoves, 1000);
    // Every kind of check appears, and the exchange test leaves moves out.
    const u32 allClasses = (1u << 13) - 1;
    EXPECT_EQ(tally.classes, allClasses);
    EXPECT_GT(tally.refusedByExchange, 100);
    // In a legal position a queen, or a rook or bishop on a line it moves
    // along, that stands first in front of the enemy king already gives
    // check; so every quiet check is of a listed kind.
    EXPECT_EQ(tally.otherChecksLeftOut, 0);
}

// Which checking moves are generated, in the cases the design calls out.
TEST_F(QuietChecks, GeneratedAndLeftOutCases) {
    struct Case {
        const char* fen;
        const char* move;
        bool generated;
    };
    const Case cases[] = {
        // A queen check onto a square a pawn defends is left out.
        {"4k3/5p2/8/8/2Q5/8/8/4K3 w - -", "c4e6", false},
        {"4k3/5p2/8/8/2Q5/8/8/4K3 w - -", "c4c6", true},
        // A knight between its rook and the king: every safe move, checking
        // by itself or not; next to the king it would be lost.
        {"4k3/8/8/4N3/8/8/8/4R1K1 w - -", "e5c4", true},
        {"4k3/8/8/4N3/8/8/8/4R1K1 w - -", "e5g4", true},
        {"4k3/8/8/4N3/8/8/8/4R1K1 w - -", "e5c6", true},
        {"4k3/8/8/4N3/8/8/8/4R1K1 w - -", "e5d7", false},
        // Castling whose rook checks along the open f-file; not when the
        // file is shut, nor when the king stands beside the file.
        {"5k2/8/8/8/8/8/8/4K2R w K -", "e1g1", true},
        {"5k2/5p2/8/8/8/8/8/4K2R w K -", "e1g1", false},
        {"6k1/8/8/8/8/8/8/4K2R w K -", "e1g1", false},
        // Queen-side castling checking along the first rank through e1.
        {"8/8/8/8/8/8/8/R3K1k1 w Q -", "e1c1", true},
        // A discovering king that stays on its line discovers nothing.
        {"8/8/8/8/8/8/8/R2K3k w - -", "d1e1", false},
        {"8/8/8/8/8/8/8/R2K3k w - -", "d1c1", false},
        {"8/8/8/8/8/8/8/R2K3k w - -", "d1e2", true},
        // e5e6 checks a king on d7 or f7; kept only when the pawn is covered.
        {"8/3k4/8/4P3/8/8/8/4RK2 w - -", "e5e6", true},
        {"8/5k2/8/4P3/8/8/8/4RK2 w - -", "e5e6", true},
        {"8/3k4/8/4P3/8/8/8/5K2 w - -", "e5e6", false},
        // The double step checks a king on c5 or e5.
        {"8/8/8/2k5/8/5N2/3P4/4K3 w - -", "d2d4", true},
        {"8/8/8/4k3/8/1N6/3P4/4K3 w - -", "d2d4", true},
        {"8/8/8/4k3/8/1N6/3P4/4K3 w - -", "d2d3", false},
        // Without rooks and queens, pawn discoveries along diagonals stay.
        {"7k/8/8/8/3P4/8/1B6/K7 w - -", "d4d5", true},
        // A pawn on the king's file discovers nothing.
        {"4k3/8/8/8/4P3/8/8/4RK2 w - -", "e4e5", false},
        // No promotions, even checking ones.
        {"8/4P3/8/8/8/8/8/K3k3 w - -", "e7e8q", false},
        {"2k5/4P3/8/8/8/8/8/K7 w - -", "e7e8q", false},
    };
    for (const Case& c : cases) {
        Load(c.fen);
        const std::vector<Move> moves = Generate(0);
        EXPECT_EQ(Contains(moves, c.move), c.generated) << c.fen << " " << c.move << ": "
                                                        << Text(moves);
    }
}

// Order: queens (diagonal checking squares, then straight), rooks, bishops,
// knights, pawns (direct single, direct double, rank discoveries, diagonal
// discoveries), the discovering king, king-side then queen-side castling;
// men and their targets from the lowest square up, for both colours.
TEST_F(QuietChecks, GenerationOrderAndScores) {
    struct Case {
        const char* fen;
        const char* expected;
    };
    const Case cases[] = {
        {"5k2/8/8/2N5/1B6/2NQ4/8/R3K2R w KQ -",
         "d3d6 d3f1 d3f3 d3f5 d3d8 a1a8 h1f1 h1h8 c5b3 c5a4 c5e4 c5a6 c5e6 c5b7 c5d7 e1g1"},
        {"r3k2r/8/2nq4/1b6/2n5/8/8/5K2 b kq -",
         "d6d3 d6d1 d6f4 d6f6 d6f8 a8a1 h8h1 h8f8 c4b2 c4d2 c4a3 c4e3 c4a5 c4e5 c4b6 e8g8"},
        {"8/8/8/R3P2k/8/6P1/4PN2/K2B4 w - -", "g3g4 e5e6 e2e3 e2e4"},
    };
    for (const Case& c : cases) {
        Load(c.fen);
        for (i32 historyHalf = 0; historyHalf < 2; historyHalf++) {
            MoveStackTop = 5;
            GenerateQuietChecks(historyHalf);
            std::vector<Move> moves;
            for (i32 i = 5; i < MoveStackTop; i++) {
                const Move m = MoveStack[i].move;
                moves.push_back(m);
                const i32 index = ((HistoryClass[MovePiece(m)] + 4 * historyHalf) << 13) |
                                  i32((m & 0xfff) << 1) | board.SideToMove;
                EXPECT_EQ(MoveStack[i].score, HistoryScore[index]) << MoveToText(m);
            }
            EXPECT_EQ(Text(moves), c.expected) << c.fen;
        }
    }
}

TEST_F(QuietChecks, LeavesTheBoardAlone) {
    Load("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -");
    const Board before = board;
    Generate(1);
    EXPECT_EQ(std::memcmp(&before, &board, sizeof(Board)), 0);
}

#ifndef NDEBUG
TEST_F(QuietChecks, RefusesToRunInCheck) {
    Load("4k3/8/8/8/8/8/4r3/4K3 w - -");
    EXPECT_DEATH(GenerateQuietChecks(0), "");
}
#endif

}  // namespace
