// PDF files through XDW_CreateXdwFromImagePdfFile: readable ones are copied
// with pages and text unchanged; everything else fails and writes nothing.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <qpdf/Pl_Buffer.hh>
#include <qpdf/Pl_Flate.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include "TestFiles.h"
#include "xdwapi/xdwapi.h"

using namespace xdwtest;

namespace {

const std::vector<std::string> kPages = {"First page\nof the report", "Second page",
                                         "Third page (with brackets) and a \\ backslash"};

int Convert(const std::string& in, const std::string& out) {
    return XDW_CreateXdwFromImagePdfFile(in.c_str(), out.c_str(), nullptr);
}

void Encrypt(const std::string& in, const std::string& out, const char* user) {
    QPDF pdf;
    pdf.processFile(in.c_str());
    QPDFWriter writer(pdf, out.c_str());
    writer.setR6EncryptionParameters(user, "owner-secret", true, true, true, true, true, true,
                                     qpdf_r3p_full, true);
    writer.write();
}

TEST(ConvertPdf, TextPdfKeepsPagesAndText) {
    TempDir dir;
    MakeTextPdf(dir.File("in.pdf"), kPages);
    ASSERT_EQ(Convert(dir.File("in.pdf"), dir.File("out.xdw")), 0);

    EXPECT_EQ(PdfPageCount(dir.File("out.xdw")), 3);
    const auto before = PdfPageTexts(dir.File("in.pdf"));
    const auto after = PdfPageTexts(dir.File("out.xdw"));
    EXPECT_EQ(after, before);
    EXPECT_NE(after[0].find("First page"), std::string::npos);
    EXPECT_NE(after[2].find("(with brackets)"), std::string::npos);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"in.pdf", "out.xdw"}));
}

TEST(ConvertPdf, ImageStreamsAreCopiedNotReencoded) {
    TempDir dir;
    // The reference is the data put into the input file: a JPEG file as it
    // is, and gray samples deflated here.
    MakeJpeg(dir.File("photo.jpg"), {.width = 80, .height = 60, .kind = ImageKind::Rgb});
    std::string samples;
    for (int i = 0; i < 90 * 70; ++i) samples += static_cast<char>(i * 7 % 251);
    std::string deflated;
    {
        // Not the level a writer uses by default, so a re-compression shows.
        Pl_Flate::setCompressionLevel(1);
        Pl_Buffer buffer("deflated");
        Pl_Flate flate("deflate", &buffer, Pl_Flate::a_deflate);
        flate.writeString(samples);
        flate.finish();
        Pl_Flate::setCompressionLevel(-1);
        auto data = buffer.getBufferSharedPointer();
        deflated.assign(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
    }
    StoredImage jpeg, gray;
    jpeg.filter = "/DCTDecode";
    jpeg.colorSpace = "/DeviceRGB";
    jpeg.width = 80;
    jpeg.height = 60;
    jpeg.bits = 8;
    jpeg.raw = ReadBytes(dir.File("photo.jpg"));
    gray.filter = "/FlateDecode";
    gray.colorSpace = "/DeviceGray";
    gray.width = 90;
    gray.height = 70;
    gray.bits = 8;
    gray.raw = deflated;
    for (const StoredImage& input : {jpeg, gray}) {
        SCOPED_TRACE(input.filter);
        const std::string pdf = dir.File("in.pdf"), out = dir.File("out.xdw");
        MakeImagePdf(pdf, input);
        ASSERT_EQ(Convert(pdf, out), 0);
        const StoredImage after = PdfPageImage(out, 1);
        EXPECT_EQ(after.filter, input.filter);
        EXPECT_TRUE(after.raw == input.raw) << "image data changed";
        std::remove(out.c_str());
    }
}

TEST(ConvertPdf, OutputNameWithSpacesAndJapanese) {
    TempDir dir;
    MakeTextPdf(dir.File("in.pdf"), {"x"});
    const std::string out = dir.File("報告書 2026.xdw");
    ASSERT_EQ(Convert(dir.File("in.pdf"), out), 0);
    EXPECT_EQ(PdfPageCount(out), 1);
}

TEST(ConvertPdf, PdfOpenableWithoutPasswordIsConverted) {
    TempDir dir;
    MakeTextPdf(dir.File("plain.pdf"), {"Restricted but readable"});
    Encrypt(dir.File("plain.pdf"), dir.File("in.pdf"), "");
    ASSERT_EQ(Convert(dir.File("in.pdf"), dir.File("out.xdw")), 0);
    EXPECT_NE(PdfPageTexts(dir.File("out.xdw"))[0].find("Restricted but readable"),
              std::string::npos);
}

TEST(ConvertPdf, DamagedCrossReferenceIsRecovered) {
    TempDir dir;
    MakeTextPdf(dir.File("good.pdf"), {"Recovered text"});
    std::string bytes = ReadBytes(dir.File("good.pdf"));
    // Point startxref at nonsense; the objects themselves are intact.
    const auto at = bytes.rfind("startxref");
    ASSERT_NE(at, std::string::npos);
    bytes = bytes.substr(0, at) + "startxref\n999999\n%%EOF\n";
    WriteBytes(dir.File("in.pdf"), bytes);
    ASSERT_EQ(Convert(dir.File("in.pdf"), dir.File("out.xdw")), 0);
    EXPECT_NE(PdfPageTexts(dir.File("out.xdw"))[0].find("Recovered text"), std::string::npos);
}

TEST(ConvertPdf, BrokenPageCountIsRepairedForEveryReader) {
    TempDir dir;
    MakeTextPdf(dir.File("good.pdf"), kPages);
    std::string bytes = ReadBytes(dir.File("good.pdf"));
    const auto at = bytes.find("/Count 3");
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, 8, "/Count ()");
    WriteBytes(dir.File("in.pdf"), bytes);
    ASSERT_EQ(Convert(dir.File("in.pdf"), dir.File("out.xdw")), 0);
    // poppler trusts /Count; it must find the three pages qpdf found.
    EXPECT_EQ(PdfPageTexts(dir.File("out.xdw")), PdfPageTexts(dir.File("good.pdf")));
}

TEST(ConvertPdf, TrailerWithoutSizeGetsOne) {
    TempDir dir;
    MakeTextPdf(dir.File("good.pdf"), {"Sized"});
    std::string bytes = ReadBytes(dir.File("good.pdf"));
    const auto at = bytes.find("/Size", bytes.rfind("trailer"));
    ASSERT_NE(at, std::string::npos);
    bytes[at + 2] = 'x';  // "/Sxze": the key is gone
    WriteBytes(dir.File("in.pdf"), bytes);
    ASSERT_EQ(Convert(dir.File("in.pdf"), dir.File("out.xdw")), 0);
    QPDF out;
    out.processFile(dir.File("out.xdw").c_str());
    EXPECT_TRUE(out.getTrailer().hasKey("/Size"));
    EXPECT_FALSE(out.anyWarnings());
}

// Each of these fails with its code and leaves the folder as it was.
struct PdfFailure {
    const char* name;
    int code;
};

class ConvertPdfRefuses : public ::testing::TestWithParam<PdfFailure> {};

std::string MakeCase(const TempDir& dir, const std::string& name) {
    const std::string in = dir.File("in.pdf");
    if (name == "missing") return in;
    if (name == "zero_bytes") {
        WriteBytes(in, "");
    } else if (name == "random_bytes") {
        std::string noise;
        unsigned x = 12345;
        for (int i = 0; i < 20000; ++i)
            noise += static_cast<char>((x = x * 1103515245 + 12345) >> 16);
        WriteBytes(in, noise);
    } else if (name == "password") {
        MakeTextPdf(dir.File("plain.pdf"), {"secret"});
        Encrypt(dir.File("plain.pdf"), in, "user-secret");
        std::remove(dir.File("plain.pdf").c_str());
    } else if (name == "no_pages") {
        QPDF pdf;
        pdf.emptyPDF();
        QPDFWriter writer(pdf, in.c_str());
        writer.write();
    } else if (name == "header_only") {
        WriteBytes(in, "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n");
    } else if (name == "truncated") {
        MakeTextPdf(dir.File("full.pdf"), kPages);
        const std::string bytes = ReadBytes(dir.File("full.pdf"));
        WriteBytes(in, bytes.substr(0, 200));
        std::remove(dir.File("full.pdf").c_str());
    } else if (name == "folder") {
        std::string cmd = "mkdir " + in;
        EXPECT_EQ(std::system(cmd.c_str()), 0);
    }
    return in;
}

TEST_P(ConvertPdfRefuses, WithCodeAndNothingWritten) {
    TempDir dir;
    const std::string in = MakeCase(dir, GetParam().name);
    const auto before = dir.Entries();
    EXPECT_EQ(Convert(in, dir.File("out.xdw")), GetParam().code);
    EXPECT_EQ(dir.Entries(), before);
}

INSTANTIATE_TEST_SUITE_P(BadSources, ConvertPdfRefuses,
                         ::testing::Values(PdfFailure{"missing", XDW_E_FILE_NOT_FOUND},
                                           PdfFailure{"zero_bytes", XDW_E_CANNOT_READ},
                                           PdfFailure{"random_bytes", XDW_E_CANNOT_READ},
                                           PdfFailure{"password", XDW_E_PASSWORD_PROTECTED},
                                           PdfFailure{"no_pages", XDW_E_CANNOT_READ},
                                           PdfFailure{"header_only", XDW_E_CANNOT_READ},
                                           PdfFailure{"truncated", XDW_E_CANNOT_READ},
                                           PdfFailure{"folder", XDW_E_CANNOT_READ}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ConvertPdf, ExistingOutputIsNeverOverwritten) {
    TempDir dir;
    MakeTextPdf(dir.File("in.pdf"), {"new"});
    WriteBytes(dir.File("out.xdw"), "precious");
    EXPECT_EQ(Convert(dir.File("in.pdf"), dir.File("out.xdw")), XDW_E_FILE_EXISTS);
    EXPECT_EQ(ReadBytes(dir.File("out.xdw")), "precious");
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"in.pdf", "out.xdw"}));
}

TEST(ConvertPdf, DanglingLinkAtOutputCountsAsExisting) {
    TempDir dir;
    MakeTextPdf(dir.File("in.pdf"), {"new"});
    ASSERT_EQ(::symlink(dir.File("nowhere").c_str(), dir.File("out.xdw").c_str()), 0);
    EXPECT_EQ(Convert(dir.File("in.pdf"), dir.File("out.xdw")), XDW_E_FILE_EXISTS);
    EXPECT_FALSE(Exists(dir.File("nowhere")));
}

TEST(ConvertPdf, OutputFolderProblems) {
    TempDir dir;
    MakeTextPdf(dir.File("in.pdf"), {"x"});
    EXPECT_EQ(Convert(dir.File("in.pdf"), dir.File("no/such/folder/out.xdw")),
              XDW_E_FILE_NOT_FOUND);
    EXPECT_EQ(Convert(dir.File("in.pdf"), dir.File(std::string(300, 'n') + ".xdw")),
              XDW_E_INVALID_NAME);
    EXPECT_EQ(Convert(dir.File("in.pdf"), dir.File("in.pdf/out.xdw")), XDW_E_FILE_NOT_FOUND);
    EXPECT_EQ(XDW_CreateXdwFromImagePdfFile(nullptr, dir.File("o.xdw").c_str(), nullptr),
              XDW_E_INVALID_ARG);
    EXPECT_EQ(XDW_CreateXdwFromImagePdfFile(dir.File("in.pdf").c_str(), "", nullptr),
              XDW_E_INVALID_ARG);
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"in.pdf"}));
}

// A small file system of its own, when this machine lets the test mount one.
class SmallDisk {
public:
    explicit SmallDisk(const std::string& path, const std::string& options = "size=64k")
        : path_(path) {
        ::mkdir(path.c_str(), 0700);
        const std::string command =
            "mount -t tmpfs -o " + options + " tmpfs '" + path + "' 2>/dev/null";
        mounted_ = std::system(command.c_str()) == 0;
    }
    ~SmallDisk() {
        if (!mounted_) return;
        // A failed unmount leaves nothing this test could undo.
        const int unmounted = std::system(("umount '" + path_ + "'").c_str());
        static_cast<void>(unmounted);
    }
    bool mounted() const { return mounted_; }

private:
    std::string path_;
    bool mounted_ = false;
};

TEST(ConvertPdf, FullDiskIsReportedAndLeavesNothing) {
    TempDir dir;
    SmallDisk disk(dir.File("disk"));
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small file system here";
    std::vector<std::string> pages;
    for (int i = 0; i < 400; ++i)
        pages.push_back("Page " + std::to_string(i) + " of a long report");
    MakeTextPdf(dir.File("in.pdf"), pages);
    EXPECT_EQ(Convert(dir.File("in.pdf"), dir.File("disk/out.xdw")), XDW_E_DISK_FULL);
    EXPECT_FALSE(Exists(dir.File("disk/out.xdw")));
    EXPECT_EQ(std::system(("test -z \"$(ls -A '" + dir.File("disk") + "')\"").c_str()), 0)
        << "temporary file left on the full disk";
}

TEST(ConvertPdf, ReadOnlyOutputFolderIsAccessDenied) {
    TempDir dir;
    MakeTextPdf(dir.File("in.pdf"), {"x"});
    if (::geteuid() != 0) {
        ASSERT_EQ(::mkdir(dir.File("ro").c_str(), 0500), 0);
        EXPECT_EQ(Convert(dir.File("in.pdf"), dir.File("ro/out.xdw")), XDW_E_ACCESS_DENIED);
        return;
    }
    // Root writes into any folder; a read-only file system stops it.
    SmallDisk disk(dir.File("ro"), "ro,size=64k");
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a read-only file system here";
    EXPECT_EQ(Convert(dir.File("in.pdf"), dir.File("ro/out.xdw")), XDW_E_ACCESS_DENIED);
}

}  // namespace

namespace {

// The three-page PDF written by qpdf in QDF form (objects one by one, content
// uncompressed, "%% Page N" before each page), easy to damage by hand. With
// picture, the second page also draws a black square, a form of its own.
std::string QdfPages(const std::string& path, bool picture = false) {
    MakeTextPdf(path, kPages);
    QPDF pdf;
    pdf.processFile(path.c_str());
    if (picture) {
        QPDFObjectHandle square = QPDFObjectHandle::newStream(&pdf, "0 g 150 150 300 300 re f\n");
        square.replaceDict(
            QPDFObjectHandle::parse("<< /Type /XObject /Subtype /Form /BBox [0 0 612 792] >>"));
        QPDFPageObjectHelper page(pdf.getAllPages().at(1));
        page.getAttribute("/Resources", true)
            .replaceKey("/XObject", QPDFObjectHandle::newDictionary());
        page.getAttribute("/Resources", true).getKey("/XObject").replaceKey("/Fm0", square);
        page.addPageContents(QPDFObjectHandle::newStream(&pdf, "q /Fm0 Do Q\n"), false);
    }
    const std::string qdf = path + ".qdf";
    QPDFWriter writer(pdf, qdf.c_str());
    writer.setQDFMode(true);
    writer.setObjectStreamMode(qpdf_o_disable);
    writer.write();
    return ReadBytes(qdf);
}

// The position of the first `what` after the marker of the second page's
// dictionary (page) or of its content stream (content).
size_t Second(const std::string& bytes, const std::string& marker, const std::string& what) {
    const size_t at = bytes.find(marker);
    if (at == std::string::npos) throw std::runtime_error("no " + marker);
    return bytes.find(what, at);
}

// The stream object that follows from in qdf made its own /Length: poppler
// still reads it, qpdf's mended copy loses it.
std::string SelfLength(std::string qdf, size_t from) {
    const size_t object = qdf.find(" 0 obj", from);
    const size_t number = qdf.rfind('\n', object) + 1;
    const size_t ref = qdf.find("/Length ", from) + 8;
    return qdf.replace(ref, qdf.find(' ', ref) - ref, qdf.substr(number, object - number));
}

}  // namespace

TEST(ConvertPdf, DamagedPageIsRepairedWithEveryPageOrRefused) {
    TempDir dir;
    const std::string qdf = QdfPages(dir.File("three.pdf"));
    struct Row {
        const char* what;
        std::string bytes;
        const char* reason;  // "" when the repair keeps every page
    };
    std::string pageObject = qdf;
    const size_t dict = Second(qdf, "%% Page 2", "<<");
    pageObject.replace(dict, 12, "<~ damage ((");
    std::string wrongLength = qdf;
    const size_t length = Second(qdf, "%% Contents for page 2", "/Length");
    wrongLength.replace(length, 7, "/Length 3 %");
    std::string badFilter = qdf;
    badFilter.insert(Second(qdf, "%% Contents for page 2", "/Length"), "/Filter /FlateDecode ");
    const std::string selfLength = SelfLength(qdf, qdf.find("%% Contents for page 2"));
    // The page keeps its text but loses its picture.
    const std::string drawn = QdfPages(dir.File("drawn.pdf"), true);
    const std::string pictureLost =
        SelfLength(drawn, drawn.rfind("\n", drawn.rfind(" 0 obj", drawn.find("/Subtype /Form"))));
    // The third page's dictionary cut short by a string that runs over it.
    std::string pageKeys = qdf;
    pageKeys.replace(qdf.find("/Contents", qdf.find("%% Page 3")), 9, "/Contents (");
    const Row rows[] = {
        {"page object unreadable", pageObject, "page 2 of in.pdf"},
        {"content length is the stream itself", selfLength, "page 2 of in.pdf"},
        {"picture lost, text kept", pictureLost, "page 2 of in.pdf is damaged and cannot"},
        {"page dictionary mended", pageKeys, "page 3 of in.pdf"},
        {"content length wrong, repaired", wrongLength, ""},
        {"content undecodable", badFilter, "page 2 of in.pdf has unreadable content"},
    };
    for (const Row& row : rows) {
        WriteBytes(dir.File("in.pdf"), row.bytes);
        const std::string out = dir.File("out.xdw");
        const int rc = Convert(dir.File("in.pdf"), out);
        char reason[512] = {};
        XDW_GetLastErrorText(reason, sizeof reason);
        if (*row.reason == '\0') {
            ASSERT_EQ(rc, 0) << row.what << ": " << reason;
            const auto texts = PdfPageTexts(out);
            ASSERT_EQ(texts.size(), 3u) << row.what;
            EXPECT_NE(texts[1].find("Second page"), std::string::npos) << row.what;
            std::remove(out.c_str());
        } else {
            EXPECT_EQ(rc, XDW_E_CANNOT_READ) << row.what;
            EXPECT_NE(std::string(reason).find(row.reason), std::string::npos)
                << row.what << ": " << reason;
            EXPECT_FALSE(Exists(out)) << row.what;
        }
    }
}
