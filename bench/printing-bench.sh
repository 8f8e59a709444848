#!/usr/bin/env bash
# Files the program "prints": a large PNG the engine builds a page from
# itself, against img2pdf; and a presentation LibreOffice prints, against
# bare soffice (same profile use: a fresh private profile would cost both the
# same). Whole runs of the program, start to exit. Writes
# bench/results-printing.md.
#   bench/printing-bench.sh [build folder]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
command -v hyperfine >/dev/null || apt-get install -y -q hyperfine >/dev/null
command -v img2pdf >/dev/null || apt-get install -y -q img2pdf >/dev/null
cmake --build "$build" --target quilbex xdwapi >/dev/null

work=$(mktemp -d /tmp/quilbex-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/program" "$work/out" "$work/bare" "$work/in"
cp "$build/bin/quilbex" "$build/bin/libxdwapi.so.1" "$build/bin/quilbex-render" "$work/program/"
unset DISPLAY WAYLAND_DISPLAY
printf '[common]\r\nShowSetting=N\r\nOCR=N\r\n[file]\r\nSaveDir=%s\r\n' "$work/out" > "$work/program/Quilbex.ini"

# A 4000x3000 photo-like PNG, and a five-slide presentation saved as .pptx.
convert -size 4000x3000 plasma:fractal -density 300 "PNG24:$work/in/photo.png"
python3 - "$work/in/talk.odp" <<'PY'
import sys, zipfile
ns = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
      'xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" '
      'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
      'xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" office:version="1.2"')
pages = "".join('<draw:page draw:name="p%d"><draw:frame svg:x="2cm" svg:y="2cm" svg:width="20cm" '
                'svg:height="4cm"><draw:text-box><text:p>Slide %d: Quilbex benchmark</text:p>'
                '</draw:text-box></draw:frame></draw:page>' % (i, i) for i in range(1, 6))
mime = "application/vnd.oasis.opendocument.presentation"
with zipfile.ZipFile(sys.argv[1], "w") as z:
    z.writestr(zipfile.ZipInfo("mimetype"), mime)
    z.writestr("META-INF/manifest.xml",
               '<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" '
               'manifest:version="1.2"><manifest:file-entry manifest:full-path="/" manifest:media-type="%s"/>'
               '<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/>'
               '</manifest:manifest>' % mime)
    z.writestr("content.xml", '<office:document-content %s><office:body><office:presentation>%s'
               '</office:presentation></office:body></office:document-content>' % (ns, pages))
PY
soffice -env:UserInstallation="file://$work/lo" --headless --convert-to pptx --outdir "$work/in" "$work/in/talk.odp" >/dev/null 2>&1

clean="rm -rf $work/out/* $work/bare/*"
hyperfine --style none --runs 3 --prepare "$clean" --export-json "$work/png.json" \
  "$work/program/quilbex $work/in/photo.png" "img2pdf -o $work/bare/i.pdf $work/in/photo.png" >/dev/null
hyperfine --style none --warmup 1 --runs 3 --prepare "$clean" --export-json "$work/pptx.json" \
  "$work/program/quilbex $work/in/talk.pptx" \
  "soffice -env:UserInstallation=file://$work/lo --headless --convert-to pdf --outdir $work/bare $work/in/talk.pptx" >/dev/null

python3 - "$work" > bench/results-printing.md <<'PY'
import json, sys, platform, os
work = sys.argv[1]
rows = [("png", "4000x3000 PNG (built by the engine)", ["quilbex", "img2pdf"]),
        ("pptx", ".pptx (printed by LibreOffice)", ["quilbex", "soffice --convert-to pdf"])]
print("| input | tool | wall s | ± s | CPU s (user+sys) | quilbex minus the other, wall |")
print("|---|---|---|---|---|---|")
for key, title, names in rows:
    res = json.load(open(os.path.join(work, key + ".json")))["results"]
    diff = "%+.3f s" % (res[0]["mean"] - res[1]["mean"])
    for i, (name, r) in enumerate(zip(names, res)):
        cpu = sum(r["user"]) / len(r["user"]) + sum(r["system"]) / len(r["system"]) if isinstance(r["user"], list) else r["user"] + r["system"]
        print("| %s | %s | %.3f | %.3f | %.3f | %s |" % (title if i == 0 else "", name, r["mean"], r["stddev"], cpu, diff if i == 0 else ""))
print()
print("Machine: %s, %d cores; load average %s at the end." % (platform.processor() or platform.machine(), os.cpu_count(), " ".join("%.2f" % x for x in os.getloadavg())))
PY
cat bench/results-printing.md
