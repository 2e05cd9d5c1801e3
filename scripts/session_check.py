#!/usr/bin/env python3
"""Model-checked random sessions: UCI and xboard sessions of random steps,
each checked against the script's own model of the game.

Every session starts a fresh engine process and plays random steps: set-up
positions (startpos, FENs with castling and en-passant squares, board
editing), moves typed by the "user", searches ("go" with small limits,
"searchmoves", "go infinite"/"stop", pondering), take-backs (undo, remove,
also during analysis and pondering), new, force, analyze and setoption.
After every step the engine's legal moves ("moves") and board ("brd") must
equal the model's, and every move the engine plays or proposes must be
legal. The model is the move generator of scripts/selfplay.py.

    scripts/session_check.py --engine build/korvalent64                  # 20 sessions
    scripts/session_check.py --engine build/korvalent64 --sessions 500 --seed 7
    scripts/session_check.py --engine build/korvalent64 --seed 7 --only 123 -v

A session is reproducible from the seed and its number (--only N reruns
session N alone, -v prints its whole dialogue). The script exits with 1
when any session found a fault; each fault is printed with the session's
seed, number and last steps.
"""

import argparse
import os
import random
import re
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from selfplay import START_FEN, Engine, EngineDied, Position, square_name  # noqa: E402

# Positions the sessions start from, besides the start position: castling
# both ways, promotions, en-passant squares set by the FEN, few pieces.
FENS = [
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 3",
    "rnbqkbnr/pppp1ppp/8/3Pp3/8/8/PPP1PPPP/RNBQKBNR w KQkq e6 0 3",
    "k7/8/8/8/4P3/8/8/4K2B b - e3 0 1",
    "4k3/1P6/8/8/8/8/6p1/4K3 w - - 0 1",
    "8/8/8/4k3/8/8/4P3/4K3 b - - 0 1",
    "r3k3/8/8/8/8/8/8/4K2R b Kq - 5 40",
]

LEGAL_HEADER = "-------------- Legal moves: ----------------"
MOVE_ITEM = re.compile(r"([PNBRQK])([a-h][1-8])([a-h][1-8]) \(-?\d+\);")
BOARD_ROW = re.compile(r"^(?:[ *][.PNBRQK]){8}$")
RESULT = re.compile(r"^(1-0|0-1|1/2-1/2)\b")


class Fault(Exception):
    pass


def fen_of(position):
    """The model position as a FEN (the halfmove clock as kept)."""
    rows = []
    for rank in range(7, -1, -1):
        row, empty = "", 0
        for file in range(8):
            piece = position.board[rank * 8 + file]
            if piece == ".":
                empty += 1
                continue
            if empty:
                row += str(empty)
                empty = 0
            row += piece
        rows.append(row + (str(empty) if empty else ""))
    ep = square_name(position.ep) if position.ep is not None else "-"
    return "%s %s %s %s %d 1" % ("/".join(rows), "w" if position.white else "b",
                                 position.castling or "-", ep, position.halfmoves)


def fen_ep_is_capturable(position):
    """The engine keeps a FEN's en-passant square only where a pawn of the
    side to move can take on it; the model does the same."""
    if position.ep is None:
        return
    pawn = "P" if position.white else "p"
    behind = position.ep - 8 if position.white else position.ep + 8
    f = position.ep % 8
    ok = False
    for df in (-1, 1):
        if 0 <= f + df < 8 and 0 <= behind + df < 64 and position.board[behind + df] == pawn:
            ok = True
    if not ok:
        position.ep = None


class Session:
    def __init__(self, engine_path, rng, verbose):
        self.rng = rng
        self.verbose = verbose
        self.engine = Engine(engine_path, "engine")
        self.stack = [Position()]  # model positions since the set-up one
        self.force = False
        self.uci = False
        self.depth = 2
        self.steps = []
        # What the session did that faults already known come from: the
        # report names them, so a new kind of fault stands out.
        self.traits = set()

    # --- talking to the engine -------------------------------------------

    def send(self, line):
        if self.verbose:
            print("> " + line)
        self.engine.send(line)

    def lines_until(self, predicate, seconds=30):
        """Lines up to and including the first one predicate accepts."""
        lines = []
        deadline = time.monotonic() + seconds
        while True:
            line = self.engine.read_line(deadline)
            if line is None:
                raise Fault("no answer within %d s (last lines: %s)" % (seconds, lines[-5:]))
            if self.verbose:
                print("< " + line)
            lines.append(line)
            if predicate(line):
                return lines

    def sync(self):
        self.send("isready")
        return self.lines_until(lambda line: line == "readyok")

    # --- the model --------------------------------------------------------

    @property
    def model(self):
        return self.stack[-1]

    def set_up(self, position, fen=START_FEN):
        self.stack = [position]
        self.traits.discard("set-up en-passant square")
        if fen.split()[3] != "-":
            self.traits.add("set-up en-passant square")

    def play(self, move):
        after = self.model.copy()
        after.make(move)
        self.stack.append(after)

    def take_back(self, count):
        for _ in range(count):
            if len(self.stack) > 1:
                self.stack.pop()

    def game_over(self):
        return not self.model.legal_moves() or self.model.draw_reason() is not None

    # --- checks -----------------------------------------------------------

    def check(self, what):
        self.send("moves")
        self.send("brd")
        lines = self.sync()
        if LEGAL_HEADER not in lines:
            raise Fault("%s: no move list (got %s)" % (what, lines[-6:]))
        after = lines[lines.index(LEGAL_HEADER) + 1:]
        rows = [line for line in after if BOARD_ROW.match(line)]
        if len(rows) < 8:
            raise Fault("%s: no board (got %s)" % (what, lines[-10:]))
        listed = []
        for line in after:
            if BOARD_ROW.match(line):
                break
            listed += MOVE_ITEM.findall(line)
        engine_moves = sorted("%s%s%s" % item for item in listed)
        model_moves = sorted(self.model.board[self.square(m[:2])].upper() + m[:4]
                             for m in self.model.legal_moves())
        if engine_moves != model_moves:
            extra = sorted(set(engine_moves) - set(model_moves))
            missing = sorted(set(model_moves) - set(engine_moves))
            raise Fault("%s: legal moves differ in %s: engine has %s more, model has %s more"
                        % (what, fen_of(self.model), extra or "none", missing or "none"))
        engine_board = []
        for row in rows[-8:]:
            engine_board.append([row[i:i + 2] for i in range(0, 16, 2)])
        for rank in range(8):
            for file in range(8):
                piece = self.model.board[(7 - rank) * 8 + file]
                want = "." if piece == "." else piece.upper()
                want = ("*" if piece.islower() else " ") + want
                got = engine_board[rank][file]
                if got != want:
                    raise Fault("%s: board differs on %s (engine %r, model %r) in %s" % (
                        what, "abcdefgh"[file] + str(8 - rank), got, want, fen_of(self.model)))

    @staticmethod
    def square(name):
        return (ord(name[1]) - ord("1")) * 8 + ord(name[0]) - ord("a")

    def expect_engine_move(self, what, prefix):
        """Waits for the engine's move ('move X' or 'bestmove X'), its
        announcement that the game is over or its resignation; plays the
        move on the model."""
        over = self.game_over()
        lines = self.lines_until(lambda line: line.startswith(prefix) or RESULT.match(line) is not None
                                 or line.startswith("Illegal position") or line == "resign")
        last = lines[-1]
        if last == "resign":
            # The engine gave the game up instead of moving: as xboard does,
            # the user records moves from now on until play starts again.
            self.traits.add("resigned")
            self.step_force()
            return None
        if not last.startswith(prefix):
            if not over:
                raise Fault("%s: engine says %r where the model has moves %s" % (
                    what, last, self.model.legal_moves()[:8]))
            if self.uci:
                self.lines_until(lambda line: line.startswith("bestmove"))
            return None
        words = last.split()
        move = words[1] if len(words) > 1 else ""
        if self.uci and move == "0000" and over:
            return None
        if move not in self.model.legal_moves():
            raise Fault("%s: engine plays %r, illegal in %s" % (what, move, fen_of(self.model)))
        self.play(move)
        if self.uci and len(words) > 3 and words[2] == "ponder":
            if words[3] not in self.model.legal_moves():
                raise Fault("%s: ponder move %r illegal in %s" % (what, words[3], fen_of(self.model)))
        return move

    # --- steps ------------------------------------------------------------

    def random_position(self):
        if self.rng.random() < 0.3:
            return Position(), "startpos"
        fen = self.rng.choice(FENS)
        position = Position(fen)
        fen_ep_is_capturable(position)
        return position, fen

    def step_uci_position(self):
        position, fen = self.random_position()
        moves = []
        walk = position.copy()
        for _ in range(self.rng.randrange(0, 7)):
            legal = walk.legal_moves()
            if not legal:
                break
            move = self.rng.choice(legal)
            walk.make(move)
            moves.append(move)
        text = "position startpos" if fen == "startpos" else "position fen " + fen
        if moves:
            text += " moves " + " ".join(moves)
        self.send(text)
        self.set_up(position, START_FEN if fen == "startpos" else fen)
        for move in moves:
            self.play(move)
        return text

    def step_uci_go(self):
        if self.game_over():
            return None
        legal = self.model.legal_moves()
        kind = self.rng.choice(["depth", "depth", "nodes", "movetime", "searchmoves", "infinite"])
        if kind == "depth":
            text = "go depth %d" % self.rng.randrange(1, 4)
        elif kind == "nodes":
            text = "go nodes %d" % self.rng.randrange(100, 5000)
        elif kind == "movetime":
            text = "go movetime %d" % self.rng.randrange(10, 60)
        elif kind == "searchmoves":
            chosen = self.rng.sample(legal, min(len(legal), self.rng.randrange(1, 4)))
            text = "go depth 2 searchmoves " + " ".join(chosen)
            self.traits.add("searchmoves")
        else:
            text = "go infinite"
        self.send(text)
        if kind == "infinite":
            self.send("stop")
        before = self.model
        move = self.expect_engine_move(text, "bestmove")
        if kind == "searchmoves" and move is not None and move not in chosen:
            raise Fault("%s: bestmove %s is not among the searchmoves in %s" % (text, move, fen_of(before)))
        return text

    def step_user_move(self):
        legal = self.model.legal_moves()
        if self.rng.random() < 0.1 or not legal:
            # A move the position does not have: refused, nothing changes.
            text = self.rng.choice(["e2e5", "a1a8", "h7h1", "e1g1", "d7d8q"])
            if text in legal:
                return None
            self.send(text)
            self.lines_until(lambda line: line.startswith("Illegal move"))
            return text
        move = self.rng.choice(legal)
        after = self.model.copy()
        after.make(move)
        if not self.force and (not after.legal_moves() or after.draw_reason()):
            # Whether an engine still replies in a finished game is its own
            # choice: the user stops it replying first.
            self.step_force()
        if not self.force:
            self.limit_depth()
        self.send(move)
        self.play(move)
        if not self.force:
            self.expect_engine_move("reply to " + move, "move ")
        return move

    def limit_depth(self):
        # "new" forgets the depth limit; a search without one would wait for input.
        self.send("sd %d" % self.depth)

    def step_go(self):
        if self.game_over():
            return None
        self.limit_depth()
        self.send("go")
        self.force = False
        self.expect_engine_move("go", "move ")
        return "go"

    def step_undo(self):
        word = self.rng.choice(["undo", "remove"])
        self.send(word)
        self.take_back(1 if word == "undo" else 2)
        return word

    def step_new(self):
        self.send("new")
        self.set_up(Position())
        self.force = False
        return "new"

    def step_force(self):
        self.send("force")
        self.force = True
        return "force"

    def step_loadfen(self):
        position, fen = self.random_position()
        if fen == "startpos":
            fen = START_FEN
        self.send("loadfen " + fen)
        self.set_up(position, fen)
        return "loadfen " + fen

    def step_edit(self):
        """A random placement typed in edit mode; the engine takes it when it
        is a legal position, else keeps the old one."""
        kinds = "PNBRQ"
        placement = {}
        commands = ["#"]
        colour = "white"
        squares = list(range(64))
        self.rng.shuffle(squares)
        wanted = [("white", "K"), ("black", "K")]
        for _ in range(self.rng.randrange(0, 8)):
            wanted.append((self.rng.choice(["white", "black"]), self.rng.choice(kinds)))
        if self.rng.random() < 0.2:
            # A second king, removed or overwritten again before the end.
            wanted.append((self.rng.choice(["white", "black"]), "K2"))
            self.traits.add("second king edited away")
        for side, kind in wanted:
            sq = squares.pop()
            if kind == "P" and sq // 8 in (0, 7):
                continue
            if side != colour:
                commands.append("c")
                colour = side
            commands.append(kind[0] + square_name(sq))
            placement[sq] = kind[0] if side == "white" else kind[0].lower()
            if kind == "K2":
                if self.rng.random() < 0.5:
                    commands.append("x" + square_name(sq))
                    del placement[sq]
                else:
                    replacement = self.rng.choice(kinds[1:])
                    commands.append(replacement + square_name(sq))
                    placement[sq] = replacement if side == "white" else replacement.lower()
        self.send("edit")
        for command in commands:
            self.send(command)
        self.send(".")
        candidate = self.model.copy()
        candidate.board = ["."] * 64
        for sq, piece in placement.items():
            candidate.board[sq] = piece
        if self.placement_problem(candidate):
            return "edit (refused) " + " ".join(commands)
        rights = ""
        b = candidate.board
        if b[4] == "K":
            rights += ("K" if b[7] == "R" else "") + ("Q" if b[0] == "R" else "")
        if b[60] == "k":
            rights += ("k" if b[63] == "r" else "") + ("q" if b[56] == "r" else "")
        candidate.castling = rights
        candidate.ep = None
        candidate.halfmoves = 0
        candidate.history = [candidate.key()]
        self.set_up(candidate)
        return "edit " + " ".join(commands)

    @staticmethod
    def placement_problem(position):
        board = position.board
        if board.count("K") != 1 or board.count("k") != 1:
            return True
        for sq in list(range(8)) + list(range(56, 64)):
            if board[sq] in "Pp":
                return True
        waiting = board.index("k" if position.white else "K")
        return position.attacked(waiting, position.white)

    def step_analyze(self):
        self.send("analyze")
        done = ["analyze"]
        for _ in range(self.rng.randrange(1, 4)):
            choice = self.rng.random()
            legal = self.model.legal_moves()
            if choice < 0.5 and legal and self.model.draw_reason() is None:
                move = self.rng.choice(legal)
                self.send(move)
                self.play(move)
                done.append(move)
            elif choice < 0.8:
                self.send("undo")
                self.take_back(1)
                done.append("undo")
            else:
                self.send("new")
                self.set_up(Position())
                self.force = False
                done.append("new")
            # The analysis must have taken the line before the next one.
            self.send(".")
            self.lines_until(lambda line: line.startswith("stat01"))
        self.send("exit")
        done.append("exit")
        return " ".join(done)

    def step_ponder(self):
        """The engine moves and ponders; then the user takes back or stops."""
        if self.game_over():
            return None
        self.limit_depth()
        self.send("hard")
        self.send("go")
        self.force = False
        move = self.expect_engine_move("go (pondering)", "move ")
        ending = self.rng.choice(["force", "undo", "remove"])
        self.send(ending)
        if ending != "force":
            self.traits.add("take-back while pondering")
        if ending != "force":
            self.take_back(1 if ending == "undo" else 2)
        # Whatever the engine does after a take-back, it waits in force mode.
        self.send("force")
        self.force = True
        self.send("easy")
        return "hard go %s force easy (engine played %s)" % (ending, move)

    def step_setoption(self):
        text = self.rng.choice([
            "setoption name Hash value %d" % self.rng.randrange(1, 16),
            "setoption name MultiPV value %d" % self.rng.randrange(1, 4),
            "setoption name Aggressivity value %d" % self.rng.randrange(0, 301),
            "setoption name Clear Hash",
        ])
        self.send(text)
        return text

    # --- a whole session ----------------------------------------------------

    def run(self, length):
        self.uci = self.rng.random() < 0.5
        if self.uci:
            self.send("uci")
            self.lines_until(lambda line: line == "uciok")
            steps = [(self.step_uci_position, 3), (self.step_uci_go, 4), (self.step_undo, 1), (self.step_setoption, 2), (self.step_new_game_uci, 1)]
        else:
            self.send("xboard")
            self.send("easy")
            self.depth = self.rng.randrange(1, 4)
            self.limit_depth()
            steps = [(self.step_user_move, 4), (self.step_go, 2), (self.step_undo, 2),
                     (self.step_new, 1), (self.step_force, 1), (self.step_loadfen, 2),
                     (self.step_edit, 2), (self.step_analyze, 1), (self.step_ponder, 1),
                     (self.step_setoption, 1)]
        self.check("start")
        total = sum(weight for _, weight in steps)
        for _ in range(length):
            pick = self.rng.uniform(0, total)
            for step, weight in steps:
                pick -= weight
                if pick <= 0:
                    break
            text = step()
            if text is None:
                continue
            self.steps.append(text)
            self.check(text)
        self.engine.quit()

    def step_new_game_uci(self):
        self.send("ucinewgame")
        return "ucinewgame"


def run_session(args, number):
    """None when the session held up, else the fault's description."""
    rng = random.Random("%d/%d" % (args.seed, number))
    session = Session(args.engine, rng, args.verbose)
    try:
        session.run(args.steps)
        return None
    except (Fault, EngineDied) as fault:
        if session.engine.process.poll() is None:
            session.engine.process.kill()
        mode = "uci" if session.uci else "xboard"
        session.engine.process.wait()
        return "session %d (%s) [%s]: %s\n    steps: %s" % (
            number, mode, ", ".join(sorted(session.traits)) or "-", fault,
            " | ".join(session.steps[-8:]))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--engine", required=True, help="engine executable")
    parser.add_argument("--sessions", type=int, default=20)
    parser.add_argument("--steps", type=int, default=25, help="steps per session")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--only", type=int, help="run this session number alone")
    parser.add_argument("-v", "--verbose", action="store_true", help="print the dialogue")
    args = parser.parse_args()

    numbers = [args.only] if args.only is not None else range(1, args.sessions + 1)
    faults = []
    for number in numbers:
        fault = run_session(args, number)
        if fault:
            faults.append(fault)
            print("FAULT " + fault, flush=True)
    print("%d sessions (seed %d, %d steps each): %d with a fault" % (
        len(numbers), args.seed, args.steps, len(faults)))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
