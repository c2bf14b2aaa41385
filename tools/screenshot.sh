#!/usr/bin/env bash
# Retakes the pictures in docs/ under Xvfb:
#   screenshot.png   the window in demo mode after a few quick commands
#   check-error.png  a reading whose reply has a spoiled CRC: the check bytes red in the grid
#   history.png      the exchange history after those commands
#   exception.png    a reading refused with a standard exception reply, its tooltip shown
#   trend.png        live monitoring of two readings while the drive ramps up
#   scan.png         查找变频器 after finding the two drives of a strict line at 19200 8,O,1
#   parameters.png   参数管理 comparing a drive with a set saved from another
#   listen.png       总线监听 hearing the simulator's own master poll two drives
#   several-drives.png  the trend polling three drives on one line as they ramp up
#   trip.png         触发: a drive tripping while the trend polls it, the moment marked
# and history-en.png and trend-en.png, the same two windows with --language en (the main
# window's captions are the same in both languages).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup-debian.sh xvfb xauth xdotool imagemagick
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target modbus-debugger inverter-sim
app=build/src/modbus-debugger

display=:97
Xvfb $display -screen 0 1280x800x24 >/dev/null 2>&1 &
pids=($!)
trap 'kill "${pids[@]}" 2>/dev/null || true' EXIT
export DISPLAY=$display
sleep 1
click() { xdotool mousemove "$1" "$2" click 1; sleep 0.4; }
# The window the program shows under `title`, once it is mapped.
window() { xdotool search --sync --onlyvisible --name "$1" | head -1; }
shoot() { import -window "$(window "$1")" "docs/$2"; echo "wrote docs/$2"; }
stop() { kill "${pids[-1]}"; wait "${pids[-1]}" 2>/dev/null || true; unset 'pids[-1]'; sleep 0.5; }
main="MODBUS 调试程序"

# The demo drive: set 50 Hz, start, every reading, then parameter 3; in Chinese the main window
# and the history, in English the history.
commands() {
  $app --demo --language "$1" >/dev/null 2>&1 &
  pids+=($!)
  xdotool windowmove --sync "$(window "$main")" 0 0
  sleep 1
  click 820 52; xdotool type 50   # frequency box
  click 696 52                    # set frequency
  click 696 132                   # start
  sleep 3
  for y in 188 212 236 260 284 308 332 356 380; do click 696 "$y"; done
  click 780 76; xdotool type 3    # parameter number
  click 690 76                    # read parameter
  sleep 0.5
}
commands zh
shoot "$main" screenshot.png
xdotool key ctrl+h
sleep 1.5
shoot "通讯记录" history.png
stop
commands en
xdotool key ctrl+h
sleep 1.5
shoot "Exchange history" history-en.png
stop

# A drive whose every reply carries a spoiled check.
sim_out=$(mktemp)
build/tools/inverter-sim/inverter-sim --inject bad-check >"$sim_out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do grep -q /dev/ "$sim_out" && break; sleep 0.1; done
pty=$(grep -o '/dev/[^ ]*' "$sim_out" | head -1)
$app --port "COM1=$pty" >/dev/null 2>&1 &
pids+=($!)
xdotool windowmove --sync "$(window "$main")" 0 0
sleep 1
click 696 212                   # output frequency
sleep 0.5
xdotool mousemove 300 300       # no hover tooltip in the picture
shoot "$main" check-error.png
stop
stop
rm -f "$sim_out"

# A drive that refuses every request with a standard exception reply.
sim_out=$(mktemp)
build/tools/inverter-sim/inverter-sim --inject exception >"$sim_out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do grep -q /dev/ "$sim_out" && break; sleep 0.1; done
pty=$(grep -o '/dev/[^ ]*' "$sim_out" | head -1)
$app --port "COM1=$pty" >/dev/null 2>&1 &
pids+=($!)
xdotool windowmove --sync "$(window "$main")" 0 0
sleep 1
click 696 212                   # output frequency
sleep 0.5
xdotool mousemove 330 443       # over the log's RXD line: its tooltip names the exception
sleep 1.5
import -window root -crop 1280x500+0+0 docs/exception.png
echo "wrote docs/exception.png"
stop
stop
rm -f "$sim_out"

# Monitoring while the drive ramps to 50 Hz, in either language.
monitoring() {
  $app --demo --language "$1" --monitor output-frequency,output-current >/dev/null 2>&1 &
  pids+=($!)
  xdotool windowmove --sync "$(window "$main")" 0 0
  xdotool windowmove --sync "$(window "$2")" 300 180
  xdotool windowraise "$(window "$main")"
  sleep 1
  click 820 52; xdotool type 50
  click 696 52
  click 696 132
  sleep 8
  xdotool windowraise "$(window "$2")"
  xdotool mousemove 1270 790
  sleep 1
  shoot "$2" "$3"
  stop
}
monitoring zh "趋势监视" trend.png
monitoring en "Trend monitor" trend-en.png

# Two strict drives at 19200 baud, 8,O,1: the drive finder walks 9600 and 19200 baud, every
# format, addresses 1 to 20, and finds both.
sim_out=$(mktemp)
build/tools/inverter-sim/inverter-sim --drives 3,17 --baud 19200 --format o81 --strict-line \
  >"$sim_out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do grep -q /dev/ "$sim_out" && break; sleep 0.1; done
pty=$(grep -o '/dev/[^ ]*' "$sim_out" | head -1)
$app --port "COM1=$pty" >/dev/null 2>&1 &
pids+=($!)
xdotool windowmove --sync "$(window "$main")" 0 0
sleep 1
click 696 212                   # output frequency: 无回应, and the window has the keyboard
xdotool key ctrl+f
scan=$(window "查找变频器")
xdotool windowmove --sync "$scan" 200 150
xdotool windowfocus --sync "$scan"
sleep 0.5
# Focus starts on 4800: untick it and 38400, then the last address, find all, start.
xdotool key space Tab Tab Tab space Tab Tab Tab Tab Tab Tab Tab
xdotool key Tab ctrl+a; xdotool type 20
xdotool key Tab Tab Right Tab space
sleep 14
xdotool mousemove 1270 790
shoot "查找变频器" scan.png
stop
stop
rm -f "$sim_out"

# 参数管理: a set saved from one drive, compared with a second drive whose parameters 12 and 20
# were changed.
work=$(mktemp -d)
sim_out=$(mktemp)
build/tools/inverter-sim/inverter-sim >"$sim_out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do grep -q /dev/ "$sim_out" && break; sleep 0.1; done
pty=$(grep -o '/dev/[^ ]*' "$sim_out" | head -1)
$app --backup "$work/set.csv" --port "COM1=$pty" --format rtu-8n1 --baud 9600 >/dev/null
stop
sed -e 's/^12,.*/12,1234,/' -e 's/^20,.*/20,3,/' "$work/set.csv" >"$work/changed.csv"
build/tools/inverter-sim/inverter-sim --parameters "$work/changed.csv" >"$sim_out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do grep -q /dev/ "$sim_out" && break; sleep 0.1; done
pty=$(grep -o '/dev/[^ ,]*' "$sim_out" | head -1)
$app --port "COM1=$pty" --format rtu-8n1 >/dev/null 2>&1 &
pids+=($!)
xdotool windowmove --sync "$(window "$main")" 0 0
sleep 1
click 696 212                   # a reading: the window has the keyboard
xdotool key ctrl+p
manager=$(window "参数管理")
xdotool windowmove --sync "$manager" 200 120
xdotool windowfocus --sync "$manager"
sleep 0.5
# Focus starts on the first parameter: 打开… is three tabs on; then the file's path; then 比较.
xdotool key Tab Tab Tab space
sleep 1
xdotool type "$work/set.csv"
xdotool key Return
sleep 1
xdotool key Tab Tab Tab space
sleep 8
xdotool mousemove 1270 790
shoot "参数管理" parameters.png
stop
stop
rm -rf "$work" "$sim_out"

# 总线监听: the program listens on the simulated drive's tap while the simulator's own master
# polls drives 1 and 2.
sim_out=$(mktemp)
build/tools/inverter-sim/inverter-sim --drives 1,2 --master 80 --tap >"$sim_out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ "$(grep -c /dev/ "$sim_out")" -ge 2 ] && break; sleep 0.1; done
tap=$(grep -o '/dev/[^ ]*' "$sim_out" | sed -n 2p)
$app --port "COM1=$tap" --format rtu-8n1 --baud 9600 >/dev/null 2>&1 &
pids+=($!)
xdotool windowmove --sync "$(window "$main")" 0 0
sleep 1
click 696 212                   # a reading: the window has the keyboard
xdotool key ctrl+l
bus=$(window "总线监听")
xdotool windowmove --sync "$bus" 200 100
xdotool windowfocus --sync "$bus"
sleep 0.5
xdotool key space               # 开始监听, where the focus starts
sleep 6
xdotool mousemove 1270 790
shoot "总线监听" listen.png
stop
stop
rm -f "$sim_out"

# Three drives on one line ramping to 50, 30 and 40 Hz: the trend polls each one's output
# frequency, and drive 1's current.
sim_out=$(mktemp)
build/tools/inverter-sim/inverter-sim --drives 1,2,3 --running 1=50 --running 2=30 \
  --running 3=40 >"$sim_out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do grep -q /dev/ "$sim_out" && break; sleep 0.1; done
pty=$(grep -o '/dev/[^ ]*' "$sim_out" | head -1)
$app --port "COM1=$pty" --format rtu-8n1 --baud 9600 \
  --monitor output-frequency,output-current,2:output-frequency,3:output-frequency \
  >/dev/null 2>&1 &
pids+=($!)
xdotool windowmove --sync "$(window "$main")" 0 0
xdotool windowmove --sync "$(window "趋势监视")" 200 100
xdotool windowraise "$(window "趋势监视")"
sleep 7
xdotool mousemove 1270 790
shoot "趋势监视" several-drives.png
stop
stop
rm -f "$sim_out"

# A drive that trips after 20 s while the trend polls it with the fault-code trigger armed: the
# moment marked on the chart, the event in 触发's list.
sim_out=$(mktemp)
snapshots=$(mktemp -d)
build/tools/inverter-sim/inverter-sim --running 50 --trip-at 20 >"$sim_out" 2>&1 &
pids+=($!)
for _ in $(seq 50); do grep -q /dev/ "$sim_out" && break; sleep 0.1; done
pty=$(grep -o '/dev/[^ ]*' "$sim_out" | head -1)
$app --port "COM1=$pty" --format rtu-8n1 --baud 9600 \
  --monitor output-current,output-frequency,fault-code --snapshots "$snapshots" \
  --before 30 --after 10 >/dev/null 2>&1 &
pids+=($!)
xdotool windowmove --sync "$(window "$main")" 0 0
xdotool windowmove --sync "$(window "趋势监视")" 150 20
xdotool windowraise "$(window "趋势监视")"
sleep 34
xdotool mousemove 1270 790
shoot "趋势监视" trip.png
stop
stop
rm -rf "$sim_out" "$snapshots"
