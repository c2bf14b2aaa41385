#!/usr/bin/env bash
# Builds the Windows package on Debian: a static Qt 6.4.2 for Windows (once; it is kept in a cache
# folder, see build-qt.sh), then the program, its installer and its portable archive:
#   build-win/modbus-debugger-VERSION-win64-setup.exe and build-win/modbus-debugger-VERSION-win64.zip
set -euo pipefail
cd "$(dirname "$0")/../.."
# The cross compiler, the installer maker, and Wine for the tests of the Windows build.
tools/setup-debian.sh g++-mingw-w64-x86-64-posix nsis wine64 xvfb x11-utils
qt=$(tools/windows/build-qt.sh | tail -1)
started=$SECONDS
"$qt/bin/qt-cmake" -S . -B build-win -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$(tools/windows/wine.sh --path)" >/dev/null
cmake --build build-win -j "$(nproc)" --target all windows-package
echo "windows build took $(( SECONDS - started )) s" >&2
ls -l build-win/modbus-debugger-*-win64-setup.exe build-win/modbus-debugger-*-win64.zip
