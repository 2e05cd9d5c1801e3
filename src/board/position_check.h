// Sanity test of a whole position before it replaces the board: the rules a
// set-up text or an edited board must satisfy so that every routine of the
// engine can work on it.
#pragma once

#include "board/types.h"

// A position as plain placement: piece type and owner per square.
struct Placement {
    PieceType type[64];
    Side owner[64];
    Side sideToMove;
};

// Null when the placement is playable; otherwise a short reason, printed
// after "Illegal position: ".
const char* PlacementProblem(const Placement& placement);

// The current board as a placement.
Placement CurrentPlacement();

// Prints the one-line refusal, unless QuietPositionRefusals is set; the
// reason is kept in LastPositionRefusal either way.
void ReportIllegalPosition(const char* reason);
// Set by a tool that reports refused set-up texts in its own words.
extern bool QuietPositionRefusals;
extern const char* LastPositionRefusal;
