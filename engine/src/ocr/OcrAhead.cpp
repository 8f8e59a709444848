#include "ocr/OcrAhead.h"

#include <algorithm>
#include <utility>

#include "Error.h"
#include "ocr/PageProgress.h"
#include "ocr/SharedTasks.h"
#include "ocr/TesseractPool.h"

namespace xdw {

namespace {

bool Cancelled(void* flag) { return static_cast<std::atomic<bool>*>(flag)->load(); }

}  // namespace

void OcrAhead::Run(Job& job) {
    const PageProgressScope progress(job.percent);
    const SharedTasksScope shared(
        [this, &job](int count, const std::function<void(int)>& task) { Share(job, count, task); });
    try {
        // The page's image or copy is not kept.
        job.result = ReadPage(std::exchange(job.input, PageInput()), job.recipe, job.key.upright,
                              &Cancelled, &job.cancel);
    } catch (...) {
        job.error = std::current_exception();
    }
}

void OcrAhead::RunTask(std::unique_lock<std::mutex>& lock, Job& job, int i) {
    Tasks& tasks = job.tasks;
    ++tasks.running;
    const std::function<void(int)>& task = *tasks.task;
    lock.unlock();
    std::exception_ptr error;
    try {
        task(i);
    } catch (...) {
        error = std::current_exception();
    }
    lock.lock();
    if (error && !tasks.error) {
        tasks.error = error;
        tasks.next = tasks.count;  // what is left is not started
    }
    --tasks.running;
    changed_.notify_all();
}

void OcrAhead::Share(Job& job, int count, const std::function<void(int)>& task) {
    std::unique_lock lock(mutex_);
    Tasks& tasks = job.tasks;
    tasks = Tasks();
    tasks.task = &task;
    tasks.count = count;
    changed_.notify_all();
    // The reader takes its own tasks too, and waits for those others took.
    while (tasks.next < tasks.count || tasks.running > 0) {
        if (tasks.next < tasks.count)
            RunTask(lock, job, tasks.next++);
        else
            changed_.wait(lock);
    }
    const std::exception_ptr error = tasks.error;
    tasks = Tasks();
    lock.unlock();
    if (error) std::rethrow_exception(error);
}

bool OcrAhead::Help(std::unique_lock<std::mutex>& lock) {
    for (const JobPtr& job : jobs_) {
        Tasks& tasks = job->tasks;
        if (tasks.task == nullptr || tasks.next >= tasks.count) continue;
        const JobPtr keep = job;  // the list may change while the task runs
        RunTask(lock, *keep, tasks.next++);
        return true;
    }
    return false;
}

OcrAhead::JobPtr OcrAhead::Find(const PageKey& key) {
    for (const JobPtr& job : jobs_)
        if (job->key == key) return job;
    return nullptr;
}

OcrAhead::JobPtr OcrAhead::FirstQueued() {
    for (const JobPtr& job : jobs_)
        if (job->state == State::Queued) return job;
    return nullptr;
}

void OcrAhead::Work() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        JobPtr job = FirstQueued();
        if (!job) {
            if (!Help(lock)) changed_.wait(lock);
            continue;
        }
        job->state = State::Running;
        lock.unlock();
        Run(*job);
        lock.lock();
        job->state = State::Done;
        changed_.notify_all();
    }
    lock.unlock();
    ReleaseTesseract();  // this thread's instances
}

PageResult OcrAhead::Read(const PageKey& key, const Take& take, const OcrRecipe& recipe,
                          const std::vector<Next>& next) {
    std::vector<const Next*> toQueue;
    {
        std::lock_guard lock(mutex_);
        if (cancelled_) throw EngineError(XDW_E_FAIL, "cancelled");
        // Anything else was read ahead in vain (the caller went elsewhere, or
        // the page changed): it is cancelled and forgotten.
        std::erase_if(jobs_, [&](const JobPtr& job) {
            const bool keep = job->key == key || std::ranges::any_of(next, [&](const Next& n) {
                                  return job->key == n.key;
                              });
            if (!keep) job->cancel = true;
            return !keep;
        });
        for (const Next& n : next)
            if (!Find(n.key)) toQueue.push_back(&n);
    }
    for (const Next* n : toQueue) {
        auto job = std::make_shared<Job>();
        job->key = n->key;
        job->recipe = recipe;
        try {
            job->input = n->take();
        } catch (const std::exception&) {
            continue;  // that page fails when it is asked for
        }
        std::lock_guard lock(mutex_);
        if (cancelled_) break;
        jobs_.push_back(job);
        if (!worker_.joinable()) worker_ = std::thread([this] { Work(); });
        changed_.notify_all();
    }

    std::unique_lock lock(mutex_);
    JobPtr job = Find(key);
    if (!job || job->state == State::Queued) {
        // Nobody is reading this page yet: it is read here.
        const bool fresh = !job;
        if (fresh) {
            job = std::make_shared<Job>();
            job->key = key;
            job->recipe = recipe;
            job->cancel = cancelled_;
            jobs_.push_back(job);
        }
        job->state = State::Running;
        lock.unlock();
        try {
            if (fresh) job->input = take();
        } catch (...) {
            Forget(job);
            throw;
        }
        Run(*job);
    } else {
        while (job->state != State::Done) {
            // Rather than wait idle, this thread reads the page queued next.
            if (JobPtr other = FirstQueued()) {
                other->state = State::Running;
                lock.unlock();
                Run(*other);
                lock.lock();
                other->state = State::Done;
                changed_.notify_all();
                continue;
            }
            if (Help(lock)) continue;
            changed_.wait(lock);
        }
        lock.unlock();
    }
    Forget(job);
    if (job->error) std::rethrow_exception(job->error);
    if (!job->result) throw EngineError(XDW_E_FAIL, "page not read");
    return std::move(*job->result);
}

void OcrAhead::Forget(const JobPtr& job) {
    std::lock_guard lock(mutex_);
    jobs_.remove(job);
}

int OcrAhead::Progress(std::uintptr_t document, int page) {
    std::lock_guard lock(mutex_);
    for (const JobPtr& job : jobs_)
        if (job->key.document == document && job->key.page == page && job->percent >= 0)
            return job->percent;
    return -1;
}

void OcrAhead::Keep(const PageKey& key, PageResult result, std::exception_ptr error) {
    auto job = std::make_shared<Job>();
    job->key = key;
    job->state = State::Done;
    if (error)
        job->error = std::move(error);
    else
        job->result = std::move(result);
    std::lock_guard lock(mutex_);
    std::erase_if(jobs_, [&](const JobPtr& other) { return other->key == key; });
    jobs_.push_back(std::move(job));
}

void OcrAhead::CancelAll() {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    for (const JobPtr& job : jobs_) job->cancel = true;
}

void OcrAhead::Stop() {
    {
        std::lock_guard lock(mutex_);
        for (const JobPtr& job : jobs_) job->cancel = true;
        jobs_.clear();
        stopping_ = true;
        changed_.notify_all();
    }
    if (worker_.joinable()) worker_.join();
    std::lock_guard lock(mutex_);
    worker_ = std::thread();
    stopping_ = false;
    cancelled_ = false;
}

}  // namespace xdw
