#!/usr/bin/python3
"""Bills found again: precision and recall of the keys the engine writes into
a document (transaction date, total, issuer) on bills made here, several
layouts, fonts and kinds, born digital (printed to PDF by LibreOffice) and
captured (the same bills scanned at 300 dpi, scanned askew with noise and
JPEG loss, sent as a normal-mode fax), read by the engine's OCR; on letters and
notices that are no bills (every key written there is a wrong one); and on
the office pages of ../shared/captures (p05 receipt, p09 invoice; the others
no bills). Then Recoll, indexing the documents, is asked for each bill's keys
and title, and bills_bench times the keys' search after OCR.
Not a test: it measures. Writes its seed's part of bench/results-bills.md
(the parts of other seeds kept); prints each capture's
keys against the truth and, for every key missed or wrong, the lines of the
document's text that hold its truth (or the label it would stand by). With
--keep the documents are kept (their folder printed) for a look at them, and
beside them in texts/ the text each capture's keys were looked for in (unsure
words as U+FFFD), for `bills_bench --find`. --seed N makes other bills and
captures (40 unless told).
    /usr/bin/python3 bench/bills-bench.py [--keep] [--seed N] [build folder] [captures folder]"""
import ctypes
import glob
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time

here = os.path.dirname(os.path.abspath(__file__))
keep = "--keep" in sys.argv
if keep:
    sys.argv.remove("--keep")
seed = 40
if "--seed" in sys.argv:
    at = sys.argv.index("--seed")
    seed = int(sys.argv[at + 1])
    del sys.argv[at:at + 2]
build = os.path.realpath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "build"))
captures = sys.argv[2] if len(sys.argv) > 2 else os.path.join(
    here, "..", "..", "shared", "captures", "office-pages")
work = tempfile.mkdtemp(prefix="quilbex-bills-bench-")
os.environ["OMP_THREAD_LIMIT"] = "1"
engine = ctypes.CDLL(os.path.join(build, "bin", "libxdwapi.so.1"))
rng = random.Random(seed)

ISSUERS = ["株式会社ハヤシ文具", "丸福商事株式会社", "有限会社緑川工業", "合同会社さくらデザイン",
           "株式会社アオバ物流", "東和物産株式会社", "株式会社みなと印刷", "北斗電機株式会社",
           "有限会社山本製作所", "株式会社ひかり食品", "大和システム株式会社", "株式会社こもれび商店"]
ADDRESSEES = ["株式会社こだま企画", "青葉建設株式会社", "株式会社ミライ工房", "有限会社はなまる"]
PEOPLE = ["山田 太郎", "佐藤 花子", "鈴木 一郎"]
ITEMS = [("A4コピー用紙 500枚", 580), ("ゲルインクボールペン 黒", 120), ("展示用什器 製作", 240000),
         ("運搬・設置作業", 60000), ("デザイン修正費", 20000), ("クリアファイル A4", 48),
         ("トナーカートリッジ", 12800), ("保守点検作業", 35000), ("段ボール箱 M", 210),
         ("ノートパソコン", 128000), ("会議室利用料", 5500), ("出張旅費", 18760)]
FONTS = ["IPAGothic", "IPAMincho", "IPAPGothic", "IPAPMincho"]
WEEKDAYS = "月火水木金土日"


def date_text(y, m, d, style):
    import datetime
    day = datetime.date(y, m, d)
    if style == 0:
        return f"{y}年{m}月{d}日"
    if style == 1:
        era = "令和元" if y == 2019 else f"令和{y - 2018}"
        return f"{era}年{m}月{d}日"
    if style == 2:
        return f"{y}/{m:02d}/{d:02d}"
    if style == 3:
        return f"{y}年{m}月{d}日".translate(str.maketrans("0123456789", "０１２３４５６７８９"))
    return f"{y}年{m:02d}月{d:02d}日({WEEKDAYS[day.weekday()]})"


def yen(v, style):
    g = f"{v:,}"
    return [f"¥{g}", f"{g}円", f"￥{g}-", f"¥{g}"][style]


def make_bill(n):
    kind = rng.choice(["invoice", "invoice", "receipt", "estimate", "delivery", "order"])
    y, m, d = rng.choice([2025, 2026, 2026, 2027]), rng.randint(1, 12), rng.randint(1, 28)
    truth_date = f"{y:04d}-{m:02d}-{d:02d}"
    dstyle, ystyle = rng.randrange(5), rng.randrange(4)
    issuer = rng.choice(ISSUERS)
    shown_issuer = issuer
    if rng.random() < 0.25 and issuer.startswith("株式会社"):
        shown_issuer = "(株)" + issuer[4:]
    elif rng.random() < 0.2 and issuer.startswith("株式会社"):
        shown_issuer = "株式会社 " + issuer[4:]
    addressee = rng.choice(ADDRESSEES + PEOPLE)
    to = addressee + (" 様" if addressee in PEOPLE else " 御中")
    items = rng.sample(ITEMS, rng.randint(1, 4))
    rows = [(name, q := rng.randint(1, 5), price, q * price) for name, price in items]
    subtotal = sum(r[3] for r in rows)
    tax = subtotal // 10
    total = subtotal + tax
    dt = date_text(y, m, d, dstyle)
    label = rng.choice(["", "", "発行日：", "日付 "])
    heads = {"invoice": rng.choice(["請求書", "請 求 書", "御請求書"]),
             "receipt": rng.choice(["領収書", "領 収 証"]),
             "estimate": rng.choice(["御見積書", "見積書", "お見積書"]),
             "delivery": "納品書", "order": rng.choice(["注文書", "発注書"])}
    lines = []  # (text, align) or ("table", rows)
    if kind == "receipt":
        lines += [(shown_issuer, "center"), ("東京都千代田区神田2-4-1", "center"),
                  ("TEL 03-3251-0000", "center"), (dt + " 14:05", "left"),
                  (heads[kind], "center")]
        table = [[name, yen(price * q, 0)] for name, q, price, _ in rows]
        total = subtotal
        table += [["小計", yen(subtotal, 0)], ["(10%対象", yen(subtotal, 0) + " 内税 " + yen(subtotal // 11, 0) + ")"],
                  ["合計", yen(total, 0)], ["お預り", yen(total + 1000, 0)], ["お釣り", yen(1000, 0)]]
        lines.append(("table", table))
    else:
        lines += [(heads[kind], "center"), ("No. " + f"{y}-{rng.randint(100, 9999)}", "right"),
                  (label + dt, "right"), (to, "left"), (shown_issuer, "right"),
                  ("〒330-0854 埼玉県さいたま市大宮区桜木町1-7-5", "right"),
                  ("TEL 048-645-2231", "right")]
        if kind == "invoice":
            lines += [("下記のとおりご請求申し上げます。", "left"),
                      ("ご請求金額 " + yen(total, ystyle) + "（税込）", "left"),
                      ("お支払期限 " + date_text(y, m, 28, 0), "left")]
        elif kind == "estimate":
            lines += [("御見積金額 " + yen(total, ystyle) + "（税込）", "left"),
                      ("有効期限 " + date_text(y, m, 28, 0), "left")]
        table = [["品名", "数量", "単価", "金額"]]
        table += [[name, str(q), yen(price, 0), yen(amount, 0)] for name, q, price, amount in rows]
        table += [["小計", "", "", yen(subtotal, 0)], ["消費税（10%）", "", "", yen(tax, 0)],
                  ["合計", "", "", yen(total, ystyle)]]
        lines.append(("table", table))
        if kind == "invoice":
            lines.append(("振込先：さいたま中央銀行 大宮支店 普通 0456789", "left"))
    truth = {"date": truth_date, "amount": str(total), "party": issuer}
    return {"name": f"bill{n:03d}", "lines": lines, "truth": truth, "font": rng.choice(FONTS),
            "size": rng.choice([10, 11, 12])}


def make_letter(n):
    y, m, d = 2026, rng.randint(1, 12), rng.randint(1, 28)
    issuer = rng.choice(ISSUERS)
    lines = [(date_text(y, m, d, rng.randrange(3)), "right"), ("お取引先各位", "left"),
             (issuer, "right"),
             (rng.choice(["価格改定のお知らせ", "年末年始休業のご案内", "事務所移転のお知らせ"]), "center"),
             ("拝啓 時下ますますご清祥のこととお喜び申し上げます。", "left"),
             ("改定後の価格 合計 " + yen(rng.randint(10, 900) * 100, 0) + " からとなります。", "left"),
             ("実施日 " + date_text(y, m, 28, 0), "left"), ("敬具", "right")]
    return {"name": f"letter{n:03d}", "lines": lines, "truth": {}, "font": rng.choice(FONTS),
            "size": 11}


def html(doc):
    out = [f'<html><head><meta charset="utf-8"><style>p, td {{ font-family: "{doc["font"]}"; '
           f'font-size: {doc["size"]}pt; }}</style></head><body>']
    for text, align in doc["lines"]:
        if text == "table":
            out.append('<table border="1" cellspacing="0" cellpadding="4" width="100%">')
            for row in align:
                out.append("<tr>" + "".join(f"<td>{c}</td>" for c in row) + "</tr>")
            out.append("</table>")
        elif align == "center" and text in ("請求書", "請 求 書", "御請求書", "領収書", "領 収 証",
                                            "御見積書", "見積書", "お見積書", "納品書", "注文書",
                                            "発注書"):
            out.append(f'<p align="center" style="font-size: 20pt"><b>{text}</b></p>')
        else:
            out.append(f'<p align="{align}">{text}</p>')
    out.append("</body></html>")
    return "\n".join(out)


def run(args, **kw):
    return subprocess.run(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **kw)


def capture(pdf, name, how, folder):
    png = os.path.join(folder, name + ".png")
    run(["pdftoppm", "-r", "300", "-gray", "-singlefile", "-png", pdf, png[:-4]])
    out = os.path.join(folder, f"{name}-{how}")
    if how == "scan":
        pic = out + ".png"
        shutil.copy(png, pic)
        run(["img2pdf", "-s", "300dpi", "-o", out + ".pdf", pic])
    elif how == "askew":
        pic = out + ".jpg"
        run(["convert", png, "-background", "white", "-rotate", str(rng.choice([-1.5, 1.2, 2.0])),
             "-attenuate", "0.5", "+noise", "Gaussian", "-blur", "0x0.6", "-quality", "55", pic])
        run(["img2pdf", "-s", "300dpi", "-o", out + ".pdf", pic])
    else:  # a normal-mode fax: 204 x 98 dpi, one bit a pixel
        pic = out + ".tif"
        run(["convert", png, "-resize", "68%x32.7%!", "-threshold", "60%", "-units",
             "PixelsPerInch", "-density", "204x98", "-compress", "Group4", pic])
        run(["img2pdf", "-o", out + ".pdf", pic])
    return out + ".pdf"


def convert(source, out, ocr):
    """As the program does it: the direct conversion, then with OCR every page
    read and the document saved (by bills_bench, which keeps the text read)."""
    if os.path.exists(out):
        os.remove(out)
    if source.lower().endswith(".pdf"):
        rc = engine.XDW_CreateXdwFromImagePdfFile(source.encode(), out.encode(), None)
    else:
        option = (ctypes.c_int32 * 8)(32, 1, 0, 0, 0, 0, 0, 0)
        rc = engine.XDW_CreateXdwFromImageFile(source.encode(), out.encode(), option)
    if rc < 0 or not ocr:
        return rc
    read = subprocess.run([os.path.join(build, "bin", "bills_bench"), "--ocr", out],
                          capture_output=True, text=True)
    os.makedirs(os.path.join(work, "texts"), exist_ok=True)
    with open(os.path.join(work, "texts", os.path.basename(out)[:-4] + ".txt"), "w") as f:
        f.write(read.stdout.split("\n", 1)[-1])
    return read.returncode


def written_keys(doc):
    meta = subprocess.run(["pdfinfo", "-meta", doc], capture_output=True, text=True).stdout
    keys = {}
    for key, element in (("date", "Date"), ("amount", "Amount"), ("party", "Counterparty")):
        found = re.findall(rf"<quilbex:{element}>([^<]*)</quilbex:{element}>", meta)
        if found:
            keys[key] = found[-1].replace("&amp;", "&")
    return keys


# Where in a document's text each key would be read from.
HINTS = {"date": r"年|/|令和|日付|発行", "amount": r"合計|請求|金額|税込|¥|円|小計|消費税",
         "party": r"会社|\(株\)|御中|様"}


def show_misses(doc, truth, found):
    """The lines of the document's text that a missed or wrong key would come
    from, so that a miss can be told from a misreading."""
    missed = [k for k in truth if found.get(k) != truth[k]] + [k for k in found if k not in truth]
    if not missed:
        return
    text = subprocess.run(["pdftotext", "-layout", doc, "-"], capture_output=True,
                          text=True).stdout
    for k in missed:
        print(f"  miss {k}: truth {truth.get(k, '(none)')}, written {found.get(k, '(none)')}")
        for line in text.splitlines():
            if re.search(HINTS[k], line):
                print("    |" + line.strip())


class Tally:
    def __init__(self):
        self.c = {k: [0, 0, 0] for k in ("date", "amount", "party")}  # right, wrong, truths
        self.docs = 0

    def add(self, truth, found, wrongs):
        self.docs += 1
        for k, (right, wrong, truths) in self.c.items():
            if k in truth:
                self.c[k][2] += 1
            if k in found:
                if found[k] == truth.get(k):
                    self.c[k][0] += 1
                else:
                    self.c[k][1] += 1
                    wrongs.append((k, truth.get(k, "(none)"), found[k]))

    def row(self, name):
        cells = []
        for k in ("date", "amount", "party"):
            right, wrong, truths = self.c[k]
            p = f"{right / (right + wrong):.3f}" if right + wrong else "—"
            r = f"{right / truths:.2f}" if truths else "—"
            cells.append(f"{p} ({right}/{right + wrong}) | {r} ({right}/{truths})")
        return f"| {name} | {self.docs} | " + " | ".join(cells) + " |"


def main():
    docs = [make_bill(n) for n in range(60)] + [make_letter(n) for n in range(12)]
    src = os.path.join(work, "src")
    out = os.path.join(work, "out")
    os.makedirs(src)
    os.makedirs(out)
    for doc in docs:
        with open(os.path.join(src, doc["name"] + ".html"), "w", encoding="utf-8") as f:
            f.write(html(doc))
    run(["soffice", f"-env:UserInstallation=file://{work}/lo", "--headless", "--norestore",
         "--infilter=HTML (StarWriter)", "--convert-to", "pdf", "--outdir", src]
        + sorted(glob.glob(os.path.join(src, "*.html"))), timeout=900)

    tallies, wrongs, timed, born = {}, [], [], []
    load_start = os.getloadavg()
    for doc in docs:
        pdf = os.path.join(src, doc["name"] + ".pdf")
        target = os.path.join(out, doc["name"] + ".xdw")
        if convert(pdf, target, False) < 0:
            print("not converted:", pdf, file=sys.stderr)
        born.append(target)
        tallies.setdefault("born digital", Tally()).add(doc["truth"], written_keys(target), wrongs)
    scanned = docs[:18] + docs[60:64]
    captured = Tally()  # the three captures together
    for how in ("scan", "askew", "fax"):
        for doc in scanned:
            pdf = capture(os.path.join(src, doc["name"] + ".pdf"), doc["name"], how, src)
            target = os.path.join(out, f"{doc['name']}-{how}.xdw")
            convert(pdf, target, True)
            timed.append(target)
            tallies.setdefault(f"captured: {how}", Tally()).add(doc["truth"], written_keys(target),
                                                               wrongs)
            captured.add(doc["truth"], written_keys(target), [])
            print(how, doc["name"], written_keys(target), doc["truth"], flush=True)
            show_misses(target, doc["truth"], written_keys(target))
    tallies["captured: all three"] = captured
    office_truth = {"p05-receipt": {"date": "2026-12-08", "amount": "1300"},
                    "p09-invoice-hanko-colour": {"date": "2026-11-30", "amount": "396000",
                                                 "party": "有限会社緑川工業"}}
    for page in sorted(glob.glob(os.path.join(captures, "p*.*"))):
        name = os.path.splitext(os.path.basename(page))[0]
        target = os.path.join(work, "office-" + name + ".xdw")
        convert(page, target, True)
        timed.append(target)
        part = "office pages: bills" if name in office_truth else "office pages: no bills"
        tallies.setdefault(part, Tally()).add(office_truth.get(name, {}), written_keys(target),
                                              wrongs)
        print(name, written_keys(target), flush=True)
        show_misses(target, office_truth.get(name, {}), written_keys(target))
    load_end = os.getloadavg()

    # The time the keys' search takes, per page: after OCR, and on a
    # document's own text.
    def per_page(documents):
        lines = subprocess.run([os.path.join(build, "bin", "bills_bench")] + documents,
                               capture_output=True, text=True).stdout.splitlines()
        return sorted(float(line.split("\t")[2]) for line in lines)
    after_ocr, own_text = per_page(timed), per_page(born)

    # Recoll over the bills' documents (born digital and scanned at 300 dpi).
    conf = os.path.join(work, "recoll")
    os.makedirs(conf)
    with open(os.path.join(conf, "recoll.conf"), "w") as f:
        f.write(f"topdirs = {out}\n")
    run(["recollindex", "-c", conf], timeout=1800)
    searched = {"date": [0, 0], "amount": [0, 0], "party": [0, 0], "title": [0, 0]}
    for doc in docs[:60]:
        for suffix in ("", "-scan"):
            target = os.path.join(out, doc["name"] + suffix + ".xdw")
            if suffix and doc not in scanned:
                continue
            found = written_keys(target)
            queries = {k: found[k] for k in ("date", "amount", "party") if k in found}
            queries["title"] = "title:" + doc["name"] + suffix
            for k, q in queries.items():
                hits = subprocess.run(["recollq", "-c", conf, "-b", q], capture_output=True,
                                      text=True).stdout
                searched[k][1] += 1
                searched[k][0] += os.path.basename(target) + "\n" in hits + "\n" or \
                    ("/" + os.path.basename(target)) in hits

    results = os.path.join(here, "results-bills.md")
    parts = {}
    if os.path.exists(results):
        with open(results, encoding="utf-8") as f:
            for part in re.split(r"^(?=## Seed )", f.read(), flags=re.M)[1:]:
                parts[int(re.match(r"## Seed (\d+)", part).group(1))] = part.rstrip("\n") + "\n"
    lines = [f"## Seed {seed}\n\n",
             f"Made on {time.strftime('%Y-%m-%d %H:%M', time.gmtime())} UTC, {os.cpu_count()} cores "
             f"shared with other work; load average {load_start[0]:.1f} at the start, "
             f"{load_end[0]:.1f} at the end.\n\n",
             "| documents | n | date precision | date recall | amount precision | amount recall | "
             "counterparty precision | counterparty recall |\n|---|---|---|---|---|---|---|---|\n"]
    lines += [tally.row(name) + "\n" for name, tally in tallies.items()]
    lines.append("\nWrong keys (key, truth, written): " +
                 (", ".join(f"{k} {t} → {w}" for k, t, w in wrongs) or "none") + "\n\n")
    lines.append("Recoll (`recollindex` over the documents, `recollq -b` for each key written and "
                 "`title:` the source's name), documents found: " +
                 ", ".join(f"{k} {v[0]}/{v[1]}" for k, v in searched.items()) + ".\n\n")
    for what, times in (("after OCR", after_ocr), ("on born-digital bills", own_text)):
        if times:
            lines.append(f"The keys' search {what} (`bills_bench`: the first pages' text read back "
                         f"and searched), per page: median {times[len(times) // 2]:.1f} ms, highest "
                         f"{times[-1]:.1f} ms over {len(times)} documents.\n")
    parts[seed] = "".join(lines)
    with open(results, "w", encoding="utf-8") as f:
        f.write("# Bills found again\n\n")
        f.write("Made by `bench/bills-bench.py --seed N`, one part for each seed of the random bills "
                "and captures. 60 bills (invoices, receipts, estimates, delivery notes, orders; IPA "
                "Gothic, Mincho and their proportional forms at 10 to 12 pt; dates as 年月日, 令和, "
                "slashes, full-width digits and with weekdays; totals as ¥, 円, ￥…- and with 税込; "
                "issuers as 株式会社…, …株式会社, (株)…; due dates, subtotals, taxes, deposits and bank "
                "accounts beside them) and 12 letters and notices with dates, companies and amounts, "
                "made as HTML and printed to PDF by LibreOffice; 18 bills and 4 letters also captured: "
                "rendered at 300 dpi grey (scan), turned 1.2 to 2° with noise, blur and JPEG q55 "
                "(askew), and as a normal-mode fax (204 x 98 dpi, one bit), counted each apart and the "
                "three together. Every capture converted and "
                "read by the engine (日本語); the keys read back from the document's XMP. Precision: "
                "right keys over keys written (a key written on a letter, or on a bill where it was not "
                "stated, is wrong); recall: right keys over keys the bill states. The office pages "
                "(../shared/captures) are the same in every seed.\n\n")
        f.write("\n".join(parts[k] for k in sorted(parts)))
    if keep:
        print("documents kept in", work)
    else:
        shutil.rmtree(work, ignore_errors=True)


main()
