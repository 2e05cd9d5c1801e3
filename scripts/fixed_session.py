#!/usr/bin/env python3
"""Plays a fixed UCI session with the engine and prints everything it says,
with the clock-dependent fields (time, nps) masked, so that two builds can be
compared byte for byte: a change that must not alter behaviour leaves the
output (and its digest) the same.

    scripts/fixed_session.py <engine> [> output]

Run it from a directory without Korvalent.ini, book or learning files. Each
command waits for the engine's answer ("uciok", "readyok", "bestmove") before
the next is sent, so no search is cut short by the following command."""
import re
import subprocess
import sys

SESSION = """uci
setoption name Hash value 16
setoption name MultiPV value 1
isready
ucinewgame
position startpos moves e2e4 e7e5 g1f3
go depth 9
position fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1
go depth 8
setoption name MultiPV value 3
position fen 8/8/8/4k3/8/8/4P3/4K3 w - - 0 1
go depth 12
setoption name MultiPV value 1
position startpos moves d2d4 d7d5 c2c4 e7e6 b1c3 g8f6
go nodes 200000
position fen 6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1
go depth 6
quit"""

ANSWERS = {"uci": "uciok", "isready": "readyok", "go": "bestmove"}


def main():
    engine = subprocess.Popen([sys.argv[1]], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                              text=True, bufsize=1)
    said = []
    for command in SESSION.splitlines():
        engine.stdin.write(command + "\n")
        engine.stdin.flush()
        answer = ANSWERS.get(command.split()[0])
        while answer:
            line = engine.stdout.readline()
            if not line:
                break
            said.append(line)
            if line.startswith(answer):
                break
    engine.stdin.close()
    said += engine.stdout.readlines()
    said.append(f"exit code {engine.wait()}\n")
    for line in said:
        sys.stdout.write(re.sub(r"\b(time|nps) \d+", r"\1 _", line))


if __name__ == "__main__":
    main()
