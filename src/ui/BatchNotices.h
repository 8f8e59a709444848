// The notifications of runs started together are one bubble: each run's
// helper replaces the bubble of the run before it, counts the documents made
// and the runs that failed and lists each failure with its reason. A batch is
// a chain of runs each started before an earlier one had ended (or just
// after): a run started later begins a batch of its own. The tally lives in
// the user's queue folder, read and written under a lock.
#pragma once

#include <QString>
#include <QStringList>
#include <string>

#include "run/RunOutcome.h"

namespace quilbex {

// When a run started and ended, in seconds since the machine started (one
// clock for every process).
struct RunSpan {
    double started = 0;
    double ended = 0;
};
double SecondsSinceBoot();
double ProcessStartedSinceBoot();

class BatchNotices {
public:
    // Holds the batch's lock until destroyed (folder "": a run alone).
    explicit BatchNotices(std::string folder);
    ~BatchNotices();
    BatchNotices(const BatchNotices&) = delete;
    BatchNotices& operator=(const BatchNotices&) = delete;

    // Counts the outcome of the run of span in; true when it joins other
    // runs of its batch (counted before it).
    bool Count(const RunOutcome& outcome, RunSpan span);
    // The bubble to replace (0: none) and what the batch has come to.
    unsigned Bubble() const { return bubble_; }
    QString Tally() const;
    // Each failure of the batch: the file and why.
    const QStringList& Failures() const { return failures_; }
    // Keeps bubble as the batch's, owned by this process (a helper whose
    // bubble a later one replaced answers it no more).
    void Save(unsigned bubble);

    // The batch's bubble is still this process's own (no later run replaced it).
    static bool StillOwned(const std::string& folder, unsigned bubble);

private:
    std::string path_;
    int lockFd_ = -1;
    unsigned bubble_ = 0;
    double lastEnd_ = 0;
    int made_ = 0;
    int failed_ = 0;
    int cancelled_ = 0;
    QStringList failures_;
};

}  // namespace quilbex
