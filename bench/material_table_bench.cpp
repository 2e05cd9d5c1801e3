// Time to build the material table from the evaluation parameters, as
// start-up and the "reload" command do.
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "eval/eval_params.h"
#include "eval/material_table.h"

int main() {
    SetBuiltInEvalParams();
    DeriveParameterTables();

    constexpr int Runs = 20;
    double fastest = 1e9, total = 0;
    for (int run = 0; run < Runs; run++) {
        const auto start = std::chrono::steady_clock::now();
        BuildMaterialTable();
        const std::chrono::duration<double, std::milli> elapsed =
            std::chrono::steady_clock::now() - start;
        fastest = std::min(fastest, elapsed.count());
        total += elapsed.count();
    }
    std::printf("material table build (%d entries): fastest %.2f ms, mean %.2f ms over %d runs\n",
                MaterialIndexNone, fastest, total / Runs, Runs);
    return 0;
}
