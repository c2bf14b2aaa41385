#!/usr/bin/env bash
# Builds everything and runs the whole test suite twice: in the normal build, and under
# AddressSanitizer + UndefinedBehaviorSanitizer (without the minutes-long soak). Then each
# fuzzer runs for a bounded time when tools/fuzz.sh is present.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup-debian.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DINVERTER_SANITIZE=ON >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs" -LE package

# Every function that takes text or bytes from outside, fed random input for a bounded time.
tools/fuzz.sh "${FUZZ_SECONDS:-20}"
