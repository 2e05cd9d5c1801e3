#!/usr/bin/env bash
# Published perft counts checked end to end through an engine executable.
#
#   scripts/perft_suite.sh [--emulator <program>] <engine> [quick|full|deep]
#
# quick: a few shallow counts (seconds even in a 32-bit or unoptimised build)
# full:  the counts that take a few seconds each in the optimised build (CI)
# deep:  every published count listed below (a benchmark, minutes)
# With --emulator the engine runs under that program (qemu-i386 runs
# korvalent32 on a kernel that cannot).
set -eu

usage="usage: $0 [--emulator <program>] <engine> [quick|full|deep]"
# The emulator, if any, goes before the engine on its command line.
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
engine=$1
level=${2:-full}

# fen | counts for depth 1, 2, ...
positions=(
  "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -|20 400 8902 197281 4865609 119060324"
  "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -|48 2039 97862 4085603 193690690"
  "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -|14 191 2812 43238 674624 11030083"
  "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -|6 264 9467 422333 15833292"
  "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -|44 1486 62379 2103487 89941194"
  "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - -|46 2079 89890 3894594 164075551"
  "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6|31 707 21637 524138 16422290"
  "8/8/8/8/k2Pp2Q/8/8/3K4 b - d3|6 136 863 20471 117741 2822114"
)
# Deepest depth per position for each level.
case "$level" in
  quick) depths=(3 2 3 2 2 2 2 3) ;;
  full)  depths=(6 4 6 5 4 4 5 6) ;;
  deep)  depths=(6 5 6 5 5 5 5 6) ;;
  *) echo "unknown level $level" >&2; exit 2 ;;
esac

failures=0
for i in "${!positions[@]}"; do
  fen=${positions[$i]%%|*}
  read -r -a counts <<< "${positions[$i]#*|}"
  depth=${depths[$i]}
  expected=${counts[$((depth - 1))]}
  output=$(printf 'loadfen %s\nperft %d\nquit\n' "$fen" "$depth" | "${emulator[@]}" "$engine")
  line=$(printf '%s\n' "$output" | grep '^total moves = ' || true)
  got=$(printf '%s\n' "$line" | sed -n 's/^total moves = \([0-9]*\) time = \(.*\)$/\1/p')
  seconds=$(printf '%s\n' "$line" | sed -n 's/^total moves = \([0-9]*\) time = \(.*\)$/\2/p')
  if [ "$got" = "$expected" ]; then
    rate=$(awk -v n="$got" -v t="$seconds" 'BEGIN { if (t > 0) printf "%.1f M/s", n / t / 1e6; else print "-" }')
    echo "ok   depth $depth $expected ${seconds}s $rate  $fen"
  else
    echo "FAIL depth $depth expected $expected got '${got}'  $fen"
    failures=$((failures + 1))
  fi
done
[ "$failures" -eq 0 ]
