#include "ui/DetachedNotifier.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QGuiApplication>
#include <cerrno>
#include <cstdlib>

#include "run/LockedTurnQueue.h"
#include "ui/BatchNotices.h"
#include "ui/DesktopNotifier.h"
#include "ui/Headless.h"
#include "ui/RuntimeFolder.h"

namespace quilbex {

namespace {

// The longest the helper waits for an answer: the service tells when the
// notification closes; this only bounds a service that never says so.
constexpr int kAnswerLimitMs = 8 * 60 * 60 * 1000;

// The program this process runs was removed or replaced (the package was
// removed or upgraded): its helpers leave.
bool ProgramStillInstalled() {
    char target[4096];
    const ssize_t length = ::readlink("/proc/self/exe", target, sizeof target - 1);
    if (length <= 0) return true;
    const std::string path(target, std::size_t(length));
    const std::string deleted = " (deleted)";
    return !(path.size() > deleted.size() &&
             path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0);
}

// Starts program with args in a session of its own, its standard streams on
// /dev/null (a script reading the run's output does not wait for the
// helper), and returns once it has been started: the helper's parent exits
// at once and nobody waits for the helper itself.
void StartDetached(const std::string& program, const std::vector<std::string>& args) {
    // Everything the child needs is made before forking: after it, only
    // calls that are safe in a child of a threaded process.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    const pid_t child = ::fork();
    if (child < 0) return;
    if (child == 0) {
        ::setsid();
        if (::fork() != 0) ::_exit(0);
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
        }
        ::close_range(3, ~0U, 0);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

std::vector<std::string> NotificationArguments(const RunOutcome& outcome, RunSpan span) {
    return {std::to_string(ExitCode(outcome.status)), outcome.source, outcome.outPath,
            outcome.reason, outcome.existing,
            // In milliseconds: a number every locale writes alike.
            std::to_string(static_cast<long long>(span.started * 1000)),
            std::to_string(static_cast<long long>(span.ended * 1000))};
}

RunOutcome OutcomeFromArguments(const std::vector<std::string>& args) {
    RunOutcome outcome;
    if (args.size() < 5) return outcome;
    outcome.status = static_cast<ExitStatus>(std::atoi(args[0].c_str()));
    outcome.source = args[1];
    outcome.outPath = args[2];
    outcome.reason = args[3];
    outcome.existing = args[4];
    return outcome;
}

RunSpan SpanFromArguments(const std::vector<std::string>& args) {
    if (args.size() < 7) return {};
    return {double(std::strtoll(args[5].c_str(), nullptr, 10)) / 1000,
            double(std::strtoll(args[6].c_str(), nullptr, 10)) / 1000};
}

void DetachedNotifier::Notify(const RunOutcome& outcome) {
    std::vector<std::string> args{kNotificationOption};
    const RunSpan span{ProcessStartedSinceBoot(), SecondsSinceBoot()};
    for (std::string& arg : NotificationArguments(outcome, span)) args.push_back(std::move(arg));
    StartDetached(program_, args);
}

int RunNotificationHelper(const std::vector<std::string>& args) {
    if (args.size() < 5) return 2;
    UseOffscreenWithoutDisplay();
    char name[] = "quilbex";
    char* qtArgv[] = {name, nullptr};
    int qtArgc = 1;
    QGuiApplication app(qtArgc, qtArgv);
    DesktopNotifier notifier;
    const RunOutcome outcome = OutcomeFromArguments(args);
    const std::string queue = TurnQueueFolder(SessionRuntimeFolder());
    {
        // Runs started together share one bubble, which counts what they made.
        BatchNotices batch(queue);
        if (batch.Count(outcome, SpanFromArguments(args)))
            notifier.JoinBatch(batch.Bubble(), batch.Tally(), batch.Failures());
        notifier.Notify(outcome);
        batch.Save(notifier.Id());
    }
    notifier.SetAnswerCheck(
        [queue](uint bubble) { return BatchNotices::StillOwned(queue, bubble); });
    notifier.AwaitAnswer(kAnswerLimitMs, ProgramStillInstalled);
    return 0;
}

}  // namespace quilbex
