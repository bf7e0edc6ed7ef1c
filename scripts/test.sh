#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite twice:
# a normal build, and a build with AddressSanitizer and UndefinedBehaviorSanitizer.
# Exits non-zero when anything fails.
set -uo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/install-deps.sh" test || exit 1
jobs="$(nproc)"
status=0

run_suite() { # build folder, then extra CMake options
    local build="$1"; shift
    echo "== $(basename "$build"): configure and build"
    if ! cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Debug "$@" >"$build/configure.log" 2>&1; then
        cat "$build/configure.log"; return 1
    fi
    cmake --build "$build" -j"$jobs" || return 1
    echo "== $(basename "$build"): tests"
    (cd "$build" && ctest --output-on-failure -j"$jobs")
}

mkdir -p "$top/build-test" "$top/build-asan"
run_suite "$top/build-test" || status=1
run_suite "$top/build-asan" -DVELDANE_SANITIZE=ON -DVELDANE_BUILD_BENCH=OFF || status=1

for check in "$top"/scripts/check-*.sh; do
    [ -e "$check" ] || continue
    echo "== $(basename "$check")"
    bash "$check" "$top/build-test" || status=1
done

if [ $status -eq 0 ]; then echo "All test runs passed."; else echo "Some test runs FAILED."; fi
exit $status
