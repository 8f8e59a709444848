#!/usr/bin/env python3
"""Many runs at once on a machine kept busy, as a file manager's
multi-selection on a loaded desktop starts them: every scan must get its
text layer, no run may end with a time-out a quiet machine would not give,
and each run's process tree (the program, its rendering children,
LibreOffice) must stay under 1 GiB.
  bench/load-stress.py PROGRAM_DIR WORK_DIR [RUNS (40)] [BUSY LOOPS (4)]
PROGRAM_DIR holds quilbex, libxdwapi.so.1 and quilbex-render; WORK_DIR/in
holds the pages bench/make-hostile-pages.py makes. Prints a Markdown summary."""
import os, shutil, subprocess, sys, time

import proctree

program, work = sys.argv[1], sys.argv[2]
runs = int(sys.argv[3]) if len(sys.argv) > 3 else 40
busy = int(sys.argv[4]) if len(sys.argv) > 4 else 4
# Scans (a text layer expected) and other kinds, taken in turn.
kinds = [("scan.tif", True), ("scan-rgba.tif", True), ("letter.pdf", True), ("scan.tif", True),
         ("noise-bilevel.tif", False), ("note.txt", False)]
src, out = os.path.join(work, "runs"), os.path.join(work, "out")
shutil.rmtree(src, ignore_errors=True)
shutil.rmtree(out, ignore_errors=True)
os.makedirs(src)
os.makedirs(out)
with open(os.path.join(work, "in", "note.txt"), "w") as f:
    f.write("A short note printed by LibreOffice.\n" * 20)
if not os.path.exists(os.path.join(work, "in", "letter.pdf")):
    subprocess.run(["img2pdf", "-o", os.path.join(work, "in", "letter.pdf"),
                    os.path.join(work, "in", "scan.tif")], check=True)
proctree.write_ocr_settings(program, out)
env = proctree.headless_env()


def rss(pid):
    try:
        with open("/proc/%d/statm" % pid) as f:
            return int(f.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")
    except (OSError, IndexError):
        return 0


loops = [subprocess.Popen(["python3", "-c", "while True: pass"]) for _ in range(busy)]
time.sleep(1)
started = time.monotonic()
procs = []
for i in range(runs):
    name, scan = kinds[i % len(kinds)]
    stem, ext = os.path.splitext(name)
    path = os.path.join(src, "%s-%02d%s" % (stem, i, ext))
    shutil.copy(os.path.join(work, "in", name), path)
    procs.append((subprocess.Popen([os.path.join(program, "quilbex"), path], env=env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True),
                  path, scan))
peaks = [0] * runs
loads = []
while any(p.poll() is None for p, _, _ in procs):
    for i, (p, _, _) in enumerate(procs):
        if p.poll() is None:
            peaks[i] = max(peaks[i], sum(rss(q) for q in [p.pid] + proctree.descendants(p.pid)))
    loads.append(os.getloadavg()[0])
    time.sleep(0.5)
wall = time.monotonic() - started
for loop in loops:
    loop.kill()
statuses, missing, timeouts, reasons = {}, [], [], []
for p, path, scan in procs:
    err = p.stderr.read()
    statuses[p.returncode] = statuses.get(p.returncode, 0) + 1
    if "時間内" in err or "processor time" in err:
        timeouts.append(os.path.basename(path))
    if err.strip():
        reasons.append("%s: %s" % (os.path.basename(path), err.strip().splitlines()[-1]))
    if scan:
        doc = os.path.join(out, os.path.splitext(os.path.basename(path))[0] + ".xdw")
        text = subprocess.run(["pdftotext", doc, "-"], capture_output=True, text=True).stdout \
            if os.path.exists(doc) else ""
        if "Customer" not in text:
            missing.append(os.path.basename(path))
print("- %d runs at once (%s) beside %d busy loops on %d cores: all ended in %.0f s, load average "
      "up to %.0f" % (runs, ", ".join(sorted({k for k, _ in kinds})), busy, os.cpu_count(), wall,
                      max(loads)))
print("- exit statuses: %s" % ", ".join("%s x%d" % (k, v) for k, v in sorted(statuses.items())))
print("- scans without their text layer: %d of %d %s" % (len(missing), sum(s for _, _, s in procs),
                                                           " ".join(missing)))
print("- runs ending with a time-out: %d %s" % (len(timeouts), " ".join(timeouts)))
print("- largest process tree of one run: %.0f MiB" % (max(peaks) / 2**20))
for r in reasons[:10]:
    print("  - %s" % r)
