#!/usr/bin/env bash
# The Windows build's tests under Wine (after tools/windows/build.sh): the widget-free test
# programs; the window against the simulated drive behind COM1 (Wine maps it to the drive's
# pseudo-terminal) and behind TCP; the program itself on the command line (--demo, COM1, tcp://,
# listening on COM2 to the simulator's own master, a port that is not there); the installer, the installed program's Chinese title, the
# uninstaller. --screenshots DIR also keeps pictures of the window under Wine.
set -euo pipefail
cd "$(dirname "$0")/../.."
shots=""
[ "${1:-}" = "--screenshots" ] && shots=$(realpath "$2")
version=$(sed -n 's/^project(InverterModbusDebugger VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
exe=build-win/src/modbus-debugger.exe
# The drive runs on the Linux side, as the Linux build's inverter-sim.
sim=build/tools/inverter-sim/inverter-sim
if [ ! -x "$sim" ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build --target inverter-sim >/dev/null
fi

source tools/windows/wine-session.sh
failures=0
check() {  # check DESCRIPTION COMMAND...: runs the command, counts a failure
  local what=$1; shift
  if "$@" >"$work/out.txt" 2>&1; then
    echo "PASS $what"
  else
    echo "FAIL $what"; sed 's/^/    /' "$work/out.txt" | tail -20; failures=$((failures + 1))
  fi
}


# The drive behind a pseudo-terminal, and two more behind a TCP port; each prints where.
"$sim" --baud 9600 --format n81 >"$work/pty" 2>/dev/null &
pids+=($!)
"$sim" --listen 0 --drives 1,2 >"$work/tcp" 2>/dev/null &
pids+=($!)
# A third, polled by the simulator's own master; its tap, behind COM2, carries that traffic.
"$sim" --master 60 --tap >"$work/bus" 2>/dev/null &
pids+=($!)
for f in pty tcp bus; do
  for _ in $(seq 50); do [ -s "$work/$f" ] && break; sleep 0.1; done
done
pty=$(head -1 "$work/pty"); tcp=$(head -1 "$work/tcp")
# Wine rewrites its dosdevices links at start; the registry is what maps COM1 to the device.
"$wine" reg add 'HKLM\Software\Wine\Ports' /v COM1 /d "$pty" /f >/dev/null
for _ in $(seq 50); do [ "$(wc -l <"$work/bus")" -ge 2 ] && break; sleep 0.1; done
"$wine" reg add 'HKLM\Software\Wine\Ports' /v COM2 /d "$(sed -n 2p "$work/bus")" /f >/dev/null
"$wine" --server-kill

echo "== the widget-free tests"
check "widget-free tests" ctest --test-dir build-win --output-on-failure -E tst_wine_window

echo "== the window: COM1 on $pty, and $tcp"
check "window reads and writes through COM1 and TCP" \
  env WINE_DRIVE_COM=COM1 WINE_DRIVE_TCP="$tcp" "$wine" build-win/tests/tst_wine_window.exe

check "the window at 150 % display scaling: drawn at that scale, no caption cut" \
  env WINEQT_SCALE_FACTOR=1.5 WINE_EXPECT_SCALE=1.5 "$wine" build-win/tests/tst_wine_window.exe \
  captionsFitTheirControls

echo "== the program on the command line"
check "--version" bash -c "'$wine' '$exe' --version | grep -q '$version'"
check "--demo answers (a backup of the simulated drive)" bash -c \
  "'$wine' '$exe' --demo --backup '$work/demo.csv' --parameters 0-9 --language en &&
   [ \$(grep -c '^[0-9]' '$work/demo.csv') = 10 ]"
check "a backup through COM1" bash -c \
  "'$wine' '$exe' --port COM1=COM1 --baud 9600 --format rtu-8n1 --backup '$work/through-com.csv' \
     --parameters 0-20 --language en"
check "a backup through tcp://" bash -c \
  "'$wine' '$exe' --port COM1=$tcp --baud 9600 --format rtu-8n1 --backup '$work/tcp.csv' \
     --parameters 0-20 --language en"
check "two drives backed up into a folder through tcp://, a file each" bash -c \
  "'$wine' '$exe' --port COM1=$tcp --baud 9600 --format rtu-8n1 --backup '$work/plant' \
     --addresses 1-2 --parameters 0-9 --language en &&
   grep -q '^address,2' '$work/plant/drive-002.csv' && [ -f '$work/plant/drive-001.csv' ]"
check "listening on COM2 hears another master's requests and replies, paired and good" bash -c \
  "'$wine' '$exe' --listen --port COM2=COM2 --baud 9600 --format rtu-8n1 --duration 3 --language en \
     > '$work/listen.csv' && [ \$(grep -c ',reply,8,.*,good,' '$work/listen.csv') -ge 20 ]"
# A drive that trips 8 s after it starts, behind a TCP port of its own: started here, so that
# the trip comes while the program polls it.
trip_capture() {
  "$sim" --listen 0 --running 50 --trip-at 8 >"$work/trip" 2>/dev/null &
  local drive=$!
  for _ in $(seq 50); do [ -s "$work/trip" ] && break; sleep 0.1; done
  timeout 120 "$wine" "$exe" --port "COM1=$(head -1 "$work/trip")" --baud 9600 --format rtu-8n1 \
    --monitor output-current,fault-code --trigger 'fault-code!=0' --snapshots "$work/trips" \
    --before 3 --after 2 --single --no-window --language en
  local status=$?
  kill $drive
  [ $status = 0 ] && grep -q ',fault-code,6,6,good' "$work"/trips/*/samples.csv &&
    [ "$(stat -c %s "$work"/trips/*/chart.png)" -gt 1000 ]
}
check "a trip caught without a window through tcp://: one snapshot with the fault and its chart" \
  trip_capture
check "a file named after a device is refused before the reading: exit status 2" bash -c \
  "'$wine' '$exe' --demo --backup '$work/COM1.csv' --language en > '$work/device.txt' 2>&1;
   [ \$? = 2 ] && grep -q 'for a device' '$work/device.txt'"
check "a port that is not there: exit status 3, said once" bash -c \
  "'$wine' '$exe' --port COM1=COM9 --scan --language en > '$work/scan.txt' 2>&1; [ \$? = 3 ] &&
   grep -q 'no such port' '$work/scan.txt'"

echo "== the installer"
setup=build-win/modbus-debugger-$version-win64-setup.exe
programs=$("$wine" cmd /c echo %LOCALAPPDATA% | tr -d '\r')\\Programs\\ModbusDebugger
installed=$("$wine" winepath -u "$programs" 2>/dev/null | tr -d '\r')
check "installs per user without asking" "$wine" "$setup" /S
check "the installed program runs" bash -c "'$wine' '$installed/modbus-debugger.exe' --version"
check "a Start-menu entry under the Chinese name" bash -c \
  "find '$("$wine" winepath -u 'C:\users' | tr -d '\r')' -name 'MODBUS 调试程序.lnk' | grep -q ."
# The window of the installed program, with its Chinese title.
"$wine" "$installed/modbus-debugger.exe" --demo >/dev/null 2>&1 &
window=$!
pids+=($window)
check "the window opens with its Chinese title" bash -c \
  "for i in \$(seq 60); do xwininfo -root -tree | grep -q 'MODBUS' && break; sleep 0.5; done;
   id=\$(xwininfo -root -tree | grep 'MODBUS' | head -1 | awk '{print \$1}');
   xprop -id \$id _NET_WM_NAME | grep -q 'MODBUS 调试程序 --- 奥凡变频'"
if [ -n "$shots" ]; then
  sleep 3
  import -display "$display" -window root -trim +repage "$shots/windows-demo.png" 2>/dev/null ||
    echo "no screenshot: ImageMagick's import is missing"
fi
# A running program cannot be removed on Windows: it is closed first.
kill "$window" 2>/dev/null || true
wait "$window" 2>/dev/null || true
check "the uninstaller removes the program" bash -c \
  "[ -e '$installed/modbus-debugger.exe' ] && '$wine' '$installed/uninstall.exe' /S &&
   for i in \$(seq 20); do [ -e '$installed/modbus-debugger.exe' ] || exit 0; sleep 0.5; done; false"

echo "== $failures failure(s)"
[ "$failures" -eq 0 ]
