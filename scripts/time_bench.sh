#!/usr/bin/env bash
# Time keeping under load, a benchmark rather than a test: ponder games at
# 2 s + 0.1 s while busy loops hold the machine at about two and a half
# times its cores. Passes when no engine loses on time (a stall of the
# machine that the engine's own account clears is reported but still
# counts here) and no move takes more than 0.6 of the clock it had.
#
#   scripts/time_bench.sh [ENGINE] [GAMES] [AT_A_TIME] [BUSY_LOOPS] [LOG]
#
# Defaults: build/korvalent64, 100 games, 4 at a time, 12 busy loops (the
# 8-core setting; scale the loops with the cores), run.jsonl in a fresh
# directory under /tmp. scripts/time_report.py LOG tells where the time went.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
engine=$(realpath "${1:-$root/build/korvalent64}")
games=${2:-100}
at_a_time=${3:-4}
loops=${4:-12}
log=${5:-$(mktemp -d /tmp/korvalent-time-bench-XXXXXX)/run.jsonl}
limit_share=0.6

busy=()
stop_loops() { if [ ${#busy[@]} -gt 0 ]; then kill "${busy[@]}" 2>/dev/null || true; fi; }
trap stop_loops EXIT
for _ in $(seq "$loops"); do
    (while :; do :; done) &
    busy+=($!)
done

echo "time_bench: $games games, $at_a_time at a time, $loops busy loops on $(nproc) cores; log $log"
status=0
python3 "$root/scripts/selfplay.py" --engine "$engine" --games "$games" --concurrency "$at_a_time" \
    --base-ms 2000 --inc-ms 100 --max-plies 100 --ponder --log "$log" --resume || status=$?
stop_loops
busy=()

# Every move's share of its clock, and every time loss, from the log.
python3 - "$log" "$limit_share" <<'EOF' || status=1
import json, sys
path, limit = sys.argv[1], float(sys.argv[2])
worst, losses, stalls = (0.0, ""), 0, 0
for line in open(path):
    record = json.loads(line)
    for role, figures in record["figures"].items():
        losses += figures.get("time_losses", 0)
        stalls += figures.get("stall_losses", 0)
        for entry in figures.get("move_log", []):
            ply, spent, clock = entry[0], entry[1], entry[2]
            if clock > 0 and spent / clock > worst[0]:
                worst = (spent / clock, "game %d ply %d, engine %s: %.0f of %.0f ms" % (
                    record["game"], ply, role, spent, clock))
print("time_bench: largest share of the clock %.3f (%s); time losses %d, to stalls %d" % (
    worst[0], worst[1] or "-", losses, stalls))
sys.exit(0 if worst[0] <= limit and losses == 0 and stalls == 0 else 1)
EOF
echo "time_bench: $([ $status -eq 0 ] && echo passed || echo FAILED)"
exit $status
