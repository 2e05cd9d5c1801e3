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
# GUI_GAME_SECONDS changes the limit of the whole run; GUI_GAME_TC and
# GUI_GAME_INC change the time control (xboard's -tc minutes:seconds and -inc
# seconds; 0:20 and 0.2 by default), e.g. GUI_GAME_TC=0:30 GUI_GAME_INC=0
# GUI_GAME_SECONDS=300 for 30 s sudden death. GUI_GAME_OPPONENT=self plays
# the engine against itself (a second process in the same protocol) instead
# of fairymax: longer games that run the clocks down.
#
# With GUI_GAME_BOOK=<book> (xboard protocol only) the engine plays from that
# opening book, a Book.kvb or a Polyglot book that korvalent-book (beside the
# engine) converts first, e.g.
#
#   GUI_GAME_BOOK=/usr/share/games/gnuchess/book.bin scripts/gui_game.sh build/korvalent64 xboard
#
# and the game passes only when the engine's first moves came from the book
# and book learning changed, in the engine's Book.kvb, the counters of the
# book moves it played after its first (scripts/book_game_check.py). A book
# file that is missing skips the run (fails it under CI=true).
set -u

SkipCode=77
GameSeconds=${GUI_GAME_SECONDS:-240}   # the whole run, start-up to exit; a game takes 1-2 minutes
TimeControl=${GUI_GAME_TC:-0:20}
Increment=${GUI_GAME_INC:-0.2}
Opponent=${GUI_GAME_OPPONENT:-fairymax}

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

# Book mode: the engine's Book.kvb, and a copy of it as it was before the game.
book=${GUI_GAME_BOOK:-}
gui_book=()
if [ -n "$book" ]; then
    if [ "$protocol" != xboard ]; then
        echo "usage: GUI_GAME_BOOK works with the xboard protocol" >&2
        rm -rf "$work"
        exit 2
    fi
    if [ ! -f "$book" ]; then
        rm -rf "$work"
        if [ "${CI:-}" = true ]; then
            echo "FAIL: the book $book is missing"
            exit 1
        fi
        echo "SKIP: the book $book is missing"
        exit $SkipCode
    fi
    if [ "$(head -c 24 "$book" | tr -d '\000')" = "~Korvalent openings book" ]; then
        cp "$book" "$work/engine/Book.kvb"
    elif ! "$(dirname "$engine")/korvalent-book" from-polyglot "$book" -o "$work/engine/Book.kvb" \
        > "$work/book.log" 2>&1; then
        echo "FAIL ($protocol): korvalent-book could not convert $book"
        cat "$work/book.log"
        rm -rf "$work"
        exit 1
    fi
    cp "$work/engine/Book.kvb" "$work/book.before.kvb"
    # Given a Polyglot book, xboard plays fairymax's first moves from it too,
    # so that the game stays in the engine's book for more than one move
    # whatever fairymax would choose on its own.
    if [ ! "$(head -c 24 "$book" | tr -d '\000')" = "~Korvalent openings book" ]; then
        gui_book=(-usePolyglotBook true -polyglotBook "$book" -bookDepth 6
                  -firstHasOwnBookUCI true -secondHasOwnBookUCI false)
    fi
fi
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
    second_program="polyglot -noini -ec $engine -ed $work/engine -log true -lf $work/polyglot2.log"
else
    first_program=$engine
    second_program=$engine
fi
# The opponent and the game: fairymax (or the engine itself) from the start
# position at the chosen control, or, for the repetition, the engine itself
# from the perpetual check at 10 s + 0.1 s (xboard adjudicates no repetition
# itself).
games=1
game_options=(-tc "$TimeControl" -inc "$Increment")
if [ "$protocol" = repetition ]; then
    # Two games, each engine announcing once; between them xboard goes on
    # reading what the engines send.
    games=2
    second_dir=$work/engine
    echo "6k1/3Q2p1/8/8/8/1q6/rr6/7K w - - 0 1" > "$work/perpetual.fen"
    game_options=(-tc 0:10 -inc 0.1 -loadPositionFile "$work/perpetual.fen" -repeatsToDraw 0)
elif [ "$Opponent" = self ]; then
    second_dir=$work/engine
else
    second_program=fairymax
    second_dir=$work/home
fi

pgn=$work/game.pgn
debug_log=$work/debug.log
# Pondering on; xboard calls flags itself, and ends a lost or endless game
# early so the run stays short.
HOME=$work/home DISPLAY=:$(cat "$work/display") timeout -k 10 "$GameSeconds" xboard \
    -settingsFile "$work/home/xboard.settings" -saveSettingsOnExit false \
    -fcp "$first_program" -fd "$work/engine" \
    -scp "$second_program" -sd "$second_dir" "${gui_book[@]}" \
    "${game_options[@]}" -ponderNextMove true -autoCallFlag true \
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

# Book mode: the game's moves as the engine (the first program, white) and
# xboard exchanged them, and the book before and after the game.
if [ -n "$book" ]; then
    game_moves=$(sed -n 's/^[0-9]* [<>]first : \(move \)\{0,1\}\([a-h][1-8][a-h][1-8][qrbn]\{0,1\}\)$/\2/p' \
        "$debug_log" | tr '\n' ' ')
    python3 "$source_dir/scripts/book_game_check.py" --engine "$engine" --side white \
        --before "$work/book.before.kvb" --after "$work/engine/Book.kvb" --moves "$game_moves" \
        > "$work/book_check.log" 2>&1
    book_status=$?
    cat "$work/book_check.log"
    [ "$book_status" -eq 0 ] || fail "the book check failed (moves: $game_moves)"
fi

# The engine's lowest clock as xboard sent it before a move ("time" in
# centiseconds, to the engine or to polyglot; to either engine in self-play).
engines=first
{ [ "$Opponent" = self ] || [ "$protocol" = repetition ]; } && engines="first|second"
lowest=$(sed -En "s/.*>($engines) *: *time (-?[0-9]+).*/\2/p" "$debug_log" | sort -n | head -n 1)
echo "ok   $protocol: $result {$reason} after ${moves%. } moves; lowest clock ${lowest:-?} cs${book:+; from the book $book}"
