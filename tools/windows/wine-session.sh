# Sourced by the Wine test and benchmark scripts: a work folder, the processes they start (`pids`,
# ended on exit together with Wine's server), a private Xvfb display for the windows, and the
# Wine prefix made on first use.
wine=tools/windows/wine.sh
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  "$wine" --server-kill
  rm -rf "$work"
}
trap cleanup EXIT

display=:$(( 90 + RANDOM % 150 ))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
"$wine" cmd /c exit
