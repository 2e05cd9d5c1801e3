// Endings with little material: recognisers that settle the score alone,
// the cannot-win flags, and the material term with the mop-up bonuses.
#include "eval/endgame.h"

#include <cstdlib>

#include "board/attacks.h"
#include "board/board.h"
#include "board/pawn_square_masks.h"
#include "board/search_state.h"
#include "eval/bitbases.h"
#include "eval/eval_info.h"
#include "eval/eval_params.h"
#include "eval/material_table.h"
#include "eval/rook_pawn.h"

namespace {

i32 KingDistance(Square a, Square b) {
    const i32 files = std::abs(FileOf(a) - FileOf(b));
    const i32 ranks = std::abs(RankOf(a) - RankOf(b));
    return files > ranks ? files : ranks;
}

// Rank of a square counted from the side's own first rank.
i32 RelativeRank(Side side, Square sq) { return side == WHITE ? RankOf(sq) : 7 - RankOf(sq); }

// A pawn's step, and the file and the span of three files in front of a
// square, in the side's direction of travel.
i32 Forward(Side side) { return side == WHITE ? 8 : -8; }
u64 FileAhead(Side side, Square sq) { return side == WHITE ? FileAbove[sq] : FileBelow[sq]; }
u64 SpanAhead(Side side, Square sq) { return side == WHITE ? SpanAbove[sq] : SpanBelow[sq]; }

// The most advanced pawn of a set: White's highest square, Black's lowest.
Square LeadingPawn(Side side, u64 pawns) {
    return side == WHITE ? HighestSquare(pawns) : LowestSquare(pawns);
}

// The value a side's advantage has for the side to move.
i32 ForSideToMove(Side favoured, i32 value) {
    return board.SideToMove == favoured ? value : -value;
}

// A value in the evaluation's black-minus-white sense for a side's gain.
i32 BlackMinusWhite(Side favoured, i32 value) { return favoured == BLACK ? value : -value; }

i32 DrawValueForSideToMove() { return board.SideToMove == EngineSide ? DrawScore : -DrawScore; }

// Does the pawn of pawnSide win by simply running, its own king on
// strongKing and the lone king on weakKing? The king-and-pawn tables see
// the pawn as White's; a Black pawn's position is turned round.
i32 ProbeRun(Side pawnSide, Square pawn, Square strongKing, Square weakKing) {
    if (pawnSide == WHITE)
        return ProbePawnBitbaseBWithFileRule(board.SideToMove, pawn, strongKing, weakKing,
                                             &eval_info.symmetric);
    return ProbePawnBitbaseBWithFileRule(1 - board.SideToMove, 63 - pawn, 63 - strongKing,
                                         63 - weakKing, &eval_info.symmetric);
}

// Whether a king-and-pawn position is won, with the same orientation.
i32 ProbeWin(Side pawnSide, Square pawn, Square strongKing, Square weakKing) {
    if (pawnSide == WHITE)
        return ProbePawnBitbaseA(board.SideToMove, pawn, strongKing, weakKing,
                                 &eval_info.symmetric);
    return ProbePawnBitbaseA(1 - board.SideToMove, 63 - pawn, 63 - strongKing, 63 - weakKing,
                             &eval_info.symmetric);
}

// The result of a recogniser that settled the position.
enum class Verdict { None, Settled };

Verdict Settle(i32* score, i32 value) {
    *score = value;
    return Verdict::Settled;
}

// King and a single pawn against a bare king: the bitbase knows.
Verdict KingPawnAgainstKing(Side pawnSide, i32* score) {
    const Side loneSide = ChangeSide(pawnSide);
    if (board.PieceCount[PAWN][pawnSide] != 1 || board.Material[loneSide] != 0 ||
        board.NonPawnUnits[pawnSide] != 0)
        return Verdict::None;
    // The turned-round probe answers for Black; the other side to move's
    // score is never derived from it.
    if (pawnSide == BLACK) eval_info.symmetric = 0;
    const Square pawn = LowestSquare(board.Bitboards[PAWN][pawnSide]);
    if (!ProbeWin(pawnSide, pawn, board.KingSquare[pawnSide], board.KingSquare[loneSide]))
        return Settle(score, 0);
    const i32 value = KnownWinBonus + (RelativeRank(pawnSide, pawn) - 1) * 50;
    return Settle(score, ForSideToMove(pawnSide, value));
}

// A lone pawn of blockedSide stopped by the enemy king on its file, with no
// enemy pawn in front of it to meet, while the enemy has pawns that may run
// to promotion alone. Pawns only on both sides.
Verdict BlockedPawnAgainstRunners(Side blockedSide, i32* score) {
    const Side runnerSide = ChangeSide(blockedSide);
    const u64 runnerPawns = board.Bitboards[PAWN][runnerSide];
    if (board.PieceCount[PAWN][blockedSide] != 1 || board.NonPawnUnits[WHITE] != 0 ||
        board.NonPawnUnits[BLACK] != 0 || runnerPawns == 0)
        return Verdict::None;
    const Square blocked = LowestSquare(board.Bitboards[PAWN][blockedSide]);
    const Square runnerKing = board.KingSquare[runnerSide];
    const Square blockedKing = board.KingSquare[blockedSide];
    if (!(FileAhead(blockedSide, blocked) & SquareBit(runnerKing)) ||
        (SpanAhead(blockedSide, blocked) & runnerPawns))
        return Verdict::None;

    // The runner's own men must leave its file clear, and no enemy pawn may
    // stand in front of it or beside its path.
    i32 tally = -100;
    bool won = false;
    u64 pawns = runnerPawns;
    while (pawns) {
        const Square pawn = PopLowest(pawns);
        if (!(SpanAhead(runnerSide, pawn) & board.Bitboards[PAWN][blockedSide]) &&
            !(FileAhead(runnerSide, pawn) & board.Bitboards[0][runnerSide]) &&
            ProbeRun(runnerSide, pawn, runnerKing, blockedKing)) {
            tally += (RelativeRank(runnerSide, pawn) - 1) * 50;
            won = true;
        }
        tally += 100;
    }
    if (!won) return Verdict::None;
    return Settle(score, ForSideToMove(runnerSide, tally + KnownWinBonus));
}

// Opposite-coloured bishops, two connected pawns against none, blockaded by
// the defending king and bishop. Squares are given as for Black's pawns
// (moving down); the caller flips the board for White's.
bool PawnPairBlockaded(Square low, Square high, Square defenderKing, Square defenderBishop,
                       u64 bishopAttacks) {
    if (low < 8) return false;
    const auto covers = [&](Square sq) {
        return sq == defenderBishop || (bishopAttacks & SquareBit(sq));
    };
    if (FileOf(low) == 0 && FileOf(high) == 1 && high == low + 9 && defenderKing == high - 8)
        return true;
    if (FileOf(low) == 7 && FileOf(high) == 6 && high == low + 7 && defenderKing == high - 8)
        return true;
    const bool diagonalNeighbours = (high == low + 9 && FileOf(low) != 7) ||
                                    (high == low + 7 && FileOf(low) != 0);
    if (!diagonalNeighbours) return false;
    return (defenderKing == low - 8 && covers(high - 8)) ||
           (defenderKing == high - 8 && covers(low - 8));
}

Square FlipRanks(Square sq) { return sq ^ 56; }
u64 FlipRanks(u64 set) { return __builtin_bswap64(set); }

Verdict OppositeBishopsPawnPair(i32* score) {
    if (board.NonPawnUnits[WHITE] != 3 || board.NonPawnUnits[BLACK] != 3 ||
        board.PieceCount[BISHOP][WHITE] != 1 || board.PieceCount[BISHOP][BLACK] != 1)
        return Verdict::None;
    const Square bishop[2] = {LowestSquare(board.Bitboards[BISHOP][WHITE]),
                              LowestSquare(board.Bitboards[BISHOP][BLACK])};
    if (SquareIsDark[bishop[WHITE]] == SquareIsDark[bishop[BLACK]]) return Verdict::None;

    for (Side pawnSide : {BLACK, WHITE}) {
        const Side defender = ChangeSide(pawnSide);
        const u64 pawns = board.Bitboards[PAWN][pawnSide];
        if (board.PieceCount[PAWN][pawnSide] != 2 || board.PieceCount[PAWN][defender] != 0)
            continue;
        // Both pawns on the colour of their own bishop.
        const u64 bishopColour = SquareIsDark[bishop[pawnSide]] ? DarkSquares : LightSquares;
        if ((pawns & bishopColour) != pawns) continue;

        Square low = LowestSquare(pawns), high = HighestSquare(pawns);
        Square defenderKing = board.KingSquare[defender];
        Square defenderBishop = bishop[defender];
        u64 attacks = BishopAttacksFrom(defenderBishop);
        if (pawnSide == WHITE) {
            // Seen upside down, White's pawns move down like Black's.
            const Square flippedLow = FlipRanks(high), flippedHigh = FlipRanks(low);
            low = flippedLow;
            high = flippedHigh;
            defenderKing = FlipRanks(defenderKing);
            defenderBishop = FlipRanks(defenderBishop);
            attacks = FlipRanks(attacks);
        }
        if (!PawnPairBlockaded(low, high, defenderKing, defenderBishop, attacks)) continue;
        eval_info.symmetric = 0;
        // The blockade holds unless the attacker is to move with its king
        // already at the defending bishop.
        if (board.SideToMove == defender ||
            !(KingAttacks[board.KingSquare[pawnSide]] & SquareBit(bishop[defender])))
            return Settle(score, 0);
    }
    return Verdict::None;
}

// One pawn on the board. Opposite-coloured bishops: the defending bishop on
// the pawn's path, or the defending king in front of a pawn not yet far
// advanced, draws. Bishop and pawn against knight: a pawn that does not
// simply run home is stopped when the knight reaches its path in time.
Verdict SinglePawnMinorEnding(i32* score) {
    const Side pawnSide = board.PieceCount[PAWN][WHITE] == 1 ? WHITE : BLACK;
    const Side defender = ChangeSide(pawnSide);
    const Square pawn = LowestSquare(board.Bitboards[PAWN][pawnSide]);
    const Square pawnKing = board.KingSquare[pawnSide];
    const Square defenderKing = board.KingSquare[defender];

    if (board.PieceCount[BISHOP][WHITE] == 1 && board.PieceCount[BISHOP][BLACK] == 1) {
        const Square pawnBishop = LowestSquare(board.Bitboards[BISHOP][pawnSide]);
        const Square defenderBishop = LowestSquare(board.Bitboards[BISHOP][defender]);
        if (SquareIsDark[pawnBishop] == SquareIsDark[defenderBishop]) return Verdict::None;
        eval_info.symmetric = 0;
        // With the defender to move the pawn counts one step further back.
        const Square counted = board.SideToMove == defender ? pawn - Forward(pawnSide) : pawn;
        const u64 path = FileAhead(pawnSide, counted);
        if ((BishopAttacksFrom(defenderBishop) & path) ||
            (RelativeRank(pawnSide, counted) <= 4 && (path & SquareBit(defenderKing))))
            return Settle(score, 0);
        return Verdict::None;
    }

    if (board.NonPawnUnits[pawnSide] != 3 || board.PieceCount[BISHOP][pawnSide] != 1 ||
        board.NonPawnUnits[defender] != 3 || board.PieceCount[KNIGHT][defender] != 1)
        return Verdict::None;
    eval_info.symmetric = 0;
    if (ProbeRun(pawnSide, pawn, pawnKing, defenderKing)) return Verdict::None;

    // The pawn side to move pushes first: two squares from its second rank
    // when both are free, else one when the square ahead is free.
    const i32 forward = Forward(pawnSide);
    Square target = pawn;
    if (board.SideToMove == pawnSide && RelativeRank(pawnSide, pawn) < 7 &&
        board.Squares[pawn + forward] == EMPTY) {
        target = pawn + forward;
        if (RelativeRank(pawnSide, pawn) == 1 && board.Squares[target + forward] == EMPTY)
            target += forward;
    }
    const Square knight = LowestSquare(board.Bitboards[KNIGHT][defender]);
    if (RelativeRank(pawnSide, target) < 7) {
        // The masks are laid out for a pawn moving down; White's turn round.
        const bool stopped =
            pawnSide == BLACK
                ? (KnightStopMask[target][pawnKing] & SquareBit(knight)) != 0
                : (KnightStopMask[63 - target][63 - pawnKing] & SquareBit(63 - knight)) != 0;
        if (stopped) return Settle(score, 0);
        return Verdict::None;
    }
    // Promoted: the knight takes the new queen unless king or bishop guards it.
    const Square pawnBishop = LowestSquare(board.Bitboards[BISHOP][pawnSide]);
    if ((KnightAttacks[target] & board.Bitboards[KNIGHT][defender]) ||
        (!(KingAttacks[pawnKing] & SquareBit(target)) &&
         !(BishopAttacksFrom(pawnBishop) & SquareBit(target))))
        return Settle(score, 0);
    return Verdict::None;
}

// A side that can move nothing but its king, boxed in on the edge.
Verdict ImmobileSide(i32* score) {
    i32 which = 0;
    if (!HasMobileMaterial(WHITE))
        which = WhiteImmobile;
    else if (!HasMobileMaterial(BLACK))
        which = BlackImmobile;
    if (which == 0) return Verdict::None;
    switch (PawnEndgameDrawCheck(which)) {
        case EdgeStalemate:
            eval_info.cacheable = 0;
            return Settle(score, DrawValueForSideToMove());
        case EdgeWhiteMated:
        case EdgeBlackMated:
            eval_info.cacheable = 0;
            return Settle(score, SearchPly - MateScore);
        default: return Verdict::None;
    }
}

// Lone rook against king and pawns. Counts the pawns the rook cannot stop
// (race checks) and either settles the score or leaves an extra term, in
// the black-minus-white sense, in *extra.
Verdict RookAgainstPawns(i32* score, i32* extra) {
    Side pawnSide;
    if (board.NonPawnUnits[WHITE] == 0 && board.PieceCount[PAWN][WHITE] > 0 &&
        board.NonPawnUnits[BLACK] == 5 && board.PieceCount[ROOK][BLACK] == 1 &&
        board.PieceCount[PAWN][BLACK] == 0)
        pawnSide = WHITE;
    else if (board.NonPawnUnits[BLACK] == 0 && board.PieceCount[PAWN][BLACK] > 0 &&
             board.NonPawnUnits[WHITE] == 5 && board.PieceCount[ROOK][WHITE] == 1 &&
             board.PieceCount[PAWN][WHITE] == 0)
        pawnSide = BLACK;
    else
        return Verdict::None;
    const Side rookSide = ChangeSide(pawnSide);
    // The race checks look a move ahead for the side to move.
    eval_info.symmetric = 0;

    const Square rook = LowestSquare(board.Bitboards[ROOK][rookSide]);
    const Square pawnKing = board.KingSquare[pawnSide];
    const Square rookKing = board.KingSquare[rookSide];
    const u64 allPawns = board.Bitboards[PAWN][pawnSide];
    const i32 pawnCount = board.PieceCount[PAWN][pawnSide];

    i32 counted = 0, unstoppable = 0;
    bool someFree = false, someRunnerWins = false;
    u64 pawns = allPawns;
    while (pawns) {
        const Square pawn = PopLowest(pawns);
        counted++;
        // A pawn whose path the rook side's king does not touch may run.
        if (!(KingAttacks[rookKing] & FileAhead(pawnSide, pawn))) {
            someFree = true;
            if (ProbeRun(pawnSide, pawn, pawnKing, rookKing)) someRunnerWins = true;
        }
        const i32 race = pawnSide == WHITE ? WhitePawnRaceCheck(pawn, rook)
                                           : BlackPawnRaceCheck(pawn, rook);
        if (race == RacePawnHolds && ++unstoppable == 3) break;
    }

    i32 rookGain;  // in the rook side's favour
    if (unstoppable == 0) {
        if (pawnCount == 1)
            rookGain = RookStopsLonePawn;
        else if (someRunnerWins)
            rookGain = 0;
        else if (someFree)
            rookGain = RookStopsPawnsFree * pawnCount;
        else
            rookGain = RookStopsPawnsBlocked * pawnCount;
    } else if (unstoppable == 1) {
        if (pawnCount == 1) return Settle(score, 0);
        // The rook's value shrinks with the number of pawns, with the rank of
        // the pawn furthest back and with the pawn side's king beside it. Of
        // several pawns on that rank the one nearest the a-file counts.
        Square rear;
        if (pawnSide == WHITE) {
            rear = LowestSquare(allPawns);
        } else {
            const i32 rank = RankOf(HighestSquare(allPawns));
            rear = LowestSquare(allPawns & (u64(0xFF) << (8 * rank)));
        }
        i64 value = i64(RookPawnBase) - i64(RookPawnCountWeight) * counted / 256 -
                    i64(RookPawnRankWeight) * RelativeRank(pawnSide, rear) / 256;
        if (std::abs(FileOf(pawnKing) - FileOf(rear)) <= 1) value -= RookPawnKingNear;
        return Settle(score, ForSideToMove(rookSide, SaturateToI32(value)));
    } else if (unstoppable == 2) {
        rookGain = -RookVsTwoRunners;
    } else {
        rookGain = -RookVsManyRunners;
    }
    *extra = BlackMinusWhite(rookSide, rookGain);
    return Verdict::None;
}

bool QueenAttacksBoth(Square queen, Square first, Square second) {
    const u64 attacks = QueenAttacksFrom(queen);
    return (attacks & SquareBit(first)) && (attacks & SquareBit(second));
}

// Lone white queen against a black pawn on its seventh rank (a2, c2, f2,
// h2) with the black king beside it: the drawn zones of the white king.
bool WhiteQueenCannotWinAgainstPawn(Square pawn, Square queen) {
    const Square wk = board.KingSquare[WHITE], bk = board.KingSquare[BLACK];
    const i32 file = FileOf(wk), rank = RankOf(wk);
    const bool whiteToMove = board.SideToMove == WHITE;
    const i32 t = whiteToMove ? 1 : 0;
    switch (pawn) {
        case A2: return file > 3 + t || rank > 3 + t;
        case H2: return file < 4 - t || rank > 3 + t;
        case C2:
            if (bk != C1) return file > 3 || rank > 3 || wk == D4;
            if (whiteToMove) return file > 5 || rank > 4 || wk == E5 || wk == F5;
            return (file > 3 || rank > 3 || wk == D4) && !QueenAttacksBoth(queen, B1, B2);
        case F2:
            // Kept as found: these zones are not the c-pawn's reflected.
            if (bk == F1 && !whiteToMove) return file < 5 || rank > 3 || wk == E4 || wk == F4;
            if (bk == F1) return file < 3 || rank > 4 || wk == D5;
            return (file < 4 || rank > 3 || wk == E4) && !QueenAttacksBoth(queen, G1, G2);
        default: return false;
    }
}

// The same for a lone black queen against a white pawn on a7, c7, f7, h7.
bool BlackQueenCannotWinAgainstPawn(Square pawn, Square queen) {
    const Square wk = board.KingSquare[WHITE], bk = board.KingSquare[BLACK];
    const i32 file = FileOf(bk), rank = RankOf(bk);
    const bool blackToMove = board.SideToMove == BLACK;
    const i32 u = blackToMove ? 1 : 0;
    switch (pawn) {
        case A7: return file > 3 + u || rank < 4 - u;
        case H7: return file < 4 - u || rank < 4 - u;
        case C7:
            if (wk != C8) return file > 3 || rank < 4 || bk == D5;
            if (blackToMove) return file > 5 || rank < 3 || bk == E4 || bk == F4;
            return (file > 3 || rank < 4 || bk == D5) && !QueenAttacksBoth(queen, B8, B7);
        case F7:
            if (wk != F8) return file < 4 || rank < 4 || bk == E5;
            if (blackToMove) return file < 2 || rank < 3 || bk == D4 || bk == C4;
            return (file < 4 || rank < 4 || bk == E5) && !QueenAttacksBoth(queen, G8, G7);
        default: return false;
    }
}

// Queen against a pawn on its seventh rank, the pawn's king beside it on
// the pawn's wing.
Verdict QueenAgainstSeventhRankPawn(i32* score) {
    for (Side queenSide : {WHITE, BLACK}) {
        const Side pawnSide = ChangeSide(queenSide);
        if (board.PieceCount[QUEEN][queenSide] != 1 || board.Material[queenSide] != 900 ||
            board.Material[pawnSide] != 100 || board.PieceCount[PAWN][pawnSide] != 1)
            continue;
        const Square pawn = LowestSquare(board.Bitboards[PAWN][pawnSide]);
        const Square pawnKing = board.KingSquare[pawnSide];
        const i32 file = FileOf(pawn);
        if (RelativeRank(pawnSide, pawn) != 6 || (file != 0 && file != 2 && file != 5 && file != 7))
            continue;
        const bool kingOnWing = file <= 2 ? FileOf(pawnKing) <= 2 : FileOf(pawnKing) >= 5;
        if (RelativeRank(pawnSide, pawnKing) < 6 || !kingOnWing) continue;
        // Which zones draw depends on who is to move.
        eval_info.symmetric = 0;
        const Square queen = LowestSquare(board.Bitboards[QUEEN][queenSide]);
        const bool drawn = queenSide == WHITE ? WhiteQueenCannotWinAgainstPawn(pawn, queen)
                                              : BlackQueenCannotWinAgainstPawn(pawn, queen);
        if (drawn) return Settle(score, 0);
    }
    return Verdict::None;
}

// A side with at most two pawns, all on one rook file, and no piece but
// bishops that miss the promotion square's colour, cannot win when the
// enemy king reaches the corner first; nor can bishops of one colour alone.
bool CannotWinByPosition(Side side) {
    const Side enemy = ChangeSide(side);
    if (board.PieceCount[PAWN][side] >= 3 || board.PieceCount[ROOK][side] != 0 ||
        board.PieceCount[QUEEN][side] != 0 || board.PieceCount[KNIGHT][side] != 0)
        return false;
    const u64 pawns = board.Bitboards[PAWN][side];
    const u64 bishops = board.Bitboards[BISHOP][side];
    if (pawns == 0) return !(bishops & LightSquares) || !(bishops & DarkSquares);

    i32 file;
    if ((pawns & FileMask[0]) == pawns)
        file = 0;
    else if ((pawns & FileMask[7]) == pawns)
        file = 7;
    else
        return false;
    const Square corner = MakeSquare(file, side == WHITE ? 7 : 0);
    const u64 cornerColour = SquareIsDark[corner] ? DarkSquares : LightSquares;
    if (bishops & cornerColour) return false;

    const Square ownKing = board.KingSquare[side], enemyKing = board.KingSquare[enemy];
    i32 enemyDistance = KingDistance(enemyKing, corner);
    if (enemyDistance < 2) return true;
    // The race to the corner depends on who is to move.
    eval_info.symmetric = 0;
    i32 ownDistance = KingDistance(ownKing, corner);
    if (board.SideToMove == side)
        ownDistance--;
    else
        enemyDistance--;
    return enemyDistance < ownDistance &&
           !ProbeRun(side, LeadingPawn(side, pawns), ownKing, enemyKing);
}

// Mop-up for a strong side against a pawnless or bare one, in the
// black-minus-white sense. Returns whether the bishop-and-knight term ran.
bool AddMopUp(Side strong, i32* total) {
    const Side weak = ChangeSide(strong);
    if (board.NonPawnUnits[strong] <= 4 || !eval_info.ENDING[strong]) return false;
    const Square weakKing = board.KingSquare[weak];
    if (board.PieceCount[PAWN][weak] == 0 &&
        board.NonPawnUnits[strong] - board.NonPawnUnits[weak] > 2) {
        i32 bonus = MopUpBonus + MopUpExtra -
                    KingDistance(board.KingSquare[WHITE], board.KingSquare[BLACK]) *
                        MopUpKingDistanceWeight;
        if (board.MajorUnits[weak] == 0) bonus += MopUpNoMajorsBonus;
        *total += BlackMinusWhite(strong, bonus);
    }
    if (board.Material[weak] != 0) return false;
    *total += BlackMinusWhite(strong, BareKingBonus);
    if (board.Material[strong] != 600 || board.PieceCount[BISHOP][strong] == 0 ||
        board.PieceCount[KNIGHT][strong] == 0)
        return false;
    // Bishop and knight mate only in a corner of the bishop's colour.
    const Square bishop = LowestSquare(board.Bitboards[BISHOP][strong]);
    const bool lightBishop = !SquareIsDark[bishop];
    const Square cornerA = lightBishop ? A8 : A1, cornerB = lightBishop ? H1 : H8;
    const i32 distanceA = KingDistance(weakKing, cornerA);
    const i32 distanceB = KingDistance(weakKing, cornerB);
    const i32 nearest = distanceA < distanceB ? distanceA : distanceB;
    *total += BlackMinusWhite(strong, BishopKnightMateBonus - nearest * BishopKnightCornerWeight);
    return true;
}

// A knight is poor at holding pawns on both wings.
void AddKnightBothWings(i32* total) {
    const u64 queenSide = FileMask[0] | FileMask[1] | FileMask[2];
    const u64 kingSide = FileMask[5] | FileMask[6] | FileMask[7];
    if (!(board.AllPawns & queenSide) || !(board.AllPawns & kingSide)) return;
    for (Side side : {WHITE, BLACK}) {
        const Side enemy = ChangeSide(side);
        if (board.NonPawnUnits[side] >= 9 || board.PieceCount[KNIGHT][side] == 0) continue;
        const i32 against = side == WHITE ? 1 : -1;
        if (board.NonPawnUnits[side] < board.NonPawnUnits[enemy]) {
            *total += against * KnightBothWingsPenalty;
            if (board.NonPawnUnits[side] == 3) *total += against * KnightBothWingsPenalty;
        }
        if (board.MajorUnits[side] < board.MajorUnits[enemy])
            *total += against * (KnightBothWingsPenalty >> 3);
    }
}

}  // namespace

i32 EvaluateEndgameMaterial(i32* score, i32* final) {
    *final = 1;

    // Cannot-win flags of the material alone.
    const MaterialEntry& entry = MaterialEntryFor(board.MaterialIndex);
    board.CannotWin[WHITE] = entry.flags[WHITE] & CannotWinFlag;
    board.CannotWin[BLACK] = entry.flags[BLACK] & CannotWinFlag;
    if (board.CannotWin[WHITE] && board.CannotWin[BLACK]) {
        eval_info.cacheable = 0;
        *score = DrawValueForSideToMove();
        return 0;
    }

    // Endings known outright, in order; the first that applies decides.
    if (KingPawnAgainstKing(WHITE, score) == Verdict::Settled) return 0;
    if (BlockedPawnAgainstRunners(WHITE, score) == Verdict::Settled) return 0;
    if (KingPawnAgainstKing(BLACK, score) == Verdict::Settled) return 0;
    if (BlockedPawnAgainstRunners(BLACK, score) == Verdict::Settled) return 0;
    if (OppositeBishopsPawnPair(score) == Verdict::Settled) return 0;
    if (board.PieceCount[PAWN][WHITE] + board.PieceCount[PAWN][BLACK] == 1 &&
        SinglePawnMinorEnding(score) == Verdict::Settled)
        return 0;
    if (ImmobileSide(score) == Verdict::Settled) return 0;
    i32 extra = 0;
    if (RookAgainstPawns(score, &extra) == Verdict::Settled) return 0;
    if (QueenAgainstSeventhRankPawn(score) == Verdict::Settled) return 0;

    // Cannot-win flags of the position.
    if (CannotWinByPosition(WHITE)) board.CannotWin[WHITE] = 1;
    if (CannotWinByPosition(BLACK)) board.CannotWin[BLACK] = 1;
    if (board.CannotWin[WHITE] && board.CannotWin[BLACK]) {
        *score = 0;
        return 0;
    }

    // Material, phases and ENDING flags.
    const i32 material = HasMaterialEntry(board.MaterialIndex)
                             ? entry.score - board.Material[WHITE] + board.Material[BLACK]
                             : EvaluateMaterial();
    eval_info.material = material;
    i32 total = extra + material;
    LoadMaterialTableEntry();

    // Drive a lone or pawnless king to the edge.
    const bool blackMates = AddMopUp(BLACK, &total);
    const bool whiteMates = AddMopUp(WHITE, &total);
    if (!blackMates && !whiteMates) {
        const i32 unitLead = board.NonPawnUnits[BLACK] - board.NonPawnUnits[WHITE];
        if (board.PieceCount[PAWN][WHITE] == 0 && unitLead > 2)
            total += LoneKingEdgeBonus[board.KingSquare[WHITE]];
        else if (board.PieceCount[PAWN][BLACK] == 0 && unitLead < -2)
            total -= LoneKingEdgeBonus[board.KingSquare[BLACK]];
    }

    board.AllPawns = board.Bitboards[PAWN][WHITE] | board.Bitboards[PAWN][BLACK];
    AddKnightBothWings(&total);

    *final = 0;
    return total;
}
