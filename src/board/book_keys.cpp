#include "board/book_keys.h"

#include "board/attacks.h"
#include "board/board.h"
#include "board/keys.h"

void ComputeBookKeys(u32* key1, u32* key2) {
    u32 first = 0, second = 0;
    for (Side side : {BLACK, WHITE}) {
        const i32 row = side == BLACK ? 8 : 0;
        for (u64 set = board.Bitboards[0][side]; set;) {
            const Square sq = PopLowest(set);
            const i32 index = (board.Squares[sq] + row) * 64 + sq;
            first ^= BookKeyTable1[index];
            second ^= BookKeyTable2[index];
        }
    }
    *key1 = first;
    *key2 = second;
}
