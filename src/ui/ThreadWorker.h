// The worker of the real program: a thread of its own for the long part of a
// run, so the window's thread stays free for painting and input.
#pragma once

#include <QObject>
#include <functional>
#include <thread>

#include "run/Worker.h"

namespace quilbex {

class ThreadWorker : public QObject, public Worker {
    Q_OBJECT

public:
    explicit ThreadWorker(QObject* parent = nullptr);
    // Waits for the job: whoever destroys a busy worker must first make sure
    // the job is not waiting for the window's thread.
    ~ThreadWorker() override;

    void Start(std::function<void()> job, std::function<void()> done) override;
    // Returns once the job has ended (done may still be on its way).
    void Wait();

    // Runs on the window's thread after each done.
    std::function<void()> onIdle;

private:
    std::thread thread_;
};

}  // namespace quilbex
