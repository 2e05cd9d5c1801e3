// The material lookup: counts to signed table ids.
#include "tablebase/material_trie.h"

#include <gtest/gtest.h>

#include <array>

#include "table_file_fixtures.h"

namespace {

using Counts = std::array<i32, MaterialCountSlots>;

TEST(MaterialTrie, TableNamesParseToCounts) {
    struct Case {
        const char* name;
        Counts counts;
    };
    const Case cases[] = {
        {"kpk", {1, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"kqkr", {0, 0, 0, 0, 1, 0, 0, 0, 1, 0}},
        {"kbpknn", {1, 0, 1, 0, 0, 0, 2, 0, 0, 0}},
        {"kqqpkq", {1, 0, 0, 0, 2, 0, 0, 0, 0, 1}},
    };
    for (const Case& c : cases) {
        Counts counts{};
        ParseTableNameCounts(counts.data(), c.name);
        EXPECT_EQ(counts, c.counts) << c.name;
    }
}

TEST(MaterialTrie, RegisteredTablesAndTheirColourTwins) {
    InitMaterialTrie();
    for (const char* name : {"kpkp", "knkn", "kppkq"})
        ASSERT_TRUE(RegisterTableMaterial(&TablebaseRegistry[TableId(name)])) << name;
    struct Case {
        Counts counts;
        i32 id;
    };
    const Case cases[] = {
        // kpkp is its own colour twin and not symmetric: the twin wins.
        {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0}, -6},
        // A symmetric table stores its id once.
        {{0, 1, 0, 0, 0, 0, 1, 0, 0, 0}, 8},
        {{2, 0, 0, 0, 0, 0, 0, 0, 0, 1}, 40},
        {{0, 0, 0, 0, 1, 2, 0, 0, 0, 0}, -40},
        // Bare kings, five white pawns, five men in all: no table.
        {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0},
        {{5, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0},
        {{1, 1, 1, 1, 1, 0, 0, 0, 0, 0}, 0},
        {{1, 1, 0, 0, 0, 1, 1, 1, 0, 0}, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(LookupMaterialTrie(c.counts.data()), c.id) << c.id;
    // Beyond what the tree holds nothing can be stored.
    const Counts tooMany = {1, 1, 1, 1, 1, 0, 0, 0, 0, 0};
    EXPECT_FALSE(InsertMaterialTrie(99, tooMany.data()));
    EXPECT_EQ(LookupMaterialTrie(tooMany.data()), 0);
}

}  // namespace
