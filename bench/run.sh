#!/usr/bin/env bash
# Builds what the benchmarks need and runs them all, then prints the summary table.
#
#   bench/run.sh            full counts (about 8 minutes)
#   bench/run.sh --quick    small counts (under a minute), to check that everything runs
#
# The full log goes to build/bench-results/<time>.log as well; the table is Markdown, ready for
# BENCHMARKS.md. The window measurements run on the offscreen platform, the start-up one on a
# private Xvfb display that this script starts and ends.
set -euo pipefail
cd "$(dirname "$0")/.."

quick=0
[ "${1:-}" = "--quick" ] && quick=1

tools/setup-debian.sh xvfb libx11-dev
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target modbus-debugger inverter-sim inverter-bench

bench=build/bench/inverter-bench
mkdir -p build/bench-results
suffix=""
[ $quick = 1 ] && suffix="-quick"
log="build/bench-results/$(date +%Y%m%d-%H%M%S)$suffix.log"

if [ $quick = 1 ]; then
  wire=(--exchanges 1000 --runs 1)
  latency=(--clicks 20 --runs 2)
  latency_rtu=(--clicks 20 --runs 1)
  timed=(--ticks 100 --seconds 6 --runs 1)
  startup=(--runs 3)
else
  wire=(--exchanges 10000 --runs 3)
  latency=(--clicks 100 --runs 5)
  latency_rtu=(--clicks 100 --runs 3)
  timed=(--ticks 1000 --seconds 60 --runs 3)
  startup=(--runs 10)
fi

# A display number nobody uses, for this script's own Xvfb.
display=""
for n in $(seq 90 120); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
xvfb=""
cleanup() { [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true; }
trap cleanup EXIT

{
  echo "# inverter-bench $(date -Iseconds)$suffix"
  echo "# $(nproc) cores: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
  echo "# load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
  echo "# Qt $(dpkg-query -W -f='${Version}' libqt6core6 2>/dev/null || echo '?'), $(uname -sr)"
} | tee "$log"

run() {
  echo "## $*" | tee -a "$log"
  "$@" 2>&1 | grep -v '^QStandardPaths' | tee -a "$log"
}

run "$bench" wire "${wire[@]}"
run "$bench" latency --format ascii --baud 9600 "${latency[@]}"
run "$bench" latency --format rtu --baud 9600 "${latency_rtu[@]}"
# A line with wire timing: the floor counts the reply's wire time after a 30 ms turnaround.
run "$bench" latency --format ascii --baud 4800 --turnaround 30 "${latency_rtu[@]}"
run "$bench" latency --format rtu --baud 38400 --turnaround 30 "${latency_rtu[@]}"
# An 80-byte reply at 4800 baud keeps the capture running for 170 ms beyond its 50.
run "$bench" latency --format rtu --baud 4800 --inject oversize "${latency_rtu[@]}"
run "$bench" timed --format ascii --baud 9600 --interval 50 "${timed[@]}"

if [ -n "$display" ]; then
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
  DISPLAY=$display run "$bench" startup "${startup[@]}"
  DISPLAY=$display run "$bench" startup --demo "${startup[@]}"
else
  echo "no free X display number: start-up not measured" | tee -a "$log"
fi

echo "# load average at end: $(cut -d' ' -f1-3 /proc/loadavg)" | tee -a "$log"
{
  echo
  echo "| measurement | target | median of runs | spread | verdict |"
  echo "| --- | --- | --- | --- | --- |"
  grep '^ROW|' "$log" | awk -F'|' '{ printf "| %s | %s | %s | %s | %s |\n", $2, $3, $4, $5, $6 }'
} | tee -a "$log.table"
echo
echo "log: $log   table: $log.table"
