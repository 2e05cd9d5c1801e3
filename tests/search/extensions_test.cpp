#include "search/extensions.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

#include "board/board.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "search/history.h"
#include "search/search_limits.h"

namespace {

constexpr i32 Ply = 3;          // the node's SearchPly in every case
constexpr i32 Untouched = -77;  // preset of *extra

class Extensions : public ::testing::Test {
protected:
    void SetUp() override {
        InitEngineTables();
        std::memset(PlyStack, 0, sizeof PlyStack);
        SearchPly = Ply;
    }
    void TearDown() override { SearchPly = 0; }
};

// Plays space-separated coordinate moves on the loaded position.
void Play(const char* moves) {
    std::istringstream in(moves ? moves : "");
    std::string text;
    while (in >> text) {
        const Move move = ParseMoveText(text.c_str());
        ASSERT_NE(move, NoMove) << text;
        MakeMove(move, 1);
    }
}

// The node a move is extended at; the defaults describe a null-window node
// with full extensions six plies from the horizon, its static score at
// alpha. Setters change one thing each, so a case names only what matters.
struct Node {
    i32 full = 1, single = 0, pv = 0, depth = 600, orderScore = 0, alphaMinusEval = 0;
    u32 previousFlags = 0;  // ExtFlags of the ply above
    u64 blackAlert = 0;     // alertMaps[BLACK]
    i32 mateThreat = 0;     // ComputeExtensions only

    Node& Half() { return full = 0, *this; }
    Node& SingleReply() { return single = 1, *this; }
    Node& Pv() { return pv = 1, *this; }
    Node& Depth(i32 d) { return depth = d, *this; }
    Node& Order(i32 score) { return orderScore = score, *this; }
    Node& AlphaMinusEval(i32 value) { return alphaMinusEval = value, *this; }
    Node& AfterRecapture() { return previousFlags = ExtRecapture, *this; }
    Node& Alert(Square sq) { return blackAlert = SquareBit(sq), *this; }
    Node& MateThreat() { return mateThreat = 1, *this; }
};

struct Expected {
    i32 ext;
    i32 extra;  // Untouched when nothing is held back
    u32 flags;
    u32 childInCheck;
};

struct Case {
    const char* name;
    const char* fen;
    const char* before;  // moves played first (the capture to answer, say)
    const char* move;
    Node node;
    Expected expected;
};

const char* const Recapture = "4k3/8/5n2/3N4/8/1B6/8/4K3 b - -";
const char* const RecaptureCheck = "6k1/8/5n2/3N4/8/1B6/8/4K3 b - -";
const char* const Fork = "4k3/8/1r3q2/8/8/2N5/8/4K3 w - -";
const char* const LastPiece = "8/8/2k5/3n4/4P3/8/8/4K3 w - -";
const char* const Quiet = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";

TEST_F(Extensions, MoveExtensionBeforeTheMove) {
    // clang-format off
    const Case cases[] = {
        {"no extension", Quiet, nullptr, "g1f3", Node(), {-60, Untouched, 0, 0}},
        {"single reply alone", Quiet, nullptr, "g1f3", Node().SingleReply(), {0, Untouched, 0, 0}},
        // -60 + 60, capped at 0.
        {"check at a full node", "4k3/8/8/8/8/8/8/R3K3 w - -", nullptr, "a1a8",
         Node(), {0, Untouched, ExtCheck, 1}},
        {"recapture", Recapture, "f6d5", "b3d5",
         Node().Order(1), {-15, Untouched, ExtRecapture, 0}},
        {"recapture, half", Recapture, "f6d5", "b3d5",
         Node().Half().Order(1), {-38, Untouched, ExtRecapture, 0}},
        {"recapture at the window's edge", Recapture, "f6d5", "b3d5",
         Node().Order(1).AlphaMinusEval(-119), {-15, Untouched, ExtRecapture, 0}},
        {"recapture past the window", Recapture, "f6d5", "b3d5",
         Node().Order(1).AlphaMinusEval(-120), {-60, Untouched, 0, 0}},
        {"recapture far below alpha", Recapture, "f6d5", "b3d5",
         Node().Order(1).AlphaMinusEval(420), {-60, Untouched, 0, 0}},
        {"recapture of a recapture", Recapture, "f6d5", "b3d5",
         Node().Order(1).AfterRecapture(), {-60, Untouched, 0, 0}},
        {"recapture with check", RecaptureCheck, "f6d5", "b3d5",
         Node().Order(1), {0, Untouched, ExtRecapture | ExtCheck, 1}},
        // Into a pawn ending with check: min(-60 + 60 + 60, 60).
        {"last piece taken with check", LastPiece, nullptr, "e4d5",
         Node().Order(1), {60, Untouched, ExtPawnEnding | ExtCheck | ExtPassedPawn | ExtThreat, 1}},
        // The queen hangs on d7: the check extension waits for alpha.
        {"losing quiet check, full", "4k3/8/8/8/8/8/8/3QK3 w - -", nullptr, "d1d7",
         Node(), {-60, 60, ExtCheck, 1}},
        {"losing quiet check, half", "4k3/8/8/8/8/8/8/3QK3 w - -", nullptr, "d1d7",
         Node().Half(), {-60, 30, ExtCheck, 1}},
        {"losing quiet check on the main line", "4k3/8/8/8/8/8/8/3QK3 w - -", nullptr, "d1d7",
         Node().Pv(), {0, Untouched, ExtCheck, 1}},
        // The bishop hangs on b7, but the rook behind it checks.
        {"discovered check", "4k3/r7/8/8/4B3/8/8/4RK2 w - -", nullptr, "e4b7",
         Node(), {0, Untouched, ExtCheck, 1}},
        {"fork on the main line", Fork, nullptr, "c3d5", Node().Pv(), {0, Untouched, ExtThreat, 0}},
        {"fork deep in the tree", Fork, nullptr, "c3d5", Node(), {-60, Untouched, ExtThreat, 0}},
        {"fork at the horizon", Fork, nullptr, "c3d5",
         Node().Depth(100), {0, Untouched, ExtThreat, 0}},
        {"fork, losing order score", Fork, nullptr, "c3d5",
         Node().Pv().Order(-1), {-60, Untouched, 0, 0}},
        {"attack on an alert square", Fork, nullptr, "c3a4",
         Node().Pv().Alert(B6), {0, Untouched, ExtThreat, 0}},
        {"alert square far below alpha", Fork, nullptr, "c3a4",
         Node().Pv().AlphaMinusEval(220).Alert(B6), {-60, Untouched, 0, 0}},
        {"single attack", Fork, nullptr, "c3a4", Node().Pv(), {-60, Untouched, 0, 0}},
        {"passed pawn to the sixth, main line", "4k3/8/8/4P3/8/8/8/4K3 w - -", nullptr, "e5e6",
         Node().Pv(), {0, Untouched, ExtPassedPawn | ExtThreat, 0}},
        {"passed pawn to the sixth, elsewhere", "4k3/8/8/4P3/8/8/8/4K3 w - -", nullptr, "e5e6",
         Node(), {-60, Untouched, ExtPassedPawn, 0}},
        {"blocked file is not passed", "4k3/4p3/8/4P3/8/8/8/4K3 w - -", nullptr, "e5e6",
         Node().Pv(), {-60, Untouched, 0, 0}},
    };
    // clang-format on
    for (const Case& c : cases) {
        ASSERT_EQ(ParseFen(c.fen), 1) << c.name;
        Play(c.before);
        std::memset(PlyStack, 0, sizeof PlyStack);
        PlyStack[Ply - 1].ExtFlags = c.node.previousFlags;
        PlyStack[Ply + 1].InCheck = 99;
        const Move m = ParseMoveText(c.move);
        const u64 alert[2] = {0, c.node.blackAlert};
        const u64 key = board.HashKey;
        i32 extra = Untouched;
        const Node& n = c.node;
        const i32 ext = ComputeMoveExtension(n.full, n.depth, n.single, m, n.orderScore, n.pv,
                                             &extra, alert, n.alphaMinusEval);
        EXPECT_EQ(ext, c.expected.ext) << c.name;
        EXPECT_EQ(extra, c.expected.extra) << c.name;
        EXPECT_EQ(PlyStack[Ply].ExtFlags, c.expected.flags) << c.name;
        EXPECT_EQ(PlyStack[Ply + 1].InCheck, c.expected.childInCheck) << c.name;
        EXPECT_EQ(board.HashKey, key) << c.name;
    }
}

TEST_F(Extensions, ExtensionAfterTheMove) {
    // clang-format off
    const Case cases[] = {
        {"no extension", Quiet, nullptr, "g1f3", Node(), {-60, Untouched, 0, 0}},
        {"single reply alone", Quiet, nullptr, "g1f3", Node().SingleReply(), {0, Untouched, 0, 0}},
        {"mate threat", Quiet, nullptr, "g1f3",
         Node().MateThreat(), {-15, Untouched, ExtMateThreat, 0}},
        {"mate threat, half", Quiet, nullptr, "g1f3",
         Node().Half().MateThreat(), {-38, Untouched, ExtMateThreat, 0}},
        {"check at a full node", "4k3/8/8/8/8/8/8/R3K3 w - -", nullptr, "a1a8",
         Node(), {0, Untouched, ExtCheck, 1}},
        {"recapture", Recapture, "f6d5", "b3d5",
         Node().Order(1), {-15, Untouched, ExtRecapture, 0}},
        {"recapture at the window's edge", Recapture, "f6d5", "b3d5",
         Node().Order(1).AlphaMinusEval(-99), {-15, Untouched, ExtRecapture, 0}},
        {"recapture past the window", Recapture, "f6d5", "b3d5",
         Node().Order(1).AlphaMinusEval(-100), {-60, Untouched, 0, 0}},
        {"recapture of a recapture", Recapture, "f6d5", "b3d5",
         Node().Order(1).AfterRecapture(), {-60, Untouched, 0, 0}},
        {"recapture with check", RecaptureCheck, "f6d5", "b3d5",
         Node().Order(1), {0, Untouched, ExtRecapture | ExtCheck, 1}},
        {"last piece taken with check", LastPiece, nullptr, "e4d5",
         Node().Order(1), {60, Untouched, ExtPawnEnding | ExtCheck | ExtPassedPawn | ExtThreat, 1}},
        // After the move no extension is ever held back.
        {"losing quiet check", "4k3/8/8/8/8/8/8/3QK3 w - -", nullptr, "d1d7",
         Node(), {0, Untouched, ExtCheck, 1}},
        {"fork on the main line", Fork, nullptr, "c3d5", Node().Pv(), {0, Untouched, ExtThreat, 0}},
        // The threat step is 45 outside the full-extension part.
        {"fork on the main line, half", Fork, nullptr, "c3d5",
         Node().Half().Pv(), {-15, Untouched, ExtThreat, 0}},
        {"fork deep in the tree", Fork, nullptr, "c3d5", Node(), {-60, Untouched, ExtThreat, 0}},
        {"fork at the horizon", Fork, nullptr, "c3d5",
         Node().Depth(100), {0, Untouched, ExtThreat, 0}},
        {"fork, losing order score", Fork, nullptr, "c3d5",
         Node().Pv().Order(-1), {-60, Untouched, 0, 0}},
        {"attack on an alert square", Fork, nullptr, "c3a4",
         Node().Pv().Alert(B6), {0, Untouched, ExtThreat, 0}},
        {"passed pawn to the sixth, main line", "4k3/8/8/4P3/8/8/8/4K3 w - -", nullptr, "e5e6",
         Node().Pv(), {0, Untouched, ExtPassedPawn | ExtThreat, 0}},
        // A promotion is not a passed-pawn push; the new queen attacks.
        {"promotion", "4k3/P7/8/8/8/8/8/4K3 w - -", nullptr, "a7a8q",
         Node().Order(1), {0, Untouched, ExtCheck, 1}},
    };
    // clang-format on
    for (const Case& c : cases) {
        ASSERT_EQ(ParseFen(c.fen), 1) << c.name;
        Play(c.before);
        std::memset(PlyStack, 0, sizeof PlyStack);
        PlyStack[Ply - 1].ExtFlags = c.node.previousFlags;
        PlyStack[Ply + 1].InCheck = 99;
        const Move m = ParseMoveText(c.move);
        MakeMove(m, 1);
        const Side opponent = board.SideToMove;
        const u64 alert[2] = {0, c.node.blackAlert};
        const Node& n = c.node;
        const i32 ext = ComputeExtensions(n.full, n.mateThreat, n.depth, n.single, n.orderScore,
                                          n.pv, alert, n.alphaMinusEval);
        EXPECT_EQ(ext, c.expected.ext) << c.name;
        EXPECT_EQ(PlyStack[Ply].ExtFlags, c.expected.flags) << c.name;
        EXPECT_EQ(PlyStack[Ply + 1].InCheck, c.expected.childInCheck) << c.name;
        EXPECT_EQ(board.SideToMove, opponent) << c.name;
        UnmakeMove();
    }
}

}  // namespace
