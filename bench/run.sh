#!/usr/bin/env bash
# Builds what the benchmarks need and runs them all, then prints the summary table.
#
#   bench/run.sh            full counts (about 15 minutes)
#   bench/run.sh --quick    small counts (a few minutes), to check that everything runs
#
# Every window measurement runs the program's window as a user has it: shown on an X display
# (a private Xvfb of 1280x800 at its default depth, started and ended here), painting and
# flushing to the display. The full log goes to build/bench-results/<time>.log as well; the
# table is Markdown, ready for BENCHMARKS.md.
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
  latency=(--clicks 20 --runs 1)
  timed=(--ticks 100 --seconds 6 --runs 1)
  poll=(--seconds 4 --runs 1)
  soak=(--ticks 300)
  startup=(--runs 3)
  firstbyte=(--samples 10 --runs 1)
else
  wire=(--exchanges 10000 --runs 3)
  latency=(--clicks 100 --runs 3)
  timed=(--ticks 600 --seconds 30 --runs 3)
  poll=(--seconds 15 --runs 3)
  soak=(--ticks 2000)
  startup=(--runs 10)
  firstbyte=(--samples 30 --runs 3)
fi

# A display number nobody uses, for this script's own Xvfb.
display=""
for n in $(seq 90 120); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "no free X display number" >&2; exit 1; }
# Xvfb wants the depth in the screen size; 24 is its default and what a desktop has.
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
kill -0 $xvfb 2>/dev/null || { echo "Xvfb did not start on $display" >&2; exit 1; }
export DISPLAY=$display QT_QPA_PLATFORM=xcb

{
  echo "# inverter-bench $(date -Iseconds)$suffix"
  echo "# $(nproc) cores: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
  echo "# load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
  echo "# Qt $(dpkg-query -W -f='${Version}' libqt6core6 2>/dev/null || echo '?'), $(uname -sr), Xvfb $display 1280x800x24"
} | tee "$log"

run() {
  echo "## $*" | tee -a "$log"
  "$@" 2>&1 | grep -v '^QStandardPaths' | tee -a "$log"
}

run "$bench" wire "${wire[@]}"
# Exchange time against the protocol's floor, which counts the drive's turnaround and the
# reply's wire time; at 4800 baud ASCII the reply outlasts the 50 ms capture.
run "$bench" latency --format ascii --baud 9600 "${latency[@]}"
run "$bench" latency --format ascii --baud 4800 --turnaround 30 "${latency[@]}"
run "$bench" latency --format rtu --baud 38400 --turnaround 30 "${latency[@]}"
# An 80-byte reply at 4800 baud keeps the capture running for 170 ms beyond its 50.
run "$bench" latency --format rtu --baud 4800 --inject oversize "${latency[@]}"
# Timed mode at 50 ms, window shown; then with the history window open and following.
run "$bench" timed --format ascii --baud 9600 --interval 50 "${timed[@]}"
run "$bench" timed --format ascii --baud 9600 --interval 50 --history "${timed[@]}"
# Polling at the line's limit: one reading and all eight, two rates, both framings; a slow drive.
run "$bench" poll --format rtu --baud 9600 --readings 1 "${poll[@]}"
run "$bench" poll --format ascii --baud 9600 --readings 8 "${poll[@]}"
run "$bench" poll --format rtu --baud 38400 --readings 1 "${poll[@]}"
run "$bench" poll --format ascii --baud 38400 --readings 8 "${poll[@]}"
run "$bench" poll --format rtu --baud 38400 --readings 8 --chart "${poll[@]}"
run "$bench" poll --format rtu --baud 9600 --readings 1 --turnaround 120 --reply-timeout 200 "${poll[@]}"
# Polling through a serial device server: the simulated drive's own TCP side, and Debian's
# ser2net in front of its pseudo-terminal, raw and with RFC 2217.
run "$bench" poll --format rtu --baud 38400 --readings 1 --chart --via tcp "${poll[@]}"
run "$bench" poll --format rtu --baud 38400 --readings 1 --chart --via ser2net "${poll[@]}"
run "$bench" poll --format rtu --baud 38400 --readings 1 --chart --via rfc2217 "${poll[@]}"
# The first-byte delay of a press, of timed mode and of a poll against the same drive: the three
# count from the moment the request has left the port, so they agree.
for baud in 4800 9600; do
  for turnaround in 5 40; do
    run "$bench" firstbyte --format ascii --baud $baud --turnaround $turnaround "${firstbyte[@]}"
  done
done
# The drive finder: a drive at address 1 from any wrong setting, one at address 200, and the
# full walk of 24 settings x 247 addresses (about five minutes) with its CPU share.
run "$bench" scan --case wrong-setting
run "$bench" scan --case address-200 --runs $([ $quick = 1 ] && echo 1 || echo 3)
[ $quick = 1 ] || run "$bench" scan --case full-walk
# The parameter jobs: 251 parameters read, 50 restored with read-back, RTU and ASCII.
run "$bench" parameters --runs $([ $quick = 1 ] && echo 1 || echo 3)
# Several drives on one line: 4 drives x 2 readings polled, one of four silent, and a backup of
# 12 drives x 251 parameters.
run "$bench" poll --format rtu --baud 38400 --readings 2 --drives 4 "${poll[@]}"
run "$bench" poll --format rtu --baud 38400 --readings 2 --drives 4 --silent "${poll[@]}"
run "$bench" backup-drives --runs $([ $quick = 1 ] && echo 1 || echo 3)
# Listening to a saturated bus, RTU 38400 and ASCII 9600 (the issue's ten minutes each:
# inverter-bench listen --seconds 600).
for framing in rtu ascii; do
  run "$bench" listen --framing $framing --seconds $([ $quick = 1 ] && echo 20 || echo 120)
done
run "$bench" stores
run "$bench" idle --seconds 10
run "$bench" soak "${soak[@]}"
run "$bench" startup "${startup[@]}"
run "$bench" startup --demo "${startup[@]}"

echo "# load average at end: $(cut -d' ' -f1-3 /proc/loadavg)" | tee -a "$log"
{
  echo
  echo "| measurement | target | median of runs | spread | verdict |"
  echo "| --- | --- | --- | --- | --- |"
  grep '^ROW|' "$log" | awk -F'|' '{ printf "| %s | %s | %s | %s | %s |\n", $2, $3, $4, $5, $6 }'
} | tee -a "$log.table"
echo
echo "log: $log   table: $log.table"
