#include "ui/BatchNotices.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>

namespace quilbex {

namespace {

struct Stored {
    unsigned bubble = 0;
    long owner = 0;
    int made = 0, failed = 0, cancelled = 0;
};

Stored Read(const std::string& path) {
    Stored tally;
    std::ifstream in(path);
    if (!(in >> tally.bubble >> tally.owner >> tally.made >> tally.failed >> tally.cancelled))
        return {};
    return tally;
}

}  // namespace

BatchNotices::BatchNotices(std::string folder) {
    if (folder.empty()) return;
    path_ = folder + "/notices";
    lockFd_ =
        ::open((folder + "/notices.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    while (lockFd_ >= 0 && ::flock(lockFd_, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(lockFd_);
            lockFd_ = -1;
        }
    }
    if (lockFd_ < 0) return;
    const Stored tally = Read(path_);
    // A batch that is over leaves its bubble alone.
    if (tally.made + tally.failed + tally.cancelled == 0) return;
    bubble_ = tally.bubble;
    made_ = tally.made;
    failed_ = tally.failed;
    cancelled_ = tally.cancelled;
}

BatchNotices::~BatchNotices() {
    if (lockFd_ >= 0) ::close(lockFd_);
}

bool BatchNotices::Count(const RunOutcome& outcome) {
    const bool others = made_ + failed_ + cancelled_ > 0;
    switch (outcome.status) {
        case ExitStatus::kDone:
        case ExitStatus::kIncomplete:
            ++made_;
            break;
        case ExitStatus::kCancelled:
            ++cancelled_;
            break;
        default:
            ++failed_;
            break;
    }
    return others;
}

QString BatchNotices::Tally() const {
    QString text = QStringLiteral("%1件の文書を作成しました").arg(made_);
    if (failed_ > 0) text += QStringLiteral("、%1件は変換できませんでした").arg(failed_);
    if (cancelled_ > 0) text += QStringLiteral("、%1件は中止しました").arg(cancelled_);
    return text;
}

void BatchNotices::Save(unsigned bubble, bool over) {
    if (lockFd_ < 0) return;
    // When the batch is over its counts go, and its bubble stays this
    // process's, which alone answers it.
    if (over) made_ = failed_ = cancelled_ = 0;
    const std::string temp = path_ + ".new";
    {
        std::ofstream out(temp, std::ios::trunc);
        out << bubble << ' ' << ::getpid() << ' ' << made_ << ' ' << failed_ << ' ' << cancelled_
            << '\n';
        if (!out) return;
    }
    std::rename(temp.c_str(), path_.c_str());
}

bool BatchNotices::StillOwned(const std::string& folder, unsigned bubble) {
    if (folder.empty()) return true;
    const Stored tally = Read(folder + "/notices");
    return tally.bubble != bubble || tally.owner == ::getpid();
}

}  // namespace quilbex
