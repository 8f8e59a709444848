// The turn queue of one user's runs, kept in lock files the kernel releases
// when a run ends in any way (a killed run never blocks the others):
//   queue.lock        held while the line is looked at or changed
//   wait-<n>          a run waiting for its turn, locked by it, n its place in line
//   turn-<i>          one place for a run at work, locked by the run in it
//   name-<hash>       a document name claimed by the run that locks it
#pragma once

#include <string>
#include <vector>

#include "run/TurnQueue.h"

namespace quilbex {

// The user's folder for the queue: "quilbex" in the session's runtime
// folder, or else /tmp/quilbex-<uid> (runtime ""); made with mode 0700 when
// missing. "" when neither is a folder of this user's that nobody else may
// enter.
std::string TurnQueueFolder(const std::string& runtime);

// How many runs may work at once: the processors this process may use.
int ProcessorsAvailable();

// No run of the user's waits or works in the queue of folder.
bool TurnQueueIdle(const std::string& folder);

class LockedTurnQueue : public TurnQueue {
public:
    // folder: TurnQueueFolder() ("" gives every run its turn at once);
    // places: how many runs work at once (at least one).
    LockedTurnQueue(std::string folder, int places);
    ~LockedTurnQueue() override;
    LockedTurnQueue(const LockedTurnQueue&) = delete;
    LockedTurnQueue& operator=(const LockedTurnQueue&) = delete;

    bool TakeTurn(int& ahead) override;
    int Place() const override { return place_; }
    void EndTurn() override;
    bool ClaimName(const std::string& path) override;

private:
    std::string Path(const std::string& name) const { return folder_ + "/" + name; }
    // Takes a number in the line and locks its ticket; false when the
    // folder cannot be used.
    bool Join();
    // The waiting runs before this one; stale tickets are removed.
    int WaitingAhead();
    void LeaveLine();

    std::string folder_;
    int places_;
    long number_ = -1;  // this run's number in the line (-1: not in it)
    int ticketFd_ = -1;
    int placeFd_ = -1;
    int place_ = 0;
    std::vector<std::pair<std::string, int>> claims_;
};

}  // namespace quilbex
