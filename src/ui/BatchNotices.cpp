#include "ui/BatchNotices.h"

#include <fcntl.h>
#include <sys/file.h>
#include <time.h>
#include <unistd.h>

#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <sstream>

namespace quilbex {

namespace {

// A run started this long after the batch's last run had ended still joins
// it: a file manager starts the runs of a selection one after another.
constexpr double kJoinSlackSeconds = 1.0;

struct Stored {
    unsigned bubble = 0;
    long owner = 0;
    double lastEnd = 0;
    int made = 0, failed = 0, cancelled = 0;
    QStringList failures;
};

Stored Read(const std::string& path) {
    Stored tally;
    std::ifstream in(path);
    if (!(in >> tally.bubble >> tally.owner >> tally.lastEnd >> tally.made >> tally.failed >>
          tally.cancelled))
        return {};
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) tally.failures << QString::fromStdString(line);
    return tally;
}

}  // namespace

double SecondsSinceBoot() {
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

double ProcessStartedSinceBoot() {
    // Field 22 of /proc/self/stat, in clock ticks; the name before it is
    // in parentheses and may hold blanks.
    std::ifstream in("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos) return SecondsSinceBoot();
    std::istringstream fields(stat.substr(close + 1));
    std::string field;
    for (int i = 3; i <= 22 && fields >> field; ++i) {
    }
    const long ticks = ::sysconf(_SC_CLK_TCK);
    return ticks > 0 ? std::atof(field.c_str()) / double(ticks) : SecondsSinceBoot();
}

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
    bubble_ = tally.bubble;
    lastEnd_ = tally.lastEnd;
    made_ = tally.made;
    failed_ = tally.failed;
    cancelled_ = tally.cancelled;
    failures_ = tally.failures;
}

BatchNotices::~BatchNotices() {
    if (lockFd_ >= 0) ::close(lockFd_);
}

bool BatchNotices::Count(const RunOutcome& outcome, RunSpan span) {
    // A run started after the batch had ended begins a new one, and leaves
    // the old batch's bubble alone.
    const bool joins = made_ + failed_ + cancelled_ > 0 && span.ended > 0 &&
                       span.started <= lastEnd_ + kJoinSlackSeconds;
    if (!joins) {
        bubble_ = 0;
        lastEnd_ = 0;
        made_ = failed_ = cancelled_ = 0;
        failures_.clear();
    }
    if (span.ended > lastEnd_) lastEnd_ = span.ended;
    switch (outcome.status) {
        case ExitStatus::kDone:
        case ExitStatus::kIncomplete:
            ++made_;
            break;
        case ExitStatus::kCancelled:
            ++cancelled_;
            break;
        default: {
            ++failed_;
            QString reason = QString::fromStdString(outcome.reason);
            if (reason.isEmpty()) reason = QStringLiteral("何らかのエラーが発生しました。");
            QString line = QStringLiteral("変換できませんでした: ") +
                           QFileInfo(QString::fromStdString(outcome.source)).fileName() +
                           QStringLiteral(" — ") + reason;
            failures_ << line.replace(QLatin1Char('\n'), QLatin1Char(' '));
            break;
        }
    }
    return joins;
}

QString BatchNotices::Tally() const {
    QString text = QStringLiteral("%1件の文書を作成しました").arg(made_);
    if (failed_ > 0) text += QStringLiteral("、%1件は変換できませんでした").arg(failed_);
    if (cancelled_ > 0) text += QStringLiteral("、%1件は中止しました").arg(cancelled_);
    return text;
}

void BatchNotices::Save(unsigned bubble) {
    if (lockFd_ < 0) return;
    const std::string temp = path_ + ".new";
    {
        std::ofstream out(temp, std::ios::trunc);
        out << bubble << ' ' << ::getpid() << ' ' << std::fixed << std::setprecision(3) << lastEnd_
            << ' ' << made_ << ' ' << failed_ << ' ' << cancelled_ << '\n';
        for (const QString& failure : failures_) out << failure.toStdString() << '\n';
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
