// Passed pawns and pawn races.
#include "eval/passed_pawns.h"

#include "board/attacks.h"
#include "board/board.h"
#include "board/pawn_square_masks.h"
#include "eval/bitbases.h"
#include "eval/eval_info.h"
#include "eval/eval_params.h"
#include "eval/pawn_structure.h"
#include "eval/scaling.h"

namespace {

// Distance of a side that has no runner.
constexpr i32 NoRunner = 99;

// A race is scored by the moves the winner has to spare: 8 per move within
// the first five.
constexpr i32 RaceMoveValue = 8;
constexpr i32 RaceMoveHorizon = 5;

// Enemy piece units from which a passer's king escort no longer races.
constexpr i32 KingRaceUnitLimit = 9;
// Enemy piece units up to which several passers earn a bonus of their own.
constexpr i32 FewPiecesUnits = 3;
// Enemy piece units up to which a supported runner earns a bonus.
constexpr i32 SupportedRunnerUnitLimit = 9;

// Who stands against the passers of a side.
enum class Opposition {
    Pieceless,    // no knight, bishop, rook or queen: a pawn ending for the passer
    KnightsOnly,  // knights and nothing else
    General,      // anything else
};

struct Runner {
    i32 distance = NoRunner;  // moves to promotion, adjusted for the side to move
    Square square = 0;        // the runner's square
};

i32 KingDistance(Square a, Square b) {
    const i32 files = FileOf(a) > FileOf(b) ? FileOf(a) - FileOf(b) : FileOf(b) - FileOf(a);
    const i32 ranks = RankOf(a) > RankOf(b) ? RankOf(a) - RankOf(b) : RankOf(b) - RankOf(a);
    return files > ranks ? files : ranks;
}

i32 RelativeRank(Side side, Square sq) { return side == WHITE ? RankOf(sq) : 7 - RankOf(sq); }
i32 Forward(Side side) { return side == WHITE ? 8 : -8; }

// Squares of the pawn's file in front of it, and behind it.
u64 PathAhead(Side side, Square sq) { return side == WHITE ? FileAbove[sq] : FileBelow[sq]; }
u64 PathBehind(Side side, Square sq) { return side == WHITE ? FileBelow[sq] : FileAbove[sq]; }
// Squares in front of the pawn on its own and the neighbouring files.
u64 SpanAhead(Side side, Square sq) { return side == WHITE ? SpanAbove[sq] : SpanBelow[sq]; }

// Index of the by-square tables, which are laid out for a black pawn.
i32 TableSquare(Side side, Square sq) { return side == WHITE ? 63 - sq : sq; }
// The king-and-pawn bitbases see the pawn as White's; a black pawn's
// position is turned round.
Square BitbaseSquare(Side side, Square sq) { return side == WHITE ? sq : 63 - sq; }
i32 BitbaseSide(Side pawnSide) { return board.SideToMove == pawnSide ? 0 : 1; }
// The knight-stop masks see the pawn as Black's; a white pawn's position is
// turned round.
i32 KnightMaskSquare(Side side, Square sq) { return side == WHITE ? 63 - sq : sq; }

u64 Occupied() { return board.Bitboards[0][WHITE] | board.Bitboards[0][BLACK]; }

i32 PawnPushIsSafe(Side side, Square sq) {
    return side == WHITE ? WhitePawnPushIsSafe(sq) : BlackPawnPushIsSafe(sq);
}

// Kings inside the square of a pawn of the side: with the pawn's side to
// move (exact), or with the king's side to move (wide).
u64 KingInSquare(Side side, Square sq) {
    return side == WHITE ? KingInSquareWhite[sq] : KingInSquareBlack[sq];
}
u64 KingInSquareWide(Side side, Square sq) {
    return side == WHITE ? KingInSquareWhiteWide[sq] : KingInSquareBlackWide[sq];
}
// The wide square of the square `ranksBack` ranks behind sq. A square off
// the board has the empty mask, as the first and last ranks have: no king
// is inside it.
u64 KingInWideSquareBehind(Side side, Square sq, i32 ranksBack) {
    if (RelativeRank(side, sq) - ranksBack < 0) return 0;
    return KingInSquareWide(side, sq - Forward(side) * ranksBack);
}

// The bitbase probes for a pawn of `pawnSide`, the side to move taken from
// the board.
bool PawnWins(Side pawnSide, Square pawn) {
    return ProbePawnBitbaseA(BitbaseSide(pawnSide), BitbaseSquare(pawnSide, pawn),
                             BitbaseSquare(pawnSide, board.KingSquare[pawnSide]),
                             BitbaseSquare(pawnSide, board.KingSquare[ChangeSide(pawnSide)]),
                             &eval_info.symmetric) != 0;
}
bool PawnRuns(Side pawnSide, Square pawn) {
    return ProbePawnBitbaseB(BitbaseSide(pawnSide), BitbaseSquare(pawnSide, pawn),
                             BitbaseSquare(pawnSide, board.KingSquare[pawnSide]),
                             BitbaseSquare(pawnSide, board.KingSquare[ChangeSide(pawnSide)]),
                             &eval_info.symmetric) != 0;
}
bool PawnRunsByFileRule(Side pawnSide, Square pawn, Square weakKing) {
    return ProbePawnBitbaseBWithFileRule(BitbaseSide(pawnSide), BitbaseSquare(pawnSide, pawn),
                                         BitbaseSquare(pawnSide, board.KingSquare[pawnSide]),
                                         BitbaseSquare(pawnSide, weakKing),
                                         &eval_info.symmetric) != 0;
}

Opposition OppositionOf(Side enemy) {
    const bool others = board.PieceCount[BISHOP][enemy] || board.PieceCount[ROOK][enemy] ||
                        board.PieceCount[QUEEN][enemy];
    if (others) return Opposition::General;
    return board.PieceCount[KNIGHT][enemy] ? Opposition::KnightsOnly : Opposition::Pieceless;
}

// Moves a passer needs, less one when its side is to move (and one more for
// the double step from its first rank then).
i32 MovesToPromote(Side side, Square sq) {
    i32 moves = 7 - RelativeRank(side, sq);
    if (board.SideToMove == side) {
        moves--;
        if (RelativeRank(side, sq) == 1) moves--;
    }
    return moves;
}

// A pawn ending: can the lone enemy king stop the passer on sq, and if not,
// in how many moves does it queen? Returns NoRunner for a stoppable passer.
i32 RunnerDistance(Side us, Square sq) {
    const Side them = ChangeSide(us);
    const Square ownKing = board.KingSquare[us];
    const Square enemyKing = board.KingSquare[them];
    const bool usToMove = board.SideToMove == us;
    const u64 path = PathAhead(us, sq);
    const u64 ownOnPath = path & board.Bitboards[0][us];
    eval_info.symmetric = 0;

    if (ownOnPath) {
        // The own men in front have to step aside; the rule of the square
        // decides whether the king catches the pawn meanwhile.
        const u64 square = usToMove ? KingInSquare(us, sq) : KingInSquareWide(us, sq);
        if (square & SquareBit(enemyKing)) return NoRunner;
    } else {
        // With the enemy king on its last rank, the own king two squares in
        // front of it and an own pawn between them, the enemy king cannot
        // move at all, which the one-pawn run table does not see; the
        // passer then counts as free.
        const Square between = enemyKing - Forward(us);
        const bool kingsFaceOverPawn =
            RelativeRank(us, enemyKing) == 7 && ownKing == enemyKing - 2 * Forward(us) &&
            (board.Bitboards[PAWN][us] & SquareBit(between)) != 0 && enemyKing != sq + Forward(us);
        if (!kingsFaceOverPawn && !PawnRuns(us, sq)) return NoRunner;
    }

    i32 distance = MovesToPromote(us, sq);
    if (!ownOnPath) {
        // The enemy king in front but unable to catch the pawn is held off by
        // our king, and the new queen appears beside it: a tempo for the race.
        if (SpanAhead(us, sq) & SquareBit(enemyKing)) distance--;
        return distance;
    }

    const i32 blockers = PopCount(ownOnPath);
    const i32 file = FileOf(sq);
    i32 kingFileGap = FileOf(ownKing) - FileOf(enemyKing);
    if (kingFileGap < 0) kingFileGap = -kingFileGap;
    // A rook pawn behind its own king: the enemy king reaches the corner.
    if ((file == 0 || file == 7) && (ownOnPath & SquareBit(ownKing)) &&
        kingFileGap < (usToMove ? 3 : 4))
        return NoRunner;
    if (blockers + distance > (usToMove ? 8 : 7)) return NoRunner;
    const i32 ranksBack = usToMove ? blockers - 1 : blockers;
    if (KingInWideSquareBehind(us, sq, ranksBack) & SquareBit(enemyKing)) return NoRunner;
    return distance + blockers;
}

// Against knights only: after the side to move's push, can a knight reach
// the pawn's path in time (or fork king and new queen)?
bool KnightStopsRunner(Side us, Square target) {
    const Side them = ChangeSide(us);
    const Square ownKing = board.KingSquare[us];
    const bool promoted = RelativeRank(us, target) == 7;
    u64 knights = board.Bitboards[KNIGHT][them];
    while (knights) {
        const Square knight = PopLowest(knights);
        if (promoted) {
            if (KnightAttacks[knight] & SquareBit(target)) return true;
            if (KnightAttacks[knight] & KnightAttacks[ownKing] & KnightAttacks[target]) return true;
        } else if (KnightStopMask[KnightMaskSquare(us, target)][KnightMaskSquare(us, ownKing)] &
                   SquareBit(KnightMaskSquare(us, knight))) {
            return true;
        }
    }
    return false;
}

// The most advanced passer of a side on the lowest (or highest) file that
// holds one; the set must not be empty.
Square OutermostPasser(Side side, u64 passers, bool lowestFile) {
    i32 file = lowestFile ? 0 : 7;
    while (!(passers & FileMask[file])) file += lowestFile ? 1 : -1;
    const u64 onFile = passers & FileMask[file];
    return side == WHITE ? HighestSquare(onFile) : LowestSquare(onFile);
}

// Two passers at least two files apart: a lone king that takes one cannot
// catch the other. The slower of the two then counts as the runner.
void ConsiderDistantPassers(Side us, Runner& best) {
    const u64 passers = eval_info.passed_pawns[us];
    if (!passers) return;
    const Square left = OutermostPasser(us, passers, true);
    const Square right = OutermostPasser(us, passers, false);
    if (FileOf(right) - FileOf(left) <= 1) return;

    i32 leftDistance = MovesToPromote(us, left);
    i32 rightDistance = MovesToPromote(us, right);
    const u64 ownKing = SquareBit(board.KingSquare[us]);
    if (PathAhead(us, left) & ownKing)
        leftDistance++;
    else if (PathAhead(us, right) & ownKing)
        rightDistance++;
    const Runner slower =
        leftDistance >= rightDistance ? Runner{leftDistance, left} : Runner{rightDistance, right};

    if (PawnRunsByFileRule(us, left, right) && slower.distance < best.distance) best = slower;
    if (PawnRunsByFileRule(us, right, left) && slower.distance < best.distance) best = slower;
}

// Every pawn of the side stands with a pawn on its square ahead.
bool AllPawnsBlocked(Side side) {
    const u64 pawns = board.Bitboards[PAWN][side];
    const u64 allPawns = board.Bitboards[PAWN][WHITE] | board.Bitboards[PAWN][BLACK];
    const u64 blockedSquares = side == WHITE ? allPawns >> 8 : allPawns << 8;
    return (pawns & ~blockedSquares) == 0;
}

// Scores the passers of one side and finds its best runner.
i32 EvaluateSidePassers(Side us, i32 total, i32* side_opening, i32* side_endgame, Runner& best) {
    const Side them = ChangeSide(us);
    const i32 sign = us == WHITE ? -1 : 1;  // a term for us, black minus white
    const Opposition opposition = OppositionOf(them);
    const i32 enemyUnits = board.NonPawnUnits[them];
    const Square ownKing = board.KingSquare[us];
    const Square enemyKing = board.KingSquare[them];
    const u64 enemyMen = board.Bitboards[0][them];
    const PawnEntry& entry = board.LastPawnEntry;

    i32 passerCount = 0;     // passers that count toward the several-passers bonus
    i32 supportedCount = 0;  // passers escorted by their king that run

    // The most advanced passer of each file, furthest first.
    u64 passers = eval_info.passed_pawns[us];
    while (passers) {
        const Square sq = us == WHITE ? HighestSquare(passers) : LowestSquare(passers);
        passers &= NotFileMask[FileOf(sq)];
        const i32 file = FileOf(sq);
        const i32 rank = RelativeRank(us, sq);
        const Square ahead = sq + Forward(us);
        const i32 table = TableSquare(us, sq);
        const u64 path = PathAhead(us, sq);

        // Value by rank and file, weighed by the opponent's phase.
        eval_info.optimism[us] += PassedOptimismByRank[rank];
        side_opening[them] -=
            InterpolateByRank(PassedOpeningLow[file], PassedOpeningHigh[file], rank);
        side_endgame[them] -= PassedEndgameBase[file];

        // From the fourth rank on: a safe step forward, and the kings'
        // distances to the square ahead.
        if (rank >= 3) {
            i32 value = PassedEndgameFar[file] - PassedEndgameBase[file];
            if (opposition != Opposition::Pieceless && PawnPushIsSafe(us, sq)) {
                value += FreePushBonus;
                side_opening[them] -= InterpolateByRank(0, FreePushBonus >> 1, rank);
                if (rank == 6) {
                    side_opening[them] -= FreePushBonus >> 2;
                    value += FreePushBonus >> 1;
                }
            }
            value -= KingDistance(ownKing, ahead) * OwnKingPathWeight;
            value += KingDistance(enemyKing, ahead) * EnemyKingPathWeight;
            if (value > 0) side_endgame[them] -= InterpolateByRank(0, value, rank);
        }

        // A rook behind the passer, seen along the file: ours pushes it,
        // theirs holds it back.
        const u64 behind = FileAttacksFrom(sq) & PathBehind(us, sq) & Occupied();
        if (behind & board.Bitboards[ROOK][us]) {
            i32 bonus = RookBehindPasser[table];
            if (enemyMen & SquareBit(ahead)) bonus >>= 1;
            total += sign * bonus;
        } else if (opposition != Opposition::KnightsOnly &&
                   (behind & board.Bitboards[ROOK][them])) {
            total -= sign * EnemyRookBehindPasser[table];
        }

        // The own king beside or in front of the passer escorts it.
        const i32 kingFileGap =
            FileOf(ownKing) > file ? FileOf(ownKing) - file : file - FileOf(ownKing);
        if (kingFileGap < 2) {
            const i32 kingRank = RelativeRank(us, ownKing);
            const u64 enemyDiagonals = board.Bitboards[BISHOP][them] | board.Bitboards[QUEEN][them];
            i32 support = -1;
            if (kingRank > rank)
                support = KingSupportBonus[table];
            else if (kingRank == rank)
                support = KingSupportBonus[table] >> 1;
            else if (kingRank == rank - 1 && !(enemyDiagonals & SquareBit(ahead)))
                support = KingSupportBonus[table] >> 2;
            if (support >= 0) {
                total += sign * support;
                if (PawnRunsByFileRule(us, sq, enemyKing)) supportedCount++;
            }
        }

        // A rook pawn near promotion with the enemy king in its corner.
        if (RookPawnCornerSquares[table] && (path & SquareBit(enemyKing)))
            total -= sign * RookPawnCornerBonus;

        // With pieces on the board: the own king ahead of a passer that
        // runs, and the enemy king further away.
        bool runsAlone = false;
        if (opposition != Opposition::Pieceless && enemyUnits < KingRaceUnitLimit &&
            !(path & Occupied()) && PawnRuns(us, sq)) {
            runsAlone = true;
            if (RelativeRank(us, ownKing) >= rank &&
                KingDistance(enemyKing, sq) > KingDistance(ownKing, sq)) {
                total += sign * ((KingRaceBonus[table] * KingRacePieceFactor[enemyUnits]) >> 3);
                if (opposition == Opposition::General) passerCount++;
            }
        }

        if (opposition == Opposition::Pieceless) {
            passerCount++;
            const i32 distance = (path & enemyMen) ? NoRunner : RunnerDistance(us, sq);
            if (distance != NoRunner) {
                if (distance < best.distance) best = Runner{distance, sq};
            } else if (board.PieceCount[PAWN][them] > 0 && PassedVectorOf(entry, them) == 0 &&
                       !(path & board.Bitboards[PAWN][us]) && PawnWins(us, sq) &&
                       AllPawnsBlocked(them)) {
                // Not a runner, but the king-and-pawn ending is won while the
                // enemy pawns cannot move.
                total += sign * KpkPasserBonus[table];
            }
        } else if (opposition == Opposition::KnightsOnly) {
            passerCount++;
            if (runsAlone) {
                eval_info.symmetric = 0;
                Square target = sq;
                if (board.SideToMove == us) target += Forward(us) * (rank == 1 ? 2 : 1);
                const i32 distance = 7 - RelativeRank(us, target);
                if (!KnightStopsRunner(us, target) && distance < best.distance)
                    best = Runner{distance, sq};
            }
        }
    }

    if (opposition == Opposition::Pieceless) ConsiderDistantPassers(us, best);

    // Several passers against few pieces, and passers escorted by the king.
    if (enemyUnits <= FewPiecesUnits && passerCount >= 2) {
        if (enemyUnits == 0)
            total += sign * (passerCount - 1) * MultiPasserBonus;
        else
            total += sign * PasserVsKnightBonus * passerCount;
    }
    if (enemyUnits <= SupportedRunnerUnitLimit) {
        if (supportedCount == 1)
            total += sign * SupportedRunnerBonus[enemyUnits];
        else if (supportedCount >= 2)
            total += sign * SupportedRunnersBonus[enemyUnits];
    }
    return total;
}

// The value of a won race: the base and 8 for each move the winner needs
// fewer than five.
i32 RaceValue(i32 base, i32 distance) {
    return base + (RaceMoveHorizon - distance) * RaceMoveValue;
}

// The side `first` queens first on the file of its runner, the other side
// queens a move later. Does the new queen win at once: by attacking the
// enemy king, by covering the other promotion square, or by standing behind
// the other runner on the same file?
bool NewQueenWinsRace(Side first, Square firstRunner, Square otherRunner) {
    const Side other = ChangeSide(first);
    const Square queen = MakeSquare(FileOf(firstRunner), first == WHITE ? 7 : 0);
    const Square otherPromotion = MakeSquare(FileOf(otherRunner), first == WHITE ? 0 : 7);
    const Square otherKing = board.KingSquare[other];
    const u64 attacks = QueenAttacksFrom(queen);
    if (attacks & SquareBit(otherKing)) return true;

    const bool kingGuardsPromotion = (KingAttacks[otherPromotion] & SquareBit(otherKing)) != 0;
    if ((attacks & SquareBit(otherPromotion)) && !kingGuardsPromotion) return true;

    const Square whiteRunner = first == WHITE ? firstRunner : otherRunner;
    const Square blackRunner = first == WHITE ? otherRunner : firstRunner;
    const u64 between = BetweenSquares[whiteRunner][blackRunner] & ~SquareBit(whiteRunner);
    return FileOf(whiteRunner) == FileOf(blackRunner) && whiteRunner > blackRunner &&
           !(between & Occupied()) && !kingGuardsPromotion;
}

// A lone king on the file of its own runner, in the middle of the board:
// the new queen checks it along the file from the last rank and wins the
// pawn behind it.
bool NewQueenCatchesLoneKing(Side first, Square firstRunner, Square otherRunner) {
    const Side other = ChangeSide(first);
    const Square otherKing = board.KingSquare[other];
    if (RankOf(otherKing) < 2 || RankOf(otherKing) > 5) return false;
    if (FileOf(otherKing) != FileOf(otherRunner)) return false;
    const i32 queenRank = first == WHITE ? 7 : 0;
    const Square queen = MakeSquare(FileOf(firstRunner), queenRank);
    const Square checkSquare = MakeSquare(FileOf(otherKing), queenRank);
    if (checkSquare == board.KingSquare[first]) return false;
    if (checkSquare != queen && !(RankAttacksFrom(queen) & SquareBit(checkSquare))) return false;
    return (FileAttacksFrom(checkSquare) & SquareBit(otherKing)) != 0;
}

// Bonus for the side that queens first against the other side's loose
// pawns: those neither beside their king nor guarded by a pawn. The larger
// table when the queen can go at once to a square, safe from king and pawns,
// from which it attacks every loose pawn and a square next to the king.
i32 LoosePawnsBonus(Side first, Square firstRunner, Square otherRunner) {
    const Side other = ChangeSide(first);
    if (board.PieceCount[PAWN][other] < 2) return 0;
    const Square otherKing = board.KingSquare[other];
    const u64 otherPawns = board.Bitboards[PAWN][other];

    u64 loose = 0;
    u64 candidates = otherPawns & ~SquareBit(otherRunner);
    while (candidates) {
        const Square pawn = PopLowest(candidates);
        if ((KingAttacks[otherKing] & SquareBit(pawn)) == 0 &&
            (PawnAttacks[first][pawn] & otherPawns) == 0)
            loose |= SquareBit(pawn);
    }
    if (!loose) return 0;
    const i32 count = PopCount(loose);

    const Square queen = MakeSquare(FileOf(firstRunner), first == WHITE ? 7 : 0);
    u64 targets = QueenAttacksFrom(queen) & ~board.Bitboards[0][first] & ~KingAttacks[otherKing];
    while (targets) {
        const Square sq = PopLowest(targets);
        if (PawnAttacks[first][sq] & otherPawns) continue;
        const u64 reach = QueenAttacksFrom(sq);
        if ((reach & loose) == loose && (reach & KingAttacks[otherKing]))
            return QueenRaceCountBonusFree[count];
    }
    return QueenRaceCountBonus[count];
}

// Settles the race between the two sides' best runners.
i32 SettleRace(i32 total, Runner white, Runner black) {
    const bool whiteRuns = white.distance != NoRunner;
    const bool blackRuns = black.distance != NoRunner;
    if (!whiteRuns && !blackRuns) return total;
    eval_info.symmetric = 0;

    i32 whiteDistance = white.distance;
    i32 blackDistance = black.distance;
    if (board.SideToMove == WHITE && whiteRuns) whiteDistance++;
    if (board.SideToMove == BLACK && blackRuns) blackDistance++;
    if (!whiteRuns) return total + RaceValue(KnownWinBonus, blackDistance);
    if (!blackRuns) return total - RaceValue(KnownWinBonus, whiteDistance);

    // Both run: the side to move counts its own move again.
    if (board.SideToMove == BLACK) blackDistance--;
    const i32 blackToMove = board.SideToMove == BLACK ? 1 : 0;
    if (whiteDistance >= blackDistance) {
        if (blackDistance == whiteDistance - 2)
            total += RaceValue(RaceWinBase, blackDistance + blackToMove);
        else if (blackDistance < whiteDistance - 2)
            total += RaceValue(KnownWinBonus, blackDistance + blackToMove);
    } else if (whiteDistance == blackDistance - 1) {
        total -= RaceValue(RaceWinBase, whiteDistance);
    } else {
        total -= RaceValue(KnownWinBonus, whiteDistance);
    }

    // Both queen, one a move after the other.
    if (whiteDistance == blackDistance) {
        if (NewQueenWinsRace(WHITE, white.square, black.square))
            return total - RaceValue(RaceWinBase, whiteDistance);
        if (board.NonPawnUnits[BLACK]) return total;
        if (NewQueenCatchesLoneKing(WHITE, white.square, black.square))
            return total - RaceValue(RaceWinBase, whiteDistance);
        return total - LoosePawnsBonus(WHITE, white.square, black.square);
    }
    // Black's distance has had its own move taken back above; counted
    // again here, Black's win is worth what White's is in the mirrored
    // position.
    if (blackDistance == whiteDistance - 1) {
        if (NewQueenWinsRace(BLACK, black.square, white.square))
            return total + RaceValue(RaceWinBase, blackDistance + blackToMove);
        if (board.NonPawnUnits[WHITE]) return total;
        if (NewQueenCatchesLoneKing(BLACK, black.square, white.square))
            return total + RaceValue(RaceWinBase, blackDistance + blackToMove);
        return total + LoosePawnsBonus(BLACK, black.square, white.square);
    }
    return total;
}

}  // namespace

i32 EvaluatePassedPawns(i32 total, i32* side_opening, i32* side_endgame) {
    Runner blackRunner, whiteRunner;
    total = EvaluateSidePassers(BLACK, total, side_opening, side_endgame, blackRunner);
    total = EvaluateSidePassers(WHITE, total, side_opening, side_endgame, whiteRunner);
    return SettleRace(total, whiteRunner, blackRunner);
}
