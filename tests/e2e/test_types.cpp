// Every content type the package declares really converts: one sample
// of each, made here, run through the program to a complete document.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "TestFiles.h"
#include "e2e_support.h"

using namespace e2e;

namespace {

const std::string kDone = "XDW出力完了しました。";

// The types of the package's list, one a line, # for comments.
std::vector<std::string> DeclaredTypes() {
    std::ifstream in(QUILBEX_MIME_TYPES);
    std::string line;
    std::vector<std::string> types;
    while (std::getline(in, line))
        if (!line.empty() && line[0] != '#') types.push_back(line);
    return types;
}

std::string Pages(const std::string& kind, const std::string& text) {
    return "<office:body><office:" + kind +
           "><draw:page draw:name=\"p1\"><draw:frame svg:x=\"2cm\" svg:y=\"2cm\" "
           "svg:width=\"12cm\" svg:height=\"3cm\"><draw:text-box><text:p>" +
           text + "</text:p></draw:text-box></draw:frame></draw:page></office:" + kind +
           "></office:body>\n";
}

void Picture(const fs::path& path, const std::string& format) {
    RunTool({"convert", "-size", "64x48", "gradient:red-blue", format + ":" + path.string()});
}

void OpenDocument(const fs::path& path, const std::string& kind) {
    const std::string mime = "application/vnd.oasis.opendocument." + kind;
    if (kind == "text") {
        xdwtest::WriteOdf(path, mime,
                          "<office:body><office:text><text:p>Sample text</text:p></office:text>"
                          "</office:body>\n");
    } else if (kind == "spreadsheet") {
        xdwtest::WriteOdf(path, mime,
                          "<office:body><office:spreadsheet><table:table table:name=\"S\">"
                          "<table:table-row><table:table-cell office:value-type=\"string\">"
                          "<text:p>Sample cell</text:p></table:table-cell></table:table-row>"
                          "</table:table></office:spreadsheet></office:body>\n");
    } else {
        xdwtest::WriteOdf(path, mime, Pages(kind == "graphics" ? "drawing" : kind, "Sample page"));
    }
}

// An office format LibreOffice saves from an OpenDocument sample.
void Saved(const fs::path& path, const std::string& from, const std::string& filter) {
    const fs::path draft = path.parent_path() / "draft" / (path.stem().string() + "." + from);
    fs::create_directories(draft.parent_path());
    OpenDocument(draft, from == "odt" ? "text" : from == "ods" ? "spreadsheet" : "presentation");
    RunTool({"soffice", "-env:UserInstallation=file://" + (path.parent_path() / "lo").string(),
             "--headless", "--convert-to", path.extension().string().substr(1) + ":" + filter,
             "--outdir", path.parent_path().string(), draft.string()});
}

using Maker = void (*)(const fs::path&);
struct Sample {
    const char* name;
    Maker make;
};

const std::map<std::string, Sample> kSamples = {
    {"application/pdf", {"s.pdf", [](const fs::path& p) { MakeTextPdf(p, {"Sample"}); }}},
    {"image/tiff", {"s.tif", [](const fs::path& p) { Picture(p, "TIFF"); }}},
    {"image/jpeg", {"s.jpg", [](const fs::path& p) { Picture(p, "JPEG"); }}},
    {"image/png", {"s.png", [](const fs::path& p) { Picture(p, "PNG"); }}},
    {"image/gif", {"s.gif", [](const fs::path& p) { Picture(p, "GIF"); }}},
    {"image/bmp", {"s.bmp", [](const fs::path& p) { Picture(p, "BMP3"); }}},
    {"image/webp", {"s.webp", [](const fs::path& p) { Picture(p, "WEBP"); }}},
    {"image/x-portable-anymap", {"s.pnm", [](const fs::path& p) { Picture(p, "PPM"); }}},
    {"image/x-portable-bitmap", {"s.pbm", [](const fs::path& p) { Picture(p, "PBM"); }}},
    {"image/x-portable-graymap", {"s.pgm", [](const fs::path& p) { Picture(p, "PGM"); }}},
    {"image/x-portable-pixmap", {"s.ppm", [](const fs::path& p) { Picture(p, "PPM"); }}},
    {"text/plain", {"s.txt", [](const fs::path& p) { WriteFile(p, "Sample text\n"); }}},
    {"text/csv", {"s.csv", [](const fs::path& p) { WriteFile(p, "Sample,1\nrow,2\n"); }}},
    {"text/tab-separated-values",
     {"s.tsv", [](const fs::path& p) { WriteFile(p, "Sample\t1\nrow\t2\n"); }}},
    {"text/html",
     {"s.html",
      [](const fs::path& p) { WriteFile(p, "<html><body><p>Sample</p></body></html>\n"); }}},
    {"application/rtf",
     {"s.rtf", [](const fs::path& p) { WriteFile(p, "{\\rtf1\\ansi Sample text\\par}\n"); }}},
    {"image/svg+xml",
     {"s.svg",
      [](const fs::path& p) {
          WriteFile(p,
                    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100\" height=\"50\">"
                    "<text x=\"5\" y=\"30\">Sample</text></svg>\n");
      }}},
    {"application/vnd.oasis.opendocument.text",
     {"s.odt", [](const fs::path& p) { OpenDocument(p, "text"); }}},
    {"application/vnd.oasis.opendocument.spreadsheet",
     {"s.ods", [](const fs::path& p) { OpenDocument(p, "spreadsheet"); }}},
    {"application/vnd.oasis.opendocument.presentation",
     {"s.odp", [](const fs::path& p) { OpenDocument(p, "presentation"); }}},
    {"application/vnd.oasis.opendocument.graphics",
     {"s.odg", [](const fs::path& p) { OpenDocument(p, "graphics"); }}},
    {"application/msword", {"s.doc", [](const fs::path& p) { Saved(p, "odt", "MS Word 97"); }}},
    {"application/vnd.ms-excel",
     {"s.xls", [](const fs::path& p) { Saved(p, "ods", "MS Excel 97"); }}},
    {"application/vnd.ms-powerpoint",
     {"s.ppt", [](const fs::path& p) { Saved(p, "odp", "MS PowerPoint 97"); }}},
    {"application/vnd.openxmlformats-officedocument.wordprocessingml.document",
     {"s.docx", [](const fs::path& p) { Saved(p, "odt", "MS Word 2007 XML"); }}},
    {"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet",
     {"s.xlsx", [](const fs::path& p) { Saved(p, "ods", "Calc MS Excel 2007 XML"); }}},
    {"application/vnd.openxmlformats-officedocument.presentationml.presentation",
     {"s.pptx", [](const fs::path& p) { Saved(p, "odp", "Impress MS PowerPoint 2007 XML"); }}},
};

class DeclaredType : public ::testing::TestWithParam<std::string> {};

TEST_P(DeclaredType, ConvertsToACompleteDocument) {
    const auto sample = kSamples.find(GetParam());
    ASSERT_NE(sample, kSamples.end()) << "declared, but no sample shows it converts";
    ProgramFolder folder;
    const fs::path out = folder.root() / "out";
    fs::create_directories(out);
    folder.WriteSettings({{"ShowSetting", "N"}}, {{"SaveDir", out.string()}});
    const fs::path source = folder.root() / sample->second.name;
    sample->second.make(source);
    ASSERT_TRUE(fs::exists(source));

    const Result result = folder.Run({source.string()});
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    const auto lines = folder.LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), kDone) << GetParam();
    const fs::path output = out / source.filename().replace_extension(".xdw");
    ASSERT_TRUE(fs::exists(output));
    EXPECT_GE(PdfPageTexts(output).size(), 1u);
}

std::string TestName(const ::testing::TestParamInfo<std::string>& info) {
    std::string name;
    for (char c : info.param) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(PackageList, DeclaredType, ::testing::ValuesIn(DeclaredTypes()),
                         TestName);

}  // namespace
