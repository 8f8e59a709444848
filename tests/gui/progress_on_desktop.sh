#!/bin/sh
# An automatic OCR run on a desktop (Xvfb): screenshots of the window's
# progress strip, taken one after another while the pages are read, show the
# bar moving at least once a second, also while a page is being read.
# usage: progress_on_desktop.sh <quilbex> <libxdwapi.so.1> <scan pdf> <scratch>
. "$(dirname "$0")/desktop.sh"
need_tools Xvfb xwininfo import compare pdfunite
make_scratch
mkdir -p "$scratch/shots" || exit 1
# Four pages of the scan: long enough to be watched page by page.
pdfunite "$sample" "$sample" "$sample" "$sample" "$scratch/scan.pdf" || exit 1
printf '[common]\r\nShowSetting=N\r\nOCR=Y\r\n[file]\r\nSaveDir=%s/out\r\n' "$scratch" >"$scratch/prog/Quilbex.ini"
export HOME="$scratch/home"
unset XDG_CONFIG_HOME WAYLAND_DISPLAY QT_QPA_PLATFORM DBUS_SESSION_BUS_ADDRESS

start_xvfb

"$scratch/prog/quilbex" "$scratch/scan.pdf" >/dev/null 2>"$scratch/err" &
run=$!
pids="$pids $run"
window=""
i=0
while [ -z "$window" ] && [ $i -lt 300 ] && kill -0 "$run" 2>/dev/null; do
  window=$(xwininfo -root -tree 2>/dev/null | grep 'Quilbex for DocuWorks' | awk '{ print $1 }' | head -n 1)
  i=$((i + 1))
  [ -z "$window" ] && sleep 0.1
done
[ -n "$window" ] || fail "the window never came on screen: $(cat "$scratch/err")"

# Shots of the strip at the window's foot, each with the time it was taken.
n=0
while kill -0 "$run" 2>/dev/null; do
  geometry=$(xwininfo -id "$window" 2>/dev/null) || break
  w=$(echo "$geometry" | awk '/Width:/ { print $2 }')
  h=$(echo "$geometry" | awk '/Height:/ { print $2 }')
  # import holds the X server while it reads the window: one that vanishes
  # under it would leave it, and the program waiting on the server, stuck.
  timeout 5 import -window "$window" -crop "${w}x26+0+$((h - 26))" +repage "$scratch/shots/$n.png" \
    2>/dev/null || break
  date +%s.%N >"$scratch/shots/$n.time"
  n=$((n + 1))
done
wait "$run"
status=$?
[ "$status" -eq 0 ] || fail "the run ended with status $status: $(cat "$scratch/err")"
[ "$n" -ge 10 ] || fail "only $n shots were taken"

# The longest time between two shots that differ (the last shot, taken as the
# window closed, is left out).
longest=0
last=$(cat "$scratch/shots/0.time")
k=1
while [ $k -lt $((n - 1)) ]; do
  differ=$(compare -metric AE "$scratch/shots/$((k - 1)).png" "$scratch/shots/$k.png" null: 2>&1)
  now=$(cat "$scratch/shots/$k.time")
  if [ "${differ%% *}" != "0" ]; then
    longest=$(awk -v l="$longest" -v a="$last" -v b="$now" 'BEGIN { d = b - a; print (d > l ? d : l) }')
    last=$now
  fi
  k=$((k + 1))
done
awk -v l="$longest" 'BEGIN { exit !(l <= 1.0) }' || fail "the strip stood still for $longest s"
echo "ok: $n shots, the strip stood still for at most $longest s"
