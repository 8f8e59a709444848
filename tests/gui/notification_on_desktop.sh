#!/bin/sh
# An automatic run on a desktop (Xvfb, a session bus and dunst): the exit
# status comes at once after the document is written, while the notification
# is still up; choosing the notification's action afterwards still opens
# what it offers, the document and, when the name is taken, the folder; and
# a notification whose bubble timed out still answers from dunst's history
# 30 s later.
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
export PATH="$scratch/bin:$PATH" HOME="$scratch/home"
unset XDG_CONFIG_HOME WAYLAND_DISPLAY QT_QPA_PLATFORM

start_xvfb
dbus-daemon --session --nofork --print-address=3 3>"$scratch/bus" 2>/dev/null &
pids="$pids $!"
await "$scratch/bus" || fail "no session bus"
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$scratch/bus")
export DBUS_SESSION_BUS_ADDRESS
printf '[global]\n    timeout = 10\n' >"$scratch/dunstrc"
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

# Once more: the bubble times out. dunst keeps the notification in its
# history but drops its actions on closing it (its own rule); desktops that
# keep them (GNOME Shell, Plasma) reach the helper, which must still be
# waiting half a minute later, and leaves once the service has gone.
rm -f "$scratch/opened" "$scratch/out/in.xdw"
run
[ "$status" -eq 0 ] || fail "third conversion: status $status"
[ "$shown" -ge 1 ] || fail "no third notification"
i=0
until [ "$(dunstctl count displayed)" -eq 0 ] || [ $i -ge 300 ]; do sleep 0.1; i=$((i + 1)); done
[ "$(dunstctl count displayed)" -eq 0 ] || fail "the bubble did not time out"
[ "$(dunstctl count history)" -ge 1 ] || fail "the notification is not in the history"
sleep 30
helper=$(pgrep -f -- "$scratch/prog/quilbex --notification-helper")
[ -n "$helper" ] || fail "the helper left before the notification did"
cleanup
i=0
while kill -0 $helper 2>/dev/null && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
kill -0 $helper 2>/dev/null && { kill $helper; fail "the helper stayed after the service had gone"; }
echo "ok: the exit came $late s after the document was written"
