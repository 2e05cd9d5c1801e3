#include "eval/piece_activity.h"

#include <algorithm>
#include <cstdlib>

#include "board/attacks.h"
#include "board/board.h"
#include "board/static_exchange.h"
#include "eval/eval_info.h"
#include "eval/eval_params.h"
#include "eval/king_shelter.h"
#include "eval/pawn_structure.h"

namespace {

constexpr u64 RankMask(i32 rank) { return u64(0xFF) << (8 * rank); }

inline i32 Count(u64 set) { return __builtin_popcountll(set); }

// +1 for Black, -1 for White: turns a side's gain into black minus white.
constexpr i32 SignOf(Side side) { return side == BLACK ? 1 : -1; }

// A rank counted from the side's own first rank (0..7).
constexpr i32 RelativeRank(Side side, i32 rank) { return side == WHITE ? rank : 7 - rank; }

// The entry of a table laid out for Black.
constexpr Square TableSquare(Side side, Square sq) { return side == BLACK ? sq : 63 - sq; }

i32 KingDistance(Square a, Square b) {
    return std::max(std::abs(FileOf(a) - FileOf(b)), std::abs(RankOf(a) - RankOf(b)));
}

// The file of sq ahead of it, as the side's pawns move.
u64 FileAhead(Side side, Square sq) { return side == WHITE ? FileAbove[sq] : FileBelow[sq]; }

// A set moved one rank toward the side's promotion rank.
u64 StepForward(Side side, u64 set) { return side == WHITE ? set << 8 : set >> 8; }

u64 PawnAttackSet(Side side, u64 pawns) {
    const u64 notFileA = NotFileMask[0], notFileH = NotFileMask[7];
    return side == WHITE ? ((pawns & notFileA) << 7) | ((pawns & notFileH) << 9)
                         : ((pawns & notFileA) >> 9) | ((pawns & notFileH) >> 7);
}

// Clamped table read for the king-attack tables: a crowded king zone reads
// the last entry rather than past it.
template <size_t N>
i32 ReadClamped(const i32 (&table)[N], i32 index) {
    return table[std::clamp<i32>(index, 0, i32(N) - 1)];
}

void AddTotal(Side side, i32 value) {
    eval_info.total = SaturateToI32(eval_info.total + i64(SignOf(side)) * value);
}
void AddOpening(Side side, i32 value) { eval_info.opening += SignOf(side) * value; }
void AddEndgame(Side side, i32 value) { eval_info.endgame += SignOf(side) * value; }

// Does the side's piece on from reach to without losing material in the
// exchange there? The side to move is the piece's side for the test.
bool SafeEntry(Side side, Square from, Square to) {
    const i32 savedSide = board.SideToMove;
    board.SideToMove = side;
    const i32 safe = SeeNotLosing(to, from, board.Squares[from], board.Squares[to], EMPTY);
    board.SideToMove = savedSide;
    return safe != 0;
}

// A piece of side on sq with the attack set reach gathers attack points
// against the enemy king: by how many zone squares it hits (3 more when it
// can enter one safely), or, when it hits none, a single point when it can
// safely reach a square that gives check.
template <size_t N>
void GatherKingAttack(Side side, Square sq, u64 reach, const i32 (&table)[N], i32 checkKind) {
    const Side enemy = ChangeSide(side);
    const u64 own = board.Bitboards[0][side];
    const u64 zoneHits = reach & eval_info.king_zone[enemy];
    if (zoneHits) {
        i32 count = Count(zoneHits);
        eval_info.alert_squares[enemy] |= zoneHits;
        for (u64 targets = zoneHits & ~own; targets;) {
            if (SafeEntry(side, sq, PopLowest(targets))) {
                count += 3;
                break;
            }
        }
        eval_info.danger[side] += ReadClamped(table, count);
        eval_info.attacker_count[side] += 1;
        return;
    }
    for (u64 checks = reach & eval_info.check_squares[checkKind][enemy]; checks;) {
        if (SafeEntry(side, sq, PopLowest(checks))) {
            eval_info.danger[side] += table[1];
            eval_info.attacker_count[side] += 1;
            return;
        }
    }
}

// A slider of side on sq that looks at the enemy king along one of its own
// lines through exactly one enemy man and none of its own pins that man.
void ScorePin(Side side, Square sq, PieceType pinner) {
    const Side enemy = ChangeSide(side);
    const Square king = board.KingSquare[enemy];
    // Only a line of the slider's own kind through the king can pin.
    const u64 lines = ((pinner & 1) ? RookRays[king] : 0) | ((pinner & 2) ? BishopRays[king] : 0);
    if (!(lines & SquareBit(sq))) return;
    const u64 between = BetweenSquares[sq][king] & ~SquareBit(sq);
    if (between & board.Bitboards[0][side]) return;
    const u64 enemies = between & board.Bitboards[0][enemy];
    if (enemies == 0 || (enemies & (enemies - 1))) return;
    const Square pinned = LowestSquare(enemies);
    eval_info.alert_squares[enemy] |= enemies;
    const i32 index = PinIndex(pinner, board.Squares[pinned]);
    AddOpening(side, SquareWeightA[index]);
    AddEndgame(side, SquareWeightB[index]);
}

// Does the side's own pawn stand in front of sq on its file?
bool OwnPawnAhead(Side side, Square sq) {
    return (FileAhead(side, sq) & board.Bitboards[PAWN][side]) != 0;
}

// For a king on its own first rank: the second-rank squares next to it,
// whose pawns wall it in, and the rook squares that the king shuts in when
// it stands on that file (given for White; Black's are the same squares on
// ranks 8 and 7). Both sets are empty for a king off its first rank.
struct BackRankSets {
    u64 wall[2][64];
    u64 shutInRooks[2][64];
};

constexpr BackRankSets MakeBackRankSets() {
    constexpr Square shutIn[8][3] = {
        {A2, -1, -1}, {A1, A2, -1}, {A1, B1, A2}, {-1, -1, -1},
        {-1, -1, -1}, {G1, H1, H2}, {H1, H2, -1}, {H2, -1, -1},
    };
    BackRankSets sets{};
    for (i32 file = 0; file < 8; file++) {
        u64 wall = 0, rooks = 0;
        for (i32 f = file - 1; f <= file + 1; f++)
            if (f >= 0 && f < 8) wall |= SquareBit(MakeSquare(f, 1));
        for (const Square sq : shutIn[file])
            if (sq >= 0) rooks |= SquareBit(sq);
        // Black's squares are White's mirrored rank for rank.
        const u64 flip = 56;
        u64 blackWall = 0, blackRooks = 0;
        for (Square sq = 0; sq < 64; sq++) {
            if (wall & SquareBit(sq)) blackWall |= SquareBit(sq ^ flip);
            if (rooks & SquareBit(sq)) blackRooks |= SquareBit(sq ^ flip);
        }
        sets.wall[WHITE][file] = wall;
        sets.shutInRooks[WHITE][file] = rooks;
        sets.wall[BLACK][file + 56] = blackWall;
        sets.shutInRooks[BLACK][file + 56] = blackRooks;
    }
    return sets;
}
constexpr BackRankSets BackRank = MakeBackRankSets();

// A white king on rank 1 behind a closed wall of its own pawns, or a rook
// shut in by its own uncastled king; the same for Black on rank 8.
void EvaluateBackRank(Side side) {
    const Square king = board.KingSquare[side];
    const u64 wall = BackRank.wall[side][king];
    if (wall == 0) return;
    if ((wall & ~board.Bitboards[PAWN][side]) == 0) AddTotal(side, -BackRankPenalty);
    if (board.Bitboards[ROOK][side] & BackRank.shutInRooks[side][king])
        AddTotal(side, -TrappedRookPenalty);
}

void EvaluateRooks(Side side) {
    const Side enemy = ChangeSide(side);
    const PawnEntry& pawns = board.LastPawnEntry;
    const u64 own = board.Bitboards[0][side];
    const u64 allPawns = board.Bitboards[PAWN][WHITE] | board.Bitboards[PAWN][BLACK];
    const u8 openFiles = u8(~(PawnFilesOf(pawns, WHITE) | PawnFilesOf(pawns, BLACK)));
    const Square enemyKing = board.KingSquare[enemy];
    const i32 enemyKingRank = RelativeRank(enemy, RankOf(enemyKing));
    const i32 seventh = side == WHITE ? 6 : 1;
    const i32 eighth = side == WHITE ? 7 : 0;
    const bool enemyPawnOnSecond = board.Bitboards[PAWN][enemy] & RankMask(seventh);
    const u64 enemySecondRankInner = RankMask(seventh) & ~FileMask[0] & ~FileMask[7];
    const u64 ownHeavies = board.Bitboards[ROOK][side] | board.Bitboards[QUEEN][side];

    for (u64 rooks = board.Bitboards[ROOK][side]; rooks;) {
        const Square sq = PopLowest(rooks);
        const i32 file = FileOf(sq), rank = RankOf(sq);
        const u64 alongRank = RankAttacksFrom(sq);
        const u64 reach = alongRank | FileAttacksFrom(sq);

        if (WeakOpenFilesOf(pawns, enemy) & (1 << file)) AddTotal(side, RookOnWeakPawnFile);

        // Shut in on its rank, an edge counting as a neighbour.
        const bool leftShut = file == 0 || board.Squares[sq - 1] != EMPTY;
        const bool rightShut = file == 7 || board.Squares[sq + 1] != EMPTY;
        if (leftShut && rightShut) AddTotal(side, -RookBoxedPenalty);

        if (FileMask[file] & allPawns) {
            if ((FileMask[file] & board.Bitboards[PAWN][side]) == 0)
                AddTotal(side, RookHalfOpenFile);
            const u8 filesAlongRank = u8(alongRank >> (8 * rank));
            if (eval_info.ENDING[enemy] && (filesAlongRank & openFiles) == 0)
                AddTotal(side, -RookNoOpenFilePenalty);
        } else {
            AddTotal(side, RookOpenFileBonus[file]);
        }

        if (rank == seventh && (enemyKingRank == 0 || enemyPawnOnSecond)) {
            AddTotal(side, RookOnSeventh);
            if (alongRank & ownHeavies) AddTotal(side, RookSeventhDoubled);
            if (PassedVectorOf(pawns, side) && enemyKingRank == 0 &&
                (board.Bitboards[0][enemy] & enemySecondRankInner) == 0)
                AddTotal(side, RookSeventhPasser);
        }
        if (rank == eighth && board.MajorUnits[side] >= 2 && enemyKingRank <= 1)
            AddTotal(side, RookOnEighth);

        eval_info.attacked_by[side] |= reach;
        eval_info.rook_attacks[side] |= reach;
        const i32 mobility = Count(reach & ~own) - 7;
        AddOpening(side, mobility * RookMobilityOpening);
        AddEndgame(side, mobility * RookMobilityEndgame);

        if (!eval_info.ENDING[enemy]) {
            GatherKingAttack(side, sq, reach & ~own, RookKingAttack, CheckByRook);
            if (!OwnPawnAhead(side, sq))
                eval_info.danger[side] += RookFileToKing[std::abs(file - FileOf(enemyKing))];
        }
        ScorePin(side, sq, ROOK);
    }
}

// Pawns that bite into the enemy king's zone, and those that attack its
// shelter pawns.
void EvaluatePawnStorm(Side side) {
    const Side enemy = ChangeSide(side);
    if (eval_info.ENDING[enemy]) return;
    const u64 occupied = board.Bitboards[0][WHITE] | board.Bitboards[0][BLACK];
    // Only the pawns standing where an enemy pawn on a zone square would
    // attack can hit the zone.
    const u64 biters = PawnAttackSet(enemy, eval_info.king_zone[enemy]);
    for (u64 pawns = board.Bitboards[PAWN][side] & biters; pawns;) {
        const Square sq = PopLowest(pawns);
        const u64 attacks = PawnAttacks[side][sq];
        const u64 zoneHits = attacks & eval_info.king_zone[enemy];
        eval_info.danger[side] += 1;
        eval_info.alert_squares[enemy] |= zoneHits;
        if ((attacks & board.Bitboards[0][enemy]) == 0) {
            if (StepForward(side, SquareBit(sq)) & occupied) eval_info.danger[side] -= 1;
        } else if (attacks & board.Bitboards[PAWN][enemy]) {
            eval_info.danger[side] += 1;
            i32& penalty = eval_info.shelter_penalty[enemy];
            penalty = std::min(penalty + 1, ShelterPenaltyMax);
        }
    }
}

// Pawn attack sets, blocked pawns and the four classes of minor-piece
// target squares.
void BuildPawnMaps() {
    const u64 occupied = board.Bitboards[0][WHITE] | board.Bitboards[0][BLACK];
    const u64 allPawns = board.Bitboards[PAWN][WHITE] | board.Bitboards[PAWN][BLACK];
    for (Side side : {WHITE, BLACK}) {
        const u64 pawns = board.Bitboards[PAWN][side];
        PawnAttacksOf(side) = PawnAttackSet(side, pawns);
        eval_info.attacked_by[side] |= PawnAttacksOf(side);
        eval_info.blocked_pawns[side] = pawns & (side == WHITE ? occupied >> 8 : occupied << 8);
    }
    for (Side side : {WHITE, BLACK}) {
        if (board.MinorCount[side] == 0) continue;
        const u64 class1 = PawnAttacksOf(ChangeSide(side)) | RankMask(0) | RankMask(7);
        const u64 class2 = (allPawns | RankMask(1) | RankMask(6)) & ~class1;
        const u64 class3 = board.Bitboards[0][side] & ~class1 & ~class2;
        eval_info.mobility_area[0][side] = class1;
        eval_info.mobility_area[1][side] = class2;
        eval_info.mobility_area[2][side] = class3;
        eval_info.mobility_area[3][side] = ~(class1 | class2 | class3);
    }
}

// A minor piece with few useful squares, on a square where that matters:
// the penalty grows as the weighted count of its targets falls.
template <size_t N>
void ScoreLowMobility(Side side, Square sq, u64 reach, const i32 (&penalty)[N]) {
    if (!MinorMobilityFlag[TableSquare(side, sq)]) return;
    const Side enemy = ChangeSide(side);
    const u64 enemyPawns = board.Bitboards[PAWN][enemy];
    const u64 enemyPawnAttacks = PawnAttacksOf(enemy);
    u64 targets = reach & ~(enemyPawns & enemyPawnAttacks) & ~eval_info.blocked_pawns[side];
    if (board.NonPawnUnits[enemy] == 0) targets &= ~enemyPawnAttacks;
    if ((board.Bitboards[ROOK][enemy] | board.Bitboards[QUEEN][enemy] |
         board.Bitboards[KNIGHT][enemy]) == 0) {
        // Without heavy pieces or knights only a bishop can drive the piece
        // off a pawn-guarded square of its own colour.
        const u64 bishops = board.Bitboards[BISHOP][enemy];
        if ((bishops & DarkSquares) == 0) targets &= ~(enemyPawnAttacks & DarkSquares);
        if ((bishops & LightSquares) == 0) targets &= ~(enemyPawnAttacks & LightSquares);
    }
    const auto inClass = [&](i32 cls) {
        return Count(targets & eval_info.mobility_area[cls - 1][side]);
    };
    i32 weighted = 4 * inClass(4) + 3 * inClass(3);
    if (weighted >= 18) return;
    weighted += 2 * inClass(2);
    if (weighted >= 18) return;
    const i32 index = std::min<i32>(weighted + inClass(1), i32(N) - 1);
    AddTotal(side, SaturateToI32(-((i64(penalty[index]) * MinorSquareWeight[sq]) >> 6)));
}

// A minor piece on a square the enemy pawns can no longer attack, better
// still when its own pawns defend it.
void ScoreOutpost(Side side, Square sq, const std::array<i32, 64>& table) {
    if (eval_info.ENDING[side]) return;
    const i32 value = table[TableSquare(side, sq)];
    if (value <= 0) return;
    const Side enemy = ChangeSide(side);
    const u64 frontSpan = side == WHITE ? SpanAbove[sq] : SpanBelow[sq];
    if (frontSpan & AdjacentFiles[sq] & board.Bitboards[PAWN][enemy]) return;
    AddTotal(side, value / 2);
    const i32 defenders = Count(PawnAttacks[enemy][sq] & board.Bitboards[PAWN][side]);
    if (defenders == 0) return;
    const u64 colour = (SquareBit(sq) & DarkSquares) ? DarkSquares : LightSquares;
    const bool enemyBishopOnColour = board.Bitboards[BISHOP][enemy] & colour;
    if (defenders == 1 && enemyBishopOnColour)
        AddTotal(side, value);
    else
        AddTotal(side, value + value / 2);
}

void EvaluateKnights(Side side) {
    const Side enemy = ChangeSide(side);
    const i32 blockedBonus = KnightBlockedPawnBonus * Count(eval_info.blocked_pawns[enemy]);
    for (u64 knights = board.Bitboards[KNIGHT][side]; knights;) {
        const Square sq = PopLowest(knights);
        const u64 reach = KnightAttacks[sq];
        eval_info.attacked_by[side] |= reach;
        eval_info.knight_attacks[side] |= reach;
        ScoreLowMobility(side, sq, reach, KnightLowMobility);
        ScoreOutpost(side, sq, KnightOutpost);
        if (!eval_info.ENDING[enemy])
            GatherKingAttack(side, sq, reach, KnightKingAttack, CheckByKnight);
        AddTotal(side, blockedBonus);
    }
}

void EvaluateQueens(Side side) {
    const Side enemy = ChangeSide(side);
    const u64 own = board.Bitboards[0][side];
    const Square enemyKing = board.KingSquare[enemy];
    const i32 enemyKingRank = RelativeRank(enemy, RankOf(enemyKing));
    const i32 seventh = side == WHITE ? 6 : 1;
    const i32 eighth = side == WHITE ? 7 : 0;
    const bool enemyPawnOnSecond = board.Bitboards[PAWN][enemy] & RankMask(seventh);
    const u64 ownHeavies = board.Bitboards[ROOK][side] | board.Bitboards[QUEEN][side];

    for (u64 queens = board.Bitboards[QUEEN][side]; queens;) {
        const Square sq = PopLowest(queens);
        const i32 rank = RankOf(sq);
        const u64 alongRank = RankAttacksFrom(sq);
        const u64 reach = alongRank | FileAttacksFrom(sq) | BishopAttacksFrom(sq);

        if (rank == eighth && enemyKingRank <= 1) {
            AddTotal(side, QueenOnEighth);
        } else if (rank == seventh && (enemyKingRank == 0 || enemyPawnOnSecond)) {
            if (alongRank & ownHeavies) AddTotal(side, QueenSeventhDoubled);
        }

        eval_info.attacked_by[side] |= reach;
        eval_info.queen_attacks[side] |= reach;
        const i32 mobility = Count(reach & ~own) - 13;
        AddOpening(side, mobility * QueenMobilityOpening);
        AddEndgame(side, mobility * QueenMobilityEndgame);

        if (!eval_info.ENDING[enemy]) {
            GatherKingAttack(side, sq, reach & ~own, QueenKingAttack, CheckByQueen);
            i32 tropism = QueenKingDistance[KingDistance(sq, enemyKing)];
            if (!OwnPawnAhead(side, sq))
                tropism =
                    std::max(tropism, QueenFileToKing[std::abs(FileOf(sq) - FileOf(enemyKing))]);
            eval_info.danger[side] += tropism;
        }
        ScorePin(side, sq, QUEEN);
    }
}

// Rules for the side's bishops as a group: trapped on the enemy's
// second-rank corner squares, a single bishop hemmed in by its own pawns,
// a lone bishop with pawns on both wings, and the fianchetto in front of
// the castled king.
void EvaluateBishopGroup(Side side) {
    const Side enemy = ChangeSide(side);
    const u64 bishops = board.Bitboards[BISHOP][side];
    const u64 enemyPawns = board.Bitboards[PAWN][enemy];
    const u64 ownPawns = board.Bitboards[PAWN][side];

    // Trapped on a7 / h7 (a2 / h2 for Black) behind the b6 / g6 pawn.
    const auto trapped = [&](Square bishop, Square pawn) {
        return (bishops & SquareBit(bishop)) && (enemyPawns & SquareBit(pawn));
    };
    const bool isTrapped =
        side == WHITE ? trapped(A7, B6) || trapped(H7, G6) : trapped(A2, B3) || trapped(H2, G3);
    if (isTrapped) AddTotal(side, -TrappedBishopPenalty);

    if (board.PieceCount[BISHOP][side] == 1) {
        const u64 colour = (bishops & DarkSquares) ? DarkSquares : LightSquares;
        const u64 occupied = board.Bitboards[0][WHITE] | board.Bitboards[0][BLACK];
        const u64 stopped = occupied | PawnAttacksOf(enemy);
        const u64 onColour = ownPawns & colour;
        const u64 hemmed = onColour & (side == WHITE ? stopped >> 8 : stopped << 8);
        const i32 n = Count(onColour), m = Count(hemmed);
        AddOpening(side, -(n * BadBishopPawnOpening + m * BadBishopBlockedOpening));
        AddEndgame(side, -(n * BadBishopPawnEndgame + m * BadBishopBlockedEndgame));
    }

    const u64 allPawns = ownPawns | enemyPawns;
    const u64 queenWing = FileMask[0] | FileMask[1] | FileMask[2];
    const u64 kingWing = FileMask[5] | FileMask[6] | FileMask[7];
    if (board.NonPawnUnits[side] < 7 && board.PieceCount[BISHOP][enemy] == 0 &&
        (allPawns & queenWing) && (allPawns & kingWing))
        AddTotal(side, LoneBishopBothWings);

    const Square king = board.KingSquare[side];
    if (!eval_info.ENDING[side] && FileOf(king) >= 5) {
        const auto own = [side](Square whiteSquare) {
            return side == WHITE ? whiteSquare : whiteSquare ^ 56;
        };
        const bool fianchettoPawn =
            (ownPawns & SquareBit(own(G3))) && !(ownPawns & SquareBit(own(G2)));
        const bool nextToKing = KingAttacks[king] & SquareBit(own(G2));
        const u64 posts = SquareBit(own(F1)) | SquareBit(own(G2)) | SquareBit(own(H1));
        if (fianchettoPawn && nextToKing && (bishops & posts))
            AddTotal(side, FianchettoBishopBonus);
    }
}

void EvaluateBishops(Side side) {
    if (board.Bitboards[BISHOP][side] == 0) return;
    const Side enemy = ChangeSide(side);
    EvaluateBishopGroup(side);
    const u64 occupied = board.Bitboards[0][WHITE] | board.Bitboards[0][BLACK];
    for (u64 bishops = board.Bitboards[BISHOP][side]; bishops;) {
        const Square sq = PopLowest(bishops);
        const u64 reach = BishopAttacksFrom(sq);
        eval_info.attacked_by[side] |= reach;
        eval_info.bishop_attacks[side] |= reach;
        if (!eval_info.ENDING[enemy])
            GatherKingAttack(side, sq, reach, BishopKingAttack, CheckByBishop);
        const i32 mobility = Count(reach & ~occupied) - 6;
        AddOpening(side, mobility * BishopMobilityOpening);
        AddEndgame(side, mobility * BishopMobilityEndgame);
        ScorePin(side, sq, BISHOP);
        ScoreLowMobility(side, sq, reach, BishopLowMobility);
        ScoreOutpost(side, sq, BishopOutpost);
    }
}

// Pieces that hang, or that a cheaper enemy piece attacks.
i32 CountThreatened(Side side) {
    const Side enemy = ChangeSide(side);
    const u64 men = board.Bitboards[0][side] & ~board.Bitboards[KING][side];
    const u64 enemyReach = eval_info.attacked_by[enemy] | eval_info.king_zone[enemy];
    const u64 defended = eval_info.attacked_by[side] | eval_info.king_zone[side];
    const u64 enemyPawnAttacks = PawnAttacksOf(enemy);
    const u64 byMinors = enemyPawnAttacks | eval_info.minor_attacks[enemy];
    u64 threatened = men & enemyReach & ~defended;
    threatened |= board.Bitboards[QUEEN][side] & (byMinors | eval_info.rook_attacks[enemy]);
    threatened |= board.Bitboards[ROOK][side] & byMinors;
    threatened |=
        (board.Bitboards[KNIGHT][side] | board.Bitboards[BISHOP][side]) & enemyPawnAttacks;
    return Count(threatened);
}

void EvaluateThreats() {
    for (Side side : {WHITE, BLACK})
        eval_info.minor_attacks[side] =
            eval_info.knight_attacks[side] | eval_info.bishop_attacks[side];
    for (Side side : {WHITE, BLACK}) eval_info.threatened_count[side] = CountThreatened(side);
    const i32 index = std::clamp(
        eval_info.threatened_count[WHITE] - eval_info.threatened_count[BLACK] + 8, 0, 16);
    AddSaturated(eval_info.total, ThreatBalanceBonus[index]);
}

}  // namespace

// Each king's neighbourhood, and the squares from which each kind of enemy
// piece would give it check (less those the enemy already occupies).
void BuildKingZones() {
    for (Side side : {WHITE, BLACK}) {
        const Square king = board.KingSquare[side];
        const u64 enemyMen = board.Bitboards[0][ChangeSide(side)];
        eval_info.king_zone[side] = KingAttacks[king];
        const u64 straight = RookAttacksFrom(king) & ~enemyMen;
        const u64 diagonal = BishopAttacksFrom(king) & ~enemyMen;
        eval_info.check_squares[CheckByRook][side] = straight;
        eval_info.check_squares[CheckByQueen][side] = straight | diagonal;
        eval_info.check_squares[CheckByBishop][side] = diagonal;
        eval_info.check_squares[CheckByKnight][side] = KnightAttacks[king] & ~enemyMen;
    }
}

void EvaluatePieceActivity() {
    EvaluateBackRank(BLACK);
    EvaluateBackRank(WHITE);
    EvaluateRooks(BLACK);
    EvaluateRooks(WHITE);
    EvaluatePawnStorm(BLACK);
    EvaluatePawnStorm(WHITE);
    BuildPawnMaps();
    EvaluateKnights(BLACK);
    EvaluateKnights(WHITE);
    EvaluateQueens(BLACK);
    EvaluateQueens(WHITE);
    EvaluateBishops(BLACK);
    EvaluateBishops(WHITE);
    EvaluateThreats();

    // Kings in touch: each king walks into the other's attack.
    if (eval_info.king_zone[WHITE] & eval_info.king_zone[BLACK]) {
        for (Side side : {BLACK, WHITE})
            if (!eval_info.ENDING[ChangeSide(side)]) eval_info.danger[side] += 2;
    }
}

void CountKingZoneAttacks(Side defender) {
    const Side attacker = ChangeSide(defender);
    const u64 hits = eval_info.attacked_by[attacker] & eval_info.king_zone[defender];
    i32 points = Count(hits) + Count(hits & ~eval_info.attacked_by[defender]);
    if (board.NonPawnUnits[attacker] > 12) {
        const Square king = board.KingSquare[defender];
        const u64 front = defender == WHITE ? ThreeAbove[king] : ThreeBelow[king];
        points += Count(hits & front & ~board.Bitboards[0][defender]);
    }
    eval_info.danger[attacker] += points;
}
