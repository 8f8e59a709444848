#!/usr/bin/env python3
"""Every hostile page kind with OCR on: run to its end (wall and processor
time, exit status, characters of text) and stopped by SIGTERM while its OCR
is under way (time from the signal to the exit, rendering children started
after the signal, processes left behind).
  [STOP_AT=model] bench/stop-bench.py PROGRAM_DIR WORK_DIR [KIND...]
STOP_AT=model sends the signal while Tesseract loads its models (a
.traineddata file open), the one step of a page that cannot be cut short.
CPU_GROUP=/sys/fs/cgroup/cpu/NAME runs the program (not the bench) in that
cgroup (v1 cpu controller, made beforehand, e.g. with cpu.cfs_quota_us 10000
of 100000 for a tenth of a processor).
PROGRAM_DIR holds quilbex, libxdwapi.so.1 and quilbex-render; the inputs are
made by bench/make-hostile-pages.py into WORK_DIR/in. Prints a Markdown table."""
import os, resource, signal, subprocess, sys, time

import proctree

program, work = sys.argv[1], sys.argv[2]
kinds = sys.argv[3:] or ["scan.tif", "scan-rgba.tif", "noise-bilevel.tif", "noise-rgb.tif",
                         "nested.pdf", "scans-500.pdf", "pages-2000.tif"]
# Runs to the end are left out for the long documents: their stop is what counts.
to_end = {"scan.tif", "scan-rgba.tif", "noise-bilevel.tif", "noise-rgb.tif", "nested.pdf"}
# A stop during the model load is about the stop alone: REPEAT stops of each kind, no run to the end.
repeat = int(os.environ.get("REPEAT", "1"))
if os.environ.get("STOP_AT") == "model":
    to_end = set()
out = os.path.join(work, "out")
os.makedirs(out, exist_ok=True)
proctree.write_ocr_settings(program, out)
env = proctree.headless_env()
group = os.environ.get("CPU_GROUP")


def command(kind):
    """The program on kind, in the cgroup when one is named (the shell joins it, then execs)."""
    argv = [os.path.join(program, "quilbex"), os.path.join(work, "in", kind)]
    if not group:
        return argv
    return ["sh", "-c", 'echo $$ > "$0"/cgroup.procs && exec "$@"', group] + argv


def descendants(pid):
    return set(proctree.descendants(pid))


def name(pid):
    try:
        with open("/proc/%d/comm" % pid) as f:
            return f.read().strip()
    except OSError:
        return ""


def loading_model(pid):
    try:
        fds = os.listdir("/proc/%d/fd" % pid)
    except OSError:
        return False
    for fd in fds:
        try:
            if os.readlink("/proc/%d/fd/%s" % (pid, fd)).endswith(".traineddata"):
                return True
        except OSError:
            pass
    return False


def cpu_seconds(pid):
    """The process's own processor time so far (its threads'), or None once it is gone."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
    except (OSError, IndexError, ValueError):
        return None


def clean():
    for entry in os.listdir(out):
        os.remove(os.path.join(out, entry))


def text_chars(kind):
    doc = os.path.join(out, os.path.splitext(kind)[0] + ".xdw")
    if not os.path.exists(doc):
        return "-"
    # A viewer's text extraction has no bound of its own (forms nested 9 deep).
    try:
        text = subprocess.run(["pdftotext", "-l", "1", doc, "-"], capture_output=True, text=True,
                              timeout=60).stdout
    except subprocess.TimeoutExpired:
        return "(pdftotext gave up)"
    return str(len("".join(text.split())))


def to_the_end(kind):
    clean()
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    run = subprocess.run(command(kind),
                         env=env, capture_output=True, text=True)
    wall = time.monotonic() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime
    reason = run.stderr.strip().splitlines()[-1] if run.stderr.strip() else ""
    return wall, cpu, run.returncode, text_chars(kind), after.ru_maxrss // 1024, reason


def stopped(kind):
    clean()
    doc = os.path.join(out, os.path.splitext(kind)[0] + ".xdw")
    proc = subprocess.Popen(command(kind),
                            env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    start = time.monotonic()
    # OCR is under way once the document is there and a page is being read
    # (a rendering child, or a second after the document appeared).
    seen_doc = None
    while proc.poll() is None and time.monotonic() - start < 600:
        if os.environ.get("STOP_AT") == "model":
            if loading_model(proc.pid):
                break
            time.sleep(0.001)
            continue
        if seen_doc is None and os.path.exists(doc):
            seen_doc = time.monotonic()
        renderers = [p for p in descendants(proc.pid) if name(p) == "quilbex-render"]
        if seen_doc is not None and (renderers or time.monotonic() - seen_doc > 1.0):
            break
        time.sleep(0.02)
    if proc.poll() is not None:
        return None
    before = {p for p in descendants(proc.pid) if name(p) == "quilbex-render"}
    cpu_before = cpu_seconds(proc.pid) or 0.0
    cpu_last = cpu_before
    signalled = time.monotonic()
    proc.send_signal(signal.SIGTERM)
    started_after = set()
    tree = descendants(proc.pid)
    while proc.poll() is None and time.monotonic() - signalled < 120:
        cpu_last = cpu_seconds(proc.pid) or cpu_last
        now = descendants(proc.pid)
        tree |= now
        started_after |= {p for p in now if name(p) == "quilbex-render"} - before
        time.sleep(0.01)
    exit_s = time.monotonic() - signalled
    if proc.poll() is None:
        proc.kill()
    proc.wait()
    time.sleep(3)
    left = [p for p in tree if os.path.exists("/proc/%d" % p) and name(p)]
    return (exit_s, proc.returncode, len(started_after), len(left), signalled - start,
            cpu_last - cpu_before)


print("| input | to the end: wall s | processor s | status | text chars (page 1) | peak MiB |"
      " SIGTERM after s | exit after SIGTERM s | processor s after it | status |"
      " renderers started after | left after 3 s |")
print("|---|---|---|---|---|---|---|---|---|---|---|---|")
for kind in [k for k in kinds for _ in range(repeat)]:
    end = to_the_end(kind) if kind in to_end else None
    stop = stopped(kind)
    cells = ["%.1f" % end[0], "%.1f" % end[1], str(end[2]), end[3], str(end[4])] if end else ["-"] * 5
    cells += (["%.1f" % stop[4], "%.2f" % stop[0], "%.2f" % stop[5], str(stop[1]), str(stop[2]),
               str(stop[3])] if stop else ["(ended first)"] + ["-"] * 5)
    print("| %s | %s |" % (kind, " | ".join(cells)), flush=True)
    if end and end[5]:
        print("|  | %s |" % end[5], flush=True)
