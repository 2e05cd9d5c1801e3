// Pawn structure and the pawn hash: chains, doubled, isolated and backward
// pawns, passed and candidate passed pawns, break-throughs and the spread of
// each side's pawns, all cached by the pawn key, plus the push-safety tests
// of the passed-pawn term.
//
// After EvaluatePawnStructure() board.LastPawnEntry describes the pawns on
// the board (scores, file masks and the shelter defect bytes) and
// eval_info.passed_pawns holds the passed pawns as squares.
#pragma once

#include <array>

#include "board/pawn_entry.h"
#include "board/types.h"

namespace pawn_structure_detail {
constexpr std::array<i32, 64> BuildPawnChainBonus() {
    // Ranks 1..5 seen from Black (a black pawn on rank index 1 is about to
    // promote); ranks 0, 6 and 7 earn nothing.
    // clang-format off
    constexpr i32 byRank[5][8] = {
        {12, 18, 21, 24, 24, 21, 18, 12},
        { 8, 12, 14, 16, 16, 14, 12,  8},
        { 4,  6,  7,  8,  8,  7,  6,  4},
        { 2,  3,  4,  5,  5,  4,  3,  2},
        { 1,  2,  2,  2,  2,  2,  2,  1},
    };
    // clang-format on
    std::array<i32, 64> table{};
    for (i32 sq = 0; sq < 64; sq++) {
        const i32 rank = RankOf(sq);
        table[sq] = rank >= 1 && rank <= 5 ? byRank[rank - 1][FileOf(sq)] : 0;
    }
    return table;
}
}  // namespace pawn_structure_detail

// Bonus of a pawn defended by a pawn or standing beside one, by the square
// of a black pawn; a white pawn reads it at its rank-mirrored square
// (square ^ 56).
inline constexpr std::array<i32, 64> PawnChainBonus = pawn_structure_detail::BuildPawnChainBonus();

// Endgame bonus per file between a side's outermost pawns.
constexpr i32 PawnSpanWeight = 6;

// Adds the pawn-structure scores (black minus white) to *opening and
// *endgame and leaves board.LastPawnEntry describing the pawns on the board.
// Looks the pawns up in the board's copy of the last entry, then in
// PawnTable; on a miss computes everything (the shelter defects included)
// and stores it, always replacing. With PawnEntries 0 (or no table) nothing
// is stored and the copy's key is the wiped key, so it never answers.
void EvaluatePawnStructure(i32* opening, i32* endgame);

// 1 when the pawn on sq may step one square forward without losing
// material in the exchange that follows, else 0 (also when the square ahead
// is occupied or off the board). The side to move is the pawn's side for the
// span of the test and restored afterwards.
i32 WhitePawnPushIsSafe(Square sq);
i32 BlackPawnPushIsSafe(Square sq);

// The per-side masks of a pawn entry by side; their storage order differs
// from field to field (passers and weak files black first, pawn files and
// candidates white first).
inline u8& PassedVectorOf(PawnEntry& entry, Side side) { return entry.PassedVector[side ^ 1]; }
inline u8& PawnFilesOf(PawnEntry& entry, Side side) { return entry.PawnFiles[side]; }
inline u8& CandidateFilesOf(PawnEntry& entry, Side side) { return entry.CandidateFiles[side]; }
inline u8& WeakOpenFilesOf(PawnEntry& entry, Side side) { return entry.WeakOpenFiles[side ^ 1]; }
inline u8 PassedVectorOf(const PawnEntry& entry, Side side) { return entry.PassedVector[side ^ 1]; }
inline u8 PawnFilesOf(const PawnEntry& entry, Side side) { return entry.PawnFiles[side]; }
inline u8 CandidateFilesOf(const PawnEntry& entry, Side side) { return entry.CandidateFiles[side]; }
inline u8 WeakOpenFilesOf(const PawnEntry& entry, Side side) {
    return entry.WeakOpenFiles[side ^ 1];
}
