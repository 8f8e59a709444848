// Pictures the direct route does not take are printed by the engine itself,
// through the same phases as LibreOffice printing but without it: pixels
// kept exactly, JPEG data byte for byte, the page sized by the resolution,
// the original attached. Damaged pictures end in phase 9 with their reason.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "Error.h"
#include "TestFiles.h"
#include "appprint_support.h"
#include "print/AppPrint.h"
#include "print/AppPrintSettings.h"

using namespace xdwtest;

namespace {

class AppPrintPicture : public ::testing::Test {
protected:
    void SetUp() override {
        // No LibreOffice: pictures must not need it.
        saved = xdw::CurrentAppPrintSettings();
        xdw::AppPrintSettings none;
        none.officeCandidates = {dir.File("no-office/soffice")};
        xdw::SetAppPrintSettings(none);
    }
    void TearDown() override {
        xdw::FinalizeAppPrint();
        xdw::SetAppPrintSettings(saved);
    }

    // Runs a conversion to its end; returns the failure code (0 on success)
    // and leaves the reason in `reason`.
    int Print(const std::string& source, const std::string& output,
              PhaseTrace* traceOut = nullptr) {
        XDW_CREATE_HANDLE handle = nullptr;
        try {
            handle = xdw::BeginAppPrint(source, output, true);
        } catch (const xdw::EngineError& e) {
            reason = e.what();
            return e.code();
        }
        const PhaseTrace trace = WatchPhases(
            [&] {
                XDW_CREATION_STATUS status{};
                status.size = sizeof status;
                xdw::AppPrintStatus(handle, &status);
                return status;
            },
            std::chrono::seconds(60));
        if (traceOut != nullptr) *traceOut = trace;
        reason = xdw::LastFailure().prose;
        xdw::EndAppPrint(handle);
        return trace.phases.back() == XDW_PHASE_FINISHED ? 0 : XDW_E_CANNOT_READ;
    }

    xdw::AppPrintSettings saved;
    TempDir dir;
    std::string reason;
};

// Red in the top-left quarter, as read back from a rendering.
void ExpectRedTopLeft(const std::string& pdf, const std::string& what) {
    const RgbImage page = RenderPdfPage(pdf, 1, 36);
    double rgb[3];
    page.Average(0.05, 0.05, 0.45, 0.45, rgb);
    EXPECT_GT(rgb[0], 200) << what;
    EXPECT_LT(rgb[1], 60) << what;
    page.Average(0.55, 0.55, 0.95, 0.95, rgb);
    EXPECT_GT(rgb[1], 200) << what << ": the rest is white";
}

TEST_F(AppPrintPicture, EveryPictureFormatBecomesAPageWithTheOriginalAttached) {
    // 200 x 100 pixels at 100 dpi: a page of 144 x 72 points.
    const std::vector<std::string> draw = {
        "-size",  "200x100",       "xc:white", "-fill", "red", "-draw", "rectangle 0,0 99,49",
        "-units", "PixelsPerInch", "-density", "100"};
    struct Row {
        std::string name;
        std::string format;  // ImageMagick's
        bool sized;          // the format records a resolution
    };
    const Row rows[] = {
        {"rgb.png", "PNG24", true},    {"alpha.png", "PNG32", true},
        {"palette.png", "PNG8", true}, {"first-frame.gif", "GIF", false},
        {"picture.bmp", "BMP3", true}, {"picture.webp", "WEBP", false},
        {"picture.ppm", "PPM", false}, {"photo.jfif", "JPEG", true},
    };
    for (const Row& row : rows) {
        std::vector<std::string> args = {"convert"};
        args.insert(args.end(), draw.begin(), draw.end());
        if (row.format == "WEBP") args.insert(args.end(), {"-define", "webp:lossless=true"});
        if (row.format == "GIF") {
            // A second frame, all blue: only the first becomes the page.
            args.insert(args.end(), {"(", "-size", "200x100", "xc:blue", ")"});
        }
        args.push_back(row.format + ":" + dir.File(row.name));
        RunTool(args);
        const std::string output = dir.File(row.name + ".xdw");
        PhaseTrace trace;
        ASSERT_EQ(Print(dir.File(row.name), output, &trace), 0) << row.name << ": " << reason;
        EXPECT_TRUE(IsSuccessfulRun(trace.phases)) << row.name << " " << Describe(trace.phases);
        EXPECT_EQ(PdfPageCount(output), 1) << row.name;
        const PageBox box = PdfPageBox(output, 1);
        if (row.sized) {
            EXPECT_NEAR(box.width, 144, 1) << row.name;
            EXPECT_NEAR(box.height, 72, 1) << row.name;
        }
        ExpectRedTopLeft(output, row.name);
        EXPECT_TRUE(AttachmentBytes(output, row.name) == ReadBytes(dir.File(row.name))) << row.name;
    }
}

TEST_F(AppPrintPicture, PixelsAndJpegDataAreKeptExactly) {
    // A gradient PNG: the page's image decodes to the very same samples.
    RunTool({"convert", "-size", "97x61", "gradient:navy-orange", "-write",
             "PNG24:" + dir.File("g.png"), "-depth", "8", "RGB:" + dir.File("g.rgb")});
    ASSERT_EQ(Print(dir.File("g.png"), dir.File("g.xdw")), 0) << reason;
    const StoredImage png = PdfPageImage(dir.File("g.xdw"), 1);
    const std::string samples = ReadBytes(dir.File("g.rgb"));
    EXPECT_TRUE(png.decoded == samples) << "PNG samples changed";

    RunTool({"convert", dir.File("g.png"), "BMP3:" + dir.File("g.bmp")});
    ASSERT_EQ(Print(dir.File("g.bmp"), dir.File("b.xdw")), 0) << reason;
    EXPECT_TRUE(PdfPageImage(dir.File("b.xdw"), 1).decoded == samples) << "BMP samples changed";

    // JPEG data under another name: embedded as it is, not coded again.
    MakeJpeg(dir.File("photo.jpe"), ImageSpec{});
    ASSERT_EQ(Print(dir.File("photo.jpe"), dir.File("j.xdw")), 0) << reason;
    const StoredImage jpeg = PdfPageImage(dir.File("j.xdw"), 1);
    EXPECT_EQ(jpeg.filter, "/DCTDecode");
    EXPECT_TRUE(jpeg.raw == ReadBytes(dir.File("photo.jpe"))) << "JPEG data coded again";
}

TEST_F(AppPrintPicture, DamagedPicturesEndWithTheirReasonAndNoDocument) {
    RunTool({"convert", "-size", "300x200", "gradient:red-blue", "PNG24:" + dir.File("whole.png")});
    const std::string png = ReadBytes(dir.File("whole.png"));
    std::string flipped = png;
    flipped[png.size() / 2] = static_cast<char>(~flipped[png.size() / 2]);
    // A TIFF whose strip offsets point past the end of the file.
    MakeTiff(dir.File("t.tif"), {{ImageSpec{64, 48, ImageKind::Rgb, 0}, TiffCompression::None}});
    const std::string tiff = ReadBytes(dir.File("t.tif"));

    struct Row {
        std::string name;
        std::string bytes;
        std::string reason;  // part of it
    };
    const Row rows[] = {
        {"cut.png", png.substr(0, png.size() / 2), "PNG"},
        {"flipped.png", flipped, "PNG"},
        {"cut.gif", "GIF89a" + std::string(20, '\x01'), "GIF"},
        {"cut.tif", tiff.substr(0, 300), "TIFF"},
    };
    for (const Row& row : rows) {
        WriteBytes(dir.File(row.name), row.bytes);
        const std::string output = dir.File(row.name + ".xdw");
        EXPECT_EQ(Print(dir.File(row.name), output), XDW_E_CANNOT_READ) << row.name;
        EXPECT_FALSE(Exists(output)) << row.name;
        EXPECT_NE(reason.find(row.reason), std::string::npos) << row.name << ": " << reason;
    }
}

}  // namespace

namespace {

TEST_F(AppPrintPicture, PdfDataIsCopiedByTheEngineWithEveryPageChecked) {
    // PDF content under another name: copied, not handed to LibreOffice.
    MakeTextPdf(dir.File("minutes.dat"), {"First", "Second"});
    ASSERT_EQ(Print(dir.File("minutes.dat"), dir.File("m.xdw")), 0) << reason;
    EXPECT_EQ(PdfPageCount(dir.File("m.xdw")), 2);

    // One page object damaged: refused, naming the page, nothing written.
    std::string bytes = ReadBytes(dir.File("minutes.dat"));
    const size_t page = bytes.rfind("/Type /Page >>");
    ASSERT_NE(page, std::string::npos);
    bytes.replace(bytes.find("<<", bytes.rfind(" obj", page)), 2, "<~");
    WriteBytes(dir.File("damaged.pdf"), bytes);
    EXPECT_EQ(Print(dir.File("damaged.pdf"), dir.File("d.xdw")), XDW_E_CANNOT_READ);
    EXPECT_NE(reason.find("of damaged.pdf"), std::string::npos) << reason;
    EXPECT_FALSE(Exists(dir.File("d.xdw")));
}

}  // namespace
