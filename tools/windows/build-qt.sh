#!/usr/bin/env bash
# Builds a static Qt 6.4.2 for 64-bit Windows (x86_64-w64-mingw32, Debian's MinGW-w64 GCC) with
# just what the program and its tests link, and installs it into a cache folder outside the
# checkout. A finished install is reused. Progress goes to stderr; the last (only) line on
# stdout is the install prefix:
#   QT=$(tools/windows/build-qt.sh | tail -1)
#   "$QT/bin/qt-cmake" -S . -B build-win -G Ninja -DCMAKE_BUILD_TYPE=Release \
#     -DCMAKE_EXE_LINKER_FLAGS=-static   # MinGW runtime (libstdc++, libgcc, winpthread) inside
# Environment: QT_WIN_CACHE (cache folder), QT_SOURCES (folder with the qtserialport and
# qtcharts archives), JOBS (parallel compile jobs, default nproc).
set -euo pipefail

qt_version=6.4.2
project=$(cd "$(dirname "$0")/../.." && pwd)
sources=${QT_SOURCES:-$project/../shared/third_party/qt-$qt_version}
cache=${QT_WIN_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/modbus-debugger}
jobs=${JOBS:-$(nproc)}
mingw=x86_64-w64-mingw32

# qtbase comes from Debian's source package (its orig tarball is upstream's, minus non-free
# 3rdparty parts we do not need); the two modules from the shared folder, checked by SHA256SUMS.
qtbase_orig=qt6-base_$qt_version+dfsg.orig.tar.xz
qtbase_sha256=4f14b89a9463a540fd84a6718b8519a2297119b454ef547721015a9e9019ae9e
# Of Debian's patches only the upstream security fixes: the rest is Debian packaging, Linux
# distribution policy or CPU ports that do not concern a MinGW target.
debian_patches=(cve-2023-32762.diff cve-2023-32763.diff cve-2023-33285.diff cve-2023-24607.patch)

log() { printf '%s\n' "$*" >&2; }
stage_start=0
begin() { stage_start=$SECONDS; log "== $*"; }
took() { log "== $1 took $(( (SECONDS - stage_start) / 60 ))m$(( (SECONDS - stage_start) % 60 ))s"; }

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

# Another apt-get or dpkg may be running (e.g. a setup step): wait instead of failing on its lock.
wait_for_apt() {
  while pgrep -x apt-get >/dev/null || pgrep -x dpkg >/dev/null; do sleep 5; done
}

# The cross compiler, Debian's Qt 6.4.2 as host tools (moc, rcc, uic, syncqt.pl, same version as
# the target), and what unpacks the sources. The posix flavour of MinGW GCC is needed: Qt 6 uses
# std::thread and std::mutex, which the win32 flavour lacks.
packages=(cmake ninja-build perl xz-utils patch dpkg-dev g++-mingw-w64-x86-64-posix qt6-base-dev
          qt6-base-dev-tools)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  wait_for_apt
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi

# The key names the install after everything that changes the result: this script's code
# (comments aside; it holds the version, checksums and options), the cross compiler and the host
# Qt. A changed option or compiler builds anew beside the old install instead of mixing them.
compiler_version=$(dpkg-query -W -f='${Version}' g++-mingw-w64-x86-64-posix)
host_qt_version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
# Where the sources and the cache lie does not change the result.
key=$( { grep -v -e '^[[:space:]]*#' -e '^project=' -e '^sources=' -e '^cache=' "${BASH_SOURCE[0]}"
         echo "$compiler_version $host_qt_version"; } |
       sha256sum | cut -c1-12)
name=qt-$qt_version-win64-static-$key
prefix=$cache/$name
work=$cache/build-$name
stamp=$prefix/.build-qt-complete

if [ -f "$stamp" ]; then
  log "Reusing $prefix"
  echo "$prefix"
  exit 0
fi
# Without the stamp the install is half finished (an interrupted run): start it again.
rm -rf "$prefix"
mkdir -p "$prefix" "$work"
total_start=$SECONDS

# --- sources ---------------------------------------------------------------------------------
begin "sources"
if [ ! -f "$work/sources.done" ]; then
  rm -rf "$work/src" "$work/download"
  mkdir -p "$work/src" "$work/download"
  # apt-get source needs a deb-src entry; add one for bookworm main when none is there.
  if ! apt-cache showsrc qt6-base 2>/dev/null | grep -q "^Version: $qt_version+dfsg"; then
    if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ &&
       ! grep -qs '^deb-src ' /etc/apt/sources.list; then
      $sudo tee /etc/apt/sources.list.d/debian-src.sources >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    fi
    wait_for_apt
    $sudo apt-get update -qq
  fi
  # The _apt user cannot write into root-owned work folders; apt then downloads as root.
  (cd "$work/download" && apt-get source --download-only -qq qt6-base >&2)
  (cd "$work/download" && echo "$qtbase_sha256  $qtbase_orig" | sha256sum -c --quiet -)
  (cd "$sources" && sha256sum -c --quiet SHA256SUMS)
  tar -xJf "$work/download/$qtbase_orig" -C "$work/src"
  tar -xJf "$work/download"/qt6-base_$qt_version+dfsg-*.debian.tar.xz -C "$work/download"
  for p in "${debian_patches[@]}"; do
    patch -d "$work/src/qtbase-everywhere-src-$qt_version" -p1 -s < "$work/download/debian/patches/$p"
  done
  for m in qtserialport qtcharts; do
    tar -xJf "$sources/$m-everywhere-src-$qt_version.tar.xz" -C "$work/src"
  done
  touch "$work/sources.done"
fi
took "sources"

# The toolchain file lives in the prefix: Qt's qt.toolchain.cmake (used by bin/qt-cmake) loads it
# from where qtbase was configured with it, so it must outlive the work folder.
toolchain=$prefix/lib/cmake/$mingw-posix.toolchain.cmake
mkdir -p "$(dirname "$toolchain")"
cat > "$toolchain" <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER $mingw-gcc-posix)
set(CMAKE_CXX_COMPILER $mingw-g++-posix)
set(CMAKE_RC_COMPILER $mingw-windres)
# Only the MinGW tree and Qt's own prefix hold target libraries and headers, never /usr.
set(CMAKE_FIND_ROOT_PATH /usr/$mingw)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF

# --- qtbase ----------------------------------------------------------------------------------
qtbase_options=(
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF
  -DQT_BUILD_TESTS=OFF -DQT_BUILD_EXAMPLES=OFF
  -DQT_QMAKE_TARGET_MKSPEC=win32-g++
  # Debian's Qt 6.4.2 runs moc, rcc and uic for the target.
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  # pkg-config would report the Linux host's libraries; the bundled copies are used instead.
  -DFEATURE_pkg_config=OFF -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF
  -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF
  # Modules nothing here links (Qt Charts needs only Gui, Widgets, OpenGL and OpenGLWidgets).
  -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF
  -DFEATURE_xml=OFF
  # Only the qwindows platform plugin: no Direct2D plugin (direct2d1_1; "direct2d" itself must
  # stay on: it carries QtGui's DirectWrite font engine, which qwindows links), no FreeType
  # (Windows renders text with DirectWrite/GDI; drops the offscreen plugin too), no TUIO touch.
  -DFEATURE_direct2d1_1=OFF -DFEATURE_freetype=OFF -DFEATURE_tuiotouch=OFF
  # Tablet (Wintab) events: Debian's +dfsg tarball leaves out src/3rdparty/wintab, whose
  # wintab.h the qwindows plugin includes for them. Pens still act as a mouse.
  -DFEATURE_tabletevent=OFF
  # PNG is built into QtGui; no other image format is read.
  -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_ico=OFF
  # Modbus TCP is plain TCP: no TLS, HTTP, local sockets, DNS records or network-status plugin.
  -DFEATURE_schannel=OFF -DFEATURE_openssl=OFF -DFEATURE_http=OFF -DFEATURE_localserver=OFF
  -DFEATURE_dnslookup=OFF -DFEATURE_topleveldomain=OFF -DFEATURE_networklistmanager=OFF
  # OpenGL stays on ("dynamic"): without it the qwindows plugin does not compile, and Qt Charts
  # links Qt OpenGL. Accessibility stays on: the program names its controls for screen readers.
)

begin "qtbase"
if [ ! -f "$work/qtbase/build.ninja" ]; then
  rm -rf "$work/qtbase"
  nice -n 10 cmake -S "$work/src/qtbase-everywhere-src-$qt_version" -B "$work/qtbase" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" \
    "${qtbase_options[@]}" >&2
fi
nice -n 10 cmake --build "$work/qtbase" --parallel "$jobs" >&2
cmake --install "$work/qtbase" >/dev/null
took "qtbase"

# --- modules ---------------------------------------------------------------------------------
# Configured by the installed qtbase's qt-configure-module, which sets the cross toolchain, the
# host path and the install prefix from qtbase.
build_module() {
  local module=$1; shift
  begin "$module"
  if [ ! -f "$work/$module/build.ninja" ]; then
    rm -rf "$work/$module"
    mkdir -p "$work/$module"
    (cd "$work/$module" &&
     nice -n 10 "$prefix/bin/qt-configure-module" "$work/src/$module-everywhere-src-$qt_version" \
       -- -DQT_BUILD_TESTS=OFF -DQT_BUILD_EXAMPLES=OFF "$@" >&2)
  fi
  nice -n 10 cmake --build "$work/$module" --parallel "$jobs" >&2
  cmake --install "$work/$module" >/dev/null
  took "$module"
}
build_module qtserialport
# The program draws line charts over value and date-time axes; bar, pie, box-plot and
# candlestick charts (a third of Qt Charts' sources) are left out. Turn one on here if needed.
build_module qtcharts -DFEATURE_charts_bar_chart=OFF -DFEATURE_charts_pie_chart=OFF \
  -DFEATURE_charts_boxplot_chart=OFF -DFEATURE_charts_candlestick_chart=OFF

# The stamp comes last: only a complete install carries it. The work folder (sources, objects,
# about 1 GB) is not needed any more.
date -u +%FT%TZ > "$stamp"
rm -rf "$work"
log "== total $(( (SECONDS - total_start) / 60 ))m$(( (SECONDS - total_start) % 60 ))s," \
    "installed $(du -sh "$prefix" | cut -f1) in $prefix"
echo "$prefix"
