// The notifications of runs started together are one bubble: each run's
// helper replaces the bubble of the run before it and counts the documents
// made and the runs that failed, until the last run of the batch has ended.
// The tally lives in the user's queue folder, read and written under a lock.
#pragma once

#include <QString>
#include <string>

#include "run/RunOutcome.h"

namespace quilbex {

class BatchNotices {
public:
    // Holds the batch's lock until destroyed (folder "": a run alone).
    explicit BatchNotices(std::string folder);
    ~BatchNotices();
    BatchNotices(const BatchNotices&) = delete;
    BatchNotices& operator=(const BatchNotices&) = delete;

    // Counts the outcome in; true when other runs were counted before it.
    bool Count(const RunOutcome& outcome);
    // The bubble to replace (0: none) and what the batch has come to.
    unsigned Bubble() const { return bubble_; }
    QString Tally() const;
    // Keeps bubble as the batch's, owned by this process (a helper whose
    // bubble a later one replaced answers it no more); when no run waits or
    // works any more the batch is over and the next run starts anew.
    void Save(unsigned bubble, bool over);

    // The batch's bubble is still this process's own (no later run replaced it).
    static bool StillOwned(const std::string& folder, unsigned bubble);

private:
    std::string path_;
    int lockFd_ = -1;
    unsigned bubble_ = 0;
    int made_ = 0;
    int failed_ = 0;
    int cancelled_ = 0;
};

}  // namespace quilbex
