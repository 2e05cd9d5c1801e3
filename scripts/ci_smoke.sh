#!/usr/bin/env bash
# End-to-end check of the built engines through a pipe, the way a GUI starts
# them: each must greet with its banner and leave with code 0 on "quit".
# With --emulator each engine runs under that program (qemu-i386 runs
# korvalent32 on a kernel that cannot).
#
#   scripts/ci_smoke.sh [--emulator <program>] <korvalent64> [<korvalent64i> <korvalent32>]
set -eu

banner='Korvalent v1.50 [r2055/01.01.2014]'
usage="usage: $0 [--emulator <program>] <korvalent64> [<korvalent64i> <korvalent32>]"

# The emulator, if any, goes before each engine on its command line.
emulator=()
if [ "${1:-}" = "--emulator" ] && [ "$#" -ge 2 ]; then
    emulator=("$2")
    shift 2
fi
if [ "$#" -eq 0 ] || [ "$1" = "--emulator" ]; then
    echo "$usage" >&2
    exit 2
fi
if [ "${#emulator[@]}" -gt 0 ]; then
    echo "run under ${emulator[0]}"
fi

failures=0
for engine in "$@"; do
    if [ ! -x "$engine" ]; then
        echo "FAIL $engine: no such executable"
        failures=$((failures + 1))
        continue
    fi
    status=0
    output=$(printf 'quit\n' | timeout 20 "${emulator[@]}" "$engine") || status=$?
    first_line=$(printf '%s\n' "$output" | head -n 1)
    if [ "$status" -ne 0 ]; then
        echo "FAIL $engine: exit code $status after quit"
        failures=$((failures + 1))
    elif [ "$first_line" != "$banner" ]; then
        echo "FAIL $engine: first line '$first_line', expected '$banner'"
        failures=$((failures + 1))
    else
        echo "ok   $engine"
    fi
done

[ "$failures" -eq 0 ]
