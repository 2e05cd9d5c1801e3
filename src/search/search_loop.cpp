#include "search/search_loop.h"

#include <algorithm>

#include "board/attack_queries.h"
#include "board/board.h"
#include "board/make_move.h"
#include "board/move_gen_captures.h"
#include "board/move_gen_checks.h"
#include "board/move_gen_promotions.h"
#include "board/move_gen_quiet.h"
#include "board/pins.h"
#include "board/pst.h"
#include "board/stored_move.h"
#include "eval/eval_info.h"
#include "eval/material_table.h"
#include "search/extensions.h"
#include "search/hash_move.h"
#include "search/hash_tables.h"
#include "search/history.h"
#include "search/move_picker.h"
#include "search/quiescence.h"
#include "search/repetition.h"
#include "search/search.h"
#include "search/search_limits.h"
#include "search/trans_table.h"

KORVALENT_TUNABLE i32 FutilityOwnUnits[FutilityUnitsSize] = {};
KORVALENT_TUNABLE i32 FutilityOppUnits[FutilityUnitsSize] = {};

namespace {

// One row of the futility margins, by remaining depth.
struct FutilityRow {
    i32 margin;     // in centipawns
    i32 unitScale;  // weight of the unit tables, in 1/256
    i32 optimism;   // optimism weight in eighths
    i32 gainScale;  // weight of a negative piece-square gain, in 1/256
};

FutilityRow FutilityRowFor(i32 depth) {
    if (depth < 120) return {(TuneM1 * 100) >> 8, 16, TuneC1, 646};
    if (depth < 180) return {(TuneM2 * 100) >> 8, 18, TuneC2, 526};
    if (depth < 240) return {(TuneM3 * 100) >> 8, 16, TuneC3, 636};
    if (depth < 300) return {785, 19, 0, 1567};
    if (depth < 360) return {3328, -13, 0, 7193};
    return {11647, -50, 0, 16086};
}

inline i32 FutilityUnitsIndex(i32 units) { return std::clamp(units, 0, FutilityUnitsSize - 1); }

// The state of the node's staged move list.
struct MoveList {
    i32 stage;
    i32 stageStart;  // where the current stage's moves begin
    u16 entryFlags;  // memo bits stored with the node's entries
    bool futile;     // quiet moves are hopeless: only quiet checks are listed
    i32 historyHalf;
    bool hasDeferred;  // losing captures waiting at the end
    i32 deferredAt, deferredEnd;
};

// Appends a killer when it fits the position, scored like a quiet move.
bool AddKiller(Move killer, i32 historyHalf) {
    if (killer == NoMove) return false;
    const i32 top = MoveStackTop;
    AddMoveIfPseudoLegal(killer);
    if (MoveStackTop == top) return false;
    MoveStack[top].score = HistoryScore[HistoryIndex(killer, historyHalf, board.SideToMove)];
    return true;
}

// Appends the moves of the first stage below list.stage that has any and
// returns its number, StageDone when none is left. Out of check only.
i32 GenerateNextStage(MoveList& list) {
    const i32 ply = SearchPly;
    const Side side = board.SideToMove;
    const i32 start = MoveStackTop;
    list.stageStart = start;
    const i32 stage = list.stage;
    if (stage > StageCaptures && !(list.entryFlags & NoSearchCaptures)) {
        GenerateCaptures(board.Bitboards[0][ChangeSide(side)]);
        // Near the root every under-promotion is looked at.
        if (ply > IterationDepth / 2)
            GenerateQuietPromotions();
        else
            GenerateAllQuietPromotions();
        if (MoveStackTop > start) return StageCaptures;
        list.entryFlags = NoQuiescenceCaptures | NoSearchCaptures;
    }
    if (stage > StageKiller1 && AddKiller(PlyStack[ply].Killer[0][side], list.historyHalf))
        return StageKiller1;
    if (stage > StageKiller2 && AddKiller(PlyStack[ply].Killer[1][side], list.historyHalf))
        return StageKiller2;
    if (stage > StageQuiet) {
        if (list.futile)
            GenerateQuietChecks(list.historyHalf);
        else
            GenerateQuietMoves(list.historyHalf);
        if (MoveStackTop > start) return StageQuiet;
    }
    return StageDone;
}

// The piece-square gain of a quiet move for the mover, blended by the
// game phase of the current material; losses weigh gainScale / 256.
i32 QuietMoveGain(Move m, i32 gainScale) {
    LoadMaterialTableEntry();
    const Side side = board.SideToMove;
    const PieceType piece = MovePiece(m);
    const Square from = MoveFrom(m), to = MoveTo(m);
    const i32 phase = board.current_phase;
    const i32 opening = PstOpening[piece][side][to] - PstOpening[piece][side][from];
    const i32 endgame = PstEndgame[piece][side][to] - PstEndgame[piece][side][from];
    i32 gain = (opening * (256 - phase) + endgame * phase) >> 8;
    if (gain < 0) gain = (gain * gainScale) >> 8;
    return gain;
}

}  // namespace

i32 SearchMoveLoop(SearchNode& node) {
    const i32 ply = SearchPly;
    const Side side = board.SideToMove, other = ChangeSide(side);
    const bool inCheck = node.inCheck;
    const i32 alpha = node.alpha, beta = node.beta, depth = node.depth;
    const i32 eval = node.eval;
    const i32 base = node.moveStackBase;
    const u32 mateThreat = u32(node.mateThreat);

    i32 alphaCur = alpha;
    i32 best = node.low;
    Move bestMove = NoMove;
    i32 nullBound = beta;
    i32 movesMade = 0, searched = 0, quietCount = 0;

    // A table move from a colliding key could belong to another position.
    Move hashMove = node.hashMove;
    if (hashMove != NoMove && !IsHashMoveUsable(hashMove)) hashMove = NoMove;

    // The table move first, with the full window.
    if (hashMove != NoMove) {
        MakeMove(hashMove, 1);
        PrefetchNodeTables();
        movesMade = 1;
        const i32 ext = ComputeExtensions(node.fullExtensions, node.mateThreat, depth,
                                          hashMove == node.singleReply, 0, node.nodeKind == 0,
                                          node.alertMaps, alpha - eval);
        const i32 v = -SearchChild(-beta, -alpha, depth + ext, -node.nodeKind);
        UnmakeMove();
        if (board.SearchAbort) {
            MoveStackTop = base;
            return 0;
        }
        if (v >= beta) {
            if (IsQuietMove(hashMove)) {
                if (!inCheck)
                    UpdateHistoryAndKillers(depth, hashMove, node.historyHalf);
                else
                    StoreEvasionKiller(hashMove);
            }
            StoreHash(depth, hashMove, v, LowerBound, mateThreat, 0);
            PlyStack[ply].BestMove = hashMove;
            MoveStackTop = base;
            return v;
        }
        if (v > best) {
            best = v;
            bestMove = hashMove;
            if (v > alphaCur) alphaCur = v;
        }
        nullBound = alphaCur + 1;
        searched = 1;
    }

    // Futility: at shallow null-window nodes far below alpha, quiet moves
    // are hopeless (only quiet checks are tried) and captures must promise
    // enough; the margins grow with the depth.
    MoveList list{};
    list.historyHalf = node.historyHalf;
    bool quietFutility = false;
    // In 64 bits: the optimism and the tuning values may be large.
    i64 marginSum = 0;
    i32 gainScale = 256;
    if (node.nodeKind != 0 && !node.mateThreat && !inCheck && depth < 420 && alpha >= -32499 &&
        alpha <= 32499 && board.NonPawnUnits[WHITE] + board.NonPawnUnits[BLACK] > 0) {
        quietFutility = true;
        const FutilityRow row = FutilityRowFor(depth);
        const i32 ownUnits = FutilityOwnUnits[FutilityUnitsIndex(board.NonPawnUnits[side])];
        const i32 oppUnits = FutilityOppUnits[FutilityUnitsIndex(board.NonPawnUnits[other])];
        const i32 ownTerm = (ownUnits * row.unitScale) >> 8;
        const i32 oppTerm = (oppUnits * row.unitScale) >> 8;
        const i64 optimismTerm = (i64(row.optimism) * node.ownOptimism) >> 3;
        list.futile = eval + optimismTerm < i64(alpha) - row.margin - ownTerm - oppTerm;
        if (list.futile) best = alphaCur;
        marginSum = row.margin + ownTerm + oppTerm + optimismTerm;
        gainScale = row.gainScale;
    }

    // The first moves: captures and promotions, else the killers, else the
    // quiet moves. In check the evasions are listed already.
    list.stageStart = base;
    if (inCheck) {
        list.stage = StageEvasions;
    } else {
        list.stage = StageNoneYet;
        list.stage = GenerateNextStage(list);
        if (list.stage == StageDone) {
            if (list.futile) {
                MoveStackTop = base;
                StoreHash(depth, NoMove, alpha, UpperBound, mateThreat, list.entryFlags);
                return alpha;
            }
            // No move at all, out of check: stalemate. (A table move that
            // no stage lists, an under-promotion, was a move all the same.)
            if (searched == 0) {
                MoveStackTop = base;
                return DrawValue();
            }
        }
    }

    const bool reductionsAllowed =
        depth >= 180 && node.nodeKind != 0 && ply >= 1 &&
        (PlyStack[ply - 1].ExtFlags & ~(ExtRecapture | ExtPassedPawn | ExtThreat)) == 0;
    const bool lowEval = eval + 120 < alphaCur;

    i32 next = base;
    for (;;) {
        if (next >= MoveStackTop) {
            if (inCheck) break;
            list.stage = list.stage > StageQuiet ? GenerateNextStage(list) : StageDone;
            if (list.stage != StageDone) continue;
            if (!list.hasDeferred) break;
            // Last come the losing captures; moves of later stages are dropped.
            MoveStackTop = list.deferredEnd;
            next = list.deferredAt;
            list.stageStart = list.deferredAt;
            list.hasDeferred = false;
            continue;
        }

        const i32 at = next++;
        const Move m = PickBestMove(at, MoveStackTop);
        const i32 orderScore = MoveStack[at].score;
        // Losing captures wait until everything else was tried.
        if (list.stage == StageCaptures && orderScore < 0) {
            list.hasDeferred = true;
            list.deferredAt = at;
            list.deferredEnd = MoveStackTop;
            next = MoveStackTop;
            list.stage = GenerateNextStage(list);
            continue;
        }
        if (m == hashMove) continue;
        if (list.stage == StageQuiet &&
            (m == PlyStack[ply].Killer[0][side] || m == PlyStack[ply].Killer[1][side]))
            continue;

        // The child's records load while the move is judged.
        PrefetchChildTables(m);

        // Extensions, and two plies less for quiet moves in hopeless endings.
        i32 extra = 0;
        i32 ext =
            ComputeMoveExtension(node.fullExtensions, depth, m == node.singleReply, m, orderScore,
                                 node.nodeKind == 0, &extra, node.alertMaps, alpha - eval);
        bool reducedQuiet = false;
        if (node.endgameReduce && !IsCaptureOrPromotion(m)) {
            ext -= 120;
            reducedQuiet = true;
        }
        const u32 givesCheck = PlyStack[ply + 1].InCheck;
        const bool extended = PlyStack[ply].ExtFlags != 0;

        // Legality before the move: the king must not step into an attack,
        // a pinned man must stay on its line (en passant is tested made).
        if (MovePiece(m) == KING) {
            if (IsSquareAttacked(other, MoveTo(m))) continue;
        } else if (!IsEnPassantMove(m) && MoveExposesOwnKing(m)) {
            continue;
        }

        // Futile captures that cannot bring the score back near alpha.
        if (list.futile && !extended && IsCaptureOrPromotion(m) && !inCheck && !givesCheck &&
            node.nodeKind != 0) {
            const PieceType promotion = MovePromotion(m);
            if ((promotion != EMPTY && promotion != QUEEN) ||
                IsHopelessCapture(m, alpha, eval, node.oppOptimism)) {
                searched += 1;
                continue;
            }
        }

        // Futile quiet moves: the piece-square gain, the history and the
        // margin together still leave the score below alpha.
        if (quietFutility && IsQuietMove(m) && !extended) {
            const i32 history = list.stage == StageQuiet
                                    ? orderScore
                                    : HistoryScore[HistoryIndex(m, node.historyHalf, side)];
            const i32 weight = list.stage == StageQuiet     ? 32
                               : list.stage == StageKiller1 ? 554
                                                            : 416;
            const i32 gain = QuietMoveGain(m, gainScale);
            if (gain + ((history * 26) >> 8) + ((marginSum * weight) >> 8) + eval < alphaCur) {
                searched += 1;
                best = alphaCur;
                continue;
            }
        }

        MakeMove(m, movesMade == 0 ? 1 : 0);
        movesMade += 1;
        if (IsEnPassantMove(m) && IsSquareAttacked(other, board.KingSquare[side])) {
            UnmakeMove();
            continue;
        }
        searched += 1;

        // Late move reduction: a quiet move late in the list, or at a node
        // below alpha, is first searched shallower with a null window.
        bool refuted = false;
        if (reductionsAllowed && m != node.singleReply && IsQuietMove(m)) {
            quietCount += 1;
            if (!extended && (quietCount > 2 || lowEval || alphaCur != alpha)) {
                const i32 childScore = -NodeStaticScore();
                const i32 moverOptimism = eval_info.optimism[side];
                const i32 optimismGain = moverOptimism - node.ownOptimism;
                if (optimismGain < 25) {
                    i32 reduction = ext - 60;
                    if ((childScore + 120 + 2 * moverOptimism < alphaCur || quietCount > 8) &&
                        childScore < alphaCur && optimismGain < 1)
                        reduction = ext - 120;
                    PlyStack[ply].ExtFlags |= ExtReduced;
                    const i32 v = -SearchChild(-alphaCur - 1, -alphaCur, depth + reduction,
                                               node.nodeKind == 1 ? -1 : 1);
                    PlyStack[ply].ExtFlags &= ~ExtReduced;
                    if (board.SearchAbort) {
                        UnmakeMove();
                        MoveStackTop = base;
                        return 0;
                    }
                    refuted = v <= alphaCur;
                }
            }
        }
        if (refuted) {
            UnmakeMove();
            best = alphaCur;
            continue;
        }

        // Principal-variation search: the first move with the full window,
        // the others with a null window first.
        const i32 kind = movesMade < 2 ? -node.nodeKind : -1;
        i32 v = -SearchChild(-nullBound, -alphaCur, depth + ext, kind);
        if (board.SearchAbort) {
            UnmakeMove();
            MoveStackTop = base;
            return 0;
        }

        // How often a capture the exchange test refused works out.
        if (MoveCaptured(m) != EMPTY && !inCheck && !givesCheck && orderScore < SafeCaptureBase)
            UpdateCaptureStatistics(m, side, v > alphaCur);

        if (v > alphaCur) {
            const i32 fullKind = node.nodeKind == 0 ? 0 : 1;
            bool again = true;
            i32 againDepth = depth + ext, againAlpha = alphaCur, againKind = fullKind;
            if (reducedQuiet)
                againDepth = depth + ext + 120 + extra;
            else if (extra != 0)
                againDepth = depth + ext + extra;
            else if (v < beta && nullBound < beta) {
                againAlpha = v;
                againKind = 0;
            } else {
                again = false;
            }
            if (again) {
                v = -SearchChild(-beta, -againAlpha, againDepth, againKind);
                if (board.SearchAbort) {
                    UnmakeMove();
                    MoveStackTop = base;
                    return 0;
                }
            }
        }
        UnmakeMove();

        if (v > best) {
            best = v;
            bestMove = m;
            if (v > alphaCur) {
                alphaCur = v;
                if (v >= beta) {
                    // The cutoff move gains history and becomes a killer;
                    // quiet moves tried before it in its stage lose history.
                    if (IsQuietMove(m)) {
                        if (!inCheck) {
                            if (list.stage == StageQuiet)
                                for (i32 i = list.stageStart; i < at; i++)
                                    PenalizeHistory(depth, MoveStack[i].move, node.historyHalf);
                            UpdateHistoryAndKillers(depth, m, node.historyHalf);
                        } else {
                            StoreEvasionKiller(m);
                        }
                    }
                    StoreHash(depth, m, v, LowerBound, mateThreat, list.entryFlags);
                    MoveStackTop = base;
                    PlyStack[ply].BestMove = m;
                    return v;
                }
            }
        }
        nullBound = alphaCur + 1;
    }

    MoveStackTop = base;
    // Every listed move was illegal.
    if (searched == 0 && !list.futile) return 0;
    if (alphaCur > alpha) {
        PlyStack[ply].BestMove = bestMove;
        StoreHash(depth, bestMove, best, ExactBound, mateThreat, list.entryFlags);
        return best;
    }
    StoreHash(depth, bestMove, best, UpperBound, mateThreat, list.entryFlags);
    return best;
}
