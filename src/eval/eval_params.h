// The evaluation's tunable numbers: their built-in values, the parameter file
// "values.txt" that holds them (3280 integers whose meaning is their position),
// and the working tables derived from them.
//
// Life cycle: the parameters hold their built-in values from program start.
// Start-up and the "reload" command call LoadValues() and then
// DeriveEvalTables() (material_table.h); "writevalues" calls WriteValues().
// After that every table here is read-only until the next load.
#pragma once

#include "board/types.h"

constexpr i32 EvalParamCount = 3280;  // numbers in "values.txt"
// The range of every number in "values.txt": the evaluation adds and scales
// its terms in 32 bits, which holds sums of values of this size.
constexpr i32 MinParamValue = -32768;
constexpr i32 MaxParamValue = 32767;

// ---------------------------------------------------------------------------
// Material: read by the material table and the material fallback.

// Pawn values blended by how much of each side's material sits in rooks and
// queens ("majors") rather than in minor pieces; [own]Vs[enemy].
extern i32 PawnOpeningMajorsVsMajors, PawnOpeningMinorsVsMajors;
extern i32 PawnOpeningMajorsVsMinors, PawnOpeningMinorsVsMinors;
extern i32 PawnEndgameMajorsVsMajors, PawnEndgameMinorsVsMajors;
extern i32 PawnEndgameMajorsVsMinors, PawnEndgameMinorsVsMinors;

// Kept in the file and written back; nothing reads them.
extern i32 AttackerCountSteps[6];

// Imbalance bonuses and their endgame companions.
extern i32 PieceUpBonus, TwoMinorsVsRookBonus, MinorsVsQueenBonus;
extern i32 ExchangeBonus, QueenVsRookMinorBonus, QueenVsRooksBonus;
extern i32 PieceUpEndgame, TwoMinorsVsRookEndgame, MinorsVsQueenEndgame;
extern i32 ExchangeEndgame, QueenVsRookMinorEndgame, QueenVsRooksEndgame;
extern i32 QueenKnightBonus, RookBishopBonus;

// Piece values by PieceType; the knight, bishop, rook and queen entries are
// used, the pawn entries are only carried in the file.
extern i32 PieceValueOpening[8];
extern i32 PieceValueEndgame[8];

// Imbalance corrections by material signature (queens 0..1, other pieces
// 0..2): index nb + 3 bb + 9 rb + 27 qb + 54 (nw + 3 bw + 9 rw + 27 qw).
constexpr i32 ImbalanceSignatures = 2916;
constexpr i32 ImbalanceIndex(i32 whiteQueens, i32 whiteRooks, i32 whiteBishops, i32 whiteKnights,
                             i32 blackQueens, i32 blackRooks, i32 blackBishops, i32 blackKnights) {
    return blackKnights + 3 * blackBishops + 9 * blackRooks + 27 * blackQueens +
           54 * (whiteKnights + 3 * whiteBishops + 9 * whiteRooks + 27 * whiteQueens);
}
extern i32 MaterialImbalance[ImbalanceSignatures];

// Correction tables filled by loading a parameter file (cleared otherwise):
// per pawn of surplus, by signature as above, for each side ahead in pawns;
// and one per complete signature including pawns.
extern i32 PawnSurplusWhiteAhead[ImbalanceSignatures];
extern i32 PawnSurplusBlackAhead[ImbalanceSignatures];
constexpr i32 MaterialCorrectionSize = 236196;
constexpr i32 MaterialCorrectionIndex(i32 whiteQueens, i32 whiteRooks, i32 whiteBishops,
                                      i32 whiteKnights, i32 whitePawns, i32 blackQueens,
                                      i32 blackRooks, i32 blackBishops, i32 blackKnights,
                                      i32 blackPawns) {
    const i32 whitePieces = whiteKnights + 3 * whiteBishops + 9 * whiteRooks + 27 * whiteQueens;
    return blackPawns +
           9 * (blackKnights +
                3 * (blackBishops +
                     3 * (blackRooks + 3 * (blackQueens + 2 * (whitePawns + 9 * whitePieces)))));
}
extern i32 MaterialCorrection[MaterialCorrectionSize];

// The same material with the colours swapped.
constexpr i32 MirrorSignature(i32 signature) { return signature / 54 + 54 * (signature % 54); }
constexpr i32 MirrorMaterialCorrectionIndex(i32 index) {
    const i32 blackPawns = index % 9, blackPieces = index / 9 % 54;
    const i32 whitePawns = index / 486 % 9, whitePieces = index / 4374;
    return whitePawns + 9 * (whitePieces + 54 * (blackPawns + 9 * blackPieces));
}

// Correction rows: additions to the material tables above, applied after
// each parameter file is read (never without one). A list of at most 58 rows
// for each pawn-surplus table, 34 for MaterialImbalance and 16 for
// MaterialCorrection, paired so that the evaluation stays colour-blind:
// - a pawn-surplus row at a signature comes with a row of the other surplus
//   table at the mirrored signature and the same delta;
// - an imbalance row, and a MaterialCorrection row, comes with a row at the
//   mirrored index and the opposite delta.
// The built-in rows are the pawn-surplus pairs of bare kings (+108), knight
// against knight (+34) and queen against rook both ways (-13). The other
// rows are free to choose and left out; a tuning build can add rows.
// Imbalance rows would also land in the values "writevalues" writes, and a
// reload of that file would add them once more.
enum class CorrectionTable : i32 { SurplusWhiteAhead, SurplusBlackAhead, Imbalance, Material };
struct CorrectionRow {
    CorrectionTable table;
    i32 index;
    i32 delta;
};
constexpr i32 MaxSurplusCorrections = 58;  // in each pawn-surplus table
constexpr i32 MaxImbalanceCorrections = 34;
constexpr i32 MaxMaterialCorrections = 16;
constexpr i32 MaxCorrectionRows = 2 * MaxSurplusCorrections + MaxImbalanceCorrections +
                                  MaxMaterialCorrections;
// The problem with rows (indices out of their table, more rows of a table
// than it may have, a row without its partner), or null when they are a
// valid correction list.
const char* CorrectionListProblem(const CorrectionRow* rows, i32 count);

#ifdef KORVALENT_TUNING
// Replaces the rows a tuning file adds to the built-in list; they apply from
// the next load. Returns CorrectionListProblem of the whole list and keeps
// the old rows when that is not null.
const char* SetTunedCorrections(const CorrectionRow* rows, i32 count);
#endif

// Lone minor piece against nothing, by the minor side's pawns (0..8).
extern i32 LoneMinorByPawns[9];
// Bishop pair, by the opponent's pawns (0..8).
extern i32 BishopPairByPawns[9];
// Per rook, by the pawns of both sides (0..16).
extern i32 RookByPawns[17];

// A side with fewer non-pawn units goes to the low-material evaluation and
// treats the enemy king as in an ending; without a queen the ending limit is
// EndingUnitsWithoutQueen.
extern i32 LowMaterialUnits, EndingUnitsWithoutQueen;

// ---------------------------------------------------------------------------
// Pawn structure (files a..h, mirrored from the a..d values).
extern i32 DoubledPawnPenalty[8], DoubledPawnPenaltyEnd[8];
extern i32 IsolatedPawnPenalty[8], IsolatedOpenPawnPenalty[8], IsolatedPawnPenaltyEnd[8];
extern i32 BackwardPawnPenalty[8], BackwardOpenPawnPenalty[8], BackwardPawnPenaltyEnd[8];
// Candidate passed pawns: end points (opening low, opening high, endgame low,
// endgame high) and the per-rank bonuses interpolated from them by RankWeight.
extern i32 PawnStructureWeight[4];
extern i32 CandidateBonusOpening[8], CandidateBonusEndgame[8];
// Rank weights in 256ths by rank seen from the pawn's side.
extern i32 RankWeight[8];
extern i32 BreakthroughBonus[8];

// ---------------------------------------------------------------------------
// Passed pawns.
extern i32 PassedEndgameBase[8], PassedOpeningLow[8], PassedEndgameFar[8], PassedOpeningHigh[8];
extern i32 MultiPasserBonus, PasserVsKnightBonus;
extern i32 RaceWinBase, KnownWinBonus;
extern i32 FreePushBonus, OwnKingPathWeight, EnemyKingPathWeight;
// By the square of a black pawn (a white pawn reads 63 - square).
extern i32 RookBehindPasser[64], EnemyRookBehindPasser[64], KingSupportBonus[64];
// By the enemy's non-pawn units 0..9.
extern i32 SupportedRunnerBonus[10], SupportedRunnersBonus[10];
// By the number of files holding the rook side's passed pawns.
extern i32 RookVsMinorsPasserBonus[9];

// ---------------------------------------------------------------------------
// King shelter and king attack.
extern i32 FianchettoHoleWeight, ShelterCentreOpenFile, ShelterOpenFile, QueenOffHomePenalty;
extern i32 NoQueenShelterScale;
extern i32 ShelterGapBonus[8];
extern i32 ShelterDefectWeight[8], ShelterOpenFileWeight[4], ShelterHalfOpenWeight[4];
// Safe queen checks (count 0..31): running sums of the five steps.
extern i32 QueenCheckSteps[5];
extern i32 QueenCheckBonus[32];
// King-attack weights. Their contents are built in; loading a parameter file
// switches them to a second built-in set.
extern i32 AttackerCountWeight[17];  // by attacker_count
extern i32 ShelterWeight[64];        // by the defender's shelter_penalty
extern i32 DangerWeight[128];        // by danger

// ---------------------------------------------------------------------------
// Driver, endings and mop-up.
extern i32 PawnEndingKingBonus, BlockedCentralPawnPenalty;
extern i32 BareKingBonus, MopUpBonus, MopUpExtra, MopUpNoMajorsBonus, MopUpKingDistanceWeight;
extern i32 BishopKnightMateBonus, BishopKnightCornerWeight, KnightBothWingsPenalty;
extern i32 RookPawnCountWeight, RookPawnRankWeight, RookPawnBase, RookPawnKingNear;
extern i32 RookVsTwoRunners, RookVsManyRunners;
extern i32 RookStopsLonePawn, RookStopsPawnsBlocked, RookStopsPawnsFree;

// Ending scale factors in 256ths.
extern i32 FrontOfKingPawnsScale;
extern i32 RookPawnInFrontScale, KnightPawnInFrontScale, CentrePawnInFrontScale;
extern i32 RookEndingKingAwayScale;
extern i32 PawnEndingBlockedScale, BlockedPasserScale, BlockedNoPasserScale;
extern i32 OppositeBishopsScale, OppositeBishopsUnevenScale;
extern i32 OppositeBishopsPiecesScale, OppositeBishopsRookMaterialScale;
extern i32 PawnlessEqualScale, PawnlessQueenMinorScale, PawnlessRookScale;
extern i32 PawnlessMinorsVsRookScale;
extern i32 RookBishopCutOffScale, RookBishopScale, RookKnightCutOffScale, RookKnightScale;
extern i32 RookVsBishopScale, RookVsKnightScale;
extern i32 MinorsVsBishopScale, MinorsVsKnightScale, KnightsVsKnightScale;
extern i32 MinorVsMinorScale, TwoMinorsEachScale, RookMinorVsMinorsScale;
extern i32 DrawishEndingScale1, DrawishEndingScale2, DrawishEndingScale3, DrawishEndingScale4;
extern i32 DrawishEndingScale5, DrawishEndingScale6, DrawishEndingScale7;
extern i32 OnePawnScale1, OnePawnScale2, OnePawnScale3;
extern i32 OnePawnScale4, OnePawnScale5, OnePawnScale6;

// ---------------------------------------------------------------------------
// Pieces: files, ranks, mobility, outposts and pins.
extern i32 BackRankPenalty, TrappedRookPenalty, RookOnWeakPawnFile, RookBoxedPenalty;
extern i32 RookHalfOpenFile, RookNoOpenFilePenalty, RookOnSeventh, RookSeventhDoubled;
extern i32 RookSeventhPasser, RookOnEighth, QueenOnEighth, QueenSeventhDoubled;
extern i32 KnightBlockedPawnBonus, TrappedBishopPenalty;
extern i32 BadBishopPawnOpening, BadBishopPawnEndgame;
extern i32 BadBishopBlockedOpening, BadBishopBlockedEndgame;
extern i32 LoneBishopBothWings, FianchettoBishopBonus;
extern i32 BishopMobilityOpening, BishopMobilityEndgame;
extern i32 RookMobilityOpening, RookMobilityEndgame;
extern i32 QueenMobilityOpening, QueenMobilityEndgame;
// Rook on a file without pawns, by file.
extern i32 RookOpenFileBonus[8];
// King tropism: by file distance, by king distance, by file distance.
extern i32 RookFileToKing[8], QueenKingDistance[8], QueenFileToKing[8];
// Weight of the minor-piece low-mobility penalty, by square (mirrored from
// the a1..d4 quadrant).
extern i32 MinorSquareWeight[64];
// Low-mobility penalty by weighted square count: entry 0 is the start value,
// each further entry the previous one times the decay factor / 256.
extern i32 KnightLowMobility[37], KnightLowMobilityDecay;
extern i32 BishopLowMobility[57], BishopLowMobilityDecay;
// Pins against the enemy king, opening (A) and endgame (B) values, indexed
// by PinIndex(pinner, pinned): RookPinBonus of a pinned knight is
// SquareWeightA[PinIndex(ROOK, KNIGHT)] and so on.
extern i32 SquareWeightA[64], SquareWeightB[64];
constexpr i32 PinIndex(PieceType pinner, PieceType pinned) { return pinner * 8 + pinned; }

// ---------------------------------------------------------------------------
// Loading, writing and deriving.

// Every parameter to its built-in value, the king-attack weights to their
// built-in contents and the correction tables cleared: the state at program
// start. The derived tables need DeriveEvalTables() afterwards.
void SetBuiltInEvalParams();

// Reads "values.txt" from the working directory (LoadValuesFrom for any
// other path). Resets the material parameters first; every value the file
// does not supply keeps its current value. Prints "Error loading
// values.txt" and returns false when the file cannot be opened or holds a
// number outside MinParamValue..MaxParamValue (then none of it is used).
bool LoadValues();
bool LoadValuesFrom(const char* path);

// Writes the 3280 current values, one per line, to "values.txt" (or path)
// through a temporary file renamed over it, so a failure leaves the old file
// whole. Prints "Error writing values.txt" and returns false on failure.
bool WriteValues();
bool WriteValuesTo(const char* path);

// The value at a file position (1..3280).
i32 EvalParamValue(i32 position);

// Fills the working tables that replicate, mirror or accumulate parameter
// values. Part of DeriveEvalTables(); runs before the material table build.
void DeriveParameterTables();

// Clamps a wide intermediate result to the width of the field it goes into.
// Nearly every value fits: one comparison and a branch that is almost
// never taken, instead of two clamps on every call.
constexpr i32 SaturateToI32(i64 value) {
    if (__builtin_expect(value == i64(i32(value)), 1)) return i32(value);
    return value > 0 ? INT32_MAX : INT32_MIN;
}
// Adds to a 32-bit sum of evaluation terms, saturating: parameters at the
// ends of their range can push a sum past the limits.
inline void AddSaturated(i32& sum, i64 value) { sum = SaturateToI32(sum + value); }
constexpr i16 SaturateToI16(i64 value) {
    return value > INT16_MAX ? i16(INT16_MAX) : value < INT16_MIN ? i16(INT16_MIN) : i16(value);
}
