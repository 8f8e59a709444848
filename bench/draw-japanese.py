#!/usr/bin/env python3
"""Draws an A4 page of Japanese at 300 dpi (IPA Mincho) with ImageMagick and
writes the text drawn on it, in reading order, beside it (OUT.png.txt).
    bench/draw-japanese.py vertical OUT.png SHIFT     columns, right to left
    bench/draw-japanese.py horizontal OUT.png SHIFT   a title over two columns of lines
SHIFT picks which sentences of bench/ja-text.txt the page starts with."""
import os
import subprocess
import sys

FONT = "/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf"
W, H = 2480, 3508
kind, out, shift = sys.argv[1], sys.argv[2], int(sys.argv[3])
here = os.path.dirname(os.path.abspath(__file__))
sentences = [l.strip() for l in open(os.path.join(here, "ja-text.txt"), encoding="utf-8") if l.strip()]
pick = lambda i: sentences[(i + shift) % len(sentences)]

args = ["convert", "-size", f"{W}x{H}", "xc:white", "-density", "300", "-units", "PixelsPerInch",
        "-font", FONT, "-fill", "black"]
text = []
if kind == "vertical":
    pt = 12
    px = pt * 300 // 72
    x = W - 250 - px
    i = 0
    while x > 250:
        y = 300 + px
        column = pick(i) + pick(i + 1)
        args += ["-pointsize", str(pt)]
        for ch in column:
            if y > H - 300:
                break
            args += ["-annotate", f"+{x}+{y}", ch]
            text.append(ch)
            y += px * 11 // 10
        x -= px * 9 // 5
        i += 2
else:
    title = f"第{shift + 1}回 定例会議のお知らせ"
    args += ["-pointsize", "18", "-annotate", "+300+330", title]
    text.append(title)
    args += ["-pointsize", "10"]
    for c in range(2):
        for l in range(22):
            line = pick(c * 22 + l)[:18]
            args += ["-annotate", f"+{200 + c * 1150}+{560 + l * 125}", line]
            text.append(line)
args += ["-attenuate", "0.2", "+noise", "Gaussian", "-colorspace", "Gray", "-depth", "8", out]
subprocess.run(args, check=True)
with open(out + ".txt", "w", encoding="utf-8") as f:
    f.write("\n".join(text) + "\n")
