#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own Wine prefix (build-win/wine), made on
# first use, with Wine's own messages off. --path prints this script's path for CMake's test
# emulator; --server-kill ends the prefix's wineserver.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ "${1:-}" = "--path" ]; then echo "$here/wine.sh"; exit 0; fi
export WINEPREFIX=${WINEPREFIX:-$here/../../build-win/wine}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}  # no Mono or Gecko download prompts
# Debian's wine64 package keeps its commands out of PATH; the wine package adds the wrappers.
wine=$(command -v wine || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
export WINESERVER=$wineserver
if [ "${1:-}" = "--server-kill" ]; then "$wineserver" -k 2>/dev/null || true; exit 0; fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot --init >/dev/null 2>&1
  "$wineserver" -w
fi
exec "$wine" "$@"
