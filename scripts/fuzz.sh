#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, in build-fuzz/) and runs each for SECONDS
# (default 60), niced. Fails on any crash, leak, timeout or broken promise;
# the input that found it is kept in build-fuzz/findings/.
#   fuzz.sh [SECONDS] [TARGET...]     targets: catalogue archive names ...
set -uo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
shift $(( $# > 0 ? 1 : 0 ))
"$top/scripts/install-deps.sh" fuzz || exit 1

build="$top/build-fuzz"
mkdir -p "$build/findings"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
echo "== build-fuzz: configure and build"
if ! CC=clang-14 CXX=clang++-14 cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DVELDANE_FUZZ=ON -DVELDANE_BUILD_TESTS=OFF -DVELDANE_BUILD_BENCH=OFF "${launcher[@]}" \
        >"$build/configure.log" 2>&1; then
    cat "$build/configure.log"; exit 1
fi
cmake --build "$build" -j"$(nproc)" --target veldane_fuzzers || exit 1

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for source in "$top"/tests/fuzz/fuzz_*.cpp; do
        name="$(basename "$source" .cpp)"
        targets+=("${name#fuzz_}")
    done
fi

# The targets write a few files for every input: memory is kinder than a disk
# that others use. Their folders go with this one when the script ends.
scratch_base="${TMPDIR:-/tmp}"
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
    scratch_base=/dev/shm
fi
scratch="$(mktemp -d "$scratch_base/veldane-fuzz.XXXXXX")" || exit 1
trap 'rm -rf "$scratch"' EXIT
export TMPDIR="$scratch"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export LSAN_OPTIONS="suppressions=$top/tests/fuzz/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

status=0
for name in "${targets[@]}"; do
    corpus="$build/corpus/$name"
    mkdir -p "$corpus"
    options=(-max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1
             -artifact_prefix="$build/findings/$name-")
    [ -f "$top/tests/fuzz/$name.dict" ] && options+=(-dict="$top/tests/fuzz/$name.dict")
    log="$build/fuzz-$name.log"
    echo "== fuzz $name: ${seconds}s"
    # New inputs go to the first folder only; the seeds and the inputs of
    # faults found before, in the repository, stay as they are.
    seeds=("$top/tests/fuzz/corpus/$name")
    [ -d "$top/tests/fuzz/regressions/$name" ] && seeds+=("$top/tests/fuzz/regressions/$name")
    nice -n 10 "$build/tests/fuzz/fuzz_$name" "${options[@]}" "$corpus" "${seeds[@]}" >"$log" 2>&1
    result=$?
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
    if [ $result -ne 0 ]; then
        tail -n 60 "$log"
        echo "FAILED: $name (exit $result after ${runs:-?} runs; input in $build/findings/)"
        status=1
    else
        echo "   $name: ${runs:-?} runs, corpus $(find "$corpus" -type f | wc -l) inputs"
    fi
done

if [ $status -eq 0 ]; then echo "All fuzz targets passed."; else echo "Some fuzz targets FAILED."; fi
exit $status
