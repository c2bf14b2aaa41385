#!/usr/bin/env bash
# Takes docs/screenshot.png: the program in demo mode under Xvfb after a few quick commands.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup-debian.sh xvfb xauth xdotool imagemagick
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target modbus-debugger
display=:97
Xvfb $display -screen 0 1024x600x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null' EXIT
sleep 1
DISPLAY=$display build/src/modbus-debugger --demo >/dev/null 2>&1 &
app=$!
trap 'kill $app $xvfb 2>/dev/null' EXIT
sleep 2
click() { DISPLAY=$display xdotool mousemove "$1" "$2" click 1; sleep 0.4; }
click 820 52; DISPLAY=$display xdotool type 50   # frequency box
click 696 52                                     # set frequency
click 696 132                                    # start
sleep 3
for y in 188 212 236 260 284 308 332 356 380; do click 696 "$y"; done
click 780 76; DISPLAY=$display xdotool type 3    # parameter number
click 690 76                                     # read parameter
sleep 0.5
DISPLAY=$display import -window root -crop 897x464+0+0 docs/screenshot.png
echo "wrote docs/screenshot.png"
