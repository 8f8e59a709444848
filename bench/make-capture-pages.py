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


NOTICE2 = ["防災訓練の実施について",
           "十一月二十日（金）午前十時に非常ベルが鳴ります。",
           "係員の指示に従い、階段で一階まで避難してください。",
           "エレベーターは使用できません。"]
LETTER2 = ["謹啓　初冬の候、貴社ますますご隆盛のこととお喜び申し上げます。",
           "このたびは弊社製品をご購入いただき、誠にありがとうございます。",
           "保証書と取扱説明書を同封いたしましたので、ご確認ください。",
           "末筆ながら、貴社のご発展を心よりお祈り申し上げます。"]
MEMO = ["業務連絡",
        "来週月曜日から新しい勤怠システムに切り替わります。",
        "初回のログインには社員番号と仮のパスワードを使います。",
        "操作の説明は各部署の担当者が行います。",
        "質問は情報システム課までお寄せください。"]
RECEIPT2 = ["お買上明細",
            "文具セット　一点",
            "ボールペン　三本",
            "ノート　五冊",
            "合計　二千四百八十円",
            "またのご来店をお待ちしております"]
RECEIPT3 = ["お預り証",
            "クリーニング　上着二点",
            "ワイシャツ　五枚",
            "仕上がり　十二月十九日",
            "代金　二千六百四十円",
            "控えをお持ちください"]
INVOICE2 = ["御見積書",
            "有限会社みどり工務店　御中",
            "神奈川県横浜市中区本町二丁目",
            "工事名　外壁塗装工事",
            "有効期限　発行日より三十日"]
SHIPPING = ["配送日程変更のご案内",
            "年末年始の休業に伴い、配送の日程を変更いたします。",
            "二十八日以降のご注文は翌月五日の発送となります。",
            "お急ぎの場合は営業担当へご相談ください。",
            "ご迷惑をおかけしますが、何卒ご了承ください。"]
DELIVERY = ["納品書",
            "株式会社さくら電機　御中",
            "このたびは下記の品物を納品いたしました。",
            "品番　ＬＥＤ照明器具　四十台",
            "納品日　十月八日（木）",
            "検収のうえ受領印をお願いいたします。"]
NOTICE3 = ["健康診断の日程変更について",
           "今年度の定期健康診断は一月二十六日（月）に変更となりました。",
           "受付は地下一階の多目的ホールで、午前九時から始まります。",
           "当日の朝食は取らずにお越しください。",
           "都合の悪い方は人事課の佐藤までご相談ください。"]
PARKING = ["地下駐車場の利用について",
           "来月一日から駐車場の利用には事前の申請が必要です。",
           "申請書は受付の窓口でお受け取りください。",
           "来客用の区画は入口の右側に二台分あります。"]
URGENT = ["至急",
          "会議室の変更のお知らせ",
          "明日の打ち合わせは第二会議室に変わります。",
          "資料は各自でお持ちください。"]
TRIP = ["出張報告",
        "大阪支店での打ち合わせは予定どおり終わりました。",
        "先方からは納期を一週間早めたいとの要望がありました。",
        "詳しくは添付の資料をご覧ください。"]
PARTS = ["部品発注のお願い",
         "先月ご依頼した部品の在庫が不足しております。",
         "至急、追加で五十個の発注をお願いいたします。",
         "納品は来週の水曜日を希望します。"]
MEETING = ["打ち合わせ日程のご連絡",
           "来週の打ち合わせは木曜日の午後三時からに決まりました。",
           "場所は弊社二階の応接室を予定しております。",
           "当日は見積書の内容について確認させていただきます。",
           "ご都合が悪い場合は前日までにご一報ください。"]
TRANSFER = ["人事異動のお知らせ",
            "四月一日付で経理部の山本が総務部へ異動いたします。",
            "後任には営業部の小林が着任する予定です。",
            "引き継ぎ期間中はご迷惑をおかけいたします。"]
TRAINING = ["研修会の開催について",
            "新入社員向けの研修を二月九日（月）に行います。",
            "会場は本館四階の大会議室です。",
            "筆記用具と社員証をお持ちください。"]
HOLIDAY = ["お客様各位",
           "年末年始の営業についてお知らせいたします。",
           "十二月二十九日から一月三日まではお休みをいただきます。",
           "ご不便をおかけしますが、ご理解のほどお願いいたします。"]


def text_page(lines, font, pt, dpi, size=(8.27, 11.69), left=1.0, top=1.0, spacing=2.0,
              ink=0, paper=255, mode="L", first_ink=None, first_pt=None):
    """A page of lines drawn at dpi; returns the image. The first line may
    have its own colour and size (a heading)."""
    w, h = int(size[0] * dpi), int(size[1] * dpi)
    img = Image.new(mode, (w, h), paper)
    d = ImageDraw.Draw(img)
    y = int(top * dpi)
    for i, line in enumerate(lines):
        size_pt = first_pt if i == 0 and first_pt else pt
        px = round(size_pt * dpi / 72)
        f = ImageFont.truetype(font, px)
        d.text((int(left * dpi), y), line, font=f,
               fill=first_ink if i == 0 and first_ink is not None else ink)
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


def photo(page, seed, shadow=-35):
    """The page photographed from a little off square, lying on a dark desk,
    a shadow across it: 3000 x 4000 pixels, 72 dpi as cameras write."""
    W, H = 3000, 4000
    rnd = random.Random(seed)
    desk = Image.new("RGB", (W, H), (58 + rnd.randint(-20, 20), 44, 36 + rnd.randint(-10, 30)))
    noise_layer = Image.effect_noise((W // 4, H // 4), 12).resize((W, H)).convert("RGB")
    desk = Image.blend(desk, noise_layer, 0.15)
    corners = [(420 + rnd.randint(-80, 80), 380 + rnd.randint(-60, 60)),
               (2600 + rnd.randint(-60, 60), 470 + rnd.randint(-80, 80)),
               (2700 + rnd.randint(-60, 60), 3650 + rnd.randint(-60, 60)),
               (330 + rnd.randint(-60, 60), 3560 + rnd.randint(-60, 60))]
    pw, ph = page.size
    coeffs = perspective_coeffs(corners, [(0, 0), (pw, 0), (pw, ph), (0, ph)])
    sheet = page.convert("RGB").transform((W, H), Image.PERSPECTIVE, coeffs, Image.BICUBIC,
                                           fillcolor=(0, 0, 0))
    mask = Image.new("L", page.size, 255).transform((W, H), Image.PERSPECTIVE, coeffs,
                                                     Image.BILINEAR, fillcolor=0)
    desk.paste(sheet, (0, 0), mask)
    # A shadow falling from one side, light fading towards the bottom.
    shade = Image.linear_gradient("L").resize((W, H)).rotate(shadow, expand=False, fillcolor=255)
    shade = shade.point(lambda v: 150 + v * 105 // 255)
    desk = Image.composite(desk, Image.new("RGB", (W, H), (0, 0, 0)), shade)
    return desk.filter(ImageFilter.GaussianBlur(1.2))


# The sending machine's transmission line along a fax's top edge: text on the page, so its
# reference holds it too.
FAX_HEADER = "2026/12/09 10:15  FROM: 03-1234-5678  TO: 06-9876-5432  P.001/001"


def fax(page300, vdpi, seed, header=FAX_HEADER):
    """A fax in normal (98) or fine (196) mode: 204 dpi across, vdpi down, one bit,
    specks and a streak, the transmission header line at the top."""
    w, h = page300.size
    rnd = random.Random(seed)
    img = page300.resize((w * 204 // 300, h * vdpi // 300), Image.BILINEAR)
    d = ImageDraw.Draw(img)
    f = ImageFont.truetype(GOTHIC, 22 * vdpi // 196 + 11)
    d.text((30 + rnd.randint(0, 40), 4 + rnd.randint(0, 4)), header, font=f, fill=0)
    img = img.point(lambda v: 0 if v < 140 else 255)
    noise(img, 0.001 + 0.001 * rnd.random(), seed)
    d = ImageDraw.Draw(img)
    y = img.size[1] * rnd.randint(40, 80) // 100
    d.line([(0, y), (img.size[0], y)], fill=0, width=1)
    return img.convert("1")


def receipt(lines, font, pt, seed):
    rnd = random.Random(seed)
    page = text_page(lines, font, pt, 300, size=(3.15, 6.0), left=0.3, top=0.5, spacing=1.9,
                     ink=140 + rnd.randint(0, 20), paper=238)
    band = Image.linear_gradient("L").resize(page.size).point(
        lambda v: 255 - abs(v - rnd.randint(90, 160)) // 3)
    faded = Image.composite(page, Image.new("L", page.size, 238), band)
    return faded.filter(ImageFilter.GaussianBlur(0.8))


def sealed(lines, font, pt, centre, colour, names):
    """Seal ink over toner: the colours multiply, black stays black."""
    page = text_page(lines, font, pt, 300, mode="RGB", ink=(0, 0, 0), paper=(255, 255, 255))
    seal = Image.new("RGB", page.size, (255, 255, 255))
    d = ImageDraw.Draw(seal)
    f = ImageFont.truetype(GOTHIC, 60)
    cx, cy = centre
    d.ellipse([cx - 130, cy - 130, cx + 130, cy + 130], outline=colour, width=12)
    d.text((cx - 60, cy - 95), names[0], font=f, fill=colour)
    d.text((cx - 60, cy + 5), names[1], font=f, fill=colour)
    return ImageChops.multiply(page, seal).filter(ImageFilter.GaussianBlur(0.5))


def stamped(lines, font, pt, paper, box, colour, label):
    page = text_page(lines, font, pt, 300, mode="RGB", ink=(20, 20, 20), paper=paper)
    stamp = Image.new("RGB", page.size, (255, 255, 255))
    d = ImageDraw.Draw(stamp)
    d.rectangle(box, outline=colour, width=10)
    d.text((box[0] + 60, box[1] + 50), label, font=ImageFont.truetype(GOTHIC, 80), fill=colour)
    return ImageChops.multiply(page, stamp)


def bordered(lines, font, pt, angle, grey, sheet_turned=False):
    """A scan in the lid's grey: the text turned on an upright sheet, or the
    sheet itself laid askew on the glass, the lid in a wedge along each edge."""
    page = text_page(lines, font, pt, 300)
    framed = Image.new("L", (page.size[0] + 160, page.size[1] + 120), grey)
    if sheet_turned:
        turned = page.rotate(angle, resample=Image.BICUBIC, expand=True, fillcolor=grey)
        framed.paste(turned, ((framed.size[0] - turned.size[0]) // 2,
                              (framed.size[1] - turned.size[1]) // 2))
        return framed
    scan = page.rotate(angle, resample=Image.BICUBIC, expand=False, fillcolor=255)
    framed.paste(scan.crop((0, 0, scan.size[0] - 60, scan.size[1] - 40)), (70, 50))
    return framed


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)

    for name, lines, font, pt in (("clean-letter", LETTER, MINCHO, 10.5),
                                  ("clean-memo", MEMO, PGOTHIC, 12),
                                  ("clean-holiday", HOLIDAY, PMINCHO, 9.5)):
        clean = text_page(lines, font, pt, 300)
        write(out, name, lines, clean.filter(ImageFilter.GaussianBlur(0.6)), "jpg", quality=92)

    for name, lines, font, pt, seed, shadow, mode in (
            ("photo-notice", NOTICE, GOTHIC, 16, 1, -35, "RGB"),
            ("photo-minutes", MINUTES, PMINCHO, 13, 2, -35, "RGB"),
            ("photo-drill", NOTICE2, MINCHO, 14, 5, 30, "RGB"),
            ("photo-parking", PARKING, PGOTHIC, 12, 13, 60, "L")):
        page = text_page(lines, font, pt, 200, top=1.2, spacing=2.2 if pt > 14 else 2.0)
        write(out, name, lines, photo(page, seed, shadow).convert(mode), "jpg", dpi=(72, 72),
              fit_a4=True, quality=88)

    for name, lines, font, pt, angle, grey in (("scan-borders", REPORT, MINCHO, 11, 4.5, 40),
                                               ("scan-borders-memo", MEMO, GOTHIC, 10, -4, 25),
                                               ("scan-borders-trip", TRIP, PMINCHO, 12, -5.3, 60)):
        write(out, name, lines, bordered(lines, font, pt, angle, grey))
    write(out, "scan-sheet-askew", PARTS, bordered(PARTS, MINCHO, 10.5, -2.8, 50, True))

    for name, lines, font, pt, vdpi, seed in (("fax-normal", ORDER, GOTHIC, 12, 98, 3),
                                              ("fax-normal-memo", MEMO, MINCHO, 12, 98, 6),
                                              ("fax-normal-notice", SHIPPING, PMINCHO, 11, 98, 12),
                                              ("fax-normal-meeting", MEETING, MINCHO, 10.5, 98, 21),
                                              ("fax-normal-transfer", TRANSFER, PMINCHO, 11.5, 98, 33),
                                              ("fax-fine", LETTER, MINCHO, 11, 196, 4),
                                              ("fax-fine-notice", NOTICE2, PGOTHIC, 11, 196, 7)):
        write(out, name, [FAX_HEADER] + lines, fax(text_page(lines, font, pt, 300), vdpi, seed), "tif",
              dpi=(204, vdpi), compression="group3")

    write(out, "receipt-faded", RECEIPT, receipt(RECEIPT, GOTHIC, 10, 8))
    write(out, "receipt-faded-2", RECEIPT2, receipt(RECEIPT2, PGOTHIC, 9, 9))
    write(out, "receipt-faded-3", RECEIPT3, receipt(RECEIPT3, MINCHO, 10.5, 17))

    write(out, "seal-invoice", INVOICE,
          sealed(INVOICE, MINCHO, 12, (820, 540), (226, 62, 40), ("青葉", "之印")), "jpg",
          quality=90)
    write(out, "seal-estimate", INVOICE2,
          sealed(INVOICE2, GOTHIC, 11, (1150, 470), (200, 40, 70), ("みど", "り印")), "jpg",
          quality=85)

    write(out, "stamp-yellow-paper", ORDER,
          stamped(ORDER, MINCHO, 11, (250, 236, 170), [1100, 250, 1700, 530], (40, 70, 200),
                  "受付 12.09"), "jpg", quality=90)
    write(out, "stamp-peach-paper", DELIVERY,
          stamped(DELIVERY, PMINCHO, 10.5, (252, 224, 196), [900, 560, 1550, 840], (30, 60, 190),
                  "受領 10.08"), "jpg", quality=85)
    write(out, "stamp-green-paper", TRAINING,
          stamped(TRAINING, PGOTHIC, 10, (222, 240, 214), [1250, 380, 1900, 660], (215, 70, 45),
                  "検収 02.09"), "jpg", quality=85)
    write(out, "stamp-blue-paper", MEMO,
          stamped(MEMO, GOTHIC, 10.5, (205, 225, 245), [1300, 200, 1950, 480], (210, 50, 50),
                  "済 12.10"), "jpg", quality=90)

    urgent = text_page(URGENT, GOTHIC, 12, 300, mode="RGB", ink=(0, 0, 0),
                       paper=(255, 255, 255), first_ink=(225, 30, 30), first_pt=20)
    write(out, "red-heading", URGENT, urgent.filter(ImageFilter.GaussianBlur(0.5)), "jpg",
          quality=90)

    write(out, "dpi150", MINUTES, text_page(MINUTES, GOTHIC, 10, 150))
    for name, lines, font, pt, quality, seed in (("dpi200-q50", NOTICE, PGOTHIC, 11, 50, None),
                                                 ("dpi200-mincho", NOTICE3, MINCHO, 10, 75, 12)):
        page200 = text_page(lines, font, pt, 200)
        if seed is not None:
            noise(page200, 0.0004, seed)
        write(out, name, lines, page200, "jpg", dpi=(200, 200), quality=quality)


main()
