#include "tablebase/material_trie.h"

#include <algorithm>

#include "tablebase/index/index_tables.h"

namespace {

// One node: the largest count its level may take here and one slot per
// count 0..maxCount, a child node in the upper levels, a table id in the last.
struct MaterialTrieNode {
    i32 maxCount;
    union Slot {
        MaterialTrieNode* child;
        i32 id;
    } slots[MaxNonKingMen + 1];
};

MaterialTrieNode* MaterialTrie = nullptr;

MaterialTrieNode* BuildMaterialTrieNode(i32 maxCount, i32 levelsBelow) {
    auto* node = static_cast<MaterialTrieNode*>(TablebaseAlloc(sizeof(MaterialTrieNode)));
    node->maxCount = maxCount;
    for (i32 count = 0; count <= maxCount; ++count) {
        if (levelsBelow > 0)
            node->slots[count].child = BuildMaterialTrieNode(maxCount - count, levelsBelow - 1);
        else
            node->slots[count].id = 0;
    }
    return node;
}

// The leaf slot of counts, null when a count exceeds its node's room.
MaterialTrieNode::Slot* FindLeafSlot(const i32* counts) {
    MaterialTrieNode* node = MaterialTrie;
    if (node == nullptr) return nullptr;
    for (i32 level = 0;; ++level) {
        const i32 count = counts[level];
        if (count < 0 || count > node->maxCount) return nullptr;
        if (level == MaterialCountSlots - 1) return &node->slots[count];
        node = node->slots[count].child;
    }
}

}  // namespace

void InitMaterialTrie() {
    if (MaterialTrie == nullptr) MaterialTrie = BuildMaterialTrieNode(MaxNonKingMen, MaterialCountSlots - 1);
}

bool InsertMaterialTrie(i32 id, const i32* counts) {
    MaterialTrieNode::Slot* slot = FindLeafSlot(counts);
    if (slot == nullptr) return false;
    slot->id = id;
    return true;
}

i32 LookupMaterialTrie(const i32* counts) {
    const MaterialTrieNode::Slot* slot = FindLeafSlot(counts);
    return slot ? slot->id : 0;
}

const char* ParseSidePieceLetters(i32* counts, const char* text) {
    std::fill(counts, counts + 5, 0);
    for (; *text != '\0' && *text != 'k'; ++text) {
        switch (*text) {
            case 'p': counts[0] += 1; break;
            case 'n': counts[1] += 1; break;
            case 'b': counts[2] += 1; break;
            case 'r': counts[3] += 1; break;
            case 'q': counts[4] += 1; break;
            default: break;
        }
    }
    return text;
}

void ParseTableNameCounts(i32* counts, const char* name) {
    // The first letter is White's king; the second 'k' starts Black's men.
    const char* rest = ParseSidePieceLetters(counts, name + 1);
    ParseSidePieceLetters(counts + 5, *rest == 'k' ? rest + 1 : rest);
}

bool RegisterTableMaterial(const TablebaseRegistryEntry* entry) {
    i32 counts[MaterialCountSlots];
    ParseTableNameCounts(counts, entry->name);
    if (!InsertMaterialTrie(entry->id, counts)) return false;
    if (entry->flags & TbSymmetric) return true;
    std::rotate(counts, counts + 5, counts + MaterialCountSlots);
    return InsertMaterialTrie(-entry->id, counts);
}
