#!/usr/bin/env bash
# Installs the Debian packages the program, its tests and its tools need, if any are missing.
set -euo pipefail
# The two fonts carry the Chinese captions and the control pictures that show control bytes.
# Qt Charts needs the OpenGL development files, which its Debian package does not pull in.
# lupdate and lrelease (qt6-l10n-tools, with their CMake functions in qt6-tools-dev) build the
# Chinese catalogue; Qt's own catalogue puts its dialogs' buttons into Chinese too. ser2net is the
# serial device server the gateway tests put between the network and the simulated drive; tshark
# reads the captures that listening saves, as Wireshark would.
packages=(cmake ninja-build g++ qt6-base-dev qt6-serialport-dev qt6-charts-dev libqt6opengl6-dev
          qt6-l10n-tools qt6-tools-dev qt6-translations-l10n fonts-wqy-microhei fonts-freefont-ttf
          dpkg-dev appstream desktop-file-utils ser2net tshark "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
