#include "ui/ThreadWorker.h"

#include <QMetaObject>

namespace quilbex {

ThreadWorker::ThreadWorker(QObject* parent) : QObject(parent) {}

ThreadWorker::~ThreadWorker() { Wait(); }

void ThreadWorker::Start(std::function<void()> job, std::function<void()> done) {
    Wait();
    thread_ = std::thread([this, job = std::move(job), done = std::move(done)]() mutable {
        job();
        // Dropped by Qt when this worker is gone before the event arrives.
        QMetaObject::invokeMethod(
            this,
            [this, done = std::move(done)] {
                done();
                if (onIdle) onIdle();
            },
            Qt::QueuedConnection);
    });
}

void ThreadWorker::Wait() {
    if (thread_.joinable()) thread_.join();
}

}  // namespace quilbex
