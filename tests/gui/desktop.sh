# The start-up the desktop test scripts share, sourced first thing (". desktop.sh")
# by a script called as <script> <quilbex> <libxdwapi.so.1> <sample> <scratch>.
# Gives need_tools, make_scratch, pids, fail, await, start_xvfb, and stops what
# was started when the script ends.
set -u
program=$1
engine=$2
sample=$3
scratch=$4

# Ends the script as skipped (77, which ctest counts as a skip, not a pass),
# naming what it lacks, when a tool is missing.
need_tools() {
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "skipped: no $tool"; exit 77; }
  done
}

# A fresh scratch folder: prog/ (the program with its engine), home/, out/.
make_scratch() {
  rm -rf "$scratch" && mkdir -p "$scratch/prog" "$scratch/home" "$scratch/out" || exit 1
  cp "$program" "$scratch/prog/quilbex" && cp "$engine" "$scratch/prog/libxdwapi.so.1" || exit 1
  # ... and the engine's page renderer, as the package has it beside the engine.
  cp "$(dirname "$engine")/quilbex-render" "$scratch/prog/" || exit 1
}

pids=""
# Stops what was started, the last started first (dunst before its bus).
cleanup() {
  r=""
  for p in $pids; do r="$p $r"; done
  for p in $r; do kill "$p" 2>/dev/null; done
  pids=""
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
# Waits up to 10 s for a file to have content.
await() { i=0; while [ ! -s "$1" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done; [ -s "$1" ]; }

# An X server of its own, as DISPLAY.
start_xvfb() {
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$scratch/display" 2>/dev/null &
  pids="$pids $!"
  await "$scratch/display" || fail "Xvfb did not start"
  export DISPLAY=":$(cat "$scratch/display")"
}
