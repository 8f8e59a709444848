"""The program's runs as the benches start and watch them: the environment
they run in, their settings, and the processes under a run, read from /proc
(the program, its rendering children, LibreOffice)."""
import collections
import os

Process = collections.namedtuple("Process", "parent state start name")


def snapshot():
    """Every process now: pid -> Process (parent pid, state letter, start
    time in clock ticks as written, name)."""
    table = {}
    for p in os.listdir("/proc"):
        if not p.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % p) as f:
                stat = f.read()
        except OSError:
            continue
        close = stat.rfind(")")
        fields = stat[close + 2:].split()
        table[int(p)] = Process(int(fields[1]), fields[0], fields[19],
                                stat[stat.find("(") + 1:close])
    return table


def descendants(top, table=None):
    """The pids under top, top left out, in a snapshot (a new one if none)."""
    table = snapshot() if table is None else table
    children = {}
    for pid, process in table.items():
        children.setdefault(process.parent, []).append(pid)
    todo, found = list(children.get(top, [])), []
    while todo:
        pid = todo.pop()
        found.append(pid)
        todo.extend(children.get(pid, []))
    return found


def headless_env(**extra):
    """The environment the benches run the program in: no display, one
    OpenMP thread for the recogniser, and what extra adds."""
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    env["OMP_THREAD_LIMIT"] = "1"
    env.update(extra)
    return env


def write_ocr_settings(program, out):
    """Quilbex.ini beside the program: no settings window, OCR and turning
    pages upright on, the source kept, documents saved into out."""
    with open(os.path.join(program, "Quilbex.ini"), "w", newline="\r\n") as f:
        f.write("[common]\nShowSetting=N\nOCR=Y\nAutoRotate=Y\nDelFile=N\n[file]\nSaveDir=%s\n" % out)
