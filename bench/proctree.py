"""The processes under a process, read from /proc, as the benches sample a
run's tree (the program, its rendering children, LibreOffice)."""
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
