#include "eval/evaluate.h"

#include <algorithm>

#include "board/attacks.h"
#include "board/board.h"
#include "board/keys.h"
#include "board/search_state.h"
#include "eval/endgame.h"
#include "eval/eval_cache.h"
#include "eval/eval_info.h"
#include "eval/eval_params.h"
#include "eval/king_shelter.h"
#include "eval/material_table.h"
#include "eval/passed_pawns.h"
#include "eval/pawn_structure.h"
#include "eval/personality.h"
#include "eval/piece_activity.h"
#include "eval/scaling.h"

namespace {

// The product of the scale factors before any is applied.
constexpr i32 UnscaledScale = 6300;

inline i32 Count(u64 set) { return __builtin_popcountll(set); }

bool HasQueen(Side side) { return board.PieceCount[QUEEN][side] > 0; }

// Lowest and highest file of a file mask, 8 for both when it is empty.
i32 LowestFile(u8 files) { return files ? LowBit8[files] : 8; }
i32 HighestFile(u8 files) { return files ? HighBit8[files] : 8; }

// Material, phases and ENDING flags of a position with enough pieces on
// both sides: from the material table, or computed when the material has
// no entry there.
void LoadMaterial() {
    const i32 index = board.MaterialIndex;
    eval_info.material = HasMaterialEntry(index) ? MaterialTable[index].score -
                                                       board.Material[WHITE] + board.Material[BLACK]
                                                 : EvaluateMaterial();
    LoadMaterialTableEntry();
    eval_info.total = eval_info.material;
    board.CannotWin[WHITE] = board.CannotWin[BLACK] = 0;
    board.AllPawns = board.Bitboards[PAWN][WHITE] | board.Bitboards[PAWN][BLACK];
}

// Endings without pieces, or a rook against two minors, where the material
// term alone misjudges the position.
void EvaluateEndingMaterialCases() {
    const PawnEntry& pawns = board.LastPawnEntry;
    const i32 whiteUnits = board.NonPawnUnits[WHITE], blackUnits = board.NonPawnUnits[BLACK];

    // A rook against two minor pieces: the rook's passed pawns count extra.
    if (whiteUnits == 5 && blackUnits == 6 && board.PieceCount[KNIGHT][BLACK] > 0)
        eval_info.total -= RookVsMinorsPasserBonus[PopCount8[PassedVectorOf(pawns, WHITE)]];
    if (whiteUnits == 6 && blackUnits == 5 && board.PieceCount[KNIGHT][WHITE] > 0)
        eval_info.total += RookVsMinorsPasserBonus[PopCount8[PassedVectorOf(pawns, BLACK)]];

    if (whiteUnits != 0 || blackUnits != 0) return;

    // Pure pawn ending: a king that stands between the enemy king and the
    // enemy pawns keeps its own pawns' way free and eats the others. Who is
    // to move decides who gets there first.
    eval_info.symmetric = 0;
    const i32 whiteFile = FileOf(board.KingSquare[WHITE]);
    const i32 blackFile = FileOf(board.KingSquare[BLACK]);
    const i32 s = board.SideToMove;
    const u8 blackFiles = PawnFilesOf(pawns, BLACK), whiteFiles = PawnFilesOf(pawns, WHITE);
    if (whiteFile - s > blackFile) {
        if (whiteFile < LowestFile(blackFiles)) eval_info.total -= PawnEndingKingBonus;
    } else if (whiteFile + s < blackFile) {
        if (whiteFile > HighestFile(blackFiles)) eval_info.total -= PawnEndingKingBonus;
    }
    if (blackFile > whiteFile - s + 1) {
        if (blackFile < LowestFile(whiteFiles)) eval_info.total += PawnEndingKingBonus;
    } else if (blackFile < whiteFile + s - 1) {
        if (blackFile > HighestFile(whiteFiles)) eval_info.total += PawnEndingKingBonus;
    }
}

// The shelter of each king not in an ending, scored for the attacker, and
// the bonus for the side whose opponent hides clearly worse.
void EvaluateKingShelters() {
    if (!eval_info.ENDING[BLACK]) {
        const i32 value = EvaluateBlackKingShelter();
        eval_info.side_opening[WHITE] -= value;
        if (value < 0) eval_info.optimism[WHITE] -= value;
    } else {
        eval_info.shelter_penalty[BLACK] = 0;
    }
    if (!eval_info.ENDING[WHITE]) {
        const i32 value = EvaluateWhiteKingShelter();
        eval_info.side_opening[BLACK] -= value;
        if (value < 0) eval_info.optimism[BLACK] -= value;
    } else {
        eval_info.shelter_penalty[WHITE] = 0;
    }

    const i32 whitePenalty = eval_info.shelter_penalty[WHITE];
    const i32 blackPenalty = eval_info.shelter_penalty[BLACK];
    const bool whiteEnding = eval_info.ENDING[WHITE], blackEnding = eval_info.ENDING[BLACK];
    const auto gap = [](i32 difference) { return ShelterGapBonus[std::clamp(difference, 0, 7)]; };
    const bool whiteGains = (whiteEnding && !blackEnding) ||
                            (!whiteEnding && !blackEnding && blackPenalty > whitePenalty + 1);
    const bool blackGains = (blackEnding && !whiteEnding) ||
                            (!whiteEnding && !blackEnding && whitePenalty > blackPenalty + 1);
    if (whiteGains && HasQueen(WHITE)) {
        const i32 bonus = gap(blackPenalty - whitePenalty);
        eval_info.side_opening[WHITE] += bonus;
        eval_info.optimism[WHITE] += bonus;
    }
    if (blackGains && HasQueen(BLACK)) {
        const i32 bonus = gap(whitePenalty - blackPenalty);
        eval_info.side_opening[BLACK] += bonus;
        eval_info.optimism[BLACK] += bonus;
    }
}

// The attacker's points against the defending king, weighed by how many
// pieces take part and how weak the shelter is, become the king-attack
// value of the attacker.
void CombineKingAttack(Side attacker) {
    const Side defender = ChangeSide(attacker);
    i32& danger = eval_info.danger[attacker];
    danger = std::clamp(danger, 0, 127);
    const i32 attackers = std::clamp(eval_info.attacker_count[attacker], 0, 16);
    const i32 shelter = std::clamp(eval_info.shelter_penalty[defender], 0, ShelterPenaltyMax);
    i32 value =
        i32((i64(AttackerCountWeight[attackers]) * DangerWeight[danger] * ShelterWeight[shelter]) >>
            15);
    value = i32((i64(value) * (HasQueen(attacker) ? 10347 : 10922)) >> 13);
    eval_info.side_opening[attacker] += value;
    eval_info.optimism[attacker] += value;
    eval_info.king_attack[attacker] = value;
    eval_info.tempo_bonus[attacker] = value >> 3;
}

// Opening and endgame sums weighed by the game phase, and each side's own
// terms by that side's phase. Each quotient truncates toward zero.
i32 BlendPhases(i32 total) {
    const i64 current = board.current_phase, black = board.black_phase, white = board.white_phase;
    const i64 shared = ((i64(eval_info.opening) + total) * (256 - current) +
                        (i64(eval_info.endgame) + total) * current) /
                       256;
    const i64 blackTerms =
        ((256 - black) * eval_info.side_opening[BLACK] + black * eval_info.side_endgame[BLACK]) /
        256;
    const i64 whiteTerms =
        (white * eval_info.side_endgame[WHITE] + (256 - white) * eval_info.side_opening[WHITE]) /
        256;
    return SaturateToI32(shared + blackTerms - whiteTerms);
}

// Safe queen checks against the king of side: squares a queen move from
// the king reaches that an enemy queen attacks, the side does not defend and
// the enemy does not occupy; those outside the king's zone count twice.
// The queen-move squares of the king less the enemy's men are the king's
// queen-check squares of BuildKingZones.
i32 SafeQueenChecks(Side side) {
    const Side enemy = ChangeSide(side);
    const u64 landing = eval_info.check_squares[CheckByQueen][side] &
                        eval_info.queen_attacks[enemy] & ~eval_info.attacked_by[side];
    const i32 count = Count(landing) + Count(landing & ~eval_info.king_zone[side]);
    return std::min(count, 31);
}

// The queen-check bonus goes in full to the side to move and half to the
// other; score_sum keeps the difference for the other side to move.
void AddQueenChecks() {
    const bool blackToMove = board.SideToMove == BLACK;
    if (HasQueen(BLACK)) {
        const i32 bonus = QueenCheckBonus[SafeQueenChecks(WHITE)];
        AddSaturated(eval_info.optimism[BLACK], bonus);
        if (blackToMove) {
            AddSaturated(eval_info.total, bonus);
            AddSaturated(eval_info.score_sum, bonus - (bonus >> 1));
        } else {
            AddSaturated(eval_info.total, bonus >> 1);
            AddSaturated(eval_info.score_sum, (bonus >> 1) - bonus);
        }
    }
    if (HasQueen(WHITE)) {
        const i32 bonus = QueenCheckBonus[SafeQueenChecks(BLACK)];
        AddSaturated(eval_info.optimism[WHITE], bonus);
        if (blackToMove) {
            AddSaturated(eval_info.total, -(bonus >> 1));
            AddSaturated(eval_info.score_sum, bonus - (bonus >> 1));
        } else {
            AddSaturated(eval_info.total, -i64(bonus));
            AddSaturated(eval_info.score_sum, (bonus >> 1) - bonus);
        }
    }
}

// A d- or e-pawn still at home with its square ahead occupied shuts in
// its own pieces.
void AddBlockedCentralPawns() {
    const auto blocked = [](Side side, Square pawn, Square ahead) {
        return (board.Bitboards[PAWN][side] & SquareBit(pawn)) && board.Squares[ahead] != EMPTY;
    };
    if (blocked(WHITE, E2, E3)) AddSaturated(eval_info.total, BlockedCentralPawnPenalty);
    if (blocked(WHITE, D2, D3)) AddSaturated(eval_info.total, BlockedCentralPawnPenalty);
    if (blocked(BLACK, E7, E6)) AddSaturated(eval_info.total, -i64(BlockedCentralPawnPenalty));
    if (blocked(BLACK, D7, D6)) AddSaturated(eval_info.total, -i64(BlockedCentralPawnPenalty));
}

// The tempo of the side to move, larger the more pieces are off, plus an
// eighth of its king-attack value; then the score for the side to move.
void FinishScore(i32* score) {
    // In 64 bits: with extreme parameters the sums may reach the i32 limits.
    i64 tempo = 8 - ((board.current_phase - 1) >> 6);
    if (board.SideToMove == WHITE) {
        tempo += eval_info.tempo_bonus[WHITE];
        *score = SaturateToI32(tempo - eval_info.total);
        eval_info.total = SaturateToI32(eval_info.total - tempo);
        eval_info.score_sum = SaturateToI32(2 * tempo - eval_info.score_sum);
    } else {
        tempo += eval_info.tempo_bonus[BLACK];
        eval_info.total = SaturateToI32(eval_info.total + tempo);
        *score = eval_info.total;
        eval_info.score_sum = SaturateToI32(eval_info.score_sum + 2 * tempo);
    }
}

// The side EngineSide had when the cache was last written; -1 = none yet.
i32 EvalCacheFilledFor = -1;

}  // namespace

namespace {

void EvaluateTerms(i32* score) {
    eval_info = EvalInfo{};
    eval_info.scale = UnscaledScale;
    eval_info.symmetric = 1;
    eval_info.cacheable = 1;

    // Material and phases; a recognised low-material ending is finished here.
    if (board.NonPawnUnits[BLACK] < LowMaterialUnits ||
        board.NonPawnUnits[WHITE] < LowMaterialUnits) {
        eval_info.material = board.Material[BLACK] - board.Material[WHITE];
        i32 finished = 0;
        const i32 total = EvaluateEndgameMaterial(score, &finished);
        if (finished) return;
        eval_info.total = total;
    } else {
        LoadMaterial();
    }

    // Piece-square sums and the pawn structure.
    eval_info.opening = board.PstOpeningSum;
    eval_info.endgame = board.PstEndgameSum;
    EvaluatePawnStructure(&eval_info.opening, &eval_info.endgame);
    eval_info.alert_squares[WHITE] |= eval_info.passed_pawns[WHITE];
    eval_info.alert_squares[BLACK] |= eval_info.passed_pawns[BLACK];

    if (eval_info.ENDING[WHITE] || eval_info.ENDING[BLACK]) EvaluateEndingMaterialCases();

    const PawnEntry& pawns = board.LastPawnEntry;
    if (PassedVectorOf(pawns, WHITE) || PassedVectorOf(pawns, BLACK))
        eval_info.total =
            EvaluatePassedPawns(eval_info.total, eval_info.side_opening, eval_info.side_endgame);
    // A pawn each and nothing else: unless the passed-pawn terms see a clear
    // edge, the ending is a draw.
    if (board.Material[BLACK] == 100 && board.Material[WHITE] == 100) {
        const i64 estimate = i64(eval_info.side_endgame[BLACK]) - eval_info.side_endgame[WHITE] +
                             eval_info.endgame + eval_info.total;
        if (estimate > -100 && estimate < 100) {
            *score = 0;
            return;
        }
    }

    EvaluateKingShelters();
    BuildKingZones();

    if (board.NonPawnUnits[WHITE] + board.NonPawnUnits[BLACK] == 0) {
        // Kings and pawns only: no piece terms and no scaling.
        eval_info.blended = BlendPhases(eval_info.total);
        if (board.CannotWin[BLACK] && eval_info.blended >= 1)
            eval_info.blended = 0;
        else if (board.CannotWin[WHITE] && eval_info.blended < 0)
            eval_info.blended = 0;
        eval_info.total = eval_info.blended;
        FinishScore(score);
        return;
    }

    EvaluatePieceActivity();
    if (!eval_info.ENDING[WHITE]) {
        CountKingZoneAttacks(WHITE);
        CombineKingAttack(BLACK);
    }
    if (!eval_info.ENDING[BLACK]) {
        CountKingZoneAttacks(BLACK);
        CombineKingAttack(WHITE);
    }

    // The threat bonus is already part of total.
    eval_info.total = BlendPhases(eval_info.total);

    AddQueenChecks();
    if (board.NonPawnUnits[WHITE] > EndingUnitsWithoutQueen &&
        board.NonPawnUnits[BLACK] > EndingUnitsWithoutQueen) {
        AddBlockedCentralPawns();
    } else if (eval_info.total != 0) {
        ApplyEndingScaling();
    }

    FinishScore(score);
}

}  // namespace

void Evaluate(i32* score) {
    EvaluateTerms(score);
    // Parameters at the ends of their range push the sums far beyond those
    // of any real position: the score stays clear of the mate scores and
    // the optimism within what the cache keeps of it.
    if (*score != EvalScoreMissing) *score = std::clamp(*score, -EvalScoreLimit, EvalScoreLimit);
    for (i32& optimism : eval_info.optimism)
        optimism = std::clamp(optimism, -EvalScoreLimit, EvalScoreLimit);
}

i32 ProbeEvalCache() {
    eval_info.cacheable = 1;
    if (EvalCache == nullptr) return EvalScoreMissing;
    const u64 key = EvalCacheKeyOfBoard();
    const EvalCacheEntry& entry = EvalCacheSlot(key);
    if (entry.key.Get() != key) return EvalScoreMissing;
    eval_info.material = entry.material;
    eval_info.scale = entry.scale;
    for (Side side : {WHITE, BLACK}) {
        eval_info.optimism[side] = entry.optimism[side];
        eval_info.alert_squares[side] = entry.alert_squares[side].Get();
        eval_info.attacked_by[side] = entry.attacked_by[side].Get();
    }
    return entry.score[board.SideToMove];
}

void StoreEvalCache(i32 score) {
    if (EvalCache == nullptr || !eval_info.cacheable) return;
    const u64 key = EvalCacheKeyOfBoard();
    EvalCacheEntry& entry = EvalCacheSlot(key);
    const i32 side = board.SideToMove;
    entry.score[side] = i16(score);
    EvalCacheFilledFor = EngineSide;
    if (entry.key.Get() == key) return;
    entry.material = i16(eval_info.material);
    entry.scale = i16(eval_info.scale);
    for (Side s : {WHITE, BLACK}) {
        entry.optimism[s] = i16(eval_info.optimism[s]);
        entry.alert_squares[s].Set(eval_info.alert_squares[s]);
        entry.attacked_by[s].Set(eval_info.attacked_by[s]);
    }
    entry.score[side ^ 1] =
        eval_info.symmetric ? i16(SaturateToI32(i64(eval_info.score_sum) - score)) : EvalScoreMissing;
    entry.key.Set(key);
}

i32 CachedEvaluate() {
    i32 score = ProbeEvalCache();
    if (score <= EvalScoreMissing) {
        score = EvalScoreMissing;
        Evaluate(&score);
        StoreEvalCache(score);
    }
    return score;
}

void ClearEvalCacheIfSideChanged() {
    if (AggressivityWeight == CowardiceWeight) return;
    if (EvalCacheFilledFor >= 0 && EvalCacheFilledFor != EngineSide) {
        ClearEvalCache();
        EvalCacheFilledFor = -1;
    }
}
