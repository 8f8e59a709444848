#!/bin/sh
# An automatic run on a desktop (Xvfb, a session bus and dunst): the exit
# status comes at once after the document is written, while the notification
# is still up; choosing the notification's action afterwards still opens
# what it offers, the document and, when the name is taken, the folder; a
# notification's helper is gone once its bubble has closed; the runs of a
# batch with failures share one bubble.
# usage: notification_on_desktop.sh <quilbex> <libxdwapi.so.1> <pdf> <scratch>
. "$(dirname "$0")/desktop.sh"
need_tools Xvfb dunst dunstctl dbus-daemon
make_scratch
mkdir -p "$scratch/bin" || exit 1
cp "$sample" "$scratch/in.pdf" || exit 1
printf '[common]\r\nShowSetting=N\r\nOCR=N\r\n[file]\r\nSaveDir=%s/out\r\n' "$scratch" >"$scratch/prog/Quilbex.ini"
# The desktop's opener, replaced by one that notes what it was asked to open.
printf '#!/bin/sh\necho "$1" >>"%s/opened"\n' "$scratch" >"$scratch/bin/xdg-open"
chmod +x "$scratch/bin/xdg-open"
# A session of its own: the turns and the batch's bubble are not shared with
# other runs of this user's on the machine.
mkdir -p "$scratch/run" && chmod 700 "$scratch/run" || exit 1
export PATH="$scratch/bin:$PATH" HOME="$scratch/home" XDG_RUNTIME_DIR="$scratch/run"
unset XDG_CONFIG_HOME WAYLAND_DISPLAY QT_QPA_PLATFORM

start_xvfb
dbus-daemon --session --nofork --print-address=3 3>"$scratch/bus" 2>/dev/null &
pids="$pids $!"
await "$scratch/bus" || fail "no session bus"
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$scratch/bus")
export DBUS_SESSION_BUS_ADDRESS
printf '[global]\n    idle_threshold = 0\n[urgency_normal]\n    timeout = 10\n' >"$scratch/dunstrc"
dunst -conf "$scratch/dunstrc" 2>/dev/null &
pids="$pids $!"
# Asked before dunst owns its name, the bus would start a second one.
owned() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.freedesktop.Notifications 2>/dev/null |
    grep -q "boolean true"
}
i=0
until owned || [ $i -ge 100 ]; do sleep 0.1; i=$((i + 1)); done
owned || fail "dunst did not start"

# One run: its status and when it ended; then whether its notification
# came up (the helper shows it once the run has gone).
run() {
  "$scratch/prog/quilbex" "$scratch/in.pdf" >/dev/null 2>"$scratch/err"
  status=$?
  ended=$(date +%s.%N)
  i=0
  until [ "$(dunstctl count displayed)" -ge 1 ] || [ $i -ge 50 ]; do sleep 0.1; i=$((i + 1)); done
  shown=$(dunstctl count displayed)
}

run
[ "$status" -eq 0 ] || fail "conversion: status $status: $(cat "$scratch/err")"
[ -f "$scratch/out/in.xdw" ] || fail "no document"
late=$(awk -v a="$ended" -v b="$(stat -c %.9Y "$scratch/out/in.xdw")" 'BEGIN { print a - b }')
awk -v l="$late" 'BEGIN { exit !(l < 1) }' || fail "the exit waited $late s"
[ "$shown" -ge 1 ] || fail "no notification up when the program had ended"
dunstctl action 0
await "$scratch/opened" || fail "choosing 開く opened nothing"
[ "$(cat "$scratch/opened")" = "file://$scratch/out/in.xdw" ] || fail "opened $(cat "$scratch/opened")"
dunstctl close-all

# The same file again: the name is taken; the failure offers the folder.
rm -f "$scratch/opened"
run
[ "$status" -eq 1 ] || fail "second conversion: status $status"
grep -q "同じ名前の文書「$scratch/out/in.xdw」" "$scratch/err" || fail "the existing document is not named: $(cat "$scratch/err")"
[ "$shown" -ge 1 ] || fail "no failure notification"
dunstctl action 0
await "$scratch/opened" || fail "choosing フォルダーを開く opened nothing"
[ "$(cat "$scratch/opened")" = "file://$scratch/out" ] || fail "opened $(cat "$scratch/opened")"
dunstctl close-all

# Once more: the bubble times out (the desktop's own time, not one the
# program asks for): its helper is gone once the notification has closed.
rm -f "$scratch/opened" "$scratch/out/in.xdw"
sleep 2  # a run of its own, not of the failed one's batch
run
[ "$status" -eq 0 ] || fail "third conversion: status $status"
[ "$shown" -ge 1 ] || fail "no third notification"
helper=$(pgrep -f -- "$scratch/prog/quilbex --notification-helper")
[ -n "$helper" ] || fail "no helper while the notification is up"
i=0
until [ "$(dunstctl count displayed)" -eq 0 ] || [ $i -ge 300 ]; do sleep 0.1; i=$((i + 1)); done
[ "$(dunstctl count displayed)" -eq 0 ] || fail "the bubble did not time out"
i=0
while kill -0 $helper 2>/dev/null && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
kill -0 $helper 2>/dev/null && fail "the helper stayed after its notification had closed"

# A batch with failures: four runs started together, two of them of files
# that are not there, give one bubble that counts them all and names why
# each failure failed; it stays until dismissed.
rm -f "$scratch/out/in.xdw"
cp "$scratch/in.pdf" "$scratch/in2.pdf"
dbus-monitor "interface='org.freedesktop.Notifications',member='Notify'" >"$scratch/notify" 2>/dev/null &
pids="$pids $!"
sleep 0.5
runs=""
for f in in.pdf gone1.pdf in2.pdf gone2.pdf; do
  "$scratch/prog/quilbex" "$scratch/$f" >/dev/null 2>&1 &
  runs="$runs $!"
done
for r in $runs; do wait "$r"; done
i=0
until [ "$(grep -c 'string "Quilbex"' "$scratch/notify")" -ge 4 ] || [ $i -ge 100 ]; do sleep 0.1; i=$((i + 1)); done
sleep 1
[ "$(dunstctl count displayed)" -eq 1 ] || fail "$(dunstctl count displayed) bubbles for one batch"
grep -q '2件の文書を作成しました、2件は変換できませんでした' "$scratch/notify" ||
  fail "no tally of the batch: $(grep -A4 'string "Quilbex"' "$scratch/notify")"
grep -q 'gone1.pdf — ' "$scratch/notify" && grep -q 'gone2.pdf — ' "$scratch/notify" ||
  fail "the failures' reasons are not in the bubble"
sleep 12
[ "$(dunstctl count displayed)" -eq 1 ] || fail "the batch with failures did not stay"
# Its helper, waiting for an answer, ends at once on SIGTERM (a logout).
pkill -TERM -f -- "$scratch/prog/quilbex --notification-helper"
sleep 1
pgrep -f -- "$scratch/prog/quilbex --notification-helper" >/dev/null && fail "a helper outlived SIGTERM"
dunstctl close-all
sleep 1
pgrep -f -- "$scratch/prog/quilbex --notification-helper" >/dev/null &&
  fail "helpers left after the batch's bubble closed: $(pgrep -af -- --notification-helper)"
cleanup
echo "ok: the exit came $late s after the document was written"
