// The registry rows against the rules they follow: names, id groups, flags,
// extents and stored sizes within the ranges of the index functions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "tablebase/index/indexers.h"
#include "tablebase/registry.h"

namespace {

constexpr u64 ExtentBytes = u64(1) << 31;

std::string SideOf(const std::string& name, i32 side) {
    const size_t second = name.find('k', 1);
    return side == 0 ? name.substr(1, second - 1) : name.substr(second + 1);
}

i32 Strength(char letter) { return i32(std::strchr("pnbrq", letter) - "pnbrq"); }

TEST(TablebaseRegistry, NamesFollowTheNamingRuleAndIdGroups) {
    EXPECT_STREQ(TablebaseRegistry[0].name, "kk");
    EXPECT_EQ(TablebaseRegistry[0].flags, TbSymmetric);
    EXPECT_EQ(TablebaseRegistry[0].indexSize[0] + TablebaseRegistry[0].indexSize[1], 0u);
    EXPECT_EQ(TablebaseRegistry[0].indexFn[0], nullptr);
    const struct {
        i32 firstId, lastId, whiteMen, blackMen, pawns;  // pawns: 0 none, 1 some, -1 any
    } groups[] = {
        {1, 5, 1, 0, -1},      {6, 20, 1, 1, -1},     {21, 35, 2, 0, -1},   {36, 110, 2, 1, -1},
        {111, 145, 3, 0, -1},  {146, 200, 2, 2, 0},   {201, 265, 2, 2, 1},  {266, 345, 3, 1, 0},
        {346, 440, 3, 1, 1},
    };
    std::set<std::string> materials;
    for (const auto& group : groups) {
        for (i32 id = group.firstId; id <= group.lastId; id++) {
            const TablebaseRegistryEntry& entry = TablebaseRegistry[id];
            const std::string name = entry.name;
            EXPECT_EQ(entry.id, id);
            EXPECT_LE(name.size(), 6u);
            ASSERT_EQ(std::count(name.begin(), name.end(), 'k'), 2) << name;
            ASSERT_EQ(name[0], 'k');
            const std::string white = SideOf(name, 0), black = SideOf(name, 1);
            EXPECT_EQ(i32(white.size()), group.whiteMen) << name;
            EXPECT_EQ(i32(black.size()), group.blackMen) << name;
            for (const std::string& men : {white, black}) {
                for (char letter : men) ASSERT_NE(std::strchr("qrbnp", letter), nullptr) << name;
                for (size_t i = 1; i < men.size(); i++)
                    EXPECT_GE(Strength(men[i - 1]), Strength(men[i])) << name;
            }
            const bool pawns = name.find('p') != std::string::npos;
            if (group.pawns >= 0) {
                EXPECT_EQ(pawns, group.pawns == 1) << name;
            }
            // Each material once, as itself or with the colours exchanged.
            EXPECT_TRUE(materials.insert(white + "/" + black).second) << name;
            if (white != black) {
                EXPECT_TRUE(materials.insert(black + "/" + white).second) << name;
            }
        }
    }
    EXPECT_EQ(materials.size(), 440u * 2 - 19 - 1);  // symmetric ones and kpkp once
}

TEST(TablebaseRegistry, FlagCountsAndCombinations) {
    i32 symmetric = 0, twoByte = 0, split = 0, none = 0;
    i32 combined[8] = {};
    for (i32 id = 1; id < TablebaseCount; id++) {
        const TablebaseRegistryEntry& entry = TablebaseRegistry[id];
        const u32 flags = entry.flags;
        symmetric += (flags & TbSymmetric) != 0;
        twoByte += (flags & TbTwoByte) != 0;
        split += (flags & TbSplit) != 0;
        none += flags == 0;
        combined[flags]++;
        // Symmetric exactly when both sides hold the same men, kpkp aside.
        const std::string name = entry.name;
        const bool alike = SideOf(name, 0) == SideOf(name, 1);
        EXPECT_EQ((flags & TbSymmetric) != 0, alike && name != "kpkp") << name;
        if (flags & TbSymmetric) {
            EXPECT_EQ(entry.indexSize[0], entry.indexSize[1]) << name;
        }
        // A split side needs more than one extent; every side fits 17.
        for (i32 side = 0; side < 2; side++) {
            const u64 bytes = entry.indexSize[side] * ((flags & TbTwoByte) ? 2 : 1);
            if (!(flags & TbSplit)) continue;
            EXPECT_LE(bytes / ExtentBytes + 1, 17u) << name;
        }
        EXPECT_NE(entry.indexFn[0], nullptr);
        EXPECT_NE(entry.indexFn[1], nullptr);
    }
    EXPECT_EQ(symmetric, 19);
    EXPECT_EQ(twoByte, 64);
    EXPECT_EQ(split, 153);
    EXPECT_EQ(none, 264);
    EXPECT_EQ(combined[3], 1);
    EXPECT_EQ(combined[5], 3);
    EXPECT_EQ(combined[6], 54);
    EXPECT_EQ(combined[7], 1);
    EXPECT_EQ(combined[2] + combined[3] + combined[6] + combined[7], 64);
}

TEST(TablebaseRegistry, TellingRowsAndExtents) {
    const struct {
        i32 id;
        const char* name;
        u32 flags;
        u64 white, black;
        u64 extents;  // per side
    } rows[] = {
        {1, "kpk", 0, 81664, 84012, 1},
        {5, "kqk", 0, 25629, 28644, 1},
        {6, "kpkp", 0, 3863492, 3863492, 1},
        {8, "knkn", 1, 1603202, 1603202, 1},
        {36, "kppkp", 0, 84219361, 89391280, 1},
        {145, "kqqqk", 0, 12479974, 17472840, 1},
        {146, "knnknn", 1, 1301488080, 1301488080, 1},
        {147, "kbnknn", 0, 2744597400, 2602976160, 1},
        {151, "krnknn", 2, 2723107830, 2602976160, 1},
        {186, "krnkbn", 6, 5446215660, 5489194800, 6},
        {187, "krbkbn", 4, 5644742400, 5489194800, 3},
        {201, "kppkpp", 3, 1917741812, 1917741812, 1},
        {203, "knpknp", 5, 12972508017, 12972508017, 7},
        {228, "krbknp", 6, 17652988800, 16455976740, 17},
        {245, "kqpkqp", 7, 12651597608, 12651597608, 12},
        {440, "kqqpkq", 4, 7297961576, 8514011520, 4},
    };
    for (const auto& row : rows) {
        const TablebaseRegistryEntry& entry = TablebaseRegistry[row.id];
        EXPECT_STREQ(entry.name, row.name);
        EXPECT_EQ(entry.flags, row.flags) << row.name;
        EXPECT_EQ(entry.indexSize[0], row.white) << row.name;
        EXPECT_EQ(entry.indexSize[1], row.black) << row.name;
        const u64 perPosition = (row.flags & TbTwoByte) ? 2 : 1;
        const u64 extents =
            (row.flags & TbSplit) ? entry.indexSize[0] * perPosition / ExtentBytes + 1 : 1;
        EXPECT_EQ(extents, row.extents) << row.name;
    }
    // krbknp: 17 extents for white to move, 16 for black.
    EXPECT_EQ(TablebaseRegistry[228].indexSize[1] * 2 / ExtentBytes + 1, 16u);
}

class RegistryRanges : public ::testing::Test {
protected:
    static void SetUpTestSuite() { BuildTablebaseIndexTables(); }
};

// The index functions' ranges hold every stored size; where a table stores
// fewer positions than its range, the known cases.
TEST_F(RegistryRanges, StoredSizesWithinRanges) {
    i32 sixManAboveTwoTo32 = 0;
    for (i32 id = 1; id < TablebaseCount; id++) {
        const TablebaseRegistryEntry& entry = TablebaseRegistry[id];
        for (i32 side = 0; side < 2; side++) {
            const IndexShape& shape = TableIndexShapes[id][side];
            EXPECT_LE(entry.indexSize[side], shape.range) << entry.name << " " << side;
        }
        if (id >= 146 && std::max(TableIndexShapes[id][0].range, TableIndexShapes[id][1].range) > (u64(1) << 32))
            sixManAboveTwoTo32++;
    }
    EXPECT_EQ(sixManAboveTwoTo32, 183);
}

// Six-man sides whose file holds the whole range: 200 of the 270 pawnless
// sides, 260 of the 320 with pawns.
TEST_F(RegistryRanges, SixManSidesStoringTheirWholeRange) {
    i32 whole[2] = {0, 0}, sides[2] = {0, 0};
    for (i32 id = 146; id < TablebaseCount; id++) {
        const TablebaseRegistryEntry& entry = TablebaseRegistry[id];
        const bool pawns = std::strchr(entry.name, 'p') != nullptr;
        for (i32 side = 0; side < 2; side++) {
            sides[pawns]++;
            whole[pawns] += entry.indexSize[side] == TableIndexShapes[id][side].range;
        }
    }
    EXPECT_EQ(sides[0], 270);
    EXPECT_EQ(whole[0], 200);
    EXPECT_EQ(sides[1], 320);
    EXPECT_EQ(whole[1], 260);
}

// Ranges of the telling tables: what the rules give against what is stored.
TEST_F(RegistryRanges, TellingRanges) {
    const struct {
        const char* name;
        u64 white, black;
    } rows[] = {
        {"kqk", 25635, 28644},          {"krk", 27036, 28644},         {"kpkp", 3863492, 3863492},
        {"krkp", 5072832, 4981504},     {"kbnk", 1550621, 1747284},    {"kqrk", 1500642, 1747284},
        {"kqqkq", 41944320, 46912050},  {"kqrkn", 90038520, 96192120}, {"kbnkn", 93037260, 96192120},
        {"kqqkp", 131175648, 149445120}, {"kqpkq", 272015040, 288610560},
        {"kppkq", 108400260, 113039136}, {"kqpkp", 214481416, 231758952},
        {"kppkp", 84219362, 89391280},   {"kqqqk", 12489057, 17472840},
        {"kqqrk", 40936806, 52418520},   {"kqrrk", 43177698, 52418520},
        {"kqrbk", 88558020, 104837040},  {"kqrpk", 265427688, 307483920},
        {"kqppk", 100347222, 114742320}, {"kpppk", 26061704, 28388716},
        {"kqrbkq", 5224923180, 5535621900}, {"knnknn", 1301488080, 1301488080},
        {"knnnkn", 795687393, 945889180}, {"kqrbkb", 5224923180, 5882853420},
    };
    for (const auto& row : rows) {
        i32 id = 0;
        for (i32 i = 1; i < TablebaseCount; i++)
            if (std::strcmp(TablebaseRegistry[i].name, row.name) == 0) id = i;
        ASSERT_NE(id, 0) << row.name;
        EXPECT_EQ(TableIndexShapes[id][WHITE].range, row.white) << row.name;
        EXPECT_EQ(TableIndexShapes[id][BLACK].range, row.black) << row.name;
    }
    // kppkpp, white to move: the main range, then the en-passant sub-range.
    EXPECT_EQ(TableIndexShapes[201][WHITE].mainRange, 1869904485u);
}

}  // namespace
