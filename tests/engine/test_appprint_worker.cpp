// The conversion worker with stand-in programs in place of LibreOffice, so
// that failures, hangs and stubborn child processes can be staged quickly:
// every failure ends in phase 9 with no output, and stopping ends the
// child's whole process group.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "Error.h"
#include "TestFiles.h"
#include "appprint_support.h"
#include "ocr/RenderChild.h"
#include "print/AppPrint.h"
#include "print/AppPrintJob.h"
#include "print/AppPrintSettings.h"
#include "print/AppPrintTemp.h"
#include "print/ChildProcess.h"
#include "print/OfficeFinder.h"
#include "print/OfficeProfile.h"
#include "print/OfficeSandbox.h"
#include "print/SavedValues.h"
#include "print/SheetRows.h"

using namespace xdwtest;

namespace {

// The --outdir argument of the command line, in shell.
const char* kFindOutDir =
    "out=''; prev=''\n"
    "for a in \"$@\"; do [ \"$prev\" = --outdir ] && out=\"$a\"; prev=\"$a\"; done\n";

class AppPrintWorker : public ::testing::Test {
protected:
    void SetUp() override {
        saved = xdw::CurrentAppPrintSettings();
        source = dir.File("report.txt");
        output = dir.File("report.xdw");
        WriteBytes(source, "plain text to print\n");
    }
    void TearDown() override {
        xdw::FinalizeAppPrint();
        xdw::SetAppPrintSettings(saved);
        EXPECT_TRUE(LeftoverTempFolders().empty());
    }

    // Makes a stand-in for LibreOffice running body, and uses it.
    void UseOffice(const std::string& body,
                   std::chrono::milliseconds limit = std::chrono::minutes(1),
                   std::chrono::milliseconds grace = std::chrono::milliseconds(500)) {
        const std::string script = dir.File("fake-soffice");
        WriteScript(script, body);
        xdw::AppPrintSettings settings;
        settings.officeCandidates = {script};
        // Stand-ins write what they saw beside themselves, where the
        // sandbox would not let them.
        settings.sandbox = false;
        settings.timeLimit = limit;
        settings.grace = grace;
        xdw::SetAppPrintSettings(settings);
    }

    PhaseTrace Run(XDW_CREATE_HANDLE handle, const std::function<void(int)>& onPoll = {}) {
        return WatchPhases(
            [&] {
                XDW_CREATION_STATUS status{};
                status.size = sizeof status;
                xdw::AppPrintStatus(handle, &status);
                return status;
            },
            std::chrono::seconds(60), onPoll);
    }

    xdw::AppPrintSettings saved;
    TempDir dir;
    std::string source, output;
};

// The tests of the C calls look for leftovers under the same name.
TEST(AppPrintTemp, TestsKnowTheTemporaryFolderName) {
    EXPECT_EQ(xdwtest::AppPrintTempPrefix(), xdw::AppPrintTempPrefix());
}

TEST_F(AppPrintWorker, NoLibreOfficeMeansNotInstalled) {
    xdw::AppPrintSettings settings;
    settings.officeCandidates = {dir.File("missing/soffice"), "quilbex-no-such-office"};
    xdw::SetAppPrintSettings(settings);
    try {
        xdw::BeginAppPrint(source, output, true);
        FAIL() << "started without LibreOffice";
    } catch (const xdw::EngineError& e) {
        EXPECT_EQ(e.code(), XDW_E_NOT_INSTALLED);
    }
    EXPECT_FALSE(Exists(output));
}

TEST_F(AppPrintWorker, PagesAreCopiedOneByOneAndNoAttachmentUnlessAsked) {
    MakeTextPdf(dir.File("printed.pdf"), {"first page", "second page", "third page"});
    UseOffice(std::string(kFindOutDir) + "echo \"$HOME\" > '" + dir.File("home.txt") +
              "'\necho \"$OMP_THREAD_LIMIT\" > '" + dir.File("omp.txt") +
              "'\nprintf '%s\\n' \"$@\" > '" + dir.File("args.txt") + "'\ncp '" +
              dir.File("printed.pdf") + "' \"$out/source.pdf\"\n");
    // A missing HOME must not stop the application from starting.
    const char* home = getenv("HOME");
    const std::string savedHome = home ? home : "";
    unsetenv("HOME");
    auto handle = xdw::BeginAppPrint(source, output, false);
    const PhaseTrace trace = Run(handle);
    if (!savedHome.empty()) setenv("HOME", savedHome.c_str(), 1);

    EXPECT_TRUE(IsSuccessfulRun(trace.phases)) << Describe(trace.phases);
    EXPECT_EQ(std::count(trace.phases.begin(), trace.phases.end(), XDW_PHASE_ATTACHING), 0);
    EXPECT_EQ(trace.lastTotal, 3);
    EXPECT_EQ(trace.lastPage, 3);
    if (trace.sawPages) {  // numbers come with the phase, never 0 of 0
        EXPECT_GE(trace.firstPage, 1);
        EXPECT_EQ(trace.firstTotal, 3);
    }
    xdw::EndAppPrint(handle);

    EXPECT_EQ(PdfPageTexts(output).size(), 3u);
    EXPECT_NE(PdfPageTexts(output)[2].find("third page"), std::string::npos);
    EXPECT_TRUE(AttachmentNames(output).empty());

    // The child got a usable HOME and the command line of a private,
    // headless conversion.
    const std::string childHome = ReadBytes(dir.File("home.txt"));
    EXPECT_EQ(childHome.front(), '/');
    // One OpenMP thread unless the caller chose otherwise, set in the child's
    // environment only.
    const char* limit = getenv("OMP_THREAD_LIMIT");
    EXPECT_EQ(ReadBytes(dir.File("omp.txt")), std::string(limit ? limit : "1") + "\n");
    const std::string args = ReadBytes(dir.File("args.txt"));
    EXPECT_NE(args.find("-env:UserInstallation=file:///"), std::string::npos) << args;
    EXPECT_NE(args.find("--headless\n"), std::string::npos);
    // Plain text is handed to Writer as a document of its lines, whatever
    // its name.
    EXPECT_NE(args.find("--infilter=OpenDocument Text Flat XML\n"), std::string::npos) << args;
    EXPECT_NE(args.find("--convert-to\npdf:writer_pdf_Export\n"), std::string::npos) << args;
    EXPECT_NE(args.find("--norestore\n"), std::string::npos);
}

TEST_F(AppPrintWorker, OriginalIsAttachedUnderItsOwnNameEvenWhenJapanese) {
    MakeTextPdf(dir.File("printed.pdf"), {"one page"});
    UseOffice(std::string(kFindOutDir) + "cp '" + dir.File("printed.pdf") +
              "' \"$out/source.pdf\"\n");
    // A Japanese name ("report") with a blank and brackets, as Windows makes them.
    const std::string name = "\xe5\xa0\xb1\xe5\x91\x8a\xe6\x9b\xb8 (1).csv";
    const std::string original = dir.File(name);
    WriteBytes(original, "a,b\r\n1,2\r\n");
    auto handle = xdw::BeginAppPrint(original, output, true);
    const PhaseTrace trace = Run(handle);
    EXPECT_TRUE(IsSuccessfulRun(trace.phases)) << Describe(trace.phases);
    xdw::EndAppPrint(handle);
    ASSERT_EQ(AttachmentNames(output), std::vector<std::string>{name});
    EXPECT_EQ(AttachmentBytes(output, name), ReadBytes(original));
}

TEST_F(AppPrintWorker, ApplicationFailuresEndInPhaseNineWithNothingWritten) {
    struct Case {
        const char* what;
        std::string body;
        int32_t code;
        std::string reason;  // part of the reason the caller gets
    };
    const std::vector<Case> cases = {
        {"non-zero exit", "echo 'Error: source file could not be loaded' >&2\nexit 3\n", XDW_E_FAIL,
         "exit code 3 (LibreOffice said: Error: source file could not be loaded)"},
        {"no output", "exit 0\n", XDW_E_CANNOT_READ, "LibreOffice printed nothing"},
        {"broken PDF", std::string(kFindOutDir) + "echo garbage > \"$out/source.pdf\"\n",
         XDW_E_CANNOT_READ, "printed PDF unreadable"},
        {"killed", "kill -9 $$\n", XDW_E_FAIL, "signal 9"},
        // A complete PDF does not make up for the failure the exit reports.
        {"PDF written, then non-zero exit",
         std::string(kFindOutDir) + "cp '" + dir.File("printed.pdf") +
             "' \"$out/source.pdf\"\nexit 3\n",
         XDW_E_FAIL, "exit code 3"},
    };
    MakeTextPdf(dir.File("printed.pdf"), {"printed before the failure"});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        UseOffice(c.body);
        auto handle = xdw::BeginAppPrint(source, output, true);
        const auto job = xdw::LookupAppPrintJob(handle);
        const PhaseTrace trace = Run(handle);
        EXPECT_EQ(trace.phases.back(), XDW_PHASE_CANCELLED) << Describe(trace.phases);
        EXPECT_EQ(std::count(trace.phases.begin(), trace.phases.end(), XDW_PHASE_FINISHED), 0);
        EXPECT_EQ(job->failureCode(), c.code) << job->failure().prose;
        EXPECT_FALSE(Exists(output));
        EXPECT_TRUE(LeftoverTempFolders().empty());
        xdw::EndAppPrint(handle);
        // Ending the conversion hands its reason to the caller's thread.
        EXPECT_NE(xdw::LastFailure().prose.find(c.reason), std::string::npos)
            << xdw::LastFailure().prose;
    }
}

// What LibreOffice printed is checked against what the file holds: blank
// pages of a file with text or cell values are a failure, said as such; a
// file with nothing to show may print blank. A table of more rows than a
// sheet holds is refused before it prints without them.
TEST_F(AppPrintWorker, BlankPagesOfAFileThatHoldsContentAreRefused) {
    MakeTextPdf(dir.File("blank.pdf"), {"", ""});
    MakeTextPdf(dir.File("text.pdf"), {"a cell"});
    const std::string values = dir.File("values.ods"), empty = dir.File("empty.ods");
    for (const auto& [sheet, cell] :
         {std::pair{values, "office:value-type=\"string\""}, std::pair{empty, ""}})
        WriteOdf(sheet, "application/vnd.oasis.opendocument.spreadsheet",
                 std::string("<office:body><office:spreadsheet><table:table><table:table-row>"
                             "<table:table-cell ") +
                     cell +
                     "><text:p>a cell</text:p></table:table-cell></table:table-row>"
                     "</table:table></office:spreadsheet></office:body>");
    WriteBytes(dir.File("blanks.txt"), " \n\t\n");
    std::string rows;
    for (uint64_t i = 1; i < xdw::kSheetRows; ++i) rows += "1\n";
    WriteBytes(dir.File("full.csv"), rows + "\"a\nb\"");  // a line break within a cell
    WriteBytes(dir.File("over.csv"), rows + "1\n1");
    const struct {
        std::string source, printed;
        int refusedFor;
    } cases[] = {{source, "blank.pdf", XDW_REASON_BLANK_PRINT},
                 {values, "blank.pdf", XDW_REASON_BLANK_PRINT},
                 {values, "text.pdf", 0},
                 {empty, "blank.pdf", 0},
                 {dir.File("blanks.txt"), "blank.pdf", 0},
                 {dir.File("full.csv"), "text.pdf", 0},
                 {dir.File("over.csv"), "text.pdf", XDW_REASON_SHEET_LIMIT}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source + " printed as " + c.printed);
        UseOffice(std::string(kFindOutDir) + "cp '" + dir.File(c.printed) + "' \"$out/x.pdf\"\n");
        auto handle = xdw::BeginAppPrint(c.source, output, false);
        const auto job = xdw::LookupAppPrintJob(handle);
        EXPECT_EQ(Run(handle).phases.back(),
                  c.refusedFor != 0 ? XDW_PHASE_CANCELLED : XDW_PHASE_FINISHED);
        EXPECT_EQ(job->failure().concern.kind, c.refusedFor);
        xdw::EndAppPrint(handle);
        std::remove(output.c_str());
    }
}

// A worksheet's rows: numbered, or counted where a row leaves its number out.
TEST(SheetRows, WorksheetRowsAreTheirHighestNumberOrTheirCount) {
    const std::pair<const char*, uint64_t> cases[] = {
        {"<sheetData><row r=\"1048577\"><c/></row></sheetData>", 1048577},
        {"<row r=\"2\" spans=\"1:2\"/><row><c/></row><row/><rowBreaks count=\"9\"/>", 3},
        {"<row r=\"99999999999999999999\"/>", xdw::kSheetRows * 1000},
    };
    for (const auto& [xml, rows] : cases) EXPECT_EQ(xdw::WorksheetRows(xml), rows) << xml;
}

// A spreadsheet's archive cut short is damaged, not printed without its later
// sheets; one whose sheet does not fit in memory is too large, not damaged.
TEST(SavedValues, ACutArchiveIsDamagedAndASheetBeyondMemoryTooLarge) {
    TempDir dir;
    const std::string xlsx = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet";
    const auto KindOf = [&](const std::string& name) {
        try {
            xdw::WriteSavedValues(dir.File(name), dir.File("copy"), xlsx);
        } catch (const xdw::EngineError& e) {
            return e.concern().kind;
        } catch (const std::bad_alloc&) {
            return -1;
        }
        return XDW_REASON_NONE;
    };
    WriteZip(dir.File("cut.xlsx"), {{"a.xml", "<a/>"}, {"xl/worksheets/sheet1.xml", "<v>1</v>"}});
    const std::string bytes = ReadBytes(dir.File("cut.xlsx"));
    WriteBytes(dir.File("cut.xlsx"), bytes.substr(0, bytes.find("PK\x03\x04", 4) + 10));
    EXPECT_EQ(KindOf("cut.xlsx"), XDW_REASON_CONTENT);
    // Sanitized code keeps shadow memory no address-space limit leaves room for.
    if (!xdw::kCapAddressSpace) return;
    WriteZip(dir.File("big.xlsx"), {{"xl/worksheets/sheet1.xml", std::string(24 << 20, 'v')}});
    const pid_t child = ::fork();
    if (child == 0) {
        std::ifstream statm("/proc/self/statm");
        rlim_t pages = 0;
        statm >> pages;
        const rlimit room{pages * 4096 + (8 << 20), pages * 4096 + (8 << 20)};
        ::setrlimit(RLIMIT_AS, &room);
        ::_exit(KindOf("big.xlsx"));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == XDW_REASON_MEMORY_LIMIT) << status;
}

// An application that hangs, or grows without end, is stopped at its limit
// and the reason says which.
TEST_F(AppPrintWorker, HungOrGrowingApplicationIsStoppedAtItsLimit) {
    const struct {
        const char* script;
        std::chrono::milliseconds limit;
        const char* reason;
    } cases[] = {
        {"trap '' TERM\nsleep 300 &\nsleep 300\n", std::chrono::milliseconds(800),
         "within the time limit of 0.8 s"},
        // Growing in steps the 50 ms polls see, however slowly this runs.
        {"exec python3 -c 'import time\nx = []\nwhile True: x.append(bytearray(8 << "
         "20)); time.sleep(0.05)'\n",
         std::chrono::seconds(30), "at the memory limit of 256 MiB"},
    };
    for (const auto& c : cases) {
        UseOffice(c.script, c.limit, std::chrono::milliseconds(300));
        auto settings = xdw::CurrentAppPrintSettings();
        settings.memoryLimit = 256u << 20;
        xdw::SetAppPrintSettings(settings);
        auto handle = xdw::BeginAppPrint(source, output, true);
        const auto job = xdw::LookupAppPrintJob(handle);
        const auto start = std::chrono::steady_clock::now();
        const PhaseTrace trace = Run(handle);
        EXPECT_LT(std::chrono::steady_clock::now() - start, c.limit + std::chrono::seconds(10));
        EXPECT_EQ(trace.phases.back(), XDW_PHASE_CANCELLED) << Describe(trace.phases);
        EXPECT_EQ(job->failureCode(), XDW_E_CANNOT_READ);
        EXPECT_NE(job->failure().prose.find(c.reason), std::string::npos) << job->failure().prose;
        ASSERT_NE(job->childGroup(), 0);
        EXPECT_FALSE(xdw::ProcessGroupAlive(job->childGroup()));
        EXPECT_FALSE(Exists(output));
        xdw::EndAppPrint(handle);
    }
}

TEST_F(AppPrintWorker, CancelEndsTheWholeProcessGroup) {
    const std::string started = dir.File("started");
    UseOffice("trap '' TERM\nsleep 300 &\ntouch '" + started + "'\nsleep 300\n");
    auto handle = xdw::BeginAppPrint(source, output, true);
    const auto job = xdw::LookupAppPrintJob(handle);
    bool cancelled = false;
    const PhaseTrace trace = Run(handle, [&](int phase) {
        if (phase == XDW_PHASE_PRINTING && !cancelled) {
            EXPECT_TRUE(WaitUntil([&] { return Exists(started); }));
            EXPECT_TRUE(xdw::ProcessGroupAlive(job->childGroup()));
            xdw::CancelAppPrint(handle);
            cancelled = true;
            XDW_CREATION_STATUS status{};
            status.size = sizeof status;
            xdw::AppPrintStatus(handle, &status);
            EXPECT_EQ(status.phase, XDW_PHASE_CANCELLING);  // seen at once
        }
    });
    const std::vector<int> expected = {XDW_PHASE_PRINTING, XDW_PHASE_CANCELLING,
                                       XDW_PHASE_CANCELLED};
    ASSERT_GE(trace.phases.size(), 3u);
    EXPECT_EQ(std::vector<int>(trace.phases.end() - 3, trace.phases.end()), expected);
    EXPECT_FALSE(xdw::ProcessGroupAlive(job->childGroup()));
    EXPECT_EQ(job->failureCode(), 0);
    EXPECT_FALSE(Exists(output));
    EXPECT_TRUE(LeftoverTempFolders().empty());
    xdw::EndAppPrint(handle);
}

// A stop asked while pages are generated comes as the page callback's
// exception (the job's stop check); it ends the build at that page.
TEST_F(AppPrintWorker, AStopWhilePagesAreGeneratedEndsTheBuildThere) {
    MakeTextPdf(dir.File("printed.pdf"), std::vector<std::string>(40, "a page"));
    struct Stop {};
    std::vector<int> seen;
    EXPECT_THROW(xdw::BuildPrintedDocument(dir.File("printed.pdf"),
                                           [&](int page, int total) {
                                               seen.push_back(page);
                                               EXPECT_EQ(total, 40);
                                               if (page == 3) throw Stop{};
                                           }),
                 Stop);
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
}

TEST_F(AppPrintWorker, EndingARunningConversionStopsIt) {
    UseOffice("sleep 300\n");
    auto handle = xdw::BeginAppPrint(source, output, true);
    const auto job = xdw::LookupAppPrintJob(handle);
    ASSERT_TRUE(WaitUntil([&] { return job->childGroup() != 0; }));
    xdw::EndAppPrint(handle);
    EXPECT_TRUE(job->ended());
    EXPECT_FALSE(xdw::ProcessGroupAlive(job->childGroup()));
    EXPECT_FALSE(Exists(output));
    EXPECT_THROW(xdw::LookupAppPrintJob(handle), xdw::EngineError);
}

TEST_F(AppPrintWorker, AFileThatAppearsAtTheOutputMeanwhileIsKept) {
    MakeTextPdf(dir.File("printed.pdf"), {"page"});
    // Someone else creates the output while the application prints.
    UseOffice(std::string(kFindOutDir) + "echo theirs > '" + output + "'\ncp '" +
              dir.File("printed.pdf") + "' \"$out/source.pdf\"\n");
    auto handle = xdw::BeginAppPrint(source, output, true);
    const auto job = xdw::LookupAppPrintJob(handle);
    const PhaseTrace trace = Run(handle);
    EXPECT_EQ(trace.phases.back(), XDW_PHASE_CANCELLED) << Describe(trace.phases);
    EXPECT_EQ(job->failureCode(), XDW_E_FILE_EXISTS);
    EXPECT_EQ(ReadBytes(output), "theirs\n");
    xdw::EndAppPrint(handle);
}

}  // namespace

// The office program asks once to be started again after making its profile;
// a second such request is a failure like any other exit status.
TEST_F(AppPrintWorker, OneRestartAfterTheProfileIsMade) {
    MakeTextPdf(dir.File("printed.pdf"), {"one page"});
    const std::string marker = dir.File("started-once");
    UseOffice(std::string(kFindOutDir) + "[ -e '" + marker + "' ] || { touch '" + marker +
              "'; exit 81; }\ncp '" + dir.File("printed.pdf") + "' \"$out/source.pdf\"\n");
    auto handle = xdw::BeginAppPrint(source, output, true);
    EXPECT_TRUE(IsSuccessfulRun(Run(handle).phases));
    xdw::EndAppPrint(handle);
    EXPECT_TRUE(Exists(output));

    UseOffice("exit 81\n");
    const std::string second = dir.File("second.xdw");
    handle = xdw::BeginAppPrint(source, second, true);
    const auto job = xdw::LookupAppPrintJob(handle);
    EXPECT_EQ(Run(handle).phases.back(), XDW_PHASE_CANCELLED);
    EXPECT_EQ(job->failure().prose, "LibreOffice failed with exit code 81");
    xdw::EndAppPrint(handle);
}

// The application dies with the thread that started it, even when that
// thread ends without stopping it (as when the whole program is killed).
TEST(ChildProcess, EndsWithTheThreadThatStartedIt) {
    xdw::ChildSpec launch;
    launch.argv = {"/bin/sleep", "30"};
    std::unique_ptr<xdw::ChildProcess> child;
    std::thread([&] { child = std::make_unique<xdw::ChildProcess>(launch); }).join();
    siginfo_t info{};
    EXPECT_TRUE(WaitUntil([&] {
        return waitid(P_PID, child->pid(), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
               info.si_pid != 0;
    }));
    EXPECT_EQ(info.si_code, CLD_KILLED);
    EXPECT_EQ(info.si_status, SIGKILL);
}

TEST(ChildProcess, AProgramThatCannotStartIsNotInstalled) {
    xdw::ChildSpec launch;
    launch.argv = {"/nonexistent/soffice"};
    try {
        xdw::ChildProcess child(launch);
        ADD_FAILURE() << "started";
    } catch (const xdw::EngineError& e) {
        EXPECT_EQ(e.code(), XDW_E_NOT_INSTALLED);
    }
}

// The sandbox's network wall: a program run inside it cannot reach a
// listener on this machine's loopback, which the same program outside it
// reaches.
TEST(OfficeSandbox, AProgramInsideCannotConnectToThisMachine) {
    if (!xdw::SandboxUnavailableReason().empty()) GTEST_SKIP() << xdw::SandboxUnavailableReason();
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), size), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
    const std::vector<std::string> connect = {"/bin/bash", "-c",
                                              "exec 3<>/dev/tcp/127.0.0.1/" +
                                                  std::to_string(ntohs(address.sin_port)) +
                                                  " && echo connected"};
    EXPECT_EQ(ToolOutput(connect), "connected\n");
    TempDir job;
    std::vector<std::string> inside = xdw::SandboxPrefix("/bin/bash", job.path());
    inside.insert(inside.end(), connect.begin(), connect.end());
    EXPECT_EQ(ToolOutput(inside), "");
    close(listener);
}

// The profile's second wall, tried where LibreOffice would update links
// without asking: a document from a trusted folder, opened for a quiet
// update. A linked section and a linked sheet keep what they were saved
// with, and the files they link are not read.
TEST(OfficeProfile, LinkedSectionAndLinkedSheetAreNotUpdated) {
    TempDir dir;
    const std::string text = "application/vnd.oasis.opendocument.text";
    WriteOdf(dir.File("target.odt"), text,
             "<office:body><office:text><text:p>Fresh text</text:p></office:text></office:body>");
    WriteBytes(dir.File("target.csv"), "Fresh cell\n");
    WriteOdf(dir.File("section.odt"), text,
             "<office:body><office:text><text:section text:name=\"S\"><text:section-source "
             "xlink:type=\"simple\" text:filter-name=\"writer8\" xlink:href=\"file://" +
                 dir.File("target.odt") +
                 "\"/><text:p>Saved text</text:p></text:section></office:text></office:body>");
    WriteOdf(dir.File("sheet.ods"), "application/vnd.oasis.opendocument.spreadsheet",
             "<office:body><office:spreadsheet><table:table table:name=\"T\"><table:table-source "
             "table:mode=\"copy-results-only\" table:filter-name=\"Text - txt - csv (StarCalc)\" "
             "table:filter-options=\"44,34,76,1\" table:table-name=\"\" xlink:href=\"file://" +
                 dir.File("target.csv") +
                 "\"/><table:table-row><table:table-cell office:value-type=\"string\"><text:p>"
                 "Saved cell</text:p></table:table-cell></table:table-row></table:table>"
                 "</office:spreadsheet></office:body>");
    const std::string profile = dir.File("profile");
    xdw::WriteOfficeProfile(profile);
    const std::string settings = profile + "/user/registrymodifications.xcu";
    std::string items = ReadBytes(settings);
    items.insert(items.rfind("</oor:items>"),
                 "<item oor:path=\"/org.openoffice.Office.Common/Security/Scripting\"><prop "
                 "oor:name=\"SecureURL\" oor:op=\"fuse\"><value>file://" +
                     dir.path() + "</value></prop></item>\n");
    WriteBytes(settings, items);
    const std::string office = xdw::FindOffice({"soffice"});
    for (const auto& [name, saved] :
         {std::pair{"section.odt", "Saved text"}, std::pair{"sheet.ods", "Saved cell"}}) {
        const std::string shown = ToolOutput(
            {"/usr/bin/python3", QUILBEX_OFFICE_LINKS_SCRIPT, office, profile, dir.File(name)});
        EXPECT_NE(shown.find(saved), std::string::npos) << name << ": " << shown;
        EXPECT_EQ(shown.find("Fresh"), std::string::npos) << name << " was updated: " << shown;
    }
}
