// A document's title, kind and a bill's keys, as its metadata carries them
// after conversion (bills with text of their own, printed by LibreOffice at
// test time) and after OCR (bills drawn as scans): each key where the bill
// states it beyond doubt, none where it leaves doubt.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "TempDir.h"
#include "TestFiles.h"
#include "ocr_support.h"
#include "xdwapi/xdwapi.h"

using namespace xdwtest;

namespace {

struct BillCase {
    const char* name;
    std::vector<std::string> lines;
    const char* kind;
    const char* date;
    const char* amount;
    const char* party;
    bool scanned = false;
};

const std::vector<BillCase> kCases = {
    {"invoice",
     {"請 求 書", "No. 2026-1187", "2026年11月30日", "株式会社こだま企画 御中", "有限会社緑川工業",
      "ご請求金額 ¥396,000（税込）", "お支払期限 2026年12月31日", "展示用什器 1式 ¥240,000",
      "小計 ¥360,000", "消費税（10%） ¥36,000", "合計 ¥396,000"},
     "請求書",
     "2026-11-30",
     "396000",
     "有限会社緑川工業"},
    {"receipt",
     {"(株)ファミリーストア", "令和8年12月8日(火) 18:47", "領 収 証", "おにぎり ¥150",
      "小計 2点 ¥1,300", "(8%対象 ¥1,130 内税 ¥83)", "合計 ¥1,300", "お預り ¥2,000", "お釣り ¥700"},
     "領収書",
     "2026-12-08",
     "1300",
     "株式会社ファミリーストア"},
    {"estimate",
     {"御見積書", "見積日：2026/12/01", "株式会社青葉製作所 資材調達課 御中",
      "丸福商事株式会社 営業部", "御見積金額 128,000円（税込）", "有効期限 2026/12/31"},
     "見積書",
     "2026-12-01",
     "128000",
     "丸福商事株式会社"},
    {"delivery",
     {"納品書", "２０２６年１２月１日", "株式会社ハヤシ文具", "合計 ￥１２８，０００－"},
     "納品書",
     "2026-12-01",
     "128000",
     "株式会社ハヤシ文具"},
    {"two-totals",
     {"請求書", "2026年12月1日", "株式会社ハヤシ文具", "ご請求金額 ¥130,000", "合計 ¥128,000"},
     "請求書",
     "2026-12-01",
     "",
     "株式会社ハヤシ文具"},
    {"two-issuers",
     {"請求書", "2026年12月1日", "株式会社ハヤシ文具", "丸福商事株式会社", "合計 ¥128,000"},
     "請求書",
     "2026-12-01",
     "128000",
     ""},
    {"no-such-day",
     {"請求書", "2026年11月31日", "株式会社ハヤシ文具", "合計 ¥128,000"},
     "請求書",
     "",
     "128000",
     "株式会社ハヤシ文具"},
    {"wrong-weekday", {"領収書", "2026年12月1日(月)", "合計 ¥128,000"}, "領収書", "", "128000", ""},
    {"addressee-only",
     {"請求書", "株式会社こだま企画 御中", "2026年12月1日", "合計 ¥128,000"},
     "請求書",
     "2026-12-01",
     "128000",
     ""},
    {"notice",
     {"2026年12月1日", "入居者各位", "グリーンヒル管理株式会社", "断水のお知らせ",
      "費用 合計 ¥1,234,567"},
     "お知らせ",
     "",
     "",
     ""},
    {"scanned-invoice",
     {"御請求書", "2026年11月30日", "株式会社こだま企画 御中", "有限会社緑川工業",
      "ご請求金額 ¥52,780", "合計 ¥52,780"},
     "請求書",
     "2026-11-30",
     "52780",
     "有限会社緑川工業",
     true},
    // Read by OCR, a total stated once and borne out by nothing else may hold
    // a misread digit.
    {"scanned-lone-total",
     {"領収書", "2026年11月30日", "有限会社緑川工業", "合計 ¥52,780"},
     "領収書",
     "2026-11-30",
     "",
     "有限会社緑川工業",
     true},
    {"scanned-letter",
     {"2026年12月1日", "東和物産株式会社", "取引条件変更のご案内", "合計 ¥52,780"},
     "ご案内",
     "",
     "",
     "",
     true},
};

// "Key:  value" of pdfinfo's report, or "".
std::string InfoField(const std::string& report, const std::string& key) {
    const size_t at = report.find("\n" + key + ":");
    if (at == std::string::npos) return {};
    const size_t begin = report.find_first_not_of(' ', at + key.size() + 2);
    return report.substr(begin, report.find('\n', begin) - begin);
}

std::string Convert(const std::string& pdf, const std::string& out) {
    EXPECT_EQ(XDW_CreateXdwFromImagePdfFile(pdf.c_str(), out.c_str(), nullptr), 0) << pdf;
    return out;
}

void ExpectKeys(const BillCase& c, const std::string& doc) {
    const std::string info = "\n" + ToolOutput({"pdfinfo", doc});
    const std::string xmp = ToolOutput({"pdfinfo", "-meta", doc});
    std::string keywords;
    for (const char* key : {c.kind, c.date, c.amount, c.party}) {
        if (*key != '\0') keywords += (keywords.empty() ? "" : "; ") + std::string(key);
    }
    EXPECT_EQ(InfoField(info, "Title"), std::filesystem::path(doc).stem().string()) << c.name;
    EXPECT_EQ(InfoField(info, "Subject"), c.kind) << c.name;
    EXPECT_EQ(InfoField(info, "Keywords"), keywords) << c.name;
    const std::pair<const char*, const char*> fields[] = {
        {"Date", c.date}, {"Amount", c.amount}, {"Counterparty", c.party}};
    for (const auto& [field, value] : fields) {
        const std::string element = "<quilbex:" + std::string(field) + ">";
        if (*value == '\0')
            EXPECT_EQ(xmp.find(element), std::string::npos) << c.name << " " << field;
        else
            EXPECT_NE(xmp.find(element + value + "<"), std::string::npos) << c.name << " " << field;
    }
}

}  // namespace

TEST(DocumentKeys, EachKeyWhereTheBillLeavesNoDoubtAndNoneWhereItDoes) {
    quilbex::testing::TempDir dir;
    std::vector<std::string> texts;
    for (const BillCase& c : kCases) {
        if (c.scanned) continue;
        std::ofstream(dir / (std::string(c.name) + ".txt")) << [&] {
            std::string text;
            for (const std::string& line : c.lines) text += line + "\n";
            return text;
        }();
        texts.push_back(dir / (std::string(c.name) + ".txt"));
    }
    std::string command = "timeout 180 soffice '-env:UserInstallation=file://" + dir.path() +
                          "/profile' --headless --norestore --convert-to pdf --outdir '" +
                          dir.path() + "'";
    for (const std::string& text : texts) command += " '" + text + "'";
    ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0);

    for (const BillCase& c : kCases) {
        const std::string source = dir / (std::string(c.name) + ".pdf");
        if (c.scanned) {
            ScanSpec page;
            page.lines = c.lines;
            page.heightPx = 1800;
            page.pointSize = 18;
            MakeScannedPdf(source, {page});
        }
        const std::string doc = Convert(source, dir / (std::string(c.name) + ".xdw"));
        if (c.scanned) {
            ASSERT_EQ(OcrPages(doc, XDW_OCR_LANGUAGE_JAPANESE), 0) << c.name;
        }
        ExpectKeys(c, doc);
    }

    // A title of its own is kept: converted again, the document keeps the
    // first source's name.
    const std::string again = Convert(dir / "invoice.xdw", dir / "renamed.xdw");
    EXPECT_EQ(InfoField("\n" + ToolOutput({"pdfinfo", again}), "Title"), "invoice");
}
