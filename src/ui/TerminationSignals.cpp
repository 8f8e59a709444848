#include "ui/TerminationSignals.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>

#include "run/Termination.h"

namespace quilbex {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
int wakeRead = -1;
int wakeWrite = -1;

void OnSignal(int) {
    const int saved = errno;
    RequestTermination();
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeWrite, &byte, 1);
    errno = saved;
}

sigset_t TerminationSet() {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : kSignals) sigaddset(&set, sig);
    return set;
}

}  // namespace

void ReleaseTermination() {
    const sigset_t set = TerminationSet();
    ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

void BlockTermination() {
    const sigset_t set = TerminationSet();
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

TerminationSignals::TerminationSignals(std::function<void()> onSignal)
    : onSignal_(std::move(onSignal)) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        ReleaseTermination();  // the default way, as without a handler
        return;
    }
    wakeRead = fds[0];
    wakeWrite = fds[1];
    notifier_ = new QSocketNotifier(wakeRead, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { Drain(); });

    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls go on; a second signal takes the default way.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int sig : kSignals) {
        // A signal the program was started ignoring (nohup, a background job
        // of a script) stays ignored, as its starter asked: a logout does not
        // end a conversion left to go on after it. One that came while held
        // is dropped as the signals are let through.
        struct sigaction inherited {};
        if (::sigaction(sig, nullptr, &inherited) == 0 && inherited.sa_handler == SIG_IGN) continue;
        ::sigaction(sig, &action, nullptr);
    }
    // One held back since start-up arrives now, and reaches the loop.
    ReleaseTermination();
}

TerminationSignals::~TerminationSignals() {
    // The run has ended and its outcome stands: a signal while the program
    // winds up is let go by, not taken for the end of a run it never
    // stopped; after one that came already the next still ends the program
    // at once.
    for (int sig : kSignals) {
        struct sigaction now {};
        if (::sigaction(sig, nullptr, &now) == 0 && now.sa_handler == OnSignal)
            ::signal(sig, SIG_IGN);
    }
    if (wakeRead >= 0) {
        const int read = wakeRead, write = wakeWrite;
        wakeRead = wakeWrite = -1;
        ::close(read);
        ::close(write);
    }
}

void TerminationSignals::Drain() {
    char buffer[16];
    while (::read(wakeRead, buffer, sizeof buffer) > 0) {
    }
    if (onSignal_) onSignal_();
}

}  // namespace quilbex
