#include "search/quiescence.h"

#include <algorithm>

#include "board/attack_queries.h"
#include "board/attacks.h"
#include "board/check_test.h"
#include "board/move_gen_captures.h"
#include "board/move_gen_checks.h"
#include "board/move_gen_evasions.h"
#include "board/move_gen_promotions.h"
#include "board/move_gen_quiescence.h"
#include "board/pins.h"
#include "board/static_exchange.h"
#include "eval/eval_info.h"
#include "eval/eval_params.h"
#include "eval/evaluate.h"
#include "eval/move_gain.h"
#include "search/extensions.h"
#include "search/hash_move.h"
#include "search/hash_tables.h"
#include "search/node_entry.h"
#include "search/repetition.h"
#include "search/trans_table.h"

namespace {

constexpr u64 RankBits(i32 rank) { return u64(0xFF) << (8 * rank); }

// What a pawn close to promotion is worth to a lazy score: 100 for one on
// the side's seventh rank, else 50 for one on its sixth.
i32 AdvancedPawnBonus(Side side) {
    const u64 pawns = board.Bitboards[PAWN][side];
    if (pawns & RankBits(side == WHITE ? 6 : 1)) return 100;
    if (pawns & RankBits(side == WHITE ? 5 : 2)) return 50;
    return 0;
}

// A side with two pawns or a good deal of pieces can still fight back, so
// a material deficit against it is a real one.
inline bool HasPlayLeft(Side side) {
    return board.PieceCount[PAWN][side] > 1 || board.NonPawnUnits[side] > 9;
}

// The fifty-move counter pulls every score toward a draw once it passes 8.
constexpr i32 FiftyMoveScale(i32 fiftyMoveCounter) {
    return 2 * (128 - std::max(0, fiftyMoveCounter - 8));
}

}  // namespace

i32 NodeStaticScore() {
    const Side side = board.SideToMove, other = ChangeSide(side);
    i32 low, high;
    LazyWindowFor(side, &low, &high);

    // Far outside the window the material balance decides on its own.
    i32 diff = board.Material[side] - board.Material[other];
    bool lazy = false;
    if (diff < low) {
        if (HasPlayLeft(other) && board.NonPawnUnits[other] > 5) {
            diff += AdvancedPawnBonus(side);
            lazy = diff < low;
        }
    } else if (diff > high) {
        if (HasPlayLeft(side) && board.NonPawnUnits[side] >= 6) {
            diff -= AdvancedPawnBonus(other);
            lazy = diff > high;
        }
    }
    const i32 score = lazy ? diff : CachedEvaluate();

    const i32 scale = FiftyMoveScale(board.FiftyMoveCounter);
    eval_info.scale = SaturateToI32(i64(eval_info.scale) * scale / 256);
    return SaturateToI32(i64(score) * scale / 256);
}

i32 IsHopelessCapture(Move m, i32 alpha, i32 eval, i32 oppOptimism) {
    const i32 gain = EstimateMoveGain(m);
    const i32 shortfall = alpha - gain - eval;
    if (shortfall < 58) return 0;
    if (gain >= 478) return shortfall >= 395;
    if (shortfall < 113) return 0;
    const i32 otherUnits = board.NonPawnUnits[ChangeSide(board.SideToMove)];
    if (otherUnits < 10) return eval < -498;
    return shortfall >= 183 || oppOptimism < 26;
}

Move PickBestMove(i32 at, i32 end) {
    i32 bestIndex = at;
    for (i32 i = at + 1; i < end; i++)
        if (MoveStack[i].score > MoveStack[bestIndex].score) bestIndex = i;
    if (bestIndex != at) std::swap(MoveStack[at], MoveStack[bestIndex]);
    return MoveStack[at].move;
}

i32 QuiescenceSearch(i32 alpha, i32 beta, i32 depth, i32 nodeKind) {
    const i32 ply = SearchPly;
    const Side side = board.SideToMove, other = ChangeSide(side);
    const bool inCheck = PlyStack[ply].InCheck != 0;
    i32 best = -MateScore;
    Move bestMove = NoMove;

    SelDepth = std::max(SelDepth, ply);
    NodeCount += 1;
    PlyStack[ply].BestMove = NoMove;
    if (NodeEntryPoll()) return 0;

    if (NodeNearStackEnds()) return NodeStaticScore();

    // Mate-distance bounds: nothing here can beat a mate found nearer the root.
    const i32 low = inCheck ? ply - MateScore : ply - NotMatedScore;
    if (low > -MateScore) {
        best = low;
        if (low > alpha) {
            if (low >= beta) return low;
            alpha = low;
        }
    }
    if (alpha >= MateInOneScore - ply) return alpha;

    // Draws by rule; a mate given with the hundredth half-move stands.
    if (board.FiftyMoveCounter >= FiftyMoveLimit && SideToMoveIsMated()) return ply - MateScore;
    if (board.FiftyMoveCounter >= FiftyMoveLimit || RepeatsEarlierPosition()) return DrawValue();

    // Deep below the root no more quiet checks: the tree must end.
    const bool pastPlyCap = ply > std::min(2 * IterationDepth + QsPlyCapBase, QsPlyCapMax);
    if (pastPlyCap) depth = QsNoCheckDepth;

    // A material balance far outside the lazy window that already fails
    // high needs no evaluation.
    {
        i32 lazyLow, lazyHigh;
        LazyWindowFor(side, &lazyLow, &lazyHigh);
        i32 diff = board.Material[side] - board.Material[other];
        if (diff < lazyLow) {
            if (HasPlayLeft(other) && board.NonPawnUnits[other] >= 6) {
                diff += AdvancedPawnBonus(side);
                if (diff < lazyLow && diff >= beta) return diff;
            }
        } else if (diff > lazyHigh) {
            if (HasPlayLeft(side) && board.NonPawnUnits[side] >= 6) {
                diff -= AdvancedPawnBonus(other);
                if (diff > lazyHigh && diff >= beta) return diff;
            }
        }
    }

    // The transposition table: a move to try first, memo bits of empty
    // generations, and at null-window nodes a bound that settles the node.
    u16 entryFlags = 0;
    Move hashMove = NoMove;
    if (TransEntries != 0) {
        const TransEntry* entry = ProbeNodeEntry(ComputeSearchKey(), side);
        if (entry != nullptr) {
            entryFlags = entry->flags;
            hashMove = TransMove(*entry);
            if (nodeKind != 0) {
                const u32 bound = TransBound(*entry);
                const i32 score = ScoreFromTrans(entry->score, bound);
                if ((bound == LowerBound && score >= beta) ||
                    (bound == UpperBound && score <= alpha) || bound == ExactBound) {
                    PlyStack[ply].BestMove = hashMove;
                    return score;
                }
            }
        }
    }

    PlyStack[ply].ExtFlags = 0;

    // Stand pat: out of check the side may decline every capture. In check
    // it may not, and one ply more is spent on the evasions.
    i32 eval = best;
    i32 oppOptimism = 0;
    bool fewKingSquares = false;
    if (inCheck) {
        depth += OnePly;
    } else {
        eval = NodeStaticScore();
        oppOptimism = eval_info.optimism[other];
        const u64 flights = KingAttacks[board.KingSquare[other]] & ~board.Bitboards[0][other] &
                            ~eval_info.attacked_by[side];
        fewKingSquares = PopCount(flights) < 3;

        if (eval > best) best = eval;
        if (eval > alpha) {
            if (eval >= beta) return eval;
            alpha = eval;
        }
    }
    const i32 alphaStand = alpha;

    // Quiet checks near the horizon, unless the position looks too poor for
    // a check to matter at a null-window node; a king short of squares
    // gets a check once more every other ply.
    bool checksOk = false;
    if (!inCheck && depth >= QsLowestCheckDepth) {
        const i32 depthClass = std::min(depth / OnePly + 2, 3);
        const i32 attackers = std::clamp(eval_info.attacker_count[side], 0, 4);
        checksOk =
            !(nodeKind != 0 &&
              eval + QsCheckDepthMargin[depthClass] + QsCheckAttackerMargin[attackers] <= alpha);
    }
    if (!checksOk && !inCheck && !pastPlyCap && ply >= 2 && fewKingSquares &&
        !(PlyStack[ply - 2].ExtFlags & ExtFlightCheck)) {
        checksOk = true;
        PlyStack[ply].ExtFlags |= ExtFlightCheck;
    }
    if (entryFlags & NoQuiescenceChecks) checksOk = false;

    // The table move first, half a ply cheaper than the others. Out of
    // check a quiet one is played only as a check where checks are wanted.
    u32 saveUndo = 1;
    if (hashMove != NoMove && !IsHashMoveUsable(hashMove)) hashMove = NoMove;
    if (hashMove != NoMove) {
        const bool quietOutOfCheck = !inCheck && IsQuietMove(hashMove);
        const bool play = !quietOutOfCheck || checksOk;
        const u32 givesCheck = play ? u32(GivesCheck(hashMove)) : 0;
        if (play && (givesCheck || !quietOutOfCheck)) {
            PlyStack[ply + 1].InCheck = givesCheck;
            MakeMove(hashMove, 1);
            PrefetchNodeTables();
            saveUndo = 0;
            SearchPly = ply + 1;
            const i32 v = -QuiescenceSearch(-beta, -alpha, depth - OnePly / 2, -nodeKind);
            SearchPly = ply;
            UnmakeMove();
            if (board.SearchAbort) return 0;
            if (v >= beta) {
                StoreHash(0, hashMove, v, LowerBound, 0, entryFlags);
                PlyStack[ply].BestMove = hashMove;
                return v;
            }
            if (v > best) {
                best = v;
                bestMove = hashMove;
                if (v > alpha) alpha = v;
            }
        }
    }

    // Captures and safe queen promotions, or every evasion.
    const i32 base = MoveStackTop;
    if (!inCheck) {
        if (!(entryFlags & NoQuiescenceCaptures)) {
            GenerateQuiescenceCaptures(board.Bitboards[0][other]);
            GenerateSafeQuietPromotions();
            if (MoveStackTop == base) entryFlags |= NoQuiescenceCaptures;
        }
    } else {
        GenerateEvasions();
        const i32 evasions = MoveStackTop - base;
        if (evasions == 0) return ply - MateScore;
        if (evasions == 1) depth += OnePly;

        // A check allowed only because the king was short of squares is
        // harmless when the checked side escapes it cheaply.
        if (evasions >= 2 && ply >= 1 && GamePly >= 1 &&
            (PlyStack[ply - 1].ExtFlags & ExtFlightCheck) &&
            IsQuietMove(GameHistory[GamePly - 1].Move)) {
            i32 kingMovesAndCaptures = 0;
            for (i32 i = base; i < MoveStackTop; i++) {
                const Move m = MoveStack[i].move;
                if (MovePiece(m) == KING || MoveCaptured(m) != EMPTY || IsEnPassantMove(m))
                    kingMovesAndCaptures += 1;
                if (kingMovesAndCaptures > 1 || SeeNotLosing(MoveTo(m), MoveFrom(m), MovePiece(m),
                                                             MoveCaptured(m), MovePromotion(m))) {
                    MoveStackTop = base;
                    return beta;
                }
            }
        }
    }

    // Takes a child's score; on a cutoff stores the bound and reports it.
    auto RecordChildScore = [&](Move m, i32 v) {
        if (v <= best) return false;
        best = v;
        bestMove = m;
        if (v <= alpha) return false;
        if (v >= beta) {
            StoreHash(0, m, v, LowerBound, 0, entryFlags);
            PlyStack[ply].BestMove = m;
            return true;
        }
        alpha = v;
        return false;
    };

    // Every child's records are requested at once: the few moves of a
    // quiescence node follow each other quickly.
    for (i32 i = base; i < MoveStackTop; i++) PrefetchChildTables(MoveStack[i].move);
    for (i32 i = base; i < MoveStackTop; i++) {
        const Move m = PickBestMove(i, MoveStackTop);
        if (m == hashMove) continue;
        // Evasions are legal; other moves must not leave the king in check.
        if (!inCheck) {
            if (MovePiece(m) == KING) {
                if (IsSquareAttacked(other, MoveTo(m))) continue;
            } else if (!IsEnPassantMove(m) && MoveExposesOwnKing(m)) {
                continue;
            }
        }
        const u32 givesCheck = u32(GivesCheck(m));
        PlyStack[ply + 1].InCheck = givesCheck;
        if (!inCheck && !givesCheck && nodeKind != 0) {
            const PieceType promotion = MovePromotion(m);
            if (promotion != EMPTY && promotion != QUEEN) continue;
            if (IsHopelessCapture(m, alpha, eval, oppOptimism)) continue;
        }

        MakeMove(m, saveUndo);
        saveUndo = 0;
        // En passant takes two men off one rank: only the made move shows
        // whether that opens a line onto the king.
        if (IsEnPassantMove(m) && IsSquareAttacked(other, board.KingSquare[side])) {
            UnmakeMove();
            continue;
        }
        SearchPly = ply + 1;
        const i32 v = -QuiescenceSearch(-beta, -alpha, depth - OnePly, -nodeKind);
        SearchPly = ply;
        if (MoveStack[i].score < SafeCaptureBase && MoveCaptured(m) != EMPTY && !inCheck &&
            !givesCheck)
            UpdateCaptureStatistics(m, side, v > alpha);
        UnmakeMove();
        if (board.SearchAbort) {
            MoveStackTop = base;
            return 0;
        }

        if (RecordChildScore(m, v)) {
            MoveStackTop = base;
            return v;
        }
    }
    MoveStackTop = base;

    if (checksOk) {
        GenerateQuietChecks(eval + 100 >= alpha ? 1 : 0);
        if (MoveStackTop == base) entryFlags |= NoQuiescenceChecks;
        for (i32 i = base; i < MoveStackTop; i++) {
            const Move m = PickBestMove(i, MoveStackTop);
            if (m == hashMove) continue;
            if (MovePiece(m) == KING ? IsSquareAttacked(other, MoveTo(m)) != 0
                                     : MoveExposesOwnKing(m) != 0)
                continue;
            MakeMove(m, saveUndo);
            PrefetchNodeTables();
            saveUndo = 0;
            PlyStack[ply + 1].InCheck = 1;
            SearchPly = ply + 1;
            const i32 v = -QuiescenceSearch(-beta, -alpha, depth - OnePly, -nodeKind);
            SearchPly = ply;
            UnmakeMove();
            if (board.SearchAbort) {
                MoveStackTop = base;
                return 0;
            }
            if (RecordChildScore(m, v)) {
                MoveStackTop = base;
                return v;
            }
        }
        MoveStackTop = base;
    }

    // A move that raised alpha gives an exact score.
    if (alpha > alphaStand) {
        StoreHash(0, bestMove, alpha, ExactBound, 0, entryFlags);
        PlyStack[ply].BestMove = bestMove;
    }
    return best;
}
