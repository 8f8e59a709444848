#!/usr/bin/env bash
# Set-up, build, then one real conversion of the bundled sample: the document
# goes to out/ beside the sample program folder, and the log is shown.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh

demo=$(pwd)/build/demo
rm -rf "$demo" && mkdir -p "$demo/program" "$demo/out"
cp build/bin/quilbex build/bin/libxdwapi.so.1 build/bin/quilbex-render "$demo/program/"
cp samples/sample.pdf "$demo/sample.pdf"
# Output folder, the name with the date behind it, OCR with auto-rotation.
printf '[common]\r\nShowSetting=N\r\nOCR=Y\r\nAutoRotate=Y\r\nLanguage=%s\r\n[file]\r\nSaveDir=%s\r\nFileName=%s\r\n' \
  "$(printf '自動' | iconv -f UTF-8 -t CP932)" "$demo/out" \
  "$(printf '"元のファイル名"yymmdd' | iconv -f UTF-8 -t CP932)" > "$demo/program/Quilbex.ini"

env -u DISPLAY -u WAYLAND_DISPLAY "$demo/program/quilbex" "$demo/sample.pdf"
echo "--- log ($demo/program/Quilbex.log):"
iconv -f CP932 -t UTF-8 "$demo/program/Quilbex.log" | tr -d '\r'
echo "--- the document went to:"
ls -l "$demo"/out/*.xdw
pdftotext -l 1 "$(ls "$demo"/out/*.xdw | head -n 1)" - | head -n 5
