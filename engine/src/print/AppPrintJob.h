// One conversion by application printing, run on a worker thread of its own:
// LibreOffice prints the source to PDF in a child process, the pages are put
// into the final document, the original is attached, and the document is
// written. The caller only polls its state, asks it to stop and joins it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "Error.h"
#include "print/AppPrintDocument.h"
#include "print/AppPrintSettings.h"
#include "print/PrintPlan.h"
#include "xdwapi/xdwapi.h"

namespace xdw {

class TempFolder;
struct ChildSpec;

struct AppPrintRequest {
    std::string input;   // the source file, already checked
    std::string output;  // the document to write; must not exist
    bool attachOriginal = false;
    std::string office;  // full path of the LibreOffice program ("" for pictures)
    PrintPlan plan;      // how the content is printed
    AppPrintSettings settings;
};

class AppPrintJob {
public:
    explicit AppPrintJob(AppPrintRequest request);  // starts the worker
    ~AppPrintJob();                                 // stops and joins it
    AppPrintJob(const AppPrintJob&) = delete;
    AppPrintJob& operator=(const AppPrintJob&) = delete;

    // Phase, total pages and page being generated; cheap and thread-safe.
    void status(XDW_CREATION_STATUS& status) const;
    // Asks the worker to stop: phase 7 at once, phase 9 once the child is
    // gone and the temporary files are removed. No effect after phase 8 or 9.
    void cancel();
    // Waits for the worker to end (after phase 8 or 9).
    void join();
    bool ended() const;

    // Why the conversion ended in phase 9 (0 after success or a stop).
    int32_t failureCode() const;
    Failure failure() const;
    // How the content is printed.
    PrintRoute route() const { return request_.plan.route; }
    // The process group of the application while it ran (0 before that).
    pid_t childGroup() const;
    // The job's temporary folder ("" before it was made).
    std::string tempDir() const;

private:
    struct Stopped {};

    // Also finds whether the file holds content that must show when printed.
    std::string PrintableCopy(const std::string& snapshot, const TempFolder& temp);
    // The pages LibreOffice printed.
    PrintedDocument PrintWithOffice(const std::string& snapshot, const TempFolder& temp);
    void onPage(int page, int total);
    void run();
    void convert();
    int RunOffice(const ChildSpec& launch, std::chrono::steady_clock::time_point deadline,
                  std::chrono::milliseconds limit);
    void enterPhase(int phase);  // throws Stopped once a stop was asked
    void throwIfStopped() const;
    void finish(int32_t code, Failure failure);
    // A failure's reason as the user knows the file: the temporary copy's
    // path is the source's.
    Failure UsersReason(const EngineError& e) const;

    const AppPrintRequest request_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    int phase_ = XDW_PHASE_STARTED;
    int total_ = 0;
    int page_ = 0;
    bool stop_ = false;
    int32_t failureCode_ = 0;
    Failure failure_;
    pid_t group_ = 0;
    std::string tempDir_;
    // The source holds text or cell values: a print without ink is no print.
    bool holdsContent_ = false;
    std::thread worker_;
};

}  // namespace xdw
