#!/usr/bin/env bash
# A profile-guided korvalent64 for x86-64, in its own build directory.
#
#   scripts/build_pgo.sh [build directory] [training depth] [cmake option ...]
#   (defaults: build-pgo and depth 12; JOBS=<n> sets the parallel build jobs)
#
# Further arguments go to cmake, e.g. -DKORVALENT_NATIVE=ON for an engine
# that is also built for this machine's processor alone.
#
# Three steps in the same directory, so that the profile of each object file
# lies next to it: g++ builds an instrumented engine (-fprofile-generate), the
# engine searches a fixed set of positions to that depth and counts a perft,
# each in a scratch directory, and g++ builds the engine again from what was
# counted (-fprofile-use). Sources the training never ran (the book maker's
# entry point among them) are built as usual. Only korvalent64 is built: the
# sub-builds, tests and benchmarks are left out. The search is the same as
# the plain build's; only the layout of the code follows the profile.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build-pgo}
depth=${2:-12}
shift $(($# < 2 ? $# : 2))
jobs=${JOBS:-$(nproc)}
case "$depth" in
    '' | *[!0-9]*) echo "training depth must be a number" >&2; exit 2 ;;
esac

# A middle game, an open position full of captures and checks, a rook
# ending and a pawn ending: the evaluation, the exchange tests, the check
# generators and the ending code all get counted.
training_positions=(
    "r1bq1rk1/pp3ppp/2nbpn2/3p4/2PP4/2N1PN2/PP1B1PPP/R2QKB1R w KQ -"
    "r2qk2r/ppp1bppp/2n1bn2/3pp3/4P3/2NP1N2/PPPBBPPP/R2QK2R w KQkq -"
    "r1b1k2r/pp1nqppp/2p1p3/3n4/2BP4/2N2N2/PP3PPP/R2QR1K1 w kq -"
    "3r2k1/p4ppp/1p2p3/2q5/2P1Q3/1P4P1/P4P1P/3R2K1 b - -"
    "8/5pk1/6p1/1R5p/P6P/6P1/r4P2/6K1 w - -"
    "8/8/3k4/2p1p3/2P1P3/3K4/8/8 w - -"
)

cmake_options=("$@")
configure() {
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKORVALENT_SUBBUILDS=OFF \
        -DKORVALENT_TESTS=OFF "-DCMAKE_CXX_FLAGS=$1" "${cmake_options[@]}" > /dev/null
}

# The directory is wiped first (old profiles would mix in): only a build
# directory is.
if [ -e "$build" ] && [ ! -f "$build/CMakeCache.txt" ]; then
    echo "$build exists and is not a build directory; not wiping it" >&2
    exit 2
fi
echo "1/3 instrumented build in $build"
rm -rf "$build"
configure "-fprofile-generate -fprofile-update=single"
cmake --build "$build" -j"$jobs" --target korvalent64

echo "2/3 training: ${#training_positions[@]} searches to depth $depth and a perft"
engine=$(cd "$build" && pwd)/korvalent64
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for fen in "${training_positions[@]}"; do
    # At the end of its input the engine finishes the search and leaves.
    (cd "$scratch" && printf 'uci\nisready\nposition fen %s\ngo depth %d\n' "$fen" "$depth" |
        "$engine" | grep '^bestmove')
done
(cd "$scratch" && printf 'perft 5\nquit\n' | "$engine" | grep '^total moves')

echo "3/3 build from the profile"
configure "-fprofile-use -fprofile-correction -Wno-missing-profile"
cmake --build "$build" -j"$jobs" --target korvalent64
echo "built $build/korvalent64"
