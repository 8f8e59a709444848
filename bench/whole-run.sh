#!/usr/bin/env bash
# Whole runs, start to exit: the program against the engine's own work for the
# same conversion (engine_call_bench) and against the bare tool a user would
# otherwise pick. Writes bench/results-whole-run.md.
#   bench/whole-run.sh [build folder]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
command -v hyperfine >/dev/null || apt-get install -y -q hyperfine >/dev/null
for tool in img2pdf ocrmypdf qpdf; do command -v $tool >/dev/null || apt-get install -y -q $tool >/dev/null; done
cmake --build "$build" --target quilbex xdwapi engine_call_bench >/dev/null

work=$(mktemp -d /tmp/quilbex-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/program" "$work/out" "$work/bare" "$work/in"
cp "$build/bin/quilbex" "$build/bin/libxdwapi.so.1" "$build/bin/quilbex-render" "$work/program/"
engine="$build/bin/engine_call_bench"
unset DISPLAY WAYLAND_DISPLAY
export OMP_THREAD_LIMIT=1

settings() {  # OCR flag
  printf '[common]\r\nShowSetting=N\r\nOCR=%s\r\nAutoRotate=%s\r\n[file]\r\nSaveDir=%s\r\n' \
    "$1" "$1" "$work/out" > "$work/program/Quilbex.ini"
}

# Inputs: a 10-page text PDF, a photo, a 10-page scan, an office file.
pdftoppm -r 300 -mono -png samples/sample.pdf "$work/in/page" >/dev/null
for i in $(seq 1 10); do cp "$work/in/page-1.png" "$work/in/scan-$i.png"; done
img2pdf --pagesize A4 -o "$work/in/scan10.pdf" "$work"/in/scan-*.png
for i in $(seq 1 10); do echo "Page $i of the report. Quilbex benchmark text."; printf '\f'; done > "$work/in/report.txt"
soffice -env:UserInstallation="file://$work/lo" --headless --convert-to pdf --outdir "$work/in" "$work/in/report.txt" >/dev/null 2>&1
soffice -env:UserInstallation="file://$work/lo" --headless --convert-to odt --outdir "$work/in" "$work/in/report.txt" >/dev/null 2>&1
convert -size 3000x2000 plasma:fractal -quality 90 "$work/in/photo.jpg"

clean="rm -rf $work/out/* $work/bare/*"
run() {  # name runs commands...
  local name=$1 runs=$2; shift 2
  hyperfine --style none --warmup 1 --runs "$runs" --prepare "$clean" --export-json "$work/$name.json" "$@" >/dev/null
}

settings N
run pdf 20 "$work/program/quilbex $work/in/report.pdf" "$engine pdf $work/in/report.pdf $work/bare/e.xdw" \
  "qpdf $work/in/report.pdf $work/bare/q.pdf"
run jpeg 20 "$work/program/quilbex $work/in/photo.jpg" "$engine image $work/in/photo.jpg $work/bare/e.xdw" \
  "img2pdf -o $work/bare/i.pdf $work/in/photo.jpg"
run office 3 "$work/program/quilbex $work/in/report.odt" \
  "soffice -env:UserInstallation=file://$work/lo --headless --convert-to pdf --outdir $work/bare $work/in/report.odt"
settings Y
run scan 3 "$work/program/quilbex $work/in/scan10.pdf" "$engine ocr $work/in/scan10.pdf $work/bare/e.xdw" \
  "ocrmypdf -q -l jpn+eng --rotate-pages $work/in/scan10.pdf $work/bare/o.pdf"

python3 - "$work" > bench/results-whole-run.md <<'PY'
import json, sys, platform, os
work = sys.argv[1]
rows = [("pdf", "10-page PDF", ["quilbex", "engine alone", "qpdf"]),
        ("jpeg", "3000x2000 JPEG", ["quilbex", "engine alone", "img2pdf"]),
        ("scan", "10-page scan, OCR + auto-rotate", ["quilbex", "engine alone", "ocrmypdf"]),
        ("office", "10-page .odt (application printing)", ["quilbex", "soffice --convert-to pdf"])]
print("| input | " + " | ".join(["tool", "mean s", "± s"]) + " | program overhead |")
print("|---|---|---|---|---|")
for key, title, names in rows:
    res = json.load(open(os.path.join(work, key + ".json")))["results"]
    means = [r["mean"] for r in res]
    overhead = ""
    if len(res) == 3:
        overhead = "%.0f ms" % ((means[0] - means[1]) * 1000)
    for i, (name, r) in enumerate(zip(names, res)):
        print("| %s | %s | %.3f | %.3f | %s |" % (title if i == 0 else "", name, r["mean"], r["stddev"], overhead if i == 0 else ""))
print()
print("Machine: %s, %d cores; OMP_THREAD_LIMIT=1." % (platform.processor() or platform.machine(), os.cpu_count()))
PY
cat bench/results-whole-run.md
