#!/usr/bin/env python3
"""Checks a game the engine played from its opening book: that its first
moves came from the book, and that book learning changed the counters of the
book moves it played afterwards.

    scripts/book_game_check.py --engine build/korvalent64 --before Book.before.kvb \\
        --after Book.kvb --moves "e2e4 c7c6 d2d4 ..." [--side white|black]

--before is the book as it was before the game, --after the book the engine
left; --moves the game's moves in coordinate notation from the start. The
listings are the engine's own "bkm" (book learning switched off for them).
The engine's moves are taken while they stand in the book; book learning
credits every one of them but a move made from the start position, so each
of those must list other counters after the game than before. Prints what it
found; exit code 1 when a check fails."""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile


def listings(engine, book, lines):
    """{moves: {move: counters text}} of the engine's bkm after each line of
    moves, from a copy of the book."""
    work = tempfile.mkdtemp(prefix="korvalent-bookcheck-")
    try:
        shutil.copyfile(book, os.path.join(work, "Book.kvb"))
        with open(os.path.join(work, "Korvalent.ini"), "w") as f:
            f.write("UseBookLearning = off\n")
        commands = "".join("new\nforce\n" + "".join(m + "\n" for m in line) + "bkm\n" for line in lines)
        output = subprocess.run([os.path.abspath(engine)], cwd=work, input=commands + "quit\n",
                                capture_output=True, text=True, timeout=60).stdout
    finally:
        shutil.rmtree(work)
    parts = output.split("Current nhash1")[1:]
    if len(parts) != len(lines):
        sys.exit("FAIL: the engine gave %d listings for %d positions" % (len(parts), len(lines)))
    result = []
    for part in parts:
        entries = {}
        for line in part.splitlines()[1:]:
            found = re.match(r"^([a-h][1-8][a-h][1-8]) (.*)$", line)
            if found:
                entries[found.group(1)] = found.group(2)
        result.append(entries)
    return result


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--engine", required=True)
    parser.add_argument("--before", required=True)
    parser.add_argument("--after", required=True)
    parser.add_argument("--moves", required=True)
    parser.add_argument("--side", choices=("white", "black"), default="white")
    args = parser.parse_args()
    moves = args.moves.split()
    first = 0 if args.side == "white" else 1
    plies = list(range(first, len(moves), 2))
    positions = [moves[:ply] for ply in plies]
    before = listings(args.engine, args.before, positions)
    after = listings(args.engine, args.after, positions)

    # The engine's moves while it stays in the book (its first move that the
    # book does not list ends the run).
    book_moves = []
    for ply, listed_before, listed_after in zip(plies, before, after):
        move = moves[ply][:4]
        if move not in listed_before or listed_before[move] == "-":
            break
        book_moves.append((ply, move, listed_before[move], listed_after.get(move)))
    if not book_moves:
        print("FAIL: the engine's first move %s is not in the book" % (moves[first] if moves[first:] else "-"))
        return 1
    print("book moves of the engine: %s" % ", ".join("%d.%s%s" % (ply // 2 + 1, "" if ply % 2 == 0 else "..", move)
                                                     for ply, move, _, _ in book_moves))
    learnt = [(ply, move, old, new) for ply, move, old, new in book_moves if ply >= 2]
    if not learnt:
        print("FAIL: only the move from the start position came from the book; learning has nothing to show")
        return 1
    ok = True
    for ply, move, old, new in learnt:
        changed = old != new
        ok = ok and changed
        print("%s %s after %d plies: %s -> %s" % ("learnt" if changed else "FAIL: unchanged", move, ply, old, new))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
