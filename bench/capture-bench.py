#!/usr/bin/python3
"""Pages as offices capture them (bench/make-capture-pages.py: phone photos,
faxes, faded receipts, seals, stamps on coloured paper, scans askew with dark
borders, a red heading, 150/200 dpi, JPEG q50, clean controls): the CER of the engine's
layer read back with pdftotext, against `tesseract -l jpn` (default and
--psm 6) on the captured picture and `ocrmypdf -l jpn --deskew --rotate-pages
--image-dpi 300` on the same page, with the CPU seconds of each. CER: NFKC,
blanks left out, edit distance over the reference's length.
Beside them, the office pages made outside the project (`../shared/captures/`, each folder with a
truth/ folder of exact texts) read by the whole program (OCR=Y, AutoRotate=Y, 日本語) against
`tesseract -l jpn` (default and --psm 6) and `ocrmypdf -l jpn`; the layer read back with pdftotext's
default mode and with MuPDF (`mutool draw -F txt`). The peers' texts and CPU seconds are kept in a
cache folder (default ../peers beside the checkout) and read from there when the page is unchanged.
Not a test: it times. Writes bench/results-capture.md.
    /usr/bin/python3 bench/capture-bench.py [build folder] [pages folder|-] [--shared-only]"""
import glob
import hashlib
import json
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
shared_only = "--shared-only" in sys.argv
argv = [a for a in sys.argv if a != "--shared-only"]
build = os.path.realpath(argv[1] if len(argv) > 1 else os.path.join(here, "..", "build"))
work = tempfile.mkdtemp(prefix="quilbex-capture-bench-")
pages = argv[2] if len(argv) > 2 and argv[2] != "-" else os.path.join(work, "pages")
own_pages_given = len(argv) > 2 and argv[2] != "-"
shared = os.path.realpath(os.path.join(here, "..", "..", "shared", "captures"))
peer_cache = os.environ.get("QUILBEX_PEERS", os.path.realpath(os.path.join(here, "..", "..", "peers")))
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


def mutool_text(pdf):
    r = subprocess.run(["mutool", "draw", "-q", "-F", "txt", "-o", "-", pdf], capture_output=True)
    return r.stdout.decode("utf-8", "replace")


def folded(text):
    """the office pages' truth is compared with wave dashes and minus signs folded"""
    return text.translate(str.maketrans({"〜": "~", "～": "~", "‐": "-", "‑": "-", "‒": "-", "–": "-",
                                         "−": "-", "－": "-"}))


def tesseract_input(src, dst):
    """what tesseract reads for a page: the picture itself, or the PDF's one image (bilevel
    images as a G4 TIFF keeping their resolution)"""
    if not src.lower().endswith(".pdf"):
        return src
    os.makedirs(dst, exist_ok=True)
    subprocess.run(["pdfimages", "-all", src, os.path.join(dst, "i")], capture_output=True)
    images = sorted(glob.glob(os.path.join(dst, "i-*")))
    if images and images[0].endswith((".jpg", ".png", ".tif")):
        return images[0]
    subprocess.run(["pdfimages", "-png", src, os.path.join(dst, "p")], capture_output=True)
    png = sorted(glob.glob(os.path.join(dst, "p-*")))[0]
    ppi = subprocess.run(["pdfimages", "-list", src], capture_output=True,
                         text=True).stdout.splitlines()[2].split()[12]
    tif = png[:-4] + ".tif"
    subprocess.run(["convert", png, "-units", "PixelsPerInch", "-density", ppi, "-compress", "Group4",
                    tif], check=True)
    return tif


def peers(src):
    """the peers' texts and CPU seconds on one page, from the cache when the page is unchanged"""
    with open(src, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()[:16]
    cache = os.path.join(peer_cache, f"{os.path.basename(src)}-{digest}.json")
    if os.path.exists(cache):
        with open(cache, encoding="utf-8") as f:
            return json.load(f)
    tmp = os.path.join(work, "peer-" + digest)
    picture = tesseract_input(src, tmp)
    found = {}
    for tag, extra in (("tesseract", []), ("psm6", ["--psm", "6"])):
        secs = run(["tesseract", picture, f"{tmp}-{tag}", "-l", "jpn"] + extra)
        found[tag] = [read(f"{tmp}-{tag}.txt"), secs]
    secs = run(["ocrmypdf", "-q", "-l", "jpn", src, tmp + "-o.pdf"])
    found["ocrmypdf"] = [pdftext(tmp + "-o.pdf", tmp + "-o.txt"), secs]
    os.makedirs(peer_cache, exist_ok=True)
    with open(cache, "w", encoding="utf-8") as f:
        json.dump(found, f, ensure_ascii=False)
    return found


def program(src):
    """the whole program's reading of one page (OCR=Y, AutoRotate=Y, 日本語): its output and CPU"""
    folder = os.path.join(work, "program")
    out = os.path.join(work, "program-out")
    if not os.path.isdir(folder):
        os.makedirs(out)
        os.makedirs(folder)
        for name in os.listdir(os.path.join(build, "bin")):
            if name.startswith(("quilbex", "libxdwapi.so")) and "screens" not in name:
                shutil.copy2(os.path.join(build, "bin", name), folder, follow_symlinks=False)
        ini = "\r\n".join(["[common]", "ShowSetting=N", "OCR=Y", "AutoRotate=Y", "DelFile=N",
                            "Language=日本語", "[file]", f"SaveDir={out}", 'FileName="元のファイル名"'])
        with open(os.path.join(folder, "Quilbex.ini"), "wb") as f:
            f.write((ini + "\r\n").encode("cp932"))
    result = os.path.join(out, os.path.splitext(os.path.basename(src))[0] + ".xdw")
    if os.path.exists(result):
        os.remove(result)
    home = os.path.join(work, "home")
    os.makedirs(home, exist_ok=True)
    secs = run_env([os.path.join(folder, "quilbex"), src],
                   dict(env, HOME=home, QT_QPA_PLATFORM="offscreen", LANG="C.UTF-8", DISPLAY=""))
    return result, secs


def run_env(args, environment):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    subprocess.run(args, env=environment, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)


def shared_rows():
    """one row for each page made outside the project: name, goal, CER by pdftotext and MuPDF,
    the peers' CERs, then the CPU seconds of the program and of the peers"""
    goals = {"p01-": 10.0, "p05-": 8.0, "p08-": 5.0, "p09-": 5.0, "p06-": 4.0}
    rows = []
    for truth in sorted(glob.glob(os.path.join(shared, "*", "truth", "*.txt"))):
        name = os.path.basename(truth)[:-4]
        found = [p for p in glob.glob(os.path.join(os.path.dirname(os.path.dirname(truth)), name + ".*"))]
        if not found:
            continue
        src, ref = found[0], folded(read(truth))
        result, secs = program(src)
        ours = pdftext(result, result + ".txt") if os.path.exists(result) else ""
        mu = mutool_text(result) if os.path.exists(result) else ""
        p = peers(src)
        goal = next((g for k, g in goals.items() if name.startswith(k)), 3.0)
        row = [name, goal, cer(ref, folded(ours)), cer(ref, folded(mu))]
        row += [cer(ref, folded(p[k][0])) for k in ("tesseract", "psm6", "ocrmypdf")]
        row += [secs] + [p[k][1] for k in ("tesseract", "psm6", "ocrmypdf")]
        rows.append(row)
        print(name, " ".join(f"{v:.1f}" for v in row[1:]), flush=True)
    return rows


def write_shared(f, rows):
    f.write("\n## Office pages made outside the project\n\n")
    f.write("The pages of `../shared/captures/` (their README says how they were made), each read by the "
            "whole program (`quilbex`, OCR=Y, AutoRotate=Y, 日本語; CPU from start to exit) and its layer "
            "read back with pdftotext's default mode and with MuPDF (`mutool draw -F txt`); the peers "
            "`tesseract -l jpn` (default and `--psm 6`) on the page's picture and `ocrmypdf -l jpn` on the "
            "file, read back with pdftotext. CER: NFKC, wave dashes and minus signs folded, blanks left "
            "out. \"worse\" is how far pdftotext's reading is above the best peer (goal: at most 1 point)."
            "\n\n")
    f.write("| page | goal | engine, pdftotext | engine, MuPDF | `tesseract -l jpn` | `--psm 6` | "
            "`ocrmypdf` | worse | engine CPU | tesseract CPU | psm 6 CPU | ocrmypdf CPU |\n")
    f.write("|---|---|---|---|---|---|---|---|---|---|---|---|\n")
    for r in rows:
        worse = max(r[2], r[3]) - min(r[4:7])
        f.write(f"| {r[0]} | {r[1]:.0f}% | {r[2]:.1f}% | {r[3]:.1f}% | {r[4]:.1f}% | {r[5]:.1f}% | "
                f"{r[6]:.1f}% | {worse:+.1f} | {r[7]:.1f} s | {r[8]:.1f} s | {r[9]:.1f} s | {r[10]:.1f} s |\n")
    n = max(len(rows), 1)
    mean = [sum(r[i] for r in rows) / n for i in range(2, 11)]
    met = sum(1 for r in rows if max(r[2], r[3]) <= r[1])
    f.write(f"| mean | | {mean[0]:.1f}% | {mean[1]:.1f}% | {mean[2]:.1f}% | {mean[3]:.1f}% | "
            f"{mean[4]:.1f}% | | {mean[5]:.2f} s | {mean[6]:.2f} s | {mean[7]:.2f} s | {mean[8]:.2f} s |\n")
    f.write(f"\nWithin their goal in both readers: {met} of {len(rows)} pages.\n")


def main():
    for tool in ("tesseract", "ocrmypdf", "pdftotext", "mutool", "convert"):
        if shutil.which(tool) is None:
            subprocess.run(["apt-get", "install", "-y", "-q", "tesseract-ocr", "tesseract-ocr-jpn",
                            "ocrmypdf", "poppler-utils", "mupdf-tools", "imagemagick"], check=False)
    if shared_only:
        rows = shared_rows()
        with open(os.path.join(here, "results-capture-shared.md"), "w", encoding="utf-8") as f:
            f.write(f"# Office pages made outside the project\n\nMade by `bench/capture-bench.py "
                    f"--shared-only` on {time.strftime('%Y-%m-%d %H:%M', time.gmtime())} UTC, "
                    f"{os.cpu_count()} cores shared with other work.\n")
            write_shared(f, rows)
        shutil.rmtree(work, ignore_errors=True)
        return
    if not own_pages_given:
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
        if os.path.isdir(shared):
            write_shared(f, shared_rows())
    shutil.rmtree(work, ignore_errors=True)


main()
