#!/usr/bin/env python3
"""Makes ordinary office pages the way a user's scanner sees them: each page is
written as a LibreOffice document (justified IPA Mincho body text at 10.5 pt,
IPA Gothic headings), printed to PDF by LibreOffice, rasterised at 300 dpi in
grey, and for the askew pages turned a few degrees with a little noise.
    bench/make-office-pages.py OUTDIR [PAGE...]
Writes OUTDIR/NAME.png and OUTDIR/NAME.txt (the text in reading order: columns
left to right, vertical columns right to left, tables row by row) for each
page; without PAGE arguments every page below."""
import html
import os
import shutil
import subprocess
import sys
import tempfile

S = [
    "私たちの町では、毎年秋になると小さな音楽祭が開かれます。",
    "商店街の人々が中心となって準備を進め、駅前の広場には手作りの舞台が組まれます。",
    "昼間は子どもたちの合唱や吹奏楽の演奏があり、夕方からは地元の楽団が登場します。",
    "会場には温かい飲み物や焼き菓子を売る店が並び、家族連れで大変にぎわいます。",
    "近年は遠方から訪れる人も増え、町の名前が少しずつ知られるようになりました。",
    "一方で、準備に携わる人の高齢化が進み、若い世代の参加が課題となっています。",
    "そこで昨年からは、高校生や大学生にも運営の一部を任せる試みを始めました。",
    "彼らは案内図の作成や会場の整理を担当し、新しい意見を数多く出してくれました。",
    "その結果、来場者の満足度は前年よりも高くなり、運営の負担も軽くなりました。",
    "今後も世代を超えて協力し、誰もが楽しめる催しを続けていきたいと考えています。",
    "日本の気候は地域によって大きく異なり、北と南では季節の進み方も違います。",
    "北海道では六月でも肌寒い日がありますが、沖縄ではすでに夏の暑さが始まります。",
    "このような違いは、食べ物や住まい、人々の暮らし方にも影響を与えてきました。",
    "雪の多い地方では屋根の形が工夫され、暑い地方では風通しのよい家が好まれます。",
    "また、季節ごとの行事や祭りも、その土地の気候と深く結びついて発展しました。",
    "最近では気温の上昇により、桜の開花が早まるなどの変化が各地で見られます。",
    "農業に携わる人々は、作物の種類や育て方を見直す必要に迫られています。",
    "私たち一人ひとりも、省エネルギーやごみの削減など、できることから始めましょう。",
    "図書館は本を借りる場所であると同時に、地域の人々が集う大切な場所でもあります。",
    "閲覧室では学生が静かに勉強し、子ども向けの部屋では読み聞かせが行われています。",
    "最近は電子書籍の貸し出しも始まり、自宅にいながら本を読めるようになりました。",
    "職員の方々は、利用者の相談に丁寧に応じ、必要な資料を探す手助けをしています。",
    "古い新聞や地図も保存されており、町の歴史を調べる人にとっては貴重な資料です。",
    "週末には講演会や展示会も開かれ、幅広い年代の人々が足を運んでいます。",
]

# One page: (name, kind, parts). Parts are ("h", text) headings, ("p", text)
# justified paragraphs, ("r", text) right-aligned lines, ("c", text) centred
# lines, ("b", [items]) bullets, ("t", rows) ruled tables, ("cols", [parts])
# two columns, ("tabs", (stops, rows)) lines whose pieces are set at tab
# stops (cm from the left margin, "left" or "right"; no rules), ("grid",
# (widths, rows)) a table of the given column widths (cm) where a cell
# written "[]x" is boxed and any other has no rules, ("m", (title, right)) a
# masthead: a large title and a piece right-aligned on its line.
def essay(first, n):
    return [("p", "".join(S[(first + i * 3 + k) % len(S)] for k in range(3))) for i in range(n)]


PAGES = {
    "essay": ("ja", [("h", "町の音楽祭について")] + essay(0, 5)),
    "essay2": ("ja", [("h", "気候と暮らし")] + essay(10, 5)),
    "letter": ("ja", [
        ("r", "2026年12月9日"),
        ("p", "株式会社山田商事　営業部　御中"),
        ("r", "東京都千代田区丸の内一丁目"),
        ("r", "株式会社クイルベックス　総務課"),
        ("c", "新年度の打ち合わせについて"),
        ("p", "拝啓　師走の候、貴社ますますご清栄のこととお喜び申し上げます。平素は格別のご高配を賜り、厚く御礼申し上げます。"
              "さて、来年度の取引条件につきまして、下記のとおり打ち合わせの場を設けたく存じます。ご多忙のところ恐縮ですが、"
              "ご出席くださいますようお願い申し上げます。なお、ご都合が悪い場合は、お手数ですが事前にご連絡ください。"),
        ("r", "敬具"),
        ("c", "記"),
        ("p", "一、日時　2027年1月15日（金）午後2時から4時まで"),
        ("p", "二、場所　本社ビル三階　第一会議室"),
        ("p", "三、議題　来年度の価格と納期について"),
        ("r", "以上"),
    ]),
    "notice": ("ja", [
        ("h", "社内システム更新のお知らせ"),
        ("p", "来週の月曜日から、社内のネットワークとメールのシステムを順に更新します。作業中は一部のサービスが使えなくなりますので、"
              "次の点にご注意ください。"),
        ("b", ["更新の前に、大切なファイルはPDFなどで保存しておいてください。",
               "Wi-Fiの名前とパスワードが変わります。新しい設定は掲示板で案内します。",
               "USBメモリの使用は、今後は許可を得たものに限ります。",
               "Outlookの予定表は自動で移行されますが、念のため確認してください。"]),
        ("p", "ご不明な点がありましたら、情報システム課（内線1234）までお問い合わせください。ご協力をお願いいたします。"),
    ]),
    "invoice": ("ja", [
        ("h", "請求書 2026年12月"),
        ("p", "株式会社山田商事　御中"),
        ("p", "下記のとおりご請求申し上げます。お支払いは月末までにお願いいたします。"),
        ("t", [["品名", "数量", "単価", "金額"],
               ["事務用紙", "10", "500円", "5000円"],
               ["ボールペン", "30", "120円", "3600円"],
               ["封筒", "200", "15円", "3000円"],
               ["印刷代", "1", "8000円", "8000円"],
               ["合計", "", "", "19600円"]]),
        ("r", "株式会社クイルベックス"),
    ]),
    "columns": ("ja", [
        ("h", "地域だより　冬号"),
        ("cols", [("h", "音楽祭のご報告")] + essay(0, 2) + [("h", "図書館から")] + essay(18, 2)),
    ]),
    "vertical": ("jav", [("h", "季節のたより")] + essay(10, 3)),
    "english": ("en", [
        ("h", "Notice of the Annual Meeting"),
        ("p", "The annual meeting of the members will be held at the main office on the fifteenth of January. "
              "All members are asked to attend, or to send a written proxy if they cannot come. The agenda "
              "includes the accounts of the past year, the election of two directors and the budget for the "
              "coming year."),
        ("p", "Copies of the accounts can be collected from the front desk from Monday onwards. Members who "
              "wish to raise a question at the meeting should send it to the secretary a week in advance, so "
              "that a full answer can be prepared. Coffee will be served after the meeting."),
    ]),
    "pricelist": ("ja", [
        ("h", "喫茶みどり　お品書き"),
        ("tabs", ([(9, "left"), (16, "right")], [
            ["ブレンドコーヒー", "Ｍサイズ", "¥450"], ["カフェラテ", "Ｍサイズ", "¥520"],
            ["抹茶ラテ", "Ｌサイズ", "¥600"], ["紅茶（ポット）", "二杯分", "¥680"],
            ["ホットケーキ", "二枚", "¥750"], ["季節のタルト", "一切れ", "¥580"],
            ["ミックスサンド", "一皿", "¥820"], ["ナポリタン", "大盛り", "¥1,080"],
            ["本日のケーキセット", "飲み物付き", "¥1,200"]])),
        ("p", "価格はすべて税込みです。"),
    ]),
    "receipt": ("ja", [
        ("c", "スーパーあおば　港北店"),
        ("c", "2026年12月9日　18時42分"),
        ("tabs", ([(7, "right")], [
            ["牛乳　1L", "¥238"], ["食パン　6枚切", "¥168"], ["卵　10個", "¥298"],
            ["りんご　3個", "¥450"], ["鶏もも肉", "¥1,234"], ["小計", "¥2,388"],
            ["消費税　8%", "¥191"], ["合計", "¥2,579"], ["お預り", "¥3,000"], ["お釣り", "¥421"]])),
        ("p", "ご来店ありがとうございました。"),
    ], {"width": 10.0}),
    "datasheet": ("ja", [
        ("h", "製品仕様書"),
        ("grid", ([4, 12], [
            ["製品名", "業務用空気清浄機　ＡＰ－２００"], ["型番", "AP-200W"],
            ["外形寸法", "幅380×奥行220×高さ620mm"], ["質量", "約8.5kg"],
            ["電源", "AC100V　50/60Hz"], ["消費電力", "最大58W"],
            ["適用床面積", "約32畳まで"], ["保証期間", "お買い上げ日から1年間"]])),
        ("p", "仕様は改良のため予告なく変更することがあります。"),
    ]),
    "postform": ("ja", [
        ("h", "会員登録申込書"),
        ("grid", ([3, 7], [["氏名", "山田　太郎"], ["フリガナ", "ヤマダ　タロウ"]])),
        ("grid", ([3, 0.7] + [0.8] * 3 + [0.5] + [0.8] * 4, [
            ["郵便番号", "〒", "[]2", "[]3", "[]1", "-", "[]0", "[]0", "[]0", "[]2"]])),
        ("grid", ([3, 10], [["住所", "神奈川県横浜市中区本町三丁目"]])),
        ("grid", ([3] + [0.8] * 3 + [0.5] + [0.8] * 4 + [0.5] + [0.8] * 4, [
            ["電話番号", "[]0", "[]4", "[]5", "-", "[]6", "[]7", "[]1", "[]2", "-", "[]3", "[]4",
             "[]5", "[]6"]])),
        ("p", "記入した内容に誤りがないことを確認してください。"),
    ]),
    "estimate": ("ja", [
        ("h", "御見積書"),
        ("p", "株式会社みなと物産　御中"),
        ("t", [["品名", "数量", "単価", "金額"],
               ["複合機リース", "12", "18,500", "222,000"],
               ["保守契約", "12", "6,000", "72,000"],
               ["トナー一式", "4", "14,500", "58,000"],
               ["小計", "", "", "352,000"]]),
        ("p", "御見積金額合計　352,000円（消費税別）"),
        ("p", "有効期限は発行日から30日間といたします。"),
    ], {"tight": True}),
    "newsletter": ("ja", [
        ("m", ("みどり町だより", "第四十二号")),
        ("cols", [("h", "音楽祭のご報告")] + essay(3, 2) + [("h", "図書館から")] + essay(19, 2)),
    ]),
    "letter2": ("ja", [
        ("r", "2026年11月30日"),
        ("p", "青葉工業株式会社　購買部　御中"),
        ("r", "株式会社クイルベックス　営業課"),
        ("c", "納期変更のお詫び"),
        ("p", "拝啓　晩秋の候、貴社ますますご隆盛のこととお喜び申し上げます。"),
        ("p", "さて、先日ご注文をいただきました部品につきまして、材料の入荷が遅れたため、納期を一週間延ばさせていただきたく存じます。"
              "ご迷惑をおかけし、誠に申し訳ございません。"),
        ("p", "今後はこのようなことのないよう、管理を徹底してまいります。何とぞご了承くださいますようお願い申し上げます。"),
        ("r", "敬具"),
        ("r", "以上"),
    ]),
    "essay3": ("ja", [("h", "図書館と町")] + essay(18, 4)),
}
# Askew scans of three of the pages: (source page, degrees).
ASKEW = {"essay-askew": ("essay", 2.5), "english-askew": ("english", -2.0),
         "estimate-askew": ("estimate", -3.5)}


TAB_STYLES, GRID_STYLES = {}, {}


def para(style, text):
    return (f'<text:p text:style-name="{style}">' + html.escape(text).replace("\t", "<text:tab/>") +
            "</text:p>")


def body(parts):
    out = []
    for kind, value in parts:
        if kind == "h":
            out.append(para("H", value))
        elif kind == "p":
            out.append(para("P", value))
        elif kind == "r":
            out.append(para("R", value))
        elif kind == "c":
            out.append(para("C", value))
        elif kind == "b":
            out += [para("P", "・" + item) for item in value]
        elif kind == "t":
            out.append('<table:table table:style-name="T">'
                       f'<table:table-column table:number-columns-repeated="{len(value[0])}"/>')
            for row in value:
                out.append("<table:table-row>" + "".join(
                    f'<table:table-cell table:style-name="TC" office:value-type="string">{para("P", c)}'
                    "</table:table-cell>" for c in row) + "</table:table-row>")
            out.append("</table:table>")
        elif kind == "tabs":
            stops, rows = value
            style = "Tab" + "".join(f"{pos}{kind[0]}" for pos, kind in stops).replace(".", "_")
            TAB_STYLES[style] = stops
            out += [para(style, "\t".join(row)) for row in rows]
        elif kind == "m":
            out.append(para("M", value[0] + "\t" + value[1]))
        elif kind == "grid":
            widths, rows = value
            name = f"G{len(GRID_STYLES)}"
            GRID_STYLES[name] = widths
            out.append(f'<table:table table:style-name="{name}">' + "".join(
                f'<table:table-column table:style-name="{name}c{i}"/>' for i in range(len(widths))))
            for row in rows:
                out.append("<table:table-row>" + "".join(
                    f'<table:table-cell table:style-name="{"TC" if c.startswith("[]") else "TN"}"'
                    f' office:value-type="string">{para("D" if c.startswith("[]") else "P", c.removeprefix("[]"))}'
                    "</table:table-cell>" for c in row) + "</table:table-row>")
            out.append("</table:table>")
        elif kind == "cols":
            out.append('<text:section text:style-name="Cols" text:name="cols">' + body(value) +
                       "</text:section>")
    return "".join(out)


def reference(parts):
    out = []
    for kind, value in parts:
        if kind == "b":
            out += ["・" + item for item in value]
        elif kind == "t":
            out += ["".join(row) for row in value]
        elif kind in ("tabs", "grid"):
            out += ["".join(c.removeprefix("[]") for c in row) for row in value[1]]
        elif kind == "m":
            out.append("".join(value))
        elif kind == "cols":
            out.append(reference(value))
        else:
            out.append(value)
    return "\n".join(out)


def extra_styles(head):
    out = []
    for name, stops in TAB_STYLES.items():
        out.append(f'<style:style style:name="{name}" style:family="paragraph" style:parent-style-name="P">'
                   '<style:paragraph-properties fo:text-align="start"><style:tab-stops>' + "".join(
                       f'<style:tab-stop style:position="{pos}cm" style:type="{kind}"/>' for pos, kind in stops) +
                   "</style:tab-stops></style:paragraph-properties></style:style>")
    for name, widths in GRID_STYLES.items():
        out.append(f'<style:style style:name="{name}" style:family="table"><style:table-properties '
                   f'style:width="{sum(widths)}cm" table:align="left" fo:margin-bottom="0.2cm"/></style:style>')
        out += [f'<style:style style:name="{name}c{i}" style:family="table-column"><style:table-column-properties'
                f' style:column-width="{w}cm"/></style:style>' for i, w in enumerate(widths)]
    out.append('<style:style style:name="M" style:family="paragraph"><style:paragraph-properties fo:margin-bottom="0.6cm">'
               '<style:tab-stops><style:tab-stop style:position="16cm" style:type="right"/></style:tab-stops>'
               f'</style:paragraph-properties><style:text-properties {head.replace("15pt", "22pt")}/></style:style>')
    return "\n".join(out)


def document(lang, parts, options=None):
    options = options or {}
    width = options.get("width", 21.0)
    margin = 2.5 if width > 15 else 1.0
    table_after = "0.05cm" if options.get("tight") else "0.5cm"
    text = body(parts)
    mincho, gothic = "IPAMincho", "IPAGothic"
    mode = "tb-rl" if lang == "jav" else "lr-tb"
    font = f'style:font-name="{mincho}" style:font-name-asian="{mincho}" fo:font-size="10.5pt" style:font-size-asian="10.5pt"'
    head = f'style:font-name="{gothic}" style:font-name-asian="{gothic}" fo:font-size="15pt" style:font-size-asian="15pt"'
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.text">
<office:font-face-decls>
 <style:font-face style:name="{mincho}" svg:font-family="{mincho}"/><style:font-face style:name="{gothic}" svg:font-family="{gothic}"/>
</office:font-face-decls>
<office:styles>
 <style:style style:name="P" style:family="paragraph"><style:paragraph-properties fo:text-align="justify" fo:line-height="150%" fo:margin-bottom="0.2cm" style:writing-mode="{mode}"/><style:text-properties {font}/></style:style>
 <style:style style:name="R" style:family="paragraph" style:parent-style-name="P"><style:paragraph-properties fo:text-align="end"/></style:style>
 <style:style style:name="C" style:family="paragraph" style:parent-style-name="P"><style:paragraph-properties fo:text-align="center"/></style:style>
 <style:style style:name="H" style:family="paragraph"><style:paragraph-properties fo:text-align="start" fo:margin-top="0.3cm" fo:margin-bottom="0.4cm" style:writing-mode="{mode}"/><style:text-properties {head}/></style:style>
</office:styles>
<office:automatic-styles>
 <style:page-layout style:name="PL"><style:page-layout-properties fo:page-width="{width}cm" fo:page-height="29.7cm" fo:margin-top="2.5cm" fo:margin-bottom="2.5cm" fo:margin-left="{margin}cm" fo:margin-right="{margin}cm" style:writing-mode="{mode}"/></style:page-layout>
 {extra_styles(head)}
 <style:style style:name="D" style:family="paragraph" style:parent-style-name="P"><style:paragraph-properties fo:text-align="center" fo:margin-bottom="0cm"/></style:style>
 <style:style style:name="TN" style:family="table-cell"><style:table-cell-properties fo:border="none" fo:padding="0.05cm"/></style:style>
 <style:style style:name="Cols" style:family="section"><style:section-properties><style:columns fo:column-count="2" fo:column-gap="0.8cm"/></style:section-properties></style:style>
 <style:style style:name="T" style:family="table"><style:table-properties style:width="16cm" table:align="margins" fo:margin-top="0.3cm" fo:margin-bottom="{table_after}"/></style:style>
 <style:style style:name="TC" style:family="table-cell"><style:table-cell-properties fo:border="0.6pt solid #000000" fo:padding="0.12cm"/></style:style>
</office:automatic-styles>
<office:master-styles><style:master-page style:name="Standard" style:page-layout-name="PL"/></office:master-styles>
<office:body><office:text>{text}</office:text></office:body></office:document>
"""


def main():
    out = os.path.abspath(sys.argv[1])
    names = sys.argv[2:] or list(PAGES) + list(ASKEW)
    os.makedirs(out, exist_ok=True)
    tmp = tempfile.mkdtemp(prefix="quilbex-pages-")
    try:
        sources = sorted({ASKEW[n][0] if n in ASKEW else n for n in names})
        for name in sources:
            with open(f"{tmp}/{name}.fodt", "w", encoding="utf-8") as f:
                f.write(document(*PAGES[name]))
        subprocess.run(["soffice", f"-env:UserInstallation=file://{tmp}/profile", "--headless",
                        "--convert-to", "pdf", "--outdir", tmp] + [f"{tmp}/{n}.fodt" for n in sources],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for name in sources:
            subprocess.run(["pdftoppm", "-r", "300", "-gray", "-png", "-singlefile", f"{tmp}/{name}.pdf",
                            f"{tmp}/{name}"], check=True)
        for name in names:
            source, degrees = ASKEW.get(name, (name, 0))
            if degrees:
                subprocess.run(["convert", f"{tmp}/{source}.png", "-background", "white", "-rotate",
                                str(degrees), "-gravity", "center", "-extent", "2480x3508",
                                "-attenuate", "0.3", "+noise", "Gaussian", "-colorspace", "Gray",
                                "-depth", "8", "-density", "300", "-units", "PixelsPerInch",
                                f"{out}/{name}.png"], check=True)
            else:
                shutil.copy(f"{tmp}/{source}.png", f"{out}/{name}.png")
            with open(f"{out}/{name}.txt", "w", encoding="utf-8") as f:
                f.write(reference(PAGES[source][1]) + "\n")
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


main()
