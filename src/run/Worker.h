// Where the long part of a run works: the direct conversion and the OCR pass.
// The program gives the run a thread of its own so the window keeps painting
// and answering; tests keep the default, which works on the caller's thread.
#pragma once

#include <functional>

namespace quilbex {

class Worker {
public:
    virtual ~Worker() = default;
    // Runs job, then done on the window's thread. Only one job at a time.
    virtual void Start(std::function<void()> job, std::function<void()> done) = 0;
};

// Runs the job and then done at once, before Start returns.
class InlineWorker : public Worker {
public:
    void Start(std::function<void()> job, std::function<void()> done) override {
        job();
        done();
    }
};

}  // namespace quilbex
