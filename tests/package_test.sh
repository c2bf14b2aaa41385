#!/usr/bin/env bash
# Builds the Debian package from a finished build, unpacks it into a scratch root and starts the
# program from there without a display; checks that the desktop files validate.
#   package_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
id=io.github.inverter_tools.ModbusDebugger
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
    { cat "$scratch/cpack.log"; exit 1; }
deb=$(ls "$scratch"/out/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
grep -q 'libqt6widgets6' <<<"$depends"
grep -q 'libqt6serialport6' <<<"$depends"

dpkg -x "$deb" "$scratch/root"
root=$scratch/root/usr
for file in bin/modbus-debugger bin/inverter-sim share/applications/$id.desktop \
    share/metainfo/$id.metainfo.xml share/icons/hicolor/scalable/apps/$id.svg \
    share/icons/hicolor/48x48/apps/$id.png share/man/man1/modbus-debugger.1 \
    share/man/man1/inverter-sim.1; do
    [ -f "$root/$file" ] || { echo "missing from the package: $file"; exit 1; }
done

shown=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/bin/modbus-debugger" --version)
[ "$shown" = "modbus-debugger $version" ] || { echo "--version said: $shown"; exit 1; }
# Taken whole first: grep -q leaves at its match, and a help text longer than one write would then
# end in SIGPIPE, which pipefail reports as a failure.
help=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/bin/inverter-sim" --help)
grep -q -- '--turnaround' <<<"$help"

desktop-file-validate "$root/share/applications/$id.desktop"
appstreamcli validate --no-net "$root/share/metainfo/$id.metainfo.xml"
echo "package $(basename "$deb") installs and starts"
