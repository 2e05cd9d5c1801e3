#!/usr/bin/env python3
"""How closely the engine keeps its time limits and how fast it answers
input during a search, measured over UCI through the real executable.

    scripts/time_limits.py --engine build/korvalent64
    scripts/time_limits.py --engine build/korvalent64 --rounds 3

Each figure is the worst case over the positions and rounds, in ms as the
GUI sees it (from the line sent to the answer read):
- "go movetime N": the bestmove's lateness past N (goal: at most 30 ms).
- "go wtime T movestogo 1": the lateness past the hard limit. With one move
  to go the hard limit is half the usable clock, 95 % of T less 10 ms,
  in whole centiseconds, which this search always reaches. The move
  overhead is set to 0 so that this is the limit: the lateness is the
  engine's own, which the overhead must cover together with the GUI's.
- "isready" during "go infinite": the time to "readyok".
- "stop" ending "go infinite": the time to bestmove.
- "ponderhit" after a ponder search that already outlasted the hard limit:
  the time to bestmove, which is then due at once.
- xboard, pondering with 1 s a move: the expected reply played after the
  second has passed (the move is due at once), and an illegal move sent
  while pondering (its message).
The answers are due within 50 ms. Positions include queen endings whose
quiescence trees are huge. A search that gives no bestmove within 10 s
counts as 10 s late and is stopped. Exits with 1 when a goal is missed.
On a busy machine the figures include the time the engine waits for a
core; run it under "nice -n -15" to see the engine's own.
"""

import argparse
import os
import random
import select
import subprocess
import sys
import tempfile
import time

POSITIONS = [
    ("start", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"),
    ("middlegame", "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"),
    ("two queens", "3Q4/7p/8/3Q4/1k4pP/5p2/5P1P/5K2 w - - 2 1"),
    ("queen ending", "8/5pk1/6p1/8/3q4/6P1/5PK1/4Q3 w - - 0 1"),
    ("queens and pawns", "6k1/5pp1/7p/3Q4/8/6PP/q4PK1/8 b - - 0 1"),
]

MOVETIMES_MS = [5, 50, 200, 700]
CLOCKS_MS = [300, 1000, 3000]
LATE_GOAL_MS = 30
ANSWER_GOAL_MS = 50


class NoAnswer(Exception):
    pass


class Engine:
    def __init__(self, path):
        self.process = subprocess.Popen([os.path.abspath(path)], cwd=tempfile.mkdtemp(prefix="korvalent-time-"),
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE, bufsize=0)
        self.buffer = b""
        self.nps = []  # the speed of each search, from its last "nps" figure
        self.last_nps = 0
        self.last_line = ""

    def send(self, line):
        self.process.stdin.write((line + "\n").encode())
        return time.monotonic()

    def read_until(self, prefix, seconds=60):
        """Reads up to a line beginning with prefix; returns when it came."""
        deadline = time.monotonic() + seconds
        while True:
            while b"\n" in self.buffer:
                line, self.buffer = self.buffer.split(b"\n", 1)
                words = line.split()
                if b"nps" in words[:-1]:
                    self.last_nps = int(words[words.index(b"nps") + 1])
                if line.startswith(prefix.encode()):
                    self.last_line = line.decode(errors="replace")
                    if prefix == "bestmove" and self.last_nps:
                        self.nps.append(self.last_nps)
                    return time.monotonic()
            left = deadline - time.monotonic()
            ready, _, _ = select.select([self.process.stdout], [], [], max(left, 0))
            if not ready:
                raise NoAnswer("no %r within %d s" % (prefix, seconds))
            chunk = os.read(self.process.stdout.fileno(), 65536)
            if not chunk:
                sys.exit("the engine's output ended")
            self.buffer += chunk

    def bestmove_after(self, sent, seconds=10):
        """Seconds from sent to the bestmove; a search still running after
        the given seconds counts as that long and is stopped."""
        try:
            return self.read_until("bestmove", seconds) - sent
        except NoAnswer:
            self.send("stop")
            self.read_until("bestmove")
            return seconds

    def new_position(self, fen):
        self.last_nps = 0
        self.send("ucinewgame")
        self.send("position fen " + fen)
        self.send("isready")
        self.read_until("readyok")


def hard_limit_ms(clock_ms):
    usable_cs = clock_ms // 10 * 95 // 100 - 1
    return (usable_cs >> 1) * 10


class Worst:
    def __init__(self, name, goal):
        self.name, self.goal, self.ms, self.at, self.count = name, goal, float("-inf"), "", 0

    def note(self, ms, at):
        self.count += 1
        if ms > self.ms:
            self.ms, self.at = ms, at

    def report(self):
        ok = self.ms <= self.goal
        print("%-42s worst %7.1f ms (goal %d) over %3d searches, at %s%s" % (
            self.name, self.ms, self.goal, self.count, self.at, "" if ok else "  MISSED"))
        return ok


def xboard_ponder_answers(path, hit, illegal, rng):
    """xboard with pondering and 1 s a move: the expected reply played after
    the ponder search outlasted the second must be answered with a move at
    once, and an illegal move during pondering with its message."""
    engine = Engine(path)
    for line in ("xboard", "new", "hard", "st 1", "e2e4"):
        engine.send(line)
    engine.read_until("move ")
    engine.read_until("Hint: ")
    reply = engine.last_line.split()[1]
    time.sleep(1.2)
    sent = engine.send(reply)
    engine.read_until("move ")
    hit.note((time.monotonic() - sent) * 1000, "xboard, the expected reply " + reply)
    engine.read_until("Hint: ")
    time.sleep(rng.uniform(0.1, 0.6))
    sent = engine.send("h1h8")
    illegal.note((engine.read_until("Illegal move") - sent) * 1000, "xboard, h1h8 while pondering")
    engine.send("quit")
    engine.process.wait(timeout=10)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--engine", required=True)
    parser.add_argument("--rounds", type=int, default=2)
    args = parser.parse_args()

    engine = Engine(args.engine)
    engine.send("uci")
    engine.read_until("uciok")
    engine.send("setoption name Move Overhead value 0")
    movetime = Worst("go movetime N: late past N", LATE_GOAL_MS)
    clock = Worst("go wtime T movestogo 1: late past hard limit", LATE_GOAL_MS)
    ready = Worst("isready during a search: readyok after", ANSWER_GOAL_MS)
    stop = Worst("stop: bestmove after", ANSWER_GOAL_MS)
    ponderhit = Worst("ponderhit past the hard limit: bestmove after", ANSWER_GOAL_MS)
    xboard_hit = Worst("xboard ponder hit past the time: move after", ANSWER_GOAL_MS)
    xboard_illegal = Worst("xboard illegal move while pondering: answer", ANSWER_GOAL_MS)
    rng = random.Random(1)

    for round_number in range(args.rounds):
        for name, fen in POSITIONS:
            for n in MOVETIMES_MS:
                engine.new_position(fen)
                sent = engine.send("go movetime %d" % n)
                movetime.note(engine.bestmove_after(sent) * 1000 - n, "%s, movetime %d" % (name, n))
            for t in CLOCKS_MS:
                engine.new_position(fen)
                sent = engine.send("go wtime %d btime %d movestogo 1" % (t, t))
                clock.note(engine.bestmove_after(sent) * 1000 - hard_limit_ms(t),
                           "%s, wtime %d" % (name, t))
            for _ in range(3):
                engine.new_position(fen)
                engine.send("go infinite")
                time.sleep(rng.uniform(0.05, 1.5))
                sent = engine.send("isready")
                ready.note((engine.read_until("readyok") - sent) * 1000, name)
                time.sleep(rng.uniform(0.0, 0.3))
                sent = engine.send("stop")
                stop.note(engine.bestmove_after(sent) * 1000, name)
            engine.new_position(fen)
            engine.send("go ponder wtime 300 btime 300 movestogo 1")
            time.sleep(0.3 + rng.uniform(0.0, 0.5))
            sent = engine.send("ponderhit")
            ponderhit.note(engine.bestmove_after(sent) * 1000, name)
        xboard_ponder_answers(args.engine, xboard_hit, xboard_illegal, rng)
        print("round %d of %d done" % (round_number + 1, args.rounds), flush=True)

    engine.send("quit")
    engine.process.wait(timeout=10)
    speeds = sorted(engine.nps)
    if speeds:
        print("speed of the searches: median %d, lowest %d nodes/s" % (
            speeds[len(speeds) // 2], speeds[0]))
    ok = all([w.report() for w in (movetime, clock, ready, stop, ponderhit, xboard_hit, xboard_illegal)])
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
