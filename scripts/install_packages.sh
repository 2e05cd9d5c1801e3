#!/usr/bin/env sh
# Installs the Debian packages that are missing for a build:
#   --engine  korvalent64 and the book maker, and GNU Chess's Polyglot book
#             to make the opening book from (the quick start)
#   (none)    the three executables and the unit tests
#   --tests   also what the tests need: the GUI games under a virtual X
#             server, python for the self-play and session drivers,
#             Gaviota's three-man tablebases and their probing library,
#             qemu-i386 for korvalent32 on a kernel that cannot run 32-bit
#             programs, GNU Chess's Polyglot book and pgn-extract's ECO
#             lines for the book maker
#   --check   only tells what is missing, installs nothing
# It asks dpkg-query first: with nothing missing it says so and succeeds
# without root. Missing packages are installed as root or through sudo;
# where neither is possible it names them and the command to run, and fails.
# KORVALENT_PACKAGES, when set, replaces the list (scripts/install_packages_check.sh
# uses it to name packages surely present or surely absent).
#
#   scripts/install_packages.sh [--engine | --tests] [--check]
set -eu

set_name=build
check_only=0
for argument in "$@"; do
    case $argument in
        --engine) set_name=engine ;;
        --tests) set_name=tests ;;
        --check) check_only=1 ;;
        *)
            echo "usage: scripts/install_packages.sh [--engine | --tests] [--check]" >&2
            exit 2
            ;;
    esac
done

case $set_name in
    engine) packages="cmake make g++ gnuchess-book" ;;
    build) packages="cmake make g++ g++-multilib clang libgtest-dev" ;;
    tests)
        packages="cmake make g++ g++-multilib clang libgtest-dev"
        packages="$packages python3 xboard xvfb polyglot fairymax libclang-rt-14-dev"
        packages="$packages gaviotatb libgaviotatb-dev zlib1g-dev qemu-user"
        packages="$packages gnuchess-book pgn-extract"
        ;;
esac
packages=${KORVALENT_PACKAGES:-$packages}

if ! command -v dpkg-query >/dev/null 2>&1; then
    echo "dpkg-query not found: this script is for Debian and its derivatives" >&2
    exit 1
fi

# A package counts as present when dpkg has it installed: the second letter
# of its status is "i" ("ii", or "hi" when held).
missing=""
for package in $packages; do
    status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$package" 2>/dev/null || true)
    case $status in
        ?i*) ;;
        *) missing="$missing $package" ;;
    esac
done
missing=${missing# }

if [ -z "$missing" ]; then
    echo "All packages needed are installed: $packages"
    exit 0
fi

install_line="apt-get update && apt-get install -y --no-install-recommends $missing"
tell_missing() {
    echo "Missing packages: $missing" >&2
    echo "$1; run as root:" >&2
    echo "  $install_line" >&2
    exit 1
}

if [ "$check_only" -eq 1 ]; then
    tell_missing "Not installed (--check)"
fi

# Root, or sudo without a password, or sudo that may ask for one at a
# terminal; anything else cannot install.
as_root=""
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
        tell_missing "Installing them needs root and sudo is not installed"
    fi
    if ! sudo -n true 2>/dev/null; then
        if [ ! -t 0 ] || ! sudo -v; then
            tell_missing "Installing them needs root and sudo did not give it"
        fi
    fi
    as_root="sudo"
fi

echo "Installing: $missing"
# The package lists first: on a fresh machine apt knows no package yet.
$as_root env DEBIAN_FRONTEND=noninteractive apt-get update
# shellcheck disable=SC2086  # the package list is meant to split into words
$as_root env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y --no-install-recommends $missing </dev/null
