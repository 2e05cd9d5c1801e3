#include "eval/king_shelter.h"

#include "board/attacks.h"
#include "board/board.h"
#include "board/search_state.h"
#include "eval/eval_info.h"
#include "eval/eval_params.h"
#include "eval/personality.h"

namespace {

// Castling-right bits of CastlingFlags per side.
constexpr i32 KingSideRight[2] = {1, 4};
constexpr i32 QueenSideRight[2] = {2, 8};

// The square of a file on a rank counted from the side's own back rank.
constexpr Square RelativeSquare(Side side, i32 file, i32 relativeRank) {
    return MakeSquare(file, side == WHITE ? relativeRank : 7 - relativeRank);
}

constexpr i32 FileA = 0, FileB = 1, FileC = 2, FileD = 3, FileE = 4, FileF = 5, FileG = 6,
              FileH = 7;

// The three files of a wing from the edge inward: edge, knight and bishop
// file.
constexpr i32 KingWingFiles[3] = {FileH, FileG, FileF};
constexpr i32 QueenWingFiles[3] = {FileA, FileB, FileC};
constexpr i32 EdgeFile = 0, KnightFile = 1, BishopFile = 2;

// The counts behind one wing's defect bytes.
struct WingCount {
    i32 defects[2];   // per side: pawn cover missing or advanced
    i32 halfOpen[2];  // per side: files without a pawn of that side
    i32 open;         // files without any pawn
};

WingCount CountWing(const i32 (&files)[3]) {
    const u64 pawns[2] = {board.Bitboards[PAWN][WHITE], board.Bitboards[PAWN][BLACK]};
    WingCount count{};
    for (i32 index = EdgeFile; index <= BishopFile; index++) {
        // The bishop file only matters once the wing already shows a hole.
        const bool wingTouched = count.halfOpen[WHITE] || count.halfOpen[BLACK] || count.open;
        bool examined[2];
        for (Side side : {WHITE, BLACK})
            examined[side] = index != BishopFile || wingTouched || count.defects[side];
        if (!examined[WHITE] && !examined[BLACK]) continue;

        const i32 file = files[index];
        const u64 fileMask = FileMask[file];
        if (((pawns[WHITE] | pawns[BLACK]) & fileMask) == 0) {
            count.open += 1;
            continue;
        }
        for (Side side : {WHITE, BLACK}) {
            if (!examined[side]) continue;
            const u64 own = pawns[side] & fileMask;
            if (own) {
                // A pawn that has left its second rank leaves a hole; the
                // knight-file pawn is the heart of the shelter.
                if ((own & SquareBit(RelativeSquare(side, file, 1))) == 0) {
                    count.defects[side] += 1;
                    if ((own & SquareBit(RelativeSquare(side, file, 2))) == 0)
                        count.defects[side] += 1;
                    if (index == KnightFile) count.defects[side] += 1;
                }
            } else {
                count.halfOpen[side] += 1;
                if (index != BishopFile) count.defects[side] += 1;
            }
        }
    }

    // A fianchetto: the knight-file pawn on the third rank next to a
    // neighbour on the third rank still shields the king.
    for (Side side : {WHITE, BLACK}) {
        if (count.defects[side] <= 0) continue;
        const auto onThirdRank = [&](i32 index) {
            return (pawns[side] & SquareBit(RelativeSquare(side, files[index], 2))) != 0;
        };
        if (onThirdRank(KnightFile) && (onThirdRank(BishopFile) || onThirdRank(EdgeFile)))
            count.defects[side] -= 1;
    }
    return count;
}

u8 DefectByte(const WingCount& count, Side side) {
    const Side enemy = ChangeSide(side);
    const i64 value = i64(ShelterDefectWeight[count.defects[side]]) +
                      ShelterHalfOpenWeight[count.halfOpen[side]] +
                      (ShelterHalfOpenWeight[count.halfOpen[enemy]] >> 1) +
                      ShelterOpenFileWeight[count.open];
    return u8(value < 0 ? 0 : value > 255 ? 255 : value);
}

// The cover one file gives a king that has not castled yet: the file's
// weight when no pawn stands on it, half of it when only enemy pawns do,
// else 0, 1 or 2 as the side's pawn stands on its second rank, third rank
// or further up.
i32 CentreFileTerm(Side side, i32 file, i32 openWeight) {
    const u64 fileMask = FileMask[file];
    if (((board.Bitboards[PAWN][WHITE] | board.Bitboards[PAWN][BLACK]) & fileMask) == 0)
        return openWeight;
    const u64 own = board.Bitboards[PAWN][side] & fileMask;
    if (own == 0) return openWeight >> 1;
    if (own & SquareBit(RelativeSquare(side, file, 1))) return 0;
    if (own & SquareBit(RelativeSquare(side, file, 2))) return 1;
    return 2;
}

// The three files around a king on its own central file.
i32 CentreFilesAround(Side side, i32 kingFile) {
    return CentreFileTerm(side, kingFile - 1, ShelterOpenFile) +
           CentreFileTerm(side, kingFile, ShelterCentreOpenFile) +
           CentreFileTerm(side, kingFile + 1, ShelterOpenFile) + 1;
}

// A hole on the knight file's second rank with an enemy bishop or pawn
// already on the bishop file's third rank, while the enemy queen can use it.
bool FianchettoHole(Side side, i32 knightFile, i32 bishopFile, bool enemyHasQueen) {
    const Side enemy = ChangeSide(side);
    const u64 intruders = board.Bitboards[BISHOP][enemy] | board.Bitboards[PAWN][enemy];
    return (board.Bitboards[PAWN][side] & SquareBit(RelativeSquare(side, knightFile, 1))) == 0 &&
           (intruders & SquareBit(RelativeSquare(side, bishopFile, 2))) != 0 && enemyHasQueen;
}

i32 EvaluateKingShelter(Side side) {
    const Side enemy = ChangeSide(side);
    const PawnEntry& pawns = board.LastPawnEntry;
    const i32 defectsKingSide = side == WHITE ? pawns.white_defects_k : pawns.black_defects_k;
    const i32 defectsQueenSide = side == WHITE ? pawns.white_defects_q : pawns.black_defects_q;
    const Square king = board.KingSquare[side] & 63;
    const i32 kingFile = FileOf(king);
    const bool enemyHasQueen = board.PieceCount[QUEEN][enemy] > 0;
    const i32 rights = board.CastlingFlags & (KingSideRight[side] | QueenSideRight[side]);

    i64 penalty = KingSquareShelter[side == WHITE ? king : 63 - king];
    i32 extra = 0;
    if (rights) {
        // Still able to castle: the centre files count, and so does the
        // better of the wings it may still go to.
        if ((board.Bitboards[QUEEN][side] & SquareBit(RelativeSquare(side, FileD, 0))) == 0)
            extra = -QueenOffHomePenalty;
        const i32 centre = CentreFileTerm(side, FileD, ShelterOpenFile) +
                           CentreFileTerm(side, FileE, ShelterCentreOpenFile) +
                           CentreFileTerm(side, FileF, ShelterOpenFile);
        i32 wing = centre;
        if ((rights & QueenSideRight[side]) && defectsQueenSide < wing) wing = defectsQueenSide;
        if ((rights & KingSideRight[side]) && defectsKingSide < wing) wing = defectsKingSide;
        if (wing < 0) wing = 0;
        penalty += (centre >> 1) + (wing >> 1);
    } else if (kingFile < FileE) {
        penalty += defectsQueenSide;
        if (FianchettoHole(side, FileB, FileC, enemyHasQueen)) penalty += FianchettoHoleWeight;
        if (kingFile == FileD) penalty += CentreFilesAround(side, FileD);
    } else {
        penalty += defectsKingSide;
        if (FianchettoHole(side, FileG, FileF, enemyHasQueen)) penalty += FianchettoHoleWeight;
        if (kingFile == FileE) penalty += CentreFilesAround(side, FileE);
    }

    // Without the enemy queen an open king is far less exposed.
    if (!enemyHasQueen) penalty = (penalty * NoQueenShelterScale) >> 8;
    const i32 clamped = i32(penalty < 0                   ? 0
                            : penalty > ShelterPenaltyMax ? ShelterPenaltyMax
                                                          : penalty);
    eval_info.shelter_penalty[side] = clamped;

    // The engine's own king is weighed by its cowardice, the opponent's by
    // its aggressivity.
    const i32 weight = side == EngineSide ? CowardiceWeight : AggressivityWeight;
    return extra - i32(i64(Shelter[clamped]) * weight / 100);
}

}  // namespace

void ComputeShelterDefects() {
    const WingCount kingWing = CountWing(KingWingFiles);
    const WingCount queenWing = CountWing(QueenWingFiles);
    PawnEntry& entry = board.LastPawnEntry;
    entry.white_defects_k = DefectByte(kingWing, WHITE);
    entry.white_defects_q = DefectByte(queenWing, WHITE);
    entry.black_defects_k = DefectByte(kingWing, BLACK);
    entry.black_defects_q = DefectByte(queenWing, BLACK);
}

i32 EvaluateWhiteKingShelter() { return EvaluateKingShelter(WHITE); }

i32 EvaluateBlackKingShelter() { return EvaluateKingShelter(BLACK); }
