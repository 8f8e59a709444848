#include "print/AppPrintJob.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <new>

#include "Error.h"
#include "pdf/DocumentLabel.h"
#include "pdf/OutputFile.h"
#include "pdf/Repair.h"
#include "print/AppPrintTemp.h"
#include "print/ChildProcess.h"
#include "print/CopyName.h"
#include "print/OfficeCommand.h"
#include "print/OfficeProfile.h"
#include "print/OfficeSandbox.h"
#include "print/OfficeWalls.h"
#include "print/OutsideLinks.h"
#include "print/PrintedInk.h"
#include "print/SavedValues.h"
#include "print/SheetRows.h"
#include "print/TextDocument.h"
#include "print/TextEncoding.h"

namespace xdw {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(50);

// Said once per process on stderr, for whoever runs us to see: the sandbox
// is missing and only the profile's settings keep documents in.
void NoteMissingSandbox(bool wanted, const std::vector<std::string>& walls) {
    static std::once_flag once;
    if (!wanted || (!walls.empty() && walls[0].find("bwrap") != std::string::npos)) return;
    std::call_once(once, [] {
        std::fprintf(stderr, "quilbex: LibreOffice runs without its sandbox: %s\n",
                     SandboxUnavailableReason().c_str());
    });
}

// The single PDF LibreOffice wrote into dir, or "" when there is none.
std::string FindPrintedPdf(const std::string& dir) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        if (entry.is_regular_file(ec) && entry.path().extension() == ".pdf")
            return entry.path().string();
    }
    return {};
}

std::string DescribeExit(int status) {
    if (WIFEXITED(status)) return "exit code " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
    return "status " + std::to_string(status);
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The last lines LibreOffice wrote, for a failure's reason.
std::string OfficeSaid(const std::string& logPath) {
    std::string said = ReadAll(logPath);
    while (!said.empty() && (said.back() == '\n' || said.back() == '\r')) said.pop_back();
    if (said.size() > 300) said = "..." + said.substr(said.size() - 300);
    for (char& c : said)
        if (c == '\n' || c == '\r') c = ' ';
    return said.empty() ? std::string() : " (LibreOffice said: " + said + ")";
}

// Whether text that holds a visible character must print some: plain text
// and CSV cells (less their separators and quotes) do; of markup (HTML, SVG)
// nothing is known, an empty page may be all it is. CSV of more records than
// a sheet holds is refused (RequireSheetRows).
bool TextMustShow(const std::string& text, const PrintPlan& plan) {
    if (plan.plainText) return HoldsVisibleText(text);
    if (plan.importFilter.rfind("Text - txt - csv", 0) == 0) {
        RequireSheetRows(CsvRecords(text));  // a table of values, printed on one sheet
        return HoldsVisibleText(text, ",\"");
    }
    return false;
}

}  // namespace

// The file LibreOffice is given: the snapshot itself, for text a UTF-8 copy
// of it under the same name, which the import reads as UTF-8 (plain text as
// a document of its lines), for a spreadsheet a copy holding its saved
// values only.
std::string AppPrintJob::PrintableCopy(const std::string& snapshot, const TempFolder& temp) {
    if (HasSavedValues(request_.plan.mimeType)) {
        const std::string copy = temp.sub("values") + "/" + CopyName(request_.input);
        holdsContent_ = WriteSavedValues(snapshot, copy, request_.plan.mimeType);
        return copy;
    }
    const std::string& charset = request_.plan.charset;
    if (charset.empty()) return snapshot;
    const std::string bytes = ReadAll(snapshot);
    if (charset == "UTF-8" && bytes.rfind("\xEF\xBB\xBF", 0) != 0 && !request_.plan.plainText) {
        holdsContent_ = TextMustShow(bytes, request_.plan);
        return snapshot;
    }
    std::string utf8 = TextAsUtf8(bytes, charset);
    holdsContent_ = TextMustShow(utf8, request_.plan);
    if (request_.plan.plainText) utf8 = TextAsFlatDocument(utf8);
    const std::string copy = temp.sub("text") + "/" + CopyName(request_.input);
    std::ofstream out(copy, std::ios::binary | std::ios::trunc);
    out.write(utf8.data(), static_cast<std::streamsize>(utf8.size()));
    out.close();
    if (!out) throw EngineError(XDW_E_FAIL, "cannot write the text copy");
    return copy;
}

AppPrintJob::AppPrintJob(AppPrintRequest request) : request_(std::move(request)) {
    worker_ = std::thread([this] { run(); });
}

AppPrintJob::~AppPrintJob() {
    cancel();
    join();
}

void AppPrintJob::status(XDW_CREATION_STATUS& status) const {
    std::lock_guard lock(mutex_);
    status.phase = phase_;
    status.total_pages = total_;
    status.page = page_;
}

void AppPrintJob::cancel() {
    {
        std::lock_guard lock(mutex_);
        if (phase_ == XDW_PHASE_FINISHED || phase_ == XDW_PHASE_CANCELLED) return;
        stop_ = true;
        phase_ = XDW_PHASE_CANCELLING;
    }
    wake_.notify_all();
}

void AppPrintJob::join() {
    if (worker_.joinable()) worker_.join();
}

bool AppPrintJob::ended() const {
    std::lock_guard lock(mutex_);
    return phase_ == XDW_PHASE_FINISHED || phase_ == XDW_PHASE_CANCELLED;
}

int32_t AppPrintJob::failureCode() const {
    std::lock_guard lock(mutex_);
    return failureCode_;
}

Failure AppPrintJob::failure() const {
    std::lock_guard lock(mutex_);
    return failure_;
}

pid_t AppPrintJob::childGroup() const {
    std::lock_guard lock(mutex_);
    return group_;
}

std::string AppPrintJob::tempDir() const {
    std::lock_guard lock(mutex_);
    return tempDir_;
}

void AppPrintJob::enterPhase(int phase) {
    std::lock_guard lock(mutex_);
    if (stop_) throw Stopped{};
    phase_ = phase;
}

void AppPrintJob::throwIfStopped() const {
    std::lock_guard lock(mutex_);
    if (stop_) throw Stopped{};
}

void AppPrintJob::finish(int32_t code, Failure failure) {
    std::lock_guard lock(mutex_);
    failureCode_ = code;
    failure_ = std::move(failure);
    phase_ = XDW_PHASE_CANCELLED;
}

Failure AppPrintJob::UsersReason(const EngineError& e) const {
    std::string temp;
    {
        std::lock_guard lock(mutex_);
        temp = tempDir_;
    }
    Failure failure = FailureOf(e);
    if (temp.empty()) return failure;
    // The copies keep the source's name in a sub-folder of their own.
    const auto Users = [&](std::string& text) {
        for (const char* folder : {"/in/", "/text/", "/values/"}) {
            const std::string copy = temp + folder + CopyName(request_.input);
            for (auto at = text.find(copy); at != std::string::npos;
                 at = text.find(copy, at + request_.input.size()))
                text.replace(at, copy.size(), request_.input);
        }
    };
    Users(failure.prose);
    Users(failure.concern.path);
    return failure;
}

void AppPrintJob::run() {
    // Nothing may escape a thread: every end is phase 8 or phase 9.
    try {
        convert();
    } catch (const Stopped&) {
        finish(0, FailureOf("stopped"));
    } catch (const EngineError& e) {
        finish(e.code(), UsersReason(e));
    } catch (const std::bad_alloc&) {
        // Memory ran out on the way to LibreOffice (a large text or table
        // read in): the file is too large, and the user is told so.
        try {
            Bad(XDW_REASON_MEMORY_LIMIT, "out of memory", request_.input);
        } catch (const EngineError& e) {
            finish(e.code(), FailureOf(e));
        }
    } catch (const std::exception& e) {
        finish(XDW_E_FAIL, FailureOf(e.what()));
    } catch (...) {
        finish(XDW_E_FAIL, FailureOf("unknown failure"));
    }
}

// Runs the application once to its end and gives its wait status; throws
// Stopped when a stop was asked for, EngineError when the time is up or it
// died at its memory limit.
int AppPrintJob::RunOffice(const ChildSpec& launch, std::chrono::steady_clock::time_point deadline,
                           std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    if (stop_) throw Stopped{};
    ChildProcess child(launch);
    group_ = child.group();
    phase_ = XDW_PHASE_PRINTING;

    std::optional<int> exit;
    std::uint64_t peak = 0;
    while (true) {
        // Only waiting on the condition releases the lock, so polls and
        // stop requests get through while the child runs.
        if (wake_.wait_for(lock, kPollInterval, [this] { return stop_; })) break;
        lock.unlock();
        peak = std::max(peak, GroupPeakBytes(child.group()));
        exit = child.poll();
        lock.lock();
        if (exit || std::chrono::steady_clock::now() >= deadline) break;
    }
    if (!exit) {
        const bool stopped = stop_;
        lock.unlock();
        child.terminate(request_.settings.grace);
        if (stopped) throw Stopped{};
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%g s",
                      std::chrono::duration<double>(limit).count());
        BadLimit(XDW_REASON_TIME_LIMIT, XDW_LIMIT_SECONDS,
                 static_cast<uint64_t>(std::chrono::ceil<std::chrono::seconds>(limit).count()),
                 std::string("LibreOffice did not finish within the time limit of ") + seconds,
                 request_.input);
    }
    // A program that fails for want of memory may abort or just exit; having
    // come close to the limit is what tells.
    const bool failed = !WIFEXITED(*exit) ||
                        (WEXITSTATUS(*exit) != 0 && WEXITSTATUS(*exit) != kOfficeRestartStatus);
    if (failed && launch.addressSpace > 0 &&
        (peak >= launch.addressSpace / 10 * 9 ||
         ReadAll(launch.logPath).find("bad_alloc") != std::string::npos))
        BadLimit(XDW_REASON_MEMORY_LIMIT, XDW_LIMIT_BYTES, launch.addressSpace,
                 "LibreOffice stopped at the memory limit of " +
                     std::to_string(launch.addressSpace >> 20) + " MiB",
                 request_.input);
    return *exit;
}

// Phase 3 is shown together with its first page number, so whoever sees it
// first also sees how many pages there are.
void AppPrintJob::onPage(int page, int total) {
    std::lock_guard lock(mutex_);
    if (stop_) throw Stopped{};
    phase_ = XDW_PHASE_GENERATING;
    page_ = page;
    total_ = total;
}

PrintedDocument AppPrintJob::PrintWithOffice(const std::string& snapshot, const TempFolder& temp) {
    const std::string outDir = temp.sub("out");
    const std::string profileDir = temp.sub("profile");
    WriteOfficeProfile(profileDir);

    const AppPrintSettings& settings = request_.settings;
    ChildSpec launch;
    launch.argv = OfficeWalls(request_.office, temp.path(), settings.sandbox);
    NoteMissingSandbox(settings.sandbox, launch.argv);
    if (settings.sandbox &&
        (launch.argv.empty() || launch.argv[0].find("bwrap") == std::string::npos)) {
        // Only the sandbox keeps LibreOffice from the files a document names.
        const std::string link = OutsideLink(snapshot);
        if (!link.empty())
            throw EngineError(XDW_E_CANNOT_READ,
                              "the document names a file outside itself (" + link +
                                  "), which LibreOffice would read without its sandbox");
    }
    for (auto& arg :
         OfficeConvertArgs(request_.office, PrintableCopy(snapshot, temp), outDir, profileDir,
                           request_.plan.importFilter, request_.plan.exportFilter))
        launch.argv.push_back(std::move(arg));
    launch.logPath = temp.path() + "/office.log";
    // Its home and temporary files are the job's, removed with it; it knows
    // of no desktop session, so nothing reaches the user's settings.
    launch.env = {{"HOME", temp.sub("home")}, {"TMPDIR", temp.sub("tmp")}};
    launch.unset = {"XDG_CONFIG_HOME", "XDG_CACHE_HOME",  "XDG_DATA_HOME",
                    "XDG_STATE_HOME",  "XDG_RUNTIME_DIR", "DBUS_SESSION_BUS_ADDRESS",
                    "DISPLAY",         "WAYLAND_DISPLAY", "XAUTHORITY",
                    "SESSION_MANAGER"};
    launch.addressSpace = settings.memoryLimit;
    std::error_code ec;
    const auto limit = OfficeTimeLimit(std::filesystem::file_size(snapshot, ec), settings);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (int start = 0;; ++start) {
        const int exit = RunOffice(launch, deadline, limit);
        // A first start in a new profile asks to be started again, once.
        if (start == 0 && WIFEXITED(exit) && WEXITSTATUS(exit) == kOfficeRestartStatus) continue;
        if (!WIFEXITED(exit) || WEXITSTATUS(exit) != 0)
            throw EngineError(XDW_E_FAIL, "LibreOffice failed with " + DescribeExit(exit) +
                                              OfficeSaid(launch.logPath));
        break;
    }

    const std::string printed = FindPrintedPdf(outDir);
    if (printed.empty())
        Bad(XDW_REASON_BLANK_PRINT, "LibreOffice printed nothing" + OfficeSaid(launch.logPath),
            request_.input);
    PrintedDocument doc =
        BuildPrintedDocument(printed, [this](int page, int total) { onPage(page, total); });
    if (holdsContent_ && !AnyPageInked(*doc.printed))
        Bad(XDW_REASON_BLANK_PRINT,
            "LibreOffice printed only blank pages of a file that holds content" +
                OfficeSaid(launch.logPath),
            request_.input);
    return doc;
}

void AppPrintJob::convert() {
    TempFolder temp;
    {
        std::lock_guard lock(mutex_);
        tempDir_ = temp.path();
    }
    // The application prints, and the document carries, this copy: the
    // source may change or go away while the conversion runs.
    const std::string snapshot = temp.sub("in") + "/" + CopyName(request_.input);
    std::error_code ec;
    if (!std::filesystem::copy_file(request_.input, snapshot, ec))
        throw EngineError(ec.value() != 0 ? CodeFromErrno(ec.value()) : XDW_E_FAIL,
                          "cannot copy the source: " + ec.message());
    throwIfStopped();

    PrintedDocument doc;
    std::string mended;
    const auto progress = [this](int page, int total) { onPage(page, total); };
    switch (request_.plan.route) {
        case PrintRoute::Picture:
            enterPhase(XDW_PHASE_PRINTING);
            doc = BuildPictureDocument(snapshot, progress);
            break;
        case PrintRoute::Pdf:
            enterPhase(XDW_PHASE_PRINTING);
            doc = BuildPdfCopy(snapshot, CopyName(request_.input), progress);
            mended = doc.mended;
            break;
        case PrintRoute::Office:
            doc = PrintWithOffice(snapshot, temp);
            break;
    }

    if (request_.attachOriginal) {
        enterPhase(XDW_PHASE_ATTACHING);
        AttachOriginal(*doc.document, snapshot,
                       std::filesystem::path(request_.input).filename().string(),
                       request_.plan.mimeType);
    }

    // Named after its source unless it has a title of its own; a bill among
    // its first pages gives its keys.
    const DocumentKeys keys = FindDocumentKeys(OwnPageTexts(*doc.document, false));
    LabelDocument(*doc.document, std::filesystem::path(request_.input).stem().string(), keys);

    enterPhase(XDW_PHASE_WRITING);
    try {
        CommitPdf(*doc.document, request_.output, false);
    } catch (const EngineError& e) {
        // Picture pages and copied streams are read while they are written.
        if (e.code() != XDW_E_CANNOT_READ || request_.plan.route == PrintRoute::Office) throw;
        Bad(XDW_REASON_CONTENT,
            "content of " + std::filesystem::path(request_.input).filename().string() +
                " unreadable (" + e.what() + ")",
            request_.input);
    }
    doc = {};
    temp.remove();

    std::lock_guard lock(mutex_);
    tempDir_.clear();
    if (stop_) {
        // A stop that came while the file was being written: the document
        // is ours and only just in place, so take it away again.
        ::unlink(request_.output.c_str());
        phase_ = XDW_PHASE_CANCELLED;
        return;
    }
    // Told before the phase: whoever sees it finished may ask at once.
    SetSourceRepair(mended);
    phase_ = XDW_PHASE_FINISHED;
}

}  // namespace xdw
