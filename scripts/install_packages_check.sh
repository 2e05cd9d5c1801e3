#!/usr/bin/env bash
# Checks scripts/install_packages.sh as a user who cannot become root
# (nobody, when run as root): with every package present it succeeds and
# says so; with one missing it names it and the apt-get line and fails,
# installing nothing. Skipped (code 77) without dpkg-query.
#
#   scripts/install_packages_check.sh
set -u

script="$(dirname "$0")/install_packages.sh"
if ! command -v dpkg-query >/dev/null 2>&1; then
    echo "skipped: dpkg-query not found"
    exit 77
fi
# dpkg and coreutils are essential on every Debian system.
present="dpkg coreutils"
absent="korvalent-no-such-package"

# The script is fed on standard input, so that nobody need not be able to
# read the checkout; no terminal, so sudo cannot ask for a password.
as_user() {
    if [ "$(id -u)" -eq 0 ]; then
        setpriv --reuid=nobody --regid=nogroup --clear-groups sh -s -- "$@" <"$script"
    else
        sh -s -- "$@" <"$script"
    fi
}

failures=0
check() {
    local name=$1 want_code=$2 want_text=$3 packages=$4
    shift 4
    local output code
    output=$(KORVALENT_PACKAGES="$packages" as_user "$@" 2>&1)
    code=$?
    if [ "$code" -ne "$want_code" ] || [[ "$output" != *"$want_text"* ]]; then
        echo "FAIL $name: exit $code (want $want_code), output:"
        echo "$output"
        failures=$((failures + 1))
    else
        echo "ok   $name"
    fi
}

check "all present" 0 "All packages needed are installed: $present" "$present"
check "all present, --check" 0 "All packages needed are installed" "$present" --check
check "one missing, --check" 1 "apt-get install -y --no-install-recommends $absent" \
    "$present $absent" --check
# As a user who is not root, where sudo cannot act without a password.
if [ "$(id -u)" -eq 0 ]; then
    check "one missing, no root" 1 "Missing packages: $absent" "$present $absent"
fi
exit $((failures > 0))
