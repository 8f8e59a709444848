// SIGTERM, SIGINT and SIGHUP into the event loop. The handler only marks the
// termination request (which blocking steps of the run look at) and writes a
// byte to a pipe; the loop reads it and calls onSignal. A second signal of the
// same kind ends the program at once, as if nothing had been installed.
// Until the handler is in place the signals are held (BlockTermination, the
// program's first step), so one sent during start-up is handled too.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace quilbex {

// Holds the termination signals back in the calling thread and in every
// thread started from it, until a TerminationSignals lets them through.
void BlockTermination();
// Lets them through to their default action, for a process that installs no
// handler: one with nothing to finish or keep ends at once.
void ReleaseTermination();

class TerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(std::function<void()> onSignal);
    ~TerminationSignals() override;

private:
    void Drain();

    std::function<void()> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace quilbex
