#!/usr/bin/env python3
"""Where the time went in a self-play run: reads the log of
scripts/selfplay.py --log and prints, per engine, the moves that took the
largest share of their clock with the engine's own account of each, and
how a move's time splits into the time the engine searched, its longest
pause between two looks at the clock, and the time outside its own count.

    scripts/time_report.py run.jsonl [--top 15] [--share 0.6]

A move's time on the GUI's clock (spent) = its own time (from the go or
the ponderhit to its bestmove, by its clock) + lag (outside its count:
pipes, scheduling, a stop that ended a missed ponder search). Its own time
holds its longest pause; a pause with little processor time is the machine
holding the process up. Exit code 0, 1 when the log cannot be read, 2 on
bad usage.
"""

import argparse
import json
import sys

FIELDS = ("ply", "spent_ms", "clock_ms", "ponder_hit", "own_ms", "limit_ms", "nodes", "nodes_past_limit",
          "cpu_ms", "pause_ms", "lag_ms", "long_pauses_ms")


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(fraction * len(ordered)))] if ordered else None


def moves_of(path):
    """(role, game, move dict) for every logged move, and the games."""
    moves, games = [], []
    with open(path) as log:
        for number, line in enumerate(log, 1):
            try:
                record = json.loads(line)
            except ValueError:
                print("%s:%d: not a game record, skipped" % (path, number), file=sys.stderr)
                continue
            games.append(record)
            for role, figures in record.get("figures", {}).items():
                for entry in figures.get("move_log", []):
                    moves.append((role, record["game"], dict(zip(FIELDS, entry))))
    return moves, games


def show(value):
    return "-" if value is None else "%.0f" % value


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("log")
    parser.add_argument("--top", type=int, default=15, help="moves listed per engine")
    parser.add_argument("--share", type=float, default=0.6, help="share of the clock counted as a long move")
    args = parser.parse_args()
    try:
        moves, games = moves_of(args.log)
    except OSError as error:
        print("%s: %s" % (args.log, error.strerror), file=sys.stderr)
        return 1
    losses = [g for g in games if "on time" in g.get("why", "")]
    stalls = sum(g["figures"][r].get("stall_losses", 0) for g in games for r in g.get("figures", {}))
    print("%d games, %d moves; %d games lost on time, %d of them to stalls outside the engine" % (
        len(games), len(moves), len(losses), stalls))
    for role in sorted({role for role, _, _ in moves}):
        own = [m for r, _, m in moves if r == role]
        accounted = [m for m in own if m["own_ms"] is not None]
        hits = [m for m in accounted if m["ponder_hit"]]
        print()
        print("engine %s: %d moves, %d with an account, %d ponder hits" % (role, len(own), len(accounted),
                                                                           len(hits)))
        rows = [
            ("lag (outside its count), ms", [m["lag_ms"] for m in accounted]),
            ("  after a ponderhit", [m["lag_ms"] for m in hits]),
            ("  after a go", [m["lag_ms"] for m in accounted if not m["ponder_hit"]]),
            ("longest pause in a move, ms", [m["pause_ms"] for m in accounted]),
            ("long pauses in a move, ms", [m.get("long_pauses_ms") or 0 for m in accounted]),
            ("own time past its limit, ms", [max(0, m["own_ms"] - max(m["pause_ms"], m.get("long_pauses_ms") or 0)
                                                 - m["limit_ms"])
                                             for m in accounted if m["limit_ms"] is not None]),
            ("share of the clock", [m["spent_ms"] / m["clock_ms"] for m in own if m["clock_ms"] > 0]),
        ]
        print("%-32s %9s %9s %9s %9s" % ("", "median", "99 %", "99.9 %", "largest"))
        for label, values in rows:
            if not values:
                continue
            fmt = "%9.3f" if label.startswith("share") else "%9.0f"
            print("%-32s " % label + " ".join(fmt % v for v in (
                percentile(values, 0.5), percentile(values, 0.99), percentile(values, 0.999), max(values))))
        past_nodes = [m for m in accounted if m["nodes_past_limit"]]
        long_moves = [m for m in own if m["clock_ms"] > 0 and m["spent_ms"] / m["clock_ms"] > args.share]
        print("moves with nodes searched past the hard limit: %d; moves above %.2f of the clock: %d" % (
            len(past_nodes), args.share, len(long_moves)))
        print("largest shares: game ply  spent  clock hit   own limit   nodes  past   cpu pause   lag")
        ranked = sorted(((g, m) for r, g, m in moves if r == role and m["clock_ms"] > 0),
                        key=lambda gm: gm[1]["spent_ms"] / gm[1]["clock_ms"], reverse=True)
        for game, m in ranked[:args.top]:
            print("  %.3f %12d %4d %6.0f %6.0f %3s %5s %5s %7s %5s %5s %5s %5s" % (
                m["spent_ms"] / m["clock_ms"], game, m["ply"], m["spent_ms"], m["clock_ms"],
                "yes" if m["ponder_hit"] else "no", show(m["own_ms"]), show(m["limit_ms"]), show(m["nodes"]),
                show(m["nodes_past_limit"]), show(m["cpu_ms"]), show(m["pause_ms"]), show(m["lag_ms"])))
    return 0


if __name__ == "__main__":
    sys.exit(main())
