// Piece lists for table index functions, written as "Ke1 Qd1 Qh5".
#pragma once

#include <cstring>
#include <string>

#include "board/types.h"

struct IndexLists {
    u32 white[16];
    u32 black[16];
};

// Slots never filled hold a value no square has, so reading one shows.
constexpr u32 UnusedSlot = 0xDEAD;

inline u32 SquareOf(const char* text) { return u32((text[1] - '1') * 8 + (text[0] - 'a')); }

inline void FillList(u32* list, const std::string& men) {
    for (i32 i = 0; i < 16; i++) list[i] = UnusedSlot;
    i32 next[6] = {0, 3, 6, 9, 12, 15};
    for (size_t at = 0; at + 2 < men.size() + 1; at += 4) {
        const i32 kind = i32(std::strchr("PNBRQK", men[at]) - "PNBRQK");
        list[next[kind]++] = SquareOf(men.c_str() + at + 1);
    }
}

inline IndexLists MakeIndexLists(const std::string& white, const std::string& black) {
    IndexLists lists;
    FillList(lists.white, white);
    FillList(lists.black, black);
    return lists;
}
