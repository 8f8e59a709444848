#!/usr/bin/env bash
# Ordinary office pages read by their layout: for each page made by bench/make-office-pages.py (letters,
# essays, a notice with bullets and Latin words, a ruled invoice and a ruled estimate with a line under
# it, two columns, a newsletter under a masthead, a vertical page, scans 2-3.5° askew, English, a price
# list set by tabs, a receipt, a label/value data sheet, a form with postal-code and phone digit boxes),
# the CER of the engine's layer as pdftotext (poppler) and `mutool draw -F txt` (MuPDF) read it back, page
# by page, against `tesseract -l jpn` (eng for English pages) in its default and `--psm 6` modes and
# `ocrmypdf -l jpn` on the same image, and the engine's time per page; with an earlier build as second
# argument, that engine's CER (poppler) and time too.
# Not a test: it times. Writes bench/results-layout.md.
#   bench/layout-bench.sh [build folder] [earlier build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
before=${2:+$(realpath "$2")}
for tool in tesseract ocrmypdf img2pdf convert pdftotext pdftoppm soffice bc mutool; do
  command -v $tool >/dev/null || apt-get install -y -q tesseract-ocr ocrmypdf img2pdf imagemagick poppler-utils libreoffice-writer bc mupdf-tools >/dev/null
done
cmake --build "$build" --target ocr_bench >/dev/null

work=$(mktemp -d /tmp/quilbex-layout-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
load_start=$(uptime | sed 's/.*load average: //')
python3 bench/make-office-pages.py "$work/pages"
export OMP_THREAD_LIMIT=1

# engine NAME BUILD PAGE LANGUAGE: the layer's CER (poppler), then the seconds the page took; the
# layer's text as MuPDF reads it is left in NAME-PAGE.mu.txt.
engine() {
  local lib=$2/bin start end
  start=$(date +%s.%N)
  LD_LIBRARY_PATH=$lib "$lib/ocr_bench" "$work/$3.pdf" "$work/$1-$3.xdw" "$4" >/dev/null
  end=$(date +%s.%N)
  pdftotext "$work/$1-$3.xdw" "$work/$1-$3.txt"
  mutool draw -q -F txt -o "$work/$1-$3.mu.txt" "$work/$1-$3.xdw" 2>/dev/null || : >"$work/$1-$3.mu.txt"
  printf '%s %.1f' "$(python3 bench/cer.py "$work/pages/$3.txt" "$work/$1-$3.txt")" "$(echo "$end - $start" | bc)"
}

rows=()
for png in "$work"/pages/*.png; do
  page=$(basename "$png" .png)
  lang=0 tess=jpn
  [[ $page == english* ]] && lang=1 tess=eng
  img2pdf -o "$work/$page.pdf" "$png"
  read -r now now_s <<<"$(engine now "$build" "$page" $lang)"
  then_cer=- then_s=-
  [[ -z $before ]] || read -r then_cer then_s <<<"$(engine before "$before" "$page" $lang)"
  tesseract "$png" "$work/t-$page" -l $tess >/dev/null 2>&1
  tesseract "$png" "$work/t6-$page" -l $tess --psm 6 >/dev/null 2>&1
  ocrmypdf -q -l $tess "$work/$page.pdf" "$work/o-$page.pdf" >/dev/null 2>&1 || true
  pdftotext "$work/o-$page.pdf" "$work/o-$page.txt" 2>/dev/null || : >"$work/o-$page.txt"
  cer() { python3 bench/cer.py "$work/pages/$page.txt" "$1"; }
  rows+=("| $page | $now% | $(cer "$work/now-$page.mu.txt")% | $then_cer% | $(cer "$work/t-$page.txt")% | $(cer "$work/t6-$page.txt")% | $(cer "$work/o-$page.txt")% | $now_s s | $then_s s |")
done

{
  echo "# Office pages read by their layout"
  echo
  echo "Made by \`bench/layout-bench.sh\` on $(date -u '+%Y-%m-%d %H:%M') UTC, $(nproc --all) cores shared with other work;"
  echo "load average $load_start at the start, $(uptime | sed 's/.*load average: //') at the end."
  echo "Pages written by LibreOffice (justified IPA Mincho 10.5 pt, IPA Gothic headings), rasterised at 300 dpi"
  echo "in grey; the askew ones turned 2.5°, -2° and -3.5° with a little noise. CER by \`bench/cer.py\` (edit distance"
  echo "over characters, blanks left out) against the text in reading order: columns left to right, tables row"
  echo "by row, vertical columns right to left. The engine's layer is read back with pdftotext (poppler) and"
  echo "\`mutool draw -F txt\` (MuPDF), ocrmypdf's with pdftotext;"
  echo "Tesseract's own text as it writes it. OMP_THREAD_LIMIT=1 for every tool; time is the engine's, open to save."
  echo
  echo "| page | engine now | engine now, MuPDF | engine before | \`tesseract -l jpn\` | \`tesseract -l jpn --psm 6\` | \`ocrmypdf -l jpn\` | time now | time before |"
  echo "|---|---|---|---|---|---|---|---|---|"
  printf '%s\n' "${rows[@]}"
} > bench/results-layout.md
cat bench/results-layout.md
