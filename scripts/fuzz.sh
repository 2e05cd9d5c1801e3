#!/usr/bin/env bash
# Builds the libFuzzer targets in build-fuzz/ (clang++, ASan, UBSan,
# assertions on) and runs each for a fixed time.
#
#   scripts/fuzz.sh                      # every target, 30 s each (what CI runs)
#   scripts/fuzz.sh -t 3600              # a long run: an hour each
#   scripts/fuzz.sh -t 600 commands pgn  # some targets only
#   scripts/fuzz.sh -r crash-<hash> commands   # rerun one saved input
#   scripts/fuzz.sh -j 2                 # build with 2 jobs (default: nproc)
#
# Targets: commands (command lines through the command loop), values
# (values.txt), ini (Korvalent.ini), pgn ("pgneval"'s game file), epd
# ("epdevl"'s file), tables (a tablebase file, plain or compressed,
# registered and probed), book (Book.kvb with "bkm", the book choice and
# book learning, whole and cut short), learning (Learn.kv1), polyglot (korvalent-book's Polyglot
# reader and tree walk), book_pgn (korvalent-book's PGN reading). Each run
# starts from the seeds in fuzz/corpus/<target> and keeps what it learns in
# build-fuzz/corpus/<target>. A crash, sanitizer
# report, leak or hang (over 25 s for one input) stops the target; its input
# is saved as build-fuzz/artifacts/<target>/crash-* (or leak-*, timeout-*),
# the script goes on with the next target and exits with 1 at the end.
# Extra libFuzzer flags can be given in FUZZ_FLAGS, e.g. FUZZ_FLAGS=-jobs=4.
# Needs clang++ with its libFuzzer runtime (Debian: clang, libclang-rt-14-dev).
set -u

here="$(cd "$(dirname "$0")/.." && pwd)"
build="$here/build-fuzz"
seconds=30
replay=""
jobs=$(nproc)
while getopts "t:r:j:h" option; do
    case "$option" in
    t) seconds="$OPTARG" ;;
    j) jobs="$OPTARG" ;;
    r) replay="$(realpath "$OPTARG")" ;;
    *) sed -n '2,21p' "$0"; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(commands values ini pgn epd tables book learning polyglot book_pgn)

cmake -S "$here" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DKORVALENT_FUZZ=ON \
    -DKORVALENT_SUBBUILDS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || exit 1
cmake --build "$build" --target korvalent_fuzzers -j"$jobs" >/dev/null || {
    echo "fuzz.sh: build failed (cmake --build $build --target korvalent_fuzzers)"
    exit 1
}

if [ -n "$replay" ]; then
    exec "$build/fuzz/fuzz_${targets[0]}" "$replay"
fi

# Per target: the longest input, and a dictionary where there is one.
declare -A max_len=([commands]=1024 [values]=2048 [ini]=2048 [pgn]=8192 [epd]=4096
                    [tables]=16384 [book]=2048 [learning]=4096 [polyglot]=4096 [book_pgn]=8192)
failed=()
for target in "${targets[@]}"; do
    binary="$build/fuzz/fuzz_$target"
    if [ ! -x "$binary" ]; then
        echo "fuzz.sh: no target named $target"
        failed+=("$target")
        continue
    fi
    corpus="$build/corpus/$target"
    artifacts="$build/artifacts/$target"
    mkdir -p "$corpus" "$artifacts"
    flags=(-max_total_time="$seconds" -timeout=25 -rss_limit_mb=4096 -close_fd_mask=1
           -max_len="${max_len[$target]:-4096}" -print_final_stats=1
           -artifact_prefix="$artifacts/")
    [ -f "$here/fuzz/$target.dict" ] && flags+=(-dict="$here/fuzz/$target.dict")
    echo "=== $target: ${seconds} s"
    # The engine's output is closed (-close_fd_mask=1); libFuzzer's report
    # and any sanitizer report come on standard error.
    # shellcheck disable=SC2086
    if "$binary" "${flags[@]}" ${FUZZ_FLAGS:-} "$corpus" "$here/fuzz/corpus/$target" \
        2>"$build/$target.log"; then
        grep -E "^(Done|stat::number_of_executed_units)" "$build/$target.log"
    else
        grep -E "runtime error|ERROR:|Assertion|SUMMARY|^artifact_prefix|Test unit written" \
            "$build/$target.log" | head -20
        echo "=== $target FAILED: see $build/$target.log"
        failed+=("$target")
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzz.sh: failures in: ${failed[*]}"
    exit 1
fi
echo "fuzz.sh: no fault found in: ${targets[*]}"
