#include "run/SourceDeletion.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "run/DeletionReason.h"
#include "run/FileReplace.h"
#include "run/Termination.h"

namespace quilbex {

namespace {

// The file may be changed by this process: it has a write permission bit
// and the process (root included) is granted write access. The permission
// bits count for root too: a file nobody may write is read-only, and stays
// although the folder would let it be removed.
bool IsWritableBySelf(const std::string& path) {
    return !IsReadOnlyFile(path) && ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

}  // namespace

void SourceDeletion::SourceOpened() { opened_ = IdentityOf(run_.Source()); }

bool SourceDeletion::ChangedInPlace() const {
    // A file that went away or was replaced was still read whole; one
    // changed in place (cut short, rewritten) may have given pages of
    // neither version.
    const auto now = IdentityOf(run_.Source());
    return opened_ && now && now->SameFile(*opened_) && *now != *opened_;
}

void SourceDeletion::DeleteWhenAsked() {
    if (!run_.options.DelFile) return;
    // A stop asked for before the deletion keeps the source, however late
    // it came: whoever honours the stop logs it.
    if (run_.cancel.Requested() || TerminationRequested()) return;
    // Another file moved to the path meanwhile, or the source changed: it
    // was not what was converted, and stays.
    const auto now = IdentityOf(run_.Source());
    if (opened_ && now && *now != *opened_) return Keep(kSourceReplacedLine, kSourceReplacedLine);
    // A document mended from a damaged source may lack what the damage
    // took: the source stays, whatever the setting.
    char mended[512] = {};
    if (run_.engine.GetInformation(XDW_GI_SOURCE_REPAIRED, mended, sizeof mended) > 0)
        return Keep(kSourceRepairedLine, kSourceRepairedReason);
    // Removed for good, not moved to the desktop's trash.
    if (!IsWritableBySelf(run_.Source())) {
        const bool there = ::access(run_.Source().c_str(), F_OK) == 0;
        return Keep(kDeleteFailedLine, DeletionReason(run_.Source(), there ? 0 : errno));
    }
    if (::unlink(run_.Source().c_str()) != 0)
        return Keep(kDeleteFailedLine, DeletionReason(run_.Source(), errno));
    run_.outcome.SourceDeleted();
}

void SourceDeletion::Keep(const char* line, const std::string& reason) {
    log_.AddLog(line);
    log_.Fail(RunEvent::kLaterStepFailed, reason);
}

}  // namespace quilbex
