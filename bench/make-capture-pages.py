#!/usr/bin/python3
"""Office pages as devices capture them, made from text written here: a phone
photo on a dark desk, faxes in normal and fine mode, a faded thermal receipt,
a red seal over an invoice, a blue received-stamp, black text on coloured
paper, a scan askew with dark borders, 150 and 200 dpi, JPEG q50 and a clean
control. For each page NAME it writes NAME.<ext> (the captured picture),
NAME.pdf (the picture as a page, as the engine gets it) and NAME.txt (the text
in reading order).
    /usr/bin/python3 bench/make-capture-pages.py OUTDIR
Needs Pillow (Debian's python3-pil) and img2pdf."""
import math
import os
import random
import subprocess
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

MINCHO = "/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf"
GOTHIC = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"
PMINCHO = "/usr/share/fonts/opentype/ipafont-mincho/ipamp.ttf"
PGOTHIC = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf"

LETTER = ["拝啓　時下ますますご清栄のこととお慶び申し上げます。",
          "平素は格別のお引き立てを賜り、厚く御礼申し上げます。",
          "さて、先日ご依頼いただきました見積書を同封いたします。",
          "ご不明な点がございましたら担当までお問い合わせください。",
          "今後とも変わらぬご愛顧のほどよろしくお願い申し上げます。"]
NOTICE = ["社内説明会のお知らせ",
          "日時　十二月十五日（火）午後二時から",
          "場所　本社三階　第一会議室",
          "新しい経費精算の手順について説明します。",
          "参加される方は前日までに総務課へ連絡してください。"]
INVOICE = ["請求書",
           "株式会社青葉商事　御中",
           "東京都港区芝浦三丁目四番一号",
           "下記のとおりご請求申し上げます。",
           "品名　コピー用紙　数量　二十箱",
           "お支払期限　令和八年一月三十一日"]
MINUTES = ["会議の議事録",
           "出席者は営業部と開発部の十二名でした。",
           "新しい製品の発売日は来年の四月に決まりました。",
           "価格については次回の会議で決めることにします。",
           "資料は共有フォルダに保存してあります。"]
RECEIPT = ["領収書",
           "コーヒー豆　二袋",
           "紙コップ　一箱",
           "小計　三千二百円",
           "消費税　三百二十円",
           "合計　三千五百二十円",
           "ありがとうございました"]
ORDER = ["注文書",
         "下記の商品を注文いたします。",
         "納品先　大阪府大阪市北区梅田一丁目",
         "納期　十二月二十日までにお願いします。",
         "担当　購買部　山田"]
REPORT = ["作業報告書",
          "本日の点検で異常は見つかりませんでした。",
          "次回の点検は三月の第二週を予定しています。",
          "交換した部品の一覧を別紙に記載します。"]


def text_page(lines, font, pt, dpi, size=(8.27, 11.69), left=1.0, top=1.0, spacing=2.0,
              ink=0, paper=255, mode="L"):
    """A page of lines drawn at dpi; returns the image."""
    w, h = int(size[0] * dpi), int(size[1] * dpi)
    img = Image.new(mode, (w, h), paper)
    d = ImageDraw.Draw(img)
    px = round(pt * dpi / 72)
    f = ImageFont.truetype(font, px)
    y = int(top * dpi)
    for line in lines:
        d.text((int(left * dpi), y), line, font=f, fill=ink)
        y += int(px * spacing)
    return img


def save_pdf(out, name, picture, fit_a4=False):
    pdf = os.path.join(out, name + ".pdf")
    args = ["img2pdf", "-o", pdf]
    if fit_a4:
        args += ["--pagesize", "A4", "--fit", "into"]
    subprocess.run(args + [picture], check=True, stderr=subprocess.DEVNULL)


def write(out, name, lines, img, ext="png", dpi=(300, 300), fit_a4=False, **save):
    picture = os.path.join(out, f"{name}.{ext}")
    img.save(picture, dpi=dpi, **save)
    with open(os.path.join(out, name + ".txt"), "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")
    save_pdf(out, name, picture, fit_a4)


def noise(img, amount, seed):
    rnd = random.Random(seed)
    px = img.load()
    w, h = img.size
    for _ in range(int(w * h * amount)):
        x, y = rnd.randrange(w), rnd.randrange(h)
        px[x, y] = 0 if img.mode in ("L", "1") else (0, 0, 0)


def perspective_coeffs(dst, src):
    """Coefficients for Image.transform: for each output point (in dst), where to
    sample the input (src)."""
    rows, rhs = [], []
    for (x, y), (u, v) in zip(dst, src):
        rows.append([x, y, 1, 0, 0, 0, -u * x, -u * y]); rhs.append(u)
        rows.append([0, 0, 0, x, y, 1, -v * x, -v * y]); rhs.append(v)
    n = 8
    m = [r + [b] for r, b in zip(rows, rhs)]
    for c in range(n):
        p = max(range(c, n), key=lambda r: abs(m[r][c]))
        m[c], m[p] = m[p], m[c]
        for r in range(n):
            if r != c:
                k = m[r][c] / m[c][c]
                m[r] = [a - k * b for a, b in zip(m[r], m[c])]
    return [m[i][n] / m[i][i] for i in range(n)]


def photo(page, seed):
    """The page photographed from a little off square, lying on a dark desk,
    a shadow across it: 3000 x 4000 pixels, 72 dpi as cameras write."""
    W, H = 3000, 4000
    rnd = random.Random(seed)
    desk = Image.new("RGB", (W, H), (58, 44, 36))
    noise_layer = Image.effect_noise((W // 4, H // 4), 12).resize((W, H)).convert("RGB")
    desk = Image.blend(desk, noise_layer, 0.15)
    corners = [(420 + rnd.randint(-40, 40), 380), (2600, 470 + rnd.randint(-40, 40)),
               (2700 + rnd.randint(-30, 30), 3650), (330, 3560 + rnd.randint(-30, 30))]
    pw, ph = page.size
    coeffs = perspective_coeffs(corners, [(0, 0), (pw, 0), (pw, ph), (0, ph)])
    sheet = page.convert("RGB").transform((W, H), Image.PERSPECTIVE, coeffs, Image.BICUBIC,
                                           fillcolor=(0, 0, 0))
    mask = Image.new("L", page.size, 255).transform((W, H), Image.PERSPECTIVE, coeffs,
                                                     Image.BILINEAR, fillcolor=0)
    desk.paste(sheet, (0, 0), mask)
    # A shadow falling from the top right, light fading towards the bottom.
    shade = Image.linear_gradient("L").resize((W, H)).rotate(-35, expand=False, fillcolor=255)
    shade = shade.point(lambda v: 150 + v * 105 // 255)
    desk = Image.composite(desk, Image.new("RGB", (W, H), (0, 0, 0)), shade)
    return desk.filter(ImageFilter.GaussianBlur(1.2))


def fax(page300, vdpi, seed):
    """A fax in normal (98) or fine (196) mode: 204 dpi across, vdpi down, one bit,
    specks and a streak, the transmission header line at the top."""
    w, h = page300.size
    img = page300.resize((w * 204 // 300, h * vdpi // 300), Image.BILINEAR)
    d = ImageDraw.Draw(img)
    f = ImageFont.truetype(GOTHIC, 22)
    d.text((30, 6), "2026/12/09 10:15  FROM: 03-1234-5678  TO: 06-9876-5432  P.001/001",
           font=f, fill=0)
    img = img.point(lambda v: 0 if v < 140 else 255)
    noise(img, 0.0015, seed)
    d = ImageDraw.Draw(img)
    d.line([(0, img.size[1] * 2 // 3), (img.size[0], img.size[1] * 2 // 3)], fill=0, width=1)
    return img.convert("1")


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)

    clean = text_page(LETTER, MINCHO, 10.5, 300)
    write(out, "clean-letter", LETTER, clean.filter(ImageFilter.GaussianBlur(0.6)), "jpg",
          quality=92)

    notice = text_page(NOTICE, GOTHIC, 16, 200, top=1.2, spacing=2.2)
    write(out, "photo-notice", NOTICE, photo(notice, 1), "jpg", dpi=(72, 72), fit_a4=True,
          quality=88)
    minutes = text_page(MINUTES, PMINCHO, 13, 200, spacing=2.0)
    write(out, "photo-minutes", MINUTES, photo(minutes, 2), "jpg", dpi=(72, 72), fit_a4=True,
          quality=88)

    scan = text_page(REPORT, MINCHO, 11, 300).rotate(4.5, resample=Image.BICUBIC, expand=False,
                                                     fillcolor=255)
    framed = Image.new("L", (scan.size[0] + 160, scan.size[1] + 120), 40)
    framed.paste(scan.crop((0, 0, scan.size[0] - 60, scan.size[1] - 40)), (70, 50))
    write(out, "scan-borders", REPORT, framed)

    order300 = text_page(ORDER, GOTHIC, 12, 300)
    write(out, "fax-normal", ORDER, fax(order300, 98, 3), "tif", dpi=(204, 98),
          compression="group3")
    write(out, "fax-fine", LETTER, fax(text_page(LETTER, MINCHO, 11, 300), 196, 4), "tif",
          dpi=(204, 196), compression="group3")

    receipt = text_page(RECEIPT, GOTHIC, 10, 300, size=(3.15, 6.0), left=0.3, top=0.5,
                        spacing=1.9, ink=150, paper=238)
    band = Image.linear_gradient("L").resize(receipt.size).point(lambda v: 255 - abs(v - 128) // 3)
    faded = Image.composite(receipt, Image.new("L", receipt.size, 238), band)
    write(out, "receipt-faded", RECEIPT, faded.filter(ImageFilter.GaussianBlur(0.8)))

    invoice = text_page(INVOICE, MINCHO, 12, 300, mode="RGB", ink=(0, 0, 0),
                        paper=(255, 255, 255))
    # Seal ink over toner: the colours multiply, black stays black.
    seal = Image.new("RGB", invoice.size, (255, 255, 255))
    d = ImageDraw.Draw(seal)
    f = ImageFont.truetype(GOTHIC, 60)
    cx, cy = 820, 540
    d.ellipse([cx - 130, cy - 130, cx + 130, cy + 130], outline=(226, 62, 40), width=12)
    d.text((cx - 60, cy - 95), "青葉", font=f, fill=(226, 62, 40))
    d.text((cx - 60, cy + 5), "之印", font=f, fill=(226, 62, 40))
    invoice = ImageChops.multiply(invoice, seal)
    write(out, "seal-invoice", INVOICE, invoice.filter(ImageFilter.GaussianBlur(0.5)), "jpg",
          quality=90)

    order = text_page(ORDER, MINCHO, 11, 300, mode="RGB", ink=(20, 20, 20),
                      paper=(250, 236, 170))
    stamp = Image.new("RGB", order.size, (255, 255, 255))
    d = ImageDraw.Draw(stamp)
    d.rectangle([1100, 250, 1700, 530], outline=(40, 70, 200), width=10)
    d.text((1160, 300), "受付 12.09", font=ImageFont.truetype(GOTHIC, 80), fill=(40, 70, 200))
    order = ImageChops.multiply(order, stamp)
    write(out, "stamp-yellow-paper", ORDER, order, "jpg", quality=90)

    write(out, "dpi150", MINUTES, text_page(MINUTES, GOTHIC, 10, 150))
    q50 = text_page(NOTICE, PGOTHIC, 11, 200)
    write(out, "dpi200-q50", NOTICE, q50, "jpg", dpi=(200, 200), quality=50)


main()
