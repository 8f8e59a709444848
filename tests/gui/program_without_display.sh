#!/bin/sh
# The program without a display: no argument ends at once with a message and
# a non-zero status; a file argument completes an automatic run and ends.
# usage: program_without_display.sh <quilbex binary> <scratch folder>
set -u
program=$1
scratch=$2
rm -rf "$scratch" && mkdir -p "$scratch/prog" || exit 1
# A program folder of its own, without an engine: every engine call fails.
cp "$program" "$scratch/prog/quilbex" || exit 1
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

fail() { echo "FAIL: $*"; exit 1; }

timeout 20 "$scratch/prog/quilbex" >"$scratch/out" 2>"$scratch/err"
status=$?
[ "$status" -eq 2 ] || fail "no argument: status $status"
[ "$status" -ne 124 ] || fail "no argument: still running after 20 s"
grep -q "quilbex <file>" "$scratch/err" || fail "no argument: no message: $(cat "$scratch/err")"
[ ! -e "$scratch/prog/Quilbex.log" ] || fail "no argument wrote a log"

printf '%%PDF-1.4\n%%%%EOF\n' >"$scratch/x.pdf"
timeout 60 "$scratch/prog/quilbex" "$scratch/x.pdf" >"$scratch/out" 2>"$scratch/err"
status=$?
[ "$status" -ne 124 ] || fail "automatic run did not end by itself"
# Without the engine the conversion fails: status 1 and the reason on stderr.
[ "$status" -eq 1 ] || fail "automatic run: status $status: $(cat "$scratch/err")"
grep -q "^quilbex: $scratch/x.pdf: DocuWorks" "$scratch/err" || fail "no reason: $(cat "$scratch/err")"
[ -f "$scratch/prog/Quilbex.log" ] || fail "automatic run wrote no log"
grep -q "^-2147221503:" "$scratch/prog/Quilbex.log" || fail "log lacks the failure line"
[ -f "$scratch/x.pdf" ] || fail "source was deleted"

# An interactive run would wait for Execute forever: refused with a message.
printf '[common]\r\nShowSetting=Y\r\n' >"$scratch/prog/Quilbex.ini"
rm -f "$scratch/prog/Quilbex.log"
timeout 20 "$scratch/prog/quilbex" "$scratch/x.pdf" >"$scratch/out" 2>"$scratch/err"
status=$?
[ "$status" -eq 3 ] || fail "interactive run: status $status"
[ -s "$scratch/err" ] || fail "interactive run: no message"
echo "ok"
