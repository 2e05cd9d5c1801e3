#!/usr/bin/env bash
# End-to-end check of the built engines through a pipe, the way a GUI starts
# them: each must greet with its banner and leave with code 0 on "quit".
#
#   scripts/ci_smoke.sh <korvalent64> [<korvalent64i> <korvalent32>]
set -eu

banner='Korvalent v1.50 [r2055/01.01.2014]'

if [ "$#" -eq 0 ]; then
    echo "usage: $0 <korvalent64> [<korvalent64i> <korvalent32>]" >&2
    exit 2
fi

failures=0
for engine in "$@"; do
    if [ ! -x "$engine" ]; then
        echo "FAIL $engine: no such executable"
        failures=$((failures + 1))
        continue
    fi
    status=0
    output=$(printf 'quit\n' | timeout 20 "$engine") || status=$?
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
