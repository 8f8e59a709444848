#include "print/AppPrint.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <mutex>

#include "Error.h"
#include "HandleRegistry.h"
#include "pdf/Document.h"
#include "pdf/OutputFile.h"
#include "pdf/Repair.h"
#include "print/AppPrintJob.h"
#include "print/AppPrintSettings.h"
#include "print/OfficeFinder.h"
#include "print/PrintPlan.h"

namespace xdw {

namespace {

// Live conversions by handle.
HandleRegistry<AppPrintJob, XDW_CREATE_HANDLE> registry;

std::shared_ptr<AppPrintJob> Lookup(XDW_CREATE_HANDLE handle) {
    auto job = registry.Find(handle);
    if (job == nullptr) throw EngineError(XDW_E_INVALID_ARG, "not a live conversion handle");
    return job;
}

void CheckSource(const std::string& input) {
    struct stat info {};
    if (stat(input.c_str(), &info) != 0) {
        const int err = errno;
        Bad(Concern{XDW_REASON_SOURCE, input, err == ENOTDIR ? ENOENT : err, {}},
            "source unreachable: " + input);
    }
    if (!S_ISREG(info.st_mode))
        Bad(XDW_REASON_SOURCE_NOT_FILE, "source is not a regular file: " + input, input);
    if (access(input.c_str(), R_OK) != 0)
        Bad(Concern{XDW_REASON_SOURCE, input, EACCES, {}}, "source not readable: " + input);
}

}  // namespace

XDW_CREATE_HANDLE BeginAppPrint(const std::string& input, const std::string& output,
                                bool attachOriginal) {
    SetSourceRepair({});
    CheckSource(input);
    CheckTargetFree(output);
    AppPrintRequest request;
    request.plan = PlanPrint(input);
    // A PDF that needs its password cannot be printed either: refused now,
    // with the user's own file named, before anything is started.
    // Other damage is the job's to find and report.
    if (request.plan.route == PrintRoute::Pdf) {
        try {
            ReadPdf(input);
        } catch (const EngineError& e) {
            if (e.code() == XDW_E_PASSWORD_PROTECTED) throw;
        }
    }
    request.settings = CurrentAppPrintSettings();
    if (request.plan.route == PrintRoute::Office)
        request.office = FindOffice(request.settings.officeCandidates);
    request.input = input;
    request.output = output;
    request.attachOriginal = attachOriginal;

    return registry.Add(std::make_shared<AppPrintJob>(std::move(request)));
}

namespace {

// A conversion that ended in failure hands its reason to the calling thread.
void KeepFailureReason(const AppPrintJob& job) {
    if (job.failureCode() != 0) SetLastFailure(job.failure());
}

}  // namespace

void AppPrintStatus(XDW_CREATE_HANDLE handle, XDW_CREATION_STATUS* status) {
    auto job = Lookup(handle);
    job->status(*status);
    if (status->phase == XDW_PHASE_CANCELLED) KeepFailureReason(*job);
}

void CancelAppPrint(XDW_CREATE_HANDLE handle) { Lookup(handle)->cancel(); }

namespace {

std::mutex lastKindMutex;
std::string lastKind;

const char* SourceKindName(PrintRoute route) {
    switch (route) {
        case PrintRoute::Picture:
            return "picture";
        case PrintRoute::Pdf:
            return "pdf";
        case PrintRoute::Office:
            break;
    }
    return "document";
}

}  // namespace

void EndAppPrint(XDW_CREATE_HANDLE handle) {
    auto job = Lookup(handle);
    job->cancel();  // no effect once it has finished
    job->join();
    KeepFailureReason(*job);
    XDW_CREATION_STATUS status{};
    status.size = sizeof status;
    job->status(status);
    {
        const std::lock_guard<std::mutex> lock(lastKindMutex);
        lastKind = status.phase == XDW_PHASE_FINISHED ? SourceKindName(job->route()) : "";
    }
    registry.Remove(handle);
}

std::string LastFinishedSourceKind() {
    const std::lock_guard<std::mutex> lock(lastKindMutex);
    return lastKind;
}

void FinalizeAppPrint() {
    const auto jobs = registry.TakeAll();
    // Ask every one to stop first, so their children end side by side.
    for (const auto& job : jobs) job->cancel();
    for (const auto& job : jobs) job->join();
}

std::shared_ptr<AppPrintJob> LookupAppPrintJob(XDW_CREATE_HANDLE handle) { return Lookup(handle); }

}  // namespace xdw
