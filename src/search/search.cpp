#include "search/search.h"

#include <algorithm>

#include "board/attack_queries.h"
#include "board/attacks.h"
#include "board/board.h"
#include "board/make_move.h"
#include "board/move_gen_evasions.h"
#include "board/static_exchange.h"
#include "book/learning.h"
#include "eval/eval_info.h"
#include "eval/material_table.h"
#include "search/cutoff_probe.h"
#include "search/extensions.h"
#include "search/hash_tables.h"
#include "search/history.h"
#include "search/quiescence.h"
#include "search/repetition.h"
#include "search/search_limits.h"
#include "search/search_node.h"
#include "search/trans_table.h"
#include "tablebase/tablebase.h"
#include "tablebase/tablebase_settings.h"

namespace {

// A king in a corner with every neighbouring square held by its own men or
// covered by the enemy king: the one way a side without winning material
// can still be mated, so the lost-cause shortcuts leave it alone.
bool KingCornered(Side kingSide) {
    const Square king = board.KingSquare[kingSide];
    if (king != A1 && king != H1 && king != A8 && king != H8) return false;
    const u64 blocked =
        board.Bitboards[0][kingSide] | KingAttacks[board.KingSquare[ChangeSide(kingSide)]];
    return (KingAttacks[king] & ~blocked) == 0;
}

// Whether a tablebase probe is worth its cost at this node (the
// position is within the tables' reach and without castling rights).
bool WorthTablebaseProbe(i32 ply, i32 alpha, i32 beta, i32 depth) {
    if (ply < 2 || depth >= 240) return true;
    const Side side = board.SideToMove, other = ChangeSide(side);
    // An under-promotion just played is searched out rather than looked up.
    if (GamePly > 0) {
        const PieceType promotion = MovePromotion(GameHistory[GamePly - 1].Move);
        if (promotion != EMPTY && promotion != QUEEN) return false;
    }
    const i32 pawnCount = board.PieceCount[PAWN][WHITE] + board.PieceCount[PAWN][BLACK];
    if ((board.Material[WHITE] == 0 || board.Material[BLACK] == 0) && pawnCount < 2) return false;
    const bool sidePawns = board.PieceCount[PAWN][side] > 0;
    const bool otherPawns = board.PieceCount[PAWN][other] > 0;
    if (sidePawns && otherPawns) return true;
    const i32 ownUnits = board.NonPawnUnits[side], otherUnits = board.NonPawnUnits[other];
    if (!sidePawns && !otherPawns) {
        if (ownUnits == otherUnits && ownUnits < 11) return false;
        if (alpha >= 0 && ownUnits < otherUnits && ownUnits < 11) return false;
        if (beta <= 0 && otherUnits < ownUnits && otherUnits < 11) return false;
    }
    // A side without pawns and with little left, far behind, is lost anyway.
    for (Side x : {WHITE, BLACK}) {
        const i32 units = board.NonPawnUnits[x], enemyUnits = board.NonPawnUnits[ChangeSide(x)];
        if (board.PieceCount[PAWN][x] == 0 && units <= 5 && enemyUnits - units > 4) return false;
    }
    // A lone pawn against a lone bishop is a draw the search sees by itself.
    for (Side x : {WHITE, BLACK}) {
        const Side y = ChangeSide(x);
        if (board.Material[x] == 100 && board.Material[y] == 300 && board.Bitboards[BISHOP][y])
            return false;
    }
    return true;
}

// The null-move threat test, with the side that passed already flipped
// away: true when the side now to move could win more than the margin by
// a capture, so passing proves nothing.
bool NullMoveMeetsThreat(i32 margin) {
    const Side mover = board.SideToMove, passer = ChangeSide(mover);
    u64 targets = board.Bitboards[0][passer];
    if (margin > 100) targets &= ~board.Bitboards[PAWN][passer];
    u64 attackers = board.Bitboards[0][mover];
    while (attackers) {
        const Square from = PopLowest(attackers);
        const PieceType attacker = board.Squares[from];
        u64 hits = AttacksFromSquare(from, mover, attacker) & targets;
        while (hits) {
            const Square to = PopLowest(hits);
            const PieceType victim = board.Squares[to];
            // A king takes for free, but only what is not defended.
            const i32 attackerCost = attacker == KING ? 0 : PieceValue[attacker];
            if (PieceValue[victim] - attackerCost > margin) return true;
            if (PieceValue[victim] < PieceValue[attacker] && PieceValue[victim] > margin &&
                SeeNotLosing(to, from, attacker, victim, EMPTY) > 0)
                return true;
        }
    }
    return false;
}

}  // namespace

i32 SearchChild(i32 alpha, i32 beta, i32 depth, i32 nodeKind) {
    SearchPly += 1;
    const i32 v = depth < OnePly ? QuiescenceSearch(alpha, beta, 0, nodeKind)
                                 : Search(alpha, beta, depth, 1, nodeKind);
    SearchPly -= 1;
    return v;
}

i32 Search(i32 alpha, i32 beta, i32 depth, i32 nullAllowed, i32 nodeKind) {
    const i32 ply = SearchPly;
    const Side side = board.SideToMove, other = ChangeSide(side);
    const bool inCheck = PlyStack[ply].InCheck != 0;

    SearchNode node;
    node.moveStackBase = MoveStackTop;
    node.inCheck = inCheck;
    node.nodeKind = nodeKind;

    NodeCount += 1;
    PlyStack[ply].BestMove = NoMove;
    PlyStack[ply].Reply = NoMove;
    if (NodeEntryPoll()) return 0;

    if (NodeNearStackEnds()) return NodeStaticScore();

    // Mate-distance pruning: being mated here scores ply - MateScore, and
    // out of check not even that; nothing scores above a mate given at once.
    i32 low = inCheck ? ply - MateScore : ply - NotMatedScore;
    if (low <= -MateScore) {
        low = -MateScore;
    } else if (alpha < low) {
        if (beta <= low) return low;
        alpha = low;
    }
    if (alpha >= MateInOneScore - ply) return alpha;
    node.low = low;

    SelDepth = std::max(SelDepth, ply);

    // A mate given with the hundredth half-move stands: the fifty-move rule
    // below draws only a side that still has a move.
    if (board.FiftyMoveCounter >= FiftyMoveLimit && SideToMoveIsMated()) return ply - MateScore;

    // Draws by rule, and with few pieces the material shortcuts.
    node.endgameReduce = 0;
    if (board.NonPawnUnits[WHITE] > 10 || board.NonPawnUnits[BLACK] > 10) {
        if (IsDrawByRuleInSearch()) return DrawValue();
    } else {
        const MaterialEntry& material = MaterialEntryFor(board.MaterialIndex);
        const bool cannotWin[2] = {(material.flags[WHITE] & CannotWinFlag) != 0,
                                   (material.flags[BLACK] & CannotWinFlag) != 0};
        if (cannotWin[WHITE] && cannotWin[BLACK] &&
            board.Material[WHITE] + board.Material[BLACK] < 600)
            return DrawValue();
        // A side that cannot win need not look for more than a draw, and a
        // side facing one that cannot win need not fear less, unless a
        // cornered king could still be mated.
        if (alpha >= 0 && cannotWin[side] && board.NonPawnUnits[side] < 6 && !KingCornered(other))
            return alpha;
        if (beta <= 0 && cannotWin[other] && board.NonPawnUnits[other] < 6 && !KingCornered(side))
            return 0;
        if (board.FiftyMoveCounter >= FiftyMoveLimit || RepeatsEarlierPosition())
            return DrawValue();

        const bool pawnsOn = (board.Bitboards[PAWN][WHITE] | board.Bitboards[PAWN][BLACK]) != 0;
        const i32 whiteUnits = board.NonPawnUnits[WHITE], blackUnits = board.NonPawnUnits[BLACK];
        if (cannotWin[WHITE] || cannotWin[BLACK])
            node.endgameReduce = 1;
        else if (!pawnsOn)
            node.endgameReduce = std::min(whiteUnits, blackUnits) < 9;
        else
            node.endgameReduce = std::abs(whiteUnits - blackUnits) > 6;
    }

    // The null move is searched three plies shallower with pieces, four with few.
    i32 nullDepth;
    if (board.NonPawnUnits[side] < 9) {
        nullDepth = depth - 240;
    } else {
        nullDepth = depth - 300;
        if (nullDepth < OnePly) nullDepth = depth - 240;
    }

    // The transposition table.
    node.hashMove = NoMove;
    node.mateThreat = 0;
    if (TransEntries != 0) {
        const TransEntry* entry = ProbeNodeEntry(ComputeSearchKey(), side);
        if (entry != nullptr) {
            node.hashMove = TransMove(*entry);
            node.mateThreat = i32(TransHasMateThreat(*entry));
            const u32 bound = TransBound(*entry);
            const i32 stored = entry->score;
            // A known score below beta makes passing pointless.
            if (bound != LowerBound && stored < beta) nullAllowed = 0;
            if (entry->depth >= depth &&
                ((bound == LowerBound && stored >= beta) ||
                 (bound == UpperBound && stored <= alpha) || bound == ExactBound)) {
                PlyStack[ply].BestMove = node.hashMove;
                return ScoreFromTrans(stored, bound);
            }
        }
    }

    // Endgame tablebases.
    if (EgtbMaxPieces != 0 && board.PieceTotal <= EgtbMaxPieces && board.CastlingFlags == 0 &&
        WorthTablebaseProbe(ply, alpha, beta, depth)) {
        i32 score = 0;
        if (ProbeTablebase(1 - side, &score)) {
            if (score == 0)
                score = DrawValue();
            else if (std::abs(score) > 32400)
                score = score < 1 ? score + ply : score + 1 - ply;
            StoreHash(TablebaseDepth, NoMove, score, ExactBound, 0, 0);
            TablebaseHits += 1;
            return score;
        }
    }

    // Positions learnt from earlier games.
    if (depth > 360 && UseLearningData && side == EngineSide && GamePly < 120 &&
        board.NonPawnUnits[WHITE] >= 15 && board.NonPawnUnits[BLACK] >= 15 &&
        board.FiftyMoveCounter < 70) {
        i32 storedDepth = 0, storedScore = 0;
        u32 storedMove = 0, found = 0;
        FindLearnRecord(u32(board.HashKey), u32(board.HashKey >> 16), &storedDepth, &storedScore,
                        &storedMove, &found);
        // A mate score counted its distance from another root: only its
        // sign is worth keeping.
        if (found && depth <= storedDepth) return std::clamp(storedScore, -MateBound, MateBound);
    }

    // The static score.
    node.eval = NodeStaticScore();
    const i32 eval = node.eval;
    node.ownOptimism = eval_info.optimism[side];
    node.oppOptimism = eval_info.optimism[other];
    node.alertMaps[WHITE] = eval_info.alert_squares[WHITE];
    node.alertMaps[BLACK] = eval_info.alert_squares[BLACK];
    node.historyHalf = alpha <= eval + 100 ? 1 : 0;

    // The null move: a position so good that passing still holds beta.
    if (beta > -MateBound && alpha < MateBound && board.NonPawnUnits[side] != 0 &&
        !(board.NonPawnUnits[side] < 6 && depth > 480) && nullAllowed && nodeKind != 0 &&
        !inCheck && alpha - eval < (depth < 120 ? 5 : 20) && eval >= beta) {
        board.SideToMove = other;
        // The passed position's bucket loads while the threat test runs.
        PrefetchNodeTables();
        const i32 margin = eval - beta;
        if (margin <= 1050 && NullMoveMeetsThreat(margin)) {
            board.SideToMove = side;
        } else {
            GameHistory[GamePly].Move = NoMove;
            GamePly += 1;
            PlyStack[ply].ExtFlags = 0;
            PlyStack[ply + 1].InCheck = 0;
            SearchPly = ply + 1;
            // Verified step by step: each shallower search that holds is
            // followed by one a ply deeper, up to the full null depth.
            i32 v = 0;
            i32 d = nullDepth % OnePly;
            do {
                v = d < OnePly ? -QuiescenceSearch(-beta, 1 - beta, 0, -1)
                               : -Search(-beta, 1 - beta, d, 0, -1);
                if (board.SearchAbort || v < beta) break;
                d += OnePly;
            } while (d <= nullDepth);
            GamePly -= 1;
            SearchPly = ply;
            PlyStack[ply].Reply = PlyStack[ply + 1].BestMove;
            board.SideToMove = side;
            if (board.SearchAbort) return 0;
            if (v >= beta) {
                StoreHash(depth, NoMove, beta, LowerBound, u32(node.mateThreat), 0);
                return beta;
            }
            // Passing gets the side mated at once: a threat to search out.
            if (v == ply - NotMatedScore) node.mateThreat = 1;
        }
    }

    node.fullExtensions = nodeKind == 0 || ply <= 2 * IterationDepth;

    // In check the evasions are all there is.
    node.singleReply = NoMove;
    if (inCheck) {
        GenerateEvasions();
        const i32 evasions = MoveStackTop - node.moveStackBase;
        if (evasions == 0) return ply - MateScore;
        if (evasions == 1) {
            // Taking a queen is no forced reply unless that queen was just
            // promoted by our own previous move.
            const Move only = MoveStack[node.moveStackBase].move;
            const bool takesQueen = MoveCaptured(only) == QUEEN;
            if (!takesQueen ||
                (GamePly > 1 && MovePromotion(GameHistory[GamePly - 2].Move) != EMPTY))
                node.singleReply = only;
        }
    }

    // A child that already proves the cutoff without a search.
    if (nodeKind != 0 && depth > 240 &&
        ProbeChildCutoffs(beta, eval, node.fullExtensions, node.mateThreat, depth,
                          &PlyStack[ply].BestMove, node.hashMove, node.singleReply,
                          node.historyHalf, 0, node.alertMaps, alpha - eval)) {
        MoveStackTop = node.moveStackBase;
        return ProbedBoundScore;
    }

    if (node.hashMove == NoMove) node.hashMove = node.singleReply;

    // A reduced move whose passing loses to a mate is searched a ply deeper.
    if (ply > 0 && (PlyStack[ply - 1].ExtFlags & ExtReduced) && node.mateThreat) depth += OnePly;

    // Internal iterative deepening: without a move to try first, a shallow
    // search of this same position finds one.
    if (depth >= 300 && node.hashMove == NoMove) {
        const auto searchAborted = [&]() {
            if (!board.SearchAbort) return false;
            MoveStackTop = node.moveStackBase;
            return true;
        };
        if (nodeKind == 0) {
            QuiescenceSearch(alpha - 50, beta + 50, 0, 0);
            if (searchAborted()) return 0;
            if (PlyStack[ply].BestMove == NoMove) {
                const i32 d = std::clamp(depth - 240, 60, 240);
                const i32 v = Search(alpha - 50, beta + 50, d, 0, 0);
                if (searchAborted()) return 0;
                if (v <= alpha - 50) {
                    Search(-MateScore, beta, d, 0, 0);
                    if (searchAborted()) return 0;
                }
            }
        } else if (eval + 50 > alpha) {
            QuiescenceSearch(alpha - 100, beta, 0, 0);
            if (searchAborted()) return 0;
            if (PlyStack[ply].BestMove == NoMove) {
                const i32 d = std::clamp(depth - 600, 60, 120);
                const i32 v = Search(alpha - 100, beta, d, 0, 0);
                if (searchAborted()) return 0;
                if (v <= alpha - 100) {
                    Search(-MateScore, beta, d, 0, 0);
                    if (searchAborted()) return 0;
                }
            }
        }
        node.hashMove = PlyStack[ply].BestMove;
        PlyStack[ply].BestMove = NoMove;
    }

    node.alpha = alpha;
    node.beta = beta;
    node.depth = depth;
    return SearchMoveLoop(node);
}
