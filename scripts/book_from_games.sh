#!/usr/bin/env bash
# A book from the engine's own games: GNU Chess's Polyglot book converted by
# korvalent-book, a few hundred self-play games of the engine playing from it
# (scripts/selfplay.py, every search to a fixed depth, VarietyOfPlay 30 so
# that both 1...c5 and 1...e5 are played after 1.e4), written as PGN and
# made into a book again by korvalent-book from-pgn; passes when that book's
# listing after 1.e4 holds c7c5 and e7e5.
#
#   scripts/book_from_games.sh <korvalent64> <korvalent-book> [games]   (default 300)
#
# Without gnuchess-book's /usr/share/games/gnuchess/book.bin it skips with
# exit code 77, except under CI=true, where it fails. BOOK_GAMES_KEEP=1 keeps
# the run's directory (books, PGN) under $TMPDIR or /tmp.
set -u

SkipCode=77
GnuChessBook=/usr/share/games/gnuchess/book.bin
AfterE4="rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1"

engine=${1:-}
tool=${2:-}
games=${3:-300}
if [ -z "$engine" ] || [ -z "$tool" ]; then
    echo "usage: $0 <korvalent64> <korvalent-book> [games]" >&2
    exit 2
fi
engine=$(realpath "$engine")
tool=$(realpath "$tool")
source_dir=$(realpath "$(dirname "$0")/..")

if [ ! -f "$GnuChessBook" ]; then
    if [ "${CI:-}" = true ]; then
        echo "FAIL: $GnuChessBook is missing (apt-get install gnuchess-book)"
        exit 1
    fi
    echo "SKIP: $GnuChessBook is missing"
    exit $SkipCode
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/book_from_games.XXXXXX")
cleanup() { [ -n "${BOOK_GAMES_KEEP:-}" ] || rm -rf "$work"; }
trap cleanup EXIT
fail() {
    echo "FAIL: $1"
    exit 1
}

"$tool" from-polyglot "$GnuChessBook" -o "$work/gnuchess.kvb" || fail "converting $GnuChessBook"
python3 "$source_dir/scripts/selfplay.py" --engine "$engine" --games "$games" --depth 5 \
    --max-plies 40 --book "$work/gnuchess.kvb" --variety 30 --pgn "$work/games.pgn" \
    > "$work/selfplay.log" || { tail -n 40 "$work/selfplay.log"; fail "self-play"; }
tail -n 2 "$work/selfplay.log"
"$tool" from-pgn "$work/games.pgn" -o "$work/games.kvb" || fail "making a book of the games"
listing=$("$tool" show "$work/games.kvb" "$AfterE4") || fail "showing the book"
echo "$listing" | sed -n '3,8p'
for move in c7c5 e7e5; do
    echo "$listing" | grep -q "^$move " || fail "no $move after 1.e4 in the book of $games games"
done
echo "ok   the book of $games engine games holds c7c5 and e7e5 after 1.e4"
