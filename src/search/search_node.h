// What the node entry of Search hands to the move loop that plays the
// node's moves, and the move loop itself (search_loop.cpp). The two halves
// of a node call each other through the tree: Search ends in SearchMoveLoop,
// and the move loop searches each child through SearchChild (search.h).
#pragma once

#include "board/types.h"

// The state that the node entry of Search hands to its move loop.
struct SearchNode {
    i32 alpha, beta, depth, nodeKind;
    i32 low;  // mate-distance floor: the node's starting best score
    bool inCheck;
    i32 eval;         // static score after the fifty-move scaling
    i32 historyHalf;  // history half of quiet moves at this node
    i32 ownOptimism, oppOptimism;
    u64 alertMaps[2];    // eval_info.alert_squares of White and Black
    Move hashMove;       // table, internal-deepening or single-reply move; 0 = none
    Move singleReply;    // the only evasion in check, else 0
    i32 mateThreat;      // passing would be mated at once
    i32 fullExtensions;  // extensions count in full (else half)
    i32 endgameReduce;   // quiet moves go two plies shallower
    i32 moveStackBase;   // MoveStackTop at node entry; evasions start here
};

// Plays the node's moves and returns its score; MoveStackTop is back at
// moveStackBase on return.
i32 SearchMoveLoop(SearchNode& node);
