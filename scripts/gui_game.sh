#!/usr/bin/env bash
# One short game in a real chess GUI: Debian's xboard on a virtual X server
# (Xvfb), the engine against fairymax, in one of the two protocols:
#
#   scripts/gui_game.sh <korvalent64> xboard      the engine speaks xboard itself
#   scripts/gui_game.sh <korvalent64> uci         the engine over UCI, through polyglot
#   scripts/gui_game.sh <korvalent64> repetition  the engine against itself in xboard,
#                                                 from a perpetual check
#
# Passes when the saved PGN holds a finished game whose result comes from the
# board (mate, a draw rule, resignation or xboard's adjudication) and xboard's
# debug log shows no failed start, no illegal move and no time forfeit; over
# UCI, polyglot's log must show it pondering with the engine ("go ... ponder"
# and "ponderhit"). The repetition game starts from a position where White,
# two rooks and a queen down, can only save itself by checking the black king
# to and fro, and Black has a single legal step each time: it passes when the
# engine to move at the third occurrence announces the draw and xboard's
# debug log shows no move from either engine after that announcement. On a
# failure it prints the tail of the debug log.
#
# Without Xvfb, xboard, fairymax (or polyglot for uci) it skips with exit code
# 77, except under CI=true, where a missing package is a failure.
# GUI_GAME_KEEP=1 keeps the run's directory (game, logs) under $TMPDIR or /tmp;
# GUI_GAME_SECONDS changes the limit of the whole run.
set -u

SkipCode=77
GameSeconds=${GUI_GAME_SECONDS:-240}   # the whole run, start-up to exit; a game takes 1-2 minutes

engine=${1:-}
protocol=${2:-}
case "$protocol" in
    xboard | uci | repetition) ;;
    *) protocol= ;;
esac
if [ -z "$engine" ] || [ -z "$protocol" ]; then
    echo "usage: $0 <korvalent64> xboard|uci|repetition" >&2
    exit 2
fi
engine=$(realpath "$engine")
source_dir=$(realpath "$(dirname "$0")/..")

# Debian installs xboard, fairymax and polyglot under /usr/games.
PATH=$PATH:/usr/games

needed="Xvfb xboard fairymax"
[ "$protocol" = uci ] && needed="$needed polyglot"
for program in $needed; do
    if ! command -v "$program" > /dev/null; then
        if [ "${CI:-}" = true ]; then
            echo "FAIL: $program is not installed (apt-get install xboard xvfb polyglot fairymax)"
            exit 1
        fi
        echo "SKIP: $program is not installed"
        exit $SkipCode
    fi
done

# Everything of this run in one fresh directory: xboard's home and settings,
# the engine's working directory (its parameter file), the game and the logs.
work=$(mktemp -d "${TMPDIR:-/tmp}/gui_game_${protocol}.XXXXXX")
mkdir -p "$work/home" "$work/engine"
cp "$source_dir/values.txt" "$work/engine/"
xvfb_pid=
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2> /dev/null
    [ -n "${GUI_GAME_KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT

# A display of its own: Xvfb picks a free number and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3> "$work/display" > "$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
if [ ! -s "$work/display" ]; then
    echo "FAIL: Xvfb did not start"
    cat "$work/xvfb.log"
    exit 1
fi

if [ "$protocol" = uci ]; then
    first_program="polyglot -noini -ec $engine -ed $work/engine -log true -lf $work/polyglot.log"
else
    first_program=$engine
fi
# The opponent and the game: fairymax from the start position at 20 s + 0.2 s
# per move, or, for the repetition, the engine itself from the perpetual
# check at 10 s + 0.1 s (xboard adjudicates no repetition itself).
second_program=fairymax
second_dir=$work/home
games=1
game_options="-tc 0:20 -inc 0.2"
if [ "$protocol" = repetition ]; then
    # Two games, each engine announcing once; between them xboard goes on
    # reading what the engines send.
    games=2
    second_program=$engine
    second_dir=$work/engine
    echo "6k1/3Q2p1/8/8/8/1q6/rr6/7K w - - 0 1" > "$work/perpetual.fen"
    game_options="-tc 0:10 -inc 0.1 -loadPositionFile $work/perpetual.fen -repeatsToDraw 0"
fi

pgn=$work/game.pgn
debug_log=$work/debug.log
# Pondering on; xboard calls flags itself, and ends a lost or endless game
# early so the run stays short.
HOME=$work/home DISPLAY=:$(cat "$work/display") timeout -k 10 "$GameSeconds" xboard \
    -settingsFile "$work/home/xboard.settings" -saveSettingsOnExit false \
    -fcp "$first_program" -fd "$work/engine" \
    -scp "$second_program" -sd "$second_dir" \
    $game_options -ponderNextMove true -autoCallFlag true \
    -adjudicateLossThreshold -1000 -adjudicateDrawMoves 120 \
    -matchMode true -matchGames "$games" -saveGameFile "$pgn" -popupExitMessage false \
    -soundProgram true -debug -nameOfDebugFile "$debug_log" > "$work/xboard.out" 2>&1 &
xboard_pid=$!
# xboard reports an engine that failed to start in a message box and then
# waits for a click that never comes: stop it as soon as it says so.
while kill -0 "$xboard_pid" 2> /dev/null; do
    if grep -qs "Failed to start" "$work/xboard.out"; then
        kill "$xboard_pid"
        break
    fi
    sleep 0.5
done
wait "$xboard_pid"
status=$?

fail() {
    echo "FAIL ($protocol): $1"
    [ -f "$pgn" ] && cat "$pgn"
    echo "--- tail of xboard's debug log"
    [ -f "$debug_log" ] && tail -n 40 "$debug_log"
    echo "--- xboard's output"
    tail -n 10 "$work/xboard.out"
    if [ -f "$work/polyglot.log" ]; then
        echo "--- tail of polyglot's log"
        tail -n 20 "$work/polyglot.log"
    fi
    exit 1
}

grep -q "Failed to start" "$debug_log" "$work/xboard.out" && fail "xboard could not start an engine"
[ "$status" -eq 124 ] || [ "$status" -eq 137 ] && fail "xboard still ran after $GameSeconds s"
[ -f "$debug_log" ] || fail "xboard wrote no debug log (exit code $status)"
grep -qiE "illegal move|invalid move" "$debug_log" && fail "an illegal move"
[ -s "$pgn" ] || fail "no game saved (exit code $status)"

result=$(sed -n 's/^\[Result "\(.*\)"\]$/\1/p' "$pgn" | sort -u)
case "$result" in
    1-0 | 0-1 | 1/2-1/2) ;;
    *) fail "the game did not finish (result '$result')" ;;
esac
# The comment before the result at the end of the move text says why it ended.
reason=$(tr '\n' ' ' < "$pgn" | sed -n 's/.*{\([^}]*\)} *\(1-0\|0-1\|1\/2-1\/2\) *$/\1/p')
case "$reason" in
    *"on time"* | *flag* | *[Ff]orfeit* | *[Ii]llegal* | *[Ii]nvalid* | *[Ff]alse*) fail "ended by '$reason'" ;;
    *[Mm]ate* | *[Dd]raw* | *[Rr]epetition* | *[Mm]aterial* | *[Rr]esign* | *[Aa]djudication*) ;;
    *) fail "the result does not come from the board ('$reason')" ;;
esac

# With pondering on, polyglot ponders with the engine: it sends "go ...
# ponder" after the engine's move and "ponderhit" when the expected reply
# comes (fairymax plays it often enough in a game).
if [ "$protocol" = uci ]; then
    grep -qE "Adapter->Engine: go .*ponder" "$work/polyglot.log" ||
        fail "polyglot sent no \"go ponder\""
    grep -q "Adapter->Engine: ponderhit" "$work/polyglot.log" ||
        fail "polyglot sent no \"ponderhit\""
fi

# Each game ends with an engine's own announcement of the repetition, and
# that is the last word of both engines: no move from either until xboard
# starts the next game.
if [ "$protocol" = repetition ]; then
    claims=$(grep -cE "<(first|second) *: 1/2-1/2 \{Draw by repetition\}" "$debug_log")
    [ "$claims" -eq "$games" ] || fail "$claims announced repetitions in $games games"
    awk '/<(first|second) *: 1\/2-1\/2 \{Draw by repetition\}/ { over = 1; next }
         />(first|second) *: new/ { over = 0 }
         over && /<(first|second) *: move / { print; stray = 1 }
         END { exit stray }' "$debug_log" || fail "a move after the announced repetition"
fi

moves=$(grep -oE '[0-9]+\. ' "$pgn" | tail -n 1)
echo "ok   $protocol: $result {$reason} after ${moves%. } moves"
