// Table index functions against worked positions of the Nalimov indexing,
// through the registry's function pointers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tablebase/index/indexers.h"
#include "tablebase/registry.h"
#include "tablebase/index_lists.h"

namespace {

class TableIndexTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { BuildTablebaseIndexTables(); }
};

const TablebaseRegistryEntry& TableNamed(const char* name) {
    for (const TablebaseRegistryEntry& entry : TablebaseRegistry)
        if (std::strcmp(entry.name, name) == 0) return entry;
    ADD_FAILURE() << "no table " << name;
    return TablebaseRegistry[0];
}

struct WorkedIndex {
    const char* table;
    i32 side;
    const char* white;
    const char* black;
    const char* enPassant;  // "" for none
    i32 flip;
    u64 index;
};

u64 IndexOf(const WorkedIndex& c) {
    const IndexLists lists = MakeIndexLists(c.white, c.black);
    const u32 ep = c.enPassant[0] ? SquareOf(c.enPassant) : NoEnPassant;
    return TableNamed(c.table).indexFn[c.side](lists.white, lists.black, ep, c.flip);
}

TEST_F(TableIndexTest, ThreeAndFourMen) {
    const WorkedIndex cases[] = {
        {"kqk", WHITE, "Ke1 Qd1", "Ke8", "", 0, 11181},
        {"kqk", BLACK, "Ke1 Qd1", "Ke8", "", 0, 12582},
        {"kqkr", WHITE, "Ke1 Qd1", "Ke8 Ra8", "", 0, 682101},
        {"kqkr", BLACK, "Ke1 Qd1", "Ke8 Ra8", "", 0, 720833},
        {"kpk", WHITE, "Ke1 Pe2", "Ke8", "", 0, 10487},
        {"kpk", BLACK, "Ke1 Pe2", "Ke8", "", 0, 10854},
        {"kqqk", WHITE, "Ka1 Qa8 Qh8", "Kd5", "", 0, 30008},
        {"kqqk", WHITE, "Ka1 Qh8 Qa8", "Kd5", "", 0, 30008},
        {"kqqk", BLACK, "Ka1 Qa8 Qh8", "Kd5", "", 0, 831580},
        {"kbnk", WHITE, "Kc3 Bf5 Ng2", "Ka8", "", 0, 1188626},
        {"kpkp", WHITE, "Ke1 Pe5", "Ke8 Pd5", "", 0, 494044},
        {"kpkp", WHITE, "Ke1 Pe5", "Ke8 Pd5", "d6", 0, 3841424},
    };
    for (const WorkedIndex& c : cases) EXPECT_EQ(IndexOf(c), c.index) << c.table << " " << c.side << " " << c.white;
}

TEST_F(TableIndexTest, ThreeMenAgainstTwo) {
    const WorkedIndex cases[] = {
        {"kqqkq", WHITE, "Ke1 Qd1 Qh5", "Ke8 Qd8", "", 0, 18266456},
        {"kqqkq", WHITE, "Ke1 Qh5 Qd1", "Ke8 Qd8", "", 0, 18266456},
        {"kqqkq", BLACK, "Ke1 Qd1 Qh5", "Ke8 Qd8", "", 0, 20462848},
        {"kqrkn", WHITE, "Kg1 Qa4 Rc7", "Ke5 Nb8", "", 0, 12112378},
        {"kqrkn", BLACK, "Kg1 Qa4 Rc7", "Ke5 Nb8", "", 0, 93022359},
        {"kqpkq", WHITE, "Ke1 Qd1 Pe2", "Ke8 Qd8", "", 0, 34838936},
        {"kqpkq", BLACK, "Ke1 Qd1 Pe2", "Ke8 Qd8", "", 0, 280002387},
        {"kqqkp", BLACK, "Kc1 Qd1 Qh5", "Ke8 Pf7", "", 0, 19358209},
        {"kppkp", WHITE, "Ke1 Pd5 Pa2", "Ke8 Pe5", "e6", 0, 83248031},
        {"kppkp", WHITE, "Ke1 Pd5 Pa2", "Ke8 Pe5", "", 0, 10821112},
        {"krpkp", BLACK, "Ke1 Rh1 Pe4", "Ke8 Pd4", "e3", 0, 231714295},
        {"krpkp", BLACK, "Ke1 Rh1 Pe4", "Ke8 Pd4", "", 0, 29643859},
        {"kppkp", WHITE, "Ke1 Pd5 Pf5", "Ke8 Pe5", "e6", 0, 83248303},
        {"kppkp", WHITE, "Ke1 Pf5 Pd5", "Ke8 Pe5", "e6", 0, 83248303},
        {"knnkq", WHITE, "Kc3 Na1 Nh1", "Kd5 Qh8", "", 0, 34635419},
    };
    for (const WorkedIndex& c : cases) EXPECT_EQ(IndexOf(c), c.index) << c.table << " " << c.side << " " << c.white;
}

TEST_F(TableIndexTest, FourMenAgainstKing) {
    const WorkedIndex cases[] = {
        {"kqqqk", WHITE, "Ke1 Qa1 Qb1 Qc1", "Ke8", "", 0, 5414822},
        {"kqqqk", WHITE, "Ke1 Qc1 Qa1 Qb1", "Ke8", "", 0, 5414822},
        {"kqqqk", BLACK, "Ke1 Qa1 Qb1 Qc1", "Ke8", "", 0, 7677459},
        {"kqqqk", BLACK, "Ke1 Qb1 Qc1 Qa1", "Ke8", "", 0, 7677459},
        {"kqqrk", WHITE, "Ke1 Qa1 Qb1 Rc1", "Ke8", "", 0, 17784344},
        {"kqqrk", BLACK, "Ke1 Qa1 Qb1 Rc1", "Ke8", "", 0, 23032377},
        {"kqrrk", WHITE, "Ke1 Qa1 Rb1 Rc1", "Ke8", "", 0, 18792294},
        {"kqrrk", BLACK, "Ke1 Qa1 Rb1 Rc1", "Ke8", "", 0, 23032379},
        {"kqrbk", WHITE, "Kg1 Qa4 Rc7 Bf5", "Ke5", "", 0, 11881713},
        {"kqrbk", BLACK, "Kg1 Qa4 Rc7 Bf5", "Ke5", "", 0, 101420958},
        {"knnpk", WHITE, "Kc3 Nb1 Nh5 Pf4", "Kg8", "", 0, 44754953},
        {"knnpk", BLACK, "Kc3 Nb1 Nh5 Pf4", "Kg8", "", 0, 8597781},
        {"kqppk", WHITE, "Ke1 Qd1 Pa2 Pb3", "Ke8", "", 0, 13016006},
        {"kqppk", WHITE, "Ke1 Qd1 Pa2 Pb3", "Ke8", "", 1, 97275931},
        {"kqppk", BLACK, "Ke1 Qd1 Pa2 Pb3", "Ke8", "", 0, 15055443},
        {"kpppk", WHITE, "Ke1 Pa2 Pb2 Ph5", "Ke8", "", 0, 3432887},
        {"kpppk", BLACK, "Ke1 Pa2 Pb2 Ph5", "Ke8", "", 0, 3782389},
    };
    for (const WorkedIndex& c : cases) EXPECT_EQ(IndexOf(c), c.index) << c.table << " " << c.side << " " << c.white;
}

TEST_F(TableIndexTest, SixMen) {
    const WorkedIndex cases[] = {
        {"kqrbkq", WHITE, "Kg6 Qa1 Rh2 Bd1", "Kb8 Qe5", "", 0, 3119362475},
        {"kqrbkq", BLACK, "Kg6 Qa1 Rh2 Bd1", "Kb8 Qe5", "", 0, 590354762},
        {"knnknn", WHITE, "Kc1 Ng5 Nb7", "Kd3 Nf2 Nh3", "", 0, 293287452},
        {"knnknn", BLACK, "Kc1 Ng5 Nb7", "Kd3 Nf2 Nh3", "", 0, 1065082594},
        {"kqqrkn", BLACK, "Kb2 Re1 Qh7 Qc6", "Kg7 Na5", "", 0, 1434717494},
        {"kqrrkn", BLACK, "Kb2 Qc6 Rh7 Re1", "Kg7 Na5", "", 0, 1434742253},
        // "3BRQbK/8/8/8/3k4/8/8/8 b - -": the last index of the table side.
        {"kqrbkb", BLACK, "Kh8 Qf8 Re8 Bd8", "Kd4 Bg8", "", 0, 5882853419},
        {"kppkpp", WHITE, "Ka1 Pd5 Pf5", "Kh8 Pa7 Pe5", "e6", 0, 1871489841},
        {"kppkpp", WHITE, "Ka1 Pf5 Pd5", "Kh8 Pa7 Pe5", "e6", 0, 1871489841},
        {"kppkpp", WHITE, "Kh1 Pe5 Pc5", "Ka8 Ph7 Pd5", "d6", 0, 1871489841},
        // The first en-passant indexes follow the main ranges at once.
        {"kppkpp", WHITE, "Ka1 Pb5 Pa2", "Kc1 Pa5 Pb2", "a6", 0, 1869904485},
        {"kpkp", WHITE, "Ka1 Pb5", "Kc1 Pa5", "a6", 0, 3838208},
    };
    for (const WorkedIndex& c : cases) EXPECT_EQ(IndexOf(c), c.index) << c.table << " " << c.side << " " << c.white;
}

// Positions no slot holds answer NoIndex instead of reading past a table
// or aliasing another position's slot.
TEST_F(TableIndexTest, NoIndexForImpossiblePositions) {
    const WorkedIndex cases[] = {
        {"kqk", WHITE, "Ke1 Qd1", "Kf2", "", 0, NoIndex},          // kings adjacent
        {"kqk", BLACK, "Ke1 Qd1", "Ke1", "", 0, NoIndex},          // kings on one square
        {"kqkr", WHITE, "Kh8 Qa1", "Kg7 Ra8", "", 0, NoIndex},     // and in the pawnless frame
        {"kpk", WHITE, "Ke1 Pe8", "Ke6", "", 0, NoIndex},          // pawn on the last rank
        {"kpk", BLACK, "Ke1 Pa1", "Ke6", "", 0, NoIndex},          // and on the first
        {"kqkp", WHITE, "Ke1 Qd1", "Ke6 Pe1", "", 0, NoIndex},     // a free pawn too
        {"kppkpp", BLACK, "Ke1 Pa2 Pb2", "Ke8 Pa7 Ph8", "", 0, NoIndex},
        {"kqk", WHITE, "Ke1 Qd7", "Ke8", "", 0, NoIndex},          // queen next to the king
        {"knk", WHITE, "Ke1 Nd6", "Ke8", "", 0, NoIndex},          // knight check
        {"kpk", WHITE, "Ke1 Pd7", "Ke8", "", 0, NoIndex},          // pawn check
        {"kqrbkb", WHITE, "Ka1 Qe7 Rc1 Bd1", "Ke8 Bh8", "", 0, NoIndex},
        {"kqk", WHITE, "Ke1 Qe8", "Ke8", "", 0, NoIndex},          // on the king's square
    };
    for (const WorkedIndex& c : cases) EXPECT_EQ(IndexOf(c), c.index) << c.table << " " << c.white;
    // The side not to move may stand in check: with Black to move a white
    // pawn beside the black king is an ordinary position.
    const WorkedIndex check = {"kpk", BLACK, "Ke1 Pd7", "Ke8", "", 0, 0};
    EXPECT_LT(IndexOf(check), TableNamed("kpk").indexSize[BLACK]);
}

}  // namespace
