#!/usr/bin/env python3
"""Many runs at once, the way a file manager starts them for a selection,
against the same runs one after another. Writes bench/results-batch.md.

  bench/batch-bench.py [build folder]     (default: build)

Ten runs (4 DOCX, 3 XLSX, 3 two-page scans with OCR) one after another, then
the same ten started together; then thirty at once (the ten, three times) with
the name pattern yyyymmddhhnnss. While runs work, the whole tree of processes
under the launcher is sampled every 0.1 s: processes, LibreOffice processes
(soffice.bin) and the memory of the tree (resident set, summed)."""
import os, subprocess, sys, tempfile, time, shutil, glob, platform

import proctree

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "build"))
if not os.path.exists(os.path.join(build, "bin", "libxdwapi.so.1")):
    subprocess.run(["cmake", "--build", build, "--target", "quilbex", "xdwapi"], check=True,
                   stdout=subprocess.DEVNULL)
work = tempfile.mkdtemp(prefix="quilbex-batch-")
program = os.path.join(work, "program")
inputs = os.path.join(work, "in")
for d in (program, inputs):
    os.makedirs(d)
for name in ("quilbex", "libxdwapi.so.1"):
    shutil.copy(os.path.join(build, "bin", name), program)
env = proctree.headless_env(XDG_RUNTIME_DIR=os.path.join(work, "run"))
os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
cores = len(os.sched_getaffinity(0))


def sh(*argv):
    subprocess.run(argv, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def make_inputs():
    lo = "-env:UserInstallation=file://" + os.path.join(work, "lo")
    for i in range(4):
        text = os.path.join(inputs, "letter%d.txt" % i)
        with open(text, "w") as f:
            for p in range(3):
                f.write("Letter %d, page %d. Quilbex converts many files at once.\n" % (i, p) * 40)
                f.write("\f")
        sh("soffice", lo, "--headless", "--convert-to", "docx", "--outdir", inputs, text)
        os.remove(text)
    for i in range(3):
        csv = os.path.join(inputs, "sheet%d.csv" % i)
        with open(csv, "w") as f:
            for r in range(200):
                f.write("%d,item %d,%d,%d\n" % (r, r, r * 3 + i, r * 7))
        sh("soffice", lo, "--headless", "--convert-to", "xlsx", "--outdir", inputs, csv)
        os.remove(csv)
    page = os.path.join(work, "page")
    sh("pdftoppm", "-r", "300", "-gray", "-png", os.path.join(root, "samples", "sample.pdf"), page)
    png = sorted(glob.glob(page + "*.png"))[0]
    for i in range(3):
        sh("img2pdf", "--pagesize", "A4", "-o", os.path.join(inputs, "scan%d.pdf" % i), png, png)
    return sorted(os.path.join(inputs, f) for f in os.listdir(inputs))


def settings(out, pattern):
    os.makedirs(out)
    with open(os.path.join(program, "Quilbex.ini"), "w") as f:
        f.write("[common]\r\nShowSetting=N\r\nOCR=Y\r\n[file]\r\nSaveDir=%s\r\nFileName=%s\r\n"
                % (out, pattern))


def tree_sample(top):
    """Processes under top: (count, soffice.bin count, resident KiB)."""
    table = proctree.snapshot()
    tree = [top] + proctree.descendants(top, table)
    dead = {pid for pid in tree if pid in table and table[pid].state == "Z"}  # ended, not reaped
    rss = pss = 0
    for pid in tree[1:]:
        try:
            with open("/proc/%d/smaps_rollup" % pid) as f:
                for line in f:
                    if line.startswith("Rss:"):
                        rss += int(line.split()[1])
                    elif line.startswith("Pss:"):
                        pss += int(line.split()[1])
        except OSError:
            pass
    office = sum(1 for pid in tree
                 if pid in table and table[pid].name == "soffice.bin" and pid not in dead)
    return len([pid for pid in tree[1:] if pid not in dead]), office, rss, pss


def together(files, out, pattern=""):
    """All runs at once from one launcher shell; peaks of the tree."""
    settings(out, pattern)
    script = "".join('"%s/quilbex" -- "%s" 2>>"%s/errors" & ' % (program, f, work) for f in files)
    start = time.monotonic()
    launcher = subprocess.Popen(["sh", "-c", script + "wait"], env=env)
    peak = [0, 0, 0, 0]
    while launcher.poll() is None:
        sample = tree_sample(launcher.pid)
        peak = [max(a, b) for a, b in zip(peak, sample)]
        time.sleep(0.1)
    return time.monotonic() - start, peak


def one_after_another(files, out):
    settings(out, "")
    start = time.monotonic()
    for f in files:
        with open(os.path.join(work, "errors"), "a") as errors:
            subprocess.run([os.path.join(program, "quilbex"), "--", f], env=env, stderr=errors)
    return time.monotonic() - start


def log_whole():
    """The log is one run's: code page 932, every line ended by CR LF."""
    data = open(os.path.join(program, "Quilbex.log"), "rb").read()
    data.decode("cp932")
    lines = data.split(b"\r\n")
    return data.endswith(b"\r\n") and all(b"\r" not in l and b"\n" not in l for l in lines)


def left_waiting():
    run = os.path.join(env["XDG_RUNTIME_DIR"], "quilbex")
    return len(glob.glob(os.path.join(run, "wait-*")))


try:
    files = make_inputs()
except BaseException:
    shutil.rmtree(work)
    raise
print("inputs:", ", ".join(os.path.basename(f) for f in files), file=sys.stderr)
rows = []
out = os.path.join(work, "seq")
sequential = one_after_another(files, out)
made_seq = len(os.listdir(out))
out = os.path.join(work, "ten")
ten, peak10 = together(files, out)
made10 = len(os.listdir(out))
out = os.path.join(work, "thirty")
thirty_files = []
for copy in range(3):
    d = os.path.join(inputs, "copy%d" % copy)
    os.makedirs(d)
    for f in files:
        shutil.copy(f, d)
        thirty_files.append(os.path.join(d, os.path.basename(f)))
thirty, peak30 = together(thirty_files, out, "yyyymmddhhnnss")
made30 = len([f for f in os.listdir(out) if f.endswith(".xdw")])
whole = log_whole()
waiting = left_waiting()

with open(os.path.join(root, "bench", "results-batch.md"), "w") as r:
    r.write("| runs | how | documents | wall s | peak processes | peak soffice.bin "
            "| peak tree RSS MiB | peak tree PSS MiB |\n")
    r.write("|---|---|---|---|---|---|---|---|\n")
    r.write("| 10 | one after another | %d/10 | %.1f | | | | |\n" % (made_seq, sequential))
    for runs, how, made, wall, peak in ((10, "at once", made10, ten, peak10),
                                        (30, "at once, yyyymmddhhnnss", made30, thirty, peak30)):
        r.write("| %d | %s | %d/%d | %.1f | %d | %d | %.0f | %.0f |\n"
                % (runs, how, made, runs, wall, peak[0], peak[1], peak[2] / 1024, peak[3] / 1024))
    r.write("\n10 at once against one after another divided by %d cores: %.2fx (goal at most 1.1x).\n"
            % (cores, ten / (sequential / cores)))
    r.write("Log after the 30 runs: %s; runs left waiting: %d.\n"
            % ("whole (one run's lines, code page 932, CR LF)" if whole else "TORN", waiting))
    r.write("Machine: %s, %d cores, load average %.1f at the end (shared with other work).\n"
            % (platform.machine(), cores, os.getloadavg()[0]))
print(open(os.path.join(root, "bench", "results-batch.md")).read())
errors = os.path.join(work, "errors")
if os.path.exists(errors) and os.path.getsize(errors):
    print("standard error of the runs:\n" + open(errors).read()[:3000], file=sys.stderr)
shutil.rmtree(work)
