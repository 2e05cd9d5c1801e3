#!/usr/bin/env sh
# Installs the Debian packages the build needs, and with --tests also those
# the tests need (the GUI games under a virtual X server, python for the
# self-play and session drivers, Gaviota's three-man tablebases and their
# probing library, qemu-i386 for korvalent32 on a kernel that cannot run
# 32-bit programs, GNU Chess's Polyglot book and pgn-extract's ECO lines for
# the book maker). Works as root and, through sudo, as a user.
#
#   scripts/install_packages.sh [--tests]
set -eu

packages="cmake make g++ g++-multilib clang libgtest-dev"
if [ "${1:-}" = "--tests" ]; then
    packages="$packages python3 xboard xvfb polyglot fairymax libclang-rt-14-dev"
    packages="$packages gaviotatb libgaviotatb-dev zlib1g-dev qemu-user"
    packages="$packages gnuchess-book pgn-extract"
fi

as_root=""
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
        echo "Installing packages needs root: run this as root or install sudo" >&2
        exit 1
    fi
    as_root="sudo"
fi

export DEBIAN_FRONTEND=noninteractive
$as_root apt-get update
# shellcheck disable=SC2086  # the package list is meant to split into words
$as_root apt-get install -y --no-install-recommends $packages </dev/null
