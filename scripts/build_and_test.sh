#!/usr/bin/env bash
# Builds and tests everything, as CI does:
#   build/       optimised: korvalent64, korvalent64i, korvalent32 and the tests
#   build-asan/  korvalent64 and the tests under AddressSanitizer and UBSan,
#                assertions on
# Needs the packages that .ci/run installs.
set -euo pipefail

cd "$(dirname "$0")/.."
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure --no-tests=error -j"$jobs"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKORVALENT_SANITIZE=ON -DKORVALENT_SUBBUILDS=OFF
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan --output-on-failure --no-tests=error -j"$jobs"
