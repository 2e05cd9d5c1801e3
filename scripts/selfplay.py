#!/usr/bin/env python3
"""Self-play over UCI: two engine processes play games against each other.

The script acts as a GUI: it relays the moves, keeps both clocks and checks
that every bestmove is a legal move of the position (with its own small move
generator), that exactly one bestmove answers each go, that no side runs out
of time and that no engine process dies. It exits with code 1 on any fault.

    scripts/selfplay.py --engine build/korvalent64                 # 100 games
    scripts/selfplay.py --engine build/korvalent64 --games 2 --inc-ms 100
    scripts/selfplay.py --selftest                                 # move generator
    scripts/selfplay.py --engine build/korvalent32 --emulator qemu-i386 --games 2

With --emulator each engine process runs under that program (qemu-i386 runs
korvalent32 on a kernel that cannot run 32-bit programs).

With --ponder the engines ponder on the expected reply ("go ponder", then
"ponderhit" or "stop"), which exercises the ponder paths as well.

With --pgn FILE the games are written to FILE in PGN (standard algebraic
notation), for the book maker or any other tool. --book BOOK gives each engine
its own copy of an opening book (Book.kvb in its working directory, so book
learning changes the copies only) and --variety N sets its VarietyOfPlay;
--depth D makes every search "go depth D" instead of a clock (no time losses
then), which plays many games fast:

    scripts/selfplay.py --engine build/korvalent64 --games 300 --depth 5 --max-plies 40 \
        --book Book.kvb --variety 30 --pgn games.pgn

A move's clock runs from the moment the opponent's move is known (before a
"stop" that ends a missed ponder search, or at "ponderhit") to its bestmove,
as in a GUI. A side whose clock runs out loses the game, and the run goes on
with the next game. At the end the script prints the time losses, the largest
share of its clock that a single move took (the clock it had when it started
to think; the engine's hard limit is at most half the usable clock, so a
share above 0.5 is an overrun), the largest overrun past half the clock in
ms, and the slowest answer to "stop" and "isready". A search that gives no
bestmove 10 s after its clock ran out, or after "stop", counts as a time
loss (or an unanswered stop) and its process is replaced. Time losses and
unanswered stops make the exit code 1.
"""

import argparse
import os
import select
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

    def draw_reason(self):
        if self.halfmoves >= 100:
            return "fifty moves"
        if self.history.count(self.history[-1]) >= 3:
            return "repetition"
        pieces = [p for p in self.board if p not in ".Kk"]
        if not pieces or (len(pieces) == 1 and pieces[0] in "NBnb"):
            return "insufficient material"
        return None


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
    for fen, move, expected in san_cases:
        got = Position(fen).san(move)
        print("%s san %s = %s (expected %s)" % ("ok  " if got == expected else "FAIL", move, got, expected))
        ok = ok and got == expected
    for fen, depth, expected in cases:
        got = perft(Position(fen), depth)
        print("%s perft %d = %d (expected %d)" % ("ok  " if got == expected else "FAIL", depth, got, expected))
        ok = ok and got == expected
    return 0 if ok else 1


# ---------------------------------------------------------------------------
# The engines.

class EngineDied(Exception):
    pass


class Stats:
    """Figures of the whole run on time use."""
    time_losses = 0
    hung_stops = 0
    largest_share = 0.0
    largest_share_at = ""
    largest_overrun_ms = 0.0
    slowest_answer_ms = 0.0

    @classmethod
    def note_move(cls, spent_ms, clock_ms, where):
        share = spent_ms / clock_ms if clock_ms > 0 else float("inf")
        if share > cls.largest_share:
            cls.largest_share, cls.largest_share_at = share, "%s, %.0f of %.0f ms" % (where, spent_ms, clock_ms)
        cls.largest_overrun_ms = max(cls.largest_overrun_ms, spent_ms - clock_ms / 2.0)

    @classmethod
    def note_answer(cls, ms):
        cls.slowest_answer_ms = max(cls.slowest_answer_ms, ms)


class Engine:
    # Files every engine gets in its working directory: name -> bytes.
    files = {}

    def __init__(self, path, name, emulator=None):
        self.name, self.path, self.emulator = name, path, emulator
        self.workdir = tempfile.mkdtemp(prefix="korvalent-selfplay-")
        for file_name, data in Engine.files.items():
            with open(os.path.join(self.workdir, file_name), "wb") as f:
                f.write(data)
        command = ([emulator] if emulator else []) + [os.path.abspath(path)]
        self.process = subprocess.Popen(command, cwd=self.workdir, stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, bufsize=0)
        self.buffer = b""
        self.log = []

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
        answer time seen in Stats."""
        self.send(command)
        sent = time.monotonic()
        line = self.wait_for(prefix, 10, forbidden=forbidden)
        Stats.note_answer((time.monotonic() - sent) * 1000.0)
        return line

    def stop_search(self):
        """Ends a ponder search with "stop"; a process that answers nothing
        within 10 s is counted and replaced."""
        self.send("stop")
        sent = time.monotonic()
        if self.wait_for_bestmove(10) is None:
            Stats.hung_stops += 1
            print("%s: no bestmove within 10 s of stop" % self.name, flush=True)
            self.print_log_tail()
            self.restart()
        Stats.note_answer((time.monotonic() - sent) * 1000.0)

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
        shutil.rmtree(self.workdir, ignore_errors=True)
        self.__init__(self.path, self.name, self.emulator)
        self.start()

    def sync(self):
        """isready / readyok: any bestmove on the way is a stray one."""
        self.answer("isready", "readyok", forbidden="bestmove")

    def start(self):
        self.send("uci")
        self.wait_for("uciok", 10)
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
        # A run that ended well leaves nothing behind; a failed one keeps the
        # directory for study (main names it).
        shutil.rmtree(self.workdir, ignore_errors=True)


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
    """The result of a finished game, or None while it goes on."""
    if not position.legal_moves():
        if position.in_check():
            return "0-1" if position.white else "1-0"
        return "1/2-1/2"
    if position.draw_reason() or plies >= max_plies:
        return "1/2-1/2"
    return None


def lost_on_time(players, pondering, side):
    """Ends a game the side to move lost on time; the other side's ponder
    search, if any, ends unused. Returns the result."""
    other = 1 - side
    if pondering[other] is not None:
        players[other].stop_search()
    return "0-1" if side == 0 else "1-0"


def play_game(engines, white_index, args, game_number):
    """One game; returns (result text, moves). Raises EngineDied on a fault."""
    position = Position()
    moves = []
    clocks = [args.base_ms, args.base_ms]
    players = [engines[white_index], engines[1 - white_index]]  # by colour: white, black
    pondering = [None, None]  # the expected reply each side ponders on
    for engine in engines:
        engine.send("ucinewgame")
        engine.sync()
    while True:
        side = 0 if position.white else 1
        result = game_result(position, len(moves), args.max_plies)
        if result:
            # A ponder search still running owes its bestmove to "stop".
            for ponder_side in (0, 1):
                if pondering[ponder_side] is not None:
                    players[ponder_side].stop_search()
            return result, moves
        legal = position.legal_moves()

        engine = players[side]
        # The clock runs from the opponent's move on, through a "stop" that
        # ends a missed ponder search.
        started = time.monotonic()
        clock_at_start = clocks[side]
        if pondering[side] is not None:
            if moves and moves[-1] == pondering[side]:
                engine.send("ponderhit")
            else:
                # A miss: the ponder search ends with a move nobody plays.
                engine.stop_search()
                pondering[side] = None
        if pondering[side] is None:
            engine.sync()
            engine.send("position startpos" + (" moves " + " ".join(moves) if moves else ""))
            engine.send(go_command([c - ((time.monotonic() - started) * 1000.0 if i == side else 0)
                                    for i, c in enumerate(clocks)], args.inc_ms, depth=args.depth))
        pondering[side] = None
        line = engine.wait_for_bestmove(max(clocks[side], 0) / 1000.0 + 10)
        spent_ms = (time.monotonic() - started) * 1000.0
        if line is None:
            # Lost on time long ago: a search that "stop" cannot end either
            # needs a new process.
            Stats.note_move(spent_ms, clock_at_start, "game %d ply %d, hung" % (game_number, len(moves) + 1))
            Stats.time_losses += 1
            print("%s hung: no bestmove %.0f ms after its clock of %.0f ms ran out, in game %d at ply %d" % (
                engine.name, spent_ms - clock_at_start, clock_at_start, game_number, len(moves) + 1), flush=True)
            engine.print_log_tail()
            engine.stop_search()
            return lost_on_time(players, pondering, side), moves
        best, ponder = bestmove_of(line)
        if best not in legal:
            raise EngineDied("%s: illegal bestmove %r after moves %s" % (engine.name, best, " ".join(moves)))
        Stats.note_move(spent_ms, clock_at_start, "game %d ply %d" % (game_number, len(moves) + 1))
        clocks[side] -= spent_ms
        if clocks[side] < 0:
            Stats.time_losses += 1
            print("%s lost on time (%.0f ms over, the move took %.0f of %.0f ms) in game %d at ply %d" % (
                engine.name, -clocks[side], spent_ms, clock_at_start, game_number, len(moves) + 1), flush=True)
            return lost_on_time(players, pondering, side), moves
        clocks[side] += args.inc_ms
        position.make(best)
        moves.append(best)
        if args.ponder and ponder:
            after = position.copy()
            if ponder in after.legal_moves():
                engine.send("position startpos moves " + " ".join(moves + [ponder]))
                engine.send(go_command(clocks, args.inc_ms, ponder=True))
                pondering[side] = ponder


def pgn_text(moves, result, round_number, white, black):
    """One game in PGN: the seven tags and the moves in SAN, lines of at most
    79 characters."""
    tags = [("Event", "Korvalent self-play"), ("Site", "selfplay.py"), ("Date", time.strftime("%Y.%m.%d")),
            ("Round", str(round_number)), ("White", white), ("Black", black), ("Result", result),
            ("PlyCount", str(len(moves)))]
    position, words = Position(), []
    for ply, move in enumerate(moves):
        words.append(("%d. " % (ply // 2 + 1) if ply % 2 == 0 else "") + position.san(move))
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


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--engine", help="engine executable")
    parser.add_argument("--emulator", help="program that runs the engine, e.g. qemu-i386")
    parser.add_argument("--games", type=int, default=100)
    parser.add_argument("--base-ms", type=int, default=2000, help="time per side per game")
    parser.add_argument("--inc-ms", type=int, default=50, help="increment per move")
    parser.add_argument("--max-plies", type=int, default=200, help="a longer game is adjudicated a draw")
    parser.add_argument("--ponder", action="store_true", help="let the engines ponder")
    parser.add_argument("--selftest", action="store_true", help="check the script's move generator")
    parser.add_argument("--pgn", help="write the games to this PGN file")
    parser.add_argument("--book", help="an opening book each engine gets a copy of (as Book.kvb)")
    parser.add_argument("--variety", type=int, help="the engines' VarietyOfPlay (0-100)")
    parser.add_argument("--depth", type=int, help="search every move to this depth instead of by the clock")
    args = parser.parse_args()
    if args.selftest:
        return selftest()
    if not args.engine:
        parser.error("--engine is required")
    if args.depth is not None and (args.depth < 1 or args.ponder):
        parser.error("--depth takes a depth of 1 or more, without --ponder")
    if args.depth:
        # No clock runs out in a depth-limited game.
        args.base_ms = 3600 * 1000
    if args.book:
        with open(args.book, "rb") as f:
            Engine.files["Book.kvb"] = f.read()
    if args.variety is not None:
        Engine.files["Korvalent.ini"] = b"VarietyOfPlay = %d\n" % args.variety
    pgn = open(args.pgn, "w") if args.pgn else None

    if args.emulator:
        print("run under %s" % args.emulator, flush=True)
    engines = [Engine(args.engine, "engine A", args.emulator), Engine(args.engine, "engine B", args.emulator)]
    score = {"1-0": 0, "0-1": 0, "1/2-1/2": 0}
    total_plies = 0
    try:
        for engine in engines:
            engine.start()
        for game in range(1, args.games + 1):
            white = (game - 1) % 2
            result, moves = play_game(engines, white, args, game)
            plies = len(moves)
            score[result] += 1
            total_plies += plies
            if pgn:
                pgn.write(pgn_text(moves, result, game, engines[white].name, engines[1 - white].name))
                pgn.flush()
            print("game %d: %s as white, %s in %d plies" % (game, engines[white].name, result, plies), flush=True)
        for engine in engines:
            engine.quit()
    except EngineDied as fault:
        print("FAIL: %s" % fault)
        for engine in engines:
            print("--- last lines of %s (working directory kept: %s):" % (engine.name, engine.workdir))
            print("\n".join(engine.log[-30:]))
            if engine.process.poll() is None:
                engine.process.kill()
        return 1
    print("%d games, %d plies: white won %d, black won %d, drawn %d; every move legal" % (
        args.games, total_plies, score["1-0"], score["0-1"], score["1/2-1/2"]))
    print("time losses %d; largest share of the clock %.3f (%s); largest overrun %.0f ms; "
          "slowest answer to stop/isready %.0f ms; stops unanswered for 10 s %d" % (
              Stats.time_losses, Stats.largest_share, Stats.largest_share_at or "no move",
              max(Stats.largest_overrun_ms, 0.0), Stats.slowest_answer_ms, Stats.hung_stops))
    return 1 if Stats.time_losses or Stats.hung_stops else 0


if __name__ == "__main__":
    sys.exit(main())
