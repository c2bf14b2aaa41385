#!/usr/bin/env bash
# Builds the program and starts it; extra arguments go to the program (default: --demo).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup-debian.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DINVERTER_BUILD_TESTS=OFF >/dev/null
cmake --build build --target modbus-debugger
[ $# -eq 0 ] && set -- --demo
exec build/src/modbus-debugger "$@"
