#include "eval/pawn_structure.h"

#include <utility>

#include "board/attacks.h"
#include "board/board.h"
#include "board/static_exchange.h"
#include "eval/eval_info.h"
#include "eval/eval_params.h"
#include "eval/king_shelter.h"
#include "eval/pawn_hash.h"

namespace {

// The board's copy of the last entry is created wiped: a zero key would
// match every position without pawns.
[[maybe_unused]] const bool LastPawnEntryWiped = (board.LastPawnEntry.key = WipedKey, true);

constexpr u64 RankMask(i32 rank) { return u64(0xFF) << (8 * rank); }

// Ranks strictly in front of the rank, as the side's pawns move.
constexpr u64 RanksAhead(Side side, i32 rank) {
    if (side == WHITE) return rank >= 7 ? 0 : ~u64(0) << (8 * (rank + 1));
    return (u64(1) << (8 * rank)) - 1;
}

// A set moved one rank toward the side's promotion rank; squares that would
// leave the board drop out.
constexpr u64 StepForward(Side side, u64 set) { return side == WHITE ? set << 8 : set >> 8; }

// Every square a side's pawns attack.
u64 PawnAttackSet(Side side, u64 pawns) {
    const u64 notFileA = NotFileMask[0], notFileH = NotFileMask[7];
    return side == WHITE ? ((pawns & notFileA) << 7) | ((pawns & notFileH) << 9)
                         : ((pawns & notFileA) >> 9) | ((pawns & notFileH) >> 7);
}

// What one side's pawns earn, from that side's point of view, and the file
// masks found on the way.
struct SideResult {
    i32 opening = 0;
    i32 endgame = 0;
    u8 files = 0;
    u8 passed = 0;
    u8 candidates = 0;
    u8 weakOpen = 0;
};

// A blocked pawn on its sixth or seventh rank whose neighbour can break
// through on one side: the neighbour stands diagonally behind the pawn on
// that side and no enemy pawn on the neighbour's file or on the file beyond
// it can stop the break.
bool CanBreakThrough(Side us, Square sq, i32 step) {
    const Side them = ChangeSide(us);
    const u64 enemy = board.Bitboards[PAWN][them];
    const i32 file = FileOf(sq), rank = RankOf(sq);
    const i32 breakFile = file + step, beyondFile = file + 2 * step;
    if (breakFile < 0 || breakFile > 7) return false;
    const Square behind = sq + (us == WHITE ? -8 : 8);
    if (behind < 0 || behind > 63) return false;
    if ((board.Bitboards[PAWN][us] & SquareBit(behind + step)) == 0) return false;
    const u64 levelAndAhead = RankMask(rank) | RanksAhead(us, rank);
    if (FileMask[breakFile] & levelAndAhead & enemy) return false;
    return beyondFile < 0 || beyondFile > 7 || (FileMask[beyondFile] & levelAndAhead & enemy) == 0;
}

SideResult EvaluateSidePawns(Side us) {
    const Side them = ChangeSide(us);
    const u64 own = board.Bitboards[PAWN][us];
    const u64 enemy = board.Bitboards[PAWN][them];
    const u64 allPawns = own | enemy;
    const u64 enemyAttacks = PawnAttackSet(them, enemy);

    SideResult result;
    for (u64 pawns = own; pawns;) {
        const Square sq = PopLowest(pawns);
        const i32 file = FileOf(sq), rank = RankOf(sq);
        const i32 relativeRank = us == WHITE ? rank : 7 - rank;
        const u64 fileBit = u64(1) << file;
        const u64 ahead = StepForward(us, SquareBit(sq));
        const u64 twoAhead = StepForward(us, ahead);
        const u64 diagonalAhead = PawnAttacks[us][sq];
        const u64 fileAhead = us == WHITE ? FileAbove[sq] : FileBelow[sq];
        const u64 fileBehind = us == WHITE ? FileBelow[sq] : FileAbove[sq];
        const u64 spanAhead = us == WHITE ? SpanAbove[sq] : SpanBelow[sq];
        const u64 neighbourFiles = AdjacentFiles[sq];
        const u64 levelOrBehind = ~RanksAhead(us, rank);
        const u64 defenders = PawnAttacks[them][sq] & own;
        const u64 attackers = diagonalAhead & enemy;
        const u64 supporters = neighbourFiles & levelOrBehind & own;
        result.files |= u8(fileBit);

        // Chain: defended by a pawn or standing beside one.
        if (defenders || (neighbourFiles & RankMask(rank) & own)) {
            const i32 bonus = PawnChainBonus[us == BLACK ? sq : sq ^ 56];
            result.opening += bonus;
            result.endgame += bonus;
        }

        const bool doubled = (fileBehind & own) != 0;
        const bool isolated = (neighbourFiles & own) == 0;
        bool backward = !isolated && supporters == 0;
        if (backward) {
            // It can still catch up with a neighbour: step up beside a pawn
            // that already stands diagonally ahead...
            const bool joinsNeighbour = (diagonalAhead & own) && !(ahead & allPawns) &&
                                        !(ahead & enemyAttacks) && !(diagonalAhead & enemy);
            // ...or make the double step from its start square to a
            // neighbour on the fourth rank.
            const bool doubleStepsUp =
                relativeRank == 1 && (neighbourFiles & RankMask(us == WHITE ? 3 : 4) & own) &&
                !((ahead | twoAhead) & allPawns) && !((ahead | twoAhead) & enemyAttacks) &&
                !(diagonalAhead & enemy);
            if (joinsNeighbour || doubleStepsUp) backward = false;
        }

        const bool open = (fileAhead & allPawns) == 0;
        bool candidate = false;
        if (open) {
            if ((spanAhead & enemy) == 0) {
                result.passed |= u8(fileBit);
            } else {
                const u64 sentries = neighbourFiles & RanksAhead(us, rank) & enemy;
                candidate = PopCount(supporters) >= PopCount(sentries) &&
                            PopCount(defenders) >= PopCount(attackers);
                if (candidate) result.candidates |= u8(fileBit);
            }
        }

        // Break-through: blocked on the sixth or seventh rank by a pawn with
        // nothing behind it that could stop us once it is lured away.
        if ((relativeRank == 5 || relativeRank == 6) && (ahead & enemy)) {
            const Square blocker = LowestSquare(ahead);
            const u64 beyondBlocker = us == WHITE ? SpanAbove[blocker] : SpanBelow[blocker];
            if ((beyondBlocker & enemy) == 0 &&
                (CanBreakThrough(us, sq, +1) || CanBreakThrough(us, sq, -1)))
                result.endgame += BreakthroughBonus[relativeRank];
        }

        if (doubled) {
            result.opening -= DoubledPawnPenalty[file];
            result.endgame -= DoubledPawnPenaltyEnd[file];
        }
        if (isolated) {
            result.opening -= open ? IsolatedOpenPawnPenalty[file] : IsolatedPawnPenalty[file];
            result.endgame -= IsolatedPawnPenaltyEnd[file];
            if (open) result.weakOpen |= u8(fileBit);
        }
        if (backward) {
            result.opening -= open ? BackwardOpenPawnPenalty[file] : BackwardPawnPenalty[file];
            result.endgame -= BackwardPawnPenaltyEnd[file];
            if (open) result.weakOpen |= u8(fileBit);
        }
        if (candidate) {
            result.opening += CandidateBonusOpening[relativeRank];
            result.endgame += CandidateBonusEndgame[relativeRank];
        }
    }
    return result;
}

// Files between a side's outermost pawns; 0 without pawns.
i32 PawnSpread(u8 files) { return HighBit8[files] - LowBit8[files]; }

// The side's pawns standing on the files of a mask.
u64 PawnsOnFiles(Side side, u8 files) {
    // The file bits repeated on every rank: the squares of those files.
    const u64 squares = u64(files) * 0x0101010101010101ull;
    return squares & board.Bitboards[PAWN][side];
}

// Recomputes every pawn term into board.LastPawnEntry.
void ComputePawnEntry() {
    PawnEntry& entry = board.LastPawnEntry;
    ComputeShelterDefects();
    const SideResult black = EvaluateSidePawns(BLACK);
    const SideResult white = EvaluateSidePawns(WHITE);
    const i32 spread = PawnSpanWeight * (PawnSpread(black.files) - PawnSpread(white.files));
    entry.opening = SaturateToI16(i64(black.opening) - white.opening);
    entry.endgame = SaturateToI16(i64(black.endgame) - white.endgame + spread);
    for (const auto& [side, result] : {std::pair{BLACK, black}, std::pair{WHITE, white}}) {
        PawnFilesOf(entry, side) = result.files;
        PassedVectorOf(entry, side) = result.passed;
        CandidateFilesOf(entry, side) = result.candidates;
        WeakOpenFilesOf(entry, side) = result.weakOpen;
    }
}

}  // namespace

void EvaluatePawnStructure(i32* opening, i32* endgame) {
    PawnEntry& last = board.LastPawnEntry;
    const u64 key = board.PawnHashKey;
    const bool hashing = PawnEntries != 0 && PawnTable != nullptr;
    if (!hashing || last.key != key) {
        PawnEntry* slot = hashing ? &PawnHashSlot(key) : nullptr;
        if (slot && slot->key == key) {
            last = *slot;
        } else {
            ComputePawnEntry();
            // Without a table the copy must not answer for these pawns on a
            // later call, which may come after the table is back.
            last.key = hashing ? key : WipedKey;
            if (slot) *slot = last;
        }
    }
    *opening += last.opening;
    *endgame += last.endgame;

    eval_info.passed_pawns[BLACK] = PawnsOnFiles(BLACK, PassedVectorOf(last, BLACK));
    eval_info.passed_pawns[WHITE] = PawnsOnFiles(WHITE, PassedVectorOf(last, WHITE));
}

namespace {

i32 PawnPushIsSafe(Side side, Square sq) {
    if (sq < 0 || sq > 63) return 0;
    const Square to = sq + (side == WHITE ? 8 : -8);
    if (to < 0 || to > 63 || board.Squares[to] != EMPTY) return 0;
    const i32 savedSide = board.SideToMove;
    board.SideToMove = side;
    const i32 safe = SeeNotLosing(to, sq, PAWN, EMPTY, EMPTY);
    board.SideToMove = savedSide;
    return safe ? 1 : 0;
}

}  // namespace

i32 WhitePawnPushIsSafe(Square sq) { return PawnPushIsSafe(WHITE, sq); }

i32 BlackPawnPushIsSafe(Square sq) { return PawnPushIsSafe(BLACK, sq); }
