#!/usr/bin/env bash
# Builds and tests everything, as CI does:
#   build/       optimised: korvalent64, korvalent64i, korvalent32 and the tests
#   build-asan/  korvalent64 and the tests under AddressSanitizer and UBSan,
#                assertions on
#   build-tune/  the tuning build (korvalent64 with the TuneFile option): the
#                tests of the UCI options and of its parameter sets
#   build-fuzz/  the libFuzzer targets (clang++), each run for 30 s
# Needs the packages of scripts/install_packages.sh --tests. Ends with a
# summary of which executables were built and which the tests ran.
#
#   scripts/build_and_test.sh [-j JOBS]
#
# JOBS (default: the cores this process may use, nproc) compilers or tests
# run at a time; `taskset -c 0,1 scripts/build_and_test.sh` keeps the whole
# run, engines included, on two cores.
set -euo pipefail

cd "$(dirname "$0")/.."
jobs=$(nproc)
while getopts "j:h" option; do
    case "$option" in
    j) jobs="$OPTARG" ;;
    *) sed -n '2,16p' "$0"; exit 2 ;;
    esac
done
if ! [[ "$jobs" =~ ^[1-9][0-9]*$ ]]; then
    echo "build_and_test.sh: -j needs a number of jobs, not \"$jobs\"" >&2
    exit 2
fi

# Per tree: the executables that exist, and for each executable label the
# tests that ran it (and the emulator they ran it under, if any) and those
# that were skipped (with ctest's reason).
summary=()
summarise() {
    local tree=$1 built="" label ran skipped emulator
    for exe in korvalent64 korvalent64i korvalent32; do
        if [ -x "$tree/$exe" ]; then built="$built $exe"; fi
    done
    summary+=("$tree: built:$built")
    for label in korvalent64 korvalent64i korvalent32; do
        ran=$(grep -c "^$label ran\( under .*\)\?\$" "$tree/executables_run.txt" || true)
        skipped=$(grep -c "^$label skipped\$" "$tree/executables_run.txt" || true)
        emulator=$(sed -n "s/^$label ran under //p" "$tree/executables_run.txt" | sort -u | paste -sd, -)
        if [ "$ran" -gt 0 ] && [ -n "$emulator" ]; then
            summary+=("$tree: $label run under $emulator by $ran end-to-end test(s)")
        elif [ "$ran" -gt 0 ]; then
            summary+=("$tree: $label run by $ran end-to-end test(s)")
        elif [ "$skipped" -gt 0 ]; then
            summary+=("$tree: $label not run: $skipped test(s) skipped ($(cat "$tree/skip_reason.txt"))")
        fi
    done
}

# Runs ctest in a tree and records, from its JUnit report, which executable
# each labelled test ran (under which emulator, from the test's own "run
# under <program>" line) or skipped.
run_tests() {
    local tree=$1 status=0
    ctest --test-dir "$tree" --output-on-failure --no-tests=error -j"$jobs" \
        --output-junit "$PWD/$tree/ctest_report.xml" || status=$?
    python3 - "$tree" <<'PY'
import os, sys, xml.etree.ElementTree as ET
tree = sys.argv[1]
root = ET.parse(f"{tree}/ctest_report.xml").getroot()
lines, reasons = [], set()
for case in root.iter("testcase"):
    name = case.get("name", "")
    for exe in ("korvalent64i", "korvalent32", "korvalent64"):
        if name.endswith("_" + exe):
            skipped = case.find("skipped") is not None or case.get("status") == "notrun"
            out = case.findtext("system-out") or ""
            if skipped:
                lines.append(f"{exe} skipped")
                reasons.update(l.strip() for l in out.splitlines() if l.startswith("skipped:"))
            else:
                emulators = [l[len("run under "):].strip() for l in out.splitlines() if l.startswith("run under ")]
                lines.append(f"{exe} ran" + (f" under {os.path.basename(emulators[0])}" if emulators else ""))
            break
open(f"{tree}/executables_run.txt", "w").write("\n".join(lines) + "\n")
open(f"{tree}/skip_reason.txt", "w").write("; ".join(sorted(reasons)) or "skipped")
PY
    summarise "$tree"
    return "$status"
}

print_summary() {
    echo
    echo "== Executables =="
    printf '%s\n' "${summary[@]}"
}
trap print_summary EXIT

# The quick start may have configured build/ without the tests and the
# other two executables: everything goes back on.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DKORVALENT_TESTS=ON -DKORVALENT_SUBBUILDS=ON
cmake --build build -j"$jobs"
run_tests build

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKORVALENT_SANITIZE=ON -DKORVALENT_SUBBUILDS=OFF -DKORVALENT_TESTS=ON
cmake --build build-asan -j"$jobs"
run_tests build-asan

cmake -S . -B build-tune -DCMAKE_BUILD_TYPE=Release -DKORVALENT_SUBBUILDS=OFF \
    -DKORVALENT_TESTS=ON -DKORVALENT_TUNING=ON
cmake --build build-tune -j"$jobs" --target korvalent_tests korvalent64
ctest --test-dir build-tune --output-on-failure --no-tests=error -j"$jobs" \
    -R '^(Uci|TuneFile|CorrectionRows|EvalParams)\.|^tune_selftest$'
summary+=("build-tune: the tuning build's option and parameter-set tests passed")

scripts/fuzz.sh -j "$jobs"
summary+=("build-fuzz: every fuzz target ran 30 s without a finding")
