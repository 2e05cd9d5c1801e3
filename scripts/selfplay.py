#!/usr/bin/env python3
"""Games between two UCI engines, played the way a GUI plays them.

The script acts as the GUI: it relays the moves, keeps both clocks and checks
that every bestmove is a legal move of the position (with its own small move
generator), that exactly one bestmove answers each go, that no side runs out
of time and that no engine process dies.

    scripts/selfplay.py --engine build/korvalent64                 # 100 self-play games
    scripts/selfplay.py --engine build/korvalent64 --games 2 --inc-ms 100
    scripts/selfplay.py --engine build/korvalent64 --games 400 --concurrency 4 \\
        --base-ms 1000 --inc-ms 10 --log run.jsonl              # resumable with --resume
    scripts/time_report.py run.jsonl                            # where the time went
    scripts/selfplay.py --engine build/korvalent64 --opponent /usr/games/toga2 \\
        --opponent-option Hash=16 --base-ms 10000 --inc-ms 100
    scripts/selfplay.py --engine build/korvalent64 --option "Move Overhead=0" \\
        --opponent build/korvalent64                            # one setting against another
    scripts/selfplay.py --selftest                                 # move generator, openings
    scripts/selfplay.py --engine build/korvalent32 --emulator qemu-i386 --games 2

Engine A is --engine, engine B is --opponent (any UCI engine; the same
program when not given). --option and --opponent-option send "setoption"
lines; in self-play B takes A's options unless it is given its own.
With --emulator each engine process runs under that program (qemu-i386 runs
korvalent32 on a kernel that cannot run 32-bit programs).
With --ponder the engines ponder on the expected reply ("go ponder", then
"ponderhit" or "stop"; an engine that lists a Ponder option has it switched
on), which exercises the ponder paths as well.

Each pair of games starts from one opening of the list (built in, or
--openings FILE with one line per opening: moves in coordinate notation, or
a FEN, optionally followed by "moves" and moves), with the colours swapped
in the second game. With --concurrency N, N pairs of engine processes play
at the same time.

With --pgn FILE the games are written to FILE in PGN (standard algebraic
notation), for the book maker or any other tool. --book BOOK gives each engine
its own copy of an opening book (Book.kvb in its working directory, so book
learning changes the copies only) and --variety N sets its VarietyOfPlay;
--depth D makes every search "go depth D" instead of a clock (no time losses
then), which plays many games fast. With --book the games start from the start
position (the book gives the variety) unless --openings names a file:

    scripts/selfplay.py --engine build/korvalent64 --games 300 --depth 5 --max-plies 40 \
        --book Book.kvb --variety 30 --pgn games.pgn

A move's clock runs from the moment the opponent's move is known (before a
"stop" that ends a missed ponder search, or at "ponderhit") to its bestmove,
as in a GUI. A side whose clock runs out loses the game, and the run goes on
with the next game. For each engine the final table gives: time losses; the
lowest clock left after a move (before the increment); the largest share of
its clock that a single move took (the clock it had when it started to
think; Korvalent's hard limit is at most half its usable clock, so a share
above 0.5 is an overrun) and the largest overrun past half the clock in ms;
the lag, the time a move took on the GUI's clock beyond the time the engine
counted itself (pipes, scheduling, a "stop" that ended a missed ponder
search): from Korvalent's own account of the move, the "info string time
..." line before its bestmove, which counts from the go or the ponderhit,
so ponder hits are in (the script switches UCI's debug mode on for it);
for another engine from its last "info ... time",
moves after a ponderhit left out. The account also gives the time the
engine searched past what was left of its hard limit, its pauses between
two looks at the clock left out ("own time past its limit"): the longest,
or all of 50 ms or more when they add up to more. The slowest answer to
"stop" and "isready" close the table.

A move that loses on time is a fault of the engine, unless its account
shows it lost only to time in which it searched nothing: no node searched
after a look that found its hard limit passed, no more than 100 ms past
that limit outside its pauses, and the move in time without them and the
time outside the engine's count. Such a loss is a stall of the machine:
it is printed and counted ("losses to stalls outside it"), and the game is
lost, but the run does not fail for it. Above it stand W/D/L, the score and the Elo
difference of A against B with its 95 % error bar, and the machine's load.
A search that gives no bestmove 10 s after its clock ran out, or after
"stop", counts as a time loss (or an unanswered stop) and its process is
replaced.

--log FILE appends one JSON line per finished game, with each engine's
moves and their accounts (TimeFigures.MOVE_LOG_FIELDS); --resume first reads
that file and plays only the games it lacks. Exit code 0 when every game was
played without a fault; 1 on an illegal move, a dead engine, a time loss or
an unanswered stop of the engine under test (engine A, and engine B when it
is the same program), or a bad openings file; 2 on bad usage.
"""

import argparse
import json
import math
import multiprocessing
import os
import queue
import select
import shlex
import shutil
import subprocess
import sys
import tempfile
import time

# ---------------------------------------------------------------------------
# A small legal-move generator: a 64-square list, a1 = 0, h8 = 63; white
# pieces upper case, black lower case, '.' empty.

START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"
KNIGHT_STEPS = [(1, 2), (2, 1), (2, -1), (1, -2), (-1, -2), (-2, -1), (-2, 1), (-1, 2)]
KING_STEPS = [(1, 0), (1, 1), (0, 1), (-1, 1), (-1, 0), (-1, -1), (0, -1), (1, -1)]
ROOK_DIRS = [(1, 0), (-1, 0), (0, 1), (0, -1)]
BISHOP_DIRS = [(1, 1), (1, -1), (-1, 1), (-1, -1)]


def square_name(sq):
    return "abcdefgh"[sq % 8] + str(sq // 8 + 1)


def square_of(name):
    return (ord(name[1]) - ord("1")) * 8 + ord(name[0]) - ord("a")


class Position:
    def __init__(self, fen=START_FEN):
        fields = fen.split()
        self.board = ["."] * 64
        rank, file = 7, 0
        for c in fields[0]:
            if c == "/":
                rank, file = rank - 1, 0
            elif c.isdigit():
                file += int(c)
            else:
                self.board[rank * 8 + file] = c
                file += 1
        self.white = fields[1] == "w"
        self.castling = "" if fields[2] == "-" else fields[2]
        self.ep = None if fields[3] == "-" else square_of(fields[3])
        self.halfmoves = int(fields[4]) if len(fields) > 4 else 0
        self.history = [self.key()]

    def key(self):
        return ("".join(self.board), self.white, self.castling, self.ep)

    def own(self, piece):
        return piece != "." and piece.isupper() == self.white

    def attacked(self, sq, by_white):
        """True when a piece of the given colour attacks square sq."""
        f, r = sq % 8, sq // 8
        pawn, knight, king = ("P", "N", "K") if by_white else ("p", "n", "k")
        rook_like = ("R", "Q") if by_white else ("r", "q")
        bishop_like = ("B", "Q") if by_white else ("b", "q")
        pawn_rank = r - 1 if by_white else r + 1
        for df in (-1, 1):
            if 0 <= f + df < 8 and 0 <= pawn_rank < 8 and self.board[pawn_rank * 8 + f + df] == pawn:
                return True
        for steps, piece in ((KNIGHT_STEPS, knight), (KING_STEPS, king)):
            for df, dr in steps:
                if 0 <= f + df < 8 and 0 <= r + dr < 8 and self.board[(r + dr) * 8 + f + df] == piece:
                    return True
        for dirs, pieces in ((ROOK_DIRS, rook_like), (BISHOP_DIRS, bishop_like)):
            for df, dr in dirs:
                nf, nr = f + df, r + dr
                while 0 <= nf < 8 and 0 <= nr < 8:
                    found = self.board[nr * 8 + nf]
                    if found != ".":
                        if found in pieces:
                            return True
                        break
                    nf, nr = nf + df, nr + dr
        return False

    def in_check(self):
        king = "K" if self.white else "k"
        return self.attacked(self.board.index(king), not self.white)

    def pseudo_moves(self):
        moves = []
        forward = 8 if self.white else -8
        start_rank, last_rank = (1, 7) if self.white else (6, 0)
        for sq, piece in enumerate(self.board):
            if not self.own(piece):
                continue
            f, r = sq % 8, sq // 8
            kind = piece.upper()
            if kind == "P":
                targets = []
                one = sq + forward
                if 0 <= one < 64 and self.board[one] == ".":
                    targets.append(one)
                    two = one + forward
                    if r == start_rank and self.board[two] == ".":
                        targets.append(two)
                for df in (-1, 1):
                    if 0 <= f + df < 8:
                        to = sq + forward + df
                        if (self.board[to] != "." and not self.own(self.board[to])) or to == self.ep:
                            targets.append(to)
                for to in targets:
                    if to // 8 == last_rank:
                        moves.extend(square_name(sq) + square_name(to) + p for p in "qrbn")
                    else:
                        moves.append(square_name(sq) + square_name(to))
                continue
            if kind in "NK":
                for df, dr in KNIGHT_STEPS if kind == "N" else KING_STEPS:
                    if 0 <= f + df < 8 and 0 <= r + dr < 8:
                        to = (r + dr) * 8 + f + df
                        if not self.own(self.board[to]):
                            moves.append(square_name(sq) + square_name(to))
                if kind == "K":
                    moves.extend(self.castling_moves(sq))
                continue
            dirs = {"R": ROOK_DIRS, "B": BISHOP_DIRS, "Q": ROOK_DIRS + BISHOP_DIRS}[kind]
            for df, dr in dirs:
                nf, nr = f + df, r + dr
                while 0 <= nf < 8 and 0 <= nr < 8:
                    to = nr * 8 + nf
                    if self.own(self.board[to]):
                        break
                    moves.append(square_name(sq) + square_name(to))
                    if self.board[to] != ".":
                        break
                    nf, nr = nf + df, nr + dr
        return moves

    def castling_moves(self, king_sq):
        moves = []
        home = 4 if self.white else 60
        if king_sq != home or self.in_check():
            return moves
        rights = ("K", "Q") if self.white else ("k", "q")
        enemy = not self.white
        if rights[0] in self.castling and self.board[home + 1] == "." and self.board[home + 2] == ".":
            if not self.attacked(home + 1, enemy) and not self.attacked(home + 2, enemy):
                moves.append(square_name(home) + square_name(home + 2))
        if (rights[1] in self.castling and self.board[home - 1] == "." and self.board[home - 2] == "."
                and self.board[home - 3] == "."):
            if not self.attacked(home - 1, enemy) and not self.attacked(home - 2, enemy):
                moves.append(square_name(home) + square_name(home - 2))
        return moves

    def make(self, move):
        frm, to = square_of(move[0:2]), square_of(move[2:4])
        piece = self.board[frm]
        captured = self.board[to]
        self.board[frm] = "."
        if piece.upper() == "P" and to == self.ep:
            self.board[to - (8 if self.white else -8)] = "."
            captured = "p"
        if len(move) > 4:
            piece = move[4].upper() if self.white else move[4]
        self.board[to] = piece
        if piece.upper() == "K" and abs(to - frm) == 2:
            rook_from, rook_to = (frm + 3, frm + 1) if to > frm else (frm - 4, frm - 1)
            self.board[rook_to] = self.board[rook_from]
            self.board[rook_from] = "."
        for sq, right in ((4, "KQ"), (60, "kq"), (0, "Q"), (7, "K"), (56, "q"), (63, "k")):
            if frm == sq or to == sq:
                self.castling = "".join(c for c in self.castling if c not in right)
        self.ep = (frm + to) // 2 if piece.upper() == "P" and abs(to - frm) == 16 else None
        self.halfmoves = 0 if piece.upper() == "P" or captured != "." else self.halfmoves + 1
        self.white = not self.white
        self.history.append(self.key())

    def san(self, move):
        """The move in standard algebraic notation, with + or # for check."""
        frm, to = square_of(move[0:2]), square_of(move[2:4])
        piece = self.board[frm].upper()
        if piece == "K" and abs(to - frm) == 2:
            text = "O-O" if to > frm else "O-O-O"
        else:
            capture = self.board[to] != "." or (piece == "P" and to == self.ep)
            if piece == "P":
                text = (move[0] + "x" if capture else "") + move[2:4]
                if len(move) > 4:
                    text += "=" + move[4].upper()
            else:
                # Another man of the same kind that may go there: the file
                # tells them apart, else the rank, else both.
                rivals = [m[0:2] for m in self.legal_moves() if m[2:4] == move[2:4] and m[0:2] != move[0:2]
                          and self.board[square_of(m[0:2])].upper() == piece]
                origin = ""
                if rivals:
                    if all(r[0] != move[0] for r in rivals):
                        origin = move[0]
                    elif all(r[1] != move[1] for r in rivals):
                        origin = move[1]
                    else:
                        origin = move[0:2]
                text = piece + origin + ("x" if capture else "") + move[2:4]
        after = self.copy()
        after.make(move)
        if after.in_check():
            text += "#" if not after.legal_moves() else "+"
        return text


    def copy(self):
        other = Position.__new__(Position)
        other.board = list(self.board)
        other.white, other.castling, other.ep = self.white, self.castling, self.ep
        other.halfmoves, other.history = self.halfmoves, list(self.history)
        return other

    def legal_moves(self):
        legal = []
        for move in self.pseudo_moves():
            after = self.copy()
            after.make(move)
            after.white = not after.white
            if not after.in_check():
                legal.append(move)
        return legal

    def draw_reason(self):
        if self.halfmoves >= 100:
            return "fifty moves"
        if self.history.count(self.history[-1]) >= 3:
            return "repetition"
        pieces = [p for p in self.board if p not in ".Kk"]
        if not pieces or (len(pieces) == 1 and pieces[0] in "NBnb"):
            return "insufficient material"
        return None




# ---------------------------------------------------------------------------
# Openings: short, well-known lines, so that games differ.

OPENINGS = [
    "e2e4 e7e5 g1f3 b8c6 f1b5 a7a6",            # Ruy Lopez
    "e2e4 e7e5 g1f3 b8c6 f1c4 f8c5",            # Italian
    "e2e4 e7e5 g1f3 b8c6 f1c4 g8f6",            # Two Knights
    "e2e4 e7e5 g1f3 b8c6 d2d4 e5d4",            # Scotch
    "e2e4 e7e5 g1f3 b8c6 b1c3 g8f6",            # Four Knights
    "e2e4 e7e5 g1f3 g8f6 f3e5 d7d6",            # Petrov
    "e2e4 e7e5 g1f3 d7d6 d2d4 g8f6",            # Philidor
    "e2e4 e7e5 b1c3 g8f6 f2f4 d7d5",            # Vienna
    "e2e4 e7e5 f2f4 e5f4 g1f3 g7g5",            # King's Gambit
    "e2e4 c7c5 g1f3 d7d6 d2d4 c5d4 f3d4 g8f6 b1c3 a7a6",  # Najdorf
    "e2e4 c7c5 g1f3 b8c6 d2d4 c5d4 f3d4 g7g6",  # Accelerated Dragon
    "e2e4 c7c5 g1f3 b8c6 d2d4 c5d4 f3d4 g8f6 b1c3 e7e5",  # Sveshnikov
    "e2e4 c7c5 g1f3 e7e6 d2d4 c5d4 f3d4 a7a6",  # Kan
    "e2e4 c7c5 g1f3 d7d6 f1b5 c8d7",            # Moscow
    "e2e4 c7c5 b1c3 b8c6 g2g3 g7g6",            # Closed Sicilian
    "e2e4 c7c5 c2c3 g8f6 e4e5 f6d5",            # Alapin
    "e2e4 e7e6 d2d4 d7d5 b1c3 g8f6",            # French
    "e2e4 e7e6 d2d4 d7d5 e4e5 c7c5",            # French Advance
    "e2e4 e7e6 d2d4 d7d5 b1d2 c7c5",            # French Tarrasch
    "e2e4 c7c6 d2d4 d7d5 e4e5 c8f5",            # Caro-Kann Advance
    "e2e4 c7c6 d2d4 d7d5 b1c3 d5e4 c3e4 c8f5",  # Caro-Kann
    "e2e4 d7d5 e4d5 d8d5 b1c3 d5a5",            # Scandinavian
    "e2e4 g8f6 e4e5 f6d5 d2d4 d7d6",            # Alekhine
    "e2e4 d7d6 d2d4 g8f6 b1c3 g7g6",            # Pirc
    "e2e4 g7g6 d2d4 f8g7 b1c3 d7d6",            # Modern
    "e2e4 b7b6 d2d4 c8b7 f1d3 e7e6",            # Owen
    "d2d4 d7d5 c2c4 e7e6 b1c3 g8f6",            # Queen's Gambit Declined
    "d2d4 d7d5 c2c4 e7e6 b1c3 c7c5",            # Tarrasch Defence
    "d2d4 d7d5 c2c4 c7c6 g1f3 g8f6",            # Slav
    "d2d4 d7d5 c2c4 c7c6 b1c3 g8f6 e2e3 e7e6",  # Semi-Slav
    "d2d4 d7d5 c2c4 d5c4 g1f3 g8f6",            # Queen's Gambit Accepted
    "d2d4 g8f6 c2c4 e7e6 b1c3 f8b4",            # Nimzo-Indian
    "d2d4 g8f6 c2c4 e7e6 g1f3 b7b6",            # Queen's Indian
    "d2d4 g8f6 c2c4 e7e6 g2g3 d7d5",            # Catalan
    "d2d4 g8f6 c2c4 g7g6 b1c3 f8g7 e2e4 d7d6",  # King's Indian
    "d2d4 g8f6 c2c4 g7g6 b1c3 d7d5",            # Gruenfeld
    "d2d4 g8f6 c2c4 c7c5 d4d5 b7b5",            # Benko
    "d2d4 g8f6 c2c4 c7c5 d4d5 e7e6",            # Benoni
    "d2d4 f7f5 g2g3 g8f6 f1g2 g7g6",            # Dutch
    "d2d4 d7d5 g1f3 g8f6 c1f4 e7e6",            # London
    "d2d4 g8f6 g1f3 e7e6 c1g5 c7c5",            # Torre
    "d2d4 g8f6 c1g5 e7e6 e2e4 h7h6",            # Trompowsky
    "c2c4 e7e5 b1c3 g8f6 g1f3 b8c6",            # English, four knights
    "c2c4 c7c5 g1f3 g8f6 b1c3 b8c6",            # English, symmetrical
    "c2c4 g8f6 b1c3 e7e6 e2e4 d7d5",            # English, Mikenas
    "c2c4 e7e6 g1f3 d7d5 g2g3 g8f6",            # English, Catalan style
    "g1f3 d7d5 g2g3 g8f6 f1g2 c7c6",            # Reti
    "g1f3 g8f6 c2c4 g7g6 b2b3 f8g7",            # Reti, double fianchetto
    "b2b3 e7e5 c1b2 b8c6 e2e3 g8f6",            # Larsen
    "f2f4 d7d5 g1f3 g8f6 e2e3 g7g6",            # Bird
]


class Opening:
    """A start position and the moves played from it before the engines
    take over."""

    def __init__(self, fen, moves):
        self.fen, self.moves = fen, moves

    def position_command(self, moves):
        base = "position startpos" if self.fen is None else "position fen " + self.fen
        return base + (" moves " + " ".join(moves) if moves else "")

    def start(self):
        """The position after the opening's moves, checking each on the way;
        raises ValueError naming an illegal move."""
        position = Position(self.fen or START_FEN)
        for move in self.moves:
            if move not in position.legal_moves():
                raise ValueError("illegal move %s" % move)
            position.make(move)
        return position


def parse_opening(text):
    """One line of an openings file: moves, or a FEN with optional moves."""
    text = text.split("#", 1)[0].strip()
    if not text:
        return None
    if "/" in text.split()[0]:
        fields = text.split()
        if "moves" in fields:
            cut = fields.index("moves")
            return Opening(" ".join(fields[:cut]), fields[cut + 1:])
        return Opening(" ".join(fields), [])
    words = text.split()
    if words[0] == "moves":
        words = words[1:]
    return Opening(None, words)


def load_openings(path):
    """The openings of a file, or the built-in list; exits with 1 naming the
    file and line of a bad one."""
    if path is None:
        return [parse_opening(line) for line in OPENINGS]
    openings = []
    try:
        with open(path) as source:
            lines = source.readlines()
    except OSError as error:
        print("%s: %s" % (path, error.strerror), file=sys.stderr)
        sys.exit(1)
    for number, line in enumerate(lines, 1):
        try:
            opening = parse_opening(line)
            if opening is not None:
                opening.start()
                openings.append(opening)
        except (ValueError, IndexError, KeyError) as error:
            print("%s:%d: not an opening (%s): %s" % (path, number, error or "bad FEN", line.strip()),
                  file=sys.stderr)
            sys.exit(1)
    if not openings:
        print("%s: no openings" % path, file=sys.stderr)
        sys.exit(1)
    return openings


def perft(position, depth):
    if depth == 0:
        return 1
    total = 0
    for move in position.legal_moves():
        after = position.copy()
        after.make(move)
        total += perft(after, depth - 1)
    return total


def selftest():
    cases = [
        (START_FEN, 3, 8902),
        ("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 2, 2039),
        ("8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 3, 2812),
        ("r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 2, 264),
        ("rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 2, 1486),
    ]
    san_cases = [
        (START_FEN, "g1f3", "Nf3"),
        ("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1c1", "O-O-O"),
        ("4k3/8/8/8/8/5N2/8/RN2K3 w - - 0 1", "b1d2", "Nbd2"),
        ("4k3/8/8/8/8/8/8/R4RK1 w - - 0 1", "a1d1", "Rad1"),
        ("4k3/8/8/8/8/3N4/8/3NK3 w - - 0 1", "d3b2", "N3b2"),
        ("4k3/8/8/8/Q1Q5/8/Q7/4K3 w - - 0 1", "a4b3", "Qa4b3"),
        ("4k3/8/8/8/Q1Q5/8/8/4K3 w - - 0 1", "a4b3", "Qab3"),
        ("4k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7b8q", "b8=Q+"),
        ("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6", "exd6"),
        ("7k/8/6K1/8/8/8/8/R7 w - - 0 1", "a1a8", "Ra8#"),
    ]
    ok = True
    for fen, depth, expected in cases:
        got = perft(Position(fen), depth)
        print("%s perft %d = %d (expected %d)" % ("ok  " if got == expected else "FAIL", depth, got, expected))
        ok = ok and got == expected
    for fen, move, expected in san_cases:
        got = Position(fen).san(move)
        print("%s san %s = %s (expected %s)" % ("ok  " if got == expected else "FAIL", move, got, expected))
        ok = ok and got == expected
    # The engine's account of a move, and what a time loss is put down to.
    line = ("info string time 1107 ms since ponderhit, hard limit left 0 ms, nodes 2000, nodes past the "
            "limit 0, cpu 3 ms, longest pause between clock looks 1090 ms, pauses of 50 ms or more 1150 ms in all")
    expected = {"own_ms": 1107, "since": "ponderhit", "limit_ms": 0, "nodes": 2000, "nodes_past_limit": 0,
                "cpu_ms": 3, "pause_ms": 1090, "long_pauses_ms": 1150}
    got = parse_account(line)
    print("%s account line read" % ("ok  " if got == expected else "FAIL"))
    ok = ok and got == expected
    unlimited = parse_account("info string time 5 ms since go, no time limit, nodes 9, nodes past the limit 0, "
                              "cpu 5 ms, longest pause between clock looks 1 ms")
    ok = ok and unlimited is not None and unlimited["limit_ms"] is None
    ok = ok and parse_account("info string time is short") is None

    def account(own, limit, past, pause, long_pauses=0):
        return {"own_ms": own, "since": "go", "limit_ms": limit, "nodes": 1000, "nodes_past_limit": past,
                "cpu_ms": 0, "pause_ms": pause, "long_pauses_ms": long_pauses}
    loss_cases = [
        # (account, spent ms, clock ms, a stall outside the engine?)
        (account(1100, 320, 0, 800), 1107, 806, True),     # frozen 800 ms between two looks
        (account(1100, 320, 0, 30), 1107, 806, False),     # searched 780 ms past its limit
        (account(1100, 320, 0, 400, 800), 1107, 806, True),  # frozen twice, 400 ms each
        (account(1100, 320, 0, 400, 400), 1107, 806, False),  # one freeze, and 380 ms past the limit
        (account(1100, 320, 40000, 800), 1107, 806, False),  # went on searching after the limit
        (account(300, 320, 0, 10), 1107, 806, True),       # the time went before the go was read
        (account(900, 1000, 0, 10), 1107, 806, False),     # a limit beyond the clock
        (None, 1107, 806, False),                          # no account: a fault as before
        ({"own_ms": 1100, "since": "go", "limit_ms": None, "nodes": 0, "nodes_past_limit": 0, "cpu_ms": 0,
          "pause_ms": 900}, 1107, 806, False),             # an untimed search
    ]
    for case_account, spent, clock, stall in loss_cases:
        got = stall_outside_engine(case_account, spent, clock)
        print("%s loss of %d of %d ms put down to %s" % ("ok  " if got == stall else "FAIL", spent, clock,
                                                         "a stall" if got else "the engine"))
        ok = ok and got == stall
    # Every built-in opening is legal and leads to a position of its own.
    seen = set()
    for line in OPENINGS:
        try:
            key = parse_opening(line).start().key()
        except ValueError as error:
            print("FAIL opening %s: %s" % (line, error))
            ok = False
            continue
        if key in seen:
            print("FAIL opening %s: a position already in the list" % line)
            ok = False
        seen.add(key)
    print("%s %d built-in openings" % ("ok  " if ok else "FAIL", len(OPENINGS)))
    return 0 if ok else 1


# ---------------------------------------------------------------------------
# Figures of one engine's time use: per game, then summed over the run.

class TimeFigures:
    def __init__(self):
        self.moves = 0
        self.time_losses = 0
        # Lost on time to a stall outside the engine: a move in which, by
        # its own account, the engine kept its limit and the time went in a
        # pause in which it searched nothing. Reported, not a fault.
        self.stall_losses = 0
        # Largest time (ms) an engine's own account shows it searching
        # beyond what was left of its hard limit, its longest pause left out.
        self.largest_past_limit_ms = 0.0
        # One entry per move of this game (not summed over a run), for the
        # log: MOVE_LOG_FIELDS.
        self.move_log = []
        self.hung_stops = 0
        self.lowest_clock_ms = None
        self.lowest_clock_at = ""
        self.largest_share = 0.0
        self.largest_share_at = ""
        self.largest_overrun_ms = 0.0
        self.slowest_answer_ms = 0.0  # to "isready"
        self.slowest_stop_ms = 0.0
        self.lags_ms = []

    def note_account(self, ply, spent_ms, clock_ms, ponder_hit, account):
        """Logs a move with the engine's own account (None when it gives
        none) and returns the time it did not count itself, or None."""
        own = account or {}
        lag = spent_ms - own["own_ms"] if account else None
        self.move_log.append([ply, round(spent_ms, 1), round(clock_ms, 1), int(ponder_hit)] +
                             [own.get(key) for key in ("own_ms", "limit_ms", "nodes", "nodes_past_limit",
                                                       "cpu_ms", "pause_ms")] +
                             [None if lag is None else round(lag, 1), own.get("long_pauses_ms")])
        self.largest_past_limit_ms = max(self.largest_past_limit_ms, searched_past_limit_ms(account))
        return lag

    def note_move(self, spent_ms, clock_ms, where):
        self.moves += 1
        share = spent_ms / clock_ms if clock_ms > 0 else float("inf")
        if share > self.largest_share:
            self.largest_share, self.largest_share_at = share, "%s, %.0f of %.0f ms" % (where, spent_ms, clock_ms)
        self.largest_overrun_ms = max(self.largest_overrun_ms, spent_ms - clock_ms / 2.0)
        left = clock_ms - spent_ms
        if self.lowest_clock_ms is None or left < self.lowest_clock_ms:
            self.lowest_clock_ms, self.lowest_clock_at = left, where

    def note_answer(self, ms):
        self.slowest_answer_ms = max(self.slowest_answer_ms, ms)

    def note_stop(self, ms):
        self.slowest_stop_ms = max(self.slowest_stop_ms, ms)

    def merge(self, other):
        self.moves += other.moves
        self.time_losses += other.time_losses
        self.stall_losses += other.stall_losses
        self.largest_past_limit_ms = max(self.largest_past_limit_ms, other.largest_past_limit_ms)
        self.hung_stops += other.hung_stops
        if other.lowest_clock_ms is not None and (self.lowest_clock_ms is None
                                                   or other.lowest_clock_ms < self.lowest_clock_ms):
            self.lowest_clock_ms, self.lowest_clock_at = other.lowest_clock_ms, other.lowest_clock_at
        if other.largest_share > self.largest_share:
            self.largest_share, self.largest_share_at = other.largest_share, other.largest_share_at
        self.largest_overrun_ms = max(self.largest_overrun_ms, other.largest_overrun_ms)
        self.slowest_answer_ms = max(self.slowest_answer_ms, other.slowest_answer_ms)
        self.slowest_stop_ms = max(self.slowest_stop_ms, other.slowest_stop_ms)
        self.lags_ms.extend(other.lags_ms)

    # The fields of a move_log entry.
    MOVE_LOG_FIELDS = ("ply", "spent_ms", "clock_ms", "ponder_hit", "own_ms", "limit_ms", "nodes",
                       "nodes_past_limit", "cpu_ms", "pause_ms", "lag_ms", "long_pauses_ms")

    def to_json(self):
        figures = dict(self.__dict__)
        figures["lags_ms"] = [round(lag, 1) for lag in self.lags_ms]
        return figures

    @classmethod
    def from_json(cls, data):
        figures = cls()
        figures.__dict__.update(data)
        return figures


# Korvalent's own account of a move's time, the line before its bestmove:
#   info string time 152 ms since go, hard limit left 888 ms, nodes 221607,
#   nodes past the limit 0, cpu 152 ms, longest pause between clock looks 2 ms,
#   pauses of 50 ms or more 0 ms in all
# ("no time limit" in place of the limit for a search without one).
ACCOUNT_PREFIX = "info string time "

# Time (ms) an engine may take past its limit outside its pauses:
# the end of the search, the final report and the bestmove line.
ACCOUNT_SLACK_MS = 100


def parse_account(text):
    """The figures of an account line as a dict, or None for another line:
    own_ms, since ("go" or "ponderhit"), limit_ms (None without a limit),
    nodes, nodes_past_limit, cpu_ms, pause_ms (the longest) and
    long_pauses_ms (all long ones added up; 0 when not given)."""
    if not text.startswith(ACCOUNT_PREFIX):
        return None
    account = {"limit_ms": None, "long_pauses_ms": 0}
    try:
        for part in text[len(ACCOUNT_PREFIX) - len("time "):].split(","):
            words = part.split()
            if words[0] == "time":
                account["own_ms"], account["since"] = int(words[1]), words[-1]
            elif words[:3] == ["hard", "limit", "left"]:
                account["limit_ms"] = int(words[3])
            elif words[:4] == ["nodes", "past", "the", "limit"]:
                account["nodes_past_limit"] = int(words[4])
            elif words[0] == "nodes":
                account["nodes"] = int(words[1])
            elif words[0] == "cpu":
                account["cpu_ms"] = int(words[1])
            elif words[:2] == ["longest", "pause"]:
                account["pause_ms"] = int(words[-2])
            elif words[:1] == ["pauses"]:
                account["long_pauses_ms"] = int(words[-4])
    except (IndexError, ValueError):
        return None
    needed = ("own_ms", "since", "nodes", "nodes_past_limit", "cpu_ms", "pause_ms")
    return account if all(key in account for key in needed) else None


def paused_ms(account):
    """The time of a move in which the engine looked at no clock: its
    longest pause, or its long pauses added up when they are more."""
    return max(account["pause_ms"], account.get("long_pauses_ms", 0))


def searched_past_limit_ms(account):
    """How far the engine searched beyond what was left of its hard limit,
    its pauses left out (ms, 0 or more)."""
    if account is None or account["limit_ms"] is None:
        return 0.0
    return max(0.0, account["own_ms"] - paused_ms(account) - account["limit_ms"])


def stall_outside_engine(account, spent_ms, clock_ms):
    """True when a move that lost on time lost only to time in which the
    engine searched nothing: by its own account it searched no node past
    its limit and kept the limit but for its pauses, and the move was in
    time without them and the time before its clock started and after its
    bestmove (pipes, scheduling)."""
    if account is None or account["limit_ms"] is None or account["nodes_past_limit"] > 0:
        return False
    if searched_past_limit_ms(account) > ACCOUNT_SLACK_MS:
        return False
    searching_ms = account["own_ms"] - paused_ms(account)
    return searching_ms <= clock_ms


# ---------------------------------------------------------------------------
# The engines.

class EngineDied(Exception):
    pass


class EngineSetup:
    """How to start one engine: its command, working directory and options,
    the program it runs under (an emulator) and the files its fresh working
    directory gets (name -> bytes)."""

    def __init__(self, command, workdir, options, emulator=None, files=None):
        self.command, self.workdir, self.options = command, workdir, options
        self.emulator, self.files = emulator, files or {}


class Engine:
    """One engine process. setup is an EngineSetup or just the engine's path;
    ponder switches on the engine's Ponder option when it has one."""

    def __init__(self, setup, name, ponder=False):
        if isinstance(setup, str):
            setup = EngineSetup(setup, None, [])
        self.setup, self.name, self.ponder = setup, name, ponder
        self.id_name = ""
        self.figures = TimeFigures()
        # A fresh working directory is the script's own: it goes when the
        # engine quits well (a failed run keeps it for study).
        self.own_workdir = not setup.workdir
        self.workdir = setup.workdir or tempfile.mkdtemp(prefix="korvalent-selfplay-")
        if self.own_workdir:
            for file_name, data in setup.files.items():
                with open(os.path.join(self.workdir, file_name), "wb") as f:
                    f.write(data)
        # A path that exists is one word, blanks and all; anything else is a
        # command line.
        argv = [setup.command] if os.path.exists(setup.command) else shlex.split(setup.command)
        if os.path.exists(argv[0]):
            argv[0] = os.path.abspath(argv[0])
        if setup.emulator:
            argv = [setup.emulator] + argv
        try:
            self.process = subprocess.Popen(argv, cwd=self.workdir, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                            stderr=subprocess.STDOUT, bufsize=0)
        except OSError as error:
            raise EngineDied("%s: cannot start %r: %s" % (self.name, setup.command, error.strerror))
        self.buffer = b""
        self.log = []
        self.last_time_ms = None  # "time" of the last info line since the last go
        self.account = None  # the engine's own account of its last move's time

    def send(self, line):
        self.log.append("> " + line)
        try:
            self.process.stdin.write((line + "\n").encode())
        except BrokenPipeError:
            raise EngineDied("%s: its input closed while sending %r" % (self.name, line))

    def read_line(self, deadline):
        """The next line, or None when the deadline passes first."""
        while b"\n" not in self.buffer:
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            ready, _, _ = select.select([self.process.stdout], [], [], left)
            if not ready:
                return None
            chunk = os.read(self.process.stdout.fileno(), 65536)
            if not chunk:
                raise EngineDied("%s: output ended (exit code %s)" % (self.name, self.process.poll()))
            self.buffer += chunk
        line, self.buffer = self.buffer.split(b"\n", 1)
        text = line.decode(errors="replace").rstrip("\r")
        self.log.append("< " + text)
        del self.log[:-200]
        if text.startswith(ACCOUNT_PREFIX):
            self.account = parse_account(text)
        elif text.startswith("info "):
            words = text.split()
            if "time" in words[:-1]:
                try:
                    self.last_time_ms = int(words[words.index("time") + 1])
                except ValueError:
                    pass
        return text

    def wait_for(self, prefix, seconds, forbidden=None):
        """Reads up to the first line beginning with prefix; a line beginning
        with forbidden on the way is a fault."""
        deadline = time.monotonic() + seconds
        while True:
            line = self.read_line(deadline)
            if line is None:
                raise EngineDied("%s: no %r within %.1f s" % (self.name, prefix, seconds))
            if forbidden and line.startswith(forbidden):
                raise EngineDied("%s: unexpected %r while waiting for %r" % (self.name, line, prefix))
            if line.startswith(prefix):
                return line

    def answer(self, command, prefix, forbidden=None):
        """Sends command and reads up to its answer, keeping the longest
        answer time seen."""
        self.send(command)
        sent = time.monotonic()
        line = self.wait_for(prefix, 10, forbidden=forbidden)
        self.figures.note_answer((time.monotonic() - sent) * 1000.0)
        return line

    def go(self, command):
        self.last_time_ms = None
        self.account = None
        self.send(command)

    def stop_search(self):
        """Ends a ponder search with "stop"; a process that answers nothing
        within 10 s is counted and replaced."""
        self.send("stop")
        sent = time.monotonic()
        if self.wait_for_bestmove(10) is None:
            self.figures.hung_stops += 1
            print("%s: no bestmove within 10 s of stop" % self.name, flush=True)
            self.print_log_tail()
            self.restart()
        self.figures.note_stop((time.monotonic() - sent) * 1000.0)

    def print_log_tail(self, lines=12):
        print("--- last lines of %s:\n%s" % (self.name, "\n".join(line[:300] for line in self.log[-lines:])),
              flush=True)

    def wait_for_bestmove(self, seconds):
        """The bestmove line, or None when the engine gives none in time."""
        try:
            return self.wait_for("bestmove", seconds)
        except EngineDied:
            if self.process.poll() is not None:
                raise
            return None

    def restart(self):
        """A fresh process in place of one that hangs in a search."""
        self.process.kill()
        self.process.wait()
        self.remove_workdir()
        figures = self.figures
        self.__init__(self.setup, self.name, self.ponder)
        self.figures = figures
        self.start()

    def sync(self):
        """isready / readyok: any bestmove on the way is a stray one."""
        self.answer("isready", "readyok", forbidden="bestmove")

    def start(self):
        self.send("uci")
        deadline = time.monotonic() + 10
        options = set()
        while True:
            line = self.read_line(deadline)
            if line is None:
                raise EngineDied("%s: no 'uciok' within 10 s" % self.name)
            if line.startswith("id name "):
                self.id_name = line[len("id name "):].strip()
            elif line.startswith("option name "):
                options.add(line[len("option name "):].split(" type ")[0].strip().lower())
            elif line.startswith("uciok"):
                break
        # In debug mode Korvalent gives its own account of every move's time.
        self.send("debug on")
        for name, value in self.setup.options:
            self.send("setoption name %s value %s" % (name, value))
        if self.ponder and "ponder" in options:
            self.send("setoption name Ponder value true")
        self.sync()

    def quit(self):
        self.send("quit")
        try:
            code = self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            raise EngineDied("%s: did not end after quit" % self.name)
        if code != 0:
            raise EngineDied("%s: exit code %d after quit" % (self.name, code))
        self.remove_workdir()

    def remove_workdir(self):
        if self.own_workdir:
            shutil.rmtree(self.workdir, ignore_errors=True)

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


def bestmove_of(line):
    words = line.split()
    best = words[1] if len(words) > 1 else ""
    ponder = words[3] if len(words) > 3 and words[2] == "ponder" else None
    return best, ponder


def go_command(clocks, increment_ms, ponder=False, depth=None):
    if depth:
        return "go depth %d" % depth
    return "go %swtime %d btime %d winc %d binc %d" % (
        "ponder " if ponder else "", max(clocks[0], 0), max(clocks[1], 0), increment_ms, increment_ms)


def game_result(position, plies, max_plies):
    """The result of a finished game and why, or None while it goes on."""
    if not position.legal_moves():
        if position.in_check():
            return ("0-1" if position.white else "1-0"), "mate"
        return "1/2-1/2", "stalemate"
    reason = position.draw_reason()
    if reason:
        return "1/2-1/2", reason
    if plies >= max_plies:
        return "1/2-1/2", "adjudicated at %d plies" % max_plies
    return None


def lost_on_time(players, pondering, side):
    """Ends a game the side to move lost on time; the other side's ponder
    search, if any, ends unused. Returns the result."""
    other = 1 - side
    if pondering[other] is not None:
        players[other].stop_search()
    return ("0-1" if side == 0 else "1-0"), "%s lost on time" % ("white" if side == 0 else "black")


def play_game(engines, white_role, opening, args, game_number):
    """One game between engines {"A": ..., "B": ...}; returns (result, why,
    moves from the opening's start). Raises EngineDied on a fault."""
    position = opening.start()
    moves = list(opening.moves)
    clocks = [args.base_ms, args.base_ms]
    players = [engines[white_role], engines["B" if white_role == "A" else "A"]]  # by colour
    pondering = [None, None]  # the expected reply each side ponders on
    for engine in players:
        engine.send("ucinewgame")
        engine.sync()
    plies = 0
    while True:
        side = 0 if position.white else 1
        finished = game_result(position, plies, args.max_plies)
        if finished:
            # A ponder search still running owes its bestmove to "stop".
            for ponder_side in (0, 1):
                if pondering[ponder_side] is not None:
                    players[ponder_side].stop_search()
            return finished[0], finished[1], moves
        legal = position.legal_moves()

        engine = players[side]
        # The clock runs from the opponent's move on, through a "stop" that
        # ends a missed ponder search.
        started = time.monotonic()
        clock_at_start = clocks[side]
        ponder_hit = False
        if pondering[side] is not None:
            if moves and moves[-1] == pondering[side]:
                engine.send("ponderhit")
                ponder_hit = True
            else:
                # A miss: the ponder search ends with a move nobody plays.
                engine.stop_search()
                pondering[side] = None
        if pondering[side] is None:
            engine.sync()
            engine.send(opening.position_command(moves))
            engine.go(go_command([c - ((time.monotonic() - started) * 1000.0 if i == side else 0)
                                  for i, c in enumerate(clocks)], args.inc_ms, depth=args.depth))
        pondering[side] = None
        where = "game %d ply %d" % (game_number, len(moves) + 1)
        line = engine.wait_for_bestmove(max(clocks[side], 0) / 1000.0 + 10)
        spent_ms = (time.monotonic() - started) * 1000.0
        if line is None:
            # Lost on time long ago: a search that "stop" cannot end either
            # needs a new process.
            engine.figures.note_move(spent_ms, clock_at_start, where + ", hung")
            engine.figures.time_losses += 1
            print("%s hung: no bestmove %.0f ms after its clock of %.0f ms ran out, in %s" % (
                engine.name, spent_ms - clock_at_start, clock_at_start, where), flush=True)
            engine.print_log_tail()
            engine.stop_search()
            result, why = lost_on_time(players, pondering, side)
            return result, why, moves
        best, ponder = bestmove_of(line)
        if best not in legal:
            raise EngineDied("%s: illegal bestmove %r after moves %s" % (engine.name, best, " ".join(moves)))
        engine.figures.note_move(spent_ms, clock_at_start, where)
        # The time the engine did not see: by its own account of the move
        # (from the go or the ponderhit), else from its last info line,
        # which only counts from this move's go.
        account = engine.account
        lag = engine.figures.note_account(len(moves) + 1, spent_ms, clock_at_start, ponder_hit, account)
        if lag is None and not ponder_hit and engine.last_time_ms is not None:
            lag = spent_ms - engine.last_time_ms
        if lag is not None:
            engine.figures.lags_ms.append(lag)
        clocks[side] -= spent_ms
        if clocks[side] < 0:
            text = "%s lost on time (%.0f ms over, the move took %.0f of %.0f ms) in %s" % (
                engine.name, -clocks[side], spent_ms, clock_at_start, where)
            if account:
                text += "; its account: %d ms since %s, limit left %s ms, nodes %d (%d past the limit), " \
                        "cpu %d ms, longest pause %d ms, long pauses %d ms in all" % (
                            account["own_ms"], account["since"], account["limit_ms"], account["nodes"],
                            account["nodes_past_limit"], account["cpu_ms"], account["pause_ms"],
                            account["long_pauses_ms"])
            if stall_outside_engine(account, spent_ms, clock_at_start):
                engine.figures.stall_losses += 1
                print(text + ": a stall outside the engine, which kept its limit and searched nothing "
                      "in the lost time (reported, not a fault)", flush=True)
            else:
                engine.figures.time_losses += 1
                print(text, flush=True)
            result, why = lost_on_time(players, pondering, side)
            return result, why, moves
        clocks[side] += args.inc_ms
        position.make(best)
        moves.append(best)
        plies += 1
        if args.ponder and ponder:
            after = position.copy()
            if ponder in after.legal_moves():
                engine.send(opening.position_command(moves + [ponder]))
                engine.go(go_command(clocks, args.inc_ms, ponder=True))
                pondering[side] = ponder


# ---------------------------------------------------------------------------
# Running the games, in this process or in several workers.

def game_plan(game_number, openings):
    """The opening and the colour of engine A of a game: each opening twice,
    A white in the first of the pair."""
    pair = (game_number - 1) // 2
    return pair % len(openings), "A" if game_number % 2 == 1 else "B"


def play_games(setups, args, openings, next_game, report):
    """Plays games with one pair of engines: next_game() gives the next
    game number (None: done); report(record) receives each finished game,
    or {"fault": text} when an engine fails, after which the worker stops."""
    engines = {}
    try:
        for role in ("A", "B"):
            engines[role] = Engine(setups[role], "engine " + role, args.ponder)
            engines[role].start()
        while True:
            game_number = next_game()
            if game_number is None:
                break
            opening_index, white_role = game_plan(game_number, openings)
            for engine in engines.values():
                engine.figures = TimeFigures()
            opening = openings[opening_index]
            result, why, moves = play_game(engines, white_role, opening, args, game_number)
            report({"game": game_number, "opening": opening_index, "white": white_role,
                    "names": {role: engine.id_name for role, engine in engines.items()},
                    "result": result, "why": why, "plies": len(moves) - len(opening.moves),
                    "fen": opening.fen, "moves": moves,
                    "figures": {role: engine.figures.to_json() for role, engine in engines.items()}})
        for engine in engines.values():
            engine.quit()
    except EngineDied as fault:
        text = "FAIL: %s" % fault
        for engine in engines.values():
            text += "\n--- last lines of %s:\n%s" % (engine.name, "\n".join(engine.log[-30:]))
            engine.kill()
        report({"fault": text})


def worker(setups, args, openings, tasks, results):
    def next_game():
        return tasks.get()
    play_games(setups, args, openings, next_game, results.put)
    results.put({"worker done": True})


class Totals:
    """What the run adds up to, from engine A's side."""

    def __init__(self):
        self.games = 0
        self.wins = self.draws = self.losses = 0
        self.plies = 0
        self.names = {}
        self.figures = {"A": TimeFigures(), "B": TimeFigures()}

    def add(self, record):
        self.games += 1
        self.plies += record["plies"]
        self.names.update({role: name for role, name in record["names"].items() if name})
        a_white = record["white"] == "A"
        result = record["result"]
        if result == "1/2-1/2":
            self.draws += 1
        elif (result == "1-0") == a_white:
            self.wins += 1
        else:
            self.losses += 1
        for role in ("A", "B"):
            self.figures[role].merge(TimeFigures.from_json(record["figures"][role]))


def elo_of(score):
    return -400.0 * math.log10(1.0 / score - 1.0)


def elo_text(wins, draws, losses):
    """The Elo difference with its 95 % error bar, from the games' variance."""
    games = wins + draws + losses
    if games == 0:
        return "no games"
    score = (wins + 0.5 * draws) / games
    if score <= 0.0 or score >= 1.0:
        return "Elo %s (no draw or loss on one side)" % ("+inf" if score >= 1.0 else "-inf")
    variance = (wins * (1 - score) ** 2 + draws * (0.5 - score) ** 2 + losses * score ** 2) / games
    margin = 1.96 * math.sqrt(variance / games)
    low, high = max(score - margin, 1e-6), min(score + margin, 1 - 1e-6)
    return "Elo %+.0f +- %.0f (95 %%)" % (elo_of(score) + 0.0, (elo_of(high) - elo_of(low)) / 2.0)


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(fraction * len(ordered)))]


def print_summary(totals, args, loads, started):
    names = {role: totals.names.get(role, "?") for role in ("A", "B")}
    print()
    print("engine A: %s (%s%s)" % (names["A"], args.engine, "".join(", %s=%s" % o for o in args.option_pairs)))
    print("engine B: %s (%s%s)" % (names["B"], args.opponent or args.engine,
                                   "".join(", %s=%s" % o for o in args.opponent_pairs)))
    print("control %d ms + %d ms%s, %d at a time, %.0f s; load (1 min) %.1f-%.1f, mean %.1f, %d cores" % (
        args.base_ms, args.inc_ms, ", pondering" if args.ponder else "", args.concurrency,
        time.monotonic() - started, min(loads), max(loads), sum(loads) / len(loads), os.cpu_count() or 0))
    score = (totals.wins + 0.5 * totals.draws) / totals.games if totals.games else 0.0
    print("%d games, %d plies: A won %d, drawn %d, lost %d; score %.1f %%; %s" % (
        totals.games, totals.plies, totals.wins, totals.draws, totals.losses, 100.0 * score,
        elo_text(totals.wins, totals.draws, totals.losses)))
    print()

    def lag(figures, fraction):
        return "%.0f" % percentile(figures.lags_ms, fraction) if figures.lags_ms else "-"

    def lowest(figures):
        return "%.0f" % figures.lowest_clock_ms if figures.lowest_clock_ms is not None else "-"

    rows = [
        ("moves", lambda f: "%d" % f.moves),
        ("time losses", lambda f: "%d" % f.time_losses),
        ("losses to stalls outside it", lambda f: "%d" % f.stall_losses),
        ("own time past its limit, ms", lambda f: "%.0f" % f.largest_past_limit_ms),
        ("lowest clock left, ms", lowest),
        ("largest share of the clock", lambda f: "%.3f" % f.largest_share),
        ("largest overrun past half, ms", lambda f: "%.0f" % max(f.largest_overrun_ms, 0.0)),
        ("lag median, ms", lambda f: lag(f, 0.5)),
        ("lag 99th percentile, ms", lambda f: lag(f, 0.99)),
        ("lag 99.9th percentile, ms", lambda f: lag(f, 0.999)),
        ("lag largest, ms", lambda f: "%.0f" % max(f.lags_ms) if f.lags_ms else "-"),
        ("slowest answer to isready, ms", lambda f: "%.0f" % f.slowest_answer_ms),
        ("slowest answer to stop, ms", lambda f: "%.0f" % f.slowest_stop_ms),
        ("stops unanswered for 10 s", lambda f: "%d" % f.hung_stops),
    ]
    print("%-30s %12s %12s" % ("", "engine A", "engine B"))
    for label, show in rows:
        print("%-30s %12s %12s" % (label, show(totals.figures["A"]), show(totals.figures["B"])))
    for role in ("A", "B"):
        figures = totals.figures[role]
        if figures.largest_share_at or figures.lowest_clock_at:
            print("engine %s: largest share at %s; lowest clock at %s" % (
                role, figures.largest_share_at or "-", figures.lowest_clock_at or "-"))


def pgn_text(moves, result, round_number, white, black, fen=None):
    """One game in PGN: the seven tags (with SetUp and FEN for a game from a
    set-up position) and the moves in SAN, lines of at most 79 characters."""
    tags = [("Event", "Korvalent self-play"), ("Site", "selfplay.py"), ("Date", time.strftime("%Y.%m.%d")),
            ("Round", str(round_number)), ("White", white), ("Black", black), ("Result", result),
            ("PlyCount", str(len(moves)))]
    if fen:
        tags += [("SetUp", "1"), ("FEN", fen)]
    position, words = Position(fen or START_FEN), []
    fields = (fen or START_FEN).split()
    number = int(fields[5]) if len(fields) > 5 and fields[5].isdigit() else 1
    for ply, move in enumerate(moves):
        san = position.san(move)
        if position.white:
            words.append("%d. %s" % (number, san))
        else:
            words.append("%d... %s" % (number, san) if ply == 0 else san)
            number += 1
        position.make(move)
    words.append(result)
    lines, line = [], ""
    for word in words:
        if line and len(line) + 1 + len(word) > 79:
            lines.append(line)
            line = word
        else:
            line = line + " " + word if line else word
    lines.append(line)
    return "".join('[%s "%s"]\n' % tag for tag in tags) + "\n" + "\n".join(lines) + "\n\n"


def option_pairs(texts, parser):
    pairs = []
    for text in texts:
        if "=" not in text:
            parser.error("option %r is not NAME=VALUE" % text)
        name, value = text.split("=", 1)
        pairs.append((name.strip(), value.strip()))
    return pairs


def read_log(path):
    records = {}
    try:
        with open(path) as log:
            for number, line in enumerate(log, 1):
                try:
                    record = json.loads(line)
                    records[record["game"]] = record
                except (ValueError, KeyError):
                    print("%s:%d: not a game record, skipped" % (path, number), file=sys.stderr)
    except FileNotFoundError:
        pass
    return records


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--engine", help="engine A: the engine under test (a UCI engine command)")
    parser.add_argument("--opponent", help="engine B: another UCI engine command (default: --engine)")
    parser.add_argument("--option", action="append", default=[], metavar="NAME=VALUE",
                        help="a UCI option for engine A (repeatable)")
    parser.add_argument("--opponent-option", action="append", default=[], metavar="NAME=VALUE",
                        help="a UCI option for engine B (repeatable)")
    parser.add_argument("--engine-dir", help="working directory of engine A (default: a fresh empty one)")
    parser.add_argument("--opponent-dir", help="working directory of engine B (default: a fresh empty one)")
    parser.add_argument("--games", type=int, default=100)
    parser.add_argument("--concurrency", type=int, default=1, help="games played at the same time")
    parser.add_argument("--base-ms", type=int, default=2000, help="time per side per game")
    parser.add_argument("--inc-ms", type=int, default=50, help="increment per move")
    parser.add_argument("--max-plies", type=int, default=200, help="a longer game is adjudicated a draw")
    parser.add_argument("--ponder", action="store_true", help="let the engines ponder")
    parser.add_argument("--openings", help="file of openings, one a line (default: the built-in list)")
    parser.add_argument("--log", help="append one JSON line per game to this file")
    parser.add_argument("--resume", action="store_true", help="play only the games the --log file lacks")
    parser.add_argument("--emulator", help="program that runs the engines, e.g. qemu-i386")
    parser.add_argument("--pgn", help="write the games to this PGN file")
    parser.add_argument("--book", help="an opening book each engine gets a copy of (as Book.kvb)")
    parser.add_argument("--variety", type=int, help="the engines' VarietyOfPlay (0-100)")
    parser.add_argument("--depth", type=int, help="search every move to this depth instead of by the clock")
    parser.add_argument("--selftest", action="store_true", help="check the move generator and the openings")
    args = parser.parse_args()
    if args.selftest:
        return selftest()
    if not args.engine:
        parser.error("--engine is required")
    if args.games < 1 or args.concurrency < 1:
        parser.error("--games and --concurrency must be at least 1")
    if args.resume and not args.log:
        parser.error("--resume needs --log")
    if args.depth is not None and (args.depth < 1 or args.ponder):
        parser.error("--depth takes a depth of 1 or more, without --ponder")
    if args.depth:
        # No clock runs out in a depth-limited game.
        args.base_ms = 3600 * 1000
    files = {}
    if args.book:
        with open(args.book, "rb") as f:
            files["Book.kvb"] = f.read()
    if args.variety is not None:
        files["Korvalent.ini"] = b"VarietyOfPlay = %d\n" % args.variety
    if args.emulator:
        print("run under %s" % args.emulator, flush=True)
    args.option_pairs = option_pairs(args.option, parser)
    args.opponent_pairs = option_pairs(args.opponent_option, parser)
    # In self-play both engines run with the same options unless B has its own.
    if not args.opponent and not args.opponent_option:
        args.opponent_pairs = args.option_pairs
    # From a book the games start at the start position: the book varies them.
    openings = [Opening(None, [])] if args.book and not args.openings else load_openings(args.openings)
    setups = {"A": EngineSetup(args.engine, args.engine_dir, args.option_pairs, args.emulator, files),
             "B": EngineSetup(args.opponent or args.engine, args.opponent_dir, args.opponent_pairs,
                             None if args.opponent else args.emulator, files)}
    same_program = args.opponent is None or os.path.realpath(shlex.split(args.opponent)[0]) == \
        os.path.realpath(shlex.split(args.engine)[0])

    totals = Totals()
    done = read_log(args.log) if args.resume else {}
    for number in sorted(done):
        if number <= args.games:
            totals.add(done[number])
    todo = [number for number in range(1, args.games + 1) if number not in done]
    if done:
        print("resuming: %d games in %s, %d to play" % (args.games - len(todo), args.log, len(todo)),
              file=sys.stderr, flush=True)
    log = open(args.log, "a") if args.log else None
    pgn = open(args.pgn, "a" if args.resume else "w") if args.pgn else None
    faults = []
    loads = [os.getloadavg()[0]]
    started = time.monotonic()

    def report(record):
        if "fault" in record:
            faults.append(record["fault"])
            print(record["fault"], flush=True)
            return
        totals.add(record)
        if log:
            log.write(json.dumps(record) + "\n")
            log.flush()
        if pgn:
            names = record["names"]
            white = "A" if record["white"] == "A" else "B"
            black = "B" if white == "A" else "A"
            pgn.write(pgn_text(record["moves"], record["result"], record["game"],
                               names.get(white) or "engine " + white, names.get(black) or "engine " + black,
                               record["fen"]))
            pgn.flush()
        print("game %d: engine %s as white, %s (%s) in %d plies, opening %d" % (
            record["game"], record["white"], record["result"], record["why"], record["plies"],
            record["opening"] + 1), flush=True)

    if args.concurrency == 1 or len(todo) <= 1:
        pending = iter(todo)
        play_games(setups, args, openings, lambda: next(pending, None), report)
    else:
        tasks, results = multiprocessing.Queue(), multiprocessing.Queue()
        workers = min(args.concurrency, len(todo))
        for number in todo:
            tasks.put(number)
        for _ in range(workers):
            tasks.put(None)
        processes = [multiprocessing.Process(target=worker, args=(setups, args, openings, tasks, results))
                     for _ in range(workers)]
        for process in processes:
            process.start()
        running = workers
        last_sample = time.monotonic()
        while running:
            try:
                record = results.get(timeout=5)
            except queue.Empty:
                if not any(process.is_alive() for process in processes):
                    faults.append("FAIL: the workers ended without reporting")
                    break
                record = None
            if time.monotonic() - last_sample >= 10:
                loads.append(os.getloadavg()[0])
                last_sample = time.monotonic()
            if record is None:
                continue
            if "worker done" in record:
                running -= 1
            else:
                report(record)
        for process in processes:
            process.join()
    loads.append(os.getloadavg()[0])
    if log:
        log.close()
    if pgn:
        pgn.close()

    if totals.games:
        print_summary(totals, args, loads, started)
    tested = ["A", "B"] if same_program else ["A"]
    losses = sum(totals.figures[role].time_losses + totals.figures[role].hung_stops for role in tested)
    if faults or losses:
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
