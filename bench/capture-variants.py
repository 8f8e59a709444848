#!/usr/bin/python3
"""Held-out variants of the capture pages: bench/make-capture-pages.py run with
its degradation seeds moved (every variant) and, by variant, its Mincho and
Gothic swapped (fonts), its text 0.85 or 1.2 times the size (size0.85,
size1.2), its texts swapped between pages of one shape (texts), or its seals
and stamps in other inks, its photos' shadows deeper and its scans askew the
other way (devices). The engine was tuned on the pages themselves; a rule
that only fits them shows here. Read a set with capture-bench.py.
    /usr/bin/python3 bench/capture-variants.py OUT seeds|fonts|size0.85|size1.2|texts|devices"""
import os
import random
import sys

here = os.path.dirname(os.path.abspath(__file__))
maker = os.path.join(here, "make-capture-pages.py")
with open(maker, encoding="utf-8") as f:
    source = f.read().rsplit("main()", 1)[0]
g = {"__name__": "capture_pages", "__file__": maker}
exec(compile(source, maker, "exec"), g)
out, variant = sys.argv[1], sys.argv[2]


class Moved(random.Random):
    def __init__(self, seed=None):
        super().__init__(seed + 1000 if isinstance(seed, int) else seed)


g["random"].Random = Moved
if variant == "fonts":
    g["MINCHO"], g["GOTHIC"] = g["GOTHIC"], g["MINCHO"]
    g["PMINCHO"], g["PGOTHIC"] = g["PGOTHIC"], g["PMINCHO"]
elif variant.startswith("size"):
    k, text_page = float(variant[4:]), g["text_page"]
    g["text_page"] = lambda lines, font, pt, *a, **kw: text_page(lines, font, pt * k, *a, **kw)
elif variant == "texts":
    names = ["LETTER", "NOTICE", "MINUTES", "ORDER", "REPORT", "MEMO", "SHIPPING", "PARKING", "TRIP",
             "PARTS", "MEETING", "TRANSFER", "TRAINING", "HOLIDAY", "NOTICE2", "NOTICE3", "URGENT"]
    texts = [g[n] for n in names]
    for name, text in zip(names, texts[5:] + texts[:5]):
        g[name] = text
    for a, b in (("RECEIPT", "RECEIPT2"), ("INVOICE", "INVOICE2")):
        g[a], g[b] = g[b], g[a]
elif variant == "devices":
    sealed, stamped, photo, bordered = g["sealed"], g["stamped"], g["photo"], g["bordered"]
    inks = iter([(40, 70, 200), (235, 90, 30)])
    g["sealed"] = lambda lines, font, pt, centre, colour, names: sealed(
        lines, font, pt, centre, next(inks), names)
    other = {(40, 70, 200): (215, 60, 50), (30, 60, 190): (230, 80, 40),
             (215, 70, 45): (30, 80, 210), (210, 50, 50): (50, 90, 200)}
    g["stamped"] = lambda lines, font, pt, paper, box, colour, label: stamped(
        lines, font, pt, paper, box, other.get(colour, colour), label)
    g["photo"] = lambda page, seed, shadow=-35: photo(page, seed, int(shadow * 1.5))
    g["bordered"] = lambda lines, font, pt, angle, grey, *a: bordered(lines, font, pt, -angle, grey, *a)
elif variant != "seeds":
    sys.exit(__doc__)
sys.argv = [maker, out]
g["main"]()
