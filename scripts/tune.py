#!/usr/bin/env python3
"""SPSA tuning of the values Korvalent picks by self-play, by games.

The values (src/board/tunable.h): the futility margin terms by each side's
non-pawn units, the ordering bonus of a capture whose every try paid off,
and correction rows of the material tables. The tuner moves a handful of
knobs; each knob expands into the engine's values (a futility table from
four points, a correction row with its colour-mirrored partner), and a
tuning build of the engine (cmake -DKORVALENT_TUNING=ON) reads them as a
parameter set through its UCI option TuneFile.

Each step of SPSA (simultaneous perturbation, no gradients) draws a sign
for every knob, plays a parameter set moved by +c along those signs
against one moved by -c (pairs of games from the same opening, colours
swapped, scripts/selfplay.py driving the engines) and moves every knob
along its sign by the learning rate times the score difference:

    scripts/tune.py run --engine build-tune/korvalent64 --state tune/state.json \\
        --steps 400 --pairs 4 --concurrency 2 --base-ms 2000 --inc-ms 20
    scripts/tune.py show --state tune/state.json         # the knobs, start and now
    scripts/tune.py tunefile --state tune/state.json --out tuned.txt
    scripts/tune.py selftest [--engine build-tune/korvalent64]

"run" is resumable: the state file (JSON, rewritten after every step) holds
the knobs and the step; the games of an interrupted step are in its own
log (step-NNNN/games.jsonl beside the state file) and are not played
again. One line per step goes to stdout and to tune.log beside the state.

Confirm a result before shipping it: the tuned set against the built-in
values, at least 1000 games:

    scripts/tune.py tunefile --state tune/state.json --out tune/tuned.txt
    mkdir -p tune/a tune/b && cp values.txt tune/tuned.txt tune/a/ && cp values.txt tune/b/
    scripts/selfplay.py --engine build-tune/korvalent64 --engine-dir tune/a --opponent-dir tune/b \\
        --option TuneFile=tuned.txt --opponent-option "TuneFile=<empty>" \\
        --games 1000 --concurrency 6 --base-ms 2000 --inc-ms 20 \\
        --log tune/confirm.jsonl --resume

(Without --opponent-option, engine B would take A's options too, and only
the missing tuned.txt in B's directory would keep it on the built-in set.)

The shapes the engine requires are kept by every set the tuner writes:
knobs stay in their bounds, the full-ratio capture bonus stays between the
top entry of the ratio table and the safe captures, and correction rows go
in pairs (a pawn-surplus row with the other table's row at the mirrored
signature and the same delta; a MaterialCorrection row with the mirrored
index and the opposite delta). Imbalance rows are not tuned: they would
end up in the values "writevalues" writes, which then would not read back
the same.

Exit code 0 on success, 1 on a failed engine or step, 2 on bad usage.
"""

import argparse
import json
import os
import random
import subprocess
import sys
import time

SCRIPTS = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, SCRIPTS)
import selfplay  # noqa: E402  (the openings and the Elo figures)

# ---------------------------------------------------------------------------
# The engine's tables and indices.

FUTILITY_UNITS_SIZE = 128
CAPTURE_RATIO_TOP = 50000         # CaptureRatioBonus[15]
CAPTURE_RATIO_FULL_MAX = 91149    # MaxCaptureRatioFullBonus
PARAM_MIN, PARAM_MAX = -32768, 32767
MAX_ROWS = {"PawnSurplusWhiteAhead": 58, "PawnSurplusBlackAhead": 58, "MaterialImbalance": 34,
            "MaterialCorrection": 16}
# Rows of the engine's built-in list: the tuned rows are checked with them.
BUILT_IN_ROWS = [("PawnSurplusWhiteAhead", 0, 108), ("PawnSurplusBlackAhead", 0, 108),
                 ("PawnSurplusWhiteAhead", 55, 34), ("PawnSurplusBlackAhead", 55, 34),
                 ("PawnSurplusWhiteAhead", 1467, -13), ("PawnSurplusBlackAhead", 1467, -13),
                 ("PawnSurplusWhiteAhead", 513, -13), ("PawnSurplusBlackAhead", 513, -13)]


def imbalance_index(white, black):
    """Signature of (queens, rooks, bishops, knights) for each side."""
    def side(counts):
        queens, rooks, bishops, knights = counts
        return knights + 3 * bishops + 9 * rooks + 27 * queens
    return side(black) + 54 * side(white)


def mirror_signature(index):
    return index // 54 + 54 * (index % 54)


def material_correction_index(white, white_pawns, black, black_pawns):
    def side(counts):
        queens, rooks, bishops, knights = counts
        return knights + 3 * bishops + 9 * rooks + 27 * queens
    return black_pawns + 9 * (side(black) + 54 * (white_pawns + 9 * side(white)))


def mirror_material_index(index):
    black_pawns, black_pieces = index % 9, index // 9 % 54
    white_pawns, white_pieces = index // 486 % 9, index // 4374
    return white_pawns + 9 * (white_pieces + 54 * (black_pawns + 9 * black_pieces))


def partner_row(row):
    table, index, delta = row
    if table == "PawnSurplusWhiteAhead":
        return ("PawnSurplusBlackAhead", mirror_signature(index), delta)
    if table == "PawnSurplusBlackAhead":
        return ("PawnSurplusWhiteAhead", mirror_signature(index), delta)
    if table == "MaterialImbalance":
        return (table, mirror_signature(index), -delta)
    return (table, mirror_material_index(index), -delta)


def rows_problem(rows):
    """What breaks the engine's rules for a correction list, or None."""
    counts = {}
    for table, index, delta in rows:
        size = 236196 if table == "MaterialCorrection" else 2916
        if table not in MAX_ROWS:
            return "unknown table %s" % table
        if not 0 <= index < size or not PARAM_MIN <= delta <= PARAM_MAX:
            return "row %s %d %d out of range" % (table, index, delta)
        counts[table] = counts.get(table, 0) + 1
        if counts[table] > MAX_ROWS[table]:
            return "more than %d rows of %s" % (MAX_ROWS[table], table)
    for row in rows:
        partner = partner_row(row)
        if partner != row and rows.count(row) != rows.count(partner):
            return "row %s %d %d without its partner" % row
    return None


# ---------------------------------------------------------------------------
# The knobs.

class Knob:
    """One tuned number: its start, bounds, and the perturbation size c and
    learning rate r it has at the last step."""

    def __init__(self, name, start, low, high, c_end, r_end):
        self.name, self.start, self.low, self.high = name, start, low, high
        self.c_end, self.r_end = c_end, r_end


FUTILITY_POINTS = [0, 10, 20, 31]  # units of one side: none, a few pieces, half, all
KNOBS = (
    [Knob("own%d" % units, 0, -1500, 1500, 150, 0.01) for units in FUTILITY_POINTS] +
    [Knob("opp%d" % units, 0, -1500, 1500, 150, 0.01) for units in FUTILITY_POINTS] +
    [Knob("fullratio", CAPTURE_RATIO_TOP, CAPTURE_RATIO_TOP, CAPTURE_RATIO_FULL_MAX, 5000, 0.01)] +
    [Knob(name, 0, -60, 60, 8, 0.01) for name in ("surplusRR", "surplusBB", "surplusBN", "surplusNB")] +
    [Knob(name, 0, -100, 100, 12, 0.01) for name in ("krpkr", "kbpkb")]
)
KNOB_NAMES = [knob.name for knob in KNOBS]

ROOK, BISHOP, KNIGHT, BARE = (0, 1, 0, 0), (0, 0, 1, 0), (0, 0, 0, 1), (0, 0, 0, 0)
# Pawn-surplus knobs: the signature of the White-ahead row (its partner is
# the Black-ahead row at the mirrored signature).
SURPLUS_SIGNATURES = {"surplusRR": imbalance_index(ROOK, ROOK), "surplusBB": imbalance_index(BISHOP, BISHOP),
                      "surplusBN": imbalance_index(BISHOP, KNIGHT),
                      "surplusNB": imbalance_index(KNIGHT, BISHOP)}
# MaterialCorrection knobs: White a pawn up in the ending (its partner is
# Black a pawn up).
MATERIAL_INDICES = {"krpkr": material_correction_index(ROOK, 1, ROOK, 0),
                    "kbpkb": material_correction_index(BISHOP, 1, BISHOP, 0)}


def project(values):
    """The nearest knob values the engine accepts: within bounds, whole
    numbers. (The other rules hold by the way knobs expand.)"""
    projected = {}
    for knob in KNOBS:
        value = values.get(knob.name, knob.start)
        projected[knob.name] = min(max(float(value), knob.low), knob.high)
    return projected


def futility_table(values, side):
    """128 entries, linear between the four points, flat past the last."""
    points = [(units, values["%s%d" % (side, units)]) for units in FUTILITY_POINTS]
    table = []
    for units in range(FUTILITY_UNITS_SIZE):
        if units >= points[-1][0]:
            table.append(points[-1][1])
            continue
        for (u0, v0), (u1, v1) in zip(points, points[1:]):
            if u0 <= units <= u1:
                table.append(v0 + (v1 - v0) * (units - u0) / (u1 - u0))
                break
    return [int(round(value)) for value in table]


def correction_rows(values):
    rows = []
    for name, signature in SURPLUS_SIGNATURES.items():
        delta = int(round(values[name]))
        if delta:
            rows.append(("PawnSurplusWhiteAhead", signature, delta))
            rows.append(("PawnSurplusBlackAhead", mirror_signature(signature), delta))
    for name, index in MATERIAL_INDICES.items():
        delta = int(round(values[name]))
        if delta:
            rows.append(("MaterialCorrection", index, delta))
            rows.append(("MaterialCorrection", mirror_material_index(index), -delta))
    return rows


def tune_file_text(values):
    """The parameter set of knob values, as the engine's TuneFile reads it;
    raises ValueError when it would break one of the engine's rules."""
    values = project(values)
    lines = ["# Korvalent parameter set: " + " ".join("%s=%.1f" % (n, values[n]) for n in KNOB_NAMES)]
    for side, name in (("own", "FutilityOwnUnits"), ("opp", "FutilityOppUnits")):
        for units, value in enumerate(futility_table(values, side)):
            if value:
                lines.append("%s %d %d" % (name, units, value))
    bonus = int(round(values["fullratio"]))
    if not CAPTURE_RATIO_TOP <= bonus <= CAPTURE_RATIO_FULL_MAX:
        raise ValueError("full-ratio bonus %d outside its range" % bonus)
    lines.append("CaptureRatioFullBonus 0 %d" % bonus)
    rows = correction_rows(values)
    problem = rows_problem(BUILT_IN_ROWS + rows)
    if problem:
        raise ValueError(problem)
    lines += ["%s %d %d" % row for row in rows]
    return "\n".join(lines) + "\n"


# ---------------------------------------------------------------------------
# SPSA.

ALPHA, GAMMA = 0.602, 0.101


def gains(knob, step, steps):
    """(c_k, a_k) of a knob at step k (1-based) of a run of steps: c falls to
    c_end and a to r_end * c_end**2 at the last step, with a stability
    constant of a tenth of the run."""
    stability = 0.1 * steps
    c_k = knob.c_end * (steps / step) ** GAMMA
    a_end = knob.r_end * knob.c_end ** 2
    a_k = a_end * ((stability + steps) / (stability + step)) ** ALPHA
    return c_k, a_k


def signs_of(seed, step):
    """The perturbation signs of a step: the same on every resume."""
    rng = random.Random("%d/%d" % (seed, step))
    return {name: rng.choice((-1, 1)) for name in KNOB_NAMES}


def spsa_update(values, signs, score, step, steps):
    """Knob values after a step whose plus side scored score (wins - losses
    of the +c set)."""
    moved = {}
    for knob in KNOBS:
        c_k, a_k = gains(knob, step, steps)
        moved[knob.name] = values[knob.name] + a_k / c_k * score * signs[knob.name]
    return project(moved)


# ---------------------------------------------------------------------------
# Engine and games.

def write_atomically(path, text):
    temporary = path + ".tmp"
    with open(temporary, "w") as f:
        f.write(text)
    os.replace(temporary, path)


def check_engine_accepts(engine, workdir, tune_name):
    """Runs the engine once: it must put the set in force."""
    commands = "uci\nsetoption name TuneFile value %s\nisready\nquit\n" % tune_name
    try:
        run = subprocess.run([os.path.abspath(engine)], input=commands, cwd=workdir, capture_output=True,
                             text=True, timeout=60)
    except (OSError, subprocess.TimeoutExpired) as error:
        return "cannot run %s: %s" % (engine, error)
    if "option name TuneFile" not in run.stdout:
        return "%s is not a tuning build (configure with -DKORVALENT_TUNING=ON)" % engine
    for line in run.stdout.splitlines():
        if line.startswith("info string TuneFile"):
            return None if line.endswith(" in force") else line
    return "no answer to TuneFile"


def prepare_side(directory, values_file, text):
    os.makedirs(directory, exist_ok=True)
    with open(values_file, "rb") as source:
        data = source.read()
    with open(os.path.join(directory, "values.txt"), "wb") as f:
        f.write(data)
    write_atomically(os.path.join(directory, "tune.txt"), text)


def step_openings(step, pairs, path):
    """A file of the step's openings: the built-in list from a point that
    moves on with the step, so that steps see different openings."""
    openings = selfplay.OPENINGS
    first = (step - 1) * pairs
    lines = [openings[(first + k) % len(openings)] for k in range(pairs)]
    write_atomically(path, "\n".join(lines) + "\n")


def score_of_log(path, games):
    """(wins, draws, losses) of engine A in a step's game log."""
    records = selfplay.read_log(path)
    wins = draws = losses = 0
    for number, record in records.items():
        if number > games:
            continue
        if record["result"] == "1/2-1/2":
            draws += 1
        elif (record["result"] == "1-0") == (record["white"] == "A"):
            wins += 1
        else:
            losses += 1
    return wins, draws, losses


def play_step(args, step_dir, step, plus_text, minus_text):
    """Plays the step's games (or the ones an interrupted run left); returns
    (wins, draws, losses) of the plus side, or None on a failure."""
    plus_dir, minus_dir = os.path.join(step_dir, "plus"), os.path.join(step_dir, "minus")
    prepare_side(plus_dir, args.values, plus_text)
    prepare_side(minus_dir, args.values, minus_text)
    for directory in (plus_dir, minus_dir):
        problem = check_engine_accepts(args.engine, directory, "tune.txt")
        if problem:
            print("step %d: %s" % (step, problem), file=sys.stderr, flush=True)
            return None
    openings = os.path.join(step_dir, "openings.txt")
    step_openings(step, args.pairs, openings)
    games = 2 * args.pairs
    log = os.path.join(step_dir, "games.jsonl")
    command = [sys.executable, os.path.join(SCRIPTS, "selfplay.py"), "--engine", args.engine,
               "--engine-dir", plus_dir, "--opponent-dir", minus_dir,
               "--option", "TuneFile=tune.txt", "--opponent-option", "TuneFile=tune.txt",
               "--games", str(games), "--concurrency", str(args.concurrency),
               "--base-ms", str(args.base_ms), "--inc-ms", str(args.inc_ms),
               "--max-plies", str(args.max_plies), "--openings", openings, "--log", log, "--resume"]
    with open(os.path.join(step_dir, "selfplay.out"), "a") as output:
        code = subprocess.call(command, stdout=output, stderr=subprocess.STDOUT)
    wins, draws, losses = score_of_log(log, games)
    if wins + draws + losses < games:
        print("step %d: only %d of %d games played (selfplay exit code %d, see %s)" % (
            step, wins + draws + losses, games, code, os.path.join(step_dir, "selfplay.out")),
            file=sys.stderr, flush=True)
        return None
    # A time loss or a fault of one engine is a result like any other here;
    # selfplay.out keeps the details.
    return wins, draws, losses


def new_state(args):
    return {"version": 1, "seed": args.seed, "steps": args.steps, "pairs": args.pairs,
            "step": 0, "values": project({}), "games": [0, 0, 0]}


def load_state(path):
    with open(path) as f:
        state = json.load(f)
    state["values"] = project(state["values"])
    return state


def run(args):
    if not os.path.exists(args.engine):
        print("%s: no such engine" % args.engine, file=sys.stderr)
        return 1
    state_dir = os.path.dirname(os.path.abspath(args.state))
    os.makedirs(state_dir, exist_ok=True)
    if os.path.exists(args.state):
        state = load_state(args.state)
        print("resuming %s at step %d of %d" % (args.state, state["step"] + 1, state["steps"]),
              file=sys.stderr, flush=True)
    else:
        state = new_state(args)
    # The run's shape is fixed when it starts; a resume may only lengthen it.
    steps = max(state["steps"], args.steps or 0)
    state["steps"] = steps
    args.pairs = state["pairs"]
    log_path = os.path.join(state_dir, "tune.log")
    started = time.monotonic()
    while state["step"] < steps:
        step = state["step"] + 1
        signs = signs_of(state["seed"], step)
        values = state["values"]
        plus, minus = {}, {}
        for knob in KNOBS:
            c_k, _ = gains(knob, step, steps)
            plus[knob.name] = values[knob.name] + c_k * signs[knob.name]
            minus[knob.name] = values[knob.name] - c_k * signs[knob.name]
        step_dir = os.path.join(state_dir, "step-%04d" % step)
        result = play_step(args, step_dir, step, tune_file_text(plus), tune_file_text(minus))
        if result is None:
            return 1
        wins, draws, losses = result
        state["values"] = spsa_update(values, signs, wins - losses, step, steps)
        state["step"] = step
        state["games"] = [total + part for total, part in zip(state["games"], result)]
        write_atomically(args.state, json.dumps(state, indent=1, sort_keys=True) + "\n")
        line = "step %d/%d: plus %d-%d-%d; %s; %s" % (
            step, steps, wins, draws, losses,
            " ".join("%s=%.1f" % (name, state["values"][name]) for name in KNOB_NAMES),
            time.strftime("%H:%M:%S", time.gmtime()))
        print(line, flush=True)
        with open(log_path, "a") as log:
            log.write(line + "\n")
    print("done: %d steps (%.0f s in this session)" % (steps, time.monotonic() - started), flush=True)
    show_table(state)
    return 0


def show_table(state):
    values = state["values"]
    print("%-10s %10s %10s %10s %10s" % ("knob", "start", "now", "low", "high"))
    for knob in KNOBS:
        print("%-10s %10.1f %10.1f %10d %10d" % (knob.name, knob.start, values[knob.name], knob.low, knob.high))
    wins, draws, losses = state["games"]
    print("step %d of %d; %d games between the perturbed sets (+%d =%d -%d for the plus side)" % (
        state["step"], state["steps"], wins + draws + losses, wins, draws, losses))


# ---------------------------------------------------------------------------
# Self-test: the projection and the sets it writes.

def selftest(engine=None):
    failures = []

    def check(condition, what):
        if not condition:
            failures.append(what)

    # Mirrors, against the given queen-against-rook pair of signatures.
    check(imbalance_index((1, 0, 0, 0), ROOK) == 1467 and mirror_signature(1467) == 513, "mirror signature")
    check(rows_problem(BUILT_IN_ROWS) is None, "built-in rows valid")
    for index in (0, 1, 4373, 4374, 236195):
        check(mirror_material_index(mirror_material_index(index)) == index, "material mirror %d" % index)
    check(mirror_material_index(MATERIAL_INDICES["krpkr"]) == material_correction_index(ROOK, 0, ROOK, 1),
          "material mirror swaps the pawns")

    # Pairing rules: every broken list is found.
    signature = SURPLUS_SIGNATURES["surplusBN"]
    for rows, valid in [
            ([("PawnSurplusWhiteAhead", signature, 5), ("PawnSurplusBlackAhead", mirror_signature(signature), 5)],
             True),
            ([("PawnSurplusWhiteAhead", signature, 5), ("PawnSurplusBlackAhead", signature, 5)], False),
            ([("PawnSurplusWhiteAhead", signature, 5), ("PawnSurplusBlackAhead", mirror_signature(signature), 4)],
             False),
            ([("MaterialCorrection", 7, 3), ("MaterialCorrection", mirror_material_index(7), -3)], True),
            ([("MaterialCorrection", 7, 3), ("MaterialCorrection", mirror_material_index(7), 3)], False),
            ([("MaterialImbalance", 1467, 9)], False)]:
        check((rows_problem(BUILT_IN_ROWS + rows) is None) == valid, "pairing %r" % (rows,))

    # Projection: bounds, and the bonus never below the ratio table's top.
    wild = {knob.name: knob.high * 10 + 12345 for knob in KNOBS}
    wild["fullratio"] = -5
    projected = project(wild)
    check(all(knob.low <= projected[knob.name] <= knob.high for knob in KNOBS), "bounds")
    check(projected["fullratio"] == CAPTURE_RATIO_TOP, "full-ratio bonus at least the top entry")
    for values in (projected, project({}), project({k.name: k.low for k in KNOBS})):
        try:
            tune_file_text(values)
        except ValueError as error:
            failures.append("set refused: %s" % error)

    # Futility tables: the points, linear between, flat after the last.
    values = project({"own0": 100, "own10": 200, "own20": -100, "own31": 300})
    table = futility_table(values, "own")
    check(len(table) == FUTILITY_UNITS_SIZE, "table size")
    check(table[0] == 100 and table[5] == 150 and table[10] == 200 and table[15] == 50, "interpolation")
    check(table[31] == 300 and table[127] == 300, "flat past the last point")

    # The built-in values write no table entry and no row: the engine's own.
    text = tune_file_text(project({}))
    check([line for line in text.splitlines()[1:]] == ["CaptureRatioFullBonus 0 %d" % CAPTURE_RATIO_TOP],
          "built-in set")

    # SPSA: the plus side winning moves every knob along its sign.
    signs = signs_of(1, 1)
    moved = spsa_update(project({}), signs, 2, 1, 100)
    for knob in KNOBS:
        if knob.name != "fullratio" or signs[knob.name] > 0:
            check((moved[knob.name] - knob.start) * signs[knob.name] > 0, "update of %s" % knob.name)
    check(signs_of(1, 7) == signs_of(1, 7), "signs repeat on resume")

    if engine:
        import tempfile
        with tempfile.TemporaryDirectory(prefix="korvalent-tune-") as directory:
            values_file = os.path.join(os.path.dirname(SCRIPTS), "values.txt")
            prepare_side(directory, values_file, tune_file_text(projected))
            problem = check_engine_accepts(engine, directory, "tune.txt")
            check(problem is None, "engine takes the set: %s" % problem)

    for failure in failures:
        print("FAIL: %s" % failure)
    print("selftest: %s" % ("%d failures" % len(failures) if failures else "ok"))
    return 1 if failures else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    verbs = parser.add_subparsers(dest="verb")
    run_parser = verbs.add_parser("run", help="play SPSA steps (resumable)")
    run_parser.add_argument("--engine", required=True, help="a tuning build of korvalent64")
    run_parser.add_argument("--state", required=True, help="state file (JSON); its directory gets the logs")
    run_parser.add_argument("--steps", type=int, default=400, help="steps of the run (default 400)")
    run_parser.add_argument("--pairs", type=int, default=4, help="game pairs per step (default 4)")
    run_parser.add_argument("--concurrency", type=int, default=2)
    run_parser.add_argument("--base-ms", type=int, default=2000)
    run_parser.add_argument("--inc-ms", type=int, default=20)
    run_parser.add_argument("--max-plies", type=int, default=300)
    run_parser.add_argument("--seed", type=int, default=1)
    run_parser.add_argument("--values", default=os.path.join(os.path.dirname(SCRIPTS), "values.txt"),
                            help="values.txt the engines read (default: the repository's)")
    show_parser = verbs.add_parser("show", help="the knobs of a run")
    show_parser.add_argument("--state", required=True)
    file_parser = verbs.add_parser("tunefile", help="write the parameter set of a run")
    file_parser.add_argument("--state", required=True)
    file_parser.add_argument("--out", required=True)
    test_parser = verbs.add_parser("selftest", help="check the projection and the sets")
    test_parser.add_argument("--engine", help="also check that this tuning build takes a set")
    args = parser.parse_args()
    if args.verb == "run":
        if args.steps < 1 or args.pairs < 1 or args.concurrency < 1:
            parser.error("--steps, --pairs and --concurrency must be at least 1")
        return run(args)
    if args.verb in ("show", "tunefile"):
        try:
            state = load_state(args.state)
        except (OSError, ValueError, KeyError) as error:
            print("%s: not a tuning state (%s)" % (args.state, error), file=sys.stderr)
            return 1
        if args.verb == "show":
            show_table(state)
        else:
            write_atomically(args.out, tune_file_text(state["values"]))
        return 0
    if args.verb == "selftest":
        return selftest(args.engine)
    parser.print_usage(sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main())
