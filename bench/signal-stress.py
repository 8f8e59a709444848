#!/usr/bin/env python3
"""Signals at random moments while deletion is on: a stop asked for never
ends in a deletion without a complete document, and nothing of a run is left
running 3 s after it ended. Writes its results to standard output (the last
ones are kept in bench/README.md).

  bench/signal-stress.py [build folder] [runs] [at once]   (default: build 100 2)
  MOMENTS=office bench/signal-stress.py build 40 3           (LibreOffice's start only)

Each run converts a file of its own with DelFile=Y: a text file (printed by
LibreOffice), a one-page scan PDF with OCR (direct, then the OCR pass) or a
PDF without OCR. It gets one signal (SIGTERM, SIGHUP or SIGINT) at one of
these moments:
  exec       within the first 30 ms after exec (while the system loads the
             program and its libraries, and just after: MOMENTS=exec only);
  start      within the first 0.3 s after exec;
  office     the moment soffice.bin appears in the run's tree of processes;
  any        at a random time within the run's usual length.
Then, for each run: its exit status; whether its source is gone; whether a
document is there and complete (pdfinfo reads it, its pages are all there);
and whether any process of its tree is still alive 3 s after it ended.
Counted as faults: a source gone without a complete document, a source
that was still there when the signal was sent and is gone after, a process
left, a run killed by the signal's default action once it had begun its work
(one killed while the system still loads the program, before any of its code
runs, is counted apart: nothing has been done then; whether the program's
first step had run is read from /proc as the signal is sent, so a run that
held it and was ended by it all the same is a fault)."""
import os, random, signal, subprocess, sys, tempfile, time, shutil, threading

import proctree

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "build"))
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 100
together = int(sys.argv[3]) if len(sys.argv) > 3 else 2
work = tempfile.mkdtemp(prefix="quilbex-signals-")
program = os.path.join(work, "program")
inputs = os.path.join(work, "in")
out = os.path.join(work, "out")
for d in (program, inputs, out):
    os.makedirs(d)
for name in ("quilbex", "libxdwapi.so.1"):
    shutil.copy(os.path.join(build, "bin", name), program)
env = proctree.headless_env(XDG_RUNTIME_DIR=os.path.join(work, "run"))
os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
rng = random.Random(int(os.environ.get("SEED", "38")))
# The runs are started with the signals' default actions, whatever this script
# inherited (a background job of a shell ignores SIGINT, nohup SIGHUP): a
# signal a program is started ignoring stays ignored.
for s in (signal.SIGINT, signal.SIGHUP, signal.SIGTERM):
    if signal.getsignal(s) == signal.SIG_IGN:
        signal.signal(s, signal.SIG_DFL)


def sh(*argv):
    subprocess.run(argv, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def settings(ocr):
    with open(os.path.join(program, "Quilbex.ini"), "w") as f:
        f.write("[common]\r\nShowSetting=N\r\nDelFile=Y\r\nOCR=%s\r\n[file]\r\nSaveDir=%s\r\n"
                % ("Y" if ocr else "N", out))


# The kinds of run and how many pages their document has.
page = os.path.join(work, "page")
sh("pdftoppm", "-r", "200", "-gray", "-png", "-f", "1", "-l", "1",
   os.path.join(root, "samples", "sample.pdf"), page)
scan_png = [os.path.join(work, f) for f in os.listdir(work) if f.startswith("page")][0]
sh("img2pdf", "--pagesize", "A4", "-o", os.path.join(work, "scan.pdf"), scan_png)
text = "".join("Line %d of a letter that LibreOffice prints.\n" % i for i in range(120))
KINDS = ("text", "scan-ocr", "pdf")


def make_source(i, kind):
    if kind == "text":
        path = os.path.join(inputs, "letter%03d.txt" % i)
        with open(path, "w") as f:
            f.write(text)
    else:
        path = os.path.join(inputs, "%s%03d.pdf" % (kind, i))
        shutil.copy(os.path.join(work, "scan.pdf"), path)
    return path


def tree(top):
    """The processes under top (pid -> (start time, name)), top included."""
    table = proctree.snapshot()
    return {pid: (table[pid].start, table[pid].name)
            for pid in [top] + proctree.descendants(top, table) if pid in table}


def alive(pid, start):
    try:
        with open("/proc/%d/stat" % pid) as f:
            stat = f.read()
    except OSError:
        return False
    fields = stat[stat.rfind(")") + 2:].split()
    return fields[19] == start and fields[0] != "Z"


def holds(pid, sig):
    """Whether the process holds back, catches or ignores sig: its own code
    has run, where the default action no longer ends it."""
    try:
        with open("/proc/%d/status" % pid) as f:
            fields = dict(line.split(":", 1) for line in f if line.startswith("Sig"))
    except OSError:
        return None
    bit = 1 << (sig - 1)
    return any(int(fields[k], 16) & bit for k in ("SigBlk", "SigCgt", "SigIgn"))


def complete(document, pages):
    try:
        info = subprocess.run(["pdfinfo", document], capture_output=True, text=True, timeout=30)
    except (OSError, subprocess.TimeoutExpired):
        return False
    for line in info.stdout.splitlines():
        if line.startswith("Pages:"):
            return info.returncode == 0 and int(line.split()[1]) >= pages
    return False


lock = threading.Lock()
results = []


def one(i, kind, moment, sig):
    source = make_source(i, kind)
    stem = os.path.splitext(os.path.basename(source))[0]
    document = os.path.join(out, stem + ".xdw")
    started = time.monotonic()
    proc = subprocess.Popen([os.path.join(program, "quilbex"), "--", source], env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    seen, sent, office_seen, existed = {}, None, False, False
    delay = {"start": rng.uniform(0, 0.3), "any": rng.uniform(0, 6 if kind == "text" else 3),
             "exec": rng.uniform(0, 0.03)}
    held = None
    if moment == "exec":
        # Too soon for a look at the tree of processes first; only whether
        # the program's own first step has run yet (the signal held back or
        # caught), which can only go from no to yes before it is sent.
        while time.monotonic() - started < delay[moment]:
            pass
        existed = os.path.exists(source)
        held = holds(proc.pid, sig)
        proc.send_signal(sig)
        sent = time.monotonic() - started
    while proc.poll() is None:
        now = tree(proc.pid)
        seen.update(now)
        office = any(name == "soffice.bin" for _, name in now.values())
        office_seen = office_seen or office
        due = (moment == "office" and office) or (
            moment != "office" and time.monotonic() - started >= delay[moment])
        if sent is None and due:
            existed = os.path.exists(source)
            held = holds(proc.pid, sig)
            proc.send_signal(sig)
            sent = time.monotonic() - started
        time.sleep(0.002 if sent is None else 0.02)
    status = proc.returncode
    ended = time.monotonic()
    time.sleep(3)
    left = [(pid, name) for pid, (start, name) in seen.items()
            if pid != proc.pid and alive(pid, start)]
    gone = not os.path.exists(source)
    whole = os.path.exists(document) and complete(document, 1)
    row = dict(i=i, kind=kind, moment=moment, sig=signal.Signals(sig).name, sent=sent,
               status=status, gone=gone, whole=whole, left=left, office=office_seen, existed=existed,
               seconds=ended - started)
    faults = []
    if gone and not whole:
        faults.append("source deleted without a complete document")
    if gone and existed:
        faults.append("source deleted after the stop")
    if left:
        faults.append("processes left: %s" % left)
    # Killed by the default action: harmless while the system still loads
    # the program (nothing done yet), a fault once it has begun its work.
    loading = status is not None and status < 0 and not gone and not os.path.exists(document)
    if held is not None:
        loading = loading and not held  # as it was when the signal was sent
    if status is not None and status < 0 and not loading:
        faults.append("killed by %s during its work" % signal.Signals(-status).name)
    row["loading"] = loading
    row["held"] = held
    row["faults"] = faults
    with lock:
        results.append(row)
        print("%3d %-8s %-6s %-7s sent %5s s  exit %3s  %s%s%s" % (
            i, kind, moment, row["sig"], "-" if sent is None else "%.3f" % sent, status,
            "deleted " if gone else "", "document " if whole else "",
            "FAULT: " + "; ".join(faults) if faults else ""), flush=True)
    if os.path.exists(document):
        os.remove(document)


# MOMENTS=office (or start, any, comma-separated) keeps to those moments.
only = [m for m in os.environ.get("MOMENTS", "").split(",") if m]
plan = []
for i in range(runs):
    kind = "text" if only == ["office"] else KINDS[i % len(KINDS)]
    choices = ("office", "office", "any", "start") if kind == "text" else ("any", "start")
    moment = "exec" if only == ["exec"] else rng.choice(
        [m for m in choices if not only or m in only] or choices)
    plan.append((i, kind, moment, rng.choice((signal.SIGTERM, signal.SIGHUP, signal.SIGINT))))
# OCR on or off is one setting of the program folder: the scans with OCR go
# first, all together, then the rest.
for ocr, group in ((True, [p for p in plan if p[1] == "scan-ocr"]),
                   (False, [p for p in plan if p[1] != "scan-ocr"])):
    settings(ocr)
    for start in range(0, len(group), together):
        threads = [threading.Thread(target=one, args=p) for p in group[start:start + together]]
        for t in threads:
            t.start()
        for t in threads:
            t.join()

faults = [r for r in results if r["faults"]]
print("\nruns %d (%s), at once %d, %d cores, load %.1f" % (
    len(results), ", ".join("%s %d" % (k, sum(r["kind"] == k for r in results)) for k in KINDS),
    together, len(os.sched_getaffinity(0)), os.getloadavg()[0]))
for moment in ("exec", "start", "office", "any"):
    rows = [r for r in results if r["moment"] == moment]
    if not rows:
        continue
    statuses = {}
    for r in rows:
        statuses[r["status"]] = statuses.get(r["status"], 0) + 1
    print("  %-6s %3d runs: exit %s; source deleted %d (with a complete document %d)" % (
        moment, len(rows), ", ".join("%s x%d" % kv for kv in sorted(statuses.items())),
        sum(r["gone"] for r in rows), sum(r["gone"] and r["whole"] for r in rows)))
print("sources deleted after the stop was sent: %d" % sum(r["gone"] and r.get("existed") for r in results))
print("ended by the default action while the system loaded the program: %d" %
      sum(r["loading"] for r in results))
print("sources deleted without a complete document: %d" %
      sum(r["gone"] and not r["whole"] for r in results))
print("processes left 3 s after the run ended: %d" % sum(len(r["left"]) for r in results))
killed = [r["sent"] for r in results if r["loading"]]
held = [r["sent"] for r in results if r["moment"] == "exec" and r["status"] == 4]
before = [r for r in results if r.get("held") is False]
if killed or held:
    print("early signals: ended by the default action while the system loaded the program %d"
          " (the latest %s ms after exec); sent in the first 30 ms, held and honoured as a stop"
          " (status 4) %d (the earliest %s ms after exec)" % (
              len(killed), "%.1f" % (max(killed) * 1000) if killed else "-",
              len(held), "%.1f" % (min(held) * 1000) if held else "-"))
if before:
    print("  sent before the program's first step had run: %d (ended by the default action %d,"
          " held after all and honoured as a stop %d)" % (
              len(before), sum(r["loading"] for r in before), sum(r["status"] == 4 for r in before)))
print("faults: %d" % len(faults))
shutil.rmtree(work, ignore_errors=True)
sys.exit(1 if faults else 0)
