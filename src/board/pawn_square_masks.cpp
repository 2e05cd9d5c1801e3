// The knight-stop masks.
#include "board/pawn_square_masks.h"

#include "board/attacks.h"

u64 KnightStopMask[64][64];

// Bit k of [pawn][context] is set at the first step n (the pawn on s_n =
// pawn - 8 (n - 1), going down while on the board) where the knight on k
// reaches s_n within n moves, or needs n + 1 moves but some square the
// context square's knight pattern touches is on a route one move shorter.
void InitPawnSquareMasks() {
    for (Square context = 0; context < 64; context++) {
        const u64 contextTargets = KnightAttacks[context];
        for (Square pawn = 8; pawn <= 55; pawn++) {
            u64 mask = 0;
            for (Square knight = 0; knight < 64; knight++) {
                for (i32 step = 1, path = pawn; path >= 0; step++, path -= 8) {
                    const i32 distance = i32(KnightDistance[path][knight]);
                    bool reaches = distance <= step;
                    if (!reaches && distance == step + 1) {
                        for (u64 targets = contextTargets; targets && !reaches;) {
                            const Square via = PopLowest(targets);
                            reaches = i32(KnightDistance[via][knight]) +
                                          i32(KnightDistance[path][via]) - 1 <=
                                      step;
                        }
                    }
                    if (reaches) {
                        mask |= SquareBit(knight);
                        break;
                    }
                }
            }
            KnightStopMask[pawn][context] = mask;
        }
    }
}
