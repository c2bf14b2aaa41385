#!/usr/bin/env bash
# Benchmarks of the Windows program under Wine (after tools/windows/build.sh), beside the Linux
# build's: polling one reading of the simulated drive on a paced pseudo-terminal at RTU 9600
# (the rate against the line's limit, and the CPU share), and the start-up time to the window.
# Wine is not Windows: the figures say what Wine's serial emulation and the program reach
# together. Medians of RUNS runs (default 3) of SECONDS each (default 20).
set -euo pipefail
cd "$(dirname "$0")/../.."
runs=${RUNS:-3}
seconds=${SECONDS_PER_RUN:-20}
sim=build/tools/inverter-sim/inverter-sim
linux=build/src/modbus-debugger
windows=build-win/src/modbus-debugger.exe
source tools/windows/wine-session.sh


# The drive at RTU 9600 answering after 5 ms: a poll is a 6-byte request, the turnaround, an
# 8-byte answer and the 3.5-character gap.
"$sim" --baud 9600 --format n81 --turnaround 5 >"$work/pty" 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/pty" ] && break; sleep 0.1; done
pty=$(head -1 "$work/pty")
"$wine" reg add 'HKLM\Software\Wine\Ports' /v COM1 /d "$pty" /f >/dev/null
"$wine" --server-kill
limit=$(awk 'BEGIN { c = 10000 / 9600; printf "%.2f", 1000 / (14 * c + 5 + 3.5 * c) }')

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# cpu_seconds PID: user and system time of the process so far.
cpu_seconds() { awk -v hz="$(getconf CLK_TCK)" '{ print ($14 + $15) / hz }' "/proc/$1/stat"; }

# poll NAME COMMAND...: the good samples a second over the run, and the CPU share.
poll() {
  local name=$1; shift
  local rates=() cpus=()
  for run in $(seq "$runs"); do
    rm -f "$work/samples.csv"
    "$@" --port "COM1=$device" --baud 9600 --format rtu-8n1 --language en --monitor output-frequency \
      --monitor-csv "$work/samples.csv" >/dev/null 2>&1 &
    local launcher=$!
    sleep 5  # started, polling
    local pid
    pid=$(pgrep -n -f "modbus-debugger" || true)
    local before_cpu before_good
    before_cpu=$(cpu_seconds "$pid")
    before_good=$(grep -c ',good' "$work/samples.csv" || true)
    sleep "$seconds"
    local after_good
    after_good=$(grep -c ',good' "$work/samples.csv" || true)
    local after_cpu
    after_cpu=$(cpu_seconds "$pid")
    kill "$pid" "$launcher" 2>/dev/null || true
    wait "$launcher" 2>/dev/null || true
    rates+=("$(awk -v a="$before_good" -v b="$after_good" -v s="$seconds" \
      'BEGIN { printf "%.2f", (b - a) / s }')")
    cpus+=("$(awk -v a="$before_cpu" -v b="$after_cpu" -v s="$seconds" \
      'BEGIN { printf "%.2f", 100 * (b - a) / s }')")
    "$wine" --server-kill
  done
  local rate cpu
  rate=$(printf '%s\n' "${rates[@]}" | median)
  cpu=$(printf '%s\n' "${cpus[@]}" | median)
  echo "ROW|poll rate / line limit, RTU 9600, one reading ($name)|≥ 0.9|$(awk -v r="$rate" \
    -v l="$limit" 'BEGIN { printf "%.3f", r / l }') ($rate/s of $limit/s; runs: ${rates[*]})"
  echo "ROW|CPU while polling one reading, chart shown ($name)|–|$cpu % (runs: ${cpus[*]})"
}

device=$pty
poll "Linux build" "$linux"
device=COM1
poll "Windows build under Wine" "$wine" "$windows"

# Start-up: from the launch to the main window on the display.
times=()
for run in $(seq "$runs"); do
  start=$(date +%s.%N)
  "$wine" "$windows" --demo >/dev/null 2>&1 &
  launcher=$!
  for _ in $(seq 400); do xwininfo -root -tree | grep -q 'MODBUS' && break; sleep 0.05; done
  times+=("$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.2f", b - a }')")
  pkill -f "modbus-debugger.exe" || true
  wait "$launcher" 2>/dev/null || true
  "$wine" --server-kill
done
echo "ROW|start-up to the window, Windows build under Wine (--demo)|–|$(printf '%s\n' \
  "${times[@]}" | median) s (runs: ${times[*]})"
