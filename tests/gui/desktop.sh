# The start-up the desktop test scripts share; sourced (". desktop.sh") after
# $scratch is set. Gives pids, fail, await, start_xvfb, and stops what was
# started when the script ends.

# Ends the script as passed, naming what it lacks, when a tool is missing.
need_tools() {
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "ok (skipped: no $tool)"; exit 0; }
  done
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
