#!/usr/bin/python3
"""Coverage marks (engine/src/Marks.h): every XDW_MARK of the engine's code is in the list and every
mark of the list in the code; and, after a run of the whole suite (QUILBEX_CHECK_MARKS=1, set by
scripts/test.sh), every mark of the list was reached.
    check_marks.py LIST SOURCES REACHED"""
import os
import pathlib
import re
import sys

listed = {l.strip() for l in open(sys.argv[1], encoding="utf-8") if l.strip() and not l.startswith("#")}
coded = set()
for path in pathlib.Path(sys.argv[2]).rglob("*.cpp"):
    coded |= set(re.findall(r'XDW_MARK\("([^"]+)"\)', path.read_text(encoding="utf-8")))
faults = [f"in the code, not in the list: {m}" for m in sorted(coded - listed)]
faults += [f"in the list, not in the code: {m}" for m in sorted(listed - coded)]
if os.environ.get("QUILBEX_CHECK_MARKS") == "1":
    reached = set()
    if os.path.exists(sys.argv[3]):
        reached = {l.strip() for l in open(sys.argv[3], encoding="utf-8")}
    faults += [f"reached by no test: {m}" for m in sorted(listed - reached)]
print("\n".join(faults) or f"{len(listed)} marks")
sys.exit(1 if faults else 0)
