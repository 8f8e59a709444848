#!/usr/bin/env bash
# CPU of up-righting: the engine reading every page with and without
# XDW_RotatePageAuto before it (ocr_bench), against tesseract alone on the
# same pages, and optionally against an earlier engine (its library folder).
# Not a test: it times. Writes bench/results-rotate.md.
#   bench/rotate-bench.sh [build folder] [earlier library folder] [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
before=${2:-}
rounds=${3:-2}
cmake --build "$build" --target ocr_bench >/dev/null
bench="$build/bin/ocr_bench"
font=/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf
lang=jpn+eng
export OMP_THREAD_LIMIT=1

work=$(mktemp -d /tmp/quilbex-rotate-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT

# Four A4 pages at 300 dpi, grey, 28 lines each, English and Japanese in
# turn; tesseract reads them upright, the engine also as scanned with the
# third upside down and the fourth on its side.
english="Scanned letters, invoices and reports arrive as images without text."
japanese="請求書や報告書は画像のまま届くことが多く、向きもそろっていません。"
turns=(0 0 180 90)
for p in 1 2 3 4; do
  args=(-size 2480x3508 xc:white -density 300 -units PixelsPerInch -font "$font" -pointsize 11 -fill black)
  for l in $(seq 0 27); do
    if (( p % 2 )); then text=$english; else text=$japanese; fi
    args+=(-annotate "+180+$((260 + l * 110))" "$text")
  done
  convert "${args[@]}" -colorspace Gray -depth 8 "$work/page-$p.png"
  convert "$work/page-$p.png" -rotate "${turns[$((p - 1))]}" "$work/turned-$p.png"
done
img2pdf -o "$work/upright.pdf" "$work"/page-*.png
img2pdf -o "$work/turned.pdf" "$work"/turned-*.png

declare -A cpu
time_it() {  # key command...
  local u s c
  /usr/bin/time -o "$work/time" -f "%U %S" "${@:2}" >/dev/null 2>&1
  read -r u s <"$work/time"
  c=$(echo "$u + $s" | bc -l)
  if [[ -z ${cpu[$1]:-} ]] || (( $(echo "$c < ${cpu[$1]}" | bc -l) )); then cpu[$1]=$c; fi
}
cat >"$work/tess.sh" <<SH
for png in "$work"/page-*.png; do tesseract "\$png" "$work/t" -l $lang txt; done
SH
for round in $(seq 1 "$rounds"); do
  time_it tesseract bash "$work/tess.sh"
  time_it ocr "$bench" "$work/upright.pdf" "$work/ocr.xdw" -1
  time_it upright "$bench" "$work/upright.pdf" "$work/upright.xdw" -1 rotate
  time_it rotate "$bench" "$work/turned.pdf" "$work/rotate.xdw" -1 rotate
  time_it check "$bench" "$work/turned.pdf" "$work/check.xdw" -1 rotate-only
  if [[ -n $before ]]; then
    time_it before env LD_LIBRARY_PATH="$before" "$bench" "$work/turned.pdf" "$work/b.xdw" -1 rotate
    time_it before_check env LD_LIBRARY_PATH="$before" \
      "$bench" "$work/turned.pdf" "$work/bc.xdw" -1 rotate-only
  fi
done
turned=$(pdfinfo -f 1 -l 4 "$work/rotate.xdw" | awk '/ rot:/ {printf "%s%s", sep, $NF; sep=", "}')

row() {  # label key
  printf '| %s | %.2f | %.2f |\n' "$1" "$(echo "${cpu[$2]} / 4" | bc -l)" \
    "$(echo "${cpu[$2]} / ${cpu[tesseract]}" | bc -l)"
}
{
  echo "# CPU of up-righting"
  echo
  echo "4 A4 pages at 300 dpi (English and Japanese in turn; as scanned, page 3 upside down and page 4"
  echo "on its side; tesseract reads them upright),"
  echo "language jpn+eng, OMP_THREAD_LIMIT=1, best of $rounds rounds, $(date -u +%F), load average"
  echo "$(cut -d' ' -f1-3 /proc/loadavg) at the end."
  echo
  echo "| run | CPU s/page | against tesseract |"
  echo "|---|---|---|"
  row "tesseract -l $lang, page by page" tesseract
  row "engine: XDW_ApplyOcr, upright pages" ocr
  row "engine: XDW_RotatePageAuto + XDW_ApplyOcr, upright pages" upright
  row "engine: XDW_RotatePageAuto + XDW_ApplyOcr, pages as scanned" rotate
  row "engine: XDW_RotatePageAuto alone, pages as scanned" check
  if [[ -n $before ]]; then
    row "earlier engine: XDW_RotatePageAuto + XDW_ApplyOcr, pages as scanned" before
    row "earlier engine: XDW_RotatePageAuto alone, pages as scanned" before_check
  fi
  echo
  echo "Page rotations written by the engine: $turned."
} | tee bench/results-rotate.md
