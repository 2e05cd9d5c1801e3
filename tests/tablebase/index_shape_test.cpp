// The shape derived from each table's name: the enumerated group and the
// free digits with their radices, most significant first, for every table
// side of the small, five-man and six-man families.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tablebase/index/index_tables.h"
#include "tablebase/index/indexers.h"
#include "tablebase/registry.h"

namespace {

class IndexShapes : public ::testing::Test {
protected:
    static void SetUpTestSuite() { BuildTablebaseIndexTables(); }
};

const IndexShape& ShapeOf(const char* name, i32 side) {
    for (i32 id = 1; id < TablebaseCount; id++)
        if (std::strcmp(TablebaseRegistry[id].name, name) == 0) return TableIndexShapes[id][side];
    ADD_FAILURE() << "no table " << name;
    return TableIndexShapes[1][side];
}

// "pair" without a group, else the group's types as letters of "pPNBRQ".
std::string GroupLetters(const IndexShape& shape) {
    if (shape.groupSize == 0) return "pair";
    std::string letters;
    for (i32 i = 0; i < shape.groupSize; i++) letters += "pPNBRQ"[shape.groupTypes[i]];
    return letters;
}

std::vector<u64> Radices(const std::vector<ShapeDigit>& digits) {
    std::vector<u64> radices;
    for (const ShapeDigit& digit : digits) radices.push_back(digit.radix);
    return radices;
}

struct SmallShape {
    const char* table;
    i32 side;
    const char* group;
    std::vector<u64> radices;
    bool enPassant;
};

void CheckSmallShapes(const std::vector<SmallShape>& rows) {
    for (const SmallShape& row : rows) {
        const IndexShape& shape = ShapeOf(row.table, row.side);
        EXPECT_EQ(GroupLetters(shape), row.group) << row.table << " " << row.side;
        EXPECT_EQ(Radices(MainDigits(shape)), row.radices) << row.table << " " << row.side;
        EXPECT_EQ(shape.enPassant, row.enPassant) << row.table;
    }
}

// Every row of the members of the 3- and 4-man tables.
TEST_F(IndexShapes, ThreeAndFourMen) {
    CheckSmallShapes({
        {"kpk", 0, "P", {}, false},
        {"kpk", 1, "p", {}, false},
        {"knk", 0, "N", {}, false},
        {"knk", 1, "pair", {62}, false},
        {"kbk", 0, "B", {}, false},
        {"kbk", 1, "pair", {62}, false},
        {"krk", 0, "R", {}, false},
        {"krk", 1, "pair", {62}, false},
        {"kqk", 0, "Q", {}, false},
        {"kqk", 1, "pair", {62}, false},
        {"kpkp", 0, "P", {47}, true},
        {"kpkp", 1, "P", {47}, true},
        {"knkp", 0, "N", {48}, false},
        {"knkp", 1, "P", {61}, false},
        {"knkn", 0, "N", {61}, false},
        {"knkn", 1, "N", {61}, false},
        {"kbkp", 0, "B", {48}, false},
        {"kbkp", 1, "P", {61}, false},
        {"kbkn", 0, "B", {61}, false},
        {"kbkn", 1, "N", {61}, false},
        {"kbkb", 0, "B", {61}, false},
        {"kbkb", 1, "B", {61}, false},
        {"krkp", 0, "R", {48}, false},
        {"krkp", 1, "P", {61}, false},
        {"krkn", 0, "R", {61}, false},
        {"krkn", 1, "N", {61}, false},
        {"krkb", 0, "R", {61}, false},
        {"krkb", 1, "B", {61}, false},
        {"krkr", 0, "R", {61}, false},
        {"krkr", 1, "R", {61}, false},
        {"kqkp", 0, "Q", {48}, false},
        {"kqkp", 1, "P", {61}, false},
        {"kqkn", 0, "Q", {61}, false},
        {"kqkn", 1, "N", {61}, false},
        {"kqkb", 0, "Q", {61}, false},
        {"kqkb", 1, "B", {61}, false},
        {"kqkr", 0, "Q", {61}, false},
        {"kqkr", 1, "R", {61}, false},
        {"kqkq", 0, "Q", {61}, false},
        {"kqkq", 1, "Q", {61}, false},
        {"kppk", 0, "PP", {}, false},
        {"kppk", 1, "pp", {}, false},
        {"knpk", 0, "NP", {}, false},
        {"knpk", 1, "p", {61}, false},
        {"knnk", 0, "NN", {}, false},
        {"knnk", 1, "pair", {1891}, false},
        {"kbpk", 0, "BP", {}, false},
        {"kbpk", 1, "p", {61}, false},
        {"kbnk", 0, "BN", {}, false},
        {"kbnk", 1, "pair", {62, 61}, false},
        {"kbbk", 0, "BB", {}, false},
        {"kbbk", 1, "pair", {1891}, false},
        {"krpk", 0, "RP", {}, false},
        {"krpk", 1, "p", {61}, false},
        {"krnk", 0, "RN", {}, false},
        {"krnk", 1, "pair", {62, 61}, false},
        {"krbk", 0, "RB", {}, false},
        {"krbk", 1, "pair", {62, 61}, false},
        {"krrk", 0, "RR", {}, false},
        {"krrk", 1, "pair", {1891}, false},
        {"kqpk", 0, "QP", {}, false},
        {"kqpk", 1, "p", {61}, false},
        {"kqnk", 0, "QN", {}, false},
        {"kqnk", 1, "pair", {62, 61}, false},
        {"kqbk", 0, "QB", {}, false},
        {"kqbk", 1, "pair", {62, 61}, false},
        {"kqrk", 0, "QR", {}, false},
        {"kqrk", 1, "pair", {62, 61}, false},
        {"kqqk", 0, "QQ", {}, false},
        {"kqqk", 1, "pair", {1891}, false},
    });
}

// The eight layouts of three men against two, and the en-passant digits.
TEST_F(IndexShapes, ThreeMenAgainstTwo) {
    CheckSmallShapes({
        {"kqrkn", 0, "QR", {60}, false},  {"kqrkn", 1, "N", {61, 60}, false},
        {"kbnkp", 0, "BN", {48}, false},  {"kbnkp", 1, "P", {61, 60}, false},
        {"kqqkq", 0, "QQ", {60}, false},  {"kqqkq", 1, "Q", {1830}, false},
        {"kqqkp", 0, "QQ", {48}, false},  {"kqqkp", 1, "P", {1830}, false},
        {"kqpkq", 0, "QP", {60}, false},  {"kqpkq", 1, "Q", {60, 48}, false},
        {"knpkp", 0, "NP", {47}, true},   {"knpkp", 1, "P", {60, 47}, true},
        {"kppkr", 0, "PP", {60}, false},  {"kppkr", 1, "R", {1128}, false},
        {"kppkp", 0, "PP", {46}, true},   {"kppkp", 1, "P", {1081}, true},
    });
    struct EnPassantCase {
        const char* table;
        i32 side;
        std::vector<u64> radices;
    };
    const EnPassantCase cases[] = {
        {"kqpkp", 0, {100212, 14}},
        {"kqpkp", 1, {1806, 58, 14}},
        {"kppkp", 0, {1806, 44, 14}},
        {"kppkp", 1, {1806, 44, 14}},
        {"kpkp", 0, {1806, 14}},
        {"kpkp", 1, {1806, 14}},
    };
    for (const EnPassantCase& c : cases)
        EXPECT_EQ(Radices(EnPassantDigits(ShapeOf(c.table, c.side))), c.radices) << c.table << " " << c.side;
}

// Four men against a bare king: white to move is the group alone; black to
// move has the cases of the pieces and pawns.
TEST_F(IndexShapes, FourMenAgainstKing) {
    CheckSmallShapes({
        {"kqrbk", 0, "QRB", {}, false},     {"kqqpk", 0, "QQP", {}, false},
        {"kpppk", 0, "PPP", {}, false},     {"kqrbk", 1, "pair", {62, 61, 60}, false},
        {"kqqrk", 1, "pair", {1830, 62}, false}, {"kqrrk", 1, "pair", {62, 1830}, false},
        {"kbbnk", 1, "pair", {1830, 62}, false}, {"kbnnk", 1, "pair", {62, 1830}, false},
        {"kqqqk", 1, "pair", {37820}, false}, {"kqrpk", 1, "p", {61, 60}, false},
        {"kqqpk", 1, "p", {1830}, false},   {"kqppk", 1, "pp", {60}, false},
        {"kpppk", 1, "ppp", {}, false},
    });
}

struct LetteredShape {
    const char* table;
    i32 side;
    std::vector<std::pair<std::string, u64>> digits;
};

void CheckLetteredDigits(const LetteredShape& row, const std::vector<ShapeDigit>& digits) {
    std::vector<std::pair<std::string, u64>> got;
    for (const ShapeDigit& digit : digits) got.push_back({digit.men, digit.radix});
    EXPECT_EQ(got, row.digits) << row.table << " " << row.side;
}

// Six-man pawnless shapes: the other side's digits for each row.
TEST_F(IndexShapes, SixManPawnless) {
    const LetteredShape rows[] = {
        {"knnknn", 0, {{"XX", 1770}}},   {"kqqkqq", 1, {{"XX", 1770}}},
        {"kbnknn", 0, {{"XX", 1770}}},   {"kqrkrr", 0, {{"XX", 1770}}},
        {"kbbkbn", 1, {{"XX", 1770}}},   {"kqqkqr", 1, {{"XX", 1770}}},
        {"kbbkbn", 0, {{"X", 60}, {"Y", 59}}}, {"kqqkqr", 0, {{"X", 60}, {"Y", 59}}},
        {"kbnknn", 1, {{"X", 60}, {"Y", 59}}}, {"kqrkrr", 1, {{"X", 60}, {"Y", 59}}},
        {"kbnkbn", 0, {{"X", 60}, {"Y", 59}}}, {"kqrkqb", 1, {{"X", 60}, {"Y", 59}}},
        {"knnnkn", 0, {{"X", 59}}},      {"kqqqkq", 0, {{"X", 59}}},
        {"kbnnkn", 0, {{"X", 59}}},      {"kqrrkq", 0, {{"X", 59}}},
        {"kbbnkn", 0, {{"X", 59}}},      {"kqqrkq", 0, {{"X", 59}}},
        {"krbnkn", 0, {{"X", 59}}},      {"kqrbkq", 0, {{"X", 59}}},
        {"knnnkn", 1, {{"XXX", 35990}}}, {"kqqqkq", 1, {{"XXX", 35990}}},
        {"kbnnkn", 1, {{"X", 61}, {"YY", 1770}}}, {"kqrrkq", 1, {{"X", 61}, {"YY", 1770}}},
        {"kbbnkn", 1, {{"XX", 1770}, {"Y", 61}}}, {"kqqrkq", 1, {{"XX", 1770}, {"Y", 61}}},
        {"krbnkn", 1, {{"X", 61}, {"Y", 60}, {"Z", 59}}}, {"kqrbkq", 1, {{"X", 61}, {"Y", 60}, {"Z", 59}}},
    };
    for (const LetteredShape& row : rows) CheckLetteredDigits(row, MainDigits(ShapeOf(row.table, row.side)));
}

struct PawnShape {
    const char* table;
    i32 side;
    bool swapped;  // black to move through the white function
    std::vector<std::pair<std::string, u64>> main;
    std::vector<std::pair<std::string, u64>> enPassant;  // lead 0: the group total
};

// Six-man tables with pawns: every table in every row of the shapes.
TEST_F(IndexShapes, SixManWithPawns) {
    const PawnShape rows[] = {
        {"kppkpp", 0, false, {{"pp", 1035}}, {{"lead", 1806}, {"p", 43}, {"P", 44}, {"c", 14}}},
        {"kppkpp", 1, true, {}, {}},
        {"knpknp", 1, true, {}, {}},
        {"kbpkbp", 1, true, {}, {}},
        {"krpkrp", 1, true, {}, {}},
        {"kqpkqp", 1, true, {}, {}},
        {"knpkpp", 0, false, {{"pp", 1081}}, {{"lead", 0}, {"p", 44}, {"c", 14}}},
        {"kbpkpp", 0, false, {{"pp", 1081}}, {{"lead", 0}, {"p", 44}, {"c", 14}}},
        {"krpkpp", 0, false, {{"pp", 1081}}, {{"lead", 0}, {"p", 44}, {"c", 14}}},
        {"kqpkpp", 0, false, {{"pp", 1081}}, {{"lead", 0}, {"p", 44}, {"c", 14}}},
        {"knpkpp", 1, false, {{"p", 46}, {"X", 59}}, {{"lead", 1806}, {"X", 57}, {"P", 44}, {"c", 14}}},
        {"kbpkpp", 1, false, {{"p", 46}, {"X", 59}}, {{"lead", 1806}, {"X", 57}, {"P", 44}, {"c", 14}}},
        {"krpkpp", 1, false, {{"p", 46}, {"X", 59}}, {{"lead", 1806}, {"X", 57}, {"P", 44}, {"c", 14}}},
        {"kqpkpp", 1, false, {{"p", 46}, {"X", 59}}, {{"lead", 1806}, {"X", 57}, {"P", 44}, {"c", 14}}},
        {"knpknp", 0, false, {{"p", 47}, {"X", 59}}, {{"lead", 0}, {"X", 57}, {"c", 14}}},
        {"kbpknp", 0, false, {{"p", 47}, {"X", 59}}, {{"lead", 0}, {"X", 57}, {"c", 14}}},
        {"kbpkbp", 0, false, {{"p", 47}, {"X", 59}}, {{"lead", 0}, {"X", 57}, {"c", 14}}},
        {"krpknp", 0, false, {{"p", 47}, {"X", 59}}, {{"lead", 0}, {"X", 57}, {"c", 14}}},
        {"krpkbp", 0, false, {{"p", 47}, {"X", 59}}, {{"lead", 0}, {"X", 57}, {"c", 14}}},
        {"krpkrp", 0, false, {{"p", 47}, {"X", 59}}, {{"lead", 0}, {"X", 57}, {"c", 14}}},
        {"kqpknp", 0, false, {{"p", 47}, {"X", 59}}, {{"lead", 0}, {"X", 57}, {"c", 14}}},
        {"kqpkbp", 0, false, {{"p", 47}, {"X", 59}}, {{"lead", 0}, {"X", 57}, {"c", 14}}},
        {"kqpkrp", 0, false, {{"p", 47}, {"X", 59}}, {{"lead", 0}, {"X", 57}, {"c", 14}}},
        {"kqpkqp", 0, false, {{"p", 47}, {"X", 59}}, {{"lead", 0}, {"X", 57}, {"c", 14}}},
        {"kbpknp", 1, false, {{"p", 47}, {"X", 59}}, {{"lead", 0}, {"X", 57}, {"c", 14}}},
        {"krpknp", 1, false, {{"p", 47}, {"X", 59}}, {{"lead", 0}, {"X", 57}, {"c", 14}}},
        {"krpkbp", 1, false, {{"p", 47}, {"X", 59}}, {{"lead", 0}, {"X", 57}, {"c", 14}}},
        {"kqpknp", 1, false, {{"p", 47}, {"X", 59}}, {{"lead", 0}, {"X", 57}, {"c", 14}}},
        {"kqpkbp", 1, false, {{"p", 47}, {"X", 59}}, {{"lead", 0}, {"X", 57}, {"c", 14}}},
        {"kqpkrp", 1, false, {{"p", 47}, {"X", 59}}, {{"lead", 0}, {"X", 57}, {"c", 14}}},
        {"knnkpp", 0, false, {{"pp", 1128}}, {}},
        {"kbbkpp", 0, false, {{"pp", 1128}}, {}},
        {"krrkpp", 0, false, {{"pp", 1128}}, {}},
        {"kqqkpp", 0, false, {{"pp", 1128}}, {}},
        {"knnkpp", 1, false, {{"XX", 1770}}, {}},
        {"kbbkpp", 1, false, {{"XX", 1770}}, {}},
        {"krrkpp", 1, false, {{"XX", 1770}}, {}},
        {"kqqkpp", 1, false, {{"XX", 1770}}, {}},
        {"knnknp", 0, false, {{"p", 48}, {"X", 59}}, {}},
        {"kbbknp", 0, false, {{"p", 48}, {"X", 59}}, {}},
        {"kbbkbp", 0, false, {{"p", 48}, {"X", 59}}, {}},
        {"krrknp", 0, false, {{"p", 48}, {"X", 59}}, {}},
        {"krrkbp", 0, false, {{"p", 48}, {"X", 59}}, {}},
        {"krrkrp", 0, false, {{"p", 48}, {"X", 59}}, {}},
        {"kqqknp", 0, false, {{"p", 48}, {"X", 59}}, {}},
        {"kqqkbp", 0, false, {{"p", 48}, {"X", 59}}, {}},
        {"kqqkrp", 0, false, {{"p", 48}, {"X", 59}}, {}},
        {"kqqkqp", 0, false, {{"p", 48}, {"X", 59}}, {}},
        {"knnknp", 1, false, {{"XX", 1770}}, {}},
        {"kbbknp", 1, false, {{"XX", 1770}}, {}},
        {"kbbkbp", 1, false, {{"XX", 1770}}, {}},
        {"krrknp", 1, false, {{"XX", 1770}}, {}},
        {"krrkbp", 1, false, {{"XX", 1770}}, {}},
        {"krrkrp", 1, false, {{"XX", 1770}}, {}},
        {"kqqknp", 1, false, {{"XX", 1770}}, {}},
        {"kqqkbp", 1, false, {{"XX", 1770}}, {}},
        {"kqqkrp", 1, false, {{"XX", 1770}}, {}},
        {"kqqkqp", 1, false, {{"XX", 1770}}, {}},
        {"kbpknn", 0, false, {{"XX", 1770}}, {}},
        {"krpknn", 0, false, {{"XX", 1770}}, {}},
        {"krpkbb", 0, false, {{"XX", 1770}}, {}},
        {"kqpknn", 0, false, {{"XX", 1770}}, {}},
        {"kqpkbb", 0, false, {{"XX", 1770}}, {}},
        {"kqpkrr", 0, false, {{"XX", 1770}}, {}},
        {"kbpknn", 1, false, {{"p", 48}, {"X", 59}}, {}},
        {"krpknn", 1, false, {{"p", 48}, {"X", 59}}, {}},
        {"krpkbb", 1, false, {{"p", 48}, {"X", 59}}, {}},
        {"kqpknn", 1, false, {{"p", 48}, {"X", 59}}, {}},
        {"kqpkbb", 1, false, {{"p", 48}, {"X", 59}}, {}},
        {"kqpkrr", 1, false, {{"p", 48}, {"X", 59}}, {}},
        {"kbnkpp", 0, false, {{"pp", 1128}}, {}},
        {"krnkpp", 0, false, {{"pp", 1128}}, {}},
        {"krbkpp", 0, false, {{"pp", 1128}}, {}},
        {"kqnkpp", 0, false, {{"pp", 1128}}, {}},
        {"kqbkpp", 0, false, {{"pp", 1128}}, {}},
        {"kqrkpp", 0, false, {{"pp", 1128}}, {}},
        {"kbnkpp", 1, false, {{"Y", 60}, {"X", 59}}, {}},
        {"krnkpp", 1, false, {{"Y", 60}, {"X", 59}}, {}},
        {"krbkpp", 1, false, {{"Y", 60}, {"X", 59}}, {}},
        {"kqnkpp", 1, false, {{"Y", 60}, {"X", 59}}, {}},
        {"kqbkpp", 1, false, {{"Y", 60}, {"X", 59}}, {}},
        {"kqrkpp", 1, false, {{"Y", 60}, {"X", 59}}, {}},
        {"kbnknp", 0, false, {{"p", 48}, {"X", 59}}, {}},
        {"kbnkbp", 0, false, {{"p", 48}, {"X", 59}}, {}},
        {"krnknp", 0, false, {{"p", 48}, {"X", 59}}, {}},
        {"krnkbp", 0, false, {{"p", 48}, {"X", 59}}, {}},
        {"krnkrp", 0, false, {{"p", 48}, {"X", 59}}, {}},
        {"krbknp", 0, false, {{"p", 48}, {"X", 59}}, {}},
        {"krbkbp", 0, false, {{"p", 48}, {"X", 59}}, {}},
        {"krbkrp", 0, false, {{"p", 48}, {"X", 59}}, {}},
        {"kqnknp", 0, false, {{"p", 48}, {"X", 59}}, {}},
        {"kqnkbp", 0, false, {{"p", 48}, {"X", 59}}, {}},
        {"kqnkrp", 0, false, {{"p", 48}, {"X", 59}}, {}},
        {"kqnkqp", 0, false, {{"p", 48}, {"X", 59}}, {}},
        {"kqbknp", 0, false, {{"p", 48}, {"X", 59}}, {}},
        {"kqbkbp", 0, false, {{"p", 48}, {"X", 59}}, {}},
        {"kqbkrp", 0, false, {{"p", 48}, {"X", 59}}, {}},
        {"kqbkqp", 0, false, {{"p", 48}, {"X", 59}}, {}},
        {"kqrknp", 0, false, {{"p", 48}, {"X", 59}}, {}},
        {"kqrkbp", 0, false, {{"p", 48}, {"X", 59}}, {}},
        {"kqrkrp", 0, false, {{"p", 48}, {"X", 59}}, {}},
        {"kqrkqp", 0, false, {{"p", 48}, {"X", 59}}, {}},
        {"kbnknp", 1, false, {{"Y", 60}, {"X", 59}}, {}},
        {"kbnkbp", 1, false, {{"Y", 60}, {"X", 59}}, {}},
        {"krnknp", 1, false, {{"Y", 60}, {"X", 59}}, {}},
        {"krnkbp", 1, false, {{"Y", 60}, {"X", 59}}, {}},
        {"krnkrp", 1, false, {{"Y", 60}, {"X", 59}}, {}},
        {"krbknp", 1, false, {{"Y", 60}, {"X", 59}}, {}},
        {"krbkbp", 1, false, {{"Y", 60}, {"X", 59}}, {}},
        {"krbkrp", 1, false, {{"Y", 60}, {"X", 59}}, {}},
        {"kqnknp", 1, false, {{"Y", 60}, {"X", 59}}, {}},
        {"kqnkbp", 1, false, {{"Y", 60}, {"X", 59}}, {}},
        {"kqnkrp", 1, false, {{"Y", 60}, {"X", 59}}, {}},
        {"kqnkqp", 1, false, {{"Y", 60}, {"X", 59}}, {}},
        {"kqbknp", 1, false, {{"Y", 60}, {"X", 59}}, {}},
        {"kqbkbp", 1, false, {{"Y", 60}, {"X", 59}}, {}},
        {"kqbkrp", 1, false, {{"Y", 60}, {"X", 59}}, {}},
        {"kqbkqp", 1, false, {{"Y", 60}, {"X", 59}}, {}},
        {"kqrknp", 1, false, {{"Y", 60}, {"X", 59}}, {}},
        {"kqrkbp", 1, false, {{"Y", 60}, {"X", 59}}, {}},
        {"kqrkrp", 1, false, {{"Y", 60}, {"X", 59}}, {}},
        {"kqrkqp", 1, false, {{"Y", 60}, {"X", 59}}, {}},
        {"krpkbn", 0, false, {{"Y", 60}, {"X", 59}}, {}},
        {"kqpkbn", 0, false, {{"Y", 60}, {"X", 59}}, {}},
        {"kqpkrn", 0, false, {{"Y", 60}, {"X", 59}}, {}},
        {"kqpkrb", 0, false, {{"Y", 60}, {"X", 59}}, {}},
        {"krpkbn", 1, false, {{"p", 48}, {"X", 59}}, {}},
        {"kqpkbn", 1, false, {{"p", 48}, {"X", 59}}, {}},
        {"kqpkrn", 1, false, {{"p", 48}, {"X", 59}}, {}},
        {"kqpkrb", 1, false, {{"p", 48}, {"X", 59}}, {}},
        {"kpppkp", 0, false, {{"p", 45}}, {{"lead", 1806}, {"PP", 946}, {"c", 14}}},
        {"kpppkp", 1, false, {{"ppp", 16215}}, {{"lead", 1806}, {"pp", 946}, {"c", 14}}},
        {"knppkp", 0, false, {{"p", 46}}, {{"lead", 0}, {"P", 44}, {"c", 14}}},
        {"kbppkp", 0, false, {{"p", 46}}, {{"lead", 0}, {"P", 44}, {"c", 14}}},
        {"krppkp", 0, false, {{"p", 46}}, {{"lead", 0}, {"P", 44}, {"c", 14}}},
        {"kqppkp", 0, false, {{"p", 46}}, {{"lead", 0}, {"P", 44}, {"c", 14}}},
        {"knppkp", 1, false, {{"X", 59}, {"pp", 1081}}, {{"lead", 1806}, {"X", 57}, {"p", 44}, {"c", 14}}},
        {"kbppkp", 1, false, {{"X", 59}, {"pp", 1081}}, {{"lead", 1806}, {"X", 57}, {"p", 44}, {"c", 14}}},
        {"krppkp", 1, false, {{"X", 59}, {"pp", 1081}}, {{"lead", 1806}, {"X", 57}, {"p", 44}, {"c", 14}}},
        {"kqppkp", 1, false, {{"X", 59}, {"pp", 1081}}, {{"lead", 1806}, {"X", 57}, {"p", 44}, {"c", 14}}},
        {"knnpkp", 0, false, {{"p", 47}}, {{"lead", 0}, {"c", 14}}},
        {"kbbpkp", 0, false, {{"p", 47}}, {{"lead", 0}, {"c", 14}}},
        {"krrpkp", 0, false, {{"p", 47}}, {{"lead", 0}, {"c", 14}}},
        {"kqqpkp", 0, false, {{"p", 47}}, {{"lead", 0}, {"c", 14}}},
        {"knnpkp", 1, false, {{"XX", 1770}, {"p", 47}}, {{"lead", 1806}, {"XX", 1653}, {"c", 14}}},
        {"kbbpkp", 1, false, {{"XX", 1770}, {"p", 47}}, {{"lead", 1806}, {"XX", 1653}, {"c", 14}}},
        {"krrpkp", 1, false, {{"XX", 1770}, {"p", 47}}, {{"lead", 1806}, {"XX", 1653}, {"c", 14}}},
        {"kqqpkp", 1, false, {{"XX", 1770}, {"p", 47}}, {{"lead", 1806}, {"XX", 1653}, {"c", 14}}},
        {"kbnpkp", 0, false, {{"p", 47}}, {{"lead", 0}, {"c", 14}}},
        {"krnpkp", 0, false, {{"p", 47}}, {{"lead", 0}, {"c", 14}}},
        {"krbpkp", 0, false, {{"p", 47}}, {{"lead", 0}, {"c", 14}}},
        {"kqnpkp", 0, false, {{"p", 47}}, {{"lead", 0}, {"c", 14}}},
        {"kqbpkp", 0, false, {{"p", 47}}, {{"lead", 0}, {"c", 14}}},
        {"kqrpkp", 0, false, {{"p", 47}}, {{"lead", 0}, {"c", 14}}},
        {"kbnpkp", 1, false, {{"X", 60}, {"Y", 59}, {"p", 47}}, {{"lead", 1806}, {"X", 58}, {"Y", 57}, {"c", 14}}},
        {"krnpkp", 1, false, {{"X", 60}, {"Y", 59}, {"p", 47}}, {{"lead", 1806}, {"X", 58}, {"Y", 57}, {"c", 14}}},
        {"krbpkp", 1, false, {{"X", 60}, {"Y", 59}, {"p", 47}}, {{"lead", 1806}, {"X", 58}, {"Y", 57}, {"c", 14}}},
        {"kqnpkp", 1, false, {{"X", 60}, {"Y", 59}, {"p", 47}}, {{"lead", 1806}, {"X", 58}, {"Y", 57}, {"c", 14}}},
        {"kqbpkp", 1, false, {{"X", 60}, {"Y", 59}, {"p", 47}}, {{"lead", 1806}, {"X", 58}, {"Y", 57}, {"c", 14}}},
        {"kqrpkp", 1, false, {{"X", 60}, {"Y", 59}, {"p", 47}}, {{"lead", 1806}, {"X", 58}, {"Y", 57}, {"c", 14}}},
        {"knnnkp", 0, false, {{"p", 48}}, {}},
        {"kbbbkp", 0, false, {{"p", 48}}, {}},
        {"krrrkp", 0, false, {{"p", 48}}, {}},
        {"kqqqkp", 0, false, {{"p", 48}}, {}},
        {"knnnkp", 1, false, {{"XXX", 35990}}, {}},
        {"kbbbkp", 1, false, {{"XXX", 35990}}, {}},
        {"krrrkp", 1, false, {{"XXX", 35990}}, {}},
        {"kqqqkp", 1, false, {{"XXX", 35990}}, {}},
        {"kbnnkp", 0, false, {{"p", 48}}, {}},
        {"krnnkp", 0, false, {{"p", 48}}, {}},
        {"krbbkp", 0, false, {{"p", 48}}, {}},
        {"kqnnkp", 0, false, {{"p", 48}}, {}},
        {"kqbbkp", 0, false, {{"p", 48}}, {}},
        {"kqrrkp", 0, false, {{"p", 48}}, {}},
        {"kbnnkp", 1, false, {{"X", 61}, {"YY", 1770}}, {}},
        {"krnnkp", 1, false, {{"X", 61}, {"YY", 1770}}, {}},
        {"krbbkp", 1, false, {{"X", 61}, {"YY", 1770}}, {}},
        {"kqnnkp", 1, false, {{"X", 61}, {"YY", 1770}}, {}},
        {"kqbbkp", 1, false, {{"X", 61}, {"YY", 1770}}, {}},
        {"kqrrkp", 1, false, {{"X", 61}, {"YY", 1770}}, {}},
        {"kbbnkp", 0, false, {{"p", 48}}, {}},
        {"krrnkp", 0, false, {{"p", 48}}, {}},
        {"krrbkp", 0, false, {{"p", 48}}, {}},
        {"kqqnkp", 0, false, {{"p", 48}}, {}},
        {"kqqbkp", 0, false, {{"p", 48}}, {}},
        {"kqqrkp", 0, false, {{"p", 48}}, {}},
        {"kbbnkp", 1, false, {{"XX", 1830}, {"Y", 59}}, {}},
        {"krrnkp", 1, false, {{"XX", 1830}, {"Y", 59}}, {}},
        {"krrbkp", 1, false, {{"XX", 1830}, {"Y", 59}}, {}},
        {"kqqnkp", 1, false, {{"XX", 1830}, {"Y", 59}}, {}},
        {"kqqbkp", 1, false, {{"XX", 1830}, {"Y", 59}}, {}},
        {"kqqrkp", 1, false, {{"XX", 1830}, {"Y", 59}}, {}},
        {"krbnkp", 0, false, {{"p", 48}}, {}},
        {"kqbnkp", 0, false, {{"p", 48}}, {}},
        {"kqrnkp", 0, false, {{"p", 48}}, {}},
        {"kqrbkp", 0, false, {{"p", 48}}, {}},
        {"krbnkp", 1, false, {{"X", 61}, {"Y", 60}, {"Z", 59}}, {}},
        {"kqbnkp", 1, false, {{"X", 61}, {"Y", 60}, {"Z", 59}}, {}},
        {"kqrnkp", 1, false, {{"X", 61}, {"Y", 60}, {"Z", 59}}, {}},
        {"kqrbkp", 1, false, {{"X", 61}, {"Y", 60}, {"Z", 59}}, {}},
        {"kpppkn", 0, false, {{"X", 59}}, {}},
        {"kpppkb", 0, false, {{"X", 59}}, {}},
        {"kpppkr", 0, false, {{"X", 59}}, {}},
        {"kpppkq", 0, false, {{"X", 59}}, {}},
        {"kpppkn", 1, false, {{"ppp", 17296}}, {}},
        {"kpppkb", 1, false, {{"ppp", 17296}}, {}},
        {"kpppkr", 1, false, {{"ppp", 17296}}, {}},
        {"kpppkq", 1, false, {{"ppp", 17296}}, {}},
        {"knppkn", 0, false, {{"X", 59}}, {}},
        {"kbppkn", 0, false, {{"X", 59}}, {}},
        {"krppkn", 0, false, {{"X", 59}}, {}},
        {"kqppkn", 0, false, {{"X", 59}}, {}},
        {"knppkb", 0, false, {{"X", 59}}, {}},
        {"kbppkb", 0, false, {{"X", 59}}, {}},
        {"krppkb", 0, false, {{"X", 59}}, {}},
        {"kqppkb", 0, false, {{"X", 59}}, {}},
        {"knppkr", 0, false, {{"X", 59}}, {}},
        {"kbppkr", 0, false, {{"X", 59}}, {}},
        {"krppkr", 0, false, {{"X", 59}}, {}},
        {"kqppkr", 0, false, {{"X", 59}}, {}},
        {"knppkq", 0, false, {{"X", 59}}, {}},
        {"kbppkq", 0, false, {{"X", 59}}, {}},
        {"krppkq", 0, false, {{"X", 59}}, {}},
        {"kqppkq", 0, false, {{"X", 59}}, {}},
        {"knppkn", 1, false, {{"X", 59}, {"pp", 1128}}, {}},
        {"kbppkn", 1, false, {{"X", 59}, {"pp", 1128}}, {}},
        {"krppkn", 1, false, {{"X", 59}, {"pp", 1128}}, {}},
        {"kqppkn", 1, false, {{"X", 59}, {"pp", 1128}}, {}},
        {"knppkb", 1, false, {{"X", 59}, {"pp", 1128}}, {}},
        {"kbppkb", 1, false, {{"X", 59}, {"pp", 1128}}, {}},
        {"krppkb", 1, false, {{"X", 59}, {"pp", 1128}}, {}},
        {"kqppkb", 1, false, {{"X", 59}, {"pp", 1128}}, {}},
        {"knppkr", 1, false, {{"X", 59}, {"pp", 1128}}, {}},
        {"kbppkr", 1, false, {{"X", 59}, {"pp", 1128}}, {}},
        {"krppkr", 1, false, {{"X", 59}, {"pp", 1128}}, {}},
        {"kqppkr", 1, false, {{"X", 59}, {"pp", 1128}}, {}},
        {"knppkq", 1, false, {{"X", 59}, {"pp", 1128}}, {}},
        {"kbppkq", 1, false, {{"X", 59}, {"pp", 1128}}, {}},
        {"krppkq", 1, false, {{"X", 59}, {"pp", 1128}}, {}},
        {"kqppkq", 1, false, {{"X", 59}, {"pp", 1128}}, {}},
        {"knnpkn", 0, false, {{"X", 59}}, {}},
        {"kbbpkn", 0, false, {{"X", 59}}, {}},
        {"krrpkn", 0, false, {{"X", 59}}, {}},
        {"kqqpkn", 0, false, {{"X", 59}}, {}},
        {"knnpkb", 0, false, {{"X", 59}}, {}},
        {"kbbpkb", 0, false, {{"X", 59}}, {}},
        {"krrpkb", 0, false, {{"X", 59}}, {}},
        {"kqqpkb", 0, false, {{"X", 59}}, {}},
        {"knnpkr", 0, false, {{"X", 59}}, {}},
        {"kbbpkr", 0, false, {{"X", 59}}, {}},
        {"krrpkr", 0, false, {{"X", 59}}, {}},
        {"kqqpkr", 0, false, {{"X", 59}}, {}},
        {"knnpkq", 0, false, {{"X", 59}}, {}},
        {"kbbpkq", 0, false, {{"X", 59}}, {}},
        {"krrpkq", 0, false, {{"X", 59}}, {}},
        {"kqqpkq", 0, false, {{"X", 59}}, {}},
        {"knnpkn", 1, false, {{"XX", 1770}, {"p", 48}}, {}},
        {"kbbpkn", 1, false, {{"XX", 1770}, {"p", 48}}, {}},
        {"krrpkn", 1, false, {{"XX", 1770}, {"p", 48}}, {}},
        {"kqqpkn", 1, false, {{"XX", 1770}, {"p", 48}}, {}},
        {"knnpkb", 1, false, {{"XX", 1770}, {"p", 48}}, {}},
        {"kbbpkb", 1, false, {{"XX", 1770}, {"p", 48}}, {}},
        {"krrpkb", 1, false, {{"XX", 1770}, {"p", 48}}, {}},
        {"kqqpkb", 1, false, {{"XX", 1770}, {"p", 48}}, {}},
        {"knnpkr", 1, false, {{"XX", 1770}, {"p", 48}}, {}},
        {"kbbpkr", 1, false, {{"XX", 1770}, {"p", 48}}, {}},
        {"krrpkr", 1, false, {{"XX", 1770}, {"p", 48}}, {}},
        {"kqqpkr", 1, false, {{"XX", 1770}, {"p", 48}}, {}},
        {"knnpkq", 1, false, {{"XX", 1770}, {"p", 48}}, {}},
        {"kbbpkq", 1, false, {{"XX", 1770}, {"p", 48}}, {}},
        {"krrpkq", 1, false, {{"XX", 1770}, {"p", 48}}, {}},
        {"kqqpkq", 1, false, {{"XX", 1770}, {"p", 48}}, {}},
        {"kbnpkn", 0, false, {{"X", 59}}, {}},
        {"krnpkn", 0, false, {{"X", 59}}, {}},
        {"krbpkn", 0, false, {{"X", 59}}, {}},
        {"kqnpkn", 0, false, {{"X", 59}}, {}},
        {"kqbpkn", 0, false, {{"X", 59}}, {}},
        {"kqrpkn", 0, false, {{"X", 59}}, {}},
        {"kbnpkb", 0, false, {{"X", 59}}, {}},
        {"krnpkb", 0, false, {{"X", 59}}, {}},
        {"krbpkb", 0, false, {{"X", 59}}, {}},
        {"kqnpkb", 0, false, {{"X", 59}}, {}},
        {"kqbpkb", 0, false, {{"X", 59}}, {}},
        {"kqrpkb", 0, false, {{"X", 59}}, {}},
        {"kbnpkr", 0, false, {{"X", 59}}, {}},
        {"krnpkr", 0, false, {{"X", 59}}, {}},
        {"krbpkr", 0, false, {{"X", 59}}, {}},
        {"kqnpkr", 0, false, {{"X", 59}}, {}},
        {"kqbpkr", 0, false, {{"X", 59}}, {}},
        {"kqrpkr", 0, false, {{"X", 59}}, {}},
        {"kbnpkq", 0, false, {{"X", 59}}, {}},
        {"krnpkq", 0, false, {{"X", 59}}, {}},
        {"krbpkq", 0, false, {{"X", 59}}, {}},
        {"kqnpkq", 0, false, {{"X", 59}}, {}},
        {"kqbpkq", 0, false, {{"X", 59}}, {}},
        {"kqrpkq", 0, false, {{"X", 59}}, {}},
        {"kbnpkn", 1, false, {{"X", 60}, {"Y", 59}, {"p", 48}}, {}},
        {"krnpkn", 1, false, {{"X", 60}, {"Y", 59}, {"p", 48}}, {}},
        {"krbpkn", 1, false, {{"X", 60}, {"Y", 59}, {"p", 48}}, {}},
        {"kqnpkn", 1, false, {{"X", 60}, {"Y", 59}, {"p", 48}}, {}},
        {"kqbpkn", 1, false, {{"X", 60}, {"Y", 59}, {"p", 48}}, {}},
        {"kqrpkn", 1, false, {{"X", 60}, {"Y", 59}, {"p", 48}}, {}},
        {"kbnpkb", 1, false, {{"X", 60}, {"Y", 59}, {"p", 48}}, {}},
        {"krnpkb", 1, false, {{"X", 60}, {"Y", 59}, {"p", 48}}, {}},
        {"krbpkb", 1, false, {{"X", 60}, {"Y", 59}, {"p", 48}}, {}},
        {"kqnpkb", 1, false, {{"X", 60}, {"Y", 59}, {"p", 48}}, {}},
        {"kqbpkb", 1, false, {{"X", 60}, {"Y", 59}, {"p", 48}}, {}},
        {"kqrpkb", 1, false, {{"X", 60}, {"Y", 59}, {"p", 48}}, {}},
        {"kbnpkr", 1, false, {{"X", 60}, {"Y", 59}, {"p", 48}}, {}},
        {"krnpkr", 1, false, {{"X", 60}, {"Y", 59}, {"p", 48}}, {}},
        {"krbpkr", 1, false, {{"X", 60}, {"Y", 59}, {"p", 48}}, {}},
        {"kqnpkr", 1, false, {{"X", 60}, {"Y", 59}, {"p", 48}}, {}},
        {"kqbpkr", 1, false, {{"X", 60}, {"Y", 59}, {"p", 48}}, {}},
        {"kqrpkr", 1, false, {{"X", 60}, {"Y", 59}, {"p", 48}}, {}},
        {"kbnpkq", 1, false, {{"X", 60}, {"Y", 59}, {"p", 48}}, {}},
        {"krnpkq", 1, false, {{"X", 60}, {"Y", 59}, {"p", 48}}, {}},
        {"krbpkq", 1, false, {{"X", 60}, {"Y", 59}, {"p", 48}}, {}},
        {"kqnpkq", 1, false, {{"X", 60}, {"Y", 59}, {"p", 48}}, {}},
        {"kqbpkq", 1, false, {{"X", 60}, {"Y", 59}, {"p", 48}}, {}},
        {"kqrpkq", 1, false, {{"X", 60}, {"Y", 59}, {"p", 48}}, {}},
    };
    for (const PawnShape& row : rows) {
        const IndexShape& shape = ShapeOf(row.table, row.side);
        EXPECT_EQ(shape.swapColours, row.swapped) << row.table;
        if (row.swapped) continue;
        CheckLetteredDigits({row.table, row.side, row.main}, MainDigits(shape));
        std::vector<std::pair<std::string, u64>> enPassant = row.enPassant;
        // An enumerated lead has the total of the side to move's pieces.
        if (!enPassant.empty() && enPassant[0].second == 0) {
            i32 types[3], count = 0;
            const char* name = row.table;
            const char* men = row.side == 0 ? name + 1 : std::strchr(name + 1, 'k') + 1;
            for (const char* c = men; *c && *c != 'k'; c++)
                if (*c != 'p') types[count++] = i32(std::strchr("pPnbrq", *c) - "pPnbrq");
            enPassant[0].second = EnumTotal(true, count, types);
        }
        CheckLetteredDigits({row.table, row.side, enPassant}, EnPassantDigits(shape));
    }
}

}  // namespace
