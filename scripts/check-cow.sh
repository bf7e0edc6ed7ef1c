#!/usr/bin/env bash
# Runs the kill tests and the tests of the copier and of changed files with
# every temporary folder (game, kept copies, backups) on file systems that
# clone copies: an XFS with reflink and a Btrfs, each on a loop device.
# Skips, saying why, where no loop device can be made (not root, no losetup,
# no mkfs, a container without loop devices).
# Usage: scripts/check-cow.sh <build folder>
set -uo pipefail
build="${1:?build folder}"
tests='^(tst_crashsafety|tst_filecopier|tst_changedfiles)$'

skip() { echo "check-cow: skipped: $*"; exit 0; }
[ "$(id -u)" = 0 ] || skip "loop devices need root"
command -v losetup >/dev/null || skip "no losetup"

work="$(mktemp -d)"
mounts=()
cleanup() {
    for dir in "${mounts[@]}"; do
        device="$(findmnt -n -o SOURCE "$dir")"
        umount "$dir" && losetup -d "$device"
    done
    rm -rf "$work"
}
trap cleanup EXIT

status=0
for kind in xfs btrfs; do
    case $kind in
    xfs) make=(mkfs.xfs -q -m reflink=1) ;;
    btrfs) make=(mkfs.btrfs -q) ;;
    esac
    command -v "${make[0]}" >/dev/null || { echo "check-cow: $kind skipped: no ${make[0]}"; continue; }
    image="$work/$kind.img"
    truncate -s 1G "$image" && "${make[@]}" "$image" >/dev/null || { status=1; continue; }
    device="$(losetup -f --show "$image" 2>/dev/null)" ||
        { echo "check-cow: $kind skipped: no loop device"; continue; }
    mkdir -p "$work/$kind"
    if ! mount "$device" "$work/$kind"; then
        losetup -d "$device"
        echo "check-cow: $kind skipped: cannot mount"
        continue
    fi
    mounts+=("$work/$kind")
    echo "== tests on $kind"
    (cd "$build" && TMPDIR="$work/$kind" QT_QPA_PLATFORM=offscreen \
        ctest -R "$tests" --output-on-failure) || status=1
done
exit $status
