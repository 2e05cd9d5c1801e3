#include "board/move_gen_evasions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "board/attack_queries.h"
#include "board/board.h"
#include "board/make_move.h"
#include "board/move_gen_captures.h"
#include "board/move_text.h"
#include "board/pins.h"
#include "board/static_exchange.h"
#include "search/history.h"
#include "support/naive_moves.h"
#include "support/position_walk.h"

namespace {

class EvasionTest : public PositionTest {
protected:
    void SetUp() override {
        PositionTest::SetUp();
        std::fill(std::begin(HistoryScore), std::end(HistoryScore), 0);
        std::fill(std::begin(EvasionKillers), std::end(EvasionKillers), 0u);
        MoveStackTop = 0;
    }
    // Loads a position and plays the given moves on it.
    static void LoadAndPlay(const char* fen, std::initializer_list<const char*> moves) {
        Load(fen);
        for (const char* text : moves) {
            const Move move = ParseMoveText(text);
            ASSERT_NE(move, NoMove) << text;
            MakeMove(move, 1);
        }
    }
};

// Positions whose trees soon hold double checks, en-passant answers to a
// pawn check and checks on the last rank, walked after the published perft
// positions.
const std::vector<const char*> CheckSetUps = {
    "4k3/6p1/8/4N3/8/8/8/4R1K1 w - -",
    "4k3/8/8/8/4N3/8/8/4R1K1 w - -",
    "4r1k1/8/8/4n3/8/8/8/4K3 b - -",
    "7k/8/8/4N3/8/8/1B6/K7 w - -",
    "8/8/8/4k3/2p1p3/8/3P4/4K3 w - -",
    "4k3/3p4/8/2P1P3/4K3/8/8/8 b - -",
    "r6K/2P5/8/8/8/k7/8/2R5 w - -",
    "3qk3/8/8/8/8/8/1PP5/RNB1K3 b - -",
    // Set up in check: a double check, an en-passant capture that would
    // open the bishop's diagonal onto the king, and one whose capturer is
    // pinned.
    "4k3/6p1/5N2/8/8/8/8/4R1K1 b - -",
    "4k3/4b3/8/5Pp1/7K/8/8/8 w - g5",
    "1k5r/8/5p2/6pP/7K/r7/4b3/8 w - g5",
};

bool IsEnPassant(Move m) {
    return MovePiece(m) == PAWN && MoveCaptured(m) == EMPTY && FileOf(MoveFrom(m)) != FileOf(MoveTo(m));
}

bool IsQuiet(Move m) { return !IsCaptureOrPromotion(m) && !IsEnPassant(m); }

// The evasions as generated, leaving MoveStackTop where it was.
std::vector<MoveStackEntry> GeneratedEvasions() {
    const i32 base = MoveStackTop;
    GenerateEvasions();
    std::vector<MoveStackEntry> list(MoveStack + base, MoveStack + MoveStackTop);
    MoveStackTop = base;
    return list;
}

// The searches' legality rules for a generated move: a king move by its
// destination, en passant once made, any other move by the pin test of its
// from-square.
bool PassesSearchLegality(Move m) {
    const Side us = board.SideToMove, them = ChangeSide(us);
    if (MovePiece(m) == KING) return !IsSquareAttacked(them, MoveTo(m));
    if (IsEnPassant(m)) {
        MakeMove(m, 1);
        const bool safe = !IsSquareAttacked(them, board.KingSquare[us]);
        UnmakeMove();
        return safe;
    }
    return !MoveExposesOwnKing(m);
}

std::string Texts(std::vector<Move> moves) {
    std::sort(moves.begin(), moves.end());
    std::string text;
    for (Move m : moves) text += std::string(MoveToText(m)) + " ";
    return text;
}

// In every position in check of the walks, the evasions that pass the
// searches' legality rules are exactly the legal moves, and none is
// dropped by those rules: the generator offers nothing illegal.
TEST_F(EvasionTest, EqualTheLegalMovesInEveryCheckOfPerftWalks) {
    i32 positionsInCheck = 0, doubleChecks = 0, enPassantAnswers = 0;
    auto check = [&] {
        if (!SideToMoveInCheck()) return;
        positionsInCheck += 1;
        const Board before = board;
        const i32 ply = GamePly;
        const std::vector<MoveStackEntry> generated = GeneratedEvasions();
        ASSERT_TRUE(SameBoard(board, before));
        ASSERT_EQ(GamePly, ply);

        std::vector<Move> raw, passing;
        for (const MoveStackEntry& entry : generated) {
            raw.push_back(entry.move);
            if (PassesSearchLegality(entry.move)) passing.push_back(entry.move);
            enPassantAnswers += IsEnPassant(entry.move);
        }
        const std::vector<Move> legal = NaiveLegalMoves();
        // Whole move words: piece, captured piece and promotion must be right too.
        std::vector<Move> sortedPassing = passing, sortedLegal = legal;
        std::sort(sortedPassing.begin(), sortedPassing.end());
        std::sort(sortedLegal.begin(), sortedLegal.end());
        ASSERT_EQ(sortedPassing, sortedLegal)
            << "evasions " << Texts(passing) << "legal " << Texts(legal);
        ASSERT_EQ(passing.size(), raw.size()) << "an illegal evasion: " << Texts(raw);

        const Square king = board.KingSquare[board.SideToMove];
        if (PopCount(AttackersOfSquare(ChangeSide(board.SideToMove), king)) > 1) {
            doubleChecks += 1;
            for (Move m : raw) ASSERT_EQ(MovePiece(m), KING) << MoveToText(m);
        }
    };
    WalkFromRoots(PerftRootsAnd(CheckSetUps), 3, check);
    // The walks must have met the cases this test is about.
    EXPECT_GT(positionsInCheck, 2000);
    EXPECT_GE(doubleChecks, 20);
    EXPECT_GT(enPassantAnswers, 5);
}

// Every evasion's order score follows the bands: positive capture scores
// lifted by 2^29, quiet moves by the second history half (king moves
// always, other men when the exchange test accepts the square), refused
// quiet moves by the piece's order value, and the evasion killer's bonus.
TEST_F(EvasionTest, ScoresFollowTheBandsAndQuietMovesReadTheSecondHistoryHalf) {
    // Distinct values in the two halves, so reading the wrong one shows.
    u32 state = 1;
    for (i32 i = 0; i < (1 << 16); i++) {
        state = state * 214013 + 2531011;
        const i32 value = i32((state >> 16) & 0x7FFF);
        const bool secondHalf = (i >> 13) >= 4;
        HistoryScore[i] = secondHalf ? value : 32700 + value;
    }
    i32 quietEvasions = 0, killersSeen = 0;
    auto check = [&] {
        if (!SideToMoveInCheck()) return;
        const Side us = board.SideToMove;
        // Make the first quiet evasion this check's killer.
        i32 killerSlot = -1;
        if (GamePly >= 1) {
            killerSlot = (MoveTo(GameHistory[GamePly - 1].Move) * 64 + board.KingSquare[us]) * 2 + us;
            EvasionKillers[killerSlot] = 0;
            for (const MoveStackEntry& entry : GeneratedEvasions())
                if (IsQuiet(entry.move)) {
                    EvasionKillers[killerSlot] = entry.move;
                    break;
                }
        }
        for (const MoveStackEntry& entry : GeneratedEvasions()) {
            const Move m = entry.move;
            const Square from = MoveFrom(m), to = MoveTo(m);
            const PieceType piece = MovePiece(m);
            i32 expected;
            if (IsQuiet(m)) {
                quietEvasions += 1;
                const bool kept = piece == KING || SeeNotLosing(to, from, piece, EMPTY, EMPTY);
                const i32 index = ((HistoryClass[piece] + 4) << 13) | i32((m & 4095) << 1) | us;
                expected = kept ? HistoryScore[index] : -100000 - OrderValue[piece];
                if (killerSlot >= 0 && EvasionKillers[killerSlot] == m) {
                    expected += 10000;
                    killersSeen += 1;
                }
            } else {
                const i32 capture = ScoreCapture(m);
                expected = capture > 0 ? capture + 536870912 : capture;
            }
            ASSERT_EQ(entry.score, expected) << MoveToText(m);
            ASSERT_EQ(ScoreEvasionMove(m), expected) << MoveToText(m);
        }
        if (killerSlot >= 0) EvasionKillers[killerSlot] = 0;
    };
    WalkFromRoots(PerftRootsAnd(CheckSetUps), 3, check);
    EXPECT_GT(quietEvasions, 1000);
    EXPECT_GT(killersSeen, 100);
}

// Generation order and scores on a few positions, history and killers set
// by hand (the first history half holds a marker that must never show).
TEST_F(EvasionTest, OrderAndScoresOnKnownPositions) {
    struct Expected {
        const char* move;
        i32 score;
    };
    struct Case {
        const char* fen;
        std::initializer_list<const char*> played;
        std::vector<Expected> history;  // second-half history values to set
        const char* killer;             // evasion killer of this check, or null
        std::vector<Expected> evasions;
    };
    const Case cases[] = {
        // Queen check on the e1-a5 diagonal: king steps, knight and bishop
        // blocks, the rook takes the queen, a double-step block that the
        // exchange test refuses (and is the killer), a single-step block.
        {"3qk3/8/8/8/8/8/1PP5/RNB1K3 b - -",
         {"d8a5"},
         {{"e1d1", 11}, {"e1f1", 12}, {"e1e2", 13}, {"e1f2", 14}, {"b1d2", 21},
          {"b1c3", 22}, {"c1d2", 23}, {"b2b4", 31}, {"c2c3", 32}},
         "b2b4",
         {{"e1d1", 11}, {"e1f1", 12}, {"e1e2", 13}, {"e1f2", 14}, {"b1d2", 21},
          {"b1c3", 22}, {"c1d2", 23}, {"a1a5", 536870912 + 9000 + 100000 - 500},
          {"b2b4", -100000 - 100 + 10000}, {"c2c3", 32}}},
        // Double check by rook and knight: king steps only, the pawn may not
        // take the knight; the killer king step gets its bonus.
        {"4k3/6p1/8/4N3/8/8/8/4R1K1 w - -",
         {"e5f6"},
         {{"e8f7", 7}, {"e8d8", 8}, {"e8f8", 9}},
         "e8f8",
         {{"e8f7", 7}, {"e8d8", 8}, {"e8f8", 9 + 10000}}},
        // A pawn checks by its double step: king steps (one takes the
        // checker), then both en-passant captures, left pawn first.
        {"4k3/3p4/8/2P1P3/4K3/8/8/8 b - -",
         {"d7d5"},
         {{"e4d3", 1}, {"e4e3", 2}, {"e4f3", 3}, {"e4d4", 4}, {"e4f4", 5}, {"e4f5", 6}},
         nullptr,
         {{"e4d3", 1}, {"e4e3", 2}, {"e4f3", 3}, {"e4d4", 4}, {"e4f4", 5},
          {"e4d5", 536870912 + 1000 + 100000 - 950}, {"e4f5", 6},
          {"c5d6", 536870912 + 100901}, {"e5d6", 536870912 + 100901}}},
        // A rook checks along the last rank: the blocking pawn promotes to
        // queen, rook, bishop and knight; only the queen, backed by the rook
        // behind the pawn, passes the exchange test.
        {"r6K/2P5/8/8/8/k7/8/2R5 w - -",
         {},
         {{"h8g7", 40}, {"h8h7", 41}},
         nullptr,
         {{"h8g7", 40}, {"h8h7", 41}, {"c7c8q", 536870912 + 108000 - 100},
          {"c7c8r", -100 - 128000}, {"c7c8b", -100 - 128000}, {"c7c8n", -100 - 128000}}},
    };
    for (const Case& c : cases) {
        SetUp();
        LoadAndPlay(c.fen, c.played);
        ASSERT_FALSE(HasFatalFailure());
        const Side us = board.SideToMove;
        for (const Expected& h : c.history) {
            const Move m = ParseMoveText(h.move);
            HistoryScore[HistoryIndex(m, 1, us)] = h.score;
            HistoryScore[HistoryIndex(m, 0, us)] = 30000;
        }
        if (c.killer) {
            const Square checkTo = MoveTo(GameHistory[GamePly - 1].Move);
            EvasionKillers[(checkTo * 64 + board.KingSquare[us]) * 2 + us] = ParseMoveText(c.killer);
        }
        const std::vector<MoveStackEntry> generated = GeneratedEvasions();
        ASSERT_EQ(generated.size(), c.evasions.size()) << c.fen;
        for (size_t i = 0; i < generated.size(); i++) {
            EXPECT_STREQ(MoveToText(generated[i].move), c.evasions[i].move) << c.fen << " #" << i;
            EXPECT_EQ(generated[i].score, c.evasions[i].score) << c.fen << " " << c.evasions[i].move;
        }
    }
}

// Which answers a check gets, position by position: the rules at the edges.
TEST_F(EvasionTest, EdgeCasesOfTheCheck) {
    struct Case {
        const char* fen;
        std::initializer_list<const char*> played;
        const char* present;  // moves that must be generated, blank-separated
        const char* absent;   // moves that must not be
    };
    const Case cases[] = {
        // The king may not step straight away from a checking rook along its
        // line, though the square looks safe while the king still shields it.
        {"7k/8/8/8/8/8/8/r5K1 w - -", {}, "g1f2 g1g2 g1h2", "g1h1 g1f1"},
        // It may take an adjacent checker that nothing defends, not a
        // defended one.
        {"7k/8/8/8/8/8/6r1/6K1 w - -", {}, "g1g2 g1f1 g1h1", "g1f2 g1h2"},
        {"6rk/8/8/8/8/8/6r1/6K1 w - -", {}, "g1f1 g1h1", "g1g2"},
        // A knight check cannot be blocked; every unpinned man takes it.
        {"4k3/8/8/8/8/5n2/6P1/4KR2 w - -", {}, "e1d1 e1e2 e1f2 f1f3 g2f3", "e1d2"},
        // A pinned man that could take the checker is not used.
        {"4k3/4r3/8/8/8/3n4/4B3/4K3 w - -", {}, "e1d1 e1d2 e1f1", "e2d3 e1f2"},
        // En passant against the checking pawn, once per capturing pawn ...
        {"8/8/8/4k3/2p1p3/8/3P4/4K3 w - -", {"d2d4"}, "c4d3 e4d3 e5d4", ""},
        // ... but not after a single step, which cannot be taken in passing.
        {"8/8/8/4k3/2p1p3/3P4/8/4K3 w - -", {"d3d4"}, "e5d4", "c4d3 e4d3"},
        // Not when taking both pawns off opens a line onto the king (a set-up
        // position), nor when the capturing pawn is pinned.
        {"4k3/4b3/8/5Pp1/7K/8/8/8 w - g5", {}, "h4h5 h4g4 h4h3", "f5g6 h4g5"},
        {"1k5r/8/5p2/6pP/7K/8/4b3/8 w - g5", {}, "h4g3 h4h3", "h5g6"},
        // Against a double check nothing but the king moves, even where a
        // pawn could take a checker.
        {"4k3/6p1/5N2/8/8/8/8/4R1K1 b - -", {}, "e8f7 e8d8 e8f8", "g7f6 e8e7 e8d7"},
    };
    for (const Case& c : cases) {
        SetUp();
        LoadAndPlay(c.fen, c.played);
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(SideToMoveInCheck()) << c.fen;
        std::vector<std::string> texts;
        for (const MoveStackEntry& entry : GeneratedEvasions()) texts.push_back(MoveToText(entry.move));
        auto generated = [&](const std::string& move) {
            return std::find(texts.begin(), texts.end(), move) != texts.end();
        };
        auto words = [](const char* list) {
            std::vector<std::string> out;
            std::string word;
            for (const char* p = list;; p++) {
                if (*p == ' ' || *p == '\0') {
                    if (!word.empty()) out.push_back(word);
                    word.clear();
                    if (*p == '\0') break;
                } else {
                    word += *p;
                }
            }
            return out;
        };
        for (const std::string& move : words(c.present)) EXPECT_TRUE(generated(move)) << c.fen << " " << move;
        for (const std::string& move : words(c.absent)) EXPECT_FALSE(generated(move)) << c.fen << " " << move;
    }
}

// The precondition is checked wherever assertions are on.
#ifndef NDEBUG
TEST_F(EvasionTest, RefusesASideThatIsNotInCheck) {
    Load("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
    EXPECT_DEATH(GenerateEvasions(), "not in check");
}
#endif

}  // namespace
