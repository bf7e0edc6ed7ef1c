#!/usr/bin/env bash
# Runs a test program as an unprivileged user when started as root: root
# writes through read-only permissions, so tests of read-only files prove
# nothing as root. Exits 77 (skipped) where no such user can run the program.
#
#   run-unprivileged.sh <test program> [test functions...]
set -u

if [ "$(id -u)" -ne 0 ]; then
    exec "$@"
fi
if ! command -v runuser >/dev/null || ! runuser -u nobody -- test -x "$1"; then
    echo "run-unprivileged: user nobody cannot run $1 here; skipped"
    exit 77
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
chmod 777 "$work"
cd "$work" || exit 1
runuser -u nobody -- env HOME="$work" TMPDIR="$work" "$@"
