#include "print/AppPrint.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "Error.h"
#include "pdf/OutputFile.h"
#include "print/AppPrintJob.h"
#include "print/AppPrintOffice.h"
#include "print/PrintPlan.h"

namespace xdw {

namespace {

// Live conversions by handle. A handle is a number that is never given out
// twice, so a handle that has been ended stays invalid.
std::mutex registryMutex;
std::map<std::uintptr_t, std::shared_ptr<AppPrintJob>> registry;
std::uintptr_t nextHandle = 1;

std::shared_ptr<AppPrintJob> Lookup(XDW_CREATE_HANDLE handle) {
    std::lock_guard lock(registryMutex);
    const auto it = registry.find(reinterpret_cast<std::uintptr_t>(handle));
    if (handle == nullptr || it == registry.end())
        throw EngineError(XDW_E_INVALID_ARG, "not a live conversion handle");
    return it->second;
}

void CheckSource(const std::string& input) {
    struct stat info {};
    if (stat(input.c_str(), &info) != 0) {
        const int err = errno;
        if (err == ENOENT || err == ENOTDIR)
            throw EngineError(XDW_E_FILE_NOT_FOUND, "source not found: " + input);
        throw EngineError(CodeFromErrno(err), "source unreachable: " + input);
    }
    if (!S_ISREG(info.st_mode))
        throw EngineError(XDW_E_CANNOT_READ, "source is not a regular file: " + input);
    if (access(input.c_str(), R_OK) != 0)
        throw EngineError(XDW_E_ACCESS_DENIED, "source not readable: " + input);
}

}  // namespace

XDW_CREATE_HANDLE BeginAppPrint(const std::string& input, const std::string& output,
                                bool attachOriginal) {
    CheckSource(input);
    CheckTargetFree(output);
    AppPrintRequest request;
    request.plan = PlanPrint(input);
    request.settings = CurrentAppPrintSettings();
    if (request.plan.route == PrintRoute::Office)
        request.office = FindOffice(request.settings.officeCandidates);
    request.input = input;
    request.output = output;
    request.attachOriginal = attachOriginal;

    auto job = std::make_shared<AppPrintJob>(std::move(request));
    std::lock_guard lock(registryMutex);
    const std::uintptr_t id = nextHandle++;
    registry.emplace(id, std::move(job));
    return reinterpret_cast<XDW_CREATE_HANDLE>(id);
}

namespace {

// A conversion that ended in failure hands its reason to the calling thread.
void KeepFailureReason(const AppPrintJob& job) {
    if (job.failureCode() != 0) SetLastFailure(job.failureText());
}

}  // namespace

void AppPrintStatus(XDW_CREATE_HANDLE handle, XDW_CREATION_STATUS* status) {
    auto job = Lookup(handle);
    job->status(*status);
    if (status->phase == XDW_PHASE_CANCELLED) KeepFailureReason(*job);
}

void CancelAppPrint(XDW_CREATE_HANDLE handle) { Lookup(handle)->cancel(); }

void EndAppPrint(XDW_CREATE_HANDLE handle) {
    auto job = Lookup(handle);
    job->cancel();  // no effect once it has finished
    job->join();
    KeepFailureReason(*job);
    std::lock_guard lock(registryMutex);
    registry.erase(reinterpret_cast<std::uintptr_t>(handle));
}

void FinalizeAppPrint() {
    std::map<std::uintptr_t, std::shared_ptr<AppPrintJob>> jobs;
    {
        std::lock_guard lock(registryMutex);
        jobs.swap(registry);
    }
    // Ask every one to stop first, so their children end side by side.
    for (auto& [id, job] : jobs) job->cancel();
    for (auto& [id, job] : jobs) job->join();
}

std::shared_ptr<AppPrintJob> LookupAppPrintJob(XDW_CREATE_HANDLE handle) { return Lookup(handle); }

}  // namespace xdw
