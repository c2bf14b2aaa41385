#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang and runs each for a bounded time.
#
#   tools/fuzz.sh [SECONDS [TARGET...]]
#
# SECONDS is the fuzzing time of each target (default 20; tools/fuzz.sh 600 for a longer hunt).
# TARGETs (e.g. fuzz_picture) narrow the run; by default every fuzz/fuzz_*.cpp runs. Targets run
# side by side, one per core (FUZZ_JOBS overrides). Each starts from its seeds in fuzz/corpus/
# plus what earlier runs found (build-fuzz/fuzz-corpus/, never the repository's seeds). An input
# that crashes, hangs or leaks is written to fuzz/crashes/ and the script exits non-zero.
# fuzz/TARGET.options holds a target's own libFuzzer flags, one a line (# starts a comment).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
shift || true
jobs=${FUZZ_JOBS:-$(nproc)}
build=build-fuzz

tools/setup-debian.sh clang
# libFuzzer ships in the compiler-rt package of the installed clang's version.
tools/setup-debian.sh "libclang-rt-$(clang++ -dumpversion | cut -d. -f1)-dev"

cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DINVERTER_FUZZ=ON -DINVERTER_BUILD_TESTS=OFF >/dev/null
# Only the fuzz targets and the sources they reach; the program, tests and tools are not built.
cmake --build "$build" --target fuzzers -j "$jobs"

if [ $# -gt 0 ]; then
    targets=("$@")
else
    targets=()
    for source in fuzz/fuzz_*.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi

mkdir -p fuzz/crashes "$build/fuzz-logs"
# UB stops the run (the code is built so); the stack shows where it happened.
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
# A smaller quarantine of freed memory than ASan's 256 MB keeps a target near 350 MB instead of
# 1 GB, so two side by side fit a small CI machine; a use soon after a free is still caught.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=64}

run_target() {
    local name=$1
    local found="$build/fuzz-corpus/$name"
    mkdir -p "$found"
    local options=()
    if [ -f "fuzz/$name.options" ]; then
        mapfile -t options < <(sed -e 's/#.*//' -e '/^ *$/d' "fuzz/$name.options")
    fi
    local rc=0
    "$build/fuzz/$name" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="fuzz/crashes/$name-" ${options[@]+"${options[@]}"} \
        "$found" "fuzz/corpus/$name" \
        >"$build/fuzz-logs/$name.log" 2>&1 || rc=$?
    echo "$rc" >"$build/fuzz-logs/$name.rc"
}

start=$SECONDS
for name in "${targets[@]}"; do
    [ -x "$build/fuzz/$name" ] || { echo "fuzz.sh: no target $name" >&2; exit 2; }
    rm -f "$build/fuzz-logs/$name.rc"
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
    echo "fuzzing $name for ${seconds}s"
    run_target "$name" &
done
wait

failed=0
for name in "${targets[@]}"; do
    log="$build/fuzz-logs/$name.log"
    rc=$(cat "$build/fuzz-logs/$name.rc" 2>/dev/null || echo 1)
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 || true)
    if [ "$rc" -eq 0 ]; then
        echo "ok      $name: ${runs:-?} inputs, $cov"
    else
        failed=1
        echo "FAILED  $name (exit $rc); the end of $log:"
        tail -n 60 "$log"
    fi
done
echo "fuzzing took $((SECONDS - start))s"
if [ "$failed" -ne 0 ]; then
    echo "crashing inputs are in fuzz/crashes/; rerun one with: $build/fuzz/TARGET FILE" >&2
    exit 1
fi
