// Files LibreOffice prints, each read through the import that fits its
// content: HTML with every paragraph, Shift-JIS CSV with the right
// characters and the source's own name, SVG as a drawing, one page per slide
// or drawing page; and nothing from outside the file: no linked local
// picture, no network, no macro.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "ScopedEnv.h"
#include "TestFiles.h"
#include "appprint_support.h"
#include "xdwapi/xdwapi.h"

using namespace xdwtest;

namespace {

std::string Pages(const std::string& kind, const std::vector<std::string>& texts) {
    std::string body = "<office:body><office:" + kind + ">\n";
    for (size_t i = 0; i < texts.size(); ++i)
        body += "<draw:page draw:name=\"p" + std::to_string(i + 1) +
                "\"><draw:frame svg:x=\"2cm\" svg:y=\"2cm\" svg:width=\"12cm\" "
                "svg:height=\"3cm\"><draw:text-box><text:p>" +
                texts[i] + "</text:p></draw:text-box></draw:frame></draw:page>\n";
    return body + "</office:" + kind + "></office:body>\n";
}

class AppPrintImport : public ::testing::Test {
protected:
    void TearDown() override { XDW_Finalize(nullptr); }

    // Prints source; returns the document's page texts (none on failure,
    // with the reason in `reason`).
    std::vector<std::string> Print(const std::string& source) {
        const std::string output = source + ".xdw";
        XDW_CREATE_HANDLE handle = nullptr;
        const int begun =
            XDW_BeginCreationFromAppFile(source.c_str(), output.c_str(), -1, &handle, nullptr);
        EXPECT_EQ(begun, 0) << source;
        if (begun != 0) return {};
        const PhaseTrace trace = WatchPhases(
            [&] {
                XDW_CREATION_STATUS status{};
                status.size = sizeof status;
                XDW_GetStatusCreationFromAppFile(handle, &status);
                return status;
            },
            std::chrono::seconds(240));
        char text[512] = {};
        XDW_GetLastErrorText(text, sizeof text);
        reason = text;
        XDW_EndCreationFromAppFile(handle, nullptr);
        EXPECT_TRUE(IsSuccessfulRun(trace.phases)) << source << ": " << reason;
        return Exists(output) ? PdfPageTexts(output) : std::vector<std::string>{};
    }

    TempDir dir;
    std::string reason;
};

std::string Joined(const std::vector<std::string>& pages) {
    std::string all;
    for (const auto& page : pages) all += page + "\n";
    return all;
}

TEST_F(AppPrintImport, HtmlKeepsEveryParagraphFromTheFirstPage) {
    const std::string html = dir.File("three.html");
    WriteBytes(html,
               "<!DOCTYPE html>\n<html><head><title>Three</title></head><body>\n"
               "<p>Alpha paragraph</p>\n<p>Beta paragraph</p>\n<p>Gamma paragraph</p>\n"
               "</body></html>\n");
    const auto pages = Print(html);
    ASSERT_EQ(pages.size(), 1u) << Joined(pages);
    for (const char* word : {"Alpha", "Beta", "Gamma"})
        EXPECT_NE(pages[0].find(word), std::string::npos) << word << " missing: " << pages[0];
}

TEST_F(AppPrintImport, ShiftJisCsvHasTheRightCharactersAndItsOwnName) {
    // "品名,数量" / "りんご,12" / "みかん,30" in Shift-JIS, as spreadsheet
    // programs in Japan save CSV.
    const std::string csv = dir.File("fruit.csv");
    WriteBytes(csv,
               "\x95\x69\x96\xBC,\x90\x94\x97\xCA\r\n\x82\xE8\x82\xF1\x82\xB2,12\r\n"
               "\x82\xDD\x82\xA9\x82\xF1,30\r\n");
    const std::string text = Joined(Print(csv));
    for (const char* word : {"品名", "数量", "りんご", "みかん", "12", "30"})
        EXPECT_NE(text.find(word), std::string::npos) << word << " missing: " << text;
    // The page header names the sheet after the file, never a temporary name.
    EXPECT_NE(text.find("fruit"), std::string::npos) << text;
    EXPECT_EQ(text.find("source"), std::string::npos) << text;
}

TEST_F(AppPrintImport, SvgIsPrintedAsTheDrawingNotItsSource) {
    const std::string svg = dir.File("sketch.svg");
    WriteBytes(svg,
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"400\" height=\"200\">\n"
               "<rect x=\"10\" y=\"10\" width=\"200\" height=\"100\" fill=\"red\"/>\n"
               "<text x=\"20\" y=\"160\" font-size=\"30\">Drawn label</text>\n</svg>\n");
    const auto pages = Print(svg);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_NE(pages[0].find("Drawn label"), std::string::npos) << pages[0];
    EXPECT_EQ(pages[0].find("xmlns"), std::string::npos) << "printed as text: " << pages[0];
}

TEST_F(AppPrintImport, PresentationsAndDrawingsGiveOnePagePerSlide) {
    WriteOdf(dir.File("talk.odp"), "application/vnd.oasis.opendocument.presentation",
             Pages("presentation", {"Slide one", "Slide two", "Slide three"}));
    auto pages = Print(dir.File("talk.odp"));
    ASSERT_EQ(pages.size(), 3u) << Joined(pages);
    EXPECT_NE(pages[2].find("Slide three"), std::string::npos) << pages[2];

    WriteOdf(dir.File("plan.odg"), "application/vnd.oasis.opendocument.graphics",
             Pages("drawing", {"Ground floor", "First floor"}));
    pages = Print(dir.File("plan.odg"));
    ASSERT_EQ(pages.size(), 2u) << Joined(pages);
    EXPECT_NE(pages[1].find("First floor"), std::string::npos) << pages[1];
}

// A TCP port on this machine that records whether anything connected.
class Listener {
public:
    Listener() {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        listen(fd_, 8);
        socklen_t len = sizeof addr;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
    }
    ~Listener() { close(fd_); }
    int port() const { return port_; }
    bool contacted() const {
        const int client = accept(fd_, nullptr, nullptr);
        if (client >= 0) close(client);
        return client >= 0;
    }

private:
    int fd_ = -1;
    int port_ = 0;
};

TEST_F(AppPrintImport, NothingFromOutsideTheFileReachesTheDocument) {
    RunTool({"convert", "-size", "120x80", "xc:red", dir.File("secret.png")});
    Listener listener;
    const std::string remote = "http://127.0.0.1:" + std::to_string(listener.port()) + "/p.png";

    // A page linking a local file by absolute path, one beside it by a
    // relative path, and one on the network: none is loaded.
    WriteBytes(dir.File("links.html"),
               "<html><body><p>Linked pictures</p><img src=\"file://" + dir.File("secret.png") +
                   "\"><img src=\"secret.png\"><img src=\"" + remote + "\"></body></html>\n");
    EXPECT_NE(Joined(Print(dir.File("links.html"))).find("Linked"), std::string::npos);
    EXPECT_THROW(PdfPageImage(dir.File("links.html.xdw"), 1), std::runtime_error)
        << "a linked picture was loaded";

    // A text document linking the same, with a macro that would leave a
    // mark when the document is opened.
    const std::string mark = dir.File("macro-ran");
    const std::string image =
        "<draw:frame svg:width=\"3cm\" svg:height=\"2cm\"><draw:image "
        "xlink:type=\"simple\" xlink:show=\"embed\" xlink:actuate=\"onLoad\" "
        "xlink:href=\"";
    const std::string body =
        "<office:scripts><office:event-listeners><script:event-listener "
        "script:language=\"ooo:script\" script:event-name=\"dom:load\" "
        "xlink:href=\"vnd.sun.star.script:Standard.Module1.Main?language=Basic&amp;location="
        "document\" xlink:type=\"simple\"/></office:event-listeners></office:scripts>"
        "<office:body><office:text><text:p>Linked document</text:p><text:p>" +
        image + "file://" + dir.File("secret.png") + "\"/></draw:frame>" + image + remote +
        "\"/></draw:frame></text:p></office:text></office:body>\n";
    const std::vector<std::pair<std::string, std::string>> basic = {
        {"Basic/script-lc.xml",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<library:libraries "
         "xmlns:library=\"http://openoffice.org/2000/library\" "
         "xmlns:xlink=\"http://www.w3.org/1999/xlink\"><library:library "
         "library:name=\"Standard\" library:link=\"false\"/></library:libraries>\n"},
        {"Basic/Standard/script-lb.xml",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<library:library "
         "xmlns:library=\"http://openoffice.org/2000/library\" library:name=\"Standard\" "
         "library:readonly=\"false\" library:passwordprotected=\"false\"><library:element "
         "library:name=\"Module1\"/></library:library>\n"},
        {"Basic/Standard/Module1.xml",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<script:module "
         "xmlns:script=\"http://openoffice.org/2000/script\" script:name=\"Module1\" "
         "script:language=\"StarBasic\">Sub Main\nOpen \"" +
             mark +
             "\" For Output As #1\nPrint #1, \"ran\"\nClose #1\nEnd Sub\n</script:module>\n"},
    };
    WriteOdf(dir.File("links.odt"), "application/vnd.oasis.opendocument.text", body, basic);
    EXPECT_NE(Joined(Print(dir.File("links.odt"))).find("Linked document"), std::string::npos);
    EXPECT_THROW(PdfPageImage(dir.File("links.odt.xdw"), 1), std::runtime_error)
        << "a linked picture was loaded";
    EXPECT_FALSE(Exists(mark)) << "the document's macro ran";
    EXPECT_FALSE(listener.contacted()) << "the network was used";
}

// XML with an import of its own is printed as the document it holds.
TEST_F(AppPrintImport, FlatOpenDocumentAndXhtmlAreDocumentsNotSource) {
    WriteBytes(dir.File("flat.fods"),
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document "
               "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
               "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
               "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
               "office:version=\"1.2\" "
               "office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\"><office:body>"
               "<office:spreadsheet><table:table table:name=\"T\"><table:table-row>"
               "<table:table-cell office:value-type=\"string\"><text:p>Flat sheet cell</text:p>"
               "</table:table-cell></table:table-row></table:table></office:spreadsheet>"
               "</office:body></office:document>\n");
    WriteBytes(dir.File("page.xhtml"),
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<html "
               "xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>X</title></head><body>"
               "<p>Extensible page</p></body></html>\n");
    for (const auto& [name, shown] :
         {std::pair{"flat.fods", "Flat sheet cell"}, std::pair{"page.xhtml", "Extensible page"}}) {
        const std::string text = Joined(Print(dir.File(name)));
        EXPECT_NE(text.find(shown), std::string::npos) << name << ": " << text;
        EXPECT_EQ(text.find("xmlns"), std::string::npos) << name << " printed as source";
    }
}

// A link to a text file, its name in Shift-JIS and 246 bytes long: printed
// like any other file.
TEST_F(AppPrintImport, AnOddlyNamedLinkPrintsItsFile) {
    WriteBytes(dir.File("plain.txt"), "Text behind a link\n");
    const std::string name = "\x95\xCF\x8A\xB7" + std::string(238, 'n') + ".txt";
    ASSERT_EQ(symlink("plain.txt", dir.File(name).c_str()), 0);
    EXPECT_NE(Joined(Print(dir.File(name))).find("behind a link"), std::string::npos) << reason;
}

// Links LibreOffice follows whatever its settings say (a page's background
// and stylesheet, a drawing's picture, a field that includes one) find
// nothing: the sandbox shows it no file outside the job, the user's own home
// folder least of all. Its home and temporary files are the job's, gone with
// it.
TEST_F(AppPrintImport, TheSandboxShowsNoOutsideFileAndKeepsNothing) {
    // Where the user's files are: the real home, not a temporary folder.
    const TempDir inHome = [] {
        const passwd* user = getpwuid(getuid());
        quilbex::testing::ScopedEnv base("TMPDIR", user != nullptr ? user->pw_dir : "/root");
        return TempDir();
    }();
    const std::string secret = inHome.File("secret.png");
    RunTool({"convert", "-size", "120x80", "xc:red", secret});
    WriteBytes(inHome.File("style.css"),
               "body { background-image: url(\"file://" + secret + "\") }\n");
    const std::vector<std::pair<std::string, std::string>> linking = {
        {"walls.html", "<html><head><link rel=\"stylesheet\" href=\"file://" +
                           inHome.File("style.css") + "\"></head><body background=\"file://" +
                           secret + "\"><p>Walled page</p></body></html>\n"},
        {"walls.svg",
         "<svg xmlns=\"http://www.w3.org/2000/svg\" "
         "xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"400\" height=\"200\">"
         "<text x=\"20\" y=\"160\">Walled page</text><image x=\"0\" y=\"0\" "
         "width=\"120\" height=\"80\" xlink:href=\"file://" +
             secret + "\"/></svg>\n"},
        {"walls.rtf", "{\\rtf1\\ansi Walled page\\par {\\field{\\*\\fldinst INCLUDEPICTURE \"" +
                          secret + "\" \\\\d}{\\fldrslt }}\\par}\n"},
        // The system's own pictures are hidden too.
        {"walls-system.svg",
         "<svg xmlns=\"http://www.w3.org/2000/svg\" "
         "xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"400\" height=\"200\">"
         "<text x=\"20\" y=\"160\">Walled page</text><image x=\"0\" y=\"0\" width=\"120\" "
         "height=\"80\" xlink:href=\"file:///usr/share/pixmaps/debian-logo.png\"/></svg>\n"},
    };
    TempDir home, tmp;
    quilbex::testing::ScopedEnv homeEnv("HOME", home.path()), tmpEnv("TMPDIR", tmp.path());
    for (const auto& [name, content] : linking) {
        WriteBytes(dir.File(name), content);
        EXPECT_NE(Joined(Print(dir.File(name))).find("Walled"), std::string::npos) << name;
        EXPECT_THROW(PdfPageImage(dir.File(name + ".xdw"), 1), std::runtime_error)
            << name << ": an outside picture was loaded";
    }
    EXPECT_EQ(home.Entries(), std::vector<std::string>{}) << "written into the home folder";
    EXPECT_EQ(tmp.Entries(), std::vector<std::string>{}) << "left in the temporary folder";
}

// Formulas LibreOffice would work out again on every load (the system's
// name, the file's temporary path, the time) print what was saved.
TEST_F(AppPrintImport, SpreadsheetsPrintTheirSavedValues) {
    const std::string ods = "application/vnd.oasis.opendocument.spreadsheet";
    const std::string sheet =
        "<office:body><office:spreadsheet><table:table table:name=\"T\"><table:table-row>"
        "<table:table-cell table:formula=\"of:=INFO(&quot;system&quot;)\" "
        "office:value-type=\"string\" office:string-value=\"Saved1\"><text:p>"
        "Saved1</text:p></table:table-cell><table:table-cell "
        "table:formula=\"of:=CELL(&quot;filename&quot;)\" office:value-type=\"string\" "
        "office:string-value=\"Saved2\"><text:p>Saved2</text:p></table:table-cell>"
        "</table:table-row></table:table></office:spreadsheet></office:body>\n";
    WriteOdf(dir.File("values.ods"), ods, sheet);
    WriteBytes(dir.File("values.fods"),
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document "
               "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
               "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
               "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
               "office:version=\"1.2\" office:mimetype=\"" +
                   ods + "\">" + sheet + "</office:document>\n");
    const std::string rels = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    WriteZip(dir.File("values.xlsx"),
             {{"[Content_Types].xml",
               "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
               "<Default Extension=\"rels\" ContentType=\"application/"
               "vnd.openxmlformats-package.relationships+xml\"/><Override PartName=\"/xl/"
               "workbook.xml\" ContentType=\"application/vnd.openxmlformats-officedocument."
               "spreadsheetml.sheet.main+xml\"/><Override PartName=\"/xl/worksheets/sheet1.xml\" "
               "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml."
               "worksheet+xml\"/></Types>"},
              {"_rels/.rels",
               "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/"
               "2006/relationships\"><Relationship Id=\"r1\" Type=\"" +
                   rels +
                   "/officeDocument\" Target=\"xl/workbook.xml\"/>"
                   "</Relationships>"},
              {"xl/workbook.xml",
               "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
               "xmlns:r=\"" +
                   rels +
                   "\"><sheets><sheet name=\"T\" sheetId=\"1\" r:id=\"r1\"/></sheets>"
                   "</workbook>"},
              {"xl/_rels/workbook.xml.rels",
               "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
               "relationships\"><Relationship Id=\"r1\" Type=\"" +
                   rels + "/worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>"},
              {"xl/worksheets/sheet1.xml",
               "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
               "<sheetData><row r=\"1\"><c r=\"A1\" t=\"str\"><f>INFO(\"system\")</f>"
               "<v>Saved1</v></c><c r=\"B1\" t=\"str\"><f>CELL(\"filename\")</f>"
               "<v>Saved2</v></c></row></sheetData></worksheet>"}});
    for (const char* name : {"values.ods", "values.fods", "values.xlsx"}) {
        const std::string text = Joined(Print(dir.File(name)));
        EXPECT_NE(text.find("Saved1"), std::string::npos) << name << ": " << text;
        EXPECT_NE(text.find("Saved2"), std::string::npos) << name << ": " << text;
    }
    // Text tables hold no saved values: their cells print as written.
    WriteBytes(dir.File("values.csv"), "=INFO(\"system\"),=NOW()\n=CELL(\"filename\"),1+1\n");
    WriteBytes(dir.File("values.tsv"), "=INFO(\"system\")\t=CELL(\"filename\")\n");
    for (const char* name : {"values.csv", "values.tsv"}) {
        const std::string text = Joined(Print(dir.File(name)));
        EXPECT_NE(text.find("=INFO(\"system\")"), std::string::npos) << name << ": " << text;
        EXPECT_EQ(text.find("Linux"), std::string::npos) << name << ": " << text;
        EXPECT_EQ(text.find("file:"), std::string::npos) << name << ": " << text;
    }
}

}  // namespace
