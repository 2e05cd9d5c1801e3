// The evaluation parameters, the "values.txt" reader and writer, and the
// tables derived from the parameters.
#include "eval/eval_params.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "platform/platform.h"

// ---------------------------------------------------------------------------
// Storage. Zero here; the built-in values are set before main() runs (see
// the end of this section).

i32 PawnOpeningMajorsVsMajors, PawnOpeningMinorsVsMajors;
i32 PawnOpeningMajorsVsMinors, PawnOpeningMinorsVsMinors;
i32 PawnEndgameMajorsVsMajors, PawnEndgameMinorsVsMajors;
i32 PawnEndgameMajorsVsMinors, PawnEndgameMinorsVsMinors;
i32 AttackerCountSteps[6];
i32 PieceUpBonus, TwoMinorsVsRookBonus, MinorsVsQueenBonus;
i32 ExchangeBonus, QueenVsRookMinorBonus, QueenVsRooksBonus;
i32 PieceUpEndgame, TwoMinorsVsRookEndgame, MinorsVsQueenEndgame;
i32 ExchangeEndgame, QueenVsRookMinorEndgame, QueenVsRooksEndgame;
i32 QueenKnightBonus, RookBishopBonus;
i32 PieceValueOpening[8];
i32 PieceValueEndgame[8];
i32 MaterialImbalance[ImbalanceSignatures];
i32 PawnSurplusWhiteAhead[ImbalanceSignatures];
i32 PawnSurplusBlackAhead[ImbalanceSignatures];
i32 MaterialCorrection[MaterialCorrectionSize];
i32 LoneMinorByPawns[9];
i32 BishopPairByPawns[9];
i32 RookByPawns[17];
i32 LowMaterialUnits, EndingUnitsWithoutQueen;

i32 DoubledPawnPenalty[8], DoubledPawnPenaltyEnd[8];
i32 IsolatedPawnPenalty[8], IsolatedOpenPawnPenalty[8], IsolatedPawnPenaltyEnd[8];
i32 BackwardPawnPenalty[8], BackwardOpenPawnPenalty[8], BackwardPawnPenaltyEnd[8];
i32 PawnStructureWeight[4];
i32 CandidateBonusOpening[8], CandidateBonusEndgame[8];
i32 RankWeight[8];
i32 BreakthroughBonus[8];

i32 PassedEndgameBase[8], PassedOpeningLow[8], PassedEndgameFar[8], PassedOpeningHigh[8];
i32 MultiPasserBonus, PasserVsKnightBonus;
i32 RaceWinBase, KnownWinBonus;
i32 FreePushBonus, OwnKingPathWeight, EnemyKingPathWeight;
i32 RookBehindPasser[64], EnemyRookBehindPasser[64], KingSupportBonus[64];
i32 SupportedRunnerBonus[10], SupportedRunnersBonus[10];
i32 RookVsMinorsPasserBonus[9];

i32 FianchettoHoleWeight, ShelterCentreOpenFile, ShelterOpenFile, QueenOffHomePenalty;
i32 NoQueenShelterScale;
i32 ShelterGapBonus[8];
i32 ShelterDefectWeight[8], ShelterOpenFileWeight[4], ShelterHalfOpenWeight[4];
i32 QueenCheckSteps[5];
i32 QueenCheckBonus[32];
i32 AttackerCountWeight[17];
i32 ShelterWeight[64];
i32 DangerWeight[128];

i32 PawnEndingKingBonus, BlockedCentralPawnPenalty;
i32 BareKingBonus, MopUpBonus, MopUpExtra, MopUpNoMajorsBonus, MopUpKingDistanceWeight;
i32 BishopKnightMateBonus, BishopKnightCornerWeight, KnightBothWingsPenalty;
i32 RookPawnCountWeight, RookPawnRankWeight, RookPawnBase, RookPawnKingNear;
i32 RookVsTwoRunners, RookVsManyRunners;
i32 RookStopsLonePawn, RookStopsPawnsBlocked, RookStopsPawnsFree;

i32 FrontOfKingPawnsScale;
i32 RookPawnInFrontScale, KnightPawnInFrontScale, CentrePawnInFrontScale;
i32 RookEndingKingAwayScale;
i32 PawnEndingBlockedScale, BlockedPasserScale, BlockedNoPasserScale;
i32 OppositeBishopsScale, OppositeBishopsUnevenScale;
i32 OppositeBishopsPiecesScale, OppositeBishopsRookMaterialScale;
i32 PawnlessEqualScale, PawnlessQueenMinorScale, PawnlessRookScale;
i32 PawnlessMinorsVsRookScale;
i32 RookBishopCutOffScale, RookBishopScale, RookKnightCutOffScale, RookKnightScale;
i32 RookVsBishopScale, RookVsKnightScale;
i32 MinorsVsBishopScale, MinorsVsKnightScale, KnightsVsKnightScale;
i32 MinorVsMinorScale, TwoMinorsEachScale, RookMinorVsMinorsScale;
i32 DrawishEndingScale1, DrawishEndingScale2, DrawishEndingScale3, DrawishEndingScale4;
i32 DrawishEndingScale5, DrawishEndingScale6, DrawishEndingScale7;
i32 OnePawnScale1, OnePawnScale2, OnePawnScale3;
i32 OnePawnScale4, OnePawnScale5, OnePawnScale6;

i32 BackRankPenalty, TrappedRookPenalty, RookOnWeakPawnFile, RookBoxedPenalty;
i32 RookHalfOpenFile, RookNoOpenFilePenalty, RookOnSeventh, RookSeventhDoubled;
i32 RookSeventhPasser, RookOnEighth, QueenOnEighth, QueenSeventhDoubled;
i32 KnightBlockedPawnBonus, TrappedBishopPenalty;
i32 BadBishopPawnOpening, BadBishopPawnEndgame;
i32 BadBishopBlockedOpening, BadBishopBlockedEndgame;
i32 LoneBishopBothWings, FianchettoBishopBonus;
i32 BishopMobilityOpening, BishopMobilityEndgame;
i32 RookMobilityOpening, RookMobilityEndgame;
i32 QueenMobilityOpening, QueenMobilityEndgame;
i32 RookOpenFileBonus[8];
i32 RookFileToKing[8], QueenKingDistance[8], QueenFileToKing[8];
i32 MinorSquareWeight[64];
i32 KnightLowMobility[37], KnightLowMobilityDecay;
i32 BishopLowMobility[57], BishopLowMobilityDecay;
i32 SquareWeightA[64], SquareWeightB[64];

// File values that no evaluation term reads; they are kept so that a file
// round-trips unchanged.
static i32 UnreadScalars[9];
static i32 UnreadTableSources[17];

// ---------------------------------------------------------------------------
// The file layout: one line per parameter, in file order. A block of count
// values goes to target[0..count-1]; for tables that DeriveParameterTables()
// completes by mirroring or replication, the target is the first cell the
// file supplies and the rest of the table is filled from it. The one block
// stored in another order is MaterialImbalance (see ImbalanceSlotIndex).

struct ParamSlot {
    i32 position;      // first line of the block in "values.txt", counted from 1
    i32 count;         // number of values
    i32* target;       // where they are stored
    i32 defaults[16];  // built-in values; a longer block is all zero
};

// clang-format off
constexpr ParamSlot ParamSlots[] = {
    // Pawn values by the majors/minors make-up of both sides.
    {1, 1, &PawnOpeningMajorsVsMajors, {0}},
    {2, 1, &PawnOpeningMinorsVsMajors, {0}},
    {3, 1, &PawnOpeningMajorsVsMinors, {0}},
    {4, 1, &PawnOpeningMinorsVsMinors, {0}},
    {5, 1, &PawnEndgameMajorsVsMajors, {0}},
    {6, 1, &PawnEndgameMinorsVsMajors, {0}},
    {7, 1, &PawnEndgameMajorsVsMinors, {0}},
    {8, 1, &PawnEndgameMinorsVsMinors, {0}},
    {9, 6, AttackerCountSteps, {0}},                       // carried only
    // Imbalance bonuses, then their endgame companions.
    {15, 1, &PieceUpBonus, {0}},
    {16, 1, &TwoMinorsVsRookBonus, {0}},
    {17, 1, &MinorsVsQueenBonus, {0}},
    {18, 1, &ExchangeBonus, {0}},
    {19, 1, &QueenVsRookMinorBonus, {0}},
    {20, 1, &QueenVsRooksBonus, {0}},
    {21, 1, &PieceUpEndgame, {0}},
    {22, 1, &TwoMinorsVsRookEndgame, {0}},
    {23, 1, &MinorsVsQueenEndgame, {0}},
    {24, 1, &ExchangeEndgame, {0}},
    {25, 1, &QueenVsRookMinorEndgame, {0}},
    {26, 1, &QueenVsRooksEndgame, {0}},
    // Piece values, opening and endgame alternating.
    {27, 1, &PieceValueOpening[PAWN], {0}},                // carried only
    {28, 1, &PieceValueEndgame[PAWN], {0}},                // carried only
    {29, 1, &PieceValueOpening[ROOK], {0}},
    {30, 1, &PieceValueEndgame[ROOK], {0}},
    {31, 1, &PieceValueOpening[KNIGHT], {0}},
    {32, 1, &PieceValueEndgame[KNIGHT], {0}},
    {33, 1, &PieceValueOpening[BISHOP], {0}},
    {34, 1, &PieceValueEndgame[BISHOP], {0}},
    {35, 1, &PieceValueOpening[QUEEN], {0}},
    {36, 1, &PieceValueEndgame[QUEEN], {0}},
    {37, ImbalanceSignatures, MaterialImbalance, {0}},     // file order differs
    // Candidate passer end points: opening low, high; endgame low, high.
    {2953, 4, PawnStructureWeight, {5, 55, 10, 110}},
    // Passed pawns by file a..d (mirrored to h..e).
    {2957, 4, PassedEndgameBase, {18, 19, 20, 21}},
    {2961, 4, PassedOpeningLow, {13, 12, 11, 11}},
    {2965, 4, PassedEndgameFar, {126, 133, 140, 147}},
    {2969, 4, PassedOpeningHigh, {90, 80, 75, 75}},
    {2973, 1, &MultiPasserBonus, {80}},
    {2974, 1, &PasserVsKnightBonus, {15}},
    {2975, 1, &FianchettoHoleWeight, {3}},
    {2976, 1, &ShelterCentreOpenFile, {8}},
    {2977, 1, &ShelterOpenFile, {6}},
    {2978, 1, &QueenOffHomePenalty, {12}},
    // A block of 38 scalars.
    {2979, 1, &LoneBishopBothWings, {25}},
    {2980, 1, &FianchettoBishopBonus, {10}},
    {2981, 1, &PawnEndingKingBonus, {150}},
    {2982, 1, &UnreadScalars[0], {12}},                    // carried only
    {2983, 1, &RookBoxedPenalty, {20}},
    {2984, 1, &RookOnSeventh, {30}},
    {2985, 1, &RookHalfOpenFile, {5}},
    {2986, 1, &TrappedRookPenalty, {30}},
    {2987, 1, &RookSeventhPasser, {20}},
    {2988, 1, &QueenSeventhDoubled, {10}},
    {2989, 1, &RookNoOpenFilePenalty, {12}},
    {2990, 1, &UnreadScalars[1], {50}},                    // carried only
    {2991, 1, &RookSeventhDoubled, {24}},
    {2992, 1, &BareKingBonus, {300}},
    {2993, 1, &MopUpBonus, {110}},
    {2994, 1, &BishopKnightCornerWeight, {20}},
    {2995, 1, &BishopKnightMateBonus, {100}},
    {2996, 1, &MopUpKingDistanceWeight, {15}},
    {2997, 1, &BadBishopPawnOpening, {2}},
    {2998, 1, &BadBishopPawnEndgame, {4}},
    {2999, 1, &BadBishopBlockedOpening, {4}},
    {3000, 1, &BadBishopBlockedEndgame, {6}},
    {3001, 1, &KnightBlockedPawnBonus, {3}},
    {3002, 1, &TrappedBishopPenalty, {180}},
    {3003, 1, &UnreadScalars[2], {70}},                    // carried only
    {3004, 1, &UnreadScalars[3], {90}},                    // carried only
    {3005, 1, &UnreadScalars[4], {35}},                    // carried only
    {3006, 1, &QueenOnEighth, {30}},
    {3007, 1, &RookOnEighth, {20}},
    {3008, 1, &UnreadScalars[5], {15}},                    // carried only
    {3009, 1, &UnreadScalars[6], {20}},                    // carried only
    {3010, 1, &UnreadScalars[7], {10}},                    // carried only
    {3011, 1, &UnreadScalars[8], {12}},                    // carried only
    {3012, 1, &KnightBothWingsPenalty, {25}},
    {3013, 1, &RookOnWeakPawnFile, {7}},
    {3014, 1, &BackRankPenalty, {12}},
    {3015, 1, &MopUpExtra, {15}},
    {3016, 1, &MopUpNoMajorsBonus, {15}},
    {3017, 1, &QueenKnightBonus, {15}},
    {3018, 1, &RookBishopBonus, {15}},
    // King shelter.
    {3019, 8, ShelterGapBonus, {0, 0, 0, 5, 25, 30, 35, 40}},
    {3027, 8, ShelterDefectWeight, {0, 1, 2, 3, 4, 5, 6, 7}},
    {3035, 4, ShelterOpenFileWeight, {0, 8, 13, 16}},
    {3039, 4, ShelterHalfOpenWeight, {0, 3, 7, 9}},
    // Pawn races.
    {3043, 1, &RaceWinBase, {500}},
    {3044, 1, &KnownWinBonus, {550}},
    {3045, 1, &FreePushBonus, {60}},
    {3046, 1, &OwnKingPathWeight, {5}},
    {3047, 1, &EnemyKingPathWeight, {20}},
    // Table sources of the piece terms.
    {3048, 12, UnreadTableSources, {4, 5, 6, 3, 4, 5, 2, 3, 4, 7, 8, 9}},  // carried only
    {3060, 3, RookFileToKing, {2, 2, 1}},                  // file distance 0..2, then 0
    {3063, 4, RookOpenFileBonus, {16, 18, 20, 22}},        // files a..d, mirrored
    {3067, 5, QueenKingDistance, {2, 2, 2, 1, 1}},         // king distance 0..4, then 0
    {3072, 3, QueenFileToKing, {2, 2, 1}},                 // file distance 0..2, then 0
    // Pawn-structure penalties by file a..d (mirrored to h..e).
    {3075, 4, DoubledPawnPenalty, {10, 10, 10, 12}},
    {3079, 4, DoubledPawnPenaltyEnd, {18, 18, 18, 20}},
    {3083, 4, IsolatedPawnPenalty, {8, 9, 10, 12}},
    {3087, 4, IsolatedOpenPawnPenalty, {18, 19, 20, 22}},
    {3091, 4, IsolatedPawnPenaltyEnd, {18, 19, 20, 22}},
    {3095, 4, BackwardPawnPenalty, {6, 7, 8, 10}},
    {3099, 4, BackwardOpenPawnPenalty, {12, 14, 16, 18}},
    {3103, 4, BackwardPawnPenaltyEnd, {8, 9, 10, 12}},
    // Mobility weights.
    {3107, 1, &BishopMobilityOpening, {3}},
    {3108, 1, &BishopMobilityEndgame, {3}},
    {3109, 1, &RookMobilityOpening, {2}},
    {3110, 1, &RookMobilityEndgame, {4}},
    {3111, 1, &QueenMobilityOpening, {1}},
    {3112, 1, &QueenMobilityEndgame, {2}},
    {3113, 1, &NoQueenShelterScale, {128}},
    // Bishop pair: one value for 0..4 opponent pawns, then 5, 6, 7, 8.
    {3114, 1, &BishopPairByPawns[0], {50}},
    {3115, 4, &BishopPairByPawns[5], {45, 40, 30, 15}},
    {3119, 4, &RankWeight[3], {26, 77, 154, 256}},        // relative ranks 3..6
    {3123, 1, &BreakthroughBonus[5], {0}},
    {3124, 1, &BreakthroughBonus[6], {0}},
    // Pin bonuses, opening.
    {3125, 1, &SquareWeightA[PinIndex(BISHOP, PAWN)], {1}},
    {3126, 1, &SquareWeightA[PinIndex(BISHOP, ROOK)], {1}},
    {3127, 1, &SquareWeightA[PinIndex(BISHOP, KNIGHT)], {1}},
    {3128, 1, &SquareWeightA[PinIndex(BISHOP, QUEEN)], {1}},
    {3129, 1, &SquareWeightA[PinIndex(ROOK, PAWN)], {1}},
    {3130, 1, &SquareWeightA[PinIndex(ROOK, KNIGHT)], {1}},
    {3131, 1, &SquareWeightA[PinIndex(ROOK, BISHOP)], {1}},
    {3132, 1, &SquareWeightA[PinIndex(ROOK, QUEEN)], {1}},
    {3133, 1, &SquareWeightA[PinIndex(QUEEN, PAWN)], {1}},
    {3134, 1, &SquareWeightA[PinIndex(QUEEN, ROOK)], {1}},
    {3135, 1, &SquareWeightA[PinIndex(QUEEN, KNIGHT)], {1}},
    {3136, 1, &SquareWeightA[PinIndex(QUEEN, BISHOP)], {1}},
    // Pin bonuses, endgame.
    {3137, 1, &SquareWeightB[PinIndex(BISHOP, PAWN)], {1}},
    {3138, 1, &SquareWeightB[PinIndex(BISHOP, ROOK)], {1}},
    {3139, 1, &SquareWeightB[PinIndex(BISHOP, KNIGHT)], {1}},
    {3140, 1, &SquareWeightB[PinIndex(BISHOP, QUEEN)], {1}},
    {3141, 1, &SquareWeightB[PinIndex(ROOK, PAWN)], {1}},
    {3142, 1, &SquareWeightB[PinIndex(ROOK, KNIGHT)], {1}},
    {3143, 1, &SquareWeightB[PinIndex(ROOK, BISHOP)], {1}},
    {3144, 1, &SquareWeightB[PinIndex(ROOK, QUEEN)], {1}},
    {3145, 1, &SquareWeightB[PinIndex(QUEEN, PAWN)], {1}},
    {3146, 1, &SquareWeightB[PinIndex(QUEEN, ROOK)], {1}},
    {3147, 1, &SquareWeightB[PinIndex(QUEEN, KNIGHT)], {1}},
    {3148, 1, &SquareWeightB[PinIndex(QUEEN, BISHOP)], {1}},
    // Ending scale factors, first group.
    {3149, 1, &FrontOfKingPawnsScale, {128}},
    {3150, 1, &RookPawnInFrontScale, {128}},
    {3151, 1, &KnightPawnInFrontScale, {128}},
    {3152, 1, &CentrePawnInFrontScale, {128}},
    {3153, 1, &RookEndingKingAwayScale, {128}},
    {3154, 1, &BlockedCentralPawnPenalty, {25}},
    // One pawn in all.
    {3155, 1, &OnePawnScale1, {128}},
    {3156, 1, &OnePawnScale2, {128}},
    {3157, 1, &OnePawnScale3, {128}},
    {3158, 1, &OnePawnScale4, {128}},
    {3159, 1, &OnePawnScale5, {128}},
    {3160, 1, &OnePawnScale6, {128}},
    // Three pawns in all.
    {3161, 1, &DrawishEndingScale1, {128}},
    {3162, 1, &DrawishEndingScale2, {128}},
    {3163, 1, &DrawishEndingScale3, {128}},
    {3164, 1, &DrawishEndingScale4, {128}},
    {3165, 1, &DrawishEndingScale5, {128}},
    {3166, 1, &DrawishEndingScale6, {128}},
    {3167, 1, &DrawishEndingScale7, {128}},
    // Ending scale factors, second group.
    {3168, 1, &PawnEndingBlockedScale, {128}},
    {3169, 1, &BlockedPasserScale, {128}},
    {3170, 1, &BlockedNoPasserScale, {128}},
    {3171, 1, &OppositeBishopsScale, {128}},
    {3172, 1, &OppositeBishopsUnevenScale, {128}},
    {3173, 1, &OppositeBishopsPiecesScale, {128}},
    {3174, 1, &OppositeBishopsRookMaterialScale, {128}},
    {3175, 1, &PawnlessEqualScale, {128}},
    {3176, 1, &PawnlessQueenMinorScale, {128}},
    {3177, 1, &PawnlessRookScale, {128}},
    {3178, 1, &PawnlessMinorsVsRookScale, {128}},
    {3179, 1, &RookBishopCutOffScale, {128}},
    {3180, 1, &RookBishopScale, {128}},
    {3181, 1, &RookKnightCutOffScale, {128}},
    {3182, 1, &RookKnightScale, {128}},
    {3183, 1, &RookVsBishopScale, {128}},
    {3184, 1, &RookVsKnightScale, {128}},
    {3185, 1, &MinorsVsBishopScale, {128}},
    {3186, 1, &MinorsVsKnightScale, {128}},
    {3187, 1, &KnightsVsKnightScale, {128}},
    {3188, 1, &MinorVsMinorScale, {128}},
    {3189, 1, &TwoMinorsEachScale, {128}},
    {3190, 1, &RookMinorVsMinorsScale, {128}},
    // Rook against pawns.
    {3191, 1, &RookPawnCountWeight, {128}},
    {3192, 1, &RookPawnRankWeight, {128}},
    {3193, 1, &RookPawnBase, {128}},
    {3194, 1, &RookPawnKingNear, {128}},
    {3195, 1, &RookVsTwoRunners, {128}},
    {3196, 1, &RookVsManyRunners, {128}},
    {3197, 1, &RookStopsLonePawn, {128}},
    {3198, 1, &RookStopsPawnsBlocked, {128}},
    {3199, 1, &RookStopsPawnsFree, {128}},
    {3200, 1, &LowMaterialUnits, {9}},
    {3201, 1, &EndingUnitsWithoutQueen, {14}},
    {3202, 5, LoneMinorByPawns, {30, 60, 100, 110, 120}},  // pawns 0..3, then 4..8
    {3207, 4, &RookVsMinorsPasserBonus[1], {5, 10, 15, 20}},  // 1..3, then 4..8
    // Passer terms by the rank of a black pawn, each filling its whole rank.
    {3211, 1, &RookBehindPasser[A7], {13}},
    {3212, 1, &RookBehindPasser[A6], {15}},
    {3213, 1, &RookBehindPasser[A5], {17}},
    {3214, 1, &RookBehindPasser[A4], {19}},
    {3215, 1, &RookBehindPasser[A3], {20}},
    {3216, 1, &RookBehindPasser[A2], {21}},
    {3217, 1, &EnemyRookBehindPasser[A7], {11}},
    {3218, 1, &EnemyRookBehindPasser[A6], {12}},
    {3219, 1, &EnemyRookBehindPasser[A5], {13}},
    {3220, 1, &EnemyRookBehindPasser[A4], {14}},
    {3221, 1, &EnemyRookBehindPasser[A3], {14}},
    {3222, 1, &EnemyRookBehindPasser[A2], {14}},
    {3223, 1, &KingSupportBonus[A5], {1}},
    {3224, 1, &KingSupportBonus[A4], {6}},
    {3225, 1, &KingSupportBonus[A3], {30}},
    {3226, 1, &KingSupportBonus[A2], {50}},
    {3227, 5, &UnreadTableSources[12], {0, 64, 10, 6, 4}},  // carried only
    {3232, 14, RookByPawns, {15, 15, 13, 11, 9, 7, 5, 3, 1, -1, -3, -5, -7, -9}},
    {3246, 5, QueenCheckSteps, {1, 2, 3, 4, 4}},
    // Low-mobility penalties: start value and decay factor.
    {3251, 1, &KnightLowMobility[0], {85}},
    {3252, 1, &KnightLowMobilityDecay, {204}},
    {3253, 1, &BishopLowMobility[0], {85}},
    {3254, 1, &BishopLowMobilityDecay, {204}},
    // Supported runners by enemy units: each value fills 3, 3, 2, 1, 1 entries.
    {3255, 1, &SupportedRunnerBonus[0], {20}},
    {3256, 1, &SupportedRunnerBonus[3], {80}},
    {3257, 1, &SupportedRunnerBonus[6], {40}},
    {3258, 1, &SupportedRunnerBonus[8], {30}},
    {3259, 1, &SupportedRunnerBonus[9], {20}},
    {3260, 1, &SupportedRunnersBonus[0], {30}},
    {3261, 1, &SupportedRunnersBonus[3], {160}},
    {3262, 1, &SupportedRunnersBonus[6], {80}},
    {3263, 1, &SupportedRunnersBonus[8], {60}},
    {3264, 1, &SupportedRunnersBonus[9], {30}},
    // Low-mobility weight of the a1..d4 quadrant, mirrored to the board.
    {3265, 4, &MinorSquareWeight[A1], {120, 115, 110, 105}},
    {3269, 4, &MinorSquareWeight[A2], {110, 80, 70, 60}},
    {3273, 4, &MinorSquareWeight[A3], {100, 70, 20, 15}},
    {3277, 4, &MinorSquareWeight[A4], {90, 60, 15, 0}},
};
// clang-format on

// The blocks follow each other without gap or overlap and fill the file.
constexpr bool SlotsTileTheFile() {
    i32 next = 1;
    for (const ParamSlot& slot : ParamSlots) {
        if (slot.position != next || slot.count < 1) return false;
        if (slot.count > 16) {
            for (i32 value : slot.defaults)
                if (value != 0) return false;
        }
        next += slot.count;
    }
    return next == EvalParamCount + 1;
}
static_assert(SlotsTileTheFile(), "the parameter blocks must cover positions 1..3280 in order");

// MaterialImbalance is stored by signature index, but the file lists it with
// the black knights varying fastest, then white knights, black and white
// bishops, black and white rooks, black and white queens.
static i32 ImbalanceSlotIndex(i32 k) {
    const i32 blackKnights = k % 3, whiteKnights = k / 3 % 3;
    const i32 blackBishops = k / 9 % 3, whiteBishops = k / 27 % 3;
    const i32 blackRooks = k / 81 % 3, whiteRooks = k / 243 % 3;
    const i32 blackQueens = k / 729 % 2, whiteQueens = k / 1458;
    return ImbalanceIndex(whiteQueens, whiteRooks, whiteBishops, whiteKnights, blackQueens,
                          blackRooks, blackBishops, blackKnights);
}

// Where the k-th value of a block lives.
static i32& SlotValue(const ParamSlot& slot, i32 k) {
    return slot.target == MaterialImbalance ? MaterialImbalance[ImbalanceSlotIndex(k)]
                                            : slot.target[k];
}

static i32& ParamAt(i32 position) {
    for (const ParamSlot& slot : ParamSlots) {
        if (position < slot.position + slot.count) return SlotValue(slot, position - slot.position);
    }
    return SlotValue(ParamSlots[0], 0);  // unreachable for positions 1..3280
}

i32 EvalParamValue(i32 position) {
    assert(position >= 1 && position <= EvalParamCount);
    return ParamAt(position);
}

// ---------------------------------------------------------------------------
// King-attack weights: the built-in contents, and the ones a parameter file
// brings with it.

static void SetAttackerCountWeight(bool fromFile) {
    constexpr i32 builtIn[] = {0, 64, 192, 256, 288, 304, 312, 320};
    constexpr i32 withFile[] = {0, 303, 603, 904, 1204, 1504};
    const i32* source = fromFile ? withFile : builtIn;
    const i32 given = fromFile ? i32(std::size(withFile)) : i32(std::size(builtIn));
    for (i32 i = 0; i < 17; i++) AttackerCountWeight[i] = source[i < given ? i : given - 1];
}

static void SetBuiltInShelterAndDangerWeights() {
    // Shelter: one step per point of shelter penalty up to 32.
    for (i32 i = 0; i < 64; i++) ShelterWeight[i] = i + 8 < 32 ? i + 8 : 32;

    // Danger: linear at first, then a rising curve that levels off at 380.
    constexpr i32 curve[] = {17,  19,  21,  23,  26,  29,  32,  35,  39,  43,  47,
                             51,  56,  61,  66,  71,  77,  83,  89,  95,  102, 109,
                             117, 125, 134, 144, 155, 167, 179, 191, 203, 215};
    i32 i = 0;
    for (; i < 16; i++) DangerWeight[i] = i;
    for (i32 value : curve) DangerWeight[i++] = value;
    for (i32 value = 225; value <= 345; value += 10) DangerWeight[i++] = value;
    for (i32 value : {350, 354, 357, 359}) DangerWeight[i++] = value;
    for (i32 value = 360; value <= 380; value++) DangerWeight[i++] = value;
    for (; i < 128; i++) DangerWeight[i] = 380;
}

static void SetFileShelterAndDangerWeights() {
    constexpr i32 shelter[] = {8, 9, 10, 11, 13, 14, 15, 16, 18, 19, 20, 21, 23, 24, 25, 26};
    for (i32 i = 0; i < 64; i++) ShelterWeight[i] = i < 16 ? shelter[i] : 28;

    constexpr i32 danger[] = {0,   2,   4,   6,   8,   10,  12,  15,  18,  21,  25,  29,  33,
                              38,  44,  50,  56,  63,  71,  80,  89,  99,  110, 122, 135, 148,
                              163, 179, 196, 213, 232, 252, 274, 297, 320, 346, 372, 400, 430,
                              461, 494, 528, 563, 601, 640, 681, 723, 768, 814, 862, 912, 964};
    constexpr i32 given = i32(std::size(danger));
    for (i32 i = 0; i < 128; i++) DangerWeight[i] = danger[i < given ? i : given - 1];
}

// ---------------------------------------------------------------------------
// Tuning corrections that come with a parameter file, applied on top of the
// values read.

constexpr i32 BareKings = ImbalanceIndex(0, 0, 0, 0, 0, 0, 0, 0);
constexpr i32 KnightVsKnight = ImbalanceIndex(0, 0, 0, 1, 0, 0, 0, 1);
constexpr i32 QueenVsRook = ImbalanceIndex(1, 0, 0, 0, 0, 1, 0, 0);
constexpr i32 RookVsQueen = ImbalanceIndex(0, 1, 0, 0, 1, 0, 0, 0);

constexpr CorrectionRow BuiltInCorrections[] = {
    {CorrectionTable::SurplusWhiteAhead, BareKings, 108},
    {CorrectionTable::SurplusBlackAhead, BareKings, 108},
    {CorrectionTable::SurplusWhiteAhead, KnightVsKnight, 34},
    {CorrectionTable::SurplusBlackAhead, KnightVsKnight, 34},
    {CorrectionTable::SurplusWhiteAhead, QueenVsRook, -13},
    {CorrectionTable::SurplusBlackAhead, QueenVsRook, -13},
    {CorrectionTable::SurplusWhiteAhead, RookVsQueen, -13},
    {CorrectionTable::SurplusBlackAhead, RookVsQueen, -13},
};
constexpr i32 BuiltInCorrectionCount = i32(std::size(BuiltInCorrections));

static i32* CorrectionTarget(CorrectionTable table) {
    switch (table) {
        case CorrectionTable::SurplusWhiteAhead: return PawnSurplusWhiteAhead;
        case CorrectionTable::SurplusBlackAhead: return PawnSurplusBlackAhead;
        case CorrectionTable::Imbalance: return MaterialImbalance;
        case CorrectionTable::Material: return MaterialCorrection;
    }
    return nullptr;
}

static i32 CorrectionTableSize(CorrectionTable table) {
    return table == CorrectionTable::Material ? MaterialCorrectionSize : ImbalanceSignatures;
}

// The row that must come with row to keep the evaluation colour-blind.
static CorrectionRow PartnerRow(const CorrectionRow& row) {
    switch (row.table) {
        case CorrectionTable::SurplusWhiteAhead:
            return {CorrectionTable::SurplusBlackAhead, MirrorSignature(row.index), row.delta};
        case CorrectionTable::SurplusBlackAhead:
            return {CorrectionTable::SurplusWhiteAhead, MirrorSignature(row.index), row.delta};
        case CorrectionTable::Imbalance:
            return {row.table, MirrorSignature(row.index), -row.delta};
        case CorrectionTable::Material:
            return {row.table, MirrorMaterialCorrectionIndex(row.index), -row.delta};
    }
    return row;
}

static bool SameRow(const CorrectionRow& a, const CorrectionRow& b) {
    return a.table == b.table && a.index == b.index && a.delta == b.delta;
}

const char* CorrectionListProblem(const CorrectionRow* rows, i32 count) {
    i32 perTable[4] = {};
    constexpr i32 Limits[4] = {MaxSurplusCorrections, MaxSurplusCorrections,
                               MaxImbalanceCorrections, MaxMaterialCorrections};
    for (i32 k = 0; k < count; k++) {
        const i32 table = i32(rows[k].table);
        if (table < 0 || table > 3) return "unknown correction table";
        if (rows[k].index < 0 || rows[k].index >= CorrectionTableSize(rows[k].table))
            return "correction index outside its table";
        if (++perTable[table] > Limits[table]) return "too many corrections of one table";
    }
    // Every row as often as its partner: the pairs match one to one.
    for (i32 k = 0; k < count; k++) {
        const CorrectionRow partner = PartnerRow(rows[k]);
        i32 balance = 0;
        for (i32 j = 0; j < count; j++)
            balance += i32(SameRow(rows[j], rows[k])) - i32(SameRow(rows[j], partner));
        if (balance != 0 && !SameRow(partner, rows[k])) return "correction without its partner";
    }
    return nullptr;
}

#ifdef KORVALENT_TUNING
static CorrectionRow TunedCorrections[MaxCorrectionRows];
static i32 TunedCorrectionCount = 0;

const char* SetTunedCorrections(const CorrectionRow* rows, i32 count) {
    if (count < 0 || count > MaxCorrectionRows - BuiltInCorrectionCount)
        return "too many corrections";
    CorrectionRow list[MaxCorrectionRows];
    std::copy(BuiltInCorrections, BuiltInCorrections + BuiltInCorrectionCount, list);
    std::copy(rows, rows + count, list + BuiltInCorrectionCount);
    if (const char* problem = CorrectionListProblem(list, BuiltInCorrectionCount + count))
        return problem;
    std::copy(rows, rows + count, TunedCorrections);
    TunedCorrectionCount = count;
    return nullptr;
}
#endif

static void ApplyCorrectionRows(const CorrectionRow* rows, i32 count) {
    for (i32 k = 0; k < count; k++) {
        i32& entry = CorrectionTarget(rows[k].table)[rows[k].index];
        entry = SaturateToI32(i64(entry) + rows[k].delta);
    }
}

static void ApplyCorrections() {
    ApplyCorrectionRows(BuiltInCorrections, BuiltInCorrectionCount);
#ifdef KORVALENT_TUNING
    ApplyCorrectionRows(TunedCorrections, TunedCorrectionCount);
#endif
}

static void ClearCorrectionTables() {
    std::memset(PawnSurplusWhiteAhead, 0, sizeof PawnSurplusWhiteAhead);
    std::memset(PawnSurplusBlackAhead, 0, sizeof PawnSurplusBlackAhead);
    std::memset(MaterialCorrection, 0, sizeof MaterialCorrection);
}

// ---------------------------------------------------------------------------
// Built-in values.

void SetBuiltInEvalParams() {
    for (const ParamSlot& slot : ParamSlots) {
        for (i32 k = 0; k < slot.count; k++) SlotValue(slot, k) = k < 16 ? slot.defaults[k] : 0;
    }
    ClearCorrectionTables();
    SetAttackerCountWeight(false);
    SetBuiltInShelterAndDangerWeights();
}

// The parameters hold their built-in values from program start, before any
// code can read them.
[[maybe_unused]] static const bool BuiltInValuesSet = (SetBuiltInEvalParams(), true);

// ---------------------------------------------------------------------------
// Reading and writing "values.txt".

constexpr const char* ValuesFileName = "values.txt";

// Positions whose values every load resets before reading: the imbalance
// bonuses, their companions and the piece values.
constexpr i32 FirstResetPosition = 9;
constexpr i32 LastResetPosition = 36;

static bool IsSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// What a read of one number found.
enum class NumberRead { Value, NoNumber, OutOfRange };

// Reads the next decimal integer, skipping white space before it. NoNumber
// at the end of the file and at text that is not a number, OutOfRange for
// a number outside MinParamValue..MaxParamValue.
static NumberRead ReadNumber(FILE* file, i32& value) {
    int c = std::getc(file);
    while (c != EOF && IsSpace(c)) c = std::getc(file);
    const bool negative = c == '-';
    if (c == '-' || c == '+') c = std::getc(file);
    if (c < '0' || c > '9') return NumberRead::NoNumber;
    // Digits beyond the range only need to be told apart from it.
    constexpr i64 Beyond = i64(MaxParamValue) + 2;
    i64 magnitude = 0;
    for (; c >= '0' && c <= '9'; c = std::getc(file))
        magnitude = std::min(magnitude * 10 + (c - '0'), Beyond);
    if (c != EOF) std::ungetc(c, file);
    const i64 signedValue = negative ? -magnitude : magnitude;
    if (signedValue < MinParamValue || signedValue > MaxParamValue) return NumberRead::OutOfRange;
    value = i32(signedValue);
    return NumberRead::Value;
}

bool LoadValues() { return LoadValuesFrom(ValuesFileName); }

bool LoadValuesFrom(const char* path) {
    // The material parameters start from zero on every load; everything else
    // keeps its current value unless the file supplies one.
    for (i32 position = FirstResetPosition; position <= LastResetPosition; position++)
        ParamAt(position) = 0;
    std::memset(MaterialImbalance, 0, sizeof MaterialImbalance);
    ClearCorrectionTables();
    SetAttackerCountWeight(false);

    // The numbers up to the first text that is not one (a short or
    // malformed file leaves the rest at its current values); a number out
    // of range refuses the whole file, as one that cannot be opened.
    std::vector<i32> values;
    bool refused = true;
    // Only a regular file: a FIFO of that name would hold start-up for ever.
    const OpenedFile opened = OpenRegularFile(path, "r");
    if (FILE* file = opened.file) {
        values.reserve(EvalParamCount);
        NumberRead read = NumberRead::Value;
        i32 value = 0;
        while (i32(values.size()) < EvalParamCount &&
               (read = ReadNumber(file, value)) == NumberRead::Value)
            values.push_back(value);
        std::fclose(file);
        refused = read == NumberRead::OutOfRange;
    }
    if (refused) {
        std::printf("Error loading values.txt%s\n",
                    opened.failure == OpenFailure::NotRegular ? " (not a regular file)" : "");
        std::fflush(stdout);
        return false;
    }
    i32 next = 0;
    for (const ParamSlot& slot : ParamSlots)
        for (i32 k = 0; k < slot.count && next < i32(values.size()); k++)
            SlotValue(slot, k) = values[size_t(next++)];

    ApplyCorrections();
    SetAttackerCountWeight(true);
    SetFileShelterAndDangerWeights();
    return true;
}

bool WriteValues() { return WriteValuesTo(ValuesFileName); }

bool WriteValuesTo(const char* path) {
    // Write beside the target and rename over it, so the old file survives
    // any failure whole.
    const std::string temporary = std::string(path) + ".tmp";
    bool written = false;
    if (FILE* file = std::fopen(temporary.c_str(), "w")) {
        written = true;
        for (const ParamSlot& slot : ParamSlots) {
            for (i32 k = 0; k < slot.count; k++) {
                if (std::fprintf(file, "%d\n", SlotValue(slot, k)) < 0) written = false;
            }
        }
        if (std::fflush(file) != 0 || std::ferror(file)) written = false;
        if (std::fclose(file) != 0) written = false;
        if (written && std::rename(temporary.c_str(), path) != 0) written = false;
        if (!written) std::remove(temporary.c_str());
    }
    if (!written) {
        std::printf("Error writing values.txt\n");
        std::fflush(stdout);
    }
    return written;
}

// ---------------------------------------------------------------------------
// Derived tables.

// Files e..h take the values of d..a.
static void MirrorFiles(i32* table) {
    for (i32 file = 4; file < 8; file++) table[file] = table[7 - file];
}

// Every square of a rank takes the value of the rank's a-file square.
static void FillRanksFromFileA(i32* table) {
    for (Square sq = 0; sq < 64; sq++) table[sq] = table[MakeSquare(0, RankOf(sq))];
}

static void FillRange(i32* table, i32 first, i32 last, i32 value) {
    for (i32 i = first; i <= last; i++) table[i] = value;
}

static void BuildDecayTable(i32* table, i32 size, i32 factor) {
    for (i32 k = 1; k < size; k++) table[k] = SaturateToI32((i64(table[k - 1]) * factor) >> 8);
}

static void BuildCandidateBonus(i32* table, i32 low, i32 high) {
    for (i32 rank = 0; rank < 8; rank++)
        table[rank] = SaturateToI32(low + ((i64(high) - low) * RankWeight[rank] + 128) / 256);
}

void DeriveParameterTables() {
    for (i32* table : {DoubledPawnPenalty, DoubledPawnPenaltyEnd, IsolatedPawnPenalty,
                       IsolatedOpenPawnPenalty, IsolatedPawnPenaltyEnd, BackwardPawnPenalty,
                       BackwardOpenPawnPenalty, BackwardPawnPenaltyEnd, PassedEndgameBase,
                       PassedOpeningLow, PassedEndgameFar, PassedOpeningHigh, RookOpenFileBonus})
        MirrorFiles(table);

    // The quadrant a1..d4 mirrored left-right and top-bottom.
    for (Square sq = 0; sq < 64; sq++) {
        const i32 file = FileOf(sq) < 4 ? FileOf(sq) : 7 - FileOf(sq);
        const i32 rank = RankOf(sq) < 4 ? RankOf(sq) : 7 - RankOf(sq);
        MinorSquareWeight[sq] = MinorSquareWeight[MakeSquare(file, rank)];
    }

    for (i32* table : {RookBehindPasser, EnemyRookBehindPasser, KingSupportBonus})
        FillRanksFromFileA(table);

    FillRange(RookVsMinorsPasserBonus, 5, 8, RookVsMinorsPasserBonus[4]);
    FillRange(LoneMinorByPawns, 5, 8, LoneMinorByPawns[4]);
    FillRange(BishopPairByPawns, 1, 4, BishopPairByPawns[0]);
    FillRange(RookByPawns, 14, 16, RookByPawns[13]);
    for (i32* table : {SupportedRunnerBonus, SupportedRunnersBonus}) {
        FillRange(table, 1, 2, table[0]);
        FillRange(table, 4, 5, table[3]);
        table[7] = table[6];
    }

    // Safe queen checks: entries 1..4 add one step each, later entries the fifth.
    for (i32 n = 1; n < 32; n++)
        QueenCheckBonus[n] =
            SaturateToI32(i64(QueenCheckBonus[n - 1]) + QueenCheckSteps[n < 5 ? n - 1 : 4]);

    BuildDecayTable(KnightLowMobility, 37, KnightLowMobilityDecay);
    BuildDecayTable(BishopLowMobility, 57, BishopLowMobilityDecay);

    BuildCandidateBonus(CandidateBonusOpening, PawnStructureWeight[0], PawnStructureWeight[1]);
    BuildCandidateBonus(CandidateBonusEndgame, PawnStructureWeight[2], PawnStructureWeight[3]);
}
