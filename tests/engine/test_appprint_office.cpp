// Application printing through the C calls with the real LibreOffice: text
// and OpenDocument files printed through every phase with the original
// attached, a cancel part-way, and Finalize while a conversion runs.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "TestFiles.h"
#include "appprint_support.h"
#include "xdwapi/xdwapi.h"

using namespace xdwtest;

namespace {

constexpr auto kConversionTimeout = std::chrono::seconds(240);
constexpr int kAllBits = -1;  // the attach flag as the program passes "true"

XDW_CREATION_STATUS Poll(XDW_CREATE_HANDLE handle) {
    XDW_CREATION_STATUS status{};
    status.size = sizeof status;
    status.phase = -1;
    EXPECT_EQ(XDW_GetStatusCreationFromAppFile(handle, &status), 0);
    return status;
}

std::string JoinedText(const std::string& pdf) {
    std::string all;
    for (const auto& page : PdfPageTexts(pdf)) all += page + "\n";
    return all;
}

// LibreOffice itself runs for one of this program's conversions, not only
// the sandbox or launcher that starts it.
bool OfficeRunning() {
    for (pid_t pid : LeftoverConversionProcesses()) {
        std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
        std::string name;
        if (std::getline(comm, name) && name == "soffice.bin") return true;
    }
    return false;
}

void ExpectNothingLeft() {
    EXPECT_TRUE(LeftoverConversionProcesses().empty()) << "a LibreOffice process is left";
    EXPECT_TRUE(LeftoverTempFolders().empty()) << "a temporary folder is left";
}

class AppPrintOffice : public ::testing::Test {
protected:
    void TearDown() override { XDW_Finalize(nullptr); }
    TempDir dir;
};

// Prints source to out.xdw with the original attached and checks every
// promise of a successful run; returns the output path.
std::string PrintAndCheck(const std::string& source, const std::string& output,
                          const std::string& expectedWord) {
    XDW_CREATE_HANDLE handle = nullptr;
    EXPECT_EQ(
        XDW_BeginCreationFromAppFile(source.c_str(), output.c_str(), kAllBits, &handle, nullptr),
        0);
    EXPECT_NE(handle, nullptr);
    const PhaseTrace trace = WatchPhases([&] { return Poll(handle); }, kConversionTimeout);
    EXPECT_FALSE(trace.timedOut);
    EXPECT_TRUE(IsSuccessfulRun(trace.phases)) << "phases " << Describe(trace.phases);
    // Attaching is part of this run, and is seen after the pages.
    EXPECT_NE(std::find(trace.phases.begin(), trace.phases.end(), XDW_PHASE_FINISHED),
              trace.phases.end());
    EXPECT_GE(trace.lastTotal, 1);
    EXPECT_EQ(trace.lastPage, trace.lastTotal);
    if (trace.sawPages) {  // numbers come with the phase, never 0 of 0
        EXPECT_GE(trace.firstPage, 1);
        EXPECT_EQ(trace.firstTotal, trace.lastTotal);
    }

    EXPECT_EQ(XDW_EndCreationFromAppFile(handle, nullptr), 0);
    // The handle is gone once ended.
    XDW_CREATION_STATUS status{};
    status.size = sizeof status;
    EXPECT_EQ(XDW_GetStatusCreationFromAppFile(handle, &status), XDW_E_INVALID_ARG);

    EXPECT_TRUE(Exists(output));
    EXPECT_NE(JoinedText(output).find(expectedWord), std::string::npos) << JoinedText(output);
    const std::string name = source.substr(source.find_last_of('/') + 1);
    const auto names = AttachmentNames(output);
    EXPECT_EQ(names, std::vector<std::string>{name});
    if (!names.empty()) {
        EXPECT_EQ(AttachmentBytes(output, name), ReadBytes(source));
    }
    ExpectNothingLeft();
    return output;
}

TEST_F(AppPrintOffice, TextFileIsPrintedThroughEveryPhaseWithTheOriginalAttached) {
    // A Windows text file: Shift-JIS with CRLF line ends. "\x95\xcf\x8a\xb7\x92\x86"
    // is the Shift-JIS spelling of the word written in UTF-8 below, as is
    // the date "4\x8c\x8e15\x93\xfa"; a form feed starts the second page.
    const std::string source = dir.File("memo.txt");
    WriteBytes(source,
               "Quilbex printing check\r\nQuarterly figures 4711 <A&B>\r\n"
               "\x95\xcf\x8a\xb7\x92\x86 4\x8c\x8e"
               "15\x93\xfa\r\n\fSecond sheet\r\n");
    const std::string output = PrintAndCheck(source, dir.File("memo.xdw"), "Quarterly");
    const std::string text = JoinedText(output);
    for (const char* words : {"4711 <A&B>", "\xe5\xa4\x89\xe6\x8f\x9b\xe4\xb8\xad",
                              // No gap between digits and ideographs: a search finds the date.
                              "4\xe6\x9c\x88"
                              "15\xe6\x97\xa5"})
        EXPECT_NE(text.find(words), std::string::npos) << words << " not in " << text;
    ASSERT_EQ(PdfPageCount(output), 2);
    EXPECT_NE(PdfPageTexts(output)[1].find("Second sheet"), std::string::npos);
}

TEST_F(AppPrintOffice, OpenDocumentTextIsPrintedWithTheOriginalAttached) {
    const std::string txt = dir.File("letter.txt");
    WriteBytes(txt, "Dear reader\nOpenDocument body 2718\n");
    const std::string odt = MakeOdtWithOffice(txt, dir.path());
    PrintAndCheck(odt, dir.File("letter.xdw"), "2718");
}

TEST_F(AppPrintOffice, CancelWhilePrintingEndsTheApplicationAndLeavesNothing) {
    const std::string source = dir.File("long.txt");
    std::string text;
    for (int i = 0; i < 3000; ++i) text += "Line " + std::to_string(i) + " of a long file\n";
    WriteBytes(source, text);
    const std::string output = dir.File("long.xdw");

    XDW_CREATE_HANDLE handle = nullptr;
    ASSERT_EQ(
        XDW_BeginCreationFromAppFile(source.c_str(), output.c_str(), kAllBits, &handle, nullptr),
        0);
    bool cancelled = false;
    const PhaseTrace trace =
        WatchPhases([&] { return Poll(handle); }, kConversionTimeout,
                    [&](int phase) {
                        if (phase == XDW_PHASE_PRINTING && !cancelled) {
                            // Let LibreOffice itself get under way first, past
                            // the sandbox and launcher that start it.
                            EXPECT_TRUE(WaitUntil(OfficeRunning, std::chrono::seconds(20)))
                                << "LibreOffice never ran";
                            EXPECT_EQ(XDW_CancelCreationFromAppFile(handle, nullptr), 0);
                            // Stopping is reported at once; the end follows once
                            // LibreOffice is gone.
                            EXPECT_EQ(Poll(handle).phase, XDW_PHASE_CANCELLING);
                            cancelled = true;
                        }
                    });
    ASSERT_TRUE(cancelled) << "phases " << Describe(trace.phases);
    EXPECT_EQ(trace.phases.back(), XDW_PHASE_CANCELLED) << Describe(trace.phases);
    EXPECT_EQ(std::find(trace.phases.begin(), trace.phases.end(), XDW_PHASE_FINISHED),
              trace.phases.end());
    EXPECT_FALSE(Exists(output));
    ExpectNothingLeft();
    // A second cancel after the end does no harm, and ending still works once.
    EXPECT_EQ(XDW_CancelCreationFromAppFile(handle, nullptr), 0);
    EXPECT_EQ(Poll(handle).phase, XDW_PHASE_CANCELLED);
    EXPECT_EQ(XDW_EndCreationFromAppFile(handle, nullptr), 0);
    EXPECT_EQ(XDW_EndCreationFromAppFile(handle, nullptr), XDW_E_INVALID_ARG);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"long.txt"});
}

TEST_F(AppPrintOffice, FinalizeStopsARunningConversion) {
    const std::string source = dir.File("note.txt");
    WriteBytes(source, "Finalize while printing\n");
    const std::string output = dir.File("note.xdw");
    XDW_CREATE_HANDLE handle = nullptr;
    ASSERT_EQ(
        XDW_BeginCreationFromAppFile(source.c_str(), output.c_str(), kAllBits, &handle, nullptr),
        0);
    EXPECT_TRUE(WaitUntil([&] { return Poll(handle).phase >= XDW_PHASE_PRINTING; },
                          std::chrono::seconds(60)));

    EXPECT_EQ(XDW_Finalize(nullptr), 0);
    EXPECT_FALSE(Exists(output));
    ExpectNothingLeft();
    XDW_CREATION_STATUS status{};
    status.size = sizeof status;
    EXPECT_EQ(XDW_GetStatusCreationFromAppFile(handle, &status), XDW_E_INVALID_ARG);
    EXPECT_EQ(XDW_Finalize(nullptr), 0);  // twice is fine
}

}  // namespace
