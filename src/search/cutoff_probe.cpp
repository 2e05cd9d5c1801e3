#include "search/cutoff_probe.h"

#include "board/attack_queries.h"
#include "board/board.h"
#include "board/checkmate.h"
#include "board/make_move.h"
#include "board/move_gen_captures.h"
#include "board/move_gen_evasions.h"
#include "board/move_gen_promotions.h"
#include "board/move_gen_quiet.h"
#include "search/extensions.h"
#include "search/hash_move.h"
#include "search/hash_tables.h"
#include "search/history.h"
#include "search/repetition.h"
#include "search/search_limits.h"
#include "search/trans_table.h"

namespace {

// The probe's move sources; in check the evasions count as the last stage.
enum ProbeStage : i32 { HashMoveStage = 1, CaptureStage, PromotionStage, QuietStage };

inline bool IsEnPassant(Move m) {
    return MovePiece(m) == PAWN && MoveCaptured(m) == EMPTY &&
           FileOf(MoveFrom(m)) != FileOf(MoveTo(m));
}
inline bool IsQuiet(Move m) { return !IsCaptureOrPromotion(m) && !IsEnPassant(m); }

// Ways a child can prove the cutoff.
enum class Proof { None, Draw, Mate, Table };

struct ProbeNode {
    i32 beta, fullExtensions, mateThreat, depth, zero, alphaMinusEval;
    Move singleReply;
    const u64* alertMaps;
};

// Looks at the position after the mover's move m (already made): the score
// that it proves for the mover, if any.
Proof ProveChild(const ProbeNode& node, i32 stage, Move m, i32 orderScore, i32* score) {
    const Side mover = ChangeSide(board.SideToMove);
    const i32 ply = SearchPly;

    // A draw by rule that is already worth beta to the mover.
    if (stage == HashMoveStage || stage == QuietStage) {
        const i32 drawValue = DrawValueFor(mover);
        if (drawValue >= node.beta && IsDrawByRuleInSearch()) {
            *score = drawValue;
            return Proof::Draw;
        }
    }

    // Mate in one, scored from the parent's ply.
    const i32 mateValue = MateScore - 1 - ply;
    if (node.depth > 360 && mateValue >= node.beta &&
        IsSquareAttacked(mover, board.KingSquare[board.SideToMove]) && IsCheckmated()) {
        *score = mateValue;
        return Proof::Mate;
    }

    // The child's entry: an upper bound (or exact score) deep enough that
    // refutes the child from the opponent's side. Ages are left alone.
    const TransEntry* entry = FindTransEntry(ComputeSearchKey(), board.SideToMove);
    if (entry == nullptr || entry->depth < node.depth - OnePly) return Proof::None;
    const u32 bound = TransBound(*entry);
    if (bound == LowerBound) return Proof::None;
    i32 childScore = entry->score;
    if (bound == ExactBound) {
        if (childScore > MateBound) childScore -= ply + 1;
        if (childScore < -MateBound) childScore += ply + 1;
    }
    if (childScore > -node.beta) return Proof::None;

    // An extended child would be searched deeper than one ply less: the
    // entry must be deep enough for that depth as well.
    const i32 ext =
        ComputeExtensions(node.fullExtensions, node.mateThreat, node.depth, m == node.singleReply,
                          orderScore, node.zero, node.alertMaps, node.alphaMinusEval);
    if (ext > -OnePly) {
        SearchPly = ply + 1;
        const i32 deepEnough = ProbeHashBound(node.depth + ext, -node.beta);
        SearchPly = ply;
        if (!deepEnough) return Proof::None;
    }
    *score = -childScore;
    return Proof::Table;
}

}  // namespace

i32 ProbeChildCutoffs(i32 beta, i32 eval, i32 fullExtensions, i32 mateThreat, i32 depth,
                      u32* outMove, Move hashMove, Move singleReply, i32 historyHalf, i32 zero,
                      const u64 alertMaps[2], i32 alphaMinusEval) {
    const ProbeNode node{beta, fullExtensions, mateThreat,  depth,
                         zero, alphaMinusEval, singleReply, alertMaps};
    const Side side = board.SideToMove, enemy = ChangeSide(side);
    const bool inCheck = PlyStack[SearchPly].InCheck != 0;
    const i32 base = MoveStackTop;
    u32 saveUndo = 1;

    i32 stage = inCheck ? i32(QuietStage) : i32(HashMoveStage);
    for (; stage <= QuietStage; stage++) {
        MoveStackTop = base;
        if (inCheck) {
            GenerateEvasions();
        } else if (stage == HashMoveStage) {
            // A move from another position (a key collision) counts as none.
            if (hashMove == NoMove || !IsHashMoveUsable(hashMove)) continue;
            MoveStack[base] = {hashMove, 0};
            MoveStackTop = base + 1;
        } else if (stage == CaptureStage) {
            GenerateCaptures(board.Bitboards[0][enemy]);
        } else if (stage == PromotionStage) {
            GenerateQuietPromotions();
        } else {
            if (depth <= 360 && eval + 50 <= beta) break;
            GenerateQuietMoves(historyHalf);
        }

        // Every child's bucket is requested at once, so that the probes
        // below find them loaded, or at least on their way.
        const i32 end = MoveStackTop;
        for (i32 i = base; i < end; i++) PrefetchChildBucket(MoveStack[i].move);
        for (i32 i = base; i < end; i++) {
            const Move m = MoveStack[i].move;
            if (!inCheck && stage != HashMoveStage && m == hashMove) continue;

            MakeMove(m, saveUndo);
            saveUndo = 0;
            // Generated moves are tried unchecked; an en-passant capture may
            // expose the king in any stage, since no pin test covers it.
            if ((!inCheck && stage != HashMoveStage) || IsEnPassant(m)) {
                if (IsSquareAttacked(enemy, board.KingSquare[side])) {
                    UnmakeMove();
                    continue;
                }
            }

            i32 score = 0;
            const Proof proof = ProveChild(node, stage, m, MoveStack[i].score, &score);
            UnmakeMove();
            if (proof == Proof::None) continue;

            MoveStackTop = base;
            *outMove = m;
            ProbedBoundScore = score;
            if (proof == Proof::Draw || IsQuiet(m)) {
                if (inCheck)
                    StoreEvasionKiller(m);
                else
                    UpdateHistoryAndKillers(depth, m, historyHalf);
            }
            return 1;
        }
    }
    MoveStackTop = base;
    return 0;
}
