// How a file is printed is decided from its content: pictures by the
// engine, text through the import that fits it with its character set, and
// content that would print as junk refused with its reason.
#include <gtest/gtest.h>
#include <iconv.h>

#include <random>
#include <string>

#include "Error.h"
#include "TestFiles.h"
#include "print/OutsideLinks.h"
#include "print/PrintPlan.h"
#include "print/TextEncoding.h"

using namespace xdwtest;

namespace {

// "変換" (conversion) in each character set.
const std::string kUtf8 = "\xE5\xA4\x89\xE6\x8F\x9B";
const std::string kSjis = "\x95\xCF\x8A\xB7";
const std::string kEuc = "\xCA\xD1\xB4\xB9";
const std::string kUtf16Le = std::string("\xFF\xFE\x09\x59\xDB\x63", 6);
const std::string kUtf16Be = std::string("\xFE\xFF\x59\x09\x63\xDB", 6);

std::string RandomBytes(size_t count) {
    std::mt19937 gen(99);
    std::string bytes(count, '\0');
    for (auto& b : bytes) b = static_cast<char>(gen() & 0xFF);
    return bytes;
}

// The UTF-8 text in another character set, as iconv writes it.
std::string Encoded(const std::string& utf8, const char* charset) {
    iconv_t cd = iconv_open(charset, "UTF-8");
    std::string out(utf8.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    char* to = out.data();
    size_t inLeft = utf8.size(), toLeft = out.size();
    iconv(cd, &in, &inLeft, &to, &toLeft);
    iconv(cd, nullptr, nullptr, &to, &toLeft);  // back to ASCII at the end
    iconv_close(cd);
    out.resize(out.size() - toLeft);
    return out;
}

TEST(TextEncoding, CharacterSetsAreFoundFromTheBytes) {
    struct Row {
        std::string bytes;
        std::string charset;
    };
    const Row rows[] = {
        {"plain ascii,1,2\r\n", "UTF-8"},
        {kUtf8 + ",x\n", "UTF-8"},
        {"\xEF\xBB\xBF" + kUtf8 + "\n", "UTF-8"},
        {kUtf16Le, "UTF-16LE"},
        {kUtf16Be, "UTF-16BE"},
        {"name," + kSjis + "\r\n", "CP932"},
        {"name," + kEuc + "\n", "EUC-JP"},
        {std::string("text\0with nul", 13), ""},
        {"abc\x81", ""},  // a Shift-JIS lead byte with nothing after it
        {RandomBytes(600), ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(xdw::DetectTextCharset(row.bytes), row.charset) << row.bytes;
    // Mail, Windows, Chinese and unmarked UTF-16 text: found and read back.
    const struct {
        const char* text;
        const char* charset;
    } written[] = {
        {"こんにちは、世界。日本語のメールです。\n", "ISO-2022-JP"},
        {"Grüße aus München\n", "WINDOWS-1252"},
        {"你好，世界。这是中文文本，用于测试。\n", "GB18030"},
        {"你好，世界。這是中文文本，用於測試。\n", "BIG5"},
        {"Hello world, plain text here\n", "UTF-16LE"},
        {"こんにちは世界\n", "UTF-16BE"},
    };
    for (const auto& row : written) {
        const std::string bytes = Encoded(row.text, row.charset);
        ASSERT_EQ(xdw::DetectTextCharset(bytes), row.charset) << row.text;
        EXPECT_EQ(xdw::TextAsUtf8(bytes, row.charset), row.text);
    }
    // Whatever the set, LibreOffice gets the same UTF-8 without a mark.
    EXPECT_EQ(xdw::TextAsUtf8("name," + kSjis, "CP932"), "name," + kUtf8);
    EXPECT_EQ(xdw::TextAsUtf8("name," + kEuc, "EUC-JP"), "name," + kUtf8);
    EXPECT_EQ(xdw::TextAsUtf8(kUtf16Le, "UTF-16LE"), kUtf8);
    EXPECT_EQ(xdw::TextAsUtf8("\xEF\xBB\xBF"
                              "a",
                              "UTF-8"),
              "a");
}

TEST(PrintPlan, RouteAndImportComeFromTheContent) {
    TempDir dir;
    struct Row {
        std::string name;
        std::string bytes;
        xdw::PrintRoute route;
        std::string importFilter;  // its start
        std::string charset;
    };
    MakeJpeg(dir.File("photo.jpe"), ImageSpec{});
    RunTool({"convert", "-size", "8x8", "xc:red", dir.File("pic.png")});
    RunTool({"convert", "-size", "8x8", "xc:red", "GIF:" + dir.File("anim.dat")});
    const std::string svg =
        "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" "
        "height=\"10\"><rect width=\"5\" height=\"5\"/></svg>\n";
    const Row rows[] = {
        {"photo.jpe", ReadBytes(dir.File("photo.jpe")), xdw::PrintRoute::Picture, "", ""},
        {"pic.png", ReadBytes(dir.File("pic.png")), xdw::PrintRoute::Picture, "", ""},
        // GIF bytes under a text name are still a picture, never text.
        {"anim.txt", ReadBytes(dir.File("anim.dat")), xdw::PrintRoute::Picture, "", ""},
        {"page.htm",
         "<!DOCTYPE html>\n<html><body><p>one</p><p>two</p><p>three</p></body></html>\n",
         xdw::PrintRoute::Office, "HTML (StarWriter)", ""},
        {"table.csv", "a,b\r\n" + kSjis + ",2\r\n", xdw::PrintRoute::Office,
         "Text - txt - csv (StarCalc):44,", "CP932"},
        {"table.tsv", "a\tb\n" + kEuc + "\t2\n", xdw::PrintRoute::Office,
         "Text - txt - csv (StarCalc):9,", "EUC-JP"},
        {"memo.txt", kUtf16Le, xdw::PrintRoute::Office, "OpenDocument Text Flat XML", "UTF-16LE"},
        {"scan.dat", "", xdw::PrintRoute::Pdf, "", ""},
        {"drawing.svg", svg, xdw::PrintRoute::Office, "SVG - Scalable Vector Graphics Draw", ""},
    };
    MakeTextPdf(dir.File("scan.dat"), {"page"});
    for (const Row& row : rows) {
        if (!row.bytes.empty()) WriteBytes(dir.File(row.name), row.bytes);
        const xdw::PrintPlan plan = xdw::PlanPrint(dir.File(row.name));
        EXPECT_EQ(plan.route, row.route) << row.name;
        EXPECT_EQ(plan.importFilter.substr(0, row.importFilter.size()), row.importFilter)
            << row.name << ": " << plan.importFilter;
        EXPECT_EQ(plan.charset, row.charset) << row.name;
    }
}

TEST(PrintPlan, ContentThatWouldPrintAsJunkIsRefusedWithItsReason) {
    TempDir dir;
    struct Row {
        std::string name;
        std::string bytes;
        std::string reason;  // part of it
    };
    const Row rows[] = {
        {"empty.txt", "", "empty"},
        {"random.txt", RandomBytes(4096), "character set"},
        {"archive.docx", std::string("PK\x03\x04", 4) + std::string(200, '\x01'), "not"},
        {"program.odt", ReadBytes("/bin/true"), "not a printable document"},
    };
    for (const Row& row : rows) {
        WriteBytes(dir.File(row.name), row.bytes);
        try {
            xdw::PlanPrint(dir.File(row.name));
            ADD_FAILURE() << row.name << " was accepted";
        } catch (const xdw::EngineError& e) {
            EXPECT_EQ(e.code(), XDW_E_CANNOT_READ) << row.name;
            EXPECT_NE(std::string(e.what()).find(row.reason), std::string::npos)
                << row.name << ": " << e.what();
        }
    }
}

// What LibreOffice would fetch from outside a document, were it not walled in.
TEST(OutsideLinks, AbsoluteAndClimbingReferencesAreFound) {
    TempDir dir;
    const std::string svg = "<svg xmlns:xlink=\"http://www.w3.org/1999/xlink\"><image xlink:href=";
    const std::pair<std::string, std::string> rows[] = {
        {"{\\rtf1 {\\field{\\*\\fldinst INCLUDEPICTURE \"/home/u/a.png\" \\\\d}}}",
         "/home/u/a.png"},
        {svg + "\"file:///etc/x.png\"/></svg>", "file:///etc/x.png"},
        {"<body background='../../a.png'><p>x</p></body>", "../../a.png"},
        {"<style>p { background: url(/usr/share/a.png) }</style>", "/usr/share/a.png"},
        {svg + "\"#pattern\"/><a href=\"http://example.com/\">x</a></svg>", ""},
        {"<img src=\"picture.png\">", ""},
    };
    for (const auto& [content, found] : rows) {
        WriteBytes(dir.File("doc"), content);
        EXPECT_EQ(xdw::OutsideLink(dir.File("doc")), found) << content;
    }
    WriteZip(dir.File("doc.odg"), {{"mimetype", "application/vnd.oasis.opendocument.graphics"},
                                   {"content.xml",
                                    "<draw:image xlink:href=\"Pictures/in.png\"/>"
                                    "<draw:image xlink:href=\"../../out.png\"/>"}});
    EXPECT_EQ(xdw::OutsideLink(dir.File("doc.odg")), "../../out.png");
}

}  // namespace
