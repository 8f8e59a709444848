#!/usr/bin/python3
"""Image conversion benchmark: the engine against img2pdf on the same files.

    bench/images-bench.py BUILD_DIR [--out bench/results-images.md] [--repeat 3]

Makes scanner-like pages (bilevel A4 at 300 dpi, colour at 150 dpi) and a
camera JPEG in a temporary folder, converts each with both tools, and writes a
table of the median wall time and the peak memory (maximum resident set size)
of each conversion. Not a test: nothing here passes or fails.
"""
import argparse
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from PIL import Image, ImageDraw


def scan_page(mode, size, seed):
    """A page with lines of 'text' blocks and a few boxes, like a letter."""
    rnd = random.Random(seed)
    img = Image.new("L", size, 255)
    draw = ImageDraw.Draw(img)
    w, h = size
    margin = w // 12
    y = margin
    line = max(8, h // 60)
    while y < h - margin:
        x = margin
        while x < w - margin:
            word = rnd.randint(line, line * 5)
            shade = 0 if mode == "1" else rnd.randint(0, 120)
            draw.rectangle([x, y, min(x + word, w - margin), y + line * 2 // 3], fill=shade)
            x += word + line // 2
        y += line * 3 // 2
    if mode == "1":
        return img.convert("1", dither=Image.NONE)
    if mode == "RGB":
        rgb = Image.merge("RGB", (img, img.point(lambda v: min(255, v + 40)), img))
        d = ImageDraw.Draw(rgb)
        d.ellipse([w // 3, h // 3, w // 2, h // 2], fill=(200, 30, 40))
        return rgb
    return img


def photo(size, seed):
    rnd = random.Random(seed)
    w, h = size
    base = Image.linear_gradient("L").resize(size)
    img = Image.merge("RGB", (base, base.rotate(90).resize(size), base.transpose(Image.FLIP_LEFT_RIGHT)))
    draw = ImageDraw.Draw(img)
    for _ in range(300):
        x, y = rnd.randrange(w), rnd.randrange(h)
        r = rnd.randint(5, w // 20)
        draw.ellipse([x, y, x + r, y + r], fill=(rnd.randrange(256), rnd.randrange(256), rnd.randrange(256)))
    return img


def save_tiff(path, pages, compression, dpi):
    pages[0].save(path, compression=compression, dpi=(dpi, dpi), save_all=True,
                  append_images=pages[1:])


def run(cmd):
    """Runs cmd under GNU time; returns (wall seconds, CPU seconds, peak RSS
    in MiB).

    GNU time starts the tool from its own small process: measured from this
    (large) Python process, the peak would include the pages of the fork."""
    with tempfile.NamedTemporaryFile("r") as report:
        start = time.perf_counter()
        proc = subprocess.run(["/usr/bin/time", "-f", "%M %U %S", "-o", report.name] + cmd,
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        elapsed = time.perf_counter() - start
        if proc.returncode != 0:
            raise RuntimeError(f"{cmd[0]} failed ({proc.returncode}): "
                               f"{proc.stderr.decode(errors='replace').strip()}")
        peak_kib, user, system = report.read().strip().splitlines()[-1].split()
    return elapsed, float(user) + float(system), int(peak_kib) / 1024.0


def measure(cmd_for, source, workdir, repeat):
    times, cpus, peaks = [], [], []
    for i in range(repeat):
        out = os.path.join(workdir, f"out-{i}.pdf")
        if os.path.exists(out):
            os.remove(out)
        t, c, m = run(cmd_for(source, out))
        times.append(t)
        cpus.append(c)
        peaks.append(m)
        size = os.path.getsize(out)
        os.remove(out)
    return statistics.median(times), statistics.median(cpus), max(peaks), size


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build_dir")
    ap.add_argument("--out", default=os.path.join(os.path.dirname(__file__), "results-images.md"))
    ap.add_argument("--repeat", type=int, default=3)
    args = ap.parse_args()

    engine = os.path.join(args.build_dir, "bin", "images_bench")
    if not os.access(engine, os.X_OK):
        sys.exit(f"{engine} not built (ninja -C {args.build_dir} images_bench)")
    img2pdf = shutil.which("img2pdf")
    if img2pdf is None:
        sys.exit("img2pdf not installed")

    tools = {
        "engine": lambda src, out: [engine, src, out],
        "img2pdf": lambda src, out: [img2pdf, "-o", out, src],
    }
    a4_300 = (2480, 3508)
    a4_150 = (1240, 1754)
    work = tempfile.mkdtemp(prefix="quilbex-bench-")
    rows = []
    try:
        cases = []
        jpeg = os.path.join(work, "photo.jpg")
        photo((4000, 3000), 1).save(jpeg, quality=90, dpi=(300, 300))
        cases.append(("JPEG photo 4000x3000", 1, jpeg))
        for pages in (1, 10, 50, 100):
            path = os.path.join(work, f"g4-{pages}.tif")
            save_tiff(path, [scan_page("1", a4_300, s) for s in range(pages)], "group4", 300)
            cases.append(("TIFF bilevel G4, A4 300 dpi", pages, path))
        for pages in (1, 10):
            path = os.path.join(work, f"raw1-{pages}.tif")
            save_tiff(path, [scan_page("1", a4_300, s) for s in range(pages)], "packbits", 300)
            cases.append(("TIFF bilevel PackBits, A4 300 dpi", pages, path))
        for pages in (1, 10, 50):
            path = os.path.join(work, f"rgb-{pages}.tif")
            save_tiff(path, [scan_page("RGB", a4_150, s) for s in range(pages)], "tiff_lzw", 150)
            cases.append(("TIFF colour LZW, A4 150 dpi", pages, path))

        for label, pages, path in cases:
            row = [label, str(pages), f"{os.path.getsize(path) / 1048576:.1f}"]
            for name, cmd in tools.items():
                t, c, m, size = measure(cmd, path, work, args.repeat)
                row += [f"{t:.3f}", f"{c:.2f}", f"{m:.0f}", f"{size / 1048576:.1f}"]
                print(f"{label} x{pages} {name}: {t:.3f} s ({c:.2f} s CPU), {m:.0f} MiB",
                      file=sys.stderr)
            rows.append(row)
    finally:
        shutil.rmtree(work, ignore_errors=True)

    with open(args.out, "w", encoding="utf-8") as f:
        f.write("# Image conversion: engine against img2pdf\n\n")
        f.write(f"Made by `bench/images-bench.py` ({time.strftime('%Y-%m-%d')}, {os.cpu_count()} cores, "
                f"median of {args.repeat} runs, img2pdf "
                f"{subprocess.run([img2pdf, '--version'], capture_output=True, text=True).stdout.split()[-1]}). "
                "Wall is the elapsed time of the whole process, CPU its user plus system time "
                "(steadier on a busy machine); memory is its peak resident size.\n\n")
        f.write("| Input | Pages | Input MiB | Engine wall s | Engine CPU s | Engine MiB "
                "| Engine out MiB | img2pdf wall s | img2pdf CPU s | img2pdf MiB | img2pdf out MiB |\n")
        f.write("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n")
        for row in rows:
            f.write("| " + " | ".join(row) + " |\n")
    print(f"wrote {args.out}", file=sys.stderr)


if __name__ == "__main__":
    main()
