#!/usr/bin/python3
"""Pages as offices capture them (bench/make-capture-pages.py: phone photos,
faxes, faded receipts, seals, stamps on coloured paper, scans askew with dark
borders, a red heading, 150/200 dpi, JPEG q50, clean controls): the CER of the engine's
layer read back with pdftotext, against `tesseract -l jpn` (default and
--psm 6) on the captured picture and `ocrmypdf -l jpn --deskew --rotate-pages
--image-dpi 300` on the same page, with the CPU seconds of each. CER: NFKC,
blanks left out, edit distance over the reference's length.
Not a test: it times. Writes bench/results-capture.md.
    /usr/bin/python3 bench/capture-bench.py [build folder] [pages folder]"""
import glob
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import time
import unicodedata

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cer import distance  # noqa: E402

here = os.path.dirname(os.path.abspath(__file__))
build = os.path.realpath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "build"))
work = tempfile.mkdtemp(prefix="quilbex-capture-bench-")
pages = sys.argv[2] if len(sys.argv) > 2 else os.path.join(work, "pages")
env = dict(os.environ, OMP_THREAD_LIMIT="1", LD_LIBRARY_PATH=os.path.join(build, "bin"))


def chars(text):
    return [c for c in unicodedata.normalize("NFKC", text) if not c.isspace()]


def cer(ref, text):
    a, b = chars(ref), chars(text)
    return 100.0 * distance(a, b) / max(len(a), 1)


def run(args):
    """Runs args; the CPU seconds it and its children took."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    subprocess.run(args, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def read(path):
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()
    except OSError:
        return ""


def pdftext(pdf, txt):
    if subprocess.run(["pdftotext", pdf, txt], stderr=subprocess.DEVNULL).returncode != 0:
        return ""
    return read(txt)


def main():
    if len(sys.argv) <= 2:
        subprocess.run(["/usr/bin/python3", os.path.join(here, "make-capture-pages.py"), pages],
                       check=True, stderr=subprocess.DEVNULL)
    load_start = os.getloadavg()
    rows = []
    for ref_path in sorted(glob.glob(os.path.join(pages, "*.txt"))):
        name = os.path.basename(ref_path)[:-4]
        ref = read(ref_path)
        picture = [p for p in glob.glob(os.path.join(pages, name + ".*"))
                   if not p.endswith((".txt", ".pdf"))][0]
        pdf = os.path.join(pages, name + ".pdf")
        out = os.path.join(work, name)
        row = [name]
        secs = run([os.path.join(build, "bin", "ocr_bench"), pdf, out + ".xdw", "0"])
        row += [cer(ref, pdftext(out + ".xdw", out + "-q.txt")), secs]
        for tag, extra in (("t", []), ("t6", ["--psm", "6"])):
            secs = run(["tesseract", picture, f"{out}-{tag}", "-l", "jpn"] + extra)
            row += [cer(ref, read(f"{out}-{tag}.txt")), secs]
        secs = run(["ocrmypdf", "-q", "-l", "jpn", "--deskew", "--rotate-pages", "--image-dpi",
                    "300", pdf, out + "-o.pdf"])
        row += [cer(ref, pdftext(out + "-o.pdf", out + "-o.txt")), secs]
        rows.append(row)
        print(name, " ".join(f"{v:.1f}" for v in row[1:]), flush=True)
    load_end = os.getloadavg()

    with open(os.path.join(here, "results-capture.md"), "w", encoding="utf-8") as f:
        f.write("# Pages as offices capture them\n\n")
        f.write(f"Made by `bench/capture-bench.py` on {time.strftime('%Y-%m-%d %H:%M', time.gmtime())} UTC, "
                f"{os.cpu_count()} cores shared with other work; load average "
                f"{load_start[0]:.1f} at the start, {load_end[0]:.1f} at the end.\n")
        f.write("Pages drawn by `bench/make-capture-pages.py` from its own Japanese texts (IPA Mincho, "
                "Gothic and their proportional forms, 9 to 16 pt, two to five pages of each kind with "
                "their own texts, layouts and degradation seeds), degraded as devices do; each picture "
                "made a page by `img2pdf` (photos fitted to A4). CER: NFKC, blanks left out, edit distance "
                "over the reference's length. The engine (`ocr_bench`, 日本語) and `ocrmypdf` read back "
                "with pdftotext, `tesseract` on the picture itself. CPU seconds of each, OMP_THREAD_LIMIT=1.\n\n")
        f.write("| page | engine | `tesseract -l jpn` | `--psm 6` | `ocrmypdf` | engine CPU | tesseract CPU | psm 6 CPU | ocrmypdf CPU |\n")
        f.write("|---|---|---|---|---|---|---|---|---|\n")
        for r in rows:
            f.write(f"| {r[0]} | {r[1]:.1f}% | {r[3]:.1f}% | {r[5]:.1f}% | {r[7]:.1f}% | "
                    f"{r[2]:.1f} s | {r[4]:.1f} s | {r[6]:.1f} s | {r[8]:.1f} s |\n")
        cpu = [sum(r[i] for r in rows) / len(rows) for i in (2, 4, 6, 8)]
        f.write(f"| mean CPU | | | | | {cpu[0]:.2f} s | {cpu[1]:.2f} s | {cpu[2]:.2f} s | "
                f"{cpu[3]:.2f} s |\n")
    shutil.rmtree(work, ignore_errors=True)


main()
