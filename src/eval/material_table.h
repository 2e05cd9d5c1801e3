// The material table: for every combination of piece counts the game phases,
// whether each side can still win, whether each king may be treated as in an
// ending, and how far the material balance deviates from the plain sum of
// piece values. Plus the direct computation used when a position has no
// entry (a third piece of one kind after a promotion).
#pragma once

#include "board/board.h"
#include "eval/eval_info.h"

// Bits of MaterialEntry::flags[side].
constexpr u8 CannotWinFlag = 1;  // the side's material cannot win
constexpr u8 EndingFlag = 2;     // the side's king is treated as in an ending

struct MaterialEntry {
    u8 flags[2];        // [WHITE], [BLACK]
    i16 current_phase;  // 0 (all pieces on) .. 256 (no pieces)
    i16 black_phase;    // 0..256 from black's pieces
    i16 white_phase;    // 0..256 from white's pieces
    i16 score;          // added to Material[BLACK] - Material[WHITE]; positive favours black
};
static_assert(sizeof(MaterialEntry) == 10, "material entries are 10 bytes");

// Indexed by the board's MaterialIndex. The extra entry at MaterialIndexNone
// has clear flags, phases -1 and score 0, so a reader that does not test for
// "no entry" finds both cannot-win flags clear.
extern MaterialEntry MaterialTable[MaterialIndexNone + 1];

// True when the index names a real entry (not the no-entry index, and not a
// value outside the table that a malformed position could produce).
inline bool HasMaterialEntry(i32 index) { return u32(index) < u32(MaterialIndexNone); }

// The entry for an index; the no-entry sentinel for any index without one.
inline const MaterialEntry& MaterialEntryFor(i32 index) {
    return MaterialTable[HasMaterialEntry(index) ? index : MaterialIndexNone];
}

// Builds every working table derived from the evaluation parameters, the
// material table last. Start-up calls it right after LoadValues(), and so
// does the "reload" command.
void DeriveEvalTables();

// Reads "values.txt" again (LoadValues) and rebuilds everything scored from
// the parameters: the derived tables, the pawn hash and the evaluation cache.
void ReloadEvalParams();

// The material-table part of DeriveEvalTables().
void BuildMaterialTable();

// The piece-count path of LoadMaterialTableEntry, for material without an
// entry.
void ComputeMaterialPhaseAndEndings();

// Sets the board's three phase fields and eval_info's ENDING flags for the
// board's current material: from its table entry, or computed from the piece
// counts when it has none. The table read is inline: the search asks for it
// at every move it weighs.
inline void LoadMaterialTableEntry() {
    if (!HasMaterialEntry(board.MaterialIndex)) {
        ComputeMaterialPhaseAndEndings();
        return;
    }
    const MaterialEntry& entry = MaterialTable[board.MaterialIndex];
    board.current_phase = entry.current_phase;
    board.black_phase = entry.black_phase;
    board.white_phase = entry.white_phase;
    eval_info.ENDING[WHITE] = entry.flags[WHITE] & EndingFlag;
    eval_info.ENDING[BLACK] = entry.flags[BLACK] & EndingFlag;
}

// Sets the board's three phase fields from MinorCount and MajorUnits.
void ComputeGamePhase();

// The material term computed from the board's counts, black minus white:
// Material[BLACK] - Material[WHITE] less the imbalance adjustment.
i32 EvaluateMaterial();
