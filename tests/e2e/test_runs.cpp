// Whole runs of the real program and engine, as a user meets them.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <random>

#include "e2e_support.h"

using namespace e2e;

namespace {

const std::string kDone = "XDW出力完了しました。";
const std::string kCancelNoHandle = "-2147024809:何らかのエラーが発生しました。";

std::string Destination(const fs::path& dir) { return "[" + dir.string() + "]へXDW出力します…"; }

void ExpectLines(const std::vector<std::string>& actual, const std::vector<std::string>& expected) {
    ASSERT_EQ(actual.size(), expected.size()) << "log has " << actual.size() << " lines";
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(actual[i], expected[i]) << "line " << i + 1;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

}  // namespace

// The road of a typical run: a scanned PDF, the name with yymmdd behind it,
// the default output folder, deletion of the source and OCR.
TEST(WholeRun, ScannedPdfWithDateNameDeletionAndOcr) {
    ProgramFolder folder;
    const fs::path source = folder.root() / "report.pdf";
    fs::copy_file(fs::path(QUILBEX_SAMPLES) / "sample.pdf", source);
    folder.WriteSettings({{"ShowSetting", "N"}, {"OCR", "Y"}, {"DelFile", "Y"}},
                         {{"SaveDir", ""}, {"FileName", "\"元のファイル名\"yymmdd"}});

    const std::string day = DateText("%y%m%d");
    const Result result = folder.Run({source.string()});
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_EQ(result.errors, "");

    const fs::path documents = folder.home() / "Documents";
    ExpectLines(folder.LogLines(),
                {Destination(documents), kDone, "xdwファイルをオープンしました。",
                 "1ページ処理します。", "1ページをOCRしました。", "xdwファイルを保存しました。"});
    const fs::path output = documents / ("report" + day + ".xdw");
    ASSERT_TRUE(fs::exists(output));
    EXPECT_FALSE(fs::exists(source));
    const auto texts = PdfPageTexts(output);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(Lower(texts[0]).find("scanned from paper"), std::string::npos) << texts[0];
    EXPECT_NE(texts[0].find("東京都千代田区"), std::string::npos) << texts[0];
}

TEST(WholeRun, JpegAndMultiPageTiff) {
    ProgramFolder folder;
    const fs::path out = folder.root() / "out";
    fs::create_directories(out);
    folder.WriteSettings({{"ShowSetting", "N"}}, {{"SaveDir", out.string()}});

    const fs::path jpeg = folder.root() / "photo.JPG";
    RunTool(
        {"convert", "-size", "640x480", "gradient:blue-yellow", "-density", "150", jpeg.string()});
    Result result = folder.Run({jpeg.string()});
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    ExpectLines(folder.LogLines(), {Destination(out), kDone});
    EXPECT_EQ(PdfPageTexts(out / "photo.xdw").size(), 1u);
    EXPECT_TRUE(fs::exists(jpeg)) << "DelFile is off";

    const fs::path tiff = folder.root() / "scan.tiff";
    RunTool({"convert", "-size", "300x200", "xc:white", "-size", "300x200", "xc:black", "-size",
             "300x200", "gradient:red-green", tiff.string()});
    result = folder.Run({tiff.string()});
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    ExpectLines(folder.LogLines(), {Destination(out), kDone});
    EXPECT_EQ(PdfPageTexts(out / "scan.xdw").size(), 3u);
}

// A JPEG with junk before its frame, which libjpeg reads past with a warning:
// converted and recognised, and standard error stays empty.
TEST(WholeRun, DamageLibjpegReadsPastLeavesNothingOnStandardError) {
    ProgramFolder folder;
    const fs::path out = folder.root() / "out";
    fs::create_directories(out);
    folder.WriteSettings({{"ShowSetting", "N"}, {"OCR", "Y"}}, {{"SaveDir", out.string()}});
    const fs::path jpeg = folder.root() / "junk.jpg";
    RunTool({"convert", "-size", "300x200", "gradient:", "-density", "150", jpeg.string()});
    std::string bytes = ReadFile(jpeg);
    WriteFile(jpeg, bytes.insert(bytes.find("\xFF\xC0"), 4, '\0'));
    const Result result = folder.Run({jpeg.string()});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.errors, "");
}

// Where bubblewrap cannot make its namespaces (here the program runs inside a
// bwrap that forbids further user namespaces), LibreOffice prints behind its
// profile alone, and the log and standard error say so.
TEST(WholeRun, PrintingWhereTheSandboxCannotRunSaysSo) {
    const std::string walls = "bwrap --dev-bind / / --unshare-user --disable-userns -- ";
    if (std::system((walls + "true 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "this system gives bwrap no user namespace to forbid more in";
    ProgramFolder folder;
    const fs::path out = folder.root() / "out", text = folder.root() / "unwalled.txt";
    fs::create_directories(out);
    folder.WriteSettings({{"ShowSetting", "N"}}, {{"SaveDir", out.string()}});
    WriteFile(text, "Printed behind the profile alone\n");
    const Result result = StartProgram("/bin/sh",
                                       {"-c", walls + "\"$0\" \"$1\"",
                                        (folder.program() / "quilbex").string(), text.string()},
                                       folder.home(), folder.root())
                              ->Wait();
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_NE(result.errors.find("LibreOffice runs without its sandbox"), std::string::npos);
    const auto lines = folder.LogLines();  // which phases a poll sees varies
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "LibreOffice はサンドボックスなしで印刷します（bwrap cannot make its "
                        "namespaces here (no user namespaces?)）。"),
              lines.end());
    EXPECT_NE(PdfPageTexts(out / "unwalled.xdw").at(0).find("profile alone"), std::string::npos);

    // Without the walls a document naming a picture outside itself is not printed.
    const fs::path linking = folder.root() / "linking.svg";
    WriteFile(linking,
              "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/"
              "xlink\"><image width=\"9\" height=\"9\" xlink:href=\"file:///usr/share/pixmaps/"
              "debian-logo.png\"/></svg>\n");
    const Result refused = StartProgram("/bin/sh",
                                        {"-c", walls + "\"$0\" \"$1\"",
                                         (folder.program() / "quilbex").string(), linking.string()},
                                        folder.home(), folder.root())
                               ->Wait();
    EXPECT_EQ(refused.exitCode, 1) << refused.errors;
    EXPECT_NE(refused.errors.find("debian-logo.png"), std::string::npos) << refused.errors;
    EXPECT_TRUE(fs::exists(linking));
    EXPECT_FALSE(fs::exists(out / "linking.xdw"));
}

// Files without a direct route are printed by their application; the phases
// reach the log in order and the original travels inside the document.
TEST(WholeRun, TextAndOfficeFilesThroughApplicationPrinting) {
    ProgramFolder folder;
    const fs::path out = folder.root() / "out";
    fs::create_directories(out);
    folder.WriteSettings({{"ShowSetting", "N"}, {"DelFile", "Y"}, {"OCR", "Y"}},
                         {{"SaveDir", out.string()}, {"FileName", "元のファイル名"}});

    const fs::path text = folder.root() / "memo.txt";
    WriteFile(text, "Minutes of the meeting\nQuilbex prints this through its application.\n");
    const std::string textBytes = ReadFile(text);
    const fs::path odt = folder.root() / "letter.odt";
    {
        const fs::path draft = folder.root() / "draft" / "letter.txt";
        fs::create_directories(draft.parent_path());
        WriteFile(draft, "A letter written in an office program.\n");
        RunTool({"soffice", "-env:UserInstallation=file://" + (folder.root() / "lo").string(),
                 "--headless", "--convert-to", "odt", "--outdir", folder.root().string(),
                 draft.string()});
    }
    const std::string odtBytes = ReadFile(odt);

    const std::vector<std::string> phases = {
        "変換を開始しました。",         "ｱﾌﾟﾘｹｰｼｮﾝで印刷しています。", "ﾍﾟｰｼﾞを生成しています。",
        "ｵﾘｼﾞﾅﾙﾌｧｲﾙを添付しています。", "ﾌｧｲﾙに書き出しています。",    "変換が終了しました。"};
    struct Case {
        fs::path source;
        std::string bytes;
        std::string expectText;
    };
    for (const Case& c : {Case{text, textBytes, "Minutes of the meeting"},
                          Case{odt, odtBytes, "A letter written in an office program."}}) {
        SCOPED_TRACE(c.source.filename().string());
        const Result result = folder.Run({c.source.string()});
        ASSERT_EQ(result.exitCode, 0) << result.errors;
        const auto lines = folder.LogLines();
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(lines.front(), Destination(out));
        EXPECT_EQ(lines[lines.size() - 2], "変換が終了しました。");
        EXPECT_EQ(lines.back(), kDone);
        // Every line between is a phase line, each phase later than the one before.
        size_t last = 0;
        for (size_t i = 1; i + 1 < lines.size(); ++i) {
            const auto at = std::find_if(phases.begin(), phases.end(), [&](const std::string& p) {
                return lines[i].rfind(p, 0) == 0;
            });
            ASSERT_NE(at, phases.end()) << lines[i];
            const size_t index = static_cast<size_t>(at - phases.begin()) + 1;
            EXPECT_GT(index, last) << lines[i];
            last = index;
        }
        const fs::path output = out / c.source.filename().replace_extension(".xdw");
        ASSERT_TRUE(fs::exists(output));
        EXPECT_FALSE(fs::exists(c.source)) << "deleted after a complete conversion";
        const auto texts = PdfPageTexts(output);
        ASSERT_FALSE(texts.empty());
        EXPECT_NE(texts[0].find(c.expectText), std::string::npos) << texts[0];
        const auto names = PdfAttachments(output);
        ASSERT_EQ(names.size(), 1u);
        EXPECT_EQ(PdfAttachmentData(output, names[0]), c.bytes);
    }
}

TEST(WholeRun, ExistingOutputIsReportedAndKept) {
    ProgramFolder folder;
    const fs::path out = folder.root() / "out";
    fs::create_directories(out);
    folder.WriteSettings({{"ShowSetting", "N"}, {"DelFile", "Y"}}, {{"SaveDir", out.string()}});
    const fs::path source = folder.root() / "a.pdf";
    MakeTextPdf(source, {"first"});
    WriteFile(out / "a.xdw", "an earlier document");

    const Result result = folder.Run({source.string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.errors, "quilbex: " + source.string() + ": 同じ名前の文書「" +
                                 (out / "a.xdw").string() +
                                 "」がすでにあるため、上書きせずに止めました。その文書を移すか、"
                                 "設定のファイル名で日付を付けてください。\n");
    ExpectLines(
        folder.LogLines(),
        {Destination(out), "-2147024816:指定されたファイルはすでに存在します。", kCancelNoHandle});
    EXPECT_EQ(ReadFile(out / "a.xdw"), "an earlier document");
    EXPECT_TRUE(fs::exists(source));
}

TEST(WholeRun, MissingSourceIsReported) {
    ProgramFolder folder;
    const fs::path out = folder.root() / "out";
    fs::create_directories(out);
    folder.WriteSettings({{"ShowSetting", "N"}}, {{"SaveDir", out.string()}});

    const fs::path gone = folder.root() / "gone.pdf";
    const Result result = folder.Run({gone.string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.errors.rfind("quilbex: " + gone.string() + ": 変換元ファイル「" +
                                      gone.string() + "」が見つかりません。",
                                  0),
              0u)
        << result.errors;
    ExpectLines(
        folder.LogLines(),
        {Destination(out), "-2147024894:指定されたファイルが見つかりません。", kCancelNoHandle});
    EXPECT_TRUE(fs::is_empty(out));
}

// Every run's outcome reaches the system journal: each run of the program,
// in a sandbox whose /dev/log is a socket of the test's, sends one line.
TEST(WholeRun, EachRunTellsTheJournalItsOutcome) {
    if (!fs::exists("/usr/bin/bwrap")) GTEST_SKIP() << "bubblewrap is not installed";
    ProgramFolder folder;
    const fs::path out = folder.root() / "out", socketPath = folder.root() / "log";
    fs::create_directories(out);
    folder.WriteSettings({{"ShowSetting", "N"}}, {{"SaveDir", out.string()}});
    MakeTextPdf(folder.root() / "memo.pdf", {"memo"});
    const int journal = ::socket(AF_UNIX, SOCK_DGRAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
    ASSERT_EQ(::bind(journal, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    std::string said;
    for (const char* name : {"memo.pdf", "gone.pdf"}) {
        const Result result =
            StartProgram(
                "/usr/bin/bwrap",
                {"--dev-bind", "/", "/", "--dev", "/dev", "--bind", socketPath.string(), "/dev/log",
                 (folder.program() / "quilbex").string(), (folder.root() / name).string()},
                folder.home(), folder.root())
                ->Wait();
        if (result.errors.find("bwrap:") != std::string::npos) GTEST_SKIP() << result.errors;
        char line[2048];
        const ssize_t got = ::recv(journal, line, sizeof line, MSG_DONTWAIT);
        said += got > 0 ? std::string(line, static_cast<size_t>(got)) + "\n" : "(nothing)\n";
    }
    ::close(journal);
    for (const std::string& part :
         {std::string("quilbex["),
          "file=" + (folder.root() / "memo.pdf").string() +
              " document=" + (out / "memo.xdw").string() + " result=done status=0",
          "file=" + (folder.root() / "gone.pdf").string() + " document=- result=failed"})
        EXPECT_NE(said.find(part), std::string::npos) << part << " not in " << said;
}

// Random bytes under a .pdf name: refused by both routes, and with deletion
// on the source is still there afterwards.
TEST(WholeRun, CorruptPdfSurvivesWithDeletionOn) {
    ProgramFolder folder;
    const fs::path out = folder.root() / "out";
    fs::create_directories(out);
    folder.WriteSettings({{"ShowSetting", "N"}, {"DelFile", "Y"}, {"OCR", "Y"}},
                         {{"SaveDir", out.string()}});
    std::mt19937 random(7);
    std::string junk(20000, '\0');
    for (char& c : junk) c = static_cast<char>(random());
    const fs::path source = folder.root() / "broken.pdf";
    WriteFile(source, junk);

    const Result result = folder.Run({source.string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.errors.rfind("quilbex: " + source.string() + ": この種類のファイル", 0), 0u)
        << result.errors;
    ExpectLines(folder.LogLines(),
                {Destination(out), "-2147221501:指定されたファイルを開くことができません。",
                 kCancelNoHandle});
    EXPECT_EQ(ReadFile(source), junk);
    EXPECT_TRUE(fs::is_empty(out));
}

TEST(WholeRun, NoArgumentWithoutDisplayEndsAtOnce) {
    ProgramFolder folder;
    const Result result = folder.Run({}, 30);
    EXPECT_EQ(result.exitCode, 2) << "waited for input that can never come, or ended well";
    EXPECT_FALSE(result.errors.empty());
    EXPECT_FALSE(fs::exists(folder.program() / "Quilbex.log"));
}

// Files that used to be printed as pages of junk text and then deleted: a
// TIFF the direct route refuses, GIF bytes under a text name made into a
// picture page instead, and a PDF with a damaged page. With deletion on, the
// unreadable ones fail loudly and stay.
TEST(WholeRun, UnreadableFilesFailLoudlyAndStay) {
    ProgramFolder folder;
    const fs::path out = folder.root() / "out";
    fs::create_directories(out);
    folder.WriteSettings({{"ShowSetting", "N"}, {"DelFile", "Y"}}, {{"SaveDir", out.string()}});

    const fs::path tiff = folder.root() / "scan.tif";
    RunTool(
        {"convert", "-size", "300x200", "gradient:red-blue", "-compress", "none", tiff.string()});
    const std::string tiffBytes = ReadFile(tiff).substr(0, 2000);  // strips cut off
    WriteFile(tiff, tiffBytes);
    Result result = folder.Run({tiff.string()});
    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.errors.find("の中身を読み取れません"), std::string::npos) << result.errors;
    auto lines = folder.LogLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "変換を中止しました。");
    EXPECT_EQ(ReadFile(tiff), tiffBytes);
    EXPECT_TRUE(fs::is_empty(out));

    MakeTextPdf(folder.root() / "pages.pdf", {"one", "two"});
    std::string pdf = ReadFile(folder.root() / "pages.pdf");
    const auto page = pdf.find("<< /Type /Page /Parent");
    ASSERT_NE(page, std::string::npos) << "page object not found";
    pdf.replace(page, 2, "<~");
    const fs::path damaged = folder.root() / "damaged.pdf";
    WriteFile(damaged, pdf);
    result = folder.Run({damaged.string()});
    EXPECT_NE(result.exitCode, 0);
    lines = folder.LogLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), kDone), 0);
    EXPECT_EQ(ReadFile(damaged), pdf);
    EXPECT_TRUE(fs::is_empty(out));

    const fs::path gif = folder.root() / "picture.txt";
    RunTool({"convert", "-size", "60x40", "xc:red", "GIF:" + gif.string()});
    result = folder.Run({gif.string()});
    ASSERT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_EQ(folder.LogLines().back(), kDone);
    EXPECT_FALSE(fs::exists(gif)) << "deleted after a complete conversion";
    const auto texts = PdfPageTexts(out / "picture.xdw");
    ASSERT_EQ(texts.size(), 1u) << "one picture page, not pages of bytes";
    EXPECT_EQ(texts[0].find("GIF"), std::string::npos) << texts[0];
}

// An office's folders and files: a folder typed with 〜 (U+301C), which code
// page 932 reads back as ～ (U+FF5E), receives the document; a deleted source
// is gone for good, nothing in the desktop's trash; a PDF qpdf had to repair keeps
// its source; one beyond repair is explained in Japanese, naming the user's file.
TEST(WholeRun, OfficeFoldersTrashAndDamagedPdfs) {
    ProgramFolder folder;
    const fs::path out = folder.root() / "見積書" / "2024年4月〜6月";
    fs::create_directories(out);
    folder.WriteSettings({{"ShowSetting", "N"}, {"DelFile", "Y"}}, {{"SaveDir", out.string()}});
    MakeTextPdf(folder.root() / "pages.pdf", {"one", "two"});
    const std::string sound = ReadFile(folder.root() / "pages.pdf");
    const std::string shifted = "%PDF-1.4\n%moved\n" + sound.substr(9);  // every offset wrong
    const std::string noTrailer = sound.substr(0, sound.find("xref"));
    const struct {
        const char* name;
        const std::string& bytes;
        int status;
        const char* says;  // the start of standard error after the file's name
    } cases[] = {
        {"見積 1.pdf", sound, 0, ""},
        {"修復.pdf", shifted, 5, "PDF が壊れていたため、修復して変換しました。"},
        {"壊れた.pdf", noTrailer, 1, "PDF が壊れているため読めません。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path source = folder.root() / c.name;
        WriteFile(source, c.bytes);
        const Result result = folder.Run({source.string()});
        EXPECT_EQ(result.exitCode, c.status) << result.errors;
        if (c.status == 0)
            EXPECT_EQ(result.errors, "");
        else
            EXPECT_EQ(result.errors.rfind("quilbex: " + source.string() + ": " + c.says, 0), 0u)
                << result.errors;
        EXPECT_EQ(result.errors.find("quilbex-appprint"), std::string::npos);
        EXPECT_EQ(result.errors.find("trailer"), std::string::npos);
        EXPECT_EQ(fs::exists(source), c.status != 0);
        EXPECT_EQ(fs::exists(out / fs::path(c.name).replace_extension(".xdw")), c.status != 1);
    }
    EXPECT_FALSE(fs::exists(folder.home() / ".local/share/Trash/files/見積 1.pdf"));
}
