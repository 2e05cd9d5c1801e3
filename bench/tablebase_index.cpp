// Nanoseconds per tablebase index call, by family: 3-4 men, 5 men, 6 men
// without pawns, 6 men with pawns. Random legal positions of every table
// side of the family are drawn first; the timed loop only indexes them.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "tablebase/index/indexers.h"
#include "tablebase/index_positions.h"
#include "tablebase/registry.h"

namespace {

struct Call {
    TableIndexer indexer;
    IndexLists lists;
};

constexpr int PositionsPerSide = 200;
constexpr int Passes = 50;

std::vector<Call> DrawCalls(i32 firstId, i32 lastId, bool pawns, std::mt19937& random) {
    std::vector<Call> calls;
    for (i32 id = firstId; id <= lastId; id++) {
        const TablebaseRegistryEntry& entry = TablebaseRegistry[id];
        const std::vector<TableMan> men = MenOfTable(entry.name);
        bool hasPawn = false;
        for (const TableMan& man : men) hasPawn |= man.kind == 'p';
        if (id >= 146 && hasPawn != pawns) continue;
        for (i32 side = 0; side < 2; side++) {
            for (int n = 0; n < PositionsPerSide;) {
                IndexLists lists = MakeIndexLists("", "");
                for (const TableMan& man : men) {
                    const u32 sq = man.kind == 'p' ? 8 + random() % 48 : random() % 64;
                    (man.side == 0 ? lists.white : lists.black)[man.slot] = sq;
                }
                if (AttacksSquare('k', 0, i32(lists.white[15]), i32(lists.black[15]), 0)) continue;
                if (!LegalTablePosition(men, lists, side)) continue;
                calls.push_back({entry.indexFn[side], lists});
                n++;
            }
        }
    }
    std::shuffle(calls.begin(), calls.end(), random);
    return calls;
}

void Time(const char* family, const std::vector<Call>& calls) {
    u64 sum = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int pass = 0; pass < Passes; pass++)
        for (const Call& call : calls) sum += call.indexer(call.lists.white, call.lists.black, NoEnPassant, 0);
    const std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
    std::printf("%-22s %6.1f ns per call (%zu positions, checksum %llu)\n", family,
                elapsed.count() / (double(calls.size()) * Passes), calls.size(),
                static_cast<unsigned long long>(sum));
}

}  // namespace

int main() {
    BuildTablebaseIndexTables();
    std::mt19937 random(2014);
    Time("3-4 men", DrawCalls(1, 35, false, random));
    Time("5 men", DrawCalls(36, 145, false, random));
    Time("6 men without pawns", DrawCalls(146, 440, false, random));
    Time("6 men with pawns", DrawCalls(146, 440, true, random));
    return 0;
}
