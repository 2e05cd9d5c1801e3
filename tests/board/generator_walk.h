// The perft walk under its former name: it now lives in
// support/position_walk.h, which new tests include directly.
#pragma once

#include "support/position_walk.h"

namespace generator_walk {

using ::PerftWalkDepth;
using ::SideToMoveInCheck;
using ::WalkFromHere;
using ::WalkPerftPositions;

inline void WalkFromRoots(const char* const* roots, i32 rootCount, i32 depth,
                          const std::function<void()>& visit) {
    ::WalkFromRoots(std::vector<const char*>(roots, roots + rootCount), depth, visit);
}

}  // namespace generator_walk
